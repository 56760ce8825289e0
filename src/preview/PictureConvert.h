#pragma once

#include "ExtractConverted.h"
#include "mdlPakFile.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

// Picture entries as PNG files, for the extraction of the viewer and of the
// command-line tool: DDS through DdsDecoder, TGA through TgaDecoder, the rest
// through Qt's image readers, each within the preview's limits. Qt Gui, no
// widgets. Qt's readers for JPEG, GIF and others are plugins, found through the
// application object: one must exist before the first call.
namespace PictureConvert {

// Entries larger than this are not read as pictures.
inline constexpr int64_t MaxEntryBytes = int64_t{512} << 20;

// True when an entry of this stored name is converted: DDS, TGA and what Qt's
// readers read, except PNG (already one) and vector drawings.
bool IsPicture(const std::string &entryName);

// The picture in the bytes of an entry of that name, with its own colours and
// alpha; a null picture and why (in English) when it cannot be decoded.
QImage Decode(const std::string &bytes, const std::string &entryName, QString &why);

// The picture as the bytes of a PNG file; empty when it cannot be written.
std::string EncodePng(const QImage &picture);

} // namespace PictureConvert

// Converts the picture entries of one extraction run as its results come in:
// the PNG is written beside the entry's file under the run's rules for files
// already there, and, unless the original is to be kept, the entry's file is
// removed once the PNG stands in its place. Whatever fails, the entry's own
// file stays.
class PictureConverter final
{
  public:
    PictureConverter(const PakArchive &archive, const std::string &targetFolder, bool usePathNames,
                     ExtractSettings settings, ExtractOwner *owner, bool keepOriginal);

    struct Outcome
    {
        bool Picture = false;   // the entry is a picture by its name
        bool Converted = false; // decoded, and Png says what became of the PNG
        QString NotConverted;   // why a picture was not converted
        ExtractResult Png;
        bool OriginalRemoved = false;
    };

    // For entry index, after the run settled it as extracted. Written, Skipped
    // and Kept entries are converted; the entry's own file is removed only when
    // this run wrote it.
    Outcome Convert(int32_t index, const ExtractResult &extracted);

    // True when the run over indices must go in list order (see
    // ExtractConverted::NamesMeet).
    static bool NeedsListOrder(const PakArchive &archive, const std::vector<int32_t> &indices,
                               bool usePathNames);

  private:
    const PakArchive &m_archive;
    ExtractConverted m_writer;
    bool m_keepOriginal;
};
