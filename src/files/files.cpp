#include "files/files.h"

#include <cstring>
#include <limits>
#include <new>
#include <tuple>
#include <utility>

#include "files/platform_call.h"
#include "runtime/error.h"

namespace files {

namespace {

using detail::CallStatus;
using detail::platform_call;
using detail::SpinGuard;
using detail::SpinLock;

OpenFile* g_head = nullptr;  // the open-file list, newest first
int16_t g_current = 0;
SpinLock g_list_lock;
SpinLock g_open_lock;

OpenFile* find_open(int16_t number) {
  SpinGuard guard(g_list_lock);
  for (OpenFile* f = g_head; f != nullptr; f = f->next) {
    if (f->number == number) return f;
  }
  return nullptr;
}

void link(OpenFile* file) {
  SpinGuard guard(g_list_lock);
  file->next = g_head;
  g_head = file;
}

bool unlink(OpenFile* file) {
  SpinGuard guard(g_list_lock);
  for (OpenFile** at = &g_head; *at != nullptr; at = &(*at)->next) {
    if (*at == file) {
      *at = file->next;
      file->next = nullptr;
      return true;
    }
  }
  return false;
}

bool is_disk(const OpenFile& f) {
  return f.device_kind == kDeviceDisk;
}

// Moves the file pointer; the new offset goes to *offset when given.
CallStatus seek(OpenFile& f, int64_t distance, uint32_t method, uint64_t* offset = nullptr) {
  return platform_call([&](platform::FileSystem& fs) {
    uint64_t at = 0;
    if (fs.set_file_pointer(f.handle, distance, method, &at)) {
      f.transfer_count = static_cast<uint32_t>(at >> 32);
      if (offset != nullptr) *offset = at;
    }
  });
}

// The open step of each mode, after the handle is known. Returns an error code or 0.
uint8_t open_step(OpenFile& f) {
  const bool disk = is_disk(f);
  if ((f.mode & kModeDeviceOnly) != 0) {
    if (disk) return runtime::kErrDeviceOnlyMode;
    return 0;
  }
  if ((f.mode & kModeOutput) != 0) {
    if (!disk) return 0;
    CallStatus s = seek(f, 0, platform::kFileBegin);
    if (!s.ok()) return s.code;
    s = platform_call([&](platform::FileSystem& fs) { fs.set_end_of_file(f.handle); });
    return s.code;
  }
  if ((f.mode & kModeAppend) != 0) {
    uint64_t end = 0;
    CallStatus s = seek(f, 0, platform::kFileEnd, &end);
    if (!s.ok()) return s.code;
    if (!disk) return runtime::kErrBadFileMode;
    f.position = end;
    return 0;
  }
  if ((f.mode & kModeRandom) != 0) {
    if (f.record_length > 32768) return runtime::kErrBadCall;
    if (f.caller_flag == 0) f.position = std::numeric_limits<uint64_t>::max();
    return seek(f, 0, platform::kFileBegin).code;
  }
  if ((f.mode & kModeInput) != 0) {
    if (!disk) return 0;
    CallStatus s = seek(f, 0, platform::kFileBegin);
    if (!s.ok()) return s.code;
    uint32_t got = 0;
    s = platform_call([&](platform::FileSystem& fs) {
      fs.read_file(f.handle, f.buffer.data(), static_cast<uint32_t>(f.record_length), &got);
    });
    if (!s.ok()) return s.code;
    f.transfer_count = got;
    f.read_ahead = got;
    return 0;
  }
  return seek(f, 0, platform::kFileBegin).code;
}

// Closes one record already found; returns the first error met (every step still runs).
uint8_t close_record(OpenFile* f, uint8_t mask) {
  uint8_t first = 0;
  auto keep = [&](uint8_t code) {
    if (first == 0 && code != 0) first = code;
  };
  if (mask != 0 && (f->mode & mask) == 0) keep(runtime::kErrBadFileMode);
  if (!unlink(f)) runtime::error_raise(runtime::kErrFatalFileList);  // ends the process
  if ((f->mode & kModeOutput) != 0 && is_disk(*f)) {
    keep(platform_call([&](platform::FileSystem& fs) { fs.set_end_of_file(f->handle); }).code);
  }
  if ((f->open_flags & kOpenFlagGivenHandle) == 0) {
    keep(platform_call([&](platform::FileSystem& fs) { fs.close_handle(f->handle); }).code);
  }
  delete f;
  return first;
}

}  // namespace

void file_open(int16_t number, uint8_t mode, uint8_t access, int32_t record_length,
               uintptr_t handle, uint16_t caller_flag, const std::string& name) {
  SpinGuard open_guard(g_open_lock);

  const detail::PathBuffer path = detail::to_path(name);
  if (handle == 0 && path.length == 0) return runtime::error_raise(runtime::kErrBadFileName);
  if (path.wildcard) return runtime::error_raise(runtime::kErrBadFileName);

  if ((mode & kModeRandom) == 0 && (mode & (kModeOutput | kModeAppend | kModeBinary)) != 0) {
    record_length = 1;
  }
  if (number < 0) return runtime::error_raise(runtime::kErrBadFileNumber);
  if (record_length < 1) return runtime::error_raise(runtime::kErrBadCall);
  if (find_open(number) != nullptr) return runtime::error_raise(runtime::kErrFileAlreadyOpen);

  OpenFile* f = new (std::nothrow) OpenFile;
  if (f == nullptr) return runtime::error_raise(runtime::kErrNoMemory);
  try {
    f->buffer.assign(static_cast<size_t>(record_length), '\0');
    f->name = name;
  } catch (const std::bad_alloc&) {
    delete f;
    return runtime::error_raise(runtime::kErrNoMemory);
  }
  link(f);

  bool own_handle = false;
  bool created = false;  // this open made the file
  uint8_t failure = 0;
  if (handle == 0) {
    uint32_t disposition = platform::kOpenAlways;
    if ((mode & (kModeInput | kModeDeviceOnly)) != 0) {
      disposition = platform::kOpenExisting;
    } else if ((mode & kModeNew) != 0) {
      disposition = platform::kCreateNew;
    }
    auto create = [&](uint8_t with_access) {
      platform::FileHandle h = platform::kInvalidFileHandle;
      const CallStatus s = platform_call([&](platform::FileSystem& fs) {
        h = fs.create_file(path.text, static_cast<uint32_t>(with_access & 192) << 24,
                           (access & 7u) - 1u, true, disposition, platform::kAttributeNormal);
      });
      // Success is a valid handle, whatever the last error says (an existing file opened
      // with kOpenAlways leaves ERROR_ALREADY_EXISTS, which also tells that the file was
      // there before).
      if (h != platform::kInvalidFileHandle) {
        created = s.last_error != platform::win_error::kAlreadyExists;
        return std::pair<platform::FileHandle, uint8_t>{h, 0};
      }
      return std::pair<platform::FileHandle, uint8_t>{
          h, s.ok() ? uint8_t{runtime::kErrInternal} : s.code};
    };
    auto [h, code] = create(access);
    if (h == platform::kInvalidFileHandle) {
      if ((mode & kModeDeviceOnly) != 0) {
        code = runtime::kErrDeviceOnlyMode;
      } else if ((access & kAccessNoRetry) == 0 && (access & kAccessWrite) != 0) {
        std::tie(h, code) = create(static_cast<uint8_t>(access & ~kAccessWrite));
      }
    }
    if (h == platform::kInvalidFileHandle) {
      failure = code;
    } else {
      handle = h;
      own_handle = true;
    }
  }

  if (failure == 0) {
    f->handle = handle;
    f->device_kind = kDeviceDisk;
    f->open_flags = own_handle ? kOpenFlagOpen : (kOpenFlagOpen | kOpenFlagGivenHandle);
    f->mode = mode;
    f->access = access;
    f->number = number;
    f->record_length = record_length;
    f->caller_flag = caller_flag;
    uint32_t type = platform::kFileTypeUnknown;
    platform_call([&](platform::FileSystem& fs) { type = fs.file_type(handle); });
    if (type != platform::kFileTypeDisk) f->device_kind = kDeviceOther;
    failure = open_step(*f);
  }

  if (failure != 0) {
    unlink(f);
    // A handle this open created is closed again, so that a failed open leaves no file
    // held open (and, with an exclusive share mode, locked) behind it.
    if (own_handle) {
      platform_call([&](platform::FileSystem& fs) { fs.close_handle(handle); });
    }
    // A file this open made (and could not finish opening: a truncate or seek that failed
    // on a full or failing disk) goes again: a failed open leaves nothing new behind.
    if (created) platform_call([&](platform::FileSystem& fs) { fs.delete_file(path.text); });
    delete f;
    runtime::error_raise(failure);
  }
}

void file_set_current(int16_t number) {
  g_current = number;
}
int16_t file_current() {
  return g_current;
}

OpenFile* file_find(int16_t number) {
  OpenFile* f = find_open(number);
  if (f == nullptr) runtime::error_raise(runtime::kErrBadFileNumber);
  return f;
}

namespace {

// Writes and advances; false after raising the error.
bool write_bytes(OpenFile& f, const void* bytes, uint32_t count) {
  if ((f.mode & ~(kModeOutput | kModeAppend | kModeNew)) != 0) {
    runtime::error_raise(runtime::kErrBadFileMode);
    return false;
  }
  uint32_t written = 0;
  const CallStatus s = platform_call(
      [&](platform::FileSystem& fs) { fs.write_file(f.handle, bytes, count, &written); });
  f.transfer_count = written;
  if (s.ok() && written == count) {
    if (is_disk(f)) f.position += written;
    f.column += written;
    return true;
  }
  // A write that failed or fell short on a disk file has its bytes taken back, so that the
  // file holds exactly what the position says was written and a later write or close
  // cannot leave a torn line behind.
  if (is_disk(f) && written != 0) {
    seek(f, static_cast<int64_t>(f.position), platform::kFileBegin);
    platform_call([&](platform::FileSystem& fs) { fs.set_end_of_file(f.handle); });
  }
  if (!s.ok()) {
    runtime::error_raise(s.code);
  } else {
    runtime::error_raise(is_disk(f) ? runtime::kErrDiskFull : runtime::kErrDeviceIo);
  }
  return false;
}

}  // namespace

void file_write(OpenFile& f, const void* bytes, uint32_t count) {
  write_bytes(f, bytes, count);
}

void file_print(const std::string& text) {
  OpenFile* f = file_find(g_current);
  if (f == nullptr || text.empty()) return;
  if (text.size() > std::numeric_limits<uint32_t>::max()) {
    return runtime::error_raise(runtime::kErrBadCall);
  }
  file_write(*f, text.data(), static_cast<uint32_t>(text.size()));
}

void file_print_eol() {
  OpenFile* f = file_find(g_current);
  if (f == nullptr) return;
  static constexpr char kEol[2] = {'\r', '\n'};
  if (write_bytes(*f, kEol, 2)) f->column = 0;
}

void file_close(int16_t number, uint8_t mask) {
  OpenFile* f = find_open(number);
  if (f == nullptr) return;
  const uint8_t code = close_record(f, mask);
  if (code != 0) runtime::error_raise(code);
}

void file_close_all() {
  uint8_t first = 0;
  for (;;) {
    OpenFile* f = nullptr;
    {
      SpinGuard guard(g_list_lock);
      f = g_head;
    }
    if (f == nullptr) break;
    const uint8_t code = close_record(f, 0);
    if (first == 0) first = code;
  }
  if (first != 0) runtime::error_raise(first);
}

// Test seam (see files.h).
void reset() {
  SpinGuard guard(g_list_lock);
  while (g_head != nullptr) {
    OpenFile* next = g_head->next;
    delete g_head;
    g_head = next;
  }
  g_current = 0;
}

}  // namespace files
