#include "core/rewrite/tag_rewriter.h"

#include <algorithm>
#include <array>
#include <optional>
#include <set>
#include <utility>

#include "core/model/link_tags.h"
#include "core/text/ascii.h"
#include "core/text/markup_lexing.h"
#include "core/text/url_transforms.h"
#include "platform/host_path.h"

namespace quillorn {
namespace {

// The table row of a tag: the pending stack holds the rows whose end tag is
// to go, and the end-tag searches are kept per row.
using TagRow = std::size_t;

// A tag name read from the document, with its '<'; one longer than every name
// of the table matches none, so reading stops there.
constexpr std::size_t kLongestReadName = kLongestLinkTagName + 1;

constexpr std::string_view kFileScheme = "file://";

bool isControl(char c) { return static_cast<unsigned char>(c) < 32; }

// The number of delimiter characters on each side of a value of this kind,
// or -1 for a kind the table cannot hold.
int delimiterChars(QuoteKind kind) {
  switch (kind) {
    case Bare: return 0;
    case Delimited: return 1;
    case EscapedQuotes: return 2;
  }
  return -1;
}

// Whether the entry's span lies whole inside the text, on the character grid,
// with room for its delimiters. Positions come from the table, which may have
// been edited by hand (a decisions file); a span that does not fit is never
// read or written, and the occurrence is left as it stands.
bool spanFits(const TextView& text, const UrlEntry& entry) {
  const int k = delimiterChars(entry.quoteKind);
  if (k < 0 || entry.valuePos < 0 || entry.spanLength < 2 * k) return false;
  if (entry.valuePos % text.step != 0 || entry.valuePos > text.end()) return false;
  return entry.spanLength <= (text.end() - entry.valuePos) / text.step;
}

bool enclosedInQuotes(std::string_view text) { return text.size() >= 2 && text.front() == '"' && text.back() == '"'; }

// Appends the bytes of a new value: the entry's own opening delimiters, the
// value in the document's own text (appendDocumentText), the entry's own
// closing delimiters. Delimiters are taken only from a span that fits the text.
void appendComposed(const TextView& text, const UrlEntry& entry, std::string_view value, std::string& out) {
  const std::size_t k = spanFits(text, entry) ? static_cast<std::size_t>(delimiterChars(entry.quoteKind)) : 0;
  const auto step = static_cast<std::size_t>(text.step);
  const std::size_t delimiterBytes = k * step;
  out.reserve(out.size() + 2 * delimiterBytes + value.size() * step);
  const char* span = nullptr;
  if (k > 0) {
    span = reinterpret_cast<const char*>(text.data) + entry.valuePos;
    out.append(span, delimiterBytes);
  }
  appendDocumentText(text, value, out);
  if (k > 0) {
    const std::size_t spanBytes = static_cast<std::size_t>(entry.spanLength) * step;
    out.append(span + spanBytes - delimiterBytes, delimiterBytes);
  }
}

// The search result "first hit at or after writtenPos", kept between calls.
// writtenPos never moves back, so a hit stays the first one until writtenPos
// passes it, and "none" stays none; each new search starts beyond the last
// hit, which keeps all the end-tag searches of a document linear.
struct CachedSearch {
  Pos from = kNotFound;
  Pos hit = kNotFound;
};

// What the output does with one occurrence.
enum class Fate {
  Kept,     // holds it as it stood
  Changed,  // holds a new value, or removed it with its tag
  AsNext,   // the next occurrence, of the same value, decides
};

class DocumentRewriter {
 public:
  DocumentRewriter(const TextView& text, const UrlTable& table, const FileList& files, const Settings& settings,
                   std::int32_t fileIndex, OutputSink& out)
      : text_(text), table_(table), files_(files), settings_(settings), fileIndex_(fileIndex), out_(out) {}

  // Rewrites the whole document; false when a write failed (the output then
  // stops where it failed).
  bool run(const std::vector<std::size_t>& list) {
    fates_.assign(list.size(), Fate::Kept);
    for (std::size_t k = 0; k < list.size(); ++k) {
      const std::size_t index = list[k];
      const UrlEntry& entry = table_.entry(index);
      endTagPhase(&entry);
      if (failed_) return false;
      // The value lies in text already written or removed: what was done
      // there was done to it.
      if (entry.valuePos < writtenPos_) {
        fates_[k] = coveredFate_;
        continue;
      }
      const Decision decision = decisionOf(entry);
      fates_[k] =
          decision.proposesDeletion ? applyDeleteRules(entry, decision) : applyReplacementRules(index, entry, decision);
      if (failed_) return false;
    }
    while (!pending_.empty()) {
      endTagPhase(nullptr);
      if (failed_) return false;
    }
    copyUpTo(text_.end());
    // The later entry of one value follows it in the list, unless the caller
    // left it out: then nothing decided, and the value stands.
    for (std::size_t k = list.size(); k-- > 0;) {
      if (fates_[k] != Fate::AsNext) continue;
      fates_[k] = k + 1 < list.size() && list[k + 1] == list[k] + 1 ? fates_[k + 1] : Fate::Kept;
    }
    return !failed_;
  }

  // The values of `list` (sorted by offset) of which an occurrence changed.
  std::size_t changedValues(const std::vector<std::size_t>& list) const {
    std::size_t changed = 0;
    Pos counted = kNotFound;
    for (std::size_t k = 0; k < fates_.size(); ++k) {
      const Pos pos = table_.entry(list[k]).valuePos;
      if (fates_[k] != Fate::Changed || pos == counted) continue;
      ++changed;
      counted = pos;
    }
    return changed;
  }

 private:
  // Writes the document from writtenPos up to `pos` (not moving writtenPos).
  void copyUpTo(Pos pos) {
    pos = std::min(pos, text_.end());
    if (failed_ || pos <= writtenPos_) return;
    write(text_.data + writtenPos_, static_cast<std::size_t>(pos - writtenPos_));
  }

  void write(const std::uint8_t* bytes, std::size_t count) {
    if (failed_) return;
    if (!out_.write(bytes, count)) failed_ = true;
  }

  const std::string& documentPath() const {
    static const std::string kNoPath;
    if (fileIndex_ < 0 || static_cast<std::size_t>(fileIndex_) >= files_.count()) return kNoPath;
    return files_.path(static_cast<std::size_t>(fileIndex_));
  }

  // Changed unless the new bytes are the old ones.
  Fate writeValue(const UrlEntry& entry, std::string_view value) {
    copyUpTo(entry.valuePos);
    valueBytes_.clear();
    appendComposed(text_, entry, value, valueBytes_);
    write(reinterpret_cast<const std::uint8_t*>(valueBytes_.data()), valueBytes_.size());
    const Pos end = entry.valuePos + entry.spanLength * text_.step;
    const std::string_view old(reinterpret_cast<const char*>(text_.data) + entry.valuePos,
                               static_cast<std::size_t>(end - entry.valuePos));
    writtenPos_ = end;
    coveredFate_ = old == valueBytes_ ? Fate::Kept : Fate::Changed;
    return coveredFate_;
  }

  Fate applyReplacementRules(std::size_t index, const UrlEntry& entry, const Decision& decision) {
    // Two entries for one value (a web address without its protocol prefix
    // that is also broken): the later one decides. Only an entry of the same
    // file is the same value; an equal offset in another file is unrelated.
    // The tag positions are deliberately not compared: a later value of the
    // same tag is handled by the removal rule below (a tag whose '<' is
    // already written is never removed).
    if (index + 1 < table_.count()) {
      const UrlEntry& following = table_.entry(index + 1);
      if (following.fileIndex == entry.fileIndex && following.valuePos == entry.valuePos &&
          spanFits(text_, following)) {
        return Fate::AsNext;
      }
    }
    if (decision.relativePath) return writeValue(entry, resolveTarget(decision.written, documentPath()));
    return writeValue(entry, decision.written);
  }

  // `decision` proposes deletion: its written text is "" or two double quotes.
  Fate applyDeleteRules(const UrlEntry& entry, const Decision& decision) {
    // Script strings and style-sheet url( ) have no tag: nothing applies.
    if (entry.tagPos < 0) return Fate::Kept;
    const std::optional<TagRow> row = tagRowAt(entry.tagPos);
    if (!row) return Fate::Kept;
    const DeletionChoice textLinks = settings_.textLinkAction;
    switch (kLinkTags[*row].deletion) {
      case LinkDeletion::Image:
        return applyImagePolicy(entry, decision, settings_.imageUrlAction, settings_.imageReplacementUrl);
      case LinkDeletion::Background:
        return applyImagePolicy(entry, decision, settings_.backgroundUrlAction, settings_.backgroundReplacementUrl);
      case LinkDeletion::TextLink:
      case LinkDeletion::StyleBlock:
        if (textLinks == DeletionChoice::ConvertToText) return removeStartTag(entry, *row);
        if (textLinks == DeletionChoice::MakeEmpty) return writeValue(entry, "#");
        break;
      case LinkDeletion::AreaOrLink:
        if (textLinks == DeletionChoice::ConvertToText || textLinks == DeletionChoice::MakeEmpty) {
          return writeValue(entry, "#");
        }
        break;
      case LinkDeletion::Embedded:
        if (textLinks == DeletionChoice::ConvertToText) return removeStartTag(entry, *row);
        if (textLinks == DeletionChoice::MakeEmpty) return writeValue(entry, decision.written);
        break;
      case LinkDeletion::None: break;
    }
    return Fate::Kept;
  }

  // Images and backgrounds: keep, empty, or the fixed replacement URL, which a
  // bare value gets in double quotes.
  Fate applyImagePolicy(const UrlEntry& entry, const Decision& decision, DeletionChoice choice,
                        const std::string& fixedUrl) {
    if (choice == DeletionChoice::MakeEmpty) return writeValue(entry, decision.written);
    if (choice == DeletionChoice::ReplaceWithUrl) {
      std::string value = settings_.deletionRelativePaths ? resolveTarget(fixedUrl, documentPath()) : fixedUrl;
      if (decision.quoted) value = '"' + value + '"';
      return writeValue(entry, value);
    }
    return Fate::Kept;
  }

  // Removes the tag of `row` that holds `entry`; its end tag goes later.
  Fate removeStartTag(const UrlEntry& entry, TagRow row) {
    // A tag whose '<' has already been written (a value of it was replaced
    // before) cannot be taken back: the value stays as it is.
    if (entry.tagPos < writtenPos_) return Fate::Kept;
    // A start tag that never ends has nothing sound to remove: the value stays
    // and the rest of the document is kept.
    const Pos end = tagEnd(entry.tagPos);
    if (end == kNotFound) return Fate::Kept;
    copyUpTo(entry.tagPos);
    writtenPos_ = end;
    coveredFate_ = Fate::Changed;
    pending_.push_back(row);
    return Fate::Changed;
  }

  // Removes the end tags of the pending elements that the output has reached.
  // `next` is the occurrence about to be handled, or none at the end.
  void endTagPhase(const UrlEntry* next) {
    while (!pending_.empty() && !failed_) {
      const TagRow row = pending_.back();
      const Pos endTag = firstAtOrAfterWritten(endTagSearch_[row], kLinkTags[row].endTag);
      if (endTag == kNotFound) {
        pending_.pop_back();
        return;
      }
      // Another start tag of the same name first: that end tag is its own.
      const Pos startTag = firstAtOrAfterWritten(startTagSearch_[row], kLinkTags[row].name);
      if (startTag != kNotFound && startTag < endTag) {
        pending_.pop_back();
        return;
      }
      if (next != nullptr && endTag > next->valuePos) return;
      // An end tag with no '>' after it is left in the output with the rest of
      // the document, like one that cannot be found.
      const Pos end = tagEnd(endTag);
      if (end == kNotFound) {
        pending_.pop_back();
        return;
      }
      copyUpTo(endTag);
      writtenPos_ = end;
      coveredFate_ = Fate::Changed;
      pending_.pop_back();
    }
  }

  Pos firstAtOrAfterWritten(CachedSearch& search, std::string_view name) {
    const bool valid = search.from != kNotFound && search.from <= writtenPos_ &&
                       (search.hit == kNotFound || search.hit >= writtenPos_);
    if (!valid) search = {writtenPos_, findTag(text_, name, writtenPos_)};
    return search.hit;
  }

  // findTagEnd, remembering where the text has no tag end left so that a
  // document without one is not searched to its end again and again.
  Pos tagEnd(Pos from) {
    if (noTagEndFrom_ != kNotFound && from >= noTagEndFrom_) return kNotFound;
    const Pos end = findTagEnd(text_, from);
    if (end == kNotFound) noTagEndFrom_ = from;
    return end;
  }

  // The table row of the tag whose '<' is at `tagPos`, or none. The name runs from
  // the '<' to the first space, double quote, single quote or '>' not followed
  // by '='; control characters are passed over without ending it, so "<IMG"
  // and a line break before "src=" read as "<IMGsrc=", which matches nothing.
  // A name that the document ends in is empty. This reads like readValue in
  // TagValue mode, but stops after the longest rule name, and needs the '<'
  // itself: a position that holds none names no tag.
  std::optional<TagRow> tagRowAt(Pos tagPos) {
    if (tagPos == lastTagPos_) return lastRow_;
    lastTagPos_ = tagPos;
    lastRow_ = std::nullopt;
    if (tagPos % text_.step != 0 || !text_.hasChar(tagPos) || text_.charAt(tagPos) != '<') return std::nullopt;

    std::array<char, kLongestReadName> name{};
    std::size_t length = 0;
    bool ended = false;
    for (Pos p = tagPos; text_.hasChar(p); p += text_.step) {
      const char c = text_.charAt(p);
      if (isControl(c)) continue;
      if (c == ' ' || c == '"' || c == '\'' || (c == '>' && text_.charOrZero(p + text_.step) != '=')) {
        ended = true;
        break;
      }
      if (length == name.size()) return std::nullopt;  // longer than every name of the table
      name[length++] = c;
    }
    if (!ended) return std::nullopt;
    // The '<' starts what was read.
    const std::string_view read = std::string_view(name.data(), length).substr(1);
    for (TagRow row = 0; row < kLinkTags.size(); ++row) {
      if (equalsIgnoreAsciiCase(read, kLinkTags[row].name)) {
        lastRow_ = row;
        break;
      }
    }
    return lastRow_;
  }

  const TextView& text_;
  const UrlTable& table_;
  const FileList& files_;
  const Settings& settings_;
  std::int32_t fileIndex_;
  OutputSink& out_;

  Pos writtenPos_ = 0;
  bool failed_ = false;
  std::vector<TagRow> pending_;
  std::array<CachedSearch, kLinkTags.size()> endTagSearch_{};
  std::array<CachedSearch, kLinkTags.size()> startTagSearch_{};
  Pos noTagEndFrom_ = kNotFound;
  Pos lastTagPos_ = kNotFound;
  std::optional<TagRow> lastRow_;
  std::string valueBytes_;  // one composed value at a time, reused
  // What the last step past writtenPos did, for occurrences in the text it covered.
  Fate coveredFate_ = Fate::Kept;
  std::vector<Fate> fates_;  // by position in the list
};

}  // namespace

RewriteResult rewriteDocument(const TextView& text, const UrlTable& table, const std::vector<std::size_t>& occurrences,
                              const FileList& files, const Settings& settings, std::int32_t fileIndex,
                              OutputSink& out) {
  // The document's occurrences in file order; equal offsets keep table order
  // whatever order the caller listed them in.
  std::vector<std::size_t> list;
  list.reserve(occurrences.size());
  for (const std::size_t index : occurrences) {
    if (index < table.count() && table.entry(index).fileIndex == fileIndex) list.push_back(index);
  }
  std::sort(list.begin(), list.end(), [&table](std::size_t a, std::size_t b) {
    const Pos pa = table.entry(a).valuePos;
    const Pos pb = table.entry(b).valuePos;
    return pa != pb ? pa < pb : a < b;
  });
  list.erase(std::unique(list.begin(), list.end()), list.end());

  RewriteResult result;
  result.occurrences = list.size();
  // Entries whose span does not fit the text count, but are never touched.
  std::erase_if(list, [&](std::size_t index) { return !spanFits(text, table.entry(index)); });

  DocumentRewriter rewriter(text, table, files, settings, fileIndex, out);
  result.writeFailed = !rewriter.run(list);
  result.changedValues = rewriter.changedValues(list);
  return result;
}

std::size_t valueCount(const UrlTable& table, const std::vector<std::size_t>& entries) {
  std::set<std::pair<std::int32_t, std::int64_t>> values;
  for (const std::size_t index : entries) {
    if (index < table.count()) values.emplace(table.entry(index).fileIndex, table.entry(index).valuePos);
  }
  return values.size();
}

std::vector<std::vector<std::size_t>> entriesByFile(const UrlTable& table, std::size_t fileCount) {
  std::vector<std::vector<std::size_t>> byFile(fileCount);
  for (std::size_t i = 0; i < table.count(); ++i) {
    const std::int32_t fileIndex = table.entry(i).fileIndex;
    if (fileIndex >= 0 && static_cast<std::size_t>(fileIndex) < fileCount) {
      byFile[static_cast<std::size_t>(fileIndex)].push_back(i);
    }
  }
  return byFile;
}

std::string resolveTarget(std::string_view target, std::string_view documentPath) {
  const bool enclosed = enclosedInQuotes(target);
  if (startsWithIgnoreAsciiCase(target, kFileScheme) ||
      (enclosed && startsWithIgnoreAsciiCase(target.substr(1), kFileScheme))) {
    return makeRelativePath(target, documentPath, SeparatorMode::Url);
  }
  // Any other URL stays as written.
  if (target.find("://") != std::string_view::npos) return std::string(target);
  if (platform::isAbsolutePathText(target) || (enclosed && platform::isAbsolutePathText(target.substr(1)))) {
    return makeRelativePath(target, documentPath, SeparatorMode::Windows);
  }
  // A relative path, a drive path written with '/' or with '|' but without
  // "file://", a "mailto:" address.
  return std::string(target);
}

std::string composeValue(const TextView& text, const UrlEntry& entry, std::string_view value) {
  std::string bytes;
  appendComposed(text, entry, value, bytes);
  return bytes;
}

}  // namespace quillorn
