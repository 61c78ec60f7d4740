#pragma once
// INI files through the system's profile functions and read-only registry access by path text.
// Always pass full paths for INI files: the profile functions put a bare name in the Windows
// folder.
#include <windows.h>

#include <cstdint>
#include <string>

#include "support/ini_registry.h"

namespace velkor {

// The value of `key` in `section` (names match without regard to case), trimmed by the system;
// `default_value` when the file, section or key is missing. Values are cut to 10240 characters.
std::string ReadIniString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& default_value);

// The value as a signed 64-bit decimal number; `default_value` when missing or not a number.
std::int64_t ReadIniInt(const std::string& file, const std::string& section,
                        const std::string& key, std::int64_t default_value);

// Creates file, section and key as needed and replaces the value; true when the system
// accepted the write.
bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value);
bool WriteIniInt(const std::string& file, const std::string& section, const std::string& key,
                 std::int64_t value);

// The predefined handle of a root.
HKEY RegRootKey(RegRoot root);

// The text of a registry value ("" names the key's default value) converted as RegValueText
// does; `default_value` when the key cannot be opened or the value cannot be read.
// `use_64bit_view` opens the key in the 64-bit registry view.
std::string ReadRegString(const std::string& path, const std::string& value_name,
                          const std::string& default_value, bool use_64bit_view = false);

}  // namespace velkor
