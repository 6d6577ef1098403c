// The console devices the Windows console tests work on: start-up runs once as the program's
// does, then the console is pointed at a screen buffer of the tests' own and a read-write
// "CONIN$" (the test run redirects standard input and output).
#pragma once

namespace win32_test {

// False when the process has no console.
bool console_devices();

}  // namespace win32_test
