#pragma once

#include "Fd.h"
#include "PakError.h"
#include "PlatformFiles.h"

#include <cstdint>
#include <memory>
#include <string>

// The archive an extraction run reads, kept open across its entries, with a
// window of its bytes read ahead, so that a run of small entries stored one
// after the other costs one read for many of them.
class ExtractArchiveFile final
{
  public:
    // Bytes of the archive, kept alive for as long as the caller holds them.
    struct Bytes
    {
        std::shared_ptr<const char[]> Window;
        const char *Data = nullptr;
        size_t Size = 0;
    };

    // Entries up to this size are read through the window; larger ones are
    // copied by the kernel.
    static constexpr int64_t WindowSize = int64_t{1} << 20;

    // Opens the archive at path unless it is open already. False when it is
    // not there (any more); an error for any other failure.
    Expected<bool> Open(const std::string &path);
    NativeHandle Get() const { return m_fd.get(); }
    const PlatformFiles::FileInfo &Info() const { return m_info; }
    // True when start and size describe bytes inside the archive as opened.
    bool Holds(int64_t start, int64_t size) const;

    // size bytes at start (size at most WindowSize). False with errno on a
    // failed read, or errno 0 when the archive ends early.
    bool Read(int64_t start, int64_t size, Bytes &bytes);

  private:
    std::string m_path;
    Fd m_fd;
    PlatformFiles::FileInfo m_info;
    std::shared_ptr<char[]> m_window;
    int64_t m_windowStart = 0;
    int64_t m_windowSize = 0;
};
