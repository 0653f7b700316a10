#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/memory.h"
#include "platform/tcp_stats.h"

namespace {

TEST(ParseMemAvailable, ReadsKibibytesAndRefusesOtherTexts) {
  EXPECT_EQ(ParseMemAvailable("MemTotal:       24683672 kB\n"
                              "MemFree:        24515696 kB\n"
                              "MemAvailable:   24434208 kB\n"),
            24434208LL * 1024);
  EXPECT_EQ(ParseMemAvailable("MemAvailable: 7 kB"), 7 * 1024);  // no line end
  EXPECT_EQ(ParseMemAvailable("MemFree: 100 kB\n"), -1);         // old kernels
  EXPECT_EQ(ParseMemAvailable("MemAvailable: lots\n"), -1);
  EXPECT_EQ(ParseMemAvailable("MemAvailable: 100 MB\n"), -1);
  EXPECT_EQ(ParseMemAvailable("MemAvailable: 99999999999999999999 kB\n"), -1);
  EXPECT_EQ(ParseMemAvailable("XMemAvailable: 5 kB\n"), -1);
  EXPECT_EQ(ParseMemAvailable(""), -1);
}

TEST(ParseTcpInSegments, FindsTheColumnByItsName) {
  const char* snmp =
      "Ip: Forwarding DefaultTTL\n"
      "Ip: 1 64\n"
      "Tcp: RtoAlgorithm RtoMin RtoMax MaxConn ActiveOpens PassiveOpens AttemptFails "
      "EstabResets CurrEstab InSegs OutSegs\n"
      "Tcp: 1 200 120000 -1 57 3 0 1 2 123456789012 9\n"
      "Udp: InDatagrams\n"
      "Udp: 5\n";
  EXPECT_EQ(ParseTcpInSegments(snmp), 123456789012u);
  EXPECT_EQ(ParseTcpInSegments("Tcp: InSegs\n"), std::nullopt);          // no values
  EXPECT_EQ(ParseTcpInSegments("Tcp: InSegs\nTcp: x\n"), std::nullopt);  // not a number
  EXPECT_EQ(ParseTcpInSegments("Tcp: OutSegs\nTcp: 5\n"), std::nullopt);
  EXPECT_EQ(ParseTcpInSegments("Tcp: A InSegs\nTcp: 5\n"), std::nullopt);  // short line
  EXPECT_EQ(ParseTcpInSegments(""), std::nullopt);
}

TEST(ParseIpInOctets, ReadsTheIpExtValueLine) {
  const char* netstat =
      "TcpExt: SyncookiesSent InOctets\n"
      "TcpExt: 0 5\n"
      "IpExt: InNoRoutes InTruncatedPkts InMcastPkts OutMcastPkts InBcastPkts OutBcastPkts "
      "InOctets OutOctets\n"
      "IpExt: 0 0 0 0 0 0 98765432101 77\n";
  EXPECT_EQ(ParseIpInOctets(netstat), 98765432101u);
  EXPECT_EQ(ParseIpInOctets("IpExt: InOctets\n"), std::nullopt);
  EXPECT_EQ(ParseIpInOctets(""), std::nullopt);
}

TEST(SystemCounters, AreReadableHere) {
  EXPECT_GT(GetAvailablePhysicalMemory(), 0);
  EXPECT_TRUE(GetTcpInSegments().has_value());
  EXPECT_TRUE(GetIpInOctets().has_value());
  uint64_t before = GetTickCountMs();
  EXPECT_GE(GetTickCountMs(), before);
}

}  // namespace
