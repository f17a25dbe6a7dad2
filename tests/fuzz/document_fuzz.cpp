// Document loading and encoding detection over arbitrary files: the input is
// written to a file and loaded as the passes load it. The bytes must come back
// exactly, the encoding follow the order mark alone, a big-endian file turn
// little-endian and back, and every character be read inside the buffer (it
// sits in an allocation of exactly its size, so the sanitizer sees any read
// past the end).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/document_buffer.h"
#include "platform/code_page.h"
#include "platform/host_path.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using namespace quillorn;
using fuzz::check;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::filesystem::path file = fuzz::scratchFolder() / "document.htm";
  fuzz::writeBytes(file, bytes);

  Outcome<DocumentBuffer, LoadFailure> loaded = loadDocument(platform::toPathText(file));
  check(loaded.ok());
  DocumentBuffer& document = loaded.value();
  document.bytes.shrink_to_fit();
  check(document.bytes.size() == size && std::equal(document.bytes.begin(), document.bytes.end(), data));

  detectEncoding(document);
  const bool littleMark = size >= 2 && data[0] == 0xFF && data[1] == 0xFE;
  const bool bigMark = size >= 2 && data[0] == 0xFE && data[1] == 0xFF;
  check((document.encoding == Encoding::Utf16) == (littleMark || bigMark));
  check(document.storedBigEndian == bigMark);
  check(document.size() == size);
  if (bigMark) {
    // Swapped pair by pair; an odd last byte stays where it is.
    for (std::size_t i = 0; i + 1 < size; i += 2)
      check(document.bytes[i] == data[i + 1] && document.bytes[i + 1] == data[i]);
    if (size % 2 == 1) check(document.bytes[size - 1] == data[size - 1]);
    std::vector<std::uint8_t> back = document.bytes;
    swapBytePairs(back.data(), back.size());
    check(std::equal(back.begin(), back.end(), data));
  } else {
    check(std::equal(document.bytes.begin(), document.bytes.end(), data));
  }

  // Every character, read as the scanners read it; UTF-16 text narrowed one
  // unit and two units at a time alike, and widened back where it can be.
  const TextView text = document.view();
  std::size_t characters = 0;
  for (Pos p = 0; text.hasChar(p); p += text.step) {
    const char c = text.charAt(p);
    ++characters;
    if (text.step == 2) {
      const auto unit = static_cast<std::uint16_t>(document.bytes[static_cast<std::size_t>(p)] |
                                                   (document.bytes[static_cast<std::size_t>(p) + 1] << 8));
      const std::uint16_t widened = platform::widenByte(static_cast<std::uint8_t>(c));
      check(widened == unit || c == platform::kUnmappableChar);
      if (text.hasChar(p + 2)) {
        const auto pair = narrowPair(document.bytes.data() + p);
        check(pair.first == c && pair.second == text.charAt(p + 2));
      }
    }
  }
  check(characters == size / static_cast<std::size_t>(text.step));
  std::string wide;
  appendWidened(bytes, wide);
  check(wide.size() == 2 * size);
  for (std::size_t i = 0; i < size; ++i)
    check(narrowChar(reinterpret_cast<const std::uint8_t*>(wide.data() + 2 * i)) == bytes[i]);
  return 0;
}
