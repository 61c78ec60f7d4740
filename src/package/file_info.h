#pragma once
// TGFileInfo: the trailer and descriptor strings of one package file, read completely on
// construction, with the accessors every other unit uses.
#include <cstdint>
#include <string>

#include "package/trailer.h"

namespace velkor {

class TGFileInfo {
 public:
  // Reads `path`. Never fails: a missing or unreadable file, or one whose layout does not hold up
  // (lengths or offsets outside the file), leaves a zeroed record and empty strings. A file with a
  // wrong magic keeps the trailer bytes as read and empty strings.
  explicit TGFileInfo(const std::string& path);
  // An object with a zeroed record and empty strings, as for a file that does not exist.
  TGFileInfo() = default;

  // The trailer as read, with DataOffset advanced past the descriptor strings.
  Trailer trailer;
  std::string LanguageTable;
  std::string PackageInfo;
  std::string InternetInfo;

  bool HasPackage() const { return trailer.HasMagic(); }

  bool ConfirmTempDrive() const { return (trailer.Flags & kFlagConfirmTempDrive) != 0; }
  bool MultiVolume() const { return (trailer.Flags & kFlagMultiVolume) != 0; }
  bool SpanCd() const { return (trailer.Flags & kFlagSpanCd) != 0; }
  bool ShowActivityBar() const { return (trailer.Flags & kFlagShowActivityBar) != 0; }
  bool TraceLog() const { return (trailer.Flags & kFlagTraceLog) != 0; }
  bool InternetPackage() const { return trailer.InternetPackage != 0; }
  bool AskBeforeDownload() const { return trailer.AskBeforeDownload != 0; }
  bool HasAgent() const { return trailer.HasAgent != 0; }
  bool ThisIs_AutoUpdateProg() const { return trailer.ThisIs_AutoUpdateProg != 0; }

  std::string InfoUrl() const;
  // The file-name part of the update information file's item (folders removed).
  std::string InfoFileName() const;
  // The agent's settings file: the information file's title (cut at the first dot) + ".original".
  std::string OriginalFileName() const;
  std::string AgentExeName() const;
  // Stored (scrambled) token, or with `unscrambled` its decoded form (random text when invalid).
  std::string PackageToken(bool unscrambled) const;
  bool RunHidden() const;

  std::string SetupUrl() const;
  std::string SetupFileName() const;
  std::string SetupSize() const;
  bool AlwaysDownload() const;
  std::string SetupToken(bool unscrambled) const;

  // True when both SetupTokens decode and are equal byte for byte; an invalid token never matches.
  bool SameSetupToken(const TGFileInfo& other) const;
  // The same rule for the PackageTokens (the agent's check of a downloaded setup file).
  bool SamePackageToken(const TGFileInfo& other) const;

  // Space the unpacked files need on a drive with this cluster size (0 = unknown): entry 0, or
  // entry i for the largest i with cluster >= 256 * 2^i.
  double RequiredSpaceForClusterSize(std::uint64_t cluster_size) const;

  // Texts of the package's language table for the process's language (see package/language.h).
  std::string GetLangText(const std::string& key, const std::string& def) const;
  int LangCharset() const;
  int LangFontSize() const;
  std::string LangFontName() const;
};

}  // namespace velkor
