#include "core/files/file_list.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <optional>
#include <system_error>
#include <unordered_set>
#include <utility>

#include "core/text/ascii.h"
#include "platform/host_path.h"

namespace quillorn {

namespace fs = std::filesystem;

namespace {

constexpr bool isSeparator(char c) { return c == '\\' || c == '/'; }

// The order of a folder's files and subfolders: bytes compared as unsigned
// values after 'a'..'z' fold onto 'A'..'Z', so "_x" sorts after "Z".
bool foldedLess(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto x = static_cast<unsigned char>(asciiUpper(a[i]));
    const auto y = static_cast<unsigned char>(asciiUpper(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

bool stopRequested(const StopPoll& pollStop) { return pollStop && pollStop(); }

// folder, a '\' unless it already ends with one, and name.
std::string joinPath(std::string_view folder, std::string_view name) {
  std::string path;
  path.reserve(folder.size() + 1 + name.size());
  path.append(folder);
  if (path.empty() || path.back() != '\\') path.push_back('\\');
  path.append(name);
  return path;
}

// The path text of one name read from a folder; false when it has none. A
// POSIX name may hold a '\', which path text would read as a separator and
// so name some other file: such a name is left out.
bool nameAsPathText(const fs::path& name, std::string& text) {
  try {
    text = name.string();  // may throw on Windows when the name has no ANSI form
  } catch (const std::exception&) {
    return false;
  }
#ifndef _WIN32
  if (text.find('\\') != std::string::npos) return false;
#endif
  return !text.empty();
}

struct Subfolder {
  std::string name;  // path text
  fs::path host;
  bool throughLink;  // reached through a symbolic link or junction
};

struct LeftOutName {
  std::string name;  // path text
  LeftOutEntry::Kind kind;
};

struct FolderListing {
  std::vector<std::string> files;  // path text names, in enumeration order
  std::vector<Subfolder> subfolders;
  std::vector<LeftOutName> leftOut;  // in enumeration order
  bool stopped = false;
};

// Whether a name is left out, and as what, from what asking for its type
// (links followed) gave: `type`, or `error` when that failed. A link whose
// target does not exist, or whose links loop, leads to no file a browser
// could open; a name that is no link and does not exist stays a name, and so
// does one whose target cannot be asked about (no permission): it may well be
// a file.
std::optional<LeftOutEntry::Kind> leftOutAs(fs::file_type type, const std::error_code& error, bool isLink) {
  const bool nowhere = type == fs::file_type::not_found || error == std::errc::no_such_file_or_directory ||
                       error == std::errc::not_a_directory || error == std::errc::too_many_symbolic_link_levels;
  if (nowhere) return isLink ? std::optional(LeftOutEntry::Kind::LinkToNoFile) : std::nullopt;
  if (error) return std::nullopt;
  switch (type) {
    case fs::file_type::regular:
    case fs::file_type::directory: return std::nullopt;  // a folder chosen as a file stays a name, as it always was
    case fs::file_type::fifo: return LeftOutEntry::Kind::NamedPipe;
    case fs::file_type::socket: return LeftOutEntry::Kind::Socket;
    case fs::file_type::block:
    case fs::file_type::character: return LeftOutEntry::Kind::Device;
    default: return LeftOutEntry::Kind::Other;
  }
}

// How an entry that is no folder is left out; nothing when it is listed as a
// file. `statusError` is what asking whether it is a folder reported. The
// enumeration's own type answers for every name that is no link, so only
// links and the rare others are looked at again.
std::optional<LeftOutEntry::Kind> unlistedKind(const fs::directory_entry& entry, const std::error_code& statusError) {
  std::error_code error = statusError;
  fs::file_type type = fs::file_type::none;
  if (!error) {
    if (entry.is_regular_file(error)) return std::nullopt;
    if (!error) type = entry.status(error).type();
  }
  std::error_code linkError;
  return leftOutAs(type, error, entry.is_symlink(linkError));
}

// Reads one folder's names in the order the file system gives them. Whatever
// cannot be read (the folder itself, or the rest of it after an error) is an
// empty enumeration from there on. Polls after each file name.
FolderListing readFolder(const fs::path& host, bool recurse, const StopPoll& pollStop) {
  FolderListing listing;
  std::error_code error;
  const fs::directory_iterator end;
  for (fs::directory_iterator it(host, error); !error && it != end; it.increment(error)) {
    const fs::directory_entry& entry = *it;
    std::string name;
    if (!nameAsPathText(entry.path().filename(), name)) continue;

    std::error_code statusError;
    bool isFolder = entry.is_directory(statusError);  // follows links
    fs::file_type ownType = fs::file_type::none;
    if (isFolder || statusError) {
      std::error_code linkError;
      ownType = entry.symlink_status(linkError).type();
      // A folder whose target cannot be asked about is still a folder.
      if (statusError && ownType == fs::file_type::directory) isFolder = true;
    }

    if (isFolder) {
      if (recurse) listing.subfolders.push_back({std::move(name), entry.path(), ownType != fs::file_type::directory});
      continue;
    }
    if (const std::optional<LeftOutEntry::Kind> kind = unlistedKind(entry, statusError)) {
      listing.leftOut.push_back({std::move(name), *kind});
    } else {
      listing.files.push_back(std::move(name));
    }
    if (stopRequested(pollStop)) {
      listing.stopped = true;
      break;
    }
  }
  return listing;
}

// What tells one folder from another however it was reached.
fs::path folderIdentity(const fs::path& host) {
  std::error_code error;
  fs::path identity = fs::canonical(host, error);
  if (!error) return identity;
  identity = fs::absolute(host, error);
  return error ? host.lexically_normal() : identity.lexically_normal();
}

}  // namespace

bool collapseDotDotSegments(std::string& path) {
  // The text before `write` is the collapsed prefix; the text from `read` on is
  // still to be scanned. A removed ".." leaves its following separator (or the
  // end) at the place of the earlier separator, which is looked at again, so
  // chains of ".." collapse one after another.
  std::size_t write = 0;
  std::size_t read = 0;
  const std::size_t size = path.size();
  while (read < size) {
    const bool dotDot = isSeparator(path[read]) && read + 2 < size && path[read + 1] == '.' && path[read + 2] == '.' &&
                        (read + 3 == size || isSeparator(path[read + 3]));
    if (!dotDot) {
      path[write++] = path[read++];
      continue;
    }
    std::size_t earlier = write;
    while (earlier > 0 && !isSeparator(path[earlier - 1])) --earlier;
    if (earlier == 0) return false;  // no component left to remove: above the root
    --earlier;
    read += 3;
    if (read == size) {
      write = earlier + 1;  // the earlier separator stays as the last character
    } else {
      write = earlier;
    }
  }
  path.resize(write);
  return true;
}

std::string_view lastPathComponent(std::string_view text) {
  std::size_t separator = text.rfind('\\');
  if (separator == std::string_view::npos) separator = text.rfind('/');
  return separator == std::string_view::npos ? text : text.substr(separator + 1);
}

bool FileList::takesSelected(const std::string& path) {
  const fs::path host = platform::toHostPath(path);
  std::error_code error;
  const fs::file_type type = fs::status(host, error).type();  // follows links
  std::error_code linkError;
  const std::optional<LeftOutEntry::Kind> kind =
      leftOutAs(type, error, fs::symlink_status(host, linkError).type() == fs::file_type::symlink);
  if (!kind) return true;
  leaveOut(path, *kind);
  return false;
}

void FileList::addSelectedFiles(const std::vector<std::string>& selection, const StopPoll& pollStop) {
  if (selection.empty()) return;
  setBrowseLocation(selection.front());
  const std::size_t before = count();
  if (selection.size() == 1) {
    if (!knownWhenAdding(selection.front(), before) && takesSelected(selection.front())) append(selection.front());
    return;
  }
  const std::string& folder = selection.front();
  for (std::size_t i = 1; i < selection.size(); ++i) {
    std::string path = joinPath(folder, selection[i]);
    if (!knownWhenAdding(path, before) && takesSelected(path)) append(std::move(path));
    if (stopRequested(pollStop)) return;
  }
}

PassEnd FileList::addFolder(bool recurse, std::string_view folder, const StopPoll& pollStop) {
  setBrowseLocation(folder);

  struct Frame {
    std::string folder;  // path text
    fs::path identity;
    std::vector<Subfolder> subfolders;  // sorted
    std::size_t next = 0;
  };
  // The walk keeps its own stack rather than recursing, so the depth of the
  // tree is bounded by memory, not by the call stack.
  std::vector<Frame> pending;
  std::unordered_set<fs::path::string_type> entered;

  // Reads and inserts one folder; false when the user stopped.
  auto enter = [&](std::string folderText, const fs::path& host, fs::path identity) {
    if (!entered.insert(identity.native()).second) return true;
    FolderListing listing = readFolder(host, recurse, pollStop);

    const std::size_t before = count();
    std::vector<std::string> batch;
    batch.reserve(listing.files.size());
    for (const std::string& name : listing.files) {
      std::string path = joinPath(folderText, name);
      if (!knownWhenAdding(path, before)) batch.push_back(std::move(path));
    }
    std::stable_sort(batch.begin(), batch.end(), foldedLess);
    for (std::string& path : batch) append(std::move(path));
    // Named in the same order as the files, whatever order the folder gave.
    std::stable_sort(listing.leftOut.begin(), listing.leftOut.end(),
                     [](const LeftOutName& a, const LeftOutName& b) { return foldedLess(a.name, b.name); });
    for (LeftOutName& item : listing.leftOut) leaveOut(joinPath(folderText, item.name), item.kind);

    if (listing.stopped) return false;
    if (recurse && !listing.subfolders.empty()) {
      std::stable_sort(listing.subfolders.begin(), listing.subfolders.end(),
                       [](const Subfolder& a, const Subfolder& b) { return foldedLess(a.name, b.name); });
      pending.push_back({std::move(folderText), std::move(identity), std::move(listing.subfolders), 0});
    }
    return true;
  };

  const fs::path host = platform::toHostPath(folder);
  if (!enter(std::string(folder), host, folderIdentity(host))) return PassEnd::Stopped;

  while (!pending.empty()) {
    Frame& top = pending.back();
    if (top.next == top.subfolders.size()) {
      pending.pop_back();
      continue;
    }
    const Subfolder& sub = top.subfolders[top.next++];
    fs::path identity;
    if (sub.throughLink) {
      std::error_code error;
      identity = fs::canonical(sub.host, error);
      if (error) continue;  // a link that leads nowhere readable
    } else {
      identity = top.identity / sub.host.filename();
    }
    std::string childText = joinPath(top.folder, sub.name);
    const fs::path childHost = sub.host;
    // `top` and `sub` may dangle from here on: enter() can grow `pending`.
    if (!enter(std::move(childText), childHost, std::move(identity))) return PassEnd::Stopped;
  }
  return PassEnd::Done;
}

void FileList::removeSelected(const std::vector<std::size_t>& indices) {
  std::vector<bool> doomed(count(), false);
  bool any = false;
  for (std::size_t index : indices) {
    if (index < doomed.size()) {
      doomed[index] = true;
      any = true;
    }
  }
  if (!any) return;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < paths_.size(); ++i) {
    if (!doomed[i]) {
      if (kept != i) paths_[kept] = std::move(paths_[i]);
      ++kept;
    }
  }
  paths_.resize(kept);
  rebuildIndexes();
}

void FileList::removeAll() {
  paths_.clear();
  byPath_.clear();
  byFileName_.clear();
  leftOut_.clear();
  leftOutPaths_.clear();
}

void FileList::leaveOut(std::string path, LeftOutEntry::Kind kind) {
  if (!leftOutPaths_.insert(path).second) return;
  leftOut_.push_back({std::move(path), kind});
}

const std::vector<std::size_t>* FileList::entriesFolding(std::string_view path, std::string& collapsed) const {
  collapsed.assign(path);
  if (!collapseDotDotSegments(collapsed)) return nullptr;
  const auto found = byPath_.find(asciiUpperCopy(collapsed));
  return found == byPath_.end() ? nullptr : &found->second;
}

std::int64_t FileList::findByPath(std::string_view path, std::size_t n) const {
  std::string collapsed;
  const std::vector<std::size_t>* entries = entriesFolding(path, collapsed);
  if (entries == nullptr) return -1;
  const std::size_t first = entries->front();
  return first < n ? static_cast<std::int64_t>(first) : -1;
}

std::int64_t FileList::findByFileName(std::string_view text, std::size_t start) const {
  const std::span<const std::size_t> indices = sameNameEntries(text);
  const auto at = std::lower_bound(indices.begin(), indices.end(), start);
  return at == indices.end() ? -1 : static_cast<std::int64_t>(*at);
}

std::span<const std::size_t> FileList::sameNameEntries(std::string_view text) const {
  const auto found = byFileName_.find(asciiUpperCopy(lastPathComponent(text)));
  if (found == byFileName_.end()) return {};
  return found->second;
}

FileList::PathMatch FileList::matchPath(std::string_view path, std::size_t n) const {
  PathMatch match;
  std::string collapsed;
  const std::vector<std::size_t>* entries = entriesFolding(path, collapsed);
  if (entries == nullptr || entries->front() >= n) return match;
  match.first = static_cast<std::int64_t>(entries->front());
  for (std::size_t index : *entries) {
    if (index >= n) break;
    if (paths_[index] == collapsed) {
      match.exact = static_cast<std::int64_t>(index);
      break;
    }
  }
  return match;
}

bool FileList::knownWhenAdding(std::string_view path, std::size_t n) const {
#ifdef _WIN32
  return findByPath(path, n) >= 0;
#else
  // A case-sensitive file system can hold names that differ only in case;
  // both are real files, and dropping one would leave it out of the repair.
  return matchPath(path, n).exact >= 0;
#endif
}

void FileList::append(std::string path) {
  paths_.push_back(std::move(path));
  indexEntry(paths_.size() - 1);
}

void FileList::indexEntry(std::size_t index) {
  const std::string& path = paths_[index];
  byPath_[asciiUpperCopy(path)].push_back(index);
  byFileName_[asciiUpperCopy(lastPathComponent(path))].push_back(index);
}

void FileList::rebuildIndexes() {
  byPath_.clear();
  byFileName_.clear();
  for (std::size_t i = 0; i < paths_.size(); ++i) indexEntry(i);
}

void FileList::setBrowseLocation(std::string_view text) {
  lastBrowseLocation.assign(text.substr(0, std::min(text.size(), kMaxBrowseLocation)));
}

}  // namespace quillorn
