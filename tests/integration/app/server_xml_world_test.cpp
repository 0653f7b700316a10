#include <gtest/gtest.h>
#include <unistd.h>

#include <ctime>

#include "app/server_xml.h"
#include "foundation/log.h"
#include "foundation/path.h"
#include "support/log_watch.h"
#include "support/service_world.h"
#include "support/sysroot.h"
#include "support/world.h"

namespace {

constexpr const char* kSign = "{0A1B2C3D-0000-4000-8000-00000000000EG}";
const std::string kRuntime = "/rest/v2/downloader/runtime/";

const char* kDocument = R"(<?xml version="1.0" encoding="UTF-8"?>
<hvrp>
  <downloader>
    <runtime>
      <name>Vantorix</name>
      <version>8.2.0.1</version>
      <process_name>Vantorix.exe</process_name>
      <download_url>https://cdn.example/v/pkg32.exe</download_url>
      <download_url_x64>https://cdn.example/v/pkg64.exe</download_url_x64>
      <download_url_arm64>https://cdn.example/v/pkgarm.exe</download_url_arm64>
      <md5>AAAA</md5>
      <history_md5_32>BBBB</history_md5_32>
      <md5_64>CCCC</md5_64>
      <md5_arm64>DDDD</md5_arm64>
      <filesize>5368709121</filesize>
      <banner_url><![CDATA[https://pages.example/banner?lang=en&x=1]]></banner_url>
      <languages>en,de</languages>
    </runtime>
    <bind>
      <item>
        <ProductID>10819</ProductID>
        <ProductName>Lumo Center</ProductName>
        <Url_Down>https://cdn.example/lumo.exe</Url_Down>
        <md5>EEEE</md5>
      </item>
    </bind>
  </downloader>
</hvrp>)";

// `text` as a JSON string.
std::string JsonText(const std::string& text) {
  std::string json = "\"";
  for (char c : text) {
    if (c == '\n') {
      json += "\\n";
      continue;
    }
    if (c == '"' || c == '\\')
      json += '\\';
    json += c;
  }
  return json + "\"";
}

class ServerXmlWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(service_.Load(WorldFileName(""), &error)) << error;
    service_.Clear();
    config_.ServerHost = service_.Url("/");
    config_.ProductID = "5793";
    config_.ProductBrand = "Halvern";
    config_.SceneCode = "start page";
    config_.PrivacyPost = "0";
    DependentItem lumo;
    lumo.ProductID = "10819";
    lumo.Url_Down = "https://cdn.example/old-lumo.exe";
    DependentItem other;
    other.ProductID = "9876";
    other.Url_Down = "https://cdn.example/netfx.exe";
    config_.dependents = {lumo, other};
    services_.arch = {true, false};
    services_.telemetry = &telemetry_;
    services_.client_sign = [this](const std::string& brand) {
      sign_brands_.push_back(brand);
      return std::string(kSign);
    };
    log_.Start("qel-server-xml-world");
  }
  void TearDown() override { service_.Clear(); }

  bool Logged(const std::string& text) const { return log_.Contains(text); }
  std::vector<std::string> DependentIds() const {
    std::vector<std::string> ids;
    for (const DependentItem& d : config_.dependents)
      ids.push_back(d.ProductID);
    return ids;
  }

  SysrootSandbox box_;
  ServiceWorld service_;
  ProductConfig config_;
  RuntimeConfig runtime_;
  RecordingConfigTelemetry telemetry_;
  ServerXmlServices services_;
  std::vector<std::string> sign_brands_;
  LogWatch log_;
};

TEST_F(ServerXmlWorld, AsksTheServiceAndStoresWhatItDelivers) {
  service_.Answer(kRuntime, R"("content_type": "text/xml", "body": )" + JsonText(kDocument));
  int64_t before = time(nullptr);
  EXPECT_TRUE(LoadServerXml(&config_, &runtime_, services_));
  int64_t after = time(nullptr);

  std::vector<ServiceRequest> journal = service_.Journal();
  ASSERT_EQ(journal.size(), 1u);
  EXPECT_EQ(journal[0].method, "GET");
  EXPECT_EQ(journal[0].path, kRuntime);
  EXPECT_EQ(journal[0].version, "HTTP/1.0");
  EXPECT_EQ(journal[0].query,
            "client_sign=%7B0A1B2C3D-0000-4000-8000-00000000000EG%7D&product_id=5793"
            "&qel=4.5.14&scene_code=start%20page&platform=win_x64");
  EXPECT_EQ(ServiceWorld::QueryValue(journal[0].query, "client_sign"), kSign);
  EXPECT_EQ(sign_brands_, std::vector<std::string>{"Halvern"});
  EXPECT_TRUE(Logged("[INFO] LoadServerXml, url=[" + service_.Url(kRuntime) + "?client_sign="));

  EXPECT_EQ(runtime_.name, "Vantorix");
  EXPECT_EQ(runtime_.version, "8.2.0.1");
  EXPECT_EQ(runtime_.download_url_x64, "https://cdn.example/v/pkg64.exe");
  EXPECT_EQ(runtime_.languages, "en,de");
  EXPECT_EQ(runtime_.install_url, "");
  std::string banner = runtime_.banner_url;
  const std::string prefix = "https://pages.example/banner?lang=en&x=1&_t=";
  ASSERT_EQ(banner.rfind(prefix, 0), 0u) << banner;
  int64_t stamp = atoll(banner.c_str() + prefix.size());
  EXPECT_GE(stamp, before);
  EXPECT_LE(stamp, after);

  // The bound product replaced the embedded one and went last.
  EXPECT_EQ(DependentIds(), (std::vector<std::string>{"9876", "10819"}));
  EXPECT_EQ(config_.dependents[1].Url_Down, "https://cdn.example/lumo.exe");
  EXPECT_EQ(config_.dependents[1].md5, "EEEE");
  EXPECT_EQ(telemetry_.dependents, (std::vector<std::pair<int, bool>>{{10819, true}}));
  EXPECT_EQ(telemetry_.dependent_md5, (std::vector<std::pair<int, std::string>>{{10819, "EEEE"}}));

  ASSERT_EQ(telemetry_.config_reports.size(), 1u);
  const ConfigReport& report = telemetry_.config_reports[0];
  EXPECT_EQ(report.name, "Vantorix");
  EXPECT_EQ(report.exe_name, "Vantorix.exe");
  EXPECT_EQ(report.pkg_size, 5368709121);
  EXPECT_EQ(report.pkg_url, "https://cdn.example/v/pkg32.exe");
  EXPECT_EQ(report.pkg_md5, "AAAA");
  EXPECT_EQ(report.x64_pkg_url, "https://cdn.example/v/pkg64.exe");
  EXPECT_EQ(report.x64_pkg_md5, "CCCC");
  EXPECT_EQ(report.arm64_pkg_url, "https://cdn.example/v/pkgarm.exe");
  EXPECT_EQ(report.arm64_pkg_md5, "DDDD");
  EXPECT_EQ(report.error_code, 0);
  EXPECT_EQ(report.error_msg, "");
  EXPECT_EQ(telemetry_.properties["serverxmlmd5"], "AAAA,BBBB,CCCC,DDDD");
  EXPECT_EQ(telemetry_.properties["xmlprodcutver"], "8.2.0.1");
  EXPECT_EQ(telemetry_.tracking_id_requests, std::vector<std::string>{"5793"});
}

TEST_F(ServerXmlWorld, StaticDocumentBesideThePackage) {
  config_.AppID = "A1";
  config_.Channel = "c2";
  config_.Downurl.Url = service_.Url("/dir/pkg.exe");
  service_.Answer("/dir/xml/A1_c2.xml",
                  R"("body": "<hvrp><downloader><runtime><version>3.1</version>)"
                  R"(</runtime></downloader></hvrp>")");
  EXPECT_TRUE(LoadServerXml(&config_, &runtime_, services_));
  EXPECT_EQ(runtime_.version, "3.1");
  std::vector<ServiceRequest> journal = service_.Journal();
  ASSERT_EQ(journal.size(), 1u);
  EXPECT_EQ(journal[0].path, "/dir/xml/A1_c2.xml");
  EXPECT_EQ(journal[0].query, "");
  EXPECT_TRUE(sign_brands_.empty());
}

TEST_F(ServerXmlWorld, PrivacyPostedRunSendsNoClientSign) {
  config_.PrivacyPost = "1";
  EXPECT_TRUE(LoadServerXml(&config_, &runtime_, services_));
  std::vector<ServiceRequest> journal = service_.Journal();
  ASSERT_EQ(journal.size(), 1u);
  EXPECT_EQ(journal[0].query.rfind("client_sign=&product_id=5793&", 0), 0u) << journal[0].query;
  EXPECT_TRUE(sign_brands_.empty());
}

TEST_F(ServerXmlWorld, FailedFetchLeavesEveryValueEmpty) {
  struct Case {
    std::string host;
    const char* answer;  // scripted for the runtime path, or none
    int code;
    const char* text;
  } cases[] = {
      {"http://127.0.0.1:1/", nullptr, 7, "Couldn't connect to server"},
      {service_.Url("/"), R"("drop": true)", 52, "Server returned nothing (no headers, no data)"},
      {service_.Url("/"), nullptr, 0, ""},  // 404 page
      {service_.Url("/"), R"("body": "<hvrp><downloader><runtime><version>9")", 0, ""},
  };
  for (const Case& c : cases) {
    service_.Clear();
    if (c.answer)
      service_.Answer(kRuntime, c.answer);
    config_.ServerHost = c.host;
    RecordingConfigTelemetry telemetry;
    services_.telemetry = &telemetry;
    RuntimeConfig runtime;
    EXPECT_TRUE(LoadServerXml(&config_, &runtime, services_)) << c.host;
    for (const RuntimeKey& key : RuntimeKeys())
      EXPECT_EQ(runtime.*key.value, "") << key.name;
    EXPECT_EQ(DependentIds(), (std::vector<std::string>{"10819", "9876"}));
    EXPECT_TRUE(telemetry.dependents.empty());
    ASSERT_EQ(telemetry.config_reports.size(), 1u);
    EXPECT_EQ(telemetry.config_reports[0].error_code, c.code);
    EXPECT_EQ(telemetry.config_reports[0].error_msg, c.text);
    EXPECT_EQ(telemetry.config_reports[0].pkg_size, 0);
    EXPECT_EQ(telemetry.properties["serverxmlmd5"], "");
    EXPECT_EQ(telemetry.properties["xmlprodcutver"], "");
    EXPECT_EQ(telemetry.tracking_id_requests, std::vector<std::string>{"5793"});
  }
}

}  // namespace
