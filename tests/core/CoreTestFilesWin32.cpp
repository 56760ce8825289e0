#include "CoreTestFiles.h"

#include "PlatformFilesWin32.h"
#include "WideText.h"

#include <windows.h>

#include <algorithm>

using PlatformFiles::LongPath;

std::string Under(const std::string &folder, const std::string &relative)
{
    std::string joined = mdlTools::AddBackslash(folder) + relative;
    std::replace(joined.begin() + static_cast<std::ptrdiff_t>(folder.size()), joined.end(), '/',
                 '\\');
    return joined;
}

std::set<std::string> ListDir(const std::string &path)
{
    std::set<std::string> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW((LongPath(path) + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names.insert(PlatformFiles::ShortForm(name));
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return names;
}

namespace {

mdlTools::FileTime fromFiletime(const FILETIME &time)
{
    return static_cast<mdlTools::FileTime>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

} // namespace

TestFileTimes TimesAt(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(LongPath(path).c_str(), GetFileExInfoStandard, &data))
        return {};
    return {fromFiletime(data.ftCreationTime), fromFiletime(data.ftLastAccessTime),
            fromFiletime(data.ftLastWriteTime)};
}

void MakeReadOnly(const std::string &path)
{
    ::SetFileAttributesW(LongPath(path).c_str(), FILE_ATTRIBUTE_READONLY);
}

bool RenamePath(const std::string &from, const std::string &to)
{
    return ::MoveFileExW(LongPath(from).c_str(), LongPath(to).c_str(), 0) != 0;
}

bool MakeSymlink(const std::string &target, const std::string &path)
{
    std::wstring wideTarget = WideText::FromUtf8(target);
    std::replace(wideTarget.begin(), wideTarget.end(), L'/', L'\\');
    const DWORD attributes = ::GetFileAttributesW(LongPath(Under(path, "../" + target)).c_str());
    const DWORD flags =
        (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
             ? SYMBOLIC_LINK_FLAG_DIRECTORY
             : 0) |
        SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
    // Wine reports success for links it cannot resolve afterwards: only a link
    // that leads somewhere counts.
    return ::CreateSymbolicLinkW(LongPath(path).c_str(), wideTarget.c_str(), flags) != 0 &&
           ::GetFileAttributesW(LongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string LinkTarget(const std::string &path)
{
    const DWORD attributes = ::GetFileAttributesW(LongPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return {};
    return "(reparse point)";
}

const bool LinksFollowedInside = false;

bool MakeFifo(const std::string &)
{
    return false;
}
