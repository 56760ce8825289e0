// The folder walk beneath the target folder on Windows. Every folder on the way
// is opened without following a reparse point and held open without delete
// sharing, which pins it: it cannot be renamed, removed or turned into a
// junction while a file is created by its path.
#include "ExtractFolderCache.h"

#include "PlatformFiles.h"
#include "PlatformFilesWin32.h"
#include "WideText.h"
#include "mdlTools.h"

#include <windows.h>

#include <cerrno>

using PlatformFiles::LongPath;

namespace {

enum class Opened
{
    Folder,
    Missing,
    Reparse, // a junction or a symbolic link, never followed below the target
    Failed   // errno says why
};

// The path the system resolved for an open handle; empty when it cannot tell.
std::wstring finalPath(HANDLE handle)
{
    // Room for the longest path at once: Wine answers a short buffer with 0.
    std::wstring buffer(32768, L'\0');
    for (;;) {
        const DWORD n =
            ::GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0)
            return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            while (!buffer.empty() && buffer.back() == L'\\')
                buffer.pop_back();
            return buffer;
        }
        buffer.resize(n);
    }
}

// Opens the folder at path and pins it; a reparse point is followed only when
// follow is true. Where resolved is given, the folder must be found there too:
// a link that the system does not flag as a reparse point (Wine's links to
// Unix folders) is caught so.
Opened openFolder(const std::string &path, bool follow, Fd &dir,
                  const std::wstring *resolved = nullptr)
{
    dir.reset(::CreateFileW(
        LongPath(path).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT),
        nullptr));
    if (!dir.valid()) {
        const DWORD error = ::GetLastError();
        errno = PlatformFiles::ErrnoOfWin32Error(error);
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Opened::Missing
                                                                              : Opened::Failed;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(dir.get(), &info)) {
        PlatformFiles::SetErrnoFromLastError();
        dir.reset();
        return Opened::Failed;
    }
    if (!follow && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        dir.reset();
        return Opened::Reparse;
    }
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        dir.reset();
        errno = ENOTDIR;
        return Opened::Failed;
    }
    // Where the system cannot tell (Wine, for paths beyond 260 characters), the
    // reparse point attribute alone decides.
    if (resolved && resolved->size() > 1) {
        const std::wstring real = finalPath(dir.get());
        if (!real.empty() &&
            ::CompareStringOrdinal(real.data(), static_cast<int>(real.size()), resolved->data(),
                                   static_cast<int>(resolved->size()), TRUE) != CSTR_EQUAL) {
            dir.reset();
            return Opened::Reparse;
        }
    }
    return Opened::Folder;
}

// The folders of relativePath (all but its last name) below root, each opened,
// checked and pinned, in held; false with errno when one is missing, not a
// folder or a reparse point.
bool pinFolders(const std::string &root, const std::wstring &rootReal,
                const std::string &relativePath, std::vector<Fd> &held, std::string &parent)
{
    parent = root;
    for (size_t begin = 0;;) {
        const size_t end = relativePath.find('\\', begin);
        if (end == std::string::npos)
            return true;
        parent += relativePath.substr(begin, end - begin + 1);
        const std::wstring resolved =
            rootReal.empty() ? std::wstring()
                             : rootReal + L"\\" + WideText::FromUtf8(relativePath.substr(0, end));
        Fd dir;
        const Opened opened = openFolder(parent, false, dir, &resolved);
        if (opened != Opened::Folder) {
            if (opened == Opened::Reparse)
                errno = ELOOP;
            return false;
        }
        held.push_back(std::move(dir));
        begin = end + 1;
    }
}

} // namespace

bool ExtractFolderCache::CanResolveBeneath()
{
    return true;
}

Fd ExtractFolderCache::CreateBeneath(const std::string &relativePath) const
{
    std::vector<Fd> held;
    std::string parent;
    if (!pinFolders(m_rootPath, WideText::FromUtf8(m_rootReal), relativePath, held, parent))
        return Fd();
    const size_t slash = relativePath.rfind('\\');
    return PlatformFiles::CreateIn(InvalidNativeHandle, parent,
                                   relativePath.substr(slash == std::string::npos ? 0 : slash + 1));
}

void ExtractFolderCache::RemoveBeneath(const std::string &relativePath, bool folder) const
{
    std::string path = relativePath;
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    if (path.empty())
        return;
    std::vector<Fd> held;
    std::string parent;
    if (!pinFolders(m_rootPath, WideText::FromUtf8(m_rootReal), path, held, parent))
        return;
    const size_t slash = path.rfind('\\');
    const std::wstring target =
        LongPath(parent + path.substr(slash == std::string::npos ? 0 : slash + 1));
    if (folder)
        ::RemoveDirectoryW(target.c_str());
    else
        ::DeleteFileW(target.c_str());
}

Expected<void> ExtractFolderCache::OpenRoot(const std::string &folder)
{
    if (m_root.valid() && m_rootPath == folder)
        return {};
    m_known.clear();
    m_rootReal.clear();
    m_rootPath = folder;
    // The target folder itself is the user's choice: a link to it is followed.
    Opened opened = openFolder(folder, true, m_root);
    if (opened == Opened::Missing && mdlTools::CreatePath(mdlTools::RemoveBackslash(folder)))
        opened = openFolder(folder, true, m_root);
    if (opened != Opened::Folder) {
        const int err = errno;
        m_rootPath.clear();
        m_root.reset();
        return opened == Opened::Missing ? MakePakError(PakErrorCode::PathNotFound, folder)
                                         : PakErrorFromErrno(err, folder);
    }
    m_rootReal = WideText::ToUtf8(finalPath(m_root.get()));
    return {};
}

Expected<ExtractFolderCache::Folder> ExtractFolderCache::walk(const std::vector<std::string> &names,
                                                              const std::string &entryName,
                                                              std::vector<std::string> *created)
{
    Folder folder;
    folder.Fresh = true;
    folder.Shown = m_rootPath;
    // Each folder stays pinned until the next one below it is open and checked.
    Fd dir;
    for (const std::string &name : names) {
        const std::string path = folder.Shown + name;
        folder.Relative += name;
        const std::wstring resolved = m_rootReal.empty()
                                          ? std::wstring()
                                          : WideText::FromUtf8(m_rootReal + '\\' + folder.Relative);
        Fd next;
        Opened opened = openFolder(path, false, next, &resolved);
        if (opened == Opened::Missing) {
            if (::CreateDirectoryW(LongPath(path).c_str(), nullptr)) {
                if (created)
                    created->push_back(folder.Relative + '\\');
                opened = openFolder(path, false, next, &resolved);
            } else {
                PlatformFiles::SetErrnoFromLastError();
                if (errno != ENOENT && errno != ErrnoPathNotFound)
                    opened = Opened::Failed;
            }
        }
        if (opened == Opened::Reparse)
            return MakePakError(PakErrorCode::BadFileName, entryName);
        if (opened == Opened::Missing)
            return MakePakError(PakErrorCode::PathNotFound, path);
        if (opened == Opened::Failed)
            return PakErrorFromErrno(errno, path);
        dir = std::move(next);
        folder.Shown += name + '\\';
        folder.Relative += '\\';
    }
    folder.Dir = dir.get();
    remember(folder.Relative, std::move(dir), false);
    return folder;
}
