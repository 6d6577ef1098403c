#include "platform/posix/printing/cups.h"

#include <cups/cups.h>
#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

namespace platform::posix {
namespace {

constexpr int32_t kQuarterInch = 635;  // 1/100 mm

// libpaper, loaded when first asked for the system's paper rather than linked: Debian 12 and
// older systems have libpaper.so.1, newer ones only libpaper.so.2, with the same calls. Without
// either the system names no paper.
struct LibPaper {
  int (*init)() = nullptr;
  char* (*system_name)() = nullptr;
  const void* (*info)(const char*) = nullptr;
  const char* (*name)(const void*) = nullptr;
  double (*ps_width)(const void*) = nullptr;
  double (*ps_height)(const void*) = nullptr;
};

template <typename F>
bool resolve(void* library, const char* symbol, F& out) {
  void* address = dlsym(library, symbol);
  if (!address) return false;
  static_assert(sizeof out == sizeof address);
  std::memcpy(&out, &address, sizeof out);
  return true;
}

const LibPaper* libpaper() {
  static const LibPaper* const loaded = []() -> const LibPaper* {
    static LibPaper lib;
    for (const char* soname : {"libpaper.so.2", "libpaper.so.1"}) {
      void* library = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
      if (!library) continue;
      if (resolve(library, "paperinit", lib.init) &&
          resolve(library, "systempapername", lib.system_name) &&
          resolve(library, "paperinfo", lib.info) && resolve(library, "papername", lib.name) &&
          resolve(library, "paperpswidth", lib.ps_width) &&
          resolve(library, "paperpsheight", lib.ps_height)) {
        // Initialised once and kept for the life of the process: libpaper 2's paperdone
        // does not free the paper list paperinit reads, so each pair would lose it.
        lib.init();
        return &lib;
      }
      dlclose(library);
    }
    return nullptr;
  }();
  return loaded;
}

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

using Clock = std::chrono::steady_clock;

// A connection of our own to the print server on which every wait is bounded: the library
// calls the timeout hook whenever nothing has moved for a tenth of a second, and the hook
// ends the wait once the budget is spent or the caller cancels.
class CupsSession {
 public:
  explicit CupsSession(const CupsLimit& limit)
      : limit_(limit), deadline_(Clock::now() + std::chrono::milliseconds(limit.budget_ms)) {
    http_ = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                         limit.budget_ms, nullptr);
    if (http_) httpSetTimeout(http_, 0.1, &CupsSession::on_wait, this);
  }
  ~CupsSession() {
    if (http_) httpClose(http_);
  }
  CupsSession(const CupsSession&) = delete;
  CupsSession& operator=(const CupsSession&) = delete;

  http_t* http() const { return http_; }
  bool gave_up() const { return gave_up_; }

 private:
  static int on_wait(http_t*, void* self) {
    auto* s = static_cast<CupsSession*>(self);
    // Once given up, every later wait of the same exchange ends at once too.
    if (s->gave_up_ || Clock::now() >= s->deadline_ ||
        (s->limit_.cancelled && s->limit_.cancelled())) {
      s->gave_up_ = true;
      return 0;
    }
    return 1;
  }

  CupsLimit limit_;
  Clock::time_point deadline_;
  http_t* http_ = nullptr;
  bool gave_up_ = false;
};

// Owns the destination list of cupsGetDests2 asked on `session`.
struct DestList {
  cups_dest_t* dests = nullptr;
  int count = 0;
  explicit DestList(const CupsSession& session) {
    if (session.http()) count = cupsGetDests2(session.http(), &dests);
    if (session.gave_up() || count < 0) {
      cupsFreeDests(count > 0 ? count : 0, dests);
      dests = nullptr;
      count = 0;
    }
  }
  ~DestList() { cupsFreeDests(count, dests); }
  DestList(const DestList&) = delete;
  DestList& operator=(const DestList&) = delete;

  cups_dest_t* find(const std::string& name) const {
    return count > 0 ? cupsGetDest(name.c_str(), nullptr, count, dests) : nullptr;
  }
};

std::vector<Destination> to_destinations(const DestList& list) {
  std::vector<Destination> out;
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

std::vector<Destination> cups_destinations(const CupsLimit& limit, bool* answered) {
  CupsSession session(limit);
  DestList list(session);
  // A server that ran into trouble of its own (5xx) has not told what it has either.
  if (answered) {
    *answered = session.http() && !session.gave_up() && cupsLastError() < IPP_STATUS_ERROR_INTERNAL;
  }
  return to_destinations(list);
}

struct DestinationSearch::Shared {
  std::mutex mutex;
  std::vector<Destination> found;
  bool done = false;
  bool answered = false;
  std::atomic<bool> cancel{false};
};

DestinationSearch::DestinationSearch(int budget_ms) : shared_(std::make_shared<Shared>()) {
  std::shared_ptr<Shared> shared = shared_;
  std::thread([shared, budget_ms] {
    CupsLimit limit;
    limit.budget_ms = budget_ms;
    limit.cancelled = [shared] { return shared->cancel.load(); };
    bool answered = false;
    std::vector<Destination> found = cups_destinations(limit, &answered);
    std::lock_guard<std::mutex> lock(shared->mutex);
    shared->found = std::move(found);
    shared->answered = answered;
    shared->done = true;
  }).detach();
}

DestinationSearch::~DestinationSearch() {
  shared_->cancel = true;
}

Search DestinationSearch::poll(std::vector<Destination>& found) {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  for (Destination& d : shared_->found) found.push_back(std::move(d));
  shared_->found.clear();
  if (!shared_->done) return Search::kLooking;
  return shared_->answered ? Search::kDone : Search::kNoAnswer;
}

namespace {

// The destination's default paper as the server states it: the printer's media-default (a
// PPD queue reports its default PageSize there), else a "media" or "PageSize" among the
// queue's own options. Empty when the server says nothing. (cupsGetDestMediaDefault is not
// asked: it answers Letter for a queue whose default is A4.)
std::string server_media(http_t* http, cups_dest_t* d, cups_dinfo_t* info) {
  if (ipp_attribute_t* a = cupsFindDestDefault(http, d, info, CUPS_MEDIA)) {
    const char* name = ippGetString(a, 0, nullptr);
    if (name && *name) return name;
  }
  for (const char* option : {CUPS_MEDIA, "PageSize"}) {
    const char* name = cupsGetOption(option, d->num_options, d->options);
    if (name && *name) return name;
  }
  return {};
}

// The size of a paper named in PWG, PPD or legacy terms; null when the name is none of them.
const pwg_media_t* pwg_size(const std::string& name) {
  if (name.empty()) return nullptr;
  if (const pwg_media_t* m = pwgMediaForPWG(name.c_str())) return m;
  if (const pwg_media_t* m = pwgMediaForPPD(name.c_str())) return m;
  return pwgMediaForLegacy(name.c_str());
}

}  // namespace

DestinationInfo cups_destination_info(const std::string& destination, int32_t dpi,
                                      const CupsLimit& limit) {
  DestinationInfo out;
  out.media = system_paper(dpi);  // what the server does not say, the system's paper says
  const std::string system_paper_name = out.media.name;
  CupsSession session(limit);
  DestList list(session);
  cups_dest_t* d = list.find(destination);
  if (!d) return out;
  cups_dinfo_t* info = cupsCopyDestInfo(session.http(), d);
  if (!info || session.gave_up()) {
    if (info) cupsFreeDestInfo(info);
    return out;
  }
  out.found = true;
  const std::string stated = server_media(session.http(), d, info);
  cups_size_t size;
  std::memset(&size, 0, sizeof size);
  const pwg_media_t* pwg = nullptr;
  if (!stated.empty() &&
      cupsGetDestMediaByName(session.http(), d, info, stated.c_str(), CUPS_MEDIA_FLAGS_DEFAULT,
                             &size) &&
      size.width > 0 && size.length > 0) {
    out.media.name = size.media;
    out.media.geometry =
        geometry(size.width, size.length, size.left, size.right, size.top, size.bottom, dpi);
  } else if ((pwg = pwg_size(stated)) != nullptr) {
    // A paper the destination's own list does not describe: its size, with quarter-inch
    // margins.
    out.media.name = pwg->pwg;
    out.media.geometry = geometry(pwg->width, pwg->length, kQuarterInch, kQuarterInch, kQuarterInch,
                                  kQuarterInch, dpi);
  }
  if (out.media.name != system_paper_name) {
    const Paper* p = paper_by_media(out.media.name);
    out.media.code = p ? p->code : 0;
  }
  out.duplex = cupsCheckDestSupported(session.http(), d, info, CUPS_SIDES,
                                      CUPS_SIDES_TWO_SIDED_PORTRAIT) != 0;
  out.collate = cupsCheckDestSupported(session.http(), d, info, "multiple-document-handling",
                                       "separate-documents-collated-copies") != 0;
  cupsFreeDestInfo(info);
  return out;
}

Media system_paper(int32_t dpi) {
  Media m;
  const Paper& letter = known_papers().front();
  m.geometry = geometry(letter.width, letter.length, kQuarterInch, kQuarterInch, kQuarterInch,
                        kQuarterInch, dpi);
  const LibPaper* paper = libpaper();
  if (!paper) return m;
  char* name = paper->system_name();
  const void* info = name ? paper->info(name) : nullptr;
  if (info) {
    // libpaper measures in PostScript points.
    auto hundredths_mm = [](double points) {
      return static_cast<int32_t>(std::lround(points * 2540.0 / 72.0));
    };
    int32_t width = hundredths_mm(paper->ps_width(info));
    int32_t length = hundredths_mm(paper->ps_height(info));
    const Paper* known = nullptr;
    for (const Paper& p : known_papers()) {
      if (std::abs(p.width - width) <= 50 && std::abs(p.length - length) <= 50) known = &p;
    }
    if (width > 0 && length > 0) {
      const char* info_name = paper->name(info);
      m.name = known ? known->media : "custom_" + std::string(info_name ? info_name : "paper");
      m.code = known ? known->code : 0;
      if (known) {
        width = known->width;
        length = known->length;
      }
      m.geometry =
          geometry(width, length, kQuarterInch, kQuarterInch, kQuarterInch, kQuarterInch, dpi);
    }
  }
  std::free(name);
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
                     const std::string& pdf, const JobOptions& job, const CupsLimit& limit,
                     std::string& reason) {
  CupsSession session(limit);
  http_t* http = session.http();
  DestList list(session);
  cups_dest_t* d = list.find(destination);
  if (!d) {
    reason = session.gave_up() || !http ? "the print server did not answer in time"
                                        : "no such destination";
    return false;
  }
  cups_dinfo_t* info = cupsCopyDestInfo(http, d);
  int n = 0;
  cups_option_t* options = nullptr;
  std::string copies_text = std::to_string(job.copies < 1 ? 1 : job.copies);
  n = cupsAddOption(CUPS_COPIES, copies_text.c_str(), n, &options);
  if (!job.media.empty()) n = cupsAddOption(CUPS_MEDIA, job.media.c_str(), n, &options);
  // Device-mode duplex: 1 simplex, 2 flip on the long edge, 3 flip on the short edge.
  const char* sides = job.duplex == 1   ? CUPS_SIDES_ONE_SIDED
                      : job.duplex == 2 ? CUPS_SIDES_TWO_SIDED_PORTRAIT
                      : job.duplex == 3 ? CUPS_SIDES_TWO_SIDED_LANDSCAPE
                                        : nullptr;
  if (sides) n = cupsAddOption(CUPS_SIDES, sides, n, &options);
  if (job.collate >= 0) {
    n = cupsAddOption(
        "multiple-document-handling",
        job.collate ? "separate-documents-collated-copies" : "separate-documents-uncollated-copies",
        n, &options);
  }
  int id = 0;
  bool ok = false;
  if (info && !session.gave_up() &&
      cupsCreateDestJob(http, d, info, &id, title.c_str(), n, options) == IPP_STATUS_OK && id > 0) {
    if (cupsStartDestDocument(http, d, info, id, title.c_str(), CUPS_FORMAT_PDF, 0, nullptr, 1) ==
        HTTP_STATUS_CONTINUE) {
      bool written = cupsWriteRequestData(http, pdf.data(), pdf.size()) == HTTP_STATUS_CONTINUE;
      ipp_status_t status = cupsFinishDestDocument(http, d, info);
      ok = written && status == IPP_STATUS_OK && !session.gave_up();
    }
    if (!ok) {
      // The server may still be there to forget the job; when it is not, a short wait only.
      CupsLimit brief;
      brief.budget_ms = 1000;
      CupsSession cleanup(brief);
      if (cleanup.http()) cupsCancelDestJob(cleanup.http(), d, id);
    }
  }
  if (!ok) {
    if (session.gave_up()) {
      reason = "the print server did not take the job in time";
    } else {
      reason = cupsLastErrorString() ? cupsLastErrorString() : "job refused";
    }
  }
  cupsFreeOptions(n, options);
  if (info) cupsFreeDestInfo(info);
  return ok;
}

}  // namespace platform::posix
