// The committed artwork: the wizard's pictures have the sizes, colour counts and
// encoding the program expects, and each decodes to exactly the colour indexes
// the generator drew (tools/artwork writes their CRC-32 beside them). The icons,
// cursors and Ravelet's banner have their sizes and formats.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/pictures/page_picture.h"

namespace quillorn {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::filesystem::path sourcePath(const std::string& relative) {
  return std::filesystem::path(QUILLORN_SOURCE_DIR) / relative;
}

Bytes readFile(const std::string& relative) {
  std::ifstream in(sourcePath(relative), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

unsigned word16(const Bytes& bytes, std::size_t at) { return bytes.at(at) | (bytes.at(at + 1) << 8); }
std::uint32_t word32(const Bytes& bytes, std::size_t at, bool bigEndian) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value |= std::uint32_t{bytes.at(at + i)} << (bigEndian ? 24 - 8 * i : 8 * i);
  return value;
}

std::uint32_t crc32(const Bytes& bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::uint8_t byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::map<int, std::uint32_t> generatorChecksums() {
  std::ifstream in(sourcePath("wizard/resources/pictures/indexes.crc32"));
  std::map<int, std::uint32_t> sums;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    int resource = 0;
    std::string hex;
    fields >> resource >> hex;
    sums[resource] = static_cast<std::uint32_t>(std::stoul(hex, nullptr, 16));
  }
  return sums;
}

struct PictureRow {
  int resource;
  int width, height, colours;
};

class CommittedPictureTest : public ::testing::TestWithParam<PictureRow> {};

TEST_P(CommittedPictureTest, HasItsEncodingAndDecodesToWhatWasDrawn) {
  const PictureRow& row = GetParam();
  const Bytes gif = readFile("wizard/resources/pictures/" + std::to_string(row.resource) + ".gif");
  ASSERT_GT(gif.size(), 13u);
  EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");
  ASSERT_TRUE(gif[10] & 0x80) << "global colour table";
  EXPECT_EQ(2 << (gif[10] & 7), row.colours);

  // Straight after the table comes the one image: no extension blocks.
  const std::size_t image = 13 + 3 * static_cast<std::size_t>(2 << (gif[10] & 7));
  ASSERT_LT(image + 10, gif.size());
  EXPECT_EQ(gif[image], 0x2C);
  EXPECT_EQ(word16(gif, image + 1), 0u);
  EXPECT_EQ(word16(gif, image + 3), 0u);
  EXPECT_EQ(word16(gif, image + 5), static_cast<unsigned>(row.width));
  EXPECT_EQ(word16(gif, image + 7), static_cast<unsigned>(row.height));
  EXPECT_EQ(gif[image + 9], 0) << "no local table, not interlaced";
  EXPECT_EQ(gif[image + 10], 8) << "LZW minimum code size";
  std::size_t pos = image + 11;
  while (pos < gif.size() && gif[pos] != 0) pos += gif[pos] + 1u;
  EXPECT_EQ(pos + 2, gif.size()) << "the data's last sub-block, then only the trailer";
  EXPECT_EQ(gif.back(), 0x3B);

  std::vector<std::uint8_t> indices;
  const std::span<const std::uint8_t> data(gif.data() + image + 10, gif.size() - image - 10);
  const GifLzwResult decoded = decodeGifLzw(data, row.width, row.height, indices);
  EXPECT_EQ(decoded.code, kGifDecodeOk);
  EXPECT_EQ(decoded.badCodes, 0u);
  EXPECT_EQ(crc32(indices), generatorChecksums().at(row.resource));

  PagePicture picture;
  ASSERT_TRUE(loadGifPicture(gif, 0, picture));
  EXPECT_EQ(picture.width, row.width);
  EXPECT_EQ(picture.height, row.height);
}

INSTANTIATE_TEST_SUITE_P(
    Wizard, CommittedPictureTest,
    ::testing::Values(PictureRow{136, 141, 299, 32}, PictureRow{137, 280, 115, 32}, PictureRow{138, 141, 299, 32},
                      PictureRow{139, 141, 299, 32}, PictureRow{140, 141, 299, 32}, PictureRow{141, 141, 299, 32},
                      PictureRow{142, 141, 299, 32}, PictureRow{143, 141, 299, 32}, PictureRow{144, 280, 115, 64}),
    [](const ::testing::TestParamInfo<PictureRow>& info) { return "Picture" + std::to_string(info.param.resource); });

TEST(CommittedArtworkTest, WelcomeBannerPicturesGoTogether) {
  PagePicture mask, colour;
  ASSERT_TRUE(loadGifPicture(readFile("wizard/resources/pictures/137.gif"), 0, mask));
  ASSERT_TRUE(loadGifPicture(readFile("wizard/resources/pictures/144.gif"), 0, colour));
  BannerBitmap banner;
  ASSERT_TRUE(composeWelcomeBanner(mask, colour, 0x00EFEFEF, banner));
  EXPECT_EQ(banner.pixels.size(), 128800u);
}

TEST(CommittedArtworkTest, IconsAndCursorsAreRgbaPngsOfTheirSizes) {
  std::vector<std::pair<std::string, std::uint32_t>> files;
  for (const char* icon : {"wizard/resources/icons/quillorn-", "restorer/resources/icons/ravelet-"}) {
    for (std::uint32_t size : {16u, 24u, 32u, 48u, 64u, 128u, 256u}) {
      files.emplace_back(icon + std::to_string(size) + ".png", size);
    }
  }
  files.emplace_back("wizard/resources/cursors/hand.png", 32);
  files.emplace_back("restorer/resources/cursors/hand.png", 32);
  for (const auto& [file, size] : files) {
    const Bytes png = readFile(file);
    ASSERT_GE(png.size(), 33u) << file;
    EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR") << file;
    EXPECT_EQ(word32(png, 16, true), size) << file;
    EXPECT_EQ(word32(png, 20, true), size) << file;
    EXPECT_EQ(png[24], 8) << file;
    EXPECT_EQ(png[25], 6) << file << ": RGBA";
  }
}

TEST(CommittedArtworkTest, RaveletBannerIsA256ColourBitmap) {
  const Bytes bmp = readFile("restorer/resources/banner.bmp");
  ASSERT_GE(bmp.size(), 54u);
  EXPECT_EQ(std::string(bmp.begin(), bmp.begin() + 2), "BM");
  EXPECT_EQ(word32(bmp, 2, false), bmp.size());
  EXPECT_EQ(word32(bmp, 18, false), 338u);
  EXPECT_EQ(word32(bmp, 22, false), 49u);
  EXPECT_EQ(word16(bmp, 28), 8u) << "bits per pixel";
  EXPECT_EQ(word32(bmp, 30, false), 0u) << "uncompressed";
  EXPECT_EQ(word32(bmp, 46, false), 256u) << "colours";
  EXPECT_EQ(word32(bmp, 10, false), 14u + 40u + 256u * 4u);
  EXPECT_EQ(bmp.size(), 14u + 40u + 256u * 4u + 340u * 49u);
}

}  // namespace
}  // namespace quillorn
