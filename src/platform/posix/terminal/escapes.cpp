#include "platform/posix/terminal/escapes.h"

#include <charconv>

namespace platform::posix::escapes {
namespace {

constexpr char kCsi[] = "\x1b[";
constexpr size_t kCsiLength = sizeof kCsi - 1;
constexpr char kOsc[] = "\x1b]";
constexpr char kBell = '\x07';                      // ends an operating system command
constexpr int kAnsi[8] = {0, 4, 2, 6, 1, 5, 3, 7};  // Windows colour bits -> ANSI order

// The decimal digits of `n`, with a minus sign when negative (a window position left of or
// above the desktop's origin).
void append_signed(std::string& out, long long n) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
  out.append(digits, end);
}

}  // namespace

void append_number(std::string& out, int n) {
  append_signed(out, n);
}

size_t number_length(int n) {
  return n >= 10000 ? 5 : n >= 1000 ? 4 : n >= 100 ? 3 : n >= 10 ? 2 : 1;
}

void append_csi(std::string& out, int n, char final) {
  out += kCsi;
  if (n != 1) append_number(out, n);
  out.push_back(final);
}

size_t csi_length(int n) {
  return kCsiLength + 1 + (n == 1 ? 0 : number_length(n));
}

void append_cursor_position(std::string& out, int x, int y) {
  out += kCsi;
  if (x != 0 || y != 0) {
    append_number(out, y + 1);
    if (x != 0) {
      out.push_back(';');
      append_number(out, x + 1);
    }
  }
  out.push_back('H');
}

size_t cursor_position_length(int x, int y) {
  if (x == 0 && y == 0) return kCsiLength + 1;
  return kCsiLength + 1 + number_length(y + 1) + (x != 0 ? 1 + number_length(x + 1) : 0);
}

void append_sgr(std::string& out, std::initializer_list<int> params) {
  out += kCsi;
  bool first = true;
  for (int p : params) {
    if (!first) out.push_back(';');
    append_number(out, p);
    first = false;
  }
  out.push_back('m');
}

void append_cursor_style(std::string& out, int style) {
  out += kCsi;
  append_number(out, style);
  out += " q";
}

void append_title(std::string& out, std::string_view shown) {
  out += kOsc;
  out += "2;";
  out += shown;
  out.push_back(kBell);
}

void append_window_size_request(std::string& out, int cols, int rows) {
  out += kCsi;
  out += "8;";
  append_signed(out, rows);
  out.push_back(';');
  append_signed(out, cols);
  out.push_back('t');
}

void append_window_move(std::string& out, int x, int y) {
  out += kCsi;
  out += "3;";
  append_signed(out, x);
  out.push_back(';');
  append_signed(out, y);
  out.push_back('t');
}

int sgr_foreground(int colour) {
  return (colour & 8 ? 90 : 30) + kAnsi[colour & 7];
}

int sgr_background(int colour) {
  return (colour & 8 ? 100 : 40) + kAnsi[colour & 7];
}

}  // namespace platform::posix::escapes
