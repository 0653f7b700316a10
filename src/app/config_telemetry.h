// The telemetry calls that reading the product configuration makes: the
// platform tracker's base address, dependents and common properties, and
// the product-series post. The telemetry issue provides the real senders;
// the recording one keeps the values and sends nothing.
#ifndef QEL_APP_CONFIG_TELEMETRY_H_
#define QEL_APP_CONFIG_TELEMETRY_H_

#include <map>
#include <string>
#include <utility>
#include <vector>

class IConfigTelemetry {
 public:
  virtual ~IConfigTelemetry() = default;
  virtual void SetTrackBaseAddress(const std::string& server_host) = 0;
  virtual void RegisterDependent(int product_id, bool forced) = 0;
  virtual void SetTrackProperty(const std::string& name, const std::string& value) = 0;
  virtual void PostProductSeries(const std::string& product_id, const std::string& client_sign) = 0;
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

  std::string base_address;
  std::vector<std::pair<int, bool>> dependents;
  std::map<std::string, std::string> properties;
  std::vector<std::pair<std::string, std::string>> series_posts;
};

#endif  // QEL_APP_CONFIG_TELEMETRY_H_
