#pragma once
// The seven pages of the wizard in their order: each page's template, how it
// is made, its title, its help topic and its picture. Page n is step n - 1.

#include <array>
#include <string_view>

namespace quillorn::wizard {

class WizardHost;
class WizardPage;

struct WizardStep {
  int templateId;
  WizardPage* (*createPage)(WizardHost& host);  // a hidden child of the host's window
  std::string_view title;                       // after "Quillorn - " in the window title
  std::string_view helpTopic;                   // inside the help file's "Files" folder
  int picture;                                  // the picture resource of the strip
};

inline constexpr int kStepCount = 7;

// The steps by index, for the code that acts on one of them.
inline constexpr int kWelcomeStep = 0;
inline constexpr int kFilesStep = 1;
inline constexpr int kOptionsStep = 2;
inline constexpr int kSearchStep = 3;
inline constexpr int kResultsStep = 4;
inline constexpr int kDeletionStep = 5;
inline constexpr int kProcessingStep = 6;

const std::array<WizardStep, kStepCount>& stepTable();

}  // namespace quillorn::wizard
