#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/model/link_tags.h"
#include "core/model/url_table.h"
#include "core/search/block_hits.h"
#include "core/search/file_status_line.h"
#include "core/search/html_scanner.h"
#include "core/search/script_strings.h"
#include "core/search/url_classifier.h"
#include "core/text/anchor_names.h"
#include "core/text/ascii.h"
#include "core/text/lexing_index.h"
#include "core/text/markup_lexing.h"
#include "core/text/url_transforms.h"

namespace quillorn {
namespace {

constexpr std::string_view kLinkTag = "LINK";
constexpr std::string_view kScriptTag = "SCRIPT";
constexpr std::string_view kScriptCloseTag = "/SCRIPT";
constexpr std::string_view kStyleTag = "STYLE";
constexpr std::string_view kStyleUrlOpening = "url(";
constexpr std::string_view kCommentOpening = "<!--";

// Where the link-tag table's searches (STYLE among them) meet their tags in
// one document, found in one walk over its text; after them, every "<SCRIPT"
// for the search of script text.
constexpr std::size_t kScriptBlockWalk = kLinkTags.size();
using TagHits = std::array<std::vector<Pos>, kLinkTags.size() + 1>;

// `plainFindTag`: findTag for every name, else findTagOutsideScript. SCRIPT
// tags are found wherever they stand, and their pass hops from an opening tag
// to its closing one, so script text is never read as tags there.
TagHits findDocumentTags(const TextView& text, bool plainFindTag) {
  std::array<TagWalkSpec, kLinkTags.size() + 1> walks;
  for (std::size_t i = 0; i < kLinkTags.size(); ++i) {
    const bool scriptPass = kLinkTags[i].name == kScriptTag;
    walks[i] = {kLinkTags[i].name, !(plainFindTag || scriptPass), scriptPass};
  }
  walks[kScriptBlockWalk] = {kScriptTag, false, false};
  TagHits hits;
  findTagWalks(text, walks, hits);
  return hits;
}

std::size_t walkOf(std::string_view name) {
  for (std::size_t i = 0; i < kLinkTags.size(); ++i) {
    if (kLinkTags[i].name == name) return i;
  }
  return kLinkTags.size();
}

// Whether the characters at `pos` spell `pattern` (no letters in it, so no folding).
bool spellsAt(const TextView& text, Pos pos, std::string_view pattern) {
  for (char c : pattern) {
    if (!text.hasChar(pos) || text.charAt(pos) != c) return false;
    pos += text.step;
  }
  return true;
}

struct BlockRegion {
  Pos start;
  StopMode mode;
};

// Where the text of a STYLE or SCRIPT block opened by the tag at `tagPos`
// starts, and what ends its search. `nextLt` is the next '<' after the tag's.
// Text wrapped in "<!--" is searched from there up to the comment's closing
// '>'; other text from the tag's end up to the next markup '<', normally the
// closing tag. None when the tag never ends.
std::optional<BlockRegion> blockRegion(LexingIndex& index, Pos tagPos, Pos nextLt) {
  if (nextLt != kNotFound && spellsAt(index.text(), nextLt, kCommentOpening)) return BlockRegion{nextLt, StopAtTagEnd};
  const Pos afterTag = index.findTagEnd(tagPos);
  if (afterTag == kNotFound) return std::nullopt;
  return BlockRegion{afterTag, StopAtTag};
}

// `value` as findAttribute copied it, without the blanks and quotes around it.
std::string_view unquoted(std::string_view value) {
  const std::size_t first = value.find_first_not_of(" \t\r\n\f\"'");
  if (first == std::string_view::npos) return {};
  const std::size_t last = value.find_last_not_of(" \t\r\n\f\"'");
  return value.substr(first, last - first + 1);
}

// Whether the blank-separated list `words` holds `word`, ignoring ASCII case.
bool holdsWord(std::string_view words, std::string_view word) {
  std::size_t at = 0;
  while (at < words.size()) {
    const std::size_t start = words.find_first_not_of(" \t\r\n\f", at);
    if (start == std::string_view::npos) break;
    const std::size_t end = std::min(words.find_first_of(" \t\r\n\f", start), words.size());
    if (equalsIgnoreAsciiCase(words.substr(start, end - start), word)) return true;
    at = end;
  }
  return false;
}

// Remembers the page's own address when the LINK tag at `tag` names it
// (rel="canonical"), read as the search reads a link.
void noteCanonicalAddress(SearchContext& context, const TextView& text, std::int32_t fileIndex, Pos tag) {
  std::string rel;
  Pos relPos = kNotFound;
  if (findAttribute(text, tag, "rel", &rel, &relPos) == 0 || !holdsWord(unquoted(rel), "canonical")) return;
  std::string href;
  Pos hrefPos = kNotFound;
  if (findAttribute(text, tag, "href", &href, &hrefPos) == 0) return;
  std::string address(unquoted(href));
  if (context.settings.convertCodedChars) decodeUrl(address);
  if (address.empty()) return;
  PageAddress page;
  page.fileIndex = fileIndex;
  page.tagPos = tag;
  page.url = std::move(address);
  context.siteAddresses.addCanonical(std::move(page));
}

// Moves the lower bar to the next step, then asks whether the user wants to stop.
bool stepAndPoll(ProgressPanel& panel, std::int64_t& barPosition, std::int64_t barSteps) {
  panel.setFileProgress(barPosition, barSteps);
  ++barPosition;
  return panel.pollStopRequest();
}

// The url( ) arguments of every STYLE block. Returns the entries recorded.
std::int64_t scanStyleBlocks(SearchContext& context, LexingIndex& index, std::int32_t fileIndex,
                             const std::vector<Pos>& styles) {
  const TextView& text = index.text();
  std::int64_t made = 0;
  BlockHits hits;
  for (const Pos style : styles) {
    const Pos nextLt = findTag(text, "", style);
    if (const auto region = blockRegion(index, style, nextLt)) {
      for (Pos hit = index.findInBlock(region->start, kStyleUrlOpening, region->mode); hit != kNotFound;) {
        BlockHits::Record* record = hits.reach(hit, region->mode);
        if (record == nullptr) break;
        if (record->resume == kNotFound) {
          const Pos valuePos = hit + 3 * text.step;  // the '('
          std::size_t length = 0;
          // A value that runs into the end of the text reads as empty; it is
          // not read only to find that out.
          if (index.valueLength(valuePos, StyleValue) > 0) {
            made += classifyUrl(context, index.view(), fileIndex, StyleUrl, valuePos, &length);
          }
          record->resume = valuePos + static_cast<Pos>(length + 1) * text.step;
        }
        hit = index.findInBlock(record->resume, kStyleUrlOpening, region->mode);
      }
    }
    if (nextLt == kNotFound) break;
  }
  return made;
}

// The protocol strings of every SCRIPT block that has a closing tag. Returns
// the entries recorded.
std::int64_t scanScriptBlocks(SearchContext& context, LexingIndex& index, std::int32_t fileIndex,
                              const std::vector<Pos>& scripts) {
  const TextView& text = index.text();
  std::int64_t made = 0;
  ScriptCommentCheck comments(text);
  std::array<BlockHits, kScriptProtocols.size()> hits;
  // The closing tag found for one block is the closing tag of every later
  // opening before it, so a file of unclosed blocks is not searched to its
  // end once per block.
  Pos closeSearchedFrom = kNotFound;
  Pos close = kNotFound;
  for (const Pos script : scripts) {
    if (closeSearchedFrom == kNotFound || script < closeSearchedFrom || (close != kNotFound && script > close)) {
      close = findTag(text, kScriptCloseTag, script);
      closeSearchedFrom = script;
    }
    const Pos nextLt = findTag(text, "", script);
    if (close != kNotFound && close > script) {
      if (const auto region = blockRegion(index, script, nextLt)) {
        for (std::size_t i = 0; i < kScriptProtocols.size(); ++i) {
          made += searchScriptStrings(context, index, fileIndex, kScriptProtocols[i],
                                      {region->start, close, region->mode}, comments, hits[i]);
        }
      }
    }
    if (nextLt == kNotFound) break;
  }
  return made;
}

// The tag passes over the tags found, in the table's order: a file's entries
// follow it, not the order of its tags.
PassEnd scanTagPasses(SearchContext& context, const TextView& text, std::int32_t fileIndex, std::int64_t& found,
                      std::int64_t& barPosition, std::int64_t barSteps, const TagHits& tags) {
  for (std::size_t i = 0; i < kLinkTags.size(); ++i) {
    const LinkTag& pass = kLinkTags[i];
    if (pass.searchedAttribute.empty()) continue;
    if (stepAndPoll(context.panel, barPosition, barSteps)) return PassEnd::Stopped;
    AttributeMemo attributes;
    for (const Pos tag : tags[i]) {
      Pos valuePos = kNotFound;
      if (findAttribute(text, tag, pass.searchedAttribute, &valuePos, attributes) > 0) {
        found += classifyUrl(context, text, fileIndex, tag, valuePos);
        if (pass.name == kLinkTag) noteCanonicalAddress(context, text, fileIndex, tag);
      }
    }
  }
  return PassEnd::Done;
}

}  // namespace

PassEnd scanHtmlTags(SearchContext& context, const TextView& text, std::int32_t fileIndex, std::int64_t& found,
                     std::int64_t& barPosition, std::int64_t& barSteps, bool plainFindTag) {
  return scanTagPasses(context, text, fileIndex, found, barPosition, barSteps, findDocumentTags(text, plainFindTag));
}

PassCount scanHtmlFile(SearchContext& context, const DocumentBuffer& buffer, std::int32_t fileIndex) {
  std::string line = statusLineStart(context, buffer, fileIndex);
  const TextView text = buffer.view();

  // The page's anchors, for the links to its parts, which are judged once
  // every page has been read.
  if (context.settings.checkAnchors) {
    context.anchors.setAnchors(static_cast<std::size_t>(fileIndex), collectAnchorNames(text));
  }

  const TagHits tags = findDocumentTags(text, context.settings.scriptTagStrings);
  PassCount scan;
  std::int64_t barPosition = 0;
  const std::int64_t barSteps = context.settings.scriptProtocolStrings ? 17 : 16;
  scan.end = scanTagPasses(context, text, fileIndex, scan.count, barPosition, barSteps, tags);
  if (scan.end == PassEnd::Stopped) return scan;

  if (stepAndPoll(context.panel, barPosition, barSteps)) return {PassEnd::Stopped, scan.count};
  LexingIndex index(text);
  scan.count += scanStyleBlocks(context, index, fileIndex, tags[walkOf(kStyleTag)]);

  if (context.settings.scriptProtocolStrings) {
    if (stepAndPoll(context.panel, barPosition, barSteps)) return {PassEnd::Stopped, scan.count};
    scan.count += scanScriptBlocks(context, index, fileIndex, tags[kScriptBlockWalk]);
  }

  finishStatusLine(context, line, scan.count);
  return scan;
}

}  // namespace quillorn
