#pragma once

#include "PakError.h"
#include "mdlTools.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The PAK archive: model, loader and extractor. The archive is only ever read.

using mdlTools::FileTime;

// The 16-byte header at offset 0.
struct PakHeader
{
    std::array<char, 4> Signature{}; // "PAK" + NUL
    int32_t EntryCount = 0;
    int32_t Reserved1 = 0;
    int32_t Reserved2 = 0;
};

// One 136-byte directory record.
struct PakEntry
{
    int32_t Start = 0;
    int32_t Size = 0;
    std::array<char, 128> Name{}; // Windows-1252, NUL padded, "\" separates folders
};

// One 32-byte record of the time table kept in a first entry "FILELIST.BIN".
struct PakTimes
{
    int32_t Reserved1 = 0;
    FileTime CreationTime = 0;
    FileTime LastAccessTime = 0;
    FileTime LastWriteTime = 0;
    int32_t Reserved2 = 0;
};

// Large blocks for the directory and the time table: mapped on 2 MiB boundaries
// with huge pages requested, because first touches of fresh memory page by page
// are most of what loading a directory of 100,000 entries costs.
void *PakAllocateBlock(size_t bytes);
void PakFreeBlock(void *block, size_t bytes);

template <class T> struct PakAllocator
{
    using value_type = T;
    PakAllocator() = default;
    template <class U> PakAllocator(const PakAllocator<U> &) {}
    T *allocate(size_t n) { return static_cast<T *>(PakAllocateBlock(n * sizeof(T))); }
    void deallocate(T *p, size_t n) { PakFreeBlock(p, n * sizeof(T)); }
    template <class U> bool operator==(const PakAllocator<U> &) const { return true; }
};

// The one open archive.
struct PakArchive
{
    std::string PakPath;
    PakHeader Header;
    std::vector<PakEntry, PakAllocator<PakEntry>> Entries;
    std::vector<PakTimes, PakAllocator<PakTimes>> Times; // same indices; all zero without a table
    bool HasTimes = false;
    FileTime FileCreationTime = 0;
    FileTime FileLastAccessTime = 0;
    FileTime FileLastWriteTime = 0;
};

inline constexpr int32_t PakHeaderSize = 16;
inline constexpr int32_t PakEntrySize = 136;
inline constexpr int32_t PakTimesSize = 32;
inline constexpr const char *PakTimeTableName = "FILELIST.BIN";

// One list row as plain data; formatting for display is the consumer's business.
struct PakRow
{
    int32_t Index = 0;
    std::string Key;       // "ID" + Index
    std::string Name;      // UTF-8, up to the first NUL
    std::string Extension; // after the last "." behind the last "\" or "/"
    int32_t Start = 0;
    int32_t Size = 0;
    bool HasTimes = false; // false: the three times are shown as "-"
    FileTime CreationTime = 0;
    FileTime LastAccessTime = 0;
    FileTime LastWriteTime = 0;
};

// Receives the rows of an archive as the loader produces them.
class PakRowSink
{
  public:
    virtual ~PakRowSink() = default;
    virtual void AddRow(const PakRow &row) = 0;
};

// A local date and time in whole seconds.
struct DateTime
{
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
    auto operator<=>(const DateTime &) const = default;
};

// True when the file can be read and starts with "PAK" + NUL (any letter case).
bool IsPakFile(const std::string &path);

// Loads the archive at path into archive and hands each listed entry to sink.
// A damaged directory or time table fails before anything is allocated from it;
// on failure archive is left as it was. A file without the signature fails with
// code 321 and nothing else touched, so callers that run IsPakFile first see no
// difference from the signature test.
Expected<void> ReadPakFile(const std::string &path, PakArchive &archive,
                           PakRowSink *sink = nullptr);

// Hands the listed entries of the archive at path to sink, as ReadPakFile
// would, but reads the directory piece by piece instead of keeping it, so that
// listing a large archive needs little memory. Every check of ReadPakFile is
// made before the first row; only a failed read midway (a device error, a file
// cut short meanwhile) ends the rows early. The value says whether the archive
// has a time table.
Expected<bool> ListPakFile(const std::string &path, PakRowSink &sink);

// The stored file time as a local date-time, in the time zone rules in force at
// that instant, milliseconds dropped.
DateTime FileTimeToDate(FileTime time);

// The entry's stored name up to its first NUL, as UTF-8.
std::string PakEntryName(const PakEntry &entry);
// The stored name's raw Windows-1252 bytes up to the first NUL.
std::string_view PakEntryRawName(const PakEntry &entry);
// True when index 0 holds the time table and so is not listed.
bool IsTimeTableEntry(const PakArchive &archive, int32_t index);
// The list row of entry index (which must lie inside the directory).
PakRow MakePakRow(const PakArchive &archive, int32_t index);
// "ID" + index.
std::string PakRowKey(int32_t index);
// The index in a row key, or -1 when the key is not "ID" followed by a number.
int32_t PakKeyIndex(std::string_view key);

// The part of a stored name (raw Windows-1252) that is joined to a target folder,
// as UTF-8 components with empty parts and "." dropped: all of them, or only the
// last with usePathNames false. Error 52 naming entryName for "..", a drive
// prefix, or nothing left.
Expected<std::vector<std::string>> PakTargetComponents(std::string_view rawName, bool usePathNames,
                                                       const std::string &entryName);

// The entry being extracted and the file it would replace.
struct ExtractTarget
{
    std::string TargetPath;
    int32_t EntrySize = 0;
    FileTime NewCreationTime = 0;
    FileTime NewLastAccessTime = 0;
    FileTime NewLastWriteTime = 0;
    std::string ExistingPath;
    int64_t ExistingSize = 0;
    FileTime ExistingCreationTime = 0;
    FileTime ExistingLastAccessTime = 0;
    FileTime ExistingLastWriteTime = 0;
};

// Answers of ExtractOwner::OverWriteDialog.
namespace OverWriteAnswer {
inline constexpr int32_t Replace = 6;
inline constexpr int32_t Keep = 7;
inline constexpr int32_t Stop = 2;
} // namespace OverWriteAnswer

// Asked by the extractor whether an existing file may be replaced.
class ExtractOwner
{
  public:
    virtual ~ExtractOwner() = default;
    // 6 = replace, 7 = keep the existing file, 2 = stop the whole run.
    virtual int32_t OverWriteDialog(const ExtractTarget &target) = 0;
    // Told, while an entry's bytes are copied, how many of them are written so
    // far, in steps of at most ExtractProgressStep bytes and once at the end of
    // every non-empty entry, so that a long entry
    // need not freeze its caller. False stops the copy: the half-written file is
    // removed, a file it was to replace stays as it was, and the entry's outcome
    // is Cancelled.
    virtual bool CopyProgress(const ExtractTarget &target, int64_t written);
};

// The most bytes copied between two calls of ExtractOwner::CopyProgress.
inline constexpr int64_t ExtractProgressStep = int64_t{16} << 20;

// The option flags the extractor reads; exactly 1 means on.
struct ExtractSettings
{
    int32_t OverWrite = 0;
    int32_t SkipOldFiles = 0;
};

enum class ExtractOutcome
{
    Written,   // the file was written
    Skipped,   // not newer than the existing file
    Kept,      // the owner answered 7, or there was no owner to ask
    Cancelled, // the owner answered 2, or stopped the copy
    NotFound,  // the archive is gone or the key names no entry
    Failed,    // see Error
};

struct ExtractResult
{
    ExtractOutcome Outcome = ExtractOutcome::NotFound;
    ExtractTarget Target;
    PakError Error; // set when Outcome is Failed

    // The target path when the entry was written, skipped or kept; empty when
    // the caller must stop its run.
    std::string Result() const;
};

// What one extraction run keeps across its entries: the archive, open, with a
// window of its bytes read ahead, and the target folder with the folders below
// it that the run has opened, each checked for links once (a bounded number, by
// path). A file in a known folder is created in one call that the kernel resolves
// beneath the target folder, so a folder replaced by a link or removed since is
// noticed then, and walked and checked again. Everything is closed when it ends.
class ExtractSession final
{
  public:
    ExtractSession();
    ~ExtractSession();
    ExtractSession(const ExtractSession &) = delete;
    ExtractSession &operator=(const ExtractSession &) = delete;

  private:
    struct State;
    std::unique_ptr<State> m_state;
    friend class ExtractRun;
    friend ExtractResult ExtractPakEntry(const PakArchive &, std::string_view, const std::string &,
                                         bool, const ExtractSettings &, ExtractOwner *,
                                         ExtractSession *);
};

// Writes the entry with row key `key` below targetFolder, with its stored folder
// names or only its last name component, stamped with its times. The target
// never leaves targetFolder, an existing file is replaced only through a rename,
// and the archive itself is never overwritten. Without a session every handle
// is opened and closed within the call.
ExtractResult ExtractPakEntry(const PakArchive &archive, std::string_view key,
                              const std::string &targetFolder, bool usePathNames,
                              const ExtractSettings &settings, ExtractOwner *owner,
                              ExtractSession *session = nullptr);
