// The printing seam: a small interface shaped after the Win32 printing calls the run-time
// makes (the common print dialog, winspool and GDI). Handles are opaque numbers, 0 = none.
// Units are device units (printer dots); colours are RGB as 0x00BBGGRR.
//
// Backends: win32/ (PrintDlgA, winspool, GDI), posix/ (CUPS destinations, pages drawn with
// cairo into a PDF, fonts from fontconfig, a modal dialog over the terminal), memory/ (a
// recorded device with a scripted dialog, for tests).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Printer units: paper is measured in hundredths of a millimetre, type in points.
inline constexpr int32_t kHundredthsMmPerInch = 2540;
inline constexpr int32_t kPointsPerInch = 72;

using DeviceContext = uintptr_t;  // HDC
using GdiObject = uintptr_t;      // HFONT / HGDIOBJ
using PrinterHandle = uintptr_t;  // winspool HANDLE
using DialogWindow = uintptr_t;   // HWND of the print dialog

// SelectObject's failure value besides 0.
inline constexpr GdiObject kGdiError = ~GdiObject{0};
// SetTextAlign's failure value.
inline constexpr uint32_t kGdiErrorAlign = 0xFFFFFFFFu;

// Print dialog flags (PRINTDLGA::Flags).
enum : uint32_t {
  kPdNoSelection = 0x4,
  kPdNoPageNums = 0x8,
  kPdReturnDc = 0x100,
  kPdReturnDefault = 0x400,
  kPdEnablePrintHook = 0x1000,
  kPdUseDevModeCopiesAndCollate = 0x40000,
  kPdHidePrintToFile = 0x100000,
};

// Window messages the dialog hook looks at.
enum : uint32_t { kWmInitDialog = 0x110, kWmCommand = 0x111 };
inline constexpr uintptr_t kIdOk = 1;

// CommDlgExtendedError when the system has no default printer.
inline constexpr uint32_t kPdErrNoDefaultPrinter = 0x1008;

// Device-mode field bits (DEVMODEA::dmFields).
enum : uint32_t {
  kDmOrientation = 0x1,
  kDmPaperSize = 0x2,
  kDmPaperLength = 0x4,
  kDmPaperWidth = 0x8,
  kDmCopies = 0x100,
  kDmDefaultSource = 0x200,
  kDmPrintQuality = 0x400,
  kDmColor = 0x800,
  kDmDuplex = 0x1000,
  kDmCollate = 0x8000,
};
inline constexpr int16_t kOrientPortrait = 1;
inline constexpr int16_t kOrientLandscape = 2;

// The device-mode fields the run-time reads and changes. `driver` carries the backend's full
// native record (for win32 the DEVMODEA bytes with the driver's private part); the backend
// writes the named fields back into it whenever the record is handed to the device.
// `covered` says which named fields (by their kDm bits) the record has room for: an older or
// smaller driver record ends before the later fields, and a setting whose field is missing
// cannot be changed.
struct DevMode {
  uint32_t fields = 0;
  uint32_t covered = ~uint32_t{0};
  int16_t orientation = kOrientPortrait;
  int16_t paper_size = 0;
  int16_t paper_length = 0;  // tenths of a millimetre
  int16_t paper_width = 0;
  int16_t copies = 1;
  int16_t default_source = 0;
  int16_t print_quality = 0;
  int16_t color = 0;
  int16_t duplex = 0;
  int16_t collate = 0;
  std::vector<uint8_t> driver;
};

// DeviceCapabilitiesA indices.
enum : uint16_t {
  kDcPapers = 2,
  kDcBins = 6,
  kDcDuplex = 7,
  kDcOrientation = 17,
  kDcCopies = 18,
};

// GetDeviceCaps indices.
enum : int32_t {
  kHorzRes = 8,
  kVertRes = 10,
  kLogPixelsX = 88,
  kLogPixelsY = 90,
  kPhysicalWidth = 110,
  kPhysicalHeight = 111,
  kPhysicalOffsetX = 112,
  kPhysicalOffsetY = 113,
};

// SetTextAlign / SetBkMode values.
enum : uint32_t { kTaUpdateCp = 1 };
enum : int32_t { kBkTransparent = 1, kBkOpaque = 2 };

// A logical font, like LOGFONTA.
struct LogFont {
  int32_t height = 0;  // negative: character height without internal leading
  int32_t width = 0;
  int32_t escapement = 0;
  int32_t orientation = 0;
  int32_t weight = 400;
  uint8_t italic = 0;
  uint8_t underline = 0;
  uint8_t strike_out = 0;
  uint8_t charset = 0;
  uint8_t out_precision = 0;
  uint8_t clip_precision = 0;
  uint8_t quality = 0;
  uint8_t pitch_and_family = 0;
  char face_name[32] = {};
};

// The text metrics the run-time uses (TEXTMETRICA).
struct TextMetrics {
  int32_t height = 0;
  int32_t ascent = 0;
  int32_t descent = 0;
  int32_t internal_leading = 0;
  int32_t external_leading = 0;
  int32_t ave_char_width = 0;
  int32_t max_char_width = 0;
  int32_t weight = 0;
};

// The print dialog's hook, called on the dialog's messages; returns 0 so that the dialog's
// own processing goes on.
using PrintDialogHook = uintptr_t (*)(DialogWindow dialog, uint32_t message, uintptr_t wparam,
                                      intptr_t lparam);

// What PrintDlgA gives back.
struct PrintDialogResult {
  int32_t result = 0;           // PrintDlgA's return value; 0 = cancelled or failed
  uint32_t extended_error = 0;  // CommDlgExtendedError after a zero result
  DeviceContext dc = 0;         // with kPdReturnDc
  bool has_dev_names = false;
  std::string device_name;  // DEVNAMES' device name
  bool has_dev_mode = false;
  DevMode dev_mode;
};

class Printing {
 public:
  virtual ~Printing() = default;

  // --- common dialog (comdlg32) ---
  virtual PrintDialogResult print_dialog(uint32_t flags, PrintDialogHook hook) = 0;
  virtual bool set_foreground_window(DialogWindow window) = 0;

  // --- spooler (winspool) ---
  virtual PrinterHandle open_printer(const std::string& name) = 0;
  virtual bool close_printer(PrinterHandle printer) = 0;
  // DocumentPropertiesA: with `out` null the size the device mode needs (<= 0 on failure);
  // otherwise fills `out` with the printer's current settings and returns > 0 on success.
  virtual int32_t document_properties(PrinterHandle printer, const std::string& name,
                                      DevMode* out) = 0;
  // DeviceCapabilitiesA: the capability's value; list capabilities also fill `list`.
  virtual int32_t device_capabilities(const std::string& name, uint16_t capability,
                                      std::vector<uint16_t>* list) = 0;

  // --- device contexts and documents (gdi32) ---
  virtual DeviceContext create_dc(const std::string& name, const DevMode* mode) = 0;
  virtual bool delete_dc(DeviceContext dc) = 0;
  virtual DeviceContext reset_dc(DeviceContext dc, const DevMode* mode) = 0;
  virtual int32_t start_doc(DeviceContext dc, const std::string& document_name) = 0;
  virtual int32_t end_doc(DeviceContext dc) = 0;
  virtual int32_t abort_doc(DeviceContext dc) = 0;
  virtual int32_t start_page(DeviceContext dc) = 0;
  virtual int32_t end_page(DeviceContext dc) = 0;
  virtual int32_t device_caps(DeviceContext dc, int32_t index) = 0;

  // --- text ---
  virtual uint32_t set_text_align(DeviceContext dc, uint32_t align) = 0;
  virtual bool text_out(DeviceContext dc, int32_t x, int32_t y, const std::string& text) = 0;
  virtual bool move_to(DeviceContext dc, int32_t x, int32_t y) = 0;
  virtual bool current_position(DeviceContext dc, int32_t& x, int32_t& y) = 0;
  virtual bool text_metrics(DeviceContext dc, TextMetrics& out) = 0;
  virtual uint32_t set_text_color(DeviceContext dc, uint32_t rgb) = 0;
  virtual uint32_t set_bk_color(DeviceContext dc, uint32_t rgb) = 0;
  virtual int32_t set_bk_mode(DeviceContext dc, int32_t mode) = 0;

  // --- objects ---
  virtual GdiObject create_font(const LogFont& font) = 0;
  // SelectObject: the object it replaces; 0 or kGdiError on failure.
  virtual GdiObject select_object(DeviceContext dc, GdiObject object) = 0;
  virtual bool delete_object(GdiObject object) = 0;
};

}  // namespace platform
