#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Builds PAK archives for tests, benchmarks, fuzz seeds and the demo archive.
// Fields are written as given, so damaged archives can be built on purpose.
struct PakWriterEntry
{
    std::string Name; // raw Windows-1252 bytes, cut or NUL-padded to 128
    std::string Data;
    std::optional<int32_t> Start{}; // override the computed start offset
    std::optional<int32_t> Size{};  // override the stored size
    uint64_t CreationTime = 0, LastAccessTime = 0, LastWriteTime = 0;
};

struct PakWriterOptions
{
    bool WithTimeTable = false; // prepend "FILELIST.BIN" with a time table
    std::string TimeTableName = "FILELIST.BIN";
    std::optional<int32_t> EntryCount; // override the stored count
    std::string Signature = std::string("PAK\0", 4);
};

// The archive's bytes.
std::string BuildPak(const std::vector<PakWriterEntry> &entries,
                     const PakWriterOptions &options = {});
// Writes BuildPak's result to path; false on failure.
bool WritePak(const std::string &path, const std::vector<PakWriterEntry> &entries,
              const PakWriterOptions &options = {});
