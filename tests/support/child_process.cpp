#include "tests/support/child_process.h"

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillorn::test_support {

int runInChild(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace quillorn::test_support
