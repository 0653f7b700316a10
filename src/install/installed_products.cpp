#include "install/installed_products.h"

#include <sys/stat.h>

#include <algorithm>

#include "foundation/log.h"
#include "install/client_sign.h"

namespace {

constexpr size_t kMaxSubkeyName = 260;
constexpr size_t kMaxMarkLength = 255;

const char* ViewName(RegView view) {
  return view == RegView::k64 ? "64bit" : "32bit";
}

bool IsFile(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string ReadMark(const RegKey& key, const char* name) {
  std::string value;
  if (!key.ReadString(name, &value))
    return {};
  return value.substr(0, kMaxMarkLength);
}

// Visits the subkeys of Software\<brand> whose PID is one of `ids`.
template <typename Visit>
void ForEachMatch(RegRoot root,
                  RegView view,
                  const std::string& brand,
                  const std::vector<int>& ids,
                  Visit visit) {
  RegKey base;
  if (!base.Open(root, "Software\\" + brand, view))
    return;
  std::string name;
  for (uint32_t i = 0; base.EnumSubkey(i, &name); ++i) {
    if (name.size() > kMaxSubkeyName)
      continue;
    RegKey sub;
    uint32_t pid = 0;
    if (!sub.Open(root, "Software\\" + brand + "\\" + name, view) || !sub.ReadDword("PID", &pid))
      continue;
    if (std::find(ids.begin(), ids.end(), static_cast<int>(pid)) == ids.end())
      continue;
    if (!visit(name, sub))
      return;
  }
}

}  // namespace

InstalledProducts::InstalledProducts(std::string brand, RelatedIdsLookup related)
    : brand_(std::move(brand)), related_(std::move(related)) {}

std::vector<int> InstalledProducts::SearchIds(int product_id) const {
  std::vector<int> ids;
  if (related_)
    ids = related_(product_id, GetClientSign(brand_));
  if (ids.empty())
    ids.push_back(product_id);
  return ids;
}

bool InstalledProducts::FindInView(RegRoot root,
                                   RegView view,
                                   const std::vector<int>& ids,
                                   const std::string& value_name,
                                   std::string* out) const {
  bool found = false;
  ForEachMatch(root, view, brand_, ids, [&](const std::string& name, const RegKey& sub) {
    uint32_t pid = 0;
    sub.ReadDword("PID", &pid);
    LOG_INFO("[INFO] GetProductInstalledWithKeyEx, found matched pid=[%d], subkey=[%s], view=[%s].",
             static_cast<int>(pid), name.c_str(), ViewName(view));
    if (ReadMark(sub, "InstallInfo").empty() && ReadMark(sub, "InstallDate").empty())
      return true;
    std::string value;
    if (sub.ReadString(value_name, &value) && !value.empty())
      *out = value;
    found = true;
    return false;
  });
  return found;
}

bool InstalledProducts::GetProductInstalledWithKey(RegRoot root,
                                                   int product_id,
                                                   const std::string& value_name,
                                                   std::string* out) const {
  std::vector<int> ids = SearchIds(product_id);
  LOG_INFO("[INFO] GetProductInstalledWithKey, try 64-bit registry view first, product_id=[%d]",
           product_id);
  if (FindInView(root, RegView::k64, ids, value_name, out)) {
    LOG_INFO("[INFO] GetProductInstalledWithKey, found in 64-bit view, product_id=[%d]",
             product_id);
    return true;
  }
  LOG_INFO("[INFO] GetProductInstalledWithKey, try 32-bit registry view, product_id=[%d]",
           product_id);
  if (FindInView(root, RegView::k32, ids, value_name, out)) {
    LOG_INFO("[INFO] GetProductInstalledWithKey, found in 32-bit view, product_id=[%d]",
             product_id);
    return true;
  }
  LOG_WARN("[WARN] GetProductInstalledWithKey, not found in both views, product_id=[%d]",
           product_id);
  return false;
}

bool InstalledProducts::IsProductInstalled(int product_id) const {
  std::string unused;
  return GetProductInstalledWithKey(RegRoot::kLocalMachine, product_id, "Version", &unused);
}

std::string InstalledProducts::GetInstalledVersion(int product_id) const {
  std::string value;
  GetProductInstalledWithKey(RegRoot::kLocalMachine, product_id, "Version", &value);
  return value;
}

std::string InstalledProducts::GetInstalledName(int product_id) const {
  std::string value;
  GetProductInstalledWithKey(RegRoot::kLocalMachine, product_id, "InstallName", &value);
  return value;
}

std::string InstalledProducts::GetInstalledPath(int product_id) const {
  std::string value;
  GetProductInstalledWithKey(RegRoot::kLocalMachine, product_id, "InstallPath", &value);
  return value;
}

void InstalledProducts::CollectVersions(RegView view,
                                        const std::vector<int>& ids,
                                        std::vector<std::string>* versions) const {
  ForEachMatch(RegRoot::kLocalMachine, view, brand_, ids,
               [&](const std::string& name, const RegKey& sub) {
                 std::string version;
                 if (sub.ReadString("Version", &version) && !version.empty()) {
                   LOG_INFO(
                       "[INFO] CollectProductVersionsEx, found version=[%s] in subkey=[%s], "
                       "view=[%s].",
                       version.c_str(), name.c_str(), ViewName(view));
                   versions->push_back(version);
                 }
                 return true;
               });
}

std::vector<std::string> InstalledProducts::GetAllProductInstalledVersions(int product_id) const {
  std::vector<int> ids = SearchIds(product_id);
  std::vector<std::string> versions;
  CollectVersions(RegView::k64, ids, &versions);
  CollectVersions(RegView::k32, ids, &versions);
  std::sort(versions.begin(), versions.end());
  versions.erase(std::unique(versions.begin(), versions.end()), versions.end());
  LOG_INFO("[INFO] GetAllProductInstalledVersions, product_id=[%d], found [%d] unique version(s).",
           product_id, static_cast<int>(versions.size()));
  return versions;
}

std::string FindUninstallVersion(const std::string& product_id) {
  struct Place {
    const char* path;
    RegView view;
  } places[] = {
      {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", RegView::k64},
      {"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall", RegView::k32},
  };
  for (const Place& place : places) {
    RegKey base;
    if (!base.Open(RegRoot::kLocalMachine, place.path, place.view))
      continue;
    std::string name;
    for (uint32_t i = 0; base.EnumSubkey(i, &name); ++i) {
      RegKey sub;
      std::string pid, version;
      if (sub.Open(RegRoot::kLocalMachine, std::string(place.path) + "\\" + name, place.view) &&
          sub.ReadString("PID", &pid) && pid == product_id) {
        sub.ReadString("Version", &version);
        return version;
      }
    }
  }
  return {};
}

bool VersionMatches(const std::string& installed, const std::string& target) {
  return installed.find(target) != std::string::npos;
}

std::string GetLumoCenterPath() {
  std::string last;
  for (RegView view : {RegView::k64, RegView::k32}) {
    RegKey key;
    std::string name;
    if (key.Open(RegRoot::kLocalMachine, "Software\\Halvern\\Halvern Lumo Center", view) &&
        key.ReadString("InstallName", &name)) {
      name = name.substr(0, 259);
      if (IsFile(name))
        return name;
    } else {
      name.clear();
    }
    last = name;
  }
  return last;
}

bool IsLumoCenterInstalled() {
  return IsFile(GetLumoCenterPath());
}
