// The copy of large entries on Windows: through a buffer, in bounded steps.
#include "ExtractKernelCopy.h"

#include "ExtractSteps.h"
#include "PlatformFiles.h"

#include <algorithm>
#include <cerrno>

namespace {

constexpr size_t BufferSize = size_t{1} << 20;

} // namespace

CopyStatus ExtractKernelCopy::Copy(NativeHandle in, int64_t offset, int64_t size, NativeHandle out,
                                   ExtractOwner *owner, const ExtractTarget &target)
{
    if (!m_buffer)
        m_buffer = std::make_unique<char[]>(BufferSize);
    int64_t copied = 0, reported = 0;
    while (copied < size) {
        // A step never runs past the next report.
        const int64_t limit = owner ? reported + ExtractProgressStep - copied : int64_t{1} << 30;
        const auto chunk =
            static_cast<size_t>(std::min<int64_t>({size - copied, limit, int64_t{BufferSize}}));
        const int64_t n = PlatformFiles::ReadAt(in, m_buffer.get(), chunk, offset + copied);
        if (n <= 0) {
            if (n == 0)
                errno = 0; // the archive ended early
            return CopyStatus::Failed;
        }
        if (!ExtractSteps::WriteBytes(out, m_buffer.get(), static_cast<size_t>(n)))
            return CopyStatus::Failed;
        copied += n;
        if (owner && (copied == size || copied - reported == ExtractProgressStep)) {
            reported = copied;
            if (!owner->CopyProgress(target, reported))
                return CopyStatus::Stopped;
        }
    }
    return CopyStatus::Done;
}
