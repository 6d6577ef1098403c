#include "runtime/startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/memory/console.h"
#include "platform/memory/system.h"
#include "runtime/error.h"
#include "runtime/platform_access.h"

namespace {

using runtime::command_line_tail;

TEST(CommandLineTail, SkipsTheProgramNameAndTheBlanksAfterIt) {
  EXPECT_STREQ(command_line_tail("\"C:\\Program Files\\orvane.exe\"   abc"), "abc");
  EXPECT_STREQ(command_line_tail("orvane.exe"), "");
  EXPECT_STREQ(command_line_tail("orvane.exe   x y"), "x y");
  EXPECT_STREQ(command_line_tail("\"a b\"c d"), "c d");  // the scan goes on past the quote
  EXPECT_STREQ(command_line_tail("\"unterminated name"), "");
  EXPECT_STREQ(command_line_tail("\"\"  z"), "z");
  EXPECT_STREQ(command_line_tail("prog\ttab"), "\ttab");  // a control character stops it
  EXPECT_STREQ(command_line_tail("prog \x01rest"), "\x01rest");
  EXPECT_STREQ(command_line_tail("pr\xC3\xB6g  \xC3\xA9"), "\xC3\xA9");
  EXPECT_STREQ(command_line_tail(""), "");
  EXPECT_STREQ(command_line_tail(nullptr), "");
}

struct Seen {
  uintptr_t module = 0;
  int32_t reserved = -1;
  std::string tail;
  uint32_t show = 0;
  int32_t error_at_entry = -1;
  std::vector<int> order;
};
Seen g_seen;

int32_t fake_main(uintptr_t module, int32_t reserved, const char* tail, uint32_t show) {
  g_seen.module = module;
  g_seen.reserved = reserved;
  g_seen.tail = tail;
  g_seen.show = show;
  g_seen.error_at_entry = runtime::error_number();
  g_seen.order.push_back(3);
  runtime::error_raise(5);  // lands in the main level's word and goes no further
  return 42;
}

TEST(RunProgram, RunsInitThenMainWithItsArgumentsAndReturnsItsResult) {
  g_seen = Seen{};
  platform::memory::MemorySystem system;
  platform::memory::MemoryConsole console;
  system.set_command_line("\"orvane table.exe\"  -q now");
  system.set_show_command(3);
  platform::Platform services;
  services.system = &system;
  services.console = &console;

  runtime::ErrorScope outer;
  runtime::error_raise(9);
  const runtime::InitHook init[] = {[] { g_seen.order.push_back(1); }, nullptr,
                                    [] { g_seen.order.push_back(2); }};
  EXPECT_EQ(runtime::run_program(services, fake_main, init), 42);
  EXPECT_EQ(runtime::installed_platform().console, &console);
  EXPECT_EQ(g_seen.order, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(g_seen.module, system.module_handle());
  EXPECT_EQ(g_seen.reserved, 0);
  EXPECT_EQ(g_seen.tail, "-q now");
  EXPECT_EQ(g_seen.show, 3u);
  EXPECT_EQ(g_seen.error_at_entry, 0);
  EXPECT_EQ(runtime::error_number(), 9);
  EXPECT_EQ(console.presents(), 1);  // the last frame is shown
  runtime::install_platform(platform::Platform{});
}

}  // namespace
