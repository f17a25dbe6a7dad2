#pragma once
// The options of a command as one table: a row names an option, says what it
// takes and holds its help lines. The arguments are read against the table,
// which words every usage error, and the option lines of a --help text are
// written from it.
//
// Known limits: a short option stands alone ("-h", never "-hx"), an option's
// name is never abbreviated, and an argument that begins with "-" (other than
// "-" itself) is taken for an option unless it comes after "--".

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillorn::cli {

enum class OptionKind {
  Switch,  // --X alone
  Pair,    // --X and --no-X (a row named --no-X answers to --X too); the later given wins
  Value,   // --X VALUE or --X=VALUE: any text, the empty one too; the later given wins
  List,    // a Value that may be given many times: every value is kept, in order
  Choice,  // a Value that is one of the row's words
  Number,  // a Value that is a whole number from the row's least to its most
  Alias,   // stands for the option that the row names
};

struct OptionRow {
  std::string_view name;  // with its dashes: "--json", "-h"
  OptionKind kind;
  // Value, List and Number: what the help calls the value ("N"); Choice: the words,
  // '|' between; Alias: the option it stands for ("--no-check-internet").
  std::string_view takes;
  // The help's description, '\n' between its lines. Empty: the row has no
  // help line of its own (an Alias is then shown beside what it stands for).
  std::string_view help;
  std::uint32_t least = 0;  // Number: the values allowed
  std::uint32_t most = 0;
};

// Tables read as one, in order: a command's own rows and those it shares.
using OptionTables = std::vector<std::span<const OptionRow>>;

// What the arguments gave, read against a table.
struct ParsedOptions {
  std::vector<OptionRow> rows;                    // the tables, as one
  std::vector<std::optional<std::string>> given;  // per row: the last value, for a switch the form given
  std::vector<std::vector<std::string>> lists;    // per row: every value of a List, in order
  std::vector<std::string> operands;              // the arguments that are no option, in order
  std::string error;                              // the first usage error, one line; empty when none

  // Whether the later of switch `name` and its opposite was `name`; `otherwise` when neither was given.
  bool on(std::string_view name, bool otherwise = false) const;
  // The last value given to the option `name`, if any.
  const std::optional<std::string>& value(std::string_view name) const;
  // Every value given to the List option `name`, in order.
  const std::vector<std::string>& values(std::string_view name) const;
  // The last value given to the Number option `name`, if any.
  std::optional<std::uint32_t> number(std::string_view name) const;
};

// Reads `args` against `tables`: "--" ends the options, every argument is
// read, and the first usage error is kept. A `name` that the methods of the
// result are asked about must be in the tables (else std::logic_error).
ParsedOptions parseOptions(const OptionTables& tables, const std::vector<std::string>& args);

// The help lines of the rows of `tables` that have help, in order: the option
// (with what it takes) from the third column, its description from `column`
// on, starting on a line of its own when the option leaves no space before it.
std::string optionHelp(const OptionTables& tables, std::size_t column);

}  // namespace quillorn::cli
