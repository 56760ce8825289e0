#include "ExtractKernelCopy.h"

#include "ExtractSteps.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool isUnsupported(int err)
{
    return err == EINVAL || err == ENOSYS || err == EOPNOTSUPP || err == EXDEV || err == EBADF;
}

} // namespace

bool ExtractKernelCopy::openPipe()
{
    if (m_pipeRead.valid())
        return true;
    if (m_pipeRefused)
        return false;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        m_pipeRefused = true;
        return false;
    }
    m_pipeRead.reset(ends[0]);
    m_pipeWrite.reset(ends[1]);
    // The system may cap a user's pipes below the size asked for.
    ::fcntl(ends[1], F_SETPIPE_SZ, static_cast<int>(PipeSize));
    const int granted = ::fcntl(ends[1], F_GETPIPE_SZ);
    if (granted < static_cast<int>(SmallestPipe)) {
        dropPipe();
        m_pipeRefused = true;
        return false;
    }
    m_pipeSize = static_cast<size_t>(granted);
    return true;
}

void ExtractKernelCopy::dropPipe()
{
    const int err = errno;
    m_pipeRead.reset();
    m_pipeWrite.reset();
    errno = err;
}

int64_t ExtractKernelCopy::splice(int in, int64_t &from, size_t size, int out, bool &unsupported)
{
    // The pipe is empty between calls, so filling it never waits; it takes
    // fewer bytes than asked when a misaligned range needs one page more.
    ssize_t filled;
    do
        filled = ::splice(in, &from, m_pipeWrite.get(), nullptr, std::min(size, m_pipeSize), 0);
    while (filled < 0 && errno == EINTR);
    if (filled <= 0) {
        unsupported = filled < 0 && isUnsupported(errno);
        if (unsupported) {
            dropPipe();
            m_pipeRefused = true;
        }
        return filled;
    }
    size_t left = static_cast<size_t>(filled);
    while (left > 0) {
        const ssize_t n = ::splice(m_pipeRead.get(), nullptr, out, nullptr, left, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            unsupported = left == static_cast<size_t>(filled) && isUnsupported(errno);
            // What is still in the pipe must not reach the next file.
            dropPipe();
            if (unsupported) {
                from -= static_cast<loff_t>(left);
                m_pipeRefused = true;
            }
            return -1;
        }
        left -= static_cast<size_t>(n);
    }
    return filled;
}

int64_t ExtractKernelCopy::step(Method &method, NativeHandle in, int64_t &from, size_t size,
                                NativeHandle out)
{
    for (;;) {
        ssize_t n = -1;
        bool unsupported = false;
        switch (method) {
        case Method::Splice:
            n = splice(in, from, size, out, unsupported);
            break;
        case Method::CopyRange:
            n = ::copy_file_range(in, &from, out, nullptr, size, 0);
            unsupported = n < 0 && isUnsupported(errno);
            break;
        case Method::Buffer:
            if (!m_buffer)
                m_buffer = std::make_unique<char[]>(BufferSize);
            n = ::pread(in, m_buffer.get(), std::min(size, BufferSize), from);
            if (n > 0) {
                if (!ExtractSteps::WriteBytes(out, m_buffer.get(), static_cast<size_t>(n)))
                    return -1;
                from += n;
            }
            break;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (unsupported && method != Method::Buffer) {
            // Only a method that has not moved a byte of this step is left behind.
            method = method == Method::Splice ? Method::CopyRange : Method::Buffer;
            continue;
        }
        return n;
    }
}

ExtractKernelCopy::Method ExtractKernelCopy::firstMethod()
{
    return openPipe() ? Method::Splice : Method::CopyRange;
}
