#pragma once
// Ravelet's start: the main window, run until Exit or close. The command line
// is not read.

namespace quillorn::restorer {

// Runs Ravelet; 0 when its window ends. Makes the application object when
// there is none yet.
int runRestorer(int argc, char** argv);

}  // namespace quillorn::restorer
