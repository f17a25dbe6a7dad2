#pragma once
// The host text a test was written for, for as long as the test runs.

#include "platform/code_page.h"

namespace quillorn::test_support {

class ScopedHostText {
 public:
  explicit ScopedHostText(platform::HostText text) : previous_(platform::hostText()) { platform::setHostText(text); }
  ~ScopedHostText() { platform::setHostText(previous_); }
  ScopedHostText(const ScopedHostText&) = delete;
  ScopedHostText& operator=(const ScopedHostText&) = delete;

 private:
  platform::HostText previous_;
};

}  // namespace quillorn::test_support
