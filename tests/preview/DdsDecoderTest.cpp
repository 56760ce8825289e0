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

// The DX10 header's 20 bytes: format, a 2D texture, flags, array size.
std::string Dx10(uint32_t dxgiFormat, uint32_t arraySize = 1, uint32_t flags = 0)
{
    std::string bytes(20, '\0');
    Put32(bytes, 0, dxgiFormat);
    Put32(bytes, 4, 3);
    Put32(bytes, 8, flags);
    Put32(bytes, 12, arraySize);
    return bytes;
}

std::string Dds10(uint32_t width, uint32_t height, uint32_t dxgiFormat, const std::string &data,
                  uint32_t arraySize = 1)
{
    PixelFormat dx10;
    dx10.FourCC = "DX10";
    return Dds(width, height, dx10, Dx10(dxgiFormat, arraySize) + data);
}

// A BC4 block: end points a and b, then a 3-bit index per pixel.
std::string Bc4(uint8_t a, uint8_t b, const std::array<int, 16> &indices)
{
    uint64_t bits = 0;
    for (size_t i = 0; i < 16; ++i)
        bits |= static_cast<uint64_t>(indices[i]) << (3 * i);
    std::string block{static_cast<char>(a), static_cast<char>(b)};
    for (size_t k = 0; k < 6; ++k)
        block += static_cast<char>(bits >> (8 * k) & 0xFF);
    return block;
}

std::array<int, 4> Grey(int value)
{
    return {value, value, value, 255};
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
    PixelFormat unknown;
    unknown.FourCC = "XYZW";
    EXPECT_EQ(decode(Dds(4, 4, unknown, RedBlueColours)), Failure::Unsupported);
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

TEST(DdsDecoderTest, DecodesBc4AndBc5UnsignedAndSigned)
{
    // 200 and 100: eight values, index 2 = (6 * 200 + 100) / 7, index 7 = (200 + 6 * 100) / 7.
    const std::string eight = Bc4(200, 100, {0, 1, 2, 7});
    // 50 and 150: six values and the extremes, index 2 = (4 * 50 + 150) / 5.
    const std::string six = Bc4(50, 150, {2, 6, 7});
    for (const char *code : {"ATI1", "BC4U"}) {
        PixelFormat bc4;
        bc4.FourCC = code;
        const auto grey = DdsDecoder::Decode(Dds(4, 4, bc4, eight));
        ASSERT_EQ(grey.Error, DdsDecoder::Failure::None) << code;
        EXPECT_EQ(grey.Picture.Info.Format, "BC4");
        EXPECT_FALSE(grey.Picture.Info.TwoChannels);
        EXPECT_EQ(Pixel(grey.Picture, 0, 0), Grey(200));
        EXPECT_EQ(Pixel(grey.Picture, 1, 0), Grey(100));
        EXPECT_EQ(Pixel(grey.Picture, 2, 0), Grey(186));
        EXPECT_EQ(Pixel(grey.Picture, 3, 0), Grey(114));
        EXPECT_EQ(Pixel(grey.Picture, 3, 3), Grey(200));
        const auto extremes = DdsDecoder::Decode(Dds(4, 4, bc4, six));
        EXPECT_EQ(Pixel(extremes.Picture, 0, 0), Grey(70));
        EXPECT_EQ(Pixel(extremes.Picture, 1, 0), Grey(0));
        EXPECT_EQ(Pixel(extremes.Picture, 2, 0), Grey(255));
    }

    // Signed: -127 ... 127 shown as 0 ... 255, 0 as 128; -128 counts as -127.
    PixelFormat bc4s;
    bc4s.FourCC = "BC4S";
    const auto signedGrey = DdsDecoder::Decode(
        Dds(4, 4, bc4s, Bc4(0x00, 0x81, {0, 1, 2}) + Bc4(0x81, 0x7F, {0, 1, 2})));
    ASSERT_EQ(signedGrey.Error, DdsDecoder::Failure::None);
    EXPECT_EQ(signedGrey.Picture.Info.Format, "BC4, SNORM");
    EXPECT_EQ(Pixel(signedGrey.Picture, 0, 0), Grey(128));
    EXPECT_EQ(Pixel(signedGrey.Picture, 1, 0), Grey(0));
    EXPECT_EQ(Pixel(signedGrey.Picture, 2, 0), Grey(109)); // 0 + (-127 - 0) / 7
    const auto minimum = DdsDecoder::Decode(Dds(4, 4, bc4s, Bc4(0x80, 0x00, {0})));
    EXPECT_EQ(Pixel(minimum.Picture, 0, 0), Grey(0));

    // BC5: red from the first half, green from the second, blue 0.
    for (const char *code : {"ATI2", "BC5U"}) {
        PixelFormat bc5;
        bc5.FourCC = code;
        const auto normals = DdsDecoder::Decode(Dds(4, 4, bc5, eight + six));
        ASSERT_EQ(normals.Error, DdsDecoder::Failure::None) << code;
        EXPECT_EQ(normals.Picture.Info.Format, "BC5");
        EXPECT_TRUE(normals.Picture.Info.TwoChannels);
        EXPECT_EQ(Pixel(normals.Picture, 0, 0), (std::array<int, 4>{200, 70, 0, 255}));
        EXPECT_EQ(Pixel(normals.Picture, 2, 0), (std::array<int, 4>{186, 255, 0, 255}));
    }
    PixelFormat bc5s;
    bc5s.FourCC = "BC5S";
    const auto signedNormals =
        DdsDecoder::Decode(Dds(4, 4, bc5s, Bc4(0x00, 0x81, {1}) + Bc4(0x7F, 0x00, {0})));
    ASSERT_EQ(signedNormals.Error, DdsDecoder::Failure::None);
    EXPECT_EQ(signedNormals.Picture.Info.Format, "BC5, SNORM");
    EXPECT_EQ(Pixel(signedNormals.Picture, 0, 0), (std::array<int, 4>{0, 255, 0, 255}));
    EXPECT_EQ(Pixel(signedNormals.Picture, 1, 0), (std::array<int, 4>{128, 255, 0, 255}));
}

TEST(DdsDecoderTest, ReadsTheUncompressedFormatsOfTheDx10Header)
{
    struct Case
    {
        uint32_t Dxgi;
        const char *Name;
        std::string Bytes; // one pixel
        std::array<int, 4> Expected;
        bool TwoChannels;
    };
    const Case cases[] = {
        {28, "R8G8B8A8", std::string("\x10\x20\x30\x40", 4), {0x10, 0x20, 0x30, 0x40}, false},
        {29, "R8G8B8A8, sRGB", std::string("\x10\x20\x30\x40", 4), {0x10, 0x20, 0x30, 0x40}, false},
        {87, "B8G8R8A8", std::string("\x30\x20\x10\x40", 4), {0x10, 0x20, 0x30, 0x40}, false},
        {88, "B8G8R8X8", std::string("\x30\x20\x10\x00", 4), {0x10, 0x20, 0x30, 255}, false},
        // Red 1023, green 0, blue 512, alpha 1 of 3.
        {24, "R10G10B10A2", std::string("\xFF\x03\x00\x60", 4), {255, 0, 127, 85}, false},
        {85, "B5G6R5", std::string("\x00\xF8", 2), {255, 0, 0, 255}, false},
        {86, "B5G5R5A1", std::string("\x1F\x80", 2), {0, 0, 255, 255}, false},
        {115, "B4G4R4A4", std::string("\x42\x8F", 2), {255, 68, 34, 136}, false},
        {61, "R8", "\x7F", {0x7F, 0x7F, 0x7F, 255}, false},
        {49, "R8G8", std::string("\x10\x20", 2), {0x10, 0x20, 0, 255}, true},
        {65, "A8", "\x80", {0, 0, 0, 0x80}, false},
        {56, "R16", std::string("\x00\x80", 2), {127, 127, 127, 255}, false},
        {35, "R16G16", std::string("\xFF\xFF\x00\x00", 4), {255, 0, 0, 255}, true},
    };
    for (const Case &test : cases) {
        const auto result = DdsDecoder::Decode(Dds10(1, 1, test.Dxgi, test.Bytes));
        ASSERT_EQ(result.Error, DdsDecoder::Failure::None) << test.Name;
        EXPECT_EQ(result.Picture.Info.Format, test.Name);
        EXPECT_EQ(result.Picture.Info.TwoChannels, test.TwoChannels) << test.Name;
        EXPECT_EQ(Pixel(result.Picture, 0, 0), test.Expected) << test.Name;
    }
}

TEST(DdsDecoderTest, ReadsTheBlockFormatsOfTheDx10Header)
{
    const auto decode = [](uint32_t dxgi, const std::string &blocks, uint32_t arraySize = 1) {
        auto result = DdsDecoder::Decode(Dds10(4, 4, dxgi, blocks, arraySize));
        EXPECT_EQ(result.Error, DdsDecoder::Failure::None) << dxgi;
        return result;
    };
    const auto bc1 = decode(71, RedBlueColours);
    EXPECT_EQ(bc1.Picture.Info.Format, "BC1");
    EXPECT_EQ(Pixel(bc1.Picture, 2, 0), (std::array<int, 4>{170, 0, 85, 255}));
    EXPECT_EQ(decode(72, RedBlueColours).Picture.Info.Format, "BC1, sRGB");
    EXPECT_EQ(decode(70, RedBlueColours).Picture.Info.Format, "BC1");
    const std::string alpha5("\xFF\x00\x01\x00\x00\x00\x00\x00", 8);
    const auto bc3 = decode(78, alpha5 + RedBlueColours);
    EXPECT_EQ(bc3.Picture.Info.Format, "BC3, sRGB");
    EXPECT_EQ(Pixel(bc3.Picture, 0, 0), (std::array<int, 4>{255, 0, 0, 0}));
    EXPECT_EQ(decode(74, std::string(8, '\0') + RedBlueColours).Picture.Info.Format, "BC2");
    const auto bc4 = decode(80, Bc4(200, 100, {1}));
    EXPECT_EQ(Pixel(bc4.Picture, 0, 0), Grey(100));
    EXPECT_EQ(decode(84, Bc4(0, 0, {}) + Bc4(0, 0, {})).Picture.Info.Format, "BC5, SNORM");

    // BC7 mode 6, all end points white with alpha 129.
    const std::string bc7Block("\xC0\xFF\xFF\xFF\xFF\xFF\x81\xC0\x01\x00\x00\x00\x00\x00\x00\x00",
                               16);
    const auto bc7 = decode(99, bc7Block);
    EXPECT_EQ(bc7.Picture.Info.Format, "BC7, sRGB");
    EXPECT_EQ(Pixel(bc7.Picture, 3, 3), (std::array<int, 4>{255, 255, 255, 129}));
    EXPECT_EQ(decode(98, bc7Block).Picture.Info.Format, "BC7");

    // BC6H mode 3 with red and blue at the largest value (65504), green 0:
    // clamped to 1 in 8 bits.
    const std::string bc6hBlock("\xE3\x7F\x00\xFE\xFF\x1F\x80\xFF\x01\x00\x00\x00\x00\x00\x00\x00",
                                16);
    const auto bc6h = decode(95, bc6hBlock);
    EXPECT_EQ(bc6h.Picture.Info.Format, "BC6H, UF16");
    EXPECT_EQ(Pixel(bc6h.Picture, 1, 2), (std::array<int, 4>{255, 0, 255, 255}));
    EXPECT_EQ(decode(96, bc6hBlock).Picture.Info.Format, "BC6H, SF16");

    // Of an array of six (a cube map) the first image.
    const std::string blue("\x1F\x00\x1F\x00\x00\x00\x00\x00", 8);
    const auto cube = decode(71, RedBlueColours + blue + blue + blue + blue + blue, 6);
    EXPECT_EQ(Pixel(cube.Picture, 0, 0), (std::array<int, 4>{255, 0, 0, 255}));
}

TEST(DdsDecoderTest, ReadsLuminanceFormatsByNumberAndByMasks)
{
    struct Case
    {
        uint32_t Number;
        const char *Name;
        std::string Bytes;
        std::array<int, 4> Expected;
    };
    const Case cases[] = {
        {50, "L8", "\x40", {0x40, 0x40, 0x40, 255}},
        {51, "A8L8", std::string("\x40\x80", 2), {0x40, 0x40, 0x40, 0x80}},
        {52, "A4L4", "\x3C", {204, 204, 204, 51}},
        {81, "L16", std::string("\xFF\xFF", 2), {255, 255, 255, 255}},
    };
    for (const Case &test : cases) {
        std::string dds = Dds(1, 1, {}, test.Bytes);
        Put32(dds, 84, test.Number); // in place of the FourCC
        const auto result = DdsDecoder::Decode(dds);
        ASSERT_EQ(result.Error, DdsDecoder::Failure::None) << test.Name;
        EXPECT_EQ(result.Picture.Info.Format, test.Name);
        EXPECT_EQ(Pixel(result.Picture, 0, 0), test.Expected) << test.Name;
    }
    PixelFormat a8l8;
    a8l8.Flags = 0x20001; // luminance with alpha
    a8l8.BitCount = 16;
    a8l8.Masks = {0xFF, 0, 0, 0xFF00};
    const auto masked = DdsDecoder::Decode(Dds(1, 1, a8l8, std::string("\x40\x80", 2)));
    ASSERT_EQ(masked.Error, DdsDecoder::Failure::None);
    EXPECT_EQ(masked.Picture.Info.Format, "LA 16 Bit");
    EXPECT_EQ(Pixel(masked.Picture, 0, 0), (std::array<int, 4>{0x40, 0x40, 0x40, 0x80}));
}

TEST(DdsDecoderTest, FollowsTheHeadersRowPitchWhereItFits)
{
    PixelFormat rgb;
    rgb.Flags = 0x40;
    rgb.BitCount = 24;
    rgb.Masks = {0xFF0000, 0xFF00, 0xFF, 0};
    // 3 x 2 pixels, rows of 9 bytes padded to 12; the second row starts blue.
    const std::string row1("\x00\x00\xFF\x00\x00\xFF\x00\x00\xFF", 9);
    const std::string row2("\xFF\x00\x00\xFF\x00\x00\xFF\x00\x00", 9);
    const std::string padding(3, '\x11');
    const auto decode = [&](uint32_t flags, uint32_t pitch, const std::string &data) {
        std::string dds = Dds(3, 2, rgb, data);
        Put32(dds, 8, 0x1007 | flags);
        Put32(dds, 20, pitch);
        auto result = DdsDecoder::Decode(dds);
        EXPECT_EQ(result.Error, DdsDecoder::Failure::None);
        return Pixel(result.Picture, 0, 1);
    };
    const std::array<int, 4> blue{0, 0, 255, 255};
    const std::array<int, 4> sheared{0x11, 0x11, 0x11, 255};
    EXPECT_EQ(decode(0x8, 12, row1 + padding + row2 + padding), blue);
    // The last row's padding may be missing.
    EXPECT_EQ(decode(0x8, 12, row1 + padding + row2), blue);
    // Unflagged, shorter than a row, or longer than the data: the computed pitch.
    EXPECT_EQ(decode(0, 12, row1 + padding + row2 + padding), sheared);
    EXPECT_EQ(decode(0x8, 4, row1 + row2), blue);
    EXPECT_EQ(decode(0x8, 0xFFFFFFFF, row1 + row2), blue);
    EXPECT_EQ(decode(0x8, 13, row1 + padding + row2), sheared);
}

TEST(DdsDecoderTest, TellsTheMipmapCount)
{
    DdsDecoder::Header header;
    std::string dds = Dds(8, 8, {}, std::string(32, '\0'));
    EXPECT_EQ(DdsDecoder::ReadHeader(dds, {}, header), DdsDecoder::Failure::None);
    EXPECT_EQ(header.Mipmaps, 1u);
    Put32(dds, 28, 4);
    DdsDecoder::ReadHeader(dds, {}, header);
    EXPECT_EQ(header.Mipmaps, 4u);
    // More than 8 x 8 can halve into is not believed.
    Put32(dds, 28, 99);
    DdsDecoder::ReadHeader(dds, {}, header);
    EXPECT_EQ(header.Mipmaps, 4u);
}

TEST(DdsDecoderTest, RejectsHostileDx10AndBlockHeaders)
{
    using DdsDecoder::Failure;
    const auto decode = [](const std::string &bytes) {
        const auto result = DdsDecoder::Decode(bytes);
        EXPECT_TRUE(result.Picture.Rgba.empty());
        return result.Error;
    };
    const std::string block(16, '\0');
    EXPECT_EQ(decode(Dds10(4, 4, 2, block)), Failure::Unsupported); // R32G32B32A32_FLOAT
    EXPECT_EQ(decode(Dds10(4, 4, 0xFFFFFFFF, block)), Failure::Unsupported);
    EXPECT_EQ(decode(Dds10(4, 4, 0, block)), Failure::Unsupported);
    EXPECT_EQ(decode(Dds10(4, 4, 98, block, 0)), Failure::NotDds); // an array of no images
    EXPECT_EQ(decode(Dds10(4, 4, 98, block).substr(0, 140)), Failure::Truncated);
    EXPECT_EQ(decode(Dds10(0xFFFFFFFF, 0xFFFFFFFF, 98, block)), Failure::TooLarge);
    EXPECT_EQ(decode(Dds10(16384, 16384, 95, block)), Failure::TooLarge);
    EXPECT_EQ(decode(Dds10(8, 4, 98, block)), Failure::Truncated); // two blocks needed
    EXPECT_EQ(decode(Dds10(4, 4, 95, block.substr(0, 15))), Failure::Truncated);
    EXPECT_EQ(decode(Dds10(2, 2, 28, std::string(15, '\0'))), Failure::Truncated);
    PixelFormat ati2;
    ati2.FourCC = "ATI2";
    EXPECT_EQ(decode(Dds(4, 8, ati2, std::string(31, '\0'))), Failure::Truncated);
    PixelFormat bc4;
    bc4.FourCC = "BC4U";
    EXPECT_EQ(decode(Dds(0x7FFFFFFF, 4, bc4, block)), Failure::TooLarge);
}

} // namespace
