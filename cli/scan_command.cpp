#include "cli/scan_command.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>

#include "cli/json_writer.h"
#include "cli/scan_options.h"
#include "cli/terminal_panel.h"
#include "core/files/file_list.h"
#include "core/review/results.h"
#include "core/search/search_pass.h"
#include "platform/code_page.h"
#include "platform/host_path.h"

namespace quillorn::cli {
namespace {

// Empty when `path` can be read, otherwise why not.
std::string unreadableReason(const std::filesystem::path& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (error || !std::filesystem::exists(status)) return "no such file or folder";
  if (std::filesystem::is_directory(status)) {
    std::filesystem::directory_iterator probe(path, error);
    if (error) return error.message();
    return {};
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return "cannot be opened for reading";
  return {};
}

void writeJson(std::ostream& out, const FileList& files, const TerminalPanel& panel, const SearchOutcome& outcome,
               const UrlTable& urls, const ResultsFill& results) {
  JsonWriter json(out);
  json.beginObject();
  json.key("files");
  json.beginArray();
  for (const std::string& path : files.paths()) json.value(platform::toDisplayUtf8(platform::displayPath(path)));
  json.endArray();
  json.key("status");
  json.beginArray();
  for (const std::string& line : panel.lines()) json.value(platform::toDisplayUtf8(line));
  json.endArray();
  json.key("summary");
  json.value(outcome.statusText);
  json.key("droppedFindings");
  json.value(static_cast<std::int64_t>(outcome.droppedFindings));
  json.key("entries");
  json.beginArray();
  for (const UrlEntry& entry : urls.entries()) {
    json.beginObject();
    json.key("url");
    json.value(platform::toDisplayUtf8(entry.url));
    json.key("replacement");
    json.value(platform::toDisplayUtf8(entry.replacement));
    json.key("quoteKind");
    json.value(static_cast<std::int64_t>(entry.quoteKind));
    json.key("spanLength");
    json.value(entry.spanLength);
    json.key("valuePos");
    json.value(entry.valuePos);
    json.key("tagPos");
    json.value(entry.tagPos);
    json.key("fileIndex");
    json.value(static_cast<std::int64_t>(entry.fileIndex));
    json.key("action");
    json.value(urlActionName(urlAction(entry)));
    json.endObject();
  }
  json.endArray();
  json.key("results");
  json.beginArray();
  for (const ResultLine& line : results.lines) json.value(platform::toDisplayUtf8(line.text));
  json.endArray();
  json.endObject();
}

}  // namespace

int runScanCommand(const std::vector<std::string>& args) {
  const ParseResult parsed = parseScanOptions(args);
  if (parsed.options.help) {
    std::cout << scanHelpText();
    return kExitClean;
  }
  if (!parsed.ok) {
    std::cerr << "quillorn-cli scan: " << parsed.error << " (see 'quillorn-cli scan --help')\n";
    return kExitUsage;
  }
  const ScanOptions& options = parsed.options;
  for (const std::string& arg : options.paths) {
    const std::string reason = unreadableReason(arg);
    if (!reason.empty()) {
      std::cerr << "quillorn-cli scan: " << arg << ": " << reason << '\n';
      return kExitUsage;
    }
  }

  installStopKey();
  FileList files;
  const StopPoll pollStop = [] { return stopRequested(); };
  for (const std::string& arg : options.paths) {
    const std::string pathText = platform::toPathText(arg);
    std::error_code error;
    if (std::filesystem::is_directory(arg, error)) {
      if (files.addFolder(options.settings.includeSubfolders != 0, pathText, pollStop) == kAddStopped) break;
    } else {
      files.addSelectedFiles({pathText}, pollStop);
    }
    if (stopRequested()) break;
  }

  TerminalPanel panel(options.json ? nullptr : &std::cout,
                      [&files](std::int64_t index) { return platform::displayPath(files.path(static_cast<std::size_t>(index))); });
  UrlTable urls;
  SavedFromTable savedFrom;
  InternetSession internet;
  SearchContext context{options.settings, files, urls, savedFrom, internet, panel};

  SearchOutcome outcome;
  if (stopRequested()) {
    outcome.state = SearchState::Stopped;
    outcome.statusText = std::string(kStoppedText);
  } else {
    outcome = search(context);
  }
  panel.clearBar();
  if (outcome.state == SearchState::Refused) {
    std::cerr << "quillorn-cli scan: " << kTooManyFilesMessage << '\n';
    return kExitUsage;
  }

  const ResultsFill results = fillResults(urls, false, false, [] { return false; });
  if (options.json) {
    writeJson(std::cout, files, panel, outcome, urls, results);
  } else {
    std::cout << outcome.statusText << '\n';
    for (const ResultLine& line : results.lines) std::cout << platform::toDisplayUtf8(line.text) << '\n';
  }
  std::cout.flush();

  if (outcome.state == SearchState::Stopped) return kExitStopped;
  return urls.count() > 0 ? kExitFindings : kExitClean;
}

}  // namespace quillorn::cli
