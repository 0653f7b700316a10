#include "app/endpoints.h"

#include "foundation/log.h"
#include "foundation/xml_document.h"

Endpoints DefaultEndpoints() {
  Endpoints e;
  e.service_primary = "http://127.0.0.1:18080/api";
  e.service_secondary = "http://127.0.0.1:18080/api";
  e.server_host = "http://127.0.0.1:18080/";
  e.license_page = "http://127.0.0.1:18080/pages/license.html";
  e.httpdns_primary = "http://127.0.0.1:18081/";
  e.httpdns_secondary = "http://127.0.0.1:18081/";
  e.analytics_collector = "http://127.0.0.1:18082/sa";
  e.product_web_service = "http://127.0.0.1:18080/";
  return e;
}

Endpoints ParseEndpoints(std::string_view xml) {
  Endpoints e = DefaultEndpoints();
  XmlDocument doc;
  if (xml.empty() || !doc.SetDocument(xml) || !doc.FindElement("Endpoints"))
    return e;
  ReadChildText(doc, "ServiceBase", e.service_primary);
  ReadChildText(doc, "ServiceBaseSecondary", e.service_secondary);
  ReadChildText(doc, "ServerHost", e.server_host);
  ReadChildText(doc, "LicensePage", e.license_page);
  ReadChildText(doc, "HttpDnsPrimary", e.httpdns_primary);
  ReadChildText(doc, "HttpDnsSecondary", e.httpdns_secondary);
  ReadChildText(doc, "AnalyticsCollector", e.analytics_collector);
  ReadChildText(doc, "ProductWebService", e.product_web_service);
  return e;
}

const Endpoints& GetEndpoints() {
  static const Endpoints endpoints = [] {
    std::string xml;
    ResourceStatus status = ReadOwnResource(kEndpointsResource, &xml);
    if (status == ResourceStatus::kUnreadable)
      LOG_WARN("[WARN] endpoints resource unreadable, using the built-in addresses.");
    return ParseEndpoints(status == ResourceStatus::kOk ? xml : std::string());
  }();
  return endpoints;
}
