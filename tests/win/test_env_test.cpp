#include "common/test_env_win.h"

#include <gtest/gtest.h>

namespace velkor::test {

TEST(TestEnv, ScratchDirIsCreatedAndRemoved) {
  std::string path;
  {
    ScratchDir dir("env");
    path = dir.path();
    ASSERT_TRUE(WriteWholeFile(dir.File("a.txt"), std::string("x\0y", 3)));
    EXPECT_EQ(ReadWholeFile(dir.File("a.txt")), std::string("x\0y", 3));
  }
  EXPECT_FALSE(FileExists(path));
}

TEST(TestEnv, BuiltStubIsBesideTheTests) { EXPECT_TRUE(FileExists(BinPath("velkor-stub.exe"))); }

}  // namespace velkor::test
