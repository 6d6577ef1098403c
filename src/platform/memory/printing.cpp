#include "platform/memory/printing.h"

#include <algorithm>
#include <cstdlib>

namespace platform::memory {

MemoryPrinting::MemoryPrinting() {
  printers["Memory Printer"] = MemoryPrinterModel{};
}

std::vector<PrintEvent> MemoryPrinting::of_kind(const std::string& kind) const {
  std::vector<PrintEvent> out;
  for (const auto& e : events) {
    if (e.kind == kind) out.push_back(e);
  }
  return out;
}

const LogFont* MemoryPrinting::font(GdiObject f) const {
  auto it = fonts_.find(f);
  return it == fonts_.end() ? nullptr : &it->second;
}

bool MemoryPrinting::fails(const char* call) const {
  return std::find(failing.begin(), failing.end(), call) != failing.end();
}

void MemoryPrinting::record(const char* kind, DeviceContext dc, const std::string& text, int32_t x,
                            int32_t y) {
  events.push_back(PrintEvent{kind, text, x, y, dc});
}

MemoryPrinting::Dc* MemoryPrinting::find(DeviceContext dc) {
  auto it = dcs_.find(dc);
  return it == dcs_.end() ? nullptr : &it->second;
}

DevMode MemoryPrinting::default_mode(const MemoryPrinterModel& m) const {
  DevMode d;
  d.fields = m.dm_fields & m.dm_covered;
  d.covered = m.dm_covered;
  d.orientation = kOrientPortrait;
  d.paper_size = 1;
  d.copies = 1;
  d.print_quality = static_cast<int16_t>(m.dpi);
  d.default_source = 7;
  d.duplex = 1;
  return d;
}

DeviceContext MemoryPrinting::make_dc(const std::string& name, const DevMode* mode) {
  auto it = printers.find(name);
  if (it == printers.end() || fails("create_dc")) return 0;
  Dc dc;
  dc.printer = name;
  dc.model = it->second;
  dc.mode = mode ? *mode : default_mode(dc.model);
  DeviceContext h = next_dc_++;
  dc.font = dc_font_native;
  dcs_[h] = dc;
  return h;
}

PrintDialogResult MemoryPrinting::print_dialog(uint32_t flags, PrintDialogHook hook) {
  ++dialog_calls;
  last_dialog_flags = flags;
  DialogStep step;
  if (!dialog_script.empty()) {
    step = dialog_script.front();
    dialog_script.pop_front();
  }
  record("dialog", 0, step.printer, static_cast<int32_t>(step.kind));
  PrintDialogResult r;
  const DialogWindow window = 0x77;
  if (hook) hook(window, kWmInitDialog, 0, 0);
  switch (step.kind) {
    case DialogStep::kCancel:
      return r;
    case DialogStep::kFail:  // the dialog cannot work at all (no printer, no resources)
      r.extended_error = step.extended_error;
      return r;
    case DialogStep::kOkWithoutReturn:  // OK pressed, then the dialog fails
      if (hook) hook(window, kWmCommand, kIdOk, 0);
      r.extended_error = step.extended_error;
      return r;
    case DialogStep::kOk:
      break;
  }
  if (hook) hook(window, kWmCommand, kIdOk, 0);
  auto it = printers.find(step.printer);
  if (it == printers.end()) {
    r.extended_error = kPdErrNoDefaultPrinter;
    return r;
  }
  r.result = 1;
  DevMode mode = default_mode(it->second);
  r.dc = make_dc(step.printer, &mode);
  r.has_dev_names = true;
  r.device_name = step.printer;
  r.has_dev_mode = it->second.dialog_returns_dev_mode;
  if (r.has_dev_mode) r.dev_mode = mode;
  return r;
}

bool MemoryPrinting::set_foreground_window(DialogWindow window) {
  record("foreground", 0, {}, static_cast<int32_t>(window));
  return true;
}

PrinterHandle MemoryPrinting::open_printer(const std::string& name) {
  record("open_printer", 0, name);
  if (fails("open_printer") || !printers.count(name)) return 0;
  return next_printer_++;
}

bool MemoryPrinting::close_printer(PrinterHandle) {
  record("close_printer", 0);
  return true;
}

int32_t MemoryPrinting::document_properties(PrinterHandle printer, const std::string& name,
                                            DevMode* out) {
  auto it = printers.find(name);
  if (!printer || it == printers.end()) return -1;
  if (out) *out = default_mode(it->second);
  return 156;
}

int32_t MemoryPrinting::device_capabilities(const std::string& name, uint16_t capability,
                                            std::vector<uint16_t>* list) {
  record("capabilities", 0, name, capability);
  auto it = printers.find(name);
  if (it == printers.end()) return -1;
  const MemoryPrinterModel& m = it->second;
  switch (capability) {
    case kDcOrientation:
      return m.orientation_cap;
    case kDcCopies:
      return m.max_copies;
    case kDcDuplex:
      return m.duplex;
    case kDcPapers:
      if (list) *list = m.papers;
      return static_cast<int32_t>(m.papers.size());
    case kDcBins:
      if (list) *list = m.bins;
      return static_cast<int32_t>(m.bins.size());
    default:
      return -1;
  }
}

DeviceContext MemoryPrinting::create_dc(const std::string& name, const DevMode* mode) {
  DeviceContext h = make_dc(name, mode);
  record("create_dc", h, name);
  return h;
}

bool MemoryPrinting::delete_dc(DeviceContext dc) {
  record("delete_dc", dc);
  return dcs_.erase(dc) == 1;
}

DeviceContext MemoryPrinting::reset_dc(DeviceContext dc, const DevMode* mode) {
  Dc* d = find(dc);
  record("reset_dc", dc, {}, mode ? mode->orientation : 0, mode ? mode->copies : 0);
  if (!d || fails("reset_dc")) return 0;
  if (mode) {
    d->mode = *mode;
    last_reset_mode = *mode;
  }
  return dc;
}

int32_t MemoryPrinting::start_doc(DeviceContext dc, const std::string& document_name) {
  Dc* d = find(dc);
  record("start_doc", dc, document_name);
  if (!d || d->doc || fails("start_doc")) return -1;
  d->doc = true;
  return 1;
}

int32_t MemoryPrinting::end_doc(DeviceContext dc) {
  Dc* d = find(dc);
  record("end_doc", dc);
  if (!d || !d->doc || fails("end_doc")) return -1;
  d->doc = false;
  return 1;
}

int32_t MemoryPrinting::abort_doc(DeviceContext dc) {
  Dc* d = find(dc);
  record("abort_doc", dc);
  if (!d || !d->doc) return -1;
  d->doc = false;
  d->page = false;
  return 1;
}

int32_t MemoryPrinting::start_page(DeviceContext dc) {
  Dc* d = find(dc);
  record("start_page", dc);
  if (!d || !d->doc || d->page || fails("start_page")) return -1;
  d->page = true;
  d->x = d->y = 0;
  return 1;
}

int32_t MemoryPrinting::end_page(DeviceContext dc) {
  Dc* d = find(dc);
  record("end_page", dc);
  if (!d || !d->page || fails("end_page")) return -1;
  d->page = false;
  return 1;
}

int32_t MemoryPrinting::device_caps(DeviceContext dc, int32_t index) {
  Dc* d = find(dc);
  if (!d) return 0;
  const MemoryPrinterModel& m = d->model;
  bool turned = d->mode.orientation == kOrientLandscape;
  int32_t pw = turned ? m.paper_height : m.paper_width;
  int32_t ph = turned ? m.paper_width : m.paper_height;
  switch (index) {
    case kHorzRes:
      return pw - 2 * m.margin;
    case kVertRes:
      return ph - 2 * m.margin;
    case kLogPixelsX:
    case kLogPixelsY:
      return m.dpi;
    case kPhysicalWidth:
      return pw;
    case kPhysicalHeight:
      return ph;
    case kPhysicalOffsetX:
    case kPhysicalOffsetY:
      return m.margin;
    default:
      return 0;
  }
}

uint32_t MemoryPrinting::set_text_align(DeviceContext dc, uint32_t align) {
  Dc* d = find(dc);
  record("text_align", dc, {}, static_cast<int32_t>(align));
  if (!d || fails("set_text_align")) return kGdiErrorAlign;
  uint32_t old = d->align;
  d->align = align;
  return old;
}

bool MemoryPrinting::text_out(DeviceContext dc, int32_t x, int32_t y, const std::string& text) {
  Dc* d = find(dc);
  if (!d || !d->page || fails("text_out")) return false;
  bool cp = d->align & kTaUpdateCp;
  int32_t at_x = cp ? d->x : x;
  int32_t at_y = cp ? d->y : y;
  record("text", dc, text, at_x, at_y);
  if (cp) {
    TextMetrics tm;
    text_metrics(dc, tm);
    d->x += tm.ave_char_width * static_cast<int32_t>(text.size());
  }
  return true;
}

bool MemoryPrinting::move_to(DeviceContext dc, int32_t x, int32_t y) {
  Dc* d = find(dc);
  if (!d) return false;
  d->x = x;
  d->y = y;
  return true;
}

bool MemoryPrinting::current_position(DeviceContext dc, int32_t& x, int32_t& y) {
  Dc* d = find(dc);
  if (!d) return false;
  x = d->x;
  y = d->y;
  return true;
}

bool MemoryPrinting::text_metrics(DeviceContext dc, TextMetrics& out) {
  Dc* d = find(dc);
  if (!d) return false;
  auto it = fonts_.find(d->font);
  int32_t em = 50;  // the device's own font
  int32_t weight = 400;
  if (it != fonts_.end()) {
    int32_t h = it->second.height;
    em = h < 0 ? -h : (h * 8 + 4) / 9;
    weight = it->second.weight;
  }
  out.height = (em * 9 + 4) / 8;
  out.internal_leading = out.height - em;
  out.ascent = out.height * 4 / 5;
  out.descent = out.height - out.ascent;
  out.external_leading = em / 20;
  out.ave_char_width = em * 3 / 5;
  out.max_char_width = out.ave_char_width;
  out.weight = weight;
  return true;
}

uint32_t MemoryPrinting::set_text_color(DeviceContext dc, uint32_t rgb) {
  Dc* d = find(dc);
  if (!d) return 0xFFFFFFFFu;
  record("text_color", dc, {}, static_cast<int32_t>(rgb));
  uint32_t old = d->text_color;
  d->text_color = rgb;
  return old;
}

uint32_t MemoryPrinting::set_bk_color(DeviceContext dc, uint32_t rgb) {
  Dc* d = find(dc);
  if (!d) return 0xFFFFFFFFu;
  record("bk_color", dc, {}, static_cast<int32_t>(rgb));
  uint32_t old = d->bk_color;
  d->bk_color = rgb;
  return old;
}

int32_t MemoryPrinting::set_bk_mode(DeviceContext dc, int32_t mode) {
  Dc* d = find(dc);
  if (!d) return 0;
  record("bk_mode", dc, {}, mode);
  int32_t old = d->bk_mode;
  d->bk_mode = mode;
  return old;
}

GdiObject MemoryPrinting::create_font(const LogFont& font) {
  record("create_font", 0, font.face_name, font.height, font.weight);
  fonts_made.push_back(font);
  if (fails("create_font")) return 0;
  GdiObject h = next_font_++;
  fonts_[h] = font;
  return h;
}

GdiObject MemoryPrinting::select_object(DeviceContext dc, GdiObject object) {
  Dc* d = find(dc);
  record("select", dc, {}, static_cast<int32_t>(object));
  if (!d || fails("select_object")) return 0;
  if (object != dc_font_native && !fonts_.count(object)) return 0;
  GdiObject old = d->font;
  d->font = object;
  return old;
}

bool MemoryPrinting::delete_object(GdiObject object) {
  record("delete_object", 0, {}, static_cast<int32_t>(object));
  return fonts_.erase(object) == 1;
}

}  // namespace platform::memory
