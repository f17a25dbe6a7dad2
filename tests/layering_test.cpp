// The layers include only downwards: core/ and platform/ build without any
// toolkit (no Qt header), ui/ builds on them, wizard/ on ui/, and no front end
// includes another's code (the command line builds where Qt is missing). And
// the core makes no system call of its own: under core/ only the C++ standard
// headers (whose names have no '.' and no '/') and the project's own headers
// may be included; the system is reached through platform/.

#include <gtest/gtest.h>

#include <algorithm>
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

// Every line under `root` that includes what `include` matches, as "file:line: text",
// leaving out the files named `exempt` (a name without its folder).
std::vector<std::string> includesUnder(const std::filesystem::path& root, const std::regex& include,
                                       const char* exempt = nullptr) {
  std::vector<std::string> offenders;
  for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
    if (!item.is_regular_file()) continue;
    if (exempt != nullptr && item.path().filename() == exempt) continue;
    const std::string ext = item.path().extension().string();
    if (ext != ".h" && ext != ".hpp" && ext != ".cpp" && ext != ".cc") continue;
    std::ifstream in(item.path());
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
      ++number;
      if (std::regex_search(line, include)) {
        offenders.push_back(item.path().string() + ":" + std::to_string(number) + ": " + line);
      }
    }
  }
  return offenders;
}

std::vector<std::string> qtIncludesUnder(const std::filesystem::path& root) { return includesUnder(root, kQtInclude); }

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

struct LayerRow {
  const char* area;
  const char* forbidden;         // the project folders it may not include from
  const char* exempt = nullptr;  // the one file of the area that may
};

// The includes under `root` (the row's area) that the row forbids.
std::vector<std::string> layerOffenders(const std::filesystem::path& root, const LayerRow& row) {
  const std::regex include(std::string(R"(^\s*#\s*include\s*"()") + row.forbidden + R"()/)");
  return includesUnder(root, include, row.exempt);
}

class LayerIncludesTest : public ::testing::TestWithParam<LayerRow> {};

TEST_P(LayerIncludesTest, IncludesNothingFromTheLayersAboveOrBeside) {
  const std::filesystem::path root = std::filesystem::path(QUILLORN_SOURCE_DIR) / GetParam().area;
  ASSERT_TRUE(std::filesystem::is_directory(root)) << root;
  const std::vector<std::string> offenders = layerOffenders(root, GetParam());
  EXPECT_TRUE(offenders.empty()) << offenders.front();
  if (std::string(GetParam().area) == "cli") {
    EXPECT_TRUE(qtIncludesUnder(root).empty()) << "Qt header in cli";
  }
}

// Every folder of the program has its row. The front ends (wizard/ and
// restorer/ over ui/, cli/ without it) never include one another. Inside the
// core, text/, settings/ and pictures/ stand alone; the shared model sits on
// text/ and the file list on the model; the search, the review and the
// rewrite each build on those, never on one another; backup/ and wording/
// come last, and no pass includes them. repair/ runs the search, the review
// and the rewrite in their order; nothing in the core includes it, and it
// says nothing in words of its own. In the wizard, the pages know the frame
// only as their host (host/), which knows no page and no frame; only the
// table of pages in shell/ includes the pages, and no page includes shell/.
INSTANTIATE_TEST_SUITE_P(
    Layers, LayerIncludesTest,
    ::testing::Values(
        LayerRow{"core", "ui|wizard|cli|restorer"}, LayerRow{"platform", "core|ui|wizard|cli|restorer"},
        LayerRow{"ui", "wizard|cli|restorer"}, LayerRow{"wizard", "cli|restorer"}, LayerRow{"restorer", "wizard|cli"},
        LayerRow{"cli", "ui|wizard|restorer"},
        LayerRow{"core/text", "core/(settings|pictures|model|files|search|review|rewrite|backup|wording|repair)"},
        LayerRow{"core/settings", "core/(text|pictures|model|files|search|review|rewrite|backup|wording|repair)"},
        LayerRow{"core/pictures", "core/(text|settings|model|files|search|review|rewrite|backup|wording|repair)"},
        LayerRow{"core/model", "core/(search|review|rewrite|backup|settings|files|pictures|wording|repair)"},
        LayerRow{"core/files", "core/(search|review|rewrite|backup|settings|pictures|wording|repair)"},
        LayerRow{"core/search", "core/(review|rewrite|backup|wording|repair)"},
        LayerRow{"core/review", "core/(search|rewrite|backup|wording|repair)"},
        LayerRow{"core/rewrite", "core/(search|review|backup|wording|repair)"},
        LayerRow{"core/backup", "core/(search|review|wording|repair)"},
        LayerRow{"core/wording", "core/(search|review|repair)"}, LayerRow{"core/repair", "core/(backup|wording)"},
        LayerRow{"wizard/resources", "wizard/(host|shell|welcome|files|search|review|rewrite)"},
        LayerRow{"wizard/host", "wizard/(shell|welcome|files|search|review|rewrite)"},
        LayerRow{"wizard/shell", "wizard/(welcome|files|search|review|rewrite)", "step_table.cpp"},
        LayerRow{"wizard/welcome", "wizard/shell"}, LayerRow{"wizard/files", "wizard/shell"},
        LayerRow{"wizard/search", "wizard/shell"}, LayerRow{"wizard/review", "wizard/shell"},
        LayerRow{"wizard/rewrite", "wizard/shell"}),
    [](const ::testing::TestParamInfo<LayerRow>& info) {
      std::string name = info.param.area;
      std::replace(name.begin(), name.end(), '/', '_');
      return name;
    });

TEST(LayeringTest, TheLayerCheckRecognisesProjectIncludes) {
  const std::filesystem::path probe = std::filesystem::temp_directory_path() / "quillorn-layering-layers";
  std::filesystem::create_directories(probe);
  {
    std::ofstream(probe / "a.cpp") << "#include \"wizard/shell/frame.h\"\n#include \"ui/list_box.h\"\n";
    std::ofstream(probe / "b.h") << "#include \"core/text/ascii.h\"\n// #include \"cli/x.h\" in words\n";
  }
  const std::vector<std::string> offenders = includesUnder(probe, std::regex(R"(^\s*#\s*include\s*"(ui|wizard|cli)/)"));
  std::filesystem::remove_all(probe);
  EXPECT_EQ(offenders.size(), 2u);
}

TEST(LayeringTest, OnlyTheExemptFileOfARowMayIncludeWhatItForbids) {
  const std::filesystem::path probe = std::filesystem::temp_directory_path() / "quillorn-layering-exempt";
  std::filesystem::create_directories(probe / "sub");
  {
    std::ofstream(probe / "step_table.cpp") << "#include \"wizard/files/add_files_page.h\"\n";
    std::ofstream(probe / "frame.cpp") << "#include \"wizard/host/wizard_host.h\"\n#include \"wizard/review/x.h\"\n";
    std::ofstream(probe / "sub" / "step_table.h") << "#include \"wizard/search/y.h\"\n";
  }
  const std::vector<std::string> offenders =
      layerOffenders(probe, {"probe", "wizard/(welcome|files|search|review|rewrite)", "step_table.cpp"});
  std::filesystem::remove_all(probe);
  ASSERT_EQ(offenders.size(), 2u);
  for (const std::string& offender : offenders) EXPECT_EQ(offender.find("step_table.cpp"), std::string::npos);
}

}  // namespace
