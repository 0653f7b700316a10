#include "install/client_sign.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "platform/registry.h"
#include "support/sysroot.h"

namespace {

bool LooksLikeClientSign(const std::string& s) {
  if (s.size() != 39 || s.front() != '{' || s.substr(37) != "G}" || s[15] != '4')
    return false;
  if (std::string("89ab").find(s[20]) == std::string::npos)
    return false;
  for (size_t i = 1; i < 37; ++i) {
    bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash ? s[i] != '-' : std::string("0123456789abcdef").find(s[i]) == std::string::npos)
      return false;
  }
  return true;
}

std::string ReadSign(RegRoot root, const std::string& path, RegView view = RegView::kDefault) {
  RegKey key;
  std::string sign = "<none>";
  if (key.Open(root, path, view))
    key.ReadString("ClientSign", &sign);
  return sign;
}

void WriteSign(RegRoot root, const std::string& path, const std::string& sign) {
  RegKey key;
  ASSERT_TRUE(key.Create(root, path));
  ASSERT_TRUE(key.WriteString("ClientSign", sign));
}

const char* kKeyA = "Software\\Acme\\Acme Helper Compact";
const char* kKeyB = "Software\\Acme\\FENN";

TEST(ClientSign, TemplateFromTheGeneratorState) {
  // Worked out by hand from the generator and the template.
  EXPECT_EQ(ClientSignFromState(0, 0), "{00000000-0000-4000-8000-000000000000G}");
  EXPECT_EQ(ClientSignFromState(1, 2), "{52000800-0000-4000-8380-040200000000G}");
  EXPECT_EQ(ClientSignFromState(0x0123456789abcdefull, 0xfedcba9876543210ull),
            "{5f33146a-c0e9-4aaa-8456-03d44bc31247G}");
}

TEST(ClientSign, SeededFromTheRandomSourceLittleEndian) {
  auto fixed = [](void* buffer, size_t size) {
    unsigned char bytes[16] = {0xef, 0xcd, 0xab, 0x89, 0x67, 0x45, 0x23, 0x01,
                               0x10, 0x32, 0x54, 0x76, 0x98, 0xba, 0xdc, 0xfe};
    memcpy(buffer, bytes, size);
    return true;
  };
  EXPECT_EQ(NewClientSign(fixed), "{5f33146a-c0e9-4aaa-8456-03d44bc31247G}");
}

TEST(ClientSign, FailingRandomSourceNeverGivesTheSharedAllZeroSign) {
  auto failing = [](void*, size_t) { return false; };
  std::set<std::string> signs;
  for (int i = 0; i < 20; ++i) {
    std::string sign = NewClientSign(failing);
    EXPECT_TRUE(LooksLikeClientSign(sign)) << sign;
    EXPECT_NE(sign, ClientSignFromState(0, 0));
    signs.insert(sign);
  }
  EXPECT_EQ(signs.size(), 20u);
  EXPECT_TRUE(LooksLikeClientSign(NewClientSign(nullptr)));
}

TEST(ClientSign, CreatedOnceAndWrittenToBothMachineKeys) {
  SysrootSandbox box;
  std::string sign = GetClientSign("Acme");
  EXPECT_TRUE(LooksLikeClientSign(sign)) << sign;
  EXPECT_EQ(ReadSign(RegRoot::kLocalMachine, kKeyA), sign);
  EXPECT_EQ(ReadSign(RegRoot::kLocalMachine, kKeyB), sign);
  // The machine keys live in the 32-bit view.
  EXPECT_EQ(ReadSign(RegRoot::kLocalMachine, "Software\\WOW6432Node\\Acme\\FENN", RegView::k64),
            sign);
  EXPECT_EQ(ReadSign(RegRoot::kCurrentUser, kKeyA), "<none>");
  EXPECT_EQ(GetClientSign("Acme"), sign);
}

TEST(ClientSign, SearchOrderAndTheFirstReadThatSucceeds) {
  {
    SysrootSandbox box;  // only key B: returned, nothing written
    WriteSign(RegRoot::kLocalMachine, kKeyB, "{from-b}");
    EXPECT_EQ(GetClientSign("Acme"), "{from-b}");
    EXPECT_EQ(ReadSign(RegRoot::kLocalMachine, kKeyA), "<none>");
  }
  {
    SysrootSandbox box;  // the user's key wins over the machine's
    WriteSign(RegRoot::kCurrentUser, kKeyA, "{user}");
    WriteSign(RegRoot::kLocalMachine, kKeyA, "{machine}");
    EXPECT_EQ(GetClientSign("Acme"), "{user}");
  }
  {
    SysrootSandbox box;  // an empty value ends the search: a new sign
    WriteSign(RegRoot::kCurrentUser, kKeyA, "");
    WriteSign(RegRoot::kLocalMachine, kKeyB, "{ignored}");
    std::string sign = GetClientSign("Acme");
    EXPECT_TRUE(LooksLikeClientSign(sign)) << sign;
    EXPECT_EQ(ReadSign(RegRoot::kLocalMachine, kKeyA), sign);
    EXPECT_EQ(ReadSign(RegRoot::kLocalMachine, kKeyB), sign);
  }
  {
    SysrootSandbox box;  // a value too long for the read counts as a failed read
    WriteSign(RegRoot::kCurrentUser, kKeyA, std::string(60, 'x'));
    WriteSign(RegRoot::kLocalMachine, kKeyA, "{machine}");
    EXPECT_EQ(GetClientSign("Acme"), "{machine}");
  }
}

TEST(ChannelRecord, FirstChannelStaysTheDefault) {
  SysrootSandbox box;
  EXPECT_EQ(ReadDefaultChannel(), "");
  WriteChannelRecord("app1", "first", "5793");
  WriteChannelRecord("app1", "second", "5793");
  WriteChannelRecord("", "third", "5793");
  EXPECT_EQ(ReadDefaultChannel(), "first");
  RegKey key;
  ASSERT_TRUE(key.Open(RegRoot::kLocalMachine, "Software\\WOW6432Node\\FennCX", RegView::k64));
  std::string value;
  EXPECT_TRUE(key.ReadString("app1", &value));
  EXPECT_EQ(value, "second");
  EXPECT_TRUE(key.ReadString("5793", &value));
  EXPECT_EQ(value, "third");
}

}  // namespace
