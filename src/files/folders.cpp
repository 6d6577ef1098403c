#include "files/folders.h"

#include "files/platform_call.h"
#include "runtime/error.h"

namespace files {

using detail::CallStatus;
using detail::platform_call;

void dir_make(const std::string& path) {
  const detail::PathBuffer p = detail::to_path(path);
  if (p.wildcard) return runtime::error_raise(runtime::kErrPathNotFound);
  const CallStatus s =
      platform_call([&](platform::FileSystem& fs) { fs.create_directory(p.text); });
  if (!s.ok()) runtime::error_raise(s.code);
}

uint32_t file_attributes(const std::string& path) {
  const detail::PathBuffer p = detail::to_path(path);
  if (p.wildcard) {
    runtime::error_raise(runtime::kErrBadFileName);
    return 0;
  }
  uint32_t attributes = 0;
  const CallStatus s =
      platform_call([&](platform::FileSystem& fs) { attributes = fs.get_file_attributes(p.text); });
  if (!s.ok()) {
    runtime::error_raise(s.code);
    return 0;
  }
  return attributes;
}

void file_rename(const std::string& from, const std::string& to) {
  const detail::PathBuffer a = detail::to_path(from);
  const detail::PathBuffer b = detail::to_path(to);
  if (a.wildcard || b.wildcard) return runtime::error_raise(runtime::kErrBadFileName);
  const CallStatus s = platform_call([&](platform::FileSystem& fs) {
    fs.move_file_ex(a.text, b.text,
                    platform::kMoveFileReplaceExisting | platform::kMoveFileWriteThrough);
  });
  if (!s.ok()) runtime::error_raise(s.code);
}

void file_delete(const std::string& path) {
  const detail::PathBuffer p = detail::to_path(path);
  if (p.wildcard) return runtime::error_raise(runtime::kErrBadFileName);
  const CallStatus s = platform_call([&](platform::FileSystem& fs) { fs.delete_file(p.text); });
  if (!s.ok()) runtime::error_raise(s.code);
}

namespace {

struct Space {
  uint64_t free = 0;
  uint64_t total = 0;
};

// Free and total bytes of the volume `text` names; zeros when it cannot be asked.
Space disk_space(const std::string& text) {
  Space out;
  platform::FileSystem* fs = detail::file_system();
  if (fs == nullptr) return out;

  // Root path: none for the current drive, a share with a closing backslash, or the first
  // character as a drive letter.
  std::string root;
  const char* root_arg = nullptr;
  if (!text.empty()) {
    if (text.size() >= 2 && text[0] == '\\' && text[1] == '\\') {
      root = text.substr(0, 258);
      if (root.back() != '\\') root.push_back('\\');
    } else {
      root = {text[0], ':', '\\'};
    }
    root_arg = root.c_str();
  }

  detail::FloatStateGuard keep_float;
  if (fs->has_disk_free_space_ex()) {
    uint64_t total = 0;
    uint64_t total_free = 0;
    if (fs->disk_free_space_ex(root_arg, &total, &total_free)) {
      out.free = total_free;
      out.total = total;
    }
    return out;
  }
  uint32_t sectors = 0, bytes = 0, free_clusters = 0, total_clusters = 0;
  if (fs->disk_free_space(root_arg, &sectors, &bytes, &free_clusters, &total_clusters)) {
    const uint64_t cluster = static_cast<uint64_t>(sectors) * bytes;
    out.free = cluster * free_clusters;
    out.total = cluster * total_clusters;
  }
  return out;
}

}  // namespace

long double disk_free(const std::string& root) {
  return static_cast<long double>(disk_space(root).free);
}

long double disk_size(const std::string& root) {
  return static_cast<long double>(disk_space(root).total);
}

}  // namespace files
