// Drive letters on POSIX: each drive is a folder, names follow the Windows rules and are
// matched without regard to case, and nothing outside a drive's folder is ever reached,
// neither by ".." nor through a symbolic link.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "files/files.h"
#include "files/folders.h"
#include "files/platform_call.h"
#include "platform/platform.h"
#include "platform/posix/files/drive.h"
#include "platform/posix/files/errors.h"
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

// Runs `body` as a user whom permission bits bind. A test run by such a user runs it directly.
// Under root (as in CI), `tree` is handed to the user "nobody" and `body` runs in a child
// process that has become that user; its failures fail the test. Returns false, having run
// nothing, when the test runs as root and the system has no user "nobody".
bool RunUnprivileged(const std::string& tree, const std::function<void()>& body) {
  if (::geteuid() != 0) {
    body();
    return true;
  }
  const passwd* pw = ::getpwnam("nobody");
  if (pw == nullptr) return false;
  const uid_t uid = pw->pw_uid;
  const gid_t gid = pw->pw_gid;
  EXPECT_EQ(::chown(tree.c_str(), uid, gid), 0) << tree;
  for (const auto& entry : fs::recursive_directory_iterator(tree)) {
    EXPECT_EQ(::lchown(entry.path().c_str(), uid, gid), 0) << entry.path();
  }
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) {
      std::fprintf(stderr, "cannot become user nobody: %s\n", std::strerror(errno));
      std::_Exit(2);
    }
    body();
    std::fflush(nullptr);
    std::_Exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  EXPECT_GT(child, 0) << "fork: " << std::strerror(errno);
  int status = 0;
  EXPECT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "the checks run as user nobody failed (their report is above)";
  return true;
}

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
  EnvVar home_{"HOME"};
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
  runtime::ErrorScope scope;
  EXPECT_EQ(files::file_attributes("C:\\.."), platform::kAttributeDirectory);
}

TEST_F(PosixDriveTest, AFileWhereAFolderIsExpected) {
  std::ofstream(drive_c_ + "/TEMP") << "not a folder";
  runtime::ErrorScope scope;
  files::file_open(1, files::kModeOutput, 97, 128, 0, 1, "C:\\Temp\\NAME.TXT");
  EXPECT_EQ(runtime::error_take(), 76);
  EXPECT_EQ(slurp(drive_c_ + "/TEMP"), "not a folder");
}

TEST_F(PosixDriveTest, ReadOnlyFolderRefusesNewFiles) {
  fs::create_directory(drive_c_ + "/LOCKED");
  ::chmod((drive_c_ + "/LOCKED").c_str(), 0555);
  const bool ran = RunUnprivileged(root_, [&] {
    save("C:\\OPEN.TXT", "the drive itself is writable");
    runtime::ErrorScope scope;
    files::file_open(1, files::kModeOutput, 97, 128, 0, 1, "C:\\LOCKED\\A.TXT");
    EXPECT_EQ(runtime::error_take(), 70);
    files::dir_make("C:\\LOCKED\\SUB");
    EXPECT_EQ(runtime::error_take(), 70);
    EXPECT_FALSE(fs::exists(drive_c_ + "/LOCKED/A.TXT"));
    EXPECT_FALSE(fs::exists(drive_c_ + "/LOCKED/SUB"));
  });
  ::chmod((drive_c_ + "/LOCKED").c_str(), 0755);
  if (!ran) GTEST_SKIP() << "run as root, and there is no user 'nobody' to check permissions as";
}

TEST_F(PosixDriveTest, DriveCIsMadeOnFirstUseOtherLettersOnlyExistAsFolders) {
  c_.unset();
  xdg_.set(root_ + "/data");
  save("C:\\Y.TXT", "c");
  EXPECT_EQ(slurp(root_ + "/data/orvane-table/drive_c/Y.TXT"), "c\r\n");

  fs::create_directory(root_ + "/drive-d");
  d_.set(root_ + "/drive-d");
  save("d:\\X.TXT", "d");
  EXPECT_EQ(slurp(root_ + "/drive-d/X.TXT"), "d\r\n");
  EXPECT_GT(files::disk_size("D"), 0.0L);
  {
    // Another letter is another volume, though its folder is on the same host disk.
    runtime::ErrorScope scope;
    files::file_rename("C:\\Y.TXT", "D:\\Y.TXT");
    EXPECT_EQ(runtime::error_take(), 74);
    EXPECT_TRUE(fs::exists(root_ + "/data/orvane-table/drive_c/Y.TXT"));
    EXPECT_FALSE(fs::exists(root_ + "/drive-d/Y.TXT"));
  }

  // A letter whose folder is missing, or that names none, is no drive: path not found,
  // zero sizes, and no query makes its folder.
  d_.set(root_ + "/missing-d");
  runtime::ErrorScope scope;
  for (const char* name : {"D:\\X.TXT", "Q:\\A.TXT", "z:A.TXT"}) {
    files::file_open(1, files::kModeOutput, 97, 128, 0, 1, name);
    EXPECT_EQ(runtime::error_take(), 76) << name;
    files::file_attributes(name);
    EXPECT_EQ(runtime::error_take(), 76) << name;
    files::dir_make(name);
    EXPECT_EQ(runtime::error_take(), 76) << name;
  }
  EXPECT_EQ(files::disk_size("D"), 0.0L);
  EXPECT_EQ(files::disk_free("Q:\\TEMP"), 0.0L);
  EXPECT_FALSE(fs::exists(root_ + "/missing-d"));
  EXPECT_FALSE(fs::exists(root_ + "/data/orvane-table/drive_q"));
  EXPECT_FALSE(fs::exists(root_ + "/data/orvane-table/drive_d"));

  // No root at all is drive C, which is the current drive.
  EXPECT_GT(files::disk_size(""), 0.0L);
  EXPECT_EQ(files::disk_size(""), files::disk_size("C"));

  // A relative XDG_DATA_HOME or HOME would depend on the folder the program starts in: each
  // is passed over as if unset, and with neither there is no drive C.
  xdg_.set("relative-data");
  home_.set(root_ + "/home");
  save("C:\\Z.TXT", "z");
  EXPECT_EQ(slurp(root_ + "/home/.local/share/orvane-table/drive_c/Z.TXT"), "z\r\n");
  home_.set("relative-home");
  const fs::path was = fs::current_path();
  fs::current_path(root_);
  files::file_open(1, files::kModeOutput, 97, 128, 0, 1, "C:\\Z.TXT");
  EXPECT_EQ(runtime::error_take(), 76);
  fs::current_path(was);
  EXPECT_FALSE(fs::exists(root_ + "/relative-home"));
  EXPECT_FALSE(fs::exists(root_ + "/relative-data"));
}

TEST_F(PosixDriveTest, NamesWithoutALetterAreOnDriveC) {
  fs::create_directory(drive_c_ + "/TEMP");
  save("\\TEMP\\A.TXT", "a");
  save("temp/B.TXT", "b");
  save("TEMP\\C.TXT", "c");
  save("/TEMP/D.TXT", "d");
  save("E.TXT", "e");
  EXPECT_EQ(slurp(drive_c_ + "/TEMP/A.TXT"), "a\r\n");
  EXPECT_EQ(slurp(drive_c_ + "/TEMP/B.TXT"), "b\r\n");
  EXPECT_EQ(slurp(drive_c_ + "/TEMP/C.TXT"), "c\r\n");
  EXPECT_EQ(slurp(drive_c_ + "/TEMP/D.TXT"), "d\r\n");
  EXPECT_EQ(slurp(drive_c_ + "/E.TXT"), "e\r\n");

  runtime::ErrorScope scope;
  // A host path is a name on drive C too, never the host's own file.
  std::ofstream(root_ + "/host.txt") << "host";
  files::file_attributes(root_ + "/host.txt");
  EXPECT_EQ(runtime::error_take(), 76);
  files::file_open(1, files::kModeOutput, 97, 128, 0, 1, root_ + "/host.txt");
  EXPECT_EQ(runtime::error_take(), 76);
  EXPECT_EQ(slurp(root_ + "/host.txt"), "host");
}

TEST_F(PosixDriveTest, TrailingDotsAndSpacesAreDropped) {
  runtime::ErrorScope scope;
  files::dir_make("C:\\TEMP. .");
  EXPECT_EQ(runtime::error_take(), 0);
  save("C:\\TEMP.\\NAME.TXT.", "one");
  save("C:\\TEMP\\NAME.TXT  ", "two");
  save("C:\\temp.\\name.txt. .", "three");
  EXPECT_EQ(slurp(drive_c_ + "/TEMP/NAME.TXT"), "three\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(drive_c_ + "/TEMP"), fs::directory_iterator()), 1);
  EXPECT_EQ(std::distance(fs::directory_iterator(drive_c_), fs::directory_iterator()), 1);
  // A component of dots alone names its folder.
  EXPECT_EQ(files::file_attributes("C:\\TEMP\\..."), platform::kAttributeDirectory);
}

TEST_F(PosixDriveTest, DeviceNamesNeverBecomeFiles) {
  fs::create_directory(drive_c_ + "/TEMP");
  save("NUL", "gone");
  save("C:\\TEMP\\nul.txt", "gone");
  save("C:\\TEMP\\Nul .Log", "gone");
  runtime::ErrorScope scope;
  EXPECT_NE(files::file_attributes("C:\\TEMP\\NUL"), 0u);
  EXPECT_EQ(runtime::error_take(), 0);
  for (const char* name : {"CON", "C:\\TEMP\\CON.TXT", "prn", "aux.dat", "C:\\COM1", "lpt9.txt"}) {
    files::file_open(1, files::kModeOutput, 97, 128, 0, 1, name);
    EXPECT_EQ(runtime::error_take(), 68) << name;
    files::file_attributes(name);
    EXPECT_EQ(runtime::error_take(), 68) << name;
    files::dir_make(name);
    EXPECT_EQ(runtime::error_take(), 68) << name;
  }
  files::file_open(1, files::kModeOutput, 97, 128, 0, 1, "C:\\NUL\\A.TXT");
  EXPECT_EQ(runtime::error_take(), 76);
  EXPECT_EQ(std::distance(fs::directory_iterator(drive_c_ + "/TEMP"), fs::directory_iterator()), 0);
  // Names that only look like devices are ordinary files.
  save("C:\\TEMP\\COM10.TXT", "x");
  save("C:\\TEMP\\NULL", "x");
  save("C:\\TEMP\\CONSOLE.TXT", "x");
  save("C:\\TEMP\\LPT0", "x");
  EXPECT_EQ(std::distance(fs::directory_iterator(drive_c_ + "/TEMP"), fs::directory_iterator()), 4);
}

TEST_F(PosixDriveTest, HostErrorsBecomeTheirCodes) {
  runtime::ErrorScope scope;
  fs::create_directory(drive_c_ + "/DIR");
  // A folder opened as a file: access denied.
  files::file_open(1, files::kModeOutput, 97, 128, 0, 1, "C:\\DIR");
  EXPECT_EQ(runtime::error_take(), 70);
  // A name longer than a component may be.
  platform::FileSystem* native = platform::posix::file_system();
  const std::string long_name = "C:\\" + std::string(300, 'n');
  EXPECT_EQ(native->create_file(long_name.c_str(), platform::kGenericWrite, 0, false,
                                platform::kCreateAlways, platform::kAttributeNormal),
            platform::kInvalidFileHandle);
  EXPECT_EQ(files::detail::map_platform_error(native->get_last_error()), 75);
  // A link that points at itself.
  ASSERT_EQ(::symlink("LOOP", (drive_c_ + "/LOOP").c_str()), 0);
  files::file_open(1, files::kModeOutput, 97, 128, 0, 1, "C:\\LOOP");
  EXPECT_EQ(runtime::error_take(), 75);
}

// Every host error the drive can give, as the Windows error the same failure gives on
// Windows and the error code the user then sees.
TEST(PosixErrorMapTest, HostErrorsBecomeTheWindowsErrorsOfTheSameFailure) {
  namespace we = platform::win_error;
  struct Row {
    int host;
    uint32_t windows;
    int16_t code;
  };
  const Row rows[] = {
      {0, we::kSuccess, 0},
      {ENOENT, we::kFileNotFound, 53},
      {ENOTDIR, we::kPathNotFound, 76},
      {EACCES, we::kAccessDenied, 70},
      {EPERM, we::kAccessDenied, 70},
      {EISDIR, we::kAccessDenied, 70},  // a folder opened as a file
      {EROFS, we::kWriteProtect, 70},
      {ETXTBSY, we::kSharingViolation, 70},
      {EBUSY, we::kSharingViolation, 70},
      {EAGAIN, we::kLockViolation, 70},
      {ENOSPC, we::kDiskFull, 61},
      {EDQUOT, we::kDiskFull, 61},
      {EMFILE, we::kTooManyOpenFiles, 67},
      {ENFILE, we::kTooManyOpenFiles, 67},
      {EXDEV, we::kNotSameDevice, 74},
      {EIO, we::kGenFailure, 72},
      {ENXIO, we::kNotReady, 71},
      {ENODEV, we::kNotReady, 71},
      {ESPIPE, we::kSeek, 72},
      {EBADF, we::kInvalidHandle, 51},
      {EINVAL, we::kInvalidParameter, 5},
      {ENOMEM, we::kNotEnoughMemory, 7},
      {EEXIST, we::kAlreadyExists, 75},
      {ENAMETOOLONG, we::kFilenameExcedRange, 75},
      {ELOOP, we::kCantResolveFilename, 75},
      {ENOTEMPTY, we::kDirNotEmpty, 75},
      {EPIPE, we::kBrokenPipe, 75},
      {EFBIG, we::kFileTooLarge, 75},
      {EPROTO, we::kGenFailure, 72},  // anything else: a general failure
  };
  for (const Row& row : rows) {
    const uint32_t windows = platform::posix::windows_error(row.host);
    EXPECT_EQ(windows, row.windows) << std::strerror(row.host);
    EXPECT_EQ(files::detail::map_platform_error(windows), row.code) << std::strerror(row.host);
  }
}

// Symbolic links, with the kernel's confined lookup and with the portable walk.
class PosixLinkTest : public PosixDriveTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    PosixDriveTest::SetUp();
    platform::posix::force_portable_walk(GetParam());
    if (!GetParam() && !platform::posix::uses_openat2()) {
      GTEST_SKIP() << "the kernel has no openat2; the portable walk is tested instead";
    }
    outside_ = root_ + "/outside";
    fs::create_directory(outside_);
    std::ofstream(outside_ + "/SECRET.TXT") << "secret";
    fs::create_directory(drive_c_ + "/TEMP");
  }
  void TearDown() override {
    platform::posix::force_portable_walk(false);
    PosixDriveTest::TearDown();
  }
  void link(const std::string& target, const std::string& at) {
    ASSERT_EQ(::symlink(target.c_str(), (drive_c_ + "/" + at).c_str()), 0) << at;
  }
  // Opening `name` for output is refused as access denied, and the outside is untouched.
  void refused(const std::string& name) {
    runtime::ErrorScope scope;
    files::file_open(1, files::kModeOutput, 97, 128, 0, 1, name);
    EXPECT_EQ(runtime::error_take(), 70) << name;
    files::file_close(1, 0);
    EXPECT_EQ(slurp(outside_ + "/SECRET.TXT"), "secret");
    EXPECT_EQ(std::distance(fs::directory_iterator(outside_), fs::directory_iterator()), 1);
  }

  std::string outside_;
};

TEST_P(PosixLinkTest, LinksThatLeadOutAreRefused) {
  link("../outside", "OUT");                            // a folder, relative
  link(outside_, "ABSOUT");                             // a folder, absolute
  link("../../outside/SECRET.TXT", "TEMP/VICTIM.TXT");  // a file
  link("../../outside/NEW.TXT", "TEMP/DANGLE.TXT");     // a file not there yet
  link("../IN/../..", "TEMP/SNEAKY");                   // out through an inner link
  link("TEMP", "IN");
  refused("C:\\TEMP\\VICTIM.TXT");
  refused("C:\\TEMP\\victim.txt");
  refused("C:\\TEMP\\DANGLE.TXT");
  refused("C:\\OUT\\SECRET.TXT");
  refused("C:\\OUT\\NEW.TXT");
  refused("C:\\ABSOUT\\SECRET.TXT");
  refused("C:\\TEMP\\SNEAKY\\outside\\NEW.TXT");
  save("C:\\OUT\\..\\TEMP\\X.TXT", "x");  // ".." is folded first: this is C:\TEMP\X.TXT
  EXPECT_TRUE(fs::exists(drive_c_ + "/TEMP/X.TXT"));
  runtime::ErrorScope scope;
  // Folder creation, attributes and existence below a way out.
  files::dir_make("C:\\OUT\\SUB");
  EXPECT_EQ(runtime::error_take(), 70);
  EXPECT_EQ(files::file_attributes("C:\\OUT"), 0u);
  EXPECT_EQ(runtime::error_take(), 70);
  files::file_attributes("C:\\ABSOUT\\SECRET.TXT");
  EXPECT_EQ(runtime::error_take(), 70);
  files::file_attributes("C:\\TEMP\\VICTIM.TXT");
  EXPECT_EQ(runtime::error_take(), 70);
  // Renaming into, out of or deleting through a way out.
  std::ofstream(drive_c_ + "/TEMP/X.PART") << "new";
  files::file_rename("C:\\TEMP\\X.PART", "C:\\OUT\\SECRET.TXT");
  EXPECT_EQ(runtime::error_take(), 70);
  files::file_rename("C:\\OUT\\SECRET.TXT", "C:\\TEMP\\GOT.TXT");
  EXPECT_EQ(runtime::error_take(), 70);
  files::file_delete("C:\\OUT\\SECRET.TXT");
  EXPECT_EQ(runtime::error_take(), 70);
  // A file that is a link leading out is itself inside: deleting it takes the link away and
  // leaves what it leads to, and a rename onto it (as a save does) replaces the link itself.
  link("../../outside/SECRET.TXT", "TEMP/GONE.TXT");
  files::file_delete("C:\\TEMP\\GONE.TXT");
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_FALSE(fs::is_symlink(drive_c_ + "/TEMP/GONE.TXT"));
  files::file_rename("C:\\TEMP\\X.PART", "C:\\TEMP\\VICTIM.TXT");
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_FALSE(fs::is_symlink(drive_c_ + "/TEMP/VICTIM.TXT"));
  EXPECT_EQ(slurp(drive_c_ + "/TEMP/VICTIM.TXT"), "new");
  // A new file is made where the name is free, never through a link that holds it.
  files::file_open(1, files::kModeOutput | files::kModeNew, 97, 128, 0, 1, "C:\\TEMP\\DANGLE.TXT");
  EXPECT_EQ(runtime::error_take(), 75);  // the name is taken (by the link)
  EXPECT_TRUE(fs::is_symlink(drive_c_ + "/TEMP/DANGLE.TXT"));
  EXPECT_FALSE(fs::exists(outside_ + "/NEW.TXT"));
  EXPECT_EQ(slurp(outside_ + "/SECRET.TXT"), "secret");
  EXPECT_EQ(std::distance(fs::directory_iterator(outside_), fs::directory_iterator()), 1);
}

TEST_P(PosixLinkTest, LinksThatStayInsideAreFollowed) {
  link("TEMP", "IN");                    // a folder in the middle of a name
  link("../REAL.TXT", "TEMP/LINK.TXT");  // a file at the end of one
  link("..", "TEMP/UP");
  link("../NEWFILE.TXT", "TEMP/AHEAD.TXT");  // a file not there yet
  save("C:\\IN\\A.TXT", "a");
  EXPECT_EQ(slurp(drive_c_ + "/TEMP/A.TXT"), "a\r\n");
  save("C:\\TEMP\\LINK.TXT", "real");
  EXPECT_EQ(slurp(drive_c_ + "/REAL.TXT"), "real\r\n");
  EXPECT_TRUE(fs::is_symlink(drive_c_ + "/TEMP/LINK.TXT"));
  save("C:\\temp\\up\\TEMP\\UP\\B.TXT", "b");
  EXPECT_EQ(slurp(drive_c_ + "/B.TXT"), "b\r\n");
  save("C:\\TEMP\\AHEAD.TXT", "ahead");
  EXPECT_EQ(slurp(drive_c_ + "/NEWFILE.TXT"), "ahead\r\n");
  runtime::ErrorScope scope;
  EXPECT_EQ(files::file_attributes("C:\\in"), platform::kAttributeDirectory);
  files::dir_make("C:\\IN\\SUB");
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_TRUE(fs::is_directory(drive_c_ + "/TEMP/SUB"));
}

INSTANTIATE_TEST_SUITE_P(Lookup, PosixLinkTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "PortableWalk" : "Openat2");
                         });

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
