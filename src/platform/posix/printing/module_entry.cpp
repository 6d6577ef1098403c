// The printing module's entry point and the platform services it takes from the program.
// Only the entry point is exported; everything else in the module stays private to it. Nothing
// the module throws reaches the program: the entry point catches it, and every call on the
// Printing it hands out goes through GuardedPrinting.
#include <string_view>

#include "platform/posix/print_module.h"
#include "platform/posix/printing/guarded_printing.h"
#include "platform/posix/services.h"

namespace platform::posix {
namespace {

PrintingHost host;

}  // namespace

FileSystem* host_file_system() {
  return host.files;
}

DialogScreen* open_dialog_screen() {
  return host.dialog_screen != nullptr ? host.dialog_screen() : nullptr;
}

}  // namespace platform::posix

extern "C" __attribute__((visibility("default"))) platform::Printing* orvane_table_printing_module(
    const platform::posix::PrintingHost* from) {
  static_assert(std::string_view(platform::posix::kPrintingModuleEntry) ==
                "orvane_table_printing_module");
  if (from == nullptr || from->abi != platform::posix::kPrintingModuleAbi) return nullptr;
  try {
    platform::posix::host = *from;
    static platform::posix::GuardedPrinting guarded(*platform::posix::printing());
    return &guarded;
  } catch (...) {
    return nullptr;  // the program reports printing as not available
  }
}
