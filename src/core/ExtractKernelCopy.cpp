// The copy of large entries in bounded steps, whatever carries the bytes.
#include "ExtractKernelCopy.h"

#include <algorithm>
#include <cerrno>

CopyStatus ExtractKernelCopy::Copy(NativeHandle in, int64_t offset, int64_t size, NativeHandle out,
                                   ExtractOwner *owner, const ExtractTarget &target)
{
    int64_t from = offset;
    Method method = firstMethod();
    int64_t copied = 0, reported = 0;
    while (copied < size) {
        // A step never runs past the next report, however the method cuts it.
        const int64_t limit = owner ? reported + ExtractProgressStep - copied : int64_t{1} << 30;
        const auto chunk = static_cast<size_t>(std::min(size - copied, limit));
        const int64_t n = step(method, in, from, chunk, out);
        if (n <= 0) {
            if (n == 0)
                errno = 0; // the archive ended early
            return CopyStatus::Failed;
        }
        copied += n;
        if (owner && (copied == size || copied - reported == ExtractProgressStep)) {
            reported = copied;
            if (!owner->CopyProgress(target, reported))
                return CopyStatus::Stopped;
        }
    }
    return CopyStatus::Done;
}
