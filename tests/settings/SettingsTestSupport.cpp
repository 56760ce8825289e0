#include "SettingsTestSupport.h"

#include "RegistryStore.h"
#include "mdlTools.h"

#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

TempFolder::TempFolder()
{
    std::string pattern = mdlTools::GetTempFolder() + "vannerby-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed below " + mdlTools::GetTempFolder());
    m_strPath = pattern;
}

TempFolder::~TempFolder()
{
    mdlTools::DeletePath(m_strPath);
}

void StoreTest::SetUp()
{
    m_config = std::make_unique<TempFolder>();
    const char *old = std::getenv("XDG_CONFIG_HOME");
    m_blnHadConfig = old != nullptr;
    m_strOldConfig = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", m_config->Path().c_str(), 1);
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
    return m_config->Path() + "/vannerby/registry.db";
}
