#include "platform/memory/files.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/windows_names.h"

namespace platform::memory {

namespace we = win_error;

struct MemoryFileSystem::Node {
  std::string name;  // as first written
  bool folder = false;
  bool device = false;
  bool read_only = false;
  bool sink = false;                                      // the null device: writes vanish
  std::map<std::string, std::unique_ptr<Node>> children;  // keyed by the upper-cased name
  std::string bytes;
};

struct MemoryFileSystem::Drive {
  char letter = 'C';
  Node root;
  uint64_t capacity = 0;
  bool read_only = false;
  bool present = true;
};

struct MemoryFileSystem::Open {
  Drive* drive = nullptr;
  Node* node = nullptr;
  uint64_t position = 0;
  uint32_t access = 0;
  uint32_t share = 0;
};

struct MemoryFileSystem::Resolved {
  uint32_t error = 0;  // a Windows error when the path cannot be followed
  Drive* drive = nullptr;
  Node* parent = nullptr;  // the folder that holds (or would hold) the last component
  Node* node = nullptr;    // the named entry, or null when it does not exist
  std::string leaf;        // the last component as written
  std::string key;         // upper-cased canonical path, for the refused-access list
  NameDevice device = NameDevice::kNone;  // the name is a device's (no node is looked up)
};

namespace {

std::string upper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

bool is_sep(char c) {
  return c == '\\' || c == '/';
}

uint64_t used_bytes(const MemoryFileSystem::Node& n) {
  uint64_t sum = n.folder ? 0 : n.bytes.size();
  for (const auto& [key, child] : n.children) sum += used_bytes(*child);
  return sum;
}

}  // namespace

MemoryFileSystem::MemoryFileSystem() : nul_(std::make_unique<Node>()) {
  nul_->name = "NUL";
  nul_->device = true;
  nul_->sink = true;
  add_drive('C');
}
MemoryFileSystem::~MemoryFileSystem() = default;

bool MemoryFileSystem::fail(uint32_t code) {
  last_error_ = code;
  return false;
}

FileHandle MemoryFileSystem::fail_handle(uint32_t code) {
  last_error_ = code;
  return kInvalidFileHandle;
}

MemoryFileSystem::Drive* MemoryFileSystem::drive(char letter) const {
  auto it = drives_.find(upper(std::string(1, letter))[0]);
  if (it == drives_.end() || !it->second->present) return nullptr;
  return it->second.get();
}

MemoryFileSystem::Resolved MemoryFileSystem::resolve(const char* path) const {
  Resolved r;
  const WindowsName name = parse_windows_name(path);
  if (name.error != 0) {
    r.error = name.error;
    return r;
  }
  const char letter = name.drive != 0 ? name.drive : current_drive_;
  r.drive = drive(letter);
  if (r.drive == nullptr) {
    r.error = we::kPathNotFound;
    return r;
  }
  r.device = name.device;
  const std::vector<std::string>& parts = name.parts;
  r.key.assign(1, letter);
  r.key.push_back(':');
  for (const std::string& part : parts) {
    r.key.push_back('\\');
    r.key.append(upper(part));
  }
  for (const std::string& denied : denied_) {
    if (r.key == denied || r.key.rfind(denied + "\\", 0) == 0) {
      r.error = we::kAccessDenied;
      return r;
    }
  }
  if (r.device != NameDevice::kNone) return r;  // no node: the callers answer for devices
  Node* n = &r.drive->root;
  r.parent = nullptr;
  r.node = n;
  for (size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    if (!n->folder) {
      r.error = we::kPathNotFound;
      return r;
    }
    auto it = n->children.find(upper(parts[i]));
    Node* child = it == n->children.end() ? nullptr : it->second.get();
    if (last) {
      r.parent = n;
      r.node = child;
      r.leaf = parts[i];
    } else if (child == nullptr) {
      r.error = we::kPathNotFound;
      return r;
    }
    n = child;
  }
  return r;
}

MemoryFileSystem::Open* MemoryFileSystem::open_of(FileHandle handle) {
  auto it = handles_.find(handle);
  if (it == handles_.end()) {
    last_error_ = we::kInvalidHandle;
    return nullptr;
  }
  if (!it->second->drive->present) {
    last_error_ = we::kNotReady;
    return nullptr;
  }
  return it->second.get();
}

FileHandle MemoryFileSystem::create_file(const char* name, uint32_t desired_access,
                                         uint32_t share_mode, bool /*inherit_handle*/,
                                         uint32_t disposition, uint32_t attributes) {
  ++counts_.service_calls;
  ++counts_.create_file_calls;
  // The arguments are checked before the name.
  if (disposition < kCreateNew || disposition > kTruncateExisting) {
    return fail_handle(we::kInvalidParameter);
  }
  if (disposition == kTruncateExisting && (desired_access & kGenericWrite) == 0) {
    return fail_handle(we::kInvalidParameter);
  }
  Resolved r = resolve(name);
  if (r.error != 0) return fail_handle(r.error);
  if (r.device == NameDevice::kOther) return fail_handle(we::kBadUnit);
  if (r.device == NameDevice::kNul) {
    r.node = nul_.get();  // there on every drive, in every folder
    r.parent = nullptr;
  }
  Node* node = r.node;
  if (node == nullptr && r.parent == nullptr) return fail_handle(we::kAccessDenied);
  if (node != nullptr && node->folder) {
    // The name is taken, which an exclusive create reports first.
    return fail_handle(disposition == kCreateNew ? we::kFileExists : we::kAccessDenied);
  }
  const bool wants_write = (desired_access & kGenericWrite) != 0;
  const bool exists = node != nullptr;
  switch (disposition) {
    case kCreateNew:
      if (exists && !node->sink) return fail_handle(we::kFileExists);
      break;
    case kCreateAlways:
    case kOpenAlways:
      break;
    case kOpenExisting:
    case kTruncateExisting:
      if (!exists) return fail_handle(we::kFileNotFound);
      break;
    default:
      return fail_handle(we::kInvalidParameter);
  }
  const bool truncates =
      exists && (disposition == kCreateAlways || disposition == kTruncateExisting);
  if (r.drive->read_only && (wants_write || !exists || truncates)) {
    return fail_handle(we::kWriteProtect);
  }
  if (exists && node->read_only && (wants_write || truncates)) {
    return fail_handle(we::kAccessDenied);
  }
  if (exists && !node->sink) {
    // Every handle already open on the file must share what is asked, and the new share
    // mode must allow what those handles already do.
    for (const auto& [h, o] : handles_) {
      if (o->node != node) continue;
      const bool ok = ((desired_access & kGenericRead) == 0 || (o->share & kShareRead) != 0) &&
                      (!wants_write || (o->share & kShareWrite) != 0) &&
                      ((o->access & kGenericRead) == 0 || (share_mode & kShareRead) != 0) &&
                      ((o->access & kGenericWrite) == 0 || (share_mode & kShareWrite) != 0);
      if (!ok) return fail_handle(we::kSharingViolation);
    }
  }
  // Emptying a file needs the right to write it.
  if (truncates && !wants_write && !node->device) return fail_handle(we::kAccessDenied);
  if (!exists && r.parent->read_only) return fail_handle(we::kAccessDenied);
  if (!exists) {
    auto fresh = std::make_unique<Node>();
    fresh->name = r.leaf;
    fresh->read_only = (attributes & kAttributeReadOnly) != 0;
    node = fresh.get();
    r.parent->children[upper(r.leaf)] = std::move(fresh);
  } else if (truncates && !node->device) {
    node->bytes.clear();
  }
  auto open = std::make_unique<Open>();
  open->drive = r.drive;
  open->node = node;
  open->access = desired_access;
  open->share = share_mode;
  const FileHandle h = next_handle_;
  next_handle_ += 4;
  handles_[h] = std::move(open);
  last_error_ = exists && (disposition == kOpenAlways || disposition == kCreateAlways)
                    ? we::kAlreadyExists
                    : last_error_;
  return h;
}

uint32_t MemoryFileSystem::file_type(FileHandle handle) {
  ++counts_.service_calls;
  Open* o = open_of(handle);
  if (o == nullptr) return kFileTypeUnknown;
  return o->node->device ? kFileTypeChar : kFileTypeDisk;
}

bool MemoryFileSystem::set_file_pointer(FileHandle handle, int64_t distance, uint32_t method,
                                        uint64_t* new_position) {
  ++counts_.service_calls;
  Open* o = open_of(handle);
  if (o == nullptr) return false;
  if (method > kFileEnd) return fail(we::kInvalidParameter);
  if (o->node->device) {
    if (new_position != nullptr) *new_position = 0;
    return true;
  }
  int64_t base = 0;
  if (method == kFileCurrent) {
    base = static_cast<int64_t>(o->position);
  } else if (method == kFileEnd) {
    base = static_cast<int64_t>(o->node->bytes.size());
  } else if (method != kFileBegin) {
    return fail(we::kInvalidParameter);
  }
  const int64_t to = base + distance;
  if (to < 0) return fail(we::kNegativeSeek);
  o->position = static_cast<uint64_t>(to);
  if (new_position != nullptr) *new_position = o->position;
  return true;
}

bool MemoryFileSystem::set_end_of_file(FileHandle handle) {
  ++counts_.service_calls;
  Open* o = open_of(handle);
  if (o == nullptr) return false;
  if ((o->access & kGenericWrite) == 0) return fail(we::kAccessDenied);
  if (o->node->device) return true;
  if (o->drive->read_only) return fail(we::kWriteProtect);
  if (end_of_file_error_) return fail(*end_of_file_error_);
  if (o->position > o->node->bytes.size()) {
    const uint64_t grow = o->position - o->node->bytes.size();
    if (used_bytes(o->drive->root) + grow > o->drive->capacity) return fail(we::kDiskFull);
  }
  o->node->bytes.resize(o->position, '\0');
  return true;
}

bool MemoryFileSystem::read_file(FileHandle handle, void* buffer, uint32_t count, uint32_t* read) {
  ++counts_.service_calls;
  if (read != nullptr) *read = 0;
  Open* o = open_of(handle);
  if (o == nullptr) return false;
  if ((o->access & kGenericRead) == 0) return fail(we::kAccessDenied);
  if (o->node->device) return true;
  const std::string& b = o->node->bytes;
  if (o->position >= b.size()) return true;
  const uint64_t n = std::min<uint64_t>(count, b.size() - o->position);
  std::memcpy(buffer, b.data() + o->position, n);
  o->position += n;
  if (read != nullptr) *read = static_cast<uint32_t>(n);
  return true;
}

bool MemoryFileSystem::write_file(FileHandle handle, const void* bytes, uint32_t count,
                                  uint32_t* written) {
  ++counts_.service_calls;
  ++counts_.write_calls;
  if (written != nullptr) *written = 0;
  Open* o = open_of(handle);
  if (o == nullptr) return false;
  if ((o->access & kGenericWrite) == 0) return fail(we::kAccessDenied);
  if (o->drive->read_only) return fail(we::kWriteProtect);
  uint32_t n = count;
  if (short_write_ && *short_write_ < n) n = *short_write_;
  const char* src = static_cast<const char*>(bytes);
  if (o->node->device) {
    if (!o->node->sink) o->node->bytes.append(src, n);
  } else if (n == 0) {
    // Nothing to write: the file keeps its length even with the pointer past its end.
  } else {
    std::string& b = o->node->bytes;
    const uint64_t end = o->position + n;
    const uint64_t grow = end > b.size() ? end - b.size() : 0;
    const uint64_t used = used_bytes(o->drive->root);
    if (used + grow > o->drive->capacity) {
      if (partial_full_ && used < o->drive->capacity) {
        const uint64_t room =
            o->drive->capacity - used + (b.size() - std::min<uint64_t>(b.size(), o->position));
        const uint32_t fits = static_cast<uint32_t>(std::min<uint64_t>(room, n));
        if (o->position + fits > b.size()) b.resize(o->position + fits, '\0');
        std::memcpy(b.data() + o->position, src, fits);
        o->position += fits;
        if (written != nullptr) *written = fits;
      }
      return fail(we::kDiskFull);
    }
    if (end > b.size()) b.resize(end, '\0');
    if (n != 0) std::memcpy(b.data() + o->position, src, n);
    o->position = end;
  }
  if (written != nullptr) *written = n;
  return true;
}

bool MemoryFileSystem::close_handle(FileHandle handle) {
  ++counts_.service_calls;
  if (handles_.erase(handle) == 0) return fail(we::kInvalidHandle);
  return true;
}

bool MemoryFileSystem::create_directory(const char* path) {
  ++counts_.service_calls;
  Resolved r = resolve(path);
  if (r.error != 0) return fail(r.error);
  if (r.device == NameDevice::kNul) return fail(we::kAlreadyExists);
  if (r.device == NameDevice::kOther) return fail(we::kBadUnit);
  if (r.node != nullptr) return fail(we::kAlreadyExists);  // also the root of a drive
  if (r.drive->read_only) return fail(we::kWriteProtect);
  if (r.parent->read_only) return fail(we::kAccessDenied);
  auto fresh = std::make_unique<Node>();
  fresh->name = r.leaf;
  fresh->folder = true;
  r.parent->children[upper(r.leaf)] = std::move(fresh);
  return true;
}

uint32_t MemoryFileSystem::get_file_attributes(const char* path) {
  ++counts_.service_calls;
  Resolved r = resolve(path);
  if (r.error == 0 && r.device == NameDevice::kNul) return kAttributeArchive;
  if (r.error == 0 && r.device == NameDevice::kOther) r.error = we::kBadUnit;
  if (r.error != 0) {
    fail(r.error);
    return kInvalidFileAttributes;
  }
  if (r.node == nullptr) {
    fail(we::kFileNotFound);
    return kInvalidFileAttributes;
  }
  uint32_t a = r.node->folder ? kAttributeDirectory : kAttributeArchive;
  if (r.node->read_only) a |= kAttributeReadOnly;
  return a;
}

bool MemoryFileSystem::move_file_ex(const char* from, const char* to, uint32_t flags) {
  ++counts_.service_calls;
  // The file to move is found first, then the new name.
  Resolved a = resolve(from);
  if (a.error == 0 && a.device != NameDevice::kNone) a.error = we::kBadUnit;
  if (a.error != 0) return fail(a.error);
  if (a.parent == nullptr) return fail(we::kAccessDenied);  // a drive's root
  if (a.node == nullptr) return fail(we::kFileNotFound);
  Resolved b = resolve(to);
  if (b.error == 0 && b.device != NameDevice::kNone) b.error = we::kBadUnit;
  if (b.error != 0) return fail(b.error);
  if (b.parent == nullptr) return fail(we::kAccessDenied);
  if (a.drive != b.drive) return fail(we::kNotSameDevice);
  if (a.drive->read_only) return fail(we::kWriteProtect);
  if (a.node->folder || a.node->device || a.parent->read_only || b.parent->read_only) {
    return fail(we::kAccessDenied);
  }
  // An open file cannot move; one that is open where the new name is cannot be replaced.
  for (const auto& [h, o] : handles_) {
    if (o->node == a.node) return fail(we::kSharingViolation);
  }
  for (const auto& [h, o] : handles_) {
    if (b.node != nullptr && o->node == b.node) return fail(we::kAccessDenied);
  }
  if (b.node != nullptr && b.node != a.node) {
    if ((flags & kMoveFileReplaceExisting) == 0) return fail(we::kAlreadyExists);
    if (b.node->folder || b.node->read_only || b.node->device) return fail(we::kAccessDenied);
  }
  if ((flags & kMoveFileWriteThrough) == 0) ++counts_.moves_not_written_through;
  std::unique_ptr<Node> moving = std::move(a.parent->children[upper(a.leaf)]);
  a.parent->children.erase(upper(a.leaf));
  moving->name = b.leaf;
  b.parent->children[upper(b.leaf)] = std::move(moving);
  return true;
}

bool MemoryFileSystem::delete_file(const char* name) {
  ++counts_.service_calls;
  Resolved r = resolve(name);
  if (r.error == 0 && r.device != NameDevice::kNone) r.error = we::kBadUnit;
  if (r.error != 0) return fail(r.error);
  if (r.node == nullptr) return fail(we::kFileNotFound);
  if (r.parent == nullptr || r.node->folder || r.node->device) return fail(we::kAccessDenied);
  if (r.drive->read_only) return fail(we::kWriteProtect);
  if (r.node->read_only || r.parent->read_only) return fail(we::kAccessDenied);
  for (const auto& [h, o] : handles_) {
    if (o->node == r.node) return fail(we::kSharingViolation);
  }
  r.parent->children.erase(upper(r.leaf));
  return true;
}

bool MemoryFileSystem::disk_free_space_ex(const char* root, uint64_t* total_bytes,
                                          uint64_t* total_free_bytes) {
  ++counts_.service_calls;
  Drive* d = drive(current_drive_);
  if (root != nullptr) {
    Resolved r = resolve(root);
    if (r.error != 0) return fail(r.error);
    d = r.drive;
  }
  if (d == nullptr) return fail(we::kPathNotFound);
  const uint64_t used = used_bytes(d->root);
  if (total_bytes != nullptr) *total_bytes = d->capacity;
  if (total_free_bytes != nullptr) *total_free_bytes = used > d->capacity ? 0 : d->capacity - used;
  return true;
}

bool MemoryFileSystem::disk_free_space(const char* root, uint32_t* sectors_per_cluster,
                                       uint32_t* bytes_per_sector, uint32_t* free_clusters,
                                       uint32_t* total_clusters) {
  uint64_t total = 0;
  uint64_t free = 0;
  if (!disk_free_space_ex(root, &total, &free)) return false;
  // Clusters of 8 sectors of 512 bytes, counts capped at 32 bits as the old query does.
  constexpr uint64_t kCluster = 4096;
  auto cap = [](uint64_t v) { return static_cast<uint32_t>(std::min<uint64_t>(v, 0xFFFFFFFFu)); };
  if (sectors_per_cluster != nullptr) *sectors_per_cluster = 8;
  if (bytes_per_sector != nullptr) *bytes_per_sector = 512;
  if (free_clusters != nullptr) *free_clusters = cap(free / kCluster);
  if (total_clusters != nullptr) *total_clusters = cap(total / kCluster);
  return true;
}

uint32_t MemoryFileSystem::set_error_mode(uint32_t mode) {
  const uint32_t previous = error_mode_;
  error_mode_ = mode;
  return previous;
}

void MemoryFileSystem::add_drive(char letter, uint64_t capacity) {
  auto d = std::make_unique<Drive>();
  d->letter = upper(std::string(1, letter))[0];
  d->root.folder = true;
  d->capacity = capacity;
  auto& slot = drives_[d->letter];
  if (slot) {
    // Handles may still refer to the old drive: keep it, absent.
    slot->present = false;
    retired_.push_back(std::move(slot));
  }
  slot = std::move(d);
}

void MemoryFileSystem::remove_drive(char letter) {
  Drive* d = drive(letter);
  if (d != nullptr) d->present = false;
}

void MemoryFileSystem::set_read_only(char letter, bool read_only) {
  if (Drive* d = drive(letter)) d->read_only = read_only;
}

void MemoryFileSystem::set_capacity(char letter, uint64_t capacity) {
  if (Drive* d = drive(letter)) d->capacity = capacity;
}

void MemoryFileSystem::deny_access(const std::string& path) {
  // Resolve without the refusals already set, to get the canonical key.
  std::vector<std::string> saved;
  saved.swap(denied_);
  Resolved r = resolve(path.c_str());
  saved.swap(denied_);
  if (!r.key.empty()) denied_.push_back(r.key);
}

void MemoryFileSystem::set_current_drive(char letter) {
  current_drive_ = upper(std::string(1, letter))[0];
}

void MemoryFileSystem::make_folders(const std::string& path) {
  std::string prefix;
  size_t i = 0;
  if (path.size() >= 2 && path[1] == ':') {
    prefix = path.substr(0, 2);
    i = 2;
  }
  while (i < path.size()) {
    while (i < path.size() && is_sep(path[i])) prefix.push_back(path[i++]);
    while (i < path.size() && !is_sep(path[i])) prefix.push_back(path[i++]);
    Resolved r = resolve(prefix.c_str());
    if (r.error == 0 && r.node == nullptr && r.parent != nullptr) {
      auto fresh = std::make_unique<Node>();
      fresh->name = r.leaf;
      fresh->folder = true;
      r.parent->children[upper(r.leaf)] = std::move(fresh);
    }
  }
}

void MemoryFileSystem::put_file(const std::string& path, const std::string& bytes) {
  const size_t cut = path.find_last_of("\\/");
  if (cut != std::string::npos) make_folders(path.substr(0, cut));
  Resolved r = resolve(path.c_str());
  if (r.error != 0 || r.parent == nullptr) return;
  if (r.node == nullptr) {
    auto fresh = std::make_unique<Node>();
    fresh->name = r.leaf;
    r.node = fresh.get();
    r.parent->children[upper(r.leaf)] = std::move(fresh);
  }
  r.node->folder = false;
  r.node->children.clear();
  r.node->bytes = bytes;
}

void MemoryFileSystem::put_device(const std::string& path) {
  put_file(path, "");
  Resolved r = resolve(path.c_str());
  if (r.node != nullptr) r.node->device = true;
}

void MemoryFileSystem::set_read_only_file(const std::string& path, bool read_only) {
  Resolved r = resolve(path.c_str());
  if (r.node != nullptr) r.node->read_only = read_only;
}

std::optional<std::string> MemoryFileSystem::file_bytes(const std::string& path) const {
  Resolved r = resolve(path.c_str());
  if (r.error != 0 || r.node == nullptr || r.node->folder) return std::nullopt;
  return r.node->bytes;
}

bool MemoryFileSystem::is_folder(const std::string& path) const {
  Resolved r = resolve(path.c_str());
  return r.error == 0 && r.node != nullptr && r.node->folder;
}

bool MemoryFileSystem::exists(const std::string& path) const {
  Resolved r = resolve(path.c_str());
  return r.error == 0 && r.node != nullptr;
}

std::vector<std::string> MemoryFileSystem::list(const std::string& path) const {
  std::vector<std::string> out;
  Resolved r = resolve(path.c_str());
  if (r.error != 0 || r.node == nullptr) return out;
  for (const auto& [key, child] : r.node->children) out.push_back(child->name);
  return out;
}

const std::string& MemoryFileSystem::device_output(const std::string& path) const {
  static const std::string kNone;
  Resolved r = resolve(path.c_str());
  if (r.error != 0 || r.node == nullptr || !r.node->device) return kNone;
  return r.node->bytes;
}

}  // namespace platform::memory
