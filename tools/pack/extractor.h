#pragma once
// Extracting a package on the build machine with the stub's own unpacker: the same volume walk,
// checksums and block decoding, with the dialogs turned into error texts. Used by
// `velkor-pack extract` and by the unpack benchmark.

#include <cstdint>
#include <functional>
#include <string>

#include "setup/unpack.h"

namespace velkor::pack {

struct ExtractReport {
  UnpackFailure failure = UnpackFailure::kNone;
  bool ok() const { return failure == UnpackFailure::kNone && error.empty(); }
  // One line saying why the extraction failed ("" on success).
  std::string error;
  int files = 0;            // distinct files written
  uint64_t bytes = 0;       // bytes written into them
  uint64_t package_bytes = 0;  // size of every volume that exists
  double seconds = 0;
  std::string main_entry;   // the file the stub would start, with its arguments
};

// Called now and then with the bytes read so far out of `total` (every volume is read twice:
// once for its checksum, once for its blocks).
using ExtractProgress = std::function<void(uint64_t done, uint64_t total)>;

// Extracts `package` (a setup file, its first volume "x.001", or a span launcher, whose payload
// starts in "x.001") into `folder`, which is created when missing. A file that already exists in
// the folder is replaced, never appended to. A missing volume ends the run with an error instead
// of a prompt.
ExtractReport ExtractPackage(const std::string& package, const std::string& folder,
                             const ExtractProgress& progress = nullptr);

// An error box text as one plain line: paragraph marks become spaces, tab marks vanish, runs of
// blanks collapse.
std::string FlattenMarkup(const std::string& text);

}  // namespace velkor::pack
