#include "core/rewrite/rewrite_plan.h"

#include <optional>
#include <utility>

#include "core/model/file_kind.h"
#include "core/rewrite/tag_rewriter.h"
#include "platform/file_access.h"
#include "platform/host_path.h"

namespace quillorn {
namespace {

using platform::FileStamp;

constexpr std::uint32_t kSetIdBits = 06000;
constexpr std::uint32_t kOwnerWrite = 0200;
constexpr std::uint32_t kAnyWrite = 0222;

FilePlan& skip(FilePlan& plan, SkipReason reason) {
  plan.action = FilePlan::Action::Skip;
  plan.reason = reason;
  return plan;
}

}  // namespace

std::uint32_t rewrittenFileMode(std::uint32_t oldMode) { return ((oldMode & 07777) & ~kSetIdBits) | kOwnerWrite; }

std::string FilePlan::fileBytes() const {
  std::string bytes = newText;
  if (document.storedBigEndian) swapBytePairs(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size());
  return bytes;
}

void RewriteTally::add(const FilePlan& plan, bool written) {
  if (written) {
    ++filesRewritten;
    linksChanged += plan.changedLinks;
    linksKept += plan.links - plan.changedLinks;
  } else if (plan.action == FilePlan::Action::Skip || plan.action == FilePlan::Action::Rewrite) {
    linksInSkippedFiles += plan.links;
  } else {
    // The file is not touched: every link in it stands as it was.
    linksKept += plan.links;
  }
}

FilePlan planFile(const RewritePlanInput& input, std::size_t index) {
  FilePlan plan;
  const std::string& path = input.files.path(index);
  if (fileKind(path) == FileKind::Other) return plan;
  if (const UnsearchedFile* unread = input.urls.unsearched(index)) {
    return skip(plan, unread->why == Unsearched::TooLarge ? SkipReason::NotSearchedTooLarge
                                                          : SkipReason::NotSearchedNotRegular);
  }
  plan.action = FilePlan::Action::Unchanged;
  const std::vector<std::size_t>& entries = input.entries[index];
  plan.occurrences = entries.size();
  plan.links = valueCount(input.urls, entries);
  // Nothing was found in it: whatever it holds now, nothing would change.
  if (entries.empty()) return plan;

  plan.target = platform::toHostPath(path);
  plan.backup = platform::toHostPath(backupPath(path));

  // The entries' positions hold only in the bytes the search read.
  Outcome<DocumentBuffer, LoadFailure> document = loadDocument(path);
  const SourceStamp* read = input.urls.source(index);
  if (!document.ok() || read == nullptr || sourceStampOf(document.value()) != *read) {
    // A link reads what it leads to, which this pass may have rewritten
    // already under its own name: the link itself is never written anyway.
    if (platform::stampOf(plan.target).kind == FileStamp::Kind::Link) return skip(plan, SkipReason::IsLink);
    return skip(plan, SkipReason::ChangedSinceSearch);
  }
  plan.document = std::move(document.value());
  // An empty file is never touched, nor counted.
  if (plan.document.size() == 0) {
    plan.action = FilePlan::Action::Leave;
    return plan;
  }
  detectEncoding(plan.document);

  StringSink sink;
  plan.changedLinks = rewriteDocument(plan.document.view(), input.urls, entries, input.files, input.settings,
                                      static_cast<std::int32_t>(index), sink)
                          .changedValues;
  plan.newText = std::move(sink.text);
  const std::string_view oldText(reinterpret_cast<const char*>(plan.document.bytes.data()), plan.document.bytes.size());
  if (plan.newText == oldText) return plan;

  // Something changes: can the new file take the old one's place safely?
  const FileStamp target = platform::stampOf(plan.target);
  if (target.kind == FileStamp::Kind::Link) return skip(plan, SkipReason::IsLink);
  if (target.kind != FileStamp::Kind::File) return skip(plan, SkipReason::ChangedSinceSearch);
  if (!input.lock.covers(plan.target)) return skip(plan, SkipReason::OutsideFolders);
  if (input.settings.makeBackups) {
    switch (platform::stampOf(plan.backup).kind) {
      case FileStamp::Kind::Missing: break;
      case FileStamp::Kind::File:
      case FileStamp::Kind::Link: return skip(plan, SkipReason::BackupExists);
      case FileStamp::Kind::Folder:
      case FileStamp::Kind::Other: return skip(plan, SkipReason::BackupNameTaken);
    }
  } else if ((target.mode & kAnyWrite) == 0) {
    return skip(plan, SkipReason::ReadOnly);
  }
  if (!platform::canCreateIn(plan.target.parent_path())) return skip(plan, SkipReason::FolderNotWritable);
  plan.action = FilePlan::Action::Rewrite;
  return plan;
}

}  // namespace quillorn
