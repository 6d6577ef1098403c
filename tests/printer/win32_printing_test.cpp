// The Windows printer as it is, run under Wine by the Windows stage: with no printer
// installed the print dialog answers at once, and the print menu takes the Cancel path.
#include <chrono>

#include "app/app_fixture.h"
#include "platform/printing.h"
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

TEST_F(Win32PrintFlowTest, PrintMenuWithoutPrinterSaysCancelled) {
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
  EXPECT_EQ(box, "Printing Cancelled   ");
  EXPECT_EQ(printer::printer_name(), "");
}

}  // namespace
}  // namespace app_test
