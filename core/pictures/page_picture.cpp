#include "core/pictures/page_picture.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <new>
#include <optional>
#include <utility>

namespace quillorn {
namespace {

constexpr int kMaxCodeBits = 12;
constexpr std::size_t kTableSize = std::size_t{1} << kMaxCodeBits;  // 4,096 codes

// Reads the LZW codes least significant bit first from the data sub-blocks
// that follow the minimum-code-size byte. A zero-length sub-block or the end
// of the data ends the codes.
class CodeReader {
 public:
  explicit CodeReader(std::span<const std::uint8_t> data) : data_(data), pos_(1) {}

  // The next code of `bits` bits, or nothing once the data have ended.
  std::optional<unsigned> next(int bits) {
    while (bitCount_ < bits) {
      if (blockLeft_ == 0) {
        if (ended_ || pos_ >= data_.size() || data_[pos_] == 0) {
          ended_ = true;
          return std::nullopt;
        }
        blockLeft_ = data_[pos_++];
      }
      if (pos_ >= data_.size()) {
        ended_ = true;
        return std::nullopt;
      }
      bits_ |= std::uint32_t{data_[pos_++]} << bitCount_;
      bitCount_ += 8;
      --blockLeft_;
    }
    const unsigned code = bits_ & ((1u << bits) - 1u);
    bits_ >>= bits;
    bitCount_ -= bits;
    return code;
  }

 private:
  std::span<const std::uint8_t> data_;
  std::size_t pos_;
  std::size_t blockLeft_ = 0;
  std::uint32_t bits_ = 0;
  int bitCount_ = 0;
  bool ended_ = false;
};

std::uint16_t readWord(std::span<const std::uint8_t> bytes, std::size_t pos) {
  return static_cast<std::uint16_t>(bytes[pos] | (bytes[pos + 1] << 8));
}

// Bytes of the colour table that a packed byte with bit 7 set announces.
std::size_t colourTableBytes(std::uint8_t packed) { return std::size_t{3} << ((packed & 7) + 1); }

// Where each decoded row goes, counted from the top of the image.
std::vector<std::int32_t> rowPlacement(std::int32_t height, bool interlaced) {
  std::vector<std::int32_t> rows;
  rows.reserve(static_cast<std::size_t>(height));
  if (!interlaced) {
    for (std::int32_t r = 0; r < height; ++r) rows.push_back(r);
    return rows;
  }
  constexpr std::array<std::pair<std::int32_t, std::int32_t>, 4> kPasses{{{0, 8}, {4, 8}, {2, 4}, {1, 2}}};
  for (const auto& [first, step] : kPasses) {
    for (std::int32_t r = first; r < height; r += step) rows.push_back(r);
  }
  return rows;
}

struct ImageFound {
  std::int32_t width = 0, height = 0;
  bool interlaced = false;
  std::span<const std::uint8_t> colourTable;  // empty when the image has none
  std::span<const std::uint8_t> lzwData;      // from the minimum-code-size byte to the end
  std::optional<std::uint8_t> transparentIndex;
};

// Walks the header and the blocks up to the first image descriptor.
std::optional<ImageFound> findFirstImage(std::span<const std::uint8_t> gif) {
  constexpr std::size_t kHeaderSize = 13;
  if (gif.size() < kHeaderSize) return std::nullopt;
  const std::span<const std::uint8_t> signature = gif.first(6);
  const auto matches = [&](const char* text) { return std::equal(signature.begin(), signature.end(), text); };
  if (!matches("GIF87a") && !matches("GIF89a")) return std::nullopt;

  ImageFound image;
  std::size_t pos = kHeaderSize;
  const std::uint8_t screenPacked = gif[10];
  if (screenPacked & 0x80) {
    const std::size_t tableBytes = colourTableBytes(screenPacked);
    if (pos + tableBytes >= gif.size()) return std::nullopt;
    image.colourTable = gif.subspan(pos, tableBytes);
    pos += tableBytes;
  }

  while (pos < gif.size()) {
    if (gif[pos] == 0x21) {
      if (pos + 1 >= gif.size()) return std::nullopt;
      if (gif[pos + 1] == 0xF9 && pos + 6 < gif.size() && (gif[pos + 3] & 1)) image.transparentIndex = gif[pos + 6];
      std::size_t block = pos + 2;
      for (;;) {
        if (block >= gif.size()) return std::nullopt;
        const std::size_t length = gif[block];
        block += length + 1;
        if (length == 0) break;
      }
      pos = block;
    } else if (gif[pos] == 0x2C) {
      if (pos + 9 >= gif.size()) return std::nullopt;
      image.width = readWord(gif, pos + 5);
      image.height = readWord(gif, pos + 7);
      const std::uint8_t packed = gif[pos + 9];
      image.interlaced = (packed & 0x40) != 0;
      std::size_t data = pos + 10;
      if (packed & 0x80) {
        const std::size_t tableBytes = colourTableBytes(packed);
        if (data + tableBytes >= gif.size()) return std::nullopt;
        image.colourTable = gif.subspan(data, tableBytes);
        data += tableBytes;
      }
      if (data >= gif.size()) return std::nullopt;
      image.lzwData = gif.subspan(data);
      return image;
    } else {
      return std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace

GifLzwResult decodeGifLzw(std::span<const std::uint8_t> data, std::int32_t width, std::int32_t height,
                          std::vector<std::uint8_t>& indices) {
  GifLzwResult result;
  indices.clear();
  if (data.empty() || data[0] < 2 || data[0] > 9) {
    result.code = kGifBadCodeSize;
    return result;
  }
  const std::int64_t total = std::int64_t{std::max(width, 0)} * std::max(height, 0);
  if (total > kMaxPicturePixels) {
    result.code = kGifOutOfMemory;
    return result;
  }
  try {
    indices.assign(static_cast<std::size_t>(total), 0);
  } catch (const std::bad_alloc&) {
    result.code = kGifOutOfMemory;
    return result;
  }

  const int minCodeSize = data[0];
  const unsigned clearCode = 1u << minCodeSize;
  const unsigned endCode = clearCode + 1;
  const unsigned firstFree = clearCode + 2;
  int codeSize = minCodeSize + 1;
  unsigned sizeLimit = 1u << codeSize;
  unsigned nextFree = firstFree;
  std::array<std::uint16_t, kTableSize> prefix{};
  std::array<std::uint8_t, kTableSize> suffix{};
  std::array<std::uint8_t, kTableSize> stack{};
  std::size_t stackTop = 0;
  unsigned previous = 0;
  std::uint8_t firstByte = 0;
  std::size_t written = 0;

  const auto emit = [&](std::uint8_t pixel) {
    if (written < indices.size()) indices[written++] = pixel;
  };

  CodeReader reader(data);
  for (;;) {
    std::optional<unsigned> code = reader.next(codeSize);
    if (!code || *code == endCode) break;

    if (*code == clearCode) {
      codeSize = minCodeSize + 1;
      sizeLimit = 1u << codeSize;
      nextFree = firstFree;
      do code = reader.next(codeSize);
      while (code && *code == clearCode);
      if (!code || *code == endCode) break;
      const unsigned literal = *code < firstFree ? *code : 0;
      emit(static_cast<std::uint8_t>(literal));
      previous = literal;
      firstByte = static_cast<std::uint8_t>(literal);
      continue;
    }

    unsigned current = *code;
    if (current > nextFree) ++result.badCodes;
    if (current >= nextFree) {
      stack[stackTop++] = firstByte;
      current = previous;
    }
    // A chain longer than the stack can only come from entries a bad code
    // left behind (they may even form a loop); count it and cut it short.
    while (current >= firstFree) {
      if (stackTop == stack.size() - 1) {
        ++result.badCodes;
        break;
      }
      stack[stackTop++] = suffix[current];
      current = prefix[current];
    }
    const auto finalByte = static_cast<std::uint8_t>(current);
    stack[stackTop++] = finalByte;

    if (nextFree < sizeLimit) {
      prefix[nextFree] = static_cast<std::uint16_t>(previous);
      suffix[nextFree] = finalByte;
      ++nextFree;
      previous = *code;
      firstByte = finalByte;
    }
    if (nextFree >= sizeLimit && codeSize < kMaxCodeBits) {
      sizeLimit <<= 1;
      ++codeSize;
    }
    while (stackTop > 0) emit(stack[--stackTop]);
  }
  return result;
}

bool loadGifPicture(std::span<const std::uint8_t> resource, std::uint32_t transparentColour, PagePicture& picture) {
  picture = PagePicture{};
  const std::optional<ImageFound> image = findFirstImage(resource);
  if (!image || image->width == 0 || image->height == 0) return false;

  std::vector<std::uint8_t> indices;
  const GifLzwResult decoded = decodeGifLzw(image->lzwData, image->width, image->height, indices);
  if (decoded.code != kGifDecodeOk || decoded.badCodes != 0) return false;

  PagePicture made;
  made.width = image->width;
  made.height = image->height;
  made.rowStride = (made.width * 3 + 3) & ~3;
  try {
    made.pixels.assign(static_cast<std::size_t>(made.rowStride) * static_cast<std::size_t>(made.height), 0);
  } catch (const std::bad_alloc&) {
    return false;
  }

  // The colour of every index. One with no entry in the colour table (or no
  // table at all) shows black.
  std::array<std::array<std::uint8_t, 3>, 256> colourOf{};
  const std::size_t colours = std::min<std::size_t>(image->colourTable.size() / 3, colourOf.size());
  for (std::size_t i = 0; i < colours; ++i) {
    const std::uint8_t* rgb = image->colourTable.data() + i * 3;
    colourOf[i] = {rgb[2], rgb[1], rgb[0]};
  }
  if (image->transparentIndex) {
    colourOf[*image->transparentIndex] = {static_cast<std::uint8_t>(transparentColour >> 16),
                                          static_cast<std::uint8_t>(transparentColour >> 8),
                                          static_cast<std::uint8_t>(transparentColour)};
  }

  const std::vector<std::int32_t> placement = rowPlacement(made.height, image->interlaced);
  const auto width = static_cast<std::size_t>(made.width);
  for (std::size_t row = 0; row < placement.size(); ++row) {
    // Image row t (from the top) is memory row height - 1 - t: the bitmap is bottom-up.
    const auto memoryRow = static_cast<std::size_t>(made.height - 1 - placement[row]);
    std::uint8_t* out = made.pixels.data() + memoryRow * static_cast<std::size_t>(made.rowStride);
    const std::uint8_t* in = indices.data() + row * width;
    for (std::size_t x = 0; x < width; ++x, out += 3) {
      const std::array<std::uint8_t, 3>& bgr = colourOf[in[x]];
      out[0] = bgr[0];
      out[1] = bgr[1];
      out[2] = bgr[2];
    }
  }
  picture = std::move(made);
  return true;
}

bool composeWelcomeBanner(const PagePicture& mask, const PagePicture& colour, std::uint32_t buttonFace,
                          BannerBitmap& banner) {
  banner = BannerBitmap{};
  const auto whole = [](const PagePicture& picture) {
    return picture.width > 0 && picture.height > 0 && picture.rowStride >= picture.width * 3 &&
           picture.pixels.size() >=
               static_cast<std::size_t>(picture.rowStride) * static_cast<std::size_t>(picture.height);
  };
  if (!whole(mask) || !whole(colour) || mask.width != colour.width || mask.height != colour.height) return false;

  const auto width = static_cast<std::size_t>(mask.width);
  const auto height = static_cast<std::size_t>(mask.height);
  const std::array<double, 3> face{static_cast<double>((buttonFace >> 16) & 0xFF),
                                   static_cast<double>((buttonFace >> 8) & 0xFF),
                                   static_cast<double>(buttonFace & 0xFF)};
  BannerBitmap made;
  made.width = mask.width;
  made.height = mask.height;
  made.pixels.resize(width * height * 4);
  std::uint8_t* out = made.pixels.data();
  for (std::size_t y = 0; y < height; ++y) {
    const std::uint8_t* weights = mask.pixels.data() + y * static_cast<std::size_t>(mask.rowStride);
    const std::uint8_t* picture = colour.pixels.data() + y * static_cast<std::size_t>(colour.rowStride);
    for (std::size_t x = 0; x < width; ++x, out += 4) {
      const double a = weights[x * 3] / 255.0;
      for (std::size_t channel = 0; channel < 3; ++channel) {
        const double blended = picture[x * 3 + channel] * a + face[channel] * (1.0 - a);
        out[channel] = static_cast<std::uint8_t>(static_cast<int>(blended));
      }
      out[3] = 0;
    }
  }
  banner = std::move(made);
  return true;
}

}  // namespace quillorn
