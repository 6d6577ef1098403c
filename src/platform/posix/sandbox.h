// The process's self-confinement on Linux, switched on once start-up has settled (terminal,
// terminfo, locale and the drive folders) and before the first key is read:
//   - Landlock: writing, creating, removing, renaming and truncating files is allowed only
//     beneath the drive folders (and on /dev/null and /dev/tty); reading stays allowed
//     everywhere, and descriptors already open (the terminal) keep their rights. The best ABI
//     the kernel offers is used, with fewer rights on an older kernel and none where Landlock
//     is missing or disabled.
//   - no new privileges, and a seccomp filter that refuses with EPERM starting programs,
//     debugging other processes, injecting terminal input and changing the system (mounts,
//     modules, reboot, kexec, keys, clocks, namespaces...); every other call is allowed, so
//     that CUPS, cairo and fontconfig go on working.
// Elsewhere than Linux nothing is applied and the summary says so. ORVANE_SANDBOX=off in the
// environment turns the whole of it off, for troubleshooting.
#pragma once

#include <string>
#include <vector>

namespace platform::posix::sandbox {

struct Rules {
  std::vector<std::string> writable;  // folders beneath which files may be changed
  // The highest Landlock ABI to use: -1 for the best the kernel has, 0 for no Landlock.
  int landlock_abi_limit = -1;
  bool seccomp = true;
};

struct Outcome {
  bool off = false;      // turned off through the environment
  int landlock_abi = 0;  // the ABI applied (or offered, for probe()); 0: none
  bool seccomp = false;  // the filter is loaded (or can be, for probe())
};

// Whether ORVANE_SANDBOX=off asks for no confinement.
bool off_by_environment();

// The Landlock ABI this kernel offers (0 where it has none or it is disabled).
int kernel_landlock_abi();

// What apply() would give this process here, without applying anything.
Outcome probe();

// Confines the calling process (and every thread and child it starts from now on; there
// must be no other thread yet). Whatever the kernel refuses is left out; never fails.
Outcome apply(const Rules& rules);

// One line for --version: "sandbox: Landlock ABI 7, seccomp", "sandbox: none (kernel)",
// "sandbox: off (ORVANE_SANDBOX=off)".
std::string describe(const Outcome& outcome);

// Whether the filter refuses ptrace. Sanitizer builds allow it: the leak checker stops the
// process's threads with ptrace at exit.
bool refuses_ptrace();

}  // namespace platform::posix::sandbox
