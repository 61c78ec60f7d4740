// The payload unpacker over damaged or hostile packages, one or two volumes, with every file kept
// in memory. The host checks what a real system could not: that no file lands outside the
// destination folder and that the amount written stays within bounds.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "fuzz_support.h"
#include "setup/unpack.h"

using namespace velkor;

namespace {

constexpr char kSource[] = "C:\\src\\setup.exe";
constexpr char kDestination[] = "C:\\dest";
// Inflate can expand data a thousandfold, so the bound is generous; what matters is that it exists.
constexpr std::size_t kMaxWritten = 256u << 20;

// A name below the destination: no ".." component, no second drive or stream, no root. Windows
// takes "/" inside a name for a folder separator, so it counts as one here.
bool InsideDestination(const std::string& path) {
  const std::string prefix = std::string(kDestination) + "\\";
  if (path.compare(0, prefix.size(), prefix) != 0) return false;
  std::string rest = path.substr(prefix.size());
  for (char& c : rest)
    if (c == '/') c = '\\';
  if (rest.empty() || rest.find(':') != std::string::npos) return false;
  if (rest[0] == '\\') return false;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = rest.find('\\', start);
    const std::string part = rest.substr(start, end == std::string::npos ? end : end - start);
    if (part == "..") return false;
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

class MemorySource : public UnpackSource {
 public:
  explicit MemorySource(const std::string& bytes) : bytes_(bytes) {}
  int64_t Size() const override { return static_cast<int64_t>(bytes_.size()); }
  size_t ReadAt(int64_t offset, char* buf, size_t len) override {
    VELKOR_FUZZ_CHECK(offset >= 0);
    if (static_cast<uint64_t>(offset) >= bytes_.size()) return 0;
    const size_t n = std::min(len, bytes_.size() - static_cast<size_t>(offset));
    std::memcpy(buf, bytes_.data() + offset, n);
    return n;
  }

 private:
  const std::string& bytes_;
};

class MemoryHost;

class MemoryTarget : public UnpackTarget {
 public:
  MemoryTarget(MemoryHost& host, std::string& file) : host_(host), file_(file) {}
  bool Write(const char* data, size_t len) override;
  bool Close(uint32_t) override { return true; }

 private:
  MemoryHost& host_;
  std::string& file_;
};

class MemoryHost : public UnpackHost {
 public:
  std::map<std::string, std::string> volumes;
  std::map<std::string, std::string> files;
  std::size_t written = 0;
  int prompts = 0;

  std::unique_ptr<UnpackSource> OpenVolume(const std::string& path) override {
    const auto it = volumes.find(path);
    if (it == volumes.end()) return nullptr;
    return std::make_unique<MemorySource>(it->second);
  }
  bool FileExists(const std::string& path) override {
    return volumes.count(path) != 0 || files.count(path) != 0;
  }
  std::unique_ptr<UnpackTarget> OpenTarget(const std::string& path, bool append) override {
    // A header without a name points at the destination folder itself, which no system opens as
    // a file: the unpacker reports a save error for it.
    if (path == std::string(kDestination) + "\\") return nullptr;
    if (!InsideDestination(path)) std::fprintf(stderr, "target: \"%s\"\n", path.c_str());
    VELKOR_FUZZ_CHECK(InsideDestination(path));
    std::string& file = files[path];
    if (!append) file.clear();
    return std::make_unique<MemoryTarget>(*this, file);
  }
  int64_t FileSize(const std::string& path) override {
    const auto it = files.find(path);
    return it == files.end() ? 0 : static_cast<int64_t>(it->second.size());
  }
  int64_t FreeBytes(const std::string&) override { return 1 << 30; }
  bool CreateFolder(const std::string&, std::string&) override { return true; }
  void CopyFileDate(const std::string&, const std::string& to) override {
    VELKOR_FUZZ_CHECK(InsideDestination(to));
  }
  std::string LastErrorText() override { return "error"; }
  void Progress(int, int64_t, int64_t, int) override {}
  void PumpMessages() override {}
  void WaitPumping(uint32_t) override {}
  uint32_t TickCount() override { return 0; }
  void ErrorBox(const std::string&, const std::string&, uint8_t) override {}
  // A user who gives up at the first disk prompt; answering OK forever would wait forever.
  bool OkCancelBox(const std::string&, const std::string&, const std::string&, uint8_t) override {
    ++prompts;
    return false;
  }
  void EjectMedia(const std::string&) override {}
  void RegisterAutoPlayQuery() override {}
  void ViewerLine(const std::string&) override {}
  uint32_t ProcessId() override { return 1; }
};

bool MemoryTarget::Write(const char* data, size_t len) {
  host_.written += len;
  VELKOR_FUZZ_CHECK(host_.written <= kMaxWritten);
  file_.append(data, len);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider fdp(data, size);
  const auto split = fdp.ConsumeIntegral<std::uint8_t>();
  const bool with_agent = fdp.ConsumeBool();
  const bool force_prompt = fdp.ConsumeBool();
  std::string bytes = fdp.ConsumeRemainingBytesAsString();

  MemoryHost host;
  // The tail of the input becomes the second volume when the first byte asks for one.
  if (split != 0 && bytes.size() > 2) {
    const std::size_t at = bytes.size() * split / 256;
    host.volumes[std::string(kSource) + ".002"] = bytes.substr(at);
    bytes.resize(at);
  }
  host.volumes[kSource] = bytes;

  UnpackOptions options;
  options.disk_prompt = "Please insert <B>DISK #<DISK_NUM></B>";
  options.force_prompt = force_prompt;
  UnpackProcessState state;
  const UnpackResult result = UnpackPackage(host, kSource, kDestination,
                                            with_agent ? "..\\..\\agent.exe" : "", options, state);
  VELKOR_FUZZ_CHECK(host.prompts <= 1);
  if (result.failure == UnpackFailure::kCancelled) VELKOR_FUZZ_CHECK(result.main_entry.empty());
  for (const auto& [path, content] : host.files) VELKOR_FUZZ_CHECK(InsideDestination(path));
  return 0;
}
