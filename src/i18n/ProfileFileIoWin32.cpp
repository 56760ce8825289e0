// The profile file's system calls on Windows (wide-character API).
#include "ProfileFileIo.h"

#include "WideText.h"

#include <windows.h>

#include <cstring>

namespace ProfileFileIo {

namespace {

// Attributes a rewritten file takes over from the old one; read-only files are
// never rewritten, and the rest describe the storage, not the file.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

class Handle final
{
  public:
    explicit Handle(HANDLE handle) : m_handle(handle) {}
    ~Handle() { Close(); }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    HANDLE Get() const { return m_handle; }
    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    bool Close()
    {
        const bool ok = !Valid() || ::CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
        return ok;
    }

  private:
    HANDLE m_handle;
};

// Reads to the end, looping for short reads and for a file that grew since
// its size was taken.
bool ReadAll(HANDLE file, std::size_t size, std::size_t maxSize, Contents &contents)
{
    std::size_t capacity = size + 1;
    contents.Buffer = std::make_unique_for_overwrite<char[]>(capacity);
    for (;;) {
        if (contents.Size == capacity) {
            if (capacity > maxSize)
                return false;
            auto bigger = std::make_unique_for_overwrite<char[]>(capacity * 2);
            std::memcpy(bigger.get(), contents.Buffer.get(), contents.Size);
            contents.Buffer = std::move(bigger);
            capacity *= 2;
        }
        const std::size_t room = capacity - contents.Size;
        DWORD got = 0;
        if (!::ReadFile(file, contents.Buffer.get() + contents.Size,
                        room > MAXDWORD ? MAXDWORD : static_cast<DWORD>(room), &got, nullptr))
            return false;
        if (got == 0)
            return contents.Size <= maxSize;
        contents.Size += got;
    }
}

bool WriteAll(HANDLE file, std::string_view bytes)
{
    while (!bytes.empty()) {
        const std::size_t chunk = bytes.size() > MAXDWORD ? MAXDWORD : bytes.size();
        DWORD put = 0;
        if (!::WriteFile(file, bytes.data(), static_cast<DWORD>(chunk), &put, nullptr) || put == 0)
            return false;
        bytes.remove_prefix(put);
    }
    return true;
}

} // namespace

Contents Read(const std::string &path, std::size_t maxSize)
{
    Contents contents;
    // Shared for deleting too, so that another writer can rename its new file
    // over this one while we read.
    Handle file(::CreateFileW(WideText::FromUtf8(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        // A missing file is an empty one; any other failure (a folder, a file
        // another program holds locked) makes it unusable.
        const DWORD error = ::GetLastError();
        contents.Complete = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return contents;
    }
    contents.Exists = true;
    BY_HANDLE_FILE_INFORMATION info = {};
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK ||
        !::GetFileInformationByHandle(file.Get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return contents;
    contents.Mode = info.dwFileAttributes;
    const uint64_t size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    contents.Complete =
        size <= maxSize && ReadAll(file.Get(), static_cast<std::size_t>(size), maxSize, contents);
    return contents;
}

bool IsWritable(const std::string &, const Contents &old)
{
    return (old.Mode & FILE_ATTRIBUTE_READONLY) == 0;
}

bool Replace(const std::string &path, std::string_view bytes, const Contents &old)
{
    const std::wstring target = WideText::FromUtf8(path);
    const std::size_t slash = target.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"" : target.substr(0, slash + 1);
    const std::wstring name = slash == std::wstring::npos ? target : target.substr(slash + 1);
    const DWORD attributes = old.Exists && (old.Mode & kKeptAttributes) != 0
                                 ? old.Mode & kKeptAttributes
                                 : FILE_ATTRIBUTE_NORMAL;

    // A fresh name beside the file: the process and a counter, tried until one is free.
    static LONG counter = 0;
    std::wstring temp;
    HANDLE created = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
        temp = folder + L"." + name + L"." + std::to_wstring(::GetCurrentProcessId()) + L"." +
               std::to_wstring(::InterlockedIncrement(&counter)) + L".tmp";
        created =
            ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
        if (created == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    Handle file(created);
    if (!file.Valid())
        return false;
    bool ok = WriteAll(file.Get(), bytes) && ::FlushFileBuffers(file.Get());
    ok = file.Close() && ok;
    ok = ok && ::MoveFileExW(temp.c_str(), target.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok)
        ::DeleteFileW(temp.c_str());
    return ok;
}

} // namespace ProfileFileIo
