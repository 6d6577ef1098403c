// The self-sandbox applied in a child process: each operation of one table is tried there
// and its errno compared with what the rules allow, on every Landlock ABI from 1 to the
// kernel's newest (the requested ABI restricted), with Landlock left out, and with nothing
// applied at all (which proves the operations themselves work here).
#include "platform/posix/sandbox.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace platform::posix::sandbox {
namespace {

namespace fs = std::filesystem;

// A fresh layout, removed at the end: base/drive (writable, with folders a and b and files
// in a) and base/outside (files "existing" and "victim"); each operation has files of its own.
struct Layout {
  Layout() {
    std::string tmpl = (fs::temp_directory_path() / "ot-sandbox-XXXXXX").string();
    base = mkdtemp(tmpl.data());
    drive = base + "/drive";
    outside = base + "/outside";
    fs::create_directories(drive + "/a");
    fs::create_directories(drive + "/b");
    fs::create_directories(outside);
    for (const char* name : {"/a/OLD.TXT", "/a/MOVE.TXT", "/a/OUT.TXT"}) {
      std::ofstream(drive + name) << "old";
    }
    std::ofstream(outside + "/existing") << "keep";
    std::ofstream(outside + "/victim") << "keep";
  }
  ~Layout() {
    std::error_code ec;
    fs::remove_all(base, ec);
  }
  std::string base, drive, outside;
};

int err(int rc) {
  return rc < 0 ? errno : 0;
}
int open_err(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0600);
  if (fd < 0) return errno;
  ::close(fd);
  return 0;
}

// What each operation does, and when it is refused.
enum Rule { kAllowed, kLandlock, kLandlockRefer, kLandlockTruncate, kSeccomp, kPtrace };
struct Op {
  const char* name;
  Rule rule;
  int refused_errno;
  int (*run)(const Layout&, int kept_fd);
};

const Op kOps[] = {
    {"create in the drive", kAllowed, 0,
     [](const Layout& l, int) { return open_err(l.drive + "/a/NEW.TXT", O_WRONLY | O_CREAT); }},
    {"save: replace an earlier file through a .PART file", kAllowed, 0,
     [](const Layout& l, int) {
       const int e = open_err(l.drive + "/a/OLD.PART", O_WRONLY | O_CREAT | O_EXCL);
       if (e != 0) return e;
       return err(rename((l.drive + "/a/OLD.PART").c_str(), (l.drive + "/a/OLD.TXT").c_str()));
     }},
    {"make and remove a folder in the drive", kAllowed, 0,
     [](const Layout& l, int) {
       const std::string d = l.drive + "/TEMP";
       const int e = err(mkdir(d.c_str(), 0700));
       return e != 0 ? e : err(rmdir(d.c_str()));
     }},
    {"read outside", kAllowed, 0,
     [](const Layout& l, int) { return open_err(l.outside + "/existing", O_RDONLY); }},
    {"write on a descriptor opened before", kAllowed, 0,
     [](const Layout&, int fd) { return err(static_cast<int>(write(fd, "x", 1))); }},
    {"open /dev/null for writing", kAllowed, 0,
     [](const Layout&, int) { return open_err("/dev/null", O_WRONLY); }},
    {"create outside", kLandlock, EACCES,
     [](const Layout& l, int) { return open_err(l.outside + "/made", O_WRONLY | O_CREAT); }},
    {"open outside for writing", kLandlock, EACCES,
     [](const Layout& l, int) { return open_err(l.outside + "/existing", O_WRONLY); }},
    {"remove outside", kLandlock, EACCES,
     [](const Layout& l, int) { return err(unlink((l.outside + "/victim").c_str())); }},
    {"make a folder outside", kLandlock, EACCES,
     [](const Layout& l, int) { return err(mkdir((l.outside + "/d").c_str(), 0700)); }},
    {"make a link outside", kLandlock, EACCES,
     [](const Layout& l, int) { return err(symlink("x", (l.outside + "/link").c_str())); }},
    {"move a file out of the drive", kLandlock, EACCES,
     [](const Layout& l, int) {
       return err(rename((l.drive + "/a/OUT.TXT").c_str(), (l.outside + "/moved").c_str()));
     }},
    {"move a file between folders of the drive", kLandlockRefer, EXDEV,
     [](const Layout& l, int) {
       return err(rename((l.drive + "/a/MOVE.TXT").c_str(), (l.drive + "/b/MOVE.TXT").c_str()));
     }},
    {"truncate outside", kLandlockTruncate, EACCES,
     [](const Layout& l, int) { return err(truncate((l.outside + "/existing").c_str(), 0)); }},
    {"start /bin/true", kSeccomp, EPERM,
     [](const Layout&, int) {
       // In a child of its own, which ends with execve's errno when it is refused.
       const pid_t child = fork();
       if (child == 0) {
         char* const argv[] = {const_cast<char*>("/bin/true"), nullptr};
         execve("/bin/true", argv, environ);
         _exit(errno);
       }
       int status = 0;
       if (child < 0 || waitpid(child, &status, 0) != child) return -1;
       return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
     }},
    {"enter a new namespace", kSeccomp, EPERM, [](const Layout&, int) { return err(unshare(0)); }},
    {"push a key into a terminal's input", kSeccomp, EPERM,
     [](const Layout&, int fd) {
       char c = 'x';
       // Without the filter a file that is no terminal answers ENOTTY.
       const int e = err(ioctl(fd, TIOCSTI, &c));
       return e == ENOTTY ? 0 : e;
     }},
    {"read the parent's memory with ptrace", kPtrace, EPERM,
     [](const Layout&, int) {
       // Without the filter: ESRCH, as the parent is not being traced.
       errno = 0;
       ptrace(PTRACE_PEEKDATA, getppid(), nullptr, nullptr);
       return errno == ESRCH ? 0 : errno;
     }},
};
constexpr size_t kOpCount = std::size(kOps);

int expected(const Op& op, int abi, bool seccomp) {
  switch (op.rule) {
    case kAllowed:
      return 0;
    case kLandlock:
      return abi >= 1 ? op.refused_errno : 0;
    case kLandlockRefer:
      // The first ABI cannot grant moves between folders: it refuses them all.
      return abi == 1 ? op.refused_errno : 0;
    case kLandlockTruncate:
      return abi >= 3 ? op.refused_errno : 0;
    case kSeccomp:
      return seccomp ? op.refused_errno : 0;
    case kPtrace:
      return seccomp && refuses_ptrace() ? op.refused_errno : 0;
  }
  return -1;
}

struct ChildResult {
  Outcome outcome;
  std::vector<int> errnos;  // one per operation, or empty when the child failed
};

// Applies `rules` (the drive of `l` writable) in a child process and runs every operation
// there, each on a fresh layout's state as the table leaves it.
ChildResult run_confined(const Layout& l, Rules rules) {
  rules.writable = {l.drive};
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    ::close(pipe_fds[0]);
    const int kept = ::open((l.outside + "/kept").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    int out[2 + kOpCount];
    const Outcome o = apply(rules);
    out[0] = o.landlock_abi;
    out[1] = o.seccomp ? 1 : 0;
    for (size_t i = 0; i < kOpCount; ++i) out[2 + i] = kOps[i].run(l, kept);
    const bool ok = write(pipe_fds[1], out, sizeof out) == static_cast<ssize_t>(sizeof out);
    _exit(ok ? 0 : 1);
  }
  ::close(pipe_fds[1]);
  int in[2 + kOpCount];
  size_t got = 0;
  while (pid > 0 && got < sizeof in) {
    const ssize_t n = read(pipe_fds[0], reinterpret_cast<char*>(in) + got, sizeof in - got);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(pipe_fds[0]);
  int status = 0;
  if (pid > 0) waitpid(pid, &status, 0);
  ChildResult r;
  if (got != sizeof in || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return r;
  r.outcome.landlock_abi = in[0];
  r.outcome.seccomp = in[1] != 0;
  r.errnos.assign(in + 2, in + 2 + kOpCount);
  return r;
}

void check(int abi_limit, bool seccomp) {
  Layout l;
  Rules rules;
  rules.landlock_abi_limit = abi_limit;
  rules.seccomp = seccomp;
  const ChildResult r = run_confined(l, rules);
  ASSERT_EQ(r.errnos.size(), kOpCount) << "the child did not report (did a call succeed?)";
  EXPECT_EQ(r.outcome.landlock_abi, abi_limit);
  EXPECT_EQ(r.outcome.seccomp, seccomp);
  for (size_t i = 0; i < kOpCount; ++i) {
    EXPECT_EQ(r.errnos[i], expected(kOps[i], abi_limit, seccomp))
        << kOps[i].name << " (Landlock ABI " << abi_limit << (seccomp ? ", seccomp)" : ")");
  }
  // Nothing refused reached the disk outside the drive.
  if (abi_limit >= 1) {
    EXPECT_FALSE(fs::exists(l.outside + "/made"));
    EXPECT_TRUE(fs::exists(l.outside + "/existing"));
  }
}

TEST(SandboxTest, EachLandlockAbiOfThisKernel) {
  const int newest = kernel_landlock_abi();
  if (newest == 0) GTEST_SKIP() << "this kernel has no Landlock (or it is disabled)";
  if (!probe().seccomp) GTEST_SKIP() << "this kernel has no seccomp filters";
  for (int abi = 1; abi <= newest; ++abi) {
    SCOPED_TRACE("Landlock ABI " + std::to_string(abi));
    check(abi, true);
  }
}

TEST(SandboxTest, WithoutLandlockTheFilterStillRefuses) {
  if (!probe().seccomp) GTEST_SKIP() << "this kernel has no seccomp filters";
  check(0, true);
}

TEST(SandboxTest, NothingAppliedEveryOperationWorks) {
  check(0, false);
}

TEST(SandboxTest, DescribesWhatTheKernelGives) {
  Outcome o;
  EXPECT_EQ(describe(o), "sandbox: none (kernel)");
  o.landlock_abi = 7;
  o.seccomp = true;
  EXPECT_EQ(describe(o), "sandbox: Landlock ABI 7, seccomp");
  o.landlock_abi = 0;
  EXPECT_EQ(describe(o), "sandbox: no Landlock (kernel), seccomp");
  o.off = true;
  EXPECT_EQ(describe(o), "sandbox: off (ORVANE_SANDBOX=off)");

  setenv("ORVANE_SANDBOX", "off", 1);
  EXPECT_TRUE(probe().off);
  setenv("ORVANE_SANDBOX", "on", 1);
  EXPECT_FALSE(probe().off);
  unsetenv("ORVANE_SANDBOX");
  EXPECT_EQ(probe().landlock_abi, kernel_landlock_abi());
}

}  // namespace
}  // namespace platform::posix::sandbox
