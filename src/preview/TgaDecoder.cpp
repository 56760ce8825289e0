#include "TgaDecoder.h"

#include <algorithm>
#include <array>
#include <new>

namespace TgaDecoder {

namespace {

constexpr size_t HeaderSize = 18;

uint32_t Read16(std::string_view bytes, size_t at)
{
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}

// One pixel of depth bits as B, G, R, A.
std::array<uint8_t, 4> Colour(const unsigned char *p, uint32_t depth, bool grey, bool alpha)
{
    if (grey)
        return {p[0], p[0], p[0], depth == 16 ? p[1] : uint8_t{255}};
    switch (depth) {
    case 15:
    case 16: {
        const uint32_t v = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
        const auto five = [](uint32_t c) { return static_cast<uint8_t>((c << 3) | (c >> 2)); };
        return {five(v & 31), five((v >> 5) & 31), five((v >> 10) & 31),
                alpha && depth == 16 ? static_cast<uint8_t>((v & 0x8000) ? 255 : 0) : uint8_t{255}};
    }
    case 24:
        return {p[0], p[1], p[2], 255};
    case 32:
    default:
        return {p[0], p[1], p[2], alpha ? p[3] : uint8_t{255}};
    }
}

} // namespace

Result Decode(std::string_view bytes, uint64_t maxBytes)
{
    Result result;
    if (bytes.size() < HeaderSize) {
        result.Error = Failure::Truncated;
        return result;
    }
    const auto at = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const uint32_t idLength = at(0);
    const uint32_t mapType = at(1);
    const uint32_t type = at(2);
    const uint32_t mapFirst = Read16(bytes, 3);
    const uint32_t mapLength = Read16(bytes, 5);
    const uint32_t mapDepth = at(7);
    const uint32_t width = Read16(bytes, 12);
    const uint32_t height = Read16(bytes, 14);
    const uint32_t depth = at(16);
    const uint32_t descriptor = at(17);
    const bool rle = type >= 9;
    const uint32_t kind = rle ? type - 8 : type;
    if ((kind != 1 && kind != 2 && kind != 3) || mapType > 1 || (kind == 1) != (mapType == 1)) {
        result.Error = Failure::NotTga;
        return result;
    }
    const bool mapped = kind == 1;
    const bool grey = kind == 3;
    const bool depthOk =
        mapped ? (depth == 8 || depth == 16) &&
                     (mapDepth == 15 || mapDepth == 16 || mapDepth == 24 || mapDepth == 32)
        : grey ? depth == 8 || depth == 16
               : depth == 15 || depth == 16 || depth == 24 || depth == 32;
    if (!depthOk || width == 0 || height == 0) {
        result.Error = Failure::Unsupported;
        return result;
    }
    if (uint64_t{width} * height * 4 > maxBytes) {
        result.Error = Failure::TooLarge;
        return result;
    }
    const bool alpha = (descriptor & 0x0F) != 0;
    const uint32_t pixelBytes = (depth + 7) / 8;
    const uint32_t entryBytes = (mapDepth + 7) / 8;
    size_t pos = HeaderSize + idLength;
    const size_t mapBytes = mapType == 1 ? size_t{mapLength} * entryBytes : 0;
    if (bytes.size() < pos + mapBytes) {
        result.Error = Failure::Truncated;
        return result;
    }
    std::vector<std::array<uint8_t, 4>> palette;
    if (mapped) {
        palette.reserve(mapLength);
        const auto *entries = reinterpret_cast<const unsigned char *>(bytes.data() + pos);
        for (uint32_t i = 0; i < mapLength; ++i)
            palette.push_back(Colour(entries + size_t{i} * entryBytes, mapDepth, false, alpha));
    }
    pos += mapBytes;

    try {
        result.Picture.Bgra.resize(size_t{width} * height * 4);
    } catch (const std::bad_alloc &) {
        result.Error = Failure::TooLarge;
        return result;
    }
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    const size_t end = bytes.size();
    const auto pixel = [&](const unsigned char *p, bool &ok) -> std::array<uint8_t, 4> {
        if (!mapped)
            return Colour(p, depth, grey, alpha);
        const uint32_t index = depth == 8 ? p[0] : (p[0] | static_cast<uint32_t>(p[1]) << 8);
        if (index < mapFirst || index - mapFirst >= palette.size()) {
            ok = false;
            return {0, 0, 0, 0};
        }
        return palette[index - mapFirst];
    };
    const bool rightToLeft = descriptor & 0x10;
    const bool topToBottom = descriptor & 0x20;
    const uint64_t count = uint64_t{width} * height;
    uint64_t done = 0;
    const auto store = [&](const std::array<uint8_t, 4> &c) {
        const uint32_t row = static_cast<uint32_t>(done / width);
        const uint32_t column = static_cast<uint32_t>(done % width);
        const uint32_t y = topToBottom ? row : height - 1 - row;
        const uint32_t x = rightToLeft ? width - 1 - column : column;
        uint8_t *out = result.Picture.Bgra.data() + (size_t{y} * width + x) * 4;
        out[0] = c[0];
        out[1] = c[1];
        out[2] = c[2];
        out[3] = c[3];
        ++done;
    };
    bool ok = true;
    while (done < count && ok) {
        uint64_t run = 1;
        bool repeat = false;
        if (rle) {
            if (pos >= end)
                break;
            const unsigned char packet = in[pos++];
            repeat = packet & 0x80;
            run = std::min<uint64_t>((packet & 0x7F) + 1, count - done);
        }
        if (repeat) {
            if (end - pos < pixelBytes)
                break;
            const auto c = pixel(in + pos, ok);
            pos += pixelBytes;
            for (uint64_t k = 0; k < run; ++k)
                store(c);
        } else {
            for (uint64_t k = 0; k < run && ok; ++k) {
                if (end - pos < pixelBytes) {
                    run = 0;
                    break;
                }
                store(pixel(in + pos, ok));
                pos += pixelBytes;
            }
            if (run == 0)
                break;
        }
    }
    if (!ok || done < count) {
        result.Error = ok ? Failure::Truncated : Failure::NotTga;
        result.Picture.Bgra.clear();
        return result;
    }
    result.Picture.Width = width;
    result.Picture.Height = height;
    result.Picture.Format =
        (rle ? "RLE, " : "") + std::to_string(mapped ? mapDepth : depth) + " Bit";
    return result;
}

} // namespace TgaDecoder
