#pragma once
// The payload unpacker: checks each volume of a package, writes every file block into the setup
// folder, follows the package into its numbered volume files and writes the agent copy. All
// contact with the outside world (files, dialogs, progress, the viewer channel) goes through
// UnpackHost, so the stub and the command-line extractor run the same code.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace velkor {

// One volume file opened for reading. Reads are positioned; nothing is read past Size().
class UnpackSource {
 public:
  virtual ~UnpackSource() = default;
  virtual int64_t Size() const = 0;
  // Reads up to `len` bytes at `offset` into `buf`; returns the number of bytes read (fewer only at
  // the end of the file or on a read error).
  virtual size_t ReadAt(int64_t offset, char* buf, size_t len) = 0;
};

// One destination file opened for writing (appending or replacing).
class UnpackTarget {
 public:
  virtual ~UnpackTarget() = default;
  // False when not every byte was written.
  virtual bool Write(const char* data, size_t len) = 0;
  // Closes the file and, when `dos_date` is not 0, gives it that packed date and time (date in the
  // high 16 bits, time in the low 16 bits, local time). False when closing lost buffered data.
  virtual bool Close(uint32_t dos_date) = 0;
};

// Everything the unpacker needs from its surroundings. Paths are the unpacker's own texts
// (destination + "\" + name); a host on a system with "/" separators translates them.
class UnpackHost {
 public:
  virtual ~UnpackHost() = default;

  // Files and folders.
  virtual std::unique_ptr<UnpackSource> OpenVolume(const std::string& path) = 0;  // null: cannot open
  virtual bool FileExists(const std::string& path) = 0;
  // `append`: extend an existing file at its end or create it; otherwise create or truncate.
  // Null when the file cannot be opened; LastErrorText() then says why.
  virtual std::unique_ptr<UnpackTarget> OpenTarget(const std::string& path, bool append) = 0;
  virtual int64_t FileSize(const std::string& path) = 0;   // 0 for a missing file
  virtual int64_t FreeBytes(const std::string& path) = 0;  // -1 when it cannot be determined
  // Creates the folder with all missing parents; on failure fills `error_text` with the system's
  // text for the error.
  virtual bool CreateFolder(const std::string& path, std::string& error_text) = 0;
  // Gives `to` the modification date of `from`.
  virtual void CopyFileDate(const std::string& from, const std::string& to) = 0;
  // The system's text for the error of the last failed file operation.
  virtual std::string LastErrorText() = 0;

  // User interface and timing.
  // The progress procedure: kind 0 sets the range 0..`range` starting at `position` with steps
  // of `step`; kind 1 advances by one step (the numbers are then 0).
  virtual void Progress(int kind, int64_t range, int64_t position, int step) = 0;
  virtual void PumpMessages() = 0;
  virtual void WaitPumping(uint32_t milliseconds) = 0;
  virtual uint32_t TickCount() = 0;
  // Error box with the default caption (mode 0).
  virtual void ErrorBox(const std::string& text, const std::string& buttons, uint8_t charset) = 0;
  // OK/Cancel box; true for OK.
  virtual bool OkCancelBox(const std::string& text, const std::string& caption,
                           const std::string& buttons, uint8_t charset) = 0;
  virtual void EjectMedia(const std::string& path_on_drive) = 0;
  // Registers the message with which the main window refuses AutoPlay while volumes are swapped.
  virtual void RegisterAutoPlayQuery() = 0;
  virtual void ViewerLine(const std::string& line) = 0;
  virtual uint32_t ProcessId() = 0;
};

// Why an unpacking run ended without a program to start.
enum class UnpackFailure {
  kNone,        // every volume unpacked (or the user cancelled the disk prompt: main_entry is "")
  kChecksum,    // a volume failed its checksum, or the package file is missing
  kCorrupt,     // a block length points outside the volume, or a volume could not be read
  kInflate,     // a compressed block does not inflate; the zlib message was shown
  kUnsafeName,  // a file name would leave the destination folder; nothing was written for it
  kSaveError,   // a file could not be written completely
  kCancelled,   // the user cancelled the prompt for the next disk
};

struct UnpackResult {
  // True when the last volume whose checksum was computed passed, and no later failure occurred:
  // every failure other than a cancelled disk prompt reads as a failed checksum to the caller.
  bool checksum_ok = false;
  UnpackFailure failure = UnpackFailure::kNone;
  // Item 0 of the header marked with "*" (file name, "*", optional arguments), or "".
  std::string main_entry;
};

// The texts and switches the caller passes for the dialogs.
struct UnpackOptions {
  std::string disk_prompt;     // "<DISK_NUM>" is replaced by the volume number
  std::string prompt_caption;
  std::string buttons;         // bar list of button captions
  uint8_t charset = 0;
  bool force_prompt = false;   // ask for every further volume even when it is present
};

// State that outlives one call: the save error box is shown at most once per process.
struct UnpackProcessState {
  int save_error_count = 0;
};
UnpackProcessState& ProcessUnpackState();

// Unpacks the package `source` (a package file or its first volume, possibly ending in ".001")
// into `destination`. `agent_name`: file name for the agent copy ("" for none; only its file-name
// part is used).
UnpackResult UnpackPackage(UnpackHost& host, const std::string& source,
                           const std::string& destination, const std::string& agent_name,
                           const UnpackOptions& options,
                           UnpackProcessState& state = ProcessUnpackState());

}  // namespace velkor
