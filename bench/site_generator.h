#pragma once
// A deterministic web site for the benchmarks: folders a few levels deep, HTML
// pages of realistic size with a mix of good and broken links, style sheets,
// scripts and tiny images. The same options give the same bytes on every
// machine and standard library, so figures from different runs compare.
//
// Every page is reachable from the root index.html: it links to each section's
// index, which links to its own pages and to the index of each folder of the
// section, which links to that folder's pages. Crawling link checkers thus
// reach the whole site from one start page.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace quillorn::bench {

// splitmix64: a tiny generator whose output is fixed by its seed alone, unlike
// the std::random distributions, whose results differ between libraries.
class SplitMix64 {
 public:
  explicit SplitMix64(std::uint64_t seed) : state_(seed) {}

  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // A number in 0 .. bound-1 (0 when bound is 0). The slight modulo bias does
  // not matter for test data.
  std::size_t below(std::size_t bound) {
    return bound == 0 ? 0 : static_cast<std::size_t>(next() % static_cast<std::uint64_t>(bound));
  }
  // True with a probability of `percent` in 100.
  bool chance(unsigned percent) { return below(100) < percent; }

 private:
  std::uint64_t state_;
};

struct SiteOptions {
  std::size_t pages = 1000;  // content pages; the index pages come on top
  std::uint64_t seed = 20240611;
};

struct SiteSummary {
  std::size_t folders = 0;      // folders created below the root
  std::size_t htmlFiles = 0;    // content pages and index pages
  std::size_t utf16Pages = 0;   // of htmlFiles, those stored as UTF-16
  std::size_t styleSheets = 0;  // .css files
  std::size_t scripts = 0;      // .js files
  std::size_t images = 0;
  std::uint64_t totalBytes = 0;
  std::uint64_t scannedBytes = 0;  // bytes of the HTML, CSS and JS files

  // Links as written, counted per occurrence.
  std::size_t goodLinks = 0;      // relative links (pages, images, sheets, scripts) to files that exist
  std::size_t brokenLinks = 0;    // relative links to pages or folders that do not exist
  std::size_t missingImages = 0;  // image references to files that exist nowhere
  std::size_t movedImages = 0;    // image references whose file is in another folder
  std::size_t externalLinks = 0;  // http://, https:// and ftp:// addresses, script strings included
  std::size_t bareAddresses = 0;  // "www." hosts and e-mail addresses without their prefix

  std::size_t files() const { return htmlFiles + styleSheets + scripts + images; }
};

struct GenerateResult {
  bool ok = false;
  std::string error;  // one line saying what failed, when !ok
  SiteSummary summary;
};

// Writes the site into `root`, which must be absent or an empty folder.
GenerateResult generateSite(const std::filesystem::path& root, const SiteOptions& options);

}  // namespace quillorn::bench
