// A machine sandbox for one test: a temporary folder set as $QEL_SYSROOT
// (registry, /opt, /var/lib, /run) with its own $TMPDIR and a home for the
// effective user, so nothing touches the real machine.
#ifndef QEL_TESTS_SUPPORT_SYSROOT_H_
#define QEL_TESTS_SUPPORT_SYSROOT_H_

#include <string>

#include "support/temp_dir.h"

class SysrootSandbox {
 public:
  SysrootSandbox()
      : sysroot_("QEL_SYSROOT", root_.path().c_str()),
        tmp_("TMPDIR", (root_.path() + "tmp").c_str()) {
    std::filesystem::create_directories(root_.path() + "tmp");
  }
  // The sandbox folder, with a trailing "/".
  const std::string& root() const { return root_.path(); }
  // A machine path inside the sandbox.
  std::string Path(const std::string& absolute) const {
    return root_.path() + (absolute.empty() || absolute[0] != '/' ? absolute : absolute.substr(1));
  }

 private:
  TempDir root_;
  ScopedEnv sysroot_;
  ScopedEnv tmp_;
};

#endif  // QEL_TESTS_SUPPORT_SYSROOT_H_
