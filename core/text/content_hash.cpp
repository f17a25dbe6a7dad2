#include "core/text/content_hash.h"

#include <bit>
#include <cstring>

namespace quillorn {
namespace {

// The primes and the mixing steps of a well-known one-lane 64-bit design:
// eight bytes per multiply, and a final step that spreads every input bit
// over the whole result.
constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ULL;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4FULL;
constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ULL;
constexpr std::uint64_t kPrime4 = 0x85EBCA77C2B2AE63ULL;
constexpr std::uint64_t kPrime5 = 0x27D4EB2F165667C5ULL;

std::uint64_t round(std::uint64_t accumulator, std::uint64_t word) {
  accumulator += word * kPrime2;
  return std::rotl(accumulator, 31) * kPrime1;
}

}  // namespace

std::uint64_t contentHash(const std::uint8_t* bytes, std::size_t count) {
  std::uint64_t hash = kPrime5 + static_cast<std::uint64_t>(count);
  std::size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes + i, 8);
    hash ^= round(0, word);
    hash = std::rotl(hash, 27) * kPrime1 + kPrime4;
  }
  for (; i < count; ++i) {
    hash ^= bytes[i] * kPrime5;
    hash = std::rotl(hash, 11) * kPrime1;
  }
  hash ^= hash >> 33;
  hash *= kPrime2;
  hash ^= hash >> 29;
  hash *= kPrime3;
  hash ^= hash >> 32;
  return hash;
}

}  // namespace quillorn
