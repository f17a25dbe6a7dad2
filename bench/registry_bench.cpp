// quillorn-registrybench: the wizard's start and Exit against a big registry
// file. For each shape and size it writes a registry file that other programs
// share with the wizard (mixed: keys of a dozen values of every kind, comments
// and damaged lines, and one key with a long list; one_key: a single key with
// a long list; many_keys: many keys of one value each), then times loadSettings (the read and every query the start
// makes) and saveSettings (the write on Exit) through the real registry file,
// and prints the figures. A cost that grows faster than the file shows up as
// ms/MB rising with the size.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/settings/settings.h"
#include "platform/file_access.h"
#include "platform/registry_file.h"

namespace {

using namespace quillorn;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kUsage = R"(Usage: quillorn-registrybench [--reps N] [KB ...]

Writes registry files of three shapes, each of about KB kibibytes (default:
335 670 1024 4096), and
times the wizard's start (loadSettings: reading the file and every query) and
its Exit (saveSettings: the options written back), each N times (default 5),
median shown. Also counts the file replacements each Exit makes.
)";

std::string hex8(std::uint32_t number) {
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08x", number);
  return digits;
}

// A key of another program: a dozen values of every kind the format has.
void appendVendorKey(std::string& text, std::uint32_t index) {
  text +=
      "[HKEY_CURRENT_USER\\Software\\Vendor" + std::to_string(index % 97) + "\\Product" + std::to_string(index) + "]\n";
  for (std::uint32_t value = 0; value < 8; ++value) {
    text += "\"Setting" + std::to_string(value) + "\"=dword:" + hex8(index * 31 + value) + "\n";
  }
  text += "\"InstallPath\"=\"C:\\\\Program Files\\\\Product" + std::to_string(index) + "\\\\bin\"\n";
  text +=
      "\"Window\"=hex:2c,00,00,00,00,00,00,00,01,00,00,00,ff,ff,ff,ff,ff,ff,ff,ff,\\\n"
      "  ff,ff,ff,ff,40,01,00,00,20,01,00,00\n";
  text += "\"Recent\"=hex(7):61,00,2e,00,74,00,78,00,74,00,00,00,00,00\n";
  if (index % 50 == 0) text += "; kept by hand\n\"Broken\"=dword:xyz\n";
  text += "\n";
}

void appendOptionsKey(std::string& text) {
  text += std::string("[") + std::string(kSettingsKeyPath) + "]\n";
  for (const char* name : {"Step2Chk1", "Step3Chk1", "Step3Chk2", "Step3Chk3", "Step3Chk4", "Step3Chk5", "Step3Chk6",
                           "Step3Chk7", "Step3Chk8", "Step3Chk9", "Step3Chk10"}) {
    text += std::string("\"") + name + "\"=dword:00000001\n";
  }
  text += "\"InternetConnections\"=dword:00000010\n\n";
}

// A value of the long list that a picture viewer keeps.
void appendHistoryValue(std::string& text, std::uint32_t entry) {
  text += "\"File" + std::to_string(entry) + "\"=\"D:\\\\Pictures\\\\2003\\\\img" + std::to_string(entry) + ".jpg\"\n";
}

// A file type's key, as the desktop's associations fill a registry: one
// value each.
void appendTypeKey(std::string& text, std::uint32_t index) {
  text += "[HKEY_CURRENT_USER\\Software\\Classes\\.ext" + std::to_string(index) + "]\n@=\"type" +
          std::to_string(index) + "file\"\n\n";
}

struct Shape {
  const char* name;
  // About `bytes` of registry text, the options' key with its twelve values
  // stored among it.
  std::string (*text)(std::size_t bytes);
};

const Shape kShapes[] = {
    {"mixed",
     [](std::size_t bytes) {
       // A quarter in one key with a long list, the rest in keys of a dozen
       // values; the options' key halfway.
       std::string text = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Viewer\\History]\n";
       for (std::uint32_t entry = 0; text.size() < bytes / 4; ++entry) appendHistoryValue(text, entry);
       text += "\n";
       std::uint32_t index = 0;
       while (text.size() < bytes / 2) appendVendorKey(text, index++);
       appendOptionsKey(text);
       while (text.size() < bytes) appendVendorKey(text, index++);
       return text;
     }},
    {"one_key",
     [](std::size_t bytes) {
       std::string text = "REGEDIT4\n\n";
       appendOptionsKey(text);
       text += "[HKEY_CURRENT_USER\\Software\\Viewer\\History]\n";
       for (std::uint32_t entry = 0; text.size() < bytes; ++entry) appendHistoryValue(text, entry);
       return text + "\n";
     }},
    {"many_keys",
     [](std::size_t bytes) {
       std::string text = "REGEDIT4\n\n";
       std::uint32_t index = 0;
       while (text.size() < bytes / 2) appendTypeKey(text, index++);
       appendOptionsKey(text);
       while (text.size() < bytes) appendTypeKey(text, index++);
       return text;
     }},
};

double milliseconds(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

int gRenames = 0;
int countRenames(const char* call) {
  if (std::strcmp(call, "rename") == 0) ++gRenames;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int reps = 5;
  std::vector<std::size_t> sizes;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--reps" && i + 1 < argc) {
      reps = std::max(1, std::atoi(argv[++i]));
    } else if (!arg.empty() && arg.find_first_not_of("0123456789") == std::string_view::npos) {
      sizes.push_back(static_cast<std::size_t>(std::stoul(std::string(arg))));
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  if (sizes.empty()) sizes = {335, 670, 1024, 4096};

  char pattern[] = "/tmp/quillorn-registrybench-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const fs::path folder = pattern;
  const fs::path file = folder / "registry.reg";
  platform::setFaultHook(countRenames);

  std::printf("%-10s %8s %8s %10s %10s %10s %10s %8s\n", "shape", "KB", "lines", "load_ms", "save_ms", "total_ms",
              "ms/MB", "writes");
  int code = 0;
  for (const Shape& shape : kShapes) {
    for (const std::size_t kibibytes : sizes) {
      const std::string text = shape.text(kibibytes * 1024);
      const auto lines = std::count(text.begin(), text.end(), '\n');
      std::vector<double> loads;
      std::vector<double> saves;
      int writes = 0;
      for (int rep = 0; rep < reps; ++rep) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        const Clock::time_point start = Clock::now();
        platform::RegistryFile registry(file);
        Settings settings;
        const SettingsResult loaded = loadSettings(registry, settings);
        const Clock::time_point afterLoad = Clock::now();
        settings.scriptTagStrings = !settings.scriptTagStrings;
        gRenames = 0;
        const SettingsResult saved = saveSettings(registry, settings);
        const Clock::time_point afterSave = Clock::now();
        writes = gRenames;
        if (!loaded.ok() || !saved.ok() || settings.internetConnections != 16) {
          std::fprintf(stderr, "the registry of %zu KB was not read or written: %s%s\n", kibibytes,
                       loaded.message.c_str(), saved.message.c_str());
          code = 1;
        }
        loads.push_back(milliseconds(afterLoad - start));
        saves.push_back(milliseconds(afterSave - afterLoad));
      }
      const double load = median(loads);
      const double save = median(saves);
      const double megabytes = static_cast<double>(text.size()) / (1024.0 * 1024.0);
      std::printf("%-10s %8zu %8ld %10.2f %10.2f %10.2f %10.2f %8d\n", shape.name, text.size() / 1024,
                  static_cast<long>(lines), load, save, load + save, (load + save) / megabytes, writes);
      std::fflush(stdout);
    }
  }
  platform::setFaultHook(nullptr);
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return code;
}
