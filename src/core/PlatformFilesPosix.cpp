// The archive core's file calls on Linux.
#include "PlatformFiles.h"

#include "mdlPakFile.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mdlTools;

namespace PlatformFiles {
namespace {

// A new file is created exclusively and never through a link.
constexpr int CreateFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;

void fill(const struct stat &st, FileInfo &info)
{
    info.Folder = S_ISDIR(st.st_mode);
    info.Regular = S_ISREG(st.st_mode);
    info.ReadOnly = (st.st_mode & 0222) == 0;
    info.Size = st.st_size;
    info.Volume = st.st_dev;
    info.Index = st.st_ino;
}

FileTimes timesAt(int dirfd, const char *name, int flags)
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

} // namespace

bool NameUsable(std::string_view)
{
    return true;
}

bool SameFile(const FileInfo &a, const FileInfo &b)
{
    return a.Volume == b.Volume && a.Index == b.Index;
}

Fd OpenRead(const std::string &path, bool nonBlocking)
{
    return Fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | (nonBlocking ? O_NONBLOCK : 0)));
}

int64_t ReadAt(NativeHandle file, void *buffer, size_t size, int64_t offset)
{
    return ::pread(file, buffer, size, offset);
}

int64_t Write(NativeHandle file, const void *data, size_t size)
{
    return ::write(file, data, size);
}

bool Close(Fd &file)
{
    return ::close(file.release()) == 0;
}

bool InfoOf(NativeHandle file, FileInfo &info)
{
    struct stat st
    {
    };
    if (::fstat(file, &st) != 0)
        return false;
    fill(st, info);
    return true;
}

bool InfoAt(const std::string &path, FileInfo &info)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0)
        return false;
    fill(st, info);
    return true;
}

FileTimes TimesOf(NativeHandle file)
{
    return timesAt(file, "", AT_EMPTY_PATH);
}

void StampTimes(NativeHandle file, const FileTimes &times)
{
    // Access and write time carry over to the 100 ns.
    const timespec stamps[2] = {FileTimeToTimespec(times.LastAccess),
                                FileTimeToTimespec(times.LastWrite)};
    ::futimens(file, stamps);
}

Fd CreateIn(NativeHandle dir, const std::string &, const std::string &name)
{
    return Fd(::openat(dir, name.c_str(), CreateFlags, 0666));
}

bool InfoIn(NativeHandle dir, const std::string &, const std::string &name, FileInfo &info)
{
    struct stat st
    {
    };
    if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    fill(st, info);
    return true;
}

FileTimes TimesIn(NativeHandle dir, const std::string &, const std::string &name)
{
    return timesAt(dir, name.c_str(), AT_SYMLINK_NOFOLLOW);
}

bool RenameIn(NativeHandle dir, const std::string &, const std::string &from, const std::string &to)
{
    return ::renameat(dir, from.c_str(), dir, to.c_str()) == 0;
}

void RemoveIn(NativeHandle dir, const std::string &, const std::string &name)
{
    ::unlinkat(dir, name.c_str(), 0);
}

} // namespace PlatformFiles

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

DateTime FileTimeToDate(FileTime time)
{
    const time_t seconds = static_cast<time_t>(FileTimeToUnixSeconds(time));
    std::tm local{};
    if (!::localtime_r(&seconds, &local))
        return {};
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}
