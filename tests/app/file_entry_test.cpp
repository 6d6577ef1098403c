// The filename entry, the command words, the results file and the file menu.
#include <optional>
#include <string>
#include <vector>

#include "app/screen_name.h"
#include "app_fixture.h"

namespace app_test {
namespace {

void Mark(platform::memory::MemoryConsole& console, int row, int column) {
  platform::Cell cell{'#', 0x4E};
  platform::Rect region{static_cast<int16_t>(column - 1), static_cast<int16_t>(row - 1),
                        static_cast<int16_t>(column - 1), static_cast<int16_t>(row - 1)};
  console.write_output(&cell, {1, 1}, {0, 0}, region);
}

std::string Screen() {
  return app::ScreenName(2, {});
}

TEST_F(AppTest, AcceptedNameWritesTheResultsFileAndShowsTheFileMenuWithTheBox) {
  WatchFarewells();
  Then([&] { Type("f"); });
  Then([&] {
    EXPECT_TRUE(ScreenMatches(console, EntryPicture()));
    EXPECT_EQ(console.cursor_row(), 34);
    EXPECT_EQ(console.cursor_column(), 50);
    EXPECT_TRUE(console.cursor_shape().visible);  // shown while the line is typed
    Type("abcde\r");
  });
  Then([&] {
    EXPECT_EQ(Screen(), "File-2");
    EXPECT_TRUE(ScreenMatches(console, FileMenuPicture("ABCDE")));
    EXPECT_EQ(drive.file_bytes("C:\\TEMP\\ABCDE.TXT"), ResultsFileBytes());
    EXPECT_EQ(drive.list("C:\\"), std::vector<std::string>{"Temp"});
    EXPECT_EQ(drive.open_handle_count(), 0u);
    Type("x");
  });
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(farewells, 1);
}

TEST_F(AppTest, ResultsFileHasItsThirtyNineLinesByteForByte) {
  const std::string bytes = ResultsFileBytes();
  // The oracle itself, against lines given literally.
  std::vector<std::string> lines;
  for (size_t at = 0; at < bytes.size();) {
    const size_t end = bytes.find("\r\n", at);
    ASSERT_NE(end, std::string::npos);
    lines.push_back(bytes.substr(at, end - at));
    at = end + 2;
  }
  ASSERT_EQ(lines.size(), 39u);
  EXPECT_EQ(lines[7], "   1       1    31   29,791    61  226,981    91  753,571");
  EXPECT_EQ(lines[18], "  11   1,331    41   68,921    71  357,911     EXAMPLES");
  EXPECT_EQ(lines[17], "");
  EXPECT_EQ(lines[28], "");
  EXPECT_EQ(lines[38], "  30  27,000    60  216,000    90  729,000");
  EXPECT_EQ(lines[26], "  19   6,859    49  117,649    79  493,039     9 x 9 x 9");

  WatchFarewells();
  Then([&] { Type("F"); });
  Then([&] { Type("results\r"); });
  Then([&] {
    EXPECT_EQ(drive.file_bytes("C:\\TEMP\\RESULTS.TXT"), bytes);
    Type("X");
  });
  EXPECT_EQ(RunProgram(), 0);
}

TEST_F(AppTest, RefusedLengthsBlankThePromptAreaAndAskAgain) {
  WatchFarewells();
  Then([&] { Type("f"); });
  const std::vector<std::string> refused = {"abcd",  "ab cd", "", "11", std::string(26, 'k'),
                                            "..!!__"};
  for (size_t i = 0; i <= refused.size(); ++i) {
    Then([&, i] {
      if (i > 0) {
        SCOPED_TRACE("typed '" + refused[i - 1] + "'");
        EXPECT_EQ(Screen(), "File-1");
        Picture expected = EntryPicture();
        expected.put(40, 70, "#", 14, 4);  // outside the prompt area: not drawn over
        EXPECT_TRUE(ScreenMatches(console, expected));
        EXPECT_EQ(console.cursor_row(), 34);
        EXPECT_EQ(console.cursor_column(), 50);
        EXPECT_FALSE(drive.exists("C:\\TEMP"));
      }
      Mark(console, 40, 70);
      Type(i < refused.size() ? refused[i] + "\r" : std::string(25, 'q') + "\r");
    });
  }
  Then([&] {
    EXPECT_TRUE(drive.file_bytes("C:\\TEMP\\" + std::string(25, 'Q') + ".TXT").has_value());
    Type("x");
  });
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(farewells, 1);
}

TEST_F(AppTest, TypedNamesAreCleanedAndUpperCasedBeforeSaving) {
  const std::vector<std::pair<std::string, std::string>> names = {
      {"a.b.c.d.e", "ABCDE"}, {"my file!", "MYFILE"},     {"file-1", "FILE-1"},
      {"1111111", "1111111"}, {"Retry-Now", "RETRY-NOW"}, {"x_y z\xe9-9 8", "XYZ-98"},
      {"\x84zzzzz", "ZZZZZ"},
  };
  WatchFarewells();
  Then([&] { Type("f"); });
  for (const auto& name : names) {
    const std::string typed = name.first;
    const std::string saved = name.second;
    Then([&, typed] { Type(typed + "\r"); });
    Then([&, typed, saved] {
      SCOPED_TRACE(typed);
      EXPECT_TRUE(ScreenMatches(console, FileMenuPicture(saved)));
      EXPECT_EQ(drive.file_bytes("C:\\TEMP\\" + saved + ".TXT"), ResultsFileBytes());
      Type("s");  // back to the entry for the next name
    });
  }
  Then([&] {
    EXPECT_EQ(drive.list("C:\\TEMP").size(), names.size());
    Type("end\r");
  });
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(farewells, 1);
}

TEST_F(AppTest, CommandWordsRecallTheMenuRetryGoBackOrEnd) {
  WatchFarewells();
  Then([&] { Type("f"); });
  for (const char* word : {"file", "SAVE", "222", "2222", "22222", "222222"}) {
    Then([&, word] { Type(std::string(word) + "\r"); });
    Then([&, word] {
      SCOPED_TRACE(word);
      EXPECT_EQ(Screen(), "File-3");
      EXPECT_TRUE(ScreenMatches(console, FileMenuPicture()));  // no box: nothing saved
      Type("S");
    });
  }
  const std::vector<std::string> retry = {"retry", "Retry", "333", "3333", "33333", "333333"};
  for (size_t i = 0; i <= retry.size(); ++i) {
    Then([&, i] {
      if (i > 0) {
        SCOPED_TRACE(retry[i - 1]);
        EXPECT_EQ(Screen(), "File-1");
        EXPECT_TRUE(ScreenMatches(console, EntryPicture()));  // drawn afresh: no mark
      }
      Mark(console, 40, 70);
      Type(i < retry.size() ? retry[i] + "\r" : std::string("cancel\r"));
    });
  }
  for (const char* word :
       {"USER", "111", "1111", "11111", "111111", "888", "8888", "88888", "888888"}) {
    Then([&] {
      EXPECT_EQ(Screen(), "Main Refresh");
      EXPECT_TRUE(ScreenMatches(console, MainScreenPicture()));
      Type("f");
    });
    Then([&, word] { Type(std::string(word) + "\r"); });
  }
  Then([&] {
    EXPECT_EQ(Screen(), "Main Refresh");
    EXPECT_TRUE(ScreenMatches(console, MainScreenPicture()));
    Type("f");
  });
  Then([&] {
    EXPECT_TRUE(drive.list("C:\\").empty());  // no word saved anything
    Type("e.n.d\r");
  });
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(farewells, 1);

  for (const char* word : {"END", "exit", "999", "9999", "99999", "999999"}) {
    SCOPED_TRACE(word);
    farewells = 0;
    Then([&] { Type("f"); });
    Then([&, word] { Type(std::string(word) + "\r"); });
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(farewells, 1);
    EXPECT_EQ(console.height(), 25);
  }
}

TEST_F(AppTest, FileMenuKeys) {
  WatchFarewells();
  Then([&] { Type("f"); });
  Then([&] { Type("file\r"); });
  Then([&] {
    Mark(console, 40, 70);
    Type("fFpP\t y1");  // nothing on the file menu
  });
  Then([&] {
    Picture expected = FileMenuPicture();
    expected.put(40, 70, "#", 14, 4);
    EXPECT_TRUE(ScreenMatches(console, expected));
    Type("g");
  });
  Then([&] {
    EXPECT_TRUE(ScreenMatches(console, MainScreenPicture()));
    Type("f");
  });
  Then([&] { Type("save\r"); });
  Then([&] { Press(kF10); });
  Then([&] {
    EXPECT_TRUE(ScreenMatches(console, MainScreenPicture()));
    Type("f");
  });
  Then([&] { Type("abcde\r"); });
  Then([&] { Type("s"); });
  Then([&] {
    EXPECT_TRUE(ScreenMatches(console, EntryPicture()));
    Type("file\r");
  });
  Then([&] { Press(kF12); });
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(farewells, 1);
}

TEST_F(AppTest, SecondSaveReplacesTheFileCompletelyAndAnExistingTempFolderIsUsed) {
  drive.make_folders("C:\\temp");
  drive.put_file("C:\\temp\\ABCDE.TXT", std::string(10000, 'z'));
  WatchFarewells();
  Then([&] { Type("f"); });
  Then([&] { Type("abcde\r"); });
  Then([&] {
    EXPECT_EQ(drive.file_bytes("C:\\temp\\ABCDE.TXT"), ResultsFileBytes());
    EXPECT_EQ(drive.list("C:\\"), std::vector<std::string>{"temp"});
    EXPECT_TRUE(ScreenMatches(console, FileMenuPicture("ABCDE")));
    Type("s");
  });
  Then([&] { Type("a-b-c-d-e\r"); });
  Then([&] {
    EXPECT_EQ(drive.list("C:\\temp"), (std::vector<std::string>{"A-B-C-D-E.TXT", "ABCDE.TXT"}));
    Type("x");
  });
  EXPECT_EQ(RunProgram(), 0);
}

TEST_F(AppTest, FileInPlaceOfTheFolderGivesTheNotSavedBoxWithItsErrorCode) {
  drive.put_file("C:\\Temp", "not a folder");
  WatchFarewells();
  Then([&] { Type("f"); });
  Then([&] { Type("abcde\r"); });
  Then([&] {
    EXPECT_TRUE(ScreenMatches(console, FileMenuPicture("ABCDE", 76)));
    EXPECT_EQ(drive.file_bytes("C:\\Temp"), "not a folder");
    EXPECT_FALSE(drive.is_folder("C:\\Temp"));
    EXPECT_EQ(drive.open_handle_count(), 0u);
    Type("x");
  });
  EXPECT_EQ(RunProgram(), 0);
}

TEST_F(AppTest, FailedWritesAreReportedAndAGoodSaveAfterwardsIsReportedAsSaved) {
  drive.set_capacity('C', 500);  // the disk fills up part of the way through the file
  WatchFarewells();
  Then([&] { Type("f"); });
  Then([&] { Type("abcde\r"); });
  Then([&] {
    EXPECT_TRUE(ScreenMatches(console, FileMenuPicture("ABCDE", 61)));
    EXPECT_EQ(drive.open_handle_count(), 0u);
    EXPECT_TRUE(drive.list("C:\\TEMP").empty());  // no empty or partial file is left
    drive.set_capacity('C', 1 << 20);
    Type("s");
  });
  Then([&] { Type("fghij\r"); });
  Then([&] {
    EXPECT_TRUE(ScreenMatches(console, FileMenuPicture("FGHIJ")));
    drive.set_short_writes(7);  // writes that report success but move fewer bytes
    Type("s");
  });
  Then([&] { Type("klmno\r"); });
  Then([&] {
    EXPECT_TRUE(ScreenMatches(console, FileMenuPicture("KLMNO", 61)));
    drive.set_short_writes(std::nullopt);
    Type("x");
  });
  EXPECT_EQ(RunProgram(), 0);
}

TEST_F(AppTest, AFailedSaveKeepsTheEarlierFileOfThatName) {
  WatchFarewells();
  Then([&] { Type("f"); });
  Then([&] { Type("abcde\r"); });
  Then([&] {
    EXPECT_TRUE(ScreenMatches(console, FileMenuPicture("ABCDE")));
    ASSERT_EQ(drive.file_bytes("C:\\TEMP\\ABCDE.TXT"), ResultsFileBytes());
    // Room for a part of a second copy only.
    drive.set_capacity('C', ResultsFileBytes().size() + 500);
    Type("s");
  });
  Then([&] { Type("abcde\r"); });
  Then([&] {
    EXPECT_TRUE(ScreenMatches(console, FileMenuPicture("ABCDE", 61)));
    EXPECT_EQ(drive.file_bytes("C:\\TEMP\\ABCDE.TXT"), ResultsFileBytes());
    EXPECT_EQ(drive.list("C:\\TEMP"), std::vector<std::string>{"ABCDE.TXT"});
    drive.set_short_writes(7);  // writes that report success but move fewer bytes
    Type("s");
  });
  Then([&] { Type("abcde\r"); });
  Then([&] {
    EXPECT_TRUE(ScreenMatches(console, FileMenuPicture("ABCDE", 61)));
    EXPECT_EQ(drive.file_bytes("C:\\TEMP\\ABCDE.TXT"), ResultsFileBytes());
    EXPECT_EQ(drive.list("C:\\TEMP"), std::vector<std::string>{"ABCDE.TXT"});
    drive.set_short_writes(std::nullopt);
    drive.set_capacity('C', 1 << 20);
    // The new file is made, and then cannot be cut to length: a failing disk (31), a full
    // one as Windows reports it at that step (112). The file made is taken away again.
    drive.fail_end_of_file(platform::win_error::kGenFailure);
    Type("s");
  });
  Then([&] { Type("abcde\r"); });
  Then([&] {
    EXPECT_TRUE(ScreenMatches(console, FileMenuPicture("ABCDE", 72)));
    EXPECT_EQ(drive.file_bytes("C:\\TEMP\\ABCDE.TXT"), ResultsFileBytes());
    EXPECT_EQ(drive.list("C:\\TEMP"), std::vector<std::string>{"ABCDE.TXT"});
    drive.fail_end_of_file(platform::win_error::kDiskFull);
    Type("s");
  });
  Then([&] { Type("fghij\r"); });
  Then([&] {
    EXPECT_TRUE(ScreenMatches(console, FileMenuPicture("FGHIJ", 61)));
    EXPECT_EQ(drive.list("C:\\TEMP"), std::vector<std::string>{"ABCDE.TXT"});
    drive.fail_end_of_file(std::nullopt);
    // What a save cut short by a crash left: the next save of that name is not hindered.
    drive.put_file("C:\\TEMP\\ABCDE.TXT.PART", std::string(5000, 'j'));
    Type("s");
  });
  Then([&] { Type("abcde\r"); });
  Then([&] {
    EXPECT_TRUE(ScreenMatches(console, FileMenuPicture("ABCDE")));
    EXPECT_EQ(drive.file_bytes("C:\\TEMP\\ABCDE.TXT"), ResultsFileBytes());
    EXPECT_EQ(drive.list("C:\\TEMP"), std::vector<std::string>{"ABCDE.TXT"});
    // Every save that went through said so only once its rename was on the disk.
    EXPECT_EQ(drive.moves_not_written_through(), 0u);
    Type("x");
  });
  EXPECT_EQ(RunProgram(), 0);
}

}  // namespace
}  // namespace app_test
