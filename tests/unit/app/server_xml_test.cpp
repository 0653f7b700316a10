#include "app/server_xml.h"

#include <gtest/gtest.h>

#include "foundation/log.h"
#include "support/service_world.h"
#include "support/temp_dir.h"

namespace {

constexpr int64_t kNow = 1767225600;

// The log of the process, shared by its tests; each reads what it added.
class LogTail {
 public:
  LogTail() {
    static TempDir dir;
    static simpleLog* log = simpleLog::Create(dir.path() + "server_xml_test.log");
    path_ = log->path();
    start_ = ReadFile(path_).size();
  }
  std::string New() const { return ReadFile(path_).substr(start_); }

 private:
  std::string path_;
  size_t start_ = 0;
};

ProductConfig ServiceConfig() {
  ProductConfig c;
  c.ServerHost = "https://service.example/";
  c.ProductID = "5793";
  c.SceneCode = "start";
  c.PrivacyPost = "0";
  c.Downurl.Url = "https://cdn.example/dir/pkg.exe";
  return c;
}

std::string Document(const std::string& downloader) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<hvrp><downloader>" + downloader +
         "</downloader></hvrp>";
}

std::string Item(const std::string& keys) {
  return "<item>" + keys + "</item>";
}

TEST(ServerXmlUrl, ServiceAddressCarriesEveryValueAndThePlatform) {
  struct Case {
    MachineArch arch;
    const char* platform;
  } cases[] = {
      {{true, false}, "win_x64"},
      {{true, true}, "win_arm64"},
      {{false, false}, "win_x86"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RuntimeDocumentUrl(ServiceConfig(), c.arch, "sign1", "1.2.3"),
              std::string("https://service.example/rest/v2/downloader/runtime/?client_sign=sign1"
                          "&product_id=5793&qel=1.2.3&scene_code=start&platform=") +
                  c.platform);
  }
  EXPECT_STREQ(PlatformName(MachineArchFromName("x86_64")), "win_x64");
  EXPECT_STREQ(PlatformName(MachineArchFromName("aarch64")), "win_arm64");
}

TEST(ServerXmlUrl, ValuesArePercentEncoded) {
  ProductConfig c = ServiceConfig();
  c.ProductID = "57 93";
  c.SceneCode = "a&platform=win_x86#";
  std::string url = RuntimeDocumentUrl(c, {true, false}, "{A-1G}", "1.2.3");
  EXPECT_EQ(url,
            "https://service.example/rest/v2/downloader/runtime/?client_sign=%7BA-1G%7D"
            "&product_id=57%2093&qel=1.2.3&scene_code=a%26platform%3Dwin_x86%23"
            "&platform=win_x64");
  EXPECT_EQ(ServiceWorld::QueryValue(url.substr(url.find('?') + 1), "scene_code"),
            "a&platform=win_x86#");
}

TEST(ServerXmlUrl, PrivacyPostedInstallSendsNoClientSign) {
  ProductConfig c = ServiceConfig();
  c.PrivacyPost = "1";
  std::string url = RuntimeDocumentUrl(c, {true, false}, "sign1", "1.2.3");
  EXPECT_NE(url.find("?client_sign=&product_id=5793&"), std::string::npos) << url;
}

TEST(ServerXmlUrl, StaticDocumentBesideThePackage) {
  ProductConfig c = ServiceConfig();
  c.AppID = "A1";
  c.Channel = "c2";
  EXPECT_EQ(RuntimeDocumentUrl(c, {true, false}, "sign1", "1.2.3"),
            "https://cdn.example/dir/xml/A1_c2.xml");
  c.Channel = "c/../2";
  EXPECT_EQ(RuntimeDocumentUrl(c, {true, false}, "sign1", "1.2.3"),
            "https://cdn.example/dir/xml/A1_c%2F..%2F2.xml");
  // One of the two alone asks the service.
  c.AppID.clear();
  EXPECT_EQ(RuntimeDocumentUrl(c, {true, false}, "s", "1.2.3").find("https://service.example/"),
            0u);
}

TEST(ServerXmlUrl, OwnVersionIsThreeParts) {
  EXPECT_EQ(QueryVersionText("1.0.0.1"), "1.0.0");
  EXPECT_EQ(QueryVersionText("65535.65535.65535.7"), "65535.65535.65535");
  EXPECT_EQ(QueryVersionText(""), "4.5.14");
}

TEST(ServerXmlUrl, BannerTimeParameter) {
  EXPECT_EQ(WithTimeParameter("https://b.example/p", 17), "https://b.example/p?_t=17");
  EXPECT_EQ(WithTimeParameter("https://b.example/p?x=1", 17), "https://b.example/p?x=1&_t=17");
}

class RuntimeDocumentTest : public ::testing::Test {
 protected:
  bool Read(const std::string& xml) {
    return ReadRuntimeDocument(xml, kNow, &runtime_, &dependents_, &telemetry_);
  }
  std::vector<std::string> Ids() const {
    std::vector<std::string> ids;
    for (const DependentItem& d : dependents_)
      ids.push_back(d.ProductID);
    return ids;
  }

  RuntimeConfig runtime_;
  std::vector<DependentItem> dependents_;
  RecordingConfigTelemetry telemetry_;
  LogTail log_;
};

TEST_F(RuntimeDocumentTest, EveryRuntimeKeyInAnyOrder) {
  std::string keys;
  for (auto it = RuntimeKeys().rbegin(); it != RuntimeKeys().rend(); ++it)
    keys += std::string("<") + it->name + ">v_" + it->name + "</" + it->name + ">";
  ASSERT_TRUE(Read(Document("<runtime>" + keys + "</runtime>")));
  EXPECT_EQ(RuntimeKeys().size(), 30u);
  for (const RuntimeKey& key : RuntimeKeys()) {
    std::string expected = std::string("v_") + key.name;
    if (key.value == &RuntimeConfig::banner_url)
      expected += "?_t=" + std::to_string(kNow);
    EXPECT_EQ(runtime_.*key.value, expected) << key.name;
  }
  EXPECT_EQ(runtime_.Url_Jump, "v_Url_Jump");
  EXPECT_NE(log_.New().find("[INFO] LoadServerXml downloader.runtime."), std::string::npos);
}

TEST_F(RuntimeDocumentTest, ARepeatedDocumentKeepsWhatItDoesNotDeliver) {
  ASSERT_TRUE(
      Read(Document("<runtime><version>1.0</version><md5>AA</md5>"
                    "<banner_url>https://b.example/p</banner_url></runtime>")));
  ASSERT_TRUE(Read(Document("<runtime><md5>BB</md5><filesize></filesize></runtime>")));
  EXPECT_EQ(runtime_.version, "1.0");
  EXPECT_EQ(runtime_.md5, "BB");
  EXPECT_EQ(runtime_.filesize, "");
  // The kept banner gets no second time parameter.
  EXPECT_EQ(runtime_.banner_url, "https://b.example/p?_t=" + std::to_string(kNow));
}

TEST_F(RuntimeDocumentTest, BannerAddresses) {
  struct Case {
    const char* banner;
    std::string expected;
  } cases[] = {
      {"<banner_url>https://b.example/p?lang=en</banner_url>",
       "https://b.example/p?lang=en&_t=" + std::to_string(kNow)},
      {"<banner_url>https://b.example/p</banner_url>",
       "https://b.example/p?_t=" + std::to_string(kNow)},
      {"<banner_url></banner_url>", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    runtime_ = RuntimeConfig();
    ASSERT_TRUE(Read(Document(std::string("<runtime>") + c.banner + "</runtime>")));
    EXPECT_EQ(runtime_.banner_url, c.expected) << c.banner;
  }
}

TEST_F(RuntimeDocumentTest, DocumentsThatDeliverNothing) {
  const char* documents[] = {
      "",
      "<html><body>502 Bad Gateway</body></html>",
      "<hvrp><runtime><version>9</version></runtime></hvrp>",
      "<other><downloader><runtime><version>9</version></runtime></downloader></other>",
      "<hvrp><downloader><runtime><version>9</version></runtime>",  // cut short
      "<hvrp><downloader><runtime><version>9</version></runtime></downloader></hvrp><x/>",
  };
  for (const char* xml : documents) {
    EXPECT_FALSE(Read(xml)) << xml;
    EXPECT_EQ(runtime_.version, "") << xml;
  }
  EXPECT_TRUE(telemetry_.dependents.empty());
}

TEST_F(RuntimeDocumentTest, BoundProductsWithoutRuntime) {
  ASSERT_TRUE(Read(
      Document("<bind>" + Item("<ProductID>10819</ProductID><Url_Down>u</Url_Down>") + "</bind>")));
  EXPECT_EQ(Ids(), std::vector<std::string>{"10819"});
  EXPECT_EQ(dependents_[0].ForceInstall, "true");
  EXPECT_EQ(log_.New().find("downloader.runtime"), std::string::npos);
}

TEST_F(RuntimeDocumentTest, BindBeforeRuntimeIsNotSeen) {
  ASSERT_TRUE(Read(Document("<bind>" + Item("<ProductID>1</ProductID><Url_Down>u</Url_Down>") +
                            "</bind><runtime><version>2.0</version></runtime>")));
  EXPECT_EQ(runtime_.version, "2.0");
  EXPECT_TRUE(dependents_.empty());
}

TEST_F(RuntimeDocumentTest, BoundProductReplacesTheDependentAndGoesLast) {
  for (const char* id : {"10", "20", "30"}) {
    DependentItem d;
    d.ProductID = id;
    d.Url_Down = std::string("embedded-") + id;
    dependents_.push_back(d);
  }
  std::string bind =
      "<bind>" +
      Item(
          "<ProductName>Lumo</ProductName><ProductID>20</ProductID>"
          "<Url_Downx64>https://cdn.example/x64.exe</Url_Downx64>"
          "<ForceInstall>false</ForceInstall><ProductArg>/a</ProductArg>"
          "<ForkInstall>1</ForkInstall><md5>M1</md5><history_md5_32>H32</history_md5_32>"
          "<md5_64>M64</md5_64><history_md5_64>H64</history_md5_64><md5_arm64></md5_arm64>"
          "<history_md5_arm64>HA</history_md5_arm64><filesize>5368709120</filesize>") +
      Item("<ProductID>40</ProductID>") +                                    // no address
      Item("<Url_Down>https://cdn.example/none.exe</Url_Down>") +            // no id
      Item("<ProductID>50</ProductID><Url_Down_arm64>a</Url_Down_arm64>") +  // accepted
      "</bind>";
  ASSERT_TRUE(Read(Document("<runtime></runtime>" + bind)));
  EXPECT_EQ(Ids(), (std::vector<std::string>{"10", "30", "20", "50"}));
  const DependentItem& lumo = dependents_[2];
  EXPECT_EQ(lumo.ProductName, "Lumo");
  EXPECT_EQ(lumo.Url_Down, "");
  EXPECT_EQ(lumo.Url_Downx64, "https://cdn.example/x64.exe");
  EXPECT_EQ(lumo.ForceInstall, "false");
  EXPECT_EQ(lumo.ProductArg, "/a");
  EXPECT_EQ(lumo.ForkInstall, "1");
  EXPECT_EQ(lumo.filesize, "5368709120");
  EXPECT_EQ(telemetry_.dependents, (std::vector<std::pair<int, bool>>{{20, false}, {50, true}}));
  // Bound products list their MD5 values with the 64-bit history before the
  // 64-bit digest.
  EXPECT_EQ(telemetry_.dependent_md5,
            (std::vector<std::pair<int, std::string>>{{20, "M1,H32,H64,M64,HA"}, {50, ""}}));
  std::string log = log_.New();
  for (const char* id : {"20", "40", "", "50"}) {
    EXPECT_NE(log.find(std::string("[INFO] LoadServerXml bind.item pid=[") + id + "]."),
              std::string::npos)
        << id;
  }
}

TEST(RuntimeConfig, Md5Lists) {
  RuntimeConfig r;
  EXPECT_EQ(RuntimeMd5List(r), "");
  r.md5 = "A";
  r.history_md5_32 = "B,C";
  r.history_md5_64 = "D";
  r.md5_arm64 = "E";
  EXPECT_EQ(RuntimeMd5List(r), "A,B,C,D,E");
  r.md5_64 = "F";
  r.history_md5_arm64 = "G";
  EXPECT_EQ(RuntimeMd5List(r), "A,B,C,F,D,E,G");
}

}  // namespace
