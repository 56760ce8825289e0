#include "PakWriter.h"
#include "TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

RunResult cli(const std::vector<std::string> &args)
{
    return Run(BinPath("vannerby-cli"), args);
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
    EXPECT_EQ(r.out, "Befunde: 0; ungenutzt: 0 von 293 Bytes\n");

    // A tab in a name cannot break the columns.
    const std::string damaged = dir / "damaged.pak";
    ASSERT_TRUE(WritePak(
        damaged,
        {{"maps\\a\tb", "abc"}, {"MAPS/A\tB", "de", {}, 100}, {"..\\evil", "", int32_t{-1}}}));
    r = cli({"check", damaged});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(Lines(r.out), (std::vector<std::string>{
                                "ID0\tmaps\\a\\x09b\tName enthält Steuerzeichen",
                                "ID1\tMAPS/A\\x09B\tDaten reichen 98 Bytes über das Dateiende "
                                "hinaus",
                                "ID1\tMAPS/A\\x09B\tGleicher Name wie ID0 (maps\\a\\x09b)",
                                "ID1\tMAPS/A\\x09B\tName enthält Steuerzeichen",
                                "ID2\t..\\evil\tNegative Startadresse -1",
                                "ID2\t..\\evil\tName wird beim Extrahieren abgelehnt (\"..\", "
                                "Laufwerksangabe oder kein Name)",
                                "Befunde: 6; ungenutzt: 0 von 429 Bytes"}));

    // What cannot be loaded at all: exit 2 with the reason.
    WriteFile(dir / "text.pak", "not an archive");
    r = cli({"check", dir / "text.pak"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("(321)"), std::string::npos);
    PakWriterOptions tooMany;
    tooMany.EntryCount = 1000;
    ASSERT_TRUE(WritePak(dir / "count.pak", {{"a", "b"}}, tooMany));
    r = cli({"check", "--json", dir / "count.pak"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("(62)"), std::string::npos);
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
    EXPECT_EQ(root.value(QStringLiteral("archive")).toString().toStdString(), path);
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
              QString::fromUtf8("Daten überlappen 2 Bytes von ID0 (Größe \"1\".txt)"));
    EXPECT_TRUE(
        root.value(QStringLiteral("summary")).toString().startsWith(QStringLiteral("Befunde: 1;")));

    ASSERT_TRUE(WritePak(path, {{"a", "b"}}));
    r = cli({"check", "--json", path});
    EXPECT_EQ(r.exitCode, 0);
    const QJsonDocument sound = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out;
    EXPECT_TRUE(sound.object().value(QStringLiteral("findings")).toArray().isEmpty());
}
