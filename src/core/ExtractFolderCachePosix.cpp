// The folder walk beneath the target folder on Linux.
#include "ExtractFolderCache.h"

#include "mdlTools.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

std::atomic<bool> g_beneathWorks{true};

// A new file is created exclusively and never through a link.
constexpr int CreateFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;

int openBeneath(int root, const std::string &relativePath, int flags, int mode)
{
    open_how how{};
    how.flags = static_cast<uint64_t>(flags);
    how.mode = static_cast<uint64_t>(flags & O_CREAT ? mode : 0);
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    for (;;) {
        const long fd = ::syscall(SYS_openat2, root, relativePath.c_str(), &how, sizeof how);
        if (fd >= 0)
            return static_cast<int>(fd);
        if (errno == EINTR || errno == EAGAIN)
            continue;
        if (errno == ENOSYS || errno == E2BIG)
            g_beneathWorks = false;
        return -1;
    }
}

// The path the kernel resolved for an open folder.
std::string fdPath(int fd)
{
    std::string buffer(4096, '\0');
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size());
    buffer.resize(n > 0 && static_cast<size_t>(n) < buffer.size() ? static_cast<size_t>(n) : 0);
    return buffer;
}

bool isInside(const std::string &path, const std::string &root)
{
    return !root.empty() &&
           (path == root || (path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
                             (root == "/" || path[root.size()] == '/')));
}

} // namespace

bool ExtractFolderCache::CanResolveBeneath()
{
    return g_beneathWorks;
}

Fd ExtractFolderCache::CreateBeneath(const std::string &relativePath) const
{
    if (!g_beneathWorks) {
        errno = ENOSYS;
        return Fd();
    }
    return Fd(openBeneath(m_root.get(), relativePath, CreateFlags, 0666));
}

void ExtractFolderCache::RemoveBeneath(const std::string &relativePath, bool folder) const
{
    std::string path = relativePath;
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    const auto slash = path.rfind('/');
    const std::string parent = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty())
        return;
    // Without resolving beneath, nothing below a folder that may have changed is touched.
    const Fd dir(openBeneath(m_root.get(), parent, O_PATH | O_DIRECTORY | O_CLOEXEC, 0));
    if (dir.valid())
        ::unlinkat(dir.get(), name.c_str(), folder ? AT_REMOVEDIR : 0);
}

Expected<void> ExtractFolderCache::OpenRoot(const std::string &folder)
{
    if (m_root.valid() && m_rootPath == folder)
        return {};
    m_known.clear();
    m_rootReal.clear();
    m_rootPath = folder;
    m_root.reset(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!m_root.valid() && errno == ENOENT &&
        mdlTools::CreatePath(mdlTools::RemoveBackslash(folder)))
        m_root.reset(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!m_root.valid()) {
        const int err = errno;
        m_rootPath.clear();
        return err == ENOENT ? MakePakError(PakErrorCode::PathNotFound, folder)
                             : PakErrorFromErrno(err, folder);
    }
    return {};
}

Expected<ExtractFolderCache::Folder> ExtractFolderCache::walk(const std::vector<std::string> &names,
                                                              const std::string &entryName,
                                                              std::vector<std::string> *created)
{
    Folder folder;
    folder.Fresh = true;
    folder.Shown = m_rootPath;
    Fd dir(::dup(m_root.get()));
    for (const std::string &name : names) {
        folder.Shown += name;
        folder.Relative += name;
        const int flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
        int next = ::openat(dir.get(), name.c_str(), flags | O_NOFOLLOW);
        if (next < 0 && errno == ENOENT && ::mkdirat(dir.get(), name.c_str(), 0777) == 0) {
            if (created)
                created->push_back(folder.Relative + '/');
            next = ::openat(dir.get(), name.c_str(), flags | O_NOFOLLOW);
        }
        if (next < 0 && (errno == ENOTDIR || errno == ELOOP)) {
            struct stat st
            {
            };
            if (::fstatat(dir.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(st.st_mode)) {
                next = ::openat(dir.get(), name.c_str(), flags);
                if (next >= 0) {
                    if (m_rootReal.empty())
                        m_rootReal = fdPath(m_root.get());
                    if (!isInside(fdPath(next), m_rootReal)) {
                        ::close(next);
                        return MakePakError(PakErrorCode::BadFileName, entryName);
                    }
                    folder.ThroughLink = true;
                }
            } else {
                errno = ENOTDIR;
            }
        }
        if (next < 0) {
            const int err = errno;
            return err == ENOENT ? MakePakError(PakErrorCode::PathNotFound, folder.Shown)
                                 : PakErrorFromErrno(err, folder.Shown);
        }
        dir.reset(next);
        folder.Shown += '/';
        folder.Relative += '/';
    }
    folder.Dir = dir.get();
    if (CanResolveBeneath()) {
        remember(folder.Relative, std::move(dir), folder.ThroughLink);
    } else {
        // Kept only until the next walk: nothing is known without a kernel check.
        remember({}, std::move(dir), false);
    }
    return folder;
}
