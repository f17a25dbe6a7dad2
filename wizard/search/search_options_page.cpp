#include "wizard/search/search_options_page.h"

#include "wizard/resources/templates.h"

namespace quillorn::wizard {
namespace {

constexpr std::array<OptionBox, 12> kOptionBoxes = {{
    {options_ids::kScriptTagStrings, &Settings::scriptTagStrings},
    {options_ids::kScriptProtocolStrings, &Settings::scriptProtocolStrings},
    {options_ids::kUseSavedFromUrl, &Settings::useSavedFromUrl},
    {options_ids::kUseRelativePaths, &Settings::useRelativePaths},
    {options_ids::kFindReplacements, &Settings::findReplacements},
    {options_ids::kConvertCodedChars, &Settings::convertCodedChars},
    {options_ids::kAddHttpPrefix, &Settings::addHttpPrefix},
    {options_ids::kAddMailtoPrefix, &Settings::addMailtoPrefix},
    {options_ids::kCheckInternetUrls, &Settings::checkInternetUrls},
    {options_ids::kIgnoreScriptLinks, &Settings::ignoreScriptLinks},
    {options_ids::kCheckAnchors, &Settings::checkAnchors},
    {options_ids::kMatchCase, &Settings::matchCase},
}};

}  // namespace

const std::array<OptionBox, 12>& optionBoxes() { return kOptionBoxes; }

SearchOptionsPage::SearchOptionsPage(WizardHost& host) : WizardPage(host, dialogTemplate(options_ids::kTemplate)) {
  Settings& settings = host.repair().settings();
  for (const OptionBox& box : kOptionBoxes) controls().bindCheckBox(box.id, settings.*box.field);
}

void SearchOptionsPage::onShow(bool shown) {
  if (!shown) return;
  // Back before the search: the site is not being repaired any more.
  host().repair().release();
  host().allowNext(true);
  host().allowPrevious(true);
}

}  // namespace quillorn::wizard
