#include "wizard/shell/step_table.h"

#include "wizard/files/add_files_page.h"
#include "wizard/resources/templates.h"
#include "wizard/review/deletion_page.h"
#include "wizard/review/results_page.h"
#include "wizard/rewrite/processing_page.h"
#include "wizard/search/search_options_page.h"
#include "wizard/search/search_page.h"
#include "wizard/welcome/welcome_page.h"

namespace quillorn::wizard {
namespace {

template <typename PageType>
WizardPage* create(WizardHost& host) {
  return new PageType(host);
}

constexpr std::array<WizardStep, kStepCount> kSteps = {{
    {welcome_ids::kTemplate, create<WelcomePage>, "Welcome to Quillorn!", "step1.htm", 136},
    {files_ids::kTemplate, create<AddFilesPage>, "Add files for processing", "step2.htm", 138},
    {options_ids::kTemplate, create<SearchOptionsPage>, "Search properties", "step3.htm", 139},
    {search_ids::kTemplate, create<SearchPage>, "Searching for broken URLs", "step4.htm", 140},
    {results_ids::kTemplate, create<ResultsPage>, "Search results", "step5.htm", 141},
    {deletion_ids::kTemplate, create<DeletionPage>, "Link deletion properties", "step6.htm", 142},
    {processing_ids::kTemplate, create<ProcessingPage>, "Processing broken URLs", "step7.htm", 143},
}};

}  // namespace

const std::array<WizardStep, kStepCount>& stepTable() { return kSteps; }

}  // namespace quillorn::wizard
