#include "engine/curl_request.h"

#include <gtest/gtest.h>

namespace ns_Drav {
namespace {

TEST(RemoveCrLf, RemovesOnlyPairs) {
  EXPECT_EQ(RemoveCrLf("{\"a\":\"x\r\ny\"}\r\n"), "{\"a\":\"xy\"}");
  EXPECT_EQ(RemoveCrLf("lone\rcr and lone\nlf"), "lone\rcr and lone\nlf");
  EXPECT_EQ(RemoveCrLf("\r\r\n\n"), "\r\n");
  EXPECT_EQ(RemoveCrLf(std::string("zero\0byte\r\n", 11)), std::string("zero\0byte", 9));
}

TEST(ContentLengthOfFinalResponse, ReadsTheLastResponseOnly) {
  struct Case {
    const char* headers;
    int64_t size;
  } cases[] = {
      {"HTTP/1.1 200 OK\r\nContent-Length: 1234\r\n\r\n", 1234},
      {"HTTP/1.1 200 OK\r\nContent-Length: 1 234\r\n\r\n", 1234},
      {"HTTP/1.1 200 OK\r\ncontent-length: 1234\r\n\r\n", 0},  // the name is matched exactly
      {"HTTP/1.1 200 OK\r\nContent-Length: 1234", 0},          // no line end
      {"HTTP/1.1 200 OK\r\nContent-Length: 12x4\r\n\r\n", 0},
      {"HTTP/1.1 302 Found\r\nContent-Length: 5\r\nLocation: /b\r\n\r\n"
       "HTTP/1.1 200 OK\r\nContent-Length: 6000000000\r\n\r\n",
       6000000000},
      {"HTTP/1.1 302 Found\r\nContent-Length: 5\r\n\r\n"
       "HTTP/1.1 200 OK\r\n\r\n",
       0},  // the redirect's length is not the file's
      {"HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\n", 0},
      {"", 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ContentLengthOfFinalResponse(c.headers), c.size) << c.headers;
}

}  // namespace
}  // namespace ns_Drav
