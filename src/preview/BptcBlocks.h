#pragma once

#include <cstdint>

// The two block formats of Direct3D 11's BPTC family, decoded one 4 x 4 block
// of 16 bytes at a time as Microsoft's format descriptions of BC7 and BC6H
// define them. Pixels run left to right, then top to bottom.
namespace BptcBlocks {

// BC7: 16 pixels of 8-bit R, G, B, A. The reserved mode (a first byte of 0)
// gives transparent black, as the description asks of hardware.
void DecodeBc7(const uint8_t *block, uint8_t *rgba);

// BC6H: 16 pixels of R, G, B as the bits of half-precision floats. Reserved
// modes give black.
void DecodeBc6h(const uint8_t *block, bool isSigned, uint16_t *rgb);

// The value of a half-precision float.
float HalfToFloat(uint16_t half);

// An HDR value shown in 8 bits: clamped to [0, 1] and scaled to 0..255 with
// rounding; NaN gives 0. Values above 1 are cut off rather than compressed, so
// that a texture authored within [0, 1] shows exactly as authored.
uint8_t ToneMap(float value);

} // namespace BptcBlocks
