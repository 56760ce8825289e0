// What the folder cache does alike on every system; the walk itself is in
// ExtractFolderCachePosix.cpp and ExtractFolderCacheWin32.cpp.
#include "ExtractFolderCache.h"

#include "PlatformFiles.h"

#include <iterator>

namespace {

std::string relativeOf(const std::vector<std::string> &names)
{
    std::string relative;
    for (const std::string &name : names) {
        relative += name;
        relative += PlatformFiles::Separator;
    }
    return relative;
}

} // namespace

Expected<ExtractFolderCache::Folder> ExtractFolderCache::Open(const std::vector<std::string> &names,
                                                              const std::string &entryName,
                                                              std::vector<std::string> *created)
{
    if (names.empty())
        return Folder{m_root.get(), true, false, {}, m_rootPath};
    std::string relative = relativeOf(names);
    if (const auto found = m_known.find(relative); found != m_known.end()) {
        Folder folder{
            found->second.Dir.get(), false, found->second.ThroughLink, std::move(relative), {}};
        folder.Shown = m_rootPath + folder.Relative;
        return folder;
    }
    return walk(names, entryName, created);
}

Expected<ExtractFolderCache::Folder>
ExtractFolderCache::Recheck(const std::vector<std::string> &names, const std::string &entryName,
                            std::vector<std::string> *created)
{
    if (names.empty())
        return Folder{m_root.get(), true, false, {}, m_rootPath};
    m_known.erase(relativeOf(names));
    return walk(names, entryName, created);
}

void ExtractFolderCache::remember(const std::string &relative, Fd dir, bool throughLink)
{
    if (m_known.size() >= Capacity && !m_known.count(relative)) {
        // A random victim, so that a run cycling through more folders than fit
        // still finds most of them.
        auto victim = m_known.begin();
        std::advance(victim, (m_evictions++ * 2654435761u) % m_known.size());
        m_known.erase(victim);
    }
    m_known[relative] = Known{std::move(dir), throughLink};
}
