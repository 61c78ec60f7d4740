#include "support/version.h"

#include <gtest/gtest.h>

TEST(Version, IsSet) { EXPECT_STRNE(velkor::VelkorVersion(), ""); }
