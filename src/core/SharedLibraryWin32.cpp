#include "SharedLibrary.h"

#include "WideText.h"

#include <windows.h>

std::string SharedLibrary::FileName(const std::string &baseName)
{
    return baseName + ".dll";
}

std::unique_ptr<SharedLibrary> SharedLibrary::Load(const std::string &path, std::string &error)
{
    // The DLLs it needs are looked for beside it first, not in the current folder.
    HMODULE module =
        ::LoadLibraryExW(WideText::FromUtf8(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr) {
        error = "cannot load " + path + " (Windows error " + std::to_string(::GetLastError()) + ")";
        return nullptr;
    }
    return std::unique_ptr<SharedLibrary>(new SharedLibrary(module));
}

void *SharedLibrary::Symbol(const char *name) const
{
    // FARPROC to a data pointer: the caller casts it back to the function's type.
    return reinterpret_cast<void *>(::GetProcAddress(static_cast<HMODULE>(m_handle), name));
}
