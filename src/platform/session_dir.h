// The folder this desktop session shares between our processes: the window
// registry and the message sockets live there.
#ifndef QEL_PLATFORM_SESSION_DIR_H_
#define QEL_PLATFORM_SESSION_DIR_H_

#include <string>

// $XDG_RUNTIME_DIR/qel/ (resolved under $QEL_SYSROOT when that is set),
// created private (0700) when missing. Without XDG_RUNTIME_DIR, as for a
// program started outside a login session, /run/user/<euid>/ stands in when
// it exists and "<tmp>/qel-runtime-<euid>/" otherwise. Empty when no private
// folder can be had. Always ends with "/".
std::string SessionDir();

#endif  // QEL_PLATFORM_SESSION_DIR_H_
