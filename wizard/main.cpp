// Quillorn, the wizard that repairs the broken links of a web site on disk.

#include <utility>

#include "platform/registry_file.h"
#include "wizard/shell/entry.h"

int main(int argc, char** argv) {
  quillorn::wizard::WizardStart start;
  start.argc = argc;
  start.argv = argv;
  start.commandLine = quillorn::wizard::commandLineOf(argc, argv);
  start.registryFile = quillorn::platform::defaultRegistryPath();
  return quillorn::wizard::runWizard(std::move(start));
}
