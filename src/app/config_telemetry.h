// The telemetry calls that reading the product configuration and the
// server's runtime configuration make: the platform tracker's base address,
// dependents and common properties, the product-series post, the analytics
// event of the runtime configuration and the tracking identifier. The
// telemetry issue provides the real senders; the recording one keeps the
// values and sends nothing.
#ifndef QEL_APP_CONFIG_TELEMETRY_H_
#define QEL_APP_CONFIG_TELEMETRY_H_

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

// The analytics event "downloader_config": what the runtime configuration
// delivered and how its request ended.
struct ConfigReport {
  std::string name;
  std::string exe_name;
  int64_t pkg_size = 0;
  std::string pkg_url, pkg_md5;
  std::string x64_pkg_url, x64_pkg_md5;
  std::string arm64_pkg_url, arm64_pkg_md5;
  int error_code = 0;     // libcurl's result
  std::string error_msg;  // its text, empty for success
};

class IConfigTelemetry {
 public:
  virtual ~IConfigTelemetry() = default;
  virtual void SetTrackBaseAddress(const std::string& server_host) = 0;
  virtual void RegisterDependent(int product_id, bool forced) = 0;
  virtual void SetTrackProperty(const std::string& name, const std::string& value) = 0;
  virtual void PostProductSeries(const std::string& product_id, const std::string& client_sign) = 0;
  // A bound product's accepted MD5 values, joined with ",".
  virtual void RegisterDependentMd5(int product_id, const std::string& md5_list) = 0;
  virtual void ReportConfig(const ConfigReport& report) = 0;
  // Asks for the product's tracking identifier and keeps it for the process.
  virtual void UpdateTrackingId(const std::string& product_id) = 0;
};

class RecordingConfigTelemetry : public IConfigTelemetry {
 public:
  void SetTrackBaseAddress(const std::string& server_host) override { base_address = server_host; }
  void RegisterDependent(int product_id, bool forced) override {
    dependents.emplace_back(product_id, forced);
  }
  void SetTrackProperty(const std::string& name, const std::string& value) override {
    properties[name] = value;
  }
  void PostProductSeries(const std::string& product_id, const std::string& client_sign) override {
    series_posts.emplace_back(product_id, client_sign);
  }
  void RegisterDependentMd5(int product_id, const std::string& md5_list) override {
    dependent_md5.emplace_back(product_id, md5_list);
  }
  void ReportConfig(const ConfigReport& report) override { config_reports.push_back(report); }
  void UpdateTrackingId(const std::string& product_id) override {
    tracking_id_requests.push_back(product_id);
  }

  std::string base_address;
  std::vector<std::pair<int, bool>> dependents;
  std::map<std::string, std::string> properties;
  std::vector<std::pair<std::string, std::string>> series_posts;
  std::vector<std::pair<int, std::string>> dependent_md5;
  std::vector<ConfigReport> config_reports;
  std::vector<std::string> tracking_id_requests;
};

#endif  // QEL_APP_CONFIG_TELEMETRY_H_
