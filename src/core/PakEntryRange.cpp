#include "PakEntryRange.h"

#include "PlatformFiles.h"

#include <algorithm>
#include <cerrno>
#include <new>

Expected<PakEntryBytes> ReadPakEntryRange(const std::string &pakPath, const PakEntry &entry,
                                          int64_t offset, int64_t count)
{
    const std::string name = PakEntryName(entry);
    if (entry.Start < 0 || entry.Size < 0)
        return MakePakError(PakErrorCode::InputPastEnd, name);

    // Non-blocking, so that a FIFO put in the archive's place cannot hang the open;
    // regular files read the same either way.
    const Fd fd = PlatformFiles::OpenRead(pakPath, true);
    if (!fd.valid())
        return PakErrorFromErrno(errno, pakPath);
    PlatformFiles::FileInfo info;
    if (!PlatformFiles::InfoOf(fd.get(), info))
        return PakErrorFromErrno(errno, pakPath);
    if (!info.Regular)
        return PakErrorFromErrno(EISDIR, pakPath);
    // The file may have shrunk since it was loaded: its size now is what counts.
    const int64_t start = entry.Start;
    const int64_t size = entry.Size;
    if (start + size > info.Size)
        return MakePakError(PakErrorCode::InputPastEnd, name);

    PakEntryBytes bytes;
    bytes.EntrySize = size;
    bytes.EntryOffset = std::clamp<int64_t>(offset, 0, size);
    bytes.ArchiveOffset = start + bytes.EntryOffset;
    const int64_t wanted = std::clamp<int64_t>(count, 0, size - bytes.EntryOffset);
    try {
        bytes.Data.resize(static_cast<size_t>(wanted));
    } catch (const std::bad_alloc &) {
        return MakePakError(PakErrorCode::OutOfMemory, name);
    }
    int64_t done = 0;
    while (done < wanted) {
        const int64_t n =
            PlatformFiles::ReadAt(fd.get(), bytes.Data.data() + done,
                                  static_cast<size_t>(wanted - done), bytes.ArchiveOffset + done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return PakErrorFromErrno(errno, pakPath);
        }
        if (n == 0) // cut short while we read
            return MakePakError(PakErrorCode::InputPastEnd, name);
        done += n;
    }
    return bytes;
}

Expected<PakEntryBytes> ReadPakEntryRange(const PakArchive &archive, int32_t index, int64_t offset,
                                          int64_t count)
{
    if (index < 0 || static_cast<size_t>(index) >= archive.Entries.size())
        return MakePakError(PakErrorCode::InputPastEnd, PakRowKey(index));
    return ReadPakEntryRange(archive.PakPath, archive.Entries[static_cast<size_t>(index)], offset,
                             count);
}
