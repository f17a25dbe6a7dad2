#pragma once
// Answers findInBlock, the length readValue gives and findTagEnd for one
// document so that a scanner asking again and again from nearby positions
// reads the text a bounded number of times, not once per question. Each
// answer equals what the routine of markup_lexing.h gives for the same
// arguments.
//
// Questions are first answered by reading the text as those routines do,
// charged against a budget of a few passes over the text; that is all an
// ordinary document ever needs. Once the budget is spent (blocks that never
// end, values that never close), the index collects, in one pass, where the
// characters that end values and searches stand, and answers from those lists
// by binary search from then on.
//
// Known limits: a question the lists cannot answer (a position off the
// character grid, a pattern holding a quote or a bracket, a text of 4 GiB or
// more) always goes to the routine itself, at the routine's cost.
//
// The index belongs to one document and must not outlive it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/text/document_buffer.h"
#include "core/text/markup_lexing.h"

namespace quillorn {

class LexingIndex {
 public:
  // Characters of plain reading allowed per character of text before the
  // index switches to its lists.
  static constexpr std::int64_t kPlainPasses = 8;

  // `plainBudget`: characters to read the plain way before switching; by
  // default kPlainPasses passes over the text. Tests give 0 to use the lists
  // from the start.
  explicit LexingIndex(const TextView& text, std::int64_t plainBudget = -1);
  LexingIndex(const LexingIndex&) = delete;
  LexingIndex& operator=(const LexingIndex&) = delete;

  const TextView& text() const { return text_; }

  // The text, with its runs of control characters once the index has them,
  // for the readers that pass over such runs (readValue).
  TextView view() const;

  // findInBlock over the text cut at `end`, which is the end of the text or
  // the position of a '<' (a closing tag).
  Pos findInBlock(Pos start, std::string_view pattern, StopMode mode, Pos end);
  Pos findInBlock(Pos start, std::string_view pattern, StopMode mode) {
    return findInBlock(start, pattern, mode, text_.end());
  }

  // What readValue(text, pos, mode, ...) returns, without copying the value.
  std::size_t valueLength(Pos pos, ValueMode mode);

  // findTagEnd(text, pos).
  Pos findTagEnd(Pos pos);

  // Whether the index has switched to its lists.
  bool usesLists() const { return collected_; }

 private:
  // The characters the lists hold, each as the ascending positions where it
  // stands.
  enum Kind : std::size_t {
    Space,
    DoubleQuote,
    SingleQuote,
    CloseParen,
    Brace,
    EscapedDoubleQuote,  // a backslash followed by a double quote, at the backslash
    MarkupLt,            // a '<' not followed by '='
    MarkupGt,            // a '>' not followed by '='
    kKindCount
  };
  using KindSet = std::uint32_t;

  // Where findInBlock's quote-aware search gives up, for one stop mode. The
  // events are the brackets of the mode and the quotes that open or close a
  // run; for each event and each state the search can be in when it gets
  // there (outside any run, in a double- or a single-quoted run), the event at
  // which it gives up, or kNoEvent.
  struct StopTable {
    bool built = false;
    std::vector<Pos> events;
    std::array<std::vector<std::uint32_t>, 3> stopAt;
  };
  static constexpr std::uint32_t kNoEvent = UINT32_MAX;

  // Where a url( ) argument ends: at the first ')' outside a quoted run that
  // the argument opens (either quote opens one, the same quote closes it), or
  // at the first brace. The events are every quote, ')' and brace; for each
  // event and each run the reading can be in when it gets there, the event at
  // which the argument ends, or kNoEvent.
  struct ArgumentEndTable {
    bool built = false;
    std::vector<Pos> events;
    std::array<std::vector<std::uint32_t>, 3> endAt;
  };

  static constexpr KindSet bit(Kind kind) { return KindSet{1} << kind; }
  KindSet kindsAt(Pos pos, char c) const;
  bool listable(Pos pos) const;
  // Takes `characters` from the plain budget; false once it is spent, and
  // from then on the lists answer.
  bool charge(std::int64_t characters);
  void collect();
  Pos firstAtOrAfter(Kind kind, Pos pos);
  std::int64_t controlsBefore(Pos pos) const;
  const std::vector<Pos>& hits(const std::string& foldedPattern);
  StopTable& stopTable(StopMode mode);
  Pos stopPosition(Pos start, StopMode mode);
  // The ')' or brace that ends a url( ) argument whose text starts at `start`.
  Pos argumentEnd(Pos start);

  TextView text_;
  bool listed_;  // false for texts too large for the tables' 32-bit indices
  std::int64_t plainBudget_;
  bool collected_ = false;
  std::array<std::vector<Pos>, kKindCount> positions_;
  // Codes 0 to 31, which readValue passes over, as runs; and how many such
  // characters the runs before each hold.
  std::vector<ControlRun> controlRuns_;
  std::vector<std::int64_t> controlsBefore_;
  std::vector<Pos> runQuotes_;  // quotes not preceded by a backslash
  std::vector<std::pair<std::string, std::vector<Pos>>> hits_;
  std::array<StopTable, 2> stopTables_;
  ArgumentEndTable argumentEnds_;
};

}  // namespace quillorn
