// Drive letters on POSIX: each drive is a folder, names are matched without regard to
// case, ".." stays inside the drive, and plain POSIX paths pass through.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "files/files.h"
#include "files/folders.h"
#include "platform/platform.h"
#include "platform/posix/files_drive.h"
#include "platform/posix/services.h"
#include "runtime/error.h"
#include "runtime/platform_access.h"

namespace files_test {
namespace {

namespace fs = std::filesystem;

// Keeps an environment variable as it was.
class EnvVar {
 public:
  explicit EnvVar(const char* name) : name_(name) {
    if (const char* v = std::getenv(name)) {
      had_ = true;
      value_ = v;
    }
  }
  ~EnvVar() {
    if (had_) {
      ::setenv(name_, value_.c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  void set(const std::string& v) { ::setenv(name_, v.c_str(), 1); }
  void unset() { ::unsetenv(name_); }

 private:
  const char* name_;
  bool had_ = false;
  std::string value_;
};

class PosixDriveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = fs::temp_directory_path().string() + "/ot-drive-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    drive_c_ = root_ + "/c";
    fs::create_directory(drive_c_);
    c_.set(drive_c_);
    platform::Platform services;
    services.files = platform::posix::file_system();
    runtime::install_platform(services);
    files::reset();
  }
  void TearDown() override {
    files::file_close_all();
    files::reset();
    runtime::install_platform(platform::Platform{});
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  static std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void save(const std::string& path, const std::string& text) {
    runtime::ErrorScope scope;
    files::file_open(1, files::kModeOutput, 97, 128, 0, 1, path);
    files::file_set_current(1);
    files::file_print(text);
    files::file_print_eol();
    files::file_close(1, 0);
    EXPECT_EQ(scope.code(), 0) << path;
  }

  EnvVar c_{"ORVANE_DRIVE_C"};
  EnvVar d_{"ORVANE_DRIVE_D"};
  EnvVar xdg_{"XDG_DATA_HOME"};
  std::string root_;
  std::string drive_c_;
};

TEST_F(PosixDriveTest, ExistingNamesAreReusedWhateverTheirCase) {
  fs::create_directory(drive_c_ + "/temp");
  runtime::ErrorScope scope;
  files::dir_make("C:\\Temp");
  EXPECT_EQ(runtime::error_take(), 75);
  save("C:\\TEMP\\NAME.TXT", "one");
  save("c:/temp/name.txt", "two");  // the same file again, through slashes
  EXPECT_EQ(slurp(drive_c_ + "/temp/NAME.TXT"), "two\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(drive_c_), fs::directory_iterator()), 1);
}

TEST_F(PosixDriveTest, NewNamesAreCreatedAsWritten) {
  runtime::ErrorScope scope;
  files::dir_make("C:\\Temp");
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_TRUE(fs::is_directory(drive_c_ + "/Temp"));
  save("C:\\TEMP\\Mixed.Txt", "x");
  EXPECT_TRUE(fs::is_regular_file(drive_c_ + "/Temp/Mixed.Txt"));
}

TEST_F(PosixDriveTest, DotDotStaysInsideTheDrive) {
  save("C:\\..\\..\\..\\ESCAPE.TXT", "in");
  EXPECT_TRUE(fs::exists(drive_c_ + "/ESCAPE.TXT"));
  EXPECT_FALSE(fs::exists(root_ + "/ESCAPE.TXT"));
  save("C:\\A\\..\\..\\B.TXT", "in");
  EXPECT_TRUE(fs::exists(drive_c_ + "/B.TXT"));
  EXPECT_EQ(platform::posix::map_path("C:\\..").path, drive_c_);
}

TEST_F(PosixDriveTest, AFileWhereAFolderIsExpected) {
  std::ofstream(drive_c_ + "/TEMP") << "not a folder";
  runtime::ErrorScope scope;
  files::file_open(1, files::kModeOutput, 97, 128, 0, 1, "C:\\Temp\\NAME.TXT");
  EXPECT_EQ(runtime::error_take(), 76);
  EXPECT_EQ(slurp(drive_c_ + "/TEMP"), "not a folder");
}

TEST_F(PosixDriveTest, ReadOnlyFolderRefusesNewFiles) {
  if (::geteuid() == 0) GTEST_SKIP() << "permission bits do not bind root";
  fs::create_directory(drive_c_ + "/LOCKED");
  ::chmod((drive_c_ + "/LOCKED").c_str(), 0555);
  runtime::ErrorScope scope;
  files::file_open(1, files::kModeOutput, 97, 128, 0, 1, "C:\\LOCKED\\A.TXT");
  EXPECT_EQ(runtime::error_take(), 70);
  files::dir_make("C:\\LOCKED\\SUB");
  EXPECT_EQ(runtime::error_take(), 70);
  ::chmod((drive_c_ + "/LOCKED").c_str(), 0755);
}

TEST_F(PosixDriveTest, DriveFoldersComeFromTheEnvironmentAndAreMadeOnFirstUse) {
  d_.set(root_ + "/deep/drive-d");
  save("D:\\X.TXT", "d");
  EXPECT_EQ(slurp(root_ + "/deep/drive-d/X.TXT"), "d\r\n");

  c_.unset();
  xdg_.set(root_ + "/data");
  save("C:\\Y.TXT", "c");
  EXPECT_EQ(slurp(root_ + "/data/orvane-table/drive_c/Y.TXT"), "c\r\n");
}

TEST_F(PosixDriveTest, PlainPathsAreOrdinaryPosixPaths) {
  save(drive_c_ + "/plain.txt", "p");
  EXPECT_EQ(slurp(drive_c_ + "/plain.txt"), "p\r\n");
  runtime::ErrorScope scope;
  files::file_attributes(root_ + "/missing/x");
  EXPECT_EQ(runtime::error_take(), 76);
  files::file_attributes(root_ + "/x");
  EXPECT_EQ(runtime::error_take(), 53);
}

TEST_F(PosixDriveTest, PipesAreDevicesAndABrokenPipeIsAnError) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  runtime::ErrorScope scope;
  files::file_open(2, files::kModeOutput, 97, 1, static_cast<uintptr_t>(fds[1]), 0, "");
  ASSERT_EQ(runtime::error_take(), 0);
  EXPECT_EQ(files::file_find(2)->device_kind, files::kDeviceOther);
  files::file_set_current(2);
  files::file_print("through");
  char got[8] = {};
  EXPECT_EQ(::read(fds[0], got, 7), 7);
  EXPECT_STREQ(got, "through");
  ::close(fds[0]);
  files::file_print("nobody reads");  // no SIGPIPE: an error code instead
  EXPECT_NE(runtime::error_take(), 0);
  files::file_close(2, 0);  // a given handle stays open
  EXPECT_NE(::fcntl(fds[1], F_GETFD), -1);
  EXPECT_EQ(::close(fds[1]), 0);
}

}  // namespace
}  // namespace files_test
