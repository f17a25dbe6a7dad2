#include "core/pictures/page_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

namespace quillorn {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Bgr = std::array<std::uint8_t, 3>;

Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

struct Code {
  unsigned value;
  int bits;
};

// The LZW data as they follow an image descriptor: the minimum code size, the
// codes packed least significant bit first into sub-blocks, then (when
// `terminated`) the zero-length sub-block.
Bytes lzw(int minCodeSize, const std::vector<Code>& codes, bool terminated = true) {
  Bytes packed;
  std::uint32_t bits = 0;
  int count = 0;
  for (const Code& code : codes) {
    bits |= code.value << count;
    for (count += code.bits; count >= 8; count -= 8, bits >>= 8) packed.push_back(static_cast<std::uint8_t>(bits));
  }
  if (count > 0) packed.push_back(static_cast<std::uint8_t>(bits));
  Bytes out{static_cast<std::uint8_t>(minCodeSize)};
  for (std::size_t at = 0; at < packed.size(); at += 255) {
    const std::size_t length = std::min<std::size_t>(255, packed.size() - at);
    out.push_back(static_cast<std::uint8_t>(length));
    out.insert(out.end(), packed.begin() + static_cast<std::ptrdiff_t>(at),
               packed.begin() + static_cast<std::ptrdiff_t>(at + length));
  }
  if (terminated) out.push_back(0);
  return out;
}

// Every pixel as a literal code; a clear code comes before the table would
// grow, so every code keeps minCodeSize + 1 bits.
std::vector<Code> literals(int minCodeSize, const Bytes& pixels, bool withEnd = true) {
  const int bits = minCodeSize + 1;
  const unsigned clear = 1u << minCodeSize;
  std::vector<Code> codes;
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    if (i % std::max<std::size_t>(1, (std::size_t{1} << minCodeSize) - 2) == 0) codes.push_back({clear, bits});
    codes.push_back({pixels[i], bits});
  }
  if (withEnd) codes.push_back({clear + 1, bits});
  return codes;
}

std::uint8_t tablePacked(const Bytes& table) {
  if (table.empty()) return 0;
  int n = 0;
  while ((std::size_t{6} << n) < table.size()) ++n;
  return static_cast<std::uint8_t>(0x80 | n);
}

Bytes header(const char* signature, const Bytes& globalTable) {
  Bytes out(signature, signature + 6);
  out.insert(out.end(), {2, 0, 2, 0, tablePacked(globalTable), 0, 0});
  out.insert(out.end(), globalTable.begin(), globalTable.end());
  return out;
}

Bytes graphicControl(std::uint8_t packed, std::uint8_t transparentIndex) {
  return {0x21, 0xF9, 4, packed, 0, 0, transparentIndex, 0};
}

Bytes image(int width, int height, const Bytes& data, bool interlaced = false, const Bytes& localTable = {}) {
  Bytes out{0x2C,
            0,
            0,
            0,
            0,
            static_cast<std::uint8_t>(width),
            static_cast<std::uint8_t>(width >> 8),
            static_cast<std::uint8_t>(height),
            static_cast<std::uint8_t>(height >> 8),
            static_cast<std::uint8_t>(tablePacked(localTable) | (interlaced ? 0x40 : 0))};
  out.insert(out.end(), localTable.begin(), localTable.end());
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

const Bytes kTrailer{0x3B};
// Index 0 red, 1 green, 2 blue, 3 white (red, green, blue in the file).
const Bytes kPalette{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
const Bgr kRed{0, 0, 255}, kGreen{0, 255, 0}, kBlue{255, 0, 0}, kWhite{255, 255, 255}, kBlack{0, 0, 0};

// A 2 x 2 picture: red, green over blue, white.
Bytes twoByTwo(const char* signature = "GIF89a", int minCodeSize = 2) {
  return cat(
      {header(signature, kPalette), image(2, 2, lzw(minCodeSize, literals(minCodeSize, {0, 1, 2, 3}))), kTrailer});
}

// The pixel in column x of image row y counted from the top.
Bgr pixelAt(const PagePicture& picture, int x, int y) {
  const std::size_t at =
      static_cast<std::size_t>(picture.height - 1 - y) * static_cast<std::size_t>(picture.rowStride) +
      static_cast<std::size_t>(x) * 3;
  return {picture.pixels[at], picture.pixels[at + 1], picture.pixels[at + 2]};
}

struct FileRow {
  const char* name;
  Bytes gif;
  std::optional<std::array<Bgr, 4>> shown;  // the 2 x 2 picture, row by row from the top; none: rejected
};

const std::array<Bgr, 4> kAsDrawn{kRed, kGreen, kBlue, kWhite};

class GifFileTest : public ::testing::TestWithParam<FileRow> {};

TEST_P(GifFileTest, AcceptsOrRejects) {
  const FileRow& row = GetParam();
  PagePicture picture;
  picture.width = 9;  // a previous picture is always released
  const bool loaded = loadGifPicture(row.gif, 0, picture);
  ASSERT_EQ(loaded, row.shown.has_value());
  if (!loaded) {
    EXPECT_EQ(picture.width, 0);
    EXPECT_TRUE(picture.pixels.empty());
    return;
  }
  ASSERT_EQ(picture.width, 2);
  ASSERT_EQ(picture.height, 2);
  EXPECT_EQ(picture.rowStride, 8);
  const std::array<Bgr, 4> shown{pixelAt(picture, 0, 0), pixelAt(picture, 1, 0), pixelAt(picture, 0, 1),
                                 pixelAt(picture, 1, 1)};
  EXPECT_EQ(shown, *row.shown);
}

const Bytes kFirstFrame = image(2, 2, lzw(2, literals(2, {0, 1, 2, 3})));
const Bytes kBadCodeStream = lzw(2, {{4, 3}, {1, 3}, {7, 3}, {0, 3}, {5, 3}});  // 7 is above the next free code 6

INSTANTIATE_TEST_SUITE_P(
    Files, GifFileTest,
    ::testing::Values(
        FileRow{"Gif89a", twoByTwo("GIF89a"), kAsDrawn}, FileRow{"Gif87a", twoByTwo("GIF87a"), kAsDrawn},
        FileRow{"LowerCaseSignature", twoByTwo("gif89a"), std::nullopt},
        FileRow{"OtherVersion", twoByTwo("GIF88a"), std::nullopt},
        FileRow{"MinCodeSize1", twoByTwo("GIF89a", 1), std::nullopt},
        FileRow{"MinCodeSize2", twoByTwo("GIF89a", 2), kAsDrawn},
        FileRow{"MinCodeSize9", twoByTwo("GIF89a", 9), kAsDrawn},
        FileRow{"MinCodeSize10", twoByTwo("GIF89a", 10), std::nullopt},
        FileRow{"TwelveBytes", [] {
                  Bytes gif = twoByTwo();
                  gif.resize(12);
                  return gif;
                }(), std::nullopt},
        FileRow{"GlobalTableReachesTheEnd", header("GIF89a", kPalette), std::nullopt},
        FileRow{"TrailerBeforeImage", cat({header("GIF89a", kPalette), kTrailer, kFirstFrame}), std::nullopt},
        FileRow{"ExtensionOnly", cat({header("GIF89a", kPalette), graphicControl(0, 0)}), std::nullopt},
        FileRow{"ExtensionRunsPastTheEnd",
                cat({header("GIF89a", kPalette), Bytes{0x21, 0xFE, 200, 'x', 'y'}}), std::nullopt},
        FileRow{"DescriptorCutShort", cat({header("GIF89a", kPalette), Bytes(kFirstFrame.begin(), kFirstFrame.begin() + 9)}),
                std::nullopt},
        FileRow{"NoDataAfterDescriptor", cat({header("GIF89a", kPalette), image(2, 2, {})}), std::nullopt},
        FileRow{"LocalTableReachesTheEnd", cat({header("GIF89a", {}), image(2, 2, {}, false, kPalette)}), std::nullopt},
        FileRow{"LocalTableReplacesGlobal",
                cat({header("GIF89a", Bytes(12, 0)), image(2, 2, lzw(2, literals(2, {0, 1, 2, 3})), false, kPalette)}),
                kAsDrawn},
        FileRow{"ZeroWidth", cat({header("GIF89a", kPalette), image(0, 2, lzw(2, literals(2, {0})))}), std::nullopt},
        FileRow{"CodeAboveNextFree", cat({header("GIF89a", kPalette), image(2, 2, kBadCodeStream), kTrailer}),
                std::nullopt},
        // Only the first image counts; nothing after it is read, however broken.
        FileRow{"AnimatedShowsFirstFrame",
                cat({header("GIF89a", kPalette), graphicControl(0, 0), kFirstFrame, graphicControl(0, 0),
                     image(2, 2, lzw(2, literals(2, {3, 3, 3, 3}))), kTrailer}),
                kAsDrawn},
        FileRow{"BrokenSecondFrame", cat({header("GIF89a", kPalette), kFirstFrame, Bytes{0x2C, 0, 0}}), kAsDrawn},
        // Sound choices where the format leaves room.
        FileRow{"IndexBeyondTableIsBlack",
                cat({header("GIF89a", Bytes(kPalette.begin(), kPalette.begin() + 6)),
                     image(2, 2, lzw(2, literals(2, {0, 1, 2, 3})))}),
                std::array<Bgr, 4>{kRed, kGreen, kBlack, kBlack}},
        FileRow{"NoColourTableIsBlack", cat({header("GIF89a", {}), kFirstFrame}),
                std::array<Bgr, 4>{kBlack, kBlack, kBlack, kBlack}},
        FileRow{"DataEndBeforeEndCode",
                cat({header("GIF89a", kPalette), image(2, 2, lzw(2, literals(2, {1, 1, 3}, false)))}),
                std::array<Bgr, 4>{kGreen, kGreen, kWhite, kRed}},
        FileRow{"ResourceEndsInsideSubBlock",
                [] {
                  Bytes data = lzw(2, literals(2, {2, 2, 2}, false), false);
                  data[1] = 40;  // the sub-block claims far more bytes than are left
                  return cat({header("GIF89a", kPalette), image(2, 2, data)});
                }(),
                std::array<Bgr, 4>{kBlue, kBlue, kBlue, kRed}},
        FileRow{"PixelsBeyondTheImageDropped",
                cat({header("GIF89a", kPalette), image(2, 2, lzw(2, literals(2, {0, 1, 2, 3, 3, 3, 3, 3, 3})))}),
                kAsDrawn}),
    [](const ::testing::TestParamInfo<FileRow>& info) { return std::string(info.param.name); });

TEST(GifLzwTest, DecodesGrowingCodesAndTheNotYetDefinedCode) {
  // Entries 6 to 10 are made on the way; 10 is read while it is being defined
  // and the codes grow from 3 to 4 bits after code 6.
  const Bytes data = lzw(2, {{4, 3}, {0, 3}, {1, 3}, {6, 3}, {7, 4}, {8, 4}, {10, 4}, {5, 4}});
  std::vector<std::uint8_t> indices;
  const GifLzwResult result = decodeGifLzw(data, 13, 1, indices);
  EXPECT_EQ(result.code, kGifDecodeOk);
  EXPECT_EQ(result.badCodes, 0u);
  EXPECT_EQ(indices, (Bytes{0, 1, 0, 1, 1, 0, 0, 1, 1, 0, 1, 1, 0}));
}

TEST(GifLzwTest, LoopingChainIsCutAndCounted) {
  // The bad code 7 becomes the previous code, so entry 7 is made with itself
  // as its prefix; reading 7 then would follow that chain for ever.
  const Bytes data = lzw(2, {{4, 3}, {1, 3}, {7, 3}, {0, 3}, {7, 4}, {5, 4}});
  std::vector<std::uint8_t> indices;
  const GifLzwResult result = decodeGifLzw(data, 64, 64, indices);
  EXPECT_EQ(result.code, kGifDecodeOk);
  EXPECT_EQ(result.badCodes, 2u);
}

TEST(GifLzwTest, ReportsItsOwnResult) {
  std::vector<std::uint8_t> indices;
  EXPECT_EQ(decodeGifLzw({}, 2, 2, indices).code, kGifBadCodeSize);
  EXPECT_EQ(decodeGifLzw(Bytes{10, 0}, 2, 2, indices).code, kGifBadCodeSize);
  EXPECT_EQ(decodeGifLzw(lzw(2, literals(2, {0})), 65535, 65535, indices).code, kGifOutOfMemory);
  EXPECT_EQ(decodeGifLzw(lzw(2, literals(2, {0})), 1024, 1025, indices).code, kGifOutOfMemory);
  EXPECT_EQ(decodeGifLzw(lzw(2, literals(2, {0})), 1024, 1024, indices).code, kGifDecodeOk);
  EXPECT_EQ(indices.size(), 1024u * 1024u);
  const GifLzwResult bad = decodeGifLzw(kBadCodeStream, 2, 2, indices);
  EXPECT_EQ(bad.code, kGifDecodeOk);
  EXPECT_EQ(bad.badCodes, 1u);
}

TEST(GifPictureTest, RejectedPictureLeavesTheNextDecodeUnaffected) {
  PagePicture picture;
  EXPECT_FALSE(loadGifPicture(cat({header("GIF89a", kPalette), image(2, 2, kBadCodeStream)}), 0, picture));
  ASSERT_TRUE(loadGifPicture(twoByTwo(), 0, picture));
  EXPECT_EQ(pixelAt(picture, 0, 0), kRed);
  EXPECT_EQ(pixelAt(picture, 1, 1), kWhite);
}

TEST(GifPictureTest, RowsAreBottomUpWithZeroFill) {
  const Bytes gif = cat({header("GIF89a", kPalette), image(3, 2, lzw(2, literals(2, {0, 1, 2, 3, 3, 0})))});
  PagePicture picture;
  ASSERT_TRUE(loadGifPicture(gif, 0, picture));
  EXPECT_EQ(picture.rowStride, 12);
  EXPECT_EQ(picture.pixels, (Bytes{255, 255, 255, 255, 255, 255, 0,   0, 255, 0, 0, 0,  //
                                   0,   0,   255, 0,   255, 0,   255, 0, 0,   0, 0, 0}));
}

struct InterlaceRow {
  const char* name;
  int height;
  std::vector<int> imageRowOfStreamRow;
};

class InterlaceTest : public ::testing::TestWithParam<InterlaceRow> {};

TEST_P(InterlaceTest, StreamRowsLandInPassOrder) {
  const InterlaceRow& row = GetParam();
  Bytes palette;  // index i is the colour (i, 0, 0)
  for (std::uint8_t i = 0; i < 8; ++i) palette.insert(palette.end(), {i, 0, 0});
  Bytes stream;
  for (int r = 0; r < row.height; ++r) stream.push_back(static_cast<std::uint8_t>(r));
  PagePicture picture;
  ASSERT_TRUE(loadGifPicture(cat({header("GIF89a", palette), image(1, row.height, lzw(3, literals(3, stream)), true)}),
                             0, picture));
  for (int r = 0; r < row.height; ++r) {
    EXPECT_EQ(pixelAt(picture, 0, row.imageRowOfStreamRow[static_cast<std::size_t>(r)])[2], r) << "stream row " << r;
  }
}

INSTANTIATE_TEST_SUITE_P(Heights, InterlaceTest,
                         ::testing::Values(InterlaceRow{"Height8", 8, {0, 4, 2, 6, 1, 3, 5, 7}},
                                           InterlaceRow{"Height3SkipsSecondPass", 3, {0, 2, 1}},
                                           InterlaceRow{"Height1", 1, {0}}),
                         [](const ::testing::TestParamInfo<InterlaceRow>& info) {
                           return std::string(info.param.name);
                         });

struct TransparencyRow {
  const char* name;
  Bytes extension;
  Bgr indexTwoShows;
};

class TransparencyTest : public ::testing::TestWithParam<TransparencyRow> {};

TEST_P(TransparencyTest, TransparentIndexTakesTheGivenColour) {
  const TransparencyRow& row = GetParam();
  PagePicture picture;
  ASSERT_TRUE(loadGifPicture(cat({header("GIF89a", kPalette), row.extension, kFirstFrame}), 0x00332211, picture));
  EXPECT_EQ(pixelAt(picture, 0, 1), row.indexTwoShows);
  EXPECT_EQ(pixelAt(picture, 0, 0), kRed);
}

INSTANTIATE_TEST_SUITE_P(Extensions, TransparencyTest,
                         ::testing::Values(TransparencyRow{"BitSet", graphicControl(1, 2), Bgr{0x33, 0x22, 0x11}},
                                           TransparencyRow{"BitClear", graphicControl(0, 2), kBlue},
                                           TransparencyRow{"OtherExtension", Bytes{0x21, 0xFE, 3, 1, 0, 2, 0}, kBlue}),
                         [](const ::testing::TestParamInfo<TransparencyRow>& info) {
                           return std::string(info.param.name);
                         });

PagePicture filled(int width, int height, Bgr colour) {
  PagePicture picture;
  picture.width = width;
  picture.height = height;
  picture.rowStride = (width * 3 + 3) & ~3;
  picture.pixels.assign(static_cast<std::size_t>(picture.rowStride * height), 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::copy(colour.begin(), colour.end(), picture.pixels.begin() + y * picture.rowStride + x * 3);
    }
  }
  return picture;
}

struct BannerRow {
  const char* name;
  std::uint8_t maskBlue;
  std::uint32_t face;
  std::array<std::uint8_t, 4> shows;
};

class BannerTest : public ::testing::TestWithParam<BannerRow> {};

TEST_P(BannerTest, BlendsTheColourPictureOverTheFace) {
  const BannerRow& row = GetParam();
  // Only the mask's blue byte weighs; its green and red must not.
  const PagePicture mask = filled(5, 3, Bgr{row.maskBlue, 7, 250});
  const PagePicture colour = filled(5, 3, Bgr{200, 100, 40});
  BannerBitmap banner;
  ASSERT_TRUE(composeWelcomeBanner(mask, colour, row.face, banner));
  EXPECT_EQ(banner.width, 5);
  EXPECT_EQ(banner.height, 3);
  ASSERT_EQ(banner.pixels.size(), 5u * 3u * 4u);
  for (std::size_t at = 0; at < banner.pixels.size(); at += 4) {
    ASSERT_TRUE(std::equal(row.shows.begin(), row.shows.end(), banner.pixels.begin() + static_cast<std::ptrdiff_t>(at)))
        << "pixel " << at / 4;
  }
}

INSTANTIATE_TEST_SUITE_P(Masks, BannerTest,
                         ::testing::Values(BannerRow{"BlackFaceScalesThePicture", 128, 0x000000, {100, 50, 20, 0}},
                                           BannerRow{"Mask255ShowsThePicture", 255, 0x00C0D0E0, {200, 100, 40, 0}},
                                           BannerRow{"Mask0ShowsTheFace", 0, 0x00C0D0E0, {0xC0, 0xD0, 0xE0, 0}},
                                           // 200 * 128/255 + 0xC0 * 127/255 = 196.02..., truncated
                                           BannerRow{"HalfwayTruncates", 128, 0x00C0D0E0, {196, 153, 131, 0}}),
                         [](const ::testing::TestParamInfo<BannerRow>& info) { return std::string(info.param.name); });

TEST(BannerTest, PicturesOfDifferentSizesMakeNoBanner) {
  BannerBitmap banner;
  EXPECT_FALSE(composeWelcomeBanner(filled(5, 3, kWhite), filled(5, 4, kWhite), 0, banner));
  EXPECT_FALSE(composeWelcomeBanner(PagePicture{}, PagePicture{}, 0, banner));
  EXPECT_TRUE(banner.pixels.empty());
}

}  // namespace
}  // namespace quillorn
