// The field formatter: a mask of literal text and fields ("##.##", "$$###", "&", "!",
// "\  \"), filled one value at a time.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace text {

// Longest output the field formatter writes for literal text and string fields; a numeric
// field that starts below the limit is written whole after it.
inline constexpr size_t kFieldTextLimit = 1024;
inline constexpr size_t kFieldBufferSize = 2048;

// One field-format expression: field_begin, then field_number/field_text per value, then
// field_end. The state belongs to the caller.
struct FieldFormat {
  std::string mask;
  size_t cursor = 0;  // next mask byte to read
  bool ok = false;    // output buffer obtained
  bool started = false;
  std::string out;  // output buffer (kFieldBufferSize bytes once it outgrows the string)
};

FieldFormat field_begin(std::string_view mask);
void field_number(FieldFormat& state, long double value);
void field_text(FieldFormat& state, std::string_view value);
std::string field_end(FieldFormat& state);

}  // namespace text
