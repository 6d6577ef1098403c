// Random console operations (write, fill, scroll, cursor, resize, read back) on the memory
// console and on the terminal's screen buffer, held against a cell-by-cell model written
// here from the Windows rules alone: the same results, the same regions and counts, the
// same cells after every step.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/memory/console.h"
#include "platform/posix/terminal/screen_buffer.h"

namespace {

using platform::Cell;
using platform::Coord;
using platform::Rect;

// The rules one cell at a time, with nothing shared with the code under test.
struct Model {
  int w, h, min_w, min_h;
  std::vector<Cell> cells;
  Coord cursor;

  Model(int width, int height)
      : w(width), h(height), min_w(width), min_h(height), cells(width * height, Cell{' ', 7}) {}
  bool in(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
  Cell& at(int x, int y) { return cells[y * w + x]; }

  bool write(const std::vector<Cell>& block, Coord size, Coord from, Rect& region) {
    bool any = false;
    int l = 0, t = 0, r = -1, b = -1;
    if (from.x >= 0 && from.y >= 0 && from.x < size.x && from.y < size.y) {
      for (int y = region.top; y <= region.bottom; ++y) {
        for (int x = region.left; x <= region.right; ++x) {
          const int sx = from.x + x - region.left, sy = from.y + y - region.top;
          if (!in(x, y) || sx >= size.x || sy >= size.y) continue;
          at(x, y) = block[sy * size.x + sx];
          if (!any) l = r = x, t = b = y;
          any = true;
          l = std::min(l, x), r = std::max(r, x), t = std::min(t, y), b = std::max(b, y);
        }
      }
    }
    if (!any) {
      region.right = static_cast<int16_t>(region.left - 1);
      region.bottom = static_cast<int16_t>(region.top - 1);
      return false;
    }
    region = Rect{static_cast<int16_t>(l), static_cast<int16_t>(t), static_cast<int16_t>(r),
                  static_cast<int16_t>(b)};
    return true;
  }
  bool fill(bool chars, uint16_t value, uint32_t count, Coord c, uint32_t& written) {
    written = 0;
    if (!in(c.x, c.y)) return false;
    for (int i = c.y * w + c.x; i < w * h && written < count; ++i, ++written) {
      if (chars) {
        cells[i].ch = static_cast<uint8_t>(value);
      } else {
        cells[i].attr = value;
      }
    }
    return true;
  }
  bool scroll(const Rect& src, const Rect* clip, Coord dest, Cell fill) {
    auto in_clip = [&](int x, int y) {
      return in(x, y) && (!clip || (x >= clip->left && x <= clip->right && y >= clip->top &&
                                    y <= clip->bottom));
    };
    const std::vector<Cell> before = cells;
    bool any = false;
    for (int y = src.top; y <= src.bottom; ++y) {
      for (int x = src.left; x <= src.right; ++x) {
        if (!in(x, y)) continue;
        any = true;
        if (in_clip(x, y)) at(x, y) = fill;
      }
    }
    for (int y = src.top; y <= src.bottom; ++y) {
      for (int x = src.left; x <= src.right; ++x) {
        const int tx = x + dest.x - src.left, ty = y + dest.y - src.top;
        if (in(x, y) && in_clip(tx, ty)) at(tx, ty) = before[y * w + x];
      }
    }
    return any;
  }
  bool resize(int nw, int nh) {
    if (nw < min_w || nh < min_h) return false;
    std::vector<Cell> next(nw * nh, Cell{' ', 7});
    for (int y = 0; y < std::min(h, nh); ++y) {
      for (int x = 0; x < std::min(w, nw); ++x) next[y * nw + x] = at(x, y);
    }
    cells = next, w = nw, h = nh;
    cursor.x = static_cast<int16_t>(std::min<int>(cursor.x, w - 1));
    cursor.y = static_cast<int16_t>(std::min<int>(cursor.y, h - 1));
    return true;
  }
};

struct Input {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  bool more() const { return at < size; }
  uint8_t byte() { return at < size ? data[at++] : 0; }
  int16_t small(int span, int low) { return static_cast<int16_t>(low + byte() % span); }
};

bool same(const Rect& a, const Rect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in{data, size};
  const int16_t w = in.small(12, 1), h = in.small(8, 1);
  Model model(w, h);
  platform::memory::MemoryConsole memory(w, h);
  platform::posix::ScreenBuffer terminal({w, h});
  for (int step = 0; step < 64 && in.more(); ++step) {
    const int span_x = model.w + 4, span_y = model.h + 4;
    switch (in.byte() % 7) {
      case 0: {  // write a block
        const Coord size{in.small(5, 1), in.small(4, 1)};
        std::vector<Cell> block(size.x * size.y);
        for (Cell& c : block) c = Cell{in.byte(), in.byte()};
        const Coord from{in.small(size.x + 2, -1), in.small(size.y + 2, -1)};
        Rect region{in.small(span_x, -2), in.small(span_y, -2), 0, 0};
        region.right = static_cast<int16_t>(region.left + in.small(span_x, -2));
        region.bottom = static_cast<int16_t>(region.top + in.small(span_y, -2));
        Rect a = region, b = region, c = region;
        const bool want = model.write(block, size, from, a);
        check(memory.write_output(block.data(), size, from, b) == want);
        check(terminal.write_output(block.data(), size, from, c) == want);
        check(same(a, b) && same(a, c));
        break;
      }
      case 1:
      case 2: {  // fill characters or attributes
        const bool chars = data[in.at - 1] % 7 == 1;
        const uint8_t value = in.byte();
        const uint32_t count = in.byte() * (in.byte() % 3);
        const Coord at{in.small(span_x, -2), in.small(span_y, -2)};
        uint32_t a = 0, b = 1, c = 2;
        const bool want = model.fill(chars, value, count, at, a);
        check((chars ? memory.fill_chars(value, count, at, b)
                     : memory.fill_attrs(value, count, at, b)) == want);
        check((chars ? terminal.fill_chars(value, count, at, c)
                     : terminal.fill_attrs(value, count, at, c)) == want);
        check(a == b && a == c);
        break;
      }
      case 3: {  // scroll, with or without a clip
        Rect src{in.small(span_x, -2), in.small(span_y, -2), 0, 0};
        src.right = static_cast<int16_t>(src.left + in.small(span_x, -2));
        src.bottom = static_cast<int16_t>(src.top + in.small(span_y, -2));
        Rect clip{in.small(span_x, -2), in.small(span_y, -2), 0, 0};
        clip.right = static_cast<int16_t>(clip.left + in.small(span_x, -1));
        clip.bottom = static_cast<int16_t>(clip.top + in.small(span_y, -1));
        const Rect* use = in.byte() % 2 ? &clip : nullptr;
        const Coord dest{in.small(span_x, -4), in.small(span_y, -4)};
        const Cell fill{in.byte(), in.byte()};
        const bool want = model.scroll(src, use, dest, fill);
        check(memory.scroll(src, use, dest, fill) == want);
        check(terminal.scroll(src, use, dest, fill) == want);
        break;
      }
      case 4: {  // the cursor
        const Coord at{in.small(span_x, -2), in.small(span_y, -2)};
        const bool want = model.in(at.x, at.y);
        if (want) model.cursor = at;
        check(memory.set_cursor_position(at) == want);
        check(terminal.set_cursor_position(at) == want);
        break;
      }
      case 5: {  // a new size
        const Coord size{in.small(14, 0), in.small(10, 0)};
        const bool want = model.resize(size.x, size.y);
        check(memory.set_buffer_size(size) == want);
        check(terminal.set_size(size) == want);
        break;
      }
      default: {  // read a region back
        const Coord size{in.small(6, 1), in.small(5, 1)};
        const Coord from{in.small(size.x, 0), in.small(size.y, 0)};
        Rect region{in.small(span_x, -2), in.small(span_y, -2), 0, 0};
        region.right = static_cast<int16_t>(region.left + in.small(span_x, -2));
        region.bottom = static_cast<int16_t>(region.top + in.small(span_y, -2));
        std::vector<Cell> got(size.x * size.y, Cell{0, 0xFFFF});
        std::vector<Cell> want = got;
        Rect asked = region;
        const bool ok = terminal.cells().read(got.data(), size, from, region);
        // The model's read: every cell of the asked region that is in the buffer and in
        // the block.
        bool any = false;
        for (int y = asked.top; y <= asked.bottom; ++y) {
          for (int x = asked.left; x <= asked.right; ++x) {
            const int bx = from.x + x - asked.left, by = from.y + y - asked.top;
            if (!model.in(x, y) || bx >= size.x || by >= size.y) continue;
            want[by * size.x + bx] = model.at(x, y);
            any = true;
          }
        }
        check(ok == any);
        for (size_t i = 0; i < got.size(); ++i) {
          check(got[i].ch == want[i].ch && got[i].attr == want[i].attr);
        }
        break;
      }
    }
    // The same cells and cursor everywhere after every step.
    check(memory.width() == model.w && memory.height() == model.h);
    check(terminal.size().x == model.w && terminal.size().y == model.h);
    check(memory.cursor().x == model.cursor.x && memory.cursor().y == model.cursor.y);
    check(terminal.cursor().x == model.cursor.x && terminal.cursor().y == model.cursor.y);
    for (int y = 0; y < model.h; ++y) {
      for (int x = 0; x < model.w; ++x) {
        const Cell& m = model.at(x, y);
        const platform::memory::CellView v = memory.cell(y + 1, x + 1);
        check(v.ch == m.ch && v.fg == (m.attr & 0x0F) && v.bg == ((m.attr >> 4) & 0x0F));
        const Cell& t = terminal.at(x, y);
        check(t.ch == m.ch && t.attr == m.attr);
      }
    }
  }
  return 0;
}
