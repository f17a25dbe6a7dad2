#pragma once
// The options of `quillorn-cli scan`: one --X / --no-X pair per search option
// of the wizard's page 3, the folder walk's subfolder switch, and the output
// form; and the argument parsing that every command shares.
//
// Known limits: the wizard's stored options are not read; every option starts
// from the wizard's defaults, and of --X and --no-X the later wins.

#include <functional>
#include <string>
#include <vector>

#include "core/settings/settings.h"

namespace CLI {
class App;
}

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

// The same for a command that takes scan's options and the ones that
// `addOptions` puts on the parser (their values are the caller's to read once
// this returns).
ParseResult parseSearchOptions(const std::vector<std::string>& args, const std::function<void(CLI::App&)>& addOptions);

// Runs `app` over `args`, in order: "--" ends the options, an argument that
// names no option is an error. Empty when they parse, else one line naming
// the offending argument.
std::string parseArguments(CLI::App& app, std::vector<std::string> args);

// The --help text of `scan`.
const char* scanHelpText();

}  // namespace quillorn::cli
