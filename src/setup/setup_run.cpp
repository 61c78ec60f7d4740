#include "setup/setup_run.h"

#include <cstdio>

namespace velkor {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string TrimBlanks(const std::string& text) {
  std::size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return text.substr(b, e - b);
}

// Every occurrence, exact case; the replacement is not searched again.
std::string ReplaceAll(std::string text, const std::string& find, const std::string& with) {
  if (find.empty()) return text;
  for (std::size_t p = text.find(find); p != std::string::npos; p = text.find(find, p + with.size()))
    text.replace(p, find.size(), with);
  return text;
}

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string WithOneTrailingBackslash(std::string folder) {
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder + "\\";
}

}  // namespace

std::string RunToken(std::uint32_t thread_id) { return "_" + std::to_string(thread_id); }

std::string RunAtomName(const std::string& token) {
  return "JbeiSwsbnwGwflHrvjcOzTzqvfg" + token;
}

std::string EngineDialogClass(const std::string& token) {
  return ".SDialog_Class_Name." + token;
}

std::string RemoveSwitch(const std::string& text, const std::string& sw) {
  if (sw.empty()) return text;
  const std::size_t pos = text.find(sw);
  if (pos == std::string::npos) return text;
  std::size_t end = pos + sw.size();
  while (end < text.size() && text[end] != '/') ++end;
  return text.substr(0, pos) + text.substr(end);
}

std::string EngineProgramPath(const std::string& folder, const std::string& main_entry) {
  const std::size_t star = main_entry.find('*');
  return WithOneTrailingBackslash(folder) + TrimBlanks(main_entry.substr(0, star));
}

std::string EngineCommandLine(const EngineLineInput& in) {
  std::string line = EngineProgramPath(in.folder, in.main_entry);
  const std::size_t star = in.main_entry.find('*');
  const std::string entry_args =
      star == std::string::npos ? std::string() : TrimBlanks(in.main_entry.substr(star + 1));
  const std::string passed = TrimBlanks(in.switches + " " + entry_args);
  if (!passed.empty()) line += " " + passed;
  line += " ";
  line += kThreadIdSwitch;
  line += in.token;
  if (line.find(kOriginExeSwitch) == std::string::npos)
    line += std::string(" ") + kOriginExeSwitch + "\"" + in.own_exe + "\"";
  if (in.is_agent) line += " /AutoUpdateProg";
  line = RemoveSwitch(line, kSpanLevelSwitch);
  line = RemoveSwitch(line, kSpanFirstVolumeSwitch);
  return line;
}

std::string FormatMegabytes(double bytes) {
  double mb = bytes < 0 ? 0 : bytes;
  if (mb != 0) mb /= 1048576.0;
  const int decimals = mb > 10 ? 1 : (mb < 1 ? 3 : 2);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, mb);
  return buf;
}

std::string TempSpaceQuestion(const std::string& folder, double required, double free_bytes,
                              bool always_confirm, const TempSpaceTexts& texts) {
  const std::string drive = folder.empty() ? std::string() : std::string(1, UpperAscii(folder[0])) + ":";
  std::string text;
  if (always_confirm) text = texts.confirm;
  if (required >= free_bytes) text = texts.short_text;
  if (text.empty()) return "";
  text += texts.required + texts.available + texts.question;
  text = ReplaceAll(text, "<DRIVE>", drive);
  text = ReplaceAll(text, "<SPACE_REQ>", FormatMegabytes(required));
  text = ReplaceAll(text, "<SPACE_AVAIL>", FormatMegabytes(free_bytes));
  return text;
}

char ChooseTempDriveLetter(char temp_letter, const std::array<double, 3>& free_bytes) {
  temp_letter = UpperAscii(temp_letter);
  char current = temp_letter;
  double best = 0;
  for (std::size_t i = 0; i < kTempDriveLetters.size(); ++i) {
    if (free_bytes[i] > best) {
      best = free_bytes[i];
      current = kTempDriveLetters[i];
    }
  }
  return current == temp_letter ? 0 : current;
}

std::string AltTempBaseFor(char letter, bool temp_folder_exists) {
  std::string base = std::string(1, UpperAscii(letter)) + ":\\TEMP";
  if (temp_folder_exists) base += "\\TEMP";
  return base;
}

std::string SetupFolderPath(const std::string& temp_folder, std::uint32_t file_dos_date) {
  return WithOneTrailingBackslash(temp_folder) + "SETUP_" + std::to_string(file_dos_date & 0xFFFFu);
}

std::string AgentCopyFromOwnImage(std::string image, std::uint32_t end_offset_low) {
  // An end offset of 0 means "the package ends at the end of the file": nothing to cut. Taking
  // it literally would cut a small image down to nothing.
  if (end_offset_low > 0 && end_offset_low < image.size() && image.size() - end_offset_low < 10000)
    image.resize(end_offset_low);
  if (image.size() > 5) image[image.size() - 5] = 1;
  return image;
}

}  // namespace velkor
