// The whole program driven from terminal input: the bytes go through a pseudo-terminal into
// the terminal console (the one reader, its queue and the key decoder) and on to the screens,
// the file name entry, the print dialog and the save, on the memory file system and printer.
//
// Input: a stream of bytes typed at the terminal, each run of plain bytes one write. 0xFF
// starts a command: 0xFF 0x01 a pause longer than the Esc pause and shorter than the wait for
// a sequence's end, 0xFF 0x02 a pause longer than both, 0xFF 0x03 N a name typed at the entry
// (when the entry is up) with terminal replies amid its letters, some split by short pauses,
// the next bytes choosing the letters and replies; 0xFF 0xFF is the byte 0xFF.
//
// Bytes are written only when the program waits for a key with none left, so every byte is
// read by whatever is waiting at that moment. After the stream, keys that end the program from
// any screen are typed, a few times over: the program must end.
//
// Invariants: no sanitizer report; the program ends; no more print dialogs than Y keys typed;
// drive C holds only the temporary folder, and in it only results files (39 lines, byte for
// byte), no leftover part file; every name typed at the entry amid replies is saved under the
// letters alone.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/pictures.h"
#include "app/program_main.h"
#include "app/program_variables.h"
#include "app/screen_name.h"
#include "console/screen.h"
#include "files/files.h"
#include "platform/keyboard_layout.h"
#include "platform/memory/files.h"
#include "platform/memory/printing.h"
#include "platform/memory/system.h"
#include "platform/posix/print_module.h"
#include "platform/posix/printing/dialog.h"
#include "platform/posix/terminal/console.h"
#include "printer/printer.h"
#include "runtime/platform_access.h"
#include "runtime/startup.h"
#include "support/pty.h"

namespace {

using platform::InputEvent;
using platform::posix::PosixConsole;

// Short bounds so that a run takes milliseconds; the proportions are the program's own (the
// Esc pause well below the wait for a sequence's end).
constexpr int kEscapeMs = 5;
constexpr int kSequenceMs = 200;
constexpr int kShortPauseMs = 2;                // within a reply: shorter than both
constexpr int kEscPauseMs = 3 * kEscapeMs;      // past the Esc pause, within a sequence
constexpr int kLongPauseMs = kSequenceMs + 20;  // past both
constexpr int kMaxLongPauses = 3;
constexpr int kMaxEndingRounds = 4;

[[noreturn]] void finding(const char* what) {
  std::fprintf(stderr, "program input: %s\n", what);
  std::abort();
}

void sleep_ms(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// What the terminal does next, one step each time the program waits with no key left.
struct Action {
  static Action write(std::string bytes) {
    Action a;
    a.bytes = std::move(bytes);
    return a;
  }
  static Action pause(int ms) {
    Action a;
    a.kind = kPause;
    a.ms = ms;
    return a;
  }
  enum Kind { kWrite, kPause, kName } kind = kWrite;
  std::string bytes;                // kWrite
  int ms = 0;                       // kPause
  std::string letters;              // kName: the name's letters
  std::vector<std::string> pieces;  // kName: the letters and replies, each one write
};

// Replies a terminal may send at any time, whole.
const char* const kReplies[] = {
    "\x1bP1$r0 q\x1b\\",                // DCS status reply
    "\x1b]11;rgb:0000/0000/0000\x07",   // OSC colour report, BEL
    "\x1b]l my Xterm\x1b\\",            // OSC title report, ST
    "\x1b[3;160;20t",                   // window position
    "\x1b[3;99999999999;99999999999t",  // a position no window has
    "\x1b[?1;2c",                       // device attributes
    "\x1b[>0;95;0c",                    // secondary attributes
    "\x1b[?2026;2$y",                   // mode report
    "\x1b_Gi=1;OK\x1b\\",               // APC
    "\x1b^pm\x07",                      // PM
    "\x1bXsos\x1b\\",                   // SOS
    "\x1b[<64;1;1M",                    // a wheel report
};

class PtyTerminal;

// The print dialog of the terminal backend over the console, choosing among the memory
// printer and "Save as PDF" (printed on the memory printer as well).
class DialogPrinting final : public platform::memory::MemoryPrinting {
 public:
  explicit DialogPrinting(PtyTerminal& term) : term_(term) {}
  platform::PrintDialogResult print_dialog(uint32_t flags, platform::PrintDialogHook hook) override;
  int dialogs = 0;

 private:
  PtyTerminal& term_;
};

class PtyTerminal final : public platform::posix::DialogScreen {
 public:
  PtyTerminal() {
    if (!test_support::open_pty(80, 50, master_, slave_)) finding("no pty");
    sink_ = open("/dev/null", O_WRONLY);
    if (sink_ < 0) finding("no /dev/null");
    console.set_escape_timeout_ms(kEscapeMs);
    console.set_sequence_timeout_ms(kSequenceMs);
    if (!console.attach(slave_, sink_, true)) finding("attach failed");
  }
  ~PtyTerminal() override {
    console.close();
    ::close(master_);
    ::close(slave_);
    ::close(sink_);
  }

  // The program waits and nothing is queued: the terminal does its next step. False when
  // there is nothing left to do.
  bool step() {
    if (actions.empty()) return false;
    Action a = std::move(actions.front());
    actions.pop_front();
    switch (a.kind) {
      case Action::kWrite:
        write_bytes(a.bytes);
        break;
      case Action::kPause:
        sleep_ms(a.ms);
        break;
      case Action::kName:
        // Only at the entry with nothing typed (the line just ended by the Enter before).
        if (!app::ScreenIs(app::kScreenFile1)) break;
        names.push_back(a.letters);
        for (auto it = a.pieces.rbegin(); it != a.pieces.rend(); ++it) {
          actions.push_front(Action::write(*it));
          if (it->size() > 1 && it->front() == '\x1b') {
            actions.push_front(Action::pause(kShortPauseMs));
          }
        }
        break;
    }
    ++steps;
    return true;
  }

  // --- DialogScreen: the console's overlay and its one queue of keys ---
  bool utf8() const override { return true; }
  void size(int& columns, int& rows) override {
    columns = console.terminal().size().cols;
    rows = console.terminal().size().rows;
  }
  void show(const platform::posix::Overlay& box) override { console.show_overlay(box); }
  bool key(std::optional<InputEvent>& ev, int /*idle_ms*/) override {
    if (!console.read_modal_key(ev, 0)) return false;
    if (!ev && !step()) finding("the print dialog did not end");
    return true;
  }
  void close() override { console.close_overlay(); }

  PosixConsole console;
  std::deque<Action> actions;
  std::vector<std::string> names;  // names typed at the entry
  long steps = 0;

 private:
  void write_bytes(const std::string& bytes) {
    if (write(master_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
      finding("write to the pty failed");
    }
    // The line discipline hands the bytes on to the program's side: wait until it has.
    pollfd pfd{slave_, POLLIN, 0};
    poll(&pfd, 1, 200);
  }

  int master_ = -1;
  int slave_ = -1;
  int sink_ = -1;
};

platform::PrintDialogResult DialogPrinting::print_dialog(uint32_t flags,
                                                         platform::PrintDialogHook hook) {
  if (flags & platform::kPdReturnDefault) return MemoryPrinting::print_dialog(flags, hook);
  ++dialogs;
  platform::posix::PrintDialogModel model({{"Memory Printer", "", true}});
  auto forward = [hook](uint32_t message, uintptr_t wparam) {
    if (hook) hook(1, message, wparam, 0);
  };
  if (run_print_dialog(model, term_, forward) != platform::posix::PrintDialogModel::State::kOk) {
    return {};
  }
  dialog_script.push_back({platform::memory::DialogStep::kOk, "Memory Printer"});
  return MemoryPrinting::print_dialog(flags, nullptr);
}

// The platform console the program runs on: the terminal console, with the terminal's next
// step taken whenever the program waits for a key and none is queued.
class SteppedConsole final : public platform::Console {
 public:
  explicit SteppedConsole(PtyTerminal& term) : term_(term), c_(term.console) {}
  bool write_output(const platform::Cell* cells, platform::Coord size, platform::Coord from,
                    platform::Rect& region) override {
    return c_.write_output(cells, size, from, region);
  }
  bool scroll(const platform::Rect& source, const platform::Rect* clip, platform::Coord dest,
              platform::Cell fill) override {
    return c_.scroll(source, clip, dest, fill);
  }
  bool fill_chars(uint8_t ch, uint32_t count, platform::Coord at, uint32_t& written) override {
    return c_.fill_chars(ch, count, at, written);
  }
  bool fill_attrs(uint16_t attr, uint32_t count, platform::Coord at, uint32_t& written) override {
    return c_.fill_attrs(attr, count, at, written);
  }
  bool set_cursor_position(platform::Coord at) override { return c_.set_cursor_position(at); }
  bool set_text_attribute(uint16_t attr) override { return c_.set_text_attribute(attr); }
  bool get_buffer_info(platform::BufferInfo& info) override { return c_.get_buffer_info(info); }
  bool get_cursor_info(platform::CursorInfo& info) override { return c_.get_cursor_info(info); }
  bool set_cursor_info(const platform::CursorInfo& info) override {
    return c_.set_cursor_info(info);
  }
  bool set_buffer_size(platform::Coord size) override { return c_.set_buffer_size(size); }
  bool set_window_info(bool absolute, const platform::Rect& window) override {
    return c_.set_window_info(absolute, window);
  }
  uint32_t get_title(char* buf, uint32_t cap) override { return c_.get_title(buf, cap); }
  bool set_title(const char* title) override { return c_.set_title(title); }
  bool peek_input(InputEvent& ev, uint32_t& count) override { return c_.peek_input(ev, count); }
  bool read_input(InputEvent& ev, uint32_t& count) override { return c_.read_input(ev, count); }
  bool flush_input() override { return c_.flush_input(); }
  void wait_input(uint32_t /*ms*/) override {
    InputEvent ev;
    uint32_t count = 0;
    c_.peek_input(ev, count);
    if (count == 0 && !term_.step()) finding("the program did not end");
  }
  platform::WindowHandle find_window(const char* marked_title) override {
    return c_.find_window(marked_title);
  }
  platform::WindowHandle own_window() override { return c_.own_window(); }
  bool get_window_rect(platform::WindowHandle w, platform::WindowRect& r) override {
    return c_.get_window_rect(w, r);
  }
  bool set_window_pos(platform::WindowHandle w, int32_t x, int32_t y, int32_t cx, int32_t cy,
                      uint32_t flags) override {
    return c_.set_window_pos(w, x, y, cx, cy, flags);
  }
  bool lock_window_update(platform::WindowHandle w) override { return c_.lock_window_update(w); }
  bool set_foreground_window(platform::WindowHandle w) override {
    return c_.set_foreground_window(w);
  }
  void present() override { c_.present(); }

 private:
  PtyTerminal& term_;
  PosixConsole& c_;
};

// Reads the fuzz input into the terminal's steps; returns the Y keys it can type.
int plan(const uint8_t* data, size_t size, PtyTerminal& term) {
  int ys = 0, long_pauses = 0;
  std::string run;
  auto flush = [&] {
    for (size_t at = 0; at < run.size(); at += 64) {
      term.actions.push_back(Action::write(run.substr(at, 64)));
    }
    run.clear();
  };
  for (size_t i = 0; i < size; ++i) {
    const uint8_t b = data[i];
    if (b != 0xFF || i + 1 >= size) {
      run.push_back(static_cast<char>(b));
      ys += b == 'Y' || b == 'y';
      continue;
    }
    const uint8_t command = data[++i];
    if (command == 0xFF) {
      run.push_back('\xff');
      continue;
    }
    flush();
    if (command == 0x01) {
      term.actions.push_back(Action::pause(kEscPauseMs));
    } else if (command == 0x02 && long_pauses < kMaxLongPauses) {
      ++long_pauses;
      term.actions.push_back(Action::pause(kLongPauseMs));
    } else if (command == 0x03 && i + 1 < size) {
      // BEL ends whatever sequence or string is waiting, Enter ends the line: the entry (if
      // up) then waits with nothing typed. The name starts with Q, which no command word
      // does, and has 5 to 12 letters; a reply goes before each letter the input says.
      term.actions.push_back(Action::write("\a\r"));
      Action name;
      name.kind = Action::kName;
      const size_t length = 5 + data[++i] % 8;
      for (size_t k = 0; k < length; ++k) {
        const uint8_t c = i + 1 < size ? data[++i] : 0;
        const char letter = k == 0 ? 'Q' : static_cast<char>('A' + c % 26);
        ys += letter == 'Y';
        if (c & 0x80) {
          std::string reply = kReplies[(c >> 2) % std::size(kReplies)];
          // Split after its second byte or later: a started sequence waits for the rest.
          if (c & 0x40) {
            const size_t cut = 2 + c % (reply.size() - 2);
            name.pieces.push_back(reply.substr(0, cut));
            reply = reply.substr(cut);
          }
          name.pieces.push_back(reply);
        }
        name.pieces.push_back(std::string(1, letter));
        name.letters.push_back(letter);
      }
      name.pieces.push_back("\r");
      term.actions.push_back(std::move(name));
    }
  }
  flush();
  // Keys that end the program from every screen: BEL settles what waits, Esc closes the print
  // dialog, Enter ends a line at the entry and END there ends the program, Space leaves the
  // refusal screen, X ends the others.
  for (int round = 0; round < kMaxEndingRounds; ++round) {
    for (const char* keys : {"\a", "\x1b", "", "\r", "END\r", " ", "X"}) {
      if (*keys == 0) {
        term.actions.push_back(Action::pause(kEscPauseMs));
      } else {
        term.actions.push_back(Action::write(keys));
      }
    }
  }
  return ys;
}

void check_drive(const platform::memory::MemoryFileSystem& drive,
                 const std::vector<std::string>& names) {
  const std::string results = app_test::ResultsFileBytes();
  for (const std::string& entry : drive.list("C:\\")) {
    std::string upper = entry;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper != "TEMP") finding("something other than the temporary folder on drive C");
    if (!drive.is_folder("C:\\" + entry)) finding("the temporary folder is not a folder");
  }
  std::set<std::string> saved;
  for (const std::string& entry : drive.list("C:\\TEMP")) {
    const std::optional<std::string> bytes = drive.file_bytes("C:\\TEMP\\" + entry);
    if (!bytes) finding("a folder in the temporary folder");
    if (entry.find(".PART") != std::string::npos || entry.find(".part") != std::string::npos) {
      finding("a part file was left");
    }
    if (*bytes != results) finding("a saved file is not the results file");
    saved.insert(entry);
  }
  for (const std::string& name : names) {
    if (!drive.exists("C:\\TEMP\\" + name + ".TXT")) {
      std::fprintf(stderr, "program input: %s.TXT was not saved\n", name.c_str());
      finding("a name typed amid replies was not saved as its letters");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 2048) return -1;
  PtyTerminal term;
  const int ys = plan(data, size, term);

  platform::memory::MemorySystem system;
  platform::memory::MemoryFileSystem drive;
  DialogPrinting printing(term);
  SteppedConsole console(term);
  platform::Platform services;
  services.system = &system;
  services.console = &console;
  services.files = &drive;
  services.printing = &printing;
  runtime::install_platform(services);
  files::reset();
  static const runtime::InitHook init[] = {console::screen_init, printer::printer_init,
                                           app::ProgramVariablesInit};
  runtime::run_program(services, app::ProgramMain, init);
  app::ProgramVariablesRelease();
  runtime::install_platform(platform::Platform{});

  if (printing.dialogs > ys) finding("more print dialogs than Y keys typed");
  check_drive(drive, term.names);
  return 0;
}
