#include "platform/posix/printing/pdf.h"

#include <cairo-pdf.h>

namespace platform::posix {
namespace {

constexpr double kPi = 3.14159265358979323846;

void set_rgb(cairo_t* cr, uint32_t rgb) {
  cairo_set_source_rgb(cr, (rgb & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                       ((rgb >> 16) & 0xFF) / 255.0);
}

}  // namespace

PdfCanvas::~PdfCanvas() {
  if (cr_) cairo_destroy(cr_);
  if (surface_) cairo_surface_destroy(surface_);
}

cairo_status_t PdfCanvas::write(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<PdfCanvas*>(closure)->bytes_.append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

bool PdfCanvas::begin(const std::string& title) {
  if (surface_) return false;
  bytes_.clear();
  surface_ = cairo_pdf_surface_create_for_stream(&PdfCanvas::write, this, 612, 792);
  if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) return false;
  cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_TITLE, title.c_str());
  cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_CREATOR, "Orvane-Table");
  cr_ = cairo_create(surface_);
  return cairo_status(cr_) == CAIRO_STATUS_SUCCESS;
}

bool PdfCanvas::start_page(const PageGeometry& page) {
  if (!cr_ || in_page_ || page.dpi <= 0) return false;
  page_ = page;
  double scale = static_cast<double>(kPointsPerInch) / page.dpi;
  cairo_pdf_surface_set_size(surface_, page.paper_width * scale, page.paper_height * scale);
  cairo_identity_matrix(cr_);
  cairo_scale(cr_, scale, scale);
  cairo_translate(cr_, page.offset_x, page.offset_y);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_set_font_options(cr_, options);
  cairo_font_options_destroy(options);
  in_page_ = true;
  return cairo_status(cr_) == CAIRO_STATUS_SUCCESS;
}

bool PdfCanvas::end_page() {
  if (!cr_ || !in_page_) return false;
  cairo_show_page(cr_);
  in_page_ = false;
  ++pages_;
  return cairo_status(cr_) == CAIRO_STATUS_SUCCESS;
}

int32_t PdfCanvas::draw_text(const PrinterFont& font, int32_t x, int32_t y, const std::string& text,
                             uint32_t rgb, bool opaque, uint32_t background_rgb) {
  if (!cr_ || !in_page_) return 0;
  // The font's escapement turns the text about its top left corner, counterclockwise in
  // tenths of a degree as on the page (the device's y axis points down).
  const LogFont& lf = font.logical();
  const bool turned = lf.escapement % 3600 != 0;
  if (turned) {
    cairo_save(cr_);
    cairo_translate(cr_, x, y);
    cairo_rotate(cr_, -lf.escapement * kPi / 1800.0);
    x = 0;
    y = 0;
  }
  int32_t width = 0;
  auto glyphs = font.layout(text, x, y + font.metrics().ascent, width);
  if (opaque && width > 0) {
    set_rgb(cr_, background_rgb);
    cairo_rectangle(cr_, x, y, width, font.metrics().height);
    cairo_fill(cr_);
  }
  cairo_set_font_face(cr_, font.face());
  cairo_set_font_size(cr_, font.em());
  set_rgb(cr_, rgb);
  if (!glyphs.empty()) cairo_show_glyphs(cr_, glyphs.data(), static_cast<int>(glyphs.size()));
  if (lf.underline || lf.strike_out) {
    double thickness = font.em() / 14.0;
    cairo_set_line_width(cr_, thickness);
    double base = y + font.metrics().ascent;
    if (lf.underline) {
      cairo_move_to(cr_, x, base + thickness * 1.5);
      cairo_rel_line_to(cr_, width, 0);
    }
    if (lf.strike_out) {
      cairo_move_to(cr_, x, base - font.metrics().ascent * 0.3);
      cairo_rel_line_to(cr_, width, 0);
    }
    cairo_stroke(cr_);
  }
  if (turned) cairo_restore(cr_);
  return width;
}

bool PdfCanvas::finish(std::string& pdf) {
  if (!surface_) return false;
  if (in_page_) end_page();
  cairo_destroy(cr_);
  cr_ = nullptr;
  cairo_surface_finish(surface_);
  bool ok = cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface_);
  surface_ = nullptr;
  pdf = std::move(bytes_);
  bytes_.clear();
  return ok;
}

}  // namespace platform::posix
