#pragma once
// UnpackHost on plain files through the C library: what the command-line extractor uses, and a
// base for other hosts that only need to replace the dialogs. Dialogs default to a quiet,
// non-interactive behaviour: error boxes go to a hook, the disk prompt answers Cancel.

#include <cstdint>
#include <functional>
#include <string>

#include "setup/unpack.h"

namespace velkor {

// Converts a packed date and time (date in the high 16 bits, time in the low 16 bits, local time)
// to seconds since 1970; false for a value that is no valid date.
bool DosDateTimeToUnix(uint32_t dos_date, int64_t& unix_seconds);

// Sets a file's modification time from a packed date; false when it could not be set.
bool SetFileDosDate(const std::string& path, uint32_t dos_date);

class FileUnpackHost : public UnpackHost {
 public:
  // Sets a written file's date; replaceable (by default SetFileDosDate).
  std::function<bool(const std::string& path, uint32_t dos_date)> set_date = SetFileDosDate;
  // Receives the texts of error boxes (markup included); by default they are dropped.
  std::function<void(const std::string& text)> on_error;
  // Answers the disk prompt; by default Cancel.
  std::function<bool(const std::string& text)> on_disk_prompt;
  // Receives the viewer lines; by default they are dropped.
  std::function<void(const std::string& line)> on_viewer_line;
  // Receives progress calls.
  std::function<void(int kind, int64_t range, int64_t position, int step)> on_progress;

  // Maps the unpacker's "\" separators to the local ones.
  static std::string LocalPath(const std::string& path);

  std::unique_ptr<UnpackSource> OpenVolume(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  std::unique_ptr<UnpackTarget> OpenTarget(const std::string& path, bool append) override;
  int64_t FileSize(const std::string& path) override;
  int64_t FreeBytes(const std::string& path) override;
  bool CreateFolder(const std::string& path, std::string& error_text) override;
  void CopyFileDate(const std::string& from, const std::string& to) override;
  std::string LastErrorText() override;

  void Progress(int kind, int64_t range, int64_t position, int step) override;
  void PumpMessages() override {}
  void WaitPumping(uint32_t) override {}
  uint32_t TickCount() override;
  void ErrorBox(const std::string& text, const std::string& buttons, uint8_t charset) override;
  bool OkCancelBox(const std::string& text, const std::string& caption,
                   const std::string& buttons, uint8_t charset) override;
  void EjectMedia(const std::string&) override {}
  void RegisterAutoPlayQuery() override {}
  void ViewerLine(const std::string& line) override;
  uint32_t ProcessId() override { return 0; }

 private:
  std::string last_error_;
};

}  // namespace velkor
