// The profile file's system calls on POSIX systems.
#include "ProfileFileIo.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ProfileFileIo {

namespace {

// Reads the whole file in one read, looping only for short reads and for a
// file that grew since fstat.
bool ReadAll(int fd, std::size_t size, std::size_t maxSize, Contents &file)
{
    std::size_t capacity = size + 1;
    file.Buffer = std::make_unique_for_overwrite<char[]>(capacity);
    for (;;) {
        if (file.Size == capacity) {
            if (capacity > maxSize)
                return false;
            auto bigger = std::make_unique_for_overwrite<char[]>(capacity * 2);
            std::memcpy(bigger.get(), file.Buffer.get(), file.Size);
            file.Buffer = std::move(bigger);
            capacity *= 2;
        }
        const ssize_t got = ::read(fd, file.Buffer.get() + file.Size, capacity - file.Size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return file.Size <= maxSize;
        file.Size += static_cast<std::size_t>(got);
    }
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

Contents Read(const std::string &path, std::size_t maxSize)
{
    Contents file;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        // A missing file is an empty one; any other failure makes it unusable.
        file.Complete = errno == ENOENT;
        return file;
    }
    file.Exists = true;
    struct stat info = {};
    file.Complete = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                    static_cast<std::size_t>(info.st_size) <= maxSize &&
                    ReadAll(fd, static_cast<std::size_t>(info.st_size), maxSize, file);
    ::close(fd);
    file.Mode = info.st_mode;
    file.Owner = info.st_uid;
    file.Group = info.st_gid;
    return file;
}

bool IsWritable(const std::string &path, const Contents &old)
{
    // A file without any write permission counts as read-only even for root,
    // as the read-only attribute does on Windows.
    return (old.Mode & 0222) != 0 && ::access(path.c_str(), W_OK) == 0;
}

bool Replace(const std::string &path, std::string_view bytes, const Contents &old)
{
    std::string target = path;
    struct stat linkInfo = {};
    if (::lstat(path.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
        // Keep the link: replace the file it points to.
        char *real = ::realpath(path.c_str(), nullptr);
        if (real == nullptr)
            return false;
        target = real;
        std::free(real);
    }
    const std::size_t slash = target.rfind('/');
    std::string temp = slash == std::string::npos
                           ? "." + target
                           : target.substr(0, slash + 1) + "." + target.substr(slash + 1);
    temp += ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, old.Exists ? (old.Mode & 07777) : NewFileMode()) == 0;
    if (ok && old.Exists && ::fchown(fd, old.Owner, old.Group) != 0) {
        // Only root can hand the file back to its owner; others keep theirs anyway.
    }
    ok = ok && WriteAll(fd, bytes) && ::fdatasync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

} // namespace ProfileFileIo
