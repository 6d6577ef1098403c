// Numbered files and folders against every file system: the in-memory one and the native
// one (real files), so that both give the same codes and the same bytes on disk.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "file_env.h"
#include "files/files.h"
#include "files/folders.h"
#include "runtime/error.h"

namespace files_test {
namespace {

using files::file_close;
using files::file_open;
using files::file_print;
using files::file_print_eol;
using files::file_set_current;

// The application's open: number 1 for output, exclusive, no read-only retry.
void open_output(int16_t number, const std::string& path) {
  file_open(number, files::kModeOutput, 97, 128, 0, 1, path);
}

class FilesTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { env_ = FileEnv::make(GetParam()); }
  void TearDown() override {
    files::file_close_all();
    env_.reset();
  }
  std::string at(const std::string& name) const { return env_->base() + name; }

  std::unique_ptr<FileEnv> env_;
};

TEST_P(FilesTest, ResultsFileHoldsExactlyTheLinesWithCrLf) {
  runtime::ErrorScope scope;
  open_output(1, at("RESULTS.TXT"));
  file_set_current(1);
  file_print("  Numbers Cubed");
  file_print_eol();
  file_print("");  // an empty text writes nothing
  file_print_eol();
  file_print("   99");
  file_print("   970,299");
  file_print_eol();
  file_close(1, 0);
  EXPECT_EQ(scope.code(), 0);
  EXPECT_EQ(env_->read(at("RESULTS.TXT")), "  Numbers Cubed\r\n\r\n   99   970,299\r\n");
}

TEST_P(FilesTest, OutputCreatesAMissingFileAndEmptiesALongerOne) {
  runtime::ErrorScope scope;
  env_->write(at("OLD.TXT"), std::string(5000, 'x'));
  open_output(1, at("old.txt"));  // names are matched without regard to case
  file_set_current(1);
  file_print("short");
  file_print_eol();
  file_close(1, 0);
  EXPECT_EQ(scope.code(), 0);
  EXPECT_EQ(env_->read(at("OLD.TXT")), "short\r\n");

  open_output(2, at("NEW.TXT"));
  file_close(2, 0);
  EXPECT_EQ(scope.code(), 0);
  EXPECT_EQ(env_->read(at("NEW.TXT")), "");
}

TEST_P(FilesTest, SecondOpenOfANumberGives55AndKeepsTheFirst) {
  runtime::ErrorScope scope;
  open_output(1, at("FIRST.TXT"));
  ASSERT_EQ(runtime::error_take(), 0);
  open_output(1, at("SECOND.TXT"));
  EXPECT_EQ(runtime::error_take(), 55);
  EXPECT_EQ(env_->read(at("SECOND.TXT")), "<missing>");  // not even created

  files::OpenFile* f = files::file_find(1);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->name, at("FIRST.TXT"));
  EXPECT_EQ(f->device_kind, files::kDeviceDisk);
  EXPECT_EQ(f->record_length, 1);  // output files use record length 1
  file_set_current(1);
  file_print("still open");
  file_close(1, 0);
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_EQ(env_->read(at("FIRST.TXT")), "still open");
}

TEST_P(FilesTest, UnopenedOrNegativeNumbersGive52AndCloseIsQuiet) {
  runtime::ErrorScope scope;
  file_set_current(1);
  file_print("lost");
  EXPECT_EQ(runtime::error_take(), 52);
  file_print_eol();
  EXPECT_EQ(runtime::error_take(), 52);
  EXPECT_EQ(files::file_find(3), nullptr);
  EXPECT_EQ(runtime::error_take(), 52);
  file_close(1, 0);
  EXPECT_EQ(runtime::error_take(), 0);

  open_output(-1, at("NEG.TXT"));
  EXPECT_EQ(runtime::error_take(), 52);
  EXPECT_EQ(env_->read(at("NEG.TXT")), "<missing>");
}

TEST_P(FilesTest, LongNamesAreCutTo255Bytes) {
  runtime::ErrorScope scope;
  const std::string full = at(std::string(300 - env_->base().size(), 'N'));
  ASSERT_EQ(full.size(), 300u);
  const std::string cut = full.substr(0, 255);
  open_output(1, full);
  file_set_current(1);
  file_print("cut");
  file_close(1, 0);
  EXPECT_EQ(scope.code(), 0);
  EXPECT_EQ(env_->read(cut), "cut");
  // The attribute query cuts the same way, so the 300-byte name finds the file too.
  EXPECT_NE(files::file_attributes(full), 0u);
  EXPECT_EQ(scope.code(), 0);
}

TEST_P(FilesTest, WildcardsAndEmptyNamesAreRefusedBeforeThePlatform) {
  runtime::ErrorScope scope;
  if (env_->memory() != nullptr) env_->memory()->clear_counts();
  open_output(1, at("WHAT?.TXT"));
  EXPECT_EQ(runtime::error_take(), 64);
  open_output(1, at("*.TXT"));
  EXPECT_EQ(runtime::error_take(), 64);
  open_output(1, "");
  EXPECT_EQ(runtime::error_take(), 64);
  EXPECT_EQ(files::file_attributes(at("A?")), 0u);
  EXPECT_EQ(runtime::error_take(), 64);
  files::dir_make(at("DIR*"));
  EXPECT_EQ(runtime::error_take(), 76);
  if (env_->memory() != nullptr) {
    EXPECT_EQ(env_->memory()->service_calls(), 0u);
  }
  EXPECT_EQ(files::file_find(1), nullptr);
}

TEST_P(FilesTest, DirMakeCreatesOneLevelOnly) {
  runtime::ErrorScope scope;
  files::dir_make(at("Temp"));
  EXPECT_EQ(runtime::error_take(), 0);
  const uint32_t a = files::file_attributes(at("TEMP"));
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_NE(a & platform::kAttributeDirectory, 0u);

  files::dir_make(at("TEMP"));  // exists, whatever the case
  EXPECT_EQ(runtime::error_take(), 75);
  files::dir_make(at("A\\B"));  // parent missing: no recursion
  EXPECT_EQ(runtime::error_take(), 76);
  EXPECT_EQ(files::file_attributes(at("A")), 0u);
  EXPECT_EQ(runtime::error_take(), 53);
}

TEST_P(FilesTest, AttributesOfFilesFoldersAndMissingPaths) {
  runtime::ErrorScope scope;
  env_->write(at("DATA.TXT"), "abc");
  const uint32_t file = files::file_attributes(at("data.txt"));
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_NE(file, 0u);
  EXPECT_EQ(file & platform::kAttributeDirectory, 0u);

  EXPECT_EQ(files::file_attributes(at("NONE.TXT")), 0u);
  EXPECT_EQ(runtime::error_take(), 53);
  EXPECT_EQ(files::file_attributes(at("NODIR\\NONE.TXT")), 0u);
  EXPECT_EQ(runtime::error_take(), 76);
}

TEST_P(FilesTest, AFileWhereTheFolderShouldBe) {
  // The save flow's case: C:\Temp is a file. It "exists", cannot be made, and the open
  // below it fails without writing anything.
  runtime::ErrorScope scope;
  env_->write(at("Temp"), "");
  files::file_attributes(at("TEMP"));
  EXPECT_EQ(runtime::error_take(), 0);
  files::dir_make(at("Temp"));
  EXPECT_EQ(runtime::error_take(), 75);
  open_output(1, at("TEMP\\NAME.TXT"));
  EXPECT_EQ(runtime::error_take(), 76);
  EXPECT_EQ(files::file_find(1), nullptr);
  EXPECT_EQ(runtime::error_take(), 52);
}

TEST_P(FilesTest, OutputOpenIsExclusive) {
  runtime::ErrorScope scope;
  open_output(1, at("LOCKED.TXT"));
  ASSERT_EQ(runtime::error_take(), 0);
  // A second open of the same file under another number meets the exclusive share mode.
  file_open(2, files::kModeOutput, 97, 1, 0, 1, at("LOCKED.TXT"));
  EXPECT_EQ(runtime::error_take(), 70);
  EXPECT_EQ(files::file_find(2), nullptr);
  runtime::error_clear();
  file_close(1, 0);
  file_open(2, files::kModeOutput, 97, 1, 0, 1, at("LOCKED.TXT"));
  EXPECT_EQ(runtime::error_take(), 0);
}

TEST_P(FilesTest, AppendContinuesAtTheEnd) {
  runtime::ErrorScope scope;
  env_->write(at("LOG.TXT"), "one\r\n");
  file_open(3, files::kModeAppend, 97, 0, 0, 1, at("LOG.TXT"));
  ASSERT_EQ(runtime::error_take(), 0);
  EXPECT_EQ(files::file_find(3)->position, 5u);
  file_set_current(3);
  file_print("two");
  file_print_eol();
  EXPECT_EQ(files::file_find(3)->position, 10u);
  EXPECT_EQ(files::file_find(3)->column, 0u);
  file_close(3, files::kModeAppend);
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_EQ(env_->read(at("LOG.TXT")), "one\r\ntwo\r\n");
}

TEST_P(FilesTest, InputRandomAndMaskRules) {
  runtime::ErrorScope scope;
  env_->write(at("IN.TXT"), "0123456789");
  file_open(4, files::kModeInput, 128 + 1, 4, 0, 1, at("IN.TXT"));
  ASSERT_EQ(runtime::error_take(), 0);
  files::OpenFile* in = files::file_find(4);
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(in->read_ahead, 4u);
  EXPECT_EQ(in->buffer, "0123");
  file_set_current(4);
  file_print("x");  // not open for output
  EXPECT_EQ(runtime::error_take(), 54);
  file_close(4, files::kModeOutput);  // mask mismatch is reported, the file still closes
  EXPECT_EQ(runtime::error_take(), 54);
  EXPECT_EQ(files::file_find(4), nullptr);
  runtime::error_clear();

  file_open(5, files::kModeInput, 129, 4, 0, 1, at("MISSING.TXT"));  // input never creates
  EXPECT_EQ(runtime::error_take(), 53);
  file_open(5, files::kModeRandom, 128 + 64 + 4, 40000, 0, 1, at("R.DAT"));
  EXPECT_EQ(runtime::error_take(), 5);
  file_open(5, files::kModeRandom, 128 + 64 + 4, 0, 0, 1, at("R.DAT"));
  EXPECT_EQ(runtime::error_take(), 5);
  file_open(5, files::kModeRandom, 128 + 64 + 4, 32768, 0, 0, at("R.DAT"));
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_EQ(files::file_find(5)->position, UINT64_MAX);
  EXPECT_EQ(files::file_find(5)->record_length, 32768);
}

TEST_P(FilesTest, CloseAllClosesEveryFile) {
  runtime::ErrorScope scope;
  open_output(1, at("A.TXT"));
  open_output(2, at("B.TXT"));
  file_open(3, files::kModeAppend, 97, 1, 0, 1, at("C.TXT"));
  files::file_close_all();
  EXPECT_EQ(scope.code(), 0);
  for (int16_t n = 1; n <= 3; ++n) EXPECT_EQ(files::file_find(n), nullptr);
  runtime::error_clear();
  open_output(1, at("A.TXT"));  // the handles were really closed
  EXPECT_EQ(scope.code(), 0);
}

TEST_P(FilesTest, RenameReplacesAFileAndDeleteRemovesOne) {
  runtime::ErrorScope scope;
  env_->write(at("NEW.PART"), "new");
  env_->write(at("OLD.TXT"), "old and longer");
  files::file_rename(at("new.part"), at("OLD.TXT"));
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_EQ(env_->read(at("OLD.TXT")), "new");
  EXPECT_EQ(env_->read(at("NEW.PART")), "<missing>");
  files::file_rename(at("OLD.TXT"), at("FRESH.TXT"));  // a name not taken yet
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_EQ(env_->read(at("FRESH.TXT")), "new");

  files::file_rename(at("NEW.PART"), at("FRESH.TXT"));
  EXPECT_EQ(runtime::error_take(), 53);
  files::file_rename(at("FRESH.TXT"), at("NOFOLDER\\X.TXT"));
  EXPECT_EQ(runtime::error_take(), 76);
  files::file_rename(at("FRESH.TXT"), at("F?.TXT"));
  EXPECT_EQ(runtime::error_take(), 64);
  EXPECT_EQ(env_->read(at("FRESH.TXT")), "new");

  files::file_delete(at("fresh.txt"));
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_EQ(env_->read(at("FRESH.TXT")), "<missing>");
  files::file_delete(at("FRESH.TXT"));
  EXPECT_EQ(runtime::error_take(), 53);
  files::file_delete(at("*.TXT"));
  EXPECT_EQ(runtime::error_take(), 64);
}

TEST_P(FilesTest, DiskSpaceOfTheCurrentAndNamedDrives) {
  const long double size = files::disk_size("");
  const long double free = files::disk_free("");
  EXPECT_GT(size, 0.0L);
  EXPECT_LE(free, size);
  EXPECT_GT(files::disk_size(env_->base()), 0.0L);  // only the first letter counts
  EXPECT_EQ(files::disk_size("\\\\nohost\\noshare"), 0.0L);
}

// Opens the test's file `name` with the given access and disposition, everything shared.
platform::FileHandle open_shared(FileEnv& env, const std::string& name, uint32_t access,
                                 uint32_t disposition,
                                 uint32_t attributes = platform::kAttributeNormal) {
  return env.fs().create_file((env.base() + name).c_str(), access,
                              platform::kShareRead | platform::kShareWrite, false, disposition,
                              attributes);
}

// What Windows keeps an open file from: being moved or deleted (sharing violation) or
// replaced (access denied). A folder's name is taken for an exclusive create, and writing
// nothing past the end does not lengthen a file.
TEST_P(FilesTest, OpenFilesAreKeptInPlace) {
  namespace we = platform::win_error;
  platform::FileSystem& fs = env_->fs();
  auto error_of = [&](bool ok) { return ok ? 0u : fs.get_last_error(); };
  env_->write(at("OPEN.TXT"), "open");
  env_->write(at("OTHER.TXT"), "other");
  const platform::FileHandle h =
      open_shared(*env_, "OPEN.TXT", platform::kGenericRead, platform::kOpenExisting);
  ASSERT_NE(h, platform::kInvalidFileHandle);
  EXPECT_EQ(error_of(fs.delete_file(at("OPEN.TXT").c_str())), we::kSharingViolation);
  EXPECT_EQ(error_of(fs.move_file_ex(at("OPEN.TXT").c_str(), at("MOVED.TXT").c_str(), 0)),
            we::kSharingViolation);
  EXPECT_EQ(error_of(fs.move_file_ex(at("OTHER.TXT").c_str(), at("OPEN.TXT").c_str(),
                                     platform::kMoveFileReplaceExisting)),
            we::kAccessDenied);
  fs.close_handle(h);
  EXPECT_EQ(env_->read(at("OPEN.TXT")), "open");
  EXPECT_EQ(env_->read(at("OTHER.TXT")), "other");

  ASSERT_TRUE(fs.create_directory(at("DIR").c_str()));
  const platform::FileHandle d =
      open_shared(*env_, "DIR", platform::kGenericWrite, platform::kCreateNew);
  EXPECT_EQ(d, platform::kInvalidFileHandle);
  EXPECT_EQ(fs.get_last_error(), we::kFileExists);
  if (d != platform::kInvalidFileHandle) fs.close_handle(d);

  const platform::FileHandle w =
      open_shared(*env_, "GAP.TXT", platform::kGenericWrite, platform::kCreateNew);
  ASSERT_NE(w, platform::kInvalidFileHandle);
  uint32_t written = 0;
  EXPECT_TRUE(fs.set_file_pointer(w, 10, platform::kFileBegin, nullptr));
  EXPECT_TRUE(fs.write_file(w, "", 0, &written));
  fs.close_handle(w);
  EXPECT_EQ(env_->read(at("GAP.TXT")), "");
}

// A read-only file is neither written, emptied, replaced nor deleted, whoever the user is.
TEST_P(FilesTest, ReadOnlyFilesAreKept) {
  namespace we = platform::win_error;
  platform::FileSystem& fs = env_->fs();
  auto error_of = [&](bool ok) { return ok ? 0u : fs.get_last_error(); };
  env_->write(at("OTHER.TXT"), "other");
  const platform::FileHandle r = open_shared(*env_, "RO.TXT", platform::kGenericWrite,
                                             platform::kCreateNew, platform::kAttributeReadOnly);
  ASSERT_NE(r, platform::kInvalidFileHandle);  // the handle that made it may write
  uint32_t written = 0;
  EXPECT_TRUE(fs.write_file(r, "ro", 2, &written));
  fs.close_handle(r);
  EXPECT_NE(fs.get_file_attributes(at("RO.TXT").c_str()) & platform::kAttributeReadOnly, 0u);
  const struct {
    uint32_t access;
    uint32_t disposition;
  } refused[] = {{platform::kGenericWrite, platform::kOpenExisting},
                 {platform::kGenericWrite, platform::kOpenAlways},
                 {platform::kGenericRead, platform::kCreateAlways}};
  for (const auto& way : refused) {
    const platform::FileHandle h = open_shared(*env_, "RO.TXT", way.access, way.disposition);
    EXPECT_EQ(h, platform::kInvalidFileHandle) << way.disposition;
    EXPECT_EQ(fs.get_last_error(), we::kAccessDenied) << way.disposition;
    if (h != platform::kInvalidFileHandle) fs.close_handle(h);
  }
  EXPECT_EQ(error_of(fs.delete_file(at("RO.TXT").c_str())), we::kAccessDenied);
  EXPECT_EQ(error_of(fs.move_file_ex(at("OTHER.TXT").c_str(), at("RO.TXT").c_str(),
                                     platform::kMoveFileReplaceExisting)),
            we::kAccessDenied);
  EXPECT_EQ(env_->read(at("RO.TXT")), "ro");
  EXPECT_EQ(env_->read(at("OTHER.TXT")), "other");
}

// Windows names, each opened for output and then asked for its attributes, with the error
// code of each and the file it made, if any. A name starting with "\\\\" or "Q:" is taken as
// it is, any other is in the test's folder, which holds a folder SUB.
TEST_P(FilesTest, WindowsNamesMeanTheSameOnEveryVolume) {
  struct Row {
    const char* name;
    int16_t open;        // the code of an output open
    int16_t attributes;  // the code of the attribute query after it
    const char* made;    // the file the open made (removed again), or null
    // A name a Windows machine answers from what it has: its console, printer and serial
    // devices, its network, its namespaces and its drives.
    bool drive_only;
  };
  const Row rows[] = {
      // The last part loses its trailing dots and spaces; a part before it one dot only.
      {"TRAIL.TXT. .", 0, 0, "TRAIL.TXT", false},
      {"SPACES.TXT   ", 0, 0, "SPACES.TXT", false},
      {"SUB.\\A.TXT", 0, 0, "SUB\\A.TXT", false},
      {"SUB \\A.TXT", 76, 76, nullptr, true},
      {"SUB\\.\\X\\..\\..\\SUB\\B.TXT", 0, 0, "SUB\\B.TXT", false},
      {"SUB\\...", 70, 0, nullptr, false},  // dots alone: the folder, no file
      // Characters no name may hold.
      {"A<B.TXT", 75, 75, nullptr, false},
      {"A|B", 75, 75, nullptr, false},
      {"SUB\\A\"B", 75, 75, nullptr, false},
      // Devices, with any extension and in any case; a device is no folder.
      {"CON.TXT", 68, 68, nullptr, true},
      {"lpt1", 68, 68, nullptr, true},
      {"Aux .dat", 68, 68, nullptr, true},
      {"nul .log", 0, 0, nullptr, false},
      {"NUL\\A.TXT", 76, 76, nullptr, false},
      {"COM10.TXT", 0, 0, "COM10.TXT", false},
      {"NULL", 0, 0, "NULL", false},
      // No network, no namespaces, no drive Q.
      {"\\\\server\\share\\A.TXT", 75, 75, nullptr, true},
      {"//server/share/A.TXT", 75, 75, nullptr, true},
      {"\\\\server", 75, 75, nullptr, true},
      {"\\\\.\\NUL", 76, 76, nullptr, true},
      {"//./C:/A.TXT", 76, 76, nullptr, true},
      {"Q:\\A.TXT", 76, 76, nullptr, true},
  };
  runtime::ErrorScope scope;
  files::dir_make(at("SUB"));
  ASSERT_EQ(runtime::error_take(), 0);
  for (const Row& row : rows) {
#ifdef _WIN32
    if (row.drive_only) continue;
#endif
    const std::string raw = row.name;
    const bool absolute =
        raw.rfind("\\\\", 0) == 0 || raw.rfind("//", 0) == 0 || raw.rfind("Q:", 0) == 0;
    const std::string name = absolute ? raw : at(raw);
    open_output(1, name);
    EXPECT_EQ(runtime::error_take(), row.open) << raw;
    file_close(1, 0);
    runtime::error_clear();
    files::file_attributes(name);
    EXPECT_EQ(runtime::error_take(), row.attributes) << raw;
    if (row.made != nullptr) {
      EXPECT_EQ(env_->read(at(row.made)), "") << raw;
      files::file_delete(at(row.made));
      EXPECT_EQ(runtime::error_take(), 0) << raw;
    }
  }
  // Nothing else was made: the folder holds SUB alone, and SUB nothing.
  files::dir_make(at("SUB\\X"));
  EXPECT_EQ(runtime::error_take(), 0);
  open_output(1, at("SUB\\X\\..\\..\\ONLY.TXT"));
  EXPECT_EQ(runtime::error_take(), 0);
  file_close(1, 0);
  EXPECT_EQ(env_->read(at("ONLY.TXT")), "");
  if (env_->memory() != nullptr) {
    EXPECT_EQ(env_->memory()->list(env_->base()), (std::vector<std::string>{"ONLY.TXT", "SUB"}));
    EXPECT_EQ(env_->memory()->list(at("SUB")), std::vector<std::string>{"X"});
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, FilesTest, ::testing::Values("memory", "native"),
                         [](const ::testing::TestParamInfo<const char*>& p) {
                           return std::string(p.param);
                         });

}  // namespace
}  // namespace files_test
