// The Windows printer as it is, run under Wine by the Windows stage: with no printer
// installed the print dialog answers at once, and the print menu takes the Cancel path.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "app/app_fixture.h"
#include "platform/printing.h"
#include "platform/win32/devmode.h"
#include "platform/win32/services.h"
#include "printer/printer_state.h"

namespace app_test {
namespace {

constexpr uint32_t kDialogFlags = 0x14110C;

// True when the system has a default printer (the real dialog would then wait for a person).
bool HasDefaultPrinter() {
  platform::Printing* p = platform::win32::printing();
  platform::PrintDialogResult r =
      p->print_dialog(kDialogFlags | platform::kPdReturnDefault, nullptr);
  if (r.dc) p->delete_dc(r.dc);
  return r.result != 0;
}

TEST(Win32Printing, DefaultPrinterQueryAnswersAtOnce) {
  auto start = std::chrono::steady_clock::now();
  platform::Printing* p = platform::win32::printing();
  platform::PrintDialogResult r =
      p->print_dialog(kDialogFlags | platform::kPdReturnDefault, nullptr);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  if (r.result == 0) {
    EXPECT_EQ(r.extended_error, platform::kPdErrNoDefaultPrinter);
  } else {
    EXPECT_NE(r.dc, 0u);
    EXPECT_FALSE(r.device_name.empty());
    p->delete_dc(r.dc);
  }
}

// A DEVMODEA record of `dm_size` bytes with `extra` bytes of driver data (0xAB) after it.
// Offsets of the public part: dmSize 36, dmDriverExtra 38, dmFields 40, dmOrientation 44,
// dmCopies 54, dmColor 60, dmDuplex 62, dmCollate 68.
std::vector<uint8_t> Record(uint16_t dm_size, uint16_t extra, uint32_t fields) {
  std::vector<uint8_t> r(std::max<size_t>(dm_size + extra, 72), 0);
  std::memcpy(&r[36], &dm_size, 2);
  std::memcpy(&r[38], &extra, 2);
  std::memcpy(&r[40], &fields, 4);
  int16_t portrait = 1, two = 2;
  std::memcpy(&r[44], &portrait, 2);
  std::memcpy(&r[54], &two, 2);
  r.resize(dm_size + extra);  // a record shorter than the fields set loses them
  for (size_t i = dm_size; i < r.size(); ++i) r[i] = 0xAB;
  return r;
}

int16_t At(const std::vector<uint8_t>& r, size_t offset) {
  int16_t v;
  std::memcpy(&v, &r[offset], 2);
  return v;
}

TEST(Win32DevMode, ShortRecordKeepsItsSizeAndWritesTheFieldsItHas) {
  using namespace platform;
  // Ends after dmColor: no duplex or collate field; its flags claim duplex all the same.
  std::vector<uint8_t> rec = Record(62, 8, kDmOrientation | kDmCopies | kDmDuplex);
  DevMode m = win32::devmode_from_native(rec.data(), rec.size());
  EXPECT_TRUE(m.covered & kDmOrientation);
  EXPECT_TRUE(m.covered & kDmColor);
  EXPECT_FALSE(m.covered & kDmDuplex);
  EXPECT_FALSE(m.covered & kDmCollate);
  EXPECT_EQ(m.fields, kDmOrientation | kDmCopies);
  EXPECT_EQ(m.copies, 2);
  m.orientation = kOrientLandscape;
  m.copies = 5;
  m.duplex = 3;  // no room for it: not written
  std::vector<uint8_t> out = win32::devmode_to_native(m);
  ASSERT_EQ(out.size(), rec.size());
  EXPECT_EQ(At(out, 44), kOrientLandscape);
  EXPECT_EQ(At(out, 54), 5);
  // The driver's own bytes after dmColor are left as they were.
  EXPECT_TRUE(std::equal(rec.begin() + 62, rec.end(), out.begin() + 62));
  uint32_t fields;
  std::memcpy(&fields, &out[40], 4);
  EXPECT_EQ(fields, kDmOrientation | kDmCopies | kDmDuplex);

  // A full record has every field; a record too short for dmFields carries nothing.
  std::vector<uint8_t> full = Record(156, 4, kDmCollate);
  DevMode f = win32::devmode_from_native(full.data(), full.size());
  EXPECT_TRUE(f.covered & kDmCollate);
  EXPECT_EQ(f.fields, kDmCollate);
  std::vector<uint8_t> tiny = Record(40, 0, 0);
  DevMode t = win32::devmode_from_native(tiny.data(), tiny.size());
  EXPECT_EQ(t.covered, 0u);
  EXPECT_TRUE(win32::devmode_to_native(t).empty());
}

class Win32PrintFlowTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    printer::detail::reset_for_tests();
  }
  void TearDown() override {
    printer::detail::reset_for_tests();
    AppTest::TearDown();
  }
  int32_t RunProgramWithRealPrinter() {
    static const runtime::InitHook init[] = {console::screen_init, printer::printer_init,
                                             app::ProgramVariablesInit};
    platform::Platform services;
    services.system = &system;
    services.console = &console;
    services.files = &drive;
    services.printing = platform::win32::printing();
    return runtime::run_program(services, app::ProgramMain, init);
  }
};

TEST_F(Win32PrintFlowTest, PrintMenuWithoutPrinterSaysFailed) {
  if (HasDefaultPrinter()) GTEST_SKIP() << "a printer is installed: the dialog would wait";
  std::string box;
  Then([&] { Type("P"); });
  Then([&] { Type("Y"); });
  Then([&] {
    box = console.text(31, 49, 21);
    Type("X");
  });
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunProgramWithRealPrinter(), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
  EXPECT_EQ(box, "Printing Failed      ");
  EXPECT_EQ(printer::printer_name(), "");
}

}  // namespace
}  // namespace app_test
