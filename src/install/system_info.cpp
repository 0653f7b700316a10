#include "install/system_info.h"

#include <stdlib.h>
#include <sys/utsname.h>

#include <cstdio>
#include <ctime>
#include <vector>

#include "foundation/path.h"
#include "platform/known_folders.h"
#include "platform/registry.h"
#include "platform/resources.h"

namespace {

// "/a/./b/../c" -> "/a/c/"; relative paths give "".
std::string NormalizeFolder(const std::string& path) {
  if (path.empty() || path[0] != '/')
    return {};
  std::vector<std::string> parts;
  size_t start = 1;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos)
      end = path.size();
    std::string part = path.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty())
        parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string out = "/";
  for (const std::string& part : parts)
    out += part + "/";
  return out;
}

// The normalised folder with symbolic links resolved in its existing part.
std::string ResolveFolder(const std::string& normalized) {
  std::string existing = normalized;
  std::string rest;
  while (existing.size() > 1) {
    char resolved[PATH_MAX];
    if (realpath(existing.c_str(), resolved)) {
      std::string out = resolved;
      if (out.back() != '/')
        out.push_back('/');
      return out + rest;
    }
    std::string trimmed = existing.substr(0, existing.size() - 1);
    size_t slash = trimmed.rfind('/');
    rest = trimmed.substr(slash + 1) + "/" + rest;
    existing = trimmed.substr(0, slash + 1);
  }
  return normalized;
}

bool UnderAny(const std::string& folder, const std::vector<std::string>& roots) {
  for (const std::string& root : roots) {
    if (!folder.empty() && folder.rfind(root, 0) == 0)
      return true;
  }
  return false;
}

}  // namespace

ProgramFilesFolders GetProgramFilesFolders(const MachineArch& arch) {
  ProgramFilesFolders folders;
  folders.folder32 = ProgramFilesFolder();
  if (arch.is_64bit_system)
    folders.folder64 = ProgramFilesFolder();
  return folders;
}

bool IsAdminPath(const std::string& folder) {
  std::vector<std::string> roots;
  for (const char* system :
       {"/usr/", "/etc/", "/bin/", "/sbin/", "/lib/", "/lib32/", "/lib64/", "/libx32/", "/boot/"})
    roots.push_back(NormalizeFolder(UnderSysroot(system)));
  roots.push_back(NormalizeFolder(ProgramFilesFolder()));
  std::string normalized = NormalizeFolder(folder);
  return UnderAny(normalized, roots) || UnderAny(ResolveFolder(normalized), roots);
}

bool GetFileVersionText(const std::string& path, std::string* version) {
  std::string text;
  if (ReadResource(path, "VERSION", &text) != ResourceStatus::kOk)
    return false;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
  unsigned parts[4];
  char tail = 0;
  if (sscanf(text.c_str(), "%u.%u.%u.%u%c", &parts[0], &parts[1], &parts[2], &parts[3], &tail) !=
          4 ||
      text.find_first_not_of("0123456789.") != std::string::npos)
    return false;
  for (unsigned p : parts) {
    if (p > 65535)
      return false;
  }
  char buffer[48];
  snprintf(buffer, sizeof(buffer), "%u.%u.%u.%u", parts[0], parts[1], parts[2], parts[3]);
  *version = buffer;
  return true;
}

std::string GetOwnVersion() {
  std::string version;
  GetFileVersionText("/proc/self/exe", &version);
  return version;
}

std::string GetOwnExeName() {
  std::string path = OwnExecutablePath();
  return path.substr(path.rfind('/') + 1);
}

std::array<int, 4> ParseVersion(const std::string& text) {
  std::array<int, 4> v{0, 0, 0, 0};
  sscanf(text.c_str(), "%d.%d.%d.%d", &v[0], &v[1], &v[2], &v[3]);
  return v;
}

std::string GetTimestampText() {
  time_t now = time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buffer[32];
  strftime(buffer, sizeof(buffer), "%Y%m%d%H%M%S", &local);
  return buffer;
}

std::string GetOsVersionText(const std::string& prefix) {
  utsname name;
  int major = 0, minor = 0, patch = 0;
  if (uname(&name) != 0 || sscanf(name.release, "%d.%d.%d", &major, &minor, &patch) < 2)
    return prefix;
  return prefix + std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
}

std::string GetBrowserVersion() {
  RegKey key;
  std::string version;
  if (!key.Open(RegRoot::kLocalMachine, "Software\\Microsoft\\Internet Explorer") ||
      !key.ReadString("Version", &version))
    return "-";
  return version.substr(0, 49);
}

int ReadUserDword(const std::string& subkey, const std::string& name) {
  RegKey key;
  uint32_t value = 0;
  if (!key.Open(RegRoot::kCurrentUser, subkey) || !key.ReadDword(name, &value))
    return 0;
  return static_cast<int>(value);
}

bool WriteUserDword(const std::string& subkey, const std::string& name, int value) {
  RegKey key;
  return key.Open(RegRoot::kCurrentUser, subkey) &&
         key.WriteDword(name, static_cast<uint32_t>(value));
}
