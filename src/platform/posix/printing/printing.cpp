// Printing on POSIX: CUPS destinations as printers, each document drawn with cairo into a PDF
// on a 600-dot-per-inch device and handed to CUPS as one job when it ends; the built-in
// "Save as PDF" printer writes the next free C:\TEMP\PRINT-JOB-NNN.PDF instead.
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "platform/files.h"
#include "platform/keyboard_layout.h"
#include "platform/posix/print_module.h"
#include "platform/posix/printing/cups.h"
#include "platform/posix/printing/dialog.h"
#include "platform/posix/printing/fonts.h"
#include "platform/posix/printing/pdf.h"
#include "platform/posix/services.h"
#include "platform/printing.h"

namespace platform::posix {
namespace {

constexpr int32_t kDpi = 600;
constexpr GdiObject kStockFont = 0x10;  // the font a new device context starts with
// The device-mode fields every destination takes; duplex is added where the destination
// prints on both sides.
constexpr uint32_t kDevModeFields = kDmOrientation | kDmPaperSize | kDmCopies | kDmCollate;

struct PosixDc {
  std::string printer;
  bool to_file = false;
  DevMode mode;
  Media base_media;  // the destination's default paper
  PageGeometry page;
  std::unique_ptr<PdfCanvas> canvas;
  std::string title;
  uint32_t align = 0;
  int32_t x = 0, y = 0;
  GdiObject font = kStockFont;
  uint32_t text_color = 0, bk_color = 0xFFFFFF;
  int32_t bk_mode = kBkOpaque;
};

// Writes `pdf` to the next free C:\TEMP\PRINT-JOB-NNN.PDF through the file system's drive
// mapping; never replaces an earlier file. A file that could not be written whole (a full
// disk, a failing device) is removed again: a truncated PDF is unreadable and keeps the disk
// full.
bool save_pdf(const std::string& pdf) {
  FileSystem* fs = host_file_system();
  if (!fs) return false;
  // Made as the save flow makes it, so that whichever comes first the drive shows one
  // spelling (names match without regard to case, so both always share the folder).
  if (fs->get_file_attributes(kTempFolder) == kInvalidFileAttributes) {
    fs->create_directory(kTempFolder);
  }
  std::string folder = kTempFolder;  // in capitals in the path, as the save flow shows it
  for (char& c : folder) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (int n = 1; n <= 999; ++n) {
    char name[24];
    std::snprintf(name, sizeof name, "\\PRINT-JOB-%03d.PDF", n);
    const std::string path = folder + name;
    FileHandle h =
        fs->create_file(path.c_str(), kGenericWrite, 0, false, kCreateNew, kAttributeNormal);
    if (h == kInvalidFileHandle) {
      if (fs->get_file_attributes(path.c_str()) != kInvalidFileAttributes) continue;  // taken
      return false;
    }
    size_t done = 0;
    bool ok = true;
    while (ok && done < pdf.size()) {
      uint32_t chunk = static_cast<uint32_t>(std::min<size_t>(pdf.size() - done, 1u << 20));
      uint32_t written = 0;
      ok = fs->write_file(h, pdf.data() + done, chunk, &written) && written == chunk;
      done += written;
    }
    ok = fs->close_handle(h) && ok;
    if (!ok) fs->delete_file(path.c_str());
    return ok;
  }
  return false;
}

class PosixPrinting : public Printing {
 public:
  PrintDialogResult print_dialog(uint32_t flags, PrintDialogHook hook) override {
    PrintDialogResult r;
    std::string name;
    int32_t copies = 1;
    if (flags & kPdReturnDefault) {
      // The default destination, without a dialog. None (or no answer in time) is what a
      // system without a default printer gives: the caller reports the failure.
      CupsLimit limit;
      limit.budget_ms = kDestinationsBudgetMs;
      std::vector<Destination> dests = cups_destinations(limit);
      if (dests.empty() || !dests.front().is_default) {
        r.extended_error = kPdErrNoDefaultPrinter;
        return r;
      }
      name = dests.front().name;
    } else {
      DialogScreen* screen = open_dialog_screen();
      if (screen == nullptr) return r;  // no terminal to ask on: as if cancelled
      // The box comes up at once with "Save as PDF"; the server's destinations join it as
      // they answer, from a search on a thread of its own.
      DestinationSearch search;
      DestinationSource more = [&search](std::vector<Destination>& found) {
        return search.poll(found);
      };
      PrintDialogModel model({});
      auto forward = [hook](uint32_t message, uintptr_t wparam) {
        if (hook) hook(kDialogWindow, message, wparam, 0);
      };
      if (run_print_dialog(model, *screen, forward, more) != PrintDialogModel::State::kOk) {
        return r;
      }
      name = model.choice().name;
      copies = model.copies();
    }
    DevMode mode = defaults(name);
    if (mode.fields & kDmCopies) mode.copies = static_cast<int16_t>(copies);
    r.dc = (flags & kPdReturnDc) ? create_dc(name, &mode) : 0;
    if ((flags & kPdReturnDc) && !r.dc) {
      r.extended_error = 0x1007;  // the printer could not be opened
      return r;
    }
    r.result = 1;
    r.has_dev_names = true;
    r.device_name = name;
    r.has_dev_mode = true;
    r.dev_mode = mode;
    return r;
  }

  bool set_foreground_window(DialogWindow) override { return true; }

  PrinterHandle open_printer(const std::string& name) override {
    if (!known(name)) return 0;
    PrinterHandle h = next_printer_++;
    open_[h] = name;
    return h;
  }

  bool close_printer(PrinterHandle printer) override { return open_.erase(printer) == 1; }

  int32_t document_properties(PrinterHandle printer, const std::string& name,
                              DevMode* out) override {
    if (!open_.count(printer)) return -1;
    if (out) *out = defaults(name);
    return static_cast<int32_t>(sizeof(DevMode));
  }

  int32_t device_capabilities(const std::string& name, uint16_t capability,
                              std::vector<uint16_t>* list) override {
    if (!known(name)) return -1;
    switch (capability) {
      case kDcOrientation:
        return 90;
      case kDcCopies:
        return name == kSaveAsPdf ? 1 : 99;
      case kDcDuplex:
        return name != kSaveAsPdf && info(name).duplex ? 1 : 0;
      case kDcPapers:
        if (list) {
          list->clear();
          for (const Paper& p : known_papers()) list->push_back(static_cast<uint16_t>(p.code));
        }
        return static_cast<int32_t>(known_papers().size());
      case kDcBins:
        if (list) *list = {7};  // automatic selection
        return 1;
      default:
        return -1;
    }
  }

  DeviceContext create_dc(const std::string& name, const DevMode* mode) override {
    if (!known(name)) return 0;
    auto dc = std::make_unique<PosixDc>();
    dc->printer = name;
    dc->to_file = name == kSaveAsPdf;
    dc->base_media = dc->to_file ? system_paper(kDpi) : info(name).media;
    dc->mode = mode ? *mode : defaults(name);
    apply(*dc);
    DeviceContext h = next_dc_++;
    dcs_[h] = std::move(dc);
    return h;
  }

  bool delete_dc(DeviceContext dc) override { return dcs_.erase(dc) == 1; }

  DeviceContext reset_dc(DeviceContext dc, const DevMode* mode) override {
    PosixDc* d = find(dc);
    if (!d || (d->canvas && d->canvas->in_page())) return 0;
    if (mode) d->mode = *mode;
    apply(*d);
    return dc;
  }

  int32_t start_doc(DeviceContext dc, const std::string& document_name) override {
    PosixDc* d = find(dc);
    if (!d || d->canvas) return -1;
    d->canvas = std::make_unique<PdfCanvas>();
    d->title = document_name.empty() ? "Print job" : document_name;
    if (!d->canvas->begin(d->title)) {
      d->canvas.reset();
      return -1;
    }
    return 1;
  }

  int32_t end_doc(DeviceContext dc) override {
    PosixDc* d = find(dc);
    if (!d || !d->canvas) return -1;
    std::string pdf;
    bool ok = d->canvas->finish(pdf);
    int32_t pages = d->canvas->pages();
    d->canvas.reset();
    if (!ok) return -1;
    if (pages == 0) return 1;  // an empty document prints nothing
    if (d->to_file) return save_pdf(pdf) ? 1 : -1;
    JobOptions job;
    const DevMode& m = d->mode;
    if (m.fields & kDmCopies) job.copies = m.copies;
    job.media = media(*d).name;
    if ((m.fields & kDmDuplex) && m.duplex >= 1 && m.duplex <= 3) job.duplex = m.duplex;
    if (m.fields & kDmCollate) job.collate = m.collate ? 1 : 0;
    CupsLimit limit;
    limit.budget_ms = kJobBudgetMs;
    limit.cancelled = escape_watch();
    std::string reason;
    return cups_submit_pdf(d->printer, d->title, pdf, job, limit, reason) ? 1 : -1;
  }

  int32_t abort_doc(DeviceContext dc) override {
    PosixDc* d = find(dc);
    if (!d || !d->canvas) return -1;
    d->canvas.reset();
    return 1;
  }

  int32_t start_page(DeviceContext dc) override {
    PosixDc* d = find(dc);
    if (!d || !d->canvas || !d->canvas->start_page(d->page)) return -1;
    d->x = d->y = 0;
    return 1;
  }

  int32_t end_page(DeviceContext dc) override {
    PosixDc* d = find(dc);
    if (!d || !d->canvas || !d->canvas->end_page()) return -1;
    return 1;
  }

  int32_t device_caps(DeviceContext dc, int32_t index) override {
    PosixDc* d = find(dc);
    if (!d) return 0;
    const PageGeometry& g = d->page;
    switch (index) {
      case kHorzRes:
        return g.printable_width;
      case kVertRes:
        return g.printable_height;
      case kLogPixelsX:
      case kLogPixelsY:
        return g.dpi;
      case kPhysicalWidth:
        return g.paper_width;
      case kPhysicalHeight:
        return g.paper_height;
      case kPhysicalOffsetX:
        return g.offset_x;
      case kPhysicalOffsetY:
        return g.offset_y;
      default:
        return 0;
    }
  }

  uint32_t set_text_align(DeviceContext dc, uint32_t align) override {
    PosixDc* d = find(dc);
    if (!d) return kGdiErrorAlign;
    uint32_t old = d->align;
    d->align = align;
    return old;
  }

  bool text_out(DeviceContext dc, int32_t x, int32_t y, const std::string& text) override {
    PosixDc* d = find(dc);
    const PrinterFont* f = d ? font_of(*d) : nullptr;
    if (!f || !d->canvas || !d->canvas->in_page()) return false;
    bool cp = d->align & kTaUpdateCp;
    int32_t width = d->canvas->draw_text(*f, cp ? d->x : x, cp ? d->y : y, text, d->text_color,
                                         d->bk_mode == kBkOpaque, d->bk_color);
    if (cp) {
      // The current position moves along the baseline, turned with the text.
      const double angle = f->logical().escapement * 3.14159265358979323846 / 1800.0;
      d->x += static_cast<int32_t>(std::lround(width * std::cos(angle)));
      d->y -= static_cast<int32_t>(std::lround(width * std::sin(angle)));
    }
    return true;
  }

  bool move_to(DeviceContext dc, int32_t x, int32_t y) override {
    PosixDc* d = find(dc);
    if (!d) return false;
    d->x = x;
    d->y = y;
    return true;
  }

  bool current_position(DeviceContext dc, int32_t& x, int32_t& y) override {
    PosixDc* d = find(dc);
    if (!d) return false;
    x = d->x;
    y = d->y;
    return true;
  }

  bool text_metrics(DeviceContext dc, TextMetrics& out) override {
    PosixDc* d = find(dc);
    const PrinterFont* f = d ? font_of(*d) : nullptr;
    if (!f) return false;
    out = f->metrics();
    return true;
  }

  uint32_t set_text_color(DeviceContext dc, uint32_t rgb) override {
    PosixDc* d = find(dc);
    if (!d) return 0xFFFFFFFFu;
    std::swap(d->text_color, rgb);
    return rgb;
  }

  uint32_t set_bk_color(DeviceContext dc, uint32_t rgb) override {
    PosixDc* d = find(dc);
    if (!d) return 0xFFFFFFFFu;
    std::swap(d->bk_color, rgb);
    return rgb;
  }

  int32_t set_bk_mode(DeviceContext dc, int32_t mode) override {
    PosixDc* d = find(dc);
    if (!d) return 0;
    std::swap(d->bk_mode, mode);
    return mode;
  }

  GdiObject create_font(const LogFont& font) override {
    auto f = PrinterFont::make(font, kDpi);
    if (!f) return 0;
    GdiObject h = next_font_++;
    fonts_[h] = std::move(f);
    return h;
  }

  GdiObject select_object(DeviceContext dc, GdiObject object) override {
    PosixDc* d = find(dc);
    if (!d || (object != kStockFont && !fonts_.count(object))) return 0;
    GdiObject old = d->font;
    d->font = object;
    return old;
  }

  bool delete_object(GdiObject object) override {
    for (const auto& [h, d] : dcs_) {
      if (d->font == object) return false;  // still selected
    }
    return fonts_.erase(object) == 1;
  }

 private:
  static constexpr DialogWindow kDialogWindow = 1;

  bool known(const std::string& name) {
    return name == kSaveAsPdf || (!name.empty() && info(name).found);
  }

  // What the server says of destination `name`. An answer is kept for a little while, so
  // that one print (dialog, device context, capabilities) asks the server once; a missing
  // answer is kept only for the moment, so that one silent server costs one wait per print.
  const DestinationInfo& info(const std::string& name) {
    auto now = std::chrono::steady_clock::now();
    auto it = info_.find(name);
    if (it != info_.end() &&
        now - info_time_[name] < (it->second.found ? kInfoLifetime : kNoAnswerLifetime)) {
      return it->second;
    }
    CupsLimit limit;
    limit.budget_ms = kDestinationInfoBudgetMs;
    limit.cancelled = escape_watch();
    info_[name] = cups_destination_info(name, kDpi, limit);
    info_time_[name] = std::chrono::steady_clock::now();
    return info_[name];
  }

  DevMode defaults(const std::string& name) {
    DevMode m;
    m.fields = kDevModeFields;
    m.orientation = kOrientPortrait;
    m.copies = 1;
    m.collate = 1;
    if (name == kSaveAsPdf) {
      // "Save as PDF" writes one file per document: it takes no copies (nor collation).
      m.fields &= ~(kDmCopies | kDmCollate);
      m.paper_size = system_paper(kDpi).code;
      return m;
    }
    const DestinationInfo& dest = info(name);
    m.paper_size = dest.media.code;
    if (!dest.collate) m.fields &= ~kDmCollate;
    // Duplex is left to the destination's own default until a program asks for it.
    if (dest.duplex) m.fields |= kDmDuplex;
    return m;
  }

  // While a job is handed over, Esc on the terminal gives up on it. Other keys typed in that
  // time are dropped: the wait is short, and the printing box is up.
  static std::function<bool()> escape_watch() {
    DialogScreen* screen = open_dialog_screen();
    if (screen == nullptr) return {};
    return [screen] {
      std::optional<InputEvent> ev;
      while (screen->key(ev, 0) && ev) {
        if (ev->virtual_key == kVkEscape) return true;
      }
      return false;
    };
  }

  static Media media(const PosixDc& d) {
    if (!(d.mode.fields & kDmPaperSize) || d.mode.paper_size == 0) return d.base_media;
    return media_for_paper(d.mode.paper_size, d.base_media, kDpi);
  }

  // The page the device mode describes: paper, then orientation.
  static void apply(PosixDc& d) {
    PageGeometry g = media(d).geometry;
    if ((d.mode.fields & kDmOrientation) && d.mode.orientation == kOrientLandscape) {
      int32_t right = g.paper_width - g.offset_x - g.printable_width;
      PageGeometry t = g;
      t.paper_width = g.paper_height;
      t.paper_height = g.paper_width;
      t.printable_width = g.printable_height;
      t.printable_height = g.printable_width;
      t.offset_x = g.offset_y;
      t.offset_y = right;
      g = t;
    }
    d.page = g;
  }

  PosixDc* find(DeviceContext dc) {
    auto it = dcs_.find(dc);
    return it == dcs_.end() ? nullptr : it->second.get();
  }

  const PrinterFont* font_of(PosixDc& d) {
    if (d.font == kStockFont) {
      if (!stock_) {
        LogFont lf;
        lf.height = -(kDpi * 10 / kPointsPerInch);
        std::snprintf(lf.face_name, sizeof lf.face_name, "Courier New");
        stock_ = PrinterFont::make(lf, kDpi);
      }
      return stock_.get();
    }
    auto it = fonts_.find(d.font);
    return it == fonts_.end() ? nullptr : it->second.get();
  }

  std::map<DeviceContext, std::unique_ptr<PosixDc>> dcs_;
  std::map<GdiObject, std::unique_ptr<PrinterFont>> fonts_;
  std::map<PrinterHandle, std::string> open_;
  static constexpr std::chrono::seconds kInfoLifetime{30};
  static constexpr std::chrono::seconds kNoAnswerLifetime{2};
  std::map<std::string, DestinationInfo> info_;
  std::map<std::string, std::chrono::steady_clock::time_point> info_time_;
  std::unique_ptr<PrinterFont> stock_;
  DeviceContext next_dc_ = 0x100;
  GdiObject next_font_ = 0x1000;
  PrinterHandle next_printer_ = 0x10;
};

}  // namespace

Printing* printing() {
  static PosixPrinting instance;
  return &instance;
}

}  // namespace platform::posix
