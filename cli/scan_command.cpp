#include "cli/scan_command.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <ostream>
#include <streambuf>

#include "cli/finding_places.h"
#include "cli/run_summary.h"
#include "cli/scan_options.h"
#include "cli/scan_report.h"
#include "cli/site_report.h"
#include "cli/site_search.h"
#include "cli/terminal_text.h"
#include "core/review/results.h"
#include "core/search/search_pass.h"
#include "platform/code_page.h"
#include "platform/host_path.h"

namespace quillorn::cli {
namespace {

// Why the report may not go to `file`: it is one of the files searched (the
// report would replace a page of the site), a folder, or in no folder; empty
// when it may.
std::string outputRefusal(const std::string& file, const FileList& files) {
  std::error_code error;
  const std::filesystem::path path = std::filesystem::absolute(file, error).lexically_normal();
  if (std::filesystem::is_directory(path, error)) return "it is a folder";
  // Said before the search, not after it.
  if (!std::filesystem::is_directory(path.parent_path(), error)) return "its folder does not exist";
  const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
  for (const std::filesystem::path& candidate : {path, canonical}) {
    if (!candidate.empty() && files.findByPath(platform::toPathText(candidate)) >= 0) {
      return "it is a file of the site; write the report elsewhere";
    }
  }
  return {};
}

// Standard output for a file descriptor: what is written goes to it in
// blocks, and a failed write leaves the stream bad.
class DescriptorBuffer final : public std::streambuf {
 public:
  explicit DescriptorBuffer(int descriptor) : descriptor_(descriptor) { setp(block_, block_ + sizeof block_); }
  int writeError() const { return error_; }

 protected:
  int_type overflow(int_type c) override {
    if (!drain()) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }
  int sync() override { return drain() ? 0 : -1; }

 private:
  bool drain() {
    for (char* p = pbase(); p < pptr();) {
      const ssize_t count = ::write(descriptor_, p, static_cast<std::size_t>(pptr() - p));
      if (count < 0 && errno == EINTR) continue;
      if (count <= 0) {
        error_ = count < 0 ? errno : EIO;
        return false;
      }
      p += count;
    }
    setp(block_, block_ + sizeof block_);
    return true;
  }

  int descriptor_;
  int error_ = 0;
  char block_[1 << 16];
};

// Writes the report that `write` writes to `file` whole: into a new file
// beside it that then takes its name, so a failure leaves what was there.
// Empty when written, else why not.
std::string writeReport(const std::string& file, const std::function<void(std::ostream&)>& write) {
  namespace fs = std::filesystem;
  const fs::path target(file);
  const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  const int descriptor = mkstemp(temp.data());
  if (descriptor < 0) return std::strerror(errno);
  DescriptorBuffer buffer(descriptor);
  std::ostream out(&buffer);
  write(out);
  out.flush();
  bool written = out.good();
  const int writeError = buffer.writeError();
  // A report is read by others: the permissions a new file of the user's would have.
  const mode_t mask = umask(0);
  umask(mask);
  written = written && fchmod(descriptor, 0666 & ~mask) == 0 && fsync(descriptor) == 0;
  if (::close(descriptor) != 0) written = false;
  std::error_code error;
  if (written) fs::rename(temp, target, error);
  if (!written || error) {
    fs::remove(temp, error);
    return written ? error.message() : std::strerror(writeError != 0 ? writeError : EIO);
  }
  return {};
}

}  // namespace

int runScanCommand(const std::vector<std::string>& args) {
  const ParseResult parsed = parseScanOptions(args);
  if (parsed.options.help) {
    std::cout << scanHelpText();
    return kExitClean;
  }
  if (!parsed.ok) {
    std::cerr << "quillorn-cli scan: " << terminalText(parsed.error) << " (see 'quillorn-cli scan --help')\n";
    return kExitUsage;
  }
  const ScanOptions& options = parsed.options;
  // The progress lines go to standard output unless the report takes it.
  const bool showStatus = options.format == ReportFormat::Text || options.output;
  Repair repair;
  prepareRepair(options, repair);
  if (const Outcome<Done, ExitStatus> collected = collectSite("scan", options, repair); !collected.ok()) {
    return collected.error().code;
  }
  if (options.output) {
    if (const std::string refusal = outputRefusal(*options.output, repair.files()); !refusal.empty()) {
      std::cerr << "quillorn-cli scan: --output " << terminalText(*options.output) << ": " << refusal << '\n';
      return kExitUsage;
    }
  }
  TerminalPanel panel(showStatus ? &std::cout : nullptr, [&repair](std::int64_t index) {
    return platform::displayPath(repair.files().path(static_cast<std::size_t>(index)));
  });
  const Outcome<SearchOutcome, ExitStatus> searched =
      searchSite("scan", repair, panel, options.format == ReportFormat::Json && !options.output);
  if (!searched.ok()) return searched.error().code;
  const SearchOutcome& outcome = searched.value();

  const Settings& settings = repair.settings();
  const std::vector<std::string> folders = pathFolders(options.paths);
  std::vector<std::string> names;
  names.reserve(repair.files().count());
  for (const std::string& path : repair.files().paths()) {
    names.push_back(nameInFolders(platform::toDisplayUtf8(platform::displayPath(path)), folders));
  }
  // The JSON report gives the line and column alone.
  const std::vector<FindingPlace> places =
      findingPlaces(repair.files(), repair.urls(), searchThreads(settings), options.format != ReportFormat::Json);
  const std::vector<EndNotice> notices = endNotices(repair, outcome);
  // Internet URLs that nobody tried are listed apart and are no finding.
  UrlTable findings = withoutNotChecked(settings, repair.urls());
  const std::string summary = scanSummaryLine(repair, findings);
  // The JSON report is written as it is made; the other forms are made whole.
  std::string report;
  ReportJson noticesJson = ReportJson::array();
  if (options.format == ReportFormat::Json) {
    for (const EndNotice& notice : notices) {
      noticesJson.push_back({{"kind", notice.kind}, {"count", notice.count}, {"text", notice.text}});
    }
  } else {
    std::vector<FindingPlace> findingsPlaces;  // the places of `findings`, which keeps the table's order
    findingsPlaces.reserve(findings.count());
    for (std::size_t i = 0; i < repair.urls().count(); ++i) {
      if (!notChecked(settings, repair.urls().entry(i))) findingsPlaces.push_back(places[i]);
    }
    const ResultsFill fill = fillResults(findings, false, false, [] { return false; });
    const SiteReport site =
        siteReport(repair, findings, fill, findingsPlaces, options.paths, outcome, summary, notices, QUILLORN_VERSION);
    switch (options.format) {
      case ReportFormat::Sarif: report = sarifReport(site); break;
      case ReportFormat::Junit: report = junitReport(site); break;
      case ReportFormat::Markdown: report = markdownReport(site); break;
      case ReportFormat::Html: report = htmlReport(site); break;
      case ReportFormat::Text:
      case ReportFormat::Json: report = textReport(site); break;
    }
  }
  const auto writeTo = [&](std::ostream& out) {
    if (options.format == ReportFormat::Json) {
      writeScanReport(out, repair, outcome, panel.lines(), notCheckedLines(settings, repair.urls()), names, places,
                      noticesJson);
    } else {
      out << report;
    }
  };
  if (options.output) {
    if (const std::string failure = writeReport(*options.output, writeTo); !failure.empty()) {
      std::cerr << "quillorn-cli scan: cannot write the report to " << terminalText(*options.output) << ": " << failure
                << '\n';
      return kExitUsage;
    }
    std::cout << outcome.statusText << '\n' << summary << '\n';
  } else {
    writeTo(std::cout);
  }
  std::cout.flush();
  // Last, so that they are not lost above a long report.
  for (const EndNotice& notice : notices) std::cerr << "quillorn-cli scan: " << notice.text << '\n';

  if (outcome.end == PassEnd::Stopped) return kExitStopped;
  if (!notices.empty()) return kExitIncomplete;
  return findings.count() > 0 ? kExitFindings : kExitClean;
}

}  // namespace quillorn::cli
