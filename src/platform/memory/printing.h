// A recorded printer for tests: every call is kept as an event, the print dialog follows a
// script, and the device is a simple page of fixed metrics whose fonts are measured by a
// fixed rule (height 9/8 of the em, width 3/5 of the em per character).
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/printing.h"

namespace platform::memory {

struct PrintEvent {
  std::string kind;  // "dialog", "start_doc", "start_page", "text", "end_page", "end_doc", ...
  std::string text;  // the text, document name, printer or font face
  int32_t x = 0;     // position of a text; values of settings
  int32_t y = 0;
  DeviceContext dc = 0;
};

struct DialogStep {
  enum Kind { kOk, kCancel, kFail, kOkWithoutReturn };
  Kind kind = kCancel;
  std::string printer;                               // kOk: the chosen printer
  uint32_t extended_error = kPdErrNoDefaultPrinter;  // kFail / kOkWithoutReturn
};

// What a printer of the memory device looks like.
struct MemoryPrinterModel {
  int32_t dpi = 600;
  int32_t paper_width = 5100;  // Letter at 600 dpi
  int32_t paper_height = 6600;
  int32_t margin = 100;          // printable area inset on every side
  int32_t orientation_cap = 90;  // DC_ORIENTATION: 0 = portrait only
  int32_t max_copies = 99;
  int32_t duplex = 1;
  std::vector<uint16_t> papers = {1, 5, 9};
  std::vector<uint16_t> bins = {7, 15};
  uint32_t dm_fields = kDmOrientation | kDmPaperSize | kDmCopies | kDmCollate | kDmColor |
                       kDmPrintQuality | kDmDuplex | kDmDefaultSource;
  bool dialog_returns_dev_mode = true;
  uint32_t dm_covered = ~uint32_t{0};  // the fields the driver's record has room for
};

class MemoryPrinting : public Printing {
 public:
  MemoryPrinting();

  // --- test controls ---
  std::deque<DialogStep> dialog_script;                // empty: Cancel
  std::map<std::string, MemoryPrinterModel> printers;  // known printers by name
  std::vector<PrintEvent> events;
  // Calls that fail on purpose ("start_doc", "start_page", "text_out", "create_font",
  // "select_object", "reset_dc", "end_page", "end_doc", "create_dc", "open_printer",
  // "set_text_align").
  std::vector<std::string> failing;
  int32_t dialog_calls = 0;
  uint32_t last_dialog_flags = 0;
  uint32_t dc_font_native = 0xF0;   // the device context's own font
  std::vector<LogFont> fonts_made;  // every font asked for, in order, deleted ones too

  std::vector<PrintEvent> of_kind(const std::string& kind) const;
  int32_t live_dcs() const { return static_cast<int32_t>(dcs_.size()); }
  int32_t live_fonts() const { return static_cast<int32_t>(fonts_.size()); }
  const LogFont* font(GdiObject f) const;
  // The device mode handed to the last reset_dc (the settings of the last page).
  DevMode last_reset_mode;

  // --- Printing ---
  PrintDialogResult print_dialog(uint32_t flags, PrintDialogHook hook) override;
  bool set_foreground_window(DialogWindow window) override;
  PrinterHandle open_printer(const std::string& name) override;
  bool close_printer(PrinterHandle printer) override;
  int32_t document_properties(PrinterHandle printer, const std::string& name,
                              DevMode* out) override;
  int32_t device_capabilities(const std::string& name, uint16_t capability,
                              std::vector<uint16_t>* list) override;
  DeviceContext create_dc(const std::string& name, const DevMode* mode) override;
  bool delete_dc(DeviceContext dc) override;
  DeviceContext reset_dc(DeviceContext dc, const DevMode* mode) override;
  int32_t start_doc(DeviceContext dc, const std::string& document_name) override;
  int32_t end_doc(DeviceContext dc) override;
  int32_t abort_doc(DeviceContext dc) override;
  int32_t start_page(DeviceContext dc) override;
  int32_t end_page(DeviceContext dc) override;
  int32_t device_caps(DeviceContext dc, int32_t index) override;
  uint32_t set_text_align(DeviceContext dc, uint32_t align) override;
  bool text_out(DeviceContext dc, int32_t x, int32_t y, const std::string& text) override;
  bool move_to(DeviceContext dc, int32_t x, int32_t y) override;
  bool current_position(DeviceContext dc, int32_t& x, int32_t& y) override;
  bool text_metrics(DeviceContext dc, TextMetrics& out) override;
  uint32_t set_text_color(DeviceContext dc, uint32_t rgb) override;
  uint32_t set_bk_color(DeviceContext dc, uint32_t rgb) override;
  int32_t set_bk_mode(DeviceContext dc, int32_t mode) override;
  GdiObject create_font(const LogFont& font) override;
  GdiObject select_object(DeviceContext dc, GdiObject object) override;
  bool delete_object(GdiObject object) override;

 private:
  struct Dc {
    std::string printer;
    MemoryPrinterModel model;
    DevMode mode;
    bool doc = false;
    bool page = false;
    uint32_t align = 0;
    int32_t x = 0, y = 0;
    GdiObject font = 0;
    uint32_t text_color = 0, bk_color = 0xFFFFFF;
    int32_t bk_mode = kBkOpaque;
  };
  bool fails(const char* call) const;
  void record(const char* kind, DeviceContext dc, const std::string& text = {}, int32_t x = 0,
              int32_t y = 0);
  Dc* find(DeviceContext dc);
  DevMode default_mode(const MemoryPrinterModel& m) const;
  DeviceContext make_dc(const std::string& name, const DevMode* mode);

  std::map<DeviceContext, Dc> dcs_;
  std::map<GdiObject, LogFont> fonts_;
  DeviceContext next_dc_ = 0x100;
  GdiObject next_font_ = 0x1000;
  PrinterHandle next_printer_ = 0x10;
};

}  // namespace platform::memory
