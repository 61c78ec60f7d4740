#pragma once
// Portable side of INI and registry access: naming a registry key by one path text
// ("HKLM\SOFTWARE\..."), turning registry value data into text, and the integer conversion of
// INI values. The calls into the profile and registry functions are in support/ini_registry_win.h.
#include <cstdint>
#include <string>

namespace velkor {

// The predefined root keys, with the numbers Windows gives their handles.
enum class RegRoot : std::uint32_t {
  kClassesRoot = 0x80000000u,
  kCurrentUser = 0x80000001u,
  kLocalMachine = 0x80000002u,
  kUsers = 0x80000003u,
  kPerformanceData = 0x80000004u,
  kCurrentConfig = 0x80000005u,
  kDynData = 0x80000006u,
};

// "HKEY_LOCAL_MACHINE" or "HKLM" in any case, and likewise for the other roots. Anything else
// (the performance-data root included) names HKEY_CURRENT_USER.
RegRoot RegRootFromName(const std::string& name);

struct RegPath {
  RegRoot root = RegRoot::kCurrentUser;
  std::string subkey;
};

// Splits a trimmed path text at its first backslash when it starts with "HK" (any case);
// without that start the whole text is a subkey of HKEY_CURRENT_USER.
RegPath SplitRegPath(const std::string& path);

// Registry value types that get their own conversion.
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

// Text of registry value data of the given type: a 4-byte REG_DWORD as unsigned decimal; a
// REG_MULTI_SZ of more than 2 bytes with its trailing NULs dropped and each inner NUL written as
// "<0>"; anything else up to its first NUL.
std::string RegValueText(std::uint32_t type, const std::string& data);

// Signed 64-bit decimal number: an optional sign and at least one digit, nothing else. False for
// any other text and on overflow.
bool ParseInt64(const std::string& text, std::int64_t* value);

}  // namespace velkor
