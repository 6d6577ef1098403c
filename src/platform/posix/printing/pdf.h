// One print document drawn with cairo into PDF bytes held in memory. Coordinates are device
// units of the printer (dots) with (0, 0) at the top left of the printable area, as on a
// Windows printer device context.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>

#include "platform/posix/printing/fonts.h"

namespace platform::posix {

struct PageGeometry {
  int32_t dpi = 600;
  int32_t paper_width = 5100;  // dots
  int32_t paper_height = 6600;
  int32_t printable_width = 4800;
  int32_t printable_height = 6300;
  int32_t offset_x = 150;  // left edge of the printable area on the paper
  int32_t offset_y = 150;
};

class PdfCanvas {
 public:
  PdfCanvas() = default;
  ~PdfCanvas();
  PdfCanvas(const PdfCanvas&) = delete;
  PdfCanvas& operator=(const PdfCanvas&) = delete;

  // Starts the document; `title` becomes its title metadata.
  bool begin(const std::string& title);
  bool start_page(const PageGeometry& page);
  bool end_page();
  // Draws `text` with its top left corner at (x, y), turned by the font's escapement; returns
  // its advance along the baseline.
  int32_t draw_text(const PrinterFont& font, int32_t x, int32_t y, const std::string& text,
                    uint32_t rgb, bool opaque, uint32_t background_rgb);
  // Ends the document and hands over the PDF bytes. False when cairo failed.
  bool finish(std::string& pdf);
  int32_t pages() const { return pages_; }
  bool in_page() const { return in_page_; }

 private:
  static cairo_status_t write(void* closure, const unsigned char* data, unsigned int length);

  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  std::string bytes_;
  PageGeometry page_;
  int32_t pages_ = 0;
  bool in_page_ = false;
};

}  // namespace platform::posix
