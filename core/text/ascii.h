#pragma once
// Letter case as the program knows it: only 'a' to 'z' fold onto 'A' to 'Z';
// every other byte compares as it is.
//
// Known limits: no locale and no other alphabet: bytes above 127 never fold.

#include <cstddef>
#include <string>
#include <string_view>

namespace quillorn {

constexpr char asciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

constexpr char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr bool equalsIgnoreAsciiCase(char a, char b) { return asciiUpper(a) == asciiUpper(b); }

constexpr bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!equalsIgnoreAsciiCase(a[i], b[i])) return false;
  }
  return true;
}

// `text` with 'a' to 'z' folded to capitals: the key under which texts that
// differ only in ASCII case are equal.
inline std::string asciiUpperCopy(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = asciiUpper(c);
  return folded;
}

// `text` with 'A' to 'Z' folded to small letters, as host names are written.
inline std::string asciiLowerCopy(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = asciiLower(c);
  return folded;
}

constexpr bool startsWithIgnoreAsciiCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equalsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace quillorn
