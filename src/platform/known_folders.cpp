#include "platform/known_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "foundation/path.h"

namespace {

std::string WithSlash(std::string path) {
  if (!path.empty() && path.back() != '/')
    path.push_back('/');
  return path;
}

std::string HomeOf(uid_t uid) {
  struct passwd pwd;
  struct passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(uid, &pwd, buffer, sizeof(buffer), &found) != 0 || !found || !found->pw_dir ||
      found->pw_dir[0] != '/')
    return {};
  return WithSlash(UnderSysroot(found->pw_dir));
}

// The uid in an elevation tool's variable, when it is a plain number.
bool UidFromEnv(const char* name, uid_t* uid) {
  const char* text = getenv(name);
  if (!text || !*text)
    return false;
  char* end = nullptr;
  errno = 0;
  unsigned long value = strtoul(text, &end, 10);
  if (errno != 0 || *end != '\0' || text[0] == '-' || value == 0 || value > 0xfffffffeul)
    return false;
  *uid = static_cast<uid_t>(value);
  return true;
}

}  // namespace

std::string SystemFolder() {
  return WithSlash(UnderSysroot("/"));
}

std::string ProgramFilesFolder() {
  return UnderSysroot("/opt/");
}

std::string PublicDocumentsFolder() {
  return UnderSysroot("/var/lib/");
}

std::string LocalAppDataFolder() {
  const char* data = getenv("XDG_DATA_HOME");
  const char* sysroot = getenv("QEL_SYSROOT");
  // An elevated process may have inherited another user's variable.
  if (data && data[0] == '/' && geteuid() != 0 && !(sysroot && *sysroot))
    return WithSlash(data);
  std::string home = EffectiveUserHome();
  return home.empty() ? std::string() : home + ".local/share/";
}

std::string DesktopUserLocalAppData() {
  uid_t uid = 0;
  if (geteuid() == 0 && (UidFromEnv("PKEXEC_UID", &uid) || UidFromEnv("SUDO_UID", &uid))) {
    std::string home = HomeOf(uid);
    if (!home.empty())
      return home + ".local/share/";
  }
  return LocalAppDataFolder();
}

std::string OwnExecutablePath() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (n <= 0)
    return {};
  return std::string(buffer, static_cast<size_t>(n));
}

std::string OwnExecutableFolder() {
  return FolderOf(OwnExecutablePath());
}
