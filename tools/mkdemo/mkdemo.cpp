// Writes the demo archive that the README's run command opens.
#include "PakWriter.h"

#include <cstdint>
#include <cstdio>
#include <string>

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
        entry("texturen\\wand.dds", std::string(70000, '\x01'), spring, spring, spring),
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
