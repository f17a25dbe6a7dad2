#pragma once
// The tags that carry links: which attribute the search reads in each, what
// deleting a link of the tag does when the rewrite meets it, and which end
// tag goes when its start tag is removed. The search and the rewrite both
// read this one table; where they treat a tag differently, a column says so.
//
// Known limits: tag names are matched as prefixes by the search ("A" also
// finds ABBR and AREA, "TD" any name beginning so) but whole by the rewrite;
// one attribute per tag is searched, and only its first occurrence.

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace quillorn {

// What deleting a link does to the tag that holds it, after the deletion
// policy that governs it.
enum class LinkDeletion {
  None,        // no rule: the value stays as it is
  Image,       // the image policy: keep, empty, or the fixed image URL
  Background,  // the background policy: keep, empty, or the fixed background URL
  TextLink,    // the text-link policy: keep, the start and end tag removed (plain text), or "#"
  AreaOrLink,  // the text-link policy: keep, or "#" (an area or a link element has no text to keep)
  StyleBlock,  // the text-link policy: keep, the element's tags removed, or "#"
  Embedded,    // the text-link policy: keep, the element's tags removed, or an empty value
};

struct LinkTag {
  std::string_view name;  // without its '<', in capitals; letter case is ignored when comparing
  // The attribute the search reads in the tag (matched anywhere in it: "src"
  // also ends "lowsrc"); empty for a tag the search never records, whose
  // deletion rule no search reaches.
  std::string_view searchedAttribute;
  LinkDeletion deletion;
  // The end tag removed after the start tag ("/A"); empty when none goes.
  std::string_view endTag;
};

// The search runs its passes in this table's order, which is therefore the
// order of a file's entries in the found-URL table.
inline constexpr std::array<LinkTag, 16> kLinkTags = {{
    {"A", "href", LinkDeletion::TextLink, "/A"},
    {"APPLET", "src", LinkDeletion::Embedded, "/APPLET"},
    {"AREA", "href", LinkDeletion::AreaOrLink, ""},
    {"BGSOUND", "src", LinkDeletion::Embedded, "/BGSOUND"},
    {"EMBED", "src", LinkDeletion::Embedded, "/EMBED"},
    {"FRAME", "src", LinkDeletion::None, ""},
    {"IFRAME", "src", LinkDeletion::Embedded, "/IFRAME"},
    {"IMG", "src", LinkDeletion::Image, ""},
    {"INPUT", "src", LinkDeletion::Background, ""},
    {"LINK", "href", LinkDeletion::AreaOrLink, ""},
    {"SCRIPT", "src", LinkDeletion::Embedded, "/SCRIPT"},
    {"BODY", "background", LinkDeletion::Background, ""},
    {"TABLE", "background", LinkDeletion::Background, ""},
    {"TD", "background", LinkDeletion::Background, ""},
    {"TR", "background", LinkDeletion::Background, ""},
    // The url( ) arguments of a STYLE block are recorded as style-sheet
    // values, without a tag, so this row's rule is never reached by a search.
    {"STYLE", "", LinkDeletion::StyleBlock, "/STYLE"},
}};

// The longest tag name of the table.
inline constexpr std::size_t kLongestLinkTagName =
    std::ranges::max_element(kLinkTags, {}, [](const LinkTag& tag) { return tag.name.size(); })->name.size();

}  // namespace quillorn
