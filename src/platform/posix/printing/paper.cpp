#include "platform/posix/printing/paper.h"

#include <dlfcn.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace platform::posix {
namespace {

// How far a size libpaper names may be from a known paper's and still be that paper: its
// points are rounded, the table's hundredths of a millimetre exact.
constexpr int32_t kSameSizeSlack = 50;

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
  return static_cast<int32_t>(
      std::lround(hundredths_mm * static_cast<double>(dpi) / kHundredthsMmPerInch));
}

// libpaper measures in PostScript points.
int32_t points_to_hundredths_mm(double points) {
  return static_cast<int32_t>(
      std::lround(points * kHundredthsMmPerInch / static_cast<double>(kPointsPerInch)));
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

PageGeometry page_geometry(int32_t width, int32_t length, int32_t left, int32_t right, int32_t top,
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

Media system_paper(int32_t dpi) {
  Media m;
  const Paper& letter = known_papers().front();
  m.geometry = page_geometry(letter.width, letter.length, kQuarterInch, kQuarterInch, kQuarterInch,
                             kQuarterInch, dpi);
  const LibPaper* paper = libpaper();
  if (!paper) return m;
  char* name = paper->system_name();
  const void* info = name ? paper->info(name) : nullptr;
  if (info) {
    int32_t width = points_to_hundredths_mm(paper->ps_width(info));
    int32_t length = points_to_hundredths_mm(paper->ps_height(info));
    const Paper* known = nullptr;
    for (const Paper& p : known_papers()) {
      if (std::abs(p.width - width) <= kSameSizeSlack &&
          std::abs(p.length - length) <= kSameSizeSlack) {
        known = &p;
      }
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
          page_geometry(width, length, kQuarterInch, kQuarterInch, kQuarterInch, kQuarterInch, dpi);
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
    return static_cast<int32_t>(
        std::lround(dots * static_cast<double>(kHundredthsMmPerInch) / (g.dpi > 0 ? g.dpi : dpi)));
  };
  m.geometry = page_geometry(p->width, p->length, mm(g.offset_x), mm(right), mm(g.offset_y),
                             mm(bottom), dpi);
  return m;
}

}  // namespace platform::posix
