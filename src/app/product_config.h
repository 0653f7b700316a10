// The product configuration embedded in the executable (resource
// "XML/106"): everything the generic installer knows about its product.
#ifndef QEL_APP_PRODUCT_CONFIG_H_
#define QEL_APP_PRODUCT_CONFIG_H_

#include <functional>
#include <string>
#include <vector>

#include "app/clipboard.h"
#include "app/config_telemetry.h"
#include "app/endpoints.h"
#include "install/installed_products.h"
#include "platform/machine.h"

// An address block: "Downurl", "Downurl_x64", "Downurl_arm64", "Installurl".
struct UrlBlock {
  std::string OnlyUseLocalUrl;
  std::string Url;  // Url_Down, or Url_Install for Installurl
};

struct DependentItem {
  std::string ProductID;
  std::string ProductName;
  std::string ProductExe;
  std::string Url_Down;
  std::string Url_Downx64;
  std::string Url_Down_arm64;
  std::string ForceInstall = "true";
  std::string ProductArg;
  std::string ProductInstallArg;
  std::string ProductInsCmple;
  std::string ForkInstall;
  // Filled from the server's runtime configuration.
  std::string md5, history_md5_32, md5_64, history_md5_64, md5_arm64, history_md5_arm64;
  std::string filesize;
};

// Values as written in the document; flags are "0" and "1".
struct ProductConfig {
  std::string ProductSkin, ProductBrand, ProductName, ProductExe, ProductArg;
  std::string FoldBottom = "1";
  std::string ProductInstallArg, ProductInsCmple, CustomInstallPath;
  std::string PrivacyPost = "1";
  std::string IsAllowInstallAdminPath;
  std::string ServerHost;
  std::string ProductID, AppID, Channel, DownloadFirstUrl;
  UrlBlock Downurl, Downurl_x64, Downurl_arm64;
  std::string InstallTime;
  UrlBlock Installurl;
  std::string Url_License;
  std::string UserAgreementUrl, PrivacyAgreementUrl, Languages, Dotnetminver, Dotneturl;
  std::string AgreeUserLicense, StartupProduct, Url_Jump, InstallErrorUrl;
  std::string InstallSalvageTitle, InstallSalvageContent, NotSupportWin32, SceneCode, BannerImg;
  std::string AllowRunTimeInstall;
  std::string IsDelInstaller = "0";
  std::string InstallerStorageDirectory = "0";
  std::string InstallationConfirmation = "0";
  std::vector<DependentItem> dependents;

  // Derived by the reader.
  std::string ConfigFolder;
  std::string RunStateFile;
  std::string ClipboardValue;
  std::string DefaultInstallFolder;
};

// What the reader reaches beyond the document. Empty members take the
// machine's own.
struct ProductConfigServices {
  ResourceReader read_resource;  // default: the own executable
  MachineArch arch = DetectMachineArch();
  IClipboard* clipboard = nullptr;        // default: no text
  IConfigTelemetry* telemetry = nullptr;  // default: a recorder
  // The save-folder rule for the brand without preferred volume.
  std::function<std::string(const std::string& brand)> save_folder;
  RelatedIdsLookup related_ids;
  const Endpoints* endpoints = nullptr;  // default: the executable's
};

// Reads the embedded document into `config`; false (with the log line)
// when it is missing, empty, not well formed or has no "Product" root.
bool LoadLocalXml(ProductConfig* config, const ProductConfigServices& services = {});

#endif  // QEL_APP_PRODUCT_CONFIG_H_
