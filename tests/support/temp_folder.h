#pragma once
// A folder of a test's own under the system's temporary folder, and whole-file
// reads and writes for the files the tests make and check.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quillorn::test_support {

// Every byte of `file`; empty when it cannot be read.
std::string readFile(const std::filesystem::path& file);

// Writes `bytes` as the whole of `file`, making the folders above it first.
void writeFile(const std::filesystem::path& file, std::string_view bytes);

// A new, empty folder, removed with everything in it when the object goes.
class TempFolder {
 public:
  // Makes "<temp>/<prefix>-XXXXXX"; throws std::runtime_error when it cannot.
  explicit TempFolder(std::string_view prefix = "quillorn-test");
  // Gives back to the owner every folder permission a test took away (or the
  // tree could not be removed), then removes the tree.
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder's host path.
  const std::filesystem::path& path() const { return path_; }

  // Writes `bytes` to `relative` below the folder, making the folders between;
  // returns the file's host path.
  std::filesystem::path write(const std::filesystem::path& relative, std::string_view bytes) const;
  std::filesystem::path write(const std::filesystem::path& relative, const std::vector<std::uint8_t>& bytes) const;

  // Every byte of `relative` below the folder; empty when it cannot be read.
  std::string read(const std::filesystem::path& relative) const;

#ifndef _WIN32
  // Makes, at `relative` below the folder (with the folders between), a named
  // pipe; a socket (bound, then closed: the name stays, nothing listens); or a
  // file of `size` bytes that holds no data block (ftruncate), so a test of a
  // size limit writes nothing. Returns the host path; throws when it cannot.
  std::filesystem::path makeFifo(const std::filesystem::path& relative) const;
  std::filesystem::path makeSocket(const std::filesystem::path& relative) const;
  std::filesystem::path makeSparseFile(const std::filesystem::path& relative, std::uint64_t size) const;
#endif

 private:
  std::filesystem::path path_;
};

}  // namespace quillorn::test_support
