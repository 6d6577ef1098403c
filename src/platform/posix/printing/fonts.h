// Printer fonts on POSIX: a logical font resolved through fontconfig to a font file, measured
// the way the Windows printer driver measures it (ascent and descent from the font's Windows
// metrics, external leading from its line gap, average width from its OS/2 table), and drawn
// by cairo.
#pragma once

#include <cairo.h>

#include <memory>
#include <string>

#include "platform/printing.h"

namespace platform::posix {

class PrinterFont {
 public:
  // Resolves `font` for a device of `dpi` dots per inch; nullptr when no font can be found.
  static std::unique_ptr<PrinterFont> make(const LogFont& font, int32_t dpi);
  ~PrinterFont();
  PrinterFont(const PrinterFont&) = delete;
  PrinterFont& operator=(const PrinterFont&) = delete;

  const LogFont& logical() const { return logical_; }
  const TextMetrics& metrics() const { return metrics_; }
  double em() const { return em_; }  // the font size in device units
  cairo_font_face_t* face() const { return face_; }
  cairo_scaled_font_t* scaled() const { return scaled_; }
  const std::string& file() const { return file_; }
  const std::string& family() const { return family_; }

  // The glyphs of `text` (8-bit Windows-1252 characters) laid out from `x` on `baseline`, each
  // advancing by its rounded width like a raster device; `width` gets the total advance.
  std::vector<cairo_glyph_t> layout(const std::string& text, double x, double baseline,
                                    int32_t& width) const;
  int32_t text_width(const std::string& text) const;

 private:
  PrinterFont() = default;

  LogFont logical_;
  TextMetrics metrics_;
  double em_ = 0;
  cairo_font_face_t* face_ = nullptr;
  cairo_scaled_font_t* scaled_ = nullptr;
  std::string file_;
  std::string family_;
};

// The UTF-8 form of an 8-bit Windows-1252 text.
std::string cp1252_to_utf8(const std::string& text);

}  // namespace platform::posix
