// The program's printing module loader: the real module loaded on first use and printing
// through it, and "no printer" with a reason when the module is missing, broken or has no
// terminal to ask on.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/posix/fake_dialog_screen.h"
#include "platform/posix/print_module_loader.h"
#include "platform/posix/services.h"
#include "platform/printing.h"

namespace {

using namespace platform;
using namespace platform::posix;
using posix_test::FakeDialogScreen;

constexpr uint32_t kDialog = kPdReturnDc | kPdNoSelection | kPdNoPageNums | kPdEnablePrintHook |
                             kPdUseDevModeCopiesAndCollate | kPdHidePrintToFile;

// The console the dialogs open on; none when null.
FakeDialogScreen* fake = nullptr;

DialogScreen* open_fake() {
  return fake;
}

std::vector<uint32_t> hook_messages;
uintptr_t record_hook(DialogWindow, uint32_t message, uintptr_t, intptr_t) {
  hook_messages.push_back(message);
  return 0;
}

class PrintModule : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/ot-module-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    hook_messages.clear();
    terminal_.hang_up_at_end = true;
    fake = &terminal_;
  }
  void TearDown() override {
    fake = nullptr;
    std::filesystem::remove_all(dir_);
  }

  // Opens the dialog with `keys` to type and returns its result.
  PrintDialogResult dialog(Printing& p, std::vector<std::string> keys, uint32_t flags = kDialog) {
    terminal_.input = std::move(keys);
    terminal_.next = 0;
    terminal_.output.clear();
    return p.print_dialog(flags, &record_hook);
  }

  std::string dir_;
  FakeDialogScreen terminal_;
};

// Everything a printing without a printer must refuse, after the dialog said why.
void expect_no_printer(Printing& p) {
  EXPECT_EQ(p.open_printer("Save as PDF"), 0u);
  EXPECT_EQ(p.create_dc("Save as PDF", nullptr), 0u);
  EXPECT_LT(p.device_capabilities("Save as PDF", kDcCopies, nullptr), 0);
  EXPECT_EQ(p.create_font(LogFont{}), 0u);
  EXPECT_LE(p.start_doc(0x100, "Print job"), 0);
  EXPECT_FALSE(p.text_out(0x100, 0, 0, "x"));
  EXPECT_EQ(p.print_dialog(kDialog | kPdReturnDefault, nullptr).extended_error,
            kPdErrNoDefaultPrinter);
}

TEST(PrintModulePath, BesideTheProgramInLibOrvaneTable) {
  EXPECT_EQ(printing_module_path("/usr/bin/orvane-table"),
            "/usr/lib/orvane-table/orvane-table-printing.so");
  EXPECT_EQ(printing_module_path("/work/build/src/orvane-table"),
            "/work/build/lib/orvane-table/orvane-table-printing.so");
  EXPECT_EQ(printing_module_path("bin/orvane-table"),
            "bin/../lib/orvane-table/orvane-table-printing.so");
  EXPECT_EQ(printing_module_path("orvane-table"), "");
}

TEST_F(PrintModule, MissingModuleOffersNothingAndSaysWhy) {
  const std::string path = dir_ + "/lib/orvane-table/orvane-table-printing.so";
  auto p = make_module_printing([&] { return path; }, nullptr, open_fake);
  PrintDialogResult r = dialog(*p, {"\r"});
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.extended_error, 0u);  // a cancel, not a failure
  EXPECT_EQ(r.dc, 0u);
  const std::string& box = terminal_.output;
  EXPECT_NE(box.find("(none)"), std::string::npos);
  EXPECT_EQ(box.find("Save as PDF"), std::string::npos);
  EXPECT_NE(box.find("Printing is not available"), std::string::npos);
  EXPECT_NE(box.find("not installed (" + dir_), std::string::npos) << box;
  EXPECT_EQ(hook_messages, std::vector<uint32_t>{kWmInitDialog});  // opened, never OK
  EXPECT_EQ(terminal_.closes, 1);
  expect_no_printer(*p);
}

// The reason is one line of the box, cut with an ellipsis where it is longer; with the
// program's own file unknown (no /proc), the reason says that.
TEST_F(PrintModule, TheReasonIsOneLineAndNamesWhatCouldNotBeFound) {
  const std::string path = dir_ + "/" + std::string(80, 'x') + "/orvane-table-printing.so";
  auto p = make_module_printing([&] { return path; }, nullptr, open_fake);
  dialog(*p, {"\r"});
  // The box's rows.
  const std::string& box = terminal_.output;
  std::vector<std::string> rows;
  for (size_t at = 0, end; (end = box.find('\n', at)) != std::string::npos; at = end + 1) {
    rows.push_back(box.substr(at, end - at));
  }
  size_t why = 0;
  while (why < rows.size() && rows[why].find("Printing is not available") == std::string::npos) {
    ++why;
  }
  ASSERT_LT(why + 3, rows.size()) << box;
  EXPECT_NE(rows[why + 1].find("not installed (" + dir_), std::string::npos) << rows[why + 1];
  EXPECT_NE(rows[why + 1].find("\u2026"), std::string::npos) << rows[why + 1];
  EXPECT_EQ(rows[why + 2].find_first_of("x/"), std::string::npos) << rows[why + 2];
  EXPECT_NE(rows[why + 3].find("Esc Cancel"), std::string::npos) << rows[why + 3];
  // The frame stays square: the cut row is as wide as the others, its ellipsis one character.
  auto shown = [](const std::string& text) {
    return std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; });
  };
  EXPECT_EQ(shown(rows[why + 1]), shown(rows[why + 3]));

  auto lost = make_module_printing([] { return std::string(); }, nullptr, open_fake);
  terminal_.output.clear();
  dialog(*lost, {"\r"});
  EXPECT_NE(terminal_.output.find("the program's own location could not be read"),
            std::string::npos)
      << terminal_.output;
  EXPECT_EQ(terminal_.output.find("no path"), std::string::npos);
}

TEST_F(PrintModule, BrokenModuleCancelsOnEscOrHangUp) {
  const std::string path = dir_ + "/orvane-table-printing.so";
  std::ofstream(path) << "not a shared object";
  auto p = make_module_printing([&] { return path; }, nullptr, open_fake);
  // A lone Esc: taken as the key once no sequence follows.
  terminal_.hang_up_at_end = false;
  PrintDialogResult r = dialog(*p, {"\x1b"});
  EXPECT_EQ(r.result, 0);
  EXPECT_NE(terminal_.output.find("cannot be loaded"), std::string::npos) << terminal_.output;
  // A terminal that hangs up closes the box as well.
  terminal_.hang_up_at_end = true;
  r = dialog(*p, {});
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(terminal_.closes, 2);
  // No terminal to ask on: cancelled without drawing.
  fake = nullptr;
  terminal_.output.clear();
  EXPECT_EQ(p->print_dialog(kDialog, &record_hook).result, 0);
  EXPECT_TRUE(terminal_.output.empty());
  expect_no_printer(*p);
}

#ifdef OT_PRINTING_MODULE
// The module the build made, with no print server: its dialog on the program's terminal and
// "Save as PDF" through the program's file system.
TEST_F(PrintModule, RealModulePrintsThroughTheHost) {
  setenv("CUPS_SERVER", (dir_ + "/no-server.sock").c_str(), 1);
  setenv("ORVANE_DRIVE_C", dir_.c_str(), 1);
  auto p = make_module_printing([] { return OT_PRINTING_MODULE; }, file_system(), open_fake);
  PrintDialogResult r = dialog(*p, {"\r"});
  ASSERT_EQ(r.result, 1) << terminal_.output;
  EXPECT_EQ(r.device_name, "Save as PDF");
  EXPECT_NE(terminal_.output.find("Save as PDF"), std::string::npos);
  EXPECT_EQ(hook_messages, (std::vector<uint32_t>{kWmInitDialog, kWmCommand}));
  EXPECT_EQ(terminal_.closes, 1);

  DeviceContext dc = r.dc;
  ASSERT_NE(dc, 0u);
  ASSERT_GT(p->start_doc(dc, "Print job"), 0);
  LogFont lf;
  lf.height = -117;
  lf.weight = 700;
  std::snprintf(lf.face_name, sizeof lf.face_name, "Courier New");
  GdiObject font = p->create_font(lf);
  ASSERT_NE(font, 0u);
  GdiObject old = p->select_object(dc, font);
  ASSERT_GT(p->start_page(dc), 0);
  EXPECT_TRUE(p->text_out(dc, 0, 0, "1  1"));
  ASSERT_GT(p->end_page(dc), 0);
  ASSERT_GT(p->end_doc(dc), 0);
  p->select_object(dc, old);
  EXPECT_TRUE(p->delete_object(font));
  EXPECT_TRUE(p->delete_dc(dc));
  unsetenv("ORVANE_DRIVE_C");
  unsetenv("CUPS_SERVER");

  bool saved = false;
  for (auto& e : std::filesystem::recursive_directory_iterator(dir_)) {
    if (e.path().filename() == "PRINT-JOB-001.PDF") saved = std::filesystem::file_size(e) > 0;
  }
  EXPECT_TRUE(saved);
}
#endif

}  // namespace
