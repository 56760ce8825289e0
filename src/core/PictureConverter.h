#pragma once

#include "ExtractConverted.h"
#include "PictureCodec.h"
#include "mdlPakFile.h"

#include <cstdint>
#include <string>
#include <vector>

// Converts the picture entries of one extraction run to PNG as its results
// come in: the PNG is written beside the entry's file under the run's rules for
// files already there, and, unless the original is to be kept, the entry's
// file is removed once the PNG stands in its place. Whatever fails, the
// entry's own file stays.
class PictureConverter final
{
  public:
    // Entries larger than this are not read as pictures.
    static constexpr int64_t MaxEntryBytes = int64_t{512} << 20;

    PictureConverter(const PakArchive &archive, const PictureCodec &codec,
                     const std::string &targetFolder, bool usePathNames, ExtractSettings settings,
                     ExtractOwner *owner, bool keepOriginal);

    struct Outcome
    {
        bool Picture = false;     // the entry is a picture by its name
        bool Converted = false;   // decoded, and Png says what became of the PNG
        std::string NotConverted; // why a picture was not converted
        ExtractResult Png;
        bool OriginalRemoved = false;
    };

    // For entry index, after the run settled it as extracted. Written, Skipped
    // and Kept entries are converted; the entry's own file is removed only when
    // this run wrote it.
    Outcome Convert(int32_t index, const ExtractResult &extracted);

    // True when the run over indices must go in list order (see
    // ExtractConverted::NamesMeet).
    static bool NeedsListOrder(const PakArchive &archive, const PictureCodec &codec,
                               const std::vector<int32_t> &indices, bool usePathNames);

  private:
    const PakArchive &m_archive;
    const PictureCodec &m_codec;
    ExtractConverted m_writer;
    bool m_keepOriginal;
};
