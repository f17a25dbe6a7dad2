#include "core/search/url_classifier.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "core/search/url_table.h"
#include "core/text/ascii.h"
#include "core/text/markup_lexing.h"
#include "core/text/url_transforms.h"

namespace quillorn {
namespace {

constexpr std::array<std::string_view, 3> kScriptSchemes = {"javascript:", "vbscript:", "about:"};
constexpr std::array<std::string_view, 3> kInternetSchemes = {"http://", "ftp://", "gopher://"};
constexpr std::string_view kFileScheme = "file://";
constexpr std::string_view kWebPrefix = "www.";
constexpr std::string_view kHttpPrefix = "http://";
constexpr std::string_view kMailtoPrefix = "mailto:";

bool startsWithAny(std::string_view text, const std::array<std::string_view, 3>& prefixes) {
  return std::any_of(prefixes.begin(), prefixes.end(),
                     [text](std::string_view prefix) { return startsWithIgnoreAsciiCase(text, prefix); });
}

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

// Appends an entry whose replacement is a prefix proposal ("http://",
// "mailto:"), made without a target.
bool appendPrefixProposal(SearchContext& context, std::string url, std::string replacement, ValueSpan span,
                          std::int64_t tagPos, std::int64_t valuePos, std::int32_t fileIndex) {
  UrlEntry entry;
  entry.url = std::move(url);
  entry.replacement = std::move(replacement);
  entry.quoteKind = span.quoteKind;
  entry.spanLength = span.spanLength;
  entry.valuePos = valuePos;
  entry.tagPos = tagPos;
  entry.fileIndex = fileIndex;
  return context.urls.append(std::move(entry));
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

bool recordOccurrence(SearchContext& context, std::string_view base, std::string_view fragment, const TextView& text,
                      ValueSpan span, std::int64_t tagPos, std::int64_t valuePos, std::int32_t fileIndex,
                      std::int64_t target) {
  UrlEntry entry;
  entry.url.reserve(base.size() + fragment.size());
  entry.url.append(base);
  entry.url.append(fragment);
  entry.quoteKind = span.quoteKind;
  entry.spanLength = span.spanLength;
  entry.valuePos = valuePos;
  entry.tagPos = tagPos;
  entry.fileIndex = fileIndex;

  const char first = text.charOrZero(valuePos);
  const char next = text.charOrZero(valuePos + text.step);
  const bool escapedQuote = first == '\\' && next == '"';

  if (target < 0) {
    // Both proposals unwrap to the empty text; a bare value keeps a pair of
    // quotes so that the attribute is still written with a value.
    if (!(first == '"' || first == '\'' || escapedQuote)) entry.replacement = "\"\"";
  } else {
    const std::string& targetPath = context.files.path(static_cast<std::size_t>(target));
    const bool delimited = first == '"' || first == '\'' || first == '(' || escapedQuote;
    const bool quote = !delimited && targetPath.find(' ') != std::string::npos;
    if (context.settings.useRelativePaths != 0) {
      const std::string& currentPath = context.files.path(static_cast<std::size_t>(fileIndex));
      if (quote) entry.replacement.push_back('"');
      entry.replacement.append(makeRelativePath(targetPath, currentPath, SeparatorMode::Url));
      entry.replacement.append(fragment);
      if (quote) entry.replacement.push_back('"');
    } else {
      entry.replacement = absoluteFileUrl(targetPath, fragment, quote, kHostFileUrlStyle);
    }
  }
  return context.urls.append(std::move(entry));
}

int classifyUrl(SearchContext& context, const TextView& text, std::int32_t fileIndex, std::int64_t tagPos,
                std::int64_t valuePos, std::size_t* valueLength) {
  // Every option is read where its test stands, not copied up front.
  const Settings& settings = context.settings;
  const FileList& files = context.files;

  std::string value;
  ValueSpan span;
  const std::size_t length = readValue(text, valuePos, tagPos == StyleUrl ? StyleValue : AttributeValue, &value,
                                       &span.quoteKind, &span.spanLength);
  if (valueLength != nullptr) *valueLength = length;
  if (length == 0) return 0;

  if (settings.convertCodedChars != 0) decodeUrl(value);
  const SplitFragmentResult parts = splitFragment(value);
  const std::string& base = parts.base;
  const std::string& fragment = parts.fragment;
  if (base.empty()) return 0;  // a same-page anchor

  const auto record = [&](std::string_view recordedBase, std::int64_t target) {
    return recordOccurrence(context, recordedBase, fragment, text, span, tagPos, valuePos, fileIndex, target) ? 1 : 0;
  };

  if (settings.ignoreScriptLinks != 0 && startsWithAny(base, kScriptSchemes)) return 0;

  if (startsWithAny(base, kInternetSchemes)) {
    if (settings.checkInternetUrls != 0 && context.internet.checkInternetUrl(context.panel, base)) return 0;
    std::int64_t target = indexOrNone(context.savedFrom.find(base));
    if (target < 0 && settings.findReplacements != 0) target = files.findByFileName(base);
    return record(base, target);
  }

  if (startsWithIgnoreAsciiCase(base, kFileScheme)) {
    std::string path = base.substr(kFileScheme.size());
    convertSeparators(path, SeparatorMode::Windows);
    const std::int64_t target = files.findByPath(path);
    if (target >= 0) {
      // A good absolute link: recorded only to be proposed in relative form.
      return settings.useRelativePaths != 0 ? record(base, target) : 0;
    }
    return record(base, files.findByFileName(path));
  }

  if (startsWithIgnoreAsciiCase(base, kWebPrefix) && settings.addHttpPrefix != 0) {
    std::string fullForm;
    fullForm.reserve(kHttpPrefix.size() + value.size());
    fullForm.append(kHttpPrefix);
    fullForm.append(value);
    // Two entries for one span: the "http://" proposal, then, unless the full
    // form is reachable, the unverified Internet URL.
    int made = appendPrefixProposal(context, value, fullForm, span, tagPos, valuePos, fileIndex) ? 1 : 0;
    if (settings.checkInternetUrls != 0 && context.internet.checkInternetUrl(context.panel, fullForm)) return made;
    std::int64_t target = indexOrNone(context.savedFrom.find(fullForm));
    if (target < 0 && settings.findReplacements != 0) target = files.findByFileName(fullForm);
    made += record(base, target);
    return made;
  }

  if (startsWithIgnoreAsciiCase(base, kMailtoPrefix)) return 0;  // e-mail links are never checked

  if (base.find('@') != std::string::npos && settings.addMailtoPrefix != 0 && looksLikeEmailAddress(base)) {
    std::string proposal;
    proposal.reserve(kMailtoPrefix.size() + value.size());
    proposal.append(kMailtoPrefix);
    proposal.append(value);
    return appendPrefixProposal(context, value, std::move(proposal), span, tagPos, valuePos, fileIndex) ? 1 : 0;
  }

  // Everything else is a path relative to the current file's folder, other
  // schemes and root-relative paths included.
  std::string path = splitPath(files.path(static_cast<std::size_t>(fileIndex))).folder;
  if (path.empty() || path.back() != '\\') path.push_back('\\');
  path.append(base);
  convertSeparators(path, SeparatorMode::Windows);
  const std::int64_t target = files.findByPath(path);
  if (target >= 0) {
    // A good relative link: recorded only to be proposed in absolute form.
    return settings.useRelativePaths != 0 ? 0 : record(base, target);
  }
  return record(base, files.findByFileName(path));
}

}  // namespace quillorn
