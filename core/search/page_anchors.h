#pragma once
// Links to parts of the site's pages ("page.html#part", "#part"), and the
// anchors of the pages they lead to. The HTML scanner collects a page's
// anchors while it reads the page, and the classifier notes each link to a
// part of a listed HTML page that is otherwise fine. A link may lead to a
// page that is read later, so the links are judged once every page has been
// read (checkAnchorLinks), and no file is read a second time for it.
//
// A link is fine when its fragment is empty or "top" (ASCII case ignored:
// browsers then go to the top of the page), or names an anchor of the page
// as written (character references decoded) or with its "%" escapes decoded
// too, as browsers try both. Otherwise it is recorded, proposed the one
// anchor of the page that differs from the fragment only in ASCII case and
// in '-', '_' and blanks, or deletion when there is not exactly one.
//
// Known limits: a link with a query is not judged (a server may make the
// page from it); a page the search did not read has no anchors to judge by,
// so links to it are not judged either; at most PageAnchors::kMaxLinks links
// are judged in one search, the others counted; every page's anchors are held
// until the links are judged.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/text/anchor_names.h"
#include "core/text/markup_lexing.h"

namespace quillorn {

struct SearchContext;

// One link to a part of a listed page, as the classifier found it.
struct AnchorLink {
  std::int32_t fileIndex = 0;  // the file that holds the link
  std::int32_t target = 0;     // the listed HTML page it leads to
  std::int64_t tagPos = 0;
  std::int64_t valuePos = 0;
  QuoteKind quoteKind = Bare;
  std::int64_t spanLength = 0;
  char opening = '\0';
  // The entry the search made for the link already (a proposal of another
  // form of the path), or -1.
  std::int64_t entry = -1;
  // Where PageAnchors keeps its texts (url, then fragment).
  std::uint64_t textStart = 0;
  std::uint32_t urlLength = 0;
  std::uint32_t fragmentLength = 0;
};

class PageAnchors {
 public:
  // Forgets every page's anchors and every link.
  void clear();

  // The anchors of page `fileIndex`, as the search read them.
  void setAnchors(std::size_t fileIndex, AnchorNames names);
  // nullptr when the search read no anchors of the page.
  const AnchorNames* anchorsOf(std::size_t fileIndex) const;

  // The most links one search keeps for judging: a page of millions of
  // links must not take the memory of millions of records.
  static constexpr std::size_t kMaxLinks = std::size_t{1} << 20;

  // Keeps the link for judging, with its value as the search records it
  // (`url`, decoded when the options ask) and the text after its '#' as
  // written (`rawFragment`), whose character references are decoded here;
  // beyond kMaxLinks it is only counted.
  void addLink(AnchorLink link, std::string_view url, std::string_view rawFragment);
  const std::vector<AnchorLink>& links() const { return links_; }
  std::string_view url(const AnchorLink& link) const { return {texts_.data() + link.textStart, link.urlLength}; }
  std::string_view fragment(const AnchorLink& link) const {
    return {texts_.data() + link.textStart + link.urlLength, link.fragmentLength};
  }
  // Links left unjudged because kMaxLinks were kept already.
  std::size_t unkeptLinks() const { return unkept_; }

  // Takes the anchors and the links that `later` collected apart (from the
  // files after every one read here) as if they had been added here, the
  // links' entries moved on by `entryOffset`.
  void takeFrom(PageAnchors&& later, std::int64_t entryOffset);

 private:
  std::unordered_map<std::size_t, AnchorNames> anchors_;  // by file index, for the pages read
  std::vector<AnchorLink> links_;
  std::string texts_;  // every link's texts, one after another
  std::size_t unkept_ = 0;
};

// What checkAnchorLinks found.
struct AnchorCheck {
  std::int64_t checked = 0;   // links judged by the anchors of their page
  std::int64_t recorded = 0;  // entries it made (a refused entry of a full table is not counted)
  std::int64_t amended = 0;   // entries of other proposals it changed
};

// Judges every link noted in `context.anchors` and records those that lead to
// no anchor, after the entries of their file; writes a header line, a line
// for each file with such links, a summary line and, when links were left
// unjudged, a line that says how many.
AnchorCheck checkAnchorLinks(SearchContext& context);

}  // namespace quillorn
