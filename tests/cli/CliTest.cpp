#include "PakWriter.h"
#include "TestSupport.h"
#include "mdlTools.h"

#include <gtest/gtest.h>

namespace {

constexpr uint64_t kTime = 133563222001234567ULL; // 2024-03-31 01:30:00.1234567 UTC

// Line ends as LF: on Windows the tool writes text as the console expects, CR LF.
std::string Unix(const std::string &text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != '\r' || i + 1 == text.size() || text[i + 1] != '\n')
            out += text[i];
    return out;
}

RunResult cli(const std::vector<std::string> &args, const std::string &cwd = {})
{
    RunResult r = Run(BinPath("vannerby-cli"), args, cwd);
    r.out = Unix(r.out);
    r.err = Unix(r.err);
    return r;
}

std::string makeArchive(const TempDir &dir, std::vector<PakWriterEntry> entries, bool times)
{
    for (auto &e : entries)
        e.CreationTime = e.LastAccessTime = e.LastWriteTime = kTime;
    PakWriterOptions options;
    options.WithTimeTable = times;
    const std::string path = dir / "a.pak";
    EXPECT_TRUE(WritePak(path, entries, options));
    return path;
}

// A path inside a JSON string: Windows paths have backslashes.
std::string json(const std::string &path)
{
    std::string out;
    for (const char ch : path)
        out += ch == '\\' ? std::string("\\\\") : std::string(1, ch);
    return out;
}

} // namespace

TEST(Cli, ListFormats)
{
    TempDir dir;
    const std::string pak = makeArchive(dir,
                                        {{"maps\\n\x01rd.ini", "abc"},
                                         {"tools.old/readme", ""},
                                         {"Gr\xF6\xDF"
                                          "e.TXT",
                                          "x"}},
                                        true);

    auto r = cli({"list", pak});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "maps\\n\\x01rd.ini\ntools.old/readme\nGröße.TXT\n");

    r = cli({"list", "-l", pak});
    EXPECT_EQ(r.exitCode, 0);
    const std::string t = "2024-03-31T01:30:00Z";
    EXPECT_EQ(r.out, "key\tname\ttype\tstart\tsize\tcreated\taccessed\tmodified\n"
                     "ID1\tmaps\\n\\x01rd.ini\tini\t688\t3\t" +
                         t + "\t" + t + "\t" + t +
                         "\n"
                         "ID2\ttools.old/readme\t\t691\t0\t" +
                         t + "\t" + t + "\t" + t +
                         "\n"
                         "ID3\tGröße.TXT\tTXT\t691\t1\t" +
                         t + "\t" + t + "\t" + t + "\n");

    r = cli({"list", "--json", "a.pak"}, dir.path());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.substr(0, r.out.find("\"entries\"")), "{\n  \"archive\": \"" +
                                                              json(mdlTools::GetFullPath(pak)) +
                                                              "\",\n  \"has_times\": true,\n  ");
    EXPECT_NE(r.out.find("{\"key\": \"ID1\", \"index\": 1, \"name\": \"maps\\\\n\\u0001rd.ini\", "
                         "\"type\": \"ini\", \"start\": 688, \"size\": 3, \"created\": \"" +
                         t + "\", \"accessed\": \"" + t + "\", \"modified\": \"" + t + "\"}"),
              std::string::npos)
        << r.out;
}

TEST(Cli, ListWithoutTimesAndEmpty)
{
    TempDir dir;
    const std::string pak = makeArchive(dir, {{"a.b", "1"}}, false);
    auto r = cli({"list", "-l", pak});
    EXPECT_EQ(r.out, "key\tname\ttype\tstart\tsize\tcreated\taccessed\tmodified\n"
                     "ID0\ta.b\tb\t152\t1\t-\t-\t-\n");
    r = cli({"list", "--json", pak});
    EXPECT_NE(r.out.find("\"has_times\": false"), std::string::npos);
    EXPECT_NE(r.out.find("\"created\": null, \"accessed\": null, \"modified\": null"),
              std::string::npos);

    WriteFile(dir / "e.pak", BuildPak({}));
    r = cli({"list", "--json", dir / "e.pak"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("\"entries\": []\n}\n"), std::string::npos) << r.out;
}

TEST(Cli, ErrorsAndExitCodes)
{
    TempDir dir;
    WriteFile(dir / "text.pak", "not an archive at all");
    auto r = cli({"list", dir / "text.pak"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "vannerby-cli: invalid file format: " + (dir / "text.pak") + " (error 321)\n");
    r = cli({"list", dir / "missing.pak"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "vannerby-cli: file not found: " + (dir / "missing.pak") + " (error 53)\n");
    std::string damaged = BuildPak({{"a", "1"}});
    damaged[4] = '\x7f';
    WriteFile(dir / "damaged.pak", damaged);
    r = cli({"extract", "-C", dir / "out", dir / "damaged.pak"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err,
              "vannerby-cli: unexpected end of file: " + (dir / "damaged.pak") + " (error 62)\n");
    EXPECT_EQ(cli({}).exitCode, 2);
    EXPECT_EQ(cli({"list"}).exitCode, 2);
    EXPECT_EQ(cli({"list", "-l", "--json", dir / "text.pak"}).exitCode, 2);
    EXPECT_EQ(cli({"frobnicate"}).exitCode, 2);
    EXPECT_EQ(cli({"extract", "-j", "0", "-C", dir / "out", dir / "damaged.pak"}).exitCode, 2);
    EXPECT_EQ(cli({"--help"}).exitCode, 0);
}

TEST(Cli, ExtractSelectsByPatternAndHonoursTheFlags)
{
    TempDir dir;
    const std::string pak = makeArchive(dir,
                                        {{"maps\\Nord\\a.ini", "a"},
                                         {"maps\\b.ini", "b"},
                                         {"\xC4rger.txt", "c"},
                                         {"readme.txt", "d"}},
                                        true);
    // Default folder: the current one. Patterns: any case, either separator, * crosses folders.
    auto r = cli({"extract", "-v", pak, "MAPS/*.INI", "\xC3\xA4rger.*"}, dir.path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "written maps\\Nord\\a.ini\nwritten maps\\b.ini\nwritten Ärger.txt\n");
    EXPECT_EQ(r.err, "3 written, 0 skipped, 0 kept\n");
    EXPECT_EQ(ReadFile(dir / "maps/Nord/a.ini"), "a");
    EXPECT_EQ(ReadFile(dir / "Ärger.txt"), "c");

    // -C creates the folder with its parents; --flat drops folder names; -j 1
    // writes one entry at a time.
    r = cli({"extract", "--flat", "-j", "1", "-C", dir / "x/y", pak, "maps\\nord\\?.ini"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(ReadFile(dir / "x/y/a.ini"), "a");

    // Without a terminal nobody can be asked: existing files are kept.
    WriteFile(dir / "x/y/a.ini", "mine");
    r = cli({"extract", "-v", "--flat", "-C", dir / "x/y", pak, "*a.ini"});
    EXPECT_EQ(r.out, "kept maps\\Nord\\a.ini\n");
    EXPECT_EQ(r.err, "0 written, 0 skipped, 1 kept\n");
    EXPECT_EQ(ReadFile(dir / "x/y/a.ini"), "mine");
    // The file on disk is newer than the entry: skipped.
    r = cli({"extract", "-v", "--flat", "--skip-older", "--overwrite", "-C", dir / "x/y", pak,
             "*a.ini"});
    EXPECT_EQ(r.out, "skipped maps\\Nord\\a.ini\n");
    r = cli({"extract", "--flat", "--overwrite", "-C", dir / "x/y", pak, "*a.ini"});
    EXPECT_EQ(r.err, "1 written, 0 skipped, 0 kept\n");
    EXPECT_EQ(ReadFile(dir / "x/y/a.ini"), "a");

    r = cli({"extract", "-C", dir / "none", pak, "*.nothing"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "0 written, 0 skipped, 0 kept\n");
    // "€" is in Windows-1252, "ő" is not and so is in no stored name: it is no wildcard.
    r = cli({"extract", "-C", dir / "none", pak,
             "r\xC5\x91"
             "adme.txt",
             "*\xE2\x82\xAC"});
    EXPECT_EQ(r.err, "0 written, 0 skipped, 0 kept\n");
}

TEST(Cli, ExtractStopsAtTheFirstFailingEntry)
{
    TempDir dir;
    const std::string pak =
        makeArchive(dir, {{"good.txt", "g"}, {"..\\evil.txt", "e"}, {"later.txt", "l"}}, false);
    const auto r = cli({"extract", "-v", "-C", dir / "out", pak});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "written good.txt\n");
    EXPECT_EQ(r.err, "vannerby-cli: bad file name: ..\\evil.txt (error 52)\n"
                     "1 written, 0 skipped, 0 kept\n");
    EXPECT_FALSE(ReadFile(dir / "out/later.txt").size());
    EXPECT_FALSE(ReadFile(dir / "evil.txt").size());
}

TEST(Cli, ALongRunReportsInArchiveOrderAndStopsAtTheFirstFailure)
{
    TempDir dir;
    std::vector<PakWriterEntry> entries;
    std::string expected;
    for (int i = 0; i < 400; ++i) {
        std::string name = "d";
        name += std::to_string(i % 7);
        name += "\\f";
        name += std::to_string(i);
        entries.push_back({name, "x"});
        if (i < 250)
            expected += "written " + name + "\n";
    }
    entries[250] = {"..\\evil.txt", "e"};
    entries[251] = {"later\\never.txt", "l"};
    const std::string pak = makeArchive(dir, entries, true);
    const auto r = cli({"extract", "-v", "-C", dir / "out", pak});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.err, "vannerby-cli: bad file name: ..\\evil.txt (error 52)\n"
                     "250 written, 0 skipped, 0 kept\n");
    EXPECT_TRUE(ReadFile(dir / "out/d0/f252").empty());
    EXPECT_FALSE(mdlTools::DirExists(dir / "out/later"));
    EXPECT_EQ(ReadFile(dir / "out/d5/f243"), "x");
}

TEST(Cli, VersionAndHelp)
{
    auto r = cli({"--version"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "vannerby-cli " VANNERBY_VERSION "\n");

    r = cli({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    for (const char *command : {"list", "extract", "check", "reg", "--version"})
        EXPECT_NE(r.out.find(command), std::string::npos) << command;

    // reg's own usage, however it is asked for, also after an operation.
    const std::vector<std::vector<std::string>> asks = {{"reg", "--help"},
                                                        {"reg", "-h"},
                                                        {"reg", "/?"},
                                                        {"reg", "add", "--help"},
                                                        {"reg", "export", "HKCU", "--help"},
                                                        {"reg", "query", "HKCU", "/?"}};
    for (const auto &args : asks) {
        r = cli(args);
        EXPECT_EQ(r.exitCode, 0) << args[1];
        EXPECT_EQ(r.out.rfind("Usage:\n  vannerby-cli reg query KEY", 0), 0u) << args[1] << r.out;
        EXPECT_NE(r.out.find("reg export KEY FILE [/y]"), std::string::npos);
        EXPECT_TRUE(r.err.empty()) << r.err;
    }
    // As the value of /v it is a name like any other; a bare reg is a usage error.
    r = cli({"reg", "query", "HKCU\\Software\\Vannerby-no-such-key", "/v", "--help"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "vannerby-cli reg: value not found: HKCU\\Software\\Vannerby-no-such-key "
                     "--help\n");
    r = cli({"reg"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(r.err.rfind("vannerby-cli reg: missing operation\nUsage:\n", 0), 0u) << r.err;
}

TEST(Cli, CheckSpeaksEnglishAndCountsTheListedEntries)
{
    TempDir dir;
    const std::string pak = makeArchive(dir, {{"a.txt", "abc"}}, true);
    auto r = cli({"check", pak});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "Findings: 0; unused: 0 of 355 bytes\n");
    r = cli({"check", "--json", pak});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("\n  \"entries\": 1,\n  \"time_table\": {\"key\": \"ID0\", \"name\": "
                         "\"FILELIST.BIN\", \"start\": 288, \"size\": 64, \"records\": 2},\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"summary\": \"Findings: 0; unused: 0 of 355 bytes\""),
              std::string::npos);
    r = cli({"check", dir / "missing.pak"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "vannerby-cli: file not found: " + (dir / "missing.pak") + " (error 53)\n");
}
