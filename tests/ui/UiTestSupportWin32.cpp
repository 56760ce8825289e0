// The viewer's settings store on Windows: the registry, here the one of the
// Wine prefix that the test run made for itself.
#include "UiTestSupport.h"

#include "RegistryStore.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE by value: windows.h takes the names
// for its own handles.
constexpr int32_t CurrentUser = static_cast<int32_t>(0x80000001u);
constexpr int32_t LocalMachine = static_cast<int32_t>(0x80000002u);

bool RunningUnderWine()
{
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

} // namespace

void ForgetSettings()
{
    if (!RunningUnderWine())
        GTEST_SKIP() << "writes and deletes registry keys: runs only in the Wine prefix of the "
                        "test run, never on a user's Windows";
    // Every key the viewer or a widget test may write, with everything below it.
    const struct
    {
        int32_t Root;
        const char *Section;
    } keys[] = {
        {CurrentUser, "Software\\Brindlecote"},
        {CurrentUser, "Software\\Classes\\.pak"},
        {CurrentUser, "Software\\Classes\\.pa-"},
        {CurrentUser, "Software\\Classes\\KMX.Resourcen"},
        {CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.pak"},
        {CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.pa-"},
        {LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"},
        {LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools Location"},
        {LocalMachine, "SOFTWARE\\X"},
    };
    RegistryStore store(RegistryStore::DefaultPath());
    for (const auto &key : keys) {
        const auto status = store.DeleteKey(key.Root, key.Section, true);
        EXPECT_TRUE(status == RegistryStatus::Ok || status == RegistryStatus::KeyNotFound)
            << key.Section;
    }
}

bool NothingStored()
{
    return !RegistryStore(RegistryStore::DefaultPath())
                .KeyExists(CurrentUser, "Software\\Brindlecote");
}

std::string SystemPath(const std::string &path)
{
    std::string native = "C:" + path;
    std::replace(native.begin(), native.end(), '/', '\\');
    return native;
}
