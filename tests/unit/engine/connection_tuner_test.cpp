#include "engine/connection_tuner.h"

#include <gtest/gtest.h>

namespace ns_Drav {
namespace {

TEST(ConnectionTuner, GrowsWhenOthersTakeTheLine) {
  ConnectionTuner tuner;
  tuner.Reset(1000);
  // 10 000 bytes of ours in 101 000 of the machine's: ratio ~0.1.
  EXPECT_EQ(tuner.Change(25, 24, 48, 10000, 102000), 1);
  // The same ratio at the upper bound: no growth.
  EXPECT_EQ(tuner.Change(48, 24, 48, 20000, 203000), 0);
}

TEST(ConnectionTuner, ShrinksBackWhenTheDownloadHasTheLine) {
  ConnectionTuner tuner;
  tuner.Reset(0);
  // Ratio 0.9 with more connections than at the start: one less.
  EXPECT_EQ(tuner.Change(26, 24, 48, 90000, 100000), -1);
  // Ratio 0.9, not above the start count: keep.
  EXPECT_EQ(tuner.Change(20, 24, 48, 180000, 200000), 0);
  // Ratio 0.8 (between the thresholds): keep.
  EXPECT_EQ(tuner.Change(30, 24, 48, 260000, 300000), 0);
}

TEST(ConnectionTuner, KeepsWhenTheCountsSayNothing) {
  ConnectionTuner tuner;
  tuner.Reset(5000);
  EXPECT_EQ(tuner.Change(30, 24, 48, 10, 5000), 0);  // TCP count unchanged: marks stay
  // Our bytes grew more than the machine's (loopback's large segments).
  EXPECT_EQ(tuner.Change(30, 24, 48, 10000000, 6000), 0);
  // The marks moved: a small step with a low ratio now grows.
  EXPECT_EQ(tuner.Change(30, 24, 48, 10000100, 106000), 1);
}

TEST(ConnectionTuner, CountsAcrossTheWrapOfTheTcpCounter) {
  ConnectionTuner tuner;
  tuner.Reset(0xFFFFFF00u);
  // 0x100 + 99 744 bytes of the machine's: the difference is taken modulo 2^32.
  EXPECT_EQ(tuner.Change(25, 24, 48, 5000, 99744u), 1);
}

}  // namespace
}  // namespace ns_Drav
