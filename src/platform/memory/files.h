// An in-memory file system for tests. It behaves like a Windows volume set: drive letters,
// names read by the one Windows-name parser (platform/windows_names.h), compared without
// regard to case and kept as first written, the null device behind every NUL, the Windows
// last-error codes and share-mode checks. Faults can be injected
// (a full disk, short writes, refused access, a read-only or missing drive) and the bytes
// of every file can be read back.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"

namespace platform::memory {

class MemoryFileSystem : public FileSystem {
 public:
  // Starts with an empty drive C of 1 GiB, which is also the current drive.
  MemoryFileSystem();
  ~MemoryFileSystem() override;

  // --- FileSystem ---
  FileHandle create_file(const char* name, uint32_t desired_access, uint32_t share_mode,
                         bool inherit_handle, uint32_t disposition, uint32_t attributes) override;
  uint32_t file_type(FileHandle handle) override;
  bool set_file_pointer(FileHandle handle, int64_t distance, uint32_t method,
                        uint64_t* new_position) override;
  bool set_end_of_file(FileHandle handle) override;
  bool read_file(FileHandle handle, void* buffer, uint32_t count, uint32_t* read) override;
  bool write_file(FileHandle handle, const void* bytes, uint32_t count, uint32_t* written) override;
  bool close_handle(FileHandle handle) override;
  bool create_directory(const char* path) override;
  uint32_t get_file_attributes(const char* path) override;
  bool move_file_ex(const char* from, const char* to, uint32_t flags) override;
  bool delete_file(const char* name) override;
  bool has_disk_free_space_ex() override { return free_space_ex_; }
  bool disk_free_space_ex(const char* root, uint64_t* total_bytes,
                          uint64_t* total_free_bytes) override;
  bool disk_free_space(const char* root, uint32_t* sectors_per_cluster, uint32_t* bytes_per_sector,
                       uint32_t* free_clusters, uint32_t* total_clusters) override;
  void set_last_error(uint32_t code) override { last_error_ = code; }
  uint32_t get_last_error() override { return last_error_; }
  uint32_t set_error_mode(uint32_t mode) override;

  // --- Set-up and fault injection ---
  // Adds an empty drive (letter A-Z, either case) of `capacity` bytes.
  void add_drive(char letter, uint64_t capacity = uint64_t{1} << 30);
  // The drive disappears with everything on it: its paths give ERROR_PATH_NOT_FOUND.
  void remove_drive(char letter);
  // A write-protected drive: creating, writing or opening for write gives
  // ERROR_WRITE_PROTECT.
  void set_read_only(char letter, bool read_only);
  // The drive holds at most `capacity` bytes of file content; a write that does not fit
  // fails with ERROR_DISK_FULL and writes nothing.
  void set_capacity(char letter, uint64_t capacity);
  // A write that does not fit first fills the disk with what fits, then fails.
  void set_partial_full_writes(bool partial) { partial_full_ = partial; }
  // From now on every write moves at most `max_bytes` bytes and still reports success
  // (nullopt: writes are whole again).
  void set_short_writes(std::optional<uint32_t> max_bytes) { short_write_ = max_bytes; }
  // From now on every set_end_of_file on a disk file fails with the Windows error `error`
  // (a disk that fails or fills as the file is cut); nullopt: it works again.
  void fail_end_of_file(std::optional<uint32_t> error) { end_of_file_error_ = error; }
  // Opening, creating or listing `path` (and anything below it) gives ERROR_ACCESS_DENIED.
  void deny_access(const std::string& path);
  // The drive that paths without a letter and a null root mean.
  void set_current_drive(char letter);
  // Whether has_disk_free_space_ex() finds the newer query.
  void set_free_space_ex_available(bool available) { free_space_ex_ = available; }

  // Creates folders along `path` and a file with `bytes` at its end (replacing one).
  void put_file(const std::string& path, const std::string& bytes);
  // A character device at `path`: writes are kept in device_output(), reads give nothing.
  void put_device(const std::string& path);
  // Creates every missing folder along `path`.
  void make_folders(const std::string& path);
  // Marks a file or folder read-only (FILE_ATTRIBUTE_READONLY). A read-only file refuses
  // write access; a read-only folder refuses new entries (ERROR_ACCESS_DENIED).
  void set_read_only_file(const std::string& path, bool read_only);

  // --- Reading back ---
  // The bytes of a file, or nullopt when `path` is not a file.
  std::optional<std::string> file_bytes(const std::string& path) const;
  bool is_folder(const std::string& path) const;
  bool exists(const std::string& path) const;
  // The names of a folder's entries as they were written, sorted without regard to case.
  std::vector<std::string> list(const std::string& path) const;
  const std::string& device_output(const std::string& path) const;
  size_t open_handle_count() const { return handles_.size(); }
  uint32_t error_mode() const { return error_mode_; }

  // --- Counting what the program asked for ---
  // Calls of each kind since construction (or clear_counts).
  uint32_t create_file_calls() const { return counts_.create_file_calls; }
  uint32_t write_calls() const { return counts_.write_calls; }
  uint32_t service_calls() const { return counts_.service_calls; }
  void clear_counts() {
    counts_.create_file_calls = counts_.write_calls = counts_.service_calls = 0;
  }
  // Renames done without kMoveFileWriteThrough: each one may be undone by a power cut.
  uint32_t moves_not_written_through() const { return counts_.moves_not_written_through; }

  struct Node;
  struct Drive;
  struct Open;

 private:
  struct Resolved;
  Resolved resolve(const char* path) const;
  Drive* drive(char letter) const;
  Open* open_of(FileHandle handle);
  bool fail(uint32_t code);
  FileHandle fail_handle(uint32_t code);

  std::map<char, std::unique_ptr<Drive>> drives_;
  std::vector<std::unique_ptr<Drive>> retired_;  // replaced drives that handles may name
  std::map<FileHandle, std::unique_ptr<Open>> handles_;
  std::vector<std::string> denied_;  // upper-cased canonical paths
  std::unique_ptr<Node> nul_;        // the null device every name NUL opens
  char current_drive_ = 'C';
  FileHandle next_handle_ = 0x100;
  uint32_t last_error_ = 0;
  uint32_t error_mode_ = 0;
  bool free_space_ex_ = true;
  bool partial_full_ = false;
  std::optional<uint32_t> short_write_;
  std::optional<uint32_t> end_of_file_error_;
  // The counts the tests read back; nothing else reads them.
  struct Counts {
    uint32_t create_file_calls = 0;
    uint32_t write_calls = 0;
    uint32_t service_calls = 0;
    uint32_t moves_not_written_through = 0;
  } counts_;
};

}  // namespace platform::memory
