// The whole search of one file, as the command line runs it: the input (after
// its first byte, which sets the options) is written as a page and searched
// (the saved-from pass, then the HTML scanner with the URL classifier), and
// scanned as a style sheet and as a script. Beside the sanitizers' checks,
// every finding must lie inside its file, and the findings must equal those of
// a reference search that follows the scanning rules word for word with the
// plain lexing routines: every block searched from its start, every value
// read in full, nothing remembered between searches except that a url(
// argument or script string is recorded once however many block searches run
// over it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "core/model/url_table.h"
#include "core/search/script_scanner.h"
#include "core/search/search_context.h"
#include "core/search/search_pass.h"
#include "core/search/style_sheet_scanner.h"
#include "core/search/url_classifier.h"
#include "core/text/anchor_names.h"
#include "core/text/markup_lexing.h"
#include "core/text/url_transforms.h"
#include "platform/host_path.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using namespace quillorn;
using fuzz::check;
using fuzz::SilentPanel;

// ------------------------------------------------------------ the reference

// The tag passes in their order, kept apart from the scanner's own table so a
// slip in either shows up as a difference.
constexpr std::array<std::pair<std::string_view, std::string_view>, 15> kTagPasses = {{
    {"A", "href"},
    {"APPLET", "src"},
    {"AREA", "href"},
    {"BGSOUND", "src"},
    {"EMBED", "src"},
    {"FRAME", "src"},
    {"IFRAME", "src"},
    {"IMG", "src"},
    {"INPUT", "src"},
    {"LINK", "href"},
    {"SCRIPT", "src"},
    {"BODY", "background"},
    {"TABLE", "background"},
    {"TD", "background"},
    {"TR", "background"},
}};
constexpr std::array<std::string_view, 5> kProtocols = {"http://", "https://", "ftp://", "gopher://", "file://"};

struct Region {
  Pos start;
  StopMode mode;
};

// Which hits the searches of one pass have handled, and where they went on.
struct Handled {
  std::set<std::pair<Pos, int>> reached;
  std::map<Pos, Pos> resumeAfter;
};

class ReferenceScan {
 public:
  ReferenceScan(SearchContext& context, const TextView& text, std::int32_t fileIndex)
      : context_(context), text_(text), fileIndex_(fileIndex), step_(text.step) {}

  void html() {
    const bool plain = context_.settings.scriptTagStrings;
    tagPasses(plain);
    styleBlocks(plain);
    if (context_.settings.scriptProtocolStrings) scriptBlocks();
  }

  void script() {
    if (context_.settings.scriptTagStrings) tagPasses(true);
    if (!context_.settings.scriptProtocolStrings) return;
    for (const std::string_view protocol : kProtocols) {
      Handled handled;
      protocolStrings(protocol, 0, text_.end(), NoStop, handled);
    }
  }

  void styleSheet() {
    for (Pos hit = findInBlock(text_, 0, "url(", NoStop); hit != kNotFound;) {
      const Pos valuePos = hit + 3 * step_;
      std::size_t length = 0;
      classifyUrl(context_, text_, fileIndex_, StyleUrl, valuePos, &length);
      hit = findInBlock(text_, valuePos + static_cast<Pos>(length + 2) * step_, "url(", NoStop);
    }
  }

 private:
  Pos nextTag(bool plain, std::string_view name, Pos start) const {
    return plain ? findTag(text_, name, start) : findTagOutsideScript(text_, name, start);
  }

  void tagPasses(bool plain) {
    for (const auto& [name, attribute] : kTagPasses) {
      const bool scriptPass = name == "SCRIPT";
      for (Pos tag = nextTag(plain || scriptPass, name, 0); tag != kNotFound;) {
        Pos valuePos = kNotFound;
        if (findAttribute(text_, tag, attribute, nullptr, &valuePos) > 0) {
          classifyUrl(context_, text_, fileIndex_, tag, valuePos);
        }
        const Pos next = scriptPass ? findTag(text_, "/SCRIPT", tag) : findTag(text_, "", tag);
        if (next == kNotFound) break;
        tag = nextTag(plain || scriptPass, name, next);
      }
    }
  }

  std::optional<Region> region(Pos tag, Pos nextLt) const {
    if (nextLt != kNotFound && text_.charOrZero(nextLt + step_) == '!' && text_.charOrZero(nextLt + 2 * step_) == '-' &&
        text_.charOrZero(nextLt + 3 * step_) == '-') {
      return Region{nextLt, StopAtTagEnd};
    }
    const Pos afterTag = findTagEnd(text_, tag);
    if (afterTag == kNotFound) return std::nullopt;
    return Region{afterTag, StopAtTag};
  }

  void styleBlocks(bool plain) {
    Handled handled;
    for (Pos style = nextTag(plain, "STYLE", 0); style != kNotFound;) {
      const Pos nextLt = findTag(text_, "", style);
      if (const auto block = region(style, nextLt)) {
        for (Pos hit = findInBlock(text_, block->start, "url(", block->mode); hit != kNotFound;) {
          if (!handled.reached.emplace(hit, block->mode).second) break;
          auto known = handled.resumeAfter.find(hit);
          if (known == handled.resumeAfter.end()) {
            const Pos valuePos = hit + 3 * step_;
            std::size_t length = 0;
            classifyUrl(context_, text_, fileIndex_, StyleUrl, valuePos, &length);
            known = handled.resumeAfter.emplace(hit, valuePos + static_cast<Pos>(length + 1) * step_).first;
          }
          hit = findInBlock(text_, known->second, "url(", block->mode);
        }
      }
      if (nextLt == kNotFound) break;
      style = nextTag(plain, "STYLE", nextLt);
    }
  }

  void scriptBlocks() {
    std::array<Handled, kProtocols.size()> handled;
    for (Pos script = findTag(text_, "SCRIPT", 0); script != kNotFound;) {
      const Pos close = findTag(text_, "/SCRIPT", script);
      const Pos nextLt = findTag(text_, "", script);
      if (close != kNotFound && close > script) {
        if (const auto block = region(script, nextLt)) {
          for (std::size_t i = 0; i < kProtocols.size(); ++i) {
            protocolStrings(kProtocols[i], block->start, close, block->mode, handled[i]);
          }
        }
      }
      if (nextLt == kNotFound) break;
      script = findTag(text_, "SCRIPT", nextLt);
    }
  }

  void protocolStrings(std::string_view protocol, Pos start, Pos end, StopMode mode, Handled& handled) {
    const TextView cut(text_.data, static_cast<std::size_t>(end), text_.encoding());
    for (Pos pos = start; pos >= 0 && pos < end;) {
      const Pos hit = findInBlock(cut, pos, protocol, mode);
      if (hit == kNotFound) break;
      if (!handled.reached.emplace(hit, mode).second) break;
      auto known = handled.resumeAfter.find(hit);
      if (known == handled.resumeAfter.end()) {
        Pos valueStart = hit;
        std::size_t length = 0;
        if (isInScriptComment(text_, hit)) {
          length = valueLength(text_, hit, AttributeValue);
        } else {
          const char before = text_.charOrZero(hit - step_);
          const bool quote = before == '"' || before == '\'';
          if (quote && text_.charOrZero(hit - 2 * step_) == '\\' && text_.hasChar(hit - 2 * step_)) {
            valueStart = hit - 2 * step_;
          } else if (quote && text_.hasChar(hit - step_)) {
            valueStart = hit - step_;
          }
          classifyUrl(context_, text_, fileIndex_, ScriptString, valueStart, &length);
        }
        const Pos next = valueStart + static_cast<Pos>(length) * step_;
        known = handled.resumeAfter.emplace(hit, next > hit ? next : hit + step_).first;
      }
      pos = known->second;
    }
  }

  SearchContext& context_;
  TextView text_;
  std::int32_t fileIndex_;
  int step_;
};

// The address of the first comment that has the attribute, as the saved-from
// pass stores it.
std::optional<std::string> referenceSavedFrom(const TextView& text, bool decode) {
  std::string value;
  for (Pos comment = findTag(text, "!--", 0); comment != kNotFound;) {
    Pos valuePos = kNotFound;
    if (findAttribute(text, comment, "saved from url", &value, &valuePos) > 0) {
      if (!value.empty() && value.front() == '(' && value.find(')') != std::string::npos) {
        value.erase(0, value.find(')') + 1);
      }
      if (decode) decodeUrl(value);
      return value;
    }
    const Pos next = findTag(text, "", comment);
    if (next == kNotFound) break;
    comment = findTag(text, "!--", next);
  }
  return std::nullopt;
}

// ------------------------------------------------------------------ checks

void checkEntriesLieInTheirFiles(const UrlTable& urls, const std::array<DocumentBuffer, 3>& documents) {
  for (const UrlEntry& entry : urls.entries()) {
    check(entry.fileIndex >= 0 && entry.fileIndex < 3);
    const TextView text = documents[static_cast<std::size_t>(entry.fileIndex)].view();
    check(!entry.url.empty());
    check(entry.valuePos >= 0 && entry.valuePos % text.step == 0 && text.hasChar(entry.valuePos));
    check(entry.spanLength > 0 && entry.valuePos + entry.spanLength * text.step <= text.end());
    check(entry.tagPos == ScriptString || entry.tagPos == StyleUrl ||
          (entry.tagPos >= 0 && entry.tagPos < entry.valuePos && text.charAt(entry.tagPos) == '<'));
  }
}

bool sameEntries(const UrlTable& a, const UrlTable& b) {
  if (a.count() != b.count() || a.droppedCount() != b.droppedCount()) return false;
  for (std::size_t i = 0; i < a.count(); ++i) {
    const UrlEntry& x = a.entry(i);
    const UrlEntry& y = b.entry(i);
    if (x.url != y.url || x.replacement != y.replacement || x.quoteKind != y.quoteKind ||
        x.spanLength != y.spanLength || x.valuePos != y.valuePos || x.tagPos != y.tagPos ||
        x.fileIndex != y.fileIndex) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t options = data[0];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  Settings settings;
  settings.scriptTagStrings = (options & 1U) != 0;
  settings.scriptProtocolStrings = ((options >> 1) & 1U) != 0;
  settings.useSavedFromUrl = ((options >> 2) & 1U) != 0;
  settings.useRelativePaths = ((options >> 3) & 1U) != 0;
  settings.findReplacements = ((options >> 4) & 1U) != 0;
  settings.convertCodedChars = ((options >> 5) & 1U) != 0;
  settings.addHttpPrefix = ((options >> 6) & 1U) != 0;
  settings.addMailtoPrefix = ((options >> 6) & 1U) != 0;
  settings.ignoreScriptLinks = ((options >> 7) & 1U) != 0;
  settings.checkInternetUrls = false;

  // The page goes through the search as a file; the style sheet and the
  // script sit in the list (as targets, and for their own findings) but are
  // scanned from memory: loading files has a target of its own.
  static const FileList files = [] {
    FileList list;
    const std::filesystem::path& folder = fuzz::scratchFolder();
    for (const char* name : {"page.htm", "sheet.css", "script.js", "a.htm", "img/b.gif", "sub/c.css", "index.html"}) {
      list.addSelectedFiles({platform::toPathText(folder / name)}, [] { return false; });
    }
    return list;
  }();
  fuzz::writeBytes(fuzz::scratchFolder() / "page.htm", bytes);

  UrlTable urls;
  SavedFromTable savedFrom;
  quillorn::SiteAddresses siteAddresses;
  quillorn::PageAnchors anchors;
  InternetSession internet;
  SilentPanel panel;
  SearchContext context{settings, files, urls, savedFrom, internet, panel, siteAddresses, anchors};
  const Outcome<SearchOutcome, SearchError> outcome = search(context);
  check(outcome.ok() && outcome.value().end == PassEnd::Done);
  check(outcome.value().brokenTotal == static_cast<std::int64_t>(urls.count()));

  std::array<DocumentBuffer, 3> documents;
  for (DocumentBuffer& document : documents) {
    document.bytes.assign(bytes.begin(), bytes.end());
    detectEncoding(document);
  }
  scanStyleFile(context, documents[1], 1);
  scanScriptFile(context, documents[2], 2);
  checkEntriesLieInTheirFiles(urls, documents);

  // The page's anchors: each named once, in order, none empty.
  const AnchorNames anchorNames = collectAnchorNames(documents[0].view());
  for (std::size_t i = 0; i < anchorNames.size(); ++i) {
    check(!anchorNames.name(i).empty() && (i == 0 || anchorNames.name(i - 1) < anchorNames.name(i)));
  }

  // The saved-from pass read the page as the reference reads it.
  const std::optional<std::string> saved =
      settings.useSavedFromUrl ? referenceSavedFrom(documents[0].view(), settings.convertCodedChars) : std::nullopt;
  check(savedFrom.count() == (saved ? 1U : 0U));
  if (saved) check(savedFrom.entry(0).savedUrl == *saved && savedFrom.entry(0).savedFileIndex == 0);

  UrlTable expected;
  SearchContext reference{settings, files, expected, savedFrom, internet, panel, siteAddresses, anchors};
  ReferenceScan(reference, documents[0].view(), 0).html();
  ReferenceScan(reference, documents[1].view(), 1).styleSheet();
  ReferenceScan(reference, documents[2].view(), 2).script();
  check(sameEntries(urls, expected));
  return 0;
}
