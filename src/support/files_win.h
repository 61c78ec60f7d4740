#pragma once
// File, folder and drive operations shared by the whole stub. Paths are ANSI; file contents are
// byte strings. Nothing here reports failure by exception: every operation returns its outcome.
#include <windows.h>

#include <cstdint>
#include <string>

#include "support/files.h"

namespace velkor {

// Moves the file pointer; origin 0 = start, 1 = current, 2 = end. Returns the new position, or
// -1 when the system refuses.
std::int64_t FileSeek64(HANDLE file, std::int64_t offset, int origin);

// Size of an open file; -1 when it cannot be asked.
std::int64_t HandleFileSize(HANDLE file);

// Size of the first file that `name` (wildcards allowed) matches; 0 when nothing matches.
std::int64_t FileSizeOf(const std::string& name);

// The first `max_length` bytes of the file (0: all of it). Empty for a missing file, an empty
// file, a file that cannot be read completely, and a file too large to hold in memory.
std::string ReadFileToString(const std::string& name, std::uint64_t max_length = 0);

// Writes `data` to the file, replacing it, or appending with `append` (creating it when
// missing). Large data go in steps (see WriteChunkSize). When every byte was written and
// `dos_date` (a packed file-system date and time) is not 0, the file gets that date. True when
// every byte was written.
bool WriteStringToFile(const std::string& name, const std::string& data,
                       std::uint32_t dos_date = 0, bool append = false);

// Opens (creating when missing), writes `data` at the end in one call, closes. True when every
// byte was written.
bool AppendStringToFile(const std::string& name, const std::string& data);

// Free bytes available to the caller on the disk holding `path` ("" = the current drive); -1
// when it cannot be determined.
double DiskFreeBytes(const std::string& path);

// Deletes every file (not folder) that `mask` matches, hidden and system ones included; with
// `clear_attributes` each file's attributes are reset first so read-only files go too. Files
// that cannot be deleted are left.
void DeleteFilesByMask(const std::string& mask, bool clear_attributes);

// Deletes the folder with everything in it that can be deleted. Hidden and system subfolders
// are left, and a linked folder (junction or symbolic link) is unlinked without touching what
// it points to. True when the folder existed before and does not exist after.
bool DeleteFolderTree(const std::string& folder, bool clear_attributes);

// Asks the CD-ROM drive holding `path` to eject its medium; false for any other drive.
bool EjectCD(const std::string& path);

// Writes and starts the hidden batch file that deletes this program's file once the process has
// ended (and, with `remove_folder`, its then empty folder). The caller ends the process next.
void DeleteMySelf(bool remove_folder);

// Name of that batch file in the system's temporary folder.
inline constexpr const char* kSelfDeleteBatchName = "_DEL_ME_.BAT";

}  // namespace velkor
