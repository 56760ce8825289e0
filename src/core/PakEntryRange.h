#pragma once

#include "PakError.h"
#include "mdlPakFile.h"

#include <cstdint>
#include <string>

// Bytes of one entry of an archive, read without reading the rest of it.
struct PakEntryBytes
{
    std::string Data;          // the bytes read, at most the count asked for
    int64_t EntryOffset = 0;   // where Data starts inside the entry
    int64_t ArchiveOffset = 0; // where Data starts inside the archive file
    int64_t EntrySize = 0;     // the entry's whole stored size
};

// Reads at most count bytes of entry, starting offset bytes into it, from the
// archive file at pakPath. The entry's start and size are checked against the
// file's real size at the time of the read: an entry that reaches past the end
// of the file, or a negative start or size, fails with code 62 naming the entry;
// an offset at or past the entry's end gives no bytes. Nothing is allocated
// beyond what the entry and count allow, and the file is closed again.
Expected<PakEntryBytes> ReadPakEntryRange(const std::string &pakPath, const PakEntry &entry,
                                          int64_t offset, int64_t count);

// The same for entry index of the loaded archive; an index outside the
// directory fails with code 62.
Expected<PakEntryBytes> ReadPakEntryRange(const PakArchive &archive, int32_t index, int64_t offset,
                                          int64_t count);
