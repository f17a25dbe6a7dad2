#include "core/search/url_classifier.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "core/model/file_kind.h"
#include "core/model/url_table.h"
#include "core/search/page_anchors.h"
#include "core/search/replacement_search.h"
#include "core/text/ascii.h"
#include "core/text/markup_lexing.h"
#include "core/text/url_transforms.h"

namespace quillorn {
namespace {

constexpr std::array<std::string_view, 3> kScriptSchemes = {"javascript:", "vbscript:", "about:"};
constexpr std::array<std::string_view, 4> kInternetSchemes = {"http://", "https://", "ftp://", "gopher://"};
constexpr std::string_view kSchemeRelative = "//";
// The scheme a scheme-relative address is checked with: what a browser would
// use from a page that was served over TLS.
constexpr std::string_view kSchemeRelativeScheme = "https:";
constexpr std::string_view kFileScheme = "file://";
constexpr std::string_view kWebPrefix = "www.";
constexpr std::string_view kHttpPrefix = "http://";
constexpr std::string_view kMailtoPrefix = "mailto:";

template <std::size_t N>
bool startsWithAny(std::string_view text, const std::array<std::string_view, N>& prefixes) {
  return std::any_of(prefixes.begin(), prefixes.end(),
                     [text](std::string_view prefix) { return startsWithIgnoreAsciiCase(text, prefix); });
}

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Whether `text` starts with a scheme and its ':'. One letter is not enough:
// "C:" is a drive.
bool startsWithScheme(std::string_view text) {
  if (text.empty() || !isAsciiLetter(text[0])) return false;
  for (std::size_t i = 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ':') return i >= 2;
    if (!isAsciiLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return false;
  }
  return false;
}

// Space and the control characters (tab, line feed, carriage return and form
// feed among them), which browsers strip from both ends of an address.
bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

bool isControl(char c) { return static_cast<unsigned char>(c) < ' '; }

// An address such as ann@example.com: an '@', and a first '.' that comes after
// the first '@'. A '.' before the '@' (first.last@host) or none at all does
// not qualify.
bool looksLikeEmailAddress(std::string_view base) {
  const std::size_t at = base.find('@');
  if (at == std::string_view::npos) return false;
  const std::size_t dot = base.find('.');
  return dot != std::string_view::npos && dot > at;
}

std::int64_t indexOrNone(std::optional<std::int32_t> index) { return index ? *index : -1; }

// What opens the value at `valuePos`, as ValueSpan::opening records it.
char openingOf(const TextView& text, std::int64_t valuePos) {
  const char first = text.charOrZero(valuePos);
  if (first == '"' || first == '\'' || first == '(') return first;
  if (first == '\\' && text.charOrZero(valuePos + text.step) == '"') return '\\';
  return '\0';
}

// A value's address: its text and where it stands.
struct Address {
  std::string text;
  std::int64_t pos = 0;
  ValueSpan span;
};

// Narrows the value that readValue read (`value`, its characters between the
// delimiters standing in `content`) to its address. readValue copies every
// character of the content but the controls, so dropping a blank or a quote
// at either end of the content drops it from `value` too, unless it is a
// control. A value that is all address keeps its own span and delimiters.
Address addressOf(const TextView& text, std::string value, std::int64_t valuePos, ValueSpan valueSpan,
                  ValueContent content, bool styleArgument) {
  const int step = text.step;
  Pos first = content.start;
  Pos end = content.end;
  std::size_t dropFront = 0;
  std::size_t dropBack = 0;
  const auto trim = [&] {
    for (; first < end && isBlank(text.charAt(first)); first += step) {
      if (!isControl(text.charAt(first))) ++dropFront;
    }
    for (; end > first && isBlank(text.charAt(end - step)); end -= step) {
      if (!isControl(text.charAt(end - step))) ++dropBack;
    }
  };
  trim();
  if (styleArgument && first < end) {
    // One pair of quotes; an opening quote that is never closed goes all the same.
    const char quote = text.charAt(first);
    if (quote == '"' || quote == '\'') {
      first += step;
      ++dropFront;
      if (end > first && text.charAt(end - step) == quote) {
        end -= step;
        ++dropBack;
      }
      trim();
    }
  }

  Address address;
  if (first >= end) return address;  // nothing but blanks (and quotes)
  if (first == content.start && end == content.end) {
    address.text = std::move(value);
    address.pos = valuePos;
    address.span = valueSpan;
    return address;
  }
  address.text = value.substr(dropFront, value.size() - dropFront - dropBack);
  address.pos = first;
  address.span = {Bare, (end - first) / step, valueSpan.opening};
  return address;
}

// Appends an entry whose replacement is a prefix proposal ("http://",
// "mailto:"), made without a target.
bool appendPrefixProposal(SearchContext& context, std::string url, std::string replacement, ValueSpan span,
                          std::int64_t tagPos, std::int64_t valuePos, std::int32_t fileIndex) {
  UrlEntry entry = occurrenceEntry(std::move(url), span, tagPos, valuePos, fileIndex);
  entry.replacement = std::move(replacement);
  return context.urls.append(std::move(entry));
}

// Notes a link to a part of listed page `target` for the anchor check, when
// the options ask for it, the link has a fragment and no query, and the page
// is HTML. `entry` is the entry just made for the link, or -1.
void noteAnchorLink(SearchContext& context, std::string_view url, std::string_view rawFragment, ValueSpan span,
                    std::int64_t tagPos, std::int64_t valuePos, std::int32_t fileIndex, std::int64_t target,
                    std::int64_t entry) {
  if (!context.settings.checkAnchors || url.find('#') == std::string_view::npos) return;
  if (url.substr(0, url.find('#')).find('?') != std::string_view::npos) return;
  if (fileKind(context.files.path(static_cast<std::size_t>(target))) != FileKind::Html) return;
  AnchorLink link;
  link.fileIndex = fileIndex;
  link.target = static_cast<std::int32_t>(target);
  link.tagPos = tagPos;
  link.valuePos = valuePos;
  link.quoteKind = span.quoteKind;
  link.spanLength = span.spanLength;
  link.opening = span.opening;
  link.entry = entry;
  context.anchors.addLink(link, url, rawFragment);
}

// The listed file a local path names: one spelled exactly so, else (the
// first in list order) one that differs in ASCII case alone, which is exact
// too unless the options ask for letter case to match.
struct CaseMatch {
  std::int64_t target = -1;
  bool exact = true;
};

CaseMatch matchFile(const SearchContext& context, std::string_view localPath) {
  CaseMatch match;
  if (!context.settings.matchCase) {
    match.target = context.files.findByPath(localPath);
    return match;
  }
  const FileList::PathMatch found = context.files.matchPath(localPath);
  match.target = found.exact >= 0 ? found.exact : found.first;
  match.exact = found.exact >= 0 || found.first < 0;
  return match;
}

}  // namespace

std::string absoluteFileUrl(std::string_view targetPath, std::string_view fragment, bool quote, FileUrlStyle style) {
  std::string url;
  url.reserve(targetPath.size() + fragment.size() + kFileScheme.size() + 2);
  if (quote) url.push_back('"');
  url.append(kFileScheme);
  if (style == FileUrlStyle::Drive) {
    url.append(targetPath);
    url.append(fragment);
    if (quote) url.push_back('"');
    convertSeparators(url, SeparatorMode::Url);
    return url;
  }
  for (char c : targetPath) url.push_back(c == '\\' ? '/' : c);
  url.append(fragment);
  if (quote) url.push_back('"');
  return url;
}

UrlEntry occurrenceEntry(std::string url, ValueSpan span, std::int64_t tagPos, std::int64_t valuePos,
                         std::int32_t fileIndex) {
  UrlEntry entry;
  entry.url = std::move(url);
  entry.quoteKind = span.quoteKind;
  entry.spanLength = span.spanLength;
  entry.valuePos = valuePos;
  entry.tagPos = tagPos;
  entry.fileIndex = fileIndex;
  entry.opening = span.opening;
  return entry;
}

std::string deletionReplacement(char opening) {
  // Both proposals unwrap to the empty text; a bare value keeps a pair of
  // quotes so that the attribute is still written with a value.
  const bool bare = !(opening == '"' || opening == '\'' || opening == '\\');
  return replacementText({}, bare, false);
}

bool recordOccurrence(SearchContext& context, std::string_view base, std::string_view suffix, ValueSpan span,
                      std::int64_t tagPos, std::int64_t valuePos, std::int32_t fileIndex, std::int64_t target,
                      bool internetUrl) {
  std::string url;
  url.reserve(base.size() + suffix.size());
  url.append(base);
  url.append(suffix);
  UrlEntry entry = occurrenceEntry(std::move(url), span, tagPos, valuePos, fileIndex);
  entry.internetUrl = internetUrl;

  if (target < 0) {
    entry.replacement = deletionReplacement(span.opening);
  } else {
    entry.target = static_cast<std::int32_t>(target);
    entry.replacement = targetReplacement(context, static_cast<std::size_t>(target), fileIndex, suffix, span.opening);
  }
  return context.urls.append(std::move(entry));
}

std::string targetReplacement(const SearchContext& context, std::size_t target, std::int32_t fileIndex,
                              std::string_view suffix, char opening) {
  const std::string& targetPath = context.files.path(target);
  const bool quote = opening == '\0' && targetPath.find(' ') != std::string::npos;
  std::string value;
  if (context.settings.useRelativePaths) {
    const std::string& currentPath = context.files.path(static_cast<std::size_t>(fileIndex));
    value = makeRelativePath(targetPath, currentPath, SeparatorMode::Url);
    value.append(suffix);
  } else {
    value = absoluteFileUrl(targetPath, suffix, false, kHostFileUrlStyle);
  }
  return replacementText(value, quote, false);
}

void proposeSavedFromCopies(SearchContext& context, const std::vector<SavedFromLookup>& lookups,
                            std::size_t entryOffset) {
  for (const SavedFromLookup& lookup : lookups) {
    const std::optional<std::int32_t> copy = context.savedFrom.find(lookup.requested);
    if (!copy) continue;
    const std::size_t index = entryOffset + lookup.entry;
    const UrlEntry& entry = context.urls.entry(index);
    const std::string_view suffix = std::string_view(entry.url).substr(lookup.suffixStart);
    context.urls.setProposal(
        index, *copy,
        targetReplacement(context, static_cast<std::size_t>(*copy), entry.fileIndex, suffix, entry.opening));
  }
}

int classifyUrl(SearchContext& context, const TextView& text, std::int32_t fileIndex, std::int64_t tagPos,
                std::int64_t valuePos, std::size_t* valueLength) {
  // Every option is read where its test stands, not copied up front.
  const Settings& settings = context.settings;
  const FileList& files = context.files;

  const bool styleArgument = tagPos == StyleUrl;
  ValueRead read = readValue(text, valuePos, styleArgument ? StyleValue : AttributeValue);
  if (valueLength != nullptr) *valueLength = read.count;
  if (read.count == 0) return 0;
  ValueSpan valueSpan;
  valueSpan.quoteKind = read.quoteKind;
  valueSpan.spanLength = read.spanLength;
  valueSpan.opening = openingOf(text, valuePos);

  Address address = addressOf(text, std::move(read.text), valuePos, valueSpan, read.content, styleArgument);
  std::string& url = address.text;
  if (url.empty()) return 0;

  // The anchor check compares the fragment as written, before decoding.
  std::string rawFragment;
  if (settings.checkAnchors) {
    if (const std::size_t hash = url.find('#'); hash != std::string::npos) rawFragment = url.substr(hash + 1);
  }
  if (settings.convertCodedChars) decodeUrl(url);
  // The path alone is judged; the query and the fragment ride along.
  const std::string base = splitFragment(url).base;  // the path and its query
  const std::string path = base.substr(0, base.find('?'));
  const std::string_view suffix = std::string_view(url).substr(path.size());
  const auto noteAnchor = [&](std::int64_t target, bool recorded) {
    noteAnchorLink(context, url, rawFragment, address.span, tagPos, address.pos, fileIndex, target,
                   recorded ? static_cast<std::int64_t>(context.urls.count()) - 1 : -1);
  };
  if (path.empty()) {
    // The same page: an anchor in it, or another query. Only a page has
    // anchors; a style sheet's url(#id) names a part of the page that uses it.
    if (fileKind(files.path(static_cast<std::size_t>(fileIndex))) == FileKind::Html) noteAnchor(fileIndex, false);
    return 0;
  }

  const auto record = [&](std::int64_t target, bool internetUrl = false) {
    return recordOccurrence(context, path, suffix, address.span, tagPos, address.pos, fileIndex, target, internetUrl)
               ? 1
               : 0;
  };

  // An Internet URL proposes the local copy saved from it, if any.
  const auto recordInternet = [&](const std::string& requested) {
    if (context.savedFromLater == nullptr) return record(indexOrNone(context.savedFrom.find(requested)), true);
    const int made = record(-1, true);
    if (made > 0) context.savedFromLater->push_back({context.urls.count() - 1, requested, path.size()});
    return made;
  };

  const bool scriptLink = startsWithAny(path, kScriptSchemes);
  if (settings.ignoreScriptLinks && scriptLink) return 0;

  const bool schemeRelative = startsWithIgnoreAsciiCase(path, kSchemeRelative);
  if (schemeRelative || startsWithAny(path, kInternetSchemes)) {
    // Checked and looked up as a browser asks for it: with its query.
    const std::string requested = schemeRelative ? std::string(kSchemeRelativeScheme) + base : base;
    if (settings.checkInternetUrls && context.internet.checkInternetUrl(context.panel, requested)) return 0;
    // A page of the site's own servers is proposed once every page was read
    // (proposeOwnPages): only then are those servers known.
    return recordInternet(requested);
  }

  if (startsWithIgnoreAsciiCase(path, kFileScheme)) {
    std::string localPath = path.substr(kFileScheme.size());
    convertSeparators(localPath, SeparatorMode::Windows);
    const CaseMatch found = matchFile(context, localPath);
    if (found.target >= 0) {
      // A good absolute link: recorded only to be proposed in relative form
      // (or, spelled in another letter case, in its file's own spelling).
      const int made = settings.useRelativePaths || !found.exact ? record(found.target) : 0;
      noteAnchor(found.target, made > 0);
      return made;
    }
    return record(sameNameTarget(files, localPath, static_cast<std::size_t>(fileIndex)));
  }

  if (startsWithIgnoreAsciiCase(path, kWebPrefix) && settings.addHttpPrefix) {
    std::string fullForm;
    fullForm.reserve(kHttpPrefix.size() + url.size());
    fullForm.append(kHttpPrefix);
    fullForm.append(url);
    // Two entries for one span: the "http://" proposal, then, unless the full
    // form is reachable, the unverified Internet URL.
    int made = appendPrefixProposal(context, url, fullForm, address.span, tagPos, address.pos, fileIndex) ? 1 : 0;
    if (settings.checkInternetUrls && context.internet.checkInternetUrl(context.panel, fullForm)) return made;
    made += recordInternet(fullForm);
    return made;
  }

  // Any other scheme names nothing on this disk and nothing the check could
  // try (mailto:, tel:, data:, news: ...).
  if (startsWithScheme(path) && !scriptLink) return 0;

  // The e-mail guess is for a bare address: never one with a scheme or a '/'.
  if (settings.addMailtoPrefix && looksLikeEmailAddress(base) && !startsWithScheme(path) &&
      base.find('/') == std::string::npos) {
    std::string proposal;
    proposal.reserve(kMailtoPrefix.size() + url.size());
    proposal.append(kMailtoPrefix);
    proposal.append(url);
    return appendPrefixProposal(context, url, std::move(proposal), address.span, tagPos, address.pos, fileIndex) ? 1
                                                                                                                 : 0;
  }

  // Everything else is a path relative to the current file's folder,
  // root-relative paths included.
  std::string localPath = splitPath(files.path(static_cast<std::size_t>(fileIndex))).folder;
  if (localPath.empty() || localPath.back() != '\\') localPath.push_back('\\');
  localPath.append(path);
  convertSeparators(localPath, SeparatorMode::Windows);
  const CaseMatch found = matchFile(context, localPath);
  if (found.target >= 0) {
    // A good relative link: recorded only to be proposed in absolute form
    // (or, spelled in another letter case, in its file's own spelling).
    const int made = settings.useRelativePaths && found.exact ? 0 : record(found.target);
    noteAnchor(found.target, made > 0);
    return made;
  }
  return record(sameNameTarget(files, localPath, static_cast<std::size_t>(fileIndex)));
}

}  // namespace quillorn
