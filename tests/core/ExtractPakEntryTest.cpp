#include "PakWriter.h"
#include "TestSupport.h"
#include "mdlPakFile.h"

#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr FileTime kOld = 133418448001234567ULL; // 2023-10-15 12:00:00.1234567 UTC
constexpr FileTime kNew = 133563222007654321ULL; // 2024-03-31 01:30:00.7654321 UTC

class ScriptedOwner final : public ExtractOwner
{
  public:
    explicit ScriptedOwner(int32_t answer) : m_answer(answer) {}
    int32_t OverWriteDialog(const ExtractTarget &target) override
    {
        ++calls;
        seen = target;
        return m_answer;
    }
    int calls = 0;
    ExtractTarget seen;

  private:
    int32_t m_answer;
};

std::set<std::string> listDir(const std::string &path)
{
    std::set<std::string> names;
    if (DIR *d = opendir(path.c_str())) {
        while (const dirent *e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.insert(e->d_name);
        closedir(d);
    }
    return names;
}

timespec mtimeOf(const std::string &path)
{
    struct stat st
    {
    };
    lstat(path.c_str(), &st);
    return st.st_mtim;
}

void setMtime(const std::string &path, FileTime time)
{
    const timespec ts[2] = {mdlTools::FileTimeToTimespec(time), mdlTools::FileTimeToTimespec(time)};
    utimensat(AT_FDCWD, path.c_str(), ts, 0);
}

// An archive with a time table and the given entries, all stamped kNew.
struct Fixture
{
    TempDir dir;
    PakArchive archive;
    std::string out = dir / "out";

    explicit Fixture(std::vector<PakWriterEntry> entries, bool withTimes = true)
    {
        for (auto &e : entries) {
            e.CreationTime = kOld;
            e.LastAccessTime = kOld;
            e.LastWriteTime = kNew;
        }
        PakWriterOptions options;
        options.WithTimeTable = withTimes;
        EXPECT_TRUE(WritePak(dir / "a.pak", entries, options));
        EXPECT_TRUE(ReadPakFile(dir / "a.pak", archive));
    }
    ExtractResult extract(int32_t index, bool usePathNames = true, ExtractSettings settings = {},
                          ExtractOwner *owner = nullptr)
    {
        return ExtractPakEntry(archive, PakRowKey(index), out, usePathNames, settings, owner);
    }
};

} // namespace

TEST(ExtractPakEntry, WritesWithOrWithoutFolderNamesAndStampsTimes)
{
    Fixture f({{"data\\maps\\x.bin", "payload"},
               {"empty.dat", ""},
               {"Gr\xF6\xDF"
                "e.txt",
                "g"}});

    const auto r = f.extract(1);
    EXPECT_EQ(r.Outcome, ExtractOutcome::Written);
    EXPECT_EQ(r.Result(), f.out + "/data/maps/x.bin");
    EXPECT_EQ(ReadFile(f.out + "/data/maps/x.bin"), "payload");
    const timespec m = mtimeOf(f.out + "/data/maps/x.bin");
    EXPECT_EQ(mdlTools::FileTimeFromTimespec(m), kNew); // to the 100 ns
    EXPECT_EQ(r.Target.EntrySize, 7);
    EXPECT_EQ(r.Target.NewCreationTime, kOld);

    const auto flat = f.extract(1, false);
    EXPECT_EQ(flat.Result(), f.out + "/x.bin");
    EXPECT_EQ(ReadFile(f.out + "/x.bin"), "payload");

    const auto empty = f.extract(2);
    EXPECT_EQ(empty.Outcome, ExtractOutcome::Written);
    EXPECT_TRUE(mdlTools::FileExists(f.out + "/empty.dat"));
    EXPECT_EQ(ReadFile(f.out + "/empty.dat"), "");
    EXPECT_EQ(mdlTools::FileTimeFromTimespec(mtimeOf(f.out + "/empty.dat")), kNew);

    EXPECT_EQ(f.extract(3).Result(), f.out + "/Größe.txt");
    EXPECT_EQ(listDir(f.out), (std::set<std::string>{"data", "x.bin", "empty.dat", "Größe.txt"}));
}

TEST(ExtractPakEntry, WithoutTimeTableTheArchiveTimesAreUsed)
{
    Fixture f({{"a.txt", "1"}}, false);
    ASSERT_EQ(f.extract(0).Outcome, ExtractOutcome::Written);
    EXPECT_EQ(mdlTools::FileTimeFromTimespec(mtimeOf(f.out + "/a.txt")),
              f.archive.FileLastWriteTime);
}

TEST(ExtractPakEntry, DecidesAboutExistingFiles)
{
    struct Case
    {
        const char *what;
        FileTime existingTime;
        ExtractSettings settings;
        int32_t answer; // 0: no owner
        ExtractOutcome outcome;
        int asked;
    };
    // The entry is stamped kNew; "same second" differs only below the second.
    const FileTime sameSecond = kNew - 5000000;
    const Case cases[] = {
        {"skip, equal to the second", sameSecond, {0, 1}, 6, ExtractOutcome::Skipped, 0},
        {"skip, existing newer", kNew + 864000000000, {1, 1}, 6, ExtractOutcome::Skipped, 0},
        {"skip, entry newer asks", kOld, {0, 1}, 6, ExtractOutcome::Written, 1},
        {"overwrite does not ask", kOld, {1, 0}, 7, ExtractOutcome::Written, 0},
        {"no owner keeps", kOld, {0, 0}, 0, ExtractOutcome::Kept, 0},
        {"answer 7 keeps", kOld, {0, 0}, 7, ExtractOutcome::Kept, 1},
        {"answer 2 stops", kOld, {0, 0}, 2, ExtractOutcome::Cancelled, 1},
        {"answer 6 replaces", sameSecond, {0, 0}, 6, ExtractOutcome::Written, 1},
    };
    for (const Case &c : cases) {
        Fixture f({PakWriterEntry{"dir\\file.txt", "new content"}});
        mdlTools::CreatePath(f.out + "/dir");
        WriteFile(f.out + "/dir/file.txt", "old");
        setMtime(f.out + "/dir/file.txt", c.existingTime);
        ScriptedOwner owner(c.answer);
        const auto r = f.extract(1, true, c.settings, c.answer ? &owner : nullptr);
        EXPECT_EQ(r.Outcome, c.outcome) << c.what;
        EXPECT_EQ(owner.calls, c.asked) << c.what;
        const bool replaced = c.outcome == ExtractOutcome::Written;
        EXPECT_EQ(ReadFile(f.out + "/dir/file.txt"), replaced ? "new content" : "old") << c.what;
        EXPECT_EQ(r.Result().empty(), c.outcome == ExtractOutcome::Cancelled) << c.what;
        EXPECT_EQ(listDir(f.out + "/dir"), std::set<std::string>{"file.txt"}) << c.what;
        if (c.asked) {
            EXPECT_EQ(owner.seen.ExistingPath, f.out + "/dir/file.txt");
            EXPECT_EQ(owner.seen.ExistingSize, 3);
            EXPECT_EQ(owner.seen.ExistingLastWriteTime, c.existingTime);
            EXPECT_EQ(owner.seen.NewLastWriteTime, kNew);
        }
    }
}

TEST(ExtractPakEntry, HostileNamesStayInsideTheTargetFolder)
{
    struct Case
    {
        std::string name;
        bool usePathNames;
        const char *writtenAs; // below out, or nullptr for a refusal (code 52)
    };
    const Case cases[] = {
        {"..\\evil.txt", true, nullptr},     {"a\\..\\..\\evil.txt", true, nullptr},
        {"a/../../evil.txt", true, nullptr}, {"C:\\Windows\\evil.txt", true, nullptr},
        {"c:evil.txt", false, nullptr},      {"a\\..", false, nullptr},
        {".\\.\\", true, nullptr},           {"", true, nullptr},
        {"dir\\", false, nullptr},           {"\\abs\\x.txt", true, "abs/x.txt"},
        {"/abs/y.txt", true, "abs/y.txt"},   {"a\\\\.\\b.txt", true, "a/b.txt"},
        {"..\\flat.txt", false, "flat.txt"}, {"name..with..dots", true, "name..with..dots"},
    };
    for (const Case &c : cases) {
        Fixture f({{c.name, "x"}});
        const auto r = f.extract(1, c.usePathNames);
        if (c.writtenAs) {
            EXPECT_EQ(r.Outcome, ExtractOutcome::Written) << c.name;
            EXPECT_EQ(r.Result(), f.out + "/" + c.writtenAs) << c.name;
            EXPECT_EQ(ReadFile(f.out + "/" + c.writtenAs), "x") << c.name;
        } else {
            EXPECT_EQ(r.Outcome, ExtractOutcome::Failed) << c.name;
            EXPECT_EQ(r.Error.Code, 52) << c.name;
            EXPECT_TRUE(r.Result().empty());
        }
        EXPECT_EQ(listDir(f.dir.path()).count("evil.txt"), 0u) << c.name;
    }
}

TEST(ExtractPakEntry, SymbolicLinksNeverLeadOut)
{
    Fixture f(
        {{"escape\\x.txt", "x"}, {"inner\\y.txt", "y"}, {"target.txt", "t"}, {"loop\\z.txt", "z"}});
    mdlTools::CreatePath(f.out + "/real");
    mdlTools::CreatePath(f.dir / "outside");
    ASSERT_EQ(symlink((f.dir / "outside").c_str(), (f.out + "/escape").c_str()), 0);
    ASSERT_EQ(symlink("real", (f.out + "/inner").c_str()), 0);
    ASSERT_EQ(symlink((f.dir / "victim").c_str(), (f.out + "/target.txt").c_str()), 0);
    ASSERT_EQ(symlink("loop", (f.out + "/loop").c_str()), 0);
    WriteFile(f.dir / "victim", "victim");

    const auto escape = f.extract(1);
    EXPECT_EQ(escape.Outcome, ExtractOutcome::Failed);
    EXPECT_EQ(escape.Error.Code, 52);
    EXPECT_TRUE(listDir(f.dir / "outside").empty());

    EXPECT_EQ(f.extract(2).Outcome, ExtractOutcome::Written); // a link that stays inside
    EXPECT_EQ(ReadFile(f.out + "/real/y.txt"), "y");

    // A link at the target is replaced by the file, never written through.
    EXPECT_EQ(f.extract(3, true, {1, 0}).Outcome, ExtractOutcome::Written);
    EXPECT_EQ(ReadFile(f.dir / "victim"), "victim");
    struct stat st
    {
    };
    ASSERT_EQ(lstat((f.out + "/target.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));

    EXPECT_EQ(f.extract(4).Outcome, ExtractOutcome::Failed);
}

TEST(ExtractPakEntry, RefusesToReplaceReadOnlyFilesFoldersAndTheArchive)
{
    Fixture f({{"ro.txt", "new"}, {"folder", "new"}, {"a.pak", "new"}});
    mdlTools::CreatePath(f.out + "/folder");
    WriteFile(f.out + "/ro.txt", "old");
    chmod((f.out + "/ro.txt").c_str(), 0444);

    const auto ro = f.extract(1, true, {1, 0});
    EXPECT_EQ(ro.Outcome, ExtractOutcome::Failed);
    EXPECT_EQ(ro.Error.Code, 70);
    EXPECT_EQ(PakErrorMessage(ro.Error),
              "Zugriff verweigert: " + f.out + "/ro.txt\r\n(Runtime-Error: 70)");
    EXPECT_EQ(ReadFile(f.out + "/ro.txt"), "old");
    // Kept or skipped read-only files are no error.
    EXPECT_EQ(f.extract(1).Outcome, ExtractOutcome::Kept);

    const auto folder = f.extract(2, true, {1, 0});
    EXPECT_EQ(folder.Outcome, ExtractOutcome::Failed);
    EXPECT_EQ(folder.Error.Code, 75);

    // Extracting into the archive's own folder must not replace the archive.
    const std::string pakBefore = ReadFile(f.dir / "a.pak");
    const auto self = ExtractPakEntry(f.archive, "ID3", f.dir.path(), true, {1, 0}, nullptr);
    EXPECT_EQ(self.Outcome, ExtractOutcome::Failed);
    EXPECT_EQ(self.Error.Code, 70);
    EXPECT_EQ(ReadFile(f.dir / "a.pak"), pakBefore);
    EXPECT_EQ(listDir(f.out), (std::set<std::string>{"ro.txt", "folder"}));
}

TEST(ExtractPakEntry, DataBeyondTheArchiveIsAnErrorAndLeavesNoFile)
{
    Fixture f({{"past.bin", "abc", {}, 1000000},
               {"negstart.bin", "abc", -4},
               {"negsize.bin", "abc", {}, -1},
               {"old.bin", "abc", {}, 1000000}});
    for (int32_t i = 1; i <= 3; ++i) {
        const auto r = f.extract(i);
        EXPECT_EQ(r.Outcome, ExtractOutcome::Failed);
        EXPECT_EQ(r.Error.Code, 62);
    }
    EXPECT_TRUE(listDir(f.out).empty());
    // An existing file that was to be replaced survives unchanged.
    WriteFile(f.out + "/old.bin", "precious");
    EXPECT_EQ(f.extract(4, true, {1, 0}).Error.Code, 62);
    EXPECT_EQ(ReadFile(f.out + "/old.bin"), "precious");
    EXPECT_EQ(listDir(f.out), std::set<std::string>{"old.bin"});
}

TEST(ExtractPakEntry, UnknownKeysAndAMissingArchiveGiveAnEmptyResultQuietly)
{
    Fixture f({PakWriterEntry{"a.txt", "1"}});
    for (const char *key : {"ID9", "ID-1", "XY1", "garbage"}) {
        const auto r = ExtractPakEntry(f.archive, key, f.out, true, {}, nullptr);
        EXPECT_EQ(r.Outcome, ExtractOutcome::NotFound) << key;
        EXPECT_TRUE(r.Result().empty());
    }
    unlink((f.dir / "a.pak").c_str());
    EXPECT_EQ(f.extract(1).Outcome, ExtractOutcome::NotFound);
    EXPECT_FALSE(mdlTools::DirExists(f.out));
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
    WriteFile(f.out + "/big.bin", "old");

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
    EXPECT_EQ(ReadFile(f.out + "/big.bin"), "old");
    EXPECT_EQ(listDir(f.out), std::set<std::string>{"big.bin"});
}

TEST(ExtractPakEntry, OwnerHearsOfLongCopiesAndMayStopThem)
{
    // Three steps' worth of bytes, so the owner is told at least twice before the end.
    const std::string big(static_cast<size_t>(ExtractProgressStep * 5 / 2), 'b');
    Fixture f({{"big.bin", big}, {"old.bin", big}});

    class Stopper final : public ExtractOwner
    {
      public:
        int32_t OverWriteDialog(const ExtractTarget &) override { return OverWriteAnswer::Replace; }
        bool CopyProgress(const ExtractTarget &, int64_t written) override
        {
            steps.push_back(written);
            return stopAfter < 0 || static_cast<int>(steps.size()) < stopAfter;
        }
        int stopAfter = -1;
        std::vector<int64_t> steps;
    } owner;

    ASSERT_EQ(f.extract(1, true, {}, &owner).Outcome, ExtractOutcome::Written);
    EXPECT_EQ(owner.steps, (std::vector<int64_t>{ExtractProgressStep, 2 * ExtractProgressStep,
                                                 static_cast<int64_t>(big.size())}));

    // Stopped inside a new file: nothing is left of it.
    owner.steps.clear();
    owner.stopAfter = 1;
    const auto fresh = f.extract(2, true, {}, &owner);
    EXPECT_EQ(fresh.Outcome, ExtractOutcome::Cancelled);
    EXPECT_TRUE(fresh.Result().empty());
    EXPECT_FALSE(mdlTools::FileExists(f.out + "/old.bin"));

    // Stopped while replacing: the old file stays exactly as it was, no temporary file.
    WriteFile(f.out + "/old.bin", "keep me");
    owner.steps.clear();
    EXPECT_EQ(f.extract(2, true, {}, &owner).Outcome, ExtractOutcome::Cancelled);
    EXPECT_EQ(ReadFile(f.out + "/old.bin"), "keep me");
    EXPECT_EQ(listDir(f.out), (std::set<std::string>{"big.bin", "old.bin"}));
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
    ASSERT_EQ(rename((f.out + "/a").c_str(), (f.dir / "moved").c_str()), 0);
    ASSERT_EQ(symlink((f.dir / "moved").c_str(), (f.out + "/a").c_str()), 0);
    const auto moved = extract(2);
    EXPECT_EQ(moved.Outcome, ExtractOutcome::Failed);
    EXPECT_EQ(moved.Error.Code, 52);
    EXPECT_EQ(listDir(f.dir / "moved"), std::set<std::string>{"x.txt"});

    // Deleted and replaced by a relative link that leads out: refused.
    ASSERT_TRUE(mdlTools::DeletePath(f.out + "/b"));
    ASSERT_EQ(symlink("../outside", (f.out + "/b").c_str()), 0);
    EXPECT_EQ(extract(4).Error.Code, 52);
    EXPECT_TRUE(listDir(f.dir / "outside").empty());

    // Deleted: made again.
    ASSERT_TRUE(mdlTools::DeletePath(f.out + "/c"));
    EXPECT_EQ(extract(6).Outcome, ExtractOutcome::Written);
    EXPECT_EQ(ReadFile(f.out + "/c/y.txt"), "y");

    // Replaced by a file: the same error as without a session.
    ASSERT_TRUE(mdlTools::DeletePath(f.out + "/d"));
    WriteFile(f.out + "/d", "file");
    const auto blocked = extract(8);
    EXPECT_EQ(blocked.Outcome, ExtractOutcome::Failed);
    EXPECT_EQ(blocked.Error.Code, f.extract(8).Error.Code);
    EXPECT_EQ(ReadFile(f.out + "/d"), "file");

    // Replaced by a link that stays inside: followed, as on the first visit.
    ASSERT_TRUE(mdlTools::DeletePath(f.out + "/e"));
    mdlTools::CreatePath(f.out + "/real");
    ASSERT_EQ(symlink("real", (f.out + "/e").c_str()), 0);
    EXPECT_EQ(extract(10).Outcome, ExtractOutcome::Written);
    EXPECT_EQ(ReadFile(f.out + "/real/y.txt"), "y");

    // A file that turns up in a known folder is decided about as usual.
    WriteFile(f.out + "/c/x.txt", "old");
    EXPECT_EQ(extract(5).Outcome, ExtractOutcome::Kept);
    EXPECT_EQ(extract(5, {1, 0}).Outcome, ExtractOutcome::Written);
    EXPECT_EQ(ReadFile(f.out + "/c/x.txt"), "x");
    EXPECT_EQ(listDir(f.out + "/c"), (std::set<std::string>{"x.txt", "y.txt"}));
    EXPECT_TRUE(listDir(f.dir / "outside").empty());
}

TEST(ExtractPakEntry, ASessionServesMoreFoldersThanItKeepsOpen)
{
    // Entry i in folder i mod 700, visited twice round: more folders than are kept open.
    std::vector<PakWriterEntry> entries;
    for (int i = 0; i < 1400; ++i)
        entries.push_back({"f" + std::to_string(i % 700) + "\\n" + std::to_string(i), "z"});
    Fixture f(entries);
    ExtractSession session;
    for (int32_t i = 1; i <= 1400; ++i)
        ASSERT_EQ(
            ExtractPakEntry(f.archive, PakRowKey(i), f.out, true, {}, nullptr, &session).Outcome,
            ExtractOutcome::Written)
            << i;
    EXPECT_EQ(listDir(f.out).size(), 700u);
    EXPECT_EQ(listDir(f.out + "/f699"), (std::set<std::string>{"n699", "n1399"}));
}
