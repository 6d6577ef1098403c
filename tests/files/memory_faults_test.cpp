// Faults that real disks do not give on demand, injected through the memory file system:
// a full disk, short writes, refused access, read-only and missing drives, devices.
#include <gtest/gtest.h>

#include <cfenv>

#include "file_env.h"
#include "files/files.h"
#include "files/folders.h"
#include "files/platform_call.h"
#include "runtime/error.h"
#include "runtime/platform_access.h"

namespace files_test {
namespace {

using platform::memory::MemoryFileSystem;

class MemoryFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_ = FileEnv::make("memory");
    mem_ = env_->memory();
  }
  void TearDown() override { files::file_close_all(); }

  std::unique_ptr<FileEnv> env_;
  MemoryFileSystem* mem_ = nullptr;
};

TEST_F(MemoryFaultsTest, DiskFullGives61AndKeepsPositionColumnAndBytes) {
  runtime::ErrorScope scope;
  mem_->set_capacity('C', 10);
  files::file_open(1, files::kModeOutput, 97, 128, 0, 1, "C:\\WORK\\FULL.TXT");
  files::file_set_current(1);
  files::file_print("12345678");
  ASSERT_EQ(runtime::error_take(), 0);
  files::file_print("abc");  // 11 bytes do not fit
  EXPECT_EQ(runtime::error_take(), 61);
  const files::OpenFile* f = files::file_find(1);
  EXPECT_EQ(f->position, 8u);
  EXPECT_EQ(f->column, 8u);
  files::file_print_eol();  // 10 bytes fit
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_EQ(f->column, 0u);
  files::file_close(1, 0);
  EXPECT_EQ(*mem_->file_bytes("C:\\WORK\\FULL.TXT"), "12345678\r\n");

  // A disk that takes part of a failing write: the part is taken back.
  mem_->set_partial_full_writes(true);
  files::file_open(1, files::kModeOutput, 97, 128, 0, 1, "C:\\WORK\\FULL.TXT");
  files::file_print("1234567");
  files::file_print("abcd");
  EXPECT_EQ(runtime::error_take(), 61);
  EXPECT_EQ(*mem_->file_bytes("C:\\WORK\\FULL.TXT"), "1234567");
  EXPECT_EQ(files::file_find(1)->position, 7u);
  files::file_print("ab");
  files::file_close(1, 0);
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_EQ(*mem_->file_bytes("C:\\WORK\\FULL.TXT"), "1234567ab");
}

TEST_F(MemoryFaultsTest, ShortWritesAreTakenBackSoNoTornLineRemains) {
  runtime::ErrorScope scope;
  files::file_open(1, files::kModeOutput, 97, 128, 0, 1, "C:\\WORK\\SHORT.TXT");
  files::file_set_current(1);
  files::file_print("whole");
  files::file_print_eol();
  mem_->set_short_writes(3);
  files::file_print("torn line");
  EXPECT_EQ(runtime::error_take(), 61);
  files::file_print_eol();  // 2 bytes fit in 3: whole again
  EXPECT_EQ(runtime::error_take(), 0);
  mem_->set_short_writes(std::nullopt);
  files::file_print("next");
  files::file_close(1, 0);
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_EQ(*mem_->file_bytes("C:\\WORK\\SHORT.TXT"), "whole\r\n\r\nnext");
}

TEST_F(MemoryFaultsTest, RefusedAndReadOnlyPlacesGive70AndLeaveNothingOpen) {
  runtime::ErrorScope scope;
  mem_->deny_access("C:\\WORK\\SECRET");
  files::file_open(1, files::kModeOutput, 97, 128, 0, 1, "C:\\work\\secret\\A.TXT");
  EXPECT_EQ(runtime::error_take(), 70);
  files::dir_make("C:\\WORK\\SECRET");
  EXPECT_EQ(runtime::error_take(), 70);

  mem_->make_folders("C:\\WORK\\LOCKED");
  mem_->set_read_only_file("C:\\WORK\\LOCKED", true);
  files::file_open(1, files::kModeOutput, 97, 128, 0, 1, "C:\\WORK\\LOCKED\\A.TXT");
  EXPECT_EQ(runtime::error_take(), 70);
  files::dir_make("C:\\WORK\\LOCKED\\SUB");
  EXPECT_EQ(runtime::error_take(), 70);

  mem_->add_drive('D');
  mem_->set_read_only('D', true);
  files::file_open(1, files::kModeOutput, 97, 128, 0, 1, "D:\\A.TXT");
  EXPECT_EQ(runtime::error_take(), 70);
  files::dir_make("D:\\TEMP");
  EXPECT_EQ(runtime::error_take(), 70);

  // A read-only file: write access is refused; with the retry allowed the file opens
  // read-only, cannot be emptied for output, and the open fails with its handle closed.
  mem_->put_file("C:\\WORK\\RO.TXT", "keep");
  mem_->set_read_only_file("C:\\WORK\\RO.TXT", true);
  files::file_open(1, files::kModeOutput, files::kAccessWrite | 1, 128, 0, 1, "C:\\WORK\\RO.TXT");
  EXPECT_EQ(runtime::error_take(), 70);
  EXPECT_EQ(*mem_->file_bytes("C:\\WORK\\RO.TXT"), "keep");
  // Input with write asked but allowed to retry read-only opens.
  files::file_open(2, files::kModeInput, 128 + 64 + 1, 16, 0, 1, "C:\\WORK\\RO.TXT");
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_EQ(files::file_find(2)->buffer.substr(0, 4), "keep");
  files::file_close(2, 0);

  EXPECT_EQ(files::file_find(1), nullptr);
  EXPECT_EQ(mem_->open_handle_count(), 0u);
}

TEST_F(MemoryFaultsTest, AnOpenThatFailsLeavesNoFileOfItsOwnAndNewFilesAreOnlyEverMade) {
  runtime::ErrorScope scope;
  mem_->put_file("C:\\OLD.TXT", "old");
  mem_->fail_end_of_file(platform::win_error::kGenFailure);  // the file cannot be cut to length
  files::file_open(1, files::kModeOutput, 97, 128, 0, 1, "C:\\NEW.TXT");
  EXPECT_EQ(runtime::error_take(), 72);
  EXPECT_FALSE(mem_->exists("C:\\NEW.TXT"));  // made by the open, so taken away again
  files::file_open(1, files::kModeOutput, 97, 128, 0, 1, "C:\\OLD.TXT");
  EXPECT_EQ(runtime::error_take(), 72);
  EXPECT_EQ(mem_->file_bytes("C:\\OLD.TXT"), "old");  // there before: kept
  mem_->fail_end_of_file(std::nullopt);

  const uint8_t fresh = files::kModeOutput | files::kModeNew;
  files::file_open(1, fresh, 97, 128, 0, 1, "C:\\OLD.TXT");
  EXPECT_EQ(runtime::error_take(), 75);  // ERROR_FILE_EXISTS: never opened, never emptied
  EXPECT_EQ(mem_->file_bytes("C:\\OLD.TXT"), "old");
  EXPECT_EQ(mem_->open_handle_count(), 0u);
  files::file_open(1, fresh, 97, 128, 0, 1, "C:\\NEW.TXT");
  files::file_set_current(1);
  files::file_print("new");
  files::file_close(1, 0);
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_EQ(mem_->file_bytes("C:\\NEW.TXT"), "new");
}

TEST_F(MemoryFaultsTest, MissingDriveGives76) {
  runtime::ErrorScope scope;
  files::file_open(1, files::kModeOutput, 97, 128, 0, 1, "Q:\\A.TXT");
  EXPECT_EQ(runtime::error_take(), 76);
  files::file_attributes("Q:\\");
  EXPECT_EQ(runtime::error_take(), 76);
  EXPECT_EQ(files::disk_size("Q"), 0.0L);
  EXPECT_EQ(runtime::error_take(), 0);  // drive space never raises
}

TEST_F(MemoryFaultsTest, DevicesTakeTheirOwnCodes) {
  runtime::ErrorScope scope;
  mem_->put_device("C:\\DEV\\LPT");
  files::file_open(1, files::kModeOutput, 97, 128, 0, 1, "C:\\DEV\\LPT");
  ASSERT_EQ(runtime::error_take(), 0);
  EXPECT_EQ(files::file_find(1)->device_kind, files::kDeviceOther);
  files::file_set_current(1);
  files::file_print("page");
  EXPECT_EQ(files::file_find(1)->position, 0u);  // no position on a device
  EXPECT_EQ(files::file_find(1)->column, 4u);
  mem_->set_short_writes(1);
  files::file_print("xy");
  EXPECT_EQ(runtime::error_take(), 57);
  mem_->set_short_writes(std::nullopt);
  files::file_close(1, 0);
  EXPECT_EQ(mem_->device_output("C:\\DEV\\LPT"), "pagex");

  files::file_open(2, files::kModeAppend, 97, 1, 0, 1, "C:\\DEV\\LPT");
  EXPECT_EQ(runtime::error_take(), 54);
  files::file_open(2, files::kModeDeviceOnly, 97, 1, 0, 1, "C:\\WORK\\DISK.TXT");
  EXPECT_EQ(runtime::error_take(), 69);  // device-only opens existing devices only
  mem_->put_file("C:\\WORK\\DISK.TXT", "");
  files::file_open(2, files::kModeDeviceOnly, 97, 1, 0, 1, "C:\\WORK\\DISK.TXT");
  EXPECT_EQ(runtime::error_take(), 69);
  EXPECT_EQ(files::file_find(2), nullptr);
  EXPECT_EQ(mem_->open_handle_count(), 0u);
}

TEST_F(MemoryFaultsTest, AGivenHandleIsUsedButNotClosed) {
  runtime::ErrorScope scope;
  const platform::FileHandle h =
      mem_->create_file("C:\\WORK\\GIVEN.TXT", platform::kGenericWrite, 0, false,
                        platform::kCreateAlways, platform::kAttributeNormal);
  files::file_open(7, files::kModeOutput, 97, 1, h, 0, "");
  ASSERT_EQ(runtime::error_take(), 0);
  EXPECT_EQ(files::file_find(7)->open_flags, files::kOpenFlagOpen | files::kOpenFlagGivenHandle);
  files::file_set_current(7);
  files::file_print("via handle");
  files::file_close(7, 0);
  EXPECT_EQ(mem_->open_handle_count(), 1u);
  mem_->close_handle(h);
  EXPECT_EQ(*mem_->file_bytes("C:\\WORK\\GIVEN.TXT"), "via handle");
}

TEST_F(MemoryFaultsTest, PlatformCallsKeepTheErrorModeAndFloatState) {
  runtime::ErrorScope scope;
  mem_->set_error_mode(0x4);
  const int rounding = std::fegetround();
  files::file_attributes("C:\\WORK");
  EXPECT_EQ(mem_->error_mode(), 0x4u);
  EXPECT_EQ(std::fegetround(), rounding);
}

TEST_F(MemoryFaultsTest, OlderSpaceQueryWhenTheNewerIsMissing) {
  mem_->set_capacity('C', 1 << 20);
  mem_->put_file("C:\\WORK\\F", std::string(8192, 'f'));
  EXPECT_EQ(files::disk_size("C:\\TEMP"), 1048576.0L);
  EXPECT_EQ(files::disk_free("c"), 1048576.0L - 8192.0L);
  mem_->set_free_space_ex_available(false);
  EXPECT_EQ(files::disk_size("C"), 1048576.0L);
  EXPECT_EQ(files::disk_free(""), 1048576.0L - 8192.0L);
}

TEST(ErrorMapTest, WindowsErrorsBecomeErrorCodes) {
  using files::detail::map_platform_error;
  // Windows errors 0 to 39, in order.
  constexpr uint8_t kFirst40[40] = {
      0,  75, 53, 76, 67, 70, 51, 241, 7,  241, 241, 51, 51, 51, 7,  68, 75, 74, 53, 70,
      68, 71, 51, 72, 51, 72, 72, 72,  72, 72,  72,  72, 70, 70, 72, 72, 70, 75, 62, 61,
  };
  for (uint32_t e = 0; e < 40; ++e) EXPECT_EQ(map_platform_error(e), kFirst40[e]) << e;
  EXPECT_EQ(map_platform_error(87), 5);
  EXPECT_EQ(map_platform_error(112), 61);
  for (uint32_t e :
       {40u, 50u, 80u, 86u, 88u, 111u, 113u, 123u, 183u, 206u, 0xFFFFu, 0x10000u, 0xFFFFFFFFu}) {
    EXPECT_EQ(map_platform_error(e), 75) << e;
  }
}

TEST(NoFileSystemTest, OperationsFailWithoutCrashing) {
  runtime::ErrorScope scope;
  runtime::install_platform(platform::Platform{});
  files::reset();
  files::file_open(1, files::kModeOutput, 97, 128, 0, 1, "C:\\A.TXT");
  EXPECT_EQ(runtime::error_take(), 75);
  files::dir_make("C:\\A");
  EXPECT_EQ(runtime::error_take(), 75);
  EXPECT_EQ(files::disk_free(""), 0.0L);
}

}  // namespace
}  // namespace files_test
