// quillorn-cli: the search, the repair and the restore of a site from the
// command line, with the same findings and rewrites the wizard gives for the
// same options.

#include <iostream>
#include <string>
#include <vector>

#include "cli/fix_command.h"
#include "cli/scan_command.h"

namespace {

constexpr const char* kUsage = R"HELP(Usage: quillorn-cli COMMAND [options] PATH...

Finds and repairs the broken links of a web site kept as files on disk.

Commands:
  scan     search the site and print what needs attention, with the proposed
           changes
  fix      search the site and rewrite its files with the proposed changes (or
           the decisions of an edited scan report), keeping backups
  restore  put back (or delete) the backups that fix kept
  help     show this text
  version  print the program's version (also --version)

'quillorn-cli COMMAND --help' describes a command's options.
)HELP";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::cerr << kUsage;
    return quillorn::cli::kExitUsage;
  }
  const std::string command = args.front();
  args.erase(args.begin());
  if (command == "scan") return quillorn::cli::runScanCommand(args);
  if (command == "fix") return quillorn::cli::runFixCommand(args);
  if (command == "restore") return quillorn::cli::runRestoreCommand(args);
  if (command == "version" || command == "--version") {
    std::cout << "quillorn-cli " << QUILLORN_VERSION << '\n';
    return 0;
  }
  if (command == "help" || command == "--help" || command == "-h") {
    std::cout << kUsage;
    return 0;
  }
  std::cerr << "quillorn-cli: unknown command '" << command << "' (see 'quillorn-cli --help')\n";
  return quillorn::cli::kExitUsage;
}
