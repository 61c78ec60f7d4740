#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include "common/test_env_win.h"
#include "package/disk_space_win.h"
#include "package/file_info.h"
#include "package/language.h"
#include "package/language_win.h"
#include "package/package_reader.h"

namespace velkor::test {
namespace {

void ExpectStubImage(const std::string& path) {
  ReadOnlyFile file(path);
  ASSERT_TRUE(file.is_open()) << path;
  EXPECT_TRUE(IsPEImage(file));
  EXPECT_EQ(ReadEndOffset(file), 0u);  // a bare stub carries no package yet
  EXPECT_FALSE(TGFileInfo(path).HasPackage());
}

// Run without a package, the stub ends with the checksum message (an end-to-end test answers it).
TEST(BuiltStub, IsAStubImage) {
  ExpectStubImage(BinPath("velkor-stub.exe"));
}

TEST(BuiltStub, ShippedI686StubIsAStubImage) {
  const std::string stub = VELKOR_SOURCE_DIR "/build/win32/bin/velkor-stub.exe";
  if (!FileExists(stub)) GTEST_SKIP() << "no i686 build in this tree";
  ExpectStubImage(stub);
}

TEST(ReadOnlyFileWin, ReadsAFileThatAnotherHandleIsWriting) {
  ScratchDir dir("pkg-share");
  const std::string path = dir.File("busy.bin");
  HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(writer, "abcdef", 6, &written, nullptr));
  ReadOnlyFile file(path);
  EXPECT_TRUE(file.is_open());
  char buf[6] = {};
  EXPECT_TRUE(file.ReadExactAt(0, buf, 6));
  EXPECT_EQ(std::string(buf, 6), "abcdef");
  file.Close();
  CloseHandle(writer);
}

TEST(ReadOnlyFileWin, FindsATrailerBeyondFourGigabytes) {
  // Sizes and offsets above 32 bits: the trailer sits at the end of a sparse 5 GB file.
  ScratchDir dir("pkg-big");
  const std::string path = dir.File("big.bin");
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD ignored = 0;
  DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
  const LONGLONG size = 5LL * 1024 * 1024 * 1024;
  Trailer t;
  t.Magic = kTrailerMagic;
  t.FilesCount = 42;
  t.TrailerSize = 74;
  const std::string bytes = SerializeTrailer(t);
  LARGE_INTEGER pos;
  pos.QuadPart = size - 74;
  ASSERT_TRUE(SetFilePointerEx(h, pos, nullptr, FILE_BEGIN));
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(h, bytes.data(), 74, &written, nullptr));
  CloseHandle(h);

  ReadOnlyFile file(path);
  ASSERT_TRUE(file.is_open());
  EXPECT_EQ(file.size(), size);
  Trailer r;
  ASSERT_TRUE(ReadTrailer(file, &r));
  EXPECT_TRUE(r.HasMagic());
  EXPECT_EQ(r.FilesCount, 42);
  file.Close();
  EXPECT_EQ(PackageChecksum(path, 74), kChecksumSkip);
}

TEST(DiskSpace, ClusterSizeChoosesTheSpaceEntry) {
  TGFileInfo info;
  for (std::uint32_t i = 0; i < kTrailerSpaceTableEntries; ++i) info.trailer.SpaceTable[i] = 10 + i;
  const std::uint64_t cluster = ClusterSize("C:\\Windows");
  ASSERT_GT(cluster, 0u);
  EXPECT_EQ(RequiredSpace(info, "C:\\Windows"), info.RequiredSpaceForClusterSize(cluster));
  // A drive that does not exist has no cluster size: entry 0.
  EXPECT_EQ(ClusterSize("Q:\\nothing"), 0u);
  EXPECT_EQ(RequiredSpace(info, "Q:\\nothing"), 10.0);
}

TEST(SystemLocale, IsTakenFromTheThread) {
  ReadSystemLocaleFromThread();
  EXPECT_EQ(SystemLocaleId(), static_cast<std::uint32_t>(GetThreadLocale()));
  SetSystemLocaleId(0);
}

}  // namespace
}  // namespace velkor::test
