#include "app/server_xml.h"

#include <charconv>
#include <ctime>

#include "engine/curl_request.h"
#include "foundation/log.h"
#include "foundation/xml_document.h"
#include "install/client_sign.h"
#include "install/system_info.h"
#include "service/curl_text.h"

namespace {

constexpr int kRequestTimeoutSeconds = 10;

// The leading decimal number of a text, 0 when there is none or it does not
// fit.
int64_t LeadingInt64(const std::string& text) {
  size_t start = text.find_first_not_of(" \t");
  if (start == std::string::npos)
    return 0;
  int64_t value = 0;
  auto result = std::from_chars(text.data() + start, text.data() + text.size(), value);
  return result.ec == std::errc() ? value : 0;
}

void ReadRuntimeKeys(XmlDocument& doc, int64_t now, RuntimeConfig* runtime) {
  for (const RuntimeKey& key : RuntimeKeys()) {
    if (key.value != &RuntimeConfig::banner_url)
      ReadChildText(doc, key.name, runtime->*key.value);
  }
  // Only a banner address this document delivered gets the time: one kept
  // from an earlier document has it already.
  std::string banner;
  if (ReadChildText(doc, "banner_url", banner))
    runtime->banner_url = banner.empty() ? banner : WithTimeParameter(banner, now);
}

DependentItem ReadBoundItem(XmlDocument& doc) {
  DependentItem item;
  for (auto [name, value] : {
           std::pair{"ProductID", &item.ProductID},
           {"ProductName", &item.ProductName},
           {"ProductExe", &item.ProductExe},
           {"Url_Down", &item.Url_Down},
           {"Url_Downx64", &item.Url_Downx64},
           {"Url_Down_arm64", &item.Url_Down_arm64},
           {"ForceInstall", &item.ForceInstall},
           {"ProductArg", &item.ProductArg},
           {"ProductInstallArg", &item.ProductInstallArg},
           {"ProductInsCmple", &item.ProductInsCmple},
           {"ForkInstall", &item.ForkInstall},
           {"md5", &item.md5},
           {"history_md5_32", &item.history_md5_32},
           {"md5_64", &item.md5_64},
           {"history_md5_64", &item.history_md5_64},
           {"md5_arm64", &item.md5_arm64},
           {"history_md5_arm64", &item.history_md5_arm64},
           {"filesize", &item.filesize},
       })
    ReadChildText(doc, name, *value);
  return item;
}

void AddBoundItem(DependentItem item,
                  std::vector<DependentItem>* dependents,
                  IConfigTelemetry* telemetry) {
  std::erase_if(*dependents, [&](const DependentItem& d) { return d.ProductID == item.ProductID; });
  int product_id = atoi(item.ProductID.c_str());
  telemetry->RegisterDependent(product_id, item.ForceInstall == "true");
  telemetry->RegisterDependentMd5(product_id, BoundItemMd5List(item));
  dependents->push_back(std::move(item));
}

void ReadBoundItems(XmlDocument& doc,
                    std::vector<DependentItem>* dependents,
                    IConfigTelemetry* telemetry) {
  while (doc.FindChildElement("item")) {
    if (!doc.IntoElement())
      break;
    DependentItem item = ReadBoundItem(doc);
    doc.OutOfElement();
    LOG_INFO("[INFO] LoadServerXml bind.item pid=[%s].", item.ProductID.c_str());
    bool has_url =
        !item.Url_Down.empty() || !item.Url_Downx64.empty() || !item.Url_Down_arm64.empty();
    if (!item.ProductID.empty() && has_url)
      AddBoundItem(std::move(item), dependents, telemetry);
  }
}

ConfigReport MakeConfigReport(const RuntimeConfig& r, int curl_code) {
  ConfigReport report;
  report.name = r.name;
  report.exe_name = r.process_name;
  report.pkg_size = LeadingInt64(r.filesize);
  report.pkg_url = r.download_url;
  report.pkg_md5 = r.md5;
  report.x64_pkg_url = r.download_url_x64;
  report.x64_pkg_md5 = r.md5_64;
  report.arm64_pkg_url = r.download_url_arm64;
  report.arm64_pkg_md5 = r.md5_arm64;
  report.error_code = curl_code;
  report.error_msg = CurlResultText(curl_code);
  return report;
}

}  // namespace

std::string WithTimeParameter(const std::string& url, int64_t now) {
  return url + (url.find('?') == std::string::npos ? "?" : "&") + "_t=" + std::to_string(now);
}

bool ReadRuntimeDocument(const std::string& xml,
                         int64_t now,
                         RuntimeConfig* runtime,
                         std::vector<DependentItem>* dependents,
                         IConfigTelemetry* telemetry) {
  XmlDocument doc;
  // A reply cut short or an error page delivers nothing, not half a value.
  if (!doc.SetDocument(xml)) {
    if (!xml.empty())
      LOG_WARN("[WARN] LoadServerXml, not a document, result=[%s].", doc.GetParseResult().c_str());
    return false;
  }
  if (!doc.FindElement("hvrp") || !doc.FindChildElement("downloader") || !doc.IntoElement())
    return false;
  // The child search goes on from "runtime": a "bind" before it is not seen.
  if (doc.FindChildElement("runtime")) {
    LOG_INFO("[INFO] LoadServerXml downloader.runtime.");
    doc.IntoElement();
    ReadRuntimeKeys(doc, now, runtime);
    doc.OutOfElement();
  }
  if (doc.FindChildElement("bind") && doc.IntoElement()) {
    ReadBoundItems(doc, dependents, telemetry);
    doc.OutOfElement();
  }
  return true;
}

bool LoadServerXml(ProductConfig* config, RuntimeConfig* runtime, const ServerXmlServices& s) {
  RecordingConfigTelemetry recorder;
  IConfigTelemetry* telemetry = s.telemetry ? s.telemetry : &recorder;
  std::string sign;
  bool needs_sign =
      (config->AppID.empty() || config->Channel.empty()) && config->PrivacyPost != "1";
  if (needs_sign)
    sign =
        s.client_sign ? s.client_sign(config->ProductBrand) : GetClientSign(config->ProductBrand);
  std::string url = RuntimeDocumentUrl(*config, s.arch, sign, QueryVersionText(GetOwnVersion()));
  LOG_INFO("[INFO] LoadServerXml, url=[%s].", url.c_str());

  int curl_code = 0;
  std::string reply = ns_Drav::CurlRequest(ns_Drav::kRequestGet, url, {}, true, false,
                                           std::string(), &curl_code, kRequestTimeoutSeconds);
  ReadRuntimeDocument(reply, static_cast<int64_t>(time(nullptr)), runtime, &config->dependents,
                      telemetry);

  telemetry->ReportConfig(MakeConfigReport(*runtime, curl_code));
  telemetry->SetTrackProperty("serverxmlmd5", RuntimeMd5List(*runtime));
  telemetry->SetTrackProperty("xmlprodcutver", runtime->version);
  telemetry->UpdateTrackingId(config->ProductID);
  return true;
}
