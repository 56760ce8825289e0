// Writes the demo archive that the README's run command opens.
#include "PakWriter.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

void put32(std::string &out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

// A 128 x 128 DXT1 texture of a brick wall, so that the preview has a picture to show.
std::string brickWall()
{
    constexpr uint32_t side = 128;
    std::string dds = "DDS ";
    const uint32_t header[31] = {124, 0x81007, side, side, side / 4 * side / 4 * 8};
    for (const uint32_t value : header)
        put32(dds, value);
    // Pixel format (at word 18 of the header): FourCC "DXT1"; caps: texture.
    dds.replace(4 + 18 * 4, 12, std::string("\x20\0\0\0\x04\0\0\0DXT1", 12));
    dds.replace(4 + 26 * 4, 4, std::string("\0\x10\0\0", 4));
    constexpr uint16_t mortar = 24 << 11 | 48 << 5 | 24; // light grey, index 0
    constexpr uint16_t brick = 22 << 11 | 16 << 5 | 4;   // brick red, index 1
    for (uint32_t by = 0; by < side / 4; ++by)
        for (uint32_t bx = 0; bx < side / 4; ++bx) {
            uint32_t indices = 0;
            for (uint32_t py = 0; py < 4; ++py)
                for (uint32_t px = 0; px < 4; ++px) {
                    const uint32_t x = bx * 4 + px, y = by * 4 + py;
                    const bool isMortar = y % 16 < 2 || (x + (y / 16 % 2) * 16) % 32 < 2;
                    indices |= (isMortar ? 0u : 1u) << (2 * (py * 4 + px));
                }
            dds += static_cast<char>(mortar & 0xFF);
            dds += static_cast<char>(mortar >> 8);
            dds += static_cast<char>(brick & 0xFF);
            dds += static_cast<char>(brick >> 8);
            put32(dds, indices);
        }
    return dds;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: vannerby-mkdemo OUTPUT.pak\n");
        return 2;
    }
    // FILETIMEs: 2024-03-31 01:30 UTC (just before the clocks go forward in
    // Germany) and 2023-10-15 12:00 UTC, so that daylight saving shows.
    constexpr uint64_t spring = 133563222000000000ULL;
    constexpr uint64_t autumn = 133418448000000000ULL;
    const auto entry = [](std::string name, std::string data, uint64_t created, uint64_t accessed,
                          uint64_t written) {
        PakWriterEntry e{std::move(name), std::move(data)};
        e.CreationTime = created;
        e.LastAccessTime = accessed;
        e.LastWriteTime = written;
        return e;
    };
    const std::vector<PakWriterEntry> entries = {
        entry("readme.txt", "Willkommen bei Vannerby!\r\nDies ist das Demo-Archiv.\r\n", autumn,
              spring, autumn),
        entry("strecken\\nord\\bahnhof.ini", "[Bahnhof]\r\nName=Nordstadt\r\nGleise=4\r\n", autumn,
              spring, autumn),
        entry("strecken\\nord\\signale.dat", std::string(3000, '\x5A'), autumn, spring, spring),
        // "Größenübersicht" in Windows-1252.
        entry("texturen\\Gr\xF6\xDF"
              "en\xFC"
              "bersicht.txt",
              "Lok: 18,4 m\r\nWagen: 26,4 m\r\n", spring, spring, spring),
        entry("texturen\\wand.dds", brickWall(), spring, spring, spring),
        entry("leer.dat", "", autumn, autumn, autumn),
    };
    PakWriterOptions options;
    options.WithTimeTable = true;
    if (!WritePak(argv[1], entries, options)) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
