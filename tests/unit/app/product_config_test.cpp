#include "app/product_config.h"

#include <gtest/gtest.h>

#include "install/client_sign.h"
#include "platform/registry.h"
#include "support/sysroot.h"

namespace {

class FakeClipboard : public IClipboard {
 public:
  explicit FakeClipboard(const char* text) : text_(text) {}
  bool GetText(std::string* text) override {
    ++reads;
    if (!text_)
      return false;
    *text = text_;
    return true;
  }
  int reads = 0;

 private:
  const char* text_;
};

class ProductConfigTest : public ::testing::Test {
 protected:
  ProductConfigTest() {
    endpoints_.server_host = "http://service.test/";
    endpoints_.license_page = "http://service.test/license";
    services_.endpoints = &endpoints_;
    services_.telemetry = &telemetry_;
    services_.arch = {true, false};
    services_.save_folder = [this](const std::string& brand) {
      return box_.Path("/var/lib/" + brand + "/");
    };
  }
  // Loads `xml` as the resource XML/106.
  bool Load(const std::string& xml, ProductConfig* config) {
    services_.read_resource = [xml](std::string_view name, std::string* bytes) {
      if (name != "XML/106")
        return ResourceStatus::kMissing;
      *bytes = xml;
      return ResourceStatus::kOk;
    };
    return LoadLocalXml(config, services_);
  }
  std::string Product(const std::string& inner) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Product>" + inner + "</Product>";
  }

  SysrootSandbox box_;
  Endpoints endpoints_;
  RecordingConfigTelemetry telemetry_;
  ProductConfigServices services_;
};

TEST_F(ProductConfigTest, EmptyProductTakesTheDefaults) {
  ProductConfig c;
  ASSERT_TRUE(Load(Product(""), &c));
  EXPECT_EQ(c.FoldBottom, "1");
  EXPECT_EQ(c.PrivacyPost, "1");
  EXPECT_EQ(c.IsDelInstaller, "0");
  EXPECT_EQ(c.InstallerStorageDirectory, "0");
  EXPECT_EQ(c.InstallationConfirmation, "0");
  EXPECT_EQ(c.ServerHost, "http://service.test/");
  EXPECT_EQ(c.Url_License, "http://service.test/license");
  EXPECT_EQ(c.ProductName, "");
  EXPECT_EQ(c.ConfigFolder, box_.Path("/var/lib//"));
  EXPECT_EQ(c.RunStateFile, c.ConfigFolder + "QEL_DOWNTASK_.xml");
  EXPECT_EQ(c.DefaultInstallFolder, box_.Path("/opt/"));
  EXPECT_TRUE(c.dependents.empty());
  EXPECT_EQ(telemetry_.base_address, "http://service.test/");
}

TEST_F(ProductConfigTest, ValuesInAnyOrderWithCommentsAndEmptyElements) {
  ProductConfig a, b;
  ASSERT_TRUE(Load(Product("<ProductID>5793</ProductID><ProductBrand>Acme</ProductBrand>"
                           "<FoldBottom></FoldBottom><Url_License></Url_License>"
                           "<ProductName><![CDATA[Vantorix & Co]]></ProductName>"),
                   &a));
  ASSERT_TRUE(Load(Product("\n  <!-- c -->\n  <ProductName>Vantorix &amp; Co</ProductName>\n"
                           "<Url_License/><FoldBottom/><ProductBrand>Acme</ProductBrand>"
                           "<ProductID>5793</ProductID><ProductID>1</ProductID>"),
                   &b));
  for (const ProductConfig* c : {&a, &b}) {
    EXPECT_EQ(c->ProductName, "Vantorix & Co");
    EXPECT_EQ(c->FoldBottom, "");
    EXPECT_EQ(c->Url_License, "http://service.test/license");
    EXPECT_EQ(c->ProductID, "5793");
    EXPECT_EQ(c->RunStateFile, box_.Path("/var/lib/Acme/QEL_DOWNTASK_5793.xml"));
  }
}

TEST_F(ProductConfigTest, ServerHostGetsItsSlash) {
  struct Case {
    const char* element;
    const char* host;
  } cases[] = {
      {"<ServerHost>http://a.test/api</ServerHost>", "http://a.test/api/"},
      {"<ServerHost>http://a.test/api/</ServerHost>", "http://a.test/api/"},
      {"<ServerHost></ServerHost>", ""},
      {"", "http://service.test/"},
  };
  for (const Case& c : cases) {
    ProductConfig config;
    ASSERT_TRUE(Load(Product(c.element), &config));
    EXPECT_EQ(config.ServerHost, c.host) << c.element;
    EXPECT_EQ(telemetry_.base_address, c.host) << c.element;
  }
}

TEST_F(ProductConfigTest, DownloadBlocksByArchitecture) {
  // The blocks come in an unusual order to show that each is found anyway.
  std::string xml = Product(
      "<Downurl_x64><Url_Down>x64</Url_Down><OnlyUseLocalUrl>1</OnlyUseLocalUrl></Downurl_x64>"
      "<Downurl_arm64><Url_Down>arm</Url_Down></Downurl_arm64>"
      "<Downurl><OnlyUseLocalUrl>0</OnlyUseLocalUrl><Url_Down>x86</Url_Down></Downurl>"
      "<Installurl><Url_Install>page</Url_Install></Installurl>");
  struct Case {
    MachineArch arch;
    const char* x64;
    const char* arm;
  } cases[] = {
      {{false, false}, "", ""},
      {{true, false}, "x64", ""},
      {{true, true}, "x64", "arm"},
  };
  for (const Case& c : cases) {
    services_.arch = c.arch;
    ProductConfig config;
    ASSERT_TRUE(Load(xml, &config));
    EXPECT_EQ(config.Downurl.Url, "x86");
    EXPECT_EQ(config.Downurl.OnlyUseLocalUrl, "0");
    EXPECT_EQ(config.Downurl_x64.Url, c.x64);
    EXPECT_EQ(config.Downurl_x64.OnlyUseLocalUrl, c.x64[0] ? "1" : "");
    EXPECT_EQ(config.Downurl_arm64.Url, c.arm);
    EXPECT_EQ(config.Installurl.Url, "page");
  }
}

TEST_F(ProductConfigTest, DependentItemsNeedAnIdAndAnAddress) {
  ProductConfig c;
  ASSERT_TRUE(Load(Product("<Dependent>"
                           "<item><ProductID>10819</ProductID><Url_Downx64>u</Url_Downx64>"
                           "<ForkInstall>1</ForkInstall></item>"
                           "<item><ProductID>77</ProductID></item>"
                           "<item><Url_Down>u</Url_Down></item>"
                           "<item><ProductID>9876</ProductID><Url_Down>d</Url_Down>"
                           "<ForceInstall>false</ForceInstall></item>"
                           "</Dependent>"),
                   &c));
  ASSERT_EQ(c.dependents.size(), 2u);
  EXPECT_EQ(c.dependents[0].ProductID, "10819");
  EXPECT_EQ(c.dependents[0].ForceInstall, "true");
  EXPECT_EQ(c.dependents[0].ForkInstall, "1");
  EXPECT_EQ(c.dependents[1].ProductID, "9876");
  EXPECT_EQ(c.dependents[1].ForceInstall, "false");
  EXPECT_EQ(telemetry_.dependents,
            (std::vector<std::pair<int, bool>>{{10819, true}, {9876, false}}));
}

TEST_F(ProductConfigTest, ClipboardRule) {
  struct Case {
    const char* block;
    const char* clipboard;
    const char* value;
  } cases[] = {
      {"<Clipboard><Access>1</Access><Keyword>vx:</Keyword></Clipboard>", "vx:code=42",
       "vx:code=42"},
      {"<Clipboard><Access>1</Access><Keyword>vx:</Keyword></Clipboard>", "see vx:code", ""},
      {"<Clipboard><Access>1</Access><Keyword>vx:</Keyword></Clipboard>", "VX:code", ""},
      {"<Clipboard><Access>1</Access><Keyword>vx:</Keyword></Clipboard>", nullptr, ""},
      {"<Clipboard><Access>1</Access><Keyword></Keyword></Clipboard>", "anything", ""},
      {"<Clipboard><Access>0</Access><Keyword>vx:</Keyword></Clipboard>", "vx:code", ""},
      {"", "vx:code", ""},
  };
  for (const Case& c : cases) {
    FakeClipboard clipboard(c.clipboard);
    services_.clipboard = &clipboard;
    ProductConfig config;
    ASSERT_TRUE(Load(Product(c.block), &config));
    EXPECT_EQ(config.ClipboardValue, c.value)
        << c.block << " / " << (c.clipboard ? c.clipboard : "-");
  }
  services_.clipboard = nullptr;
  ProductConfig config;
  ASSERT_TRUE(Load(Product(cases[0].block), &config));
  EXPECT_EQ(config.ClipboardValue, "");
}

TEST_F(ProductConfigTest, BrokenResourcesAreRefused) {
  ProductConfig c;
  c.ProductName = "untouched";
  for (const char* xml : {"", "<Product><ProductName>x</Product>", "<Other/>",
                          "<Product/><Product/>", "not xml at all"}) {
    EXPECT_FALSE(Load(xml, &c)) << xml;
    EXPECT_EQ(c.ProductName, "untouched");
  }
  services_.read_resource = [](std::string_view, std::string*) { return ResourceStatus::kMissing; };
  EXPECT_FALSE(LoadLocalXml(&c, services_));
  services_.read_resource = [](std::string_view, std::string*) {
    return ResourceStatus::kUnreadable;
  };
  EXPECT_FALSE(LoadLocalXml(&c, services_));
  // A zero byte ends the text.
  EXPECT_TRUE(Load(std::string("<Product><ProductName>Z</ProductName></Product>\0junk<", 53), &c));
  EXPECT_EQ(c.ProductName, "Z");
}

TEST_F(ProductConfigTest, MachineRecordsAndTrackerProperties) {
  ProductConfig c;
  ASSERT_TRUE(Load(Product("<ProductBrand>Acme</ProductBrand><ProductID>5793</ProductID>"
                           "<AppID>app1</AppID><Channel>web</Channel><SceneCode>s1</SceneCode>"),
                   &c));
  std::string sign = GetClientSign("Acme");
  EXPECT_EQ(sign.size(), 39u);
  EXPECT_EQ(ReadDefaultChannel(), "web");
  EXPECT_EQ(telemetry_.properties, (std::map<std::string, std::string>{{"product_id", "5793"},
                                                                       {"client_sign", sign},
                                                                       {"channel", "web"},
                                                                       {"defchannel", "web"},
                                                                       {"scene_code", "s1"}}));
  EXPECT_EQ(telemetry_.series_posts,
            (std::vector<std::pair<std::string, std::string>>{{"5793", sign}}));
}

TEST_F(ProductConfigTest, InstallFolderRule) {
  std::filesystem::create_directories(box_.Path("/data"));
  struct Case {
    std::string custom;
    std::string folder;
  } cases[] = {
      {box_.Path("/data/Apps"), box_.Path("/data/Apps/")},
      {"/nonexistent-top/Apps", box_.Path("/opt/")},
      {"", box_.Path("/opt/")},
  };
  for (const Case& c : cases) {
    ProductConfig config;
    ASSERT_TRUE(Load(Product("<CustomInstallPath>" + c.custom + "</CustomInstallPath>"), &config));
    EXPECT_EQ(config.DefaultInstallFolder, c.folder) << c.custom;
  }
  // Without a usable custom folder, the installed product's parent folder.
  RegKey key;
  ASSERT_TRUE(key.Create(RegRoot::kLocalMachine, "Software\\Acme\\Vantorix", RegView::k64));
  key.WriteDword("PID", 5793);
  key.WriteString("InstallInfo", "1");
  key.WriteString("InstallPath", "/srv/tools/Acme/Vantorix/");
  ProductConfig config;
  ASSERT_TRUE(
      Load(Product("<ProductBrand>Acme</ProductBrand><ProductID>5793</ProductID>"), &config));
  EXPECT_EQ(config.DefaultInstallFolder, "/srv/tools/");
}

}  // namespace
