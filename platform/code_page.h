#pragma once
// The host text: the single-byte text in which the program holds paths, URLs,
// replacements and status lines. On Windows it is the system's code page
// (Windows-1252 here); on POSIX hosts it is UTF-8, as the file system's names
// are. QUILLORN_HOST_TEXT=windows-1252 (or utf-8) in the environment chooses
// one at start; setHostText changes it for the process.
//
// Narrowing a UTF-16 code unit and widening a byte use exact Windows-1252
// tables; a code unit that has no Windows-1252 form narrows to '_'. The
// scanners compare narrowed characters, whatever the host text is.
//
// Known limits: UTF-8 and Windows-1252 are the only host texts.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillorn::platform {

inline constexpr char kUnmappableChar = '_';

enum class HostText { Utf8, Windows1252 };

// The host text of this process.
HostText hostText();

// Chooses the host text for the rest of the process (tests, and a front end
// that knows better).
void setHostText(HostText text);

// The UTF-16 code unit of a Windows-1252 byte. Every byte has one; the five
// bytes that Windows-1252 leaves undefined map to the C1 control of the same
// number, as the Windows conversion does, so that widening and narrowing
// round-trip for all 256 bytes.
std::uint16_t widenByte(std::uint8_t byte);

// The Windows-1252 byte of a UTF-16 code unit, or '_' when there is none
// (surrogates included).
char narrowCodeUnit(std::uint16_t unit);

// The host text of the Unicode character `codePoint`: its UTF-8 bytes, or its
// Windows-1252 byte. Empty when there is none (no Windows-1252 form, a
// surrogate, beyond U+10FFFF). Decoded character references become host text
// here and only here.
std::string hostTextOf(char32_t codePoint);

// Appends the UTF-8 bytes of `codePoint` (at most U+10FFFF, no surrogate).
void appendUtf8(char32_t codePoint, std::string& out);

// The character of the well-formed UTF-8 sequence that starts at `pos`, and
// its length in bytes; length 0 when none starts there (a stray or truncated
// byte, an overlong form, a surrogate, beyond U+10FFFF).
struct Utf8Char {
  char32_t codePoint = 0;
  std::size_t length = 0;
};
Utf8Char utf8CharAt(std::string_view text, std::size_t pos);

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(std::string_view text);

// Host text as UTF-8, for a person to read (terminal lines, JSON). UTF-8 host
// text stays as it is, except that a byte that is no part of a well-formed
// character (a "%E9" decoded to its byte) shows as U+FFFD; Windows-1252 host
// text is converted byte by byte.
std::string toDisplayUtf8(std::string_view text);

// The reverse for text a person typed or edited. Under UTF-8 host text it is
// taken as it is; under Windows-1252, UTF-8 whose every character has a
// Windows-1252 form becomes Windows-1252, and anything else stays as it is.
std::string fromDisplayUtf8(std::string_view text);

}  // namespace quillorn::platform
