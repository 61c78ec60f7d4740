// The machine's ceiling for unpacking a package: the whole package read into memory at once, its
// file blocks inflated with zlib in one call each, and the content written with plain write(2)
// calls, with no checksum and no progress. Prints the seconds the
// whole job took. Built and run by run.sh; not part of the test suite.
//   inflate_ceiling PACKAGE DIR
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "package/package_reader.h"
#include "package/read_only_file.h"
#include "package/trailer.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: inflate_ceiling PACKAGE DIR\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  velkor::ReadOnlyFile file;
  velkor::Trailer rec;
  if (!file.Open(argv[1]) || !velkor::ReadTrailer(file, &rec) || !rec.HasMagic()) {
    std::fprintf(stderr, "not a package: %s\n", argv[1]);
    return 1;
  }
  int64_t end = file.size();
  if (velkor::IsPEImage(file) && velkor::ReadEndOffset(file) != 0) end = int64_t(velkor::ReadEndOffset(file));
  std::string data(size_t(end), '\0');
  if (!file.ReadExactAt(0, data.data(), data.size())) return 1;
  const int64_t data_end = end - rec.TrailerSize;

  std::vector<char> out;
  std::string current;
  int fd = -1;
  int64_t p = rec.DataOffset;
  for (int index = 1; p + 4 <= data_end; ++index) {
    const int32_t l = int32_t(velkor::ReadLE32(reinterpret_cast<const unsigned char*>(&data[size_t(p)])));
    const int64_t length = l < 0 ? -int64_t(l) : l;
    if (length > data_end - p - 4) return 1;
    const char* block = &data[size_t(p + 4)];
    p += 4 + length;
    if (index <= rec.DescriptorCount) continue;
    const char* plain = block;
    size_t plain_size = size_t(length);
    if (l > 0) {
      // A block's content is bounded by the writer's block size; grow until it fits.
      if (out.size() < 4 * size_t(length) + 4096) out.resize(4 * size_t(length) + 4096);
      for (;;) {
        uLongf got = uLongf(out.size());
        const int ret = uncompress(reinterpret_cast<Bytef*>(out.data()), &got,
                                   reinterpret_cast<const Bytef*>(block), uLong(length));
        if (ret == Z_BUF_ERROR) {
          out.resize(out.size() * 2);
          continue;
        }
        if (ret != Z_OK) return 1;
        plain = out.data();
        plain_size = got;
        break;
      }
    }
    const char* nul = static_cast<const char*>(std::memchr(plain, 0, plain_size));
    if (!nul) continue;
    const std::string header(plain, nul);
    std::string name = header.substr(1, header.find('|', 1) - 1);
    name = name.substr(0, name.find('*'));
    if (name != current) {
      if (fd >= 0) close(fd);
      fd = open((std::string(argv[2]) + "/" + name).c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      if (fd < 0) return 1;
      current = name;
    }
    const char* content = nul + 1;
    size_t left = plain_size - size_t(content - plain);
    while (left > 0) {
      const ssize_t n = write(fd, content, left);
      if (n <= 0) return 1;
      content += n;
      left -= size_t(n);
    }
  }
  if (fd >= 0) close(fd);
  std::printf("%.3f\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  return 0;
}
