#include "support/files_win.h"

#include <gtest/gtest.h>

#include "common/test_env_win.h"
#include "support/scoped_handle_win.h"

namespace velkor {
namespace {

using test::FileExists;
using test::ReadWholeFile;
using test::ScratchDir;
using test::WriteWholeFile;

std::string Pattern(std::size_t size) {
  std::string data(size, '\0');
  std::uint32_t x = 12345;
  for (char& c : data) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return data;
}

TEST(FilesRead, WholeAndLimited) {
  ScratchDir dir("read");
  const std::string three = dir.File("three.bin");
  ASSERT_TRUE(WriteWholeFile(three, std::string("a\0b", 3)));
  ASSERT_TRUE(WriteWholeFile(dir.File("empty.bin"), ""));

  EXPECT_EQ(ReadFileToString(three), std::string("a\0b", 3));
  EXPECT_EQ(ReadFileToString(three, 10000), std::string("a\0b", 3));
  EXPECT_EQ(ReadFileToString(three, 2), std::string("a\0", 2));
  EXPECT_EQ(ReadFileToString(dir.File("empty.bin")), "");
  EXPECT_EQ(ReadFileToString(dir.File("missing.bin")), "");

  // Other programs may hold the file open for writing while we read it.
  ScopedHandle writer(CreateFileA(three.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(writer.valid());
  EXPECT_EQ(ReadFileToString(three), std::string("a\0b", 3));
}

TEST(FilesWrite, LargeDataArriveWhole) {
  ScratchDir dir("write");
  // 3 MB goes in tenths plus a remainder, 20 MB in 1 MB steps; an offset slip in either shows
  // as wrong content.
  for (std::size_t size : {std::size_t{3} * 1048576 + 7, std::size_t{20} * 1048576}) {
    const std::string data = Pattern(size);
    const std::string file = dir.File("big.bin");
    ASSERT_TRUE(WriteStringToFile(file, data)) << size;
    EXPECT_TRUE(ReadWholeFile(file) == data) << size;
    EXPECT_EQ(FileSizeOf(file), static_cast<std::int64_t>(size));
  }
}

TEST(FilesWrite, ReplaceAppendAndCreate) {
  ScratchDir dir("append");
  const std::string file = dir.File("a.txt");
  EXPECT_TRUE(WriteStringToFile(file, "first", 0, true));  // append to a missing file creates it
  EXPECT_EQ(ReadWholeFile(file), "first");
  EXPECT_TRUE(WriteStringToFile(file, "+more", 0, true));
  EXPECT_EQ(ReadWholeFile(file), "first+more");
  EXPECT_TRUE(WriteStringToFile(file, "new"));  // without the flag the file is replaced
  EXPECT_EQ(ReadWholeFile(file), "new");

  const std::string log = dir.File("log.txt");
  EXPECT_TRUE(AppendStringToFile(log, "one\r\n"));
  EXPECT_TRUE(AppendStringToFile(log, "two\r\n"));
  EXPECT_EQ(ReadWholeFile(log), "one\r\ntwo\r\n");

  EXPECT_FALSE(WriteStringToFile(dir.File("no\\such\\folder.txt"), "x"));
  EXPECT_FALSE(AppendStringToFile(dir.File("no\\such\\folder.txt"), "x"));
}

TEST(FilesWrite, SetsTheGivenFileDate) {
  ScratchDir dir("date");
  const std::string file = dir.File("dated.txt");
  // 1 February 2005 09:05:02 as a packed date (date in the high word, time in the low word).
  const WORD dos_date = ((2005 - 1980) << 9) | (2 << 5) | 1;
  const WORD dos_time = (9 << 11) | (5 << 5) | (2 / 2);
  ASSERT_TRUE(WriteStringToFile(file, "x", (static_cast<std::uint32_t>(dos_date) << 16) | dos_time));

  ScopedHandle h(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             0, nullptr));
  ASSERT_TRUE(h.valid());
  FILETIME written, local;
  ASSERT_TRUE(GetFileTime(h.get(), nullptr, nullptr, &written));
  ASSERT_TRUE(FileTimeToLocalFileTime(&written, &local));
  WORD got_date = 0, got_time = 0;
  ASSERT_TRUE(FileTimeToDosDateTime(&local, &got_date, &got_time));
  EXPECT_EQ(got_date, dos_date);
  EXPECT_EQ(got_time, dos_time);
}

TEST(FilesSize, SeekAndSizes) {
  ScratchDir dir("size");
  ASSERT_TRUE(WriteWholeFile(dir.File("a.dat"), "12345"));
  ASSERT_TRUE(WriteWholeFile(dir.File("empty.dat"), ""));
  EXPECT_EQ(FileSizeOf(dir.File("a.dat")), 5);
  EXPECT_EQ(FileSizeOf(dir.File("a.d?t")), 5);
  EXPECT_EQ(FileSizeOf(dir.File("empty.dat")), 0);
  EXPECT_EQ(FileSizeOf(dir.File("missing.dat")), 0);

  ScopedHandle h(CreateFileA(dir.File("a.dat").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(h.valid());
  EXPECT_EQ(HandleFileSize(h.get()), 5);
  // Positions beyond 4 GB need both halves of the offset.
  const std::int64_t five_gb = 5LL << 30;
  EXPECT_EQ(FileSeek64(h.get(), five_gb, 0), five_gb);
  EXPECT_EQ(FileSeek64(h.get(), -1, 1), five_gb - 1);
  EXPECT_EQ(FileSeek64(h.get(), -2, 2), 3);
  EXPECT_EQ(FileSeek64(h.get(), -10, 0), -1);
}

TEST(FilesDisk, FreeBytes) {
  ScratchDir dir("disk");
  EXPECT_GT(DiskFreeBytes("C:\\windows\\system32"), 0);
  EXPECT_GT(DiskFreeBytes(dir.path() + "\\not\\yet\\made\\"), 0);  // falls back to the root
  EXPECT_GT(DiskFreeBytes(""), 0);
  EXPECT_EQ(DiskFreeBytes("Q:\\Setup"), -1);  // no such drive
  EXPECT_EQ(DiskFreeBytes("q:"), -1);
  EXPECT_FALSE(EjectCD("C:\\windows"));  // a hard disk
  EXPECT_FALSE(EjectCD(""));
  EXPECT_FALSE(EjectCD("1:\\"));
}

TEST(FilesDelete, ByMask) {
  ScratchDir dir("mask");
  for (const char* name : {"a.tmp", "b.tmp", "ro.tmp", "hidden.tmp", "keep.txt"})
    ASSERT_TRUE(WriteWholeFile(dir.File(name), "x"));
  ASSERT_TRUE(CreateDirectoryA(dir.File("sub.tmp").c_str(), nullptr));
  SetFileAttributesA(dir.File("ro.tmp").c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA(dir.File("hidden.tmp").c_str(), FILE_ATTRIBUTE_HIDDEN);

  DeleteFilesByMask(dir.File("*.tmp"), false);
  EXPECT_FALSE(FileExists(dir.File("a.tmp")));
  EXPECT_FALSE(FileExists(dir.File("b.tmp")));
  EXPECT_FALSE(FileExists(dir.File("hidden.tmp")));
  EXPECT_TRUE(FileExists(dir.File("ro.tmp")));   // read-only stays without clearing
  EXPECT_TRUE(FileExists(dir.File("keep.txt")));
  EXPECT_TRUE(FileExists(dir.File("sub.tmp")));  // folders are not files

  DeleteFilesByMask(dir.File("*.tmp"), true);
  EXPECT_FALSE(FileExists(dir.File("ro.tmp")));
  DeleteFilesByMask(dir.File("*.none"), true);  // no match is no error
}

TEST(FilesDelete, FolderTree) {
  ScratchDir dir("tree");
  auto build = [&](const std::string& root) {
    ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((root + "\\sub").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((root + "\\sub\\deeper").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(root + "\\a.txt", "x"));
    ASSERT_TRUE(WriteWholeFile(root + "\\sub\\b.txt", "x"));
    ASSERT_TRUE(WriteWholeFile(root + "\\sub\\deeper\\ro.txt", "x"));
    SetFileAttributesA((root + "\\sub\\deeper\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  };

  const std::string kept = dir.File("kept");
  build(kept);
  EXPECT_FALSE(DeleteFolderTree(kept, false));  // the read-only file holds its folders
  EXPECT_TRUE(FileExists(kept + "\\sub\\deeper\\ro.txt"));
  EXPECT_FALSE(FileExists(kept + "\\a.txt"));
  EXPECT_FALSE(FileExists(kept + "\\sub\\b.txt"));

  const std::string gone = dir.File("gone");
  build(gone);
  EXPECT_TRUE(DeleteFolderTree(gone, true));
  EXPECT_FALSE(FileExists(gone));

  EXPECT_FALSE(DeleteFolderTree(dir.File("missing"), true));
  EXPECT_FALSE(DeleteFolderTree("", true));

  const std::string hidden = dir.File("hidden");
  ASSERT_TRUE(CreateDirectoryA(hidden.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((hidden + "\\h").c_str(), nullptr));
  SetFileAttributesA((hidden + "\\h").c_str(), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_FALSE(DeleteFolderTree(hidden, true));  // hidden subfolders are left alone
  EXPECT_TRUE(FileExists(hidden + "\\h"));
}

// Runs a copy of the self-deleting helper from a folder of its own and waits for the batch file
// to have removed it.
class SelfDelete : public ::testing::Test {
 protected:
  std::string BatchPath() {
    char temp[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof temp, temp);
    std::string dir(temp, n);
    if (dir.back() != '\\') dir.push_back('\\');
    return dir + kSelfDeleteBatchName;
  }
  static bool WaitGone(const std::string& path, DWORD timeout_ms) {
    DWORD start = GetTickCount();
    while (FileExists(path)) {
      if (GetTickCount() - start > timeout_ms) return false;
      Sleep(50);
    }
    return true;
  }
};

TEST_F(SelfDelete, DeletesTheFinishedProgramAndOnRequestItsFolder) {
  ScratchDir dir("selfdel");
  struct Case {
    const char* switches;
    bool folder_goes;
  } cases[] = {{"", false}, {" /RemoveFolder", true}};
  int n = 0;
  for (const Case& c : cases) {
    const std::string folder = dir.File("app" + std::to_string(n++));
    const std::string exe = folder + "\\X_agent.exe";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(test::BinPath("self_deleter.exe").c_str(), exe.c_str(), FALSE));

    EXPECT_EQ(test::RunAndWait("\"" + exe + "\"" + c.switches, 20000, folder), 0);
    EXPECT_TRUE(WaitGone(exe, 20000)) << c.switches;
    EXPECT_TRUE(WaitGone(BatchPath(), 20000)) << "the batch file deletes itself";
    EXPECT_EQ(FileExists(folder), !c.folder_goes) << c.switches;
  }
}

}  // namespace
}  // namespace velkor

namespace velkor {
namespace {

TEST(FilesDelete, LinkedFolderIsUnlinkedNotEmptied) {
  test::ScratchDir dir("link");
  const std::string outside = dir.File("outside");
  const std::string tree = dir.File("tree");
  ASSERT_TRUE(CreateDirectoryA(outside.c_str(), nullptr));
  ASSERT_TRUE(test::WriteWholeFile(outside + "\\precious.txt", "keep me"));
  ASSERT_TRUE(CreateDirectoryA(tree.c_str(), nullptr));
  // Wine resolves relative link targets; absolute ones may not resolve there.
  if (!CreateSymbolicLinkA((tree + "\\link").c_str(), "..\\outside",
                           SYMBOLIC_LINK_FLAG_DIRECTORY) ||
      !test::FileExists(tree + "\\link\\precious.txt"))
    GTEST_SKIP() << "no working folder links here";

  EXPECT_TRUE(DeleteFolderTree(tree, true));
  EXPECT_EQ(test::ReadWholeFile(outside + "\\precious.txt"), "keep me");
}

}  // namespace
}  // namespace velkor
