#include "file_env.h"

#include <cstdlib>
#include <filesystem>

#include "files/files.h"
#include "platform/platform.h"
#include "runtime/platform_access.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/services.h"
#else
#include <unistd.h>

#include "platform/posix/services.h"
#endif

namespace files_test {

namespace {

class MemoryEnv final : public FileEnv {
 public:
  MemoryEnv() {
    memory_ = &mem_;
    fs_ = &mem_;
    mem_.make_folders("C:\\WORK");
    base_ = "C:\\WORK\\";
    install();
  }

 private:
  platform::memory::MemoryFileSystem mem_;
};

// The build's own file system over a fresh temporary folder. On POSIX the folder is also
// drive C (ORVANE_DRIVE_C) so that drive paths land inside it.
class NativeEnv final : public FileEnv {
 public:
  NativeEnv() {
#ifdef _WIN32
    fs_ = platform::win32::file_system();
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, temp);
    static int serial = 0;
    host_ = std::string(temp) + "ot-files-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++serial);
    CreateDirectoryA(host_.c_str(), nullptr);
    base_ = host_ + "\\";
#else
    fs_ = platform::posix::file_system();
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/ot-files-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) host_ = pattern;
    saved_drive_ = std::getenv("ORVANE_DRIVE_C") != nullptr;
    if (saved_drive_) saved_value_ = std::getenv("ORVANE_DRIVE_C");
    ::setenv("ORVANE_DRIVE_C", host_.c_str(), 1);
    base_ = "C:\\";
#endif
    install();
  }
  ~NativeEnv() override {
    files::file_close_all();
    files::reset();
#ifndef _WIN32
    if (saved_drive_) {
      ::setenv("ORVANE_DRIVE_C", saved_value_.c_str(), 1);
    } else {
      ::unsetenv("ORVANE_DRIVE_C");
    }
#endif
    std::error_code ignored;
    if (!host_.empty()) std::filesystem::remove_all(host_, ignored);
  }

 private:
  std::string host_;
  bool saved_drive_ = false;
  std::string saved_value_;
};

}  // namespace

std::unique_ptr<FileEnv> FileEnv::make(const std::string& kind) {
  if (kind == "memory") return std::make_unique<MemoryEnv>();
  return std::make_unique<NativeEnv>();
}

FileEnv::~FileEnv() {
  files::reset();
  runtime::install_platform(platform::Platform{});
}

void FileEnv::install() {
  platform::Platform services;
  services.files = fs_;
  runtime::install_platform(services);
  files::reset();
}

std::string FileEnv::read(const std::string& path) {
  const platform::FileHandle h = fs_->create_file(
      path.c_str(), platform::kGenericRead, platform::kShareRead | platform::kShareWrite, false,
      platform::kOpenExisting, platform::kAttributeNormal);
  if (h == platform::kInvalidFileHandle) return "<missing>";
  std::string out;
  char chunk[4096];
  uint32_t got = 0;
  while (fs_->read_file(h, chunk, sizeof chunk, &got) && got != 0) out.append(chunk, got);
  fs_->close_handle(h);
  return out;
}

void FileEnv::write(const std::string& path, const std::string& bytes) {
  const platform::FileHandle h =
      fs_->create_file(path.c_str(), platform::kGenericWrite, 0, false, platform::kCreateAlways,
                       platform::kAttributeNormal);
  if (h == platform::kInvalidFileHandle) return;
  uint32_t written = 0;
  fs_->write_file(h, bytes.data(), static_cast<uint32_t>(bytes.size()), &written);
  fs_->close_handle(h);
}

}  // namespace files_test
