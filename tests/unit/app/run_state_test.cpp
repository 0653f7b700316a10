#include "app/run_state.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace {

class RunStateTest : public ::testing::Test {
 protected:
  std::string File() { return dir_.path() + "QEL_DOWNTASK_5793.xml"; }
  TempDir dir_;
};

TEST_F(RunStateTest, NoFileKeepsTheStartValues) {
  RunState state;
  state.Configure(File(), false);
  state.ReadRunConfig();
  EXPECT_EQ(state.status, "0");
  EXPECT_EQ(state.agree_ext_install, "1");
  EXPECT_FALSE(state.resumed());
  RunState none;
  none.ReadRunConfig();  // no file name at all
  EXPECT_FALSE(none.resumed());
}

TEST_F(RunStateTest, ReadsInAnyOrderAndAddsTheTrailingSlash) {
  WriteFile(File(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<config>\n"
            "<InstallPath>/data/Apps</InstallPath>\n<!-- note -->\n<Status>1</Status>\n"
            "<SelectLang>Deutsch</SelectLang>\n</config>\n");
  RunState state;
  state.Configure(File(), false);
  state.ReadRunConfig();
  EXPECT_TRUE(state.resumed());
  EXPECT_EQ(state.install_path, "/data/Apps/");
  EXPECT_EQ(state.select_lang, "Deutsch");
  EXPECT_EQ(state.agree_ext_install, "1");  // missing: unchanged
}

TEST_F(RunStateTest, MalformedFilesAreIgnored) {
  for (const char* text :
       {"", "<config><Status>1</Status>", "<other><Status>1</Status></other>", "\x01\x02garbage"}) {
    WriteFile(File(), text);
    RunState state;
    state.Configure(File(), false);
    state.ReadRunConfig();
    EXPECT_FALSE(state.resumed()) << text;
    EXPECT_EQ(state.status, "0") << text;
  }
}

TEST_F(RunStateTest, WritesAndReadsBackEscapedValues) {
  RunState state;
  state.Configure(File(), false);
  state.status = "1";
  state.select_lang = "Español";
  state.install_path = "/data/A&B <new>/";
  state.agree_ext_install = "";
  state.tmp_package_path = "/var/lib/Halvern/pkg.run.~P2S";
  state.WriteRunConfig();
  std::string text = ReadFile(File());
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", 0), 0u);
  EXPECT_NE(text.find("A&amp;B &lt;new&gt;"), std::string::npos);
  EXPECT_LT(text.find("<Status>"), text.find("<TmpPackagePath>"));

  RunState again;
  again.Configure(File(), false);
  again.agree_ext_install = "1";
  again.ReadRunConfig();
  EXPECT_TRUE(again.resumed());
  EXPECT_EQ(again.install_path, "/data/A&B <new>/");
  EXPECT_EQ(again.select_lang, "Español");
  EXPECT_EQ(again.agree_ext_install, "");
  EXPECT_EQ(again.tmp_package_path, "/var/lib/Halvern/pkg.run.~P2S");

  again.DeleteRunConfig();
  EXPECT_FALSE(again.resumed());
  EXPECT_FALSE(std::filesystem::exists(File()));
}

TEST_F(RunStateTest, ForkModeNeverWritesOrDeletes) {
  WriteFile(File(), "<config><Status>1</Status></config>");
  RunState fork;
  fork.Configure(File(), true);
  fork.ReadRunConfig();
  EXPECT_TRUE(fork.resumed());
  fork.status = "0";
  fork.WriteRunConfig();
  fork.DeleteRunConfig();
  EXPECT_FALSE(fork.resumed());
  EXPECT_EQ(ReadFile(File()), "<config><Status>1</Status></config>");
}

}  // namespace
