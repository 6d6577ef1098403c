#include "text/strings.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/system.h"
#include "runtime/error.h"
#include "runtime/platform_access.h"

namespace {

using namespace std::string_literals;
using runtime::ErrorScope;

// Restores the storage limit however a test ends.
struct LengthLimit {
  explicit LengthLimit(uint32_t limit) { text::text_set_length_limit(limit); }
  ~LengthLimit() { text::text_set_length_limit(text::kTextMaxLength); }
};

TEST(TextBasics, AssignCopiesAndEmptyIsEqualToEmpty) {
  std::string a = "old";
  text::text_assign(a, "");
  EXPECT_TRUE(a.empty());
  EXPECT_EQ(text::text_len(a), 0);
  EXPECT_EQ(text::text_compare(a, std::string()), 0);

  std::string source = "val\0ue"s;
  text::text_assign(a, source);
  source[0] = 'X';
  EXPECT_EQ(a, "val\0ue"s);
  EXPECT_EQ(text::text_len(a), 6);
  text::text_assign(a, std::string_view(a).substr(3));  // overlapping source
  EXPECT_EQ(a, "\0ue"s);
}

TEST(TextBasics, CompareIsUnsignedBytewiseAndPrefixIsLess) {
  EXPECT_EQ(text::text_compare("ABC", "ABCD"), -1);
  EXPECT_EQ(text::text_compare("ABCD", "ABC"), 1);
  EXPECT_EQ(text::text_compare("a", "B"), 1);
  EXPECT_EQ(text::text_compare("\x80", "\x7F"), 1);  // bytes above 0x7F are greater
  EXPECT_EQ(text::text_compare("a\0b"s, "a\0c"s), -1);
  EXPECT_EQ(text::text_compare("same", "same"), 0);
}

TEST(TextBasics, ConcatAndJoinKeepOrderAndEmbeddedZeros) {
  EXPECT_EQ(text::text_concat("ab", "\0c"s), "ab\0c"s);
  EXPECT_EQ(text::text_join({"  ", "1", "", "    ", "29,791"}), "  1    29,791");
  const std::string parts[] = {"x", "yz", ""};
  EXPECT_EQ(text::text_join(std::span<const std::string>(parts)), "xyz");
  EXPECT_EQ(text::text_join({}), "");
}

TEST(TextBasics, JoinBeyond32BitsRaises5WithoutCopying) {
  ErrorScope scope;
  // Views over one small buffer whose claimed lengths sum past 32 bits; nothing is read
  // because the total is checked first.
  static const char byte = 'x';
  const std::string_view huge(&byte, 0x80000000u);
  EXPECT_EQ(text::text_join({huge, huge, huge}), "");
  EXPECT_EQ(runtime::error_take(), 5);
}

TEST(TextCase, TableModeConvertsLettersAndCodePagePairsOnly) {
  EXPECT_EQ(text::text_upper("file-09z", 1), "FILE-09Z");
  EXPECT_EQ(text::text_upper("\x84\x94\x81\x82\xA4\x86\x87\xE4", 1),
            "\x8E\x99\x9A\x90\xA5\x8F\x80\xE4");
  EXPECT_EQ(text::text_lower("ABC\x8E\x99\x9A\x90\xA5\x8F\x80\xE1", 1),
            "abc\x84\x94\x81\x82\xA4\x86\x87\xE1");
  EXPECT_EQ(text::text_upper("", 1), "");
  // Bytes next to the letters stay.
  EXPECT_EQ(text::text_upper("`{@[", 1), "`{@[");
}

class ShoutingSystem : public platform::System {
 public:
  void sleep_ms(uint32_t) override {}
  uint32_t platform_id() override { return 2; }
  const char* command_line() override { return ""; }
  uintptr_t module_handle() override { return 0; }
  uint32_t show_command() override { return 10; }
  [[noreturn]] void exit_now(int code) override { std::_Exit(code); }
  bool char_upper(char* s, uint32_t n) override {
    for (uint32_t i = 0; i < n; ++i) s[i] = '!';
    return true;
  }
};

TEST(TextCase, ModeZeroUsesPlatformRulesWhenGivenElseCodePage437) {
  const platform::Platform saved = runtime::installed_platform();
  EXPECT_EQ(text::text_upper("ab\x84", 0), "AB\x8E");  // whatever is installed has no rules
  ShoutingSystem system;
  platform::Platform with_rules = saved;
  with_rules.system = &system;
  runtime::install_platform(with_rules);
  EXPECT_EQ(text::text_upper("ab", 0), "!!");
  EXPECT_EQ(text::text_upper("ab", 1), "AB");          // table mode never asks
  EXPECT_EQ(text::text_lower("AB\x8E", 0), "ab\x84");  // no lower rules: code page pairs
  runtime::install_platform(saved);
}

TEST(TextCase, ProperCapitalisesEachWord) {
  EXPECT_EQ(text::text_proper("hELLO wORLD-wide 9lives", 1), "Hello World-Wide 9Lives");
  EXPECT_EQ(text::text_proper("\x84pfel", 1), "\x8Epfel");
  EXPECT_EQ(text::text_proper("", 1), "");
}

TEST(TextMid, ClampsPositionsAndCounts) {
  const std::string ten = "0123456789";
  EXPECT_EQ(text::text_mid(ten, 1, 14), ten);
  EXPECT_EQ(text::text_mid(ten, 15, 42), "");
  EXPECT_EQ(text::text_mid(ten, -1, 1), "9");
  EXPECT_EQ(text::text_mid(ten, -10, 2), "01");
  EXPECT_EQ(text::text_mid(ten, -11, 2), "");  // start + L negative
  EXPECT_EQ(text::text_mid(ten, 0, 5), "");
  EXPECT_EQ(text::text_mid(ten, 3, -4), "234567");     // count + L = 6
  EXPECT_EQ(text::text_mid(ten, 3, -20), "23456789");  // still negative: all available
  EXPECT_EQ(text::text_mid(ten, 11, 1), "");
  EXPECT_EQ(text::text_mid(ten, 10, 5), "9");
  EXPECT_EQ(text::text_mid("  Orvane-Table :: Quillframe", 1, 14), "  Orvane-Table");
  EXPECT_EQ(text::text_mid(ten, INT32_MIN, INT32_MIN), "");
  EXPECT_EQ(text::text_mid(ten, INT32_MAX, INT32_MAX), "");
}

TEST(TextFill, FillRepeatAndFirstByteCopies) {
  ErrorScope scope;
  EXPECT_EQ(text::text_fill(3, 0x12D), "---");  // low 8 bits of the code
  EXPECT_EQ(text::text_fill(0, 32), "");
  EXPECT_EQ(runtime::error_number(), 0);
  EXPECT_EQ(text::text_fill(-1, 32), "");  // a huge unsigned count
  EXPECT_EQ(runtime::error_take(), 7);

  EXPECT_EQ(text::text_repeat(" ", 78), std::string(78, ' '));
  EXPECT_EQ(text::text_repeat("ab", 3), "ababab");
  EXPECT_EQ(text::text_repeat("ab", 0), "");
  EXPECT_EQ(text::text_repeat("", 5), "");
  EXPECT_EQ(runtime::error_number(), 0);
  EXPECT_EQ(text::text_repeat("ab", -1), "");
  EXPECT_EQ(runtime::error_take(), 7);

  EXPECT_EQ(text::text_fill_first(4, "xyz"), "xxxx");
  EXPECT_EQ(text::text_fill_first(4, ""), "");
}

TEST(TextFill, StorageFailureGivesDefinedFallbacks) {
  ErrorScope scope;
  LengthLimit limit(4);
  std::string v = "before";
  text::text_assign(v, "too long");
  EXPECT_TRUE(v.empty());
  EXPECT_EQ(runtime::error_take(), 7);
  EXPECT_EQ(text::text_join({"abc", "de"}), "");
  EXPECT_EQ(runtime::error_take(), 7);
  EXPECT_EQ(text::text_chr(text::CodeRange{'a', 'z'}), "");
  EXPECT_EQ(runtime::error_take(), 7);
  EXPECT_EQ(text::text_repeat("ab", 3), "");
  EXPECT_EQ(runtime::error_take(), 7);
  EXPECT_EQ(text::text_fill(5, 'x'), "");
  EXPECT_EQ(runtime::error_take(), 7);
  // Results that fit are still made.
  EXPECT_EQ(text::text_join({"ab", "cd"}), "abcd");
  EXPECT_EQ(runtime::error_take(), 0);
}

TEST(TextSets, RemoveAnyIsTheFileNameCheck) {
  const std::string legal = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-";
  EXPECT_EQ(text::text_remove_any("MY-FILE-01", legal), "");
  EXPECT_EQ(text::text_remove_any("MY FILE", legal), " ");
  EXPECT_EQ(text::text_remove_any("", legal), "");
  EXPECT_EQ(text::text_remove_any("A.B*C", legal), ".*");
  EXPECT_EQ(text::text_remove_any("abc", ""), "abc");
  EXPECT_EQ(text::text_remove_any("a\0b"s, "\0"s), "ab");
}

TEST(TextSets, RetainCountAndSubstringOperations) {
  EXPECT_EQ(text::text_retain_any("a1b2c3", "0123456789"), "123");
  EXPECT_EQ(text::text_retain_any("abc", ""), "abc");
  EXPECT_EQ(text::text_count_any("a1b2c3", "abc"), 3);
  EXPECT_EQ(text::text_count_any("", "abc"), 0);
  EXPECT_EQ(text::text_count("aaaa", "aa"), 2);  // occurrences do not overlap
  EXPECT_EQ(text::text_count("abc", ""), 0);
  EXPECT_EQ(text::text_remove("a--b--c", "--"), "abc");
  EXPECT_EQ(text::text_remove("----", "--"), "");
  EXPECT_EQ(text::text_remove("abc", ""), "abc");
  EXPECT_EQ(text::text_retain("xabyabz", "ab"), "abab");
  EXPECT_EQ(text::text_retain("xyz", "ab"), "");
}

TEST(TextSets, SearchForwardsAndBackwards) {
  const std::string s = "abcabc";
  EXPECT_EQ(text::text_find(s, "bc"), 2);
  EXPECT_EQ(text::text_find(s, "bc", 3), 5);
  EXPECT_EQ(text::text_find(s, "bc", 6), 0);
  EXPECT_EQ(text::text_find(s, "x"), 0);
  EXPECT_EQ(text::text_find(s, ""), 0);
  EXPECT_EQ(text::text_find_back(s, "bc"), 5);
  EXPECT_EQ(text::text_find_back(s, "bc", 4), 2);
  EXPECT_EQ(text::text_find_back(s, "abc", 1), 1);
  EXPECT_EQ(text::text_find_back(s, "x"), 0);
}

TEST(TextChr, CodesRangesAndStrings) {
  EXPECT_EQ(text::text_chr(0, 77), "\0M"s);
  EXPECT_EQ(text::text_chr(9), "\t");
  EXPECT_EQ(text::text_chr(-1, 65, -1), "A");
  EXPECT_EQ(text::text_chr(text::CodeRange{'a', 'e'}), "abcde");
  EXPECT_EQ(text::text_chr(text::CodeRange{5, 4}), "");
  EXPECT_EQ(text::text_chr(text::CodeRange{0xFE, 0x101}), "\xFE\xFF\x00\x01"s);
  EXPECT_EQ(text::text_chr(256 + 'x', "yz", std::string("\0w"s)), "xyz\0w"s);
}

TEST(TextCBuf, CutsAt255AndReportsWildcards) {
  char buf[256];
  auto info = text::text_to_cbuf("C:\\TEMP\\NAME.TXT", buf);
  EXPECT_EQ(info.length, 16u);
  EXPECT_FALSE(info.wildcard);
  EXPECT_STREQ(buf, "C:\\TEMP\\NAME.TXT");
  info = text::text_to_cbuf("C:\\TEMP\\*.TXT", buf);
  EXPECT_TRUE(info.wildcard);
  const std::string long_name(300, 'a');
  info = text::text_to_cbuf(long_name + "?", buf);
  EXPECT_EQ(info.length, 255u);
  EXPECT_EQ(buf[255], '\0');
  EXPECT_FALSE(info.wildcard);  // the "?" was cut off
}

TEST(TextArrays, DimKeepsAnExistingArrayAndValidatesBounds) {
  ErrorScope scope;
  text::StringArray lines;
  text::array_dim(lines, 0, 8);
  ASSERT_TRUE(lines.exists);
  EXPECT_EQ(lines.elements.size(), 9u);
  EXPECT_TRUE(lines[8].empty());
  lines[2] = "banner";
  text::array_dim(lines, 0, 3);  // exists: nothing changes
  EXPECT_EQ(lines.upper, 8);
  EXPECT_EQ(lines[2], "banner");
  EXPECT_EQ(runtime::error_number(), 0);

  text::IntArray cubes;
  text::array_dim(cubes, 0, -1);
  EXPECT_EQ(runtime::error_take(), 9);
  EXPECT_FALSE(cubes.exists);
  text::array_dim(cubes, INT32_MIN, INT32_MAX);  // 2^32 elements
  EXPECT_EQ(runtime::error_take(), 9);
  text::array_dim(cubes, -5, 5);
  EXPECT_EQ(cubes[-5], 0);
  cubes[5] = 125;
  EXPECT_EQ(cubes[5], 125);
}

TEST(TextArrays, OutOfBoundsAccessRaises9AndEraseReleases) {
  ErrorScope scope;
  text::StringArray a;
  a[0] = "lost";  // no array yet
  EXPECT_EQ(runtime::error_take(), 9);
  text::array_dim(a, 1, 3);
  EXPECT_EQ(a[4], "");
  EXPECT_EQ(runtime::error_take(), 9);
  a[1] = "kept";
  text::array_erase(a);
  EXPECT_FALSE(a.exists);
  EXPECT_TRUE(a.elements.empty());
  text::array_erase(a);  // nothing happens to a missing array
  EXPECT_EQ(runtime::error_number(), 0);
  text::array_dim(a, 0, 1);  // can be made again, empty
  EXPECT_EQ(a[1], "");
}

TEST(TextArrays, StorageFailureRaises7AndLeavesNoArray) {
  ErrorScope scope;
  LengthLimit limit(64);
  text::IntArray a;
  text::array_dim(a, 0, 1000);
  EXPECT_EQ(runtime::error_take(), 7);
  EXPECT_FALSE(a.exists);
}

}  // namespace
