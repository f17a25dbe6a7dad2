#pragma once
// The seven pages of the wizard in their order: each page's template, how it
// is made, its title, its help topic and its picture. Page n is step n - 1.

#include <array>
#include <string_view>

namespace quillorn::ui {
class Page;
}

namespace quillorn::wizard {

class Frame;

struct WizardStep {
  int templateId;
  ui::Page* (*createPage)(Frame& frame);  // a hidden child of the frame
  std::string_view title;                 // after "Quillorn - " in the window title
  std::string_view helpTopic;             // inside the help file's "Files" folder
  int picture;                            // the picture resource of the strip
};

inline constexpr int kStepCount = 7;

const std::array<WizardStep, kStepCount>& stepTable();

}  // namespace quillorn::wizard
