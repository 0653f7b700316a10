// Host resolution against the test world: a test host name that no system
// resolver knows stands for the world's addresses through its HTTP-DNS
// role, and the CDN answers on every one of them.
#include <ctime>
#include <set>

#include "engine/dns_cache.h"
#include "engine/dns_host_resolver.h"
#include "engine/download_status.h"
#include "engine/http_dns.h"
#include "engine_world.h"
#include "support/httpdns_world.h"

namespace ns_Drav {
namespace {

class HostResolutionWorld : public EngineWorldTest {
 protected:
  void SetUp() override {
    EngineWorldTest::SetUp();
    std::string error;
    ASSERT_TRUE(dns_.Load(&error)) << error;
    host_ = WorldHostName();
    dns_.Clear(host_);
    // The primary and the secondary endpoint are two addresses of the role,
    // so that a rule can fail one of them.
    SetHttpDnsEndpoints({dns_.BaseUrl("127.0.0.2"), dns_.BaseUrl("127.0.0.3")});
  }
  void TearDown() override {
    SetHttpDnsEndpoints(DefaultHttpDnsEndpoints());
    dns_.Clear(host_);
    EngineWorldTest::TearDown();
  }

  // The host answers with every world address.
  void ScriptAllAddresses() {
    std::string list;
    for (const std::string& address : world_.addresses())
      list += (list.empty() ? "\"" : ",\"") + address + "\"";
    ASSERT_TRUE(dns_.Script("{\"name\": \"" + host_ + "\", \"addresses\": [" + list + "]}"));
  }

  // The file seems one byte longer on `address`.
  void DisagreeOn(const std::string& address, int64_t size) {
    ASSERT_TRUE(world_.AddFault("{\"file\": \"" + name_ + "\", \"fault\": \"size\", \"size\": " +
                                std::to_string(size + 1) + ", \"address\": \"" + address + "\"}"));
  }

  std::string Url(bool https = true) const {
    return (https ? "https://" : "http://") + host_ + ":" +
           std::to_string(https ? world_.https_port() : world_.http_port()) + "/files/" + name_;
  }

  // A cache of its own, with the real look-ups and probes and a counted
  // flush (the machine's resolver is left alone).
  DnsCacheHooks Hooks() {
    DnsCacheHooks hooks = SystemDnsCacheHooks();
    hooks.flush = [this] { ++flushes_; };
    return hooks;
  }

  int Requests(const std::string& method) const {
    int count = 0;
    for (const WorldRequest& request : world_.Journal(name_))
      count += request.method == method;
    return count;
  }

  HttpDnsWorld dns_;
  std::string host_;
  int flushes_ = 0;
};

TEST_F(HostResolutionWorld, KeepsTheAddressesThatAgreeOnTheSize) {
  const int64_t size = 300000;
  world_.MakeFile(name_, size, 11);
  ScriptAllAddresses();
  DisagreeOn("127.0.0.5", size);
  DnsCache cache(Hooks());
  ASSERT_TRUE(cache.InitHostUrl(Url()));

  std::vector<std::string> kept;
  ASSERT_TRUE(cache.GetAddresses(host_, &kept));
  std::vector<std::string> expected = world_.addresses();
  expected.erase(std::find(expected.begin(), expected.end(), "127.0.0.5"));
  EXPECT_EQ(kept, expected);
  EXPECT_EQ(cache.GetUrlSize(Url()), size);
  EXPECT_NE(NewLog().find("[WARN] remove host ip=[127.0.0.5]"), std::string::npos);
  EXPECT_NE(NewLog().find("ulfs_max=[300000], count=[7]"), std::string::npos);
  // Every address was probed over verified TLS under the host's name.
  std::set<std::string> probed;
  for (const WorldRequest& request : world_.Journal(name_)) {
    EXPECT_EQ(request.scheme, "https");
    probed.insert(request.address);
  }
  EXPECT_EQ(probed.size(), world_.addresses().size());
}

TEST_F(HostResolutionWorld, SignsItsQueryAndTurnsToTheSecondaryEndpoint) {
  HttpDnsAccount account = GetHttpDnsAccount();
  for (const char* failure : {"drop", "empty", "status"}) {
    std::string host = failure + std::string("-") + host_;
    dns_.Clear(host);
    ASSERT_TRUE(dns_.Script("{\"name\": \"" + host +
                            "\", \"address\": \"127.0.0.2\", \"answer\": \"" + failure + "\"}"));
    ASSERT_TRUE(dns_.Script("{\"name\": \"" + host + "\", \"addresses\": [\"127.0.0.4\"]}"));
    int64_t now = time(nullptr);
    EXPECT_EQ(QueryHttpDns(host), std::vector<std::string>{"127.0.0.4"}) << failure;

    std::vector<HttpDnsQuery> queries = dns_.Queries(host);
    ASSERT_EQ(queries.size(), 2u) << failure;
    EXPECT_EQ(queries[0].address, "127.0.0.2");
    EXPECT_EQ(queries[1].address, "127.0.0.3");
    for (const HttpDnsQuery& query : queries) {
      EXPECT_EQ(query.uid, account.accountId);
      EXPECT_EQ(query.ak, account.accessKeyId);
      EXPECT_EQ(query.name, host);
      EXPECT_LE(std::abs(atoll(query.ts.c_str()) - now), 60);
      EXPECT_EQ(query.key, HttpDnsKey(account, query.ts, host));
    }
    dns_.Clear(host);
  }
}

TEST_F(HostResolutionWorld, AnEmptyAnswerFailsTheHostAndTheDownloadGoesByName) {
  world_.MakeFile(name_, 1000, 12);
  ASSERT_TRUE(dns_.Script("{\"name\": \"" + host_ + "\", \"addresses\": []}"));
  DnsCache cache(Hooks());
  EXPECT_FALSE(cache.InitHostUrl(Url()));
  EXPECT_EQ(dns_.Queries(host_).size(), 1u);  // an answer, though empty: no second endpoint
  EXPECT_NE(NewLog().find("[INFO] query httpdns, host=[" + host_ + "], ip count=[0]."),
            std::string::npos);
  EXPECT_NE(NewLog().find("[ERROR] query host failed!"), std::string::npos);

  CMultiDownloader downloader;
  downloader.SetHostResolver(std::make_unique<DnsHostResolver>(cache));
  downloader.SetServerMd5(std::string(32, 'A'));
  // libcurl then resolves the name itself, and nothing knows it.
  EXPECT_EQ(Run(downloader, Url()), kStatusSiteInfoFailed);
  EXPECT_NE(NewLog().find("init host failed; fallback to origin domain."), std::string::npos);
  EXPECT_EQ(events_.Count(kEventDnsQueried), 0);
}

TEST_F(HostResolutionWorld, ASecondTaskReusesTheCachedAddresses) {
  const int64_t size = 2 * 1024 * 1024;
  std::string md5 = world_.MakeFile(name_, size, 13);
  ScriptAllAddresses();
  DnsCache cache(Hooks());
  {
    CMultiDownloader first;
    first.SetHostResolver(std::make_unique<DnsHostResolver>(cache));
    first.SetServerMd5(md5);
    ASSERT_EQ(Run(first, Url()), kStatusSuccess);
  }
  EXPECT_EQ(Requests("HEAD"), 8);  // one probe per address, no size query
  ASSERT_EQ(events_.Count(kEventDnsQueried), 1);
  EXPECT_EQ(events_.Of(kEventDnsQueried)[0].text.rfind(host_ + ":127.0.0.2,127.0.0.3,", 0), 0u);

  EventLog second_events;
  TempDir second_dir;
  CMultiDownloader second;
  second.SetHostResolver(std::make_unique<DnsHostResolver>(cache));
  second.SetServerMd5(md5);
  second.SetObserver(&second_events);
  ASSERT_TRUE(second.Download(8, Url(), second_dir.path()));
  second.Wait();
  ASSERT_EQ(second.status(), kStatusSuccess);
  EXPECT_EQ(ReadFile(second_dir.path() + name_), ReadFile(Source()));
  // No new probe: only the second download's own size query.
  EXPECT_EQ(Requests("HEAD"), 9);
  EXPECT_EQ(dns_.Queries(host_).size(), 1u);
  EXPECT_EQ(second_events.Count(kEventDnsQueried), 0);
}

TEST_F(HostResolutionWorld, TheSixthAttemptClearsTheCacheAndResolvesAgain) {
  world_.MakeFile(name_, 100000, 14);
  ScriptAllAddresses();
  ASSERT_TRUE(world_.AddFault("{\"file\": \"" + name_ +
                              "\", \"fault\": \"status\", \"code\": 500, \"method\": \"GET\"}"));
  DnsCache cache(Hooks());
  CMultiDownloader downloader;
  downloader.SetHostResolver(std::make_unique<DnsHostResolver>(cache));
  downloader.SetDownloadConfig(WeakNetworkConfig(1, 1));
  downloader.SetServerMd5(std::string(32, 'A'));
  // Plain HTTP: some two hundred failing requests, without a handshake each.
  EXPECT_EQ(Run(downloader, Url(false)), kStatusDownloadFailed);

  EXPECT_EQ(events_.Count(kEventRetry), 10);
  ASSERT_EQ(events_.Count(kEventDnsCacheCleared), 1);
  EXPECT_EQ(flushes_, 1);
  EXPECT_EQ(dns_.Queries(host_).size(), 2u);
  EXPECT_EQ(Requests("HEAD"), 16);  // every address probed again
  ASSERT_EQ(events_.Count(kEventDnsQueried), 2);
  // The clearing comes right after the fifth failed attempt.
  std::vector<int> types = events_.Types();
  auto cleared = std::find(types.begin(), types.end(), kEventDnsCacheCleared);
  EXPECT_EQ(std::count(types.begin(), cleared, kEventRetry), 5);
}

TEST_F(HostResolutionWorld, SpreadsConnectionsOverTheKeptAddresses) {
  const int64_t size = 24 * 1024 * 1024;
  std::string md5 = world_.MakeFile(name_, size, 15);
  ScriptAllAddresses();
  DisagreeOn("127.0.0.5", size);
  DnsCache cache(Hooks());
  CMultiDownloader downloader;
  downloader.SetHostResolver(std::make_unique<DnsHostResolver>(cache));
  downloader.SetServerMd5(md5);
  ASSERT_EQ(Run(downloader, Url()), kStatusSuccess);
  EXPECT_EQ(ReadFile(Target()), ReadFile(Source()));

  // Every range request went to a kept address, least-used first: the
  // first 24 over 7 addresses give each at least 3.
  std::map<std::string, int> requests;
  for (const WorldRequest& request : world_.Journal(name_)) {
    if (request.method == "GET")
      ++requests[request.address];
  }
  std::map<std::string, int> connections = CdnConnections(world_, name_);
  EXPECT_EQ(requests.count("127.0.0.5"), 0u);
  EXPECT_EQ(connections.count("127.0.0.5"), 0u);
  for (const std::string& address : world_.addresses()) {
    if (address != "127.0.0.5") {
      EXPECT_GE(requests[address], 3) << address;
      EXPECT_GE(connections[address], 1) << address;
    }
  }
  std::set<std::string> range_ips;
  for (const DownloadEvent& event : events_.Of(kEventRangeIp))
    range_ips.insert(event.text);
  EXPECT_EQ(range_ips.size(), 7u);
  EXPECT_EQ(range_ips.count("127.0.0.5"), 0u);
}

}  // namespace
}  // namespace ns_Drav
