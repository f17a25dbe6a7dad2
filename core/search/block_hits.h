#pragma once
// What the searches of one pass over a document's STYLE or SCRIPT blocks have
// done with each hit. A block's text is searched up to a boundary that quotes
// can hide (and up to a '>' for text wrapped in "<!--"), so the searches of
// blocks that are never properly ended run on into the text of the blocks
// after them. A hit is classified once, by the first search that reaches it;
// a search that reaches a hit that a search in the same stop mode reached
// before stops there, since from there on it would repeat that search.
//
// Known limits: it belongs to one document and one kind of block, and keeps a
// record for every hit reached until it is dropped.

#include <cstdint>
#include <unordered_map>

#include "core/text/document_buffer.h"
#include "core/text/markup_lexing.h"

namespace quillorn {

class BlockHits {
 public:
  struct Record {
    Pos resume = kNotFound;  // where the search went on after the hit; -1 until it was handled
    std::uint8_t modes = 0;  // the stop modes whose searches reached it, one bit each
  };

  // The record of `hit` for a search in `mode` that reaches it, or nullptr
  // when a search in this mode reached it before.
  Record* reach(Pos hit, StopMode mode) {
    Record& record = records_[hit];
    const auto bit = static_cast<std::uint8_t>(1U << static_cast<unsigned>(mode));
    if ((record.modes & bit) != 0) return nullptr;
    record.modes = static_cast<std::uint8_t>(record.modes | bit);
    return &record;
  }

 private:
  std::unordered_map<Pos, Record> records_;
};

}  // namespace quillorn
