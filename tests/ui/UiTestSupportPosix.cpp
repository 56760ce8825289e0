// The viewer's settings store on Linux: a SQLite file below $XDG_CONFIG_HOME,
// which each test program has to itself.
#include "UiTestSupport.h"

#include "TestSupport.h"
#include "mdlTools.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

std::string StoreFile()
{
    const char *config = std::getenv("XDG_CONFIG_HOME");
    EXPECT_NE(config, nullptr) << "runs only with a config folder of its own";
    return std::string(config != nullptr ? config : "") + "/vannerby/registry.db";
}

} // namespace

void ForgetSettings()
{
    const std::string store = StoreFile();
    for (const char *suffix : {"", "-wal", "-shm", "-journal"})
        RemoveFile(store + suffix);
}

bool NothingStored()
{
    return !mdlTools::FileExists(StoreFile());
}

std::string SystemPath(const std::string &path)
{
    return path;
}
