// The file-system seam: a small interface shaped after the Win32 file calls the run-time
// makes (CreateFileA, GetFileType, SetFilePointer, SetEndOfFile, ReadFile, WriteFile,
// CloseHandle, CreateDirectoryA, GetFileAttributesA, the disk-space queries, SetErrorMode,
// SetLastError, GetLastError). Names are zero-terminated 8-bit paths. A failing call leaves
// a Windows error code as the last error, exactly as the Windows call would.
//
// Backends: win32/ (the real calls), posix/ (POSIX calls with drive letters mapped onto
// folders), memory/ (an in-memory tree with fault injection, for tests).
#pragma once

#include <cstdint>

namespace platform {

// The folder on drive C that the results are saved in and "Save as PDF" writes to, spelled as
// it is made. Names match without regard to case, so paths may show it in capitals.
inline constexpr const char* kTempFolder = "C:\\Temp";

using FileHandle = uintptr_t;
inline constexpr FileHandle kInvalidFileHandle = ~static_cast<FileHandle>(0);

// Desired access.
inline constexpr uint32_t kGenericRead = 0x80000000u;
inline constexpr uint32_t kGenericWrite = 0x40000000u;
// Share mode.
inline constexpr uint32_t kShareRead = 1;
inline constexpr uint32_t kShareWrite = 2;
// Creation disposition.
inline constexpr uint32_t kCreateNew = 1;
inline constexpr uint32_t kCreateAlways = 2;
inline constexpr uint32_t kOpenExisting = 3;
inline constexpr uint32_t kOpenAlways = 4;
inline constexpr uint32_t kTruncateExisting = 5;
// File attributes.
inline constexpr uint32_t kAttributeReadOnly = 0x01;
inline constexpr uint32_t kAttributeHidden = 0x02;
inline constexpr uint32_t kAttributeDirectory = 0x10;
inline constexpr uint32_t kAttributeArchive = 0x20;
inline constexpr uint32_t kAttributeNormal = 0x80;
inline constexpr uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;
// File types.
inline constexpr uint32_t kFileTypeUnknown = 0;
inline constexpr uint32_t kFileTypeDisk = 1;
inline constexpr uint32_t kFileTypeChar = 2;
inline constexpr uint32_t kFileTypePipe = 3;
// Move methods of set_file_pointer.
inline constexpr uint32_t kFileBegin = 0;
inline constexpr uint32_t kFileCurrent = 1;
inline constexpr uint32_t kFileEnd = 2;
// Flags of move_file_ex.
inline constexpr uint32_t kMoveFileReplaceExisting = 0x1;
// The move is on the disk before the call returns (with the file's own bytes, which the
// backends write out when a written handle is closed).
inline constexpr uint32_t kMoveFileWriteThrough = 0x8;
// Error mode bits.
inline constexpr uint32_t kSemFailCriticalErrors = 0x0001;
inline constexpr uint32_t kSemNoOpenFileErrorBox = 0x8000;

// Windows error codes the backends leave as the last error.
namespace win_error {
inline constexpr uint32_t kSuccess = 0;
inline constexpr uint32_t kInvalidFunction = 1;
inline constexpr uint32_t kFileNotFound = 2;
inline constexpr uint32_t kPathNotFound = 3;
inline constexpr uint32_t kTooManyOpenFiles = 4;
inline constexpr uint32_t kAccessDenied = 5;
inline constexpr uint32_t kInvalidHandle = 6;
inline constexpr uint32_t kNotEnoughMemory = 8;
inline constexpr uint32_t kInvalidDrive = 15;
inline constexpr uint32_t kNotSameDevice = 17;
inline constexpr uint32_t kWriteProtect = 19;
inline constexpr uint32_t kBadUnit = 20;  // a device other than NUL, which no backend has
inline constexpr uint32_t kNotReady = 21;
inline constexpr uint32_t kSeek = 25;
inline constexpr uint32_t kWriteFault = 29;
inline constexpr uint32_t kReadFault = 30;
inline constexpr uint32_t kGenFailure = 31;
inline constexpr uint32_t kSharingViolation = 32;
inline constexpr uint32_t kLockViolation = 33;
inline constexpr uint32_t kHandleEof = 38;
inline constexpr uint32_t kHandleDiskFull = 39;
inline constexpr uint32_t kBadNetPath = 53;
inline constexpr uint32_t kFileExists = 80;
inline constexpr uint32_t kInvalidParameter = 87;
inline constexpr uint32_t kBrokenPipe = 109;
inline constexpr uint32_t kDiskFull = 112;
inline constexpr uint32_t kInvalidName = 123;
inline constexpr uint32_t kNegativeSeek = 131;
inline constexpr uint32_t kDirNotEmpty = 145;
inline constexpr uint32_t kBadPathname = 161;
inline constexpr uint32_t kAlreadyExists = 183;
inline constexpr uint32_t kFilenameExcedRange = 206;
inline constexpr uint32_t kFileTooLarge = 223;
inline constexpr uint32_t kDirectory = 267;
inline constexpr uint32_t kCantResolveFilename = 1921;
}  // namespace win_error

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // CreateFileA with no template. Returns kInvalidFileHandle on failure. Opening an
  // existing file with kOpenAlways or kCreateAlways succeeds and leaves kAlreadyExists.
  virtual FileHandle create_file(const char* name, uint32_t desired_access, uint32_t share_mode,
                                 bool inherit_handle, uint32_t disposition,
                                 uint32_t attributes) = 0;
  // GetFileType: kFileTypeDisk, kFileTypeChar, kFileTypePipe or kFileTypeUnknown.
  virtual uint32_t file_type(FileHandle handle) = 0;
  // SetFilePointer with a 64-bit distance; the new offset from the start goes to
  // *new_position when it is not null. False on failure.
  virtual bool set_file_pointer(FileHandle handle, int64_t distance, uint32_t method,
                                uint64_t* new_position) = 0;
  // SetEndOfFile: the file ends at the current file pointer.
  virtual bool set_end_of_file(FileHandle handle) = 0;
  virtual bool read_file(FileHandle handle, void* buffer, uint32_t count, uint32_t* read) = 0;
  // WriteFile. A full volume may write fewer bytes than asked and still return true.
  virtual bool write_file(FileHandle handle, const void* bytes, uint32_t count,
                          uint32_t* written) = 0;
  virtual bool close_handle(FileHandle handle) = 0;

  // CreateDirectoryA with no security attributes: one level.
  virtual bool create_directory(const char* path) = 0;
  // GetFileAttributesA: kInvalidFileAttributes on failure.
  virtual uint32_t get_file_attributes(const char* path) = 0;
  // MoveFileExA: renames a file within its volume; with kMoveFileReplaceExisting an
  // existing file of the new name is replaced in one step; with kMoveFileWriteThrough the
  // new name survives a power cut once the call returns.
  virtual bool move_file_ex(const char* from, const char* to, uint32_t flags) = 0;
  // DeleteFileA. A name that is a link is removed itself, never what it leads to.
  virtual bool delete_file(const char* name) = 0;

  // Whether GetDiskFreeSpaceExA can be found at run time (GetModuleHandleA of "KERNEL32",
  // GetProcAddress). When it cannot, callers use disk_free_space.
  virtual bool has_disk_free_space_ex() = 0;
  // GetDiskFreeSpaceExA without the caller-quota output. `root` null: the current drive.
  virtual bool disk_free_space_ex(const char* root, uint64_t* total_bytes,
                                  uint64_t* total_free_bytes) = 0;
  // GetDiskFreeSpaceA, the older per-cluster query.
  virtual bool disk_free_space(const char* root, uint32_t* sectors_per_cluster,
                               uint32_t* bytes_per_sector, uint32_t* free_clusters,
                               uint32_t* total_clusters) = 0;

  virtual void set_last_error(uint32_t code) = 0;
  virtual uint32_t get_last_error() = 0;
  // SetErrorMode: returns the previous mode.
  virtual uint32_t set_error_mode(uint32_t mode) = 0;
};

}  // namespace platform
