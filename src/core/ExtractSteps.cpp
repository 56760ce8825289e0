#include "ExtractSteps.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <random>

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

std::string FoldCase(std::string_view raw)
{
    std::string folded(raw);
    for (char &ch : folded) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
            ch = static_cast<char>(c + 0x20);
        else if (c == 0x8A || c == 0x8C || c == 0x8E)
            ch = static_cast<char>(c + 0x10);
        else if (c == 0x9F)
            ch = static_cast<char>(0xFF);
    }
    return folded;
}

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
        Fd out = folders.CreateBeneath(folder.Relative + place.Leaf);
        if (out.valid())
            return out;
        // Something there, or the folder is not what it was: look at it as it is now.
        auto checked = folders.Recheck(place.Folders, entryName);
        if (!checked)
            return checked.error();
        folder = std::move(*checked);
    }
    Fd out = PlatformFiles::CreateIn(folder.Dir, folder.Shown, place.Leaf);
    if (!out.valid() && errno != EEXIST)
        return PakErrorFromErrno(errno, targetPath);
    return out;
}

Expected<Existing> FindExisting(const ExtractFolderCache::Folder &folder, const std::string &leaf,
                                ExtractTarget &target)
{
    Existing existing;
    existing.Present = PlatformFiles::InfoIn(folder.Dir, folder.Shown, leaf, existing.Info);
    if (!existing.Present)
        return existing;
    if (existing.Info.Folder)
        return PakErrorFromErrno(EISDIR, target.TargetPath);
    target.ExistingPath = target.TargetPath;
    target.ExistingSize = existing.Info.Size;
    const PlatformFiles::FileTimes times = PlatformFiles::TimesIn(folder.Dir, folder.Shown, leaf);
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

Expected<Fd> CreateReplacement(const ExtractFolderCache::Folder &folder,
                               const PlatformFiles::FileInfo &existing,
                               const PlatformFiles::FileInfo &archive,
                               const std::string &targetPath, std::string &written)
{
    // A file without any write bit (on Windows: with the read-only attribute) is
    // read-only, as its owner meant it to be, even for root; and the archive
    // being read is never replaced.
    if (existing.Regular && existing.ReadOnly)
        return MakePakError(PakErrorCode::PermissionDenied, targetPath);
    if (PlatformFiles::SameFile(existing, archive))
        return MakePakError(PakErrorCode::PermissionDenied, targetPath);
    Fd out;
    for (int attempt = 0; attempt < 16 && !out.valid(); ++attempt) {
        written = tempName();
        out = PlatformFiles::CreateIn(folder.Dir, folder.Shown, written);
        if (!out.valid() && errno != EEXIST)
            break;
    }
    if (!out.valid())
        return PakErrorFromErrno(errno, targetPath);
    return out;
}

CopyStatus CopyEntryBytes(ExtractArchiveFile &archive, ExtractKernelCopy &copier,
                          const PakEntry &entry, NativeHandle out, ExtractOwner *owner,
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

bool WriteBytes(NativeHandle out, const char *data, size_t size)
{
    while (size > 0) {
        const int64_t n = PlatformFiles::Write(out, data, size);
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
    PlatformFiles::StampTimes(
        out.get(), {target.NewCreationTime, target.NewLastAccessTime, target.NewLastWriteTime});
    return PlatformFiles::Close(out);
}

} // namespace ExtractSteps
