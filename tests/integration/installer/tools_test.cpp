// qel-reg and qel-res on the command line.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/resources.h"
#include "run_tool.h"
#include "support/sysroot.h"

namespace {

TEST(QelReg, HelpAndErrors) {
  SysrootSandbox box;
  ToolResult help = RunTool({"qel-reg", "--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("usage: qel-reg query KEY"), std::string::npos);
  EXPECT_EQ(RunTool({"qel-reg"}).code, 1);
  EXPECT_EQ(RunTool({"qel-reg", "query", "HKCR\\x"}).err,
            "ERROR: Invalid key name.\nType \"qel-reg --help\" for usage.\n");
  EXPECT_EQ(RunTool({"qel-reg", "add", "HKLM\\Software\\X", "/t", "REG_BINARY"}).code, 1);
  EXPECT_EQ(RunTool({"qel-reg", "add", "HKLM\\Software\\X", "/v", "N", "/t", "REG_DWORD", "/d",
                     "4294967296"})
                .code,
            1);
  ToolResult missing = RunTool({"qel-reg", "query", "HKLM\\Software\\Nothing"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_EQ(missing.err,
            "ERROR: The system was unable to find the specified registry key or value.\n");
}

TEST(QelReg, AddQueryAndDeleteInRegExesLayout) {
  SysrootSandbox box;
  const char* key = "HKLM\\Software\\Halvern\\Vantorix";
  EXPECT_EQ(
      RunTool({"qel-reg", "add", key, "/v", "PID", "/t", "REG_DWORD", "/d", "0x16a1", "/f"}).out,
      "The operation completed successfully.\n");
  EXPECT_EQ(RunTool({"qel-reg", "add", key, "/v", "Version", "/d", "1.2.3.4", "/f"}).code, 0);
  EXPECT_EQ(RunTool({"qel-reg", "add", key, "/ve", "/d", "default", "/f"}).code, 0);
  EXPECT_EQ(RunTool({"qel-reg", "add", std::string(key) + "\\Sub"}).code, 0);

  EXPECT_EQ(RunTool({"qel-reg", "query", key}).out,
            "\nHKEY_LOCAL_MACHINE\\Software\\Halvern\\Vantorix\n"
            "    (Default)    REG_SZ    default\n"
            "    PID    REG_DWORD    0x16a1\n"
            "    Version    REG_SZ    1.2.3.4\n"
            "\n"
            "HKEY_LOCAL_MACHINE\\Software\\Halvern\\Vantorix\\Sub\n");
  EXPECT_EQ(
      RunTool({"qel-reg", "query", "hklm\\software\\halvern\\vantorix", "/v", "pid"}).out,
      "\nHKEY_LOCAL_MACHINE\\software\\halvern\\vantorix\n    pid    REG_DWORD    0x16a1\n\n");
  ToolResult search = RunTool({"qel-reg", "query", "HKLM\\Software", "/v", "Version", "/s"});
  EXPECT_EQ(search.code, 0);
  EXPECT_NE(search.out.find("End of search: 1 match(es) found."), std::string::npos);

  // Without /f the tool asks.
  ToolResult kept = RunTool({"qel-reg", "add", key, "/v", "Version", "/d", "9"}, "n\n");
  EXPECT_EQ(kept.code, 1);
  EXPECT_NE(kept.out.find("Value Version exists, overwrite (Yes/No)?"), std::string::npos);
  EXPECT_EQ(RunTool({"qel-reg", "delete", key, "/v", "Version"}, "yes\n").code, 0);
  EXPECT_EQ(RunTool({"qel-reg", "query", key, "/v", "Version"}).code, 1);
  EXPECT_EQ(RunTool({"qel-reg", "delete", key, "/va", "/f"}).code, 0);
  EXPECT_EQ(RunTool({"qel-reg", "query", key, "/ve"}).code, 1);
  EXPECT_EQ(RunTool({"qel-reg", "delete", "HKLM\\Software\\Halvern", "/f"}).code, 0);
  EXPECT_EQ(RunTool({"qel-reg", "query", std::string(key) + "\\Sub"}).code, 1);
}

TEST(QelReg, ViewsAsRegExeChoosesThem) {
  SysrootSandbox box;
  EXPECT_EQ(RunTool({"qel-reg", "add", "HKLM\\Software\\Halvern\\X", "/v", "V", "/d", "32", "/f",
                     "/reg:32"})
                .code,
            0);
  EXPECT_EQ(RunTool({"qel-reg", "query", "HKLM\\Software\\Halvern\\X", "/reg:32"}).out,
            "\nHKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Halvern\\X\n    V    REG_SZ    32\n\n");
  EXPECT_EQ(RunTool({"qel-reg", "query", "HKLM\\Software\\Halvern\\X", "/reg:64"}).code, 1);
  EXPECT_EQ(RunTool({"qel-reg", "query", "HKLM\\Software\\WOW6432Node\\Halvern\\X"}).code, 0);
  EXPECT_EQ(RunTool({"qel-reg", "add", "HKCU\\Software\\Y", "/v", "V", "/d", "user", "/f"}).code,
            0);
  EXPECT_EQ(RunTool({"qel-reg", "query", "HKEY_CURRENT_USER\\Software\\Y", "/v", "V"}).code, 0);
  EXPECT_EQ(RunTool({"qel-reg", "query", "HKLM\\Software\\Y"}).code, 1);
}

TEST(QelReg, OtherUsersReadTheMachineHiveButDoNotWriteIt) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to switch users";
  SysrootSandbox box;
  chmod(box.root().c_str(), 0755);
  ASSERT_EQ(RunTool({"qel-reg", "add", "HKLM\\Software\\X", "/v", "V", "/d", "1", "/f"}).code, 0);
  std::vector<std::string> as_nobody{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                     BinPath("qel-reg")};
  std::vector<std::string> query = as_nobody;
  query.insert(query.end(), {"query", "HKLM\\Software\\X", "/v", "V"});
  EXPECT_EQ(RunTool(query).out, "\nHKEY_LOCAL_MACHINE\\Software\\X\n    V    REG_SZ    1\n\n");
  std::vector<std::string> add = as_nobody;
  add.insert(add.end(), {"add", "HKLM\\Software\\X", "/v", "V", "/d", "2", "/f"});
  ToolResult denied = RunTool(add);
  EXPECT_EQ(denied.code, 1);
  EXPECT_EQ(denied.err, "ERROR: Access is denied.\n");
}

TEST(QelReg, CorruptHiveIsAnErrorNotACrash) {
  SysrootSandbox box;
  std::filesystem::create_directories(box.Path("/var/lib/qel/registry"));
  WriteFile(box.Path("/var/lib/qel/registry/machine.db"), std::string(8192, '\x42'));
  EXPECT_EQ(RunTool({"qel-reg", "query", "HKLM\\Software"}).code, 1);
  EXPECT_EQ(RunTool({"qel-reg", "add", "HKLM\\Software\\Z", "/v", "V", "/d", "z", "/f"}).code, 0);
  EXPECT_EQ(RunTool({"qel-reg", "query", "HKLM\\Software\\Z", "/v", "V"}).code, 0);
}

TEST(QelRes, ListsGetsSetsAndRemovesEntries) {
  TempDir dir;
  std::string exe = dir.path() + "prog";
  std::filesystem::copy_file(BinPath("qel-reg"), exe);
  WriteFile(dir.path() + "product.xml", "<Product/>");

  ToolResult help = RunTool({"qel-res", "--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("qel-res set EXE TYPE/ID FILE"), std::string::npos);
  EXPECT_EQ(RunTool({"qel-res", "list", exe}).out, "");
  EXPECT_EQ(RunTool({"qel-res", "set", exe, "XML/106", dir.path() + "product.xml"}).code, 0);
  EXPECT_EQ(RunTool({"qel-res", "set-version", exe, "2.0.1.5"}).code, 0);
  EXPECT_EQ(RunTool({"qel-res", "list", exe}).out, "VERSION          7\nXML/106          10\n");
  EXPECT_EQ(RunTool({"qel-res", "get", exe, "XML/106"}).out, "<Product/>");
  EXPECT_EQ(RunTool({"qel-res", "get", exe, "VERSION", dir.path() + "v"}).code, 0);
  EXPECT_EQ(ReadFile(dir.path() + "v"), "2.0.1.5");
  // The program still runs after being stamped.
  EXPECT_EQ(RunTool({exe, "--help"}).code, 0);

  ToolResult missing = RunTool({"qel-res", "get", exe, "XML/131"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.err.find("XML/131 not found"), std::string::npos);
  EXPECT_EQ(RunTool({"qel-res", "set-version", exe, "1.2.3"}).code, 1);
  EXPECT_EQ(RunTool({"qel-res", "set-version", exe, "1.2.3.70000"}).code, 1);
  EXPECT_EQ(RunTool({"qel-res", "set", exe, "XML/1", dir.path() + "absent"}).code, 1);
  EXPECT_EQ(RunTool({"qel-res", "remove", exe, "XML/106"}).code, 0);
  EXPECT_EQ(RunTool({"qel-res", "remove", exe, "XML/106"}).code, 1);
  EXPECT_EQ(RunTool({"qel-res", "list", exe}).out, "VERSION          7\n");
  EXPECT_EQ(RunTool({"qel-res", "list", dir.path() + "absent"}).code, 1);
  EXPECT_EQ(RunTool({"qel-res", "frobnicate", exe}).code, 1);

  // A damaged archive is reported and left alone.
  std::string image = ReadFile(exe);
  size_t end = image.rfind(std::string("PK\x05\x06", 4));
  image[end + 19] = '\x7f';
  WriteFile(exe, image);
  EXPECT_EQ(RunTool({"qel-res", "list", exe}).code, 1);
  EXPECT_EQ(RunTool({"qel-res", "set-version", exe, "1.0.0.0"}).code, 1);
  EXPECT_EQ(ReadFile(exe), image);
}

}  // namespace
