#include <array>

#include "app/server_xml.h"
#include "install/system_info.h"
#include "service/curl_text.h"
#include "service/service_endpoints.h"

const char* PlatformName(const MachineArch& arch) {
  if (arch.is_arm64)
    return "win_arm64";
  return arch.is_64bit_system ? "win_x64" : "win_x86";
}

std::string QueryVersionText(const std::string& file_version) {
  if (file_version.empty())
    return "4.5.14";
  std::array<int, 4> parts = ParseVersion(file_version);
  return std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." + std::to_string(parts[2]);
}

std::string RuntimeDocumentUrl(const ProductConfig& config,
                               const MachineArch& arch,
                               const std::string& client_sign,
                               const std::string& own_version) {
  if (!config.AppID.empty() && !config.Channel.empty()) {
    const std::string& package = config.Downurl.Url;
    size_t slash = package.rfind('/');
    return package.substr(0, slash == std::string::npos ? package.size() : slash) +
           kStaticRuntimeFolder + EscapeUrlValue(config.AppID) + "_" +
           EscapeUrlValue(config.Channel) + ".xml";
  }
  std::string sign = config.PrivacyPost == "1" ? std::string() : client_sign;
  return config.ServerHost + kRuntimePath + "?client_sign=" + EscapeUrlValue(sign) +
         "&product_id=" + EscapeUrlValue(config.ProductID) + "&qel=" + EscapeUrlValue(own_version) +
         "&scene_code=" + EscapeUrlValue(config.SceneCode) + "&platform=" + PlatformName(arch);
}
