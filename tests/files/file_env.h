// A file system to test against, installed as the run-time's platform for the lifetime of
// the object: "memory" (the in-memory file system, with a folder C:\WORK) or "native" (the
// build's own backend in a fresh temporary folder, removed afterwards).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/files.h"
#include "platform/memory/files.h"

namespace files_test {

class FileEnv {
 public:
  static std::unique_ptr<FileEnv> make(const std::string& kind);
  virtual ~FileEnv();

  platform::FileSystem& fs() { return *fs_; }
  // The in-memory file system, or null for the native backend.
  platform::memory::MemoryFileSystem* memory() { return memory_; }
  // An existing, empty folder for the test, with a closing backslash.
  const std::string& base() const { return base_; }

  // The bytes of a file read back through the backend, or "<missing>".
  std::string read(const std::string& path);
  // Creates (or replaces) a file with `bytes` through the backend.
  void write(const std::string& path, const std::string& bytes);

 protected:
  FileEnv() = default;
  void install();

  platform::FileSystem* fs_ = nullptr;
  platform::memory::MemoryFileSystem* memory_ = nullptr;
  std::string base_;
};

}  // namespace files_test
