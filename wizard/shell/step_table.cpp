#include "wizard/shell/step_table.h"

#include "ui/template_window.h"
#include "wizard/files/add_files_page.h"
#include "wizard/resources/templates.h"
#include "wizard/search/search_options_page.h"
#include "wizard/search/search_page.h"
#include "wizard/shell/frame.h"
#include "wizard/shell/welcome_page.h"

namespace quillorn::wizard {
namespace {

template <typename PageType>
ui::Page* create(Frame& frame) {
  return new PageType(frame);
}

// Pages 5 to 7 are their templates alone for now: the frame moves through
// them (with its confirmation before page 7 and Start over after it), and
// their controls and work come with the results, deletion and processing pages.
template <int TemplateId>
ui::Page* createFromTemplate(Frame& frame) {
  return new ui::Page(&frame, dialogTemplate(TemplateId));
}

constexpr std::array<WizardStep, kStepCount> kSteps = {{
    {welcome_ids::kTemplate, create<WelcomePage>, "Welcome to Quillorn!", "step1.htm", 136},
    {files_ids::kTemplate, create<AddFilesPage>, "Add files for processing", "step2.htm", 138},
    {options_ids::kTemplate, create<SearchOptionsPage>, "Search properties", "step3.htm", 139},
    {search_ids::kTemplate, create<SearchPage>, "Searching for broken URLs", "step4.htm", 140},
    {kResultsTemplate, createFromTemplate<kResultsTemplate>, "Search results", "step5.htm", 141},
    {kDeletionTemplate, createFromTemplate<kDeletionTemplate>, "Link deletion properties", "step6.htm", 142},
    {kProcessingTemplate, createFromTemplate<kProcessingTemplate>, "Processing broken URLs", "step7.htm", 143},
}};

}  // namespace

const std::array<WizardStep, kStepCount>& stepTable() { return kSteps; }

}  // namespace quillorn::wizard
