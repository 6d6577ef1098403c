// Arbitrary names through the POSIX file system against a real drive tree full of symbolic
// links, some leading out of the drive: nothing outside the drive folders may ever be
// opened, created, changed or listed. The folders around the drives are watched with
// inotify, which reports every open, read, listing, creation and change in them.
//
// Input: one byte of options (bit 0: the portable walk instead of openat2), then operations,
// each an operation byte followed by a name ending in a line feed (two names for a rename).
// An "@" in a name stands for the absolute path of the folder that holds the drives.
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/posix/files/drive.h"
#include "platform/posix/services.h"

namespace {

namespace fs = std::filesystem;

struct World {
  std::string base;     // holds the drives and the outside
  std::string outside;  // must never be reached
  int watch = -1;       // the inotify descriptor
  int base_watch = -1;
};

void make_link(const std::string& target, const std::string& at) {
  if (::symlink(target.c_str(), at.c_str()) != 0) std::abort();
}

// The drive folders as every run starts them.
void build_drives(const World& w) {
  std::error_code ignored;
  fs::remove_all(w.base + "/drive", ignored);
  fs::remove_all(w.base + "/drive_d", ignored);
  const std::string c = w.base + "/drive";
  fs::create_directories(c + "/TEMP");
  std::ofstream(c + "/TEMP/OLD.TXT") << "old";
  make_link("../outside", c + "/OUT");
  make_link(w.outside, c + "/ABS");
  make_link("TEMP", c + "/IN");
  make_link("LOOP", c + "/LOOP");
  make_link("../../outside/SECRET.TXT", c + "/TEMP/VICTIM.TXT");
  make_link("../../outside/NEW.TXT", c + "/TEMP/DANGLE.TXT");
  make_link("../../outside/sub", c + "/TEMP/DIRLINK");
  make_link("..", c + "/TEMP/UP");
  make_link("../IN/../..", c + "/TEMP/SNEAK");
  make_link("../OLD.TXT", c + "/TEMP/INSIDE.TXT");
  const std::string d = w.base + "/drive_d";
  fs::create_directories(d);
  make_link("../drive/TEMP", d + "/TO_C");  // from one drive into another: out of D
  make_link("..", d + "/UP");
}

// Every event still queued; a watched place that was touched ends the run.
void check_untouched(const World& w, const char* what) {
  alignas(inotify_event) char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(w.watch, buffer, sizeof buffer);
    if (n <= 0) return;
    for (ssize_t at = 0; at < n;) {
      const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
      const std::string name = e->len != 0 ? e->name : "";
      // The drive folders themselves are inside; only the folder that holds them is watched.
      if (e->wd == w.base_watch && (name == "drive" || name == "drive_d")) continue;
      if ((e->mask & IN_IGNORED) != 0) continue;
      std::fprintf(stderr, "outside the drives: event 0x%x on watch %d, name '%s' after %s\n",
                   e->mask, e->wd, name.c_str(), what);
      std::abort();
    }
  }
}

// Made once and never destroyed, so that the clean-up at exit can still name the folder.
World& world() {
  static World& w = *[] {
    World* made = new World;
    World& out = *made;
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/ot-fuzz-drive-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    out.base = pattern;
    out.outside = out.base + "/outside";
    fs::create_directories(out.outside + "/sub");
    std::ofstream(out.outside + "/SECRET.TXT") << "secret";
    ::setenv("ORVANE_DRIVE_C", (out.base + "/drive").c_str(), 1);
    ::setenv("ORVANE_DRIVE_D", (out.base + "/drive_d").c_str(), 1);
    for (char l = 'A'; l <= 'Z'; ++l) {
      if (l != 'C' && l != 'D') ::unsetenv((std::string("ORVANE_DRIVE_") + l).c_str());
    }
    // Host paths that escaped the drive mapping would land here.
    if (::chdir(out.base.c_str()) != 0) std::abort();
    out.watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (out.watch < 0) std::abort();
    out.base_watch = ::inotify_add_watch(out.watch, out.base.c_str(), IN_ALL_EVENTS);
    for (const std::string& p : {out.outside, out.outside + "/sub"}) {
      if (::inotify_add_watch(out.watch, p.c_str(), IN_ALL_EVENTS) < 0) std::abort();
    }
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(world().base, ignored);
    });
    return made;
  }();
  return w;
}

std::string next_name(const uint8_t*& p, const uint8_t* end, const std::string& base) {
  std::string name;
  while (p < end && *p != '\n' && name.size() < 400) {
    if (*p == '@') {
      name += base;
    } else {
      name.push_back(static_cast<char>(*p));
    }
    ++p;
  }
  if (p < end) ++p;
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  World& w = world();
  if (size == 0) return 0;
  platform::posix::force_portable_walk((data[0] & 1) != 0);
  build_drives(w);
  check_untouched(w, "building the drives");

  platform::FileSystem* files = platform::posix::file_system();
  const uint8_t* p = data + 1;
  const uint8_t* end = data + size;
  std::vector<platform::FileHandle> open;
  for (int ops = 0; p < end && ops < 16; ++ops) {
    const uint8_t op = *p++;
    const std::string name = next_name(p, end, w.base);
    switch (op % 8) {
      case 0:
      case 1:
      case 2: {
        static constexpr uint32_t kDisposition[] = {platform::kOpenAlways, platform::kCreateAlways,
                                                    platform::kCreateNew};
        const platform::FileHandle h =
            files->create_file(name.c_str(), platform::kGenericWrite | platform::kGenericRead, 0,
                               false, kDisposition[op % 8], platform::kAttributeNormal);
        if (h != platform::kInvalidFileHandle) {
          uint32_t written = 0;
          files->write_file(h, "x", 1, &written);
          files->set_end_of_file(h);
          open.push_back(h);
        }
        break;
      }
      case 3: {
        const platform::FileHandle h = files->create_file(
            name.c_str(), (op & 8) != 0 ? platform::kGenericRead : platform::kGenericWrite, 3,
            false, (op & 8) != 0 ? platform::kOpenExisting : platform::kTruncateExisting,
            platform::kAttributeNormal);
        if (h != platform::kInvalidFileHandle) {
          char got[8];
          uint32_t read = 0;
          files->read_file(h, got, sizeof got, &read);
          open.push_back(h);
        }
        break;
      }
      case 4:
        files->create_directory(name.c_str());
        break;
      case 5:
        files->get_file_attributes(name.c_str());
        break;
      case 6: {
        uint64_t total = 0, free = 0;
        files->disk_free_space_ex(name.empty() ? nullptr : name.c_str(), &total, &free);
        break;
      }
      case 7:
        if ((op & 8) != 0) {
          files->delete_file(name.c_str());
        } else {
          const std::string to = next_name(p, end, w.base);
          files->move_file_ex(name.c_str(), to.c_str(), platform::kMoveFileReplaceExisting);
        }
        break;
    }
    check_untouched(w, name.c_str());
  }
  for (platform::FileHandle h : open) files->close_handle(h);
  check_untouched(w, "closing");
  struct stat st;
  if (::stat((w.outside + "/SECRET.TXT").c_str(), &st) != 0 || st.st_size != 6) std::abort();
  return 0;
}
