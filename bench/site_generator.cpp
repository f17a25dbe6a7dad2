#include "bench/site_generator.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace quillorn::bench {
namespace {

constexpr std::size_t kPagesPerFolder = 40;
constexpr std::size_t kFoldersPerSection = 8;
constexpr std::size_t kSectionImages = 12;

// A 1x1 transparent GIF and a 1x1 PNG: the smallest files that are real images.
constexpr std::array<unsigned char, 43> kGif = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80,
                                                0x00, 0x00, 0x00, 0x00, 0x00, 0xff, 0xff, 0xff, 0x21, 0xf9, 0x04,
                                                0x01, 0x00, 0x00, 0x00, 0x00, 0x2c, 0x00, 0x00, 0x00, 0x00, 0x01,
                                                0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3b};
constexpr std::array<unsigned char, 67> kPng = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52, 0x00,
    0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1f, 0x15, 0xc4, 0x89, 0x00,
    0x00, 0x00, 0x0a, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0x00, 0x01, 0x00, 0x00, 0x05, 0x00, 0x01,
    0x0d, 0x0a, 0x2d, 0xb4, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

// The words of the filler text and of page titles and file names.
constexpr std::array<std::string_view, 96> kWords = {
    "harvest", "bakery",  "river",    "garden",    "market",   "winter",   "summer",   "village",   "archive",
    "letter",  "journal", "recipe",   "orchard",   "meadow",   "station",  "harbour",  "lantern",   "copper",
    "granite", "willow",  "season",   "history",   "festival", "workshop", "chapel",   "bridge",    "mill",
    "county",  "valley",  "ledger",   "the",       "of",       "and",      "a",        "to",        "in",
    "is",      "was",     "for",      "on",        "with",     "as",       "by",       "at",        "from",
    "that",    "this",    "which",    "were",      "their",    "old",      "new",      "small",     "early",
    "late",    "local",   "public",   "quiet",     "famous",   "careful",  "visitors", "members",   "records",
    "photos",  "stories", "families", "roads",     "fields",   "schools",  "shops",    "opened",    "closed",
    "built",   "moved",   "restored", "described", "found",    "kept",     "printed",  "collected", "north",
    "south",   "east",    "west",     "during",    "after",    "before",   "between",  "around",    "near",
    "every",   "many",    "some",     "most",      "several",  "two"};

// What a page or sheet links to, as a path below the root.
using Parts = std::vector<std::string>;

struct FolderPlan {
  Parts parts;
  std::size_t section = 0;
  std::vector<std::size_t> pages;  // indices into Site::pages
};

struct PagePlan {
  std::size_t folder = 0;
  std::string name;
  std::string title;
};

struct ImagePlan {
  Parts parts;
  std::string name;
};

struct Site {
  explicit Site(std::uint64_t seed) : rng(seed) {}

  SplitMix64 rng;
  std::filesystem::path root;
  std::vector<FolderPlan> folders;
  std::vector<PagePlan> pages;
  std::vector<std::size_t> sectionFolders;  // the folder holding each section's index
  std::vector<ImagePlan> images;            // root images/ folder
  std::vector<std::vector<ImagePlan>> sectionImages;
  std::vector<ImagePlan> movedImages;  // stored in media/archive/, linked as images/NAME
  SiteSummary summary;
  std::string error;
  std::size_t missingSerial = 0;  // makes each missing name distinct
};

std::string padded(std::size_t value, std::size_t width) {
  std::string digits = std::to_string(value);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

std::string_view word(Site& site) { return kWords[site.rng.below(kWords.size())]; }

std::string capitalised(std::string_view text) {
  std::string result(text);
  if (!result.empty() && result[0] >= 'a' && result[0] <= 'z') result[0] = static_cast<char>(result[0] - 'a' + 'A');
  return result;
}

std::string words(Site& site, std::size_t count) {
  std::string result;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) result += ' ';
    result += word(site);
  }
  return result;
}

// The link from a file in folder `from` to `name` in folder `to`, both below the root.
std::string relativePath(const Parts& from, const Parts& to, std::string_view name) {
  std::size_t common = 0;
  while (common < from.size() && common < to.size() && from[common] == to[common]) ++common;
  std::string result;
  for (std::size_t i = common; i < from.size(); ++i) result += "../";
  for (std::size_t i = common; i < to.size(); ++i) result += to[i] + "/";
  result += name;
  return result;
}

std::string widened(std::string_view narrow, bool bigEndian) {
  std::string wide;
  wide.reserve(2 * narrow.size() + 2);
  wide += bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char c : narrow) {
    if (bigEndian) wide += '\0';
    wide += c;
    if (!bigEndian) wide += '\0';
  }
  return wide;
}

bool writeFile(Site& site, const Parts& folder, std::string_view name, std::string_view bytes, bool scanned) {
  if (!site.error.empty()) return false;
  std::filesystem::path dir = site.root;
  for (const std::string& part : folder) dir /= part;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    site.error = "cannot create folder " + dir.string() + ": " + ec.message();
    return false;
  }
  const std::filesystem::path path = dir / std::string(name);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    site.error = "cannot write " + path.string();
    return false;
  }
  site.summary.totalBytes += bytes.size();
  if (scanned) site.summary.scannedBytes += bytes.size();
  return true;
}

// --- the plan: folders, pages and images, before any byte is written ---

Parts folderParts(std::size_t section, std::size_t k) {
  Parts parts{"sec" + padded(section, 3)};
  if (k == 0) return parts;
  parts.push_back("topic" + std::to_string(k));
  if (k % 3 == 2) parts.emplace_back("archive");
  if (k % 3 == 0) {
    parts.emplace_back("notes");
    parts.emplace_back("old");
  }
  return parts;
}

void planSite(Site& site, std::size_t pageCount) {
  const std::size_t folderCount = std::max<std::size_t>(1, (pageCount + kPagesPerFolder - 1) / kPagesPerFolder);
  for (std::size_t f = 0; f < folderCount; ++f) {
    FolderPlan folder;
    folder.section = f / kFoldersPerSection;
    folder.parts = folderParts(folder.section, f % kFoldersPerSection);
    if (f % kFoldersPerSection == 0) site.sectionFolders.push_back(f);
    site.folders.push_back(std::move(folder));
  }
  for (std::size_t i = 0; i < pageCount; ++i) {
    PagePlan page;
    page.folder = i / kPagesPerFolder;
    std::string_view extension = ".html";
    if (i % 23 == 5) extension = ".htm";
    if (i % 37 == 11) extension = ".shtml";
    page.name = std::string(kWords[i % 30]) + "-" + padded(i, 5) + std::string(extension);
    page.title = capitalised(word(site)) + " " + words(site, 2 + site.rng.below(4));
    site.folders[page.folder].pages.push_back(i);
    site.pages.push_back(std::move(page));
  }
  const std::size_t imageCount = std::max<std::size_t>(16, pageCount / 8);
  for (std::size_t j = 0; j < imageCount; ++j)
    site.images.push_back({{"images"}, "img" + padded(j, 5) + (j % 4 == 3 ? ".png" : ".gif")});
  site.sectionImages.resize(site.sectionFolders.size());
  for (std::size_t s = 0; s < site.sectionFolders.size(); ++s) {
    for (std::size_t j = 0; j < kSectionImages; ++j)
      site.sectionImages[s].push_back({{"sec" + padded(s, 3), "img"}, "icon-" + padded(j, 2) + ".gif"});
  }
  const std::size_t movedCount = std::max<std::size_t>(4, pageCount / 50);
  for (std::size_t j = 0; j < movedCount; ++j)
    site.movedImages.push_back({{"media", "archive"}, "scan" + padded(j, 5) + ".gif"});
}

// --- links, each counted as written ---

// A page linked from a page in `fromFolder`: mostly near, sometimes anywhere.
std::size_t pickPage(Site& site, std::size_t fromFolder) {
  const std::size_t r = site.rng.below(100);
  std::size_t folder = fromFolder;
  if (r >= 55 && r < 80) {
    const std::size_t first = site.folders[fromFolder].section * kFoldersPerSection;
    const std::size_t last = std::min(first + kFoldersPerSection, site.folders.size());
    folder = first + site.rng.below(last - first);
  } else if (r >= 80) {
    folder = site.rng.below(site.folders.size());
  }
  const std::vector<std::size_t>& pages = site.folders[folder].pages;
  return pages[site.rng.below(pages.size())];
}

std::string goodPageLink(Site& site, const Parts& here, std::size_t fromFolder) {
  const PagePlan& target = site.pages[pickPage(site, fromFolder)];
  std::string href = relativePath(here, site.folders[target.folder].parts, target.name);
  if (site.rng.chance(10)) href += "#sec" + std::to_string(1 + site.rng.below(5));
  if (site.rng.chance(6)) href += "?lang=en&amp;page=" + std::to_string(1 + site.rng.below(9));
  ++site.summary.goodLinks;
  const std::string text = words(site, 1 + site.rng.below(4));
  const std::size_t form = site.rng.below(100);
  if (form < 4 && href.find('&') == std::string::npos) return "<A HREF=" + href + ">" + text + "</A>";
  if (form < 9) return "<a href='" + href + "' title=\"" + target.title + "\">" + text + "</a>";
  return "<a href=\"" + href + "\">" + text + "</a>";
}

std::string imageTag(Site& site, std::string_view src) {
  return "<img src=\"" + std::string(src) + "\" alt=\"" + words(site, 2) + "\" width=\"" +
         std::to_string(40 + site.rng.below(400)) + "\" height=\"" + std::to_string(30 + site.rng.below(300)) +
         "\" border=\"0\">";
}

// An image that exists: one of the root images, or the section's own.
std::string goodImagePath(Site& site, const Parts& here, std::size_t section) {
  ++site.summary.goodLinks;
  if (site.rng.chance(25)) {
    const std::vector<ImagePlan>& own = site.sectionImages[section];
    const ImagePlan& image = own[site.rng.below(own.size())];
    return relativePath(here, image.parts, image.name);
  }
  const ImagePlan& image = site.images[site.rng.below(site.images.size())];
  return relativePath(here, image.parts, image.name);
}

std::string missingImagePath(Site& site, const Parts& here) {
  ++site.summary.missingImages;
  return relativePath(here, {"images"}, "lost" + padded(site.missingSerial++, 6) + ".gif");
}

// Linked where it used to be, in images/; the file now lives in media/archive/.
std::string movedImagePath(Site& site, const Parts& here) {
  ++site.summary.movedImages;
  const ImagePlan& image = site.movedImages[site.rng.below(site.movedImages.size())];
  return relativePath(here, {"images"}, image.name);
}

std::string brokenPageLink(Site& site, const Parts& here, std::size_t fromFolder) {
  ++site.summary.brokenLinks;
  const PagePlan& near = site.pages[pickPage(site, fromFolder)];
  std::string href;
  switch (site.rng.below(3)) {
    case 0: href = relativePath(here, site.folders[near.folder].parts, "old-" + near.name); break;
    case 1: href = relativePath(here, {"retired", std::string(word(site))}, near.name); break;
    default:
      href = relativePath(here, site.folders[near.folder].parts, "draft" + padded(site.missingSerial++, 6) + ".htm");
  }
  return "<a href=\"" + href + "\">" + words(site, 1 + site.rng.below(3)) + "</a>";
}

std::string externalUrl(Site& site) {
  ++site.summary.externalLinks;
  static constexpr std::array<std::string_view, 5> kSchemes = {"http://www.", "http://", "http://www.", "https://www.",
                                                               "ftp://ftp."};
  std::string url(kSchemes[site.rng.below(kSchemes.size())]);
  url += std::string(word(site)) + std::string(word(site)) + ".example.";
  url += site.rng.chance(50) ? "com/" : "org/";
  if (url.compare(0, 3, "ftp") == 0) return url + "pub/" + std::string(word(site)) + ".zip";
  if (site.rng.chance(60)) url += std::string(word(site)) + "/" + std::string(word(site)) + ".html";
  return url;
}

std::string externalLink(Site& site) {
  return "<a href=\"" + externalUrl(site) + "\" target=\"_blank\">" + words(site, 1 + site.rng.below(3)) + "</a>";
}

std::string bareAddressLink(Site& site) {
  ++site.summary.bareAddresses;
  if (site.rng.chance(55))
    return "<a href=\"www." + std::string(word(site)) + "-" + std::string(word(site)) + ".example.net/\">" +
           words(site, 2) + "</a>";
  return "<a href=\"" + std::string(word(site)) + "." + std::string(word(site)) + "@mail.example.org\">" +
         words(site, 2) + "</a>";
}

// --- filler text ---

// Appends sentences, with paragraph breaks and the odd anchored heading, until
// `out` reaches `goal` bytes (at least one sentence).
void appendText(Site& site, std::string& out, std::size_t goal, std::size_t& headings) {
  do {
    const std::size_t count = 6 + site.rng.below(13);
    for (std::size_t i = 0; i < count; ++i) {
      std::string w(word(site));
      if (i == 0) w = capitalised(w);
      const std::size_t r = site.rng.below(100);
      const bool last = i + 1 == count;
      if (r < 2)
        w = "<b>" + w + "</b>";
      else if (r < 3)
        w = "<i>" + w + "</i>";
      else if (r < 4 && !last)
        w += " &amp;";
      else if (r < 5 && !last)
        w += ",";
      out += w;
      out += last ? ". " : " ";
    }
    const std::size_t r = site.rng.below(100);
    if (r < 3) {
      ++headings;
      out +=
          "</p>\n<h2><a name=\"sec" + std::to_string(headings) + "\">" + capitalised(words(site, 3)) + "</a></h2>\n<p>";
    } else if (r < 20) {
      out += "</p>\n\n<p>";
    } else if (r < 45) {
      out += '\n';
    }
  } while (out.size() < goal);
}

std::size_t pickPageSize(Site& site) {
  if (site.rng.chance(4)) return 40000 + site.rng.below(120000);
  return 2000 + site.rng.below(9000) + site.rng.below(9000);
}

std::string styleRule(Site& site, const Parts& here, std::size_t section, std::size_t serial) {
  static constexpr std::array<std::string_view, 6> kSelectors = {".box",      "#nav",     "td.cell",
                                                                 "div.panel", "h2.title", ".note"};
  std::string rule = std::string(kSelectors[site.rng.below(kSelectors.size())]) + std::to_string(serial) + " { ";
  if (site.rng.chance(35)) {
    std::string path;
    if (site.rng.chance(6))
      path = missingImagePath(site, here);
    else
      path = goodImagePath(site, here, section);
    switch (site.rng.below(3)) {
      case 0: rule += "background: #f4f0e8 url(" + path + ") no-repeat top left; "; break;
      case 1: rule += "background-image: url(\"" + path + "\"); "; break;
      default: rule += "list-style-image: url('" + path + "'); ";
    }
  }
  rule += "margin: " + std::to_string(site.rng.below(12)) + "px " + std::to_string(site.rng.below(20)) + "px; ";
  rule += "color: #" + padded(100000 + site.rng.below(899999), 6) + "; ";
  if (site.rng.chance(40))
    rule += "font: " + std::to_string(10 + site.rng.below(8)) + "px Verdana, Arial, sans-serif; ";
  rule += "}\n";
  return rule;
}

std::string scriptString(Site& site) {
  const std::string url = externalUrl(site);
  switch (site.rng.below(4)) {
    case 0: return "var " + std::string(word(site)) + "Url = \"" + url + "\";\n";
    case 1: return "links[links.length] = '" + url + "';\n";
    case 2: return "if (ok) { window.open(\"" + url + "\", \"w\", \"width=400,height=300\"); }\n";
    default: return "// see " + url + "\nvar base = \"" + url + "\";\n";
  }
}

// --- the files ---

std::string pageHtml(Site& site, std::size_t pageIndex) {
  const PagePlan& page = site.pages[pageIndex];
  const FolderPlan& folder = site.folders[page.folder];
  const Parts& here = folder.parts;
  const std::size_t section = folder.section;
  const std::string sectionName = "sec" + padded(section, 3);

  std::string out = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n";
  if (site.rng.chance(2)) {
    const std::string url = "http://www.example.com/" + sectionName + "/" + page.name;
    out += "<!-- saved from url=(" + padded(url.size(), 4) + ")" + url + " -->\n";
  }
  out += "<html>\n<head>\n<title>" + page.title + "</title>\n";
  out += "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">\n";
  out += "<meta name=\"keywords\" content=\"" + words(site, 6) + "\">\n";
  out += "<link rel=\"stylesheet\" type=\"text/css\" href=\"" + relativePath(here, {"css"}, "site.css") + "\">\n";
  ++site.summary.goodLinks;
  if (site.rng.chance(60)) {
    out += "<link rel=\"stylesheet\" href=\"" + relativePath(here, {sectionName}, "style.css") + "\">\n";
    ++site.summary.goodLinks;
  }
  if (site.rng.chance(70)) {
    out += "<style type=\"text/css\">\n";
    const std::size_t rules = 1 + site.rng.below(5);
    for (std::size_t i = 0; i < rules; ++i) out += styleRule(site, here, section, i);
    out += "</style>\n";
  }
  if (site.rng.chance(50)) {
    out += "<script type=\"text/javascript\" src=\"" + relativePath(here, {"js"}, "menu.js") + "\"></script>\n";
    ++site.summary.goodLinks;
  }
  if (site.rng.chance(30)) {
    out += "<script language=\"JavaScript\" src=\"" + relativePath(here, {sectionName}, "script.js") + "\"></script>\n";
    ++site.summary.goodLinks;
  }
  if (site.rng.chance(60)) {
    out += "<script type=\"text/javascript\">\n<!--\nvar links = new Array();\n";
    const std::size_t strings = 1 + site.rng.below(3);
    for (std::size_t i = 0; i < strings; ++i) out += scriptString(site);
    if (site.rng.chance(30)) out += "document.write('<a href=\"index.html\">' + title + '</a>');\n";
    out += "// -->\n</script>\n";
  }
  out += "</head>\n<body bgcolor=\"#ffffff\"";
  if (site.rng.chance(10)) out += " background=\"" + goodImagePath(site, here, section) + "\"";
  out += ">\n<a name=\"top\"></a>\n";

  // Navigation: the folder's index, the root index and the neighbours in the folder.
  out += "<table width=\"100%\" cellpadding=\"4\"><tr>\n<td><a href=\"index.html\">Contents</a></td>\n";
  out += "<td><a href=\"" + relativePath(here, {}, "index.html") + "\">Home</a></td>\n";
  site.summary.goodLinks += 2;
  const std::vector<std::size_t>& neighbours = folder.pages;
  const auto self = std::find(neighbours.begin(), neighbours.end(), pageIndex);
  if (self != neighbours.begin()) {
    out += "<td><a href=\"" + site.pages[*(self - 1)].name + "\">Previous</a></td>\n";
    ++site.summary.goodLinks;
  }
  if (self + 1 != neighbours.end()) {
    out += "<td><a href=\"" + site.pages[*(self + 1)].name + "\">Next</a></td>\n";
    ++site.summary.goodLinks;
  }
  out += "</tr></table>\n<h1>" + page.title + "</h1>\n";

  // The links of the body, spread through the text in random order.
  const std::size_t target = pickPageSize(site);
  std::vector<std::string> snippets;
  const std::size_t goodPages = 2 + target / 900;
  for (std::size_t i = 0; i < goodPages; ++i) snippets.push_back(goodPageLink(site, here, page.folder));
  const std::size_t goodImages = 1 + target / 4000;
  for (std::size_t i = 0; i < goodImages; ++i) snippets.push_back(imageTag(site, goodImagePath(site, here, section)));
  const std::size_t externals = site.rng.below(4);
  for (std::size_t i = 0; i < externals; ++i) snippets.push_back(externalLink(site));
  const std::size_t anchors = site.rng.below(3);
  for (std::size_t i = 0; i < anchors; ++i)
    snippets.push_back("<a href=\"#sec" + std::to_string(1 + site.rng.below(4)) + "\">" + words(site, 2) + "</a>");
  if (site.rng.chance(15)) snippets.emplace_back("<a href=\"javascript:history.back()\">back</a>");
  if (site.rng.chance(20)) snippets.emplace_back("<a href=\"mailto:editor@example.com\">write to us</a>");
  if (site.rng.chance(45)) {
    const std::size_t broken = 1 + site.rng.below(2);
    for (std::size_t i = 0; i < broken; ++i) snippets.push_back(brokenPageLink(site, here, page.folder));
  }
  if (site.rng.chance(25)) snippets.push_back(imageTag(site, missingImagePath(site, here)));
  if (site.rng.chance(20)) snippets.push_back(imageTag(site, movedImagePath(site, here)));
  if (site.rng.chance(25)) snippets.push_back(bareAddressLink(site));
  for (std::size_t i = snippets.size(); i > 1; --i) std::swap(snippets[i - 1], snippets[site.rng.below(i)]);

  out += "<p>";
  std::size_t headings = 0;
  const std::size_t bodyStart = out.size();
  const std::size_t bodyEnd = std::max(target, bodyStart + 200);
  for (std::size_t k = 0; k < snippets.size(); ++k) {
    appendText(site, out, bodyStart + (bodyEnd - bodyStart) * (k + 1) / (snippets.size() + 1), headings);
    out += snippets[k] + ' ';
  }
  appendText(site, out, bodyEnd, headings);
  out += "</p>\n<hr>\n<p><small>Copyright &copy; 2003 " + capitalised(words(site, 2)) +
         ". <a href=\"#top\">Top of page</a></small></p>\n</body>\n</html>\n";
  return out;
}

std::string indexHtml(Site& site, std::size_t folderIndex) {
  const FolderPlan& folder = site.folders[folderIndex];
  const Parts& here = folder.parts;
  std::string out = "<html>\n<head>\n<title>Contents of " + here.back() + "</title>\n";
  out += "<link rel=\"stylesheet\" type=\"text/css\" href=\"" + relativePath(here, {"css"}, "site.css") + "\">\n";
  out += "</head>\n<body>\n<p><a href=\"" + relativePath(here, {}, "index.html") + "\">Home</a></p>\n";
  out += "<h1>Contents of " + here.back() + "</h1>\n<ul>\n";
  site.summary.goodLinks += 2;
  for (std::size_t pageIndex : folder.pages) {
    const PagePlan& page = site.pages[pageIndex];
    out += "<li><a href=\"" + page.name + "\">" + page.title + "</a></li>\n";
    ++site.summary.goodLinks;
  }
  out += "</ul>\n";
  if (folderIndex % kFoldersPerSection == 0) {
    out += "<h2>More in this section</h2>\n<ul>\n";
    const std::size_t last = std::min(folderIndex + kFoldersPerSection, site.folders.size());
    for (std::size_t f = folderIndex + 1; f < last; ++f) {
      out += "<li><a href=\"" + relativePath(here, site.folders[f].parts, "index.html") + "\">" +
             site.folders[f].parts.back() + "</a></li>\n";
      ++site.summary.goodLinks;
    }
    out += "</ul>\n";
  }
  out += "</body>\n</html>\n";
  return out;
}

std::string rootIndexHtml(Site& site) {
  std::string out = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<html>\n<head>\n";
  out += "<title>Home</title>\n<link rel=\"stylesheet\" type=\"text/css\" href=\"css/site.css\">\n";
  out += "<link rel=\"stylesheet\" type=\"text/css\" media=\"print\" href=\"css/print.css\">\n";
  out += "<script type=\"text/javascript\" src=\"js/app.js\"></script>\n";
  out += "</head>\n<body>\n" + imageTag(site, "images/" + site.images[0].name) + "\n<h1>Home</h1>\n<ul>\n";
  site.summary.goodLinks += 4;
  for (std::size_t s = 0; s < site.sectionFolders.size(); ++s) {
    const FolderPlan& folder = site.folders[site.sectionFolders[s]];
    out += "<li><a href=\"" + relativePath({}, folder.parts, "index.html") + "\">Section " + std::to_string(s) +
           "</a></li>\n";
    ++site.summary.goodLinks;
  }
  out += "</ul>\n<p><a href=\"http://www.example.com/\">Our old address</a></p>\n</body>\n</html>\n";
  ++site.summary.externalLinks;
  return out;
}

std::string styleSheet(Site& site, const Parts& here, std::size_t section, std::size_t rules, bool importPrint) {
  std::string out = "/* " + capitalised(words(site, 4)) + " */\n";
  if (importPrint) {
    out += "@import url(\"print.css\");\n";
    ++site.summary.goodLinks;
  }
  for (std::size_t i = 0; i < rules; ++i) {
    if (site.rng.chance(5)) out += "/* " + words(site, 6) + " */\n";
    out += styleRule(site, here, section, i);
  }
  return out;
}

std::string script(Site& site, std::size_t functions) {
  std::string out = "// " + capitalised(words(site, 5)) + "\nvar links = new Array();\n";
  for (std::size_t i = 0; i < functions; ++i) {
    out += "\n// " + words(site, 4 + site.rng.below(8)) + "\nfunction " + std::string(word(site)) + std::to_string(i) +
           "(el) {\n";
    const std::size_t lines = 2 + site.rng.below(8);
    for (std::size_t j = 0; j < lines; ++j) {
      const std::size_t r = site.rng.below(100);
      if (r < 15)
        out += "  " + scriptString(site);
      else if (r < 25)
        out += "  document.write('<img src=\"' + base + 'images/spacer.gif\" width=\"1\">');\n";
      else if (r < 60)
        out += "  el.style.display = (el.style.display == 'none') ? 'block' : 'none';\n";
      else
        out +=
            "  var n" + std::to_string(j) + " = el.childNodes.length + " + std::to_string(site.rng.below(99)) + ";\n";
    }
    out += "  return true;\n}\n";
  }
  return out;
}

void writeImage(Site& site, const ImagePlan& image) {
  const bool png = image.name.size() > 4 && image.name.compare(image.name.size() - 4, 4, ".png") == 0;
  const std::string_view bytes = png ? std::string_view(reinterpret_cast<const char*>(kPng.data()), kPng.size())
                                     : std::string_view(reinterpret_cast<const char*>(kGif.data()), kGif.size());
  if (writeFile(site, image.parts, image.name, bytes, false)) ++site.summary.images;
}

void writeSite(Site& site) {
  SiteSummary& summary = site.summary;
  for (std::size_t i = 0; i < site.pages.size() && site.error.empty(); ++i) {
    std::string html = pageHtml(site, i);
    const std::size_t r = site.rng.below(1000);
    const bool utf16 = r < 15;  // 1.5% of the pages, a fifth of those big-endian
    if (utf16) html = widened(html, r < 3);
    const PagePlan& page = site.pages[i];
    if (writeFile(site, site.folders[page.folder].parts, page.name, html, true)) {
      ++summary.htmlFiles;
      if (utf16) ++summary.utf16Pages;
    }
  }
  for (std::size_t f = 0; f < site.folders.size(); ++f) {
    if (writeFile(site, site.folders[f].parts, "index.html", indexHtml(site, f), true)) ++summary.htmlFiles;
  }
  if (writeFile(site, {}, "index.html", rootIndexHtml(site), true)) ++summary.htmlFiles;

  if (writeFile(site, {"css"}, "site.css", styleSheet(site, {"css"}, 0, 120, true), true)) ++summary.styleSheets;
  if (writeFile(site, {"css"}, "print.css", styleSheet(site, {"css"}, 0, 30, false), true)) ++summary.styleSheets;
  if (writeFile(site, {"js"}, "app.js", script(site, 60), true)) ++summary.scripts;
  if (writeFile(site, {"js"}, "menu.js", script(site, 25), true)) ++summary.scripts;
  for (std::size_t s = 0; s < site.sectionFolders.size(); ++s) {
    const Parts here{"sec" + padded(s, 3)};
    if (writeFile(site, here, "style.css", styleSheet(site, here, s, 20 + site.rng.below(80), false), true))
      ++summary.styleSheets;
    if (writeFile(site, here, "script.js", script(site, 5 + site.rng.below(30)), true)) ++summary.scripts;
  }

  for (const ImagePlan& image : site.images) writeImage(site, image);
  for (const std::vector<ImagePlan>& images : site.sectionImages)
    for (const ImagePlan& image : images) writeImage(site, image);
  for (const ImagePlan& image : site.movedImages) writeImage(site, image);
  writeImage(site, {{"images"}, "spacer.gif"});
}

std::size_t countFolders(const std::filesystem::path& root) {
  std::size_t count = 0;
  std::error_code ec;
  for (std::filesystem::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_directory(ec)) ++count;
  return count;
}

}  // namespace

GenerateResult generateSite(const std::filesystem::path& root, const SiteOptions& options) {
  GenerateResult result;
  if (options.pages == 0) {
    result.error = "the site needs at least one page";
    return result;
  }
  std::error_code ec;
  if (std::filesystem::exists(root, ec)) {
    if (!std::filesystem::is_directory(root, ec)) {
      result.error = root.string() + " exists and is not a folder";
      return result;
    }
    if (!std::filesystem::is_empty(root, ec) || ec) {
      result.error = root.string() + " is not empty; the site goes into a new or empty folder";
      return result;
    }
  }

  Site site(options.seed);
  site.root = root;
  planSite(site, options.pages);
  writeSite(site);
  if (!site.error.empty()) {
    result.error = site.error;
    return result;
  }
  site.summary.folders = countFolders(root);
  result.ok = true;
  result.summary = site.summary;
  return result;
}

}  // namespace quillorn::bench
