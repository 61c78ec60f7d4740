#pragma once
// The package writer: stub image + descriptor strings + payload blocks + trailer, as one setup
// file, a multi-volume set, a span set (launcher + ".001" volumes) or an internet package.
//
// Every output is written under a temporary name and renamed only when the whole set is
// complete, so a failed run leaves no half-written package behind.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "package_format.h"

namespace velkor::pack {

struct PackFile {
  std::string name;              // name in the setup folder; no folder part
  std::filesystem::path source;  // file to read
  std::optional<uint32_t> date;  // packed date-time; default: the source's modification time
};

struct LanguageEntry {
  std::string name;                                       // e.g. "GERMAN"
  std::vector<std::pair<std::string, std::string>> texts;  // key, value
};

// Descriptor string 3 as written into a real setup file (the internet stub copies its token).
struct InternetInfoSpec {
  std::string setup_url;
  std::string setup_file_name;
  bool always_download = false;
  std::string setup_token;  // plain; scrambled by the writer
  std::string setup_size;
};

struct PackageSpec {
  std::filesystem::path stub;
  std::filesystem::path output;
  std::vector<PackFile> files;
  std::string engine;       // name of the file that is started after unpacking ("" for none)
  std::string engine_args;  // arguments that follow the "*"
  std::vector<LanguageEntry> languages;

  std::string info_url, info_file_name, agent_exe_name;
  std::string package_token;  // plain; scrambled by the writer
  bool run_hidden = false;
  std::optional<InternetInfoSpec> internet_info;

  bool confirm_temp_drive = false;
  bool show_activity_bar = false;
  bool trace_log = false;
  bool has_agent = false;

  int level = 6;                        // 0 stores every block
  uint64_t block_size = 1u << 20;       // content bytes per block; bounds the stub's memory
  uint64_t volume_size = 0;             // 0: one file
  bool span = false;                    // launcher + "<output>.001", ...
  uint32_t seed = 1;                    // scrambling filler; same seed, same bytes
  unsigned threads = 0;                 // 0: one per core
};

struct InternetPackageSpec {
  std::filesystem::path stub;
  std::filesystem::path output;
  std::filesystem::path real_setup;  // the setup file that is downloaded
  std::string setup_url;             // folder address; a trailing "/" is dropped
  std::string setup_file_name;       // default: the real file's name
  bool always_download = false;
  bool ask_before_download = false;
};

struct PackResult {
  std::string error;                          // "" on success: one line for the user
  std::vector<std::filesystem::path> written;  // in volume order (launcher first for span)
  int file_blocks = 0;
  bool ok() const { return error.empty(); }
};

PackResult WritePackage(const PackageSpec& spec);
PackResult WriteInternetPackage(const InternetPackageSpec& spec);

// Pieces exposed for tests and for the inspector.
std::string CheckFileName(const std::string& name);  // "" when usable, else the reason
std::string BuildLanguageTable(const std::vector<LanguageEntry>& languages, std::string* error);
std::string BuildPackageInfo(const PackageSpec& spec, std::mt19937& rng);
std::array<uint32_t, kSpaceEntries> ComputeSpaceTable(const std::vector<uint64_t>& file_sizes);
// "<base>.NNN" with at least three digits.
std::filesystem::path VolumeName(const std::filesystem::path& base, int number);

}  // namespace velkor::pack
