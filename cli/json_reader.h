#pragma once
// A small JSON reader for the reports the command line writes: objects,
// arrays, strings (UTF-8, with every escape of the format), integers, true,
// false and null. Errors come back as a message with the byte offset.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillorn::cli {

struct JsonValue {
  enum class Kind { Null, Bool, Number, String, Array, Object };
  Kind kind = Kind::Null;
  bool boolean = false;
  std::int64_t number = 0;  // integers only; a fraction or exponent is refused
  std::string text;
  std::vector<JsonValue> items;  // of an array
  // Of an object, in order: names[i] names members[i].
  std::vector<std::string> names;
  std::vector<JsonValue> members;

  // The member named `name` of an object, or nullptr.
  const JsonValue* find(std::string_view name) const;
};

struct JsonParse {
  bool ok = false;
  JsonValue value;
  std::string error;
};

JsonParse parseJson(std::string_view text);

}  // namespace quillorn::cli
