#include "app/runtime_config.h"

#include <array>
#include <initializer_list>

namespace {

using R = RuntimeConfig;

constexpr std::array kKeys = {
    RuntimeKey{"name", &R::name},
    RuntimeKey{"version", &R::version},
    RuntimeKey{"process_name", &R::process_name},
    RuntimeKey{"install_url", &R::install_url},
    RuntimeKey{"download_url", &R::download_url},
    RuntimeKey{"download_url_with_framework", &R::download_url_with_framework},
    RuntimeKey{"download_url_net", &R::download_url_net},
    RuntimeKey{"download_url_net_with_framework", &R::download_url_net_with_framework},
    RuntimeKey{"download_url_x64", &R::download_url_x64},
    RuntimeKey{"download_url_arm64", &R::download_url_arm64},
    RuntimeKey{"banner_url", &R::banner_url},
    RuntimeKey{"oiap_url", &R::oiap_url},
    RuntimeKey{"user_agreement_url", &R::user_agreement_url},
    RuntimeKey{"privacy_agreement_url", &R::privacy_agreement_url},
    RuntimeKey{"md5", &R::md5},
    RuntimeKey{"history_md5_32", &R::history_md5_32},
    RuntimeKey{"md5_64", &R::md5_64},
    RuntimeKey{"history_md5_64", &R::history_md5_64},
    RuntimeKey{"md5_arm64", &R::md5_arm64},
    RuntimeKey{"history_md5_arm64", &R::history_md5_arm64},
    RuntimeKey{"filesize", &R::filesize},
    RuntimeKey{"netfx_minver", &R::netfx_minver},
    RuntimeKey{"netfxlite_url", &R::netfxlite_url},
    RuntimeKey{"languages", &R::languages},
    RuntimeKey{"Url_Jump", &R::Url_Jump},
    RuntimeKey{"install_error_url", &R::install_error_url},
    RuntimeKey{"custom_install_path", &R::custom_install_path},
    RuntimeKey{"is_allow_install_admin_path", &R::is_allow_install_admin_path},
    RuntimeKey{"not_support_win32", &R::not_support_win32},
    RuntimeKey{"download_process_config", &R::download_process_config},
};

std::string JoinNonEmpty(std::initializer_list<const std::string*> values) {
  std::string joined;
  for (const std::string* value : values) {
    if (value->empty())
      continue;
    if (!joined.empty())
      joined += ",";
    joined += *value;
  }
  return joined;
}

}  // namespace

std::span<const RuntimeKey> RuntimeKeys() {
  return kKeys;
}

std::string RuntimeMd5List(const RuntimeConfig& r) {
  return JoinNonEmpty({&r.md5, &r.history_md5_32, &r.md5_64, &r.history_md5_64, &r.md5_arm64,
                       &r.history_md5_arm64});
}

std::string BoundItemMd5List(const DependentItem& d) {
  return JoinNonEmpty({&d.md5, &d.history_md5_32, &d.history_md5_64, &d.md5_64, &d.md5_arm64,
                       &d.history_md5_arm64});
}
