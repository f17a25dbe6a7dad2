#pragma once
// The one place where files are read whole, looked at, and replaced whole.
//
// A replacement is written to a temporary file beside its target (named after
// the target, so that what a killed run left behind can be recognised), flushed,
// given the target's owner, group, permissions, access list and extended
// attributes, and then committed:
//  - without a backup, by one rename over the target;
//  - keeping the old file as a backup, by giving the old file the backup name as
//    a second name (a hard link, which never replaces an existing file), then
//    renaming the new file over the target. Where hard links cannot be made, a
//    copy of the old file (content, permissions, owner, times) is written whole
//    beside it and moved to the backup name (never over an existing file)
//    before the new file takes the target's name.
// So at every instant the target holds its old or its new content, whole, and
// once it holds the new content the backup holds the old. A temporary file
// never holds the only copy of anything: it is unfinished new content, or an
// unfinished copy. recoverTemporary() removes it, and a backup that its run
// made of the unchanged target.
//
// Errors come back as errno values. Every call that changes the disk passes a
// fault point first, where a test can end the process or make the call fail
// (setFaultHook).
//
// Known limits: POSIX only. Without hard links the backup is a copy, not the
// old file itself (its inode and change time are new).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillorn::platform {

// What the file system says about one name.
struct FileStamp {
  enum class Kind { Missing, File, Folder, Link, Other };
  Kind kind = Kind::Missing;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;  // last modification, nanoseconds since the epoch
  std::uint32_t mode = 0;       // permission bits (07777)
  std::uint32_t owner = 0;
  std::uint32_t group = 0;
  std::uint64_t links = 0;
};

// The name itself, not what a link points to. Kind::Missing when it does not
// exist or cannot be looked at.
FileStamp stampOf(const std::filesystem::path& path);

// Whether two stamps describe the same file, unchanged as far as the file
// system tells (the same file, size and modification time).
bool sameFileUnchanged(const FileStamp& a, const FileStamp& b);

// The most bytes a file may hold to be read whole (256 MiB). A page, style
// sheet or script is far smaller; a larger file would take several times its
// size in memory while it is searched and rewritten, so it is left unread.
inline constexpr std::uint64_t kMaxReadBytes = std::uint64_t{256} << 20;

enum class ReadStatus {
  Read,
  Missing,     // nothing has that name
  Unreadable,  // it cannot be opened or read
  NotRegular,  // a folder, named pipe, socket or device: never read
  TooLarge,    // it holds more than the limit: not read
};

// Reads the file at `path` (following links) whole through one descriptor.
// Never waits: the name is opened without blocking (and never becomes the
// controlling terminal), and only a regular file of at most `maxBytes` bytes
// is read; its size is checked before anything is read, and again as it is
// read. `stamp` describes the file that was read, or for NotRegular and
// TooLarge what has the name. `error` (optional) receives the errno value of
// an Unreadable file.
ReadStatus readWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes, FileStamp& stamp,
                         std::uint64_t maxBytes = kMaxReadBytes, int* error = nullptr);

// Whether the file at `path` (following links) is a regular file that can be
// opened for reading: Read when it is, otherwise why not (never TooLarge).
// Never waits, as readWholeFile.
ReadStatus checkReadable(const std::filesystem::path& path);

// Whether this process may create files in `folder`.
bool canCreateIn(const std::filesystem::path& folder);

// Whether an error of writing one file will hit every other file as well: the
// disk or the quota is full, the file-size limit is reached, the device fails.
bool errorEndsEveryWrite(int error);

// The system's text for an errno value.
std::string errorText(int error);

// Makes the renames in `folder` durable; a folder that cannot be synced is not
// an error (some file systems refuse).
void syncFolder(const std::filesystem::path& folder);

// The temporary file of `target`: ".NAME.quillorn-new" beside it.
std::filesystem::path temporaryPathFor(const std::filesystem::path& target);

// The target name that a temporary file name stands for; nothing when `name`
// is not the name of one.
std::optional<std::string> targetNameOfTemporary(std::string_view name);

// Permissions and ownership a new file takes over.
struct NewFileLook {
  std::uint32_t mode = 0600;
  bool keepOwner = false;  // give it `owner` and `group` where the process may
  std::uint32_t owner = 0;
  std::uint32_t group = 0;
  bool keepTimes = false;  // give it these times (nanoseconds since the epoch)
  std::int64_t accessedNs = 0;
  std::int64_t modifiedNs = 0;
  // A file whose access list and extended attributes the new file takes over
  // (the old file it replaces); empty: none.
  std::filesystem::path copyFrom;
};

// New content for one file, written beside it and committed in one step. The
// temporary file is removed when the object goes without a successful commit.
class FileReplacement {
 public:
  FileReplacement() = default;
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;
  FileReplacement(FileReplacement&& other) noexcept;
  FileReplacement& operator=(FileReplacement&& other) noexcept;
  ~FileReplacement();

  // Creates the empty temporary file of `target`. A temporary file of a killed
  // run must have been recovered first: an existing one is an error (EEXIST).
  int begin(const std::filesystem::path& target);

  // Appends bytes; 0 or the errno of the failed write.
  int write(const std::uint8_t* bytes, std::size_t count);

  // Gives the new file its look, flushes it to the disk and closes it. With
  // `look.keepOwner`, an owner or group that cannot be given is an error; so
  // is an access list or extended attribute that cannot be copied (EPERM),
  // and lookNotKept() tells such a failure from one of writing.
  int finish(const NewFileLook& look);
  bool lookNotKept() const { return lookNotKept_; }

  // Renames the new file over the target.
  int commit();

  // Keeps the old file under `backup` and puts the new file in its place.
  // EEXIST when something already has the backup name: nothing is changed then.
  int commitKeeping(const std::filesystem::path& backup);

  // Gives the new file the target's name unless something has it (EEXIST).
  int commitUnlessTaken();

  const std::filesystem::path& temporaryPath() const { return temporary_; }

 private:
  void discard();
  int giveLook(const NewFileLook& look);

  std::filesystem::path target_;
  std::filesystem::path temporary_;
  int fd_ = -1;
  bool pending_ = false;  // a temporary file exists that nothing has taken over
  bool lookNotKept_ = false;
};

// Replaces `target` with `content` (no backup), keeping its permissions when it
// exists; `look` gives those of a new file. 0 or an errno value.
int replaceWholeFile(const std::filesystem::path& target, std::string_view content, const NewFileLook& look);

// Renames `from` to `to` in one step, replacing what `to` names; 0 or an errno
// value.
int moveOver(const std::filesystem::path& from, const std::filesystem::path& to);

// Removes the name `path`; 0 or an errno value.
int removeFile(const std::filesystem::path& path);

enum class Recovery {
  None,               // nothing to do: no such temporary file
  RemovedUnfinished,  // the unfinished temporary file was removed
  Failed,             // the temporary file could not be removed; it stays
};

// Removes what a killed replacement of `target` left in its temporary file,
// `backup` being the target's backup name. A backup that the killed run made
// of the unchanged target (a second name or a copy of it) is removed with it.
Recovery recoverTemporary(const std::filesystem::path& target, const std::filesystem::path& backup);

// Test seam: `hook` runs before every call that changes the disk, with the
// call's name ("open", "write", "fchown", "acl", "fchmod", "xattr", "fsync", "close", "link",
// "rename", "unlink"); it may end the process, or return an errno value that
// the call then fails with instead of being made (0: make it). nullptr
// removes it.
using FaultHook = int (*)(const char* call);
void setFaultHook(FaultHook hook);

}  // namespace quillorn::platform
