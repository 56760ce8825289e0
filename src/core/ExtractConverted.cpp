#include "ExtractConverted.h"

#include "ExtractSteps.h"

#include <algorithm>
#include <cerrno>
#include <unordered_set>

using namespace ExtractSteps;

ExtractConverted::ExtractConverted(const PakArchive &archive, std::string targetFolder,
                                   bool usePathNames, ExtractSettings settings, ExtractOwner *owner)
    : m_archive(archive), m_targetFolder(std::move(targetFolder)), m_usePathNames(usePathNames),
      m_settings(settings), m_owner(owner)
{
}

std::string ExtractConverted::ConvertedLeaf(std::string_view leaf, std::string_view extension)
{
    const size_t dot = leaf.rfind('.');
    std::string converted(leaf.substr(0, dot == std::string_view::npos ? leaf.size() : dot));
    converted += extension;
    return converted;
}

ExtractResult ExtractConverted::Write(int32_t index, std::string_view extension,
                                      std::string_view bytes)
{
    ExtractResult result;
    ExtractTarget &target = result.Target;
    const auto fail = [&result](PakError error) {
        result.Outcome = ExtractOutcome::Failed;
        result.Error = std::move(error);
        return result;
    };
    if (index < 0 || static_cast<size_t>(index) >= m_archive.Entries.size())
        return result;
    if (!m_archiveKnown) {
        // The archive is never replaced; gone, it is no file to compare with.
        m_archiveKnown = PlatformFiles::InfoAt(m_archive.PakPath, m_archiveInfo);
        if (!m_archiveKnown)
            return result;
    }
    const PakEntry &entry = m_archive.Entries[static_cast<size_t>(index)];
    const std::string entryName = PakEntryName(entry);
    auto place = PlaceOf(entry, m_usePathNames, entryName);
    if (!place)
        return fail(place.error());
    place->Leaf = ConvertedLeaf(place->Leaf, extension);
    DescribeNewFile(m_archive, index, target);
    target.EntrySize = static_cast<int32_t>(std::min<size_t>(bytes.size(), INT32_MAX));

    if (const auto root = m_folders.OpenRoot(mdlTools::AddBackslash(m_targetFolder)); !root)
        return fail(root.error());
    auto folder = m_folders.Open(place->Folders, entryName);
    if (!folder)
        return fail(folder.error());
    target.TargetPath = folder->Shown + place->Leaf;

    auto created = CreateInPlace(m_folders, *folder, *place, entryName, target.TargetPath);
    if (!created)
        return fail(created.error());
    Fd out = std::move(*created);
    Existing existing;
    if (!out.valid()) {
        const auto found = FindExisting(*folder, place->Leaf, target);
        if (!found)
            return fail(found.error());
        existing = *found;
    }
    if (existing.Present) {
        result.Outcome = DecideAboutExisting(m_settings, m_owner, target);
        if (result.Outcome != ExtractOutcome::Written)
            return result;
    }

    std::string written = place->Leaf;
    if (existing.Present) {
        auto replacement =
            CreateReplacement(*folder, existing.Info, m_archiveInfo, target.TargetPath, written);
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
        const int err = errno;
        out.reset();
        if (folder->Fresh)
            PlatformFiles::RemoveIn(folder->Dir, folder->Shown, written);
        else
            m_folders.RemoveBeneath(folder->Relative + written, false);
        return fail(PakErrorFromErrno(err, target.TargetPath));
    };
    if (!WriteBytes(out.get(), bytes.data(), bytes.size()) || !StampAndClose(out, target))
        return discard();
    if (existing.Present &&
        !PlatformFiles::RenameIn(folder->Dir, folder->Shown, written, place->Leaf))
        return discard();
    result.Outcome = ExtractOutcome::Written;
    return result;
}

void ExtractConverted::RemoveEntryFile(int32_t index)
{
    if (index < 0 || static_cast<size_t>(index) >= m_archive.Entries.size())
        return;
    const PakEntry &entry = m_archive.Entries[static_cast<size_t>(index)];
    const std::string entryName = PakEntryName(entry);
    const auto place = PlaceOf(entry, m_usePathNames, entryName);
    if (!place || !m_folders.OpenRoot(mdlTools::AddBackslash(m_targetFolder)))
        return;
    const auto folder = m_folders.Open(place->Folders, entryName);
    if (!folder)
        return;
    if (folder->Fresh)
        PlatformFiles::RemoveIn(folder->Dir, folder->Shown, place->Leaf);
    else
        m_folders.RemoveBeneath(folder->Relative + place->Leaf, false);
}

bool ExtractConverted::NamesMeet(const PakArchive &archive, const std::vector<int32_t> &indices,
                                 bool usePathNames, std::string_view extension,
                                 const std::function<bool(int32_t)> &converts)
{
    const std::string foldedExtension = FoldCase(extension);
    std::unordered_set<std::string> originals, converted;
    for (const int32_t index : indices) {
        if (index < 0 || static_cast<size_t>(index) >= archive.Entries.size())
            continue;
        auto folded = PakTargetComponents(
            FoldCase(PakEntryRawName(archive.Entries[static_cast<size_t>(index)])), usePathNames,
            {});
        if (!folded)
            continue;
        std::string folder;
        for (size_t i = 0; i + 1 < folded->size(); ++i)
            folder += (*folded)[i] + '/';
        const std::string original = folder + folded->back();
        if (converted.count(original))
            return true;
        originals.insert(original);
        if (!converts(index))
            continue;
        const std::string made = folder + ConvertedLeaf(folded->back(), foldedExtension);
        if (originals.count(made) || !converted.insert(made).second)
            return true;
    }
    return false;
}
