// The CUPS side of POSIX printing: the destinations the print dialog lists, their default
// paper, and handing a finished PDF to a destination as one job.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/posix/printing_pdf.h"

namespace platform::posix {

struct Destination {
  std::string name;
  std::string description;  // printer-info, or the make and model
  bool is_default = false;
};

// The CUPS destinations, the default first; empty when there is no server or no printer.
std::vector<Destination> cups_destinations();
bool cups_destination_exists(const std::string& name);

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

// The destination's default paper with its margins, at `dpi`; Letter with quarter-inch margins
// when the destination says nothing.
struct Media {
  std::string name = "na_letter_8.5x11in";
  int16_t code = 1;
  PageGeometry geometry;
};
Media cups_default_media(const std::string& destination, int32_t dpi);
// The page for paper `code` with the margins of `like`.
Media media_for_paper(int16_t code, const Media& like, int32_t dpi);

// Sends `pdf` to `destination` as one job named `title`. False (with a reason) on failure.
bool cups_submit_pdf(const std::string& destination, const std::string& title,
                     const std::string& pdf, int32_t copies, const std::string& media,
                     std::string& reason);

}  // namespace platform::posix
