#pragma once
// Builds small package files in memory for the package reader tests, and a temporary folder to
// write them to.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "package/trailer.h"

namespace velkor::test {

struct PackageLayout {
  bool pe_image = false;          // "MZ" at 0 and "PE" at 256
  std::size_t image_size = 600;   // bytes in front of the first descriptor string
  std::vector<std::string> strings = {"*", "|http://u|info.ini|agent.exe||0|"};
  std::string payload = "payload-bytes";
  bool write_end_offset = false;  // package length in the image's end offset slot
  std::string appended;           // bytes after the package
};

inline std::string LengthPrefixed(const std::string& s) {
  std::string out(4, '\0');
  WriteLE32(reinterpret_cast<unsigned char*>(out.data()), static_cast<std::uint32_t>(s.size()));
  return out + s;
}

inline Trailer DefaultTrailer() {
  Trailer t;
  t.Format = kTrailerFormat;
  t.DescriptorCount = 2;
  t.Magic = kTrailerMagic;
  t.TrailerSize = static_cast<std::int32_t>(kTrailerSize);
  t.FilesCount = 1;
  return t;
}

// The package bytes; DataOffset is set to the image size, and Checksum to the value a writer
// computes for the finished package.
inline std::string BuildPackage(const PackageLayout& layout, Trailer trailer = DefaultTrailer()) {
  std::string image(layout.image_size, 'i');
  if (layout.pe_image) {
    image[0] = 'M';
    image[1] = 'Z';
    std::fill(image.begin() + kEndOffsetHighPos, image.begin() + kPEHeaderPos, '\0');
    image[kPEHeaderPos] = 'P';
    image[kPEHeaderPos + 1] = 'E';
  }
  std::string body = image;
  for (const std::string& s : layout.strings) body += LengthPrefixed(s);
  body += layout.payload;
  trailer.DataOffset = static_cast<std::int32_t>(layout.image_size);
  std::string package = body + SerializeTrailer(trailer);
  if (layout.write_end_offset)
    WriteLE32(reinterpret_cast<unsigned char*>(package.data()) + kEndOffsetLowPos,
              static_cast<std::uint32_t>(package.size()));
  trailer.Checksum = PackageChecksumOfImage(package, static_cast<std::int64_t>(kTrailerSize));
  package.replace(package.size() - kTrailerSize, kTrailerSize, SerializeTrailer(trailer));
  return package + layout.appended;
}

// A folder under the system's temporary folder, removed with its content at the end of the test.
class TempFolder {
 public:
  TempFolder() {
    // ctest may run several test processes at once: a random name keeps them apart.
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("velkor-pkg-" + std::to_string(rd()) + "-" + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string Write(const std::string& name, const std::string& bytes) const {
    const std::filesystem::path p = path_ / name;
    std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return p.string();
  }
  std::string Path(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace velkor::test
