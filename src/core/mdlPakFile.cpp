#include "mdlPakFile.h"

#include "ExtractSteps.h"
#include "PlatformFiles.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

using namespace mdlTools;

namespace {

int32_t le32(const unsigned char *p)
{
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 |
                                static_cast<uint32_t>(p[3]) << 24);
}

uint64_t le64(const unsigned char *p)
{
    return static_cast<uint32_t>(le32(p)) |
           static_cast<uint64_t>(static_cast<uint32_t>(le32(p + 4))) << 32;
}

// Reads exactly size bytes at offset; false (with errno, or 0 for a short file) otherwise.
bool readAt(NativeHandle fd, void *buffer, size_t size, int64_t offset)
{
    auto *out = static_cast<unsigned char *>(buffer);
    while (size > 0) {
        const int64_t n = PlatformFiles::ReadAt(fd, out, size, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = 0;
            return false;
        }
        out += n;
        size -= static_cast<size_t>(n);
        offset += n;
    }
    return true;
}

PakError readError(const std::string &path)
{
    return errno == 0 ? MakePakError(PakErrorCode::InputPastEnd, path)
                      : PakErrorFromErrno(errno, path);
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool hasSignature(NativeHandle fd)
{
    unsigned char magic[4];
    if (!readAt(fd, magic, sizeof magic, 0))
        return false;
    return std::toupper(magic[0]) == 'P' && std::toupper(magic[1]) == 'A' &&
           std::toupper(magic[2]) == 'K' && magic[3] == 0;
}

// The list row of an entry, into row (whose strings keep their room); times is
// null without a time table.
void fillRow(PakRow &row, const PakEntry &entry, int32_t index, const PakTimes *times);

} // namespace

bool IsPakFile(const std::string &path)
{
    const Fd fd = PlatformFiles::OpenRead(path);
    return fd.valid() && hasSignature(fd.get());
}

std::string_view PakEntryRawName(const PakEntry &entry)
{
    const std::string_view field(entry.Name.data(), entry.Name.size());
    return field.substr(0, field.find('\0'));
}

std::string PakEntryName(const PakEntry &entry)
{
    return Cp1252ToUtf8(PakEntryRawName(entry));
}

bool IsTimeTableEntry(const PakArchive &archive, int32_t index)
{
    return index == 0 && archive.HasTimes;
}

std::string PakRowKey(int32_t index)
{
    return "ID" + std::to_string(index);
}

int32_t PakKeyIndex(std::string_view key)
{
    if (key.size() < 3 || key.substr(0, 2) != "ID")
        return -1;
    int32_t index = -1;
    const char *first = key.data() + 2;
    const char *last = key.data() + key.size();
    const auto [end, ec] = std::from_chars(first, last, index);
    if (ec != std::errc() || end != last || index < 0)
        return -1;
    return index;
}

PakRow MakePakRow(const PakArchive &archive, int32_t index)
{
    PakRow row;
    fillRow(row, archive.Entries[static_cast<size_t>(index)], index,
            archive.HasTimes ? &archive.Times[static_cast<size_t>(index)] : nullptr);
    return row;
}

namespace {

// The checked header of an archive and its directory and time table, read in
// pieces of the caller's choosing. Every count and offset is checked against the
// file before anything is read or sized from it.
class PakDirectoryReader final
{
  public:
    Expected<void> Open(const std::string &path, PakArchive &loaded)
    {
        m_path = path;
        m_fd = PlatformFiles::OpenRead(path);
        PlatformFiles::FileInfo info;
        if (!m_fd.valid() || !PlatformFiles::InfoOf(m_fd.get(), info))
            return PakErrorFromErrno(errno, path);
        if (info.Folder || !hasSignature(m_fd.get()))
            return MakePakError(PakErrorCode::InvalidFormat, path);
        m_fileSize = info.Size;
        const PlatformFiles::FileTimes times = PlatformFiles::TimesOf(m_fd.get());
        loaded.FileCreationTime = times.Creation;
        loaded.FileLastAccessTime = times.LastAccess;
        loaded.FileLastWriteTime = times.LastWrite;

        unsigned char header[PakHeaderSize];
        if (!readAt(m_fd.get(), header, sizeof header, 0))
            return readError(path);
        std::memcpy(loaded.Header.Signature.data(), header, 4);
        loaded.Header.EntryCount = le32(header + 4);
        loaded.Header.Reserved1 = le32(header + 8);
        loaded.Header.Reserved2 = le32(header + 12);
        m_count = loaded.Header.EntryCount;
        if (m_count < 0 || PakHeaderSize + m_count * PakEntrySize > m_fileSize)
            return MakePakError(PakErrorCode::InputPastEnd, path);
        return {};
    }

    int64_t Count() const { return m_count; }

    // n records from index first on, straight into place: the record layout in
    // memory is the one on disk.
    Expected<void> ReadEntries(int64_t first, size_t n, PakEntry *out) const
    {
        static_assert(sizeof(PakEntry) == PakEntrySize && offsetof(PakEntry, Name) == 8);
        if (!readAt(m_fd.get(), out, n * PakEntrySize, PakHeaderSize + first * PakEntrySize))
            return readError(m_path);
        if constexpr (std::endian::native == std::endian::big) {
            for (size_t i = 0; i < n; ++i) {
                out[i].Start = le32(reinterpret_cast<const unsigned char *>(&out[i].Start));
                out[i].Size = le32(reinterpret_cast<const unsigned char *>(&out[i].Size));
            }
        }
        return {};
    }

    // Whether the first entry holds a time table, checked against the file.
    Expected<bool> FindTimeTable(const PakEntry &first)
    {
        if (m_count == 0 || !equalsNoCase(PakEntryRawName(first), PakTimeTableName))
            return false;
        m_timesStart = first.Start;
        if (m_timesStart < 0 || m_timesStart + m_count * PakTimesSize > m_fileSize)
            return MakePakError(PakErrorCode::InputPastEnd, m_path);
        return true;
    }

    // n time records from index first on (at most ChunkSize).
    Expected<void> ReadTimes(int64_t first, size_t n, PakTimes *out) const
    {
        unsigned char table[ChunkSize * PakTimesSize];
        if (!readAt(m_fd.get(), table, n * PakTimesSize, m_timesStart + first * PakTimesSize))
            return readError(m_path);
        for (size_t i = 0; i < n; ++i) {
            const unsigned char *rec = table + i * PakTimesSize;
            out[i].Reserved1 = le32(rec);
            out[i].CreationTime = le64(rec + 4);
            out[i].LastAccessTime = le64(rec + 12);
            out[i].LastWriteTime = le64(rec + 20);
            out[i].Reserved2 = le32(rec + 28);
        }
        return {};
    }

    static constexpr size_t ChunkSize = 2048;

  private:
    std::string m_path;
    Fd m_fd;
    int64_t m_fileSize = 0;
    int64_t m_count = 0;
    int64_t m_timesStart = 0;
};

void fillRow(PakRow &row, const PakEntry &entry, int32_t index, const PakTimes *times)
{
    row.Index = index;
    char digits[16];
    row.Key.assign("ID");
    row.Key.append(digits, std::to_chars(digits, digits + sizeof digits, index).ptr);
    row.Name.clear();
    AppendCp1252AsUtf8(row.Name, PakEntryRawName(entry));
    row.Extension.clear();
    // Both separators count, so that "tools.old/readme" has no extension either.
    for (size_t i = row.Name.size(); i-- > 0;) {
        const char ch = row.Name[i];
        if (ch == '\\' || ch == '/')
            break;
        if (ch == '.') {
            row.Extension.assign(row.Name, i + 1);
            break;
        }
    }
    row.Start = entry.Start;
    row.Size = entry.Size;
    row.HasTimes = times != nullptr;
    row.CreationTime = times ? times->CreationTime : 0;
    row.LastAccessTime = times ? times->LastAccessTime : 0;
    row.LastWriteTime = times ? times->LastWriteTime : 0;
}

} // namespace

Expected<void> ReadPakFile(const std::string &path, PakArchive &archive, PakRowSink *sink)
{
    PakArchive loaded;
    PakDirectoryReader reader;
    if (auto opened = reader.Open(path, loaded); !opened)
        return opened;
    loaded.PakPath = GetFullPath(path); // stays valid if the working folder changes
    const int64_t count = reader.Count();
    try {
        loaded.Entries.resize(static_cast<size_t>(count));
        if (auto read = reader.ReadEntries(0, loaded.Entries.size(), loaded.Entries.data()); !read)
            return read;
        loaded.Times.resize(static_cast<size_t>(count));
        const auto table =
            count > 0 ? reader.FindTimeTable(loaded.Entries[0]) : Expected<bool>(false);
        if (!table)
            return table.error();
        for (size_t first = 0; *table && first < loaded.Times.size();
             first += PakDirectoryReader::ChunkSize) {
            const size_t n = std::min(PakDirectoryReader::ChunkSize, loaded.Times.size() - first);
            if (auto read = reader.ReadTimes(static_cast<int64_t>(first), n, &loaded.Times[first]);
                !read)
                return read;
        }
        loaded.HasTimes = *table;
    } catch (const std::bad_alloc &) {
        return MakePakError(PakErrorCode::OutOfMemory, path);
    }

    archive = std::move(loaded);
    if (sink) {
        for (int32_t i = archive.HasTimes ? 1 : 0; i < archive.Header.EntryCount; ++i)
            sink->AddRow(MakePakRow(archive, i));
    }
    return {};
}

Expected<bool> ListPakFile(const std::string &path, PakRowSink &sink)
{
    PakArchive header;
    PakDirectoryReader reader;
    if (auto opened = reader.Open(path, header); !opened)
        return opened.error();
    constexpr size_t chunk = PakDirectoryReader::ChunkSize;
    // One piece of each table at a time, so memory stays the same for any count.
    std::vector<PakEntry> entries(std::min<size_t>(chunk, static_cast<size_t>(reader.Count())));
    std::vector<PakTimes> times(entries.size());
    bool hasTimes = false;
    PakRow row;
    for (int64_t first = 0; first < reader.Count(); first += static_cast<int64_t>(chunk)) {
        const size_t n = std::min<size_t>(chunk, static_cast<size_t>(reader.Count() - first));
        if (auto read = reader.ReadEntries(first, n, entries.data()); !read)
            return read.error();
        if (first == 0) {
            // Every check is made before the first row.
            const auto table = reader.FindTimeTable(entries[0]);
            if (!table)
                return table.error();
            hasTimes = *table;
        }
        if (hasTimes) {
            if (auto read = reader.ReadTimes(first, n, times.data()); !read)
                return read.error();
        }
        for (size_t i = first == 0 && hasTimes ? 1 : 0; i < n; ++i) {
            fillRow(row, entries[i], static_cast<int32_t>(first + static_cast<int64_t>(i)),
                    hasTimes ? &times[i] : nullptr);
            sink.AddRow(row);
        }
    }
    return hasTimes;
}

std::string ExtractResult::Result() const
{
    switch (Outcome) {
    case ExtractOutcome::Written:
    case ExtractOutcome::Skipped:
    case ExtractOutcome::Kept:
        return Target.TargetPath;
    default:
        return {};
    }
}

Expected<std::vector<std::string>> PakTargetComponents(std::string_view rawName, bool usePathNames,
                                                       const std::string &entryName)
{
    std::vector<std::string_view> parts;
    size_t begin = 0;
    while (begin <= rawName.size()) {
        const size_t end = std::min(rawName.find_first_of("\\/", begin), rawName.size());
        parts.push_back(rawName.substr(begin, end - begin));
        begin = end + 1;
    }
    if (!usePathNames)
        parts.erase(parts.begin(), parts.end() - 1);

    std::vector<std::string> used;
    for (const std::string_view part : parts) {
        if (part.empty() || part == ".")
            continue;
        const bool drive = used.empty() && part.size() >= 2 && part[1] == ':' &&
                           std::isalpha(static_cast<unsigned char>(part[0]));
        if (part == ".." || drive || !PlatformFiles::NameUsable(part))
            return MakePakError(PakErrorCode::BadFileName, entryName);
        used.push_back(Cp1252ToUtf8(part));
    }
    if (used.empty())
        return MakePakError(PakErrorCode::BadFileName, entryName);
    return used;
}

bool ExtractOwner::CopyProgress(const ExtractTarget &, int64_t)
{
    return true;
}

ExtractSession::ExtractSession() : m_state(std::make_unique<State>()) {}
ExtractSession::~ExtractSession() = default;

ExtractResult ExtractPakEntry(const PakArchive &archive, std::string_view key,
                              const std::string &targetFolder, bool usePathNames,
                              const ExtractSettings &settings, ExtractOwner *owner,
                              ExtractSession *session)
{
    using namespace ExtractSteps;
    ExtractSession callSession;
    ExtractSession::State &state = *(session ? session : &callSession)->m_state;
    ExtractResult result;
    ExtractTarget &target = result.Target;
    const auto fail = [&result](PakError error) {
        result.Outcome = ExtractOutcome::Failed;
        result.Error = std::move(error);
        return result;
    };

    const int32_t index = EntryIndex(archive, key);
    if (index < 0)
        return result;
    const auto opened = state.Archive.Open(archive.PakPath);
    if (!opened)
        return fail(opened.error());
    if (!*opened)
        return result;

    const PakEntry &entry = archive.Entries[static_cast<size_t>(index)];
    const std::string entryName = PakEntryName(entry);
    const auto place = PlaceOf(entry, usePathNames, entryName);
    if (!place)
        return fail(place.error());
    DescribeNewFile(archive, index, target);

    // The folders are made before the existence test, so even a skipped entry has them.
    if (const auto root = state.Folders.OpenRoot(AddBackslash(targetFolder)); !root)
        return fail(root.error());
    auto folder = state.Folders.Open(place->Folders, entryName);
    if (!folder)
        return fail(folder.error());
    target.TargetPath = folder->Shown + place->Leaf;

    const bool inBounds = state.Archive.Holds(entry.Start, entry.Size);
    Fd out;
    if (inBounds) {
        auto created = CreateInPlace(state.Folders, *folder, *place, entryName, target.TargetPath);
        if (!created)
            return fail(created.error());
        out = std::move(*created);
    } else if (!folder->Fresh) {
        // The existence test needs the folder as it is now.
        auto checked = state.Folders.Recheck(place->Folders, entryName);
        if (!checked)
            return fail(checked.error());
        *folder = std::move(*checked);
    }
    Existing existing;
    if (!out.valid()) {
        const auto found = FindExisting(*folder, place->Leaf, target);
        if (!found)
            return fail(found.error());
        existing = *found;
    }
    if (existing.Present) {
        result.Outcome = DecideAboutExisting(settings, owner, target);
        if (result.Outcome != ExtractOutcome::Written)
            return result;
    }
    if (!inBounds)
        return fail(MakePakError(PakErrorCode::InputPastEnd, entryName));

    std::string written = place->Leaf;
    if (existing.Present) {
        auto replacement = CreateReplacement(*folder, existing.Info, state.Archive.Info(),
                                             target.TargetPath, written);
        if (!replacement)
            return fail(replacement.error());
        out = std::move(*replacement);
    } else if (!out.valid()) {
        // The file that was there has gone again since the create was refused.
        out = PlatformFiles::CreateIn(folder->Dir, folder->Shown, written);
        if (!out.valid())
            return fail(PakErrorFromErrno(errno, target.TargetPath));
    }

    const auto discard = [&] {
        out.reset();
        if (folder->Fresh)
            PlatformFiles::RemoveIn(folder->Dir, folder->Shown, written);
        else
            state.Folders.RemoveBeneath(folder->Relative + written, false);
    };
    const CopyStatus copied =
        CopyEntryBytes(state.Archive, state.Copier, entry, out.get(), owner, target);
    if (copied != CopyStatus::Done) {
        const int err = errno;
        discard();
        if (copied == CopyStatus::Stopped) {
            result.Outcome = ExtractOutcome::Cancelled;
            return result;
        }
        return fail(err == 0 ? MakePakError(PakErrorCode::InputPastEnd, entryName)
                             : PakErrorFromErrno(err, target.TargetPath));
    }
    if (!StampAndClose(out, target)) {
        const int err = errno;
        discard();
        return fail(PakErrorFromErrno(err, target.TargetPath));
    }
    if (existing.Present &&
        !PlatformFiles::RenameIn(folder->Dir, folder->Shown, written, place->Leaf)) {
        const int err = errno;
        discard();
        return fail(PakErrorFromErrno(err, target.TargetPath));
    }
    result.Outcome = ExtractOutcome::Written;
    return result;
}
