#include <chrono>
#include <thread>

#include "engine/curl_request.h"
#include "engine_world.h"

namespace ns_Drav {
namespace {

class CurlRequestWorld : public EngineWorldTest {
 protected:
  // The journal once the server has finished `count` answers.
  std::vector<WorldRequest> JournalOf(size_t count) {
    std::vector<WorldRequest> journal;
    for (int i = 0; i < 100; ++i) {
      journal = world_.Journal(name_);
      if (journal.size() >= count)
        break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return journal;
  }
};

TEST_F(CurlRequestWorld, RemoteSizeComesFromTheHeadersOfTheFinalResponse) {
  world_.MakeFile(name_, 123457);
  EXPECT_EQ(GetRemoteFileSize(world_.HttpUrl("/files/" + name_), ""), 123457);
  EXPECT_EQ(GetRemoteFileSize(world_.HttpUrl("/redirect/3/" + name_), ""), 123457);
  EXPECT_EQ(GetRemoteFileSize(world_.HttpUrl("/files/no-such-file.bin"), ""), 0);
  std::vector<WorldRequest> journal = JournalOf(2);
  ASSERT_EQ(journal.size(), 2u);
  EXPECT_EQ(journal[0].method, "HEAD");
  EXPECT_EQ(journal[0].version, "HTTP/1.1");
}

TEST_F(CurlRequestWorld, RemoteSizeFallsBackToAGetThatStopsAtItsHeaders) {
  world_.MakeFile(name_, 8 * 1024 * 1024);
  world_.AddFault(R"({"file": ")" + name_ + R"(", "fault": "head_no_length"})");
  world_.AddFault(R"({"file": ")" + name_ + R"(", "fault": "rate", "bytes_per_second": 262144})");
  EXPECT_EQ(GetRemoteFileSize(world_.HttpUrl("/files/" + name_), ""), 8 * 1024 * 1024);
  std::vector<WorldRequest> journal = JournalOf(2);
  ASSERT_EQ(journal.size(), 2u);
  EXPECT_EQ(journal[0].method, "HEAD");
  EXPECT_EQ(journal[1].method, "GET");
  // The package was not pulled: the server saw the client go after a
  // chunk or two.
  EXPECT_LT(journal[1].sent, 1024 * 1024);
}

TEST_F(CurlRequestWorld, RemoteSizeIsNeverReadFromTheBody) {
  std::string body = "HTTP/1.1 200 OK\r\nContent-Length: 7\r\n\r\n";
  WriteFile(world_.root() + name_, body);
  world_.AddFault(R"({"file": ")" + name_ + R"(", "fault": "head_no_length"})");
  EXPECT_EQ(GetRemoteFileSize(world_.HttpUrl("/files/" + name_), ""),
            static_cast<int64_t>(body.size()));
}

TEST_F(CurlRequestWorld, RemoteSizeNeedsTheExactHeaderName) {
  world_.MakeFile(name_, 5000);
  world_.AddFault(R"({"file": ")" + name_ + R"(", "fault": "lower_case_headers"})");
  EXPECT_EQ(GetRemoteFileSize(world_.HttpUrl("/files/" + name_), ""), 0);
}

TEST_F(CurlRequestWorld, RemoteSizeAboveFourGiB) {
  world_.MakeFile(name_, 1000);
  int64_t size = (5LL << 30) + 123;
  world_.AddFault(R"({"file": ")" + name_ + R"(", "fault": "size", "size": )" +
                  std::to_string(size) + "}");
  EXPECT_EQ(GetRemoteFileSize(world_.HttpUrl("/files/" + name_), ""), size);
}

TEST_F(CurlRequestWorld, RemoteSizeOfAnAddressIsAskedInTheHostsName) {
  world_.MakeFile(name_, 1000);
  std::string url = world_.HttpsIpUrl("/files/" + name_, 1);
  // The certificate is checked for the host name, and it names this host.
  EXPECT_EQ(GetRemoteFileSize(url, world_.host()), 1000);
  EXPECT_EQ(GetRemoteFileSize(url, "other.example"), 0);
  EXPECT_EQ(world_.Journal(name_).front().address, world_.addresses()[1]);
  // libcurl's own CA bundle does not know the test CA.
  SetCaBundle("");
  EXPECT_EQ(GetRemoteFileSize(url, world_.host()), 0);
}

TEST_F(CurlRequestWorld, RequestsVerifyEveryHttpsPeerWhateverTheSchemesCase) {
  std::string url = world_.HttpsIpUrl("/__world/ping");
  url.replace(0, 5, "HTTPS");
  int status = -1;
  EXPECT_EQ(CurlRequest(kRequestGet, url, {}, true, false, "", &status, 10), "{\"ok\": true}");
  EXPECT_EQ(status, 0);
  SetCaBundle("");
  CurlRequest(kRequestGet, url, {}, true, false, "", &status, 10);
  EXPECT_EQ(status, CURLE_PEER_FAILED_VERIFICATION);
}

TEST_F(CurlRequestWorld, RequestBodyLosesItsCrLfPairsButNotItsZeroBytes) {
  WriteFile(world_.root() + name_, std::string("a\r\nb\0c\r\n", 8));
  std::string url = world_.HttpUrl("/files/" + name_);
  int status = -1;
  EXPECT_EQ(CurlRequest(kRequestGet, url, {}, true, false, "", &status, 10),
            std::string("ab\0c", 4));
  std::string with_headers = CurlRequest(kRequestGet, url, {}, true, true, "", &status, 10);
  EXPECT_EQ(with_headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
  EXPECT_NE(with_headers.find("Content-Length: 8\r\n"), std::string::npos);
  EXPECT_EQ(with_headers.substr(with_headers.size() - 4), std::string("ab\0c", 4));
  EXPECT_EQ(CurlRequest(kRequestHead, url, {}, true, false, "", &status, 10), "");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(world_.Journal(name_).back().method, "HEAD");
}

TEST_F(CurlRequestWorld, RequestPostsItsBodyWithItsHeaders) {
  int status = -1;
  std::string echo = CurlRequest(kRequestPost, world_.HttpUrl("/__world/echo"),
                                 {"X-Client-Sn: {abc}", "Content-Type: application/json"}, true,
                                 false, "{\"k\": 1}", &status, 10);
  EXPECT_EQ(status, 0);
  EXPECT_NE(echo.find("X-Client-Sn: {abc}"), std::string::npos) << echo;
  EXPECT_NE(echo.find("Content-Length: 8"), std::string::npos) << echo;
  EXPECT_EQ(echo.substr(echo.size() - 8), "{\"k\": 1}");
  // A refused connection comes back as libcurl's code.
  CurlRequest(kRequestGet, "http://127.0.0.1:1/", {}, true, false, "", &status, 5);
  EXPECT_EQ(status, CURLE_COULDNT_CONNECT);
}

TEST_F(CurlRequestWorld, FormDataUploadsOneFilePartOverVerifiedTls) {
  std::string file = dir_.path() + "report.zip";
  WriteFile(file, "zip bytes here");
  int status = -1;
  std::string echo =
      CurlFormDataRequest(world_.HttpsIpUrl("/__world/echo"), {"X-Test: 1"}, file, &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(echo.find("multipart/form-data"), std::string::npos) << echo;
  EXPECT_NE(echo.find("name=\"file\""), std::string::npos) << echo;
  EXPECT_NE(echo.find("zip bytes here"), std::string::npos) << echo;
  SetCaBundle("");
  CurlFormDataRequest(world_.HttpsIpUrl("/__world/echo"), {}, file, &status);
  EXPECT_EQ(status, CURLE_PEER_FAILED_VERIFICATION);
}

}  // namespace
}  // namespace ns_Drav
