// Paper: the sizes the device knows by Windows paper code, the system's own paper (libpaper),
// and the page a paper gives at a resolution with its margins. Sizes are in hundredths of a
// millimetre (kHundredthsMmPerInch to the inch), pages in device dots.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/posix/printing/pdf.h"

namespace platform::posix {

// The margin a paper gets when nobody states one: a quarter of an inch.
inline constexpr int32_t kQuarterInch = kHundredthsMmPerInch / 4;

// A paper the device knows: Windows paper code, PWG media name and size in 1/100 mm.
struct Paper {
  int16_t code;
  const char* media;
  int32_t width;
  int32_t length;
};
const std::vector<Paper>& known_papers();
const Paper* paper_by_code(int16_t code);
const Paper* paper_by_media(const std::string& media);

// A paper with its margins at a resolution: PWG media name, Windows paper code (0 for one
// without a code) and the page it gives. Letter with quarter-inch margins unless set.
struct Media {
  std::string name = "na_letter_8.5x11in";
  int16_t code = 1;
  PageGeometry geometry;
};

// The page of a `width` x `length` paper with the given margins, all in 1/100 mm, at `dpi`.
PageGeometry page_geometry(int32_t width, int32_t length, int32_t left, int32_t right, int32_t top,
                           int32_t bottom, int32_t dpi);

// The system's paper (libpaper: $PAPERSIZE, the file $PAPERCONF or /etc/papersize) with
// quarter-inch margins, at `dpi`; Letter when libpaper is not installed or names no paper it
// knows. This is the paper of "Save as PDF", which has no print server to ask.
Media system_paper(int32_t dpi);
// The page for paper `code` with the margins of `like`.
Media media_for_paper(int16_t code, const Media& like, int32_t dpi);

}  // namespace platform::posix
