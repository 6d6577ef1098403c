#include "platform/posix/terminal/terminfo_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace platform::posix {
namespace {

constexpr int kMagicShortNumbers = 0432;
constexpr int kMagicLongNumbers = 01036;
constexpr int kAbsent = -1;
constexpr int kCancelled = -2;

// Reads the little-endian fields of an entry; every read is checked against the end, and a
// read past it marks the reader failed rather than touching memory.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t at() const { return at_; }
  size_t left() const { return size_ - at_; }
  bool failed() const { return failed_; }

  int16_t short_at(size_t offset) const {
    return static_cast<int16_t>(static_cast<uint16_t>(data_[offset] | data_[offset + 1] << 8));
  }
  // The next signed 16-bit field, or -32768 past the end (which every caller rejects).
  int next_short() {
    if (!take(2)) return INT16_MIN;
    return short_at(at_ - 2);
  }
  // Moves past `n` bytes; false (and failed) when they are not all there.
  bool take(size_t n) {
    if (failed_ || n > left()) {
      failed_ = true;
      return false;
    }
    at_ += n;
    return true;
  }
  // Numbers start on an even offset: one filler byte after an odd-sized part.
  bool align() { return (at_ & 1) == 0 || take(1); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
  bool failed_ = false;
};

// The length of the NUL-terminated string at `offset` of `table` (`size` bytes), or -1 when
// it has no NUL inside the table.
long string_length(const uint8_t* table, size_t size, size_t offset) {
  for (size_t i = offset; i < size; ++i) {
    if (table[i] == 0) return static_cast<long>(i - offset);
  }
  return -1;
}

// Checks `count` string offsets at `offsets` into `table` (`table_size` bytes), each absent,
// cancelled or the start of a string ending inside the table; `present` counts the strings,
// `end` becomes the offset past the last byte any of them uses (0 for none) and `total` adds
// up their sizes, NULs included.
bool check_strings(const Reader& r, size_t offsets, int count, const uint8_t* table,
                   size_t table_size, size_t base, int& present, size_t& end, size_t& total) {
  for (int i = 0; i < count; ++i) {
    const int offset = r.short_at(offsets + 2 * static_cast<size_t>(i));
    if (offset == kAbsent || offset == kCancelled) continue;
    if (offset < 0 || base + static_cast<size_t>(offset) >= table_size) return false;
    const size_t start = base + static_cast<size_t>(offset);
    const long len = string_length(table, table_size, start);
    if (len < 0) return false;
    ++present;
    total += static_cast<size_t>(len) + 1;
    if (start + static_cast<size_t>(len) + 1 > end) end = start + static_cast<size_t>(len) + 1;
  }
  return true;
}

bool plain_name(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos && name.size() < 4096;
}

bool is_file(const std::string& path) {
  struct stat st = {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The entry for `name` in the folder `dir`: under the first letter, or its hexadecimal code.
std::string entry_in(const std::string& dir, std::string_view name) {
  if (dir.empty()) return {};
  std::string letter = dir + "/" + name[0] + "/" + std::string(name);
  if (is_file(letter)) return letter;
  char hex[3];
  std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(name[0]));
  std::string coded = dir + "/" + hex + "/" + std::string(name);
  if (is_file(coded)) return coded;
  return {};
}

constexpr const char* kSystemFolders[] = {"/etc/terminfo", "/lib/terminfo", "/usr/share/terminfo",
                                          "/usr/lib/terminfo"};

std::string in_system_folders(std::string_view name) {
  for (const char* dir : kSystemFolders) {
    if (std::string found = entry_in(dir, name); !found.empty()) return found;
  }
  return {};
}

}  // namespace

const char* terminfo_entry_fault(const uint8_t* data, size_t size) {
  if (size > kTerminfoMaxEntry) return "too large";
  Reader r(data, size);
  const int magic = r.next_short();
  if (magic != kMagicShortNumbers && magic != kMagicLongNumbers) return "not a compiled entry";
  const size_t number_size = magic == kMagicLongNumbers ? 4 : 2;
  const int names = r.next_short();
  const int bools = r.next_short();
  const int numbers = r.next_short();
  const int strings = r.next_short();
  const int table_size = r.next_short();
  if (r.failed()) return "cut short";
  if (names <= 0 || bools < 0 || numbers < 0 || strings < 0 || table_size < 0) {
    return "a negative size";
  }
  const size_t names_at = r.at();
  if (!r.take(static_cast<size_t>(names))) return "cut short";
  if (string_length(data + names_at, static_cast<size_t>(names), 0) < 0) {
    return "names without an end";
  }
  if (!r.take(static_cast<size_t>(bools)) || !r.align() ||
      !r.take(static_cast<size_t>(numbers) * number_size)) {
    return "cut short";
  }
  const size_t offsets_at = r.at();
  if (!r.take(static_cast<size_t>(strings) * 2)) return "cut short";
  const size_t table_at = r.at();
  if (!r.take(static_cast<size_t>(table_size))) return "cut short";
  int present = 0;
  size_t end = 0, total = 0;
  if (!check_strings(r, offsets_at, strings, data + table_at, static_cast<size_t>(table_size), 0,
                     present, end, total)) {
    return "a string outside its table";
  }

  // The extended section, when the file goes on: its own header, flags, numbers, the offsets
  // of its string values and of its capability names, then one table that holds the values
  // followed by the names (whose offsets count from the end of the values).
  if (r.left() == 0) return nullptr;
  if (!r.align() || r.left() == 0) return r.failed() ? "cut short" : nullptr;
  const int ext_bools = r.next_short();
  const int ext_numbers = r.next_short();
  const int ext_strings = r.next_short();
  const int ext_items = r.next_short();
  const int ext_table_size = r.next_short();
  if (r.failed()) return "extended part cut short";
  if (ext_bools < 0 || ext_numbers < 0 || ext_strings < 0 || ext_items < 0 || ext_table_size < 0) {
    return "a negative extended size";
  }
  const int ext_names = ext_bools + ext_numbers + ext_strings;
  if (!r.take(static_cast<size_t>(ext_bools)) || !r.align() ||
      !r.take(static_cast<size_t>(ext_numbers) * number_size)) {
    return "extended part cut short";
  }
  const size_t ext_offsets_at = r.at();
  if (!r.take(static_cast<size_t>(ext_strings) * 2)) return "extended part cut short";
  const size_t ext_names_at = r.at();
  if (!r.take(static_cast<size_t>(ext_names) * 2)) return "extended part cut short";
  const size_t ext_table_at = r.at();
  if (!r.take(static_cast<size_t>(ext_table_size))) return "extended part cut short";
  const uint8_t* ext_table = data + ext_table_at;
  const size_t ext_size = static_cast<size_t>(ext_table_size);
  int ext_present = 0;
  size_t values_end = 0, values_total = 0;
  if (!check_strings(r, ext_offsets_at, ext_strings, ext_table, ext_size, 0, ext_present,
                     values_end, values_total)) {
    return "an extended string outside its table";
  }
  // The names are found after the values by adding up the values' sizes, so the values must
  // lie one after another: a value that runs into the next (a NUL lost) moves every name.
  if (values_total != values_end) return "extended strings that overlap";
  // Every capability has a name: none may be absent.
  int named = 0;
  size_t names_end = values_end, names_total = 0;
  if (!check_strings(r, ext_names_at, ext_names, ext_table, ext_size, values_end, named, names_end,
                     names_total) ||
      named != ext_names) {
    return "an extended name outside its table";
  }
  if (ext_items != ext_present + ext_names) return "extended counts that disagree";
  // The table holds the values and the names and nothing else (the library builds its own
  // copy on that assumption: a table with bytes to spare and nothing in it is freed twice).
  if (values_total + names_total != ext_size) return "an extended table of the wrong size";
  return nullptr;
}

std::string terminfo_entry_path(std::string_view name) {
  if (!plain_name(name)) return {};
  if (const char* dir = std::getenv("TERMINFO"); dir != nullptr && *dir != 0) {
    if (std::string found = entry_in(dir, name); !found.empty()) return found;
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != 0) {
    if (std::string found = entry_in(std::string(home) + "/.terminfo", name); !found.empty()) {
      return found;
    }
  }
  if (const char* dirs = std::getenv("TERMINFO_DIRS"); dirs != nullptr && *dirs != 0) {
    std::string_view rest(dirs);
    for (;;) {
      const size_t colon = rest.find(':');
      const std::string_view dir = rest.substr(0, colon);
      std::string found = dir.empty() ? in_system_folders(name) : entry_in(std::string(dir), name);
      if (!found.empty()) return found;
      if (colon == std::string_view::npos) break;
      rest.remove_prefix(colon + 1);
    }
  }
  return in_system_folders(name);
}

const char* terminfo_entry_check(std::string_view name) {
  const std::string path = terminfo_entry_path(name);
  if (path.empty()) return nullptr;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return "unreadable";
  std::vector<uint8_t> bytes(kTerminfoMaxEntry + 1);
  size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return "unreadable";
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  return terminfo_entry_fault(bytes.data(), got);
}

}  // namespace platform::posix
