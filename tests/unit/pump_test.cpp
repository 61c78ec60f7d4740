#include "support/pump.h"

#include <gtest/gtest.h>

namespace velkor {
namespace {

TEST(Pump, AutomaticStepIsATenthWithinOneTo25) {
  const struct {
    unsigned duration, step, expected;
  } cases[] = {
      {100, 0, 10}, {1000, 0, 25}, {5, 0, 1}, {0, 0, 1}, {249, 0, 24}, {100, 7, 7}, {10, 50, 50},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.duration << "/" << c.step);
    EXPECT_EQ(WaitPumpingStep(c.duration, c.step), c.expected);
  }
}

TEST(Pump, CenteringTruncatesTowardZero) {
  EXPECT_EQ(CenterInArea(0, 0, 1280, 1000, 300, 200), (CenteredPos{490, 400}));
  EXPECT_EQ(CenterInArea(0, 30, 1280, 994, 301, 201), (CenteredPos{489, 426}));
  // Wider than the area: starts left of it; an odd overhang halves toward zero (-101/2 = -50).
  EXPECT_EQ(CenterInArea(10, 0, 1000, 800, 1101, 100), (CenteredPos{-40, 350}));
}

}  // namespace
}  // namespace velkor
