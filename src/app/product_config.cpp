#include "app/product_config.h"

#include <cstdlib>

#include "foundation/log.h"
#include "foundation/xml_document.h"
#include "install/client_sign.h"
#include "install/save_folder.h"
#include "install/system_info.h"
#include "platform/known_folders.h"

namespace {

// Reads the block `name` (two values) of the current element; keys may come
// in any order, so the search starts at the first child each time.
void ReadBlock(XmlDocument& doc, const char* name, const char* url_key, UrlBlock* block) {
  doc.ResetChildPosition();
  if (!doc.FindChildElement(name) || !doc.IntoElement())
    return;
  ReadChildText(doc, "OnlyUseLocalUrl", block->OnlyUseLocalUrl);
  ReadChildText(doc, url_key, block->Url);
  doc.OutOfElement();
}

void ReadDependents(XmlDocument& doc, ProductConfig* c, IConfigTelemetry* telemetry) {
  doc.ResetChildPosition();
  if (!doc.FindChildElement("Dependent") || !doc.IntoElement())
    return;
  while (doc.FindChildElement("item")) {
    if (!doc.IntoElement())
      break;
    DependentItem item;
    ReadChildText(doc, "ProductID", item.ProductID);
    ReadChildText(doc, "ProductName", item.ProductName);
    ReadChildText(doc, "ProductExe", item.ProductExe);
    ReadChildText(doc, "Url_Down", item.Url_Down);
    ReadChildText(doc, "Url_Downx64", item.Url_Downx64);
    ReadChildText(doc, "Url_Down_arm64", item.Url_Down_arm64);
    ReadChildText(doc, "ForceInstall", item.ForceInstall);
    ReadChildText(doc, "ProductArg", item.ProductArg);
    ReadChildText(doc, "ProductInstallArg", item.ProductInstallArg);
    ReadChildText(doc, "ProductInsCmple", item.ProductInsCmple);
    ReadChildText(doc, "ForkInstall", item.ForkInstall);
    doc.OutOfElement();
    LOG_INFO("[INFO] LoadLocalXml, dependent.item pid=[%s].", item.ProductID.c_str());
    bool has_url =
        !item.Url_Down.empty() || !item.Url_Downx64.empty() || !item.Url_Down_arm64.empty();
    if (item.ProductID.empty() || !has_url)
      continue;
    telemetry->RegisterDependent(atoi(item.ProductID.c_str()), item.ForceInstall == "true");
    c->dependents.push_back(std::move(item));
  }
  doc.OutOfElement();
}

std::string ReadClipboard(XmlDocument& doc, IClipboard* clipboard) {
  doc.ResetChildPosition();
  if (!doc.FindChildElement("Clipboard") || !doc.IntoElement())
    return {};
  std::string access, keyword, text;
  ReadChildText(doc, "Access", access);
  if (access == "1")
    ReadChildText(doc, "Keyword", keyword);
  doc.OutOfElement();
  if (keyword.empty() || !clipboard || !clipboard->GetText(&text) || text.rfind(keyword, 0) != 0)
    return {};
  return text;
}

std::string DefaultSaveFolder(const std::string& brand) {
  MachineVolumes volumes;
  return SaveFolderRules(volumes, MachineSaveFolderPlaces()).GetSaveFolder(brand, false);
}

void ReadKeys(XmlDocument& doc,
              ProductConfig* c,
              const ProductConfigServices& s,
              IConfigTelemetry* telemetry,
              const Endpoints& endpoints) {
  auto read = [&doc](const char* name, std::string& value) { ReadChildText(doc, name, value); };
  read("ProductSkin", c->ProductSkin);
  read("ProductBrand", c->ProductBrand);
  read("ProductName", c->ProductName);
  read("ProductExe", c->ProductExe);
  read("ProductArg", c->ProductArg);
  read("FoldBottom", c->FoldBottom);
  read("ProductInstallArg", c->ProductInstallArg);
  read("ProductInsCmple", c->ProductInsCmple);
  read("CustomInstallPath", c->CustomInstallPath);
  read("PrivacyPost", c->PrivacyPost);
  read("IsAllowInstallAdminPath", c->IsAllowInstallAdminPath);
  c->ServerHost = endpoints.server_host;
  read("ServerHost", c->ServerHost);
  if (!c->ServerHost.empty() && c->ServerHost.back() != '/')
    c->ServerHost.push_back('/');
  telemetry->SetTrackBaseAddress(c->ServerHost);

  c->ConfigFolder =
      s.save_folder ? s.save_folder(c->ProductBrand) : DefaultSaveFolder(c->ProductBrand);
  LOG_INFO("[INFO] config folder=[%s].", c->ConfigFolder.c_str());
  read("ProductID", c->ProductID);
  c->RunStateFile = c->ConfigFolder + "QEL_DOWNTASK_" + c->ProductID + ".xml";
  read("AppID", c->AppID);
  read("Channel", c->Channel);
  read("DownloadFirstUrl", c->DownloadFirstUrl);

  ReadBlock(doc, "Downurl", "Url_Down", &c->Downurl);
  if (s.arch.is_64bit_system) {
    if (s.arch.is_arm64)
      ReadBlock(doc, "Downurl_arm64", "Url_Down", &c->Downurl_arm64);
    ReadBlock(doc, "Downurl_x64", "Url_Down", &c->Downurl_x64);
  }
  read("InstallTime", c->InstallTime);
  ReadBlock(doc, "Installurl", "Url_Install", &c->Installurl);
  read("Url_License", c->Url_License);
  if (c->Url_License.empty())
    c->Url_License = endpoints.license_page;
  for (auto [name, field] : {
           std::pair{"UserAgreementUrl", &c->UserAgreementUrl},
           {"PrivacyAgreementUrl", &c->PrivacyAgreementUrl},
           {"Languages", &c->Languages},
           {"Dotnetminver", &c->Dotnetminver},
           {"Dotneturl", &c->Dotneturl},
           {"AgreeUserLicense", &c->AgreeUserLicense},
           {"StartupProduct", &c->StartupProduct},
           {"Url_Jump", &c->Url_Jump},
           {"InstallErrorUrl", &c->InstallErrorUrl},
           {"InstallSalvageTitle", &c->InstallSalvageTitle},
           {"InstallSalvageContent", &c->InstallSalvageContent},
           {"NotSupportWin32", &c->NotSupportWin32},
           {"SceneCode", &c->SceneCode},
           {"BannerImg", &c->BannerImg},
           {"AllowRunTimeInstall", &c->AllowRunTimeInstall},
           {"IsDelInstaller", &c->IsDelInstaller},
           {"InstallerStorageDirectory", &c->InstallerStorageDirectory},
           {"InstallationConfirmation", &c->InstallationConfirmation},
       })
    read(name, *field);
}

void ApplyInstallFolderRule(ProductConfig* c, const ProductConfigServices& s) {
  ProgramFilesFolders program_files = GetProgramFilesFolders(s.arch);
  c->DefaultInstallFolder =
      s.arch.is_64bit_system ? program_files.folder64 : program_files.folder32;
  InstalledProducts installed(c->ProductBrand, s.related_ids);
  int product_id = atoi(c->ProductID.c_str());
  CustomInstallPathInputs in;
  in.local_path = c->CustomInstallPath;
  in.brand = c->ProductBrand;
  in.installed_path = [&] { return installed.GetInstalledPath(product_id); };
  in.local_app_data = DesktopUserLocalAppData;
  std::string custom = GetCustomInstallPath(in);
  if (!custom.empty())
    c->DefaultInstallFolder = custom;
}

}  // namespace

bool LoadLocalXml(ProductConfig* config, const ProductConfigServices& services) {
  LOG_INFO("[INFO] LoadLocalXml");
  std::string bytes;
  ResourceStatus status = services.read_resource ? services.read_resource("XML/106", &bytes)
                                                 : ReadOwnResource("XML/106", &bytes);
  if (status == ResourceStatus::kMissing) {
    LOG_ERROR("[ERROR] LoadLocalXml, find failed!");
    return false;
  }
  if (status != ResourceStatus::kOk || bytes.empty()) {
    LOG_ERROR("[ERROR] LoadLocalXml, size error!");
    return false;
  }
  // A zero byte ends the text.
  bytes.resize(bytes.find('\0') == std::string::npos ? bytes.size() : bytes.find('\0'));
  XmlDocument doc;
  if (!doc.SetDocument(bytes)) {
    LOG_ERROR("[ERROR] LoadLocalXml err 3");
    return false;
  }
  if (!doc.FindElement("Product")) {
    LOG_ERROR("[ERROR] LoadLocalXml, not find product.");
    return false;
  }
  RecordingConfigTelemetry recorder;
  IConfigTelemetry* telemetry = services.telemetry ? services.telemetry : &recorder;
  const Endpoints& endpoints = services.endpoints ? *services.endpoints : GetEndpoints();
  ProductConfig c;
  ReadKeys(doc, &c, services, telemetry, endpoints);
  ReadDependents(doc, &c, telemetry);
  c.ClipboardValue = ReadClipboard(doc, services.clipboard);

  WriteChannelRecord(c.AppID, c.Channel, c.ProductID);
  ApplyInstallFolderRule(&c, services);

  std::string sign = GetClientSign(c.ProductBrand);
  telemetry->SetTrackProperty("product_id", c.ProductID);
  telemetry->SetTrackProperty("client_sign", sign);
  telemetry->SetTrackProperty("channel", c.Channel);
  telemetry->SetTrackProperty("defchannel", ReadDefaultChannel());
  telemetry->SetTrackProperty("scene_code", c.SceneCode);
  telemetry->PostProductSeries(c.ProductID, sign);
  *config = std::move(c);
  return true;
}
