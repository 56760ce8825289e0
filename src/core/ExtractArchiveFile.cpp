#include "ExtractArchiveFile.h"

#include <algorithm>
#include <cerrno>

Expected<bool> ExtractArchiveFile::Open(const std::string &path)
{
    if (m_fd.valid() && m_path == path)
        return true;
    m_window.reset();
    m_windowSize = 0;
    m_path = path;
    m_fd = PlatformFiles::OpenRead(path);
    if (!m_fd.valid()) {
        if (errno == ENOENT || errno == ENOTDIR || errno == ErrnoPathNotFound)
            return false;
        return PakErrorFromErrno(errno, path);
    }
    if (!PlatformFiles::InfoOf(m_fd.get(), m_info)) {
        const int err = errno;
        m_fd.reset();
        return PakErrorFromErrno(err, path);
    }
    return true;
}

bool ExtractArchiveFile::Holds(int64_t start, int64_t size) const
{
    return start >= 0 && size >= 0 && start + size <= m_info.Size;
}

bool ExtractArchiveFile::Read(int64_t start, int64_t size, Bytes &bytes)
{
    const bool inWindow =
        m_window && start >= m_windowStart && start + size <= m_windowStart + m_windowSize;
    if (!inWindow) {
        // Read ahead only where the run goes on from the last window, so that
        // entries taken one by one from all over the archive read only themselves.
        const bool sequential = m_window && start == m_windowStart + m_windowSize;
        const int64_t length =
            sequential ? std::max(size, std::min<int64_t>(WindowSize, m_info.Size - start)) : size;
        std::shared_ptr<char[]> window(new char[static_cast<size_t>(std::max<int64_t>(length, 1))]);
        int64_t done = 0;
        int err = 0; // stays 0 when the archive ends early
        while (done < length) {
            const int64_t n = PlatformFiles::ReadAt(
                m_fd.get(), window.get() + done, static_cast<size_t>(length - done), start + done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                err = errno;
            if (n <= 0)
                break;
            done += n;
        }
        if (done < size) {
            errno = err;
            return false;
        }
        m_window = std::move(window);
        m_windowStart = start;
        m_windowSize = done;
    }
    bytes.Window = m_window;
    bytes.Data = m_window.get() + (start - m_windowStart);
    bytes.Size = static_cast<size_t>(size);
    return true;
}
