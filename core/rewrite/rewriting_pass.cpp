#include "core/rewrite/rewriting_pass.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "core/model/file_kind.h"
#include "core/rewrite/tag_rewriter.h"
#include "core/text/document_buffer.h"
#include "platform/file_access.h"
#include "platform/host_path.h"

namespace quillorn {
namespace {

namespace fs = std::filesystem;

// "Done (12 of 15 URL(s) processed successfully)", with ", 2 file(s) skipped"
// before the closing parenthesis when files were left as they were.
std::string doneText(std::int64_t processedTotal, std::size_t entryCount, std::size_t skippedCount) {
  std::string text = "Done (" + std::to_string(processedTotal) + " of " + std::to_string(entryCount) +
                     " URL(s) processed successfully";
  if (skippedCount > 0) text += ", " + std::to_string(skippedCount) + " file(s) skipped";
  text += ')';
  return text;
}

std::string statusLine(std::string_view path, std::size_t byteCount, Encoding encoding) {
  std::string line = "Processing \"" + platform::displayPath(path) + "\" (" + std::to_string(byteCount) + " bytes)";
  line += encodingLabel(encoding);
  if (encoding == Encoding::Utf16) line += ')';
  return line;
}

// Makes the renames of a folder durable once the pass has left that folder
// (the list holds a folder's files together), instead of after every file:
// each rename is atomic on its own, so until then a crash leaves every name
// with either its old or its new content, whole.
class FolderSync {
 public:
  FolderSync() = default;
  FolderSync(const FolderSync&) = delete;
  FolderSync& operator=(const FolderSync&) = delete;
  ~FolderSync() { flush(); }
  void touched(const fs::path& folder) {
    if (folder == pending_) return;
    flush();
    pending_ = folder;
  }
  void flush() {
    if (!pending_.empty()) platform::syncFolder(pending_);
    pending_.clear();
  }

 private:
  fs::path pending_;
};

struct Written {
  bool done = false;
  SkipReason reason = SkipReason::WriteFailed;
  int error = 0;
};

Written failed(int error) {
  return {false, error == EEXIST ? SkipReason::BackupExists : SkipReason::WriteFailed, error};
}

// Carries out a plan to rewrite: the new file is written whole beside the
// target and takes its place only if the target is still the file the plan
// read.
Written write(const FilePlan& plan, bool makeBackups) {
  platform::FileReplacement replacement;
  if (const int error = replacement.begin(plan.target); error != 0) return {false, SkipReason::WriteFailed, error};
  // Only a big-endian file needs its new content copied (to swap it back):
  // every other file's content goes out as the plan holds it.
  std::string swapped;
  const std::string& bytes = plan.document.storedBigEndian ? (swapped = plan.fileBytes()) : plan.newText;
  if (const int error = replacement.write(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
      error != 0) {
    return {false, SkipReason::WriteFailed, error};
  }
  const platform::FileStamp& old = plan.document.stamp;
  platform::NewFileLook look;
  look.mode = rewrittenFileMode(old.mode);
  look.keepOwner = true;
  look.owner = old.owner;
  look.group = old.group;
  look.copyFrom = plan.target;
  if (const int error = replacement.finish(look); error != 0) {
    return {false, replacement.lookNotKept() ? SkipReason::AccessNotKept : SkipReason::WriteFailed, error};
  }
  // Someone may have changed the file while its new content was written, or
  // put a link in its place, which is never written.
  const platform::FileStamp now = platform::stampOf(plan.target);
  if (now.kind == platform::FileStamp::Kind::Link) return {false, SkipReason::IsLink, 0};
  if (!platform::sameFileUnchanged(now, old)) return {false, SkipReason::ChangedSinceSearch, 0};
  const int error = makeBackups ? replacement.commitKeeping(plan.backup) : replacement.commit();
  if (error != 0) return failed(error);
  return {true, SkipReason::WriteFailed, 0};
}

}  // namespace

Outcome<RewritePassOutcome, DiskFailure> runRewritingPass(RewritePassContext& context) {
  ProgressPanel& panel = context.panel;
  RewritePassOutcome outcome;
  const std::size_t fileCount = context.files.count();
  const auto upperBound = static_cast<std::int64_t>(fileCount);
  panel.setPanelStatus(PanelStatus::Running, kRunningText);
  panel.setOverallProgress(upperBound, fileCount > 0 ? 1 : 0);

  const std::vector<std::vector<std::size_t>> entries = entriesByFile(context.urls, fileCount);
  const RewritePlanInput input{context.settings, context.files, context.urls, context.lock, entries};
  std::int64_t processedTotal = 0;
  FolderSync folders;
  for (std::size_t i = 0; i < fileCount; ++i) {
    const FilePlan plan = planFile(input, i);
    FileSkip skip{i, plan.reason, 0};
    bool skipped = plan.action == FilePlan::Action::Skip;
    if (plan.action == FilePlan::Action::Unchanged) processedTotal += static_cast<std::int64_t>(plan.occurrences);
    if (plan.action == FilePlan::Action::Rewrite) {
      const Written written = write(plan, context.settings.makeBackups);
      if (written.done) {
        folders.touched(plan.target.parent_path());
        context.panel.appendStatusLine(statusLine(context.files.path(i), plan.document.size(), plan.document.encoding));
        processedTotal += static_cast<std::int64_t>(plan.occurrences);
      } else if (platform::errorEndsEveryWrite(written.error)) {
        DiskFailure failure{platform::displayPath(context.files.path(i)), written.error, processedTotal};
        panel.setPanelStatus(PanelStatus::Stopped, "Disk writing error on \"" + failure.file + "\" (" +
                                                       platform::errorText(written.error) +
                                                       "): the file keeps its old content");
        return Failed{std::move(failure)};
      } else {
        skipped = true;
        skip.reason = written.reason;
        skip.error = written.error;
      }
    }
    outcome.tally.add(plan, plan.action == FilePlan::Action::Rewrite && !skipped);
    if (skipped) {
      outcome.skipped.push_back(skip);
      if (context.reportSkip) context.reportSkip(skip);
    }
    panel.setOverallProgress(upperBound, static_cast<std::int64_t>(i) + 1);
    if (panel.pollStopRequest() && (!context.confirmStop || context.confirmStop())) {
      outcome.end = PassEnd::Stopped;
      outcome.processedTotal = processedTotal;
      outcome.statusText = std::string(kStoppedText);
      panel.setPanelStatus(PanelStatus::Stopped, outcome.statusText);
      return outcome;
    }
  }

  folders.flush();
  outcome.processedTotal = processedTotal;
  outcome.statusText = doneText(processedTotal, context.urls.count(), outcome.skipped.size());
  panel.setPanelStatus(PanelStatus::Done, outcome.statusText);
  return outcome;
}

std::vector<fs::path> recoverInterruptedRewritesIn(const fs::path& folder) {
  std::vector<fs::path> temporaries;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (const std::optional<std::string> target = platform::targetNameOfTemporary(it->path().filename().string())) {
      temporaries.push_back(folder / *target);
    }
  }
  std::vector<fs::path> recovered;
  for (fs::path& target : temporaries) {
    fs::path backup = target;
    backup += kBackupSuffix;
    if (platform::recoverTemporary(target, backup) == platform::Recovery::RemovedUnfinished) {
      recovered.push_back(std::move(target));
    }
  }
  return recovered;
}

std::vector<fs::path> recoverInterruptedRewrites(const FileList& files, const SiteLock& lock) {
  std::set<fs::path> asListed;
  for (const std::string& path : files.paths()) {
    const fs::path host = platform::toHostPath(path);
    asListed.insert(host.has_parent_path() ? host.parent_path() : fs::path("."));
  }
  std::set<fs::path> folders;
  for (const fs::path& folder : asListed) {
    std::error_code error;
    fs::path real = fs::canonical(folder, error);
    if (!error && lock.coversFolder(real)) folders.insert(std::move(real));
  }
  std::vector<fs::path> recovered;
  for (const fs::path& folder : folders) {
    std::vector<fs::path> here = recoverInterruptedRewritesIn(folder);
    recovered.insert(recovered.end(), std::make_move_iterator(here.begin()), std::make_move_iterator(here.end()));
  }
  return recovered;
}

}  // namespace quillorn
