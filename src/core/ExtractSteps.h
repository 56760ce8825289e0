#pragma once

#include "ExtractArchiveFile.h"
#include "ExtractFolderCache.h"
#include "ExtractKernelCopy.h"
#include "Fd.h"
#include "PlatformFiles.h"
#include "mdlPakFile.h"

#include <string>
#include <string_view>
#include <vector>

// What an extraction run keeps between entries: the archive, the target's
// folders and the means of copying large entries.
struct ExtractSession::State
{
    ExtractArchiveFile Archive;
    ExtractFolderCache Folders;
    ExtractKernelCopy Copier;
};

// The steps of extracting one entry, in the order ExtractPakEntry takes them.
namespace ExtractSteps {

// Letter case folded the Windows-1252 way, for names that one folder that
// ignores case would take for the same.
std::string FoldCase(std::string_view raw);

// The entry the row key names, or -1.
int32_t EntryIndex(const PakArchive &archive, std::string_view key);

// Where below the target folder an entry goes.
struct TargetPlace
{
    std::vector<std::string> Folders;
    std::string Leaf;
};
// Error 52 for a name that would leave the target folder or names nothing.
Expected<TargetPlace> PlaceOf(const PakEntry &entry, bool usePathNames,
                              const std::string &entryName);

// The size and the three times the new file will carry: the entry's record in
// the time table when there is one, else the archive file's own times.
void DescribeNewFile(const PakArchive &archive, int32_t index, ExtractTarget &target);

// Creates the new file in place, which is also the existence test: an invalid
// descriptor means something is there already. A folder known from before is
// resolved again by the kernel; should that fail, it is walked and checked anew
// (and folder says so).
Expected<Fd> CreateInPlace(ExtractFolderCache &folders, ExtractFolderCache::Folder &folder,
                           const TargetPlace &place, const std::string &entryName,
                           const std::string &targetPath);

// The file at the target, when there is one; its size and times go into target.
// A folder there is an error.
struct Existing
{
    bool Present = false;
    PlatformFiles::FileInfo Info;
};
Expected<Existing> FindExisting(const ExtractFolderCache::Folder &folder, const std::string &leaf,
                                ExtractTarget &target);

// Written when the existing file is to be replaced; otherwise Skipped (not
// newer), Kept or Cancelled, as the settings or the owner decide.
ExtractOutcome DecideAboutExisting(const ExtractSettings &settings, ExtractOwner *owner,
                                   const ExtractTarget &target);

// A temporary file beside the existing one, renamed over it once complete, so
// that the existing file is never lost. Refused for a read-only file and for the
// archive being read. written receives the temporary file's name.
Expected<Fd> CreateReplacement(const ExtractFolderCache::Folder &folder,
                               const PlatformFiles::FileInfo &existing,
                               const PlatformFiles::FileInfo &archive,
                               const std::string &targetPath, std::string &written);

// The entry's bytes into out: small entries from the archive's window, large
// ones by the kernel in bounded steps, the owner told of each step.
CopyStatus CopyEntryBytes(ExtractArchiveFile &archive, ExtractKernelCopy &copier,
                          const PakEntry &entry, NativeHandle out, ExtractOwner *owner,
                          const ExtractTarget &target);
// All of size bytes into out; false with errno.
bool WriteBytes(NativeHandle out, const char *data, size_t size);

// Stamps the new file with the entry's three times (Linux cannot set a creation
// time; a failure is ignored) and closes it. False with errno when the close
// reports a failed write.
bool StampAndClose(Fd &out, const ExtractTarget &target);

} // namespace ExtractSteps
