#include "foundation/path.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace {

constexpr std::string_view kAppFolder = "Halvern/QEL";

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/')
    path.push_back('/');
  return path;
}

std::string_view FileNameOf(std::string_view path) {
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Makes `path` a folder: creates it, or accepts an existing one that passes
// `accept`.
bool MakeFolder(const std::string& path, mode_t mode, bool (*accept)(const std::string&)) {
  if (mkdir(path.c_str(), mode) == 0)
    return true;
  if (errno != EEXIST)
    return false;
  return accept(path);
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string GetTempFolder() {
  const char* tmp = getenv("TMPDIR");
  if (tmp && tmp[0] == '/')
    return WithSlash(tmp);
  return "/tmp/";
}

std::string FolderOf(std::string_view path) {
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string FileStem(std::string_view path) {
  std::string_view name = FileNameOf(path);
  size_t dot = name.rfind('.');
  return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

std::string FileExtension(std::string_view path) {
  std::string_view name = FileNameOf(path);
  size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

std::vector<std::string> ListFiles(const std::string& folder,
                                   bool recursive,
                                   bool include_folders) {
  std::vector<std::string> result;
  std::string base = WithSlash(folder);
  DIR* dir = opendir(base.c_str());
  if (!dir)
    return result;
  std::vector<std::string> names;
  while (dirent* entry = readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name != "." && name != "..")
      names.emplace_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    std::string path = base + name;
    struct stat st;
    bool is_folder = lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    if (!is_folder) {
      result.push_back(path);
      continue;
    }
    if (include_folders)
      result.push_back(path + "/");
    if (recursive) {
      std::vector<std::string> inner = ListFiles(path, true, include_folders);
      result.insert(result.end(), inner.begin(), inner.end());
    }
  }
  return result;
}

bool CreateFolderChain(const std::string& path, mode_t mode) {
  if (path.empty())
    return false;
  for (size_t pos = path.find('/', 1); pos != std::string::npos; pos = path.find('/', pos + 1)) {
    if (!MakeFolder(path.substr(0, pos), mode, IsFolder))
      return false;
  }
  if (path.back() == '/')
    return true;
  return MakeFolder(path, mode, IsFolder);
}

bool IsPrivateFolder(const std::string& path) {
  struct stat st;
  std::string p = path;
  while (p.size() > 1 && p.back() == '/')
    p.pop_back();
  if (lstat(p.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    return false;
  return st.st_uid == geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string CreatePrivateFolder(const std::string& base, std::string_view relative) {
  if (base.empty() || !IsFolder(base))
    return {};
  std::string path = WithSlash(base);
  while (!relative.empty()) {
    size_t slash = relative.find('/');
    std::string_view part = relative.substr(0, slash);
    relative = slash == std::string_view::npos ? std::string_view() : relative.substr(slash + 1);
    if (part.empty())
      continue;
    if (part == "." || part == "..")
      return {};
    path.append(part);
    if (!MakeFolder(path, 0700, IsPrivateFolder) || !IsPrivateFolder(path))
      return {};
    path.push_back('/');
  }
  return path;
}

std::string UnderSysroot(std::string_view absolute) {
  const char* root = getenv("QEL_SYSROOT");
  if (!root || !*root)
    return std::string(absolute);
  std::string path(root);
  while (!path.empty() && path.back() == '/')
    path.pop_back();
  if (absolute.empty() || absolute.front() != '/')
    path.push_back('/');
  path.append(absolute);
  return path;
}

std::string EffectiveUserHome() {
  struct passwd pwd;
  struct passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(geteuid(), &pwd, buffer, sizeof(buffer), &found) != 0 || !found ||
      !found->pw_dir || found->pw_dir[0] != '/')
    return {};
  return WithSlash(UnderSysroot(found->pw_dir));
}

std::string GetPrivateTempFolder() {
  std::string folder = CreatePrivateFolder(GetTempFolder(), kAppFolder);
  if (!folder.empty())
    return folder;
  std::string home = EffectiveUserHome();
  if (home.empty())
    return {};
  std::string cache = CreatePrivateFolder(home, ".cache");
  if (cache.empty())
    return {};
  return CreatePrivateFolder(cache, kAppFolder);
}
