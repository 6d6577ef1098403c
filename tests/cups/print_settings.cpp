// A helper of scripts/test-cups-faults.sh: prints one line through the run-time's printer layer
// to a CUPS destination with the device-mode settings given, then says what the run-time saw.
//
//   cups_print_settings DESTINATION [SETTING=VALUE ...]
//
// SETTING is a printer_set number (43 collate, 56 copies, 80 duplex, ...). Prints
// "duplex-capability N" and, per setting, "set S=V error E", then "done error E" for the
// detach that hands the job over. Exits 0 when the job was handed over.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "platform/posix/services.h"
#include "platform/printing.h"
#include "printer/printer.h"
#include "runtime/error.h"
#include "runtime/platform_access.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s DESTINATION [SETTING=VALUE ...]\n", argv[0]);
    return 2;
  }
  platform::Platform services;
  services.files = platform::posix::file_system();
  services.printing = platform::posix::printing();
  runtime::install_platform(services);
  printer::printer_init();

  runtime::ErrorScope scope;
  printer::printer_attach(printer::kAttachByName, argv[1], "");
  if (int32_t e = runtime::error_take()) {
    std::printf("attach error %d\n", e);
    return 1;
  }
  std::printf("duplex-capability %d\n",
              services.printing->device_capabilities(argv[1], platform::kDcDuplex, nullptr));
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    size_t eq = arg.find('=');
    if (eq == std::string::npos) continue;
    int32_t setting = std::atoi(arg.substr(0, eq).c_str());
    int32_t value = std::atoi(arg.substr(eq + 1).c_str());
    printer::printer_set(setting, value);
    std::printf("set %d=%d error %d\n", setting, value, runtime::error_take());
  }
  printer::printer_text("settings check");
  printer::printer_end_page();
  printer::printer_attach(printer::kAttachByName, "", "");
  int32_t e = runtime::error_take();
  std::printf("done error %d\n", e);
  return e == 0 ? 0 : 1;
}
