#pragma once
// The wizard's page pictures: a GIF decoder for its own picture resources and
// the blend that makes the Welcome banner. Reads GIF87a and GIF89a with LZW
// data.
//
// Known limits: only the first image of a file is decoded. It does not handle
// the image's offset on the logical screen, the background colour, disposal,
// animation or any extension but the transparent index of a graphic control
// extension. Every read is bounded by the resource's size, whatever the bytes
// say.

#include <cstdint>
#include <span>
#include <vector>

namespace quillorn {

// One decoded picture as a 24-bit bottom-up bitmap.
struct PagePicture {
  std::int32_t width = 0, height = 0, rowStride = 0;  // stride = width*3 rounded up to 4
  std::vector<std::uint8_t> pixels;                   // blue, green, red; bottom row first in memory
};

// Decodes a GIF resource (every read bounded by resource.size()); `transparentColour` is 0x00BBGGRR.
// On failure `picture` is left empty (width 0) and false is returned.
bool loadGifPicture(std::span<const std::uint8_t> resource, std::uint32_t transparentColour, PagePicture& picture);

// The Welcome banner: 4 bytes per pixel (blue, green, red, 0), bottom row first.
struct BannerBitmap {
  std::int32_t width = 0, height = 0;
  std::vector<std::uint8_t> pixels;
};

// The Welcome banner: colour picture blended over the button-face colour (0x00BBGGRR) through the mask.
// The mask's blue byte is the weight of the colour picture (255: the picture alone, 0: the face alone).
// Fails, leaving `banner` empty, when either picture is empty or the two differ in size.
bool composeWelcomeBanner(const PagePicture& mask, const PagePicture& colour, std::uint32_t buttonFace,
                          BannerBitmap& banner);

// The LZW decoder's own result codes.
inline constexpr std::int16_t kGifDecodeOk = 0;
inline constexpr std::int16_t kGifOutOfMemory = -10;
inline constexpr std::int16_t kGifBadCodeSize = -20;  // also when there are no data at all

// Pictures with more pixels than this (1024 x 1024, many times the largest
// picture the wizard has) are refused as out of memory.
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 20;

struct GifLzwResult {
  std::int16_t code = kGifDecodeOk;
  std::uint32_t badCodes = 0;  // codes above the next free code; any makes the picture fail
};

// Decodes the LZW data that begin with the minimum-code-size byte (and run to
// the end of `data`) into `indices`: width x height colour indexes, rows in
// stream order. Pixels beyond the last row are dropped; rows the stream does
// not reach stay 0. Data that end before the end code end the decode as the
// end code would.
GifLzwResult decodeGifLzw(std::span<const std::uint8_t> data, std::int32_t width, std::int32_t height,
                          std::vector<std::uint8_t>& indices);

}  // namespace quillorn
