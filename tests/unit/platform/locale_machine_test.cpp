#include <gtest/gtest.h>

#include "platform/locale_id.h"
#include "platform/machine.h"
#include "support/sysroot.h"

namespace {

TEST(LocaleId, FromPosixLocaleNames) {
  struct Case {
    const char* name;
    uint32_t lcid;
  } cases[] = {
      {"es_ES.UTF-8", 0x0C0A}, {"es_MX", 0x080A},       {"fr_FR.UTF-8@euro", 0x040C},
      {"fr_CA", 0x0C0C},       {"de", 0x0407},          {"de_XX", 0x0407},
      {"en_US.UTF-8", 0x0409}, {"en_GB", 0x0809},       {"C", 0x0409},
      {"POSIX", 0x0409},       {"C.UTF-8", 0x0409},     {"", 0x0409},
      {"zh_TW.Big5", 0x0404},  {"zh_CN", 0x0804},       {"sv_FI", 0x081D},
      {"hi_IN", 0x0439},       {"xx_YY", kLcidUnknown}, {"sr_RS@latin", kLcidUnknown},
  };
  for (const Case& c : cases)
    EXPECT_EQ(LcidFromLocaleName(c.name), c.lcid) << c.name;
}

TEST(LocaleId, UserLocaleFollowsTheVariablesInOrder) {
  ScopedEnv all("LC_ALL", "fr_FR.UTF-8");
  ScopedEnv messages("LC_MESSAGES", "de_DE.UTF-8");
  ScopedEnv lang("LANG", "es_ES.UTF-8");
  EXPECT_EQ(UserDefaultLcid(), 0x040Cu);
  ScopedEnv no_all("LC_ALL", "");
  EXPECT_EQ(UserDefaultLcid(), 0x0407u);
  ScopedEnv no_messages("LC_MESSAGES", nullptr);
  EXPECT_EQ(UserDefaultLcid(), 0x0C0Au);
}

TEST(LocaleId, SystemLocaleComesFromTheMachineSettings) {
  SysrootSandbox box;
  ScopedEnv all("LC_ALL", "ja_JP.UTF-8");
  EXPECT_EQ(SystemDefaultLcid(), 0x0411u);  // no settings file: the user's
  std::filesystem::create_directories(box.Path("/etc/default"));
  WriteFile(box.Path("/etc/default/locale"), "# set by the installer\nLANG=\"it_IT.UTF-8\"\n");
  EXPECT_EQ(SystemDefaultLcid(), 0x0410u);
}

TEST(Machine, ArchitectureFromTheMachineName) {
  struct Case {
    const char* name;
    bool is_64bit;
    bool is_arm64;
  } cases[] = {{"x86_64", true, false},
               {"aarch64", true, true},
               {"i686", false, false},
               {"armv7l", false, false},
               {"riscv64", true, false}};
  for (const Case& c : cases) {
    MachineArch arch = MachineArchFromName(c.name);
    EXPECT_EQ(arch.is_64bit_system, c.is_64bit) << c.name;
    EXPECT_EQ(arch.is_arm64, c.is_arm64) << c.name;
  }
}

}  // namespace
