// The core and platform libraries build without any toolkit: nothing under
// core/ or platform/ may include a Qt header. And the core makes no system
// call of its own: under core/ only the C++ standard headers (whose names have
// no '.' and no '/') and the project's own headers may be included; the system
// is reached through platform/.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

const std::regex kQtInclude(R"(^\s*#\s*include\s*[<"](Q[A-Za-z]+|Qt[A-Za-z]*/[^>"]*|q[a-z]+\.h)[>"])");
// <unistd.h>, <sys/stat.h>, <windows.h>, <curl/curl.h>: anything in angle
// brackets that is no C++ standard header.
const std::regex kSystemInclude(R"(^\s*#\s*include\s*<[^>]*[./][^>]*>)");

std::vector<std::string> includesUnder(const std::filesystem::path& root, const std::regex& pattern) {
  std::vector<std::string> offenders;
  for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
    if (!item.is_regular_file()) continue;
    const std::string ext = item.path().extension().string();
    if (ext != ".h" && ext != ".hpp" && ext != ".cpp" && ext != ".cc") continue;
    std::ifstream in(item.path());
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
      ++number;
      if (std::regex_search(line, pattern)) {
        offenders.push_back(item.path().string() + ":" + std::to_string(number) + ": " + line);
      }
    }
  }
  return offenders;
}

TEST(LayeringTest, CoreAndPlatformIncludeNoQtHeader) {
  for (const char* area : {"core", "platform"}) {
    const std::filesystem::path root = std::filesystem::path(QUILLORN_SOURCE_DIR) / area;
    ASSERT_TRUE(std::filesystem::is_directory(root)) << root;
    const std::vector<std::string> offenders = includesUnder(root, kQtInclude);
    EXPECT_TRUE(offenders.empty()) << "Qt header in " << area << ": " << offenders.front();
  }
}

TEST(LayeringTest, CoreIncludesNoSystemHeader) {
  const std::filesystem::path root = std::filesystem::path(QUILLORN_SOURCE_DIR) / "core";
  ASSERT_TRUE(std::filesystem::is_directory(root)) << root;
  const std::vector<std::string> offenders = includesUnder(root, kSystemInclude);
  EXPECT_TRUE(offenders.empty()) << "system header in core: " << offenders.front();
}

TEST(LayeringTest, TheCheckRecognisesQtIncludes) {
  // The pattern itself must catch the usual spellings, or the check above proves nothing.
  const std::filesystem::path probe = std::filesystem::temp_directory_path() / "quillorn-layering-probe";
  std::filesystem::create_directories(probe);
  {
    std::ofstream(probe / "a.cpp") << "#include <QString>\n";
    std::ofstream(probe / "b.h") << "  #  include \"QtWidgets/QDialog\"\n";
    std::ofstream(probe / "c.cpp") << "#include <vector>\n#include \"core/text/ascii.h\"\n";
    std::ofstream(probe / "d.cpp") << "#include <unistd.h>\n# include <sys/stat.h>\n#include <curl/curl.h>\n";
  }
  EXPECT_EQ(includesUnder(probe, kQtInclude).size(), 2u);
  EXPECT_EQ(includesUnder(probe, kSystemInclude).size(), 3u);
  std::filesystem::remove_all(probe);
}

}  // namespace
