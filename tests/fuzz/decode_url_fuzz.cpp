// Runs the URL text transforms over arbitrary bytes. The input is split at its
// first newline (or in the middle) into a target text and a base-file text.
// Besides the sanitizers' checks it asserts the transforms' invariants and
// compares decodeUrl with a word-for-word reading of its rules.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/text/url_transforms.h"
#include "platform/code_page.h"

namespace {

using namespace quillorn;

void require(bool condition) {
  if (!condition) std::abort();
}

// The hundred names in their search order, kept apart from the program's own
// table so a slip in either shows up as a difference.
constexpr std::array<std::string_view, 100> kNames{
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",
    "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",
    "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12",
    "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil",
    "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde",
    "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",
    "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",
    "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",
    "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml",   "quot",   "amp",    "lt",     "gt"};

// The host text of the character that name `index` stands for.
std::string referenceText(std::size_t index) {
  constexpr std::array<char32_t, 4> kMarkup{U'"', U'&', U'<', U'>'};
  return platform::hostTextOf(index < 96 ? static_cast<char32_t>(0xA0 + index) : kMarkup[index - 96]);
}

int referenceHex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The numeric reference at `at` ("&#" and decimal digits, or "&#x"/"&#X" and
// hexadecimal ones, then an optional ';') that decodes to a working-text
// character: its length and that character. 0 when there is none.
std::size_t referenceNumeric(const std::string& text, std::size_t at, std::string& decoded) {
  if (text.compare(at, 2, "&#") != 0) return 0;
  std::size_t p = at + 2;
  const bool hex = p < text.size() && (text[p] == 'x' || text[p] == 'X');
  if (hex) ++p;
  const std::size_t first = p;
  unsigned long long number = 0;
  while (p < text.size() && (hex ? referenceHex(text[p]) >= 0 : (text[p] >= '0' && text[p] <= '9'))) {
    number = std::min(number * (hex ? 16 : 10) + static_cast<unsigned>(hex ? referenceHex(text[p]) : text[p] - '0'),
                      0x7FFFFFFFull);
    ++p;
  }
  if (p == first) return 0;
  if (p < text.size() && text[p] == ';') ++p;
  char32_t character = static_cast<char32_t>(number);
  if (number == 0 || number > 0x10FFFF || (number >= 0xD800 && number <= 0xDFFF)) character = 0xFFFD;
  if (number >= 0x80 && number <= 0x9F) character = platform::widenByte(static_cast<std::uint8_t>(number));
  decoded = platform::hostTextOf(character);
  return decoded.empty() ? 0 : p - at;
}

// Slow and literal: at each step every name and every decodable numeric
// reference is searched for, and the earliest wins.
std::string referenceDecode(const std::string& text) {
  std::string work;
  std::size_t pos = 0;
  for (;;) {
    std::size_t best = std::string::npos;
    std::size_t bestLength = 0;
    std::string bestText;
    for (std::size_t i = 0; i < kNames.size(); ++i) {
      const std::size_t found = text.find("&" + std::string(kNames[i]) + ";", pos);
      if (found < best) {
        best = found;
        bestLength = kNames[i].size() + 2;
        bestText = referenceText(i);
      }
    }
    for (std::size_t at = text.find("&#", pos); at != std::string::npos && at < best; at = text.find("&#", at + 1)) {
      std::string decoded;
      if (const std::size_t length = referenceNumeric(text, at, decoded); length > 0) {
        best = at;
        bestLength = length;
        bestText = decoded;
        break;
      }
    }
    if (best == std::string::npos) break;
    work.append(text, pos, best - pos);
    work.append(bestText);
    pos = best + bestLength;
  }
  work.append(text, pos, std::string::npos);

  std::string out;
  for (std::size_t i = 0; i < work.size(); ++i) {
    if (work[i] == '%' && i + 2 < work.size() && referenceHex(work[i + 1]) >= 0 && referenceHex(work[i + 2]) >= 0) {
      const int byte = referenceHex(work[i + 1]) * 16 + referenceHex(work[i + 2]);
      if (byte == 0) break;
      out.push_back(static_cast<char>(byte));
      i += 2;
    } else {
      out.push_back(work[i]);
    }
  }
  return out;
}

void checkDecode(std::string_view input) {
  std::string text(input);
  decodeUrl(text);
  require(text.size() <= input.size());
  require(text == referenceDecode(std::string(input)));
}

void checkSplitPath(std::string_view path) {
  const SplitPathResult parts = splitPath(path);
  require(parts.name.find('\\') == std::string::npos);
  if (path.find('\\') == std::string_view::npos) require(parts.name.find('/') == std::string::npos);
  if (parts.name.size() == path.size()) {
    require(parts.folder.empty() && parts.name == path);
    return;
  }
  const std::size_t separator = path.size() - parts.name.size() - 1;
  require(path[separator] == '\\' || path[separator] == '/');
  require(path.substr(separator + 1) == parts.name);
  std::string folder(path.substr(0, separator));
  if (!folder.empty() && folder.back() == ':') folder.push_back('\\');
  require(parts.folder == folder);
}

void checkSplitFragment(std::string_view url) {
  const SplitFragmentResult parts = splitFragment(url);
  require(parts.base + parts.fragment == url);
  require(parts.base.find('#') == std::string::npos);
  require(parts.fragment.empty() || parts.fragment.front() == '#');
}

void checkConvert(std::string_view input, SeparatorMode mode) {
  std::string text(input);
  convertSeparators(text, mode);
  require(text.size() == input.size());
  std::string again = text;
  convertSeparators(again, mode);
  require(again == text);
  const std::size_t scheme = input.find("://");
  if (scheme != std::string_view::npos) {
    require(text.compare(0, scheme + 3, input.substr(0, scheme + 3)) == 0);
    require(text.find('/', scheme + 3) == std::string::npos && text.find(':', scheme + 3) == std::string::npos);
  } else if (mode == SeparatorMode::Windows) {
    require(text.find('/') == std::string::npos && text.find('|') == std::string::npos);
  } else {
    require(text.find('\\') == std::string::npos && text.find(':') == std::string::npos);
  }
}

void checkRelative(std::string_view target, std::string_view base, SeparatorMode mode) {
  const std::string result = makeRelativePath(target, base, mode);
  const bool quoted = target.size() >= 2 && target.front() == '"' && target.back() == '"';
  if (quoted) require(result.size() >= 2 && result.front() == '"' && result.back() == '"');
  const bool fileUrl = target.substr(0, 7) == "file://" || (target.size() > 1 && target.substr(1, 7) == "file://");
  const bool touchesQuote = !target.empty() && (target.front() == '"' || target.back() == '"');
  if (target.find("://") != std::string_view::npos && !fileUrl && !touchesQuote) require(result == target);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t cut = input.find('\n');
  if (cut == std::string_view::npos) cut = size / 2;
  const std::string_view first = input.substr(0, cut);
  const std::string_view second = input.substr(cut < size ? cut + 1 : cut);

  for (const platform::HostText host : {platform::HostText::Utf8, platform::HostText::Windows1252}) {
    platform::setHostText(host);
    checkDecode(input);
  }
  checkSplitPath(input);
  checkSplitFragment(input);
  checkConvert(input, SeparatorMode::Windows);
  checkConvert(input, SeparatorMode::Url);
  checkRelative(first, second, SeparatorMode::Url);
  checkRelative(first, second, SeparatorMode::Windows);
  return 0;
}
