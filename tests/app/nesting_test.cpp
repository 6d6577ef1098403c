// However many screens the user goes through, the program's stack stays as deep as it was at
// its first wait for a key, and the program still ends with exactly one farewell.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app_fixture.h"

namespace app_test {
namespace {

// Where the stack stands in the program's wait for a key that runs this.
uintptr_t StackPosition() {
  return reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
}

TEST_F(AppTest, AHundredThousandScreenChangesKeepTheStackBounded) {
  // One round makes 16 screen changes: G on the main screen; F, a name (saved), S, a name
  // (saved), G through the file menu; F, FILE, S, FILE, G; TAB and SPACE through the
  // refusal screen, TAB and BACKSPACE once more.
  const std::string round = "gfabcde\rsfghij\rgffile\rsfile\rg\t \t\b";
  constexpr int kChangesPerRound = 16;
  constexpr int kRounds = 100000 / kChangesPerRound + 1;
  int rounds_typed = 0;
  // Every batch begins while the main screen waits for a key, the same wait each time, so
  // the stack stands at the same place; a nested call per screen change would move it by
  // megabytes between batches.
  std::vector<uintptr_t> positions;
  for (int step = 0; step < 8; ++step) {
    Then([&] {
      positions.push_back(StackPosition());
      const int batch = kRounds / 8 + 1;
      for (int i = 0; i < batch && rounds_typed < kRounds; ++i, ++rounds_typed) Type(round);
    });
  }
  Then([&] {
    positions.push_back(StackPosition());
    EXPECT_TRUE(ScreenMatches(console, MainScreenPicture()));
    Type("x");
  });
  WatchFarewells();
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(rounds_typed * kChangesPerRound, kRounds * kChangesPerRound);
  EXPECT_GE(rounds_typed * kChangesPerRound, 100000);
  ASSERT_EQ(positions.size(), 9u);
  const auto [low, high] = std::minmax_element(positions.begin(), positions.end());
  EXPECT_LE(*high - *low, 4096u);
  EXPECT_EQ(farewells, 1);
  EXPECT_EQ(drive.file_bytes("C:\\TEMP\\FGHIJ.TXT"), ResultsFileBytes());
}

}  // namespace
}  // namespace app_test
