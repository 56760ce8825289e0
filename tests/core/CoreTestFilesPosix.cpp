#include "CoreTestFiles.h"

#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::string Under(const std::string &folder, const std::string &relative)
{
    return mdlTools::AddBackslash(folder) + relative;
}

std::set<std::string> ListDir(const std::string &path)
{
    std::set<std::string> names;
    if (DIR *d = opendir(path.c_str())) {
        while (const dirent *e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.insert(e->d_name);
        closedir(d);
    }
    return names;
}

TestFileTimes TimesAt(const std::string &path)
{
    struct statx sx
    {
    };
    TestFileTimes times;
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW,
                STATX_ATIME | STATX_MTIME | STATX_BTIME, &sx) != 0)
        return times;
    const auto convert = [](const statx_timestamp &t) {
        return mdlTools::FileTimeFromTimespec(timespec{static_cast<time_t>(t.tv_sec), t.tv_nsec});
    };
    if (sx.stx_mask & STATX_BTIME)
        times.Creation = convert(sx.stx_btime);
    times.LastAccess = convert(sx.stx_atime);
    times.LastWrite = convert(sx.stx_mtime);
    return times;
}

void MakeReadOnly(const std::string &path)
{
    chmod(path.c_str(), 0444);
}

bool RenamePath(const std::string &from, const std::string &to)
{
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool MakeSymlink(const std::string &target, const std::string &path)
{
    return symlink(target.c_str(), path.c_str()) == 0;
}

std::string LinkTarget(const std::string &path)
{
    char target[4096] = {};
    const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
    return n > 0 ? std::string(target, static_cast<size_t>(n)) : std::string();
}

const bool LinksFollowedInside = true;

bool MakeFifo(const std::string &path)
{
    return mkfifo(path.c_str(), 0600) == 0;
}
