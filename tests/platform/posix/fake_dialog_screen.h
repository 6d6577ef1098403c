// A terminal console as the print dialog sees it, for the tests: keys come from scripted
// chunks of terminal input decoded as the console decodes them, and every box shown is kept
// as its text.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "platform/cp437.h"
#include "platform/posix/print_module.h"
#include "platform/posix/terminal/key_decoder.h"

namespace posix_test {

// The rows of `box` as UTF-8 text, each ended by a newline.
inline std::string overlay_text(const platform::posix::Overlay& box) {
  std::string out;
  for (int y = 0; y < box.height; ++y) {
    for (int x = 0; x < box.width; ++x) {
      char bytes[4];
      out.append(bytes, static_cast<size_t>(platform::utf8_encode(box.at(x, y).ch, bytes)));
    }
    out.push_back('\n');
  }
  return out;
}

class FakeDialogScreen final : public platform::posix::DialogScreen {
 public:
  std::vector<std::string> input;  // one chunk a read; "" is a read that finds nothing
  bool hang_up_at_end = false;     // past the last chunk: hung up, or nothing typed
  size_t next = 0;
  std::string output;  // every box shown, one after the other
  platform::posix::Overlay last;
  int closes = 0;
  int waits = 0;

  bool utf8() const override { return true; }
  void size(int& columns, int& rows) override {
    columns = 80;
    rows = 50;
  }
  void show(const platform::posix::Overlay& box) override {
    output += overlay_text(box);
    last = box;
  }
  bool keys(std::vector<platform::InputEvent>& out, int idle_ms) override {
    return decoder_.read_round(
        [this](uint8_t* buf, size_t cap) -> long {
          if (next >= input.size()) return hang_up_at_end ? -1 : 0;
          const std::string& chunk = input[next++];
          size_t n = std::min(cap, chunk.size());
          std::copy_n(chunk.begin(), n, buf);
          return static_cast<long>(n);
        },
        [this](int) { ++waits; }, idle_ms, out);
  }
  void close() override { ++closes; }

 private:
  platform::posix::KeyDecoder decoder_;
};

}  // namespace posix_test
