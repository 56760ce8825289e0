#include "SettingsTestSupport.h"

#include "mdlTools.h"

#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

namespace {

void Restore(const char *variable, bool had, const std::string &old)
{
    if (had)
        ::setenv(variable, old.c_str(), 1);
    else
        ::unsetenv(variable);
}

} // namespace

void StoreTest::SetUp()
{
    m_config = std::make_unique<TempDir>();
    m_data = std::make_unique<TempDir>();
    const char *old = std::getenv("XDG_CONFIG_HOME");
    m_blnHadConfig = old != nullptr;
    m_strOldConfig = old ? old : "";
    old = std::getenv("XDG_DATA_HOME");
    m_blnHadData = old != nullptr;
    m_strOldData = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", m_config->path().c_str(), 1);
    ::setenv("XDG_DATA_HOME", m_data->path().c_str(), 1);
}

void StoreTest::TearDown()
{
    Restore("XDG_CONFIG_HOME", m_blnHadConfig, m_strOldConfig);
    Restore("XDG_DATA_HOME", m_blnHadData, m_strOldData);
    m_config.reset();
    m_data.reset();
}

std::string StoreTest::StorePath() const
{
    return m_config->path() + "/vannerby/registry.db";
}

bool StoreTest::NothingStored() const
{
    return !mdlTools::FileExists(StorePath());
}

bool StoreTest::MakeStoreUnwritable()
{
    // A folder in the file's place: the store can be neither opened nor created.
    ::unlink(StorePath().c_str());
    return mdlTools::CreatePath(StorePath());
}

std::string NativePath(const std::string &path)
{
    return path;
}
