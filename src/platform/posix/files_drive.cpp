#include "platform/posix/files_drive.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/files.h"

namespace platform::posix {

namespace we = win_error;

namespace {

bool is_sep(char c) {
  return c == '\\' || c == '/';
}

bool same_folded(const std::string& a, const char* b) {
  const size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

bool bad_component(const std::string& c) {
  for (unsigned char ch : c) {
    if (ch < 32 || std::strchr("<>:\"|?*", ch) != nullptr) return true;
  }
  return false;
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

// The name in `folder` that equals `component` without regard to case: the exact name when
// it exists, else the first such name in byte order, else the component as written.
std::string match(const std::string& folder, const std::string& component) {
  const std::string exact = folder + "/" + component;
  struct stat st;
  if (::lstat(exact.c_str(), &st) == 0) return component;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return component;
  std::string best;
  while (const dirent* e = ::readdir(dir)) {
    if (!same_folded(component, e->d_name)) continue;
    if (best.empty() || std::strcmp(e->d_name, best.c_str()) < 0) best = e->d_name;
  }
  ::closedir(dir);
  return best.empty() ? component : best;
}

}  // namespace

std::string drive_folder(char letter, uint32_t* error) {
  const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  std::string folder;
  const std::string var = std::string("ORVANE_DRIVE_") + upper;
  if (const char* set = std::getenv(var.c_str()); set != nullptr && *set != '\0') {
    folder = set;
  } else {
    std::string data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/') {
      data = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
      data = std::string(home) + "/.local/share";
    } else {
      *error = we::kPathNotFound;
      return "";
    }
    folder = data + "/orvane-table/drive_" + lower;
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (!make_all(folder)) {
    *error = we::kPathNotFound;
    return "";
  }
  return folder;
}

HostPath map_path(const char* name) {
  HostPath out;
  const std::string text = name == nullptr ? std::string() : std::string(name);
  if (text.empty()) {
    out.error = we::kPathNotFound;
    return out;
  }
  const bool drive =
      text.size() >= 2 && text[1] == ':' && std::isalpha(static_cast<unsigned char>(text[0])) != 0;
  if (!drive) {
    out.path = text;
    return out;
  }
  out.on_drive = true;
  std::vector<std::string> parts;
  std::string part;
  auto flush = [&] {
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    part.clear();
  };
  for (size_t i = 2; i < text.size(); ++i) {
    if (is_sep(text[i])) {
      flush();
    } else {
      part.push_back(text[i]);
    }
  }
  flush();
  for (const std::string& p : parts) {
    if (bad_component(p)) {
      out.error = we::kInvalidName;
      return out;
    }
  }
  std::string host = drive_folder(text[0], &out.error);
  if (out.error != 0) return out;
  // Match each component while the folders exist; the rest is kept as written.
  bool matching = true;
  for (const std::string& p : parts) {
    const std::string component = matching ? match(host, p) : p;
    host += "/" + component;
    if (matching && !is_folder(host)) matching = false;
  }
  out.path = host;
  return out;
}

uint32_t windows_error(int posix_errno, const std::string& host_path) {
  switch (posix_errno) {
    case 0:
      return we::kSuccess;
    case ENOENT: {
      const size_t cut = host_path.find_last_of('/');
      const std::string parent =
          cut == std::string::npos ? "." : (cut == 0 ? "/" : host_path.substr(0, cut));
      return is_folder(parent) ? we::kFileNotFound : we::kPathNotFound;
    }
    case ENOTDIR:
      return we::kPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
      return we::kAccessDenied;
    case EEXIST:
      return we::kAlreadyExists;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return we::kDiskFull;
    case EROFS:
      return we::kWriteProtect;
    case EMFILE:
    case ENFILE:
      return we::kTooManyOpenFiles;
    case ENAMETOOLONG:
      return we::kFilenameExcedRange;
    case EIO:
      return we::kGenFailure;
    case EBADF:
      return we::kInvalidHandle;
    case EINVAL:
      return we::kInvalidParameter;
    case ENOMEM:
      return we::kNotEnoughMemory;
    case EBUSY:
    case ETXTBSY:
      return we::kSharingViolation;
    case EAGAIN:
      return we::kLockViolation;
    case EXDEV:
      return we::kNotSameDevice;
    case ENXIO:
    case ENODEV:
      return we::kNotReady;
    case ESPIPE:
      return we::kSeek;
    case ENOTEMPTY:
      return we::kDirNotEmpty;
    case EPIPE:
      return 109;  // ERROR_BROKEN_PIPE
    case ELOOP:
      return 1921;  // ERROR_CANT_RESOLVE_FILENAME
    case EFBIG:
      return 223;  // ERROR_FILE_TOO_LARGE
    default:
      return we::kGenFailure;
  }
}

}  // namespace platform::posix
