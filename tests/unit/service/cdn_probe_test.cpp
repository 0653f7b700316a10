#include "service/cdn_probe.h"

#include <gtest/gtest.h>

#include "service/strategy_queries.h"

namespace {

TEST(CdnProbe, ThroughputInMillionsOfBytesPerSecond) {
  EXPECT_DOUBLE_EQ(ProbeThroughput(6000000, 3.0), 2.0);
  EXPECT_DOUBLE_EQ(ProbeThroughput(1048576, 0.5), 2.097152);
  EXPECT_EQ(ProbeThroughput(0, 3.0), 0);
  EXPECT_EQ(ProbeThroughput(5000, 0.0009), 0);
  EXPECT_EQ(FormatThroughput(ProbeThroughput(6000000, 3.0)), "2.00");
}

TEST(CdnProbe, InvalidParametersMeasureNothing) {
  struct Case {
    const char* url;
    int size_mb;
    int seconds;
  } cases[] = {{"", 4, 3},
               {"http://127.0.0.1:1/p", 0, 3},
               {"http://127.0.0.1:1/p", 4, 0},
               {"http://127.0.0.1:1/p", -1, 3}};
  for (const Case& c : cases) {
    double elapsed = -1;
    int64_t bytes = -1;
    EXPECT_EQ(ProbeCdnBandwidth(c.url, c.size_mb, c.seconds, &elapsed, &bytes), 0);
    EXPECT_EQ(elapsed, 0);
    EXPECT_EQ(bytes, 0);
  }
}

TEST(CdnProbe, ThroughputTextHasTwoDecimals) {
  EXPECT_EQ(FormatThroughput(0), "0.00");
  EXPECT_EQ(FormatThroughput(1.234), "1.23");
  EXPECT_EQ(FormatThroughput(1.235001), "1.24");
  EXPECT_EQ(FormatThroughput(12345.678), "12345.68");
}

}  // namespace
