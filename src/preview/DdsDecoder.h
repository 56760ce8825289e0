#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// DirectDraw Surface textures: the first (largest) image of a DDS file as
// 8-bit RGBA pixels. Reads DXT1 to DXT5, BC4 and BC5 (unsigned and signed),
// uncompressed pixels described by masks (RGB, luminance, alpha) and the DX10
// header with BC1 to BC7 and the common uncompressed DXGI formats; of texture
// arrays and cube maps the first image.
//
// How values that 8 bits cannot hold are shown:
// - signed channels (BC4 and BC5 SNORM) map -1 ... 1 to 0 ... 255, so that 0
//   is mid grey as in a normal map;
// - BC6H's half-precision floats are clamped to [0, 1] and scaled to 0 ... 255
//   (no exposure, no compression of highlights, no change of gamma);
// - 10- and 16-bit channels are scaled to 8 bits.
namespace DdsDecoder {

enum class Failure
{
    None,
    NotDds,      // no "DDS " signature, a header of the wrong size or one that
                 // contradicts itself (a texture array of no images)
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
    // A readable name of the pixel format: "DXT1", "BC5", "BC4, SNORM",
    // "BC7, sRGB", "BC6H, UF16", "R8G8B8A8", "L8", "RGBA 32 Bit", ...
    std::string Format;
    uint32_t Mipmaps = 1;     // the images of the mipmap chain, the first included
    bool TwoChannels = false; // only red and green (BC5, R8G8, R16G16), as normal maps
                              // store x and y
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
