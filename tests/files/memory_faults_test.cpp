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

// The run-time code each Windows error becomes, by the error's name: the first forty in
// order, the two beyond them that have codes of their own, then a few that have none (the
// general code 75), including the ones the file backends leave.
TEST(ErrorMapTest, WindowsErrorsBecomeErrorCodes) {
  using files::detail::map_platform_error;
  struct Row {
    uint32_t windows;
    const char* name;
    int16_t code;
  };
  const Row rows[] = {
      {0, "ERROR_SUCCESS", 0},
      {1, "ERROR_INVALID_FUNCTION", 75},
      {2, "ERROR_FILE_NOT_FOUND", 53},
      {3, "ERROR_PATH_NOT_FOUND", 76},
      {4, "ERROR_TOO_MANY_OPEN_FILES", 67},
      {5, "ERROR_ACCESS_DENIED", 70},
      {6, "ERROR_INVALID_HANDLE", 51},
      {7, "ERROR_ARENA_TRASHED", 241},
      {8, "ERROR_NOT_ENOUGH_MEMORY", 7},
      {9, "ERROR_INVALID_BLOCK", 241},
      {10, "ERROR_BAD_ENVIRONMENT", 241},
      {11, "ERROR_BAD_FORMAT", 51},
      {12, "ERROR_INVALID_ACCESS", 51},
      {13, "ERROR_INVALID_DATA", 51},
      {14, "ERROR_OUTOFMEMORY", 7},
      {15, "ERROR_INVALID_DRIVE", 68},
      {16, "ERROR_CURRENT_DIRECTORY", 75},
      {17, "ERROR_NOT_SAME_DEVICE", 74},
      {18, "ERROR_NO_MORE_FILES", 53},
      {19, "ERROR_WRITE_PROTECT", 70},
      {20, "ERROR_BAD_UNIT", 68},
      {21, "ERROR_NOT_READY", 71},
      {22, "ERROR_BAD_COMMAND", 51},
      {23, "ERROR_CRC", 72},
      {24, "ERROR_BAD_LENGTH", 51},
      {25, "ERROR_SEEK", 72},
      {26, "ERROR_NOT_DOS_DISK", 72},
      {27, "ERROR_SECTOR_NOT_FOUND", 72},
      {28, "ERROR_OUT_OF_PAPER", 72},
      {29, "ERROR_WRITE_FAULT", 72},
      {30, "ERROR_READ_FAULT", 72},
      {31, "ERROR_GEN_FAILURE", 72},
      {32, "ERROR_SHARING_VIOLATION", 70},
      {33, "ERROR_LOCK_VIOLATION", 70},
      {34, "ERROR_WRONG_DISK", 72},
      {35, "(35)", 72},
      {36, "ERROR_SHARING_BUFFER_EXCEEDED", 70},
      {37, "(37)", 75},
      {38, "ERROR_HANDLE_EOF", 62},
      {39, "ERROR_HANDLE_DISK_FULL", 61},
      {87, "ERROR_INVALID_PARAMETER", 5},
      {112, "ERROR_DISK_FULL", 61},
      {40, "(40)", 75},
      {50, "ERROR_NOT_SUPPORTED", 75},
      {53, "ERROR_BAD_NETPATH", 75},
      {80, "ERROR_FILE_EXISTS", 75},
      {86, "ERROR_INVALID_PASSWORD", 75},  // beside the two with codes of their own
      {88, "ERROR_NET_WRITE_FAULT", 75},
      {111, "ERROR_BUFFER_OVERFLOW", 75},
      {113, "ERROR_NO_MORE_SEARCH_HANDLES", 75},
      {123, "ERROR_INVALID_NAME", 75},
      {161, "ERROR_BAD_PATHNAME", 75},
      {183, "ERROR_ALREADY_EXISTS", 75},
      {206, "ERROR_FILENAME_EXCED_RANGE", 75},
      {0xFFFF, "(0xFFFF)", 75},
      {0x10000, "(0x10000)", 75},
      {0xFFFFFFFF, "(0xFFFFFFFF)", 75},
  };
  for (const Row& row : rows) EXPECT_EQ(map_platform_error(row.windows), row.code) << row.name;
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
