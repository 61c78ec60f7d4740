#pragma once
// Shared by the package writer tests: a scratch folder per test, small files, a fake stub image
// that passes the image test, and reading a written package back into its files.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "package_inspector.h"
#include "package_writer.h"

namespace velkor::pack::testing {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const fs::path& p, const std::string& data) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

// Bytes that deflate cannot shrink, the same for every run.
inline std::string NoiseBytes(size_t n, uint32_t seed = 7) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng() & 0xFF);
  return s;
}

inline std::string TextBytes(size_t n) {
  std::string s;
  for (int i = 0; s.size() < n; ++i) s += "line " + std::to_string(i) + " of the sample text\r\n";
  s.resize(n);
  return s;
}

// "MZ" at 0 and "PE" at 256 like the real stub after its header move; the rest is filler.
inline std::string FakeStubImage(size_t size = 1536) {
  std::string s(size, '\0');
  s[0] = 'M';
  s[1] = 'Z';
  s[256] = 'P';
  s[257] = 'E';
  for (size_t i = 512; i < size; ++i) s[i] = static_cast<char>(i * 7);
  return s;
}

class PackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / (std::string("velkor-pack-") + info->test_suite_name() + "-" + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "out");
    WriteFile(dir_ / "stub.exe", FakeStubImage());
  }
  void TearDown() override {
    std::error_code ec;
    if (!HasFailure()) fs::remove_all(dir_, ec);
  }

  fs::path Put(const std::string& name, const std::string& data) {
    WriteFile(dir_ / name, data);
    return dir_ / name;
  }

  // A PackageSpec with the engine and the given files (name -> content), written to out/setup.exe.
  PackageSpec Spec(const std::map<std::string, std::string>& files) {
    PackageSpec spec;
    spec.stub = dir_ / "stub.exe";
    spec.output = dir_ / "out" / "setup.exe";
    spec.engine = "engine.exe";
    spec.files.push_back({"engine.exe", Put("engine.exe", "ENGINE-IMAGE"), 0x5A2B6C3Du});
    for (const auto& [name, data] : files) spec.files.push_back({name, Put(name, data), 0x5A2B6C3Du});
    return spec;
  }

  // The unpacked files of a package, as the blocks put them together.
  static std::map<std::string, std::string> Contents(const fs::path& package, PackageReport* report = nullptr) {
    std::map<std::string, std::string> files;
    PackageReport r = InspectPackage(package, [&](const BlockInfo& b, std::string_view data) {
      files[b.name].append(data);
    });
    for (const auto& v : r.volumes)
      for (const auto& b : v.blocks)
        if (!b.name.empty()) files[b.name];  // empty files too
    if (report) *report = r;
    return files;
  }

  std::vector<std::string> OutFiles() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_ / "out")) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir_;
};

}  // namespace velkor::pack::testing
