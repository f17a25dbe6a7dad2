#pragma once
// A fast 64-bit hash of a file's bytes, taken while they are in memory anyway:
// it tells whether a file still holds what was read before.
//
// Known limits: not for security: someone who wants two files to collide can
// make them.

#include <cstddef>
#include <cstdint>

namespace quillorn {

std::uint64_t contentHash(const std::uint8_t* bytes, std::size_t count);

}  // namespace quillorn
