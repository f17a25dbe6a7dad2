// How Internet URLs of the site's own servers map onto its files.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/files/file_list.h"
#include "core/search/saved_from_table.h"
#include "core/search/site_addresses.h"
#include "core/settings/settings.h"

namespace {

using quillorn::FileList;
using quillorn::PageAddress;
using quillorn::SavedFromTable;
using quillorn::Settings;
using quillorn::SiteAddresses;
using quillorn::SiteMap;

struct PartsRow {
  const char* name;
  const char* url;
  const char* server;  // nullptr: no parts
  const char* path;
};

class UrlPartsTest : public ::testing::TestWithParam<PartsRow> {};

TEST_P(UrlPartsTest, ServerAndPath) {
  const PartsRow& row = GetParam();
  const std::optional<quillorn::UrlParts> parts = quillorn::urlParts(row.url);
  if (row.server == nullptr) {
    EXPECT_FALSE(parts.has_value());
    return;
  }
  ASSERT_TRUE(parts.has_value());
  EXPECT_EQ(parts->server, row.server);
  EXPECT_EQ(parts->path, row.path);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UrlPartsTest,
    ::testing::Values(PartsRow{"plain", "https://Docs.Example.org/a/B.html", "docs.example.org", "/a/B.html"},
                      PartsRow{"default_port_dropped", "http://example.org:80/x", "example.org", "/x"},
                      PartsRow{"other_port_kept", "https://example.org:8443/x", "example.org:8443", "/x"},
                      PartsRow{"user_dropped", "ftp://ann:pw@example.org/f", "example.org", "/f"},
                      PartsRow{"query_and_fragment_cut", "http://example.org/a.html?x=/y#z", "example.org", "/a.html"},
                      PartsRow{"no_path", "http://example.org?q", "example.org", "/"},
                      PartsRow{"no_host", "http:///a.html", nullptr, nullptr},
                      PartsRow{"no_scheme", "www.example.org/a.html", nullptr, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// A site at \s\ whose pages name their addresses in several ways.
class SiteMapTest : public ::testing::Test {
 protected:
  SiteMapTest() {
    files.addSelectedFiles({"\\s", "index.html", "about.html"}, {});
    files.addSelectedFiles({"\\s\\doc\\api", "x.html"}, {});
  }
  SiteMap map() const { return SiteMap(settings, files, savedFrom, addresses); }
  void canonical(std::int32_t file, const char* url) {
    PageAddress address;
    address.fileIndex = file;
    address.url = url;
    addresses.addCanonical(address);
  }

  Settings settings;
  FileList files;
  SavedFromTable savedFrom;
  SiteAddresses addresses;
};

TEST_F(SiteMapTest, CanonicalAddressesPlaceTheirFoldersDeepestFirst) {
  canonical(0, "https://own.example/v2/");                   // \s\index.html: \s\ is /v2/
  canonical(2, "https://own.example/reference/api/x.html");  // \s\doc\api\ is /reference/api/
  const SiteMap site = map();
  EXPECT_TRUE(site.isOwn("http://OWN.example:80/anything"));
  EXPECT_FALSE(site.isOwn("https://other.example/v2/about.html"));
  EXPECT_EQ(site.localPath("https://own.example/v2/about.html"), "\\s\\about.html");
  EXPECT_EQ(site.localPath("https://own.example/V2/doc/"), "\\s\\doc\\");
  EXPECT_EQ(site.localPath("https://own.example/reference/api/y.html"), "\\s\\doc\\api\\y.html");
  EXPECT_EQ(site.localPath("https://own.example/blog/x.html"), std::nullopt);
}

TEST_F(SiteMapTest, SiteAddressesAndUnplacedServersStandForTheSiteFolder) {
  settings.siteAddresses = {"https://mirror.example/docs", "not an address"};
  savedFrom.add("http://saved.example/about", 1);  // "about" and "about.html" place nothing
  EXPECT_TRUE(map().isOwn("https://mirror.example/"));
  EXPECT_EQ(map().localPath("https://mirror.example/docs/about.html"), std::nullopt) << "no folder given";

  addresses.setSiteFolder("\\s");
  const SiteMap site = map();
  EXPECT_EQ(site.localPath("https://mirror.example/docs/about.html"), "\\s\\about.html");
  EXPECT_EQ(site.localPath("http://saved.example/doc/api/x.html"), "\\s\\doc\\api\\x.html");
}

}  // namespace
