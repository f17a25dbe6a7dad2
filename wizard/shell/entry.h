#pragma once
// The wizard's start, in this order: a command line that ends with
// "-uninstall" removes the stored options and ends (no window, not even a
// display is needed); otherwise the Internet client must be there (without it
// the "Emergency Quit" box names the missing library and the program ends with
// -1); then the frame opens with the stored options and runs until Exit or
// close, which save them.

#include <filesystem>
#include <functional>
#include <string>

namespace quillorn::wizard {

class Frame;

struct WizardStart {
  int argc = 0;
  char** argv = nullptr;
  // As the platform gives it, the program's path included.
  std::string commandLine;
  // Path text of the program's own file; empty: the running program's.
  std::string programFile;
  std::filesystem::path registryFile;
  // Whether the Internet client can be created; empty: ask the real one.
  std::function<bool()> internetClientAvailable;
  // Runs once the frame is on screen and its events flow (tests, screenshots).
  std::function<void(Frame&)> whenShown;
};

// The command line of argv as one text: the words joined by spaces.
std::string commandLineOf(int argc, char** argv);

// Runs the wizard; the program's exit code (0, or -1 after a fatal error).
// Makes the application object when there is none yet.
int runWizard(WizardStart start);

}  // namespace quillorn::wizard
