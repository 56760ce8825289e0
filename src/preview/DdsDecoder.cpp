#include "DdsDecoder.h"

#include "BptcBlocks.h"

#include <squish.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>

namespace DdsDecoder {

namespace {

constexpr size_t HeaderEnd = 128;     // signature and the 124-byte header
constexpr size_t Dx10HeaderEnd = 148; // and the 20-byte DX10 header
constexpr uint32_t HeaderPitch = 0x8;
constexpr uint32_t PixelAlphaPixels = 0x1;
constexpr uint32_t PixelAlpha = 0x2;
constexpr uint32_t PixelFourCC = 0x4;
constexpr uint32_t PixelRgb = 0x40;
constexpr uint32_t PixelLuminance = 0x20000;

uint32_t Read32(std::string_view bytes, size_t at)
{
    uint32_t value = 0;
    for (size_t k = 0; k < 4; ++k)
        value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + k])) << (8 * k);
    return value;
}

constexpr uint32_t FourCC(const char (&code)[5])
{
    return static_cast<uint32_t>(static_cast<unsigned char>(code[0])) |
           static_cast<uint32_t>(static_cast<unsigned char>(code[1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(code[2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(code[3])) << 24;
}

enum class Codec
{
    Packed, // uncompressed pixels described by masks
    Bc1,
    Bc2,
    Bc3,
    Bc4,
    Bc5,
    Bc6h,
    Bc7,
};

// What the pixel format fields describe.
struct Layout
{
    Codec Kind = Codec::Packed;
    bool Signed = false; // BC4, BC5 SNORM; BC6H SF16
    uint32_t BitCount = 0;
    std::array<uint32_t, 4> Masks{}; // red, green, blue, alpha
    bool Grey = false;               // one channel, shown in red, green and blue
    size_t DataStart = HeaderEnd;
    uint64_t Pitch = 0; // of the uncompressed rows
};

uint32_t BlockBytes(Codec kind)
{
    return kind == Codec::Bc1 || kind == Codec::Bc4 ? 8 : 16;
}

// A format of the DX10 header and how it is read.
struct DxgiFormat
{
    uint32_t Code;
    const char *Name;
    Codec Kind;
    bool Signed;
    uint32_t BitCount;
    std::array<uint32_t, 4> Masks;
    bool Grey;
};

constexpr std::array<uint32_t, 4> Rgba8{0xFF, 0xFF00, 0xFF0000, 0xFF000000};
constexpr std::array<uint32_t, 4> Bgra8{0xFF0000, 0xFF00, 0xFF, 0xFF000000};
constexpr std::array<uint32_t, 4> Bgrx8{0xFF0000, 0xFF00, 0xFF, 0};
constexpr std::array<uint32_t, 4> NoMasks{};

// Typeless formats read as their UNORM (or UF16) form.
constexpr DxgiFormat DxgiFormats[] = {
    {23, "R10G10B10A2", Codec::Packed, false, 32, {0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000}, false},
    {24, "R10G10B10A2", Codec::Packed, false, 32, {0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000}, false},
    {27, "R8G8B8A8", Codec::Packed, false, 32, Rgba8, false},
    {28, "R8G8B8A8", Codec::Packed, false, 32, Rgba8, false},
    {29, "R8G8B8A8, sRGB", Codec::Packed, false, 32, Rgba8, false},
    {33, "R16G16", Codec::Packed, false, 32, {0xFFFF, 0xFFFF0000, 0, 0}, false},
    {35, "R16G16", Codec::Packed, false, 32, {0xFFFF, 0xFFFF0000, 0, 0}, false},
    {48, "R8G8", Codec::Packed, false, 16, {0xFF, 0xFF00, 0, 0}, false},
    {49, "R8G8", Codec::Packed, false, 16, {0xFF, 0xFF00, 0, 0}, false},
    {53, "R16", Codec::Packed, false, 16, {0xFFFF, 0, 0, 0}, true},
    {56, "R16", Codec::Packed, false, 16, {0xFFFF, 0, 0, 0}, true},
    {60, "R8", Codec::Packed, false, 8, {0xFF, 0, 0, 0}, true},
    {61, "R8", Codec::Packed, false, 8, {0xFF, 0, 0, 0}, true},
    {65, "A8", Codec::Packed, false, 8, {0, 0, 0, 0xFF}, false},
    {70, "BC1", Codec::Bc1, false, 0, NoMasks, false},
    {71, "BC1", Codec::Bc1, false, 0, NoMasks, false},
    {72, "BC1, sRGB", Codec::Bc1, false, 0, NoMasks, false},
    {73, "BC2", Codec::Bc2, false, 0, NoMasks, false},
    {74, "BC2", Codec::Bc2, false, 0, NoMasks, false},
    {75, "BC2, sRGB", Codec::Bc2, false, 0, NoMasks, false},
    {76, "BC3", Codec::Bc3, false, 0, NoMasks, false},
    {77, "BC3", Codec::Bc3, false, 0, NoMasks, false},
    {78, "BC3, sRGB", Codec::Bc3, false, 0, NoMasks, false},
    {79, "BC4", Codec::Bc4, false, 0, NoMasks, true},
    {80, "BC4", Codec::Bc4, false, 0, NoMasks, true},
    {81, "BC4, SNORM", Codec::Bc4, true, 0, NoMasks, true},
    {82, "BC5", Codec::Bc5, false, 0, NoMasks, false},
    {83, "BC5", Codec::Bc5, false, 0, NoMasks, false},
    {84, "BC5, SNORM", Codec::Bc5, true, 0, NoMasks, false},
    {85, "B5G6R5", Codec::Packed, false, 16, {0xF800, 0x7E0, 0x1F, 0}, false},
    {86, "B5G5R5A1", Codec::Packed, false, 16, {0x7C00, 0x3E0, 0x1F, 0x8000}, false},
    {87, "B8G8R8A8", Codec::Packed, false, 32, Bgra8, false},
    {88, "B8G8R8X8", Codec::Packed, false, 32, Bgrx8, false},
    {90, "B8G8R8A8", Codec::Packed, false, 32, Bgra8, false},
    {91, "B8G8R8A8, sRGB", Codec::Packed, false, 32, Bgra8, false},
    {92, "B8G8R8X8", Codec::Packed, false, 32, Bgrx8, false},
    {93, "B8G8R8X8, sRGB", Codec::Packed, false, 32, Bgrx8, false},
    {94, "BC6H, UF16", Codec::Bc6h, false, 0, NoMasks, false},
    {95, "BC6H, UF16", Codec::Bc6h, false, 0, NoMasks, false},
    {96, "BC6H, SF16", Codec::Bc6h, true, 0, NoMasks, false},
    {97, "BC7", Codec::Bc7, false, 0, NoMasks, false},
    {98, "BC7", Codec::Bc7, false, 0, NoMasks, false},
    {99, "BC7, sRGB", Codec::Bc7, false, 0, NoMasks, false},
    {115, "B4G4R4A4", Codec::Packed, false, 16, {0xF00, 0xF0, 0xF, 0xF000}, false},
};

Failure ReadDx10(std::string_view bytes, Layout &layout, Header &header)
{
    if (bytes.size() < Dx10HeaderEnd)
        return Failure::Truncated;
    const uint32_t code = Read32(bytes, HeaderEnd);
    // The array size counts the images; cube maps count six per element.
    if (Read32(bytes, HeaderEnd + 12) == 0)
        return Failure::NotDds;
    const auto *format = std::find_if(std::begin(DxgiFormats), std::end(DxgiFormats),
                                      [code](const DxgiFormat &f) { return f.Code == code; });
    if (format == std::end(DxgiFormats))
        return Failure::Unsupported;
    layout.Kind = format->Kind;
    layout.Signed = format->Signed;
    layout.BitCount = format->BitCount;
    layout.Masks = format->Masks;
    layout.Grey = format->Grey;
    layout.DataStart = Dx10HeaderEnd;
    header.Format = format->Name;
    return Failure::None;
}

// Old Direct3D writers put a format number in place of the FourCC for the
// luminance formats.
bool ReadD3dFormatNumber(uint32_t code, Layout &layout, Header &header)
{
    struct Numbered
    {
        uint32_t Code;
        const char *Name;
        uint32_t BitCount;
        uint32_t Luminance;
        uint32_t Alpha;
    };
    static constexpr Numbered Numbers[] = {
        {50, "L8", 8, 0xFF, 0},
        {51, "A8L8", 16, 0xFF, 0xFF00},
        {52, "A4L4", 8, 0x0F, 0xF0},
        {81, "L16", 16, 0xFFFF, 0},
    };
    for (const Numbered &number : Numbers) {
        if (number.Code == code) {
            layout.BitCount = number.BitCount;
            layout.Masks = {number.Luminance, 0, 0, number.Alpha};
            layout.Grey = true;
            header.Format = number.Name;
            return true;
        }
    }
    return false;
}

Failure ReadLayout(std::string_view bytes, Layout &layout, Header &header)
{
    const uint32_t flags = Read32(bytes, 80);
    std::string &format = header.Format;
    if (flags & PixelFourCC) {
        const uint32_t code = Read32(bytes, 84);
        const std::string name(bytes.substr(84, 4));
        if (code == FourCC("DXT1")) {
            layout.Kind = Codec::Bc1;
        } else if (code == FourCC("DXT2") || code == FourCC("DXT3")) {
            layout.Kind = Codec::Bc2;
        } else if (code == FourCC("DXT4") || code == FourCC("DXT5")) {
            layout.Kind = Codec::Bc3;
        } else if (code == FourCC("ATI1") || code == FourCC("BC4U") || code == FourCC("BC4S")) {
            layout.Kind = Codec::Bc4;
            layout.Grey = true;
            layout.Signed = code == FourCC("BC4S");
            format = layout.Signed ? "BC4, SNORM" : "BC4";
            return Failure::None;
        } else if (code == FourCC("ATI2") || code == FourCC("BC5U") || code == FourCC("BC5S")) {
            layout.Kind = Codec::Bc5;
            layout.Signed = code == FourCC("BC5S");
            format = layout.Signed ? "BC5, SNORM" : "BC5";
            return Failure::None;
        } else if (code == FourCC("DX10")) {
            return ReadDx10(bytes, layout, header);
        } else if (ReadD3dFormatNumber(code, layout, header)) {
            return Failure::None;
        } else {
            return Failure::Unsupported;
        }
        format = name;
        return Failure::None;
    }
    layout.BitCount = Read32(bytes, 88);
    if (layout.BitCount != 8 && layout.BitCount != 16 && layout.BitCount != 24 &&
        layout.BitCount != 32)
        return Failure::Unsupported;
    for (size_t k = 0; k < 4; ++k)
        layout.Masks[k] = Read32(bytes, 92 + 4 * k);
    if (!(flags & (PixelAlphaPixels | PixelAlpha)))
        layout.Masks[3] = 0;
    const std::string bits = std::to_string(layout.BitCount) + " Bit";
    if (flags & PixelRgb) {
        format = (layout.Masks[3] != 0 ? "RGBA " : "RGB ") + bits;
    } else if (flags & PixelLuminance) {
        layout.Grey = true;
        layout.Masks[1] = layout.Masks[2] = 0;
        format = (layout.Masks[3] != 0 ? "LA " : "L ") + bits;
    } else if (flags & PixelAlpha) {
        layout.Masks[0] = layout.Masks[1] = layout.Masks[2] = 0;
        format = "A " + bits;
    } else {
        return Failure::Unsupported;
    }
    return Failure::None;
}

// A channel of a packed pixel, widened to 8 bits.
struct Channel
{
    uint32_t Mask = 0;
    int Shift = 0;
    uint32_t Max = 0;

    explicit Channel(uint32_t mask) : Mask(mask)
    {
        if (mask != 0) {
            Shift = std::countr_zero(mask);
            Max = mask >> Shift;
        }
    }
    uint8_t Get(uint32_t pixel, uint8_t absent) const
    {
        if (Max == 0)
            return absent;
        const uint64_t value = (pixel & Mask) >> Shift;
        return static_cast<uint8_t>(value * 255 / Max);
    }
};

// Turns RGBA pixels into premultiplied BGRA where asked, while they are still
// in the cache from decoding.
void Reorder(uint8_t *pixels, size_t count, Pixels order)
{
    if (order != Pixels::PremultipliedBgra)
        return;
    for (size_t i = 0; i < count; ++i, pixels += 4) {
        const unsigned a = pixels[3];
        const uint8_t r = pixels[0];
        if (a == 255) {
            pixels[0] = pixels[2];
            pixels[2] = r;
        } else {
            pixels[0] = static_cast<uint8_t>((pixels[2] * a + 127) / 255);
            pixels[1] = static_cast<uint8_t>((pixels[1] * a + 127) / 255);
            pixels[2] = static_cast<uint8_t>((r * a + 127) / 255);
        }
    }
}

bool DecodePacked(std::string_view data, const Header &header, const Layout &layout,
                  std::vector<uint8_t> &rgba, const std::function<bool()> &cancelled, Pixels order)
{
    const size_t pixelBytes = layout.BitCount / 8;
    const Channel red(layout.Masks[0]), green(layout.Masks[1]), blue(layout.Masks[2]),
        alpha(layout.Masks[3]);
    const auto *rows = reinterpret_cast<const unsigned char *>(data.data());
    uint8_t *out = rgba.data();
    for (uint32_t y = 0; y < header.Height; ++y) {
        if ((y & 63) == 0 && cancelled && cancelled())
            return false;
        const unsigned char *in = rows + y * layout.Pitch;
        for (uint32_t x = 0; x < header.Width; ++x, in += pixelBytes, out += 4) {
            uint32_t pixel = 0;
            for (size_t k = 0; k < pixelBytes; ++k)
                pixel |= static_cast<uint32_t>(in[k]) << (8 * k);
            const uint8_t r = red.Get(pixel, 0);
            out[0] = r;
            out[1] = layout.Grey ? r : green.Get(pixel, 0);
            out[2] = layout.Grey ? r : blue.Get(pixel, 0);
            out[3] = alpha.Get(pixel, 255);
        }
        Reorder(out - size_t{header.Width} * 4, header.Width, order);
    }
    return true;
}

// One channel of a BC4 block (and each half of a BC5 block) into every fourth
// byte of out. Signed end points are moved up by 127 so that both kinds
// interpolate the same way; range is then 254 instead of 255.
void DecodeBc4Channel(const uint8_t *block, bool isSigned, uint8_t *out)
{
    int a = block[0];
    int b = block[1];
    if (isSigned) {
        a = std::max(static_cast<int>(static_cast<int8_t>(block[0])), -127);
        b = std::max(static_cast<int>(static_cast<int8_t>(block[1])), -127);
    }
    const bool eight = a > b; // eight interpolated values; else six and both extremes
    const int offset = isSigned ? 127 : 0;
    const int range = isSigned ? 254 : 255;
    a += offset;
    b += offset;
    // Each value as numerator / denominator of the range, rounded once to 8 bits.
    const auto scaled = [range](int numerator, int denominator) {
        return static_cast<uint8_t>((numerator * 255 + denominator * range / 2) /
                                    (denominator * range));
    };
    uint8_t values[8];
    values[0] = scaled(a, 1);
    values[1] = scaled(b, 1);
    if (eight) {
        for (int k = 1; k < 7; ++k)
            values[k + 1] = scaled((7 - k) * a + k * b, 7);
    } else {
        for (int k = 1; k < 5; ++k)
            values[k + 1] = scaled((5 - k) * a + k * b, 5);
        values[6] = 0;
        values[7] = 255;
    }
    uint64_t indices = 0;
    for (int k = 7; k >= 2; --k)
        indices = indices << 8 | block[k];
    for (int i = 0; i < 16; ++i, indices >>= 3)
        out[4 * i] = values[indices & 7];
}

void DecodeBlock(const Layout &layout, const uint8_t *block, uint8_t *rgba)
{
    switch (layout.Kind) {
    case Codec::Bc1:
        squish::Decompress(rgba, block, squish::kDxt1);
        break;
    case Codec::Bc2:
        squish::Decompress(rgba, block, squish::kDxt3);
        break;
    case Codec::Bc3:
        squish::Decompress(rgba, block, squish::kDxt5);
        break;
    case Codec::Bc4:
        DecodeBc4Channel(block, layout.Signed, rgba);
        for (int i = 0; i < 16; ++i) {
            rgba[4 * i + 1] = rgba[4 * i + 2] = rgba[4 * i];
            rgba[4 * i + 3] = 255;
        }
        break;
    case Codec::Bc5:
        DecodeBc4Channel(block, layout.Signed, rgba);
        DecodeBc4Channel(block + 8, layout.Signed, rgba + 1);
        for (int i = 0; i < 16; ++i) {
            rgba[4 * i + 2] = 0;
            rgba[4 * i + 3] = 255;
        }
        break;
    case Codec::Bc6h: {
        // Every half float's 8-bit value, worked out once.
        static const std::vector<uint8_t> shown = [] {
            std::vector<uint8_t> table(65536);
            for (uint32_t half = 0; half < table.size(); ++half)
                table[half] =
                    BptcBlocks::ToneMap(BptcBlocks::HalfToFloat(static_cast<uint16_t>(half)));
            return table;
        }();
        uint16_t rgb[48];
        BptcBlocks::DecodeBc6h(block, layout.Signed, rgb);
        for (int i = 0; i < 16; ++i) {
            for (int c = 0; c < 3; ++c)
                rgba[4 * i + c] = shown[rgb[3 * i + c]];
            rgba[4 * i + 3] = 255;
        }
        break;
    }
    case Codec::Bc7:
        BptcBlocks::DecodeBc7(block, rgba);
        break;
    case Codec::Packed:
    default:
        break;
    }
}

bool DecodeBlocks(std::string_view data, const Header &header, const Layout &layout,
                  std::vector<uint8_t> &rgba, const std::function<bool()> &cancelled, Pixels order)
{
    const uint32_t blocksWide = (header.Width + 3) / 4;
    const uint32_t blockRows = (header.Height + 3) / 4;
    const size_t blockBytes = BlockBytes(layout.Kind);
    const size_t pitch = size_t{header.Width} * 4;
    const auto *in = reinterpret_cast<const uint8_t *>(data.data());
    uint8_t pixels[64];
    for (uint32_t row = 0; row < blockRows; ++row) {
        // A few block rows at a time, so that a newer request need not wait long.
        if ((row & 31) == 0 && cancelled && cancelled())
            return false;
        const uint32_t top = row * 4;
        const uint32_t height = std::min(4u, header.Height - top);
        uint8_t *out = rgba.data() + size_t{top} * pitch;
        for (uint32_t column = 0; column < blocksWide; ++column, in += blockBytes) {
            DecodeBlock(layout, in, pixels);
            const uint32_t left = column * 4;
            const size_t width = std::min(4u, header.Width - left);
            for (uint32_t y = 0; y < height; ++y)
                std::memcpy(out + y * pitch + size_t{left} * 4, pixels + 16 * y, width * 4);
        }
        Reorder(out, size_t{header.Width} * height, order);
    }
    return true;
}

Failure Check(std::string_view bytes, const Limits &limits, Header &header, Layout &layout)
{
    if (!HasSignature(bytes))
        return Failure::NotDds;
    if (bytes.size() < HeaderEnd)
        return Failure::Truncated;
    if (Read32(bytes, 4) != 124)
        return Failure::NotDds;
    header.Height = Read32(bytes, 12);
    header.Width = Read32(bytes, 16);
    if (const Failure failure = ReadLayout(bytes, layout, header); failure != Failure::None)
        return failure;
    if (header.Width == 0 || header.Height == 0)
        return Failure::Unsupported;
    if (header.Width > limits.MaxSide || header.Height > limits.MaxSide ||
        uint64_t{header.Width} * header.Height * 4 > limits.MaxBytes)
        return Failure::TooLarge;
    header.TwoChannels =
        layout.Kind == Codec::Bc5 || (layout.Kind == Codec::Packed && layout.Masks[0] != 0 &&
                                      layout.Masks[1] != 0 && layout.Masks[2] == 0 && !layout.Grey);
    // A chain longer than the halvings of the larger side is not believed.
    const uint32_t levels = std::bit_width(std::max(header.Width, header.Height));
    header.Mipmaps = std::clamp(Read32(bytes, 28), 1u, levels);

    const uint64_t available = bytes.size() - layout.DataStart;
    uint64_t needed;
    if (layout.Kind != Codec::Packed) {
        needed =
            uint64_t{(header.Width + 3) / 4} * ((header.Height + 3) / 4) * BlockBytes(layout.Kind);
    } else {
        // Some writers pad the rows and say so in the header; a pitch shorter
        // than a row, or one the data cannot hold, is the writer's mistake.
        const uint64_t row = uint64_t{header.Width} * (layout.BitCount / 8);
        const uint64_t given = Read32(bytes, 20);
        const bool padded = (Read32(bytes, 8) & HeaderPitch) != 0 && given >= row &&
                            available >= given * (header.Height - 1) + row;
        layout.Pitch = padded ? given : row;
        needed = layout.Pitch * (header.Height - 1) + row;
    }
    if (available < needed)
        return Failure::Truncated;
    return Failure::None;
}

} // namespace

bool HasSignature(std::string_view bytes)
{
    return bytes.starts_with("DDS ");
}

Failure ReadHeader(std::string_view bytes, const Limits &limits, Header &header)
{
    Layout layout;
    return Check(bytes, limits, header, layout);
}

Result Decode(std::string_view bytes, const Limits &limits, const std::function<bool()> &cancelled,
              Pixels order)
{
    Result result;
    Layout layout;
    result.Error = Check(bytes, limits, result.Picture.Info, layout);
    if (result.Error != Failure::None)
        return result;
    const Header &header = result.Picture.Info;
    try {
        result.Picture.Rgba.resize(size_t{header.Width} * header.Height * 4);
    } catch (const std::bad_alloc &) {
        result.Error = Failure::TooLarge;
        return result;
    }
    const std::string_view data = bytes.substr(layout.DataStart);
    const bool done =
        layout.Kind != Codec::Packed
            ? DecodeBlocks(data, header, layout, result.Picture.Rgba, cancelled, order)
            : DecodePacked(data, header, layout, result.Picture.Rgba, cancelled, order);
    if (!done) {
        result.Error = Failure::Cancelled;
        result.Picture.Rgba.clear();
    }
    return result;
}

} // namespace DdsDecoder
