#pragma once
// What the libFuzzer targets share: a check that aborts (so libFuzzer keeps
// the input), a reader of parameters from the front of an input, a folder of
// their own for targets that go through files, and a panel for searches.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

#include <unistd.h>

#include "core/model/progress_panel.h"

namespace quillorn::fuzz {

// Aborts, naming the failed check, so that libFuzzer keeps the input.
inline void check(bool condition, const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
  if (condition) return;
  std::fprintf(stderr, "check failed at %s:%d\n", file, line);
  std::abort();
}

// Reads parameters from the front of the input; what is left is the rest.
class ParamReader {
 public:
  ParamReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t byte() { return used_ < size_ ? data_[used_++] : 0; }
  // Up to `maxLength` bytes, as many as the next byte says.
  std::string_view text(std::size_t maxLength) {
    const std::size_t length = std::min<std::size_t>(byte() % (maxLength + 1), size_ - used_);
    const std::string_view result(reinterpret_cast<const char*>(data_ + used_), length);
    used_ += length;
    return result;
  }
  std::string_view rest() const {
    return {reinterpret_cast<const char*>(data_ + used_), size_ - std::min(used_, size_)};
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t used_ = 0;
};

// A folder of this process, removed when it ends: in memory (/dev/shm) where
// there is one, so writing an input costs no disk.
inline const std::filesystem::path& scratchFolder() {
  static const std::filesystem::path folder = [] {
    std::error_code error;
    std::filesystem::path base = "/dev/shm";
    if (!std::filesystem::is_directory(base, error)) base = std::filesystem::temp_directory_path();
    std::string pattern = (base / "quillorn-fuzz.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(scratchFolder(), ignored);
    });
    return std::filesystem::path(pattern);
  }();
  return folder;
}

// A panel nobody watches: the search runs to its end.
class SilentPanel : public ProgressPanel {
 public:
  void appendStatusLine(std::string_view) override {}
  void setOverallProgress(std::int64_t, std::int64_t) override {}
  void setFileProgress(std::int64_t, std::int64_t) override {}
  void setPanelStatus(PanelStatus, std::string_view) override {}
  bool pollStopRequest() override { return false; }
};

inline void writeBytes(const std::filesystem::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  check(static_cast<bool>(out));
}

}  // namespace quillorn::fuzz
