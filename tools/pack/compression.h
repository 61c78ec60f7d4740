#pragma once
// zlib-format compression for payload blocks (2-byte header, deflate data, Adler-32), which is
// what the stub inflates. The host build uses libdeflate (faster, levels up to 12); builds
// without it use zlib (levels up to 9; higher levels are taken as 9).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace velkor::pack {

int MaxCompressionLevel();

// One compressor per thread: the libdeflate state is not shareable.
class BlockCompressor {
 public:
  explicit BlockCompressor(int level);
  ~BlockCompressor();
  BlockCompressor(const BlockCompressor&) = delete;
  BlockCompressor& operator=(const BlockCompressor&) = delete;

  // The zlib stream of `data`; nullopt when the compressor failed.
  std::optional<std::string> Compress(std::string_view data);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Streaming inflater for reading packages back: feeds compressed input in pieces, hands the
// output on in bounded pieces, so that a hostile block cannot make it allocate without bound.
class StreamInflater {
 public:
  StreamInflater();
  ~StreamInflater();
  StreamInflater(const StreamInflater&) = delete;
  StreamInflater& operator=(const StreamInflater&) = delete;

  template <typename Sink>
  bool Feed(std::string_view input, Sink&& sink) {
    using S = std::remove_reference_t<Sink>;
    return FeedImpl(input, [](void* ctx, std::string_view out) { (*static_cast<S*>(ctx))(out); },
                    &sink);
  }
  bool finished() const { return finished_; }
  const std::string& error() const { return error_; }

 private:
  bool FeedImpl(std::string_view input, void (*emit)(void*, std::string_view), void* ctx);
  struct State;
  std::unique_ptr<State> state_;
  bool finished_ = false;
  std::string error_;
};

}  // namespace velkor::pack
