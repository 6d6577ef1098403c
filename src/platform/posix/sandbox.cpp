#include "platform/posix/sandbox.h"

#include <cstdlib>
#include <cstring>

#ifdef __linux__
#include <fcntl.h>
#include <linux/seccomp.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#if __has_include(<linux/landlock.h>)
#include <linux/landlock.h>
#endif
#ifdef OT_HAVE_SECCOMP
#include <seccomp.h>
#endif
#endif

namespace platform::posix::sandbox {

bool off_by_environment() {
  const char* v = std::getenv("ORVANE_SANDBOX");
  return v != nullptr && std::strcmp(v, "off") == 0;
}

bool refuses_ptrace() {
#if defined(__SANITIZE_ADDRESS__)
  return false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(leak_sanitizer)
  return false;
#else
  return true;
#endif
#else
  return true;
#endif
}

#ifdef __linux__

namespace {

// Landlock's interface, written out here because the C library has no wrappers and the
// kernel headers of older releases (Debian 11's 5.10) have no <linux/landlock.h>, and those
// of Debian 12 lack the truncate right. The numbers are the kernel's ABI and never change.
#ifndef __NR_landlock_create_ruleset
#define __NR_landlock_create_ruleset 444
#endif
#ifndef __NR_landlock_add_rule
#define __NR_landlock_add_rule 445
#endif
#ifndef __NR_landlock_restrict_self
#define __NR_landlock_restrict_self 446
#endif

constexpr uint32_t kCreateRulesetVersion = 1u << 0;
constexpr int kRulePathBeneath = 1;

constexpr uint64_t kFsWriteFile = 1ull << 1;
constexpr uint64_t kFsRemoveDir = 1ull << 4;
constexpr uint64_t kFsRemoveFile = 1ull << 5;
constexpr uint64_t kFsMakeChar = 1ull << 6;
constexpr uint64_t kFsMakeDir = 1ull << 7;
constexpr uint64_t kFsMakeReg = 1ull << 8;
constexpr uint64_t kFsMakeSock = 1ull << 9;
constexpr uint64_t kFsMakeFifo = 1ull << 10;
constexpr uint64_t kFsMakeBlock = 1ull << 11;
constexpr uint64_t kFsMakeSym = 1ull << 12;
constexpr uint64_t kFsRefer = 1ull << 13;     // ABI 2: links and renames across folders
constexpr uint64_t kFsTruncate = 1ull << 14;  // ABI 3

#ifdef LANDLOCK_ACCESS_FS_MAKE_SYM
static_assert(kFsWriteFile == LANDLOCK_ACCESS_FS_WRITE_FILE);
static_assert(kFsMakeSym == LANDLOCK_ACCESS_FS_MAKE_SYM);
static_assert(kCreateRulesetVersion == LANDLOCK_CREATE_RULESET_VERSION);
static_assert(kRulePathBeneath == LANDLOCK_RULE_PATH_BENEATH);
#endif
#ifdef LANDLOCK_ACCESS_FS_TRUNCATE
static_assert(kFsTruncate == LANDLOCK_ACCESS_FS_TRUNCATE);
#endif

// The ruleset's attributes: only the file-system field, so that every kernel since the
// first ABI takes it (the network and scope fields that follow are left unhandled).
struct RulesetAttr {
  uint64_t handled_access_fs;
};

struct __attribute__((packed)) PathBeneathAttr {
  uint64_t allowed_access;
  int32_t parent_fd;
};

// The rights that change files, as far as ABI `abi` knows them. Reading, listing and
// executing are not handled, so they stay allowed everywhere.
uint64_t write_rights(int abi) {
  uint64_t rights = kFsWriteFile | kFsRemoveDir | kFsRemoveFile | kFsMakeChar | kFsMakeDir |
                    kFsMakeReg | kFsMakeSock | kFsMakeFifo | kFsMakeBlock | kFsMakeSym;
  if (abi >= 2) rights |= kFsRefer;
  if (abi >= 3) rights |= kFsTruncate;
  return rights;
}

// Grants `rights` beneath `path` (a folder) or on it (a file); false when it cannot be
// opened or the kernel refuses the rule, which then simply leaves it out.
bool allow(int ruleset, const char* path, uint64_t rights, bool folder) {
  const int fd = ::open(path, O_PATH | O_CLOEXEC | (folder ? O_DIRECTORY : 0));
  if (fd < 0) return false;
  PathBeneathAttr rule{rights, fd};
  const bool ok = syscall(__NR_landlock_add_rule, ruleset, kRulePathBeneath, &rule, 0) == 0;
  ::close(fd);
  return ok;
}

// Restricts file changes to the writable folders; returns the ABI applied, 0 for none.
int apply_landlock(const Rules& rules) {
  int abi = kernel_landlock_abi();
  if (rules.landlock_abi_limit >= 0) abi = std::min(abi, rules.landlock_abi_limit);
  if (abi <= 0) return 0;
  const uint64_t handled = write_rights(abi);
  const RulesetAttr attr{handled};
  const long ruleset = syscall(__NR_landlock_create_ruleset, &attr, sizeof attr, 0);
  if (ruleset < 0) return 0;
  const int fd = static_cast<int>(ruleset);
  for (const std::string& folder : rules.writable) allow(fd, folder.c_str(), handled, true);
  // Writing to the null device and to the terminal (should it be opened again) is harmless,
  // and libraries expect it.
  const uint64_t file_rights = handled & (kFsWriteFile | kFsTruncate);
  allow(fd, "/dev/null", file_rights, false);
  allow(fd, "/dev/tty", file_rights, false);
  const bool ok = syscall(__NR_landlock_restrict_self, fd, 0) == 0;
  ::close(fd);
  return ok ? abi : 0;
}

// The calls refused with EPERM: starting programs, reaching into other processes, and
// changing the system rather than files. Names this libseccomp or architecture does not
// know are skipped.
constexpr const char* kRefusedCalls[] = {
    "execve", "execveat",
    // other processes
    "process_vm_writev", "process_vm_readv", "kcmp", "pidfd_getfd", "perf_event_open",
    // mounts and the root
    "mount", "umount", "umount2", "pivot_root", "chroot", "fsopen", "fsconfig", "fsmount", "fspick",
    "move_mount", "open_tree", "mount_setattr", "swapon", "swapoff", "quotactl",
    // namespaces: the way to gain capabilities inside a new user namespace
    "unshare", "setns",
    // kernel modules, reboot, kexec, kernel keys
    "init_module", "finit_module", "delete_module", "reboot", "kexec_load", "kexec_file_load",
    "keyctl", "add_key", "request_key",
    // clocks, names, accounting, ports, kernel programs, file handles that bypass paths
    "settimeofday", "clock_settime", "clock_adjtime", "adjtimex", "sethostname", "setdomainname",
    "acct", "iopl", "ioperm", "bpf", "userfaultfd", "name_to_handle_at", "open_by_handle_at",
    "lookup_dcookie", "syslog", "vhangup", "nfsservctl", "uselib"};

bool apply_seccomp() {
#ifdef OT_HAVE_SECCOMP
  scmp_filter_ctx ctx = seccomp_init(SCMP_ACT_ALLOW);
  if (ctx == nullptr) return false;
  const uint32_t refuse = SCMP_ACT_ERRNO(EPERM);
  for (const char* name : kRefusedCalls) {
    const int nr = seccomp_syscall_resolve_name(name);
    if (nr != __NR_SCMP_ERROR) seccomp_rule_add(ctx, refuse, nr, 0);
  }
  if (refuses_ptrace()) seccomp_rule_add(ctx, refuse, SCMP_SYS(ptrace), 0);
  // Pushing characters into a terminal's input (TIOCSTI) and the Linux console's own
  // requests (TIOCLINUX) would type commands into the shell the program returns to.
  for (unsigned long request :
       {static_cast<unsigned long>(TIOCSTI), static_cast<unsigned long>(TIOCLINUX)}) {
    const scmp_arg_cmp cmp{1, SCMP_CMP_MASKED_EQ, 0xFFFFFFFFull, request};
    seccomp_rule_add_array(ctx, refuse, SCMP_SYS(ioctl), 1, &cmp);
  }
  const bool ok = seccomp_load(ctx) == 0;
  seccomp_release(ctx);
  return ok;
#else
  return false;
#endif
}

bool kernel_has_seccomp() {
#ifdef OT_HAVE_SECCOMP
  // Asking for filter mode with no filter fails with EFAULT where the kernel has it, and
  // with EINVAL where it has not.
  return prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, nullptr, 0, 0) != 0 && errno == EFAULT;
#else
  return false;
#endif
}

}  // namespace

int kernel_landlock_abi() {
  const long v = syscall(__NR_landlock_create_ruleset, nullptr, 0, kCreateRulesetVersion);
  return v < 0 ? 0 : static_cast<int>(v);
}

Outcome probe() {
  Outcome out;
  out.off = off_by_environment();
  if (out.off) return out;
  out.landlock_abi = kernel_landlock_abi();
  out.seccomp = kernel_has_seccomp();
  return out;
}

Outcome apply(const Rules& rules) {
  Outcome out;
  // No program started from here on can gain privileges (set-user-ID files, file
  // capabilities); both Landlock and seccomp need this of a process without privileges.
  prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
  out.landlock_abi = apply_landlock(rules);
  out.seccomp = rules.seccomp && apply_seccomp();
  return out;
}

std::string describe(const Outcome& o) {
  if (o.off) return "sandbox: off (ORVANE_SANDBOX=off)";
  if (o.landlock_abi <= 0 && !o.seccomp) return "sandbox: none (kernel)";
  std::string s = "sandbox: ";
  if (o.landlock_abi > 0) {
    s += "Landlock ABI " + std::to_string(o.landlock_abi);
  } else {
    s += "no Landlock (kernel)";
  }
  if (o.seccomp) {
    s += ", seccomp";
  } else {
#ifdef OT_HAVE_SECCOMP
    s += ", no seccomp (kernel)";
#else
    s += ", no seccomp (built without libseccomp)";
#endif
  }
  return s;
}

#else  // not Linux: neither Landlock nor seccomp exists

int kernel_landlock_abi() {
  return 0;
}

Outcome probe() {
  Outcome out;
  out.off = off_by_environment();
  return out;
}

Outcome apply(const Rules&) {
  return Outcome{};
}

std::string describe(const Outcome& o) {
  return o.off ? "sandbox: off (ORVANE_SANDBOX=off)" : "sandbox: none (system)";
}

#endif

}  // namespace platform::posix::sandbox
