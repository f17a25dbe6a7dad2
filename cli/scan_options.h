#pragma once
// The options of `quillorn-cli scan`: one --X / --no-X pair per search option
// of the wizard's page 3, the folder walk's subfolder switch, and the output
// form, as option tables that `fix` shares.
//
// Known limits: the wizard's stored options are not read; every option starts
// from the wizard's defaults, and of --X and --no-X the later wins.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/option_table.h"
#include "core/settings/settings.h"

namespace quillorn::cli {

// The forms of scan's report (--format).
enum class ReportFormat { Text, Json, Sarif, Junit, Markdown, Html };

struct ScanOptions {
  Settings settings;                         // defaults of a fresh machine; the registry is not read
  std::vector<std::string> paths;            // as given on the command line
  ReportFormat format = ReportFormat::Text;  // --format (--json: Json)
  std::optional<std::string> output;         // --output FILE: the report goes there
  bool help = false;
};

struct ParseResult {
  bool ok = true;
  std::string error;  // one line naming the offending argument
  ScanOptions options;
  ParsedOptions values;  // every option as the arguments gave it, the added ones too
};

// The form a --format word names ("text", "json", "sarif", "junit",
// "markdown", "html").
std::optional<ReportFormat> reportFormatNamed(std::string_view word);

// -h and --help, which every command takes and lists last in its help.
std::span<const OptionRow> helpOptions();

// Parses the arguments that follow "scan". Later options override earlier ones.
ParseResult parseScanOptions(const std::vector<std::string>& args);

// The same for a command that takes scan's options and those of `added`
// (their values are the caller's to read from the result's `values`).
ParseResult parseSearchOptions(const std::vector<std::string>& args, OptionTables added);

// The --help text of `scan`.
std::string scanHelpText();

}  // namespace quillorn::cli
