// Start-up and shutdown of the Windows services, in a process whose standard input and output
// are redirected and whose standard error is the terminal (how the test run starts it).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/console.h"
#include "platform/native.h"
#include "platform/system.h"
#include "platform/win32/services.h"
#include "platform/win32/state.h"

namespace {

using platform::win32::startup_state;

class Win32StartupTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(platform::native::open(services_)); }
  static void TearDownTestSuite() { platform::native::close(); }
  static platform::Platform services_;
};
platform::Platform Win32StartupTest::services_;

TEST_F(Win32StartupTest, ScreenOutputFallsBackToStandardErrorWhenOutputIsRedirected) {
  const platform::win32::StartupState& s = startup_state();
  DWORD mode = 0;
  if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) {
    GTEST_SKIP() << "standard output is the console; run with it redirected to a file";
  }
  EXPECT_EQ(s.output_is_console, 0);
  EXPECT_EQ(s.console_output, s.error_output);
  EXPECT_EQ(s.output, GetStdHandle(STD_OUTPUT_HANDLE));
  EXPECT_EQ(s.input_is_console, GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) ? -1 : 0);

  // Screen output reaches the console through standard error.
  platform::BufferInfo info;
  EXPECT_TRUE(services_.console->get_buffer_info(info));
  EXPECT_GT(info.size.x, 0);
  platform::CursorInfo cursor;
  ASSERT_TRUE(services_.console->get_cursor_info(cursor));
  EXPECT_GE(cursor.size, 1u);
  EXPECT_NE(s.cursor.dwSize, 0u);
}

TEST_F(Win32StartupTest, KeyboardReadsFromTheConsoleDevice) {
  const platform::win32::StartupState& s = startup_state();
  ASSERT_NE(s.console_input, INVALID_HANDLE_VALUE);
  DWORD mode = 0xFFFF;
  ASSERT_TRUE(GetConsoleMode(s.console_input, &mode));
  platform::InputEvent ev;
  uint32_t count = 5;
  EXPECT_TRUE(services_.console->peek_input(ev, count));
}

TEST_F(Win32StartupTest, ProcessRecordsComeFromTheSystem) {
  platform::System& sys = *services_.system;
  EXPECT_EQ(sys.platform_id(), static_cast<uint32_t>(VER_PLATFORM_WIN32_NT));
  EXPECT_EQ(sys.module_handle(), reinterpret_cast<uintptr_t>(GetModuleHandleA(nullptr)));
  EXPECT_STREQ(sys.command_line(), GetCommandLineA());
  STARTUPINFOA si{};
  si.cb = sizeof si;
  GetStartupInfoA(&si);
  EXPECT_EQ(sys.show_command(),
            (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : uint32_t{SW_SHOWDEFAULT});

  char text[] = "abc-XYZ";
  EXPECT_TRUE(sys.char_upper(text, 3));
  EXPECT_STREQ(text, "ABC-XYZ");
  EXPECT_TRUE(sys.char_lower(text + 4, 3));
  EXPECT_STREQ(text, "ABC-xyz");
}

// Once open, the process is in a job object that allows no second process: starting a
// program fails.
TEST_F(Win32StartupTest, TheProcessIsInAJob) {
  const std::string what = platform::native::confinement();
  BOOL wow64 = FALSE;
  if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64) {
    EXPECT_EQ(what, "sandbox: none (32-bit program on 64-bit Windows)");
    GTEST_SKIP() << "a 32-bit process on 64-bit Windows is left unconfined";
  }
  ASSERT_EQ(what, "sandbox: job object (no child processes)");
  BOOL in_job = FALSE;
  EXPECT_TRUE(IsProcessInJob(GetCurrentProcess(), nullptr, &in_job));
  EXPECT_TRUE(in_job);
}

TEST_F(Win32StartupTest, TheJobLetsNoProgramStart) {
  BOOL wow64 = FALSE;
  if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64) {
    GTEST_SKIP() << "a 32-bit process on 64-bit Windows is left unconfined";
  }
  JOBOBJECT_BASIC_LIMIT_INFORMATION limit{};
  ASSERT_TRUE(QueryInformationJobObject(nullptr, JobObjectBasicLimitInformation, &limit,
                                        sizeof limit, nullptr));
  EXPECT_TRUE(limit.LimitFlags & JOB_OBJECT_LIMIT_ACTIVE_PROCESS);
  EXPECT_EQ(limit.ActiveProcessLimit, 1u);
  char command[] = "cmd.exe /c exit 0";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const BOOL started = CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                                      nullptr, nullptr, &si, &pi);
  if (started) {
    TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  EXPECT_FALSE(started) << "a program was started";
}

TEST(Win32Shutdown, CloseReleasesTheKeyboardDeviceOnce) {
  platform::Platform services;
  ASSERT_TRUE(platform::native::open(services));
  const HANDLE conin = startup_state().console_input;
  platform::native::close();
  DWORD flags = 0;
  EXPECT_FALSE(GetHandleInformation(conin, &flags));
  platform::native::close();  // a second close does nothing
}

}  // namespace
