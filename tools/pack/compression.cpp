#include "compression.h"

#include <algorithm>
#include <zlib.h>

#ifdef VELKOR_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

namespace velkor::pack {

#ifdef VELKOR_HAVE_LIBDEFLATE

int MaxCompressionLevel() { return 12; }

struct BlockCompressor::State {
  libdeflate_compressor* c = nullptr;
};

BlockCompressor::BlockCompressor(int level) : state_(std::make_unique<State>()) {
  state_->c = libdeflate_alloc_compressor(std::clamp(level, 1, 12));
}

BlockCompressor::~BlockCompressor() {
  if (state_->c) libdeflate_free_compressor(state_->c);
}

std::optional<std::string> BlockCompressor::Compress(std::string_view data) {
  if (!state_->c) return std::nullopt;
  std::string out(libdeflate_zlib_compress_bound(state_->c, data.size()), '\0');
  const size_t n =
      libdeflate_zlib_compress(state_->c, data.data(), data.size(), out.data(), out.size());
  if (n == 0) return std::nullopt;
  out.resize(n);
  return out;
}

#else

int MaxCompressionLevel() { return 9; }

struct BlockCompressor::State {
  int level = 6;
};

BlockCompressor::BlockCompressor(int level) : state_(std::make_unique<State>()) {
  state_->level = std::clamp(level, 1, 9);
}

BlockCompressor::~BlockCompressor() = default;

std::optional<std::string> BlockCompressor::Compress(std::string_view data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
                state_->level) != Z_OK)
    return std::nullopt;
  out.resize(size);
  return out;
}

#endif

struct StreamInflater::State {
  z_stream z{};
  bool ready = false;
};

StreamInflater::StreamInflater() : state_(std::make_unique<State>()) {
  state_->ready = inflateInit(&state_->z) == Z_OK;
  if (!state_->ready) error_ = "inflate cannot start";
}

StreamInflater::~StreamInflater() {
  if (state_->ready) inflateEnd(&state_->z);
}

bool StreamInflater::FeedImpl(std::string_view input, void (*emit)(void*, std::string_view),
                              void* ctx) {
  if (!state_->ready || !error_.empty()) return false;
  if (finished_) return input.empty();  // bytes after the stream's end are not zlib data
  z_stream& z = state_->z;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
  z.avail_in = static_cast<uInt>(input.size());
  char out[65536];
  do {
    z.next_out = reinterpret_cast<Bytef*>(out);
    z.avail_out = sizeof out;
    const int rc = inflate(&z, Z_NO_FLUSH);
    const size_t produced = sizeof out - z.avail_out;
    if (produced) emit(ctx, std::string_view(out, produced));
    if (rc == Z_STREAM_END) {
      finished_ = true;
      if (z.avail_in != 0) error_ = "data after the end of the compressed stream";
      return error_.empty();
    }
    if (rc == Z_BUF_ERROR && z.avail_in == 0) return true;  // needs more input
    if (rc != Z_OK) {
      error_ = z.msg ? z.msg : "data error";
      return false;
    }
  } while (z.avail_in != 0 || z.avail_out == 0);
  return true;
}

}  // namespace velkor::pack
