#include "engine/dns_cache.h"

#include <gtest/gtest.h>

#include <map>

#include "engine/dns_host_resolver.h"

namespace ns_Drav {
namespace {

// A resolver world in memory: what the system resolver and the HTTP-DNS
// service say, and the size each address reports.
struct FakeNet {
  std::map<std::string, std::vector<Ipv4Bytes>> system;
  std::map<std::string, std::vector<std::string>> httpDns;
  std::map<std::string, int64_t> sizes;  // by address; missing: no answer
  std::vector<std::string> probed;
  int httpDnsQueries = 0;
  int flushes = 0;
  std::atomic<bool>* abortAfterProbe = nullptr;

  DnsCacheHooks Hooks() {
    DnsCacheHooks hooks;
    hooks.lookup = [this](const std::string& host, std::vector<Ipv4Bytes>* out) {
      *out = system[host];
      return !out->empty();
    };
    hooks.httpDns = [this](const std::string& host, const std::atomic<bool>*) {
      ++httpDnsQueries;
      return httpDns[host];
    };
    hooks.probe = [this](const std::string&, const std::string& address,
                         const std::atomic<bool>*) -> int64_t {
      probed.push_back(address);
      if (abortAfterProbe)
        abortAfterProbe->store(true);
      auto it = sizes.find(address);
      return it == sizes.end() ? 0 : it->second;
    };
    hooks.flush = [this] { ++flushes; };
    return hooks;
  }
};

std::vector<std::string> Addresses(DnsCache& cache, const std::string& host) {
  std::vector<std::string> addresses;
  cache.GetAddresses(host, &addresses);
  return addresses;
}

const char kUrl[] = "https://cdn.qel.test:4443/files/a.bin";

TEST(DnsCache, OrdersAddressesWithTheLastOctetWeighingMost) {
  EXPECT_LT(DnsCache::OrderKey({9, 9, 9, 1}), DnsCache::OrderKey({1, 1, 1, 2}));
  FakeNet net;
  net.system["cdn.qel.test"] = {{1, 1, 1, 2}, {9, 9, 9, 1}, {127, 0, 0, 3}};
  DnsCache cache(net.Hooks());
  ASSERT_TRUE(cache.InitHostUrl(kUrl));
  EXPECT_EQ(Addresses(cache, "cdn.qel.test"),
            (std::vector<std::string>{"9.9.9.1", "1.1.1.2", "127.0.0.3"}));
  EXPECT_EQ(net.probed, Addresses(cache, "cdn.qel.test"));  // probed in set order
  EXPECT_EQ(net.httpDnsQueries, 0);                         // the system resolver knew the host
}

TEST(DnsCache, KeepsTheLargestGroupOfAgreeingAddresses) {
  FakeNet net;
  net.system["cdn.qel.test"] = {{127, 0, 0, 2}, {127, 0, 0, 3}, {127, 0, 0, 4}, {127, 0, 0, 5}};
  net.sizes = {{"127.0.0.2", 5000}, {"127.0.0.3", 4000}, {"127.0.0.4", 5000}, {"127.0.0.5", 5000}};
  DnsCache cache(net.Hooks());
  ASSERT_TRUE(cache.InitHostUrl(kUrl));
  EXPECT_EQ(Addresses(cache, "cdn.qel.test"),
            (std::vector<std::string>{"127.0.0.2", "127.0.0.4", "127.0.0.5"}));
  EXPECT_EQ(cache.GetUrlSize(kUrl), 5000);
  std::string host, joined;
  ASSERT_TRUE(cache.GetHostInfo(kUrl, &host, &joined));
  EXPECT_EQ(host, "cdn.qel.test");
  EXPECT_EQ(joined, "127.0.0.2,127.0.0.4,127.0.0.5");
}

TEST(DnsCache, ATieGoesToTheSmallerSizeAndSilentAddressesGo) {
  FakeNet net;
  net.system["cdn.qel.test"] = {
      {10, 0, 0, 1}, {10, 0, 0, 2}, {10, 0, 0, 3}, {10, 0, 0, 4}, {10, 0, 0, 5}};
  net.sizes = {{"10.0.0.1", 900}, {"10.0.0.2", 700}, {"10.0.0.3", 900}, {"10.0.0.4", 700}};
  DnsCache cache(net.Hooks());
  ASSERT_TRUE(cache.InitHostUrl(kUrl));
  EXPECT_EQ(cache.GetUrlSize(kUrl), 700);
  EXPECT_EQ(Addresses(cache, "cdn.qel.test"), (std::vector<std::string>{"10.0.0.2", "10.0.0.4"}));
}

TEST(DnsCache, StopsProbingAtTenAgreeingAddresses) {
  FakeNet net;
  for (uint8_t i = 1; i <= 12; ++i) {
    net.system["cdn.qel.test"].push_back({10, 0, 0, i});
    net.sizes["10.0.0." + std::to_string(i)] = 123;
  }
  DnsCache cache(net.Hooks());
  ASSERT_TRUE(cache.InitHostUrl(kUrl));
  EXPECT_EQ(net.probed.size(), 10u);
  std::vector<std::string> kept = Addresses(cache, "cdn.qel.test");
  EXPECT_EQ(kept.size(), 10u);
  EXPECT_EQ(kept.back(), "10.0.0.10");
}

TEST(DnsCache, KeepsEveryAddressWhenNoProbeGivesASize) {
  FakeNet net;
  net.system["cdn.qel.test"] = {{127, 0, 0, 2}, {127, 0, 0, 3}};
  DnsCache cache(net.Hooks());
  ASSERT_TRUE(cache.InitHostUrl(kUrl));
  EXPECT_EQ(Addresses(cache, "cdn.qel.test").size(), 2u);
  EXPECT_EQ(cache.GetUrlSize(kUrl), 0);
}

TEST(DnsCache, FallsBackToHttpDnsAndDropsPiecesThatAreNoAddresses) {
  FakeNet net;
  net.httpDns["cdn.qel.test"] = {"127.0.0.3", "bogus", "127.0.0.2", "127.0.0.3"};
  net.sizes = {{"127.0.0.2", 10}, {"127.0.0.3", 10}};
  DnsCache cache(net.Hooks());
  ASSERT_TRUE(cache.InitHostUrl(kUrl));
  EXPECT_EQ(net.httpDnsQueries, 1);
  EXPECT_EQ(Addresses(cache, "cdn.qel.test"), (std::vector<std::string>{"127.0.0.2", "127.0.0.3"}));
}

TEST(DnsCache, AnEmptyAnswerLeavesTheHostUnknown) {
  FakeNet net;
  DnsCache cache(net.Hooks());
  EXPECT_FALSE(cache.InitHostUrl(kUrl));
  EXPECT_FALSE(cache.HasHost(kUrl));
  EXPECT_EQ(net.httpDnsQueries, 1);
  for (const char* bad : {"", "no-scheme/a.bin", "https:///a.bin"})
    EXPECT_FALSE(cache.InitHostUrl(bad)) << bad;
  EXPECT_EQ(net.httpDnsQueries, 1);
}

TEST(DnsCache, ReusesAHostUntilCleared) {
  FakeNet net;
  net.system["cdn.qel.test"] = {{127, 0, 0, 2}};
  net.sizes["127.0.0.2"] = 77;
  DnsCache cache(net.Hooks());
  ASSERT_TRUE(cache.InitHostUrl(kUrl));
  ASSERT_TRUE(cache.InitHostUrl("https://cdn.qel.test/files/other.bin"));
  EXPECT_EQ(net.probed.size(), 1u);  // the second URL's host was known
  EXPECT_EQ(cache.GetUrlSize("https://cdn.qel.test/files/other.bin"), 0);

  cache.ClearCache();
  EXPECT_EQ(net.flushes, 1);
  EXPECT_FALSE(cache.HasHost(kUrl));
  EXPECT_EQ(cache.GetUrlSize(kUrl), 77);  // sizes outlive a clearing
  ASSERT_TRUE(cache.InitHostUrl(kUrl));
  EXPECT_EQ(net.probed.size(), 2u);
}

TEST(DnsCache, AnAbortedProbeLeavesNothingHalfChecked) {
  FakeNet net;
  net.system["cdn.qel.test"] = {{127, 0, 0, 2}, {127, 0, 0, 3}};
  net.sizes = {{"127.0.0.2", 5}, {"127.0.0.3", 6}};
  std::atomic<bool> abort{false};
  net.abortAfterProbe = &abort;
  DnsCache cache(net.Hooks());
  EXPECT_FALSE(cache.InitHostUrl(kUrl, &abort));
  EXPECT_EQ(net.probed.size(), 1u);
  net.abortAfterProbe = nullptr;
  EXPECT_FALSE(cache.HasHost(kUrl));
  EXPECT_EQ(cache.GetUrlSize(kUrl), 0);
}

TEST(DnsHostResolver, FillsItsTableAndClearsOnlyAKnownHost) {
  FakeNet net;
  net.system["cdn.qel.test"] = {{127, 0, 0, 2}, {127, 0, 0, 3}};
  net.sizes = {{"127.0.0.2", 5}, {"127.0.0.3", 5}};
  DnsCache cache(net.Hooks());

  DnsHostResolver first(cache);
  HostInit info;
  ASSERT_TRUE(first.InitHost(kUrl, true, &info));  // nothing cached: nothing cleared
  EXPECT_FALSE(info.cacheCleared);
  EXPECT_EQ(net.flushes, 0);
  EXPECT_EQ(info.urlSize, 5);
  EXPECT_EQ(info.hostInfo, "cdn.qel.test:127.0.0.2,127.0.0.3");
  EXPECT_EQ(first.PickHostIp(), "127.0.0.2");
  EXPECT_EQ(first.PickHostIp(), "127.0.0.3");
  EXPECT_EQ(first.PickHostIp(), "127.0.0.2");

  DnsHostResolver second(cache);  // another task of the same host
  ASSERT_TRUE(second.InitHost(kUrl, false, &info));
  EXPECT_EQ(info.hostInfo, "");  // nothing was queried
  EXPECT_EQ(net.probed.size(), 2u);
  EXPECT_EQ(second.table().uses().size(), 2u);

  ASSERT_TRUE(second.InitHost(kUrl, true, &info));  // the sixth attempt's re-init
  EXPECT_TRUE(info.cacheCleared);
  EXPECT_EQ(net.flushes, 1);
  EXPECT_EQ(net.probed.size(), 4u);
  EXPECT_EQ(info.hostInfo, "cdn.qel.test:127.0.0.2,127.0.0.3");
}

TEST(DnsHostResolver, AFailedResolutionLeavesConnectionsToTheName) {
  FakeNet net;
  DnsCache cache(net.Hooks());
  DnsHostResolver resolver(cache);
  HostInit info;
  EXPECT_FALSE(resolver.InitHost(kUrl, false, &info));
  EXPECT_EQ(resolver.PickHostIp(), "");
  resolver.Cancel();
  net.system["cdn.qel.test"] = {{127, 0, 0, 2}};
  EXPECT_FALSE(resolver.InitHost(kUrl, false, &info));  // canceled for good
  EXPECT_EQ(net.probed.size(), 0u);
}

}  // namespace
}  // namespace ns_Drav
