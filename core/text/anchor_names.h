#pragma once
// The anchors of a page: the names a link's fragment ("page.html#part") can
// lead to. A browser goes to the element whose id is the fragment, or to the
// A element of that name; these are read as its tokenizer reads tags, so a
// '>' inside a quoted value does not end the tag, comments hold no elements,
// and the text of a SCRIPT, STYLE, TEXTAREA, TITLE or XMP element holds no
// tags.
//
// Known limits: the page's scripts are not run, so an anchor a script makes
// is not seen; character references are decoded as decodeUrl decodes them
// (the 100 entities of its table and numeric ones); names compare byte for
// byte as host text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/document_buffer.h"

namespace quillorn {

// A set of anchor names held in one block of text: a page of millions of
// anchors costs little more than their characters.
class AnchorNames {
 public:
  // Adds a name; an empty one names nothing and is not kept.
  void add(std::string_view name);
  // Sorts the names and drops repeats; done once, after the last add.
  void seal();

  std::size_t size() const { return spans_.size(); }
  std::string_view name(std::size_t index) const { return {text_.data() + spans_[index].start, spans_[index].length}; }
  // Precondition: sealed.
  bool contains(std::string_view name) const;

  // The one name that equals `fragment` when letter case (ASCII), and the
  // difference between '-', '_' and a blank, are ignored; empty when no name
  // or more than one does. Precondition: sealed.
  std::string_view nearMatch(std::string_view fragment) const;

  // Appends to the text being collected; the collector's way of adding a
  // name without copying it twice: begin, append, then end.
  std::string& beginName() {
    start_ = text_.size();
    return text_;
  }
  void endName();

 private:
  // The text of a page of at most platform::kMaxReadBytes characters, each
  // at most three bytes of host text, fits 32-bit offsets.
  struct Span {
    std::uint32_t start;
    std::uint32_t length;
  };
  std::string text_;
  std::vector<Span> spans_;
  std::size_t start_ = 0;
};

// The anchors of the page `text`: the id of every element and the name of
// every A element, character references decoded, as host text.
AnchorNames collectAnchorNames(const TextView& text);

}  // namespace quillorn
