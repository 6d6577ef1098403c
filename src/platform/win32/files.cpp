// The file-system service on Windows: the Win32 file calls themselves.
#include <windows.h>

#include "platform/files.h"
#include "platform/win32/services.h"

namespace platform::win32 {

namespace {

HANDLE to_handle(FileHandle h) {
  return reinterpret_cast<HANDLE>(h);
}

using DiskFreeSpaceExFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

// GetDiskFreeSpaceExA, looked up at run time: very old systems lack it.
DiskFreeSpaceExFn find_disk_free_space_ex() {
  HMODULE kernel = GetModuleHandleA("KERNEL32");
  if (kernel == nullptr) return nullptr;
  FARPROC proc = GetProcAddress(kernel, "GetDiskFreeSpaceExA");
  if (proc == nullptr) return nullptr;
  return reinterpret_cast<DiskFreeSpaceExFn>(reinterpret_cast<void (*)()>(proc));
}

static_assert(kMoveFileReplaceExisting == MOVEFILE_REPLACE_EXISTING);
static_assert(kMoveFileWriteThrough == MOVEFILE_WRITE_THROUGH);

class Win32FileSystem final : public FileSystem {
 public:
  FileHandle create_file(const char* name, uint32_t desired_access, uint32_t share_mode,
                         bool inherit_handle, uint32_t disposition, uint32_t attributes) override {
    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof security;
    security.lpSecurityDescriptor = nullptr;
    security.bInheritHandle = inherit_handle ? TRUE : FALSE;
    HANDLE h =
        CreateFileA(name, desired_access, share_mode, &security, disposition, attributes, nullptr);
    return reinterpret_cast<FileHandle>(h);
  }

  uint32_t file_type(FileHandle handle) override { return GetFileType(to_handle(handle)); }

  bool set_file_pointer(FileHandle handle, int64_t distance, uint32_t method,
                        uint64_t* new_position) override {
    LONG high = static_cast<LONG>(distance >> 32);
    SetLastError(0);
    const DWORD low =
        SetFilePointer(to_handle(handle), static_cast<LONG>(distance & 0xFFFFFFFF), &high, method);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return false;
    if (new_position != nullptr) {
      *new_position = (static_cast<uint64_t>(static_cast<DWORD>(high)) << 32) | low;
    }
    return true;
  }

  bool set_end_of_file(FileHandle handle) override {
    return SetEndOfFile(to_handle(handle)) != FALSE;
  }

  bool read_file(FileHandle handle, void* buffer, uint32_t count, uint32_t* read) override {
    DWORD got = 0;
    const BOOL ok = ReadFile(to_handle(handle), buffer, count, &got, nullptr);
    if (read != nullptr) *read = got;
    return ok != FALSE;
  }

  bool write_file(FileHandle handle, const void* bytes, uint32_t count,
                  uint32_t* written) override {
    DWORD put = 0;
    const BOOL ok = WriteFile(to_handle(handle), bytes, count, &put, nullptr);
    if (written != nullptr) *written = put;
    return ok != FALSE;
  }

  // A disk file's bytes are written out before its handle goes, so that a rename written
  // through afterwards (a save's last step) never names a file whose content is still only in
  // the cache, and a write-back failure is reported here rather than lost.
  bool close_handle(FileHandle handle) override {
    const HANDLE h = to_handle(handle);
    DWORD flush_error = NO_ERROR;
    if (GetFileType(h) == FILE_TYPE_DISK && !FlushFileBuffers(h)) {
      flush_error = GetLastError();
      // A handle without write access has nothing to write out.
      if (flush_error == ERROR_ACCESS_DENIED || flush_error == ERROR_INVALID_HANDLE) {
        flush_error = NO_ERROR;
      }
    }
    SetLastError(NO_ERROR);
    if (!CloseHandle(h)) return false;
    if (flush_error == NO_ERROR) return true;
    SetLastError(flush_error);
    return false;
  }

  bool create_directory(const char* path) override {
    return CreateDirectoryA(path, nullptr) != FALSE;
  }

  uint32_t get_file_attributes(const char* path) override { return GetFileAttributesA(path); }

  // The seam's flags are MoveFileExA's own (MOVEFILE_REPLACE_EXISTING, MOVEFILE_WRITE_THROUGH).
  bool move_file_ex(const char* from, const char* to, uint32_t flags) override {
    return MoveFileExA(from, to, flags) != FALSE;
  }

  bool delete_file(const char* name) override { return DeleteFileA(name) != FALSE; }

  bool has_disk_free_space_ex() override { return find_disk_free_space_ex() != nullptr; }

  bool disk_free_space_ex(const char* root, uint64_t* total_bytes,
                          uint64_t* total_free_bytes) override {
    DiskFreeSpaceExFn fn = find_disk_free_space_ex();
    if (fn == nullptr) {
      SetLastError(ERROR_PROC_NOT_FOUND);
      return false;
    }
    ULARGE_INTEGER total{};
    ULARGE_INTEGER total_free{};
    if (!fn(root, nullptr, &total, &total_free)) return false;
    if (total_bytes != nullptr) *total_bytes = total.QuadPart;
    if (total_free_bytes != nullptr) *total_free_bytes = total_free.QuadPart;
    return true;
  }

  bool disk_free_space(const char* root, uint32_t* sectors_per_cluster, uint32_t* bytes_per_sector,
                       uint32_t* free_clusters, uint32_t* total_clusters) override {
    DWORD sectors = 0, bytes = 0, free = 0, total = 0;
    if (!GetDiskFreeSpaceA(root, &sectors, &bytes, &free, &total)) return false;
    if (sectors_per_cluster != nullptr) *sectors_per_cluster = sectors;
    if (bytes_per_sector != nullptr) *bytes_per_sector = bytes;
    if (free_clusters != nullptr) *free_clusters = free;
    if (total_clusters != nullptr) *total_clusters = total;
    return true;
  }

  void set_last_error(uint32_t code) override { SetLastError(code); }
  uint32_t get_last_error() override { return GetLastError(); }
  uint32_t set_error_mode(uint32_t mode) override { return SetErrorMode(mode); }
};

}  // namespace

FileSystem* file_system() {
  static Win32FileSystem service;
  return &service;
}

}  // namespace platform::win32
