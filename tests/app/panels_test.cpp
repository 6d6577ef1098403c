// The print panels and the table renderings that the scenarios do not reach.
#include <string>

#include "app/cube_table.h"
#include "app/show_panel.h"
#include "app_fixture.h"
#include "console/window.h"
#include "runtime/error.h"

namespace app_test {
namespace {

class PanelTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    console::screen_init();
    console::screen_set(80, 50);
    app::ProgramVariablesInit();
  }
};

Picture PrintMenuPicture() {
  Picture p;
  p.put(19, 47, "User Options - Print Out ", 15);
  p.put(21, 47, "Press A Letter           ", 11);
  p.put(23, 47, "Y -", 15).put(23, 51, "Print It", 11);
  p.put(30, 47, "Pressing Y invokes standard ", 14);
  p.put(31, 47, "WINDOWS Printer Menu. Select", 14);
  p.put(32, 47, "desired printer and options,", 14);
  p.put(33, 47, "then print your document.   ", 14);
  p.put(25, 47, "G -", 15).put(25, 51, "User Options - Main ", 14);
  p.put(27, 47, "X -", 15).put(27, 51, "Exit This Program   ", 11);
  p.put(36, 47, "Prints to 8.5 x 11 Letter", 14).put(37, 47, "Courier New, 14 pt, BOLD ", 14);
  return p;
}

TEST_F(PanelTest, PrintMenuThenPrintingBoxThenCompleted) {
  app::ShowPanel(3, 1);
  EXPECT_TRUE(ScreenMatches(console, PrintMenuPicture()));
  EXPECT_EQ(console.text_attribute(), 0x07);

  app::ShowPanel(3, 2);
  Picture box = PrintMenuPicture();
  for (int row = 30; row <= 38; ++row) box.blank(row, 47, 30, 15);
  box.put(31, 49, "Printing In Progress     ", 0, 15);
  box.put(33, 49, "Press Y for another copy,", 0, 15);
  box.put(34, 49, "or make another choice.  ", 0, 15);
  box.put(36, 49, "Prints to 8.5 x 11 Letter", 0, 15);
  box.put(37, 49, "Courier New, 14 pt, BOLD ", 0, 15);
  EXPECT_TRUE(ScreenMatches(console, box));

  app::ShowPanel(3, 3);
  box.put(31, 49, "Printing Completed   ", 0, 15);
  EXPECT_TRUE(ScreenMatches(console, box));
  EXPECT_EQ(console.text_attribute(), 0x07);
}

TEST_F(PanelTest, UnknownPanelDrawsNothing) {
  app::ShowPanel(4, 1);
  app::ShowPanel(0, 3);
  EXPECT_TRUE(ScreenMatches(console, Picture()));
}

TEST_F(PanelTest, TableRenderedBeforeItsTextsAreBuiltGivesOnlyTheLineStructure) {
  runtime::ErrorScope scope;
  drive.make_folders("C:\\TEMP");
  files::file_open(1, files::kModeOutput, 97, 128, 0, 1, "C:\\TEMP\\EMPTY.TXT");
  app::CubeTable(app::kCubeFile);
  files::file_close(1, 0);
  std::string expected;
  for (int line = 1; line <= 7; ++line) expected += "\r\n";
  for (int i = 1; i <= 30; ++i) {
    if (i >= 11 && i <= 19 && i % 2 == 1) expected += "     ";
    expected += "\r\n";
    if (i == 10 || i == 20) expected += "\r\n";
  }
  EXPECT_EQ(drive.file_bytes("C:\\TEMP\\EMPTY.TXT"), expected);
  EXPECT_EQ(app::CubeTableFileError(), 0);

  app::CubeTable(app::kCubeScreen);
  EXPECT_TRUE(ScreenMatches(console, Picture()));
}

TEST_F(PanelTest, WritesToAFileThatIsNotOpenAreReportedByTheFirstCode) {
  app::CubeTable(app::kCubeBuild);
  app::CubeTable(app::kCubeFile);  // file number 1 is not open
  EXPECT_EQ(app::CubeTableFileError(), 52);
}

}  // namespace
}  // namespace app_test
