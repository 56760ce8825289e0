#include "DdsDecoder.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>

namespace {

void Put32(std::string &bytes, size_t at, uint32_t value)
{
    for (size_t k = 0; k < 4; ++k)
        bytes[at + k] = static_cast<char>((value >> (8 * k)) & 0xFF);
}

struct PixelFormat
{
    uint32_t Flags = 0x4; // DDPF_FOURCC
    std::string FourCC = "DXT1";
    uint32_t BitCount = 0;
    std::array<uint32_t, 4> Masks{};
};

// A DDS file as the texture tools write it: signature, 124-byte header, pixels.
std::string Dds(uint32_t width, uint32_t height, const PixelFormat &format, const std::string &data)
{
    std::string bytes(128, '\0');
    bytes.replace(0, 4, "DDS ");
    Put32(bytes, 4, 124);
    Put32(bytes, 8, 0x1007); // caps, height, width, pixel format
    Put32(bytes, 12, height);
    Put32(bytes, 16, width);
    Put32(bytes, 76, 32);
    Put32(bytes, 80, format.Flags);
    if (format.Flags & 0x4)
        bytes.replace(84, 4, format.FourCC);
    Put32(bytes, 88, format.BitCount);
    for (size_t k = 0; k < 4; ++k)
        Put32(bytes, 92 + 4 * k, format.Masks[k]);
    Put32(bytes, 108, 0x1000);
    return bytes + data;
}

std::array<int, 4> Pixel(const DdsDecoder::Image &image, uint32_t x, uint32_t y)
{
    const size_t at = (size_t{y} * image.Info.Width + x) * 4;
    return {image.Rgba[at], image.Rgba[at + 1], image.Rgba[at + 2], image.Rgba[at + 3]};
}

// Red (565: F800) and blue (001F) end points; first row indices 0, 1, 2, 3,
// the other rows all 1.
const std::string RedBlueColours("\x00\xF8\x1F\x00\xE4\x55\x55\x55", 8);

TEST(DdsDecoderTest, DecodesADxt1BlockToItsKnownColours)
{
    const auto result = DdsDecoder::Decode(Dds(4, 4, {}, RedBlueColours));
    ASSERT_EQ(result.Error, DdsDecoder::Failure::None);
    EXPECT_EQ(result.Picture.Info.Format, "DXT1");
    EXPECT_EQ(Pixel(result.Picture, 0, 0), (std::array<int, 4>{255, 0, 0, 255}));
    EXPECT_EQ(Pixel(result.Picture, 1, 0), (std::array<int, 4>{0, 0, 255, 255}));
    EXPECT_EQ(Pixel(result.Picture, 2, 0), (std::array<int, 4>{170, 0, 85, 255}));
    EXPECT_EQ(Pixel(result.Picture, 3, 0), (std::array<int, 4>{85, 0, 170, 255}));
    EXPECT_EQ(Pixel(result.Picture, 3, 3), (std::array<int, 4>{0, 0, 255, 255}));

    // With the first end point not above the second, index 3 is transparent.
    const std::string transparent("\x1F\x00\x00\xF8\xFF\x00\x00\x00", 8);
    const auto cut = DdsDecoder::Decode(Dds(4, 4, {}, transparent));
    ASSERT_EQ(cut.Error, DdsDecoder::Failure::None);
    EXPECT_EQ(Pixel(cut.Picture, 0, 0)[3], 0);
    EXPECT_EQ(Pixel(cut.Picture, 0, 1), (std::array<int, 4>{0, 0, 255, 255}));

    // A size that is no multiple of 4 takes the blocks' top left pixels.
    const auto small = DdsDecoder::Decode(Dds(3, 1, {}, RedBlueColours));
    ASSERT_EQ(small.Error, DdsDecoder::Failure::None);
    ASSERT_EQ(small.Picture.Rgba.size(), 12u);
    EXPECT_EQ(Pixel(small.Picture, 2, 0), (std::array<int, 4>{170, 0, 85, 255}));
}

TEST(DdsDecoderTest, DecodesDxt3AndDxt5Alpha)
{
    PixelFormat dxt3;
    dxt3.FourCC = "DXT3";
    // Explicit 4-bit alpha: pixel 0 = 0xF, pixel 1 = 0x8, the rest 0.
    const std::string alpha3("\x8F\x00\x00\x00\x00\x00\x00\x00", 8);
    const auto three = DdsDecoder::Decode(Dds(4, 4, dxt3, alpha3 + RedBlueColours));
    ASSERT_EQ(three.Error, DdsDecoder::Failure::None);
    EXPECT_EQ(three.Picture.Info.Format, "DXT3");
    EXPECT_EQ(Pixel(three.Picture, 0, 0), (std::array<int, 4>{255, 0, 0, 255}));
    EXPECT_EQ(Pixel(three.Picture, 1, 0), (std::array<int, 4>{0, 0, 255, 0x88}));
    EXPECT_EQ(Pixel(three.Picture, 2, 0)[3], 0);

    PixelFormat dxt5;
    dxt5.FourCC = "DXT5";
    // Alpha end points 255 and 0; pixel 0 takes index 1 (0), all others index 0 (255).
    const std::string alpha5("\xFF\x00\x01\x00\x00\x00\x00\x00", 8);
    const auto five = DdsDecoder::Decode(Dds(4, 4, dxt5, alpha5 + RedBlueColours));
    ASSERT_EQ(five.Error, DdsDecoder::Failure::None);
    EXPECT_EQ(five.Picture.Info.Format, "DXT5");
    EXPECT_EQ(Pixel(five.Picture, 0, 0), (std::array<int, 4>{255, 0, 0, 0}));
    EXPECT_EQ(Pixel(five.Picture, 1, 0), (std::array<int, 4>{0, 0, 255, 255}));

    // For the screen: blue, green, red, alpha, the colours multiplied by alpha.
    const std::string half("\xFF\x80\x49\x92\x24\x49\x92\x24", 8); // alphas between the end points
    const auto screen = DdsDecoder::Decode(Dds(4, 4, dxt5, half + RedBlueColours), {}, {},
                                           DdsDecoder::Pixels::PremultipliedBgra);
    ASSERT_EQ(screen.Error, DdsDecoder::Failure::None);
    const auto straight = DdsDecoder::Decode(Dds(4, 4, dxt5, half + RedBlueColours));
    const auto [r, g, b, a] = Pixel(straight.Picture, 0, 0);
    EXPECT_GT(a, 0);
    EXPECT_LT(a, 255);
    EXPECT_EQ(
        Pixel(screen.Picture, 0, 0),
        (std::array<int, 4>{(b * a + 127) / 255, (g * a + 127) / 255, (r * a + 127) / 255, a}));
}

TEST(DdsDecoderTest, DecodesUncompressedPixelsByTheirMasks)
{
    PixelFormat bgra;
    bgra.Flags = 0x41; // RGB with alpha
    bgra.BitCount = 32;
    bgra.Masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    const std::string pixels("\x30\x20\x10\x80\xFF\x00\x00\xFF", 8); // B G R A
    const auto rgba = DdsDecoder::Decode(Dds(2, 1, bgra, pixels));
    ASSERT_EQ(rgba.Error, DdsDecoder::Failure::None);
    EXPECT_EQ(rgba.Picture.Info.Format, "RGBA 32 Bit");
    EXPECT_EQ(Pixel(rgba.Picture, 0, 0), (std::array<int, 4>{0x10, 0x20, 0x30, 0x80}));
    EXPECT_EQ(Pixel(rgba.Picture, 1, 0), (std::array<int, 4>{0, 0, 0xFF, 0xFF}));

    PixelFormat rgb565;
    rgb565.Flags = 0x40;
    rgb565.BitCount = 16;
    rgb565.Masks = {0xF800, 0x07E0, 0x001F, 0};
    const auto wide = DdsDecoder::Decode(Dds(1, 2, rgb565, std::string("\x00\xF8\xE0\x07", 4)));
    ASSERT_EQ(wide.Error, DdsDecoder::Failure::None);
    EXPECT_EQ(wide.Picture.Info.Format, "RGB 16 Bit");
    EXPECT_EQ(Pixel(wide.Picture, 0, 0), (std::array<int, 4>{255, 0, 0, 255}));
    EXPECT_EQ(Pixel(wide.Picture, 0, 1), (std::array<int, 4>{0, 255, 0, 255}));

    PixelFormat luminance;
    luminance.Flags = 0x20000;
    luminance.BitCount = 8;
    luminance.Masks = {0xFF, 0, 0, 0};
    const auto grey = DdsDecoder::Decode(Dds(1, 1, luminance, "\x7F"));
    ASSERT_EQ(grey.Error, DdsDecoder::Failure::None);
    EXPECT_EQ(Pixel(grey.Picture, 0, 0), (std::array<int, 4>{0x7F, 0x7F, 0x7F, 255}));
}

TEST(DdsDecoderTest, RejectsHostileHeadersBeforeAllocating)
{
    using DdsDecoder::Failure;
    const auto decode = [](const std::string &bytes) {
        const auto begin = std::chrono::steady_clock::now();
        const auto result = DdsDecoder::Decode(bytes);
        // Rejected from the header alone, whatever the dimensions claim.
        EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(1));
        EXPECT_TRUE(result.Picture.Rgba.empty());
        return result.Error;
    };
    EXPECT_EQ(decode(Dds(0xFFFFFFFF, 0xFFFFFFFF, {}, RedBlueColours)), Failure::TooLarge);
    EXPECT_EQ(decode(Dds(16384, 16384, {}, RedBlueColours)), Failure::TooLarge); // 1 GiB of RGBA
    EXPECT_EQ(decode(Dds(20000, 1, {}, RedBlueColours)), Failure::TooLarge);
    EXPECT_EQ(decode(Dds(0, 4, {}, RedBlueColours)), Failure::Unsupported);
    // 64 x 64 DXT1 needs 2048 bytes of blocks.
    EXPECT_EQ(decode(Dds(64, 64, {}, std::string(2047, '\0'))), Failure::Truncated);
    EXPECT_EQ(decode(Dds(4, 4, {}, RedBlueColours).substr(0, 100)), Failure::Truncated);
    EXPECT_EQ(decode("DDS "), Failure::Truncated);
    EXPECT_EQ(decode("PNG and more"), Failure::NotDds);
    std::string wrongSize = Dds(4, 4, {}, RedBlueColours);
    Put32(wrongSize, 4, 200);
    EXPECT_EQ(decode(wrongSize), Failure::NotDds);
    PixelFormat dx10;
    dx10.FourCC = "DX10";
    EXPECT_EQ(decode(Dds(4, 4, dx10, RedBlueColours)), Failure::Unsupported);
    PixelFormat oddBits;
    oddBits.Flags = 0x40;
    oddBits.BitCount = 12;
    EXPECT_EQ(decode(Dds(4, 4, oddBits, std::string(64, '\0'))), Failure::Unsupported);

    // The limits are the caller's: the same picture passes or fails by them.
    DdsDecoder::Limits tight;
    tight.MaxSide = 2;
    EXPECT_EQ(DdsDecoder::Decode(Dds(4, 4, {}, RedBlueColours), tight).Error, Failure::TooLarge);
    DdsDecoder::Header header;
    EXPECT_EQ(DdsDecoder::ReadHeader(Dds(8, 4, {}, std::string(16, '\0')), {}, header),
              Failure::None);
    EXPECT_EQ(header.Width, 8u);
    EXPECT_EQ(header.Height, 4u);
}

TEST(DdsDecoderTest, StopsWhenCancelled)
{
    PixelFormat dxt5;
    dxt5.FourCC = "DXT5";
    const auto result = DdsDecoder::Decode(Dds(512, 512, dxt5, std::string(512 * 512, '\0')), {},
                                           [] { return true; });
    EXPECT_EQ(result.Error, DdsDecoder::Failure::Cancelled);
    EXPECT_TRUE(result.Picture.Rgba.empty());
}

} // namespace
