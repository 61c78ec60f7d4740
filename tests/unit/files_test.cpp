#include "support/files.h"

#include <gtest/gtest.h>

#include <vector>

namespace velkor {
namespace {

TEST(FileTitle, Extensions) {
  struct Case {
    const char* path;
    bool all;
    const char* title;
  } cases[] = {
      {"C:\\Dl\\setup.exe.part", false, "setup.exe"},
      {"C:\\Dl\\setup.exe.part", true, "setup"},
      {"C:\\My.Dir\\setup", false, "setup"},  // a dot in the folder is not an extension
      {"setup.exe", false, "setup"},
      {"C:\\Dl\\", false, ""},
      {"D:agent.exe", false, "agent"},
      {".hidden", false, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ExtractFileTitle(c.path, c.all), c.title) << c.path << " all=" << c.all;
}

std::vector<std::uint64_t> ChunksOf(std::uint64_t length) {
  std::vector<std::uint64_t> sizes;
  WriteInChunks(length, [&](std::uint64_t, std::uint64_t size) {
    sizes.push_back(size);
    return size;
  });
  return sizes;
}

TEST(WriteChunks, SizesByLength) {
  const std::uint64_t mb = 1048576;
  EXPECT_EQ(ChunksOf(5), (std::vector<std::uint64_t>{5}));
  EXPECT_EQ(ChunksOf(mb), (std::vector<std::uint64_t>{mb}));
  EXPECT_TRUE(ChunksOf(0).empty());

  // 3 MB: ten chunks of a tenth (integer), then the remainder.
  std::vector<std::uint64_t> three = ChunksOf(3 * mb);
  ASSERT_EQ(three.size(), 11u);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(three[i], 3 * mb / 10);
  EXPECT_EQ(three[10], 3 * mb - 10 * (3 * mb / 10));

  // 20 MB: capped at 1 MB per chunk.
  EXPECT_EQ(ChunksOf(20 * mb), std::vector<std::uint64_t>(20, mb));

  // Just over 1 MB: a tenth each.
  std::vector<std::uint64_t> over = ChunksOf(mb + 1);
  EXPECT_EQ(over.front(), (mb + 1) / 10);
}

TEST(WriteChunks, StopsWhenAWriteWritesNothing) {
  const std::uint64_t mb = 1048576;
  int calls = 0;
  std::uint64_t written = WriteInChunks(20 * mb, [&](std::uint64_t offset, std::uint64_t size) {
    ++calls;
    return offset < 2 * mb ? size : 0;  // the disk fills after 2 MB
  });
  EXPECT_EQ(written, 2 * mb);
  EXPECT_EQ(calls, 3);

  // Short writes continue from where the last one ended.
  std::vector<std::uint64_t> offsets;
  written = WriteInChunks(10, [&](std::uint64_t offset, std::uint64_t) {
    offsets.push_back(offset);
    return std::uint64_t{4};
  });
  EXPECT_EQ(written, 10u);
  EXPECT_EQ(offsets, (std::vector<std::uint64_t>{0, 4, 8}));
}

TEST(DiskFreePathForms, FolderAndRoot) {
  struct Case {
    const char* path;
    const char* folder;
    const char* root;
  } cases[] = {
      {"C:\\Temp\\Setup\\", "C:\\Temp", "C:\\"},
      {"C:\\Temp", "C:\\Temp", "C:\\"},
      {"c:/temp/setup", "c:\\temp", "C:\\"},
      {"C:\\", "C:\\", "C:\\"},
      {"d:", "", "D:\\"},  // too short for the folder form
      {"", "", ""},        // the current drive
      {"\\\\srv\\share\\x", "\\\\srv", "\\:\\"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DiskFreeFolderForm(c.path), c.folder) << c.path;
    EXPECT_EQ(DiskFreeRootForm(c.path), c.root) << c.path;
  }
}

TEST(SelfDeleteBatch, LinesWithAndWithoutFolderRemoval) {
  const std::string exe = "C:\\App Dir\\X_agent.exe";
  const std::string batch = "C:\\Temp\\_DEL_ME_.BAT";
  EXPECT_EQ(SelfDeleteBatchText(exe, "C:\\App Dir", batch, false),
            ":START\r\n"
            "DEL \"C:\\App Dir\\X_agent.exe\"\r\n"
            "IF exist \"C:\\App Dir\\X_agent.exe\" GOTO START\r\n"
            "DEL \"C:\\Temp\\_DEL_ME_.BAT\"\r\n");
  EXPECT_EQ(SelfDeleteBatchText(exe, "C:\\App Dir", batch, true),
            ":START\r\n"
            "DEL \"C:\\App Dir\\X_agent.exe\"\r\n"
            "IF exist \"C:\\App Dir\\X_agent.exe\" GOTO START\r\n"
            "RD \"C:\\App Dir\"\r\n"
            "DEL \"C:\\Temp\\_DEL_ME_.BAT\"\r\n");
}

}  // namespace
}  // namespace velkor
