#include "DdsDecoder.h"

#include <squish.h>

#include <algorithm>
#include <bit>
#include <new>

namespace DdsDecoder {

namespace {

constexpr size_t HeaderEnd = 128; // signature and the 124-byte header
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

// What the pixel format fields describe.
struct Layout
{
    int SquishFlags = 0; // a DXT format; 0 for uncompressed pixels
    uint32_t BlockBytes = 0;
    uint32_t BitCount = 0;
    uint32_t Masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha
    bool Luminance = false;
};

Failure ReadLayout(std::string_view bytes, Layout &layout, std::string &format)
{
    const uint32_t flags = Read32(bytes, 80);
    if (flags & PixelFourCC) {
        const uint32_t code = Read32(bytes, 84);
        if (code == FourCC("DXT1")) {
            layout.SquishFlags = squish::kDxt1;
            layout.BlockBytes = 8;
        } else if (code == FourCC("DXT2") || code == FourCC("DXT3")) {
            layout.SquishFlags = squish::kDxt3;
            layout.BlockBytes = 16;
        } else if (code == FourCC("DXT4") || code == FourCC("DXT5")) {
            layout.SquishFlags = squish::kDxt5;
            layout.BlockBytes = 16;
        } else {
            return Failure::Unsupported;
        }
        format = std::string(bytes.substr(84, 4));
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
        layout.Luminance = true;
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
    const auto *in = reinterpret_cast<const unsigned char *>(data.data());
    uint8_t *out = rgba.data();
    for (uint32_t y = 0; y < header.Height; ++y) {
        if ((y & 63) == 0 && cancelled && cancelled())
            return false;
        for (uint32_t x = 0; x < header.Width; ++x, in += pixelBytes, out += 4) {
            uint32_t pixel = 0;
            for (size_t k = 0; k < pixelBytes; ++k)
                pixel |= static_cast<uint32_t>(in[k]) << (8 * k);
            const uint8_t r = red.Get(pixel, 0);
            out[0] = r;
            out[1] = layout.Luminance ? r : green.Get(pixel, 0);
            out[2] = layout.Luminance ? r : blue.Get(pixel, 0);
            out[3] = alpha.Get(pixel, 255);
        }
        Reorder(out - size_t{header.Width} * 4, header.Width, order);
    }
    return true;
}

bool DecodeBlocks(std::string_view data, const Header &header, const Layout &layout,
                  std::vector<uint8_t> &rgba, const std::function<bool()> &cancelled, Pixels order)
{
    const uint32_t blocksWide = (header.Width + 3) / 4;
    const uint32_t blockRows = (header.Height + 3) / 4;
    const size_t rowBytes = size_t{blocksWide} * layout.BlockBytes;
    const int pitch = static_cast<int>(header.Width * 4);
    // A few block rows at a time, so that a newer request need not wait long.
    constexpr uint32_t RowsPerStep = 32;
    for (uint32_t row = 0; row < blockRows; row += RowsPerStep) {
        if (cancelled && cancelled())
            return false;
        const uint32_t rows = std::min(RowsPerStep, blockRows - row);
        const uint32_t top = row * 4;
        const uint32_t height = std::min(rows * 4, header.Height - top);
        uint8_t *out = rgba.data() + size_t{top} * static_cast<size_t>(pitch);
        squish::DecompressImage(out, static_cast<int>(header.Width), static_cast<int>(height),
                                pitch, data.data() + size_t{row} * rowBytes, layout.SquishFlags);
        Reorder(out, size_t{header.Width} * height, order);
    }
    return true;
}

uint64_t PixelBytesNeeded(const Header &header, const Layout &layout)
{
    if (layout.SquishFlags != 0)
        return uint64_t{(header.Width + 3) / 4} * ((header.Height + 3) / 4) * layout.BlockBytes;
    return uint64_t{header.Width} * header.Height * (layout.BitCount / 8);
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
    if (const Failure failure = ReadLayout(bytes, layout, header.Format); failure != Failure::None)
        return failure;
    if (header.Width == 0 || header.Height == 0)
        return Failure::Unsupported;
    if (header.Width > limits.MaxSide || header.Height > limits.MaxSide ||
        uint64_t{header.Width} * header.Height * 4 > limits.MaxBytes)
        return Failure::TooLarge;
    if (bytes.size() - HeaderEnd < PixelBytesNeeded(header, layout))
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
    const std::string_view data = bytes.substr(HeaderEnd);
    const bool done =
        layout.SquishFlags != 0
            ? DecodeBlocks(data, header, layout, result.Picture.Rgba, cancelled, order)
            : DecodePacked(data, header, layout, result.Picture.Rgba, cancelled, order);
    if (!done) {
        result.Error = Failure::Cancelled;
        result.Picture.Rgba.clear();
    }
    return result;
}

} // namespace DdsDecoder
