#include "support/files.h"

namespace velkor {

std::string ExtractFileTitle(const std::string& path, bool all_extensions) {
  std::size_t cut = path.find_last_of("\\/:");
  std::string title = cut == std::string::npos ? path : path.substr(cut + 1);
  std::size_t dot = all_extensions ? title.find('.') : title.rfind('.');
  if (dot != std::string::npos) title.erase(dot);
  return title;
}

std::uint64_t WriteChunkSize(std::uint64_t length) {
  if (length <= kSingleWriteLimit) return length;
  std::uint64_t tenth = length / 10;
  return tenth < kSingleWriteLimit ? tenth : kSingleWriteLimit;
}

namespace {

std::string Backslashed(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

}  // namespace

std::string DiskFreeRootForm(const std::string& path) {
  if (path.empty()) return "";
  char letter = path[0] == '/' ? '\\' : path[0];
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  return std::string(1, letter) + ":\\";
}

std::string DiskFreeFolderForm(const std::string& path) {
  if (path.size() < 3) return "";
  std::string p = Backslashed(path);
  std::size_t slash = p.find('\\', 3);
  return slash == std::string::npos ? p : p.substr(0, slash);
}

std::string SelfDeleteBatchText(const std::string& exe_path, const std::string& folder,
                                const std::string& batch_path, bool remove_folder) {
  const std::string q = "\"";
  std::string text = ":START\r\n";
  text += "DEL " + q + exe_path + q + "\r\n";
  text += "IF exist " + q + exe_path + q + " GOTO START\r\n";
  if (remove_folder) text += "RD " + q + folder + q + "\r\n";
  text += "DEL " + q + batch_path + q + "\r\n";
  return text;
}

}  // namespace velkor
