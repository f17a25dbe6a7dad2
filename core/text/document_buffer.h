#pragma once
// One file's bytes held whole in memory, its encoding, and character access in
// both encodings. Positions are byte offsets into the buffer; lengths that the
// scanners return are counted in characters (a character is `step` bytes).
//
// Known limits: a file is held whole in memory, so none above
// platform::kMaxReadBytes is loaded; UTF-16 is told only by its byte-order
// mark, and UTF-32 is read as single-byte text.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file_access.h"
#include "platform/outcome.h"

namespace quillorn {

// A byte offset into a buffer; -1 means "not found".
using Pos = std::int64_t;
inline constexpr Pos kNotFound = -1;

enum class Encoding : int {
  SingleByte = 0,  // one byte a character as the scanners see it (see Charset)
  Utf16 = 1,       // UTF-16, held little-endian in memory
};

// What the bytes of single-byte text are. A file says nothing else about it,
// so this is decided once from all of its bytes.
enum class Charset : std::uint8_t {
  Ascii,        // no byte above 0x7F: any charset, none can be told
  Utf8,         // well-formed UTF-8 with at least one character beyond ASCII
  Windows1252,  // anything else
};

// The charset of single-byte text `bytes`.
Charset charsetOf(std::string_view bytes);

// The Windows-1252 byte of the little-endian UTF-16 code unit at `unit`, or '_'
// when it has none. Reads exactly two bytes.
char narrowChar(const std::uint8_t* unit);

// The narrowed character at `units` and the one after it (reads four bytes).
std::pair<char, char> narrowPair(const std::uint8_t* units);

// Appends the little-endian UTF-16 form of single-byte text to `out`, one code
// unit per byte; what the rewriting pass writes into a UTF-16 document.
void appendWidened(std::string_view narrow, std::string& out);

// Exchanges the two bytes of every complete pair from the start, in place; an
// odd last byte stays where it is.
void swapBytePairs(std::uint8_t* bytes, std::size_t count);

// A stretch of characters with codes 0 to 31 once narrowed: [start, end).
struct ControlRun {
  std::int64_t start;
  std::int64_t end;
};

// A non-owning view of a loaded buffer with its character step. Every scanner
// walks one of these and never reads at or beyond `size`.
struct TextView {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  int step = 1;                      // 1 for single-byte text, 2 for UTF-16
  Charset charset = Charset::Ascii;  // of single-byte text; unused for UTF-16
  // Optional: every run of control characters of the text, ascending, so that
  // a reader passing over them jumps a run instead of stepping through it.
  const std::vector<ControlRun>* controlRuns = nullptr;

  TextView() = default;
  TextView(const std::uint8_t* bytes, std::size_t byteCount, Encoding encoding, Charset byteCharset)
      : data(bytes), size(byteCount), step(encoding == Encoding::Utf16 ? 2 : 1), charset(byteCharset) {}
  // Decides the charset of single-byte text from all of its bytes.
  TextView(const std::uint8_t* bytes, std::size_t byteCount, Encoding encoding)
      : TextView(bytes, byteCount, encoding,
                 encoding == Encoding::Utf16
                     ? Charset::Ascii
                     : charsetOf(std::string_view(reinterpret_cast<const char*>(bytes), byteCount))) {}
  static TextView of(std::string_view bytes, Encoding encoding) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), encoding};
  }

  Encoding encoding() const { return step == 2 ? Encoding::Utf16 : Encoding::SingleByte; }
  Pos end() const { return static_cast<Pos>(size); }
  // Whether a whole character starts at `pos` (an odd trailing byte of a
  // UTF-16 buffer is no character).
  bool hasChar(Pos pos) const {
    return pos >= 0 && static_cast<std::size_t>(pos) + static_cast<std::size_t>(step) <= size;
  }
  // The character at `pos`, narrowed for UTF-16. Precondition: hasChar(pos).
  char charAt(Pos pos) const {
    const std::uint8_t* p = data + pos;
    return step == 1 ? static_cast<char>(*p) : narrowChar(p);
  }
  // The character at `pos`, or '\0' when none starts there.
  char charOrZero(Pos pos) const { return hasChar(pos) ? charAt(pos) : '\0'; }
  // The position after the control characters from `pos` on, which holds
  // one: the end of its run when the runs are known, else the next character.
  Pos afterControls(Pos pos) const;
};

// Appends the host text (platform/code_page.h) of the character at `pos`.
// Precondition: text.hasChar(pos). Under Windows-1252 host text that is the
// narrowed character. Under UTF-8, single-byte text that is ASCII or UTF-8
// passes byte by byte, Windows-1252 text is converted, and UTF-16 converts
// exactly: a surrogate pair gives its character at its first unit and nothing
// at its second, a lone surrogate gives '_'.
void appendHostChar(const TextView& text, Pos pos, std::string& out);

// The host text of the whole of `text` (an odd last byte of UTF-16 is none).
std::string asHostText(const TextView& text);

// Appends `value` (host text) as `text`'s own document text, what the
// rewriting pass writes into it. Under Windows-1252 host text: as it is, or
// widened byte by byte for UTF-16. Under UTF-8: UTF-16 text takes every
// character; a UTF-8 page takes the text as it is; a Windows-1252 page takes
// each character's byte where it has one; and whatever a page cannot hold
// (any character beyond ASCII in a page of pure ASCII, whose charset is
// unknown) is written as "%" escapes of its UTF-8 bytes, which browsers
// resolve. A byte that is no part of a well-formed character is written as
// its "%" escape everywhere.
void appendDocumentText(const TextView& text, std::string_view value, std::string& out);

struct DocumentBuffer {
  std::vector<std::uint8_t> bytes;  // exactly the file's bytes (swapped when stored big-endian)
  Encoding encoding = Encoding::SingleByte;
  Charset charset = Charset::Ascii;  // of single-byte text, set by detectEncoding
  bool storedBigEndian = false;      // began with FE FF and was swapped on loading
  platform::FileStamp stamp;         // the file these bytes were read from, as it was then

  std::size_t size() const { return bytes.size(); }
  int step() const { return encoding == Encoding::Utf16 ? 2 : 1; }
  TextView view() const { return {bytes.data(), bytes.size(), encoding, charset}; }
};

// Why a file was not loaded, and what has its name.
struct LoadFailure {
  platform::ReadStatus status = platform::ReadStatus::Unreadable;  // never Read
  platform::FileStamp found;  // for NotRegular and TooLarge: what was found there (its size)
};

// Reads the file named by `pathText` (the program's path text) whole, with the
// stamp of the file read, without deciding its encoding. Only a regular file of
// at most platform::kMaxReadBytes is read, and nothing waits on the way
// (platform::readWholeFile); otherwise the failure says why.
Outcome<DocumentBuffer, LoadFailure> loadDocument(std::string_view pathText);

// Decides the encoding from the first two bytes: FF FE is UTF-16; FE FF is
// UTF-16 stored big-endian, swapped in place; anything else is single-byte,
// whose charset is then decided from all of its bytes.
void detectEncoding(DocumentBuffer& buffer);

// " ASCII" or " Unicode", as the search's status lines write them.
std::string_view encodingLabel(Encoding encoding);

}  // namespace quillorn
