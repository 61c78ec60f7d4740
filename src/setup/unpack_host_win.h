#pragma once
// The unpacker's host on Windows: files through the system, progress on the main window's bars,
// the stub's own message boxes, the viewer channel and waits that keep the window responsive.
#include "setup/unpack.h"

namespace velkor {

class WinUnpackHost : public UnpackHost {
 public:
  std::unique_ptr<UnpackSource> OpenVolume(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  std::unique_ptr<UnpackTarget> OpenTarget(const std::string& path, bool append) override;
  int64_t FileSize(const std::string& path) override;
  int64_t FreeBytes(const std::string& path) override;
  bool CreateFolder(const std::string& path, std::string& error_text) override;
  void CopyFileDate(const std::string& from, const std::string& to) override;
  std::string LastErrorText() override;

  void Progress(int kind, int64_t range, int64_t position, int step) override;
  void PumpMessages() override;
  void WaitPumping(uint32_t milliseconds) override;
  uint32_t TickCount() override;
  void ErrorBox(const std::string& text, const std::string& buttons, uint8_t charset) override;
  bool OkCancelBox(const std::string& text, const std::string& caption,
                   const std::string& buttons, uint8_t charset) override;
  void EjectMedia(const std::string& path_on_drive) override;
  void RegisterAutoPlayQuery() override;
  void ViewerLine(const std::string& line) override;
  uint32_t ProcessId() override;

 private:
  std::string last_error_;
  uint32_t last_pump_ = 0;  // tick count of the last look at the message queue
};

// Creates `folder` with every missing parent; false (the system's error left in place) when a
// part cannot be created.
bool CreateFolderWithParents(const std::string& folder);

}  // namespace velkor
