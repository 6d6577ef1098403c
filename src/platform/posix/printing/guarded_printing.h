// The printing module's side of its seam with the program. The program calls the module
// through this Printing and knows nothing of C++ exceptions from it: whatever a call throws
// (an allocation that fails, a thread that cannot be started, a library that throws) ends as
// that call's failure value, as a Windows printing call reports a failure. The dialog's box is
// taken away when the dialog fails, so that the screen beneath is shown again.
#pragma once

#include "platform/printing.h"

namespace platform::posix {

// PrintDlgA's extended errors for a dialog that failed: out of memory, or any other failure
// before the user could choose (CDERR_MEMALLOCFAILURE, CDERR_INITIALIZATION).
inline constexpr uint32_t kCdErrMemAllocFailure = 0x0009;
inline constexpr uint32_t kCdErrInitialization = 0x0002;

class GuardedPrinting final : public Printing {
 public:
  explicit GuardedPrinting(Printing& inner) : inner_(inner) {}

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
  Printing& inner_;
};

}  // namespace platform::posix
