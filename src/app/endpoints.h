// Addresses of the outside services. They are data: the resource "XML/140"
// of the executable overrides the built-in defaults, so one binary can be
// pointed at another world with qel-res.
#ifndef QEL_APP_ENDPOINTS_H_
#define QEL_APP_ENDPOINTS_H_

#include <functional>
#include <string>
#include <string_view>

#include "platform/resources.h"

struct Endpoints {
  std::string service_primary;      // ServiceBase
  std::string service_secondary;    // ServiceBaseSecondary
  std::string server_host;          // ServerHost: the default runtime and track base
  std::string license_page;         // LicensePage: the default licence page
  std::string httpdns_primary;      // HttpDnsPrimary
  std::string httpdns_secondary;    // HttpDnsSecondary
  std::string analytics_collector;  // AnalyticsCollector
  std::string product_web_service;  // ProductWebService
};

using ResourceReader = std::function<ResourceStatus(std::string_view name, std::string* bytes)>;

constexpr const char* kEndpointsResource = "XML/140";

// The built-in defaults: the local demo world on 127.0.0.1.
Endpoints DefaultEndpoints();
// The defaults with every element of `xml` ("Endpoints" root) applied. A
// missing or broken document leaves the defaults.
Endpoints ParseEndpoints(std::string_view xml);
// The own executable's, read once.
const Endpoints& GetEndpoints();

#endif  // QEL_APP_ENDPOINTS_H_
