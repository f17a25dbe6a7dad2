#include "cli/site_search.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <optional>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "cli/scan_command.h"
#include "cli/scan_report.h"
#include "cli/terminal_text.h"
#include "core/model/file_kind.h"
#include "core/text/ascii.h"
#include "core/wording/rewriting_texts.h"
#include "platform/code_page.h"
#include "platform/file_access.h"
#include "platform/host_path.h"

namespace quillorn::cli {
namespace {

// Empty when `path` can be read, otherwise why not. Never waits: a named
// pipe or a device is refused without being read.
std::string unreadableReason(const std::filesystem::path& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (error || !fs::exists(status)) return "no such file or folder";
  if (fs::is_directory(status)) {
    fs::directory_iterator probe(path, error);
    if (error) return error.message();
    return {};
  }
  switch (status.type()) {
    case fs::file_type::fifo: return "not a regular file (a named pipe)";
    case fs::file_type::socket: return "not a regular file (a socket)";
    case fs::file_type::block:
    case fs::file_type::character: return "not a regular file (a device)";
    default: break;
  }
  switch (platform::checkReadable(path)) {
    case platform::ReadStatus::Read: return {};
    case platform::ReadStatus::Missing: return "no such file or folder";
    case platform::ReadStatus::NotRegular: return "not a regular file";
    case platform::ReadStatus::TooLarge:
    case platform::ReadStatus::Unreadable: break;
  }
  return "cannot be opened for reading";
}

// Files of a searched type that the search did not read, by why. Those it
// passes over without recording them (not opened, or gone since they were
// listed) are known only when it went through the whole list.
struct UnreadFiles {
  std::int64_t tooLarge = 0;
  std::int64_t notRegular = 0;
  std::int64_t notOpened = 0;
};

UnreadFiles unreadFiles(const Repair& repair, PassEnd end) {
  UnreadFiles unread;
  for (const UnsearchedFile& file : repair.urls().unsearchedFiles()) {
    ++(file.why == Unsearched::TooLarge ? unread.tooLarge : unread.notRegular);
  }
  if (end != PassEnd::Done) return unread;
  const FileList& files = repair.files();
  for (std::size_t i = 0; i < files.count(); ++i) {
    if (fileKind(files.path(i)) == FileKind::Other || repair.urls().source(i) != nullptr) continue;
    if (repair.urls().unsearched(i) == nullptr) ++unread.notOpened;
  }
  return unread;
}

// Says which files of a searched type the search did not read, and why.
std::optional<EndNotice> unreadFilesNotice(const Repair& repair, PassEnd end) {
  const UnreadFiles unread = unreadFiles(repair, end);
  const std::int64_t total = unread.tooLarge + unread.notRegular + unread.notOpened;
  if (total == 0) return std::nullopt;
  std::string reasons;
  const auto reason = [&reasons](std::int64_t count, const std::string& why) {
    if (count == 0) return;
    reasons += (reasons.empty() ? "" : ", ") + std::to_string(count) + " " + why;
  };
  reason(unread.tooLarge, "larger than " + std::to_string(platform::kMaxReadBytes >> 20) + " MiB");
  reason(unread.notRegular, "not a regular file");
  reason(unread.notOpened, "could not be read");
  return EndNotice{"unsearchedFiles", total,
                   std::to_string(total) + " file(s) of the list were not searched (" + reasons +
                       "): the links in them were not checked"};
}

}  // namespace

std::size_t searchedFileCount(const Repair& repair) {
  std::size_t searched = 0;
  for (std::size_t i = 0; i < repair.files().count(); ++i) {
    if (repair.urls().source(i) != nullptr) ++searched;
  }
  return searched;
}

std::size_t findingCount(const Settings& settings, const UrlTable& urls) {
  return static_cast<std::size_t>(std::count_if(urls.entries().begin(), urls.entries().end(),
                                                [&](const UrlEntry& entry) { return !notChecked(settings, entry); }));
}

bool notChecked(const Settings& settings, const UrlEntry& entry) {
  return entry.internetUrl && !settings.checkInternetUrls && entry.target < 0;
}

UrlTable withoutNotChecked(const Settings& settings, const UrlTable& urls, const std::vector<GroupDecision>& decided) {
  std::unordered_set<std::int32_t> decidedGroups;
  for (const GroupDecision& decision : decided) decidedGroups.insert(decision.group);
  UrlTable kept = urls;
  kept.eraseIf(
      [&](const UrlEntry& entry) { return notChecked(settings, entry) && !decidedGroups.contains(entry.groupIndex); });
  return kept;
}

std::vector<ShownLine> shownLines(const Settings& settings, const UrlTable& urls, std::size_t lineCount) {
  std::vector<ShownLine> lines;
  lines.reserve(lineCount);
  for (LineDecision& decision : lineDecisions(urls, lineCount)) lines.push_back({std::move(decision), false});
  // Every entry of a group has the same url, so one not-checked entry marks its line.
  for (const UrlEntry& entry : urls.entries()) {
    if (entry.groupIndex < 0 || static_cast<std::size_t>(entry.groupIndex) >= lineCount) continue;
    ShownLine& line = lines[static_cast<std::size_t>(entry.groupIndex)];
    if (line.notChecked || !notChecked(settings, entry)) continue;
    line.notChecked = true;
    line.decision = {entry.url, false};
  }
  return lines;
}

std::vector<std::string> notCheckedLines(const Settings& settings, const UrlTable& urls) {
  std::vector<std::string> order;                                              // folded urls, as first met
  std::unordered_map<std::string, std::pair<std::string, std::size_t>> byUrl;  // url as first met, count
  for (const UrlEntry& entry : urls.entries()) {
    if (!notChecked(settings, entry)) continue;
    const std::string key = asciiUpperCopy(entry.url);
    const auto [it, added] = byUrl.try_emplace(key, entry.url, 0);
    if (added) order.push_back(key);
    ++it->second.second;
  }
  std::vector<std::string> lines;
  lines.reserve(order.size());
  for (const std::string& key : order) {
    const auto& [url, count] = byUrl[key];
    lines.push_back("NOT CHECKED (" + std::to_string(count) + " URL(s)): \"" + url + "\"");
  }
  return lines;
}

std::vector<EndNotice> endNotices(const Repair& repair, const SearchOutcome& outcome) {
  std::vector<EndNotice> notices;
  if (outcome.droppedFindings > 0) {
    const auto dropped = static_cast<std::int64_t>(outcome.droppedFindings);
    notices.push_back({"droppedFindings", dropped,
                       std::to_string(dropped) + " finding(s) were not recorded: the list holds at most " +
                           std::to_string(UrlTable::kCapacity) + "; search the site in parts"});
  }
  const std::vector<CheckedUrl>& checked = repair.internet().checkedUrls();
  const bool noneReached = !checked.empty() && std::all_of(checked.begin(), checked.end(), [](const CheckedUrl& url) {
    using platform::InternetFailure;
    const InternetFailure failure = url.outcome.failure;
    return !url.outcome.reachable && (failure == InternetFailure::NameNotFound ||
                                      failure == InternetFailure::NoConnection || failure == InternetFailure::TimedOut);
  });
  if (std::optional<EndNotice> unread = unreadFilesNotice(repair, outcome.end)) notices.push_back(std::move(*unread));
  if (noneReached && outcome.end == PassEnd::Done) {
    const auto count = static_cast<std::int64_t>(checked.size());
    notices.push_back({"networkDown", count,
                       "none of the " + std::to_string(count) +
                           " Internet URL(s) checked reached its server (no name resolved, no connection made): the "
                           "network is likely down, and they are reported as broken; --offline leaves them "
                           "unchecked"});
  }
  return notices;
}

bool unverified(const CheckedUrl& checked) {
  const int status = checked.outcome.status;
  return checked.outcome.reachable && status != 0 && (status < 200 || status > 299);
}

std::vector<std::string> unverifiedLines(const InternetSession& internet) {
  std::vector<std::string> lines;
  for (const CheckedUrl& checked : internet.checkedUrls()) {
    if (!unverified(checked)) continue;
    lines.push_back("UNVERIFIED (" + std::to_string(checked.occurrences) + " URL(s), " +
                    std::to_string(checked.outcome.status) + "): \"" + checked.url + "\"");
  }
  return lines;
}

std::filesystem::path folderOf(const std::string& arg) {
  std::error_code error;
  return std::filesystem::is_directory(arg, error) ? std::filesystem::path(arg)
                                                   : std::filesystem::path(arg).parent_path();
}

std::vector<std::string> pathFolders(const std::vector<std::string>& paths) {
  std::vector<std::string> prefixes;
  for (const std::string& arg : paths) {
    std::error_code error;
    // Normal first, as the list's roots are: "x/../site" is "site" though x need not exist.
    const std::filesystem::path path = std::filesystem::absolute(arg, error).lexically_normal();
    if (error) continue;
    std::string prefix = folderOf(path.string()).lexically_normal().string();
    if (prefix.empty() || prefix.back() != '/') prefix += '/';
    prefixes.push_back(std::move(prefix));
  }
  return prefixes;
}

std::string nameInFolders(const std::string& name, const std::vector<std::string>& folders) {
  std::size_t cut = 0;
  for (const std::string& prefix : folders) {
    if (name.size() > prefix.size() && name.starts_with(prefix)) cut = std::max(cut, prefix.size());
  }
  return cut > 0 ? name.substr(cut) : name;
}

void prepareRepair(const ScanOptions& options, Repair& repair) {
  repair.settings() = options.settings;
  for (const std::string& arg : options.paths) {
    repair.addRoot({platform::toPathText(arg), options.settings.includeSubfolders});
  }
}

Outcome<Done, ExitStatus> collectSite(const char* command, const ScanOptions& options, Repair& repair) {
  const std::vector<SiteRoot>& roots = repair.roots();
  for (std::size_t i = 0; i < roots.size(); ++i) {
    const std::string reason = unreadableReason(platform::toHostPath(roots[i].path));
    if (!reason.empty()) {
      std::cerr << "quillorn-cli " << command << ": " << terminalText(options.paths[i]) << ": " << reason << '\n';
      return Failed{ExitStatus{kExitUsage}};
    }
  }

  installStopKey();
  const StopPoll pollStop = [] { return stopRequested(); };
  bool filesGiven = false;
  for (const SiteRoot& root : roots) {
    std::error_code error;
    if (std::filesystem::is_directory(platform::toHostPath(root.path), error)) {
      if (repair.files().addFolder(root.subfolders, root.path, pollStop) == PassEnd::Stopped) break;
    } else {
      filesGiven = true;
      repair.files().addSelectedFiles({root.path}, pollStop);
    }
    if (stopRequested()) break;
  }
  if (stopRequested()) return Done{};
  // Empty folders (or a typing slip) would otherwise give a clean report of nothing.
  if (repair.files().empty()) {
    std::cerr << "quillorn-cli " << command << ": nothing to search: no files in";
    for (const std::string& arg : options.paths) std::cerr << ' ' << terminalText(arg);
    std::cerr << (options.settings.includeSubfolders ? "" : " (--no-subfolders leaves subfolders out)") << '\n';
    return Failed{ExitStatus{kExitUsage}};
  }
  if (filesGiven) {
    std::cerr << "quillorn-cli " << command
              << ": links are judged against the files given only; give the site's folder to judge them against "
                 "the whole site\n";
  }
  return Done{};
}

Outcome<SearchOutcome, ExitStatus> searchSite(const char* command, Repair& repair, TerminalPanel& panel, bool json) {
  if (stopRequested()) {
    SearchOutcome stopped;
    stopped.end = PassEnd::Stopped;
    stopped.statusText = std::string(kStoppedText);
    return stopped;
  }
  panel.setProgressCount(
      static_cast<std::int64_t>(repair.files().count()),
      {"finding(s)", [&repair] { return static_cast<std::int64_t>(findingCount(repair.settings(), repair.urls())); }});
  RepairOutcome<SearchOutcome> searched = repair.search(panel, [](const std::filesystem::path& target) {
    std::cout << terminalText(platform::toDisplayUtf8(clearedLeftoversText(target.string()))) << '\n';
  });
  panel.clearBar();
  if (!searched.ok()) {
    const std::size_t count = repair.files().count();
    std::cerr << "quillorn-cli " << command << ": " << tooManyFilesText(count) << '\n';
    if (json) {
      ReportJson refusal;
      refusal["error"] = "tooManyFiles";
      refusal["message"] = std::string(kTooManyFilesMessage);
      refusal["files"] = count;
      refusal["limit"] = kMaxSearchFiles;
      std::cout << printedJson(refusal);
    }
    return Failed{ExitStatus{kExitUsage}};
  }
  return std::move(searched.value());
}

}  // namespace quillorn::cli
