#pragma once

#include <memory>
#include <string>

// A library loaded while the program runs (dlopen, LoadLibrary), for parts
// that only some runs need and that would slow down every start if linked in.
// It stays loaded until the program ends: what it loads in turn (Qt) is not
// made to be unloaded.
class SharedLibrary final
{
  public:
    // The file name a library of that base name has on this system
    // ("name.so", "name.dll").
    static std::string FileName(const std::string &baseName);

    // Loads the library at path (UTF-8); null, with error set, when it cannot.
    static std::unique_ptr<SharedLibrary> Load(const std::string &path, std::string &error);

    // The exported function of that name, or null.
    void *Symbol(const char *name) const;

  private:
    explicit SharedLibrary(void *handle) : m_handle(handle) {}
    void *m_handle;
};
