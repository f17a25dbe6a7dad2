#include "tests/support/temp_folder.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#ifdef _WIN32
#include <random>
#else
#include <fcntl.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace quillorn::test_support {
namespace fs = std::filesystem;

namespace {

// Adds the owner's permissions to `folder` and every folder below it, each
// before it is opened; links are not followed.
void allowOwner(const fs::path& folder) {
  std::error_code error;
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, error);
  const fs::directory_iterator end;
  for (fs::directory_iterator it(folder, error); !error && it != end; it.increment(error)) {
    std::error_code typeError;
    if (it->symlink_status(typeError).type() == fs::file_type::directory) allowOwner(it->path());
  }
}

}  // namespace

std::string readFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& file, std::string_view bytes) {
  std::error_code ignored;
  fs::create_directories(file.parent_path(), ignored);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TempFolder::TempFolder(std::string_view prefix) {
  std::string pattern = (fs::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
#ifdef _WIN32
  pattern.resize(pattern.size() - 6);
  pattern += std::to_string(std::random_device{}());
  if (!fs::create_directory(pattern)) throw std::runtime_error("cannot make " + pattern);
#else
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("mkdtemp " + pattern + ": " + std::strerror(errno));
  }
#endif
  path_ = pattern;
}

TempFolder::~TempFolder() {
  allowOwner(path_);
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

fs::path TempFolder::write(const fs::path& relative, std::string_view bytes) const {
  const fs::path file = path_ / relative;
  writeFile(file, bytes);
  return file;
}

fs::path TempFolder::write(const fs::path& relative, const std::vector<std::uint8_t>& bytes) const {
  return write(relative, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string TempFolder::read(const fs::path& relative) const { return readFile(path_ / relative); }

#ifndef _WIN32

namespace {

[[noreturn]] void fail(const std::string& what, const fs::path& path) {
  throw std::runtime_error(what + " " + path.string() + ": " + std::strerror(errno));
}

fs::path madeBelow(const fs::path& root, const fs::path& relative) {
  const fs::path path = root / relative;
  std::error_code ignored;
  fs::create_directories(path.parent_path(), ignored);
  return path;
}

}  // namespace

fs::path TempFolder::makeFifo(const fs::path& relative) const {
  const fs::path path = madeBelow(path_, relative);
  if (::mkfifo(path.c_str(), 0644) != 0) fail("mkfifo", path);
  return path;
}

fs::path TempFolder::makeSocket(const fs::path& relative) const {
  const fs::path path = madeBelow(path_, relative);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.native().size() >= sizeof(address.sun_path)) {
    errno = ENAMETOOLONG;
    fail("socket", path);
  }
  std::memcpy(address.sun_path, path.c_str(), path.native().size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) fail("socket", path);
  const int bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
  const int error = errno;
  ::close(fd);
  errno = error;
  if (bound != 0) fail("bind", path);
  return path;
}

fs::path TempFolder::makeSparseFile(const fs::path& relative, std::uint64_t size) const {
  const fs::path path = madeBelow(path_, relative);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) fail("open", path);
  const int truncated = ::ftruncate(fd, static_cast<off_t>(size));
  const int error = errno;
  ::close(fd);
  errno = error;
  if (truncated != 0) fail("ftruncate", path);
  return path;
}

#endif

}  // namespace quillorn::test_support
