#pragma once

#include "mdlPakFile.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// A run over many entries that writes new small files on helper threads, while
// every result is settled on the calling thread in the order of the run: the
// same files, answers and errors as calling ExtractPakEntry for one entry after
// the other.
class ExtractRun final
{
  public:
    // Told of each entry's result, in the order of the run, on the calling thread.
    using Listener = std::function<void(size_t position, const ExtractResult &result)>;

    ExtractRun(const PakArchive &archive, std::string targetFolder, bool usePathNames,
               ExtractSettings settings, ExtractOwner *owner);

    // Extracts the entries at indices, in that order. The owner is asked and the
    // listener told on the calling thread, in order; the run ends after the first
    // empty result, and nothing that a later entry wrote ahead of it stays behind.
    // writers: how many threads write, the calling thread among them (0: one
    // per core); with one, or few entries, everything runs on the calling thread.
    // goOn, when given, is asked after each entry's listener: false ends the run
    // there as an empty result would.
    void Extract(const std::vector<int32_t> &indices, const Listener &listener,
                 unsigned writers = 0, const std::function<bool()> &goOn = {});

  private:
    const PakArchive &m_archive;
    std::string m_targetFolder;
    bool m_usePathNames;
    ExtractSettings m_settings;
    ExtractOwner *m_owner;
};
