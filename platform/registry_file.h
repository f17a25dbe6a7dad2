#pragma once
// (to be written) The registry of the program: a text file in the .reg export format.
namespace quillorn::platform {
class RegistryFile;
}
