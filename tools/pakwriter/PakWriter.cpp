#include "PakWriter.h"

#include <fstream>

namespace {
void put32(std::string &out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void put64(std::string &out, size_t at, uint64_t v)
{
    put32(out, at, static_cast<uint32_t>(v));
    put32(out, at + 4, static_cast<uint32_t>(v >> 32));
}
} // namespace

std::string BuildPak(const std::vector<PakWriterEntry> &given, const PakWriterOptions &options)
{
    std::vector<PakWriterEntry> entries;
    if (options.WithTimeTable)
        entries.push_back(PakWriterEntry{options.TimeTableName, {}});
    entries.insert(entries.end(), given.begin(), given.end());
    if (options.WithTimeTable) {
        std::string table(entries.size() * 32, '\0');
        for (size_t i = 1; i < entries.size(); ++i) {
            put64(table, i * 32 + 4, entries[i].CreationTime);
            put64(table, i * 32 + 12, entries[i].LastAccessTime);
            put64(table, i * 32 + 20, entries[i].LastWriteTime);
        }
        entries[0].Data = table;
    }

    const size_t count = entries.size();
    std::string out(16 + count * 136, '\0');
    out.replace(0, 4, options.Signature.substr(0, 4));
    put32(out, 4, static_cast<uint32_t>(options.EntryCount.value_or(static_cast<int32_t>(count))));
    for (size_t i = 0; i < count; ++i) {
        const auto &e = entries[i];
        const size_t rec = 16 + i * 136;
        put32(out, rec, static_cast<uint32_t>(e.Start.value_or(static_cast<int32_t>(out.size()))));
        put32(out, rec + 4,
              static_cast<uint32_t>(e.Size.value_or(static_cast<int32_t>(e.Data.size()))));
        out.replace(rec + 8, std::min<size_t>(e.Name.size(), 128), e.Name.substr(0, 128));
        out += e.Data;
    }
    return out;
}

bool WritePak(const std::string &path, const std::vector<PakWriterEntry> &entries,
              const PakWriterOptions &options)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    const std::string bytes = BuildPak(entries, options);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file.flush());
}
