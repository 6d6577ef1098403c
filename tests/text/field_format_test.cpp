#include "text/format.h"

#include <gtest/gtest.h>

#include <string>

#include "format_test_support.h"
#include "runtime/error.h"
#include "text/strings.h"

namespace {

using format_test::above;
using format_test::below;
using format_test::field;
using format_test::MaskCase;
using runtime::ErrorScope;

TEST(FieldFormat, RowNumbersThroughTwoHashes) {
  for (int32_t i = 1; i <= 99; ++i) {
    const std::string expected =
        i < 10 ? std::string(" ") + static_cast<char>('0' + i) : std::to_string(i);
    EXPECT_EQ(field("##", i), expected);
  }
  EXPECT_EQ(field("##", 5), " 5");
  EXPECT_EQ(field("##", 123), "123");
  EXPECT_EQ(field("##", -5), "-5");
  EXPECT_EQ(field("##", -0.4L), " 0");
}

TEST(FieldFormat, NumericFieldGrammar) {
  const MaskCase cases[] = {
      {"###.##", 3.14159L, "  3.14"},
      {"##.##", 0.125L, " 0.12"},
      {"##.##", 0.375L, " 0.38"},
      {".##", 0.5L, ".50"},
      {"**###", 42, "***42"},
      {"**$##", 42, "**$42"},
      {"$$###", 42, "  $42"},
      {"$$###", -42, " -$42"},
      {"#,###", 1234, "1,234"},
      {"#,###", 1234567, "1,234,567"},
      {"+##", 5, " +5"},
      {"+##", -5, " -5"},
      {"##+", 5, " 5+"},
      {"##-", -5, " 5-"},
      {"##-", 5, " 5 "},
      {"##.##^^^^", 12345, "12.34E+03"},
      {"#.#^^^", 0.5L, "5.0E-1"},
      {"##", 1e25L, "10E+24"},
      {"##.", 5, " 5."},
      {"*x###", 7, "xxxx7"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(field(c.mask, c.value), c.expected) << "field '" << c.mask << "'";
  }
}

TEST(FieldFormat, RoundingDecidesOnTheWholeDroppedPart) {
  const MaskCase cases[] = {
      {"#", 2.51L, "3"},
      {"#", 2.5L, "2"},
      {"#", 3.5L, "4"},
      {"#", above(2.5L), "3"},
      {"#", below(3.5L), "3"},
      {"##.#", 2.2501L, " 2.3"},
      {"##.#", 2.25L, " 2.2"},
      {"##.#", below(2.25L), " 2.2"},
      {"##.#", above(2.25L), " 2.3"},
      {"#^^^^", 2.51L, "3E+00"},
      {"#^^^^", 2.5L, "2E+00"},
      {"#^^^^", above(2.5L), "3E+00"},
      {"#^^^^", 3.5L, "4E+00"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(field(c.mask, c.value), c.expected)
        << "field '" << c.mask << "' value " << static_cast<double>(c.value);
  }
}

TEST(FieldFormat, LiteralsStringFieldsAndRepeatedMask) {
  EXPECT_EQ(field("Total _# = ## units", 7), "Total # =  7 units");
  text::FieldFormat f = text::field_begin("x## ");
  text::field_number(f, 1);
  text::field_number(f, 22);
  EXPECT_EQ(text::field_end(f), "x 1 x22 ");

  f = text::field_begin("[!] [&] [\\  \\]");
  text::field_text(f, "hello");
  text::field_text(f, "whole");
  text::field_text(f, "abcdef");
  EXPECT_EQ(text::field_end(f), "[h] [whole] [abcd]");
  f = text::field_begin("<\\  \\>");
  text::field_text(f, "ab");
  EXPECT_EQ(text::field_end(f), "<ab  >");
  f = text::field_begin("!");
  text::field_text(f, "");
  EXPECT_EQ(text::field_end(f), " ");
  // A value with no field of its kind shows only the mask text.
  EXPECT_EQ(field("no field", 5), "no field");
  EXPECT_EQ(field("a+b", 5), "a+b");
}

TEST(FieldFormat, OutputLimitKeepsNumericFieldsWhole) {
  const std::string text_1020(1020, 'a');
  EXPECT_EQ(field(text_1020 + "##########", 12345).size(), 1030u);
  const std::string text_2000(2000, 'b');
  EXPECT_EQ(field(text_2000 + "##", 12), std::string(1024, 'b'));
  text::FieldFormat f = text::field_begin("&");
  for (int i = 0; i < 10; ++i) text::field_text(f, std::string(300, 'c'));
  EXPECT_EQ(text::field_end(f).size(), 1024u);
}

TEST(FieldFormat, BufferFailureRaises7AndGivesEmpty) {
  ErrorScope scope;
  text::text_set_length_limit(100);
  text::FieldFormat f = text::field_begin("##");
  text::text_set_length_limit(text::kTextMaxLength);
  EXPECT_EQ(runtime::error_take(), 7);
  text::field_number(f, 5);
  EXPECT_EQ(text::field_end(f), "");
}

}  // namespace
