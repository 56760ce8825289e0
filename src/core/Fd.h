#pragma once

#include <utility>

// The system's handle of an open file or folder, and how it is closed.
#ifdef _WIN32
// A Windows HANDLE; INVALID_HANDLE_VALUE (or null) when there is none.
using NativeHandle = void *;
inline const NativeHandle InvalidNativeHandle = reinterpret_cast<NativeHandle>(-1);
inline bool IsValidNativeHandle(NativeHandle handle)
{
    return handle != InvalidNativeHandle && handle != nullptr;
}
// CloseHandle, in PlatformFilesWin32.cpp.
void CloseNativeHandle(NativeHandle handle);
#else
#include <unistd.h>
// A file descriptor; -1 when there is none.
using NativeHandle = int;
inline constexpr NativeHandle InvalidNativeHandle = -1;
inline bool IsValidNativeHandle(NativeHandle fd)
{
    return fd >= 0;
}
inline void CloseNativeHandle(NativeHandle fd)
{
    ::close(fd);
}
#endif

// Closes an open file or folder of the system when it goes out of scope.
class Fd final
{
  public:
    explicit Fd(NativeHandle fd = InvalidNativeHandle) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    Fd(Fd &&other) noexcept : m_fd(std::exchange(other.m_fd, InvalidNativeHandle)) {}
    Fd &operator=(Fd &&other) noexcept
    {
        reset(std::exchange(other.m_fd, InvalidNativeHandle));
        return *this;
    }
    NativeHandle get() const { return m_fd; }
    bool valid() const { return IsValidNativeHandle(m_fd); }
    void reset(NativeHandle fd = InvalidNativeHandle)
    {
        if (valid())
            CloseNativeHandle(m_fd);
        m_fd = fd;
    }
    NativeHandle release() { return std::exchange(m_fd, InvalidNativeHandle); }

  private:
    NativeHandle m_fd;
};
