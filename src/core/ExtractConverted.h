#pragma once

#include "ExtractFolderCache.h"
#include "PlatformFiles.h"
#include "mdlPakFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Files made from entries of an archive (a picture in another format, say),
// written where the entries themselves are extracted: the same folder, the
// entry's name with another extension, the entry's times, and the same rules
// for a file already there as ExtractPakEntry (the settings, else the owner's
// answer; replaced only through a rename, never the archive itself).
class ExtractConverted final
{
  public:
    ExtractConverted(const PakArchive &archive, std::string targetFolder, bool usePathNames,
                     ExtractSettings settings, ExtractOwner *owner);

    // The leaf name the converted file of an entry named leaf gets: its
    // extension (from the last ".") replaced by extension, which starts with ".".
    static std::string ConvertedLeaf(std::string_view leaf, std::string_view extension);

    // Writes bytes as entry index's converted file. Outcomes as ExtractPakEntry's.
    ExtractResult Write(int32_t index, std::string_view extension, std::string_view bytes);

    // Removes the file of entry index itself, as this run extracted it, once its
    // converted file stands in for it; failures are ignored.
    void RemoveEntryFile(int32_t index);

    // True when the converted file of an entry for which converts answers true
    // would have the name (letter case folded) of another entry's file among
    // indices, or of another converted file: which of the two comes first then
    // decides what is written, so such a run is settled in list order.
    static bool NamesMeet(const PakArchive &archive, const std::vector<int32_t> &indices,
                          bool usePathNames, std::string_view extension,
                          const std::function<bool(int32_t)> &converts);

  private:
    const PakArchive &m_archive;
    std::string m_targetFolder;
    bool m_usePathNames;
    ExtractSettings m_settings;
    ExtractOwner *m_owner;
    ExtractFolderCache m_folders;
    bool m_archiveKnown = false;
    PlatformFiles::FileInfo m_archiveInfo;
};
