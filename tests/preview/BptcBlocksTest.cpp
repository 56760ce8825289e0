// Every mode of BC7 and BC6H, with blocks written here field by field in the
// order the format descriptions give. The expected pixels follow from the
// descriptions' end point expansion, interpolation weights and, for BC6H, the
// transform of the end points and their unquantization.
#include "BptcBlocks.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// 128 bits, filled from the lowest bit of the first byte upwards.
class BitWriter
{
  public:
    void Put(uint32_t value, int count)
    {
        for (int k = 0; k < count; ++k, ++m_position)
            if (value >> k & 1)
                m_block[static_cast<size_t>(m_position / 8)] |=
                    static_cast<uint8_t>(1 << (m_position % 8));
    }
    void PutBit(int bit, int position)
    {
        if (bit)
            m_block[static_cast<size_t>(position / 8)] |= static_cast<uint8_t>(1 << (position % 8));
    }
    int Position() const { return m_position; }
    void Skip(int count) { m_position += count; }
    const uint8_t *Data() const { return m_block.data(); }

  private:
    std::array<uint8_t, 16> m_block{};
    int m_position = 0;
};

std::vector<uint32_t> Numbers(const std::string &text)
{
    std::istringstream in(text);
    std::vector<uint32_t> values;
    for (uint32_t value; in >> value;)
        values.push_back(value);
    return values;
}

uint32_t HexDigit(char c)
{
    return static_cast<uint32_t>(c <= '9' ? c - '0' : c - 'A' + 10);
}

uint32_t Hex(const std::string &text, size_t at, size_t digits)
{
    uint32_t value = 0;
    for (size_t k = 0; k < digits; ++k)
        value = value << 4 | HexDigit(text[at + k]);
    return value;
}

// Subsets, partition bits, rotation bits, selector bits, colour bits, alpha
// bits, P-bits per end point, P-bits per subset, index bits, second index bits.
struct Bc7Widths
{
    int Subsets, Partition, Rotation, Selector, Colour, Alpha, EndPBits, SharedPBits, Index,
        SecondIndex;
};
constexpr Bc7Widths Bc7Table[8] = {
    {3, 4, 0, 0, 4, 0, 1, 0, 3, 0}, {2, 6, 0, 0, 6, 0, 0, 1, 3, 0}, {3, 6, 0, 0, 5, 0, 0, 0, 2, 0},
    {2, 6, 0, 0, 7, 0, 1, 0, 2, 0}, {1, 0, 2, 1, 5, 6, 0, 0, 2, 3}, {1, 0, 2, 0, 7, 8, 0, 0, 2, 2},
    {1, 0, 0, 0, 7, 7, 1, 0, 4, 0}, {2, 6, 0, 0, 5, 5, 1, 0, 2, 0},
};

struct Bc7Case
{
    int Mode;
    uint32_t Partition, Rotation, Selector;
    std::string Colours, Alphas, PBits; // in the block's order: channel, subset, end point
    std::set<int> Anchors;              // pixels whose index has one bit less
    std::string Index, SecondIndex;     // a hex digit per pixel
    std::string Expected;               // RRGGBBAA per pixel
};

const Bc7Case Bc7Cases[] = {
    {0,
     15,
     0,
     0,
     "5 9 6 13 8 7 15 11 13 6 9 10 2 6 14 4 6 13",
     "",
     "0 1 1 1 0 0",
     {0, 3, 8},
     "2652356623633030",
     "0000000000000000",
     "67E736FF92C561FFBE8B78FF8BBEC1FF7D9B94FF87CD56FF92C561FFCE7B61FF"
     "7F9983FF7D9B94FF92C561FF71DF40FF7D9B94FF849463FF7D9B94FF52F721FF"},
    {1,
     33,
     0,
     0,
     "40 53 14 42 29 30 59 46 17 25 47 63",
     "",
     "0 1",
     {0, 15},
     "3557225311202732",
     "0000000000000000",
     "B77652FFC6775BFFC6775BFFD57864FF5AE0D1FF5AE0D1FF8BCAEDFF6AD9DAFF"
     "A87549FFA87549FFB0754DFFA17444FF5AE0D1FFABBBFFFF6AD9DAFF5AE0D1FF"},
    {2,
     29,
     0,
     0,
     "5 12 18 15 29 16 30 27 26 12 4 19 19 17 8 16 6 31",
     "",
     "",
     {0, 5, 15},
     "0131112030010110",
     "0000000000000000",
     "29F79CFF8CB058FF7B6384FF3CEF97FF3CEF97FF8CB058FF83896EFF29F79CFF"
     "849CFFFF29F79CFF29F79CFFCC4975FFEF2131FFCC4975FFCC4975FFEF2131FF"},
    {3,
     22,
     0,
     0,
     "60 124 42 41 22 32 26 7 27 46 80 0",
     "",
     "0 1 0 0",
     {0, 8},
     "0011131312331333",
     "0000000000000000",
     "782C36FF782C36FFA23343FFA23343FFA23343FFF9415DFFA23343FFF9415DFF"
     "53286CFFCF3A50FFF9415DFFF9415DFF53286CFF520E00FFF9415DFFF9415DFF"},
    {4,
     0,
     1,
     0,
     "10 19 25 12 11 22",
     "58 1",
     "",
     {0},
     "0201301330320221",
     "1161220544725767",
     "CBCE5A52CB86978424CE5A52CBAB786AAA63B59CAACE5A52EBAB786A4563B59C"
     "6563B59C65CE5A520463B59CAA86978445CE5A52048697842486978404AB786A"},
    {5,
     0,
     2,
     0,
     "40 9 31 30 93 108",
     "92 48",
     "",
     {0},
     "0302102110302311",
     "0013331122230332",
     "505CBB3E125CD93C504EBB3E2630CF3D3C30C53D5030BB3E264ECF3D3C4EC53D"
     "3C3EC53D503EBB3E123ED93C5030BB3E265CCF3D1230D93C3C30C53D3C3EC53D"},
    {6,
     0,
     0,
     0,
     "81 58 60 91 58 107",
     "119 79",
     "1 0",
     {0},
     "718C68D4A9427E89",
     "0000000000000000",
     "8D96A2C9A07D7BEA8A99A9C47EAAC2AE90929CCE8A99A9C47BADC8A997898FD9"
     "83A2B6B9879DAFBF97898FD99C8283E48D96A2C977B2D0A38A99A9C4879DAFBF"},
    {7,
     31,
     0,
     0,
     "24 18 11 30 23 1 24 4 8 6 27 20",
     "12 4 16 2",
     "1 0 1 0",
     {0, 2},
     "0310300213011121",
     "0000000000000000",
     "C7BE4565920830208E90CB5F5DC7DF86F320A210C7BE4565C7BE4565C257B637"
     "8E90CB5F92083020C7BE45658E90CB5F8E90CB5F8E90CB5FA3443737B6823E4E"},
};

TEST(BptcBlocksTest, DecodesEveryBc7Mode)
{
    for (const Bc7Case &test : Bc7Cases) {
        const Bc7Widths &widths = Bc7Table[test.Mode];
        BitWriter block;
        block.Put(1u << test.Mode, test.Mode + 1);
        block.Put(test.Partition, widths.Partition);
        block.Put(test.Rotation, widths.Rotation);
        block.Put(test.Selector, widths.Selector);
        for (uint32_t value : Numbers(test.Colours))
            block.Put(value, widths.Colour);
        for (uint32_t value : Numbers(test.Alphas))
            block.Put(value, widths.Alpha);
        for (uint32_t value : Numbers(test.PBits))
            block.Put(value, 1);
        for (int i = 0; i < 16; ++i)
            block.Put(HexDigit(test.Index[static_cast<size_t>(i)]),
                      widths.Index - (test.Anchors.count(i) ? 1 : 0));
        if (widths.SecondIndex > 0)
            for (int i = 0; i < 16; ++i)
                block.Put(HexDigit(test.SecondIndex[static_cast<size_t>(i)]),
                          widths.SecondIndex - (i == 0 ? 1 : 0));
        ASSERT_EQ(block.Position(), 128) << "mode " << test.Mode;

        uint8_t rgba[64];
        BptcBlocks::DecodeBc7(block.Data(), rgba);
        for (size_t i = 0; i < 16; ++i)
            for (size_t c = 0; c < 4; ++c)
                EXPECT_EQ(rgba[4 * i + c], Hex(test.Expected, 8 * i + 2 * c, 2))
                    << "mode " << test.Mode << ", pixel " << i << ", channel " << c;
    }
}

TEST(BptcBlocksTest, Bc7SolidAndReservedBlocks)
{
    // Mode 6, all end points 127 in colour and 64 in alpha, with P-bits of 1:
    // 255 and 129 whatever the index.
    BitWriter solid;
    solid.Put(1u << 6, 7);
    for (int k = 0; k < 6; ++k)
        solid.Put(127, 7);
    solid.Put(64, 7);
    solid.Put(64, 7);
    solid.Put(1, 1);
    solid.Put(1, 1);
    solid.Skip(63);
    uint8_t rgba[64];
    BptcBlocks::DecodeBc7(solid.Data(), rgba);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(
            (std::array<int, 4>{rgba[4 * i], rgba[4 * i + 1], rgba[4 * i + 2], rgba[4 * i + 3]}),
            (std::array<int, 4>{255, 255, 255, 129}));

    // A first byte of 0 names no mode: transparent black.
    std::array<uint8_t, 16> reserved{};
    reserved.fill(0xFF);
    reserved[0] = 0;
    BptcBlocks::DecodeBc7(reserved.data(), rgba);
    for (uint8_t value : rgba)
        EXPECT_EQ(value, 0);
}

// BC6H: the bit layouts as the format description writes them.
const std::map<uint32_t, std::string> Bc6hLayouts = {
    {0, "m[1:0], g2[4], b2[4], b3[4], r0[9:0], g0[9:0], b0[9:0], r1[4:0], g3[4], g2[3:0], g1[4:0], "
        "b3[0], g3[3:0], b1[4:0], b3[1], b2[3:0], r2[4:0], b3[2], r3[4:0], b3[3]"},
    {1, "m[1:0], g2[5], g3[4], g3[5], r0[6:0], b3[0], b3[1], b2[4], g0[6:0], b2[5], b3[2], g2[4], "
        "b0[6:0], b3[3], b3[5], b3[4], r1[5:0], g2[3:0], g1[5:0], g3[3:0], b1[5:0], b2[3:0], "
        "r2[5:0], r3[5:0]"},
    {2, "m[4:0], r0[9:0], g0[9:0], b0[9:0], r1[4:0], r0[10], g2[3:0], g1[3:0], g0[10], b3[0], "
        "g3[3:0], b1[3:0], b0[10], b3[1], b2[3:0], r2[4:0], b3[2], r3[4:0], b3[3]"},
    {6, "m[4:0], r0[9:0], g0[9:0], b0[9:0], r1[3:0], r0[10], g3[4], g2[3:0], g1[4:0], g0[10], "
        "g3[3:0], b1[3:0], b0[10], b3[1], b2[3:0], r2[3:0], b3[0], b3[2], r3[3:0], g2[4], b3[3]"},
    {10, "m[4:0], r0[9:0], g0[9:0], b0[9:0], r1[3:0], r0[10], b2[4], g2[3:0], g1[3:0], g0[10], "
         "b3[0], g3[3:0], b1[4:0], b0[10], b2[3:0], r2[3:0], b3[1], b3[2], r3[3:0], b3[4], b3[3]"},
    {14, "m[4:0], r0[8:0], b2[4], g0[8:0], g2[4], b0[8:0], b3[4], r1[4:0], g3[4], g2[3:0], "
         "g1[4:0], b3[0], g3[3:0], b1[4:0], b3[1], b2[3:0], r2[4:0], b3[2], r3[4:0], b3[3]"},
    {18, "m[4:0], r0[7:0], g3[4], b2[4], g0[7:0], b3[2], g2[4], b0[7:0], b3[3], b3[4], r1[5:0], "
         "g2[3:0], g1[4:0], b3[0], g3[3:0], b1[4:0], b3[1], b2[3:0], r2[5:0], r3[5:0]"},
    {22, "m[4:0], r0[7:0], b3[0], b2[4], g0[7:0], g2[5], g2[4], b0[7:0], g3[5], b3[4], r1[4:0], "
         "g3[4], g2[3:0], g1[5:0], g3[3:0], b1[4:0], b3[1], b2[3:0], r2[4:0], b3[2], r3[4:0], "
         "b3[3]"},
    {26, "m[4:0], r0[7:0], b3[1], b2[4], g0[7:0], b2[5], g2[4], b0[7:0], b3[5], b3[4], r1[4:0], "
         "g3[4], g2[3:0], g1[4:0], b3[0], g3[3:0], b1[5:0], b2[3:0], r2[4:0], b3[2], r3[4:0], "
         "b3[3]"},
    {30, "m[4:0], r0[5:0], g3[4], b3[0], b3[1], b2[4], g0[5:0], g2[5], b2[5], b3[2], g2[4], "
         "b0[5:0], g3[5], b3[3], b3[5], b3[4], r1[5:0], g2[3:0], g1[5:0], g3[3:0], b1[5:0], "
         "b2[3:0], r2[5:0], r3[5:0]"},
    {3, "m[4:0], r0[9:0], g0[9:0], b0[9:0], r1[9:0], g1[9:0], b1[9:0]"},
    {7, "m[4:0], r0[9:0], g0[9:0], b0[9:0], r1[8:0], r0[10], g1[8:0], g0[10], b1[8:0], b0[10]"},
    {11, "m[4:0], r0[9:0], g0[9:0], b0[9:0], r1[7:0], r0[10:11], g1[7:0], g0[10:11], b1[7:0], "
         "b0[10:11]"},
    {15, "m[4:0], r0[9:0], g0[9:0], b0[9:0], r1[3:0], r0[10:15], g1[3:0], g0[10:15], b1[3:0], "
         "b0[10:15]"},
};

struct Bc6hCase
{
    uint32_t Code;
    bool Signed;
    std::string Values; // r0 g0 b0 r1 g1 b1 (r2 ... b3): the first end point, the
                        // others as stored (differences where the mode transforms)
    uint32_t Partition;
    std::set<int> Anchors;
    std::string Index;    // a hex digit per pixel
    std::string Expected; // RRRRGGGGBBBB as half floats per pixel
};

const Bc6hCase Bc6hCases[] = {
    {0,
     false,
     "789 220 267 21 26 21 21 15 1 17 24 8",
     17,
     {0, 2},
     "1412632234016607",
     "5F6A1A9920345DFD1AE821005E341C2020A25E221BBB20C05E751A131F3F5F0A1A651FD45F3A1A7F20045E221BBB2"
     "0C0"
     "5F0A1A651FD45ED51A471F9F5F9A1AB320645F6A1A9920345E751A131F3F5E751A131F3F5F9A1AB320645E4519F91"
     "F0F"},
    {1,
     false,
     "39 70 92 59 44 37 61 57 4 36 23 49",
     31,
     {0, 2},
     "2722143277502160",
     "24E73ED95240216C30EC3F741C8C45B0584E1C8C45B0584E1FF4419A5AE5237739184A7C24383C1F4E931C8C45B05"
     "84E"
     "0B245A944B14216C30EC3F7422C8365F46CF235C3D845D7C1C8C45B0584E1FF4419A5AE5221A33A543212644444C5"
     "99C"},
    {2,
     false,
     "1153 334 336 30 14 6 14 10 9 31 9 1",
     13,
     {0, 15},
     "3345450245520502",
     "45CA1433148645CA1433148645C5142E149545C0142A14A245C5142E149545C0142A14A245D71440145F45CE14381"
     "479"
     "462A13DB143A460913D8144C460913D8144C466E13DF141646B013E313F3460913D8144C46B013E313F3466E13DF1"
     "416"},
    {6,
     false,
     "1290 801 767 9 29 1 5 6 15 8 25 1",
     26,
     {0, 2},
     "1215075631575067",
     "4E1330802E7A4E3730AB2E714E5430C82E6D4DD430652E834E2230872E784DA6301A2E874DDF30532E7F4DC5305F2"
     "E85"
     "4DF530732E7F4E5430C82E6D4DDF30532E7F4DB630582E874DD430652E834E7030E42E684DC330372E834DB630582"
     "E87"},
    {10,
     false,
     "829 521 475 13 15 25 15 14 14 1 14 4",
     17,
     {0, 2},
     "0521577466410362",
     "32391F931CCA32401F741D3332321F741D77322E1F741D8D32171F881C7C320A1F831C5D320A1F831C5D323B1F741"
     "D49"
     "32111F861C6D32111F861C6D321E1F8A1C8B32321F911CBB32391F931CCA32251F8C1C9C32111F861C6D322C1F8E1"
     "CAB"},
    {14,
     false,
     "155 193 15 0 17 3 6 21 10 14 15 17",
     4,
     {0, 15},
     "1045152154067301",
     "25A92E5A03DB25A92EDD03C125A92CC3042C25A92C40044625A92E5A03DB25A92C40044625A92DD703F527622D150"
     "54E"
     "25A92C40044625A92CC3042C25A92EDD03C128C7319C00DE25A92B3B047B25A92D54040F271D2C33062D27622D150"
     "54E"},
    {18,
     false,
     "180 136 1 58 15 23 56 3 9 26 21 4",
     7,
     {0, 15},
     "3113012733376163",
     "5634452E333357054323118D57054323118D5634452E3333576E421E00BA57054323118D569C4429226064063CCA0"
     "2AA"
     "5634452E33335634452E33335A8040B5041064063CCA02AA54EE485C678A55DE429D04BE61B53DBE03015A8040B50"
     "410"},
    {22,
     false,
     "136 73 124 23 25 9 30 2 8 17 52 15",
     27,
     {0, 2},
     "3236714425151571",
     "404728B53E2440E427013D873E7D21B5419C3BBC1EBE43173DC22FB640AA4043239D40A83D8220A642233F982A9A3"
     "ED3"
     "40E427013D873C9F1FB2429D4043239D40A83EFB2C4E3F704043239D40A83C9F1FB2429D3DC22FB640AA4181254D3"
     "CEA"},
    {26,
     false,
     "98 64 71 29 6 51 29 26 56 31 20 40",
     15,
     {0, 15},
     "1360750424336750",
     "2F811FA621BF2F1920771FF92E7621BD1D382FB61F3E22A22E4222261C562EAA21541E1B2FB61F3E22A22EDE20EC1"
     "EFE"
     "2F4D200F20DC2EDE20EC1EFE2F1920771FF92F1920771FF92F1719D618192F3A196E17022EF41A3F19302E421C561"
     "EC2"},
    {30,
     false,
     "58 38 43 2 25 60 26 36 56 54 10 18",
     30,
     {0, 2},
     "3425123107322146",
     "43923FF7622D52B5299842E7429A388D58C35A562283388D6216470D58E952D443825D8B43923FF7622D3AF93FA26"
     "31D"
     "335846B86D7804D83168753843923FF7622D52D443825D8B429A388D58C33AF93FA2631D52B5299842E7141A34F27"
     "096"},
    {3,
     false,
     "309 656 637 669 699 1007",
     0,
     {0},
     "2E7CE211D9561346",
     "2B9B503A537F4E595461773339E951F06233483753A570E64E59546177332B9B503A537F28344FD24FFF28344FD24"
     "FFF"
     "4AF153F973B33F5C529667CC33C851345BE63730519D5F6628344FD24FFF2E55508E564C310E50E159193730519D5"
     "F66"},
    {7,
     false,
     "331 765 485 104 346 16",
     0,
     {0},
     "17E6F609BC802EBA",
     "14772DB81D74170529A31DD919F924ED1E4D16A12A431DCA1A5E244C1E5D16A12A431DCA14122E591D6517CF28611"
     "DF8"
     "18B226F71E1B191626561E2A176A29021DE914122E591D6514F42CEF1D8819F924ED1E4D18B226F71E1B184D27981"
     "E0B"},
    {11,
     false,
     "3333 1639 3721 76 47 147",
     0,
     {0},
     "157B7C5B64C25709",
     "650F31B8707465AB32196F9465FE324D6F1D669B32AD6E3D65FE324D6F1D66BF32C46E0865AB32196F94669B32AD6"
     "E3D"
     "65D932366F52658732036FC966BF32C46E08653D31D5703265AB32196F9465FE324D6F1D64EA31A270A96648327A6"
     "EB4"},
    {15,
     false,
     "14461 32737 65146 10 13 6",
     0,
     {0},
     "0186AE60727F8F5B",
     "1B5C3DF07B431B5C3DF07B431B5B3DF07B441B5B3DF07B441B5A3DF07B451B593DEF7B461B5B3DF07B441B5C3DF07"
     "B43"
     "1B5B3DF07B441B5C3DF07B431B5B3DF07B441B593DEF7B461B5B3DF07B441B593DEF7B461B5B3DF07B441B5A3DF07"
     "B45"},
    {0,
     true,
     "111 76 923 26 20 27 25 4 5 11 20 16",
     8,
     {0, 15},
     "0573062652062511",
     "1B011287989519F510709973198D0F9F99CB1A64114D99171B011287989519C11007999F1A9811B598EC19C110079"
     "99F"
     "19F5107099731A9811B598EC1B01128798951D0E102A9BBD1A9811B598EC19F51070997319EB12F3981619EB12F39"
     "816"},
    {1,
     true,
     "60 70 34 39 0 61 47 55 53 45 6 1",
     17,
     {0, 2},
     "0703337201101704",
     "7538F15842D85068E5B844C8544877282D8852A519F9375760C8F158406460C8F158406444C8F1583D08533139093"
     "412"
     "7538F15842D86E68F15842066E68F15842067538F15842D86E68F158420644C8F1583D087538F15842D85937F1583"
     "F7B"},
    {2,
     true,
     "1180 1554 243 2 3 7 26 2 1 4 10 2",
     6,
     {0, 15},
     "0641160777166233",
     "E92BBBE11D7CE8F6BB911E37E907BBAB1DFAE9B9BBC61DA0E922BBD31D9BE8F6BB911E37E9E5BBA31D9BE8AFBC9B1"
     "DBA"
     "E8EDBB841E55E8AFBC9B1DBAE9B9BBC61DA0E8DBBC781DB6E8DBBC781DB6E98EBBE91DA4E962BC0C1DA9E962BC0C1"
     "DA9"},
    {6,
     true,
     "720 2045 613 6 13 1 9 19 12 0 28 11",
     1,
     {0, 15},
     "3004525370243641",
     "578D004A4A58573F806C4A4A573F806C4A4A56E4815D49BD57C500CB4A605773000D4A5357C500CB4A6056C281894"
     "9C1"
     "57F901454A69573F806C4A4A5773000D4A5356E4815D49BD578D004A4A5857DF01084A6557AB008E4A5C568581D74"
     "9CA"},
    {10,
     true,
     "1827 855 905 15 1 0 3 12 3 0 13 15",
     11,
     {0, 15},
     "2676407027517631",
     "9ADB67A16DA69AEC67B36DA69AF167B76DA69AEC67B36DA69AE367AA6DA69AD267986DA69AF167B76DA69AD267986"
     "DA6"
     "9ADB67A16DA69AF167B76DA69AE867AE6DA69A8267216E379AF167B76DA69AC467376F439A9C672A6EA09A8267216"
     "E37"},
    {14,
     true,
     "37 403 326 4 20 21 27 18 25 6 19 30",
     4,
     {0, 15},
     "2671475601075730",
     "12B5B6ACDBD513D4BA08DEEA141ABADADFAA126FB5DBDB151348B866DD6A141ABADADFAA138EB937DE2A1452BB67D"
     "BA5"
     "122AB50ADA56126FB5DBDB15122AB50ADA561512BB56DB4E138EB937DE2A141ABADADFAA11FDBB9DDCB40FBEBBD2D"
     "DBA"},
    {18,
     true,
     "33 42 47 4 22 21 30 6 2 0 4 4",
     6,
     {0, 15},
     "2003440671675533",
     "218B26722B042074292C2E042074292C2E0431412E2A30C522B1239227DA22B1239227DA3D842EFC2FF4248A2D513"
     "19E"
     "24541F7C235C396D2EB63039248A2D51319E20742D0C31E428A02D97315828A02D97315831412E2A30C531412E2A3"
     "0C5"},
    {22,
     true,
     "211 49 227 5 6 30 7 56 1 10 23 11",
     11,
     {0, 15},
     "1150360170605562",
     "AB6530C59CD9AB6530C59CD9A89834219DF8AC142FF49C94AA0832679D65A7EA34F29E3EAC142FF49C94AB6530C59"
     "CD9"
     "A73C35C49E84AC142FF49C94A7EA34F29E3EA54C28349B9CA89834219DF8A3353DC994A5A2CC42029348A47A30A69"
     "8E2"},
    {26,
     true,
     "190 111 248 26 9 1 8 19 34 23 29 52",
     16,
     {0, 15},
     "1216046114706651",
     "C13D6D3D8819C20E6E7787F6C13D6D3D8819C56A73828766B8AC5F6CA54CC3C8710E87ACC56A73828766C13D6D3D8"
     "819"
     "BAFC60C8A2D8C23165059B37C924691C93DCC06C6C04883CC6D367BF964FC6D367BF964FC482666298C3BAFC60C8A"
     "2D8"},
    {30,
     true,
     "14 38 12 30 57 5 42 43 57 55 18 46",
     27,
     {0, 2},
     "3635163533553227",
     "5258C7A024FE6D78A76A1920C1EF91ECAF0BB2FB1C18BBB340E8DC552C9FABE531E4C1B1C1EF91ECAF0B64C0B1C51"
     "CF1"
     "5258C7A024FEC1EF91ECAF0BB2FB1C18BBB364C0B1C51CF1C1EF91ECAF0BC905A7B8A90D49A0D1FB28CF76309D101"
     "550"},
    {3,
     true,
     "472 732 764 304 20 948",
     0,
     {0},
     "30B67DAA1EFEC047",
     "6A2BB771B609726FC6D7BF17548D8F2B9E5D61E7A80BACFC5F5CA34EAA334F7785B198CB571893E8A126571893E8A"
     "126"
     "6FE4C21ABC4E4C4A003A955049BF04F792874C4A003A955052028A6E9B94726FC6D7BF1767A0B2B4B3405F5CA34EA"
     "A33"},
    {7,
     true,
     "43 2040 1491 188 318 55",
     0,
     {0},
     "59855AB65F02323B",
     "0CBC88BCC15212C88EFABF8E115C8D82BFF80CBC88BCC1520CBC88BCC152149090D0BF0815FC9248BE9D0E848A92C"
     "0CD"
     "0CBC88BCC1521C089885BCD905448107C38208788455C29209E485CDC22708788455C29209E485CDC22715FC9248B"
     "E9D"},
    {11,
     true,
     "2740 3749 3593 61 185 154",
     0,
     {0},
     "2DD142AA064325D3",
     "D19D95A59F5ACEF498BBA3CACEF498BBA3CAD1E6954F9EDFD126962EA01FD19D95A59F5ACFA697EDA2A2CFA697EDA"
     "2A2"
     "D221950A9E7CD0A196C8A0FED126962EA01FD16195EA9FBCD19D95A59F5AD0EB9673A082CEF498BBA3CAD16195EA9"
     "FBC"},
    {15,
     true,
     "55265 40513 6314 3 9 2",
     0,
     {0},
     "3A9212319241FF63",
     "A6DDDEB217E4A6DCDEB517E5A6DCDEB417E5A6DEDEB217E4A6DEDEB117E4A6DEDEB217E4A6DDDEB217E4A6DEDEB11"
     "7E4"
     "A6DCDEB417E5A6DEDEB217E4A6DDDEB217E5A6DEDEB117E4A6DBDEB717E6A6DBDEB717E6A6DDDEB317E5A6DDDEB21"
     "7E4"},
};

// Writes the end point values where the layout puts their bits; "v[a:b]"
// takes bits b towards a. Fails on a layout that names a bit twice.
void WriteBc6hHeader(BitWriter &block, uint32_t code, const std::vector<uint32_t> &values)
{
    const std::string &layout = Bc6hLayouts.at(code);
    std::set<std::pair<std::string, int>> seen;
    std::istringstream fields(layout);
    for (std::string field; std::getline(fields, field, ',');) {
        field.erase(0, field.find_first_not_of(' '));
        const std::string name = field.substr(0, field.find('['));
        const int high = std::stoi(field.substr(field.find('[') + 1));
        const size_t colon = field.find(':');
        const int low = colon == std::string::npos ? high : std::stoi(field.substr(colon + 1));
        const int step = high >= low ? 1 : -1;
        for (int bit = low;; bit += step) {
            EXPECT_TRUE(seen.insert({name, bit}).second) << name << "[" << bit << "]";
            uint32_t value = code;
            if (name != "m") {
                const size_t channel = name[0] == 'r' ? 0 : name[0] == 'g' ? 1 : 2;
                value = values.at(3 * static_cast<size_t>(name[1] - '0') + channel);
            }
            block.Put(value >> bit & 1, 1);
            if (bit == high)
                break;
        }
    }
}

TEST(BptcBlocksTest, DecodesEveryBc6hMode)
{
    for (const Bc6hCase &test : Bc6hCases) {
        const bool twoSubsets = test.Code < 2 || (test.Code & 3) == 2;
        BitWriter block;
        WriteBc6hHeader(block, test.Code, Numbers(test.Values));
        ASSERT_EQ(block.Position(), twoSubsets ? 77 : 65) << "mode " << test.Code;
        if (twoSubsets)
            block.Put(test.Partition, 5);
        const int indexBits = twoSubsets ? 3 : 4;
        for (int i = 0; i < 16; ++i)
            block.Put(HexDigit(test.Index[static_cast<size_t>(i)]),
                      indexBits - (test.Anchors.count(i) ? 1 : 0));
        ASSERT_EQ(block.Position(), 128) << "mode " << test.Code;

        uint16_t rgb[48];
        BptcBlocks::DecodeBc6h(block.Data(), test.Signed, rgb);
        for (size_t i = 0; i < 16; ++i)
            for (size_t c = 0; c < 3; ++c)
                EXPECT_EQ(rgb[3 * i + c], Hex(test.Expected, 12 * i + 4 * c, 4))
                    << "mode " << test.Code << (test.Signed ? " signed" : "") << ", pixel " << i
                    << ", channel " << c;
    }
}

TEST(BptcBlocksTest, Bc6hSolidAndReservedBlocks)
{
    // Mode 3 (ten bits, not transformed): 1023 is the largest value, 65504 as a
    // half float (0x7BFF); 0 stays 0.
    BitWriter block;
    WriteBc6hHeader(block, 3, {1023, 0, 1023, 1023, 0, 1023});
    block.Skip(63);
    uint16_t rgb[48];
    BptcBlocks::DecodeBc6h(block.Data(), false, rgb);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(rgb[3 * i], 0x7BFF);
        EXPECT_EQ(rgb[3 * i + 1], 0);
    }
    // Modes 19, 23, 27 and 31 are reserved: black.
    std::array<uint8_t, 16> reserved{};
    reserved.fill(0xFF);
    reserved[0] = 0xF3; // mode bits 10011
    BptcBlocks::DecodeBc6h(reserved.data(), true, rgb);
    for (uint16_t value : rgb)
        EXPECT_EQ(value, 0);
}

TEST(BptcBlocksTest, HalfFloatsShownInEightBits)
{
    using BptcBlocks::HalfToFloat;
    using BptcBlocks::ToneMap;
    EXPECT_EQ(HalfToFloat(0x3C00), 1.0f);
    EXPECT_EQ(HalfToFloat(0xC000), -2.0f);
    EXPECT_EQ(HalfToFloat(0x0001), 1.0f / (1 << 24)); // the smallest subnormal
    EXPECT_EQ(HalfToFloat(0x7BFF), 65504.0f);
    EXPECT_EQ(ToneMap(HalfToFloat(0x3800)), 128); // 0.5
    EXPECT_EQ(ToneMap(HalfToFloat(0x3C00)), 255);
    EXPECT_EQ(ToneMap(HalfToFloat(0x4000)), 255); // above 1: cut off
    EXPECT_EQ(ToneMap(HalfToFloat(0xBC00)), 0);   // negative
    EXPECT_EQ(ToneMap(HalfToFloat(0x7C00)), 255); // infinity
    EXPECT_EQ(ToneMap(HalfToFloat(0x7E00)), 0);   // NaN
}

} // namespace
