// Process entry: opens the operating system's services, runs the program and ends the process
// with its exit code.
#include "platform/native.h"
#include "runtime/platform_access.h"

int main() {
  platform::Platform services;
  if (!platform::native::open(services)) return 1;
  runtime::install_platform(services);
  platform::native::close();
  return 0;
}
