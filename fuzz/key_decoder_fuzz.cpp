// Arbitrary terminal input through the key decoder: the same events however the bytes are
// split as they arrive, only well-formed key events, and never more bytes waiting than the
// longest sequence. Read as the program reads it, with pauses between pieces: nothing waits
// past a pause longer than the decoder asks to wait, and a key pressed after the input is that
// key.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/posix/terminal/key_decoder.h"

namespace {

using platform::InputEvent;
using platform::posix::KeyDecoder;

constexpr uint32_t kKnownControl = platform::kRightAlt | platform::kLeftAlt | platform::kRightCtrl |
                                   platform::kLeftCtrl | platform::kShift | platform::kEnhancedKey;

bool same(const InputEvent& a, const InputEvent& b) {
  return a.type == b.type && a.key_down == b.key_down && a.repeat == b.repeat &&
         a.virtual_key == b.virtual_key && a.scan_code == b.scan_code && a.ch == b.ch &&
         a.control == b.control;
}

void check_event(const InputEvent& e) {
  if (e.type != InputEvent::kKey || !e.key_down || e.repeat != 1) std::abort();
  if ((e.control & ~kKnownControl) != 0) std::abort();
  if (e.ch == 0 && e.virtual_key == 0) std::abort();  // neither a character nor a key
}

// Feeds `data` in pieces whose lengths come from `cuts` (cycled), then lets the timeout pass.
std::vector<InputEvent> run(bool utf8, const uint8_t* data, size_t size, const uint8_t* cuts,
                            size_t ncuts, int& wheel) {
  KeyDecoder d(utf8);
  std::vector<InputEvent> out;
  size_t at = 0, k = 0;
  while (at < size) {
    size_t piece = ncuts == 0 ? size : 1 + cuts[k++ % ncuts] % 16;
    if (piece > size - at) piece = size - at;
    d.feed(data + at, piece, out);
    at += piece;
    if (d.pending_bytes() > KeyDecoder::kMaxSequence + 1) std::abort();
  }
  d.expire(out);
  if (d.pending()) std::abort();
  wheel = d.take_wheel();
  return out;
}

// Reads `data` in pieces from `cuts`; a cut with its top bit set is a pause after its piece,
// long enough for whatever waits (the decoder's expire_after_ms). Ends with a pause and the F
// key.
void run_rounds(bool utf8, const uint8_t* data, size_t size, const uint8_t* cuts, size_t ncuts) {
  KeyDecoder d(utf8);
  std::vector<InputEvent> out;
  size_t at = 0, k = 0;
  while (at < size) {
    const uint8_t cut = ncuts == 0 ? 0xFF : cuts[k++ % ncuts];
    const size_t piece = std::min<size_t>(size_t{1} + cut % 16, size - at);
    d.feed(data + at, piece, out);
    at += piece;
    if (d.pending_bytes() > KeyDecoder::kMaxSequence + 1) std::abort();
    if (d.pending()) {
      const int wait = d.expire_after_ms();
      if (wait != d.escape_timeout_ms() && wait != d.sequence_timeout_ms()) std::abort();
    }
    if (at >= size || (cut & 0x80) != 0) {
      d.expire(out);
      if (d.pending()) std::abort();  // a pause decides whatever was waiting
    }
  }
  const uint8_t f = 'f';
  size_t keys = out.size();
  d.feed(&f, 1, out);
  for (const InputEvent& e : out) check_event(e);
  if (out.size() != keys + 1 || out.back().ch != 'f' || out.back().control != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const bool utf8 = (data[0] & 1) != 0;
  const size_t ncuts = data[1] % 8;
  if (size < 2 + ncuts) return 0;
  const uint8_t* cuts = data + 2;
  const uint8_t* bytes = data + 2 + ncuts;
  const size_t n = size - 2 - ncuts;

  int wheel_whole = 0, wheel_split = 0, wheel_single = 0;
  std::vector<InputEvent> whole = run(utf8, bytes, n, nullptr, 0, wheel_whole);
  std::vector<InputEvent> split = run(utf8, bytes, n, cuts, ncuts, wheel_split);
  const uint8_t one = 0;
  std::vector<InputEvent> single = run(utf8, bytes, n, &one, 1, wheel_single);
  if (whole.size() != split.size() || whole.size() != single.size()) std::abort();
  for (size_t i = 0; i < whole.size(); ++i) {
    check_event(whole[i]);
    if (!same(whole[i], split[i]) || !same(whole[i], single[i])) std::abort();
  }
  if (wheel_whole != wheel_split || wheel_whole != wheel_single) std::abort();
  run_rounds(utf8, bytes, n, cuts, ncuts);
  return 0;
}
