// The print menu driven through the whole program on the memory platform: each Y asks the
// recorded printer's dialog and prints the 39 result lines on one page, and the box says
// honestly what became of it.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "app/app_fixture.h"
#include "printer/printer_state.h"

namespace app_test {
namespace {

using platform::memory::DialogStep;

class PrintFlowTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    printer::detail::reset_for_tests();
  }
  void TearDown() override {
    printer::detail::reset_for_tests();
    AppTest::TearDown();
  }

  // The text of the printing box's first line and whether it is black on white.
  std::string BoxWord() {
    for (int c = 49; c < 49 + 21; ++c) {
      auto cell = console.cell(31, c);
      if (cell.fg != 0 || cell.bg != 15) return "wrong colours at column " + std::to_string(c);
    }
    return console.text(31, 49, 21);
  }

  // The printed lines of document `doc` (0-based) rebuilt from the recorded texts by their
  // positions: one line per line pitch.
  std::vector<std::string> PrintedLines(size_t doc, int32_t pitch) {
    std::vector<std::string> lines;
    size_t current = 0;
    bool in_doc = false;
    for (const auto& e : printing.events) {
      if (e.kind == "start_doc") in_doc = (current++ == doc);
      if (e.kind == "end_doc") in_doc = false;
      if (!in_doc || e.kind != "text") continue;
      size_t line = static_cast<size_t>(e.y / pitch);
      EXPECT_EQ(e.y % pitch, 0);
      if (lines.size() <= line) lines.resize(line + 1);
      EXPECT_EQ(static_cast<size_t>(e.x), lines[line].size() * 70) << e.text;
      lines[line] += e.text;
    }
    return lines;
  }
};

std::vector<std::string> ExpectedLines() {
  std::vector<std::string> lines;
  std::string bytes = ResultsFileBytes();
  size_t at = 0;
  while (at < bytes.size()) {
    size_t end = bytes.find("\r\n", at);
    lines.push_back(bytes.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

TEST_F(PrintFlowTest, ThreePressesPrintThreeJobsEachThroughTheDialog) {
  for (int i = 0; i < 3; ++i) printing.dialog_script.push_back({DialogStep::kOk, "Memory Printer"});
  std::vector<std::string> boxes;
  Then([&] { Type("P"); });
  Then([&] {
    EXPECT_EQ(console.text(21, 47, 25), "Press A Letter           ");
    Type("Y");
  });
  for (int i = 0; i < 3; ++i) {
    Then([&] {
      boxes.push_back(BoxWord());
      EXPECT_EQ(console.text(33, 49, 25), "Press Y for another copy,");
      if (boxes.size() < 3) {
        Type("Y");
      } else {
        Type("X");
      }
    });
  }
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(boxes, std::vector<std::string>(3, "Printing Completed   "));
  EXPECT_EQ(printing.dialog_calls, 3);
  auto docs = printing.of_kind("start_doc");
  ASSERT_EQ(docs.size(), 3u);
  for (const auto& d : docs) EXPECT_EQ(d.text, "Print job");
  EXPECT_EQ(printing.of_kind("start_page").size(), 3u);
  EXPECT_EQ(printing.of_kind("end_page").size(), 3u);
  EXPECT_EQ(printing.of_kind("end_doc").size(), 3u);
  EXPECT_TRUE(printing.of_kind("abort_doc").empty());
  EXPECT_EQ(printing.live_dcs(), 0);

  // Courier New, 14 points at 600 dpi, bold; portrait.
  bool found = false;
  for (const auto& f : printing.of_kind("create_font")) {
    if (f.text == "Courier New" && f.x == -117 && f.y == 700) found = true;
  }
  EXPECT_TRUE(found);
  // Asked for as a fixed-pitch modern face, so that a system without Courier New still prints
  // aligned columns in another monospaced face.
  size_t asked = 0;
  for (const auto& f : printing.fonts_made) {
    if (std::string(f.face_name) != "Courier New" || f.height != -117) continue;
    EXPECT_EQ(f.pitch_and_family, 0x31);
    ++asked;
  }
  EXPECT_EQ(asked, 3u);
  EXPECT_EQ(printing.last_reset_mode.orientation, platform::kOrientPortrait);

  // The memory device's font of em 117: height 132, external leading 5.
  const int32_t pitch = 132 + 5;
  std::vector<std::string> expected = ExpectedLines();
  ASSERT_EQ(expected.size(), 39u);
  for (size_t doc = 0; doc < 3; ++doc) {
    std::vector<std::string> printed = PrintedLines(doc, pitch);
    printed.resize(39);  // trailing empty lines leave no text
    EXPECT_EQ(printed, expected) << "document " << doc;
  }
  std::vector<uint32_t> pauses = TakePauses();
  EXPECT_EQ(std::count(pauses.begin(), pauses.end(), 1550u), 3);
}

TEST_F(PrintFlowTest, CancelAndFailureSayNothingWasPrinted) {
  printing.dialog_script.push_back({DialogStep::kCancel, ""});
  printing.dialog_script.push_back({DialogStep::kOkWithoutReturn, "", 0x1007});
  printing.dialog_script.push_back({DialogStep::kFail, "", platform::kPdErrNoDefaultPrinter});
  std::vector<std::string> boxes;
  Then([&] { Type("P"); });
  Then([&] { Type("Y"); });
  Then([&] {
    boxes.push_back(BoxWord());
    Type("Y");
  });
  Then([&] {
    boxes.push_back(BoxWord());
    Type("Y");
  });
  Then([&] {
    boxes.push_back(BoxWord());
    // The rest of the box stays as the printing stage left it.
    EXPECT_EQ(console.text(34, 49, 25), "or make another choice.  ");
    EXPECT_EQ(console.text(36, 49, 25), "Prints to 8.5 x 11 Letter");
    EXPECT_EQ(console.text_attribute(), 0x07);
    Type("G");
  });
  Then([&] {
    EXPECT_TRUE(ScreenMatches(console, MainScreenPicture()));
    Type("X");
  });
  EXPECT_EQ(RunProgram(), 0);
  // A dialog that fails before OK (no default printer) is a failure too, not a cancel.
  EXPECT_EQ(boxes, (std::vector<std::string>{"Printing Cancelled   ", "Printing Failed      ",
                                             "Printing Failed      "}));
  EXPECT_TRUE(printing.of_kind("start_doc").empty());
  EXPECT_TRUE(printing.of_kind("text").empty());
}

TEST_F(PrintFlowTest, PortraitOnlyPrinterPrints) {
  printing.printers["Portrait Only"] = platform::memory::MemoryPrinterModel{};
  printing.printers["Portrait Only"].orientation_cap = 0;
  printing.dialog_script.push_back({DialogStep::kOk, "Portrait Only"});
  std::string box;
  Then([&] { Type("P"); });
  Then([&] { Type("Y"); });
  Then([&] {
    box = BoxWord();
    Press(kF12);
  });
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(box, "Printing Completed   ");
  EXPECT_EQ(printing.of_kind("end_doc").size(), 1u);
}

TEST_F(PrintFlowTest, RefusedSettingsAbortTheStartedDocument) {
  printing.printers["Bare"] = platform::memory::MemoryPrinterModel{};
  printing.printers["Bare"].dialog_returns_dev_mode = false;  // no settings to change
  printing.dialog_script.push_back({DialogStep::kOk, "Bare"});
  std::string box;
  Then([&] { Type("P"); });
  Then([&] { Type("Y"); });
  Then([&] {
    box = BoxWord();
    Type("X");
  });
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(box, "Printing Failed      ");
  EXPECT_EQ(printing.of_kind("abort_doc").size(), 1u);
  EXPECT_TRUE(printing.of_kind("end_doc").empty());
  EXPECT_EQ(printing.live_dcs(), 0);
}

TEST_F(PrintFlowTest, RefusedJobOrPageIsAFailure) {
  // The page, the document's end (the job handed over, on detach) each refused in turn.
  for (const char* call : {"end_page", "end_doc"}) {
    SCOPED_TRACE(call);
    printing.events.clear();
    printing.failing = {call};
    printing.dialog_script.push_back({DialogStep::kOk, "Memory Printer"});
    std::string box;
    Then([&] { Type("P"); });
    Then([&] { Type("Y"); });
    Then([&] {
      box = BoxWord();
      Type("X");
    });
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(box, "Printing Failed      ");
    EXPECT_EQ(printing.live_dcs(), 0);
    printer::detail::reset_for_tests();
  }
}

TEST_F(PrintFlowTest, RefusedTextAbandonsTheJob) {
  // The first refused text ends the job: it is aborted, not finished as a page with gaps, and
  // the next Y prints normally.
  printing.dialog_script.push_back({DialogStep::kOk, "Memory Printer"});
  printing.dialog_script.push_back({DialogStep::kOk, "Memory Printer"});
  printing.failing.push_back("text_out");
  std::vector<std::string> boxes;
  Then([&] { Type("P"); });
  Then([&] { Type("Y"); });
  Then([&] {
    boxes.push_back(BoxWord());
    EXPECT_EQ(printing.of_kind("abort_doc").size(), 1u);
    EXPECT_TRUE(printing.of_kind("end_doc").empty());
    EXPECT_TRUE(printing.of_kind("end_page").empty());
    printing.failing.clear();
    Type("Y");
  });
  Then([&] {
    boxes.push_back(BoxWord());
    Type("X");
  });
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(boxes, (std::vector<std::string>{"Printing Failed      ", "Printing Completed   "}));
  EXPECT_EQ(printing.of_kind("end_doc").size(), 1u);
  EXPECT_EQ(printing.live_dcs(), 0);
}

}  // namespace
}  // namespace app_test
