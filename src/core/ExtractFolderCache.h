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
class ExtractFolderCache final
{
  public:
    // A folder of the target as the steps of extraction see it.
    struct Folder
    {
        int Dir = -1;             // the open folder
        bool Fresh = false;       // walked and checked by this call; otherwise known from before
        bool ThroughLink = false; // a symbolic link (inside the target folder) led to it
        std::string Relative;     // below the target folder, ending in "/" unless empty
        std::string Shown;        // the target folder followed by Relative
    };

    // Opens the target folder (given with a trailing "/"), creating it when
    // missing. Another folder than the one open drops everything known.
    Expected<void> OpenRoot(const std::string &folder);
    int Root() const { return m_root.get(); }

    // The folder `names` below the target folder: known from before, or opened
    // now (created where missing), a link on the way followed only when it stays
    // inside the target folder. Folders made are appended to created (relative,
    // with a trailing "/"), when given.
    Expected<Folder> Open(const std::vector<std::string> &names, const std::string &entryName,
                          std::vector<std::string> *created = nullptr);
    // The same, always walked and checked now.
    Expected<Folder> Recheck(const std::vector<std::string> &names, const std::string &entryName,
                             std::vector<std::string> *created = nullptr);

    // Creates a new file at relativePath below root, every folder of the path
    // resolved beneath root at this moment (no absolute link, nothing leading
    // out). -1 with errno on failure, or when the kernel cannot resolve so.
    static int CreateBeneath(int root, const std::string &relativePath, int flags, int mode);
    // Removes the file (or, with folder true, the empty folder) at relativePath
    // below root, resolved the same way; failures are ignored.
    static void RemoveBeneath(int root, const std::string &relativePath, bool folder);
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
    std::string m_rootPath; // as given, with a trailing "/"
    Fd m_root;
    std::string m_rootReal; // the resolved target folder, looked up when a link is met
    std::unordered_map<std::string, Known> m_known;
    unsigned m_evictions = 0;
};
