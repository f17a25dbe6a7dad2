// Ravelet, the companion of the Quillorn wizard: restores or deletes the
// backups of a folder tree.

#include "restorer/entry.h"

int main(int argc, char** argv) { return quillorn::restorer::runRestorer(argc, argv); }
