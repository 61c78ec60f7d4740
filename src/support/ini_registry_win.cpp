#include "support/ini_registry_win.h"

#include <exception>
#include <vector>

#include "support/scoped_handle_win.h"
#include "support/sysinfo_win.h"
#include "support/trace.h"

namespace velkor {

namespace {

// Values are read into buffers of this size, so the longest value is one byte shorter.
constexpr DWORD kValueBufferSize = 10241;

}  // namespace

std::string ReadIniString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& default_value) {
  try {
    std::vector<char> buf(kValueBufferSize, '\0');
    DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), default_value.c_str(),
                                       buf.data(), kValueBufferSize, file.c_str());
    if (n >= kValueBufferSize) n = kValueBufferSize - 1;
    return std::string(buf.data(), n);
  } catch (const std::exception&) {
    // A fault here must not take the caller down with it: settings reads go on with "".
    DebugTrace("EXCEPTION --- Utils.ReadIniString()  " + LastErrorText());
    return "";
  }
}

std::int64_t ReadIniInt(const std::string& file, const std::string& section,
                        const std::string& key, std::int64_t default_value) {
  std::int64_t value;
  if (ParseInt64(ReadIniString(file, section, key, std::to_string(default_value)), &value))
    return value;
  return default_value;
}

bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value) {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) !=
         FALSE;
}

bool WriteIniInt(const std::string& file, const std::string& section, const std::string& key,
                 std::int64_t value) {
  return WriteIniString(file, section, key, std::to_string(value));
}

HKEY RegRootKey(RegRoot root) {
  switch (root) {
    case RegRoot::kClassesRoot: return HKEY_CLASSES_ROOT;
    case RegRoot::kCurrentUser: return HKEY_CURRENT_USER;
    case RegRoot::kLocalMachine: return HKEY_LOCAL_MACHINE;
    case RegRoot::kUsers: return HKEY_USERS;
    case RegRoot::kPerformanceData: return HKEY_PERFORMANCE_DATA;
    case RegRoot::kCurrentConfig: return HKEY_CURRENT_CONFIG;
    case RegRoot::kDynData: return HKEY_DYN_DATA;
  }
  return HKEY_CURRENT_USER;
}

std::string ReadRegString(const std::string& path, const std::string& value_name,
                          const std::string& default_value, bool use_64bit_view) {
  const RegPath split = SplitRegPath(path);
  ScopedRegKey key;
  REGSAM access = KEY_READ | (use_64bit_view ? KEY_WOW64_64KEY : 0);
  if (RegOpenKeyExA(RegRootKey(split.root), split.subkey.c_str(), 0, access, key.receive()) !=
      ERROR_SUCCESS)
    return default_value;
  std::string data(kValueBufferSize, '\0');
  DWORD type = 0;
  DWORD size = kValueBufferSize;
  if (RegQueryValueExA(key.get(), value_name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
    return default_value;
  data.resize(size < kValueBufferSize ? size : kValueBufferSize);
  return RegValueText(type, data);
}

}  // namespace velkor
