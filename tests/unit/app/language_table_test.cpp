#include "app/language_table.h"

#include <gtest/gtest.h>

#include "foundation/xml_document.h"
#include "support/temp_dir.h"

namespace {

TEST(LanguageTable, LanguagesInOrderAndTheirCodes) {
  LanguageTable table(0x409, 0x409);
  ASSERT_EQ(table.languages().size(), 21u);
  EXPECT_EQ(table.languages().front(), (std::pair<std::string, std::string>{"English", "ENG"}));
  EXPECT_EQ(table.languages().back(), (std::pair<std::string, std::string>{"ไทย", "THA"}));
  EXPECT_EQ(table.GetLangCode("Français"), "FRA");
  EXPECT_EQ(table.GetLangCode("Pусский"), "RUS");  // Latin P
  EXPECT_EQ(table.GetLangCode("Русский"), "ENG");  // Cyrillic Р is not in the list
  EXPECT_EQ(table.GetLangCode("French"), "ENG");
  EXPECT_EQ(table.GetLangCode("తెలుగు"), "INDTE");
}

TEST(LanguageTable, CurrentLanguageFromTheUsersLocale) {
  struct Case {
    uint32_t lcid;
    int index;
    const char* language;
  } cases[] = {
      {0xC0A, 31, "Español"},  {0x40C, 2, "Français"}, {0x409, -1, "English"},
      {0x80C, 0, "Français"},  {0x41E, 74, "ไทย"},     {0x1D, 46, "Svenska"},
      {0x804, 38, "中文简体"}, {0x419, 40, "Pусский"}, {0x1000, -1, "English"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LanguageTable::LocaleIndex(c.lcid), c.index) << std::hex << c.lcid;
    EXPECT_EQ(LanguageTable(0x409, c.lcid).current_language(), c.language) << std::hex << c.lcid;
  }
}

TEST(LanguageTable, BrandReplacesTheMakersName) {
  const char* xml =
      "<?xml version=\"1.0\"?><Lang>"
      "<item name=\"main_privacy_tip\">I have read and agree to the Halvern</item>"
      "<item name=\"lower\">halvern stays, Halvern Lumo</item>"
      "<item name=\"twice\">first</item><item name=\"twice\">second</item>"
      "<item name=\"empty\"></item></Lang>";
  struct Case {
    const char* brand;
    const char* tip;
    const char* lower;
  } cases[] = {
      {"Acme", "I have read and agree to the Acme", "halvern stays, Acme Lumo"},
      {"HALVERN", "I have read and agree to the Halvern", "halvern stays, Halvern Lumo"},
      {"Halvern", "I have read and agree to the Halvern", "halvern stays, Halvern Lumo"},
      {"", "I have read and agree to the Halvern", "halvern stays, Halvern Lumo"},
      {"HalvernX", "I have read and agree to the HalvernX", "halvern stays, HalvernX Lumo"},
  };
  for (const Case& c : cases) {
    LanguageTable table(0x409, 0x409);
    ASSERT_TRUE(table.LoadLangText(xml, c.brand));
    EXPECT_EQ(table.GetLangText("main_privacy_tip"), c.tip) << c.brand;
    EXPECT_EQ(table.GetLangText("lower"), c.lower) << c.brand;
    EXPECT_EQ(table.GetLangText("twice"), "second");
    EXPECT_EQ(table.GetLangText("empty", "fallback"), "fallback");
    EXPECT_EQ(table.GetLangText("unknown"), "");
    EXPECT_EQ(table.GetLangText("unknown", "d"), "d");
  }
}

TEST(LanguageTable, RefusesMissingOrBrokenTexts) {
  LanguageTable table(0x409, 0x409);
  for (const char* xml : {"", "<Lang><item name=\"a\">x</Lang>", "<Other/>", "<Lang/><Lang/>"})
    EXPECT_FALSE(table.LoadLangText(xml, "Acme")) << xml;
  EXPECT_FALSE(table.loadLangXML(
      "Acme", [](std::string_view, std::string*) { return ResourceStatus::kMissing; }));
  EXPECT_FALSE(table.loadLangXML("Acme", [](std::string_view, std::string* bytes) {
    bytes->clear();
    return ResourceStatus::kOk;
  }));
  EXPECT_TRUE(table.loadLangXML("Acme", [](std::string_view name, std::string* bytes) {
    *bytes = name == "XML/131" ? "<Lang><item name=\"ok\">OK</item></Lang>" : "";
    return ResourceStatus::kOk;
  }));
  EXPECT_EQ(table.GetLangText("ok"), "OK");
}

TEST(LanguageTable, ShippedTextsHaveEveryItem) {
  std::string xml = ReadFile(QEL_SOURCE_DIR "/resources/lang.xml");
  LanguageTable table(0x409, 0x409);
  ASSERT_TRUE(table.LoadLangText(xml, "Halvern"));
  EXPECT_EQ(table.text_count(), 98u);
  EXPECT_EQ(table.GetLangText("errmsg_downfailed"),
            "Sorry! Failed to download %s. Please make sure that the network connection is normal "
            "and download again.");
  EXPECT_EQ(table.GetLangText("TrayIconTip2"), "%s is still installing,%d%s finished.");
  EXPECT_EQ(table.GetLangText("wait_for_time_tip"), "(It is expected to wait for %02dm %02ds.)");
  EXPECT_EQ(table.GetLangText("new_download_time_tip"),
            "Downloading (Time remaining:  %02d:%02d:%02d)");
  EXPECT_EQ(table.GetLangText("privacy_spaceinfo_empty"),
            "Disk Space required: %s, available: {f 2}{c #ff0000}%s{/c}{/f}");
  EXPECT_EQ(table.GetLangText("main_privacy_tip"), "I have read and agree to the Halvern");
  EXPECT_EQ(table.GetLangText("retry"), "again");
  EXPECT_EQ(table.GetLangText("install_failed"), "Installation error");
  EXPECT_EQ(table.GetLangText("confirm_stop_download?"), "Do you want to stop the download?");
  EXPECT_EQ(table.GetLangText("main_privacy_tip_tail"), "");
  EXPECT_EQ(table.text_count(), 98u);
}

}  // namespace
