#include "manifest.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>

namespace velkor::pack {

namespace fs = std::filesystem;

namespace {

std::string Trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && static_cast<unsigned char>(s[a]) <= 32) ++a;
  while (b > a && static_cast<unsigned char>(s[b - 1]) <= 32) --b;
  return s.substr(a, b - a);
}

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

bool SameName(const std::string& a, const std::string& b) { return Upper(a) == Upper(b); }

const char* const kLanguageNames[] = {
    "AFRIKAANS", "ALBANIAN", "ARABIC", "BASQUE", "BELARUSIAN", "BULGARIAN", "CATALAN", "CHINESE",
    "CROATIAN", "CZECH", "DANISH", "DUTCH", "ENGLISH", "ESTONIAN", "FAEROESE", "FARSI", "FINNISH",
    "FRENCH", "GERMAN", "GREEK", "HEBREW", "HUNGARIAN", "ICELANDIC", "INDONESIAN", "ITALIAN",
    "JAPANESE", "KOREAN", "LATVIAN", "LITHUANIAN", "NORWEGIAN", "POLISH", "PORTUGUESE", "ROMANIAN",
    "RUSSIAN", "SERBIAN", "SLOVAK", "SLOVENIAN", "SPANISH", "SWEDISH", "THAI", "TURKISH", "UKRAINIAN",
    "VIETNAMESE", "CHINESE(SIMPLIFIED)", "CHINESE(TRADITIONAL)", "DUTCH(FLEMISH)", "DUTCH(STANDARD)",
    "PORTUGUESE(PORTUGAL)", "PORTUGUESE(BRAZIL)", "SERBIAN(LATIN)", "SERBIAN(CYRILIC)"};

const char* const kLanguageKeys[] = {"s0", "s1", "s2", "s3", "s4", "s5", "s6", "s7", "s8", "s10",
                                     "s11", "s12", "Attention", "Confirm", "Error", "BtnText",
                                     "Charset", "FontSize", "FontName"};

const char* const kPackageKeys[] = {
    "Output", "Stub", "Arch", "Folder", "Engine", "EngineArgs", "CompressionLevel", "BlockSize",
    "VolumeSize", "Span", "ConfirmTempDrive", "ShowActivityBar", "TraceLog", "HasAgent", "InfoUrl",
    "InfoFileName", "AgentExeName", "PackageToken", "RunHidden"};

const char* const kInternetKeys[] = {"SetupToken", "SetupUrl", "SetupFileName", "AlwaysDownload"};

constexpr std::string_view kLanguagePrefix = "LANGUAGE ";

template <size_t N>
bool InList(const char* const (&list)[N], const std::string& key) {
  return std::any_of(std::begin(list), std::end(list), [&](const char* k) { return SameName(k, key); });
}

std::string At(const std::string& source, int line) {
  return line > 0 ? source + ":" + std::to_string(line) + ": " : source + ": ";
}

bool ParseBool(const std::string& text, bool& value) {
  const std::string t = Upper(text);
  if (t == "1" || t == "TRUE" || t == "YES") return (value = true), true;
  if (t == "0" || t == "FALSE" || t == "NO" || t.empty()) return (value = false), true;
  return false;
}

IniSection* FindSection(IniDocument& doc, const std::string& name) {
  for (auto& s : doc.sections)
    if (SameName(s.name, name)) return &s;
  return nullptr;
}

}  // namespace

bool IsKnownLanguageName(const std::string& name) { return InList(kLanguageNames, Trim(name)); }
bool IsKnownLanguageKey(const std::string& key) { return InList(kLanguageKeys, key); }

bool ParseSize(const std::string& text, uint64_t& value) {
  std::string t = Trim(text);
  uint64_t mult = 1;
  if (!t.empty()) {
    switch (t.back()) {
      case 'k': case 'K': mult = 1ull << 10; break;
      case 'm': case 'M': mult = 1ull << 20; break;
      case 'g': case 'G': mult = 1ull << 30; break;
      default: break;
    }
    if (mult != 1) t.pop_back();
  }
  if (t.empty() || t.size() > 12 || !std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  const uint64_t number = std::stoull(t);
  if (number > UINT64_MAX / mult) return false;
  value = number * mult;
  return true;
}

std::string ParseIni(const std::string& text, const std::string& source, IniDocument& doc) {
  std::istringstream in(text);
  std::string raw;
  int line = 0;
  IniSection* current = nullptr;
  while (std::getline(in, raw)) {
    ++line;
    if (line == 1 && raw.rfind("\xEF\xBB\xBF", 0) == 0) raw.erase(0, 3);  // UTF-8 mark from editors
    const std::string s = Trim(raw);
    if (s.empty() || s[0] == ';' || s[0] == '#') continue;
    if (s[0] == '[') {
      if (s.back() != ']') return At(source, line) + "section line without ']'";
      const std::string name = Trim(s.substr(1, s.size() - 2));
      if (name.empty()) return At(source, line) + "empty section name";
      if (FindSection(doc, name)) return At(source, line) + "section [" + name + "] given twice";
      doc.sections.push_back({name, line, {}});
      current = &doc.sections.back();
      continue;
    }
    const size_t eq = s.find('=');
    if (eq == std::string::npos) return At(source, line) + "expected key=value, found '" + s + "'";
    if (!current) return At(source, line) + "key outside a section";
    const std::string key = Trim(s.substr(0, eq));
    std::string value = Trim(s.substr(eq + 1));
    if (key.empty()) return At(source, line) + "empty key";
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    for (const auto& e : current->entries)
      if (SameName(e.key, key)) return At(source, line) + "key " + key + " given twice in [" + current->name + "]";
    current->entries.push_back({key, value, line});
  }
  return "";
}

std::string ApplyOverride(const std::string& assignment, IniDocument& doc) {
  const size_t slash = assignment.find('/');
  const size_t eq = assignment.find('=', slash == std::string::npos ? 0 : slash);
  if (slash == std::string::npos || eq == std::string::npos || slash == 0 || eq == slash + 1)
    return "override '" + assignment + "' is not of the form Section/Key=Value";
  const std::string section = Trim(assignment.substr(0, slash));
  const std::string key = Trim(assignment.substr(slash + 1, eq - slash - 1));
  const std::string value = Trim(assignment.substr(eq + 1));
  IniSection* s = FindSection(doc, section);
  if (!s) {
    doc.sections.push_back({section, 0, {}});
    s = &doc.sections.back();
  }
  for (auto& e : s->entries)
    if (SameName(e.key, key)) {
      e.value = value;
      e.line = 0;
      return "";
    }
  s->entries.push_back({key, value, 0});
  return "";
}

std::string BuildPackageSpec(const IniDocument& doc, const std::string& source, const fs::path& base_dir,
                             const fs::path& default_stub_x86, const fs::path& default_stub_x64,
                             PackageSpec& spec) {
  auto resolve = [&](const std::string& p) {
    return fs::path(p).is_absolute() ? fs::path(p) : (base_dir / p).lexically_normal();
  };
  bool have_package = false;
  std::string arch = "x86";
  fs::path stub;
  std::vector<std::pair<fs::path, int>> folders;
  for (const IniSection& section : doc.sections) {
    const std::string upper = Upper(section.name);
    if (upper == "PACKAGE") {
      have_package = true;
      for (const IniEntry& e : section.entries) {
        const std::string k = Upper(e.key);
        const std::string where = At(source, e.line) + e.key + ": ";
        auto flag = [&](bool& out) {
          return ParseBool(e.value, out) ? std::string() : where + "expected 0 or 1, found '" + e.value + "'";
        };
        std::string err;
        if (!InList(kPackageKeys, e.key)) return At(source, e.line) + "unknown key " + e.key + " in [Package]";
        if (k == "OUTPUT") spec.output = resolve(e.value);
        else if (k == "STUB") stub = e.value.empty() ? fs::path() : resolve(e.value);
        else if (k == "ARCH") {
          arch = Upper(e.value) == "X64" ? "x64" : Upper(e.value) == "X86" ? "x86" : "";
          if (arch.empty()) return where + "expected x86 or x64, found '" + e.value + "'";
        } else if (k == "FOLDER") folders.push_back({resolve(e.value), e.line});
        else if (k == "ENGINE") spec.engine = e.value;
        else if (k == "ENGINEARGS") spec.engine_args = e.value;
        else if (k == "COMPRESSIONLEVEL") {
          uint64_t v;
          if (!ParseSize(e.value, v) || v > 12) return where + "expected 0 to 12, found '" + e.value + "'";
          spec.level = static_cast<int>(v);
        } else if (k == "BLOCKSIZE") {
          if (!ParseSize(e.value, spec.block_size) || spec.block_size == 0)
            return where + "expected a size such as 1048576 or 1M, found '" + e.value + "'";
        } else if (k == "VOLUMESIZE") {
          if (!ParseSize(e.value, spec.volume_size))
            return where + "expected a size such as 1457664 or 650M, found '" + e.value + "'";
        } else if (k == "SPAN") err = flag(spec.span);
        else if (k == "CONFIRMTEMPDRIVE") err = flag(spec.confirm_temp_drive);
        else if (k == "SHOWACTIVITYBAR") err = flag(spec.show_activity_bar);
        else if (k == "TRACELOG") err = flag(spec.trace_log);
        else if (k == "HASAGENT") err = flag(spec.has_agent);
        else if (k == "RUNHIDDEN") err = flag(spec.run_hidden);
        else if (k == "INFOURL") spec.info_url = e.value;
        else if (k == "INFOFILENAME") spec.info_file_name = e.value;
        else if (k == "AGENTEXENAME") spec.agent_exe_name = e.value;
        else if (k == "PACKAGETOKEN") spec.package_token = e.value;
        if (!err.empty()) return err;
      }
    } else if (upper == "FILES") {
      for (const IniEntry& e : section.entries) {
        if (auto why = CheckFileName(e.key); !why.empty()) return At(source, e.line) + why;
        spec.files.push_back({e.key, resolve(e.value.empty() ? e.key : e.value), std::nullopt});
      }
    } else if (upper == "INTERNET") {
      InternetInfoSpec ii;
      for (const IniEntry& e : section.entries) {
        const std::string k = Upper(e.key);
        if (!InList(kInternetKeys, e.key)) return At(source, e.line) + "unknown key " + e.key + " in [Internet]";
        if (k == "SETUPTOKEN") ii.setup_token = e.value;
        else if (k == "SETUPURL") ii.setup_url = e.value;
        else if (k == "SETUPFILENAME") ii.setup_file_name = e.value;
        else if (k == "ALWAYSDOWNLOAD" && !ParseBool(e.value, ii.always_download))
          return At(source, e.line) + "AlwaysDownload: expected 0 or 1, found '" + e.value + "'";
      }
      spec.internet_info = ii;
    } else if (upper.rfind(kLanguagePrefix, 0) == 0) {
      LanguageEntry lang;
      lang.name = Upper(Trim(section.name.substr(kLanguagePrefix.size())));
      if (!IsKnownLanguageName(lang.name))
        return At(source, section.line) + "unknown language '" + lang.name + "'";
      for (const IniEntry& e : section.entries) {
        if (!IsKnownLanguageKey(e.key))
          return At(source, e.line) + "unknown key " + e.key + " in [" + section.name + "]";
        lang.texts.push_back({e.key, e.value});
      }
      spec.languages.push_back(std::move(lang));
    } else {
      return At(source, section.line) + "unknown section [" + section.name + "]";
    }
  }
  if (!have_package) return source + ": no [Package] section";
  for (const auto& [folder, line] : folders) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return At(source, line) + "Folder: no such folder: " + folder.string();
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
      if (entry.is_directory(ec))
        return At(source, line) + "Folder: " + entry.path().string() + " is a folder; the stub creates no folders";
      if (entry.is_regular_file(ec)) found.push_back(entry.path());
    }
    if (ec) return At(source, line) + "Folder: cannot list " + folder.string();
    std::sort(found.begin(), found.end());
    for (const auto& f : found) spec.files.push_back({f.filename().string(), f, std::nullopt});
  }
  if (spec.output.empty()) return source + ": no Output given";
  if (spec.engine.empty()) return source + ": no Engine given (the file that the stub starts)";
  spec.stub = !stub.empty() ? stub : arch == "x64" ? default_stub_x64 : default_stub_x86;
  return "";
}

std::string LoadManifest(const fs::path& path, const std::vector<std::string>& overrides,
                         const fs::path& default_stub_x86, const fs::path& default_stub_x64, PackageSpec& spec) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "cannot read manifest " + path.string();
  std::stringstream text;
  text << in.rdbuf();
  IniDocument doc;
  const std::string source = path.string();
  if (auto e = ParseIni(text.str(), source, doc); !e.empty()) return e;
  for (const auto& o : overrides)
    if (auto e = ApplyOverride(o, doc); !e.empty()) return e;
  const fs::path base = path.has_parent_path() ? path.parent_path() : fs::path(".");
  return BuildPackageSpec(doc, source, base, default_stub_x86, default_stub_x64, spec);
}

}  // namespace velkor::pack
