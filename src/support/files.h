#pragma once
// Portable decisions behind the file utilities of support/files_win.h: titles of file names, the
// chunking of large writes, the path forms used to measure free space and the text of the
// self-delete batch file.
#include <cstdint>
#include <string>

namespace velkor {

// File name without its folder and its extension; with `all_extensions` every extension goes:
// "C:\a\setup.exe.part" gives "setup.exe", or "setup" with the flag.
std::string ExtractFileTitle(const std::string& path, bool all_extensions);

// Writes up to this size go to the system in one call.
inline constexpr std::uint64_t kSingleWriteLimit = 1048576;

// Size of each write for data of `length` bytes: the whole length up to 1 MB, above that a tenth
// of the length (integer), at most 1 MB. Large writes in steps keep each system call bounded.
std::uint64_t WriteChunkSize(std::uint64_t length);

// Writes `length` bytes through `write(offset, size)`, which returns how many bytes it wrote, in
// steps of WriteChunkSize (the last one shorter). Stops early when a step writes nothing.
// Returns the number of bytes written.
template <typename WriteFn>
std::uint64_t WriteInChunks(std::uint64_t length, WriteFn&& write) {
  const std::uint64_t chunk = WriteChunkSize(length);
  std::uint64_t done = 0;
  while (done < length) {
    std::uint64_t step = length - done < chunk ? length - done : chunk;
    std::uint64_t wrote = write(done, step);
    if (wrote == 0) break;
    done += wrote > step ? step : wrote;
  }
  return done;
}

// The two path forms that free-space queries take. "/" is read as "\" in both.
// Root form: the path's first character upper-cased + ":\"; "" for an empty path (meaning the
// current drive).
std::string DiskFreeRootForm(const std::string& path);
// Folder form: for paths of 3 characters or more, the path cut before the first "\" at or after
// its 4th character ("C:\Temp\Setup\" gives "C:\Temp"); "" for shorter paths, which are measured
// in the root form only.
std::string DiskFreeFolderForm(const std::string& path);

// The hidden batch file that deletes a finished program: it repeats the delete until the
// program's file is gone, removes the program's folder when asked, and deletes itself.
std::string SelfDeleteBatchText(const std::string& exe_path, const std::string& folder,
                                const std::string& batch_path, bool remove_folder);

}  // namespace velkor
