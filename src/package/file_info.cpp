#include "package/file_info.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "package/language.h"
#include "support/bar_list.h"
#include "support/text.h"
#include "package/package_reader.h"
#include "package/read_only_file.h"
#include "package/token.h"

namespace velkor {


namespace {

// Reads one descriptor string (signed 32-bit length, then the bytes) at *offset and advances it.
// False when the length is negative or the string would reach past the end of the file.
bool ReadDescriptorString(ReadOnlyFile& file, std::int64_t* offset, std::string* out) {
  unsigned char len_bytes[4];
  if (*offset < 0 || !file.ReadExactAt(*offset, len_bytes, 4)) return false;
  const std::int64_t len = static_cast<std::int32_t>(ReadLE32(len_bytes));
  if (len < 0 || len > file.size() - *offset - 4) return false;
  std::string text(static_cast<std::size_t>(len), '\0');
  if (!file.ReadExactAt(*offset + 4, text.data(), text.size())) return false;
  *out = std::move(text);
  *offset += 4 + len;
  return true;
}

// File-name part of a path or address: after the last "\", "/" or ":".
std::string FileNamePart(const std::string& path) {
  const std::size_t p = path.find_last_of("\\/:");
  return p == std::string::npos ? path : path.substr(p + 1);
}

// Leading decimal integer as the settings texts are read: the whole trimmed text must convert.
bool ParseInt(const std::string& text, int* value) {
  const std::string t = Trim(text);
  if (t.empty()) return false;
  char* end = nullptr;
  const long long v = std::strtoll(t.c_str(), &end, 10);
  if (end == nullptr || *end != '\0' || v < INT32_MIN || v > INT32_MAX) return false;
  *value = static_cast<int>(v);
  return true;
}

}  // namespace

TGFileInfo::TGFileInfo(const std::string& path) {
  ReadOnlyFile file(path);
  if (!file.is_open()) return;
  if (!ReadTrailer(file, &trailer)) return;
  if (!trailer.HasMagic()) return;
  std::int64_t offset = trailer.DataOffset;
  bool ok = ReadDescriptorString(file, &offset, &LanguageTable) &&
            ReadDescriptorString(file, &offset, &PackageInfo);
  if (ok && trailer.DescriptorCount >= 3) ok = ReadDescriptorString(file, &offset, &InternetInfo);
  if (!ok || offset > INT32_MAX) {
    // A descriptor that does not fit the file is no descriptor at all.
    *this = TGFileInfo();
    return;
  }
  trailer.DataOffset = static_cast<std::int32_t>(offset);
}

std::string TGFileInfo::InfoUrl() const { return BarListItem(PackageInfo, 0, ""); }

std::string TGFileInfo::InfoFileName() const {
  return FileNamePart(BarListItem(PackageInfo, 1, ""));
}

std::string TGFileInfo::OriginalFileName() const {
  const std::string name = InfoFileName();
  return name.substr(0, name.find('.')) + ".original";
}

std::string TGFileInfo::AgentExeName() const { return BarListItem(PackageInfo, 2, ""); }

std::string TGFileInfo::PackageToken(bool unscrambled) const {
  const std::string token = BarListItem(PackageInfo, 3, "");
  return unscrambled ? UnscrambleToken(token) : token;
}

bool TGFileInfo::RunHidden() const { return BarListItem(PackageInfo, 4, "") == "1"; }

std::string TGFileInfo::SetupUrl() const { return BarListItem(InternetInfo, 0, ""); }
std::string TGFileInfo::SetupFileName() const { return BarListItem(InternetInfo, 1, ""); }
std::string TGFileInfo::SetupSize() const { return BarListItem(InternetInfo, 4, ""); }
bool TGFileInfo::AlwaysDownload() const { return BarListItem(InternetInfo, 2, "") == "1"; }

std::string TGFileInfo::SetupToken(bool unscrambled) const {
  const std::string token = BarListItem(InternetInfo, 3, "");
  return unscrambled ? UnscrambleToken(token) : token;
}

bool TGFileInfo::SameSetupToken(const TGFileInfo& other) const {
  return SameToken(SetupToken(false), other.SetupToken(false));
}

bool TGFileInfo::SamePackageToken(const TGFileInfo& other) const {
  return SameToken(PackageToken(false), other.PackageToken(false));
}

double TGFileInfo::RequiredSpaceForClusterSize(std::uint64_t cluster_size) const {
  double result = trailer.SpaceTable[0];
  for (std::size_t i = 1; i < kTrailerSpaceTableEntries; ++i)
    if (cluster_size >= (std::uint64_t{256} << i)) result = trailer.SpaceTable[i];
  return result;
}

std::string TGFileInfo::GetLangText(const std::string& key, const std::string& def) const {
  return LangTextFrom(LanguageTable, key, def);
}

int TGFileInfo::LangCharset() const {
  int v = 0;
  return ParseInt(GetLangText("Charset", "0"), &v) ? v : 0;
}

int TGFileInfo::LangFontSize() const {
  int v = 8;
  return ParseInt(GetLangText("FontSize", "8"), &v) ? v : 8;
}

std::string TGFileInfo::LangFontName() const { return GetLangText("FontName", "Tahoma"); }

}  // namespace velkor
