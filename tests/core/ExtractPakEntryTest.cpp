#include "ExtractPakEntryFixture.h"

TEST(ExtractPakEntry, WritesWithOrWithoutFolderNamesAndStampsTimes)
{
    Fixture f({{"data\\maps\\x.bin", "payload"},
               {"empty.dat", ""},
               {"Gr\xF6\xDF"
                "e.txt",
                "g"}});

    const auto r = f.extract(1);
    EXPECT_EQ(r.Outcome, ExtractOutcome::Written);
    EXPECT_EQ(r.Result(), Under(f.out, "data/maps/x.bin"));
    EXPECT_EQ(ReadFile(Under(f.out, "data/maps/x.bin")), "payload");
    EXPECT_EQ(TimesAt(Under(f.out, "data/maps/x.bin")).LastWrite, kNew); // to the 100 ns
    EXPECT_EQ(r.Target.EntrySize, 7);
    EXPECT_EQ(r.Target.NewCreationTime, kOld);

    const auto flat = f.extract(1, false);
    EXPECT_EQ(flat.Result(), Under(f.out, "x.bin"));
    EXPECT_EQ(ReadFile(Under(f.out, "x.bin")), "payload");

    const auto empty = f.extract(2);
    EXPECT_EQ(empty.Outcome, ExtractOutcome::Written);
    EXPECT_TRUE(mdlTools::FileExists(Under(f.out, "empty.dat")));
    EXPECT_EQ(ReadFile(Under(f.out, "empty.dat")), "");
    EXPECT_EQ(TimesAt(Under(f.out, "empty.dat")).LastWrite, kNew);

    EXPECT_EQ(f.extract(3).Result(), Under(f.out, "Größe.txt"));
    EXPECT_EQ(ListDir(f.out), (std::set<std::string>{"data", "x.bin", "empty.dat", "Größe.txt"}));
}

TEST(ExtractPakEntry, WithoutTimeTableTheArchiveTimesAreUsed)
{
    Fixture f({{"a.txt", "1"}}, false);
    ASSERT_EQ(f.extract(0).Outcome, ExtractOutcome::Written);
    EXPECT_EQ(TimesAt(Under(f.out, "a.txt")).LastWrite, f.archive.FileLastWriteTime);
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
        mdlTools::CreatePath(Under(f.out, "dir"));
        WriteFile(Under(f.out, "dir/file.txt"), "old");
        SetLastWrite(Under(f.out, "dir/file.txt"), c.existingTime);
        ScriptedOwner owner(c.answer);
        const auto r = f.extract(1, true, c.settings, c.answer ? &owner : nullptr);
        EXPECT_EQ(r.Outcome, c.outcome) << c.what;
        EXPECT_EQ(owner.calls, c.asked) << c.what;
        const bool replaced = c.outcome == ExtractOutcome::Written;
        EXPECT_EQ(ReadFile(Under(f.out, "dir/file.txt")), replaced ? "new content" : "old")
            << c.what;
        EXPECT_EQ(r.Result().empty(), c.outcome == ExtractOutcome::Cancelled) << c.what;
        EXPECT_EQ(ListDir(Under(f.out, "dir")), std::set<std::string>{"file.txt"}) << c.what;
        if (c.asked) {
            EXPECT_EQ(owner.seen.ExistingPath, Under(f.out, "dir/file.txt"));
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
            EXPECT_EQ(r.Result(), Under(f.out, c.writtenAs)) << c.name;
            EXPECT_EQ(ReadFile(Under(f.out, c.writtenAs)), "x") << c.name;
        } else {
            EXPECT_EQ(r.Outcome, ExtractOutcome::Failed) << c.name;
            EXPECT_EQ(r.Error.Code, 52) << c.name;
            EXPECT_TRUE(r.Result().empty());
        }
        EXPECT_EQ(ListDir(f.dir.path()).count("evil.txt"), 0u) << c.name;
    }
}

TEST(ExtractPakEntry, RefusesToReplaceReadOnlyFilesFoldersAndTheArchive)
{
    Fixture f({{"ro.txt", "new"}, {"folder", "new"}, {"a.pak", "new"}});
    mdlTools::CreatePath(Under(f.out, "folder"));
    WriteFile(Under(f.out, "ro.txt"), "old");
    MakeReadOnly(Under(f.out, "ro.txt"));

    const auto ro = f.extract(1, true, {1, 0});
    EXPECT_EQ(ro.Outcome, ExtractOutcome::Failed);
    EXPECT_EQ(ro.Error.Code, 70);
    EXPECT_EQ(PakErrorMessage(ro.Error),
              "Zugriff verweigert: " + Under(f.out, "ro.txt\r\n(Runtime-Error: 70)"));
    EXPECT_EQ(ReadFile(Under(f.out, "ro.txt")), "old");
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
    EXPECT_EQ(ListDir(f.out), (std::set<std::string>{"ro.txt", "folder"}));
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
    EXPECT_TRUE(ListDir(f.out).empty());
    // An existing file that was to be replaced survives unchanged.
    WriteFile(Under(f.out, "old.bin"), "precious");
    EXPECT_EQ(f.extract(4, true, {1, 0}).Error.Code, 62);
    EXPECT_EQ(ReadFile(Under(f.out, "old.bin")), "precious");
    EXPECT_EQ(ListDir(f.out), std::set<std::string>{"old.bin"});
}

TEST(ExtractPakEntry, UnknownKeysAndAMissingArchiveGiveAnEmptyResultQuietly)
{
    Fixture f({PakWriterEntry{"a.txt", "1"}});
    for (const char *key : {"ID9", "ID-1", "XY1", "garbage"}) {
        const auto r = ExtractPakEntry(f.archive, key, f.out, true, {}, nullptr);
        EXPECT_EQ(r.Outcome, ExtractOutcome::NotFound) << key;
        EXPECT_TRUE(r.Result().empty());
    }
    ASSERT_TRUE(RemoveFile(f.dir / "a.pak"));
    EXPECT_EQ(f.extract(1).Outcome, ExtractOutcome::NotFound);
    EXPECT_FALSE(mdlTools::DirExists(f.out));
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
    EXPECT_FALSE(mdlTools::FileExists(Under(f.out, "old.bin")));

    // Stopped while replacing: the old file stays exactly as it was, no temporary file.
    WriteFile(Under(f.out, "old.bin"), "keep me");
    owner.steps.clear();
    EXPECT_EQ(f.extract(2, true, {}, &owner).Outcome, ExtractOutcome::Cancelled);
    EXPECT_EQ(ReadFile(Under(f.out, "old.bin")), "keep me");
    EXPECT_EQ(ListDir(f.out), (std::set<std::string>{"big.bin", "old.bin"}));
}

TEST(ExtractPakEntry, ASessionServesMoreFoldersThanItKeepsOpen)
{
    // Entry i in folder i mod 700, visited twice round: more folders than are kept open.
    std::vector<PakWriterEntry> entries;
    for (int i = 0; i < 1400; ++i) {
        // Built piece by piece: GCC 12 misreads the chained + here (-Wrestrict).
        std::string name = "f";
        name += std::to_string(i % 700);
        name += "\\n";
        name += std::to_string(i);
        entries.push_back({name, "z"});
    }
    Fixture f(entries);
    ExtractSession session;
    for (int32_t i = 1; i <= 1400; ++i)
        ASSERT_EQ(
            ExtractPakEntry(f.archive, PakRowKey(i), f.out, true, {}, nullptr, &session).Outcome,
            ExtractOutcome::Written)
            << i;
    EXPECT_EQ(ListDir(f.out).size(), 700u);
    EXPECT_EQ(ListDir(Under(f.out, "f699")), (std::set<std::string>{"n699", "n1399"}));
}
