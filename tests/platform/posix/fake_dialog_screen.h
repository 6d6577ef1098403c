// A terminal console as the print dialog sees it, for the tests: keys come from scripted
// chunks of terminal input decoded as the console decodes them, and every box shown is kept
// as its text.
#pragma once

#include <algorithm>
#include <optional>
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
  // Reads chunks as the console does, into one queue, and hands out one key at a time: a
  // chunk is decoded when no key is left from the ones before, "" (or the end, when not hung
  // up) is a pause that decides a waiting sequence.
  bool key(std::optional<platform::InputEvent>& ev, int /*idle_ms*/) override {
    ev.reset();
    while (queue_.empty()) {
      if (next >= input.size()) {
        decoder_.expire(queue_);
        if (!queue_.empty()) break;
        if (hang_up_at_end) return false;
        ++waits;
        return true;
      }
      const std::string& chunk = input[next++];
      if (chunk.empty()) {
        ++waits;
        decoder_.expire(queue_);
        if (queue_.empty()) return true;
        break;
      }
      decoder_.feed(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size(), queue_);
    }
    ev = queue_.front();
    queue_.erase(queue_.begin());
    return true;
  }
  // Keys decoded and not yet taken: what the next screen would read.
  size_t keys_left() const { return queue_.size(); }
  void close() override { ++closes; }

 private:
  platform::posix::KeyDecoder decoder_;
  std::vector<platform::InputEvent> queue_;
};

}  // namespace posix_test
