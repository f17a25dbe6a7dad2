#pragma once
// The file list: the files the program knows as the local web site. Its HTML,
// style-sheet and script entries are what the search reads and the rewriting
// pass changes, and every entry, whatever its type, is a known link target: a
// local link is good exactly when the file it names is in the list.
//
// Entries are path text (platform/host_path.h). Lookups keep their "first
// match in list order" results but go through hash indexes from folded keys,
// so no lookup walks the whole list.
//
// Known limits: an entry is a name, never checked against the disk once it is
// added, so two names of one file (through a link) are two entries; letter
// case is folded for 'a' to 'z' only.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/model/progress_panel.h"

namespace quillorn {

// A name that an add found but left out of the list because it is no regular
// file: reading a named pipe or a device can wait for ever, and none of them,
// nor a link that leads to no file, is a page or a link target a browser
// could load.
struct LeftOutEntry {
  enum class Kind {
    NamedPipe,
    Socket,
    Device,
    LinkToNoFile,  // a symbolic link whose target does not exist, or links that loop
    Other,
  };
  std::string path;  // path text
  Kind kind = Kind::Other;
};

class FileList {
 public:
  std::size_t count() const { return paths_.size(); }
  bool empty() const { return paths_.empty(); }
  const std::string& path(std::size_t index) const { return paths_[index]; }
  const std::vector<std::string>& paths() const { return paths_; }

  // Adds the result of a file chooser: one full path, or a folder followed by
  // file names in it, appended in the order given. Paths already in the list
  // before this call are skipped, and so is a named pipe, socket or device,
  // or a link that leads to no file (left out, see leftOut()); a name that does
  // not exist, or whose target cannot be asked about, is added. Polls after
  // each name of a multiple selection; a stop keeps what was added. Sets
  // lastBrowseLocation to the first string; an empty selection changes
  // nothing.
  void addSelectedFiles(const std::vector<std::string>& selection, const StopPoll& pollStop);

  // Adds the files of `folder` (path text), sorted case-insensitively among
  // themselves, then, when `recurse` is set, each subfolder in sorted order,
  // depth first. A file is a regular file, a link to one or a link whose
  // target cannot be asked about (no permission); a named pipe, socket or
  // device (or a link to one), and a link whose target does not exist or
  // whose links loop, is left out (see leftOut()). Every folder is entered at
  // most once per call, so links that loop back end the walk there; an
  // unreadable folder adds nothing. Polls after each file name. Returns Done,
  // or Stopped when stopped; the files already found in the folder being read
  // are still added. Sets lastBrowseLocation to `folder`.
  PassEnd addFolder(bool recurse, std::string_view folder, const StopPoll& pollStop);

  // Removes the given indices (any order; duplicates and indices past the end
  // are ignored).
  void removeSelected(const std::vector<std::size_t>& indices);
  // Empties the list and forgets what was left out.
  void removeAll();

  // What the adds since the last removeAll() left out, each name once: in the
  // order of the adds, a folder's names sorted as its files are.
  const std::vector<LeftOutEntry>& leftOut() const { return leftOut_; }

  // The index of the first of entries 0 .. n-1 equal to `path` after its ".."
  // segments are collapsed, ignoring ASCII case; -1 when none is, or when the
  // path climbs above its root.
  std::int64_t findByPath(std::string_view path, std::size_t n) const;
  std::int64_t findByPath(std::string_view path) const { return findByPath(path, count()); }
  // Where `path`, its ".." segments collapsed, stands among entries 0 .. n-1:
  // the first entry equal to it ignoring ASCII case (findByPath), and the
  // first equal to it letter case and all; -1 for none.
  struct PathMatch {
    std::int64_t first = -1;
    std::int64_t exact = -1;
  };
  PathMatch matchPath(std::string_view path, std::size_t n) const;
  PathMatch matchPath(std::string_view path) const { return matchPath(path, count()); }

  // The index of the first entry at or after `start` whose last path component
  // equals that of `text` (a path or URL), ignoring ASCII case; -1 when none.
  std::int64_t findByFileName(std::string_view text, std::size_t start = 0) const;
  // Every entry whose last path component equals that of `text`, ignoring
  // ASCII case, in list order; empty when none does.
  std::span<const std::size_t> sameNameEntries(std::string_view text) const;

  // The initial folder of the Browse dialogs: the last chooser result's first
  // string, or the last folder added, cut to kMaxBrowseLocation characters.
  std::string lastBrowseLocation;
  static constexpr std::size_t kMaxBrowseLocation = 263;

 private:
  using IndexMap = std::unordered_map<std::string, std::vector<std::size_t>>;

  // Whether `path` counts as already present among entries 0 .. n-1 when adding.
  bool knownWhenAdding(std::string_view path, std::size_t n) const;
  // The entries whose path folds to that of `path` once its ".." segments are
  // collapsed (into `collapsed`), ascending; nullptr when none does or the
  // path climbs above its root.
  const std::vector<std::size_t>* entriesFolding(std::string_view path, std::string& collapsed) const;
  void append(std::string path);
  void indexEntry(std::size_t index);
  void rebuildIndexes();
  void setBrowseLocation(std::string_view text);
  // Whether a chosen `path` may be listed: false (and left out) when it names
  // something that is no regular file, or is a link that leads to no file.
  bool takesSelected(const std::string& path);
  void leaveOut(std::string path, LeftOutEntry::Kind kind);

  std::vector<std::string> paths_;
  std::vector<LeftOutEntry> leftOut_;
  std::unordered_set<std::string> leftOutPaths_;
  // Folded whole entry -> ascending indices of the entries that fold to it.
  IndexMap byPath_;
  // Folded last path component -> ascending indices.
  IndexMap byFileName_;
};

// `path` with its ".." segments collapsed; false when it climbs above its root.
bool collapseDotDotSegments(std::string& path);

// The last path component: after the last '\', or the last '/' when there is
// no '\', or the whole text.
std::string_view lastPathComponent(std::string_view text);

}  // namespace quillorn
