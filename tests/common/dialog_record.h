#pragma once
// What the dialog driver (tests/helpers/dialog_driver.cpp) saw of each message box, read back by
// the tests. The file format is described at the top of dialog_driver.cpp.
#include <map>
#include <string>
#include <vector>

namespace velkor::test {

struct DialogRecord {
  std::map<std::string, std::string> fields;  // last value of every key
  std::vector<std::string> actions;           // every "action=" line, in order

  // Value of a key, "" when absent.
  std::string Get(const std::string& key) const;
  int GetInt(const std::string& key, int fallback = -1) const;
};

// Escapes a value for one line: backslash, CR, LF, tab as \\ \r \n \t, other control bytes \xHH.
std::string EscapeRecordValue(const std::string& value);
std::string UnescapeRecordValue(const std::string& value);

// Every record of a driver output file, in the order the boxes appeared.
std::vector<DialogRecord> ReadDialogRecords(const std::string& path);

// Parses "key=value" lines (as written by the test helpers) into a map; later keys win.
std::map<std::string, std::string> ReadKeyValueFile(const std::string& path);

}  // namespace velkor::test
