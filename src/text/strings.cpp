#include "text/strings.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "platform/system.h"
#include "runtime/error.h"
#include "runtime/platform_access.h"
#include "text/storage.h"

namespace text {
namespace {

uint32_t g_length_limit = kTextMaxLength;

// Makes a string of `length` bytes (contents unspecified) or raises kErrNoMemory and returns false.
bool make_storage(std::string& out, uint64_t length) {
  return with_storage(length, [&] {
    out.resize(static_cast<size_t>(length));
    return true;
  });
}

// The fallback of operations that give their operand unchanged when storage fails.
std::string copy_or_empty(std::string_view s) {
  if (s.size() > g_length_limit) return {};
  try {
    return std::string(s);
  } catch (const std::bad_alloc&) {
    return {};
  }
}

std::string from_view(std::string_view s) {
  std::string out;
  if (!s.empty() && make_storage(out, s.size())) std::memcpy(out.data(), s.data(), s.size());
  return out;
}

// The fixed case table: ASCII letters and the code page 437 pairs.
struct CaseTable {
  std::array<unsigned char, 256> upper;
  std::array<unsigned char, 256> lower;
  constexpr CaseTable() : upper(), lower() {
    for (int i = 0; i < 256; ++i) {
      upper[i] = static_cast<unsigned char>(i);
      lower[i] = static_cast<unsigned char>(i);
    }
    for (int c = 'a'; c <= 'z'; ++c) {
      upper[c] = static_cast<unsigned char>(c - 32);
      lower[c - 32] = static_cast<unsigned char>(c);
    }
    constexpr unsigned char pairs[][2] = {{0x84, 0x8E}, {0x94, 0x99}, {0x81, 0x9A}, {0x82, 0x90},
                                          {0xA4, 0xA5}, {0x86, 0x8F}, {0x87, 0x80}};
    for (const auto& p : pairs) {
      upper[p[0]] = p[1];
      lower[p[1]] = p[0];
    }
  }
};
constexpr CaseTable kCase;

bool is_letter(unsigned char c) {
  return kCase.upper[c] != c || kCase.lower[c] != c;
}

enum class CaseDir { kUpper, kLower };

// Converts `out` in place: mode 0 asks the platform first, every other mode (and a platform
// without rules of its own) uses the fixed table.
void convert_case(std::string& out, int32_t mode, CaseDir dir) {
  if (out.empty()) return;
  if (mode == kCasePlatform) {
    platform::System* sys = runtime::installed_platform().system;
    if (sys) {
      const auto length = static_cast<uint32_t>(out.size());
      bool done = dir == CaseDir::kUpper ? sys->char_upper(out.data(), length)
                                         : sys->char_lower(out.data(), length);
      if (done) return;
    }
  }
  const auto& table = dir == CaseDir::kUpper ? kCase.upper : kCase.lower;
  for (char& c : out) c = static_cast<char>(table[static_cast<unsigned char>(c)]);
}

std::string case_of(std::string_view s, int32_t mode, CaseDir dir) {
  if (s.empty()) return {};
  std::string out;
  if (!make_storage(out, s.size())) return copy_or_empty(s);
  std::memcpy(out.data(), s.data(), s.size());
  convert_case(out, mode, dir);
  return out;
}

struct ByteSet {
  std::array<bool, 256> has{};
  explicit ByteSet(std::string_view set) {
    for (char c : set) has[static_cast<unsigned char>(c)] = true;
  }
  bool operator()(char c) const { return has[static_cast<unsigned char>(c)]; }
};

// Keeps (keep = true) or drops the bytes of s that are in set.
std::string filter_set(std::string_view s, std::string_view set, bool keep) {
  if (s.empty() || set.empty()) return from_view(s);
  ByteSet in(set);
  size_t kept = 0;
  for (char c : s) kept += in(c) == keep;
  if (kept == s.size()) return from_view(s);
  std::string out;
  if (kept == 0 || !make_storage(out, kept)) return {};
  char* w = out.data();
  for (char c : s)
    if (in(c) == keep) *w++ = c;
  return out;
}

int32_t clamp_count(uint64_t n) {
  return n > static_cast<uint64_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(n);
}

}  // namespace

void text_set_length_limit(uint32_t limit) noexcept {
  g_length_limit = std::min(limit, kTextMaxLength);
}

uint32_t text_length_limit() noexcept {
  return g_length_limit;
}

void text_assign(std::string& variable, std::string_view value) {
  if (value.empty()) {
    std::string().swap(variable);
    return;
  }
  const bool assigned = with_storage(value.size(), [&] {
    variable.assign(value.data(), value.size());
    return true;
  });
  if (!assigned) std::string().swap(variable);
}

std::string text_concat(std::string_view a, std::string_view b) {
  return text_join({a, b});
}

namespace {
template <class Range>
std::string join_range(const Range& parts) {
  uint64_t total = 0;
  for (const auto& p : parts) total += p.size();
  if (total > UINT32_MAX) {
    runtime::error_raise(runtime::kErrBadCall);
    return {};
  }
  std::string out;
  if (total == 0 || !make_storage(out, total)) return {};
  char* w = out.data();
  for (const auto& p : parts) {
    if (!p.empty()) std::memcpy(w, p.data(), p.size());
    w += p.size();
  }
  return out;
}
}  // namespace

std::string text_join(std::initializer_list<std::string_view> parts) {
  return join_range(parts);
}
std::string text_join(std::span<const std::string> parts) {
  return join_range(parts);
}

int32_t text_compare(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  const int c = n ? std::memcmp(a.data(), b.data(), n) : 0;  // memcmp compares unsigned bytes
  if (c != 0) return c < 0 ? -1 : 1;
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

int32_t text_len(std::string_view s) {
  return clamp_count(s.size());
}

std::string text_upper(std::string_view s, int32_t mode) {
  return case_of(s, mode, CaseDir::kUpper);
}
std::string text_lower(std::string_view s, int32_t mode) {
  return case_of(s, mode, CaseDir::kLower);
}

std::string text_proper(std::string_view s, int32_t mode) {
  std::string out = case_of(s, mode, CaseDir::kLower);
  if (out.size() != s.size()) return out;  // storage failed: operand returned
  bool word_start = true;
  for (size_t i = 0; i < out.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (is_letter(c)) {
      if (word_start) {
        std::string one(1, out[i]);
        convert_case(one, mode, CaseDir::kUpper);
        out[i] = one[0];
      }
      word_start = false;
    } else {
      word_start = true;
    }
  }
  return out;
}

std::string text_mid(std::string_view s, int32_t start, int32_t count) {
  const int64_t length = static_cast<int64_t>(s.size());
  int64_t n = count;
  if (n < 0) n += length;
  if (start == 0) return {};
  int64_t first = start;
  if (first < 0) {
    if (first + length < 0) return {};
    first += length + 1;
  }
  const int64_t skip = first - 1;
  const uint64_t available = skip > length ? 0 : static_cast<uint64_t>(length - skip);
  // A count still negative is a huge unsigned count: everything available.
  const uint64_t want = static_cast<uint32_t>(static_cast<int32_t>(n));
  const uint64_t take = std::min(available, want);
  if (take == 0) return {};
  std::string out;
  if (!make_storage(out, take)) return copy_or_empty(s);
  std::memcpy(out.data(), s.data() + skip, take);
  return out;
}

std::string text_fill(int32_t count, int32_t code) {
  if (count == 0) return {};
  std::string out;
  if (!make_storage(out, static_cast<uint32_t>(count))) return {};
  std::memset(out.data(), code & 0xFF, out.size());
  return out;
}

std::string text_fill_first(int32_t count, std::string_view s) {
  if (s.empty()) return {};
  return text_fill(count, static_cast<unsigned char>(s[0]));
}

std::string text_repeat(std::string_view s, int32_t count) {
  if (count == 0 || s.empty()) return {};
  const uint64_t total = static_cast<uint64_t>(static_cast<uint32_t>(count)) * s.size();
  std::string out;
  if (!make_storage(out, total)) return {};
  for (uint64_t at = 0; at < total; at += s.size()) {
    std::memcpy(out.data() + at, s.data(), std::min<uint64_t>(s.size(), total - at));
  }
  return out;
}

std::string text_remove_any(std::string_view s, std::string_view set) {
  return filter_set(s, set, false);
}
std::string text_retain_any(std::string_view s, std::string_view set) {
  return filter_set(s, set, true);
}

int32_t text_count_any(std::string_view s, std::string_view set) {
  if (s.empty() || set.empty()) return 0;
  ByteSet in(set);
  uint64_t n = 0;
  for (char c : s) n += in(c);
  return clamp_count(n);
}

int32_t text_count(std::string_view s, std::string_view sub) {
  if (s.empty() || sub.empty()) return 0;
  uint64_t n = 0;
  for (size_t at = s.find(sub); at != std::string_view::npos; at = s.find(sub, at + sub.size()))
    ++n;
  return clamp_count(n);
}

std::string text_remove(std::string_view s, std::string_view sub) {
  const int32_t n = text_count(s, sub);
  if (n == 0) return from_view(s);
  const uint64_t length = s.size() - static_cast<uint64_t>(n) * sub.size();
  std::string out;
  if (length == 0 || !make_storage(out, length)) return {};
  char* w = out.data();
  size_t from = 0;
  for (size_t at = s.find(sub); at != std::string_view::npos; at = s.find(sub, from)) {
    std::memcpy(w, s.data() + from, at - from);
    w += at - from;
    from = at + sub.size();
  }
  std::memcpy(w, s.data() + from, s.size() - from);
  return out;
}

std::string text_retain(std::string_view s, std::string_view sub) {
  if (s.empty() || sub.empty()) return from_view(s);
  return text_repeat(sub, text_count(s, sub));
}

int32_t text_find(std::string_view s, std::string_view sub, int32_t start) {
  if (sub.empty() || s.empty()) return 0;
  const size_t from = start < 1 ? 0 : static_cast<size_t>(start) - 1;
  if (from >= s.size()) return 0;
  const size_t at = s.find(sub, from);
  return at == std::string_view::npos ? 0 : clamp_count(at + 1);
}

int32_t text_find_back(std::string_view s, std::string_view sub, int32_t start) {
  if (sub.empty() || s.empty()) return 0;
  size_t from = std::string_view::npos;
  if (start > 0 && static_cast<size_t>(start) <= s.size()) from = static_cast<size_t>(start) - 1;
  const size_t at = s.rfind(sub, from);
  return at == std::string_view::npos ? 0 : clamp_count(at + 1);
}

uint64_t ChrPart::length() const {
  switch (kind_) {
    case Kind::kCode:
      return first_ == -1 ? 0 : 1;
    case Kind::kRange:
      return first_ > last_ ? 0 : static_cast<uint64_t>(int64_t{last_} - first_ + 1);
    case Kind::kBytes:
      break;
  }
  return bytes_.size();
}

char* ChrPart::write(char* out) const {
  switch (kind_) {
    case Kind::kCode:
      if (first_ != -1) *out++ = static_cast<char>(first_ & 0xFF);
      return out;
    case Kind::kRange:
      for (int64_t c = first_; c <= last_; ++c) *out++ = static_cast<char>(c & 0xFF);
      return out;
    case Kind::kBytes:
      break;
  }
  if (!bytes_.empty()) std::memcpy(out, bytes_.data(), bytes_.size());
  return out + bytes_.size();
}

std::string text_chr(std::initializer_list<ChrPart> parts) {
  uint64_t total = 0;
  for (const auto& p : parts) total += p.length();
  std::string out;
  if (total == 0 || !make_storage(out, total)) return {};
  char* w = out.data();
  for (const auto& p : parts) w = p.write(w);
  return out;
}

CBufInfo text_to_cbuf(std::string_view s, char (&buffer)[256]) {
  const size_t n = std::min<size_t>(s.size(), 255);
  if (n) std::memcpy(buffer, s.data(), n);
  buffer[n] = '\0';
  bool wildcard = false;
  for (size_t i = 0; i < n; ++i) wildcard |= buffer[i] == '*' || buffer[i] == '?';
  return {static_cast<uint32_t>(n), wildcard};
}

// Arrays.

namespace {
template <class T>
T& scratch_element() {
  static T scratch{};
  scratch = T{};
  return scratch;
}
}  // namespace

template <class T>
T& Array<T>::operator[](int32_t index) {
  if (!contains(index)) {
    runtime::error_raise(runtime::kErrBadBounds);
    return scratch_element<T>();
  }
  return elements[static_cast<size_t>(int64_t{index} - lower)];
}

template <class T>
const T& Array<T>::operator[](int32_t index) const {
  if (!contains(index)) {
    runtime::error_raise(runtime::kErrBadBounds);
    return scratch_element<T>();
  }
  return elements[static_cast<size_t>(int64_t{index} - lower)];
}

template <class T>
void array_dim(Array<T>& array, int32_t lower, int32_t upper) {
  if (array.exists) return;
  const int64_t extent = int64_t{upper} - lower + 1;
  // Each element is a 32-bit handle or integer; both the count and the bytes must fit in 32
  // bits.
  if (extent < 1 || static_cast<uint64_t>(extent) * 4 > UINT32_MAX) {
    runtime::error_raise(runtime::kErrBadBounds);
    return;
  }
  const bool made = with_storage(static_cast<uint64_t>(extent) * sizeof(T), [&] {
    std::vector<T> storage(static_cast<size_t>(extent));
    array.elements.swap(storage);
    return true;
  });
  if (!made) return;
  array.lower = lower;
  array.upper = upper;
  array.exists = true;
}

template <class T>
void array_erase(Array<T>& array) {
  if (!array.exists) return;
  std::vector<T>().swap(array.elements);
  array.exists = false;
  array.lower = 0;
  array.upper = -1;
}

template struct Array<std::string>;
template struct Array<int32_t>;
template void array_dim(Array<std::string>&, int32_t, int32_t);
template void array_dim(Array<int32_t>&, int32_t, int32_t);
template void array_erase(Array<std::string>&);
template void array_erase(Array<int32_t>&);

}  // namespace text
