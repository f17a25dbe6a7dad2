#pragma once
// The options of `quillorn-cli scan`: one --X / --no-X pair per search option
// of the wizard's page 3, the folder walk's subfolder switch, and the output form.

#include <string>
#include <vector>

#include "core/settings/settings.h"

namespace quillorn::cli {

struct ScanOptions {
  Settings settings;               // defaults of a fresh machine; the registry is not read
  std::vector<std::string> paths;  // as given on the command line
  bool json = false;
  bool help = false;
};

struct ParseResult {
  bool ok = true;
  std::string error;  // one line naming the offending argument
  ScanOptions options;
};

// Parses the arguments that follow "scan". Later options override earlier ones.
ParseResult parseScanOptions(const std::vector<std::string>& args);

// The --help text of `scan`.
const char* scanHelpText();

}  // namespace quillorn::cli
