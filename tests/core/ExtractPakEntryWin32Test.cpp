// What only Windows asks of the extractor: names Windows cannot hold, reparse
// points in the target, all three times, paths beyond 260 characters and the
// errors of the Win32 API.
#include "ExtractPakEntryFixture.h"
#include "ExtractRun.h"
#include "PlatformFiles.h"
#include "PlatformFilesWin32.h"
#include "WideText.h"

#include <windows.h>

#include <cerrno>

namespace {

// Wine keeps no creation time of its own on a Unix file system: what it reads
// back is not what was stamped.
bool UnderWine()
{
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

} // namespace

TEST(ExtractPakEntryWin32, NamesWindowsCannotHoldAreRefusedAndNothingIsWritten)
{
    const std::string refused[] = {
        "CON",     "con.tar.gz", "CON.dds",     "dir\\PRN",      "aux\\x.txt",   "Nul.txt",
        "COM1",    "com9.bin",   "LPT1.x",      "lpt9",          "COM\xB9.txt",  "CON .txt",
        "CONOUT$", "a<b.txt",    "a>b.txt",     "a:b.txt",       "x.txt:stream", "a\"b.txt",
        "a|b.txt", "a?b.txt",    "a*b.txt",     "tab\there.txt", "bell\x07.txt", "\x1f.txt",
        "ends.",   "ends ",      "dir.\\x.txt", "dir \\x.txt",   "..."};
    for (const std::string &name : refused) {
        Fixture f({{name, "x"}});
        const auto r = f.extract(1);
        EXPECT_EQ(r.Outcome, ExtractOutcome::Failed) << name;
        EXPECT_EQ(r.Error.Code, 52) << name;
        EXPECT_NE(r.Error.Description.find("Dateiname oder -nummer falsch"), std::string::npos);
        EXPECT_TRUE(ListDir(f.out).empty()) << name;
        // The same through a run with helpers.
        std::vector<int32_t> all(200, 1);
        size_t failures = 0;
        ExtractRun(f.archive, f.out, true, {}, nullptr)
            .Extract(all, [&](size_t, const ExtractResult &result) {
                failures += result.Outcome == ExtractOutcome::Failed;
            });
        EXPECT_EQ(failures, 1u) << name;
        EXPECT_TRUE(ListDir(f.out).empty()) << name;
    }
    // Near misses are ordinary names.
    const std::string allowed[] = {"CONSOLE.txt", "COM10",    "LPT0.x",  "xcon",
                                   "a.b.c",       "NUL_.txt", ".hidden", "name with blanks.txt"};
    for (const std::string &name : allowed) {
        Fixture f({{name, "x"}});
        EXPECT_EQ(f.extract(1).Outcome, ExtractOutcome::Written) << name;
        EXPECT_EQ(ReadFile(Under(f.out, name)), "x") << name;
    }
    // Only the last name counts without the folder names.
    Fixture f({PakWriterEntry{"CON\\file.txt", "x"}});
    EXPECT_EQ(f.extract(1, false).Outcome, ExtractOutcome::Written);
}

TEST(ExtractPakEntryWin32, StampsAndReadsAllThreeTimes)
{
    Fixture f({{"dir\\three.txt", "new"}, {"dir\\old.txt", "new"}});
    const auto r = f.extract(1);
    ASSERT_EQ(r.Outcome, ExtractOutcome::Written);
    const TestFileTimes times = TimesAt(Under(f.out, "dir/three.txt"));
    if (!UnderWine()) {
        EXPECT_EQ(times.Creation, kOld);
    }
    EXPECT_EQ(times.LastAccess, kOld);
    EXPECT_EQ(times.LastWrite, kNew);

    // The overwrite question sees the existing file's three times.
    ASSERT_EQ(f.extract(2).Outcome, ExtractOutcome::Written);
    SetLastWrite(Under(f.out, "dir/old.txt"), kOld);
    ScriptedOwner owner(OverWriteAnswer::Keep);
    EXPECT_EQ(f.extract(2, true, {}, &owner).Outcome, ExtractOutcome::Kept);
    EXPECT_EQ(owner.seen.ExistingCreationTime,
              UnderWine() ? TimesAt(Under(f.out, "dir/old.txt")).Creation : kOld);
    EXPECT_EQ(owner.seen.ExistingLastAccessTime, kOld);
    EXPECT_EQ(owner.seen.ExistingLastWriteTime, kOld);
    EXPECT_EQ(owner.seen.ExistingPath, Under(f.out, "dir/old.txt"));
}

TEST(ExtractPakEntryWin32, PathsBeyond260Characters)
{
    std::string name;
    for (int i = 0; i < 6; ++i)
        name += std::string(60, static_cast<char>('a' + i)) + "\\";
    name += "deep.txt";
    Fixture f({{name.substr(0, 127), "short"}, {"x", ""}});
    // Stored names end at 128 bytes: the depth comes from the target folder.
    const std::string target = Under(f.out, std::string(100, 'T') + "/" + std::string(100, 'U'));
    std::string stored = name.substr(0, 127);
    const auto r = ExtractPakEntry(f.archive, "ID1", target, true, {}, nullptr);
    ASSERT_EQ(r.Outcome, ExtractOutcome::Written) << r.Error.Description;
    EXPECT_GT(r.Result().size(), 260u);
    EXPECT_EQ(ReadFile(r.Result()), "short");
    EXPECT_TRUE(mdlTools::FileExists(r.Result()));
    EXPECT_EQ(TimesAt(r.Result()).LastWrite, kNew);
    // Replaced through a rename, beyond the limit too.
    EXPECT_EQ(ExtractPakEntry(f.archive, "ID1", target, true, {1, 0}, nullptr).Outcome,
              ExtractOutcome::Written);
    EXPECT_TRUE(mdlTools::DeletePath(Under(f.out, std::string(100, 'T'))));
    EXPECT_FALSE(mdlTools::DirExists(target));
}

TEST(ExtractPakEntryWin32, ReparsePointsInTheTargetAreNeverFollowed)
{
    Fixture f(
        {{"link\\x.txt", "x"}, {"inner\\y.txt", "y"}, {"late\\a.txt", "a"}, {"late\\b.txt", "b"}});
    mdlTools::CreatePath(f.dir / "outside");
    mdlTools::CreatePath(Under(f.out, "real"));
    if (!MakeSymlink(f.dir / "outside", Under(f.out, "link")))
        GTEST_SKIP() << "no symbolic link could be made here";
    const auto r = f.extract(1);
    EXPECT_EQ(r.Outcome, ExtractOutcome::Failed);
    EXPECT_EQ(r.Error.Code, 52);
    EXPECT_TRUE(ListDir(f.dir / "outside").empty());

    // A link that stays inside is refused on Windows as well.
    ASSERT_TRUE(MakeSymlink("real", Under(f.out, "inner")));
    EXPECT_EQ(f.extract(2).Error.Code, 52);
    EXPECT_TRUE(ListDir(Under(f.out, "real")).empty());

    // Put there during a run: Windows refuses to move a folder the run holds
    // (Wine does not), and a link in its place is refused all the same.
    ExtractSession session;
    ASSERT_EQ(ExtractPakEntry(f.archive, "ID3", f.out, true, {}, nullptr, &session).Outcome,
              ExtractOutcome::Written);
    if (RenamePath(Under(f.out, "late"), f.dir / "moved")) {
        if (!MakeSymlink(f.dir / "outside", Under(f.out, "late")))
            GTEST_SKIP() << "no usable symbolic link could be made here";
        const auto late = ExtractPakEntry(f.archive, "ID4", f.out, true, {}, nullptr, &session);
        EXPECT_EQ(late.Error.Code, 52);
        EXPECT_TRUE(ListDir(f.dir / "outside").empty());
    } else {
        ASSERT_EQ(ExtractPakEntry(f.archive, "ID4", f.out, true, {}, nullptr, &session).Outcome,
                  ExtractOutcome::Written);
        EXPECT_EQ(ReadFile(Under(f.out, "late/b.txt")), "b");
    }
}

TEST(ExtractPakEntryWin32, AReparsePointPutInPlaceOfAFolderIsRefusedLater)
{
    Fixture f({{"a\\x.txt", "x"}, {"a\\y.txt", "y"}});
    mdlTools::CreatePath(f.dir / "outside");
    ASSERT_EQ(f.extract(1).Outcome, ExtractOutcome::Written);
    // Between two calls without a session nothing is held: the folder is swapped.
    ASSERT_TRUE(RenamePath(Under(f.out, "a"), f.dir / "moved"));
    if (!MakeSymlink(f.dir / "outside", Under(f.out, "a")))
        GTEST_SKIP() << "no symbolic link could be made here";
    const auto r = f.extract(2);
    EXPECT_EQ(r.Outcome, ExtractOutcome::Failed);
    EXPECT_EQ(r.Error.Code, 52);
    EXPECT_TRUE(ListDir(f.dir / "outside").empty());
}

TEST(ExtractPakEntryWin32, Win32ErrorsMapToTheCodesOfTheErrorBox)
{
    const struct
    {
        DWORD error;
        int32_t code;
    } cases[] = {{ERROR_FILE_NOT_FOUND, 53},
                 {ERROR_PATH_NOT_FOUND, 76},
                 {ERROR_ACCESS_DENIED, 70},
                 {ERROR_WRITE_PROTECT, 70},
                 {ERROR_SHARING_VIOLATION, 70},
                 {ERROR_DISK_FULL, 61},
                 {ERROR_HANDLE_DISK_FULL, 61},
                 {ERROR_NOT_ENOUGH_MEMORY, 7},
                 {ERROR_OUTOFMEMORY, 7},
                 {ERROR_INVALID_NAME, 52},
                 {ERROR_CRC, 57},
                 {ERROR_GEN_FAILURE, 75}};
    for (const auto &c : cases)
        EXPECT_EQ(PakErrorFromErrno(PlatformFiles::ErrnoOfWin32Error(c.error), "x").Code, c.code)
            << c.error;

    // A read-only file: replacing it is refused, and so is writing it.
    Fixture f({PakWriterEntry{"ro.txt", "new"}});
    mdlTools::CreatePath(f.out);
    WriteFile(Under(f.out, "ro.txt"), "old");
    MakeReadOnly(Under(f.out, "ro.txt"));
    const auto r = f.extract(1, true, {1, 0});
    EXPECT_EQ(r.Error.Code, 70);
    EXPECT_EQ(ReadFile(Under(f.out, "ro.txt")), "old");
    EXPECT_EQ(ListDir(f.out), std::set<std::string>{"ro.txt"});
    ASSERT_FALSE(::DeleteFileW(PlatformFiles::LongPath(Under(f.out, "ro.txt")).c_str()));
    PlatformFiles::SetErrnoFromLastError();
    EXPECT_EQ(PakErrorFromErrno(errno, "ro.txt").Code, 70);
    // A missing folder on the way to an archive is told apart from a missing file.
    PakArchive archive;
    EXPECT_EQ(ReadPakFile(f.dir / "no/such/a.pak", archive).error().Code, 76);
    EXPECT_EQ(ReadPakFile(f.dir / "none.pak", archive).error().Code, 53);
}
