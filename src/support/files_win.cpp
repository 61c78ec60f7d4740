#include "support/files_win.h"

#include <winioctl.h>

#include <new>
#include <vector>

#include "support/scoped_handle_win.h"
#include "support/trace.h"

namespace velkor {

namespace {

std::string OwnExePath() {
  std::vector<char> buf(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return "";
    if (n < buf.size()) return std::string(buf.data(), n);
    if (buf.size() >= 32768) return "";
    buf.resize(buf.size() * 2);
  }
}

ScopedHandle OpenForAppend(const std::string& name) {
  ScopedHandle file(CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.valid() && FileSeek64(file.get(), 0, 2) < 0) file.Close();
  return file;
}

// The largest single ReadFile/WriteFile request we make; keeps the DWORD count in range.
constexpr DWORD kMaxIoStep = 64u * 1024 * 1024;

}  // namespace

std::int64_t FileSeek64(HANDLE file, std::int64_t offset, int origin) {
  static const DWORD kMethods[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
  if (origin < 0 || origin > 2) return -1;
  LARGE_INTEGER distance, position;
  distance.QuadPart = offset;
  if (!SetFilePointerEx(file, distance, &position, kMethods[origin])) return -1;
  return position.QuadPart;
}

std::int64_t HandleFileSize(HANDLE file) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size)) return -1;
  return size.QuadPart;
}

std::int64_t FileSizeOf(const std::string& name) {
  WIN32_FIND_DATAA data;
  ScopedFind find(name, &data);
  if (!find.valid()) return 0;
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
                                   data.nFileSizeLow);
}

std::string ReadFileToString(const std::string& name, std::uint64_t max_length) {
  ScopedHandle file(CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return "";
  std::int64_t size = HandleFileSize(file.get());
  if (size <= 0) return "";
  std::uint64_t n = static_cast<std::uint64_t>(size);
  if (max_length > 0 && max_length < n) n = max_length;
  std::string result;
  // A file larger than this process can hold gives the empty result like any unreadable file.
  if (n > result.max_size()) return "";
  try {
    result.resize(static_cast<std::size_t>(n));
  } catch (const std::bad_alloc&) {
    return "";
  }
  std::uint64_t done = 0;
  while (done < n) {
    DWORD step = n - done < kMaxIoStep ? static_cast<DWORD>(n - done) : kMaxIoStep;
    DWORD got = 0;
    if (!ReadFile(file.get(), result.data() + done, step, &got, nullptr) || got == 0) break;
    done += got;
  }
  if (done < n) return "";
  return result;
}

bool WriteStringToFile(const std::string& name, const std::string& data, std::uint32_t dos_date,
                       bool append) {
  ScopedHandle file =
      append ? OpenForAppend(name)
             : ScopedHandle(CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  std::uint64_t written = WriteInChunks(data.size(), [&](std::uint64_t offset, std::uint64_t size) {
    DWORD step = size < kMaxIoStep ? static_cast<DWORD>(size) : kMaxIoStep;
    DWORD put = 0;
    if (!WriteFile(file.get(), data.data() + offset, step, &put, nullptr)) return std::uint64_t{0};
    return std::uint64_t{put};
  });
  const bool complete = written == data.size();
  if (complete && dos_date != 0) {
    FILETIME local, utc;
    if (DosDateTimeToFileTime(HIWORD(dos_date), LOWORD(dos_date), &local) &&
        LocalFileTimeToFileTime(&local, &utc))
      SetFileTime(file.get(), nullptr, nullptr, &utc);
  }
  return complete;
}

bool AppendStringToFile(const std::string& name, const std::string& data) {
  if (data.size() > MAXDWORD) return false;
  ScopedHandle file = OpenForAppend(name);
  if (!file.valid()) return false;
  DWORD put = 0;
  if (!WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &put, nullptr))
    return false;
  return put == data.size();
}

double DiskFreeBytes(const std::string& path) {
  using GetDiskFreeSpaceExFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER,
                                             PULARGE_INTEGER);
  // Bound once: systems before the extended call know only the 32-bit cluster arithmetic.
  static const GetDiskFreeSpaceExFn extended = [] {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FARPROC proc = kernel ? GetProcAddress(kernel, "GetDiskFreeSpaceExA") : nullptr;
    return reinterpret_cast<GetDiskFreeSpaceExFn>(reinterpret_cast<void*>(proc));
  }();

  const std::string root = DiskFreeRootForm(path);
  const char* root_arg = root.empty() ? nullptr : root.c_str();
  if (extended) {
    ULARGE_INTEGER available, total, free;
    const std::string folder = DiskFreeFolderForm(path);
    if (!folder.empty() && extended(folder.c_str(), &available, &total, &free))
      return static_cast<double>(available.QuadPart);
    if (extended(root_arg, &available, &total, &free))
      return static_cast<double>(available.QuadPart);
    return -1;
  }
  DWORD sectors_per_cluster, bytes_per_sector, free_clusters, total_clusters;
  if (!GetDiskFreeSpaceA(root_arg, &sectors_per_cluster, &bytes_per_sector, &free_clusters,
                         &total_clusters))
    return -1;
  return static_cast<double>(sectors_per_cluster) * bytes_per_sector * free_clusters;
}

void DeleteFilesByMask(const std::string& mask, bool clear_attributes) {
  std::size_t cut = mask.find_last_of("\\/");
  const std::string folder = cut == std::string::npos ? "" : mask.substr(0, cut + 1);
  std::vector<std::string> files;
  {
    WIN32_FIND_DATAA data;
    ScopedFind find(mask, &data);
    if (!find.valid()) return;
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(data.cFileName);
    } while (find.Next(&data));
  }
  for (const std::string& name : files) {
    const std::string full = folder + name;
    if (clear_attributes) SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(full.c_str());
  }
}

bool DeleteFolderTree(const std::string& folder, bool clear_attributes) {
  if (folder.empty()) return false;
  auto is_folder = [&] {
    DWORD attributes = GetFileAttributesA(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  };
  const bool existed = is_folder();
  DeleteFilesByMask(folder + "\\*.*", clear_attributes);

  struct Subfolder {
    std::string path;
    bool linked;
  };
  std::vector<Subfolder> subfolders;
  {
    WIN32_FIND_DATAA data;
    ScopedFind find(folder + "\\*.*", &data);
    if (find.valid()) {
      do {
        const std::string name = data.cFileName;
        const DWORD a = data.dwFileAttributes;
        if (!(a & FILE_ATTRIBUTE_DIRECTORY) || name == "." || name == "..") continue;
        if (a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
        subfolders.push_back({folder + "\\" + name, (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
      } while (find.Next(&data));
    }
  }
  for (const Subfolder& sub : subfolders) {
    // Descending into a junction or link would delete the files of the folder it points to,
    // which may be anywhere; removing the link itself is all that belongs to this tree.
    if (!sub.linked) DeleteFolderTree(sub.path, clear_attributes);
    RemoveDirectoryA(sub.path.c_str());
  }
  RemoveDirectoryA(folder.c_str());
  return existed && GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool EjectCD(const std::string& path) {
  if (path.empty()) return false;
  char letter = path[0];
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  if (letter < 'A' || letter > 'Z') return false;
  const std::string root = std::string(1, letter) + ":\\";
  if (GetDriveTypeA(root.c_str()) != DRIVE_CDROM) return false;

  const std::string device = std::string("\\\\.\\") + letter + ":";
  auto handle_text = [](HANDLE h) {
    // Written as the unsigned 32-bit value, so a failed open shows as 4294967295.
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(h));
  };
  ScopedHandle drive(CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                 nullptr));
  ViewerWriteLine("EjectCD-2: ", device, " ", handle_text(drive.valid() ? drive.get()
                                                                        : INVALID_HANDLE_VALUE));
  if (!drive.valid()) {
    drive = ScopedHandle(CreateFileA(device.c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     0, nullptr));
    ViewerWriteLine("EjectCD-3: ", device, " ",
                    handle_text(drive.valid() ? drive.get() : INVALID_HANDLE_VALUE));
  }
  if (!drive.valid()) return false;
  DWORD returned = 0;
  return DeviceIoControl(drive.get(), IOCTL_STORAGE_EJECT_MEDIA, nullptr, 0, nullptr, 0,
                         &returned, nullptr) != FALSE;
}

void DeleteMySelf(bool remove_folder) {
  char temp[MAX_PATH + 1];
  DWORD n = GetTempPathA(sizeof temp, temp);
  if (n == 0 || n >= sizeof temp) return;
  std::string temp_dir(temp, n);
  if (temp_dir.back() != '\\') temp_dir.push_back('\\');
  const std::string batch = temp_dir + kSelfDeleteBatchName;
  const std::string exe = OwnExePath();
  if (exe.empty()) return;
  const std::string folder = exe.substr(0, exe.find_last_of('\\'));

  // The batch runs from the temporary folder so that it does not hold the program's folder as
  // its current directory, which would keep "RD" from removing it.
  SetCurrentDirectoryA(temp_dir.substr(0, temp_dir.size() - 1).c_str());
  if (!WriteStringToFile(batch, SelfDeleteBatchText(exe, folder, batch, remove_folder))) return;
  WinExec(batch.c_str(), SW_HIDE);
}

}  // namespace velkor
