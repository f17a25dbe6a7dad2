// The core and platform libraries build without any toolkit: nothing under
// core/ or platform/ may include a Qt header.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

std::vector<std::string> qtIncludesUnder(const std::filesystem::path& root) {
  static const std::regex qtInclude(R"(^\s*#\s*include\s*[<"](Q[A-Za-z]+|Qt[A-Za-z]*/[^>"]*|q[a-z]+\.h)[>"])");
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
      if (std::regex_search(line, qtInclude)) {
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
    const std::vector<std::string> offenders = qtIncludesUnder(root);
    EXPECT_TRUE(offenders.empty()) << "Qt header in " << area << ": " << offenders.front();
  }
}

TEST(LayeringTest, TheCheckRecognisesQtIncludes) {
  // The pattern itself must catch the usual spellings, or the check above proves nothing.
  const std::filesystem::path probe = std::filesystem::temp_directory_path() / "quillorn-layering-probe";
  std::filesystem::create_directories(probe);
  {
    std::ofstream(probe / "a.cpp") << "#include <QString>\n";
    std::ofstream(probe / "b.h") << "  #  include \"QtWidgets/QDialog\"\n";
    std::ofstream(probe / "c.cpp") << "#include <vector>\n#include \"core/text/ascii.h\"\n";
  }
  const std::vector<std::string> offenders = qtIncludesUnder(probe);
  std::filesystem::remove_all(probe);
  EXPECT_EQ(offenders.size(), 2u);
}

}  // namespace
