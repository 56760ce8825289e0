// Writes a few small archives and DDS textures as a starting corpus for the
// fuzzers.
#include "PakWriter.h"

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace {

void Put32(std::string &bytes, size_t at, uint32_t value)
{
    for (size_t k = 0; k < 4; ++k)
        bytes[at + k] = static_cast<char>((value >> (8 * k)) & 0xFF);
}

// A DDS header of width x height with a FourCC (or format number), then data.
std::string Dds(uint32_t width, uint32_t height, const std::string &fourCC, uint32_t number,
                const std::string &data)
{
    std::string bytes(128, '\0');
    bytes.replace(0, 4, "DDS ");
    Put32(bytes, 4, 124);
    Put32(bytes, 8, 0x21007); // with the mipmap count
    Put32(bytes, 12, height);
    Put32(bytes, 16, width);
    Put32(bytes, 28, 2);
    Put32(bytes, 76, 32);
    Put32(bytes, 80, 0x4);
    if (fourCC.empty())
        Put32(bytes, 84, number);
    else
        bytes.replace(84, 4, fourCC);
    Put32(bytes, 108, 0x1000);
    return bytes + data;
}

std::string Dds10(uint32_t width, uint32_t height, uint32_t dxgi, uint32_t arraySize,
                  const std::string &data)
{
    std::string header(20, '\0');
    Put32(header, 0, dxgi);
    Put32(header, 4, 3);
    Put32(header, 12, arraySize);
    return Dds(width, height, "DX10", 0, header + data);
}

// Blocks of 16 bytes: the first byte of each from firsts in turn (the mode
// bits of BC7 and BC6H), the rest a varied pattern.
std::string Blocks(int count, const std::vector<uint8_t> &firsts)
{
    std::string data;
    for (int i = 0; i < count; ++i) {
        data += static_cast<char>(firsts[static_cast<size_t>(i) % firsts.size()]);
        for (int k = 1; k < 16; ++k)
            data += static_cast<char>((i * 37 + k * 11) & 0xFF);
    }
    return data;
}

void Write(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    const std::string dir = argv[1];
    PakWriterOptions timed;
    timed.WithTimeTable = true;
    WritePak(dir + "/plain.pak", {{"a.txt", "hello"}, {"dir\\b.bin", std::string(40, 'b')}});
    WritePak(dir + "/timed.pak", {{"x\\y\\z.dat", "zzz", {}, {}, 1, 2, 3}, {"e", ""}}, timed);
    WritePak(dir + "/hostile.pak", {{"..\\up.txt", "u"}, {"\\abs", "a"}, {"C:x", "c"}});
    WritePak(dir + "/empty.pak", {});

    // Textures for the preview's decoders: every block format, a few
    // uncompressed ones, an array and a padded row pitch.
    const std::string blocks = Blocks(16, {0x55, 0xAA, 0x0F, 0xF0});
    // Every BC7 mode; every BC6H mode (two bits for modes 0 and 1, else five).
    const std::string bc7 = Blocks(8, {1, 2, 4, 8, 16, 32, 64, 128});
    const std::string bc6h = Blocks(16, {0x00, 0x01, 0x02, 0x06, 0x0A, 0x0E, 0x12, 0x16, 0x1A, 0x1E,
                                         0x03, 0x07, 0x0B, 0x0F, 0x13, 0x1F});
    Write(dir + "/bc4.dds", Dds(8, 8, "BC4U", 0, blocks.substr(0, 32)));
    Write(dir + "/bc4s.dds", Dds(8, 8, "BC4S", 0, blocks.substr(32, 32)));
    Write(dir + "/ati2.dds", Dds(8, 8, "ATI2", 0, blocks.substr(0, 64)));
    Write(dir + "/bc5s.dds", Dds(8, 8, "BC5S", 0, blocks.substr(64, 64)));
    Write(dir + "/bc7.dds", Dds10(16, 8, 98, 1, bc7));
    Write(dir + "/bc6h.dds", Dds10(16, 16, 95, 1, bc6h));
    Write(dir + "/bc6h-signed.dds", Dds10(16, 16, 96, 1, bc6h));
    Write(dir + "/bc1-array.dds", Dds10(4, 4, 71, 6, blocks.substr(0, 48)));
    Write(dir + "/r10g10b10a2.dds", Dds10(3, 2, 24, 1, blocks.substr(0, 24)));
    Write(dir + "/b4g4r4a4.dds", Dds10(3, 3, 115, 1, blocks.substr(0, 18)));
    Write(dir + "/r16g16.dds", Dds10(2, 2, 35, 1, blocks.substr(0, 16)));
    Write(dir + "/l8.dds", Dds(4, 2, "", 50, blocks.substr(0, 8)));
    Write(dir + "/a8l8.dds", Dds(4, 2, "", 51, blocks.substr(0, 16)));
    std::string padded = Dds(3, 2, "", 0, blocks.substr(0, 24));
    Put32(padded, 8, 0x100F); // with the row pitch
    Put32(padded, 20, 12);
    Put32(padded, 80, 0x40);
    Put32(padded, 88, 24);
    Put32(padded, 92, 0xFF0000);
    Put32(padded, 96, 0xFF00);
    Put32(padded, 100, 0xFF);
    Write(dir + "/rgb-pitch.dds", padded);
    return 0;
}
