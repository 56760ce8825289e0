#include "ExtractSteps.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <random>
#include <unistd.h>

using namespace mdlTools;

namespace ExtractSteps {
namespace {

std::string tempName()
{
    static std::mt19937_64 random{std::random_device{}()};
    char name[40];
    std::snprintf(name, sizeof name, ".vannerby-%016llx.tmp",
                  static_cast<unsigned long long>(random()));
    return name;
}

} // namespace

int32_t EntryIndex(const PakArchive &archive, std::string_view key)
{
    const int32_t index = PakKeyIndex(key);
    return index >= 0 && static_cast<size_t>(index) < archive.Entries.size() ? index : -1;
}

Expected<TargetPlace> PlaceOf(const PakEntry &entry, bool usePathNames,
                              const std::string &entryName)
{
    auto components = PakTargetComponents(PakEntryRawName(entry), usePathNames, entryName);
    if (!components)
        return components.error();
    TargetPlace place;
    place.Leaf = std::move(components->back());
    components->pop_back();
    place.Folders = std::move(*components);
    return place;
}

void DescribeNewFile(const PakArchive &archive, int32_t index, ExtractTarget &target)
{
    target.EntrySize = archive.Entries[static_cast<size_t>(index)].Size;
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
}

Expected<Fd> CreateInPlace(ExtractFolderCache &folders, ExtractFolderCache::Folder &folder,
                           const TargetPlace &place, const std::string &entryName,
                           const std::string &targetPath)
{
    if (!folder.Fresh) {
        Fd out(ExtractFolderCache::CreateBeneath(folders.Root(), folder.Relative + place.Leaf,
                                                 CreateFlags, 0666));
        if (out.valid())
            return out;
        // Something there, or the folder is not what it was: look at it as it is now.
        auto checked = folders.Recheck(place.Folders, entryName);
        if (!checked)
            return checked.error();
        folder = std::move(*checked);
    }
    Fd out(::openat(folder.Dir, place.Leaf.c_str(), CreateFlags, 0666));
    if (!out.valid() && errno != EEXIST)
        return PakErrorFromErrno(errno, targetPath);
    return out;
}

Expected<Existing> FindExisting(int dir, const std::string &leaf, ExtractTarget &target)
{
    Existing existing;
    existing.Present = ::fstatat(dir, leaf.c_str(), &existing.Stat, AT_SYMLINK_NOFOLLOW) == 0;
    if (!existing.Present)
        return existing;
    if (S_ISDIR(existing.Stat.st_mode))
        return PakErrorFromErrno(EISDIR, target.TargetPath);
    target.ExistingPath = target.TargetPath;
    target.ExistingSize = existing.Stat.st_size;
    const FileTimes times = ReadFileTimes(dir, leaf.c_str(), AT_SYMLINK_NOFOLLOW);
    target.ExistingCreationTime = times.Creation;
    target.ExistingLastAccessTime = times.LastAccess;
    target.ExistingLastWriteTime = times.LastWrite;
    return existing;
}

ExtractOutcome DecideAboutExisting(const ExtractSettings &settings, ExtractOwner *owner,
                                   const ExtractTarget &target)
{
    const bool notNewer =
        FileTimeToDate(target.NewLastWriteTime) <= FileTimeToDate(target.ExistingLastWriteTime);
    if (settings.SkipOldFiles == 1 && notNewer)
        return ExtractOutcome::Skipped;
    if (settings.OverWrite == 1)
        return ExtractOutcome::Written;
    const int32_t answer = owner ? owner->OverWriteDialog(target) : OverWriteAnswer::Keep;
    if (answer == OverWriteAnswer::Stop)
        return ExtractOutcome::Cancelled;
    return answer == OverWriteAnswer::Replace ? ExtractOutcome::Written : ExtractOutcome::Kept;
}

Expected<Fd> CreateReplacement(int dir, const struct stat &existing, const struct stat &archive,
                               const std::string &targetPath, std::string &written)
{
    // A file without any write bit is read-only, as its owner meant it to be,
    // even for root; and the archive being read is never replaced.
    if (S_ISREG(existing.st_mode) && (existing.st_mode & 0222) == 0)
        return MakePakError(PakErrorCode::PermissionDenied, targetPath);
    if (existing.st_dev == archive.st_dev && existing.st_ino == archive.st_ino)
        return MakePakError(PakErrorCode::PermissionDenied, targetPath);
    Fd out;
    for (int attempt = 0; attempt < 16 && !out.valid(); ++attempt) {
        written = tempName();
        out.reset(::openat(dir, written.c_str(), CreateFlags, 0666));
        if (!out.valid() && errno != EEXIST)
            break;
    }
    if (!out.valid())
        return PakErrorFromErrno(errno, targetPath);
    return out;
}

CopyStatus CopyEntryBytes(ExtractArchiveFile &archive, ExtractKernelCopy &copier,
                          const PakEntry &entry, int out, ExtractOwner *owner,
                          const ExtractTarget &target)
{
    if (entry.Size > ExtractArchiveFile::WindowSize)
        return copier.Copy(archive.Get(), entry.Start, entry.Size, out, owner, target);
    if (entry.Size == 0)
        return CopyStatus::Done;
    ExtractArchiveFile::Bytes bytes;
    if (!archive.Read(entry.Start, entry.Size, bytes) || !WriteBytes(out, bytes.Data, bytes.Size))
        return CopyStatus::Failed;
    if (owner && !owner->CopyProgress(target, entry.Size))
        return CopyStatus::Stopped;
    return CopyStatus::Done;
}

bool WriteBytes(int out, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(out, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool StampAndClose(Fd &out, const ExtractTarget &target)
{
    // Access and write time carry over to the 100 ns.
    const timespec stamps[2] = {FileTimeToTimespec(target.NewLastAccessTime),
                                FileTimeToTimespec(target.NewLastWriteTime)};
    ::futimens(out.get(), stamps);
    return ::close(out.release()) == 0;
}

FileTimes ReadFileTimes(int dirfd, const char *name, int flags)
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

} // namespace ExtractSteps
