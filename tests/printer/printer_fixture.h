// Installs a recorded printer and a fresh printer layer for each test.
#pragma once

#include <gtest/gtest.h>

#include "platform/memory/printing.h"
#include "printer/printer.h"
#include "printer/printer_state.h"
#include "runtime/error.h"
#include "runtime/platform_access.h"

class PrinterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = runtime::installed_platform();
    platform::Platform p = saved_;
    p.printing = &device_;
    runtime::install_platform(p);
    printer::detail::reset_for_tests();
    printer::printer_init();
  }
  void TearDown() override {
    printer::detail::reset_for_tests();
    runtime::install_platform(saved_);
  }

  // Attaches the memory printer through the dialog, as the print menu does.
  void attach_by_dialog(const std::string& name = "Memory Printer") {
    device_.dialog_script.push_back({platform::memory::DialogStep::kOk, name});
    printer::printer_attach(printer::kAttachDialog, "", "");
  }

  platform::memory::MemoryPrinting device_;
  runtime::ErrorScope scope_;

 private:
  platform::Platform saved_;
};
