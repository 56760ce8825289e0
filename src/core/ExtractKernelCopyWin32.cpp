// The copy of large entries on Windows: through a buffer.
#include "ExtractKernelCopy.h"

#include "ExtractSteps.h"
#include "PlatformFiles.h"

#include <algorithm>

ExtractKernelCopy::Method ExtractKernelCopy::firstMethod()
{
    return Method::Buffer;
}

int64_t ExtractKernelCopy::step(Method &, NativeHandle in, int64_t &from, size_t size,
                                NativeHandle out)
{
    if (!m_buffer)
        m_buffer = std::make_unique<char[]>(BufferSize);
    const int64_t n = PlatformFiles::ReadAt(in, m_buffer.get(), std::min(size, BufferSize), from);
    if (n <= 0)
        return n;
    if (!ExtractSteps::WriteBytes(out, m_buffer.get(), static_cast<size_t>(n)))
        return -1;
    from += n;
    return n;
}
