// The main screen, its redraw, the refusal screen and the farewell, driven through the whole
// program with scripted keys.
#include <algorithm>
#include <string>
#include <vector>

#include "app/dispatch_screens.h"
#include "app/hand_over.h"
#include "app/read_action.h"
#include "app/screen_name.h"
#include "app_fixture.h"
#include "console/fitted_view.h"
#include "console/window.h"
#include "platform/cell_buffer.h"

namespace app_test {
namespace {

// Leaves a mark in an otherwise blank cell, to see whether the screen is drawn again.
void Mark(platform::memory::MemoryConsole& console, int row, int column) {
  platform::Cell cell{'#', 0x4E};
  platform::Rect region{static_cast<int16_t>(column - 1), static_cast<int16_t>(row - 1),
                        static_cast<int16_t>(column - 1), static_cast<int16_t>(row - 1)};
  console.write_output(&cell, {1, 1}, {0, 0}, region);
}

const std::vector<uint32_t> kRefusalPauses = {400, 210, 210, 210, 210, 210,  210, 210,
                                              210, 210, 210, 210, 700, 1055, 1055};

TEST_F(AppTest, StartsOnTheMainScreenAndEndsWithOneFarewellAndTheConsoleRestored) {
  WatchFarewells();
  Then([&] {
    EXPECT_TRUE(ScreenMatches(console, MainScreenPicture()));
    EXPECT_FALSE(console.cursor_shape().visible);
    const auto& log = console.log();
    EXPECT_NE(std::find(log.begin(), log.end(), "move 160,20"), log.end());
    Type("x");  // lower case acts as the capital
  });
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(farewells, 1);
  EXPECT_EQ(app::ScreenName(2, {}), "EXIT NOW");
  EXPECT_EQ(console.width(), 80);
  EXPECT_EQ(console.height(), 25);
  EXPECT_EQ(console.window().bottom, 24);
  EXPECT_EQ(console.text_attribute(), 0x07);
  EXPECT_TRUE(console.cursor_shape().visible);
  EXPECT_EQ(console.cell(4, 2).ch, ' ');  // the resize cleared the farewell
  EXPECT_EQ(TakePauses().back(), 1500u);
}

TEST_F(AppTest, GAndF10DrawTheWholeMainScreenAgainAndF12Ends) {
  WatchFarewells();
  Then([&] {
    Mark(console, 45, 10);
    Type("G");
  });
  Then([&] {
    EXPECT_TRUE(ScreenMatches(console, MainScreenPicture()));
    Mark(console, 45, 10);
    Press(kF10);
  });
  Then([&] {
    EXPECT_TRUE(ScreenMatches(console, MainScreenPicture()));
    Press(kF12);
  });
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(farewells, 1);
}

TEST_F(AppTest, KeysWithoutMeaningOnTheMainScreenChangeNothing) {
  WatchFarewells();
  Then([&] {
    Mark(console, 45, 10);
    Type("yYsS \b1\x1b");
    Press(kRightArrow);
    Press(0x3B);  // F1
  });
  Then([&] {
    Picture marked = MainScreenPicture();
    marked.put(45, 10, "#", 14, 4);
    EXPECT_TRUE(ScreenMatches(console, marked));
    Type("X");
  });
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(farewells, 1);
}

TEST_F(AppTest, RefusalScreenSpellsItsMessageWithItsPausesAndSpaceGoesBack) {
  WatchFarewells();
  Then([&] {
    TakePauses();
    Type("\t");
  });
  Then([&] {
    EXPECT_TRUE(ScreenMatches(console, RefusalPicture()));
    EXPECT_EQ(TakePauses(), kRefusalPauses);
    // Nothing but SPACE, BACKSPACE and RIGHT ARROW means anything here.
    Type("gGxX\tfF");
    Press(kF10);
    Press(kF12);
  });
  Then([&] {
    EXPECT_TRUE(ScreenMatches(console, RefusalPicture()));
    Type(" ");
  });
  Then([&] {
    EXPECT_TRUE(ScreenMatches(console, MainScreenPicture()));
    Type("\t");
  });
  Then([&] { Type("\b"); });
  Then([&] {
    EXPECT_TRUE(ScreenMatches(console, MainScreenPicture()));
    Type("\t");
  });
  Then([&] {
    TakePauses();
    Press(kRightArrow);
  });
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(farewells, 1);
  EXPECT_EQ(TakePauses(), std::vector<uint32_t>{1500});
}

TEST_F(AppTest, KeysTypedDuringTheRefusalAnimationAreNotLost) {
  WatchFarewells();
  Then([&] {
    TakePauses();
    Type("\tq ");  // TAB, then keys typed while the message is still being spelled out
  });
  Then([&] {
    EXPECT_EQ(TakePauses(), kRefusalPauses);
    EXPECT_TRUE(ScreenMatches(console, MainScreenPicture()));
    Type("\tx");
    Press(kRightArrow);
  });
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(farewells, 1);
}

TEST_F(AppTest, TabDoesNothingAwayFromTheMainScreen) {
  WatchFarewells();
  Then([&] { Type("f"); });
  Then([&] { Type("file\r"); });  // the file menu
  Then([&] {
    Mark(console, 45, 10);
    Type("\t");
  });
  Then([&] {
    EXPECT_EQ(console.cell(45, 10).ch, '#');
    EXPECT_EQ(app::ScreenName(2, {}), "File-3");
    Type("x");
  });
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(farewells, 1);
}

TEST_F(AppTest, DispatcherEnteredWithEndSaysFarewellAtOnce) {
  console::screen_init();
  console::screen_set(80, 50);
  WatchFarewells();
  app::ProgramVariablesInit();
  app::ScreenName(1, "END");
  app::DispatchScreens();
  EXPECT_EQ(farewells, 1);
  EXPECT_EQ(app::ScreenName(2, {}), "EXIT NOW");
  app::DispatchScreens();  // "EXIT NOW" returns at once
  EXPECT_EQ(farewells, 1);
}

#if !defined(NDEBUG) && GTEST_HAS_DEATH_TEST
TEST_F(AppTest, AScreenThatGoesOnAfterHandingOverStopsADebugBuild) {
  app::ProgramVariablesInit();
  app::ScreenName(1, "EXIT NOW");
  EXPECT_DEATH(
      {
        app::ScreenActivation activation;
        app::HandOver(app::Handover::kDispatch);  // finds "EXIT NOW" and returns at once
        app::ScreenName(2, {});
      },
      "went on after it had handed over");
  // Handing over as the last step is fine, and so is the next activation's work.
  {
    app::ScreenActivation activation;
    app::HandOver(app::Handover::kDispatch);
  }
  EXPECT_EQ(app::ScreenName(2, {}), "EXIT NOW");
}
#endif

TEST_F(AppTest, ScreenNameAndReadActionOutsideTheirModes) {
  app::ProgramVariablesInit();
  EXPECT_EQ(app::ReadAction(2), 0);
  EXPECT_EQ(app::ReadAction(7), 0);
  EXPECT_EQ(app::ScreenName(1, "Gag"), "");
  EXPECT_EQ(app::ScreenName(3, "Begin"), "");
  EXPECT_EQ(app::ScreenName(2, "ignored"), "Gag");
}

// A window too small for the screen (Windows Terminal at 24 or 30 rows, which a program
// cannot resize) shows the part the user must read or press: the whole options panel on the
// main screen, the prompt with what is typed, the farewell. The rows are the ones a terminal
// of the same size shows.
class SmallWindowTest : public AppTest, public ::testing::WithParamInterface<int16_t> {
 protected:
  SmallWindowTest() : AppTest(80, GetParam()) { console.set_window_shapeable(false); }

  // The screen row (from 1) shown on the window's first row: the window's rows above the
  // notice are checked cell by cell against the program's screen.
  int FirstShownRow() {
    const platform::CellBuffer& screen = console::fitted_view().screen();
    const int shown = console.height() - 1;
    for (int top = 0; top + shown <= screen.size().y; ++top) {
      bool same = true;
      for (int y = 0; y < shown && same; ++y) {
        for (int x = 0; x < 80 && same; ++x) {
          const platform::memory::CellView c = console.cell(y + 1, x + 1);
          const platform::Cell& s = screen.at(x, top + y);
          same = c.ch == s.ch && c.fg == (s.attr & 0x0F) && c.bg == (s.attr >> 4);
        }
      }
      if (same) return top + 1;
    }
    return -1;
  }
  void ExpectNotice() {
    const std::string notice = " The window is 80 x " + std::to_string(console.height()) +
                               ": make it at least 80 x 50 to see the whole screen ";
    EXPECT_EQ(console.text(console.height(), 1, static_cast<int>(notice.size())), notice);
  }
};

TEST_P(SmallWindowTest, ShowsWhatTheUserMustReadOrPress) {
  const int main_top = ShownTopsFor(GetParam()).main;
  const int prompt_top = ShownTopsFor(GetParam()).prompt;
  system.on_pause = [&](uint32_t ms) {
    if (ms != 1500) return;
    ++farewells;
    EXPECT_EQ(FirstShownRow(), ShownTopsFor(GetParam()).farewell);
    EXPECT_EQ(console.text(4, 2, 32), "Thank you for using Orvane-Table");
  };
  Then([&] {
    EXPECT_EQ(FirstShownRow(), main_top) << console.dump();
    EXPECT_EQ(console.text(19 - main_top + 1, 47, 19), "User Options - Main");
    EXPECT_EQ(console.text(21 - main_top + 1, 47, 14), "Press A Letter");
    EXPECT_EQ(console.text(27 - main_top + 1, 47, 21), "X - Exit This Program");
    ExpectNotice();
    Type("f");
  });
  Then([&] {
    EXPECT_EQ(FirstShownRow(), prompt_top) << console.dump();
    EXPECT_EQ(console.text(30 - prompt_top + 1, 47, 14), "Enter Filename");
    Type("blind");
  });
  Then([&] {
    EXPECT_EQ(FirstShownRow(), prompt_top) << console.dump();
    EXPECT_EQ(console.text(34 - prompt_top + 1, 47, 8), ">> blind");
    EXPECT_EQ(console.cursor_row(), 34 - prompt_top + 1);
    EXPECT_EQ(console.cursor_column(), 55);
    ExpectNotice();
    Type("\b\b\b\b\bEXIT\r");
  });
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(farewells, 1);
}

INSTANTIATE_TEST_SUITE_P(Rows, SmallWindowTest, ::testing::Values(int16_t{24}, int16_t{30}),
                         [](const auto& info) { return std::to_string(info.param); });

}  // namespace
}  // namespace app_test
