// The cases of ExtractPakEntry that need what only POSIX systems offer: symbolic
// links made by any user, folders read-only by their mode, file size limits,
// and folders that can be replaced while the extractor holds them open.
#include "ExtractPakEntryFixture.h"

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(ExtractPakEntry, SymbolicLinksNeverLeadOut)
{
    Fixture f(
        {{"escape\\x.txt", "x"}, {"inner\\y.txt", "y"}, {"target.txt", "t"}, {"loop\\z.txt", "z"}});
    mdlTools::CreatePath(Under(f.out, "real"));
    mdlTools::CreatePath(f.dir / "outside");
    ASSERT_EQ(symlink((f.dir / "outside").c_str(), (Under(f.out, "escape")).c_str()), 0);
    ASSERT_EQ(symlink("real", (Under(f.out, "inner")).c_str()), 0);
    ASSERT_EQ(symlink((f.dir / "victim").c_str(), (Under(f.out, "target.txt")).c_str()), 0);
    ASSERT_EQ(symlink("loop", (Under(f.out, "loop")).c_str()), 0);
    WriteFile(f.dir / "victim", "victim");

    const auto escape = f.extract(1);
    EXPECT_EQ(escape.Outcome, ExtractOutcome::Failed);
    EXPECT_EQ(escape.Error.Code, 52);
    EXPECT_TRUE(ListDir(f.dir / "outside").empty());

    EXPECT_EQ(f.extract(2).Outcome, ExtractOutcome::Written); // a link that stays inside
    EXPECT_EQ(ReadFile(Under(f.out, "real/y.txt")), "y");

    // A link at the target is replaced by the file, never written through.
    EXPECT_EQ(f.extract(3, true, {1, 0}).Outcome, ExtractOutcome::Written);
    EXPECT_EQ(ReadFile(f.dir / "victim"), "victim");
    struct stat st
    {
    };
    ASSERT_EQ(lstat((Under(f.out, "target.txt")).c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));

    EXPECT_EQ(f.extract(4).Outcome, ExtractOutcome::Failed);
}

TEST(ExtractPakEntry, ReadOnlyTargetFolderReportsAccessDenied)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    Fixture f({PakWriterEntry{"a.txt", "1"}});
    mdlTools::CreatePath(f.out);
    chmod(f.out.c_str(), 0555);
    const auto r = f.extract(1);
    EXPECT_EQ(r.Error.Code, 70);
}

TEST(ExtractPakEntry, AFailedWriteKeepsTheOldFileAndLeavesNoTemporaryFile)
{
    Fixture f({PakWriterEntry{"big.bin", std::string(256 * 1024, 'n')},
               PakWriterEntry{"fresh.bin", std::string(256 * 1024, 'n')}});
    mdlTools::CreatePath(f.out);
    WriteFile(Under(f.out, "big.bin"), "old");

    // A file size limit makes the copy fail half-way, as a full disk would.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    const auto replaced = f.extract(1, true, {1, 0});
    const auto fresh = f.extract(2);
    setrlimit(RLIMIT_FSIZE, &old);

    EXPECT_EQ(replaced.Outcome, ExtractOutcome::Failed);
    EXPECT_EQ(replaced.Error.Code, 61);
    EXPECT_EQ(fresh.Error.Code, 61);
    EXPECT_EQ(ReadFile(Under(f.out, "big.bin")), "old");
    EXPECT_EQ(ListDir(f.out), std::set<std::string>{"big.bin"});
}

TEST(ExtractPakEntry, ASessionNoticesFoldersChangedBetweenEntries)
{
    Fixture f({{"a\\x.txt", "x"},
               {"a\\y.txt", "y"},
               {"b\\x.txt", "x"},
               {"b\\y.txt", "y"},
               {"c\\x.txt", "x"},
               {"c\\y.txt", "y"},
               {"d\\x.txt", "x"},
               {"d\\y.txt", "y"},
               {"e\\x.txt", "x"},
               {"e\\y.txt", "y"}});
    ExtractSession session;
    const auto extract = [&](int32_t index, ExtractSettings settings = {}) {
        return ExtractPakEntry(f.archive, PakRowKey(index), f.out, true, settings, nullptr,
                               &session);
    };
    for (int32_t i = 1; i <= 9; i += 2)
        ASSERT_EQ(extract(i).Outcome, ExtractOutcome::Written) << i;
    mdlTools::CreatePath(f.dir / "outside");

    // Moved out of the target and replaced by a link to where it went: refused,
    // although the folder opened for the first entry is still the same folder.
    ASSERT_EQ(rename((Under(f.out, "a")).c_str(), (f.dir / "moved").c_str()), 0);
    ASSERT_EQ(symlink((f.dir / "moved").c_str(), (Under(f.out, "a")).c_str()), 0);
    const auto moved = extract(2);
    EXPECT_EQ(moved.Outcome, ExtractOutcome::Failed);
    EXPECT_EQ(moved.Error.Code, 52);
    EXPECT_EQ(ListDir(f.dir / "moved"), std::set<std::string>{"x.txt"});

    // Deleted and replaced by a relative link that leads out: refused.
    ASSERT_TRUE(mdlTools::DeletePath(Under(f.out, "b")));
    ASSERT_EQ(symlink("../outside", (Under(f.out, "b")).c_str()), 0);
    EXPECT_EQ(extract(4).Error.Code, 52);
    EXPECT_TRUE(ListDir(f.dir / "outside").empty());

    // Deleted: made again.
    ASSERT_TRUE(mdlTools::DeletePath(Under(f.out, "c")));
    EXPECT_EQ(extract(6).Outcome, ExtractOutcome::Written);
    EXPECT_EQ(ReadFile(Under(f.out, "c/y.txt")), "y");

    // Replaced by a file: the same error as without a session.
    ASSERT_TRUE(mdlTools::DeletePath(Under(f.out, "d")));
    WriteFile(Under(f.out, "d"), "file");
    const auto blocked = extract(8);
    EXPECT_EQ(blocked.Outcome, ExtractOutcome::Failed);
    EXPECT_EQ(blocked.Error.Code, f.extract(8).Error.Code);
    EXPECT_EQ(ReadFile(Under(f.out, "d")), "file");

    // Replaced by a link that stays inside: followed, as on the first visit.
    ASSERT_TRUE(mdlTools::DeletePath(Under(f.out, "e")));
    mdlTools::CreatePath(Under(f.out, "real"));
    ASSERT_EQ(symlink("real", (Under(f.out, "e")).c_str()), 0);
    EXPECT_EQ(extract(10).Outcome, ExtractOutcome::Written);
    EXPECT_EQ(ReadFile(Under(f.out, "real/y.txt")), "y");

    // A file that turns up in a known folder is decided about as usual.
    WriteFile(Under(f.out, "c/x.txt"), "old");
    EXPECT_EQ(extract(5).Outcome, ExtractOutcome::Kept);
    EXPECT_EQ(extract(5, {1, 0}).Outcome, ExtractOutcome::Written);
    EXPECT_EQ(ReadFile(Under(f.out, "c/x.txt")), "x");
    EXPECT_EQ(ListDir(Under(f.out, "c")), (std::set<std::string>{"x.txt", "y.txt"}));
    EXPECT_TRUE(ListDir(f.dir / "outside").empty());
}
