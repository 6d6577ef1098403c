#include "platform/posix/printing_cups.h"

#include <cups/cups.h>

#include <cmath>
#include <cstring>

namespace platform::posix {
namespace {

constexpr int32_t kQuarterInch = 635;  // 1/100 mm

int32_t to_dots(int32_t hundredths_mm, int32_t dpi) {
  return static_cast<int32_t>(std::lround(hundredths_mm * static_cast<double>(dpi) / 2540.0));
}

PageGeometry geometry(int32_t width, int32_t length, int32_t left, int32_t right, int32_t top,
                      int32_t bottom, int32_t dpi) {
  PageGeometry g;
  g.dpi = dpi;
  g.paper_width = to_dots(width, dpi);
  g.paper_height = to_dots(length, dpi);
  g.offset_x = to_dots(left, dpi);
  g.offset_y = to_dots(top, dpi);
  g.printable_width = g.paper_width - g.offset_x - to_dots(right, dpi);
  g.printable_height = g.paper_height - g.offset_y - to_dots(bottom, dpi);
  return g;
}

// Owns the destination list of cupsGetDests2.
struct DestList {
  cups_dest_t* dests = nullptr;
  int count = 0;
  DestList() { count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests); }
  ~DestList() { cupsFreeDests(count, dests); }
  DestList(const DestList&) = delete;
  DestList& operator=(const DestList&) = delete;
};

}  // namespace

const std::vector<Paper>& known_papers() {
  static const std::vector<Paper> papers = {
      {1, "na_letter_8.5x11in", 21590, 27940},       {5, "na_legal_8.5x14in", 21590, 35560},
      {7, "na_executive_7.25x10.5in", 18415, 26670}, {8, "iso_a3_297x420mm", 29700, 42000},
      {9, "iso_a4_210x297mm", 21000, 29700},         {11, "iso_a5_148x210mm", 14800, 21000},
  };
  return papers;
}

const Paper* paper_by_code(int16_t code) {
  for (const Paper& p : known_papers()) {
    if (p.code == code) return &p;
  }
  return nullptr;
}

const Paper* paper_by_media(const std::string& media) {
  for (const Paper& p : known_papers()) {
    if (media == p.media) return &p;
  }
  return nullptr;
}

std::vector<Destination> cups_destinations() {
  std::vector<Destination> out;
  DestList list;
  for (int i = 0; i < list.count; ++i) {
    const cups_dest_t& d = list.dests[i];
    if (d.instance) continue;
    Destination dest;
    dest.name = d.name;
    const char* info = cupsGetOption("printer-info", d.num_options, d.options);
    if (!info || !*info) info = cupsGetOption("printer-make-and-model", d.num_options, d.options);
    dest.description = info ? info : "";
    dest.is_default = d.is_default != 0;
    if (dest.is_default) {
      out.insert(out.begin(), dest);
    } else {
      out.push_back(dest);
    }
  }
  return out;
}

bool cups_destination_exists(const std::string& name) {
  cups_dest_t* d = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.c_str(), nullptr);
  if (!d) return false;
  cupsFreeDests(1, d);
  return true;
}

Media cups_default_media(const std::string& destination, int32_t dpi) {
  Media m;
  const Paper& letter = known_papers().front();
  m.geometry = geometry(letter.width, letter.length, kQuarterInch, kQuarterInch, kQuarterInch,
                        kQuarterInch, dpi);
  cups_dest_t* d = cupsGetNamedDest(CUPS_HTTP_DEFAULT, destination.c_str(), nullptr);
  if (!d) return m;
  if (cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, d)) {
    cups_size_t size;
    std::memset(&size, 0, sizeof size);
    if (cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, d, info, CUPS_MEDIA_FLAGS_DEFAULT, &size) &&
        size.width > 0 && size.length > 0) {
      m.name = size.media;
      const Paper* p = paper_by_media(m.name);
      m.code = p ? p->code : 0;
      m.geometry =
          geometry(size.width, size.length, size.left, size.right, size.top, size.bottom, dpi);
    }
    cupsFreeDestInfo(info);
  }
  cupsFreeDests(1, d);
  return m;
}

Media media_for_paper(int16_t code, const Media& like, int32_t dpi) {
  const Paper* p = paper_by_code(code);
  if (!p || p->code == like.code) return like;
  Media m;
  m.name = p->media;
  m.code = p->code;
  const PageGeometry& g = like.geometry;
  int32_t right = g.paper_width - g.offset_x - g.printable_width;
  int32_t bottom = g.paper_height - g.offset_y - g.printable_height;
  auto mm = [&](int32_t dots) {
    return static_cast<int32_t>(std::lround(dots * 2540.0 / (g.dpi > 0 ? g.dpi : dpi)));
  };
  m.geometry =
      geometry(p->width, p->length, mm(g.offset_x), mm(right), mm(g.offset_y), mm(bottom), dpi);
  return m;
}

bool cups_submit_pdf(const std::string& destination, const std::string& title,
                     const std::string& pdf, int32_t copies, const std::string& media,
                     std::string& reason) {
  cups_dest_t* d = cupsGetNamedDest(CUPS_HTTP_DEFAULT, destination.c_str(), nullptr);
  if (!d) {
    reason = "no such destination";
    return false;
  }
  cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, d);
  int n = 0;
  cups_option_t* options = nullptr;
  std::string copies_text = std::to_string(copies < 1 ? 1 : copies);
  n = cupsAddOption(CUPS_COPIES, copies_text.c_str(), n, &options);
  if (!media.empty()) n = cupsAddOption(CUPS_MEDIA, media.c_str(), n, &options);
  int job = 0;
  bool ok = false;
  if (cupsCreateDestJob(CUPS_HTTP_DEFAULT, d, info, &job, title.c_str(), n, options) ==
          IPP_STATUS_OK &&
      job > 0) {
    if (cupsStartDestDocument(CUPS_HTTP_DEFAULT, d, info, job, title.c_str(), CUPS_FORMAT_PDF, 0,
                              nullptr, 1) == HTTP_STATUS_CONTINUE) {
      bool written =
          cupsWriteRequestData(CUPS_HTTP_DEFAULT, pdf.data(), pdf.size()) == HTTP_STATUS_CONTINUE;
      ipp_status_t status = cupsFinishDestDocument(CUPS_HTTP_DEFAULT, d, info);
      ok = written && status == IPP_STATUS_OK;
    }
    if (!ok) cupsCancelDestJob(CUPS_HTTP_DEFAULT, d, job);
  }
  if (!ok) reason = cupsLastErrorString() ? cupsLastErrorString() : "job refused";
  cupsFreeOptions(n, options);
  if (info) cupsFreeDestInfo(info);
  cupsFreeDests(1, d);
  return ok;
}

}  // namespace platform::posix
