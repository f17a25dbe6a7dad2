// The registry file's reader over arbitrary files: the input is the whole
// file, and the options' key and values are read from it as the settings are
// loaded, along with a few other keys and a name from the input. Reading never
// writes: the file must be left byte for byte as it was. A key's value count
// is at least the number of its values that read as dwords.

#include <array>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "platform/registry_file.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using namespace quillorn;
using fuzz::check;

constexpr std::array<std::string_view, 11> kNames = {"Step2Chk1", "Step3Chk1", "Step3Chk2", "Step3Chk3",
                                                     "Step3Chk4", "Step3Chk5", "Step3Chk6", "Step3Chk7",
                                                     "Step3Chk8", "Step3Chk9", "Step3Chk10"};

std::string fileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::ParamReader params(data, size);
  const std::string extraName(params.text(12));
  const std::string_view bytes = params.rest();
  const std::filesystem::path file = fuzz::scratchFolder() / "registry.reg";
  fuzz::writeBytes(file, bytes);

  platform::RegistryFile registry(file);
  for (const std::string_view keyPath :
       {std::string_view(R"(HKEY_LOCAL_MACHINE\Software\Quillorn)"), std::string_view(R"(HKEY_LOCAL_MACHINE\Software)"),
        std::string_view(R"(HKEY_CURRENT_USER\A\B)")}) {
    if (!registry.keyExists(keyPath)) continue;
    // The key is there, so opening it only reads.
    platform::RegistryKey key = registry.createKey(keyPath);
    check(key.isOpen());
    std::size_t dwords = 0;
    for (const std::string_view name : kNames) dwords += key.queryDword(name).has_value() ? 1 : 0;
    const std::optional<std::size_t> count = key.valueCount();
    check(count.has_value() && *count >= dwords);
    key.queryDword(extraName);
    key.queryDword("");
  }
  check(fileBytes(file) == bytes);
  return 0;
}
