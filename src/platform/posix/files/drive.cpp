#include "platform/posix/files/drive.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>

#if defined(__linux__) && __has_include(<linux/openat2.h>)
#include <linux/openat2.h>
#include <sys/syscall.h>
#endif

#include "platform/files.h"
#include "platform/platform.h"
#include "platform/posix/files/errors.h"

namespace platform::posix {

namespace we = win_error;

namespace {

char upper(char c) {
  return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool same_folded(const std::string& a, const char* b) {
  const size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return true;
}

bool is_folder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Creates `path` and its missing parents.
bool make_all(const std::string& path) {
  if (is_folder(path)) return true;
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') {
      const std::string prefix = path.substr(0, i);
      if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
  }
  return is_folder(path);
}

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// The name in the folder `dir` that equals `component` without regard to case: the exact
// name when it exists, else the first such name in byte order, else nothing.
bool match(int dir, const std::string& component, std::string* found) {
  struct stat st;
  if (::fstatat(dir, component.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    *found = component;
    return true;
  }
  const int listing = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return false;
  DIR* d = ::fdopendir(listing);
  if (d == nullptr) {
    ::close(listing);
    return false;
  }
  std::string best;
  while (const dirent* e = ::readdir(d)) {
    if (!same_folded(component, e->d_name)) continue;
    if (best.empty() || std::strcmp(e->d_name, best.c_str()) < 0) best = e->d_name;
  }
  ::closedir(d);
  if (best.empty()) return false;
  *found = best;
  return true;
}

std::atomic<bool> g_portable{false};

#if defined(SYS_openat2) && defined(RESOLVE_BENEATH)
bool openat2_works() {
  static const bool works = [] {
    open_how how{};
    how.flags = O_PATH | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    const long fd = ::syscall(SYS_openat2, AT_FDCWD, ".", &how, sizeof how);
    if (fd < 0) return false;
    ::close(static_cast<int>(fd));
    return true;
  }();
  return works;
}

int open_openat2(int root, const std::string& rel, int flags, mode_t mode) {
  open_how how{};
  how.flags = static_cast<uint64_t>(flags);
  how.mode = (flags & O_CREAT) != 0 ? mode : 0;
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
  for (int attempt = 0;; ++attempt) {
    const long fd = ::syscall(SYS_openat2, root, rel.c_str(), &how, sizeof how);
    // EAGAIN: a rename raced with the lookup; the kernel asks for a retry.
    if (fd >= 0 || errno != EAGAIN || attempt == 8) return static_cast<int>(fd);
  }
}
#else
bool openat2_works() {
  return false;
}
int open_openat2(int, const std::string&, int, mode_t) {
  errno = ENOSYS;
  return -1;
}
#endif

std::deque<std::string> split_slashes(const std::string& text) {
  std::deque<std::string> out;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == '/') {
      if (i > start) out.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return out;
}

// The portable walk: one openat per component, never following a link in the kernel. A
// link is read and its target walked in its place; ".." returns to the folder the walk
// came from, and fails with EXDEV above `root`.
int open_walk(int root, const std::string& rel, int flags, mode_t mode) {
  std::vector<int> stack;  // the folders entered below root
  auto cleanup = [&] {
    for (int fd : stack) ::close(fd);
  };
  auto fail = [&](int e) {
    cleanup();
    errno = e;
    return -1;
  };
  // As in the kernel, an exclusive create never follows a link at the end.
  const bool follow_last =
      (flags & O_NOFOLLOW) == 0 && !((flags & O_CREAT) != 0 && (flags & O_EXCL) != 0);
  std::deque<std::string> todo = split_slashes(rel);
  int links = 0;
  while (true) {
    while (!todo.empty() && todo.front() == ".") todo.pop_front();
    const int at = stack.empty() ? root : stack.back();
    if (todo.empty()) {
      // The name is a folder already entered (or the root itself).
      const int fd = ::openat(at, ".", (flags & ~(O_CREAT | O_EXCL | O_NOFOLLOW)) | O_CLOEXEC);
      const int e = errno;
      cleanup();
      errno = e;
      return fd;
    }
    const std::string name = todo.front();
    todo.pop_front();
    if (name == "..") {
      if (stack.empty()) return fail(EXDEV);
      ::close(stack.back());
      stack.pop_back();
      continue;
    }
    bool last = true;
    for (const std::string& t : todo) {
      if (t != ".") last = false;
    }
    int fd = -1;
    if (last) {
      fd = ::openat(at, name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, mode);
      struct stat own;
      if (fd >= 0 && follow_last && (flags & kPathOnly) != 0 && ::fstat(fd, &own) == 0 &&
          S_ISLNK(own.st_mode)) {
        ::close(fd);  // a path-only open took the link itself; follow it below
        fd = -1;
        errno = ELOOP;
      }
      if (fd >= 0) {
        cleanup();
        return fd;
      }
      if (!follow_last) return fail(errno);
    } else {
      fd = ::openat(at, name.c_str(), kPathOnly | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (fd >= 0) {
        stack.push_back(fd);
        continue;
      }
    }
    const int e = errno;
    struct stat st;
    if (::fstatat(at, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(st.st_mode)) {
      return fail(e);
    }
    if (++links > 40) return fail(ELOOP);
    char target[4096];
    const ssize_t n = ::readlinkat(at, name.c_str(), target, sizeof target - 1);
    if (n < 0) return fail(errno);
    if (n == 0 || target[0] == '/') return fail(EXDEV);
    std::deque<std::string> spliced = split_slashes(std::string(target, static_cast<size_t>(n)));
    spliced.insert(spliced.end(), todo.begin(), todo.end());
    todo = std::move(spliced);
  }
}

}  // namespace

Located::~Located() {
  if (root >= 0) ::close(root);
}

std::string Located::rel(size_t count) const {
  if (count == 0) return ".";
  std::string out;
  for (size_t i = 0; i < count && i < parts.size(); ++i) {
    if (i != 0) out.push_back('/');
    out += parts[i];
  }
  return out;
}

std::string drive_folder(char letter, uint32_t* error) {
  const char up = upper(letter);
  if (up < 'A' || up > 'Z') {
    *error = we::kPathNotFound;
    return "";
  }
  const std::string var = std::string("ORVANE_DRIVE_") + up;
  const char* set = std::getenv(var.c_str());
  std::string folder;
  if (set != nullptr && *set != '\0') {
    folder = set;
  } else if (up != 'C') {
    *error = we::kPathNotFound;
    return "";
  } else if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/') {
    folder = std::string(xdg) + "/" + kProgramName + "/drive_c";
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') {
    folder = std::string(home) + "/.local/share/" + kProgramName + "/drive_c";
  } else {
    *error = we::kPathNotFound;
    return "";
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  // Drive C always exists, so its folder is made when missing; other drives only exist
  // while their folder does.
  if (!(up == 'C' ? make_all(folder) : is_folder(folder))) {
    *error = we::kPathNotFound;
    return "";
  }
  return folder;
}

DriveName parse_name(const char* name) {
  const WindowsName parsed = parse_windows_name(name);
  DriveName out;
  out.error = parsed.error;
  out.parts = parsed.parts;
  out.device = parsed.device;
  if (out.error != 0) return out;
  out.folder = drive_folder(parsed.drive == 0 ? 'C' : parsed.drive, &out.error);
  return out;
}

uint32_t locate(const DriveName& name, Located* out) {
  if (name.error != 0) return name.error;
  out->root = ::open(name.folder.c_str(), kPathOnly | O_DIRECTORY | O_CLOEXEC);
  if (out->root < 0) return we::kPathNotFound;
  out->parts = name.parts;
  // Match each component while its folder can be entered; the rest is kept as written.
  for (size_t i = 0; i < out->parts.size(); ++i) {
    Fd dir(open_beneath(out->root, out->rel(i), O_RDONLY | O_DIRECTORY));
    std::string found;
    if (dir.get() < 0 || !match(dir.get(), out->parts[i], &found)) break;
    out->parts[i] = found;
  }
  return 0;
}

int open_beneath(int root, const std::string& rel, int flags, mode_t mode) {
  const std::string path = rel.empty() ? "." : rel;
  if (!g_portable.load() && openat2_works()) {
    return open_openat2(root, path, flags | O_CLOEXEC, mode);
  }
  return open_walk(root, path, flags, mode);
}

bool uses_openat2() {
  return !g_portable.load() && openat2_works();
}

uint32_t name_error(int posix_errno, const Located& at, size_t count) {
  if (posix_errno == EXDEV) return we::kAccessDenied;  // the name leads out of the drive
  if (posix_errno != ENOENT) return windows_error(posix_errno);
  if (count == 0) return we::kPathNotFound;
  Fd folder(open_beneath(at.root, at.rel(count - 1), kPathOnly | O_DIRECTORY));
  return folder.get() >= 0 ? we::kFileNotFound : we::kPathNotFound;
}

// --- Test seam ---

void force_portable_walk(bool on) {
  g_portable.store(on);
}

}  // namespace platform::posix
