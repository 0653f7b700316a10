#include "platform/session_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "foundation/log.h"
#include "foundation/path.h"

namespace {

bool IsFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string PrivateUnder(const std::string& base, const std::string& relative) {
  // Under a sysroot the runtime folder itself may be missing.
  if (!IsFolder(base) && !CreateFolderChain(base, 0700)) {
    LOG_ERROR("[ERROR] SessionDir, cannot create folder=[%s]", base.c_str());
    return {};
  }
  std::string folder = CreatePrivateFolder(base, relative);
  if (folder.empty())
    LOG_ERROR("[ERROR] SessionDir, folder not private, base=[%s]", base.c_str());
  return folder;
}

}  // namespace

std::string SessionDir() {
  const char* xdg = getenv("XDG_RUNTIME_DIR");
  if (xdg && xdg[0] == '/')
    return PrivateUnder(UnderSysroot(xdg), "qel");
  std::string uid = std::to_string(geteuid());
  std::string run_user = UnderSysroot("/run/user/" + uid);
  if (IsFolder(run_user) && IsPrivateFolder(run_user))
    return PrivateUnder(run_user, "qel");
  // Every component of the stand-in is checked: /tmp is shared.
  return PrivateUnder(GetTempFolder(), "qel-runtime-" + uid + "/qel");
}
