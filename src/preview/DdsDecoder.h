#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// DirectDraw Surface textures: the first (largest) image of a DDS file,
// uncompressed or DXT1, DXT3 or DXT5 compressed, as 8-bit RGBA pixels.
namespace DdsDecoder {

enum class Failure
{
    None,
    NotDds,      // no "DDS " signature or a header of the wrong size
    TooLarge,    // the dimensions exceed the limits
    Truncated,   // the file ends before the image's pixels do
    Unsupported, // a pixel format this decoder does not read
    Cancelled,   // the caller asked to stop
};

// The byte order of the decoded pixels.
enum class Pixels
{
    Rgba,              // R, G, B, A
    PremultipliedBgra, // B, G, R, A with the colours multiplied by alpha: what
                       // screens paint from without converting
};

struct Limits
{
    uint32_t MaxSide = 16384;                // widest and highest image accepted
    uint64_t MaxBytes = uint64_t{256} << 20; // RGBA bytes of the decoded image
};

// The first image's size and format as the header gives them, before any
// pixel is decoded.
struct Header
{
    uint32_t Width = 0;
    uint32_t Height = 0;
    std::string Format; // "DXT1", "DXT3", "DXT5", "RGBA 32 Bit", "RGB 24 Bit", ...
};

struct Image
{
    Header Info;
    std::vector<uint8_t> Rgba; // Width * Height * 4 bytes, rows top to bottom, in the
                               // order asked for
};

struct Result
{
    Failure Error = Failure::None;
    Image Picture;
};

// True when bytes start with the DDS signature.
bool HasSignature(std::string_view bytes);

// Reads and checks the header against limits and the bytes available; the
// error tells why it cannot be decoded.
Failure ReadHeader(std::string_view bytes, const Limits &limits, Header &header);

// Decodes the first image. Nothing is allocated before the header has been
// checked against limits and the bytes present; cancelled is asked now and
// then and ends the decoding when it answers true.
Result Decode(std::string_view bytes, const Limits &limits = {},
              const std::function<bool()> &cancelled = {}, Pixels order = Pixels::Rgba);

} // namespace DdsDecoder
