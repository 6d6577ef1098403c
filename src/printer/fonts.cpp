// Numbered font objects and their selection into the printer.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "printer/printer.h"
#include "printer/printer_state.h"
#include "runtime/error.h"

namespace printer {
namespace detail {
namespace {

std::atomic<int32_t> g_font_lock{0};

platform::LogFont make_logical(const std::string& face, int32_t style, uint8_t charset,
                               uint8_t pitch_family, int32_t angle) {
  platform::LogFont lf;
  size_t n = std::min<size_t>(face.size(), sizeof(lf.face_name) - 1);
  std::memcpy(lf.face_name, face.data(), n);
  lf.face_name[n] = '\0';
  lf.escapement = angle;
  lf.orientation = angle;
  lf.weight = (style & kStyleBold) ? 700 : 400;
  lf.italic = (style & kStyleItalic) ? 1 : 0;
  lf.underline = (style & kStyleUnderline) ? 1 : 0;
  lf.strike_out = (style & kStyleStrikeOut) ? 1 : 0;
  lf.charset = charset;
  lf.pitch_and_family = pitch_family;
  return lf;
}

// Takes a free object (no references, no GDI font) or appends one; nullptr without memory.
FontObject* take_font_object() {
  auto& list = fonts();
  for (auto& f : list) {
    if (f->refs == 0 && !f->other_font && !f->printer_font) return f.get();
  }
  auto made = std::unique_ptr<FontObject>(new (std::nothrow) FontObject);
  if (!made) return nullptr;
  made->number = static_cast<int32_t>(list.size()) + 1;
  list.push_back(std::move(made));
  return list.back().get();
}

}  // namespace

std::vector<std::unique_ptr<FontObject>>& fonts() {
  static std::vector<std::unique_ptr<FontObject>> list;
  return list;
}

FontListLock::FontListLock() {
  while (g_font_lock.exchange(-1, std::memory_order_acquire) != 0) {
  }
}

FontListLock::~FontListLock() {
  g_font_lock.store(0, std::memory_order_release);
}

FontObject* find_font(int32_t number) {
  for (auto& f : fonts()) {
    if (f->number == number) return f.get();
  }
  return nullptr;
}

void release_fonts() {
  PrinterState& s = state();
  platform::Printing* p = device();
  FontListLock lock;
  if (FontObject* f = find_font(s.current_font); f && f->refs > 0) --f->refs;
  for (auto& f : fonts()) {
    if (f->printer_font && p) p->delete_object(f->printer_font);
    f->printer_font = 0;
  }
}

bool select_default_font() {
  PrinterState& s = state();
  platform::Printing* p = device();
  if (!s.dc || !p) return false;
  FpGuard fp;
  FontListLock lock;
  FontObject* f = find_font(2);
  if (!f) return false;
  bool made = false;
  if (!f->printer_font) {
    f->logical.height =
        -((p->device_caps(s.dc, platform::kLogPixelsY) * 8) / platform::kPointsPerInch);
    f->printer_font = p->create_font(f->logical);
    if (!f->printer_font) return false;
    made = true;
  }
  platform::GdiObject old = p->select_object(s.dc, f->printer_font);
  if (old == 0 || old == platform::kGdiError) {
    if (made) {
      p->delete_object(f->printer_font);
      f->printer_font = 0;
    }
    return false;
  }
  // Keep the device context's own font only: reselecting ours must not replace it.
  if (!s.saved_font) s.saved_font = old;
  ++f->refs;
  if (s.current_font != 2) {
    if (FontObject* prev = find_font(s.current_font); prev && prev->refs > 0) --prev->refs;
  }
  s.current_font = 2;
  return true;
}

}  // namespace detail

using namespace detail;

void printer_init() {
  FontListLock lock;
  if (!fonts().empty()) return;
  const char* faces[2] = {"MS Sans Serif", "Courier New"};
  const float sizes[2] = {8.0f, 0.0f};
  for (int i = 0; i < 2; ++i) {
    auto f = std::make_unique<FontObject>();
    f->number = i + 1;
    f->refs = 1;
    f->size = sizes[i];
    f->logical = make_logical(faces[i], 0, 1, 0, 0);
    fonts().push_back(std::move(f));
  }
}

int32_t font_new(const std::string& face, float size, int32_t style, uint8_t charset,
                 uint8_t pitch_family, int32_t angle) {
  platform::LogFont lf = make_logical(face, style, charset, pitch_family, angle);
  if (size == 0) size = 8.0f;
  FontListLock lock;
  FontObject* f = take_font_object();
  if (!f) {
    runtime::error_raise(runtime::kErrBadCall);
    return 0;
  }
  ++f->refs;
  f->size = size;
  f->logical = lf;
  return f->number;
}

void font_select(int32_t number) {
  if (!ensure_page()) return;
  PrinterState& s = state();
  platform::Printing* p = device();
  FpGuard fp;
  {
    FontListLock lock;
    FontObject* f = find_font(number);
    if (!f) return;
    if (!f->printer_font) {
      const int32_t dpi = p->device_caps(s.dc, platform::kLogPixelsY);
      // The height is computed and rounded in the program's floating-point mode (to nearest,
      // ties to even), whatever mode the device call left behind; the guard restores it.
      runtime::fp_mode_set();
      const long double h =
          std::nearbyint(static_cast<long double>(dpi) * f->size / platform::kPointsPerInch);
      // A size no device can draw (huge, or not a number) still gives a defined height:
      // clamped to the 32-bit range, or 0 (the device's default) for not-a-number.
      constexpr long double kLimit = 2147483647.0L;
      f->logical.height = std::isnan(h) ? 0 : -static_cast<int32_t>(std::clamp(h, -kLimit, kLimit));
      f->printer_font = p->create_font(f->logical);
      if (!f->printer_font) {
        runtime::error_raise(runtime::kErrBadCall);
        return;
      }
    }
    platform::GdiObject old = p->select_object(s.dc, f->printer_font);
    if (old == 0 || old == platform::kGdiError) {
      runtime::error_raise(runtime::kErrBadCall);
      return;
    }
    ++f->refs;
    if (FontObject* prev = find_font(s.current_font); prev && prev->refs > 0) --prev->refs;
    s.current_font = number;
  }
  read_metrics();
  apply_colors();
}

void printer_default_font() {
  if (!state().dc || !device()) {
    runtime::error_raise(runtime::kErrDeviceIo);
    return;
  }
  if (!select_default_font()) runtime::error_raise(runtime::kErrBadCall);
}

}  // namespace printer
