// Dynamic strings, the string functions and arrays.
//
// A dynamic string is a std::string: counted bytes (any byte, 0 included) of the console's
// OEM code page. The length is a 32-bit quantity; a string never grows beyond kTextMaxLength
// bytes. Operations that cannot get storage raise kErrNoMemory and give their defined fallback
// result; no string operation raises an error for an out-of-range position or count.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace text {

// The longest string any operation makes (text_len returns a signed 32-bit length).
inline constexpr uint32_t kTextMaxLength = 0x7FFFFFFF;

// variable := copy of value. On allocation failure the variable is left empty (kErrNoMemory).
void text_assign(std::string& variable, std::string_view value);

// a followed by b (one allocation of the combined length).
std::string text_concat(std::string_view a, std::string_view b);

// The concatenation of the parts in order, made with one allocation of the total length.
// A total beyond 32 bits gives "" and kErrBadCall; no storage gives "" and kErrNoMemory.
std::string text_join(std::initializer_list<std::string_view> parts);
std::string text_join(std::span<const std::string> parts);

// Three-way byte order (unsigned bytes, a prefix is less): -1, 0 or 1.
int32_t text_compare(std::string_view a, std::string_view b);

int32_t text_len(std::string_view s);

// Upper/lower case. Mode 0: the platform's rules for its code page when it has them, else
// code page 437's case pairs. Any other mode: the fixed table (ASCII letters and the pairs
// 84/8E, 94/99, 81/9A, 82/90, A4/A5, 86/8F, 87/80). On allocation failure the operand is
// returned unchanged (kErrNoMemory).
inline constexpr int32_t kCasePlatform = 0;    // the platform's rules, else code page 437's
inline constexpr int32_t kCaseFixedTable = 1;  // the fixed table, the same on every platform
std::string text_upper(std::string_view s, int32_t mode);
std::string text_lower(std::string_view s, int32_t mode);
// Capitalises words: the first letter of each word upper-cased, the rest lower-cased, with
// the same modes. A word starts after any byte that is not a letter of the mode's table.
std::string text_proper(std::string_view s, int32_t mode);

// Part of s from position start (1-based; negative counts from the end, -1 is the last
// byte) for count bytes (negative count adds L). Clamps; never raises for positions.
std::string text_mid(std::string_view s, int32_t start, int32_t count);

// count copies of the byte given by the low 8 bits of code; negative or unallocatable
// counts give "" and kErrNoMemory.
std::string text_fill(int32_t count, int32_t code);
// count copies of the first byte of s ("" when s is empty or count is 0).
std::string text_fill_first(int32_t count, std::string_view s);
// count copies of s (the last copy cut at count * L bytes); "" and kErrNoMemory when too long.
std::string text_repeat(std::string_view s, int32_t count);

// Set and substring family. When s or the second operand is empty, removal and retention
// return s unchanged and counting returns 0.
std::string text_remove_any(std::string_view s, std::string_view set);  // drop bytes in set
std::string text_retain_any(std::string_view s, std::string_view set);  // keep bytes in set
std::string text_remove(std::string_view s, std::string_view sub);      // drop occurrences
std::string text_retain(std::string_view s, std::string_view sub);      // keep occurrences
int32_t text_count_any(std::string_view s, std::string_view set);       // bytes in set
int32_t text_count(std::string_view s, std::string_view sub);  // non-overlapping occurrences
// Position (1-based) of sub in s searching forwards from start, or backwards from start
// (0 or a start beyond the end searches from the end). 0 when not found or sub is empty.
int32_t text_find(std::string_view s, std::string_view sub, int32_t start = 1);
int32_t text_find_back(std::string_view s, std::string_view sub, int32_t start = 0);

// text_chr: a string built from character codes. Each argument is a code (its low 8 bits;
// -1 adds nothing), a CodeRange (first..last inclusive, nothing when first > last) or a
// string (each of its bytes). Example: text_chr(0, 77) is "\0M".
struct CodeRange {
  int32_t first;
  int32_t last;
};

class ChrPart {
 public:
  ChrPart(int32_t code) : kind_(Kind::kCode), first_(code) {}  // NOLINT: implicit by design
  ChrPart(CodeRange range) : kind_(Kind::kRange), first_(range.first), last_(range.last) {}
  ChrPart(std::string_view bytes) : kind_(Kind::kBytes), bytes_(bytes) {}
  ChrPart(const char* bytes) : kind_(Kind::kBytes), bytes_(bytes) {}
  ChrPart(const std::string& bytes) : kind_(Kind::kBytes), bytes_(bytes) {}

  uint64_t length() const;
  char* write(char* out) const;

 private:
  enum class Kind { kCode, kRange, kBytes };
  Kind kind_;
  int32_t first_ = 0;
  int32_t last_ = 0;
  std::string_view bytes_;
};

std::string text_chr(std::initializer_list<ChrPart> parts);
template <class... Codes>
std::string text_chr(const Codes&... codes) {
  return text_chr({ChrPart(codes)...});
}

// A zero-terminated copy of s for a platform call, cut at 255 bytes, with a report of
// whether the copy holds "*" or "?".
struct CBufInfo {
  uint32_t length;
  bool wildcard;
};
CBufInfo text_to_cbuf(std::string_view s, char (&buffer)[256]);

// One-dimensional arrays of strings or 32-bit integers with signed bounds.
template <class T>
struct Array {
  bool exists = false;
  int32_t lower = 0;
  int32_t upper = -1;
  std::vector<T> elements;

  // True when the array exists and index lies within its bounds.
  bool contains(int32_t index) const { return exists && index >= lower && index <= upper; }
  // Element access. An index outside the bounds (or a missing array) raises kErrBadBounds and
  // gives a scratch element that is reset on every such access.
  T& operator[](int32_t index);
  const T& operator[](int32_t index) const;
};

using StringArray = Array<std::string>;
using IntArray = Array<int32_t>;

// Creates the array with every element empty / 0. An existing array is left untouched.
// upper < lower, or more than 32 bits of elements or bytes, raises kErrBadBounds; no storage raises
// kErrNoMemory.
template <class T>
void array_dim(Array<T>& array, int32_t lower, int32_t upper);
// Releases every element; the array no longer exists. Nothing happens to a missing array.
template <class T>
void array_erase(Array<T>& array);

extern template struct Array<std::string>;
extern template struct Array<int32_t>;
extern template void array_dim(Array<std::string>&, int32_t, int32_t);
extern template void array_dim(Array<int32_t>&, int32_t, int32_t);
extern template void array_erase(Array<std::string>&);
extern template void array_erase(Array<int32_t>&);

// Test seam: lowers the longest string (and the largest array storage, in bytes) that
// operations may make, so that the allocation failure paths can be exercised. Pass
// kTextMaxLength to restore.
void text_set_length_limit(uint32_t limit) noexcept;
uint32_t text_length_limit() noexcept;

}  // namespace text
