// The path forms and file routines of mdlTools on Windows: "\" separates (a "/"
// is taken as one too), "C:\" and "\\server\share\" are roots, and the wide API
// with "\\?\" paths reaches beyond 260 characters.
#include "mdlTools.h"

#include "PlatformFilesWin32.h"
#include "WideText.h"

#include <windows.h>

#include <string>

using PlatformFiles::LongPath;
using PlatformFiles::ShortForm;

namespace mdlTools {
namespace {

bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

size_t lastSeparator(std::string_view path)
{
    return path.find_last_of("\\/");
}

// How many characters the root takes: "C:\" 3, "\\server\share\" all of it,
// "\" 1, none for a relative path.
size_t rootLength(std::string_view path)
{
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        const size_t server = path.find_first_of("\\/", 2);
        if (server == std::string_view::npos)
            return path.size();
        const size_t share = path.find_first_of("\\/", server + 1);
        return share == std::string_view::npos ? path.size() : share + 1;
    }
    if (path.size() >= 3 && path[1] == ':' && isSeparator(path[2]))
        return 3;
    if (!path.empty() && isSeparator(path[0]))
        return 1;
    return 0;
}

DWORD attributesOf(const std::string &path)
{
    return path.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(LongPath(path).c_str());
}

bool deleteTree(const std::wstring &path, DWORD attributes)
{
    if (attributes & FILE_ATTRIBUTE_READONLY)
        ::SetFileAttributesW(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return ::DeleteFileW(path.c_str()) != 0;
    // A junction or a link to a folder is removed itself, never followed.
    bool done = true;
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAW found{};
        const HANDLE search = ::FindFirstFileExW((path + L"\\*").c_str(), FindExInfoBasic, &found,
                                                 FindExSearchNameMatch, nullptr, 0);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name != L"." && name != L"..")
                    done = deleteTree(path + L"\\" + name, found.dwFileAttributes) && done;
            } while (::FindNextFileW(search, &found));
            ::FindClose(search);
        }
    }
    return ::RemoveDirectoryW(path.c_str()) != 0 && done;
}

} // namespace

std::string AddBackslash(std::string_view path)
{
    std::string result(path);
    if (!result.empty() && !isSeparator(result.back()))
        result += '\\';
    return result;
}

std::string RemoveBackslash(std::string_view path)
{
    // A drive root keeps its backslash; "\" alone becomes empty.
    if (path.size() == 3 && path[1] == ':' && isSeparator(path[2]))
        return std::string(path);
    if (!path.empty() && isSeparator(path.back()))
        path.remove_suffix(1);
    return std::string(path);
}

std::string GetFolderPart(std::string_view path)
{
    const auto p = lastSeparator(path);
    return p == std::string_view::npos ? std::string() : std::string(path.substr(0, p));
}

std::string GetFileName(std::string_view path)
{
    const auto p = lastSeparator(path);
    return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string GetFileExtension(std::string_view path)
{
    const auto dot = path.rfind('.');
    const auto slash = lastSeparator(path);
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    return std::string(path.substr(dot + 1));
}

std::string GetAppExePath()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return ShortForm(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool FileExists(const std::string &path)
{
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::string &path)
{
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreatePath(const std::string &path)
{
    // Every folder above the path, left to right; the root needs no creating.
    const size_t root = rootLength(path);
    for (size_t p = path.find_first_of("\\/", root); p != std::string::npos;
         p = path.find_first_of("\\/", p + 1)) {
        const std::string folder = path.substr(0, p);
        if (!folder.empty() && !isSeparator(folder.back()) && !DirExists(folder))
            ::CreateDirectoryW(LongPath(folder).c_str(), nullptr);
    }
    if (!DirExists(path))
        ::CreateDirectoryW(LongPath(path).c_str(), nullptr);
    return DirExists(path);
}

bool DeletePath(const std::string &path)
{
    const std::string target = RemoveBackslash(path);
    const DWORD attributes = attributesOf(target);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    return deleteTree(LongPath(target), attributes);
}

std::string GetFullPath(std::string_view path)
{
    if (path.empty())
        return {};
    return ShortForm(LongPath(path));
}

namespace {

// The form GetLongPathNameW or GetShortPathNameW gives an existing path; empty
// when there is none (Wine answers a \\?\ path unchanged even when nothing is
// there, so existence is asked first).
std::string PathForm(const std::string &path, DWORD (*form)(LPCWSTR, LPWSTR, DWORD))
{
    if (attributesOf(path) == INVALID_FILE_ATTRIBUTES)
        return {};
    const std::wstring full = LongPath(path);
    const DWORD n = form(full.c_str(), nullptr, 0);
    if (n == 0)
        return {};
    std::wstring buffer(n, L'\0');
    const DWORD m = form(full.c_str(), buffer.data(), n);
    if (m == 0 || m >= n)
        return {};
    buffer.resize(m);
    return ShortForm(buffer);
}

} // namespace

std::string GetLongPath(const std::string &path)
{
    return PathForm(path, ::GetLongPathNameW);
}

std::string GetShortPath(const std::string &path)
{
    return PathForm(path, ::GetShortPathNameW);
}

std::string GetTempFolder()
{
    wchar_t buffer[MAX_PATH + 2];
    const DWORD n = ::GetTempPathW(MAX_PATH + 2, buffer);
    if (n == 0 || n > MAX_PATH + 1)
        return {};
    return AddBackslash(WideText::ToUtf8(std::wstring_view(buffer, n)));
}

std::string GetPrivateTempFolder()
{
    // Windows' temporary folder is the user's own; below it each running copy
    // keeps a folder of its own, so that one copy's clean-up at its end never
    // takes another's files.
    const std::string temp = GetTempFolder();
    if (temp.empty())
        return {};
    const std::string folder = temp + "vannerby-" + std::to_string(::GetCurrentProcessId());
    if (!::CreateDirectoryW(LongPath(folder).c_str(), nullptr) &&
        ::GetLastError() != ERROR_ALREADY_EXISTS)
        return {};
    // Something else could have been put here: only a real folder will do.
    const DWORD attributes = attributesOf(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return {};
    return folder + '\\';
}

} // namespace mdlTools
