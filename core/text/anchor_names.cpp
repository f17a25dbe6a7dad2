#include "core/text/anchor_names.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/text/ascii.h"
#include "core/text/url_transforms.h"

namespace quillorn {
namespace {

// The characters a browser's tokenizer treats as white space inside a tag.
bool isTagSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The key under which near names are equal: small letters, and '-' for '_' and a blank.
char nearKey(char c) { return c == '_' || c == ' ' ? '-' : asciiLower(c); }

bool nearlyEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (nearKey(a[i]) != nearKey(b[i])) return false;
  }
  return true;
}

// Elements whose text a browser reads as text, never as tags.
constexpr std::array<std::string_view, 5> kTextElements = {"SCRIPT", "STYLE", "TEXTAREA", "TITLE", "XMP"};

// One page's walk from tag to tag, for one character step (1, or 2 for
// UTF-16), so that the loops over a tag's characters read bytes directly.
template <int Step>
class AnchorWalk {
 public:
  AnchorWalk(const TextView& text, AnchorNames& names)
      : text_(text), data_(text.data), end_(text.end()), names_(names) {}

  void run() {
    Pos p = nextChar(0, '<');
    while (p != kNotFound) {
      const Pos after = p + step_;
      const char c = at(after);
      if (isAsciiLetter(c)) {
        p = startTag(after);
      } else if (c == '!' && spells(after + step_, "--")) {
        // A comment ends at the next "-->" after its opening "<!--".
        p = afterPattern(after + 3 * step_, "-->");
      } else if (c == '!' || c == '/' || c == '?') {
        // A doctype, an end tag or a bogus comment: no anchors up to its '>'.
        p = afterChar(after, '>');
      } else {
        p = after;  // a '<' of the text
      }
      if (p != kNotFound) p = nextChar(p, '<');
    }
  }

 private:
  bool hasChar(Pos pos) const { return pos >= 0 && pos + Step <= end_; }
  // Precondition: hasChar(pos).
  char charAt(Pos pos) const {
    if constexpr (Step == 1) {
      return static_cast<char>(data_[pos]);
    } else {
      return narrowChar(data_ + pos);
    }
  }
  char at(Pos pos) const { return hasChar(pos) ? charAt(pos) : '\0'; }

  Pos nextChar(Pos from, char c) const {
    if (from < 0 || from >= end_) return kNotFound;
    if constexpr (Step == 1) {
      const void* hit = std::memchr(data_ + from, static_cast<unsigned char>(c), static_cast<std::size_t>(end_ - from));
      return hit == nullptr ? kNotFound : static_cast<const std::uint8_t*>(hit) - data_;
    } else {
      for (Pos p = from; hasChar(p); p += Step) {
        if (charAt(p) == c) return p;
      }
      return kNotFound;
    }
  }

  Pos afterChar(Pos from, char c) const {
    const Pos hit = nextChar(from, c);
    return hit == kNotFound ? kNotFound : hit + step_;
  }

  // Whether `pattern` (capitals, or no letters) stands at `pos`, ignoring ASCII case.
  bool spells(Pos pos, std::string_view pattern) const {
    for (const char want : pattern) {
      if (!hasChar(pos) || asciiUpper(charAt(pos)) != want) return false;
      pos += step_;
    }
    return true;
  }

  Pos afterPattern(Pos from, std::string_view pattern) const {
    for (Pos p = nextChar(from, pattern[0]); p != kNotFound; p = nextChar(p + step_, pattern[0])) {
      if (spells(p, pattern)) return p + static_cast<Pos>(pattern.size()) * step_;
    }
    return kNotFound;
  }

  // Reads the start tag whose name begins at `name`; returns where the walk
  // goes on, or -1 when the text ends inside the tag or inside an element of
  // text.
  Pos startTag(Pos name) {
    Pos p = name;
    std::size_t nameLength = 0;
    std::array<char, 9> folded{};  // enough for the longest name that matters
    for (; hasChar(p); p += step_) {
      const char c = charAt(p);
      if (isTagSpace(c) || c == '/' || c == '>') break;
      if (nameLength < folded.size()) folded[nameLength] = asciiUpper(c);
      ++nameLength;
    }
    const std::string_view tagName(folded.data(), std::min(nameLength, folded.size()));
    const bool isA = nameLength == 1 && tagName == "A";
    bool idSeen = false;
    bool nameSeen = false;

    for (;;) {
      while (hasChar(p) && (isTagSpace(at(p)) || at(p) == '/')) p += step_;
      if (!hasChar(p)) return kNotFound;
      if (at(p) == '>') break;
      // The attribute's name: a first '=' belongs to it.
      const Pos nameStart = p;
      p += step_;
      while (hasChar(p)) {
        const char c = charAt(p);
        if (isTagSpace(c) || c == '/' || c == '>' || c == '=') break;
        p += step_;
      }
      const Pos nameEnd = p;
      while (hasChar(p) && isTagSpace(at(p))) p += step_;
      if (at(p) != '=') continue;  // no value
      p += step_;
      while (hasChar(p) && isTagSpace(at(p))) p += step_;

      const std::int64_t attributeLength = (nameEnd - nameStart) / step_;
      const bool isId = attributeLength == 2 && spells(nameStart, "ID") && !idSeen;
      const bool isName = isA && attributeLength == 4 && spells(nameStart, "NAME") && !nameSeen;
      idSeen = idSeen || isId;
      nameSeen = nameSeen || isName;
      p = value(p, isId || isName);
      if (p == kNotFound) return kNotFound;
    }
    p += step_;  // the '>'

    for (const std::string_view element : kTextElements) {
      if (nameLength == element.size() && tagName == element) return afterTextElement(p, element);
    }
    return p;
  }

  // Passes over the value at `pos`, keeping it as a name when `keep`; returns
  // the position after it, or -1 when a quoted value never closes.
  Pos value(Pos pos, bool keep) {
    const char quote = at(pos);
    Pos start = pos;
    Pos end = kNotFound;
    Pos after = kNotFound;
    if (quote == '"' || quote == '\'') {
      start = pos + step_;
      end = nextChar(start, quote);
      if (end == kNotFound) return kNotFound;
      after = end + step_;
    } else {
      end = pos;
      while (hasChar(end) && !isTagSpace(charAt(end)) && charAt(end) != '>') end += step_;
      after = end;
    }
    if (keep && end > start) {
      std::string& out = names_.beginName();
      const std::size_t first = out.size();
      bool reference = false;
      for (Pos q = start; q < end; q += step_) {
        if (charAt(q) == '&') reference = true;
        appendHostChar(text_, q, out);
      }
      if (reference) {
        std::string name = out.substr(first);
        decodeCharacterReferences(name);
        out.resize(first);
        out += name;
      }
      names_.endName();
    }
    return after;
  }

  // Where the walk goes on after an element of text whose start tag ends at
  // `pos`: after its end tag, or -1 when it has none.
  Pos afterTextElement(Pos pos, std::string_view element) const {
    for (Pos p = nextChar(pos, '<'); p != kNotFound; p = nextChar(p + step_, '<')) {
      if (at(p + step_) != '/' || !spells(p + 2 * step_, element)) continue;
      const Pos close = p + (2 + static_cast<Pos>(element.size())) * step_;
      const char c = at(close);
      if (isTagSpace(c) || c == '/' || c == '>') return afterChar(close, '>');
    }
    return kNotFound;
  }

  const TextView& text_;
  const std::uint8_t* data_;
  const Pos end_;
  static constexpr int step_ = Step;
  AnchorNames& names_;
};

}  // namespace

void AnchorNames::add(std::string_view name) {
  beginName().append(name);
  endName();
}

void AnchorNames::endName() {
  const std::size_t length = text_.size() - start_;
  if (length == 0) return;
  spans_.push_back({static_cast<std::uint32_t>(start_), static_cast<std::uint32_t>(length)});
}

void AnchorNames::seal() {
  const auto view = [this](const Span& span) { return std::string_view(text_.data() + span.start, span.length); };
  std::sort(spans_.begin(), spans_.end(), [&](const Span& a, const Span& b) { return view(a) < view(b); });
  spans_.erase(
      std::unique(spans_.begin(), spans_.end(), [&](const Span& a, const Span& b) { return view(a) == view(b); }),
      spans_.end());
}

bool AnchorNames::contains(std::string_view name) const {
  std::size_t low = 0;
  std::size_t high = spans_.size();
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    const std::string_view here = this->name(middle);
    if (here == name) return true;
    if (here < name) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return false;
}

std::string_view AnchorNames::nearMatch(std::string_view fragment) const {
  std::string_view found;
  for (std::size_t i = 0; i < spans_.size(); ++i) {
    const std::string_view candidate = name(i);
    if (!nearlyEqual(candidate, fragment)) continue;
    if (!found.empty()) return {};
    found = candidate;
  }
  return found;
}

AnchorNames collectAnchorNames(const TextView& text) {
  AnchorNames names;
  if (text.step == 1) {
    AnchorWalk<1>(text, names).run();
  } else {
    AnchorWalk<2>(text, names).run();
  }
  names.seal();
  return names;
}

}  // namespace quillorn
