#pragma once
// Why a file that would change was left as it was, in the words both front
// ends show. The passes report a SkipReason and never include this: a front
// end words what the core reports.
//
// Known limits: the texts are English only; a WriteFailed reason is worded
// from the host's message for its error number.

#include <string>
#include <string_view>

#include "core/rewrite/rewrite_plan.h"

namespace quillorn {

// The reason a file at `path` (path text) was skipped, as a clause that
// follows the file's name: "its backup "C:\site\a.htm.bak" exists". `error`
// is the errno value of a WriteFailed reason; `again` is what the person does
// to repair a file that changed since the search ("run fix again").
std::string skipReasonText(SkipReason reason, int error, std::string_view path, std::string_view again);

}  // namespace quillorn
