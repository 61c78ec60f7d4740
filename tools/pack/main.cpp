// velkor-pack: writes setup packages from a manifest, internet packages from a real setup file,
// lists and checks packages, and scrambles tokens and texts for hand-written files.

#include <cstdio>
#include <cstring>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "manifest.h"
#include "package_inspector.h"
#include "package_writer.h"
#include "scramble.h"

namespace fs = std::filesystem;
using namespace velkor::pack;

namespace {

constexpr char kUsage[] =
    "usage:\n"
    "  velkor-pack pack MANIFEST [-o OUTPUT] [--stub FILE] [--x64] [--level N]\n"
    "                   [--volume-size SIZE] [--span] [--set Section/Key=Value]...\n"
    "  velkor-pack internet REAL_SETUP --url URL -o OUTPUT [--name FILE] [--always-download]\n"
    "                   [--ask] [--stub FILE] [--x64]\n"
    "  velkor-pack list FILE\n"
    "  velkor-pack scramble-token TEXT\n"
    "  velkor-pack scramble-text TEXT\n";

int Fail(const std::string& message) {
  std::fprintf(stderr, "velkor-pack: %s\n", message.c_str());
  return 1;
}

int Usage(const std::string& message) {
  std::fprintf(stderr, "velkor-pack: %s\n%s", message.c_str(), kUsage);
  return 2;
}

fs::path ToolDir(const char* argv0) {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) return self.parent_path();
  return fs::absolute(argv0, ec).parent_path();
}

// The stubs of this build tree: the tool lives in build/host/bin, the stubs in
// build/win32/bin (shipped, i686) and build/win64/bin.
fs::path DefaultStub(const fs::path& tool_dir, bool x64) {
  return tool_dir.parent_path().parent_path() / (x64 ? "win64" : "win32") / "bin" / "velkor-stub.exe";
}

std::string Absolute(const std::string& p) {
  std::error_code ec;
  return fs::absolute(p, ec).string();
}

int Pack(const std::vector<std::string>& args, const fs::path& tool_dir) {
  std::string manifest;
  std::vector<std::string> overrides;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string v;
    if (a == "-o" || a == "--output") {
      if (!value(v)) return Usage(a + " needs a file");
      overrides.push_back("Package/Output=" + Absolute(v));
    } else if (a == "--stub") {
      if (!value(v)) return Usage(a + " needs a file");
      overrides.push_back("Package/Stub=" + Absolute(v));
    } else if (a == "--x64") {
      overrides.push_back("Package/Arch=x64");
    } else if (a == "--level") {
      if (!value(v)) return Usage(a + " needs a number");
      overrides.push_back("Package/CompressionLevel=" + v);
    } else if (a == "--volume-size") {
      if (!value(v)) return Usage(a + " needs a size");
      overrides.push_back("Package/VolumeSize=" + v);
    } else if (a == "--span") {
      overrides.push_back("Package/Span=1");
    } else if (a == "--set") {
      if (!value(v)) return Usage(a + " needs Section/Key=Value");
      overrides.push_back(v);
    } else if (!a.empty() && a[0] == '-') {
      return Usage("unknown option " + a);
    } else if (manifest.empty()) {
      manifest = a;
    } else {
      return Usage("more than one manifest given");
    }
  }
  if (manifest.empty()) return Usage("pack needs a manifest");
  PackageSpec spec;
  if (auto e = LoadManifest(manifest, overrides, DefaultStub(tool_dir, false), DefaultStub(tool_dir, true), spec);
      !e.empty())
    return Fail(e);
  const PackResult r = WritePackage(spec);
  if (!r.ok()) return Fail(r.error);
  for (const auto& p : r.written) std::printf("wrote %s\n", p.string().c_str());
  std::printf("%d file blocks\n", r.file_blocks);
  return 0;
}

int Internet(const std::vector<std::string>& args, const fs::path& tool_dir) {
  InternetPackageSpec spec;
  bool x64 = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string v;
    if (a == "-o" || a == "--output") {
      if (!value(v)) return Usage(a + " needs a file");
      spec.output = v;
    } else if (a == "--url") {
      if (!value(spec.setup_url)) return Usage(a + " needs an address");
    } else if (a == "--name") {
      if (!value(spec.setup_file_name)) return Usage(a + " needs a file name");
    } else if (a == "--stub") {
      if (!value(v)) return Usage(a + " needs a file");
      spec.stub = v;
    } else if (a == "--x64") {
      x64 = true;
    } else if (a == "--always-download") {
      spec.always_download = true;
    } else if (a == "--ask") {
      spec.ask_before_download = true;
    } else if (!a.empty() && a[0] == '-') {
      return Usage("unknown option " + a);
    } else if (spec.real_setup.empty()) {
      spec.real_setup = a;
    } else {
      return Usage("more than one real setup file given");
    }
  }
  if (spec.real_setup.empty()) return Usage("internet needs the real setup file");
  if (spec.setup_url.empty()) return Usage("internet needs --url");
  if (spec.output.empty()) return Usage("internet needs -o OUTPUT");
  if (spec.stub.empty()) spec.stub = DefaultStub(tool_dir, x64);
  const PackResult r = WriteInternetPackage(spec);
  if (!r.ok()) return Fail(r.error);
  std::printf("wrote %s\n", spec.output.string().c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "-h" || args[0] == "--help" || args[0] == "help") {
    std::fputs(kUsage, args.empty() ? stderr : stdout);
    return args.empty() ? 2 : 0;
  }
  const std::string command = args[0];
  args.erase(args.begin());
  const fs::path tool_dir = ToolDir(argv[0]);
  if (command == "pack") return Pack(args, tool_dir);
  if (command == "internet") return Internet(args, tool_dir);
  if (command == "list") {
    if (args.size() != 1) return Usage("list needs one file");
    const PackageReport report = InspectPackage(args[0]);
    std::fputs(FormatReport(report).c_str(), stdout);
    return report.valid() ? 0 : 1;
  }
  if (command == "scramble-token" || command == "scramble-text") {
    if (args.size() != 1) return Usage(command + " needs one text");
    std::random_device rd;
    std::mt19937 rng(rd());
    const std::string out = command == "scramble-token" ? ScrambleToken(args[0], rng) : ScrambleText(args[0], rng);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fputc('\n', stdout);
    return 0;
  }
  return Usage("unknown command " + command);
}
