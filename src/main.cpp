// Process entry: opens the operating system's services, runs the program through the
// run-time's start-up and ends the process with the program's exit code.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/program_main.h"
#include "app/program_variables.h"
#include "console/screen.h"
#include "platform/native.h"
#include "platform/platform.h"
#include "printer/printer.h"
#include "runtime/startup.h"

namespace {

#ifndef OT_VERSION
#define OT_VERSION "unknown"
#endif
constexpr const char* kVersion = OT_VERSION;

void PrintUsage() {
  std::printf(
      "Usage: %s [--help | --version]\n"
      "\n"
      "Shows the numbers 1 to 99 and their cubes on an 80 x 50 console screen.\n"
      "Keys: F saves the results to C:\\TEMP\\<NAME>.TXT, P prints them, G or F10 shows the\n"
      "main screen again, X or F12 leaves.\n"
      "\n"
      "On Windows C: is the drive itself. On Linux and other POSIX systems C: is the folder\n"
      "$ORVANE_DRIVE_C when it is set, otherwise $XDG_DATA_HOME/orvane-table/drive_c\n"
      "(by default ~/.local/share/orvane-table/drive_c), made on first use.\n"
#ifdef _WIN32
      // Windows users get no manual page: the text beside the program answers instead.
      "See HOW-TO-RUN.txt beside orvane-table.exe for how to start it, the screen size,\n"
      "the error codes and the exit status.\n"
#else
      "See orvane-table(1) for the screens, printing and exit status.\n"
#endif
      ,
      platform::kProgramName);
}

// Ends a run that only wrote to standard output: 0 when everything written reached it, else 1
// with a message on standard error (a full disk, a closed pipe, /dev/full), so that a script
// never takes a lost answer for a good one.
int FinishOutput() {
  errno = 0;
  const bool failed = std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
  if (std::fclose(stdout) != 0 || failed) {
    std::fprintf(stderr, "%s: cannot write to standard output: %s\n", platform::kProgramName,
                 std::strerror(errno != 0 ? errno : EIO));
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Only these two words are answered; any other argument is ignored, as the program takes
  // no arguments.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      PrintUsage();
      return FinishOutput();
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("%s %s\n", platform::kProgramName, kVersion);
      std::printf("%s\n", platform::native::confinement().c_str());
      return FinishOutput();
    }
  }

  platform::Platform services;
  if (!platform::native::open(services)) return 1;
  const runtime::InitHook init[] = {console::screen_init, printer::printer_init,
                                    app::ProgramVariablesInit};
  const int32_t exit_code = runtime::run_program(services, app::ProgramMain, init);
  app::ProgramVariablesRelease();
  platform::native::close();
  return exit_code;
}
