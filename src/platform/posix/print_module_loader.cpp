#include "platform/posix/print_module_loader.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/keyboard_layout.h"
#include "platform/posix/dialog/dialog_box.h"
#include "platform/posix/services.h"
#include "platform/posix/terminal/console.h"
#include "platform/shown_text.h"

namespace platform::posix {
namespace {

constexpr DialogWindow kDialogWindow = 1;
constexpr uint32_t kNoColour = 0xFFFFFFFFu;
constexpr int kUnavailableBoxWidth = 72;

// The print dialog when printing is not available: a box over the terminal with no printer
// to choose and the reason, closed by Esc or Enter.
Overlay render_unavailable(const std::string& reason, int columns, int rows, bool utf8) {
  const int width = std::min(kUnavailableBoxWidth, std::max(20, columns - 2));
  std::vector<DialogLine> body = {
      {" Printer:"}, {"   (none)"}, {""}, {" Printing is not available on this system:"}};
  // One line, cut where it does not fit: the box keeps its size whatever the reason says.
  std::string line(1, ' ');
  line += fit_line(reason, static_cast<size_t>(width - 4), utf8);
  body.push_back({line});
  body.push_back({""});
  body.push_back({" Esc Cancel"});
  return render_dialog_box(" Print ", body, kUnavailableBoxWidth, columns, rows, utf8);
}

// Printing with no backend: no printer exists, the dialog can only be cancelled.
class UnavailablePrinting final : public Printing {
 public:
  UnavailablePrinting(std::string reason, DialogScreen* (*open_screen)())
      : reason_(std::move(reason)), open_screen_(open_screen) {}

  PrintDialogResult print_dialog(uint32_t flags, PrintDialogHook hook) override {
    PrintDialogResult r;
    if (flags & kPdReturnDefault) {
      r.extended_error = kPdErrNoDefaultPrinter;
      return r;
    }
    DialogScreen* screen = open_screen_ ? open_screen_() : nullptr;
    if (screen == nullptr) return r;
    if (hook) hook(kDialogWindow, kWmInitDialog, 0, 0);
    int columns = 80, rows = 50;
    screen->size(columns, rows);
    screen->show(render_unavailable(reason_, columns, rows, screen->utf8()));
    for (bool open = true; open;) {
      std::optional<InputEvent> ev;
      if (!screen->key(ev, 500)) break;  // the terminal hung up
      if (ev && ev->type == InputEvent::kKey && ev->key_down &&
          (ev->virtual_key == kVkEscape || ev->virtual_key == kVkReturn)) {
        open = false;
      }
    }
    screen->close();
    return r;  // cancelled: there was nothing to print to
  }
  bool set_foreground_window(DialogWindow) override { return true; }

  PrinterHandle open_printer(const std::string&) override { return 0; }
  bool close_printer(PrinterHandle) override { return false; }
  int32_t document_properties(PrinterHandle, const std::string&, DevMode*) override { return -1; }
  int32_t device_capabilities(const std::string&, uint16_t, std::vector<uint16_t>*) override {
    return -1;
  }

  DeviceContext create_dc(const std::string&, const DevMode*) override { return 0; }
  bool delete_dc(DeviceContext) override { return false; }
  DeviceContext reset_dc(DeviceContext, const DevMode*) override { return 0; }
  int32_t start_doc(DeviceContext, const std::string&) override { return -1; }
  int32_t end_doc(DeviceContext) override { return -1; }
  int32_t abort_doc(DeviceContext) override { return -1; }
  int32_t start_page(DeviceContext) override { return -1; }
  int32_t end_page(DeviceContext) override { return -1; }
  int32_t device_caps(DeviceContext, int32_t) override { return 0; }

  uint32_t set_text_align(DeviceContext, uint32_t) override { return kGdiErrorAlign; }
  bool text_out(DeviceContext, int32_t, int32_t, const std::string&) override { return false; }
  bool move_to(DeviceContext, int32_t, int32_t) override { return false; }
  bool current_position(DeviceContext, int32_t&, int32_t&) override { return false; }
  bool text_metrics(DeviceContext, TextMetrics&) override { return false; }
  uint32_t set_text_color(DeviceContext, uint32_t) override { return kNoColour; }
  uint32_t set_bk_color(DeviceContext, uint32_t) override { return kNoColour; }
  int32_t set_bk_mode(DeviceContext, int32_t) override { return 0; }

  GdiObject create_font(const LogFont&) override { return 0; }
  GdiObject select_object(DeviceContext, GdiObject) override { return 0; }
  bool delete_object(GdiObject) override { return false; }

 private:
  std::string reason_;
  DialogScreen* (*open_screen_)();
};

// Loads the module at `path`; nullptr with the reason when it cannot be used. A module that
// was loaded stays loaded for the life of the process.
Printing* load_module(const std::string& path, const PrintingHost& host, std::string& why) {
  struct stat st;
  if (path.empty()) {
    // The module is found beside the program, and the program's own file could not be named
    // (no /proc, say): nothing else is searched.
    why = "the program's own location could not be read";
    return nullptr;
  }
  if (stat(path.c_str(), &st) != 0) {
    why = "the printing module is not installed (" + shown_text(path, 200) + ")";
    return nullptr;
  }
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    const char* error = dlerror();
    why = std::string("the printing module cannot be loaded: ") +
          shown_text(error ? error : path.c_str(), 200);
    return nullptr;
  }
  void* symbol = dlsym(module, kPrintingModuleEntry);
  if (!symbol) {
    why = "the printing module has no entry point (" + shown_text(path, 200) + ")";
    dlclose(module);
    return nullptr;
  }
  PrintingModuleEntry entry;
  static_assert(sizeof entry == sizeof symbol);
  std::memcpy(&entry, &symbol, sizeof entry);
  Printing* printing = entry(&host);
  if (!printing) {
    why = "the printing module belongs to another version of the program (" +
          shown_text(path, 200) + ")";
    dlclose(module);
  }
  return printing;
}

// Passes every call on to the module, loading it on the first.
class ModulePrinting final : public Printing {
 public:
  ModulePrinting(std::function<std::string()> locate, FileSystem* files,
                 DialogScreen* (*open_screen)())
      : locate_(std::move(locate)) {
    host_.files = files;
    host_.dialog_screen = open_screen;
  }

  PrintDialogResult print_dialog(uint32_t flags, PrintDialogHook hook) override {
    return target().print_dialog(flags, hook);
  }
  bool set_foreground_window(DialogWindow window) override {
    return target().set_foreground_window(window);
  }

  PrinterHandle open_printer(const std::string& name) override {
    return target().open_printer(name);
  }
  bool close_printer(PrinterHandle printer) override { return target().close_printer(printer); }
  int32_t document_properties(PrinterHandle printer, const std::string& name,
                              DevMode* out) override {
    return target().document_properties(printer, name, out);
  }
  int32_t device_capabilities(const std::string& name, uint16_t capability,
                              std::vector<uint16_t>* list) override {
    return target().device_capabilities(name, capability, list);
  }

  DeviceContext create_dc(const std::string& name, const DevMode* mode) override {
    return target().create_dc(name, mode);
  }
  bool delete_dc(DeviceContext dc) override { return target().delete_dc(dc); }
  DeviceContext reset_dc(DeviceContext dc, const DevMode* mode) override {
    return target().reset_dc(dc, mode);
  }
  int32_t start_doc(DeviceContext dc, const std::string& document_name) override {
    return target().start_doc(dc, document_name);
  }
  int32_t end_doc(DeviceContext dc) override { return target().end_doc(dc); }
  int32_t abort_doc(DeviceContext dc) override { return target().abort_doc(dc); }
  int32_t start_page(DeviceContext dc) override { return target().start_page(dc); }
  int32_t end_page(DeviceContext dc) override { return target().end_page(dc); }
  int32_t device_caps(DeviceContext dc, int32_t index) override {
    return target().device_caps(dc, index);
  }

  uint32_t set_text_align(DeviceContext dc, uint32_t align) override {
    return target().set_text_align(dc, align);
  }
  bool text_out(DeviceContext dc, int32_t x, int32_t y, const std::string& text) override {
    return target().text_out(dc, x, y, text);
  }
  bool move_to(DeviceContext dc, int32_t x, int32_t y) override {
    return target().move_to(dc, x, y);
  }
  bool current_position(DeviceContext dc, int32_t& x, int32_t& y) override {
    return target().current_position(dc, x, y);
  }
  bool text_metrics(DeviceContext dc, TextMetrics& out) override {
    return target().text_metrics(dc, out);
  }
  uint32_t set_text_color(DeviceContext dc, uint32_t rgb) override {
    return target().set_text_color(dc, rgb);
  }
  uint32_t set_bk_color(DeviceContext dc, uint32_t rgb) override {
    return target().set_bk_color(dc, rgb);
  }
  int32_t set_bk_mode(DeviceContext dc, int32_t mode) override {
    return target().set_bk_mode(dc, mode);
  }

  GdiObject create_font(const LogFont& font) override { return target().create_font(font); }
  GdiObject select_object(DeviceContext dc, GdiObject object) override {
    return target().select_object(dc, object);
  }
  bool delete_object(GdiObject object) override { return target().delete_object(object); }

 private:
  Printing& target() {
    std::call_once(loaded_, [this] {
      std::string why;
      target_ = load_module(locate_ ? locate_() : std::string(), host_, why);
      if (!target_) {
        unavailable_ = std::make_unique<UnavailablePrinting>(why, host_.dialog_screen);
        target_ = unavailable_.get();
      }
    });
    return *target_;
  }

  std::function<std::string()> locate_;
  PrintingHost host_;
  std::once_flag loaded_;
  Printing* target_ = nullptr;
  std::unique_ptr<UnavailablePrinting> unavailable_;
};

}  // namespace

std::string printing_module_path(const std::string& program) {
  const size_t slash = program.rfind('/');
  if (slash == std::string::npos) return {};
  const std::string folder = program.substr(0, slash);  // <prefix>/bin
  const size_t up = folder.rfind('/');
  const std::string prefix = up == std::string::npos ? folder + "/.." : folder.substr(0, up);
  return prefix + "/" + kPrintingModuleRelativePath;
}

std::unique_ptr<Printing> make_module_printing(std::function<std::string()> locate,
                                               FileSystem* files, DialogScreen* (*open_screen)()) {
  return std::make_unique<ModulePrinting>(std::move(locate), files, open_screen);
}

FileSystem* host_file_system() {
  return file_system();
}

DialogScreen* open_dialog_screen() {
  // The terminal console's overlay and its keys, for as long as the process runs.
  class ConsoleScreen final : public DialogScreen {
   public:
    bool utf8() const override { return console().charset().is_utf8(); }
    void size(int& columns, int& rows) override {
      const TermSize size = console().terminal().size();
      columns = size.cols;
      rows = size.rows;
    }
    void show(const Overlay& box) override { console().show_overlay(box); }
    bool key(std::optional<InputEvent>& ev, int idle_ms) override {
      return console().read_modal_key(ev, idle_ms);
    }
    void close() override { console().close_overlay(); }
  };
  static ConsoleScreen screen;
  return console().is_open() ? &screen : nullptr;
}

Printing* printing_module() {
  static const std::unique_ptr<Printing> instance = make_module_printing(
      [] { return printing_module_path(program_file()); }, file_system(), open_dialog_screen);
  return instance.get();
}

}  // namespace platform::posix

#if defined(__SANITIZE_ADDRESS__)
// fontconfig, loaded with the printing module, keeps the configuration it parses for the life
// of the process, and libpaper 2 loses the line buffers its paperinit reads the paper list
// with (once: the module initialises it once); the leak checker of sanitizer builds would
// report both at every exit. The checker asks the program for its suppressions, so they are
// here rather than in the module.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libpaper.so\n";
}
#endif
