#pragma once

#include "Fd.h"
#include "mdlPakFile.h"

#include <cstddef>
#include <cstdint>
#include <memory>

enum class CopyStatus
{
    Done,
    Failed, // errno says why; 0 when the archive ended early
    Stopped // the owner stopped it
};

// Copies a range of the archive into a new file without the bytes passing
// through user memory, for as long as an extraction run lasts.
//
// On Linux (ExtractKernelCopyPosix.cpp) the bytes are spliced through a pipe of a mebibyte. Entries
// sit at any offset in an archive, and the kernel's copy call moves them through a pipe of sixteen
// pages, which for a range off the page boundaries costs half as much again as an aligned copy.
// Where no large pipe is granted, or the file systems cannot splice, the copy call takes over, and
// after it a buffer. Windows has no such call for a range of an open file: there
// (ExtractKernelCopyWin32.cpp) a buffer of a mebibyte carries the bytes.
class ExtractKernelCopy final
{
  public:
    // Copies size bytes of in at offset to out's position. The owner hears of
    // every step of at most ExtractProgressStep bytes and the end, and may stop
    // the copy between steps.
    CopyStatus Copy(NativeHandle in, int64_t offset, int64_t size, NativeHandle out,
                    ExtractOwner *owner, const ExtractTarget &target);

    // The pipe's size wanted; less than the smallest is not worth splicing for.
    static constexpr size_t PipeSize = size_t{1} << 20;
    static constexpr size_t SmallestPipe = size_t{256} << 10;
    // The buffer of the last resort, and of Windows.
    static constexpr size_t BufferSize = size_t{1} << 20;

  private:
    enum class Method
    {
        Splice,
        CopyRange,
        Buffer
    };
    // The method a copy starts with; the platform's files say which.
    Method firstMethod();
    // One step of at most size bytes from in at from, which it advances; the
    // number copied (0 at the archive's end), or -1 with errno. A method the
    // files do not support gives way to the next.
    int64_t step(Method &method, NativeHandle in, int64_t &from, size_t size, NativeHandle out);
    bool openPipe();
    void dropPipe();
    int64_t splice(int in, int64_t &from, size_t size, int out, bool &unsupported);

    Fd m_pipeRead, m_pipeWrite;
    size_t m_pipeSize = 0;
    bool m_pipeRefused = false;
    std::unique_ptr<char[]> m_buffer;
};
