// Installed products as their own installers record them in the machine
// registry: HKLM\Software\<brand>\<any subkey> with a REG_DWORD "PID" and
// REG_SZ "Version", "InstallInfo", "InstallDate", "InstallName" and
// "InstallPath"; and the uninstall entries.
#ifndef QEL_INSTALL_INSTALLED_PRODUCTS_H_
#define QEL_INSTALL_INSTALLED_PRODUCTS_H_

#include <functional>
#include <string>
#include <vector>

#include "platform/registry.h"

// The ids of products related to `product_id` (the service's answer), asked
// with the client sign. No ids: the product id alone is searched.
using RelatedIdsLookup =
    std::function<std::vector<int>(int product_id, const std::string& client_sign)>;

class InstalledProducts {
 public:
  explicit InstalledProducts(std::string brand, RelatedIdsLookup related = {});

  // True when an installed record of the product or a related one exists
  // (searched in the 64-bit view, then the 32-bit one); `out` receives the
  // named value of that record when it is not empty.
  bool GetProductInstalledWithKey(RegRoot root,
                                  int product_id,
                                  const std::string& value_name,
                                  std::string* out) const;

  bool IsProductInstalled(int product_id) const;
  std::string GetInstalledVersion(int product_id) const;
  std::string GetInstalledName(int product_id) const;
  std::string GetInstalledPath(int product_id) const;

  // Every non-empty "Version" of the product's records in both views,
  // installed or not, sorted and without duplicates.
  std::vector<std::string> GetAllProductInstalledVersions(int product_id) const;

 private:
  std::vector<int> SearchIds(int product_id) const;
  bool FindInView(RegRoot root,
                  RegView view,
                  const std::vector<int>& ids,
                  const std::string& value_name,
                  std::string* out) const;
  void CollectVersions(RegView view,
                       const std::vector<int>& ids,
                       std::vector<std::string>* versions) const;

  std::string brand_;
  RelatedIdsLookup related_;
};

// The "Version" of the first uninstall entry whose REG_SZ "PID" is
// `product_id`, searched in the 64-bit uninstall key, then the 32-bit one.
std::string FindUninstallVersion(const std::string& product_id);

// An installed version matches a target when the target text occurs in it.
bool VersionMatches(const std::string& installed, const std::string& target);

// The companion product (id 10819): its executable as recorded in
// HKLM\Software\Halvern\Halvern Lumo Center, preferring a record that names
// an existing file.
std::string GetLumoCenterPath();
bool IsLumoCenterInstalled();

#endif  // QEL_INSTALL_INSTALLED_PRODUCTS_H_
