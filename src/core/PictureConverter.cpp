#include "PictureConverter.h"

#include "PakEntryRange.h"

PictureConverter::PictureConverter(const PakArchive &archive, const PictureCodec &codec,
                                   const std::string &targetFolder, bool usePathNames,
                                   ExtractSettings settings, ExtractOwner *owner, bool keepOriginal)
    : m_archive(archive), m_codec(codec),
      m_writer(archive, targetFolder, usePathNames, settings, owner), m_keepOriginal(keepOriginal)
{
}

PictureConverter::Outcome PictureConverter::Convert(int32_t index, const ExtractResult &extracted)
{
    Outcome outcome;
    if (index < 0 || static_cast<size_t>(index) >= m_archive.Entries.size())
        return outcome;
    const PakEntry &entry = m_archive.Entries[static_cast<size_t>(index)];
    const std::string name = PakEntryName(entry);
    outcome.Picture = m_codec.IsPicture(name);
    const ExtractOutcome before = extracted.Outcome;
    if (!outcome.Picture || (before != ExtractOutcome::Written &&
                             before != ExtractOutcome::Skipped && before != ExtractOutcome::Kept))
        return outcome;

    // From the archive, not from disk: a file kept there may be anything.
    if (entry.Size > MaxEntryBytes) {
        outcome.NotConverted = "picture file too large";
        return outcome;
    }
    Expected<PakEntryBytes> bytes = ReadPakEntryRange(m_archive, index, 0, MaxEntryBytes);
    if (!bytes) {
        outcome.NotConverted = bytes.error().Description;
        return outcome;
    }
    const std::string png = m_codec.ToPng(bytes->Data, name, outcome.NotConverted);
    bytes->Data = {};
    if (png.empty())
        return outcome;
    outcome.Converted = true;
    outcome.Png = m_writer.Write(index, ".png", png);
    const ExtractOutcome after = outcome.Png.Outcome;
    const bool pngThere = after == ExtractOutcome::Written || after == ExtractOutcome::Skipped ||
                          after == ExtractOutcome::Kept;
    if (!m_keepOriginal && before == ExtractOutcome::Written && pngThere) {
        m_writer.RemoveEntryFile(index);
        outcome.OriginalRemoved = true;
    }
    return outcome;
}

bool PictureConverter::NeedsListOrder(const PakArchive &archive, const PictureCodec &codec,
                                      const std::vector<int32_t> &indices, bool usePathNames)
{
    return ExtractConverted::NamesMeet(archive, indices, usePathNames, ".png", [&](int32_t index) {
        return codec.IsPicture(PakEntryName(archive.Entries[static_cast<size_t>(index)]));
    });
}
