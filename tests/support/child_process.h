#pragma once
// Running part of a test in a child process, where what it changes in memory
// (limits, signal handlers, the user it runs as) stays in the child.

#include <functional>

namespace quillorn::test_support {

// Runs `body` in a child process; its exit code, or -1 when it did not exit
// normally.
int runInChild(const std::function<int()>& body);

}  // namespace quillorn::test_support
