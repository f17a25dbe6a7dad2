// Decodes arbitrary bytes as a GIF page picture. Besides the sanitizers'
// checks it asserts the shape of whatever comes out: a picture is either empty
// or whole, and a whole one can always be blended into a banner. The LZW
// decoder also gets the bytes raw, so the fuzzer reaches it without first
// finding a valid header.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "core/pictures/page_picture.h"

namespace {

using namespace quillorn;

void require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);

  PagePicture picture;
  if (loadGifPicture(input, 0x00FF00FF, picture)) {
    require(picture.width > 0 && picture.height > 0);
    require(picture.rowStride == ((picture.width * 3 + 3) & ~3));
    require(picture.pixels.size() ==
            static_cast<std::size_t>(picture.rowStride) * static_cast<std::size_t>(picture.height));
    BannerBitmap banner;
    require(composeWelcomeBanner(picture, picture, 0x00808080, banner));
    require(banner.pixels.size() == static_cast<std::size_t>(picture.width) * picture.height * 4);
  } else {
    require(picture.width == 0 && picture.pixels.empty());
  }

  std::vector<std::uint8_t> indices;
  const GifLzwResult raw = decodeGifLzw(input, 37, 11, indices);
  require(raw.code == kGifDecodeOk || raw.code == kGifBadCodeSize);
  require(raw.code != kGifDecodeOk || indices.size() == 37 * 11);
  return 0;
}
