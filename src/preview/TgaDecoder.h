#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Truevision TGA pictures of every kind textures use: true colour (15, 16, 24
// and 32 bits), grey and colour-mapped, plain or run-length encoded, in any
// corner order. Qt's own reader takes only uncompressed true colour.
namespace TgaDecoder {

enum class Failure
{
    None,
    NotTga,      // the header describes no TGA picture
    TooLarge,    // the dimensions exceed the limits
    Truncated,   // the file ends before the picture does
    Unsupported, // a kind or depth this decoder does not read
};

struct Image
{
    uint32_t Width = 0;
    uint32_t Height = 0;
    std::string Format; // "RLE, 32 Bit", "24 Bit" (of a colour-mapped picture: its palette's)
    std::vector<uint8_t> Bgra; // Width * Height * 4 bytes: B, G, R, A, top row first
};

struct Result
{
    Failure Error = Failure::None;
    Image Picture;
};

// Decodes the picture; nothing is allocated before the header has been checked
// against maxBytes (of decoded BGRA).
Result Decode(std::string_view bytes, uint64_t maxBytes = uint64_t{256} << 20);

} // namespace TgaDecoder
