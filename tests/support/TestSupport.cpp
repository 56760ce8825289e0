// What the tests share on every system.
#include "TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// Test paths are UTF-8 whatever the system's code page.
std::filesystem::path NativePath(const std::string &path)
{
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

} // namespace

std::string ReadFile(const std::string &path)
{
    std::ifstream in(NativePath(path), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string &path, const std::string &bytes)
{
    std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool ResizeFile(const std::string &path, uint64_t size)
{
    std::error_code error;
    std::filesystem::resize_file(NativePath(path), size, error);
    return !error;
}

ScopedEnv::ScopedEnv(const std::string &name, const std::string &value) : m_name(name)
{
    if (const char *old = std::getenv(name.c_str())) {
        m_had = true;
        m_old = old;
    }
    SetEnv(name, value);
}

ScopedEnv::~ScopedEnv()
{
    if (m_had)
        SetEnv(m_name, m_old);
    else
        UnsetEnv(m_name);
}

std::string BinPath(const std::string &name)
{
    const char *bin = std::getenv("VANNERBY_BIN");
    return std::string(bin ? bin : ".") + "/" + name + ExecutableSuffix;
}
