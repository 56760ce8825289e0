// The path forms and file routines of mdlTools on Linux: "/" separates, a
// root "/" plays the part of a drive root.
#include "mdlTools.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mdlTools {

std::string AddBackslash(std::string_view path)
{
    std::string result(path);
    if (!result.empty() && result.back() != '/')
        result += '/';
    return result;
}

std::string RemoveBackslash(std::string_view path)
{
    if (path == "/")
        return std::string(path);
    if (!path.empty() && path.back() == '/')
        path.remove_suffix(1);
    return std::string(path);
}

std::string GetFolderPart(std::string_view path)
{
    const auto p = path.rfind('/');
    return p == std::string_view::npos ? std::string() : std::string(path.substr(0, p));
}

std::string GetFileName(std::string_view path)
{
    const auto p = path.rfind('/');
    return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string GetFileExtension(std::string_view path)
{
    const auto dot = path.rfind('.');
    const auto slash = path.rfind('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    return std::string(path.substr(dot + 1));
}

std::string GetAppExePath()
{
    std::string buffer(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<size_t>(n) >= buffer.size())
        return {};
    buffer.resize(static_cast<size_t>(n));
    return buffer;
}

bool FileExists(const std::string &path)
{
    struct stat st
    {
    };
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirExists(const std::string &path)
{
    struct stat st
    {
    };
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreatePath(const std::string &path)
{
    // Every folder above the path, left to right; the root needs no creating.
    for (size_t p = path.find('/', 1); p != std::string::npos; p = path.find('/', p + 1)) {
        const std::string folder = path.substr(0, p);
        if (!DirExists(folder))
            ::mkdir(folder.c_str(), 0777);
    }
    if (!DirExists(path))
        ::mkdir(path.c_str(), 0777);
    return DirExists(path);
}

namespace {
int removeOne(const char *path, const struct stat *, int, FTW *)
{
    return ::remove(path);
}
} // namespace

bool DeletePath(const std::string &path)
{
    const std::string target = RemoveBackslash(path);
    struct stat st
    {
    };
    if (target.empty() || ::lstat(target.c_str(), &st) != 0)
        return false;
    if (!S_ISDIR(st.st_mode))
        return ::unlink(target.c_str()) == 0;
    // Depth first and physical: a link inside is removed, never followed.
    return ::nftw(target.c_str(), removeOne, 32, FTW_DEPTH | FTW_PHYS) == 0;
}

std::string GetFullPath(std::string_view path)
{
    if (path.empty())
        return {};
    std::string full;
    if (path.front() != '/') {
        char cwd[4096];
        if (!::getcwd(cwd, sizeof cwd))
            return {};
        full = AddBackslash(cwd);
    }
    full += path;

    std::vector<std::string_view> parts;
    std::string_view rest = full;
    while (!rest.empty()) {
        const auto p = rest.find('/');
        const std::string_view part = rest.substr(0, p);
        rest = p == std::string_view::npos ? std::string_view() : rest.substr(p + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string result;
    for (const auto part : parts) {
        result += '/';
        result += part;
    }
    if (result.empty())
        result.push_back('/'); // (assigning "/" trips a false -Wrestrict in GCC 12)
    else if (full.back() == '/')
        result += '/';
    return result;
}

std::string GetLongPath(const std::string &path)
{
    struct stat st
    {
    };
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return {};
    return GetFullPath(path);
}

std::string GetShortPath(const std::string &path)
{
    return path;
}

std::string GetTempFolder()
{
    const char *tmp = std::getenv("TMPDIR");
    return AddBackslash(tmp && *tmp ? tmp : "/tmp");
}

std::string GetPrivateTempFolder()
{
    const std::string folder = GetTempFolder() + "vannerby-" + std::to_string(::getuid());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat st
    {
    };
    // Another user could have planted a link or a folder of their own here.
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return {};
    if ((st.st_mode & 0777) != 0700 && ::chmod(folder.c_str(), 0700) != 0)
        return {};
    return folder + '/';
}

} // namespace mdlTools
