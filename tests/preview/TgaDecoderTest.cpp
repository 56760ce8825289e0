#include "TgaDecoder.h"

#include <gtest/gtest.h>

#include <array>

namespace {

// An 18-byte header; colour-mapped pictures take their map's first index,
// length and depth.
std::string Header(int type, int width, int height, int depth, int descriptor, int mapLength = 0,
                   int mapDepth = 0)
{
    std::string bytes(18, '\0');
    bytes[1] = static_cast<char>(mapLength > 0 ? 1 : 0);
    bytes[2] = static_cast<char>(type);
    bytes[5] = static_cast<char>(mapLength & 0xFF);
    bytes[6] = static_cast<char>(mapLength >> 8);
    bytes[7] = static_cast<char>(mapDepth);
    bytes[12] = static_cast<char>(width & 0xFF);
    bytes[13] = static_cast<char>(width >> 8);
    bytes[14] = static_cast<char>(height & 0xFF);
    bytes[15] = static_cast<char>(height >> 8);
    bytes[16] = static_cast<char>(depth);
    bytes[17] = static_cast<char>(descriptor);
    return bytes;
}

std::array<int, 4> Pixel(const TgaDecoder::Image &image, uint32_t x, uint32_t y)
{
    const size_t at = (size_t{y} * image.Width + x) * 4;
    return {image.Bgra[at], image.Bgra[at + 1], image.Bgra[at + 2], image.Bgra[at + 3]};
}

TEST(TgaDecoderTest, DecodesEveryKindTexturesUse)
{
    // Uncompressed 24 bits, rows stored bottom first (the default).
    const auto plain =
        TgaDecoder::Decode(Header(2, 2, 2, 24, 0) + std::string("\x01\x02\x03\x04\x05\x06"
                                                                "\x07\x08\x09\x0A\x0B\x0C",
                                                                12));
    ASSERT_EQ(plain.Error, TgaDecoder::Failure::None);
    EXPECT_EQ(plain.Picture.Format, "24 Bit");
    EXPECT_EQ(Pixel(plain.Picture, 0, 1), (std::array<int, 4>{1, 2, 3, 255}));
    EXPECT_EQ(Pixel(plain.Picture, 1, 0), (std::array<int, 4>{10, 11, 12, 255}));

    // Run-length encoded 32 bits, top row first: a run of three, then one raw pixel;
    // the run crosses the end of the first row.
    const std::string rle = Header(10, 2, 2, 32, 0x28) + std::string("\x82\x10\x20\x30\x40", 5) +
                            std::string("\x00\x50\x60\x70\x80", 5);
    const auto packed = TgaDecoder::Decode(rle);
    ASSERT_EQ(packed.Error, TgaDecoder::Failure::None);
    EXPECT_EQ(packed.Picture.Format, "RLE, 32 Bit");
    EXPECT_EQ(Pixel(packed.Picture, 0, 0), (std::array<int, 4>{0x10, 0x20, 0x30, 0x40}));
    EXPECT_EQ(Pixel(packed.Picture, 0, 1), (std::array<int, 4>{0x10, 0x20, 0x30, 0x40}));
    EXPECT_EQ(Pixel(packed.Picture, 1, 1), (std::array<int, 4>{0x50, 0x60, 0x70, 0x80}));

    // Colour-mapped: two 24-bit map entries, indices 1 and 0; right to left.
    const auto mapped =
        TgaDecoder::Decode(Header(1, 2, 1, 8, 0x30, 2, 24) +
                           std::string("\x00\x00\xFF\x00\xFF\x00", 6) + std::string("\x01\x00", 2));
    ASSERT_EQ(mapped.Error, TgaDecoder::Failure::None);
    EXPECT_EQ(Pixel(mapped.Picture, 1, 0), (std::array<int, 4>{0, 0xFF, 0, 255}));
    EXPECT_EQ(Pixel(mapped.Picture, 0, 0), (std::array<int, 4>{0, 0, 0xFF, 255}));

    const auto grey = TgaDecoder::Decode(Header(3, 1, 1, 8, 0x20) + "\x80");
    ASSERT_EQ(grey.Error, TgaDecoder::Failure::None);
    EXPECT_EQ(Pixel(grey.Picture, 0, 0), (std::array<int, 4>{0x80, 0x80, 0x80, 255}));

    // 16 bits: five bits a colour and one of alpha; 0x7C00 is full red.
    const auto high =
        TgaDecoder::Decode(Header(2, 2, 1, 16, 0x21) + std::string("\x00\xFC\x1F\x00", 4));
    ASSERT_EQ(high.Error, TgaDecoder::Failure::None);
    EXPECT_EQ(Pixel(high.Picture, 0, 0), (std::array<int, 4>{0, 0, 255, 255}));
    EXPECT_EQ(Pixel(high.Picture, 1, 0), (std::array<int, 4>{255, 0, 0, 0}));
}

TEST(TgaDecoderTest, RejectsDamagedAndHostilePictures)
{
    using TgaDecoder::Failure;
    EXPECT_EQ(TgaDecoder::Decode("short").Error, Failure::Truncated);
    EXPECT_EQ(TgaDecoder::Decode(Header(2, 65535, 65535, 32, 0)).Error, Failure::TooLarge);
    EXPECT_EQ(TgaDecoder::Decode(Header(2, 4, 4, 32, 0), 16).Error, Failure::TooLarge);
    EXPECT_EQ(TgaDecoder::Decode(Header(2, 0, 4, 32, 0)).Error, Failure::Unsupported);
    EXPECT_EQ(TgaDecoder::Decode(Header(2, 4, 4, 12, 0)).Error, Failure::Unsupported);
    EXPECT_EQ(TgaDecoder::Decode(Header(7, 4, 4, 32, 0)).Error, Failure::NotTga);
    // Pixels, packets and the colour map cut short.
    EXPECT_EQ(TgaDecoder::Decode(Header(2, 4, 4, 24, 0) + std::string(47, '\0')).Error,
              Failure::Truncated);
    EXPECT_EQ(TgaDecoder::Decode(Header(10, 4, 4, 24, 0) + "\x83\x01\x02").Error,
              Failure::Truncated);
    EXPECT_EQ(
        TgaDecoder::Decode(Header(10, 100, 100, 24, 0) + std::string("\xFF\x01\x02\x03", 4)).Error,
        Failure::Truncated);
    EXPECT_EQ(TgaDecoder::Decode(Header(1, 2, 1, 8, 0, 200, 24) + "abc").Error, Failure::Truncated);
    // An index beyond the colour map.
    EXPECT_EQ(TgaDecoder::Decode(Header(1, 1, 1, 8, 0, 1, 24) + std::string("\0\0\0\x05", 4)).Error,
              Failure::NotTga);
}

} // namespace
