#include "install/save_folder.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "foundation/log.h"
#include "foundation/path.h"
#include "platform/known_folders.h"
#include "platform/volumes.h"

namespace {

constexpr const char* kDefaultBrand = "Halvern";

std::string WithSlash(std::string path) {
  if (!path.empty() && path.back() != '/')
    path.push_back('/');
  return path;
}

std::string BrandOrDefault(const std::string& brand) {
  return brand.empty() ? kDefaultBrand : brand;
}

bool IsTrustedComponent(const std::string& path) {
  struct stat st;
  std::string p = path;
  while (p.size() > 1 && p.back() == '/')
    p.pop_back();
  return lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
         (st.st_uid == geteuid() || st.st_uid == 0) && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

bool IsFolderWritable(const std::string& folder, int* error) {
  int unused = 0;
  int& err = error ? *error : unused;
  err = 0;
  if (folder.empty()) {
    err = ENOENT;
    return false;
  }
  std::string probe = WithSlash(folder) + "qel.tmp";
  int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    err = errno;
    return false;
  }
  close(fd);
  unlink(probe.c_str());
  return true;
}

bool VolumeSource::IsFolderWritable(const std::string& folder, int* error) const {
  return ::IsFolderWritable(folder, error);
}

std::vector<std::string> MachineVolumes::FixedRoots() const {
  std::vector<std::string> roots;
  for (const Volume& v : FixedVolumes())
    roots.push_back(v.root);
  return roots;
}

std::string MachineVolumes::SystemRoot() const {
  return SystemVolumeRoot();
}

bool MachineVolumes::FreeBytes(const std::string& path, int64_t* bytes) const {
  return ::FreeBytes(path, bytes);
}

SaveFolderPlaces MachineSaveFolderPlaces() {
  return {PublicDocumentsFolder(), OwnExecutableFolder(), GetPrivateTempFolder()};
}

SaveFolderRules::SaveFolderRules(const VolumeSource& volumes, SaveFolderPlaces places)
    : volumes_(volumes), places_(std::move(places)) {}

std::string SaveFolderRules::DownloadFolderOf(const std::string& root, const std::string& brand) {
  std::string folder = WithSlash(root);
  if (!brand.empty())
    folder += brand + "/";
  return folder + "Download/";
}

bool SaveFolderRules::IsTrustedFolder(const std::string& folder, const std::string& root) {
  std::string base = WithSlash(root);
  std::string path = WithSlash(folder);
  if (path.rfind(base, 0) != 0 || path.size() == base.size())
    return false;
  // Every level below the volume root: another user who could rename or
  // fill one of them could put a program there that root would run.
  for (size_t pos = path.find('/', base.size()); pos != std::string::npos;
       pos = path.find('/', pos + 1)) {
    if (!IsTrustedComponent(path.substr(0, pos + 1)))
      return false;
  }
  return true;
}

bool SaveFolderRules::MakeDownloadFolder(const std::string& root,
                                         const std::string& brand,
                                         std::string* folder) const {
  *folder = DownloadFolderOf(root, brand);
  return CreateFolderChain(*folder, 0755) && IsTrustedFolder(*folder, root);
}

std::string SaveFolderRules::MaxFreeRoot() const {
  std::string best;
  int64_t best_free = 0;
  for (const std::string& root : volumes_.FixedRoots()) {
    int64_t free = 0;
    if (volumes_.FreeBytes(root, &free) && free > best_free) {
      best_free = free;
      best = root;
    }
  }
  return best;
}

std::string SaveFolderRules::GetMaxFreeDiskFolder(const std::string& brand) const {
  std::string root = MaxFreeRoot();
  if (root.empty())
    return {};
  if (root == volumes_.SystemRoot()) {
    if (places_.public_documents.empty())
      return {};
    std::string folder = WithSlash(places_.public_documents) + BrandOrDefault(brand) + "/";
    CreateFolderChain(folder, 0755);
    return folder;
  }
  std::string folder;
  if (!MakeDownloadFolder(root, brand, &folder)) {
    LOG_ERROR("[ERROR] create folder=[%s] failed!", folder.c_str());
    // Someone else's folder is no place for what root will run.
    if (!IsTrustedFolder(folder, root) && access(folder.c_str(), F_OK) == 0)
      return {};
  }
  return folder;
}

std::string SaveFolderRules::FallbackFolder(const std::string& base,
                                            const std::string& brand) const {
  if (base.empty())
    return {};
  std::string folder = WithSlash(base) + BrandOrDefault(brand) + "/";
  CreateFolderChain(folder, 0755);
  return folder;
}

std::string SaveFolderRules::GetSaveFolder(const std::string& brand, bool use_max_free_disk) const {
  std::string result;
  if (!use_max_free_disk) {
    for (const std::string& root : volumes_.FixedRoots()) {
      std::string folder = DownloadFolderOf(root, brand);
      // A Download folder that others can write counts as absent.
      if (!IsTrustedFolder(folder, root))
        continue;
      result = folder;
      std::string best = MaxFreeRoot();
      std::string system = volumes_.SystemRoot();
      if (root == system && !best.empty() && best != system) {
        LOG_INFO(
            "[INFO] GetSaveFolder, existing folder on system disk=[%s], redirect to max "
            "free disk=[%s].",
            folder.c_str(), best.c_str());
        result.clear();
      }
      break;
    }
  }
  if (result.empty())
    result = GetMaxFreeDiskFolder(brand);

  int err = 0;
  if (volumes_.IsFolderWritable(result, &err))
    return result;
  LOG_WARN("[WARN] get default folder=[%s] failed, err=[%d].", result.c_str(), err);
  result = FallbackFolder(places_.exe_folder, brand);
  if (volumes_.IsFolderWritable(result, &err))
    return result;
  LOG_WARN("[WARN] get exe folder=[%s] failed, err=[%d].", result.c_str(), err);
  result = FallbackFolder(places_.temp_folder, brand);
  if (!volumes_.IsFolderWritable(result, &err))
    LOG_ERROR("[ERROR] get temp folder=[%s] failed! err=[%d].", result.c_str(), err);
  return result;
}

std::string SaveFolderRules::StorageOnRoot(const char* setting,
                                           const std::string& root,
                                           const std::string& brand) const {
  std::string folder;
  if (!MakeDownloadFolder(root, brand, &folder)) {
    LOG_WARN("[WARN] InstallerStorageDict=%s: create folder=[%s] failed!", setting, folder.c_str());
    return {};
  }
  if (!volumes_.IsFolderWritable(folder, nullptr)) {
    LOG_WARN("[WARN] InstallerStorageDict=%s: folder=[%s] no write access!", setting,
             folder.c_str());
    return {};
  }
  return folder;
}

std::string SaveFolderRules::ChooseStorageFolder(
    const std::string& brand,
    const std::string& setting,
    const std::function<std::string()>& install_path) const {
  std::string result;
  if (setting == "1") {
    LOG_INFO("[INFO] InstallerStorageDict=1: use max free disk.");
    result = GetMaxFreeDiskFolder(brand);
  } else if (setting == "2") {
    LOG_INFO("[INFO] InstallerStorageDict=2: prefer system disk.");
    result = StorageOnRoot("2", volumes_.SystemRoot(), brand);
  } else if (setting == "3") {
    LOG_INFO("[INFO] InstallerStorageDict=3: prefer install path disk.");
    std::string path = install_path ? install_path() : std::string();
    std::string root =
        path.empty() || path[0] != '/' ? std::string() : VolumeRootOf(path, volumes_.FixedRoots());
    if (!root.empty() && access(root.c_str(), F_OK) == 0)
      result = StorageOnRoot("3", root, brand);
  }
  if (!result.empty()) {
    LOG_INFO("[INFO] InstallerStorageDict: use folder=[%s].", result.c_str());
  } else if (!setting.empty() && setting != "0") {
    LOG_WARN("[WARN] InstallerStorageDict=%s: fallback to default.", setting.c_str());
    result = GetSaveFolder(brand, false);
  }
  return result;
}

bool SaveFolderRules::CheckInstallSpace(const std::string& folder,
                                        bool include_installation,
                                        int64_t package_size,
                                        const std::string& config_folder) const {
  int64_t free = 0;
  if (!volumes_.FreeBytes(folder, &free))
    free = 0;
  if (!include_installation) {
    if (free >= package_size)
      return true;
    LOG_WARN("[WARN] check install space size failed! dir=[%s], free=[%lld], pkg_size=[%lld]",
             folder.c_str(), static_cast<long long>(free), static_cast<long long>(package_size));
    return false;
  }
  // The package and the installation share the volume of the save folder.
  std::vector<std::string> roots = volumes_.FixedRoots();
  std::string root = VolumeRootOf(folder, roots);
  bool shared = !root.empty() && root == VolumeRootOf(config_folder, roots);
  int64_t estimate = package_size * (shared ? 5 : 4);
  if (free >= estimate)
    return true;
  LOG_WARN("[WARN] check install space size failed! dir=[%s], free=[%lld], estimate=[%lld]",
           folder.c_str(), static_cast<long long>(free), static_cast<long long>(estimate));
  return false;
}

bool PathRootExists(const std::string& path) {
  if (path.empty() || path[0] != '/')
    return false;
  size_t end = path.find('/', 1);
  std::string top = path.substr(0, end == std::string::npos ? path.size() : end);
  if (top == "/")
    return true;
  struct stat st;
  return stat(top.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string GetCustomInstallPath(const CustomInstallPathInputs& in) {
  std::string path = in.server_path.empty() ? in.local_path : in.server_path;
  if (strcasecmp(path.c_str(), "%localappdata%") == 0)
    path = in.local_app_data ? in.local_app_data() : std::string();
  else if (!PathRootExists(path))
    path.clear();
  if (path.empty() && in.installed_path && !in.brand.empty()) {
    std::string installed = in.installed_path();
    size_t at = installed.find("/" + in.brand + "/");
    if (at != std::string::npos)
      path = installed.substr(0, at + 1);
  }
  return WithSlash(path);
}
