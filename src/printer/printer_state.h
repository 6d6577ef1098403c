// The printer layer's own state: the attached printer and the numbered font objects. Shared by
// the files of src/printer only.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/printing.h"
#include "runtime/fpu.h"

namespace printer::detail {

// Printer flag bits.
enum : uint32_t {
  kPageOpen = 4,
  kScaleX = 16,
  kScaleY = 32,
  kLandscape = 64,
  kDialogOk = 128,
};

inline constexpr size_t kMaxNameLength = 261;

struct PrinterState {
  platform::DeviceContext dc = 0;
  std::unique_ptr<platform::DevMode> dev_mode;  // private copy, applied at each page start
  uint32_t flags = 0;
  int32_t current_font = 0;
  platform::GdiObject saved_font = 0;
  int32_t text_color = 0;
  int32_t bk_color = -2;
  int32_t char_width = 0;
  int32_t char_height = 0;
  int32_t external_leading = 0;
  int32_t x = 0;
  int32_t y = 0;
  float origin_x = 0, origin_y = 0, units_x = 0, units_y = 0;
  int32_t printable_width = 0, printable_height = 0;
  int32_t paper_width = 0, paper_height = 0;
  int32_t offset_x = 0, offset_y = 0;
  std::string name;
};

struct FontObject {
  int32_t refs = 0;
  int32_t number = 0;
  platform::GdiObject other_font = 0;  // for drawing targets other than the printer
  platform::GdiObject printer_font = 0;
  float size = 0;
  platform::LogFont logical;
};

PrinterState& state();
// Every field back to its initial value (the background colour becomes -2).
void reset_state();

// The font list and its lock (a word taken by exchanging -1 in until the old value is 0).
std::vector<std::unique_ptr<FontObject>>& fonts();
class FontListLock {
 public:
  FontListLock();
  ~FontListLock();
  FontListLock(const FontListLock&) = delete;
  FontListLock& operator=(const FontListLock&) = delete;
};
FontObject* find_font(int32_t number);  // caller holds the lock

// The installed printing service; nullptr when the platform has none.
platform::Printing* device();

// Opens a page when none is open; false (after raising kErrDeviceIo) when it cannot.
bool ensure_page();
// Reads the character metrics of the selected font and the page metrics.
void read_metrics();
// Applies the stored text and background colours to the device context.
void apply_colors();
// Makes and selects font object 2 for the attached printer; false on failure (nothing raised).
bool select_default_font();
// Detach: ends the page and the document and releases the device context and its fonts.
// False when the document could not be finished or the device refused to give the context
// back (the state is reset regardless).
bool detach();
// Releases every printer GDI font and lowers the current font's count (device going away).
void release_fonts();

// Saves the floating-point state around platform calls.
class FpGuard {
 public:
  FpGuard() : saved_(runtime::fp_save()) {}
  ~FpGuard() { runtime::fp_restore(saved_); }
  FpGuard(const FpGuard&) = delete;
  FpGuard& operator=(const FpGuard&) = delete;

 private:
  runtime::FpState saved_;
};

// Test seam, never called by the program: forgets the attached printer and every font
// object without calling the device, so that each test starts with none whatever the one
// before it left attached (on a recorded printer that is gone by now).
void reset_for_tests();

}  // namespace printer::detail
