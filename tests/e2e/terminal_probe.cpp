// A small console program for the terminal end-to-end tests: draws text at known rows,
// columns and colours through the console backend, then reports every key it reads.
//   terminal_probe draw|wait|crash|exit255|small [pid-file]
// Ctrl+Q ends it normally.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/posix/services.h"
#include "platform/posix/terminal/console.h"
#include "platform/system.h"

namespace {

platform::Platform g;

void put(int row, int col, uint16_t attr, const std::string& text) {
  std::vector<platform::Cell> cells;
  for (char c : text) cells.push_back({static_cast<uint8_t>(c), attr});
  platform::Rect region{static_cast<int16_t>(col - 1), static_cast<int16_t>(row - 1),
                        static_cast<int16_t>(col - 2 + static_cast<int>(text.size())),
                        static_cast<int16_t>(row - 1)};
  g.console->write_output(cells.data(), {static_cast<int16_t>(text.size()), 1}, {0, 0}, region);
}

void shape(int cols, int rows) {
  platform::Console& c = *g.console;
  platform::BufferInfo info;
  c.get_buffer_info(info);
  c.set_buffer_size({static_cast<int16_t>(std::max<int>(cols, info.size.x)),
                     static_cast<int16_t>(std::max<int>(rows, info.size.y))});
  c.set_window_info(true, {0, 0, static_cast<int16_t>(cols - 1), static_cast<int16_t>(rows - 1)});
  c.set_buffer_size({static_cast<int16_t>(cols), static_cast<int16_t>(rows)});
  uint32_t n;
  c.fill_chars(' ', static_cast<uint32_t>(cols * rows), {0, 0}, n);
  c.fill_attrs(0x07, static_cast<uint32_t>(cols * rows), {0, 0}, n);
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "draw";
  std::string why;
  if (!platform::posix::console().open(why)) {
    std::fprintf(stderr, "terminal_probe: %s\n", why.c_str());
    return 1;
  }
  g.console = &platform::posix::console();
  g.system = platform::posix::system();
  if (argc > 2) {
    if (FILE* f = std::fopen(argv[2], "w")) {
      std::fprintf(f, "%d\n", static_cast<int>(getpid()));
      std::fclose(f);
    }
  }
  shape(80, mode == "small" ? 60 : 50);
  put(1, 1, 0x0E, "Row one yellow");
  put(3, 10, 0x1F, "white on blue");
  put(5, 70, 0x0A, "green edge");  // clipped at column 80
  put(50, 1, 0x0B, "last row cyan");
  std::string glyphs = "glyphs:";
  for (int b : {173, 155, 13, 201, 205, 187, 176, 219}) glyphs.push_back(static_cast<char>(b));
  put(7, 1, 0x0F, glyphs);
  g.console->set_title("probe title");
  put(10, 1, 0x07, "READY " + mode);
  g.console->set_cursor_position({0, 11});
  g.console->present();
  if (mode == "crash") {
    g.system->sleep_ms(200);
    // A write to a page mapped without access: a real fault that ends in SIGSEGV. The page
    // is valid memory as far as the compiler knows, so the store is neither removed nor
    // flagged the way a write through a made-up address is.
    void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) std::abort();
    *static_cast<volatile int*>(page) = 1;
    std::abort();  // not reached: the store faults
  }
  if (mode == "exit255") {
    g.system->sleep_ms(200);
    g.system->exit_now(255);
  }
  int line = 12;
  for (;;) {
    platform::InputEvent ev;
    uint32_t count = 0;
    g.console->wait_input(1000);
    if (!g.console->read_input(ev, count) || count == 0) continue;
    if (ev.ch == 17) break;  // Ctrl+Q
    char text[80];
    std::snprintf(text, sizeof text, "KEY ch=%d scan=%02X ctl=%03X   ", ev.ch, ev.scan_code,
                  ev.control);
    put(line, 1, 0x07, text);
    line = line >= 40 ? 12 : line + 1;
    put(line, 1, 0x07, "                                  ");
  }
  platform::posix::console().close();
  return 0;
}
