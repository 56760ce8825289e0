#pragma once

#include "TestSupport.h"
#include "mdlI18n.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// Small file helpers for the localisation tests. Everything lives in fresh
// folders below the test's temporary folder, removed when the program ends.
namespace I18nTest {

// Test paths are UTF-8 whatever the system's code page.
inline std::filesystem::path Native(const std::string &path)
{
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

// A fresh folder, with a trailing "/".
inline std::string MakeTempFolder()
{
    static std::vector<std::unique_ptr<TempDir>> folders;
    folders.push_back(std::make_unique<TempDir>());
    return folders.back()->path() + "/";
}

inline bool Exists(const std::string &path)
{
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(Native(path), error));
}

// Takes every write permission away: mode 0444 on POSIX, the read-only
// attribute on Windows.
inline bool MakeReadOnly(const std::string &path)
{
    std::error_code error;
    std::filesystem::permissions(Native(path),
                                 std::filesystem::perms::owner_read |
                                     std::filesystem::perms::group_read |
                                     std::filesystem::perms::others_read,
                                 std::filesystem::perm_options::replace, error);
    return !error;
}

// The names in a folder.
inline std::vector<std::string> Folder(const std::string &folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(Native(folder), error)) {
        const std::u8string name = entry.path().filename().u8string();
        names.emplace_back(name.begin(), name.end());
    }
    return names;
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
