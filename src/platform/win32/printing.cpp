// Printing on Windows: the common print dialog, the spooler and GDI, called as they are.
#include <windows.h>
// windows.h first: the dialog and spooler headers build on its types.
#include <commdlg.h>
#include <winspool.h>

#include <cstddef>
#include <cstring>

#include "platform/printing.h"
#include "platform/win32/devmode.h"
#include "platform/win32/services.h"

namespace platform::win32 {
namespace {

PrintDialogHook g_hook = nullptr;

UINT_PTR CALLBACK print_hook(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!g_hook) return 0;
  return g_hook(reinterpret_cast<DialogWindow>(dialog), message, wparam, lparam);
}

HDC hdc(DeviceContext dc) {
  return reinterpret_cast<HDC>(dc);
}

// Where each named field lives in a DEVMODEA record. A driver's record may be shorter than
// today's DEVMODEA (its dmSize says how long); only the fields that lie inside it exist.
using DevModeField = int16_t DevMode::*;
struct FieldPlace {
  uint32_t bit;
  size_t offset;
  DevModeField member;
};
const FieldPlace kFieldPlaces[] = {
    {kDmOrientation, offsetof(DEVMODEA, dmOrientation), &DevMode::orientation},
    {kDmPaperSize, offsetof(DEVMODEA, dmPaperSize), &DevMode::paper_size},
    {kDmPaperLength, offsetof(DEVMODEA, dmPaperLength), &DevMode::paper_length},
    {kDmPaperWidth, offsetof(DEVMODEA, dmPaperWidth), &DevMode::paper_width},
    {kDmCopies, offsetof(DEVMODEA, dmCopies), &DevMode::copies},
    {kDmDefaultSource, offsetof(DEVMODEA, dmDefaultSource), &DevMode::default_source},
    {kDmPrintQuality, offsetof(DEVMODEA, dmPrintQuality), &DevMode::print_quality},
    {kDmColor, offsetof(DEVMODEA, dmColor), &DevMode::color},
    {kDmDuplex, offsetof(DEVMODEA, dmDuplex), &DevMode::duplex},
    {kDmCollate, offsetof(DEVMODEA, dmCollate), &DevMode::collate},
};
constexpr size_t kFieldsEnd = offsetof(DEVMODEA, dmFields) + sizeof(DWORD);

// The length of the public part of a record of `size` bytes: its dmSize, when that fits.
size_t public_size(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < kFieldsEnd) return 0;
  WORD dm_size;
  std::memcpy(&dm_size, bytes.data() + offsetof(DEVMODEA, dmSize), sizeof dm_size);
  return dm_size < bytes.size() ? dm_size : bytes.size();
}

// The print dialog and the spooler, loaded the first time the program prints rather than
// imported. Wine's spooler library asks the print server for its printers as it loads: an
// import would hold up every start, the check for a console included, for as long as a
// server takes to answer (minutes for one that accepts and never replies). A function whose
// library cannot be loaded stays null, and its call fails as the call itself would.
struct PrintLibraries {
  decltype(&PrintDlgA) print_dlg = nullptr;
  decltype(&CommDlgExtendedError) extended_error = nullptr;
  decltype(&OpenPrinterA) open_printer = nullptr;
  decltype(&ClosePrinter) close_printer = nullptr;
  decltype(&DocumentPropertiesA) document_properties = nullptr;
  decltype(&DeviceCapabilitiesA) device_capabilities = nullptr;
  decltype(&EnumPrintersA) enum_printers = nullptr;
};

template <typename F>
void resolve(HMODULE library, const char* name, F& out) {
  FARPROC f = library ? GetProcAddress(library, name) : nullptr;
  static_assert(sizeof out == sizeof f);
  std::memcpy(&out, &f, sizeof out);
}

// A system library from the system folder only, never a file of that name beside the program;
// systems too old to restrict the search (no LOAD_LIBRARY_SEARCH_SYSTEM32) search as imports do.
HMODULE load_system_library(const char* name) {
  HMODULE m = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!m && GetLastError() == ERROR_INVALID_PARAMETER) m = LoadLibraryA(name);
  return m;
}

const PrintLibraries& libraries() {
  static const PrintLibraries loaded = [] {
    PrintLibraries l;
    HMODULE spooler = load_system_library("winspool.drv");
    resolve(spooler, "OpenPrinterA", l.open_printer);
    resolve(spooler, "ClosePrinter", l.close_printer);
    resolve(spooler, "DocumentPropertiesA", l.document_properties);
    resolve(spooler, "DeviceCapabilitiesA", l.device_capabilities);
    resolve(spooler, "EnumPrintersA", l.enum_printers);
    HMODULE dialogs = load_system_library("comdlg32.dll");
    resolve(dialogs, "PrintDlgA", l.print_dlg);
    resolve(dialogs, "CommDlgExtendedError", l.extended_error);
    return l;
  }();
  return loaded;
}

// CommDlgExtendedError when the dialog library itself is missing.
constexpr DWORD kDialogInitialisationFailed = 0x0002;

// False only when the spooler says for certain that no printer, local or connected, is
// installed; when it cannot say, true.
bool any_printer_installed() {
  const auto enum_printers = libraries().enum_printers;
  if (!enum_printers) return true;
  DWORD needed = 0;
  DWORD count = 0;
  const DWORD where = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
  if (enum_printers(where, nullptr, 4, nullptr, 0, &needed, &count)) return count > 0;
  return GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed > 0;
}

}  // namespace

DevMode devmode_from_native(const void* bytes, size_t size) {
  DevMode m;
  m.driver.assign(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + size);
  m.covered = 0;
  const size_t end = public_size(m.driver);
  if (end < kFieldsEnd) return m;
  DWORD fields;
  std::memcpy(&fields, m.driver.data() + offsetof(DEVMODEA, dmFields), sizeof fields);
  for (const FieldPlace& f : kFieldPlaces) {
    if (f.offset + sizeof(int16_t) > end) continue;
    m.covered |= f.bit;
    std::memcpy(&(m.*f.member), m.driver.data() + f.offset, sizeof(int16_t));
  }
  m.fields = fields & m.covered;
  return m;
}

std::vector<uint8_t> devmode_to_native(const DevMode& m) {
  // The driver's record, its size unchanged, with every named field it has room for written
  // back; empty when there is no record to carry them (the device keeps its own settings).
  std::vector<uint8_t> bytes = m.driver;
  const size_t end = public_size(bytes);
  if (end < kFieldsEnd) return {};
  DWORD fields;
  std::memcpy(&fields, bytes.data() + offsetof(DEVMODEA, dmFields), sizeof fields);
  uint32_t room = 0;
  for (const FieldPlace& f : kFieldPlaces) {
    if (f.offset + sizeof(int16_t) > end) continue;
    room |= f.bit;
    std::memcpy(bytes.data() + f.offset, &(m.*f.member), sizeof(int16_t));
  }
  // Bits of fields the record lacks, or that the run-time does not name, stay as they were.
  fields = (fields & ~room) | (m.fields & room);
  std::memcpy(bytes.data() + offsetof(DEVMODEA, dmFields), &fields, sizeof fields);
  return bytes;
}

namespace {

class Win32Printing : public Printing {
 public:
  PrintDialogResult print_dialog(uint32_t flags, PrintDialogHook hook) override {
    PrintDialogResult r;
    const PrintLibraries& lib = libraries();
    if (!lib.print_dlg || !lib.extended_error) {
      r.extended_error = kDialogInitialisationFailed;
      return r;
    }
    PRINTDLGA pd;
    std::memset(&pd, 0, sizeof pd);
    pd.lStructSize = sizeof pd;
    pd.Flags = flags;
    pd.lpfnPrintHook = &print_hook;
    g_hook = hook;
    r.result = lib.print_dlg(&pd);
    g_hook = nullptr;
    if (r.result == 0) {
      r.extended_error = lib.extended_error();
      // Some dialogs (Wine's) tell the user to install a printer and then return as from a
      // cancel, with no extended error. Nothing to print on is a failure, not a choice:
      // report it as Windows itself does when there is no default printer.
      if (r.extended_error == 0 && !any_printer_installed()) {
        r.extended_error = kPdErrNoDefaultPrinter;
      }
      return r;
    }
    r.dc = reinterpret_cast<DeviceContext>(pd.hDC);
    if (pd.hDevNames) {
      if (auto* names = static_cast<DEVNAMES*>(GlobalLock(pd.hDevNames))) {
        r.has_dev_names = true;
        r.device_name = reinterpret_cast<const char*>(names) + names->wDeviceOffset;
        GlobalUnlock(pd.hDevNames);
      }
      GlobalFree(pd.hDevNames);
    }
    if (pd.hDevMode) {
      if (auto* dm = static_cast<DEVMODEA*>(GlobalLock(pd.hDevMode))) {
        r.has_dev_mode = true;
        r.dev_mode = devmode_from_native(dm, static_cast<size_t>(dm->dmSize) + dm->dmDriverExtra);
        GlobalUnlock(pd.hDevMode);
      }
      GlobalFree(pd.hDevMode);
    }
    return r;
  }

  bool set_foreground_window(DialogWindow window) override {
    return SetForegroundWindow(reinterpret_cast<HWND>(window)) != 0;
  }

  PrinterHandle open_printer(const std::string& name) override {
    const auto open = libraries().open_printer;
    HANDLE h = nullptr;
    std::string copy = name;
    if (!open || !open(copy.data(), &h, nullptr)) return 0;
    return reinterpret_cast<PrinterHandle>(h);
  }

  bool close_printer(PrinterHandle printer) override {
    const auto close = libraries().close_printer;
    return close && close(reinterpret_cast<HANDLE>(printer)) != 0;
  }

  int32_t document_properties(PrinterHandle printer, const std::string& name,
                              DevMode* out) override {
    const auto properties = libraries().document_properties;
    if (!properties) return -1;
    std::string copy = name;
    HANDLE h = reinterpret_cast<HANDLE>(printer);
    LONG n = properties(nullptr, h, copy.data(), nullptr, nullptr, 0);
    if (!out || n <= 0) return n;
    std::vector<uint8_t> bytes(static_cast<size_t>(n));
    LONG r = properties(nullptr, h, copy.data(), reinterpret_cast<DEVMODEA*>(bytes.data()), nullptr,
                        DM_OUT_BUFFER);
    if (r <= 0) return r;
    *out = devmode_from_native(bytes.data(), bytes.size());
    return r;
  }

  int32_t device_capabilities(const std::string& name, uint16_t capability,
                              std::vector<uint16_t>* list) override {
    const auto capabilities = libraries().device_capabilities;
    if (!capabilities) return -1;
    int n = capabilities(name.c_str(), nullptr, capability, nullptr, nullptr);
    bool is_list = capability == kDcPapers || capability == kDcBins;
    if (!list || !is_list || n <= 0) return n;
    list->assign(static_cast<size_t>(n), 0);
    int got = capabilities(name.c_str(), nullptr, capability, reinterpret_cast<LPSTR>(list->data()),
                           nullptr);
    if (got < 0) got = 0;
    list->resize(static_cast<size_t>(got < n ? got : n));
    return n;
  }

  DeviceContext create_dc(const std::string& name, const DevMode* mode) override {
    std::vector<uint8_t> dm;
    if (mode) dm = devmode_to_native(*mode);
    HDC h = CreateDCA(nullptr, name.c_str(), nullptr,
                      dm.empty() ? nullptr : reinterpret_cast<const DEVMODEA*>(dm.data()));
    return reinterpret_cast<DeviceContext>(h);
  }

  bool delete_dc(DeviceContext dc) override { return DeleteDC(hdc(dc)) != 0; }

  DeviceContext reset_dc(DeviceContext dc, const DevMode* mode) override {
    std::vector<uint8_t> dm;
    if (mode) dm = devmode_to_native(*mode);
    if (dm.empty()) return dc;  // nothing to apply
    HDC h = ResetDCA(hdc(dc), reinterpret_cast<const DEVMODEA*>(dm.data()));
    return reinterpret_cast<DeviceContext>(h);
  }

  int32_t start_doc(DeviceContext dc, const std::string& document_name) override {
    DOCINFOA info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.lpszDocName = document_name.c_str();
    return StartDocA(hdc(dc), &info);
  }

  int32_t end_doc(DeviceContext dc) override { return EndDoc(hdc(dc)); }
  int32_t abort_doc(DeviceContext dc) override { return AbortDoc(hdc(dc)); }
  int32_t start_page(DeviceContext dc) override { return StartPage(hdc(dc)); }
  int32_t end_page(DeviceContext dc) override { return EndPage(hdc(dc)); }
  int32_t device_caps(DeviceContext dc, int32_t index) override {
    return GetDeviceCaps(hdc(dc), index);
  }

  uint32_t set_text_align(DeviceContext dc, uint32_t align) override {
    return SetTextAlign(hdc(dc), align);
  }

  bool text_out(DeviceContext dc, int32_t x, int32_t y, const std::string& text) override {
    return TextOutA(hdc(dc), x, y, text.data(), static_cast<int>(text.size())) != 0;
  }

  bool move_to(DeviceContext dc, int32_t x, int32_t y) override {
    return MoveToEx(hdc(dc), x, y, nullptr) != 0;
  }

  bool current_position(DeviceContext dc, int32_t& x, int32_t& y) override {
    POINT p;
    if (!GetCurrentPositionEx(hdc(dc), &p)) return false;
    x = p.x;
    y = p.y;
    return true;
  }

  bool text_metrics(DeviceContext dc, TextMetrics& out) override {
    TEXTMETRICA tm;
    if (!GetTextMetricsA(hdc(dc), &tm)) return false;
    out.height = tm.tmHeight;
    out.ascent = tm.tmAscent;
    out.descent = tm.tmDescent;
    out.internal_leading = tm.tmInternalLeading;
    out.external_leading = tm.tmExternalLeading;
    out.ave_char_width = tm.tmAveCharWidth;
    out.max_char_width = tm.tmMaxCharWidth;
    out.weight = tm.tmWeight;
    return true;
  }

  uint32_t set_text_color(DeviceContext dc, uint32_t rgb) override {
    return SetTextColor(hdc(dc), rgb);
  }
  uint32_t set_bk_color(DeviceContext dc, uint32_t rgb) override {
    return SetBkColor(hdc(dc), rgb);
  }
  int32_t set_bk_mode(DeviceContext dc, int32_t mode) override { return SetBkMode(hdc(dc), mode); }

  GdiObject create_font(const LogFont& font) override {
    LOGFONTA lf;
    std::memset(&lf, 0, sizeof lf);
    lf.lfHeight = font.height;
    lf.lfWidth = font.width;
    lf.lfEscapement = font.escapement;
    lf.lfOrientation = font.orientation;
    lf.lfWeight = font.weight;
    lf.lfItalic = font.italic;
    lf.lfUnderline = font.underline;
    lf.lfStrikeOut = font.strike_out;
    lf.lfCharSet = font.charset;
    lf.lfOutPrecision = font.out_precision;
    lf.lfClipPrecision = font.clip_precision;
    lf.lfQuality = font.quality;
    lf.lfPitchAndFamily = font.pitch_and_family;
    static_assert(sizeof lf.lfFaceName == sizeof font.face_name);
    std::memcpy(lf.lfFaceName, font.face_name, sizeof lf.lfFaceName);
    lf.lfFaceName[sizeof lf.lfFaceName - 1] = '\0';
    return reinterpret_cast<GdiObject>(CreateFontIndirectA(&lf));
  }

  GdiObject select_object(DeviceContext dc, GdiObject object) override {
    HGDIOBJ old = SelectObject(hdc(dc), reinterpret_cast<HGDIOBJ>(object));
    if (old == HGDI_ERROR) return kGdiError;
    return reinterpret_cast<GdiObject>(old);
  }

  bool delete_object(GdiObject object) override {
    return DeleteObject(reinterpret_cast<HGDIOBJ>(object)) != 0;
  }
};

}  // namespace

Printing* printing() {
  static Win32Printing instance;
  return &instance;
}

}  // namespace platform::win32
