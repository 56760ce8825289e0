#include "PakWriter.h"
#include "TestSupport.h"
#include "mdlTools.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

// Line ends as LF: on Windows the tool writes text as the console expects, CR LF.
std::string Unix(const std::string &text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != '\r' || i + 1 == text.size() || text[i + 1] != '\n')
            out += text[i];
    return out;
}

RunResult cli(const std::vector<std::string> &args)
{
    RunResult r = Run(BinPath("vannerby-cli"), args);
    r.out = Unix(r.out);
    r.err = Unix(r.err);
    return r;
}

std::vector<std::string> Lines(const std::string &text)
{
    std::vector<std::string> lines;
    size_t begin = 0;
    for (size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1)
        lines.push_back(text.substr(begin, end - begin));
    return lines;
}

} // namespace

TEST(CheckCommand, FindingsLinesAndExitCodes)
{
    TempDir dir;
    const std::string sound = dir / "sound.pak";
    ASSERT_TRUE(WritePak(sound, {{"a.txt", "abc"}, {"b.txt", "de"}}));
    RunResult r = cli({"check", sound});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "Findings: 0; unused: 0 of 293 bytes\n");

    // A tab in a name cannot break the columns.
    const std::string damaged = dir / "damaged.pak";
    ASSERT_TRUE(WritePak(
        damaged,
        {{"maps\\a\tb", "abc"}, {"MAPS/A\tB", "de", {}, 100}, {"..\\evil", "", int32_t{-1}}}));
    r = cli({"check", damaged});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(Lines(r.out), (std::vector<std::string>{
                                "ID0\tmaps\\a\\x09b\tName contains control characters",
                                "ID1\tMAPS/A\\x09B\tData reaches 98 bytes past the end of the "
                                "file",
                                "ID1\tMAPS/A\\x09B\tSame name as ID0 (maps\\a\\x09b)",
                                "ID1\tMAPS/A\\x09B\tName contains control characters",
                                "ID2\t..\\evil\tNegative start offset -1",
                                "ID2\t..\\evil\tName is refused on extraction (\"..\", drive "
                                "prefix or no name)",
                                "Findings: 6; unused: 0 of 429 bytes"}));

    // What cannot be loaded at all: exit 2 with the reason.
    WriteFile(dir / "text.pak", "not an archive");
    r = cli({"check", dir / "text.pak"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "vannerby-cli: invalid file format: " + (dir / "text.pak") + " (error 321)\n");
    PakWriterOptions tooMany;
    tooMany.EntryCount = 1000;
    ASSERT_TRUE(WritePak(dir / "count.pak", {{"a", "b"}}, tooMany));
    r = cli({"check", "--json", dir / "count.pak"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err,
              "vannerby-cli: unexpected end of file: " + (dir / "count.pak") + " (error 62)\n");
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(cli({"check", dir / "missing.pak"}).exitCode, 2);
}

TEST(CheckCommand, JsonParses)
{
    TempDir dir;
    const std::string path = dir / "json.pak";
    ASSERT_TRUE(WritePak(path, {{"Gr\xF6\xDF"
                                 "e \"1\".txt",
                                 "abc"},
                                {"b", "", int32_t{16 + 2 * 136 + 1}, 2}}));
    RunResult r = cli({"check", "--json", path});
    EXPECT_EQ(r.exitCode, 1);
    QJsonParseError error{};
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out;
    const QJsonObject root = document.object();
    // The archive's full path in the system's form.
    EXPECT_EQ(root.value(QStringLiteral("archive")).toString().toStdString(),
              mdlTools::GetFullPath(path));
    EXPECT_EQ(root.value(QStringLiteral("entries")).toInt(), 2);
    EXPECT_EQ(root.value(QStringLiteral("file_size")).toInt(), 16 + 2 * 136 + 3);
    EXPECT_EQ(root.value(QStringLiteral("unused_bytes")).toInt(), 0);
    const QJsonArray findings = root.value(QStringLiteral("findings")).toArray();
    ASSERT_EQ(findings.size(), 1);
    const QJsonObject finding = findings.at(0).toObject();
    EXPECT_EQ(finding.value(QStringLiteral("key")).toString(), QStringLiteral("ID1"));
    EXPECT_EQ(finding.value(QStringLiteral("index")).toInt(), 1);
    EXPECT_EQ(finding.value(QStringLiteral("code")).toString(), QStringLiteral("overlaps-entry"));
    EXPECT_EQ(finding.value(QStringLiteral("other")).toString(), QStringLiteral("ID0"));
    EXPECT_EQ(finding.value(QStringLiteral("finding")).toString(),
              QString::fromUtf8("Data overlaps 2 bytes of ID0 (Größe \"1\".txt)"));
    EXPECT_EQ(root.value(QStringLiteral("summary")).toString(),
              QStringLiteral("Findings: 1; unused: 0 of 291 bytes"));
    EXPECT_TRUE(root.value(QStringLiteral("time_table")).isNull());

    ASSERT_TRUE(WritePak(path, {{"a", "b"}}));
    r = cli({"check", "--json", path});
    EXPECT_EQ(r.exitCode, 0);
    const QJsonDocument sound = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out;
    EXPECT_TRUE(sound.object().value(QStringLiteral("findings")).toArray().isEmpty());
}

TEST(CheckCommand, JsonCountsTheListedEntriesAndNamesTheTimeTable)
{
    TempDir dir;
    const std::string path = dir / "times.pak";
    PakWriterOptions options;
    options.WithTimeTable = true;
    ASSERT_TRUE(WritePak(path, {{"a.txt", "abc"}, {"b.txt", "de"}, {"c.txt", ""}}, options));
    RunResult r = cli({"check", "--json", path});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    QJsonParseError error{};
    const QJsonObject root =
        QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out;
    // As many as "list" shows; the time table is the first entry, apart.
    EXPECT_EQ(root.value(QStringLiteral("entries")).toInt(), 3);
    EXPECT_EQ(Lines(cli({"list", path}).out).size(), 3u);
    const QJsonObject table = root.value(QStringLiteral("time_table")).toObject();
    EXPECT_EQ(table.value(QStringLiteral("key")).toString(), QStringLiteral("ID0"));
    EXPECT_EQ(table.value(QStringLiteral("name")).toString(), QStringLiteral("FILELIST.BIN"));
    EXPECT_EQ(table.value(QStringLiteral("start")).toInt(), 16 + 4 * 136);
    EXPECT_EQ(table.value(QStringLiteral("size")).toInt(), 4 * 32);
    EXPECT_EQ(table.value(QStringLiteral("records")).toInt(), 4);
    EXPECT_EQ(root.value(QStringLiteral("file_size")).toInt(), 16 + 4 * 136 + 4 * 32 + 5);
}
