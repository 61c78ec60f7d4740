#include "setup/unpack.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "package/package_reader.h"
#include "package/trailer.h"
#include "support/bar_list.h"
#include "support/text.h"

namespace velkor {
namespace {

constexpr size_t kReadPiece = 65536;      // largest single read from a volume
constexpr size_t kOutPiece = 256 * 1024;  // inflate output handed to the target at a time
constexpr size_t kMaxHeader = 64 * 1024;  // a file block header is a name and a date
constexpr int64_t kTrailerBytes = int64_t(kTrailerSize);

// ---------------------------------------------------------------------------------------------
// Trailer, image test and checksum read through UnpackSource, so that a volume held in memory is
// read exactly like one on disk. The layout and the arithmetic are the package reader's own.

bool ReadExact(UnpackSource& src, int64_t offset, void* buf, size_t len) {
  if (offset < 0 || offset > src.Size() || int64_t(len) > src.Size() - offset) return false;
  return src.ReadAt(offset, static_cast<char*>(buf), len) == len;
}

// The first bytes of the file, as far as the image test and the end offset need them.
std::string ReadHead(UnpackSource& src) {
  std::string head(size_t(std::min<int64_t>(src.Size(), int64_t(kPEHeaderPos + 2))), '\0');
  head.resize(src.ReadAt(0, head.data(), head.size()));
  return head;
}

// The end offset of a stub image, 0 when there is none.
int64_t EndOffsetOf(const std::string& head) {
  return IsPEImageHead(head) ? int64_t(ReadEndOffsetInImage(head)) : 0;
}

// Locates the trailer from the end of the package. A stored size or end offset that points
// outside the file leaves the record zeroed, so the volume reads as one with the wrong magic.
Trailer ReadTrailerIn(UnpackSource& src) {
  const int64_t size = src.Size();
  int64_t end = size;
  if (const int64_t e = EndOffsetOf(ReadHead(src)); e != 0) {
    if (e < 4 || e > size) return Trailer{};
    end = e;
  }
  unsigned char b[4];
  if (!ReadExact(src, end - 4, b, 4)) return Trailer{};
  const int64_t stored = int32_t(ReadLE32(b));
  if (stored < 4 || stored > end) return Trailer{};
  const int64_t taken = std::min(kTrailerBytes, stored);
  char bytes[kTrailerSize] = {};
  if (!ReadExact(src, end - stored, bytes, size_t(taken - 4))) return Trailer{};
  Trailer rec = ParseTrailer(std::string_view(bytes, size_t(taken - 4)));
  rec.TrailerSize = int32_t(taken);
  if (rec.DescriptorCount == 0) rec.DescriptorCount = 2;
  return rec;
}

// Reads in large pieces but sums in blocks of kChecksumBlockSize, which is what the sum is
// defined over; a piece is a whole number of blocks, so the block boundaries stay where single
// block reads would put them.
uint32_t PackageChecksumIn(UnpackSource& src, int64_t trailer_size, char* buf) {
  const int64_t size = src.Size();
  if (size > kChecksumMaxFileSize) return kChecksumSkip;
  const ChecksumRange range = PackageChecksumRange(ReadHead(src), size, trailer_size);
  ChecksumAccumulator acc(range.countable);
  int64_t pos = range.start;
  size_t off = 0, have = 0;
  for (;;) {
    if (off == have) {
      off = 0;
      have = pos < size ? src.ReadAt(pos, buf, size_t(std::min<int64_t>(kReadPiece, size - pos)))
                        : 0;
    }
    const size_t block = std::min(kChecksumBlockSize, have - off);
    acc.AddBlock(reinterpret_cast<const unsigned char*>(buf + off), block);
    off += block;
    pos += int64_t(block);
    if (block < kChecksumBlockSize) break;
  }
  return acc.sum();
}

// ---------------------------------------------------------------------------------------------
// Text helpers.

// Decimal text to the packed date; anything that is not a 32-bit number, signed or unsigned,
// gives 0.
uint32_t ParseDate(const std::string& text) {
  const int64_t value = StrToInt64Def(text, 0);
  return value < INT32_MIN || value > int64_t(UINT32_MAX) ? 0 : uint32_t(value);
}

// True when a part of the path names one of the system's devices ("NUL", "COM1", "con.txt",
// "LPT1 "): Windows opens the device whatever the folder, so the bytes would go to a port or the
// console instead of a file.
bool NamesDevice(const std::string& name) {
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  size_t start = 0;
  for (;;) {
    const size_t end = name.find_first_of("\\/", start);
    std::string part = name.substr(start, end == std::string::npos ? end : end - start);
    part = part.substr(0, part.find('.'));
    while (!part.empty() && part.back() == ' ') part.pop_back();
    part = UpperAscii(part);
    for (const char* device : kDevices)
      if (part == device) return true;
    if (part.size() == 4 && (part.compare(0, 3, "COM") == 0 || part.compare(0, 3, "LPT") == 0) &&
        part[3] >= '1' && part[3] <= '9')
      return true;
    if (end == std::string::npos) return false;
    start = end + 1;
  }
}

// A name that could put a file anywhere but inside the destination folder.
bool IsUnsafeName(const std::string& name) {
  if (name.find("..") != std::string::npos) return true;
  if (name.find(':') != std::string::npos) return true;  // drive letters and streams
  if (NamesDevice(name)) return true;
  return !name.empty() && (name[0] == '\\' || name[0] == '/');
}

std::string VolumeName(const std::string& base, int volume) {
  return base + "." + ZeroPad(volume, 3);
}

// ---------------------------------------------------------------------------------------------

class Unpacker {
 public:
  Unpacker(UnpackHost& host, const std::string& destination, const UnpackOptions& options,
           UnpackProcessState& state)
      : host_(host), destination_(destination), options_(options), state_(state) {}

  UnpackResult Run(const std::string& source, const std::string& agent_name);

 private:
  enum class Step { kNextVolume, kEnd };

  Step UnpackVolume(const std::string& file, int volume, const std::string& agent_name);
  bool UnpackBlocks(UnpackSource& src, int64_t p, int64_t end, int64_t data_end);
  bool CopyBlock(UnpackSource& src, int64_t offset, int64_t length, bool compressed);
  bool Feed(const char* data, size_t len);
  bool StartFile();
  bool FinishBlock();
  void WriteAgentCopy(UnpackSource& src, const std::string& file, const std::string& agent_name);
  void Fail(UnpackFailure failure) { result_.failure = failure; }

  UnpackHost& host_;
  const std::string destination_;
  const UnpackOptions& options_;
  UnpackProcessState& state_;
  UnpackResult result_;
  Trailer rec_;
  int64_t block_index_ = 0;
  int64_t descriptor_end_ = 0;
  // Reused for every read and every inflate step; never initialised, always written first.
  std::unique_ptr<char[]> in_{new char[kReadPiece]};
  std::unique_ptr<char[]> out_;

  // The file block being decoded.
  struct Block {
    std::string header;
    bool header_done = false;
    bool header_overlong = false;  // no NUL within kMaxHeader bytes
    bool discard = false;          // empty header: the block is skipped
    std::string target_path;
    std::unique_ptr<UnpackTarget> target;
    bool write_failed = false;
    std::string write_error;
    uint32_t date = 0;
    uint64_t content_length = 0;
  } block_;
};

UnpackResult Unpacker::Run(const std::string& source, const std::string& agent_name) {
  const uint32_t started = host_.TickCount();
  std::string base = source;
  if (base.size() >= 4 && base.compare(base.size() - 4, 4, ".001") == 0)
    base.resize(base.size() - 4);
  host_.Progress(0, 0, 0, 1);

  bool keep_going = true;
  std::string file = source;
  for (int volume = 1;; ++volume) {
    if (UnpackVolume(file, volume, agent_name) == Step::kEnd) break;
    if (!(rec_.Flags & kFlagMultiVolume)) break;
    // Volume switch.
    host_.RegisterAutoPlayQuery();
    file = VolumeName(base, volume + 1);
    if (options_.force_prompt || !host_.FileExists(file)) {
      host_.EjectMedia(file);
      const std::string text =
          ReplaceText(options_.disk_prompt, "<DISK_NUM>", std::to_string(volume + 1));
      do {
        keep_going = host_.OkCancelBox(text, options_.prompt_caption, options_.buttons,
                                       options_.charset);
        host_.WaitPumping(500);
      } while (!host_.FileExists(file) && keep_going);
    }
    host_.Progress(1, 0, 0, 0);
    if (!keep_going) break;
  }

  if (!result_.checksum_ok && result_.failure == UnpackFailure::kNone)
    result_.failure = UnpackFailure::kChecksum;  // the package file is missing
  if (!keep_going) {
    result_.main_entry.clear();
    if (result_.failure == UnpackFailure::kNone) result_.failure = UnpackFailure::kCancelled;
  }
  if (result_.failure != UnpackFailure::kNone && result_.failure != UnpackFailure::kCancelled) {
    result_.checksum_ok = false;
    // The engine must never start on a package that was refused or only partly written. After
    // a checksum failure the entry found so far is kept as it stands; the caller tests both.
    if (result_.failure != UnpackFailure::kChecksum) result_.main_entry.clear();
  }
  host_.ViewerLine("UnCompressTime: " + std::to_string(host_.TickCount() - started) + " MS");
  host_.ViewerLine("");
  host_.WaitPumping(500);
  return std::move(result_);
}

Unpacker::Step Unpacker::UnpackVolume(const std::string& file, int volume,
                                      const std::string& agent_name) {
  if (!host_.FileExists(file)) return Step::kNextVolume;
  std::unique_ptr<UnpackSource> src = host_.OpenVolume(file);
  if (!src) {
    // Present but unreadable: nothing can be checked or unpacked.
    rec_ = Trailer{};
    result_.checksum_ok = false;
    Fail(volume == 1 ? UnpackFailure::kChecksum : UnpackFailure::kCorrupt);
    return Step::kEnd;
  }
  rec_ = ReadTrailerIn(*src);
  const int64_t p = rec_.DataOffset;
  if (volume == 1) host_.ViewerLine("FileInfo.FilesCount=" + std::to_string(rec_.FilesCount));

  const uint32_t sum = PackageChecksumIn(*src, rec_.TrailerSize, in_.get());
  result_.checksum_ok = ChecksumPasses(rec_.Checksum, sum);
  if (!result_.checksum_ok) {
    Fail(UnpackFailure::kChecksum);
    return Step::kEnd;
  }

  int64_t end = src->Size();
  if (const int64_t e = EndOffsetOf(ReadHead(*src)); e > 0) end = std::min(e, end);
  host_.ViewerLine("FileLen=" + std::to_string(end));
  if (!rec_.HasMagic()) return Step::kNextVolume;

  if (volume == 1) host_.Progress(0, rec_.FilesCount, 0, 1);
  std::string folder_error;
  if (!host_.CreateFolder(destination_, folder_error)) {
    host_.ErrorBox(destination_ + "<P><P>Unable to create Directory!<P><P>" + folder_error,
                   options_.buttons, options_.charset);
  }

  // Blocks lie between the first descriptor string and the trailer; a length that points past
  // the trailer means the volume is damaged, whatever its checksum said.
  const int64_t data_end = end - rec_.TrailerSize;
  if (p < 0 || p > data_end) {
    Fail(UnpackFailure::kCorrupt);
    return Step::kEnd;
  }
  if (!UnpackBlocks(*src, p, end, data_end)) return Step::kEnd;

  if (volume == 1 && !FileNamePart(agent_name).empty() &&
      (EndsWithStr(".exe", file, true) || EndsWithStr(".exe.001", file, true))) {
    WriteAgentCopy(*src, file, agent_name);
  }
  return Step::kNextVolume;
}

bool Unpacker::UnpackBlocks(UnpackSource& src, int64_t p, int64_t end, int64_t data_end) {
  // A volume without blocks (its data offset at the trailer) has nothing to read.
  while (p < data_end) {
    host_.PumpMessages();
    unsigned char b[4];
    if (data_end - p < 4 || !ReadExact(src, p, b, 4)) {
      Fail(UnpackFailure::kCorrupt);
      return false;
    }
    const int32_t l = int32_t(ReadLE32(b));
    if (l == INT32_MIN) {
      Fail(UnpackFailure::kCorrupt);
      return false;
    }
    const int64_t length = l < 0 ? -int64_t(l) : int64_t(l);
    if (length > data_end - p - 4) {
      Fail(UnpackFailure::kCorrupt);
      return false;
    }
    const int64_t data = p + 4;
    p = data + length;
    ++block_index_;
    if (block_index_ == rec_.DescriptorCount) descriptor_end_ = p;
    if (block_index_ > rec_.DescriptorCount) {
      if (!CopyBlock(src, data, length, l > 0)) return false;
    }
    if (!(end - p > kTrailerBytes)) break;
  }
  return true;
}

// Streams one file block from the volume through the inflater (when compressed) into its
// target. Nothing larger than one read piece and one output piece is held in memory, so a block
// of any size, or one that inflates to far more than its own size, costs the same memory.
bool Unpacker::CopyBlock(UnpackSource& src, int64_t offset, int64_t length, bool compressed) {
  block_ = Block();
  int64_t pos = offset;
  int64_t remaining = length;
  auto read_piece = [&](size_t& got) {
    const size_t want = size_t(std::min<int64_t>(remaining, int64_t(kReadPiece)));
    got = src.ReadAt(pos, in_.get(), want);
    pos += int64_t(got);
    remaining -= int64_t(got);
    host_.PumpMessages();
    return got == want;
  };

  if (!compressed) {
    while (remaining > 0) {
      size_t got = 0;
      if (!read_piece(got)) {
        Fail(UnpackFailure::kCorrupt);
        return false;
      }
      if (!Feed(in_.get(), got)) return false;
    }
    return FinishBlock();
  }

  if (!out_) out_.reset(new char[kOutPiece]);
  z_stream zs;
  std::memset(&zs, 0, sizeof zs);
  if (inflateInit(&zs) != Z_OK) {
    host_.ErrorBox(zError(Z_MEM_ERROR), options_.buttons, options_.charset);
    Fail(UnpackFailure::kInflate);
    return false;
  }
  struct EndInflate {
    z_stream* zs;
    ~EndInflate() { inflateEnd(zs); }
  } end_inflate{&zs};

  int ret = Z_OK;
  for (;;) {
    if (zs.avail_in == 0 && remaining > 0) {
      size_t got = 0;
      if (!read_piece(got)) {
        Fail(UnpackFailure::kCorrupt);
        if (block_.target) block_.target->Close(0);
        return false;
      }
      zs.next_in = reinterpret_cast<Bytef*>(in_.get());
      zs.avail_in = uInt(got);
    }
    const bool input_exhausted = zs.avail_in == 0 && remaining == 0;
    zs.next_out = reinterpret_cast<Bytef*>(out_.get());
    zs.avail_out = uInt(kOutPiece);
    ret = inflate(&zs, Z_NO_FLUSH);
    const size_t produced = kOutPiece - zs.avail_out;
    if (produced > 0 && !Feed(out_.get(), produced)) return false;
    if (ret == Z_STREAM_END) break;
    // No progress with all input consumed: the stream was cut short.
    if (ret == Z_BUF_ERROR && input_exhausted && produced == 0) break;
    if (ret != Z_OK && ret != Z_BUF_ERROR) break;
  }
  if (ret != Z_STREAM_END) {
    if (block_.target) block_.target->Close(0);
    host_.ErrorBox(zError(ret == Z_NEED_DICT ? Z_DATA_ERROR : ret), options_.buttons,
                   options_.charset);
    Fail(UnpackFailure::kInflate);
    return false;
  }
  return FinishBlock();
}

// Takes the next piece of a block's decoded bytes: the header up to the first NUL, then content.
bool Unpacker::Feed(const char* data, size_t len) {
  Block& b = block_;
  if (!b.header_done) {
    const char* nul = static_cast<const char*>(std::memchr(data, 0, len));
    const size_t head = nul ? size_t(nul - data) : len;
    if (!b.header_overlong) {
      if (b.header.size() + head > kMaxHeader) {
        b.header_overlong = true;
        b.header.clear();
      } else {
        b.header.append(data, head);
      }
    }
    if (!nul) return true;
    b.header_done = true;
    if (b.header_overlong) {
      // No file name is that long; the block cannot be what it claims to be.
      Fail(UnpackFailure::kCorrupt);
      return false;
    }
    if (!StartFile()) return false;
    data += head + 1;
    len -= head + 1;
  }
  if (b.discard || len == 0) return true;
  b.content_length += len;
  if (b.write_failed) return true;
  if (!b.target->Write(data, len)) {
    b.write_failed = true;
    b.write_error = host_.LastErrorText();
  }
  return true;
}

bool Unpacker::StartFile() {
  Block& b = block_;
  if (b.header.empty()) {
    b.discard = true;
    return true;
  }
  if (b.header.find('*') != std::string::npos) result_.main_entry = b.header;
  std::string name = BarListItem(b.header, 0, "");
  b.date = ParseDate(BarListItem(b.header, 1, ""));
  const size_t star = name.find('*');
  if (star != std::string::npos) {
    result_.main_entry = name;
    name.resize(star);
  }
  if (IsUnsafeName(name)) {
    host_.ErrorBox(name + "<P><P>Unsafe file name in the package: not extracted!", options_.buttons,
                   options_.charset);
    Fail(UnpackFailure::kUnsafeName);
    return false;
  }
  b.target_path = destination_ + "\\" + name;
  if (!host_.FileExists(b.target_path)) host_.Progress(1, 0, 0, 0);
  b.target = host_.OpenTarget(b.target_path, true);
  if (!b.target) {
    b.write_failed = true;
    b.write_error = host_.LastErrorText();
  }
  return true;
}

bool Unpacker::FinishBlock() {
  Block& b = block_;
  if (!b.header_done || b.discard) return true;  // no NUL, or an empty header: skipped
  if (b.target && !b.target->Close(b.write_failed ? 0 : b.date) && !b.write_failed) {
    b.write_failed = true;
    b.write_error = host_.LastErrorText();
  }
  b.target.reset();
  if (!b.write_failed) return true;
  // The setup must not go on with a file missing or cut short.
  if (++state_.save_error_count == 1) {
    host_.ErrorBox(b.target_path + "<P><P>Unable to save Extracted File!<P><P>" + b.write_error +
                       "<P>  Data Size: <T>" + std::to_string(b.content_length) +
                       " Bytes<P>  File Size:  <T>" +
                       std::to_string(host_.FileSize(b.target_path)) +
                       " Bytes<P>  Bytes Free: <T>" +
                       std::to_string(host_.FreeBytes(b.target_path)) + " Bytes",
                   options_.buttons, options_.charset);
  }
  Fail(UnpackFailure::kSaveError);
  return false;
}

// The agent is this very setup file cut after its descriptor strings, with the trailer marking
// it as an agent; the end offset's low half is cleared so the copy's trailer is found at its end.
void Unpacker::WriteAgentCopy(UnpackSource& src, const std::string& file,
                              const std::string& agent_name) {
  Trailer rec = ReadTrailerIn(src);
  rec.ThisIs_AutoUpdateProg = 1;
  rec.TrailerSize = int32_t(kTrailerSize);
  std::string image(size_t(descriptor_end_), '\0');
  if (!ReadExact(src, 0, image.data(), image.size())) return;
  if (image.size() >= kEndOffsetLowPos + 4) std::memset(image.data() + kEndOffsetLowPos, 0, 4);
  const std::string trailer = SerializeTrailer(rec);
  const std::string path = destination_ + "\\" + FileNamePart(agent_name);
  if (std::unique_ptr<UnpackTarget> t = host_.OpenTarget(path, false)) {
    const bool ok = t->Write(image.data(), image.size()) && t->Write(trailer.data(), trailer.size());
    if (t->Close(0) && ok) host_.CopyFileDate(file, path);
  }
  host_.ViewerLine(std::to_string(host_.ProcessId()) + " New AU-Agent: " + path);
}

}  // namespace

UnpackProcessState& ProcessUnpackState() {
  static UnpackProcessState state;
  return state;
}

UnpackResult UnpackPackage(UnpackHost& host, const std::string& source,
                           const std::string& destination, const std::string& agent_name,
                           const UnpackOptions& options, UnpackProcessState& state) {
  return Unpacker(host, destination, options, state).Run(source, agent_name);
}

}  // namespace velkor
