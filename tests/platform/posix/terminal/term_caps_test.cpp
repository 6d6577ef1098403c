// Terminal capabilities from the terminfo entries of the terminals people use, the refusal
// of those the console cannot draw on, and the check of a compiled entry before the terminfo
// library reads it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/posix/terminal/term_caps.h"
#include "platform/posix/terminal/terminfo_check.h"
#include "platform/shown_text.h"

namespace {

using platform::posix::TermCaps;
namespace fs = std::filesystem;

using Bytes = std::vector<uint8_t>;

std::optional<Bytes> read_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The installed entry of `name` (the test needs the ncurses base entries).
Bytes installed(const char* name) {
  for (const char* dir : {"/etc/terminfo", "/lib/terminfo", "/usr/share/terminfo"}) {
    if (auto b = read_bytes(fs::path(dir) / std::string(1, name[0]) / name)) return *b;
  }
  ADD_FAILURE() << "no installed terminfo entry " << name;
  return {};
}

// Sets an environment variable for the life of the object, then puts back what was there.
class ScopedEnv {
 public:
  // A null `value` unsets it.
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// A folder of compiled entries of the test's own, removed at the end.
class EntryFolder {
 public:
  EntryFolder() {
    char tmpl[] = "/tmp/ot-terminfo-XXXXXX";
    path_ = mkdtemp(tmpl);
  }
  ~EntryFolder() { fs::remove_all(path_); }
  const std::string& path() const { return path_; }
  // Writes `bytes` as the entry `name` in the folder `under` of this one, under its first
  // letter or its hexadecimal code.
  void put(const std::string& name, const Bytes& bytes, bool hex = false,
           const std::string& under = ".") {
    char sub[8];
    std::snprintf(sub, sizeof sub, hex ? "%02x" : "%c", hex ? name[0] & 0xFF : name[0]);
    const fs::path dir = fs::path(path_) / under / sub;
    fs::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }

 private:
  std::string path_;
};

class PosixTermCaps : public ::testing::Test {
 protected:
  void SetUp() override { fd_ = open("/dev/null", O_RDWR); }
  void TearDown() override { close(fd_); }
  bool load(const char* name, TermCaps& caps, std::string& why) {
    return TermCaps::from_terminfo(name, fd_, caps, why);
  }
  int fd_ = -1;
};

TEST_F(PosixTermCaps, EntriesSayWhatEachTerminalCanDo) {
  TermCaps caps;
  std::string why;
  unsetenv("COLORTERM");
  ASSERT_TRUE(load("xterm-256color", caps, why)) << why;
  EXPECT_TRUE(caps.bce);
  EXPECT_GE(caps.colours, 16);
  EXPECT_NE(caps.enter_screen.find("\x1b[?1049h"), std::string::npos);
  EXPECT_TRUE(caps.titles);
  EXPECT_TRUE(caps.cursor_shape);
  EXPECT_EQ(caps.cursor_reset, "\x1b[2 q");  // the entry's own (steady block), not "0 q"
  EXPECT_FALSE(caps.keypad_on.empty());

  // xterm's own 8-colour entry: xterm shows the sixteen colours, so the boxes stay white.
  ASSERT_TRUE(load("xterm", caps, why)) << why;
  EXPECT_EQ(caps.colours, 8);
  EXPECT_TRUE(caps.sixteen_colours);

  ASSERT_TRUE(load("screen-256color", caps, why)) << why;
  EXPECT_FALSE(caps.bce);  // erasing gives the default background
  EXPECT_TRUE(caps.titles);
  EXPECT_FALSE(caps.cursor_shape);
  EXPECT_EQ(caps.cursor_reset, "");

  ASSERT_TRUE(load("linux", caps, why)) << why;
  EXPECT_TRUE(caps.bce);
  EXPECT_EQ(caps.colours, 8);
  EXPECT_TRUE(caps.enter_screen.empty());  // no alternate screen
  EXPECT_FALSE(caps.titles);               // a title would show as text
  EXPECT_FALSE(caps.cursor_shape);
  EXPECT_FALSE(caps.hide_cursor.empty());
  EXPECT_FALSE(caps.sixteen_colours);
  setenv("COLORTERM", "truecolor", 1);  // a terminal emulator announcing itself
  ASSERT_TRUE(load("linux", caps, why)) << why;
  EXPECT_TRUE(caps.sixteen_colours);
  unsetenv("COLORTERM");
}

TEST_F(PosixTermCaps, TerminalsThatCannotMoveTheCursorOrAreUnknownAreRefused) {
  // The type comes from the environment: shown in the one-line message without the control
  // characters that would retitle the window or turn the text red, and cut to a sane length.
  const std::string hostile = "xterm\x1b]2;PWNED\a\x1b[31m";
  const std::string huge(65536, 'x');
  for (const std::string& name : {std::string("dumb"), std::string("no-such-terminal-type"),
                                  std::string(), hostile, huge, std::string("../x/xterm"),
                                  std::string("\x9b"
                                              "31m")}) {
    TermCaps caps;
    std::string why;
    EXPECT_FALSE(load(name.c_str(), caps, why)) << name;
    EXPECT_NE(why.find("TERM"), std::string::npos) << why;
    EXPECT_EQ(why.find('\n'), std::string::npos) << why;  // one line
    for (unsigned char c : why) EXPECT_TRUE(c >= 0x20 && c != 0x7F && c != 0x9B) << why;
    EXPECT_LT(why.size(), 200u);
  }
}

TEST(ShownText, ControlsAreReplacedAndLongTextIsCut) {
  using platform::shown_text;
  const std::pair<std::string, std::string> cases[] = {
      {"xterm-256color", "xterm-256color"},
      {"xterm\x1b]2;PWNED\a\x1b[31m", "xterm?]2;PWNED??[31m"},
      {"a\tb\nc\x7f", "a?b?c?"},
      {"caf\xc3\xa9 \xe2\x94\x80", "caf\xc3\xa9 \xe2\x94\x80"},  // UTF-8 kept
      {"\xc2\x9b"
       "31m",
       "?31m"},  // C1 CSI as UTF-8
      {"\x9b"
       "31m\xff\xc3",
       "?31m??"},                              // raw C1, broken UTF-8
      {"\xe0\x80\xaf\xed\xa0\x80", "??????"},  // overlong, surrogate
      {std::string("a\0b", 3), "a?b"},
  };
  for (const auto& [in, want] : cases) EXPECT_EQ(shown_text(in), want) << in;
  const std::string cut = shown_text(std::string(70000, 'x'), 20);
  EXPECT_EQ(cut, std::string(17, 'x') + "...");
  EXPECT_EQ(shown_text(std::string(20, 'x'), 20), std::string(20, 'x'));  // fits: kept whole
  // A cut never splits a character.
  std::string accents;
  for (int i = 0; i < 30; ++i) accents += "\xc3\xa9";
  const std::string cut_accents = shown_text(accents, 20);
  EXPECT_LE(cut_accents.size(), 20u);
  EXPECT_EQ(cut_accents, accents.substr(0, 16) + "...");
}

TEST_F(PosixTermCaps, PaddingIsDroppedNeverSentAsText) {
  using platform::posix::drop_padding;
  const std::pair<const char*, const char*> cases[] = {{"\x1b[?25h$<50>", "\x1b[?25h"},
                                                       {"a$<5*/>b", "ab"},
                                                       {"$<2.5*>x$<1/>", "x"},
                                                       {"$<>", "$<>"},
                                                       {"$<5", "$<5"},
                                                       {"$<x>", "$<x>"},
                                                       {"cost $5", "cost $5"},
                                                       {"$$<3>", "$"},
                                                       {"", ""}};
  for (const auto& [in, want] : cases) EXPECT_EQ(drop_padding(in), want) << in;

  // An entry whose strings carry padding, compiled as the system's compiler does.
  EntryFolder folder;
  const std::string source = folder.path() + "/padded.src";
  std::ofstream(source) << "otpadded|padded strings,\n"
                           "  cup=\\E[%i%p1%d;%p2%dH, civis=\\E[?25l$<20>,\n"
                           "  cnorm=\\E[?25h$<50>, smkx=\\E[?1h$<5*/>, rmkx=\\E[?1l,\n";
  const std::string tic = "tic -o '" + folder.path() + "' '" + source + "' 2>/dev/null";
  if (std::system(tic.c_str()) != 0) GTEST_SKIP() << "tic is not installed";
  ScopedEnv env("TERMINFO", folder.path().c_str());
  TermCaps caps;
  std::string why;
  ASSERT_TRUE(load("otpadded", caps, why)) << why;
  EXPECT_EQ(caps.show_cursor, "\x1b[?25h");
  EXPECT_EQ(caps.hide_cursor, "\x1b[?25l");
  EXPECT_EQ(caps.keypad_on, "\x1b[?1h");
}

TEST(TerminfoCheck, InstalledEntriesAreSoundAndDamagedOnesAreNot) {
  using platform::posix::terminfo_entry_fault;
  int checked = 0;
  for (const char* dir : {"/etc/terminfo", "/lib/terminfo", "/usr/share/terminfo"}) {
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(dir, ec)) {
      if (!e.is_regular_file() || e.is_symlink()) continue;
      auto b = read_bytes(e.path());
      if (!b || b->size() < 2 || ((*b)[0] != 0x1A && (*b)[0] != 0x1E)) continue;  // a README
      EXPECT_EQ(terminfo_entry_fault(b->data(), b->size()), nullptr) << e.path();
      ++checked;
    }
  }
  EXPECT_GT(checked, 10);

  const Bytes good = installed("xterm-256color");  // 32-bit numbers, extended part
  const Bytes legacy = installed("vt100");         // 16-bit numbers, none
  ASSERT_GT(good.size(), 100u);
  ASSERT_GT(legacy.size(), 100u);
  ASSERT_EQ(terminfo_entry_fault(good.data(), good.size()), nullptr);
  // Each header field, and a few bytes past the legacy sections, set to what no sound entry
  // holds.
  auto with = [](Bytes b, size_t at, std::vector<uint8_t> put) {
    for (size_t i = 0; i < put.size(); ++i) b[at + i] = put[i];
    return b;
  };
  auto field = [](const Bytes& b, int i) { return b[2 * i] | b[2 * i + 1] << 8; };
  const size_t names = static_cast<size_t>(field(good, 1));
  const size_t bools = static_cast<size_t>(field(good, 2));
  const size_t offsets = (12 + names + bools + 1) / 2 * 2 + 4 * static_cast<size_t>(field(good, 3));
  const size_t table = offsets + 2 * static_cast<size_t>(field(good, 4));
  const size_t ext = (table + static_cast<size_t>(field(good, 5)) + 1) / 2 * 2;
  // The extended table: the first value's NUL lost runs it into the next, which moves every
  // name past it (the library finds the names by adding up the values' sizes).
  const size_t ext_bools = static_cast<size_t>(good[ext] | good[ext + 1] << 8);
  const size_t ext_numbers = static_cast<size_t>(good[ext + 2] | good[ext + 3] << 8);
  const size_t ext_strings = static_cast<size_t>(good[ext + 4] | good[ext + 5] << 8);
  const size_t ext_table = (ext + 10 + ext_bools + 1) / 2 * 2 + 4 * ext_numbers + 4 * ext_strings +
                           2 * (ext_bools + ext_numbers);
  size_t first_nul = ext_table;
  while (first_nul < good.size() && good[first_nul] != 0) ++first_nul;
  ASSERT_LT(first_nul, good.size());
  const std::pair<const char*, Bytes> damaged[] = {
      {"extended values that overlap", with(good, first_nul, {'x'})},
      {"an extended table larger than its strings",
       [&] {
         Bytes b = with(good, ext + 8, {static_cast<uint8_t>(good[ext + 8] + 2), good[ext + 9]});
         b.insert(b.end(), {0, 0});
         return b;
       }()},
      {"magic", with(good, 0, {0x1A, 0x03})},
      {"names of no size", with(good, 2, {0, 0})},
      {"names without a NUL", with(good, 12 + names - 1, {'x'})},
      {"a negative flag count", with(good, 4, {0xFF, 0xFF})},
      {"a number count past the end", with(good, 6, {0xFF, 0x7F})},
      {"a string offset past its table", with(good, offsets, {0xF0, 0x7F})},
      {"an offset of -3", with(good, offsets, {0xFD, 0xFF})},
      {"the table's last NUL gone", with(good, ext - 1 - (ext != table + field(good, 5)), {'x'})},
      {"a negative extended count", with(good, ext, {0x00, 0x80})},
      {"extended counts that disagree", with(good, ext + 6, {0x01, 0x00})},
      {"a huge extended table", with(good, ext + 8, {0xFF, 0x7F})},
      {"an extended name count past the end", with(good, ext + 4, {0xFF, 0x0F})},
      {"past the largest entry", Bytes(40000, 0x1E)},
  };
  for (const auto& [what, b] : damaged) {
    EXPECT_NE(terminfo_entry_fault(b.data(), b.size()), nullptr) << what;
  }
  // Every entry cut short is refused (one at the end of its sections may be whole).
  for (const Bytes* entry : {&good, &legacy}) {
    for (size_t n = 0; n + 1 < entry->size(); ++n) {
      const char* fault = terminfo_entry_fault(entry->data(), n);
      if (entry == &good && n >= ext) continue;  // the extended part gone or cut: checked above
      EXPECT_NE(fault, nullptr) << n;
    }
  }
}

TEST_F(PosixTermCaps, DamagedEntriesAreRefusedWhereverTheyAreFound) {
  // Copies of xterm-256color with 40 bytes changed at random (seeded), found through
  // TERMINFO, ~/.terminfo, TERMINFO_DIRS and in the hexadecimal layout: each is either read
  // or refused with the one-line message, and the program never gets as far as a crash.
  const Bytes good = installed("xterm-256color");
  ASSERT_FALSE(good.empty());
  std::mt19937 random(27);
  int refused = 0;
  for (int copy = 0; copy < 8; ++copy) {
    Bytes b = good;
    for (int i = 0; i < 40; ++i) b[random() % b.size()] = static_cast<uint8_t>(random());
    EntryFolder folder;
    const int where = copy % 4;
    folder.put("xterm-256color", b, where == 3, where == 1 ? ".terminfo" : ".");
    const std::string dirs = folder.path() + "::/nonexistent";  // empty: the system folders
    ScopedEnv terminfo("TERMINFO", where == 0 || where == 3 ? folder.path().c_str() : nullptr);
    ScopedEnv home("HOME", where == 1 ? folder.path().c_str() : "/nonexistent");
    ScopedEnv terminfo_dirs("TERMINFO_DIRS", where == 2 ? dirs.c_str() : nullptr);
    EXPECT_FALSE(platform::posix::terminfo_entry_path("xterm-256color").empty()) << copy;
    TermCaps caps;
    std::string why;
    if (!load("xterm-256color", caps, why)) {
      ++refused;
      EXPECT_NE(why.find("TERM=xterm-256color is not usable"), std::string::npos) << why;
      EXPECT_EQ(why.find('\n'), std::string::npos) << why;
    }
  }
  EXPECT_GT(refused, 0);
}

}  // namespace
