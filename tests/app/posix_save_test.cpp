// Saving through real POSIX files: a link that leads out of the drive, and (as root, on a
// small tmpfs of its own) a full and a read-only disk. A failed save says so, keeps the
// earlier file of the same name and leaves no partial file.
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "files/folders.h"
#include "platform/posix/services.h"
#include "runtime/error.h"

namespace app_test {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path().filename());
  std::sort(out.begin(), out.end());
  return out;
}

class PosixSaveTest : public AppTest {
 protected:
  void SetUp() override {
    std::string pattern = fs::temp_directory_path().string() + "/ot-save-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    drive_c_ = root_ + "/c";
    fs::create_directory(drive_c_);
    if (const char* old = std::getenv("ORVANE_DRIVE_C")) saved_drive_ = old;
    ::setenv("ORVANE_DRIVE_C", drive_c_.c_str(), 1);
    file_system = platform::posix::file_system();
    AppTest::SetUp();
  }
  void TearDown() override {
    AppTest::TearDown();
    if (mounted_) ::umount2(drive_c_.c_str(), MNT_DETACH);
    if (saved_drive_.empty()) {
      ::unsetenv("ORVANE_DRIVE_C");
    } else {
      ::setenv("ORVANE_DRIVE_C", saved_drive_.c_str(), 1);
    }
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  // Saves under `name` from the main screen and ends the program; the file menu is checked
  // with the box it should show.
  void SaveAndLeave(const std::string& name, int error) {
    Then([&] { Type("f"); });
    Then([&, name] { Type(name + "\r"); });
    Then([&, name, error] {
      EXPECT_TRUE(ScreenMatches(console, FileMenuPicture(name, error))) << name;
      Type("x");
    });
    EXPECT_EQ(RunProgram(), 0);
  }

  // A tmpfs of `kib` KiB as drive C, in a mount namespace of this test process's own, so that
  // the mount goes with the process however it ends. Skips when it cannot be had.
  void MountSmallDisk(int kib) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
      GTEST_SKIP() << "no private mount namespace here: " << std::strerror(errno);
    }
    const std::string options = "size=" + std::to_string(kib) + "k,mode=0755";
    if (::mount("ot-save", drive_c_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
      GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
    }
    mounted_ = true;
  }

  // Fills drive C (the small disk) to the last byte.
  void FillDisk() {
    ASSERT_TRUE(mounted_);  // never the host's own disk
    const int fd = ::open((drive_c_ + "/FILLER").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const std::string block(4096, 'f');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    while (::write(fd, "f", 1) > 0) {
    }
    ::close(fd);
  }

  std::string root_;
  std::string drive_c_;
  std::string saved_drive_;
  bool mounted_ = false;
};

// A link at the saved name is replaced itself, never written through, whether it leads out
// of the drive or nowhere; a folder on the way that leads out refuses the save.
TEST_F(PosixSaveTest, ASaveOverALinkLeadingOutReplacesTheLinkAndTouchesNothingOutside) {
  fs::create_directory(root_ + "/outside");
  std::ofstream(root_ + "/outside/VICTIM.TXT") << "keep";
  fs::create_directory(drive_c_ + "/TEMP");
  fs::create_symlink("../../outside/VICTIM.TXT", drive_c_ + "/TEMP/VICTIM.TXT");
  fs::create_symlink("../../outside/NEW.TXT", drive_c_ + "/TEMP/DANGLING.TXT");
  for (const std::string name : {"VICTIM", "DANGLING"}) {
    SaveAndLeave(name, 0);
    EXPECT_FALSE(fs::is_symlink(drive_c_ + "/TEMP/" + name + ".TXT")) << name;
    EXPECT_EQ(Slurp(drive_c_ + "/TEMP/" + name + ".TXT"), ResultsFileBytes()) << name;
  }
  EXPECT_EQ(Slurp(root_ + "/outside/VICTIM.TXT"), "keep");
  EXPECT_EQ(Names(root_ + "/outside"), std::vector<std::string>{"VICTIM.TXT"});
  EXPECT_EQ(Names(drive_c_ + "/TEMP"), (std::vector<std::string>{"DANGLING.TXT", "VICTIM.TXT"}));

  // The folder itself leading out: not even the folder is made outside.
  fs::remove_all(drive_c_ + "/TEMP");
  fs::create_symlink("../outside", drive_c_ + "/TEMP");
  SaveAndLeave("OTHER", 70);
  EXPECT_EQ(Names(root_ + "/outside"), std::vector<std::string>{"VICTIM.TXT"});
}

// Whatever holds the name of the file a save writes first (NAME.TXT.PART): a link planted
// there, symbolic or hard, leading inside or out of the drive, or a file left by a save cut
// short. The save goes through, and nothing the entry led to is written or removed.
TEST_F(PosixSaveTest, WhatHoldsTheNameOfTheSavesOwnFileIsNeverWrittenThrough) {
  fs::create_directory(root_ + "/outside");
  std::ofstream(root_ + "/outside/notes.txt") << "notes";
  std::ofstream(drive_c_ + "/IMPORTANT.TXT") << "important";
  fs::create_directory(drive_c_ + "/TEMP");
  const std::string temp = drive_c_ + "/TEMP/";
  fs::create_symlink("../IMPORTANT.TXT", temp + "INSIDE.TXT.PART");
  fs::create_symlink("../../outside/notes.txt", temp + "OUTSIDE.TXT.PART");
  fs::create_symlink("../../outside/new.txt", temp + "DANGLING.TXT.PART");
  fs::create_hard_link(root_ + "/outside/notes.txt", temp + "HARDLINK.TXT.PART");
  std::ofstream(temp + "STALE.TXT.PART") << std::string(5000, 's');
  for (const std::string name : {"INSIDE", "OUTSIDE", "DANGLING", "HARDLINK", "STALE"}) {
    SaveAndLeave(name, 0);
    EXPECT_FALSE(fs::is_symlink(temp + name + ".TXT")) << name;
    EXPECT_EQ(Slurp(temp + name + ".TXT"), ResultsFileBytes()) << name;
  }
  EXPECT_EQ(Slurp(drive_c_ + "/IMPORTANT.TXT"), "important");
  EXPECT_EQ(Slurp(root_ + "/outside/notes.txt"), "notes");
  EXPECT_EQ(fs::hard_link_count(root_ + "/outside/notes.txt"), 1u);
  EXPECT_EQ(Names(root_ + "/outside"), std::vector<std::string>{"notes.txt"});
  EXPECT_EQ(Names(drive_c_ + "/TEMP"),
            (std::vector<std::string>{"DANGLING.TXT", "HARDLINK.TXT", "INSIDE.TXT", "OUTSIDE.TXT",
                                      "STALE.TXT"}));
}

// Run by save_faults.sh under strace, with a fault injected into one system call;
// OT_SAVE_FAULT is the error code the box is to show (0: the save goes through).
TEST_F(PosixSaveTest, UnderAnInjectedFault) {
  const char* expected = std::getenv("OT_SAVE_FAULT");
  if (expected == nullptr) GTEST_SKIP() << "run by save_faults.sh, under strace";
  const int code = std::atoi(expected);
  fs::create_directory(drive_c_ + "/TEMP");
  std::ofstream(drive_c_ + "/TEMP/ABCDE.TXT") << "earlier";
  SaveAndLeave("ABCDE", code);
  EXPECT_EQ(Slurp(drive_c_ + "/TEMP/ABCDE.TXT"), code == 0 ? ResultsFileBytes() : "earlier");
  EXPECT_EQ(Names(drive_c_ + "/TEMP"), std::vector<std::string>{"ABCDE.TXT"});
}

TEST_F(PosixSaveTest, ASecondSaveOnAFullDiskKeepsTheFirst) {
  MountSmallDisk(64);
  if (IsSkipped() || HasFatalFailure()) return;
  SaveAndLeave("ABCDE", 0);
  const std::string first = Slurp(drive_c_ + "/Temp/ABCDE.TXT");
  EXPECT_EQ(first, ResultsFileBytes());
  FillDisk();
  SaveAndLeave("ABCDE", 61);
  EXPECT_EQ(Slurp(drive_c_ + "/Temp/ABCDE.TXT"), first);
  SaveAndLeave("FGHIJ", 61);  // a first save leaves no file either
  EXPECT_EQ(Names(drive_c_ + "/Temp"), std::vector<std::string>{"ABCDE.TXT"});
  fs::remove(drive_c_ + "/FILLER");
  SaveAndLeave("ABCDE", 0);
  EXPECT_EQ(Names(drive_c_ + "/Temp"), std::vector<std::string>{"ABCDE.TXT"});
}

TEST_F(PosixSaveTest, AReadOnlyDiskRefusesTheSaveAndKeepsTheFile) {
  MountSmallDisk(64);
  if (IsSkipped() || HasFatalFailure()) return;
  fs::create_directory(drive_c_ + "/TEMP");
  std::ofstream(drive_c_ + "/TEMP/ABCDE.TXT") << "earlier";
  ASSERT_EQ(::mount("ot-save", drive_c_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0)
      << std::strerror(errno);
  SaveAndLeave("ABCDE", 70);
  EXPECT_EQ(Slurp(drive_c_ + "/TEMP/ABCDE.TXT"), "earlier");
  EXPECT_EQ(Names(drive_c_ + "/TEMP"), std::vector<std::string>{"ABCDE.TXT"});
}

TEST_F(PosixSaveTest, ARenameToAnotherDiskIsRefused) {
  MountSmallDisk(64);
  if (IsSkipped() || HasFatalFailure()) return;
  fs::create_directory(root_ + "/d");
  ::setenv("ORVANE_DRIVE_D", (root_ + "/d").c_str(), 1);
  std::ofstream(drive_c_ + "/A.TXT") << "a";
  runtime::ErrorScope scope;
  files::file_rename("C:\\A.TXT", "D:\\A.TXT");
  EXPECT_EQ(runtime::error_take(), 74);
  ::unsetenv("ORVANE_DRIVE_D");
  EXPECT_EQ(Slurp(drive_c_ + "/A.TXT"), "a");
  EXPECT_FALSE(fs::exists(root_ + "/d/A.TXT"));
}

}  // namespace
}  // namespace app_test
