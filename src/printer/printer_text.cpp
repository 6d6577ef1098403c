// Text on the page, colours, device-mode settings and page metrics.
#include <algorithm>
#include <utility>

#include "printer/printer.h"
#include "printer/printer_state.h"
#include "runtime/error.h"

namespace printer {

using namespace detail;

namespace {

// Asks a capability of the attached printer by name; list capabilities fill `list`.
int32_t capability(uint16_t which, std::vector<uint16_t>* list = nullptr) {
  FpGuard fp;
  int32_t n = device()->device_capabilities(state().name, which, list);
  if (list && list->size() > 1024) list->resize(1024);
  return n;
}

bool in_list(uint16_t which, int32_t value) {
  std::vector<uint16_t> list;
  if (capability(which, &list) <= 0) return false;
  return std::find(list.begin(), list.end(), static_cast<uint16_t>(value)) != list.end() &&
         value >= 0 && value <= 0xFFFF;
}

// Turns the stored page description a quarter turn: the page is ended and every x/y pair of
// the metrics and the scale exchanged, until the next page start reads them again.
void turn_page(int16_t orientation) {
  PrinterState& s = state();
  platform::Printing* p = device();
  if (s.flags & kPageOpen) {
    FpGuard fp;
    p->end_page(s.dc);
    s.flags &= ~kPageOpen;
    s.x = s.y = 0;
  }
  s.dev_mode->orientation = orientation;
  s.dev_mode->fields |= platform::kDmOrientation;
  s.flags ^= kLandscape;
  uint32_t scale = s.flags & (kScaleX | kScaleY);
  s.flags &= ~(kScaleX | kScaleY);
  if (scale & kScaleX) s.flags |= kScaleY;
  if (scale & kScaleY) s.flags |= kScaleX;
  std::swap(s.origin_x, s.origin_y);
  std::swap(s.units_x, s.units_y);
  std::swap(s.printable_width, s.printable_height);
  std::swap(s.paper_width, s.paper_height);
  std::swap(s.offset_x, s.offset_y);
}

}  // namespace

void printer_text(const std::string& text) {
  if (text.empty()) return;
  if (!ensure_page()) return;
  PrinterState& s = state();
  platform::Printing* p = device();
  if (!p->text_out(s.dc, 0, 0, text)) {
    runtime::error_raise(runtime::kErrDeviceIo);
    return;
  }
  p->current_position(s.dc, s.x, s.y);
}

void printer_eol() {
  if (!ensure_page()) return;
  PrinterState& s = state();
  s.x = 0;
  s.y += s.char_height + s.external_leading;
  device()->move_to(s.dc, s.x, s.y);
}

void printer_text_color(int32_t rgb) {
  PrinterState& s = state();
  if (rgb == -1) rgb = 0;
  s.text_color = rgb & 0xFFFFFF;
  if (s.dc && device()) device()->set_text_color(s.dc, static_cast<uint32_t>(s.text_color));
}

void printer_background_color(int32_t rgb) {
  PrinterState& s = state();
  s.bk_color = (rgb == -1 || rgb == -2) ? -2 : (rgb & 0xFFFFFF);
  apply_colors();
}

void printer_set(int32_t setting, int32_t value) {
  PrinterState& s = state();
  if (!s.dc || !device()) {
    runtime::error_raise(runtime::kErrDeviceIo);
    return;
  }
  // Every known setting is changed in the printer's device mode; without one it is refused.
  platform::DevMode* dm = s.dev_mode.get();
  auto refuse = [] { runtime::error_raise(runtime::kErrBadCall); };
  // A driver's record may end before a field: that setting cannot be changed.
  auto lacks = [dm](uint32_t field) { return dm == nullptr || (dm->covered & field) == 0; };
  switch (setting) {
    case kSetCollate:
      if (lacks(platform::kDmCollate) || !(dm->fields & platform::kDmCollate) || value < 0 ||
          value > 1) {
        return refuse();
      }
      dm->collate = static_cast<int16_t>(value);
      break;
    case kSetColor:
      if (lacks(platform::kDmColor) || !(dm->fields & platform::kDmColor)) return refuse();
      dm->color = static_cast<int16_t>(value);
      break;
    case kSetCopies:
      if (lacks(platform::kDmCopies) || !(dm->fields & platform::kDmCopies) || value < 1 ||
          value > capability(platform::kDcCopies)) {
        return refuse();
      }
      dm->copies = static_cast<int16_t>(value);
      break;
    case kSetDuplex:
      if (lacks(platform::kDmDuplex) || capability(platform::kDcDuplex) < 1 || value < 1 ||
          value > 3) {
        return refuse();
      }
      dm->duplex = static_cast<int16_t>(value);
      dm->fields |= platform::kDmDuplex;
      break;
    case kSetOrientation: {
      if (!dm) return refuse();
      if (value != platform::kOrientPortrait && value != platform::kOrientLandscape) {
        return refuse();
      }
      // Asking for the orientation the page already has succeeds on any driver.
      int16_t current =
          (s.flags & kLandscape) ? platform::kOrientLandscape : platform::kOrientPortrait;
      if (value == current) return;
      if (lacks(platform::kDmOrientation) || capability(platform::kDcOrientation) < 1) {
        return refuse();
      }
      turn_page(static_cast<int16_t>(value));
      break;
    }
    case kSetPaperSize:
      if (lacks(platform::kDmPaperSize) || !in_list(platform::kDcPapers, value)) return refuse();
      dm->paper_size = static_cast<int16_t>(value);
      dm->paper_length = 0;
      dm->paper_width = 0;
      break;
    case kSetPrintQuality:
      if (lacks(platform::kDmPrintQuality) || !(dm->fields & platform::kDmPrintQuality)) {
        return refuse();
      }
      if (value == 0) return;
      if (value >= 1 && value <= 4) {
        dm->print_quality = static_cast<int16_t>(-value);
      } else if (value >= -4 && value <= -1) {
        dm->print_quality = static_cast<int16_t>(value);
      } else {
        return refuse();
      }
      break;
    case kSetDefaultSource:
      if (lacks(platform::kDmDefaultSource) || !in_list(platform::kDcBins, value)) {
        return refuse();
      }
      dm->default_source = static_cast<int16_t>(value);
      break;
    default:
      break;
  }
}

int32_t printer_device_caps(int32_t index) {
  PrinterState& s = state();
  if (!s.dc || !device()) return 0;
  FpGuard fp;
  return device()->device_caps(s.dc, index);
}

int32_t printer_lines_per_page() {
  const PrinterState& s = state();
  int32_t pitch = s.char_height + s.external_leading;
  return pitch > 0 ? s.printable_height / pitch : 0;
}

PageExtent printer_page_extent() {
  const PrinterState& s = state();
  if (s.units_y == 0) {
    return {0, 0, static_cast<double>(s.printable_width), static_cast<double>(s.printable_height)};
  }
  PageExtent e;
  e.left = s.origin_x;
  e.top = s.origin_y;
  e.right = s.origin_x + (s.units_x != 0 ? s.printable_width / static_cast<double>(s.units_x) : 0);
  e.bottom = s.origin_y + s.printable_height / static_cast<double>(s.units_y);
  return e;
}

void printer_scale(float origin_x, float origin_y, float units_x, float units_y) {
  PrinterState& s = state();
  if (units_x == 0 || units_y == 0) {
    s.origin_x = s.origin_y = s.units_x = s.units_y = 0;
    s.flags &= ~(kScaleX | kScaleY);
    return;
  }
  s.origin_x = origin_x;
  s.origin_y = origin_y;
  s.units_x = units_x;
  s.units_y = units_y;
  s.flags |= kScaleX | kScaleY;
}

PrinterMetrics printer_metrics() {
  const PrinterState& s = state();
  PrinterMetrics m;
  m.char_width = s.char_width;
  m.char_height = s.char_height;
  m.external_leading = s.external_leading;
  m.x = s.x;
  m.y = s.y;
  m.printable_width = s.printable_width;
  m.printable_height = s.printable_height;
  m.paper_width = s.paper_width;
  m.paper_height = s.paper_height;
  m.offset_x = s.offset_x;
  m.offset_y = s.offset_y;
  m.page_open = (s.flags & kPageOpen) != 0;
  m.landscape = (s.flags & kLandscape) != 0;
  m.current_font = s.current_font;
  return m;
}

}  // namespace printer
