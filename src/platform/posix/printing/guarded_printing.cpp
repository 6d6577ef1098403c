#include "platform/posix/printing/guarded_printing.h"

#include <new>

#include "platform/posix/print_module.h"

namespace platform::posix {
namespace {

// CLR_INVALID: what SetTextColor and SetBkColor answer on failure.
constexpr uint32_t kInvalidColor = 0xFFFFFFFFu;
// SP_ERROR: what the document and page calls answer on failure.
constexpr int32_t kSpoolError = -1;

// `call()`, or `failure` when it throws.
template <typename R, typename F>
R guarded(R failure, F&& call) noexcept {
  try {
    return call();
  } catch (...) {
    return failure;
  }
}

}  // namespace

PrintDialogResult GuardedPrinting::print_dialog(uint32_t flags, PrintDialogHook hook) {
  uint32_t error = kCdErrInitialization;
  try {
    return inner_.print_dialog(flags, hook);
  } catch (const std::bad_alloc&) {
    error = kCdErrMemAllocFailure;
  } catch (...) {
  }
  // The box may still be up: take it away, whatever else fails.
  try {
    if (DialogScreen* screen = open_dialog_screen()) screen->close();
  } catch (...) {
  }
  PrintDialogResult failed;
  failed.extended_error = error;
  return failed;
}

bool GuardedPrinting::set_foreground_window(DialogWindow window) {
  return guarded(false, [&] { return inner_.set_foreground_window(window); });
}

PrinterHandle GuardedPrinting::open_printer(const std::string& name) {
  return guarded(PrinterHandle{0}, [&] { return inner_.open_printer(name); });
}

bool GuardedPrinting::close_printer(PrinterHandle printer) {
  return guarded(false, [&] { return inner_.close_printer(printer); });
}

int32_t GuardedPrinting::document_properties(PrinterHandle printer, const std::string& name,
                                             DevMode* out) {
  return guarded(int32_t{-1}, [&] { return inner_.document_properties(printer, name, out); });
}

int32_t GuardedPrinting::device_capabilities(const std::string& name, uint16_t capability,
                                             std::vector<uint16_t>* list) {
  return guarded(int32_t{-1}, [&] { return inner_.device_capabilities(name, capability, list); });
}

DeviceContext GuardedPrinting::create_dc(const std::string& name, const DevMode* mode) {
  return guarded(DeviceContext{0}, [&] { return inner_.create_dc(name, mode); });
}

bool GuardedPrinting::delete_dc(DeviceContext dc) {
  return guarded(false, [&] { return inner_.delete_dc(dc); });
}

DeviceContext GuardedPrinting::reset_dc(DeviceContext dc, const DevMode* mode) {
  return guarded(DeviceContext{0}, [&] { return inner_.reset_dc(dc, mode); });
}

int32_t GuardedPrinting::start_doc(DeviceContext dc, const std::string& document_name) {
  return guarded(kSpoolError, [&] { return inner_.start_doc(dc, document_name); });
}

int32_t GuardedPrinting::end_doc(DeviceContext dc) {
  return guarded(kSpoolError, [&] { return inner_.end_doc(dc); });
}

int32_t GuardedPrinting::abort_doc(DeviceContext dc) {
  return guarded(kSpoolError, [&] { return inner_.abort_doc(dc); });
}

int32_t GuardedPrinting::start_page(DeviceContext dc) {
  return guarded(kSpoolError, [&] { return inner_.start_page(dc); });
}

int32_t GuardedPrinting::end_page(DeviceContext dc) {
  return guarded(kSpoolError, [&] { return inner_.end_page(dc); });
}

int32_t GuardedPrinting::device_caps(DeviceContext dc, int32_t index) {
  return guarded(int32_t{0}, [&] { return inner_.device_caps(dc, index); });
}

uint32_t GuardedPrinting::set_text_align(DeviceContext dc, uint32_t align) {
  return guarded(kGdiErrorAlign, [&] { return inner_.set_text_align(dc, align); });
}

bool GuardedPrinting::text_out(DeviceContext dc, int32_t x, int32_t y, const std::string& text) {
  return guarded(false, [&] { return inner_.text_out(dc, x, y, text); });
}

bool GuardedPrinting::move_to(DeviceContext dc, int32_t x, int32_t y) {
  return guarded(false, [&] { return inner_.move_to(dc, x, y); });
}

bool GuardedPrinting::current_position(DeviceContext dc, int32_t& x, int32_t& y) {
  return guarded(false, [&] { return inner_.current_position(dc, x, y); });
}

bool GuardedPrinting::text_metrics(DeviceContext dc, TextMetrics& out) {
  return guarded(false, [&] { return inner_.text_metrics(dc, out); });
}

uint32_t GuardedPrinting::set_text_color(DeviceContext dc, uint32_t rgb) {
  return guarded(kInvalidColor, [&] { return inner_.set_text_color(dc, rgb); });
}

uint32_t GuardedPrinting::set_bk_color(DeviceContext dc, uint32_t rgb) {
  return guarded(kInvalidColor, [&] { return inner_.set_bk_color(dc, rgb); });
}

int32_t GuardedPrinting::set_bk_mode(DeviceContext dc, int32_t mode) {
  return guarded(int32_t{0}, [&] { return inner_.set_bk_mode(dc, mode); });
}

GdiObject GuardedPrinting::create_font(const LogFont& font) {
  return guarded(GdiObject{0}, [&] { return inner_.create_font(font); });
}

GdiObject GuardedPrinting::select_object(DeviceContext dc, GdiObject object) {
  return guarded(GdiObject{0}, [&] { return inner_.select_object(dc, object); });
}

bool GuardedPrinting::delete_object(GdiObject object) {
  return guarded(false, [&] { return inner_.delete_object(object); });
}

}  // namespace platform::posix
