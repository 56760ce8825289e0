#include "SharedLibrary.h"

#include <dlfcn.h>

std::string SharedLibrary::FileName(const std::string &baseName)
{
    return baseName + ".so";
}

std::unique_ptr<SharedLibrary> SharedLibrary::Load(const std::string &path, std::string &error)
{
    // Its own symbols stay its own: the library brings its own copy of the core.
    void *handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char *why = ::dlerror();
        error = why != nullptr ? why : "cannot load " + path;
        return nullptr;
    }
    return std::unique_ptr<SharedLibrary>(new SharedLibrary(handle));
}

void *SharedLibrary::Symbol(const char *name) const
{
    return ::dlsym(m_handle, name);
}
