#pragma once

#include "Fd.h"
#include "PakError.h"

#include <string>
#include <unordered_map>
#include <vector>

// The folders one extraction run has opened below its target folder, by their
// path, so that a folder is walked, created and checked for links once, and a
// new file in a known folder costs a single create call. That call resolves the
// path again below the target folder, so a folder replaced or removed since it
// was checked is noticed by the kernel at that moment; the caller then asks for
// the folder again with Recheck.
//
// Linux (ExtractFolderCachePosix.cpp) resolves beneath the target folder with
// openat2. Windows (ExtractFolderCacheWin32.cpp) has no such call: there every
// folder on the way is opened without following a reparse point, checked, and
// held open without delete sharing, which pins it (it cannot be renamed, removed
// or replaced by a junction) for as long as the file is created by its path.
// A reparse point (junction or symbolic link) below the target folder is never
// followed on Windows.
class ExtractFolderCache final
{
  public:
    // A folder of the target as the steps of extraction see it.
    struct Folder
    {
        NativeHandle Dir = InvalidNativeHandle; // the open folder
        bool Fresh = false;       // walked and checked by this call; otherwise known from before
        bool ThroughLink = false; // a symbolic link (inside the target folder) led to it
        std::string Relative;     // below the target folder, ending in the separator unless empty
        std::string Shown;        // the target folder followed by Relative
    };

    // Opens the target folder (given with a trailing separator), creating it
    // when missing. Another folder than the one open drops everything known.
    Expected<void> OpenRoot(const std::string &folder);

    // The folder `names` below the target folder: known from before, or opened
    // now (created where missing), a link on the way followed only when it stays
    // inside the target folder. Folders made are appended to created (relative,
    // with a trailing "/"), when given.
    Expected<Folder> Open(const std::vector<std::string> &names, const std::string &entryName,
                          std::vector<std::string> *created = nullptr);
    // The same, always walked and checked now.
    Expected<Folder> Recheck(const std::vector<std::string> &names, const std::string &entryName,
                             std::vector<std::string> *created = nullptr);

    // Creates a new file exclusively at relativePath below the open target
    // folder, every folder of the path resolved beneath it at this moment (no
    // absolute link, nothing leading out). Invalid with errno on failure, or when
    // the system cannot resolve so. Safe on any thread while the target folder
    // stays open.
    Fd CreateBeneath(const std::string &relativePath) const;
    // Removes the file (or, with folder true, the empty folder) at relativePath
    // below the target folder, resolved the same way; failures are ignored.
    void RemoveBeneath(const std::string &relativePath, bool folder) const;
    // Closes the folders known (the target folder stays open), so that they can
    // be removed: Windows removes no folder that is held open.
    void Forget() { m_known.clear(); }
    // True while the kernel can resolve paths beneath a folder; without that
    // nothing is kept and every folder is walked for each entry.
    static bool CanResolveBeneath();

  private:
    struct Known
    {
        Fd Dir;
        bool ThroughLink = false;
    };
    Expected<Folder> walk(const std::vector<std::string> &names, const std::string &entryName,
                          std::vector<std::string> *created);
    void remember(const std::string &relative, Fd dir, bool throughLink);

    // Enough for the folders of large archives; each holds a descriptor.
    static constexpr size_t Capacity = 512;
    std::string m_rootPath; // as given, with a trailing separator
    Fd m_root;
    std::string m_rootReal; // the resolved target folder, looked up when a link is met
    std::unordered_map<std::string, Known> m_known;
    unsigned m_evictions = 0;
};
