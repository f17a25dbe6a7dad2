#pragma once
// The single-byte code page of the program: Windows-1252 on every host.
// Narrowing a UTF-16 code unit and widening a byte use exact tables; a code
// unit that has no Windows-1252 form narrows to '_'.

#include <cstdint>
#include <string>
#include <string_view>

namespace quillorn::platform {

inline constexpr char kUnmappableChar = '_';

// The UTF-16 code unit of a Windows-1252 byte. Every byte has one; the five
// bytes that Windows-1252 leaves undefined map to the C1 control of the same
// number, as the Windows conversion does, so that widening and narrowing
// round-trip for all 256 bytes.
std::uint16_t widenByte(std::uint8_t byte);

// The Windows-1252 byte of a UTF-16 code unit, or '_' when there is none
// (surrogates included).
char narrowCodeUnit(std::uint16_t unit);

// The working text of the Unicode character `codePoint`: its Windows-1252
// byte. Empty when there is none (no Windows-1252 form, a surrogate, beyond
// U+10FFFF). Decoded character references become working text here and only here.
std::string hostTextOf(char32_t codePoint);

// Single-byte text as UTF-8, for a person to read. Text that already is valid
// UTF-8 (host file names, URLs whose escapes decoded to UTF-8) is kept as it
// is; any other text is taken as Windows-1252 and converted.
std::string toDisplayUtf8(std::string_view text);

// The reverse for text a person typed or edited: UTF-8 whose every character
// has a Windows-1252 form becomes Windows-1252; anything else stays as it is.
std::string fromDisplayUtf8(std::string_view text);

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(std::string_view text);

}  // namespace quillorn::platform
