#include "engine/range_plan.h"

#include <gtest/gtest.h>

namespace ns_Drav {
namespace {

void ExpectCovers(const std::vector<ByteRange>& plan, int64_t total) {
  int64_t next = 0;
  for (const ByteRange& range : plan) {
    EXPECT_EQ(range.start, next);
    EXPECT_LE(range.start, range.end);
    next = range.end + 1;
  }
  EXPECT_EQ(next, total);
}

TEST(PlanSegments, CutsEqualSlicesWithAShorterLastOne) {
  std::vector<ByteRange> plan = PlanSegments(10 * kMiB + 7, 24);
  ASSERT_EQ(plan.size(), 24u);
  int64_t length = (10 * kMiB + 7 + 23) / 24;
  for (size_t i = 0; i + 1 < plan.size(); ++i)
    EXPECT_EQ(plan[i].end - plan[i].start + 1, length);
  EXPECT_LT(plan.back().end - plan.back().start + 1, length);
  ExpectCovers(plan, 10 * kMiB + 7);
}

TEST(DefaultSegments, CutsFourMebibyteSlicesAndAtLeastOnePerConnection) {
  struct Case {
    int64_t total;
    int threads;
    int segments;
  } cases[] = {
      {0, 24, 24},
      {10 * kMiB, 24, 24},
      {96 * kMiB, 24, 24},
      {96 * kMiB + 1, 24, 25},
      {512 * kMiB, 24, 128},
      {512 * kMiB, 200, 200},
      {int64_t{64} * 1024 * kMiB, 24, 4096},  // 64 GiB: the slices grow instead
  };
  for (const Case& c : cases)
    EXPECT_EQ(DefaultSegments(c.total, c.threads), c.segments) << c.total;
}

TEST(PlanSegments, LeavesOutSegmentsPastTheEnd) {
  ExpectCovers(PlanSegments(5, 24), 5);
  EXPECT_EQ(PlanSegments(5, 24).size(), 5u);
  ExpectCovers(PlanSegments(100, 7), 100);      // 15 x 6 + 10
  EXPECT_EQ(PlanSegments(97, 24).size(), 20u);  // 5-byte slices: the 21st would start at 100
  EXPECT_TRUE(PlanSegments(0, 24).empty());
}

TEST(PlanSegments, KeepsSixtyFourBitOffsets) {
  int64_t total = 6 * 1024 * kMiB + 3;
  std::vector<ByteRange> plan = PlanSegments(total, 100);
  ASSERT_EQ(plan.size(), 100u);
  ExpectCovers(plan, total);
  EXPECT_GT(plan.back().start, int64_t{1} << 32);
}

TEST(ThreadBufferForMemory, SizesConnectionsFromFreeMemory) {
  struct Case {
    int64_t available;
    int threads;
    int buffer;
  } cases[] = {
      {-1, 24, 5 * 1024 * 1024},          // unknown
      {8LL << 30, 24, 5 * 1024 * 1024},   // plenty
      {120 * kMiB, 24, 5 * 1024 * 1024},  // just enough
      {48 * kMiB, 24, 2 * 1024 * 1024},   // 24 smaller buffers
      {24 * kMiB, 24, 1024 * 1024},       // exactly 1 MiB each
      {20 * kMiB, 20, 1024 * 1024},       // fewer connections
      {300 * 1024, 1, 1024 * 1024},       // at least one
  };
  for (const Case& c : cases) {
    ThreadBuffer sizes = ThreadBufferForMemory(c.available);
    EXPECT_EQ(sizes.threadCount, c.threads) << c.available;
    EXPECT_EQ(sizes.bufferSize, c.buffer) << c.available;
  }
}

TEST(FreeMemoryBufferCap, IsTheFreeMemoryUpToFiveMiB) {
  EXPECT_EQ(FreeMemoryBufferCap(-1), 5 * 1024 * 1024);
  EXPECT_EQ(FreeMemoryBufferCap(1LL << 33), 5 * 1024 * 1024);
  EXPECT_EQ(FreeMemoryBufferCap(700 * 1024), 700 * 1024);
  EXPECT_EQ(MinimumBufferSize(1), 256 * 1024);
  EXPECT_EQ(MinimumBufferSize(24), 512 * 1024);
}

}  // namespace
}  // namespace ns_Drav
