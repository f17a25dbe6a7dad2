#pragma once
// A small streaming JSON writer: objects, arrays, strings, integers and
// true/false, with the separators and indentation kept by the writer.

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace quillorn::cli {

// `text` as a JSON string literal; `text` must be UTF-8.
std::string jsonQuote(std::string_view text);

class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}

  void beginObject();
  void endObject();
  void beginArray();
  void endArray();
  // The key of the next value inside an object.
  void key(std::string_view name);
  void value(std::string_view text);  // UTF-8
  void value(std::int64_t number);
  // Not an overload of value(): a string literal would convert to bool.
  void boolean(bool flag);

 private:
  void beforeValue();
  void newline();

  struct Level {
    bool array = false;
    bool empty = true;
  };
  std::ostream& out_;
  std::vector<Level> levels_;
  bool afterKey_ = false;
};

}  // namespace quillorn::cli
