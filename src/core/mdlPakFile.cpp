#include "mdlPakFile.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <new>
#include <random>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mdlTools;

namespace {

// Closes a file descriptor when it goes out of scope.
class Fd final
{
  public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    Fd(Fd &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Fd &operator=(Fd &&other) noexcept
    {
        reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    int release() { return std::exchange(m_fd, -1); }

  private:
    int m_fd;
};

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
bool readAt(int fd, void *buffer, size_t size, int64_t offset)
{
    auto *out = static_cast<unsigned char *>(buffer);
    while (size > 0) {
        const ssize_t n = ::pread(fd, out, size, offset);
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

struct FileTimes
{
    FileTime Creation = 0, LastAccess = 0, LastWrite = 0;
};

// The three times of a file; creation is 0 where the file system keeps none.
FileTimes readFileTimes(int dirfd, const char *name, int flags)
{
    struct statx sx
    {
    };
    FileTimes times;
    if (::statx(dirfd, name, flags, STATX_ATIME | STATX_MTIME | STATX_BTIME, &sx) != 0)
        return times;
    const auto convert = [](const statx_timestamp &t) {
        return FileTimeFromTimespec(timespec{static_cast<time_t>(t.tv_sec), t.tv_nsec});
    };
    if (sx.stx_mask & STATX_BTIME)
        times.Creation = convert(sx.stx_btime);
    times.LastAccess = convert(sx.stx_atime);
    times.LastWrite = convert(sx.stx_mtime);
    return times;
}

bool hasSignature(int fd)
{
    unsigned char magic[4];
    if (!readAt(fd, magic, sizeof magic, 0))
        return false;
    return std::toupper(magic[0]) == 'P' && std::toupper(magic[1]) == 'A' &&
           std::toupper(magic[2]) == 'K' && magic[3] == 0;
}

} // namespace

void *PakAllocateBlock(size_t bytes)
{
    constexpr size_t huge = size_t{2} << 20;
    if (bytes < huge / 2)
        return ::operator new(bytes);
    // Map one huge page more than needed, then cut the unaligned head and tail off.
    const size_t length = (bytes + huge - 1) & ~(huge - 1);
    void *mapped =
        ::mmap(nullptr, length + huge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    const auto start = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t aligned = (start + huge - 1) & ~(huge - 1);
    if (aligned > start)
        ::munmap(mapped, aligned - start);
    if (const size_t tail = start + length + huge - (aligned + length))
        ::munmap(reinterpret_cast<void *>(aligned + length), tail);
    ::madvise(reinterpret_cast<void *>(aligned), length, MADV_HUGEPAGE);
    return reinterpret_cast<void *>(aligned);
}

void PakFreeBlock(void *block, size_t bytes)
{
    constexpr size_t huge = size_t{2} << 20;
    if (bytes < huge / 2)
        ::operator delete(block);
    else
        ::munmap(block, (bytes + huge - 1) & ~(huge - 1));
}

bool IsPakFile(const std::string &path)
{
    const Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
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
    const PakEntry &entry = archive.Entries[static_cast<size_t>(index)];
    PakRow row;
    row.Index = index;
    row.Key = PakRowKey(index);
    row.Name = PakEntryName(entry);
    // Both separators count, so that "tools.old/readme" has no extension either.
    const auto sep = row.Name.find_last_of("\\/");
    const auto dot = row.Name.rfind('.');
    if (dot != std::string::npos && (sep == std::string::npos || dot > sep))
        row.Extension = row.Name.substr(dot + 1);
    row.Start = entry.Start;
    row.Size = entry.Size;
    row.HasTimes = archive.HasTimes;
    if (archive.HasTimes) {
        const PakTimes &t = archive.Times[static_cast<size_t>(index)];
        row.CreationTime = t.CreationTime;
        row.LastAccessTime = t.LastAccessTime;
        row.LastWriteTime = t.LastWriteTime;
    }
    return row;
}

Expected<void> ReadPakFile(const std::string &path, PakArchive &archive, PakRowSink *sink)
{
    const Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st
    {
    };
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0)
        return PakErrorFromErrno(errno, path);
    if (S_ISDIR(st.st_mode) || !hasSignature(fd.get()))
        return MakePakError(PakErrorCode::InvalidFormat, path);

    PakArchive loaded;
    loaded.PakPath = GetFullPath(path); // stays valid if the working folder changes
    const int64_t fileSize = st.st_size;
    const FileTimes times = readFileTimes(fd.get(), "", AT_EMPTY_PATH);
    loaded.FileCreationTime = times.Creation;
    loaded.FileLastAccessTime = times.LastAccess;
    loaded.FileLastWriteTime = times.LastWrite;

    unsigned char header[PakHeaderSize];
    if (!readAt(fd.get(), header, sizeof header, 0))
        return readError(path);
    std::memcpy(loaded.Header.Signature.data(), header, 4);
    loaded.Header.EntryCount = le32(header + 4);
    loaded.Header.Reserved1 = le32(header + 8);
    loaded.Header.Reserved2 = le32(header + 12);

    // The count is checked against the file before anything is sized from it.
    const int64_t count = loaded.Header.EntryCount;
    if (count < 0 || PakHeaderSize + count * PakEntrySize > fileSize)
        return MakePakError(PakErrorCode::InputPastEnd, path);

    try {
        // The record layout in memory is the one on disk, so the directory is read
        // straight into place.
        static_assert(sizeof(PakEntry) == PakEntrySize && offsetof(PakEntry, Name) == 8);
        loaded.Entries.resize(static_cast<size_t>(count));
        if (!readAt(fd.get(), loaded.Entries.data(), static_cast<size_t>(count * PakEntrySize),
                    PakHeaderSize))
            return readError(path);
        if constexpr (std::endian::native == std::endian::big) {
            for (PakEntry &entry : loaded.Entries) {
                entry.Start = le32(reinterpret_cast<const unsigned char *>(&entry.Start));
                entry.Size = le32(reinterpret_cast<const unsigned char *>(&entry.Size));
            }
        }

        loaded.Times.resize(static_cast<size_t>(count));
        if (count > 0 && equalsNoCase(PakEntryRawName(loaded.Entries[0]), PakTimeTableName)) {
            const int64_t start = loaded.Entries[0].Start;
            if (start < 0 || start + count * PakTimesSize > fileSize)
                return MakePakError(PakErrorCode::InputPastEnd, path);
            constexpr size_t chunk = 2048;
            unsigned char table[chunk * PakTimesSize];
            for (size_t first = 0; first < loaded.Times.size(); first += chunk) {
                const size_t n = std::min(chunk, loaded.Times.size() - first);
                if (!readAt(fd.get(), table, n * PakTimesSize,
                            start + static_cast<int64_t>(first) * PakTimesSize))
                    return readError(path);
                for (size_t i = 0; i < n; ++i) {
                    const unsigned char *rec = table + i * PakTimesSize;
                    PakTimes &t = loaded.Times[first + i];
                    t.Reserved1 = le32(rec);
                    t.CreationTime = le64(rec + 4);
                    t.LastAccessTime = le64(rec + 12);
                    t.LastWriteTime = le64(rec + 20);
                    t.Reserved2 = le32(rec + 28);
                }
            }
            loaded.HasTimes = true;
        }
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

DateTime FileTimeToDate(FileTime time)
{
    const time_t seconds = static_cast<time_t>(FileTimeToUnixSeconds(time));
    std::tm local{};
    if (!::localtime_r(&seconds, &local))
        return {};
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
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
        if (part == ".." || drive)
            return MakePakError(PakErrorCode::BadFileName, entryName);
        used.push_back(Cp1252ToUtf8(part));
    }
    if (used.empty())
        return MakePakError(PakErrorCode::BadFileName, entryName);
    return used;
}

namespace {

// The path the kernel resolved for an open folder.
std::string fdPath(int fd)
{
    std::string buffer(4096, '\0');
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size());
    buffer.resize(n > 0 && static_cast<size_t>(n) < buffer.size() ? static_cast<size_t>(n) : 0);
    return buffer;
}

bool isInside(const std::string &path, const std::string &root)
{
    return !root.empty() &&
           (path == root || (path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
                             (root == "/" || path[root.size()] == '/')));
}

// Opens (creating when missing) each folder of `folders` below root. A symbolic
// link on the way is followed only when it stays inside root (whose resolved path
// is looked up once, into rootReal, when the first link is met).
Expected<int> openFolders(int root, std::string &rootReal, const std::vector<std::string> &folders,
                          const std::string &entryName, std::string &shownPath)
{
    Fd dir(::dup(root));
    for (const std::string &folder : folders) {
        shownPath += folder;
        const int flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
        int next = ::openat(dir.get(), folder.c_str(), flags | O_NOFOLLOW);
        if (next < 0 && errno == ENOENT && ::mkdirat(dir.get(), folder.c_str(), 0777) == 0)
            next = ::openat(dir.get(), folder.c_str(), flags | O_NOFOLLOW);
        if (next < 0 && (errno == ENOTDIR || errno == ELOOP)) {
            struct stat st
            {
            };
            if (::fstatat(dir.get(), folder.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(st.st_mode)) {
                next = ::openat(dir.get(), folder.c_str(), flags);
                if (next >= 0) {
                    if (rootReal.empty())
                        rootReal = fdPath(root);
                    if (!isInside(fdPath(next), rootReal)) {
                        ::close(next);
                        return MakePakError(PakErrorCode::BadFileName, entryName);
                    }
                }
            } else {
                errno = ENOTDIR;
            }
        }
        if (next < 0) {
            const int err = errno;
            return err == ENOENT ? MakePakError(PakErrorCode::PathNotFound, shownPath)
                                 : PakErrorFromErrno(err, shownPath);
        }
        dir.reset(next);
        shownPath += '/';
    }
    return dir.release();
}

enum class CopyStatus
{
    Done,
    Failed, // errno says why; 0 when the archive ended early
    Stopped // the owner stopped it
};

// Copies size bytes from the archive at offset into out, in bounded steps; the
// kernel's copy call where it can, else through a fixed buffer. An owner hears
// of every step and may stop the copy.
CopyStatus copyRange(int in, int64_t offset, int64_t size, int out, ExtractOwner *owner,
                     const ExtractTarget &target)
{
    loff_t from = offset;
    bool kernelCopy = true;
    std::unique_ptr<char[]> buffer;
    constexpr size_t bufferSize = 1 << 20;
    const int64_t total = size;
    int64_t reported = 0;
    while (size > 0) {
        const size_t step = static_cast<size_t>(
            std::min<int64_t>(size, owner ? ExtractProgressStep : int64_t{1} << 30));
        ssize_t n;
        if (kernelCopy) {
            n = ::copy_file_range(in, &from, out, nullptr, step, 0);
            if (n < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                          errno == EOPNOTSUPP || errno == EBADF)) {
                kernelCopy = false;
                continue;
            }
        } else {
            if (!buffer)
                buffer = std::make_unique<char[]>(bufferSize);
            n = ::pread(in, buffer.get(), std::min(step, bufferSize), from);
            for (ssize_t done = 0; n > 0 && done < n;) {
                const ssize_t w = ::write(out, buffer.get() + done, static_cast<size_t>(n - done));
                if (w < 0 && errno != EINTR)
                    return CopyStatus::Failed;
                done += std::max<ssize_t>(w, 0);
            }
            if (n > 0)
                from += n;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = 0; // the archive ended early
            return CopyStatus::Failed;
        }
        size -= n;
        if (owner && (size == 0 || total - size - reported >= ExtractProgressStep)) {
            reported = total - size;
            if (!owner->CopyProgress(target, reported))
                return CopyStatus::Stopped;
        }
    }
    return CopyStatus::Done;
}

std::string tempName()
{
    static std::mt19937_64 random{std::random_device{}()};
    char name[40];
    std::snprintf(name, sizeof name, ".vannerby-%016llx.tmp",
                  static_cast<unsigned long long>(random()));
    return name;
}

} // namespace

struct ExtractSession::State
{
    std::string PakPath;
    Fd Pak;
    struct stat PakStat
    {
    };
    std::string RootPath; // as given, with a trailing "/"
    Fd Root;
    std::string RootReal;
    std::vector<std::string> DirComponents;
    Fd Dir;
};

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
    ExtractSession callSession;
    ExtractSession::State &state = *(session ? session : &callSession)->m_state;
    ExtractResult result;
    ExtractTarget &target = result.Target;
    const auto fail = [&result](PakError error) {
        result.Outcome = ExtractOutcome::Failed;
        result.Error = std::move(error);
        return result;
    };

    const int32_t index = PakKeyIndex(key);
    if (index < 0 || static_cast<size_t>(index) >= archive.Entries.size())
        return result;
    if (!state.Pak.valid() || state.PakPath != archive.PakPath) {
        state.Pak.reset(::open(archive.PakPath.c_str(), O_RDONLY | O_CLOEXEC));
        state.PakPath = archive.PakPath;
        if (!state.Pak.valid()) {
            if (errno == ENOENT || errno == ENOTDIR)
                return result;
            return fail(PakErrorFromErrno(errno, archive.PakPath));
        }
        if (::fstat(state.Pak.get(), &state.PakStat) != 0) {
            state.Pak.reset();
            return fail(PakErrorFromErrno(errno, archive.PakPath));
        }
    }

    const PakEntry &entry = archive.Entries[static_cast<size_t>(index)];
    const std::string entryName = PakEntryName(entry);
    auto components = PakTargetComponents(PakEntryRawName(entry), usePathNames, entryName);
    if (!components)
        return fail(components.error());
    const std::string leaf = components->back();
    components->pop_back();

    target.EntrySize = entry.Size;
    if (archive.HasTimes && static_cast<size_t>(index) < archive.Times.size()) {
        const PakTimes &t = archive.Times[static_cast<size_t>(index)];
        target.NewCreationTime = t.CreationTime;
        target.NewLastAccessTime = t.LastAccessTime;
        target.NewLastWriteTime = t.LastWriteTime;
    } else {
        target.NewCreationTime = archive.FileCreationTime;
        target.NewLastAccessTime = archive.FileLastAccessTime;
        target.NewLastWriteTime = archive.FileLastWriteTime;
    }

    // The folders are made before the existence test, so even a skipped entry has them.
    const std::string folder = AddBackslash(targetFolder);
    if (!state.Root.valid() || state.RootPath != folder) {
        state.Dir.reset();
        state.RootReal.clear();
        state.RootPath = folder;
        state.Root.reset(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!state.Root.valid() && errno == ENOENT && CreatePath(RemoveBackslash(folder)))
            state.Root.reset(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!state.Root.valid())
            return fail(errno == ENOENT ? MakePakError(PakErrorCode::PathNotFound, folder)
                                        : PakErrorFromErrno(errno, folder));
    }
    std::string shownPath = folder;
    if (!state.Dir.valid() || state.DirComponents != *components) {
        state.Dir.reset();
        const auto opened =
            openFolders(state.Root.get(), state.RootReal, *components, entryName, shownPath);
        if (!opened)
            return fail(opened.error());
        state.Dir.reset(*opened);
        state.DirComponents = *components;
    } else {
        for (const auto &component : *components)
            shownPath += component + '/';
    }
    const int dir = state.Dir.get();
    target.TargetPath = shownPath + leaf;

    const bool inBounds = entry.Start >= 0 && entry.Size >= 0 &&
                          static_cast<int64_t>(entry.Start) + entry.Size <= state.PakStat.st_size;
    // A new file is created in place at once (and removed again on failure), which
    // is also the existence test; an existing one is replaced by renaming a
    // finished copy over it, so it is never lost.
    const int createFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    Fd out;
    if (inBounds) {
        out.reset(::openat(dir, leaf.c_str(), createFlags, 0666));
        if (!out.valid() && errno != EEXIST)
            return fail(PakErrorFromErrno(errno, target.TargetPath));
    }
    struct stat existing
    {
    };
    const bool exists =
        !out.valid() && ::fstatat(dir, leaf.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        return fail(PakErrorFromErrno(EISDIR, target.TargetPath));
    if (exists) {
        target.ExistingPath = target.TargetPath;
        target.ExistingSize = existing.st_size;
        const FileTimes times = readFileTimes(dir, leaf.c_str(), AT_SYMLINK_NOFOLLOW);
        target.ExistingCreationTime = times.Creation;
        target.ExistingLastAccessTime = times.LastAccess;
        target.ExistingLastWriteTime = times.LastWrite;

        const bool notNewer =
            FileTimeToDate(target.NewLastWriteTime) <= FileTimeToDate(target.ExistingLastWriteTime);
        if (settings.SkipOldFiles == 1 && notNewer) {
            result.Outcome = ExtractOutcome::Skipped;
            return result;
        }
        if (settings.OverWrite != 1) {
            const int32_t answer = owner ? owner->OverWriteDialog(target) : OverWriteAnswer::Keep;
            if (answer == OverWriteAnswer::Stop) {
                result.Outcome = ExtractOutcome::Cancelled;
                return result;
            }
            if (answer != OverWriteAnswer::Replace) {
                result.Outcome = ExtractOutcome::Kept;
                return result;
            }
        }
    }

    if (!inBounds)
        return fail(MakePakError(PakErrorCode::InputPastEnd, entryName));
    std::string written = leaf;
    if (exists) {
        // A file without any write bit is read-only, as its owner meant it to be,
        // even for root; and the archive being read is never replaced.
        if (S_ISREG(existing.st_mode) && (existing.st_mode & 0222) == 0)
            return fail(MakePakError(PakErrorCode::PermissionDenied, target.TargetPath));
        if (existing.st_dev == state.PakStat.st_dev && existing.st_ino == state.PakStat.st_ino)
            return fail(MakePakError(PakErrorCode::PermissionDenied, target.TargetPath));
        for (int attempt = 0; attempt < 16 && !out.valid(); ++attempt) {
            written = tempName();
            out.reset(::openat(dir, written.c_str(), createFlags, 0666));
            if (!out.valid() && errno != EEXIST)
                break;
        }
        if (!out.valid())
            return fail(PakErrorFromErrno(errno, target.TargetPath));
    }

    const auto discard = [&](PakError error) {
        out.reset();
        ::unlinkat(dir, written.c_str(), 0);
        return fail(std::move(error));
    };
    const CopyStatus copied =
        copyRange(state.Pak.get(), entry.Start, entry.Size, out.get(), owner, target);
    if (copied == CopyStatus::Stopped) {
        out.reset();
        ::unlinkat(dir, written.c_str(), 0);
        result.Outcome = ExtractOutcome::Cancelled;
        return result;
    }
    if (copied == CopyStatus::Failed)
        return discard(errno == 0 ? MakePakError(PakErrorCode::InputPastEnd, entryName)
                                  : PakErrorFromErrno(errno, target.TargetPath));
    // Linux cannot set a creation time; access and write time carry over to the 100 ns.
    const timespec stamps[2] = {FileTimeToTimespec(target.NewLastAccessTime),
                                FileTimeToTimespec(target.NewLastWriteTime)};
    ::futimens(out.get(), stamps);
    if (::close(out.release()) != 0)
        return discard(PakErrorFromErrno(errno, target.TargetPath));
    if (exists && ::renameat(dir, written.c_str(), dir, leaf.c_str()) != 0)
        return discard(PakErrorFromErrno(errno, target.TargetPath));

    result.Outcome = ExtractOutcome::Written;
    return result;
}
