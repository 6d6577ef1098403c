// Placeholder bodies until the printer layer lands: no printer is ever attached.
#include "printer/printer.h"

#include "runtime/error.h"

namespace printer {

void printer_init() {}
void printer_attach(int32_t, const std::string&, const std::string&) {}
std::string printer_name() {
  return {};
}
void printer_ensure_page() {
  runtime::error_raise(57);
}
void printer_end_page() {
  runtime::error_raise(57);
}
void printer_abort() {}
void printer_text(const std::string& text) {
  if (!text.empty()) runtime::error_raise(57);
}
void printer_eol() {
  runtime::error_raise(57);
}
int32_t font_new(const std::string&, float, int32_t, uint8_t, uint8_t, int32_t) {
  return 3;
}
void font_select(int32_t) {
  runtime::error_raise(57);
}
void printer_default_font() {}
void printer_set(int32_t, int32_t) {
  runtime::error_raise(57);
}
void printer_text_color(int32_t) {}
void printer_background_color(int32_t) {}
int32_t printer_device_caps(int32_t) {
  return 0;
}
int32_t printer_lines_per_page() {
  return 0;
}
PageExtent printer_page_extent() {
  return {};
}
void printer_scale(float, float, float, float) {}
PrinterMetrics printer_metrics() {
  return {};
}

}  // namespace printer
