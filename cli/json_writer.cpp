#include "cli/json_writer.h"

#include <cstdio>

namespace quillorn::cli {

std::string jsonQuote(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('"');
  for (char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
          out += escaped;
        } else {
          out.push_back(c);
        }
    }
  }
  out.push_back('"');
  return out;
}

void JsonWriter::newline() {
  out_ << '\n';
  for (std::size_t i = 0; i < levels_.size(); ++i) out_ << "  ";
}

void JsonWriter::beforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (levels_.empty()) return;
  if (!levels_.back().empty) out_ << ',';
  levels_.back().empty = false;
  newline();
}

void JsonWriter::beginObject() {
  beforeValue();
  out_ << '{';
  levels_.push_back({false, true});
}

void JsonWriter::endObject() {
  const bool wasEmpty = levels_.back().empty;
  levels_.pop_back();
  if (!wasEmpty) newline();
  out_ << '}';
  if (levels_.empty()) out_ << '\n';
}

void JsonWriter::beginArray() {
  beforeValue();
  out_ << '[';
  levels_.push_back({true, true});
}

void JsonWriter::endArray() {
  const bool wasEmpty = levels_.back().empty;
  levels_.pop_back();
  if (!wasEmpty) newline();
  out_ << ']';
}

void JsonWriter::key(std::string_view name) {
  beforeValue();
  out_ << jsonQuote(name) << ": ";
  afterKey_ = true;
}

void JsonWriter::value(std::string_view text) {
  beforeValue();
  out_ << jsonQuote(text);
}

void JsonWriter::value(std::int64_t number) {
  beforeValue();
  out_ << number;
}

void JsonWriter::boolean(bool flag) {
  beforeValue();
  out_ << (flag ? "true" : "false");
}

}  // namespace quillorn::cli
