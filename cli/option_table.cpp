#include "cli/option_table.h"

#include <algorithm>
#include <charconv>
#include <initializer_list>
#include <stdexcept>

namespace quillorn::cli {
namespace {

// The row an argument names, and the form it stands for (an alias's meaning).
struct Match {
  std::size_t row;
  std::string_view form;
};

// "--X" for "--no-X", "--no-X" for "--X".
std::string opposite(std::string_view name) {
  return name.starts_with("--no-") ? "--" + std::string(name.substr(5)) : "--no-" + std::string(name.substr(2));
}

std::optional<Match> match(const std::vector<OptionRow>& rows, std::string_view name) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const OptionRow& row = rows[i];
    if (row.name == name) return row.kind == OptionKind::Alias ? match(rows, row.takes) : Match{i, name};
    if (row.kind == OptionKind::Pair && opposite(row.name) == name) return Match{i, name};
  }
  return std::nullopt;
}

// The row of `name`, which must be in the table and of one of `kinds`.
Match rowOf(const ParsedOptions& parsed, std::string_view name, std::initializer_list<OptionKind> kinds) {
  const std::optional<Match> found = match(parsed.rows, name);
  if (!found || std::find(kinds.begin(), kinds.end(), parsed.rows[found->row].kind) == kinds.end()) {
    throw std::logic_error("no such option in the table: " + std::string(name));
  }
  return *found;
}

bool isSwitch(OptionKind kind) { return kind == OptionKind::Switch || kind == OptionKind::Pair; }

std::vector<OptionRow> joined(const OptionTables& tables) {
  std::vector<OptionRow> rows;
  for (const std::span<const OptionRow> table : tables) rows.insert(rows.end(), table.begin(), table.end());
  return rows;
}

// The parts of `text` between the `separator`s.
std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (std::size_t end = text.find(separator); end != std::string_view::npos; end = text.find(separator)) {
    parts.push_back(text.substr(0, end));
    text.remove_prefix(end + 1);
  }
  parts.push_back(text);
  return parts;
}

std::optional<std::uint32_t> wholeNumber(std::string_view text, const OptionRow& row) {
  std::uint32_t number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size() || number < row.least || number > row.most) {
    return std::nullopt;
  }
  return number;
}

// Why `value` is none that `row`, given as `name`, takes; empty when it is one.
std::string valueProblem(const OptionRow& row, const std::string& name, const std::string& value) {
  if (row.kind == OptionKind::Number && !wholeNumber(value, row)) {
    return name + " takes a number from " + std::to_string(row.least) + " to " + std::to_string(row.most) + ": '" +
           value + "'";
  }
  if (row.kind == OptionKind::Choice) {
    const std::vector<std::string_view> words = split(row.takes, '|');
    if (std::find(words.begin(), words.end(), value) != words.end()) return {};
    std::string list(words.front());
    for (std::size_t i = 1; i < words.size(); ++i) {
      list += (i + 1 < words.size() ? ", " : " or ") + std::string(words[i]);
    }
    return name + " takes " + list + ", not '" + value + "'";
  }
  return {};
}

}  // namespace

bool ParsedOptions::on(std::string_view name, bool otherwise) const {
  const Match found = rowOf(*this, name, {OptionKind::Switch, OptionKind::Pair});
  const std::optional<std::string>& form = given[found.row];
  return form ? *form == found.form : otherwise;
}

const std::optional<std::string>& ParsedOptions::value(std::string_view name) const {
  return given[rowOf(*this, name, {OptionKind::Value, OptionKind::Choice, OptionKind::Number}).row];
}

const std::vector<std::string>& ParsedOptions::values(std::string_view name) const {
  return lists[rowOf(*this, name, {OptionKind::List}).row];
}

std::optional<std::uint32_t> ParsedOptions::number(std::string_view name) const {
  const Match found = rowOf(*this, name, {OptionKind::Number});
  if (!given[found.row]) return std::nullopt;
  return wholeNumber(*given[found.row], rows[found.row]);
}

ParsedOptions parseOptions(const OptionTables& tables, const std::vector<std::string>& args) {
  ParsedOptions parsed;
  parsed.rows = joined(tables);
  parsed.given.resize(parsed.rows.size());
  parsed.lists.resize(parsed.rows.size());
  const auto fail = [&parsed](std::string error) {
    if (parsed.error.empty()) parsed.error = std::move(error);
  };
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg == "-" || !arg.starts_with('-')) {
      parsed.operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t equals = arg.starts_with("--") ? arg.find('=') : std::string::npos;
    const std::string name = arg.substr(0, equals);
    const std::optional<Match> found = match(parsed.rows, name);
    if (!found) {
      fail("unknown option '" + arg + "'");
      continue;
    }
    const OptionRow& row = parsed.rows[found->row];
    if (isSwitch(row.kind)) {
      if (equals != std::string::npos) {
        fail(name + " takes no value: '" + arg + "'");
      } else {
        parsed.given[found->row] = std::string(found->form);
      }
      continue;
    }
    std::string value;
    if (equals != std::string::npos) {
      value = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];  // whatever it is, "--" too
    } else {
      fail(name + " needs a value");
      continue;
    }
    if (std::string problem = valueProblem(row, name, value); !problem.empty()) {
      fail(std::move(problem));
      continue;
    }
    if (row.kind == OptionKind::List) parsed.lists[found->row].push_back(value);
    parsed.given[found->row] = std::move(value);
  }
  return parsed;
}

std::string optionHelp(const OptionTables& tables, std::size_t column) {
  const std::vector<OptionRow> rows = joined(tables);
  std::string text;
  for (const OptionRow& row : rows) {
    if (row.help.empty()) continue;
    std::string line = "  ";
    for (const OptionRow& alias : rows) {
      if (alias.kind == OptionKind::Alias && alias.help.empty() && alias.takes == row.name) {
        line += std::string(alias.name) + ", ";
      }
    }
    line += row.name;
    if (!isSwitch(row.kind) && row.kind != OptionKind::Alias) line += " " + std::string(row.takes);
    if (line.size() >= column) {
      text += line + '\n';
      line.clear();
    }
    for (const std::string_view words : split(row.help, '\n')) {
      line.append(column - line.size(), ' ');
      text += line + std::string(words) + '\n';
      line.clear();
    }
  }
  return text;
}

}  // namespace quillorn::cli
