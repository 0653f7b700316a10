#include "engine/host_resolver.h"

#include <gtest/gtest.h>

namespace ns_Drav {
namespace {

TEST(HostTable, PicksTheLeastUsedAddressFirstInTextOrder) {
  HostTable table;
  EXPECT_EQ(table.Pick(), "");
  table.Assign({"127.0.0.3", "127.0.0.2", "10.0.0.9"});
  EXPECT_EQ(table.Pick(), "10.0.0.9");
  EXPECT_EQ(table.Pick(), "127.0.0.2");
  EXPECT_EQ(table.Pick(), "127.0.0.3");
  EXPECT_EQ(table.Pick(), "10.0.0.9");
  table.Assign({"127.0.0.3"});  // a new table starts its counts again
  EXPECT_EQ(table.uses().at("127.0.0.3"), 0);
}

TEST(StaticHostResolver, ReportsItsAddressesForTheUrlsHost) {
  StaticHostResolver resolver({"127.0.0.2", "127.0.0.3"});
  HostInit info;
  ASSERT_TRUE(resolver.InitHost("https://cdn.qel.test:4443/files/a.bin", false, &info));
  EXPECT_EQ(info.hostInfo, "cdn.qel.test:127.0.0.2,127.0.0.3");
  EXPECT_FALSE(info.cacheCleared);
  EXPECT_EQ(resolver.PickHostIp(), "127.0.0.2");
  EXPECT_EQ(resolver.PickHostIp(), "127.0.0.3");

  OriginHostResolver origin;
  EXPECT_TRUE(origin.InitHost("https://cdn.qel.test/a.bin", true, &info));
  EXPECT_EQ(info.hostInfo, "");
  EXPECT_EQ(origin.PickHostIp(), "");
}

}  // namespace
}  // namespace ns_Drav
