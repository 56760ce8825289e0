#include "SettingsTestSupport.h"

#include "RegistryStore.h"
#include "mdlTools.h"

#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

void StoreTest::SetUp()
{
    m_config = std::make_unique<TempDir>();
    const char *old = std::getenv("XDG_CONFIG_HOME");
    m_blnHadConfig = old != nullptr;
    m_strOldConfig = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", m_config->path().c_str(), 1);
}

void StoreTest::TearDown()
{
    if (m_blnHadConfig)
        ::setenv("XDG_CONFIG_HOME", m_strOldConfig.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
    m_config.reset();
}

std::string StoreTest::StorePath() const
{
    return m_config->path() + "/vannerby/registry.db";
}
