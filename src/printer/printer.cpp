// Attaching a printer, its document and its pages.
#include "printer/printer.h"

#include "printer/printer_state.h"
#include "runtime/error.h"
#include "runtime/platform_access.h"

namespace printer {
namespace detail {

PrinterState& state() {
  static PrinterState s;
  return s;
}

void reset_state() {
  PrinterState& s = state();
  s.dc = 0;
  s.dev_mode.reset();
  s.flags = 0;
  s.current_font = 0;
  s.saved_font = 0;
  s.text_color = 0;
  s.bk_color = -2;
  s.char_width = s.char_height = s.external_leading = 0;
  s.x = s.y = 0;
  s.origin_x = s.origin_y = s.units_x = s.units_y = 0;
  s.printable_width = s.printable_height = s.paper_width = s.paper_height = 0;
  s.offset_x = s.offset_y = 0;
  s.name.clear();
}

platform::Printing* device() {
  return runtime::installed_platform().printing;
}

void read_metrics() {
  PrinterState& s = state();
  platform::Printing* p = device();
  if (!p || !s.dc) return;
  platform::TextMetrics tm;
  if (p->text_metrics(s.dc, tm)) {
    s.char_width = tm.ave_char_width;
    s.char_height = tm.height;
    s.external_leading = tm.external_leading;
  }
  s.printable_width = p->device_caps(s.dc, platform::kHorzRes);
  s.printable_height = p->device_caps(s.dc, platform::kVertRes);
  s.paper_width = p->device_caps(s.dc, platform::kPhysicalWidth);
  s.paper_height = p->device_caps(s.dc, platform::kPhysicalHeight);
  s.offset_x = p->device_caps(s.dc, platform::kPhysicalOffsetX);
  s.offset_y = p->device_caps(s.dc, platform::kPhysicalOffsetY);
}

void apply_colors() {
  PrinterState& s = state();
  platform::Printing* p = device();
  if (!p || !s.dc) return;
  p->set_text_color(s.dc, static_cast<uint32_t>(s.text_color));
  if (s.bk_color < 0) {
    p->set_bk_color(s.dc, 0xFFFFFF);
    p->set_bk_mode(s.dc, platform::kBkTransparent);
  } else {
    p->set_bk_color(s.dc, static_cast<uint32_t>(s.bk_color));
    p->set_bk_mode(s.dc, platform::kBkOpaque);
  }
}

bool ensure_page() {
  PrinterState& s = state();
  platform::Printing* p = device();
  if (!s.dc || !p) {
    runtime::error_raise(runtime::kErrDeviceIo);
    return false;
  }
  if (s.flags & kPageOpen) return true;
  FpGuard fp;
  // Settings changed since the last page take effect here. A printer that gave no device mode
  // has nothing to apply.
  if (s.dev_mode && !p->reset_dc(s.dc, s.dev_mode.get())) {
    runtime::error_raise(runtime::kErrDeviceIo);
    return false;
  }
  {
    FontListLock lock;
    if (FontObject* f = find_font(s.current_font); f && f->printer_font) {
      platform::GdiObject old = p->select_object(s.dc, f->printer_font);
      if (old == 0 || old == platform::kGdiError) {
        runtime::error_raise(runtime::kErrDeviceIo);
        return false;
      }
    }
  }
  apply_colors();
  read_metrics();
  if (p->start_page(s.dc) <= 0) {
    runtime::error_raise(runtime::kErrDeviceIo);
    return false;
  }
  s.flags |= kPageOpen;
  // The previous alignment (0 for left/top) is a normal answer; only the error value fails.
  if (p->set_text_align(s.dc, platform::kTaUpdateCp) == platform::kGdiErrorAlign) {
    runtime::error_raise(runtime::kErrDeviceIo);
    return false;
  }
  s.x = s.y = 0;
  p->move_to(s.dc, 0, 0);
  return true;
}

bool detach() {
  PrinterState& s = state();
  platform::Printing* p = device();
  s.dev_mode.reset();
  bool ok = true;
  if (s.dc && p) {
    if (s.flags & kPageOpen) p->end_page(s.dc);
    s.flags &= ~kPageOpen;
    // A document the device could not finish (a job the spooler refused) is a failure too.
    if (p->end_doc(s.dc) <= 0) ok = false;
    if (s.saved_font) {
      platform::GdiObject old = p->select_object(s.dc, s.saved_font);
      if (old == 0 || old == platform::kGdiError) ok = false;
    }
    if (!p->delete_dc(s.dc)) ok = false;
    release_fonts();
  }
  reset_state();
  return ok;
}

// Test seam (see printer_state.h).
void reset_for_tests() {
  reset_state();
  FontListLock lock;
  fonts().clear();
}

// The print dialog's hook: brings the dialog in front of the console and notes the OK button.
uintptr_t print_dialog_hook(platform::DialogWindow dialog, uint32_t message, uintptr_t wparam,
                            intptr_t /*lparam*/) {
  if (message == platform::kWmInitDialog) {
    if (platform::Printing* p = device()) p->set_foreground_window(dialog);
  } else if (message == platform::kWmCommand && (wparam & 0xFFFF) == platform::kIdOk) {
    state().flags |= kDialogOk;
  }
  return 0;
}

}  // namespace detail

using namespace detail;

namespace {

constexpr uint32_t kDialogFlags = platform::kPdReturnDc | platform::kPdNoSelection |
                                  platform::kPdNoPageNums | platform::kPdEnablePrintHook |
                                  platform::kPdUseDevModeCopiesAndCollate |
                                  platform::kPdHidePrintToFile;

// Undoes a half-made attach and raises kErrDeviceUnavailable.
void attach_failed() {
  PrinterState& s = state();
  platform::Printing* p = device();
  if (s.dc && p) {
    p->delete_dc(s.dc);
    release_fonts();
  }
  reset_state();
  runtime::error_raise(runtime::kErrDeviceUnavailable);
}

}  // namespace

void printer_attach(int32_t mode, const std::string& name, const std::string& document) {
  FpGuard fp;
  if (!detach()) runtime::error_raise(runtime::kErrDeviceIo);
  PrinterState& s = state();
  if (name.size() > kMaxNameLength) {
    attach_failed();
    return;
  }
  platform::Printing* p = device();
  if (mode & 3) {
    if (!p) {
      attach_failed();
      return;
    }
    uint32_t flags = kDialogFlags;
    if (mode & 1) flags |= platform::kPdReturnDefault;
    s.flags &= ~kDialogOk;
    platform::PrintDialogResult r = p->print_dialog(flags, &print_dialog_hook);
    if (r.result == 0) {
      // Cancel (or a closed dialog) is no failure; a dialog that could not work is, whether
      // or not OK was pressed (no printer installed, no default printer, a driver fault):
      // its extended error then says why.
      s.flags &= ~kDialogOk;
      if (r.extended_error != 0) attach_failed();
      return;
    }
    if (!r.dc || !r.has_dev_names) {
      s.dc = r.dc;
      attach_failed();
      return;
    }
    s.dc = r.dc;
    if (r.device_name.empty() || r.device_name.size() > kMaxNameLength) {
      attach_failed();
      return;
    }
    s.name = r.device_name;
    if (r.has_dev_mode) s.dev_mode = std::make_unique<platform::DevMode>(std::move(r.dev_mode));
  } else {
    if (name.empty()) return;
    if (!p) {
      attach_failed();
      return;
    }
    platform::PrinterHandle h = p->open_printer(name);
    if (!h) {
      attach_failed();
      return;
    }
    auto copy = std::make_unique<platform::DevMode>();
    if (p->document_properties(h, name, nullptr) <= 0 ||
        p->document_properties(h, name, copy.get()) <= 0) {
      p->close_printer(h);
      attach_failed();
      return;
    }
    p->close_printer(h);
    s.dc = p->create_dc(name, copy.get());
    if (!s.dc) {
      attach_failed();
      return;
    }
    s.dev_mode = std::move(copy);
    s.name = name;
  }
  if (p->start_doc(s.dc, document.empty() ? std::string("Print job") : document) <= 0) {
    attach_failed();
    return;
  }
  select_default_font();  // the device's own font serves when this fails
  const platform::DevMode* dm = s.dev_mode.get();
  if (dm && (dm->fields & platform::kDmOrientation) &&
      dm->orientation == platform::kOrientLandscape) {
    s.flags |= kLandscape;
  } else {
    s.flags &= ~kLandscape;
  }
  read_metrics();
}

std::string printer_name() {
  return state().name;
}

void printer_ensure_page() {
  ensure_page();
}

void printer_end_page() {
  PrinterState& s = state();
  platform::Printing* p = device();
  if (!s.dc || !p) {
    runtime::error_raise(runtime::kErrDeviceIo);
    return;
  }
  FpGuard fp;
  bool ok = true;
  if (s.flags & kPageOpen) ok = p->end_page(s.dc) > 0;
  s.x = s.y = 0;
  s.flags &= ~kPageOpen;
  if (!ok) runtime::error_raise(runtime::kErrDeviceIo);
}

void printer_abort() {
  PrinterState& s = state();
  platform::Printing* p = device();
  FpGuard fp;
  s.dev_mode.reset();
  if (s.dc && p) {
    p->abort_doc(s.dc);
    if (s.saved_font) p->select_object(s.dc, s.saved_font);
    p->delete_dc(s.dc);
    release_fonts();
  }
  reset_state();
}

}  // namespace printer
