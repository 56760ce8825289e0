// The archive core's file calls on Windows: the wide API, "\\?\" paths.
#include "PlatformFilesWin32.h"

#include "PlatformFiles.h"
#include "WideText.h"
#include "mdlPakFile.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <new>

using namespace mdlTools;

void CloseNativeHandle(NativeHandle handle)
{
    ::CloseHandle(handle);
}

namespace PlatformFiles {
namespace {

// Reads and writes go in pieces that fit a DWORD comfortably.
constexpr size_t Piece = size_t{1} << 30;

FileTime fromFiletime(const FILETIME &time)
{
    return static_cast<FileTime>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

FILETIME toFiletime(FileTime time)
{
    FILETIME result;
    result.dwLowDateTime = static_cast<DWORD>(time & 0xFFFFFFFFu);
    result.dwHighDateTime = static_cast<DWORD>(time >> 32);
    return result;
}

void fill(const BY_HANDLE_FILE_INFORMATION &data, FileInfo &info)
{
    info.Folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.Regular = !info.Folder && (data.dwFileAttributes &
                                    (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) == 0;
    info.ReadOnly = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    info.Size =
        static_cast<int64_t>(static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow);
    info.Volume = data.dwVolumeSerialNumber;
    info.Index = static_cast<uint64_t>(data.nFileIndexHigh) << 32 | data.nFileIndexLow;
}

bool infoOfHandle(HANDLE file, FileInfo &info)
{
    BY_HANDLE_FILE_INFORMATION data{};
    if (!::GetFileInformationByHandle(file, &data)) {
        SetErrnoFromLastError();
        return false;
    }
    fill(data, info);
    return true;
}

// Opens a path only to look at it: folders too, and links themselves unless follow.
Fd openToLook(const std::string &path, bool follow)
{
    const HANDLE file = ::CreateFileW(
        LongPath(path).c_str(), FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
    if (file == INVALID_HANDLE_VALUE)
        SetErrnoFromLastError();
    return Fd(file);
}

} // namespace

int ErrnoOfWin32Error(unsigned long error)
{
    switch (error) {
    case ERROR_SUCCESS:
        return 0;
    case ERROR_FILE_NOT_FOUND:
        return ENOENT;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return ErrnoPathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_PRIVILEGE_NOT_HELD:
    case ERROR_CURRENT_DIRECTORY:
        return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_FILE_TOO_LARGE:
        return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
        return EILSEQ;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_NOT_READY:
    case ERROR_SECTOR_NOT_FOUND:
        return EIO;
    case ERROR_CANT_RESOLVE_FILENAME:
        return ELOOP;
    case ERROR_DIR_NOT_EMPTY:
        return ENOTEMPTY;
    default:
        return EINVAL;
    }
}

void SetErrnoFromLastError()
{
    errno = ErrnoOfWin32Error(::GetLastError());
}

std::wstring LongPath(std::string_view path)
{
    std::wstring wide = WideText::FromUtf8(path);
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    if (wide.rfind(L"\\\\?\\", 0) == 0 || wide.rfind(L"\\\\.\\", 0) == 0)
        return wide;
    // The prefix turns off the system's own clean-up of a path, so the path is
    // made absolute and cleaned (".", "..") first.
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0)
            return wide;
        if (n < full.size()) {
            full.resize(n);
            break;
        }
        full.resize(n);
    }
    if (full.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::string ShortForm(std::wstring_view path)
{
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0)
        return "\\\\" + WideText::ToUtf8(path.substr(8));
    if (path.rfind(L"\\\\?\\", 0) == 0)
        return WideText::ToUtf8(path.substr(4));
    return WideText::ToUtf8(path);
}

bool NameUsable(std::string_view name)
{
    if (name.empty() || name.back() == '.' || name.back() == ' ')
        return false;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 32 || std::string_view("<>:\"|?*").find(ch) != std::string_view::npos)
            return false;
    }
    // A device name stays one with any extension and with blanks before it.
    std::string_view base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    std::string upper(base);
    for (char &ch : upper)
        if (ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 'a' + 'A');
    if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL" || upper == "CONIN$" ||
        upper == "CONOUT$")
        return false;
    // COM1 to COM9 and LPT1 to LPT9, and with the superscript digits ¹ ² ³
    // (Windows-1252 B9, B2, B3), which Windows takes for the same devices.
    if (upper.size() == 4 && (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0)) {
        const auto digit = static_cast<unsigned char>(upper[3]);
        if ((digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3)
            return false;
    }
    return true;
}

bool SameFile(const FileInfo &a, const FileInfo &b)
{
    return a.Volume == b.Volume && a.Index == b.Index;
}

Fd OpenRead(const std::string &path, bool)
{
    // Folders open too, so that the callers tell them apart by their info as on Linux.
    const HANDLE file =
        ::CreateFileW(LongPath(path).c_str(), GENERIC_READ,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        SetErrnoFromLastError();
    return Fd(file);
}

int64_t ReadAt(NativeHandle file, void *buffer, size_t size, int64_t offset)
{
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(static_cast<uint64_t>(offset) & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
    DWORD read = 0;
    if (!::ReadFile(file, buffer, static_cast<DWORD>(std::min(size, Piece)), &read, &at)) {
        if (::GetLastError() == ERROR_HANDLE_EOF)
            return 0;
        SetErrnoFromLastError();
        return -1;
    }
    return read;
}

int64_t Write(NativeHandle file, const void *data, size_t size)
{
    DWORD written = 0;
    if (!::WriteFile(file, data, static_cast<DWORD>(std::min(size, Piece)), &written, nullptr)) {
        SetErrnoFromLastError();
        return -1;
    }
    return written;
}

bool Close(Fd &file)
{
    if (::CloseHandle(file.release()))
        return true;
    SetErrnoFromLastError();
    return false;
}

bool InfoOf(NativeHandle file, FileInfo &info)
{
    return infoOfHandle(file, info);
}

bool InfoAt(const std::string &path, FileInfo &info)
{
    const Fd file = openToLook(path, true);
    return file.valid() && infoOfHandle(file.get(), info);
}

FileTimes TimesOf(NativeHandle file)
{
    FILETIME creation{}, access{}, write{};
    if (!::GetFileTime(file, &creation, &access, &write))
        return {};
    return {fromFiletime(creation), fromFiletime(access), fromFiletime(write)};
}

void StampTimes(NativeHandle file, const FileTimes &times)
{
    const FILETIME creation = toFiletime(times.Creation), access = toFiletime(times.LastAccess),
                   write = toFiletime(times.LastWrite);
    ::SetFileTime(file, &creation, &access, &write);
}

Fd CreateIn(NativeHandle, const std::string &dirPath, const std::string &name)
{
    const HANDLE file = ::CreateFileW(
        LongPath(dirPath + name).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
        nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        SetErrnoFromLastError();
    return Fd(file);
}

bool InfoIn(NativeHandle, const std::string &dirPath, const std::string &name, FileInfo &info)
{
    const Fd file = openToLook(dirPath + name, false);
    return file.valid() && infoOfHandle(file.get(), info);
}

FileTimes TimesIn(NativeHandle, const std::string &dirPath, const std::string &name)
{
    const Fd file = openToLook(dirPath + name, false);
    return file.valid() ? TimesOf(file.get()) : FileTimes{};
}

bool RenameIn(NativeHandle, const std::string &dirPath, const std::string &from,
              const std::string &to)
{
    if (::MoveFileExW(LongPath(dirPath + from).c_str(), LongPath(dirPath + to).c_str(),
                      MOVEFILE_REPLACE_EXISTING))
        return true;
    SetErrnoFromLastError();
    return false;
}

void RemoveIn(NativeHandle, const std::string &dirPath, const std::string &name)
{
    ::DeleteFileW(LongPath(dirPath + name).c_str());
}

} // namespace PlatformFiles

// Windows gives no huge pages to an ordinary user: plain allocations.
void *PakAllocateBlock(size_t bytes)
{
    return ::operator new(bytes);
}

void PakFreeBlock(void *block, size_t)
{
    ::operator delete(block);
}

DateTime FileTimeToDate(FileTime time)
{
    // The zone's rules for the stamped year, not today's offset.
    const FILETIME utc = PlatformFiles::toFiletime(time);
    SYSTEMTIME universal{}, local{};
    if (!::FileTimeToSystemTime(&utc, &universal) ||
        !::SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
        return {};
    return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}
