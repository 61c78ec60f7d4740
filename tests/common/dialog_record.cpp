#include "common/dialog_record.h"

#include <cstdio>
#include <cstdlib>

#include "common/test_env_win.h"

namespace velkor::test {
namespace {

std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string DialogRecord::Get(const std::string& key) const {
  auto it = fields.find(key);
  return it == fields.end() ? std::string() : it->second;
}

int DialogRecord::GetInt(const std::string& key, int fallback) const {
  auto it = fields.find(key);
  if (it == fields.end() || it->second.empty()) return fallback;
  return std::atoi(it->second.c_str());
}

std::string EscapeRecordValue(const std::string& value) {
  std::string out;
  for (char ch : value) {
    unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\x%02X", c);
          out += buf;
        } else {
          out += ch;
        }
    }
  }
  return out;
}

std::string UnescapeRecordValue(const std::string& value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 >= value.size()) {
      out += value[i];
      continue;
    }
    char n = value[++i];
    if (n == 'r') out += '\r';
    else if (n == 'n') out += '\n';
    else if (n == 't') out += '\t';
    else if (n == 'x' && i + 2 < value.size() && HexDigit(value[i + 1]) >= 0 &&
             HexDigit(value[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(value[i + 1]) * 16 + HexDigit(value[i + 2]));
      i += 2;
    } else {
      out += n;
    }
  }
  return out;
}

std::vector<DialogRecord> ReadDialogRecords(const std::string& path) {
  std::vector<DialogRecord> records;
  for (const std::string& line : Lines(ReadWholeFile(path))) {
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq);
    std::string value = UnescapeRecordValue(line.substr(eq + 1));
    if (key == "box") records.emplace_back();
    if (records.empty()) continue;
    if (key == "action")
      records.back().actions.push_back(value);
    else
      records.back().fields[key] = value;
  }
  return records;
}

std::map<std::string, std::string> ReadKeyValueFile(const std::string& path) {
  std::map<std::string, std::string> out;
  for (const std::string& line : Lines(ReadWholeFile(path))) {
    std::size_t eq = line.find('=');
    if (eq != std::string::npos) out[line.substr(0, eq)] = UnescapeRecordValue(line.substr(eq + 1));
  }
  return out;
}

}  // namespace velkor::test
