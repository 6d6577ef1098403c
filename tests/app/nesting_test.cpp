// However many screens the user goes through, the screen procedures stay a few activations
// deep and the program still ends with exactly one farewell.
#include <string>

#include "app/dispatch_screens.h"
#include "app_fixture.h"

namespace app_test {
namespace {

TEST_F(AppTest, AHundredThousandScreenChangesKeepTheNestingBounded) {
  // One round makes 16 screen changes: G on the main screen; F, a name (saved), S, a name
  // (saved), G through the file menu; F, FILE, S, FILE, G; TAB and SPACE through the
  // refusal screen, TAB and BACKSPACE once more.
  const std::string round = "gfabcde\rsfghij\rgffile\rsfile\rg\t \t\b";
  constexpr int kChangesPerRound = 16;
  constexpr int kRounds = 100000 / kChangesPerRound + 1;
  int rounds_typed = 0;
  int32_t deepest = 0;
  for (int step = 0; step < 8; ++step) {
    Then([&] {
      deepest = std::max(deepest, app::ScreenNestingPeak());
      const int batch = kRounds / 8 + 1;
      for (int i = 0; i < batch && rounds_typed < kRounds; ++i, ++rounds_typed) Type(round);
    });
  }
  Then([&] {
    EXPECT_TRUE(ScreenMatches(console, MainScreenPicture()));
    Type("x");
  });
  WatchFarewells();
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(rounds_typed * kChangesPerRound, kRounds * kChangesPerRound);
  EXPECT_GE(rounds_typed * kChangesPerRound, 100000);
  deepest = std::max(deepest, app::ScreenNestingPeak());
  EXPECT_LE(deepest, 3);
  EXPECT_EQ(app::ScreenNestingDepth(), 0);
  EXPECT_EQ(farewells, 1);
  EXPECT_EQ(app::FarewellCount(), 1);
  EXPECT_EQ(drive.file_bytes("C:\\TEMP\\FGHIJ.TXT"), ResultsFileBytes());
}

}  // namespace
}  // namespace app_test
