// quillorn-gensite: writes the benchmarks' generated web site into a folder
// and prints what it wrote.

#include <charconv>
#include <cstdint>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>

#include "bench/site_generator.h"

namespace {

constexpr const char* kUsage = R"(Usage: quillorn-gensite --pages N --out DIR [--seed S]

Writes a web site of N content pages (plus one index page per folder and the
root index.html) into DIR, which must be absent or empty. The same N and S
always give the same bytes. S defaults to 20240611.
)";

// False when `text` is not a whole unsigned decimal number.
bool parseNumber(std::string_view text, std::uint64_t& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && !text.empty();
}

}  // namespace

int main(int argc, char** argv) {
  quillorn::bench::SiteOptions options;
  std::string out;
  bool havePages = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::cout << kUsage;
      return 0;
    }
    if ((arg == "--pages" || arg == "--out" || arg == "--seed") && i + 1 < argc) {
      const std::string_view value = argv[++i];
      std::uint64_t number = 0;
      if (arg == "--out") {
        out = value;
      } else if (!parseNumber(value, number)) {
        std::cerr << "quillorn-gensite: " << arg << " needs a number, not '" << value << "'\n";
        return 2;
      } else if (arg == "--pages") {
        options.pages = static_cast<std::size_t>(number);
        havePages = true;
      } else {
        options.seed = number;
      }
      continue;
    }
    std::cerr << "quillorn-gensite: unexpected argument '" << arg << "'\n" << kUsage;
    return 2;
  }
  if (!havePages || out.empty()) {
    std::cerr << kUsage;
    return 2;
  }

  const quillorn::bench::GenerateResult result = quillorn::bench::generateSite(out, options);
  if (!result.ok) {
    std::cerr << "quillorn-gensite: " << result.error << '\n';
    return 1;
  }
  const quillorn::bench::SiteSummary& s = result.summary;
  std::cout << "site:    " << out << " (" << options.pages << " pages, seed " << options.seed << ")\n"
            << "files:   " << s.files() << " in " << s.folders << " folders: " << s.htmlFiles << " HTML ("
            << s.utf16Pages << " UTF-16), " << s.styleSheets << " CSS, " << s.scripts << " JS, " << s.images
            << " images\n"
            << "bytes:   " << s.totalBytes << " total, " << s.scannedBytes << " in HTML/CSS/JS\n"
            << "links:   " << s.goodLinks << " good relative, " << s.brokenLinks << " broken relative, "
            << s.missingImages << " missing images, " << s.movedImages << " moved images, " << s.externalLinks
            << " external, " << s.bareAddresses << " bare www./e-mail\n";
  return 0;
}
