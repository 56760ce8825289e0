#include "BptcBlocks.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

namespace BptcBlocks {

namespace {

// The partitions that BC7 and BC6H share, as the format descriptions give them.
// Subset 1 pixels of the 64 two-subset partitions (bit i = pixel i).
constexpr uint16_t TwoSubsets[64] = {
    0xCCCC, 0x8888, 0xEEEE, 0xECC8, 0xC880, 0xFEEC, 0xFEC8, 0xEC80, 0xC800, 0xFFEC, 0xFE80,
    0xE800, 0xFFE8, 0xFF00, 0xFFF0, 0xF000, 0xF710, 0x008E, 0x7100, 0x08CE, 0x008C, 0x7310,
    0x3100, 0x8CCE, 0x088C, 0x3110, 0x6666, 0x366C, 0x17E8, 0x0FF0, 0x718E, 0x399C, 0xAAAA,
    0xF0F0, 0x5A5A, 0x33CC, 0x3C3C, 0x55AA, 0x9696, 0xA55A, 0x73CE, 0x13C8, 0x324C, 0x3BDC,
    0x6996, 0xC33C, 0x9966, 0x0660, 0x0272, 0x04E4, 0x4E40, 0x2720, 0xC936, 0x936C, 0x39C6,
    0x639C, 0x9336, 0x9CC6, 0x817E, 0xE718, 0xCCF0, 0x0FCC, 0x7744, 0xEE22,
};
// The subsets of the 64 three-subset partitions, two bits per pixel (pixel i at bit 2i).
constexpr uint32_t ThreeSubsets[64] = {
    0xAA685050, 0x6A5A5040, 0x5A5A4200, 0x5450A0A8, 0xA5A50000, 0xA0A05050, 0x5555A0A0, 0x5A5A5050,
    0xAA550000, 0xAA555500, 0xAAAA5500, 0x90909090, 0x94949494, 0xA4A4A4A4, 0xA9A59450, 0x2A0A4250,
    0xA5945040, 0x0A425054, 0xA5A5A500, 0x55A0A0A0, 0xA8A85454, 0x6A6A4040, 0xA4A45000, 0x1A1A0500,
    0x0050A4A4, 0xAAA59090, 0x14696914, 0x69691400, 0xA08585A0, 0xAA821414, 0x50A4A450, 0x6A5A0200,
    0xA9A58000, 0x5090A0A8, 0xA8A09050, 0x24242424, 0x00AA5500, 0x24924924, 0x24499224, 0x50A50A50,
    0x500AA550, 0xAAAA4444, 0x66660000, 0xA5A0A5A0, 0x50A050A0, 0x69286928, 0x44AAAA44, 0x66666600,
    0xAA444444, 0x54A854A8, 0x95809580, 0x96969600, 0xA85454A8, 0x80959580, 0xAA141414, 0x96960000,
    0xAAAA1414, 0xA05050A0, 0xA0A5A5A0, 0x96000000, 0x40804080, 0xA9A8A9A8, 0xAAAAAA44, 0x2A4A5254,
};
constexpr uint8_t AnchorTwo[64] = {
    15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 2,  8, 2,  2, 8,
    8,  15, 2,  8,  2,  2,  8,  8,  2,  2,  15, 15, 6,  8,  2,  8,  15, 15, 2, 8,  2, 2,
    2,  15, 15, 6,  6,  2,  6,  8,  15, 15, 2,  2,  15, 15, 15, 15, 15, 2,  2, 15,
};
constexpr uint8_t AnchorThreeSecond[64] = {
    3,  3,  15, 15, 8, 3,  15, 15, 8,  8,  6, 6,  6, 5,  3, 3,  3,  3,  8,  15, 3,  3,
    6,  10, 5,  8,  8, 6,  8,  5,  15, 15, 8, 15, 3, 5,  6, 10, 8,  15, 15, 3,  15, 5,
    15, 15, 15, 15, 3, 15, 5,  5,  5,  8,  5, 10, 5, 10, 8, 13, 15, 12, 3,  3,
};
constexpr uint8_t AnchorThreeThird[64] = {
    15, 8, 8, 3,  15, 15, 3,  8,  15, 15, 15, 15, 15, 15, 15, 8,  15, 8,  15, 3,  15, 8,
    15, 8, 3, 15, 6,  10, 15, 15, 10, 8,  15, 3,  15, 10, 10, 8,  9,  10, 6,  15, 8,  15,
    3,  6, 6, 8,  15, 3,  15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 3,  15, 15, 8,
};

constexpr uint8_t Weights2[4] = {0, 21, 43, 64};
constexpr uint8_t Weights3[8] = {0, 9, 18, 27, 37, 46, 55, 64};
constexpr uint8_t Weights4[16] = {0, 4, 9, 13, 17, 21, 26, 30, 34, 38, 43, 47, 51, 55, 60, 64};

const uint8_t *WeightsFor(int bits)
{
    return bits == 2 ? Weights2 : bits == 3 ? Weights3 : Weights4;
}

int Interpolate(int a, int b, int weight)
{
    return ((64 - weight) * a + weight * b + 32) >> 6;
}

// The block's bits from the lowest of its first byte upwards.
class BitReader
{
  public:
    explicit BitReader(const uint8_t *block)
    {
        for (int k = 7; k >= 0; --k) {
            m_low = m_low << 8 | block[k];
            m_high = m_high << 8 | block[8 + k];
        }
    }
    uint32_t Read(int count)
    {
        uint64_t value;
        if (m_position >= 64)
            value = m_high >> (m_position - 64);
        else if (m_position + count <= 64)
            value = m_low >> m_position;
        else
            value = m_low >> m_position | m_high << (64 - m_position);
        m_position += count;
        return static_cast<uint32_t>(value & ((uint64_t{1} << count) - 1));
    }
    int Position() const { return m_position; }

  private:
    uint64_t m_low = 0;
    uint64_t m_high = 0;
    int m_position = 0;
};

int SubsetOf(int subsets, uint32_t partition, int pixel)
{
    if (subsets == 2)
        return TwoSubsets[partition] >> pixel & 1;
    if (subsets == 3)
        return static_cast<int>(ThreeSubsets[partition] >> (2 * pixel) & 3);
    return 0;
}

// Anchor pixels store their index with one bit less: its top bit is always 0.
bool IsAnchor(int subsets, uint32_t partition, int pixel)
{
    if (pixel == 0)
        return true;
    if (subsets == 2)
        return pixel == AnchorTwo[partition];
    if (subsets == 3)
        return pixel == AnchorThreeSecond[partition] || pixel == AnchorThreeThird[partition];
    return false;
}

// BC7: the mode's field widths.
struct Bc7Mode
{
    int Subsets;
    int PartitionBits;
    int RotationBits;
    int SelectorBits;
    int ColourBits;
    int AlphaBits;
    int EndpointPBits; // one P-bit per end point
    int SharedPBits;   // one P-bit per subset
    int IndexBits;
    int SecondIndexBits;
};

constexpr Bc7Mode Bc7Modes[8] = {
    {3, 4, 0, 0, 4, 0, 1, 0, 3, 0}, {2, 6, 0, 0, 6, 0, 0, 1, 3, 0}, {3, 6, 0, 0, 5, 0, 0, 0, 2, 0},
    {2, 6, 0, 0, 7, 0, 1, 0, 2, 0}, {1, 0, 2, 1, 5, 6, 0, 0, 2, 3}, {1, 0, 2, 0, 7, 8, 0, 0, 2, 2},
    {1, 0, 0, 0, 7, 7, 1, 0, 4, 0}, {2, 6, 0, 0, 5, 5, 1, 0, 2, 0},
};

uint8_t Widen(uint32_t value, int bits)
{
    value <<= 8 - bits;
    return static_cast<uint8_t>(value | value >> bits);
}

// BC6H: a mode's end point widths and where its fields lie, in the notation of
// the format description ("r1[4:0]" takes five bits into r1 from bit 0 up,
// "r0[10:15]" six bits from bit 15 down).
struct Bc6hMode
{
    uint8_t Code;
    bool Transformed;
    int EndpointBits;
    int DeltaBits[3];
    std::string_view Layout;
};

constexpr Bc6hMode Bc6hModes[14] = {
    {0,
     true,
     10,
     {5, 5, 5},
     "m[1:0], g2[4], b2[4], b3[4], r0[9:0], g0[9:0], b0[9:0], r1[4:0], g3[4], g2[3:0], g1[4:0], "
     "b3[0], g3[3:0], b1[4:0], b3[1], b2[3:0], r2[4:0], b3[2], r3[4:0], b3[3]"},
    {1,
     true,
     7,
     {6, 6, 6},
     "m[1:0], g2[5], g3[4], g3[5], r0[6:0], b3[0], b3[1], b2[4], g0[6:0], b2[5], b3[2], g2[4], "
     "b0[6:0], b3[3], b3[5], b3[4], r1[5:0], g2[3:0], g1[5:0], g3[3:0], b1[5:0], b2[3:0], "
     "r2[5:0], r3[5:0]"},
    {2,
     true,
     11,
     {5, 4, 4},
     "m[4:0], r0[9:0], g0[9:0], b0[9:0], r1[4:0], r0[10], g2[3:0], g1[3:0], g0[10], b3[0], "
     "g3[3:0], b1[3:0], b0[10], b3[1], b2[3:0], r2[4:0], b3[2], r3[4:0], b3[3]"},
    {6,
     true,
     11,
     {4, 5, 4},
     "m[4:0], r0[9:0], g0[9:0], b0[9:0], r1[3:0], r0[10], g3[4], g2[3:0], g1[4:0], g0[10], "
     "g3[3:0], b1[3:0], b0[10], b3[1], b2[3:0], r2[3:0], b3[0], b3[2], r3[3:0], g2[4], b3[3]"},
    {10,
     true,
     11,
     {4, 4, 5},
     "m[4:0], r0[9:0], g0[9:0], b0[9:0], r1[3:0], r0[10], b2[4], g2[3:0], g1[3:0], g0[10], "
     "b3[0], g3[3:0], b1[4:0], b0[10], b2[3:0], r2[3:0], b3[1], b3[2], r3[3:0], b3[4], b3[3]"},
    {14,
     true,
     9,
     {5, 5, 5},
     "m[4:0], r0[8:0], b2[4], g0[8:0], g2[4], b0[8:0], b3[4], r1[4:0], g3[4], g2[3:0], g1[4:0], "
     "b3[0], g3[3:0], b1[4:0], b3[1], b2[3:0], r2[4:0], b3[2], r3[4:0], b3[3]"},
    {18,
     true,
     8,
     {6, 5, 5},
     "m[4:0], r0[7:0], g3[4], b2[4], g0[7:0], b3[2], g2[4], b0[7:0], b3[3], b3[4], r1[5:0], "
     "g2[3:0], g1[4:0], b3[0], g3[3:0], b1[4:0], b3[1], b2[3:0], r2[5:0], r3[5:0]"},
    {22,
     true,
     8,
     {5, 6, 5},
     "m[4:0], r0[7:0], b3[0], b2[4], g0[7:0], g2[5], g2[4], b0[7:0], g3[5], b3[4], r1[4:0], "
     "g3[4], g2[3:0], g1[5:0], g3[3:0], b1[4:0], b3[1], b2[3:0], r2[4:0], b3[2], r3[4:0], b3[3]"},
    {26,
     true,
     8,
     {5, 5, 6},
     "m[4:0], r0[7:0], b3[1], b2[4], g0[7:0], b2[5], g2[4], b0[7:0], b3[5], b3[4], r1[4:0], "
     "g3[4], g2[3:0], g1[4:0], b3[0], g3[3:0], b1[5:0], b2[3:0], r2[4:0], b3[2], r3[4:0], b3[3]"},
    {30,
     false,
     6,
     {6, 6, 6},
     "m[4:0], r0[5:0], g3[4], b3[0], b3[1], b2[4], g0[5:0], g2[5], b2[5], b3[2], g2[4], "
     "b0[5:0], g3[5], b3[3], b3[5], b3[4], r1[5:0], g2[3:0], g1[5:0], g3[3:0], b1[5:0], "
     "b2[3:0], r2[5:0], r3[5:0]"},
    {3, false, 10, {10, 10, 10}, "m[4:0], r0[9:0], g0[9:0], b0[9:0], r1[9:0], g1[9:0], b1[9:0]"},
    {7,
     true,
     11,
     {9, 9, 9},
     "m[4:0], r0[9:0], g0[9:0], b0[9:0], r1[8:0], r0[10], g1[8:0], g0[10], b1[8:0], b0[10]"},
    {11,
     true,
     12,
     {8, 8, 8},
     "m[4:0], r0[9:0], g0[9:0], b0[9:0], r1[7:0], r0[10:11], g1[7:0], g0[10:11], b1[7:0], "
     "b0[10:11]"},
    {15,
     true,
     16,
     {4, 4, 4},
     "m[4:0], r0[9:0], g0[9:0], b0[9:0], r1[3:0], r0[10:15], g1[3:0], g0[10:15], b1[3:0], "
     "b0[10:15]"},
};

// One field of a layout: count bits into a value, the first at bit First,
// the next one above it or, where the layout reverses them, below.
struct Field
{
    int8_t Value = -1; // r0, g0, b0, r1, ... b3 as 0 ... 11; -1 for the mode bits
    int8_t First = 0;
    int8_t Step = 1;
    int8_t Count = 0;
};

struct ParsedLayout
{
    std::array<Field, 32> Fields{};
    int Count = 0;
};

int ParseNumber(std::string_view text, size_t &at)
{
    int value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9')
        value = value * 10 + (text[at++] - '0');
    return value;
}

ParsedLayout ParseLayout(std::string_view layout)
{
    ParsedLayout parsed;
    size_t at = 0;
    while (at < layout.size() && parsed.Count < static_cast<int>(parsed.Fields.size())) {
        Field field;
        const char name = layout[at];
        if (name != 'm') {
            const int channel = name == 'r' ? 0 : name == 'g' ? 1 : 2;
            field.Value = static_cast<int8_t>(3 * (layout[at + 1] - '0') + channel);
        }
        at = layout.find('[', at) + 1;
        const int high = ParseNumber(layout, at);
        int low = high;
        if (layout[at] == ':') {
            ++at;
            low = ParseNumber(layout, at);
        }
        // "v[a:b]" fills v from bit b towards bit a.
        field.First = static_cast<int8_t>(low);
        field.Step = static_cast<int8_t>(high >= low ? 1 : -1);
        field.Count = static_cast<int8_t>((high >= low ? high - low : low - high) + 1);
        parsed.Fields[static_cast<size_t>(parsed.Count++)] = field;
        at = layout.find(", ", at);
        if (at == std::string_view::npos)
            break;
        at += 2;
    }
    return parsed;
}

const std::array<ParsedLayout, 14> &Bc6hLayouts()
{
    static const std::array<ParsedLayout, 14> layouts = [] {
        std::array<ParsedLayout, 14> parsed;
        for (size_t k = 0; k < parsed.size(); ++k)
            parsed[k] = ParseLayout(Bc6hModes[k].Layout);
        return parsed;
    }();
    return layouts;
}

int SignExtend(int value, int bits)
{
    const int sign = 1 << (bits - 1);
    return (value & (sign - 1)) - (value & sign);
}

int Unquantize(int value, int bits, bool isSigned)
{
    if (!isSigned) {
        if (bits >= 15)
            return value;
        if (value == 0)
            return 0;
        if (value == (1 << bits) - 1)
            return 0xFFFF;
        return ((value << 15) + 0x4000) >> (bits - 1);
    }
    if (bits >= 16)
        return value;
    const bool negative = value < 0;
    const int magnitude = negative ? -value : value;
    int result;
    if (magnitude == 0)
        result = 0;
    else if (magnitude >= (1 << (bits - 1)) - 1)
        result = 0x7FFF;
    else
        result = ((magnitude << 15) + 0x4000) >> (bits - 1);
    return negative ? -result : result;
}

uint16_t FinishHalf(int value, bool isSigned)
{
    if (!isSigned)
        return static_cast<uint16_t>((value * 31) >> 6);
    if (value < 0)
        return static_cast<uint16_t>(((-value * 31) >> 5) | 0x8000);
    return static_cast<uint16_t>((value * 31) >> 5);
}

} // namespace

void DecodeBc7(const uint8_t *block, uint8_t *rgba)
{
    if (block[0] == 0) {
        std::memset(rgba, 0, 64);
        return;
    }
    const int modeNumber = std::countr_zero(block[0]);
    const Bc7Mode &mode = Bc7Modes[modeNumber];
    BitReader bits(block);
    bits.Read(modeNumber + 1);
    const uint32_t partition = bits.Read(mode.PartitionBits);
    const uint32_t rotation = bits.Read(mode.RotationBits);
    const uint32_t selector = bits.Read(mode.SelectorBits);

    // End points [subset][end][channel], first at their stored width.
    uint32_t ends[3][2][4] = {};
    const int channels = mode.AlphaBits > 0 ? 4 : 3;
    for (int c = 0; c < channels; ++c)
        for (int s = 0; s < mode.Subsets; ++s)
            for (int e = 0; e < 2; ++e)
                ends[s][e][c] = bits.Read(c < 3 ? mode.ColourBits : mode.AlphaBits);
    const int pBits = mode.EndpointPBits + mode.SharedPBits;
    // P-bits: the lowest bit of every channel, per end point or per subset.
    for (int s = 0; s < mode.Subsets; ++s) {
        uint32_t p = mode.SharedPBits ? bits.Read(1) : 0;
        for (int e = 0; e < 2; ++e) {
            if (mode.EndpointPBits)
                p = bits.Read(1);
            if (pBits != 0)
                for (int c = 0; c < channels; ++c)
                    ends[s][e][c] = ends[s][e][c] << 1 | p;
        }
    }
    uint8_t colours[3][2][4];
    for (int s = 0; s < mode.Subsets; ++s)
        for (int e = 0; e < 2; ++e)
            for (int c = 0; c < 4; ++c)
                colours[s][e][c] =
                    c == 3 && mode.AlphaBits == 0
                        ? uint8_t{255}
                        : Widen(ends[s][e][c], (c < 3 ? mode.ColourBits : mode.AlphaBits) + pBits);

    uint8_t first[16];
    uint8_t second[16] = {};
    for (int i = 0; i < 16; ++i)
        first[i] = static_cast<uint8_t>(
            bits.Read(mode.IndexBits - (IsAnchor(mode.Subsets, partition, i) ? 1 : 0)));
    if (mode.SecondIndexBits > 0)
        for (int i = 0; i < 16; ++i)
            second[i] = static_cast<uint8_t>(bits.Read(mode.SecondIndexBits - (i == 0 ? 1 : 0)));

    // With two sets of indices the selector says which one the colours take.
    const bool swap = selector != 0;
    const uint8_t *colourIndex = swap ? second : first;
    const uint8_t *alphaIndex = mode.SecondIndexBits > 0 && !swap ? second : first;
    const uint8_t *colourWeights = WeightsFor(swap ? mode.SecondIndexBits : mode.IndexBits);
    const uint8_t *alphaWeights =
        WeightsFor(mode.SecondIndexBits > 0 && !swap ? mode.SecondIndexBits : mode.IndexBits);
    for (int i = 0; i < 16; ++i, rgba += 4) {
        const int s = SubsetOf(mode.Subsets, partition, i);
        for (int c = 0; c < 3; ++c)
            rgba[c] = static_cast<uint8_t>(
                Interpolate(colours[s][0][c], colours[s][1][c], colourWeights[colourIndex[i]]));
        rgba[3] = static_cast<uint8_t>(
            Interpolate(colours[s][0][3], colours[s][1][3], alphaWeights[alphaIndex[i]]));
        if (rotation != 0)
            std::swap(rgba[3], rgba[rotation - 1]);
    }
}

void DecodeBc6h(const uint8_t *block, bool isSigned, uint16_t *rgb)
{
    uint8_t code = block[0] & 3;
    if (code >= 2)
        code = block[0] & 31;
    size_t modeIndex = 0;
    while (modeIndex < std::size(Bc6hModes) && Bc6hModes[modeIndex].Code != code)
        ++modeIndex;
    if (modeIndex == std::size(Bc6hModes)) {
        std::memset(rgb, 0, 16 * 3 * sizeof(uint16_t));
        return;
    }
    const Bc6hMode &mode = Bc6hModes[modeIndex];
    const ParsedLayout &layout = Bc6hLayouts()[modeIndex];
    BitReader bits(block);
    int values[12] = {};
    for (int f = 0; f < layout.Count; ++f) {
        const Field &field = layout.Fields[static_cast<size_t>(f)];
        for (int k = 0; k < field.Count; ++k) {
            const uint32_t bit = bits.Read(1);
            if (field.Value >= 0)
                values[field.Value] |= static_cast<int>(bit) << (field.First + k * field.Step);
        }
    }
    const int subsets = code < 2 || (code & 3) == 2 ? 2 : 1;
    const uint32_t partition = subsets == 2 ? bits.Read(5) : 0;

    // End points [end][channel]: the first as stored, the others as its
    // differences where the mode transforms them.
    const int ends = 2 * subsets;
    const int width = mode.EndpointBits;
    for (int c = 0; c < 3; ++c) {
        int &base = values[c];
        if (isSigned)
            base = SignExtend(base, width);
        for (int e = 1; e < ends; ++e) {
            int &value = values[3 * e + c];
            if (mode.Transformed)
                value = (base + SignExtend(value, mode.DeltaBits[c])) & ((1 << width) - 1);
            if (isSigned)
                value = SignExtend(value, width);
        }
    }
    for (int &value : values)
        value = Unquantize(value, width, isSigned);

    const int indexBits = subsets == 2 ? 3 : 4;
    const uint8_t *weights = WeightsFor(indexBits);
    for (int i = 0; i < 16; ++i, rgb += 3) {
        const int index =
            static_cast<int>(bits.Read(indexBits - (IsAnchor(subsets, partition, i) ? 1 : 0)));
        const int s = SubsetOf(subsets, partition, i);
        for (int c = 0; c < 3; ++c)
            rgb[c] = FinishHalf(
                Interpolate(values[6 * s + c], values[6 * s + 3 + c], weights[index]), isSigned);
    }
}

float HalfToFloat(uint16_t half)
{
    const int exponent = half >> 10 & 31;
    const int mantissa = half & 1023;
    float value;
    if (exponent == 0)
        value = std::ldexp(static_cast<float>(mantissa), -24);
    else if (exponent == 31)
        value = mantissa != 0 ? std::numeric_limits<float>::quiet_NaN()
                              : std::numeric_limits<float>::infinity();
    else
        value = std::ldexp(static_cast<float>(mantissa + 1024), exponent - 25);
    return (half & 0x8000) != 0 ? -value : value;
}

uint8_t ToneMap(float value)
{
    if (!(value > 0.0f))
        return 0; // also NaN
    if (value >= 1.0f)
        return 255;
    return static_cast<uint8_t>(value * 255.0f + 0.5f);
}

} // namespace BptcBlocks
