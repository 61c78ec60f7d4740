#include "support/text_win.h"

#include <windows.h>

#include "support/text.h"

namespace velkor {

namespace {

// The path routines must not split a double-byte character; install the system's test as soon
// as this file is part of the program, before any of them can run.
[[maybe_unused]] const bool g_lead_byte_test_installed = [] {
  SetLeadByteTest(&IsLeadByte);
  return true;
}();

}  // namespace

bool IsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

std::string ExePath() {
  // A module path can be longer than MAX_PATH; grow the buffer until the name fits.
  std::string buf(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return "";
    if (n < buf.size()) {
      buf.resize(n);
      return buf;
    }
    if (buf.size() >= 32768) return "";
    buf.resize(buf.size() * 2);
  }
}

std::string ExeDir(bool with_slash) {
  const std::string path = ExePath();
  const std::size_t slash = path.rfind('\\');
  const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  return SetTrailingSlash(dir, with_slash);
}

}  // namespace velkor
