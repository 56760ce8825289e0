#include "SettingsTestSupport.h"

#include "RegistryStore.h"

#include <windows.h>

namespace {

// HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE by value: windows.h
// takes the names for its own handles.
constexpr int32_t ClassesRoot = static_cast<int32_t>(0x80000000u);
constexpr int32_t CurrentUser = static_cast<int32_t>(0x80000001u);
constexpr int32_t LocalMachine = static_cast<int32_t>(0x80000002u);

// Every key a settings test may write, removed with everything below it.
void DeleteTestKeys()
{
    RegistryStore store(RegistryStore::DefaultPath());
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
        {ClassesRoot, "Software\\Dunkelfeld"},
        {ClassesRoot, ".pak"},
        {ClassesRoot, ".pa-"},
        {ClassesRoot, "KMX.Resourcen"},
        {LocalMachine, "Software\\Dunkelfeld"},
        {LocalMachine, "SOFTWARE\\Classes\\.pak"},
        {LocalMachine, "SOFTWARE\\Classes\\.pa-"},
        {LocalMachine, "SOFTWARE\\Classes\\KMX.Resourcen"},
        {LocalMachine, "SOFTWARE\\Classes\\Software\\Dunkelfeld"},
    };
    for (const auto &key : keys) {
        const auto status = store.DeleteKey(key.Root, key.Section, true);
        ASSERT_TRUE(status == RegistryStatus::Ok || status == RegistryStatus::KeyNotFound)
            << key.Section;
    }
}

bool RunningUnderWine()
{
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

} // namespace

void StoreTest::SetUp()
{
    m_config = std::make_unique<TempDir>();
    m_data = std::make_unique<TempDir>();
    if (!RunningUnderWine())
        GTEST_SKIP() << "writes and deletes registry keys: runs only in the Wine prefix of the "
                        "test run, never on a user's Windows";
    DeleteTestKeys();
}

void StoreTest::TearDown()
{
    if (RunningUnderWine())
        DeleteTestKeys();
    m_config.reset();
    m_data.reset();
}

std::string StoreTest::StorePath() const
{
    return {};
}

bool StoreTest::NothingStored() const
{
    return !RegistryStore(RegistryStore::DefaultPath())
                .KeyExists(CurrentUser, "Software\\Brindlecote");
}

bool StoreTest::MakeStoreUnwritable()
{
    return false;
}

std::string NativePath(const std::string &path)
{
    std::string native = path;
    for (char &c : native)
        if (c == '/')
            c = '\\';
    return native;
}
