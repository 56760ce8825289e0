#pragma once

#include "TestSupport.h"
#include "mdlI18n.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>

// Small file helpers for the localisation tests. Everything lives in a fresh
// folder below $TMPDIR, which the test runner points into the build tree.
namespace I18nTest {

inline std::string MakeTempFolder()
{
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/i18n-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        ADD_FAILURE() << "mkdtemp failed for " << pattern;
    return pattern + "/";
}

inline bool Exists(const std::string &path)
{
    struct stat info
    {
    };
    return ::lstat(path.c_str(), &info) == 0;
}

using ::ReadFile;
using ::WriteFile;

// The language file is fixed for the whole run, so every test of a program
// shares one path and sets up its contents itself.
inline const std::string &LanguageFile()
{
    static const std::string path = [] {
        std::string file = MakeTempFolder() + "vannerby.lng";
        EXPECT_TRUE(mdlI18n::SetLanguageFile(file));
        return file;
    }();
    return path;
}

} // namespace I18nTest
