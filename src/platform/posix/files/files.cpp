// The file-system service on POSIX: open(2) and friends behind the Windows-shaped seam,
// with drive paths mapped onto folders and every name resolved beneath its drive's folder
// (drive.h), and Windows error codes as the last error. Share modes are checked exactly among
// this process's handles and approximated across processes with flock(2) (exclusive when nothing is
// shared, else shared).
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>

#include "platform/files.h"
#include "platform/posix/files/drive.h"
#include "platform/posix/files/errors.h"
#include "platform/posix/services.h"

namespace platform::posix {

namespace we = win_error;

namespace {

struct OpenState {
  uint32_t access = 0;
  uint32_t share = 0;
  dev_t dev = 0;
  ino_t ino = 0;
  bool flush_at_close = false;  // a regular file open for writing
};

thread_local uint32_t t_last_error = 0;

class PosixFileSystem final : public FileSystem {
 public:
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
  bool has_disk_free_space_ex() override { return true; }
  bool disk_free_space_ex(const char* root, uint64_t* total_bytes,
                          uint64_t* total_free_bytes) override;
  bool disk_free_space(const char* root, uint32_t* sectors_per_cluster, uint32_t* bytes_per_sector,
                       uint32_t* free_clusters, uint32_t* total_clusters) override;
  void set_last_error(uint32_t code) override { t_last_error = code; }
  uint32_t get_last_error() override { return t_last_error; }
  uint32_t set_error_mode(uint32_t mode) override {
    std::lock_guard<std::mutex> lock(mutex_);
    const uint32_t previous = error_mode_;
    error_mode_ = mode;
    return previous;
  }

 private:
  static bool fail(uint32_t code) {
    t_last_error = code;
    return false;
  }
  static FileHandle fail_handle(uint32_t code) {
    t_last_error = code;
    return kInvalidFileHandle;
  }
  // The state of a handle this service opened, or null (ERROR_INVALID_HANDLE set).
  bool known(FileHandle handle, OpenState* out);
  bool volume(const char* root, struct statvfs* out);
  // Whether a handle of this service is open on the file `st` describes: such a file is
  // neither renamed nor deleted, as on Windows, where it is opened without delete sharing.
  bool in_use(const struct stat& st);

  std::mutex mutex_;
  std::map<int, OpenState> open_;
  uint32_t error_mode_ = 0;
};

// A file without write permission: read-only, which Windows keeps from being replaced,
// truncated or deleted whoever asks.
bool read_only(const struct stat& st) {
  return S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

int fd_of(FileHandle handle) {
  return static_cast<int>(handle);
}

bool PosixFileSystem::known(FileHandle handle, OpenState* out) {
  if (handle == kInvalidFileHandle || handle > 0x7FFFFFFF) return fail(we::kInvalidHandle);
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = open_.find(fd_of(handle));
  if (it == open_.end()) {
    // A handle the caller got elsewhere (a standard stream): usable, with the access its
    // descriptor has and everything shared.
    const int flags = ::fcntl(fd_of(handle), F_GETFL);
    if (flags < 0) return fail(we::kInvalidHandle);
    OpenState s;
    const int mode = flags & O_ACCMODE;
    if (mode == O_RDONLY || mode == O_RDWR) s.access |= kGenericRead;
    if (mode == O_WRONLY || mode == O_RDWR) s.access |= kGenericWrite;
    s.share = kShareRead | kShareWrite;
    if (out != nullptr) *out = s;
    return true;
  }
  if (out != nullptr) *out = it->second;
  return true;
}

FileHandle PosixFileSystem::create_file(const char* name, uint32_t desired_access,
                                        uint32_t share_mode, bool inherit_handle,
                                        uint32_t disposition, uint32_t attributes) {
  const bool want_read = (desired_access & kGenericRead) != 0;
  const bool want_write = (desired_access & kGenericWrite) != 0;
  int flags = want_write ? (want_read ? O_RDWR : O_WRONLY) : O_RDONLY;
  // Never block on a FIFO without a peer; the flag is cleared once open.
  flags |= O_NONBLOCK | O_NOCTTY;
  const bool creates =
      disposition == kCreateNew || disposition == kCreateAlways || disposition == kOpenAlways;
  if (disposition < kCreateNew || disposition > kTruncateExisting) {
    return fail_handle(we::kInvalidParameter);
  }
  if (disposition == kTruncateExisting && !want_write) return fail_handle(we::kInvalidParameter);
  const DriveName parsed = parse_name(name);
  if (parsed.error != 0) return fail_handle(parsed.error);
  const mode_t perms = (attributes & kAttributeReadOnly) != 0 ? 0444 : 0666;

  int fd = -1;
  bool existed = false;
  if (parsed.device == Device::kNul) {
    // The null device takes every write and reads as empty; it is never a file.
    fd = ::open("/dev/null", (flags & O_ACCMODE) | O_CLOEXEC);
    if (fd < 0) return fail_handle(windows_error(errno));
    existed = true;
  } else if (parsed.device == Device::kOther) {
    return fail_handle(we::kBadUnit);  // no console, printer or serial device by name
  } else {
    Located at;
    if (const uint32_t e = locate(parsed, &at); e != 0) return fail_handle(e);
    const std::string rel = at.rel();
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
      if (disposition != kCreateNew) {
        fd = open_beneath(at.root, rel, flags);
        if (fd >= 0) {
          existed = true;
          break;
        }
        if (errno != ENOENT || !creates) break;
      }
      fd = open_beneath(at.root, rel, flags | O_CREAT | O_EXCL, perms);
      if (fd >= 0 || errno != EEXIST || disposition == kCreateNew) break;
      if (attempt > 0) {
        // Still there and still not openable: a link to a file not made yet. Create the
        // file it leads to.
        fd = open_beneath(at.root, rel, flags | O_CREAT, perms);
        break;
      }
    }
    if (fd < 0) {
      const int e = errno;
      if (e == EEXIST && disposition == kCreateNew) return fail_handle(we::kFileExists);
      return fail_handle(name_error(e, at, at.parts.size()));
    }
  }
  if (inherit_handle) ::fcntl(fd, F_SETFD, 0);  // opened close-on-exec
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return fail_handle(we::kAccessDenied);
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  // A read-only file is neither written nor emptied, even by a user whom permission bits do
  // not bind.
  if (existed && read_only(st) &&
      (want_write || disposition == kCreateAlways || disposition == kTruncateExisting)) {
    ::close(fd);
    return fail_handle(we::kAccessDenied);
  }

  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& [other, s] : open_) {
      if (s.dev != st.st_dev || s.ino != st.st_ino || parsed.device == Device::kNul) continue;
      const bool ok = (!want_read || (s.share & kShareRead) != 0) &&
                      (!want_write || (s.share & kShareWrite) != 0) &&
                      ((s.access & kGenericRead) == 0 || (share_mode & kShareRead) != 0) &&
                      ((s.access & kGenericWrite) == 0 || (share_mode & kShareWrite) != 0);
      if (!ok) {
        ::close(fd);
        return fail_handle(we::kSharingViolation);
      }
    }
  }
  // Other processes: an advisory lock. Files that cannot be locked are used unlocked.
  if (S_ISREG(st.st_mode)) {
    const int how = ((share_mode & (kShareRead | kShareWrite)) == 0 ? LOCK_EX : LOCK_SH);
    if (::flock(fd, how | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
      ::close(fd);
      return fail_handle(we::kSharingViolation);
    }
  }
  if (existed && (disposition == kCreateAlways || disposition == kTruncateExisting) &&
      S_ISREG(st.st_mode)) {
    if (!want_write) {
      ::close(fd);
      return fail_handle(we::kAccessDenied);
    }
    if (::ftruncate(fd, 0) != 0) {
      const int e = errno;
      ::close(fd);
      return fail_handle(windows_error(e));
    }
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    open_[fd] = OpenState{desired_access, share_mode, st.st_dev, st.st_ino,
                          want_write && S_ISREG(st.st_mode)};
  }
  if (existed && (disposition == kOpenAlways || disposition == kCreateAlways)) {
    t_last_error = we::kAlreadyExists;
  }
  return static_cast<FileHandle>(fd);
}

uint32_t PosixFileSystem::file_type(FileHandle handle) {
  if (!known(handle, nullptr)) return kFileTypeUnknown;
  struct stat st;
  if (::fstat(fd_of(handle), &st) != 0) {
    fail(windows_error(errno));
    return kFileTypeUnknown;
  }
  if (S_ISREG(st.st_mode) || S_ISBLK(st.st_mode)) return kFileTypeDisk;
  if (S_ISCHR(st.st_mode)) return kFileTypeChar;
  if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) return kFileTypePipe;
  return kFileTypeUnknown;
}

bool PosixFileSystem::set_file_pointer(FileHandle handle, int64_t distance, uint32_t method,
                                       uint64_t* new_position) {
  if (!known(handle, nullptr)) return false;
  int whence = SEEK_SET;
  if (method == kFileCurrent) {
    whence = SEEK_CUR;
  } else if (method == kFileEnd) {
    whence = SEEK_END;
  } else if (method != kFileBegin) {
    return fail(we::kInvalidParameter);
  }
  const off_t at = ::lseek(fd_of(handle), static_cast<off_t>(distance), whence);
  if (at < 0) {
    if (errno == ESPIPE) {  // pipes and terminals have no position
      if (new_position != nullptr) *new_position = 0;
      return true;
    }
    return fail(errno == EINVAL ? we::kNegativeSeek : windows_error(errno));
  }
  if (new_position != nullptr) *new_position = static_cast<uint64_t>(at);
  return true;
}

bool PosixFileSystem::set_end_of_file(FileHandle handle) {
  OpenState s;
  if (!known(handle, &s)) return false;
  if ((s.access & kGenericWrite) == 0) return fail(we::kAccessDenied);
  struct stat st;
  if (::fstat(fd_of(handle), &st) != 0) return fail(windows_error(errno));
  if (!S_ISREG(st.st_mode)) return true;  // a device is left as it is
  const off_t at = ::lseek(fd_of(handle), 0, SEEK_CUR);
  if (at < 0 || ::ftruncate(fd_of(handle), at) != 0) return fail(windows_error(errno));
  return true;
}

bool PosixFileSystem::read_file(FileHandle handle, void* buffer, uint32_t count, uint32_t* read) {
  if (read != nullptr) *read = 0;
  OpenState s;
  if (!known(handle, &s)) return false;
  if ((s.access & kGenericRead) == 0) return fail(we::kAccessDenied);
  uint32_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(fd_of(handle), static_cast<char*>(buffer) + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (done > 0) break;
      return fail(windows_error(errno));
    }
    if (n == 0) break;
    done += static_cast<uint32_t>(n);
  }
  if (read != nullptr) *read = done;
  return true;
}

// write(2) with SIGPIPE held back, so that a pipe without a reader gives an error instead of
// ending the process.
ssize_t write_quietly(int fd, const void* bytes, size_t count) {
  sigset_t pipe_only, previous;
  sigemptyset(&pipe_only);
  sigaddset(&pipe_only, SIGPIPE);
  sigset_t pending;
  sigpending(&pending);
  const bool was_pending = sigismember(&pending, SIGPIPE) == 1;
  pthread_sigmask(SIG_BLOCK, &pipe_only, &previous);
  const ssize_t n = ::write(fd, bytes, count);
  const int saved = errno;
  if (n < 0 && saved == EPIPE && !was_pending) {
    // Take back the SIGPIPE this write raised, so it is not delivered once unblocked.
    sigset_t now;
    sigpending(&now);
    int taken = 0;
    if (sigismember(&now, SIGPIPE) == 1) sigwait(&pipe_only, &taken);
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  errno = saved;
  return n;
}

bool PosixFileSystem::write_file(FileHandle handle, const void* bytes, uint32_t count,
                                 uint32_t* written) {
  if (written != nullptr) *written = 0;
  OpenState s;
  if (!known(handle, &s)) return false;
  if ((s.access & kGenericWrite) == 0) return fail(we::kAccessDenied);
  uint32_t done = 0;
  while (done < count) {
    const ssize_t n =
        write_quietly(fd_of(handle), static_cast<const char*>(bytes) + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int e = errno;
      // A volume that fills part way reports the bytes it took; the caller sees the short
      // count. Nothing written at all is a failure.
      if (done > 0 && (e == ENOSPC
#ifdef EDQUOT
                       || e == EDQUOT
#endif
                       || e == EFBIG)) {
        break;
      }
      if (written != nullptr) *written = done;
      return fail(windows_error(e));
    }
    if (n == 0) break;
    done += static_cast<uint32_t>(n);
  }
  if (written != nullptr) *written = done;
  return true;
}

// The folder that holds a located entry, open path-only; -1 and the Windows error in *error.
int open_parent(const Located& at, uint32_t* error) {
  const size_t n = at.parts.size();
  const int fd = open_beneath(at.root, at.rel(n - 1), kPathOnly | O_DIRECTORY);
  if (fd < 0) {
    const int e = errno;
    *error = e == EXDEV ? we::kAccessDenied
                        : (e == ENOENT || e == ENOTDIR ? we::kPathNotFound : windows_error(e));
  }
  return fd;
}

// A located file for renaming or deleting: the entry itself is never followed. The file a
// rename takes refuses an entry that is a link leading out of the drive like every other way
// out; a delete and the name a rename replaces (`entry_only`) take such a link away itself,
// which touches nothing outside.
uint32_t locate_entry(const char* name, Located* at, bool entry_only = false) {
  const DriveName parsed = parse_name(name);
  if (parsed.error != 0) return parsed.error;
  if (parsed.device != Device::kNone) return we::kBadUnit;
  if (const uint32_t e = locate(parsed, at); e != 0) return e;
  if (entry_only || at->parts.empty())
    return 0;  // the folder holding it is checked when it is opened
  const int fd = open_beneath(at->root, at->rel(), kPathOnly);
  if (fd >= 0) {
    ::close(fd);
  } else if (errno == EXDEV) {
    return we::kAccessDenied;
  }
  return 0;
}

bool PosixFileSystem::close_handle(FileHandle handle) {
  if (handle == kInvalidFileHandle || handle > 0x7FFFFFFF) return fail(we::kInvalidHandle);
  const int fd = fd_of(handle);
  bool flush = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (auto it = open_.find(fd); it != open_.end()) {
      flush = it->second.flush_at_close;
      open_.erase(it);
    }
  }
  // What was written reaches the disk before the handle goes, so that a write-back failure
  // (EIO, ENOSPC, EDQUOT on network and quota'd file systems) is reported, not lost.
  int first = 0;
  if (flush && ::fsync(fd) != 0) first = errno;
  if (::close(fd) != 0) {
    // The descriptor is gone even when close reports EINTR; that is no failure.
    if (errno == EBADF) return fail(we::kInvalidHandle);
    if (first == 0 && errno != EINTR) first = errno;
  }
  if (first != 0) return fail(windows_error(first));
  return true;
}

bool PosixFileSystem::create_directory(const char* path) {
  const DriveName parsed = parse_name(path);
  if (parsed.error != 0) return fail(parsed.error);
  if (parsed.device == Device::kNul) return fail(we::kAlreadyExists);
  if (parsed.device == Device::kOther) return fail(we::kBadUnit);
  Located at;
  if (const uint32_t e = locate(parsed, &at); e != 0) return fail(e);
  if (at.parts.empty()) return fail(we::kAlreadyExists);  // the drive's root
  uint32_t error = 0;
  const int parent = open_parent(at, &error);
  if (parent < 0) return fail(error);
  const int made = ::mkdirat(parent, at.parts.back().c_str(), 0777);
  const int e = errno;
  ::close(parent);
  if (made != 0) return fail(e == ENOENT ? we::kPathNotFound : windows_error(e));
  return true;
}

uint32_t PosixFileSystem::get_file_attributes(const char* path) {
  const DriveName parsed = parse_name(path);
  uint32_t error = parsed.error;
  if (error == 0 && parsed.device == Device::kNul) return kAttributeArchive;
  if (error == 0 && parsed.device == Device::kOther) error = we::kBadUnit;
  Located at;
  if (error == 0) error = locate(parsed, &at);
  struct stat st;
  if (error == 0) {
    const int fd = open_beneath(at.root, at.rel(), kPathOnly);
    if (fd < 0) {
      error = name_error(errno, at, at.parts.size());
    } else {
      if (::fstat(fd, &st) != 0) error = windows_error(errno);
      ::close(fd);
    }
  }
  if (error != 0) {
    fail(error);
    return kInvalidFileAttributes;
  }
  uint32_t a = S_ISDIR(st.st_mode) ? kAttributeDirectory : kAttributeArchive;
  if ((st.st_mode & 0222) == 0) a |= kAttributeReadOnly;
  return a;
}

// Writes out the folders a rename changed (`from` and `to`, path-only descriptors), so that
// the new name is on the disk: a rename lives in its folders, and a folder not synced may
// come back without it after a power cut. 0, or -1 with errno.
int sync_folders(int from, int to) {
  struct stat a, b;
  const bool same = ::fstat(from, &a) == 0 && ::fstat(to, &b) == 0 && a.st_dev == b.st_dev &&
                    a.st_ino == b.st_ino;
  for (const int folder : {to, from}) {
    if (folder == from && same) break;
    const int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return -1;
    const int r = ::fsync(fd);
    const int e = errno;
    ::close(fd);
    // A file system that cannot sync a folder (EINVAL) keeps what it has as well as it can.
    if (r != 0 && e != EINVAL) {
      errno = e;
      return -1;
    }
  }
  return 0;
}

bool PosixFileSystem::in_use(const struct stat& st) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& [fd, s] : open_) {
    if (s.dev == st.st_dev && s.ino == st.st_ino) return true;
  }
  return false;
}

// Whether two located names are on the same drive folder.
bool same_volume(const Located& a, const Located& b) {
  struct stat sa, sb;
  return ::fstat(a.root, &sa) == 0 && ::fstat(b.root, &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

// Renames a file (never a folder). Checked in the order the Windows call reports: the file to
// move, the new name and its folder, the drive, then what holds the new name.
bool PosixFileSystem::move_file_ex(const char* from, const char* to, uint32_t flags) {
  Located a, b;
  if (const uint32_t e = locate_entry(from, &a); e != 0) return fail(e);
  if (a.parts.empty()) return fail(we::kAccessDenied);  // a drive's root
  uint32_t error = 0;
  const int pa = open_parent(a, &error);
  if (pa < 0) return fail(error);
  int pb = -1;
  auto done = [&](uint32_t code) {
    ::close(pa);
    if (pb >= 0) ::close(pb);
    return code == 0 ? true : fail(code);
  };
  const char* la = a.parts.back().c_str();
  struct stat st;
  if (::fstatat(pa, la, &st, AT_SYMLINK_NOFOLLOW) != 0) {
    return done(errno == ENOENT ? we::kFileNotFound : windows_error(errno));
  }
  if (const uint32_t e = locate_entry(to, &b, true); e != 0) return done(e);
  if (b.parts.empty()) return done(we::kAccessDenied);
  pb = open_parent(b, &error);
  if (pb < 0) return done(error);
  if (!same_volume(a, b)) return done(we::kNotSameDevice);
  if (S_ISDIR(st.st_mode)) return done(we::kAccessDenied);  // files only
  const char* lb = b.parts.back().c_str();
  struct stat target;
  const bool taken = ::fstatat(pb, lb, &target, AT_SYMLINK_NOFOLLOW) == 0;
  // An open file cannot move; one that is open where the new name is cannot be replaced.
  if (in_use(st)) return done(we::kSharingViolation);
  if (taken && in_use(target)) return done(we::kAccessDenied);
  // The same entry under another spelling: a change of case, which is no replacing.
  const bool itself = taken && target.st_dev == st.st_dev && target.st_ino == st.st_ino;
  int r = -1;
  if (taken && !itself && (flags & kMoveFileReplaceExisting) == 0) {
    return done(we::kAlreadyExists);
  }
  if (taken && !itself && (S_ISDIR(target.st_mode) || read_only(target))) {
    return done(we::kAccessDenied);
  }
  if (itself || (flags & kMoveFileReplaceExisting) != 0) {
    r = ::renameat(pa, la, pb, lb);
  } else {
    // No replacing: a hard link fails when the name was taken since; then the old name goes.
    r = ::linkat(pa, la, pb, lb, 0);
    if (r == 0 && ::unlinkat(pa, la, 0) != 0) {
      const int e = errno;
      ::unlinkat(pb, lb, 0);
      errno = e;
      r = -1;
    }
  }
  if (r == 0 && (flags & kMoveFileWriteThrough) != 0) r = sync_folders(pa, pb);
  if (r == 0) return done(0);
  return done(errno == ENOENT ? we::kFileNotFound : windows_error(errno));
}

bool PosixFileSystem::delete_file(const char* name) {
  Located at;
  if (const uint32_t e = locate_entry(name, &at, true); e != 0) return fail(e);
  if (at.parts.empty()) return fail(we::kAccessDenied);  // a drive's root
  uint32_t error = 0;
  const int parent = open_parent(at, &error);
  if (parent < 0) return fail(error);
  const char* leaf = at.parts.back().c_str();
  struct stat st;
  int r = ::fstatat(parent, leaf, &st, AT_SYMLINK_NOFOLLOW);
  int e = errno;
  if (r == 0 && read_only(st)) {
    r = -1;
    e = EACCES;
  } else if (r == 0 && !S_ISDIR(st.st_mode) && in_use(st)) {
    r = -1;
    e = EBUSY;
  } else if (r == 0) {
    r = ::unlinkat(parent, leaf, 0);
    e = errno;
  }
  ::close(parent);
  if (r == 0) return true;
  return fail(e == ENOENT ? we::kFileNotFound : windows_error(e));
}

// The volume of a drive: no root means drive C (the current drive); a root's first letter
// names the drive, whatever follows it.
bool PosixFileSystem::volume(const char* root, struct statvfs* out) {
  const DriveName parsed = parse_name(root == nullptr ? "C:\\" : root);
  if (parsed.error != 0) return fail(parsed.error);
  const int fd = ::open(parsed.folder.c_str(), kPathOnly | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return fail(we::kPathNotFound);
  const int r = ::fstatvfs(fd, out);
  const int e = errno;
  ::close(fd);
  if (r != 0) return fail(windows_error(e));
  return true;
}

bool PosixFileSystem::disk_free_space_ex(const char* root, uint64_t* total_bytes,
                                         uint64_t* total_free_bytes) {
  struct statvfs v;
  if (!volume(root, &v)) return false;
  const uint64_t unit = v.f_frsize != 0 ? v.f_frsize : v.f_bsize;
  if (total_bytes != nullptr) *total_bytes = static_cast<uint64_t>(v.f_blocks) * unit;
  if (total_free_bytes != nullptr) *total_free_bytes = static_cast<uint64_t>(v.f_bfree) * unit;
  return true;
}

bool PosixFileSystem::disk_free_space(const char* root, uint32_t* sectors_per_cluster,
                                      uint32_t* bytes_per_sector, uint32_t* free_clusters,
                                      uint32_t* total_clusters) {
  struct statvfs v;
  if (!volume(root, &v)) return false;
  const uint64_t unit = v.f_frsize != 0 ? v.f_frsize : v.f_bsize;
  auto cap = [](uint64_t n) { return static_cast<uint32_t>(n > 0xFFFFFFFFu ? 0xFFFFFFFFu : n); };
  if (sectors_per_cluster != nullptr) *sectors_per_cluster = cap(unit / 512 ? unit / 512 : 1);
  if (bytes_per_sector != nullptr) *bytes_per_sector = unit >= 512 ? 512 : cap(unit);
  if (free_clusters != nullptr) *free_clusters = cap(v.f_bfree);
  if (total_clusters != nullptr) *total_clusters = cap(v.f_blocks);
  return true;
}

}  // namespace

FileSystem* file_system() {
  static PosixFileSystem service;
  return &service;
}

}  // namespace platform::posix
