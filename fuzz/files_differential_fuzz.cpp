// The in-memory volume the tests run on against the POSIX drive the program runs on: the same
// sequence of file operations on both must give the same results, the same bytes and the same
// Windows error codes, or the tests prove nothing about the real program.
//
// Input: operations, each an operation byte followed by its argument bytes. Names are built
// from a table of pieces (drive prefixes, separators, components with the Windows quirks:
// case, trailing dots and spaces, devices, forbidden characters, network names) so that short
// inputs reach every rule. Up to eight handles are open at once, one slot each.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/files.h"
#include "platform/memory/files.h"
#include "platform/posix/services.h"

namespace {

namespace fs = std::filesystem;
using platform::FileHandle;
using platform::FileSystem;
using platform::kInvalidFileHandle;

struct Drives {
  std::string c;
  std::string d;
};

const Drives& drives() {
  static const Drives made = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/ot-differential-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    Drives d{pattern + "/c", pattern + "/d"};
    fs::create_directory(d.c);
    fs::create_directory(d.d);
    ::setenv("ORVANE_DRIVE_C", d.c.c_str(), 1);
    ::setenv("ORVANE_DRIVE_D", d.d.c_str(), 1);
    // Removed at exit through a copy of its own, which outlives the static objects.
    static const std::string* const top = new std::string(pattern);
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(*top, ignored);
    });
    return d;
  }();
  return made;
}

void empty_folder(const std::string& folder) {
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(folder, ignored)) {
    fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(entry.path(), ignored);
  }
}

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool done() const { return at_ >= size_; }
  uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  const uint8_t* take(size_t n, size_t* got) {
    *got = n < size_ - at_ ? n : size_ - at_;
    const uint8_t* p = data_ + at_;
    at_ += *got;
    return p;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

const char* const kPrefixes[] = {"",
                                 "C:",
                                 "C:\\",
                                 "c:/",
                                 "\\",
                                 "/",
                                 "D:\\",
                                 "d:",
                                 "Q:\\",
                                 "C:\\..\\",
                                 "\\\\server\\share\\",
                                 "\\\\server",
                                 "\\\\.\\",
                                 "//srv/"};
const char* const kComponents[] = {
    "A",   "a",       "B.TXT",    "b.txt", "SUB",    "sub",  "Sub.",   "SUB ",
    "..",  ".",       "A.",       "A ",    "A. .",   "...",  "B.TXT.", "b.txt  ",
    "NUL", "nul.txt", "Nul .Log", "CON",   "com1.x", "LPT9", "COM10",  "NULL",
    "A<B", "x|y",     "q\"",      "x:y",   "\t",     "LONG", "C.PART", "c.part"};
const char* const kSeparators[] = {"\\", "/", "\\\\", "\\.\\"};

std::string name(Input& in) {
  const uint8_t shape = in.byte();
  std::string out = kPrefixes[shape % (sizeof kPrefixes / sizeof *kPrefixes)];
  const int count = 1 + (shape >> 4) % 3;
  for (int i = 0; i < count; ++i) {
    const uint8_t pick = in.byte();
    if (i != 0) out += kSeparators[(pick >> 6) % (sizeof kSeparators / sizeof *kSeparators)];
    const char* c = kComponents[pick % (sizeof kComponents / sizeof *kComponents)];
    out += std::strcmp(c, "LONG") == 0 ? std::string(256, 'L') : std::string(c);
  }
  if ((shape & 0x08) != 0) out += '\\';
  return out;
}

std::string g_trace;  // the calls of the current input, for the report of a difference

[[noreturn]] void differ(const std::string& what, uint64_t memory, uint64_t drive) {
  std::fprintf(stderr, "after:\n%s", g_trace.c_str());
  std::fprintf(stderr, "the volumes differ: %s: memory %llu, drive %llu\n", what.c_str(),
               static_cast<unsigned long long>(memory), static_cast<unsigned long long>(drive));
  std::abort();
}

// One call on both volumes: the same result and the same last error.
struct Pair {
  FileSystem& mem;
  FileSystem& drive;

  void begin() {
    mem.set_last_error(0);
    drive.set_last_error(0);
  }
  void same(const std::string& what, uint64_t m, uint64_t d) {
    const uint32_t me = mem.get_last_error();
    const uint32_t de = drive.get_last_error();
    g_trace += "  " + what + ": " + std::to_string(m) + "/" + std::to_string(d) + ", error " +
               std::to_string(me) + "/" + std::to_string(de) + "\n";
    if (m != d) differ(what, m, d);
    if (me != de) differ(what + " (last error)", me, de);
  }
};

constexpr int kSlots = 8;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Drives& d = drives();
  empty_folder(d.c);
  empty_folder(d.d);
  platform::memory::MemoryFileSystem memory;
  memory.add_drive('D');
  FileSystem* native = platform::posix::file_system();
  Pair both{memory, *native};
  FileHandle mem_slot[kSlots];
  FileHandle drive_slot[kSlots];
  for (int i = 0; i < kSlots; ++i) mem_slot[i] = drive_slot[i] = kInvalidFileHandle;

  g_trace.clear();
  Input in(data, size);
  for (int step = 0; step < 64 && !in.done(); ++step) {
    const uint8_t op = in.byte();
    const int slot = (op >> 4) % kSlots;
    const bool open = mem_slot[slot] != kInvalidFileHandle;
    switch (op % 10) {
      case 0: {  // create_file into a free slot
        if (open) break;
        const std::string n = name(in);
        const uint8_t how = in.byte();
        const uint32_t access = (how & 1 ? platform::kGenericRead : 0) |
                                (how & 2 || !(how & 1) ? platform::kGenericWrite : 0);
        const uint32_t share = (how >> 2) & 3;
        const uint32_t disposition = (how >> 4) % 6 == 0 ? 1 + (how >> 7) * 6 : (how >> 4) % 6;
        const uint32_t attributes =
            (how & 0x80) != 0 ? platform::kAttributeReadOnly : platform::kAttributeNormal;
        both.begin();
        const FileHandle m =
            memory.create_file(n.c_str(), access, share, false, disposition, attributes);
        const FileHandle h =
            native->create_file(n.c_str(), access, share, false, disposition, attributes);
        // A handle is a number of each volume's own; only whether there is one compares.
        both.same("create_file " + n + " access " + std::to_string(access >> 30) + " share " +
                      std::to_string(share) + " disposition " + std::to_string(disposition) +
                      " attributes " + std::to_string(attributes) + " slot " + std::to_string(slot),
                  m != kInvalidFileHandle, h != kInvalidFileHandle);
        mem_slot[slot] = m;
        drive_slot[slot] = h;
        break;
      }
      case 1: {  // write_file
        size_t n = 0;
        const uint8_t* bytes = in.take(in.byte() % 64, &n);
        if (!open) break;
        uint32_t mw = 0;
        uint32_t dw = 0;
        both.begin();
        const bool m = memory.write_file(mem_slot[slot], bytes, static_cast<uint32_t>(n), &mw);
        const bool h = native->write_file(drive_slot[slot], bytes, static_cast<uint32_t>(n), &dw);
        both.same("write_file slot " + std::to_string(slot) + " " + std::to_string(n), m, h);
        both.same("write_file count", mw, dw);
        break;
      }
      case 2: {  // read_file
        const uint32_t n = in.byte();
        if (!open) break;
        char mb[256];
        char db[256];
        uint32_t mr = 0;
        uint32_t dr = 0;
        both.begin();
        const bool m = memory.read_file(mem_slot[slot], mb, n, &mr);
        const bool h = native->read_file(drive_slot[slot], db, n, &dr);
        both.same("read_file slot " + std::to_string(slot) + " " + std::to_string(n), m, h);
        both.same("read_file count", mr, dr);
        if (std::memcmp(mb, db, mr) != 0) differ("read_file bytes", 0, 1);
        break;
      }
      case 3: {  // set_file_pointer
        const uint8_t how = in.byte();
        const int64_t distance = static_cast<int8_t>(in.byte()) * int64_t{(how & 4) ? 257 : 1};
        if (!open) break;
        uint64_t mp = 0;
        uint64_t dp = 0;
        both.begin();
        const bool m = memory.set_file_pointer(mem_slot[slot], distance, how % 4, &mp);
        const bool h = native->set_file_pointer(drive_slot[slot], distance, how % 4, &dp);
        both.same("set_file_pointer slot " + std::to_string(slot) + " " + std::to_string(distance) +
                      " method " + std::to_string(how % 4),
                  m, h);
        if (m) both.same("set_file_pointer position", mp, dp);
        break;
      }
      case 4: {  // set_end_of_file
        if (!open) break;
        both.begin();
        both.same("set_end_of_file", memory.set_end_of_file(mem_slot[slot]),
                  native->set_end_of_file(drive_slot[slot]));
        break;
      }
      case 5: {  // close_handle, and file_type first
        if (!open) break;
        both.begin();
        both.same("file_type", memory.file_type(mem_slot[slot]),
                  native->file_type(drive_slot[slot]));
        both.begin();
        both.same("close_handle slot " + std::to_string(slot), memory.close_handle(mem_slot[slot]),
                  native->close_handle(drive_slot[slot]));
        mem_slot[slot] = drive_slot[slot] = kInvalidFileHandle;
        break;
      }
      case 6: {  // create_directory
        const std::string n = name(in);
        both.begin();
        both.same("create_directory " + n, memory.create_directory(n.c_str()),
                  native->create_directory(n.c_str()));
        break;
      }
      case 7: {  // get_file_attributes
        const std::string n = name(in);
        both.begin();
        both.same("get_file_attributes " + n, memory.get_file_attributes(n.c_str()),
                  native->get_file_attributes(n.c_str()));
        break;
      }
      case 8: {  // move_file_ex
        const std::string from = name(in);
        const std::string to = name(in);
        const uint32_t flags =
            in.byte() & (platform::kMoveFileReplaceExisting | platform::kMoveFileWriteThrough);
        both.begin();
        both.same("move_file_ex " + from + " -> " + to,
                  memory.move_file_ex(from.c_str(), to.c_str(), flags),
                  native->move_file_ex(from.c_str(), to.c_str(), flags));
        break;
      }
      case 9: {  // delete_file
        const std::string n = name(in);
        both.begin();
        both.same("delete_file " + n, memory.delete_file(n.c_str()),
                  native->delete_file(n.c_str()));
        break;
      }
    }
  }
  for (int i = 0; i < kSlots; ++i) {
    if (drive_slot[i] != kInvalidFileHandle) native->close_handle(drive_slot[i]);
    if (mem_slot[i] != kInvalidFileHandle) memory.close_handle(mem_slot[i]);
  }
  return 0;
}
