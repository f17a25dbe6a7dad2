#include "core/search/page_anchors.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <utility>

#include "core/model/url_table.h"
#include "core/search/search_context.h"
#include "core/search/url_classifier.h"
#include "core/text/ascii.h"
#include "core/text/url_transforms.h"
#include "platform/host_path.h"

namespace quillorn {
namespace {

constexpr std::string_view kAnchorHeader = ">> Checking links to anchors...";

// Whether a link with this fragment goes where it means to without an anchor.
bool needsNoAnchor(std::string_view fragment) { return fragment.empty() || equalsIgnoreAsciiCase(fragment, "top"); }

// The name written as a fragment: '%' escapes for what would end the value,
// start another fragment or read as an escape.
std::string fragmentText(std::string_view name) {
  std::string text;
  text.reserve(name.size() + 1);
  text.push_back('#');
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= ' ' || byte == 0x7F || c == '"' || c == '\'' || c == '<' || c == '>' || c == '#' || c == '%' ||
        c == '`') {
      appendPercentEscape(byte, text);
    } else {
      text.push_back(c);
    }
  }
  return text;
}

enum class Verdict { Fine, Unjudged, Missing };

Verdict judge(const PageAnchors& anchors, const AnchorLink& link, std::string_view* proposal) {
  const AnchorNames* names = anchors.anchorsOf(static_cast<std::size_t>(link.target));
  if (names == nullptr) return Verdict::Unjudged;
  const std::string_view fragment = anchors.fragment(link);
  if (needsNoAnchor(fragment) || names->contains(fragment)) return Verdict::Fine;
  std::string decoded(fragment);
  decodePercentEscapes(decoded);
  if (needsNoAnchor(decoded) || names->contains(decoded)) return Verdict::Fine;
  *proposal = names->nearMatch(decoded);
  return Verdict::Missing;
}

// The link's value with its fragment replaced by `name`'s, in double quotes
// when it stands bare and holds a blank.
std::string proposalText(std::string_view url, char opening, std::string_view name) {
  std::string value(url.substr(0, url.find('#')));
  value += fragmentText(name);
  const bool quote = opening == '\0' && value.find(' ') != std::string::npos;
  return replacementText(value, quote, false);
}

}  // namespace

void PageAnchors::clear() {
  anchors_.clear();
  links_.clear();
  links_.shrink_to_fit();
  texts_.clear();
  texts_.shrink_to_fit();
  unkept_ = 0;
}

void PageAnchors::setAnchors(std::size_t fileIndex, AnchorNames names) {
  anchors_.insert_or_assign(fileIndex, std::move(names));
}

void PageAnchors::takeFrom(PageAnchors&& later, std::int64_t entryOffset) {
  for (auto& [fileIndex, names] : later.anchors_) anchors_.insert_or_assign(fileIndex, std::move(names));
  for (AnchorLink link : later.links_) {
    if (links_.size() >= kMaxLinks) {
      ++unkept_;
      continue;
    }
    const std::string_view texts(later.texts_.data() + link.textStart, link.urlLength + link.fragmentLength);
    link.textStart = texts_.size();
    texts_.append(texts);
    if (link.entry >= 0) link.entry += entryOffset;
    links_.push_back(link);
  }
  unkept_ += later.unkept_;
  later.clear();
}

void PageAnchors::addLink(AnchorLink link, std::string_view url, std::string_view rawFragment) {
  if (links_.size() >= kMaxLinks) {
    ++unkept_;
    return;
  }
  link.textStart = texts_.size();
  link.urlLength = static_cast<std::uint32_t>(url.size());
  texts_.append(url);
  if (rawFragment.find('&') == std::string_view::npos) {
    texts_.append(rawFragment);
    link.fragmentLength = static_cast<std::uint32_t>(rawFragment.size());
  } else {
    std::string fragment(rawFragment);
    decodeCharacterReferences(fragment);
    texts_.append(fragment);
    link.fragmentLength = static_cast<std::uint32_t>(fragment.size());
  }
  links_.push_back(link);
}

const AnchorNames* PageAnchors::anchorsOf(std::size_t fileIndex) const {
  const auto found = anchors_.find(fileIndex);
  return found == anchors_.end() ? nullptr : &found->second;
}

AnchorCheck checkAnchorLinks(SearchContext& context) {
  AnchorCheck check;
  ProgressPanel& panel = context.panel;
  panel.appendStatusLine(kAnchorHeader);
  UrlTable& urls = context.urls;
  std::map<std::int32_t, std::int64_t> missingByFile;
  for (const AnchorLink& link : context.anchors.links()) {
    std::string_view name;
    const Verdict verdict = judge(context.anchors, link, &name);
    if (verdict == Verdict::Unjudged) continue;
    ++check.checked;
    if (verdict == Verdict::Fine) continue;
    ++missingByFile[link.fileIndex];
    if (link.entry >= 0) {
      // The entry proposes the path in another form: the fragment changes
      // with it, or the link goes.
      const auto index = static_cast<std::size_t>(link.entry);
      if (name.empty()) {
        urls.setProposal(index, -1, deletionReplacement(link.opening));
      } else {
        urls.setProposal(index, link.target,
                         targetReplacement(context, static_cast<std::size_t>(link.target), link.fileIndex,
                                           fragmentText(name), link.opening));
      }
      ++check.amended;
      continue;
    }
    ValueSpan span;
    span.quoteKind = link.quoteKind;
    span.spanLength = link.spanLength;
    span.opening = link.opening;
    const std::string_view url = context.anchors.url(link);
    UrlEntry entry = occurrenceEntry(std::string(url), span, link.tagPos, link.valuePos, link.fileIndex);
    if (name.empty()) {
      entry.replacement = deletionReplacement(link.opening);
    } else {
      entry.target = link.target;
      entry.replacement = proposalText(url, link.opening, name);
    }
    if (urls.append(std::move(entry))) ++check.recorded;
  }
  // After the entries each file had already, in file order.
  if (check.recorded > 0) urls.sortByFile();

  for (const auto& [fileIndex, missing] : missingByFile) {
    panel.appendStatusLine(platform::displayPath(context.files.path(static_cast<std::size_t>(fileIndex))) + ": " +
                           std::to_string(missing) + " link(s) to missing anchors found");
  }
  std::int64_t missing = 0;
  for (const auto& [fileIndex, count] : missingByFile) missing += count;
  panel.appendStatusLine(std::to_string(check.checked) + " link(s) to anchors checked, " + std::to_string(missing) +
                         " to missing anchors");
  if (const std::size_t unkept = context.anchors.unkeptLinks(); unkept > 0) {
    panel.appendStatusLine(std::to_string(unkept) +
                           " more link(s) to anchors were not checked: one search checks at most " +
                           std::to_string(PageAnchors::kMaxLinks) + ".");
  }
  return check;
}

}  // namespace quillorn
