// The runtime configuration that the maker's service delivers at run time:
// values named after the keys of its document, kept beside the embedded
// ProductConfig and never merged into it; each consumer decides which of
// the two wins.
#ifndef QEL_APP_RUNTIME_CONFIG_H_
#define QEL_APP_RUNTIME_CONFIG_H_

#include <span>
#include <string>

#include "app/product_config.h"

// Text as the document gives it; empty until a document delivers it.
struct RuntimeConfig {
  std::string name;
  std::string version;  // the product version offered (target version)
  std::string process_name;
  std::string install_url;
  std::string download_url;  // 32-bit package
  std::string download_url_with_framework, download_url_net, download_url_net_with_framework;
  std::string download_url_x64;
  std::string download_url_arm64;
  std::string banner_url;  // with "_t=<time>" once read
  std::string oiap_url;
  std::string user_agreement_url, privacy_agreement_url;
  std::string md5, history_md5_32;
  std::string md5_64, history_md5_64;
  std::string md5_arm64, history_md5_arm64;
  std::string filesize;  // bytes, decimal
  std::string netfx_minver, netfxlite_url;
  std::string languages;
  std::string Url_Jump;
  std::string install_error_url;
  std::string custom_install_path;
  std::string is_allow_install_admin_path;
  std::string not_support_win32;
  std::string download_process_config;
};

struct RuntimeKey {
  const char* name;
  std::string RuntimeConfig::*value;
};

// Every key of the document's "runtime" element and the member it fills.
std::span<const RuntimeKey> RuntimeKeys();

// The record's non-empty MD5 values joined with ",": md5, history_md5_32,
// md5_64, history_md5_64, md5_arm64, history_md5_arm64.
std::string RuntimeMd5List(const RuntimeConfig& runtime);

// A bound product's non-empty MD5 values joined with ",": md5,
// history_md5_32, history_md5_64, md5_64, md5_arm64, history_md5_arm64.
std::string BoundItemMd5List(const DependentItem& item);

#endif  // QEL_APP_RUNTIME_CONFIG_H_
