#pragma once
// The INI manifest that describes a package for velkor-pack (format: docs/manifest.md).
// Parsed here rather than with the system's profile functions, so that it works on every host
// and can refuse what those functions would silently accept: unknown sections and keys, keys
// given twice, lines that are not "key=value".

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "package_writer.h"

namespace velkor::pack {

struct IniEntry {
  std::string key;
  std::string value;
  int line = 0;  // 0 for a command-line override
};

struct IniSection {
  std::string name;
  int line = 0;
  std::vector<IniEntry> entries;
};

struct IniDocument {
  std::vector<IniSection> sections;
};

// Parses INI text. Blanks around keys and values are trimmed and one pair of enclosing double
// quotes is removed from a value. "" on success, else "<source>:<line>: <reason>".
std::string ParseIni(const std::string& text, const std::string& source, IniDocument& doc);

// Applies "Section/Key=Value" (replacing the key or adding it, creating the section if needed).
std::string ApplyOverride(const std::string& assignment, IniDocument& doc);

// Turns a parsed manifest into a package description. Relative paths are taken from
// `base_dir` (the manifest's folder). `default_stub(x64)` names the stub used when the manifest
// gives none. "" on success, else one line for the user.
std::string BuildPackageSpec(const IniDocument& doc, const std::string& source,
                             const std::filesystem::path& base_dir,
                             const std::filesystem::path& default_stub_x86,
                             const std::filesystem::path& default_stub_x64, PackageSpec& spec);

// Loads, overrides and builds in one go.
std::string LoadManifest(const std::filesystem::path& path, const std::vector<std::string>& overrides,
                         const std::filesystem::path& default_stub_x86,
                         const std::filesystem::path& default_stub_x64, PackageSpec& spec);

// Names that a language section may carry, and the keys of a language entry.
bool IsKnownLanguageName(const std::string& name);
bool IsKnownLanguageKey(const std::string& key);

// "123", "64K", "2M", "1G" (binary multiples); false for anything else or overflow.
bool ParseSize(const std::string& text, uint64_t& value);

}  // namespace velkor::pack
