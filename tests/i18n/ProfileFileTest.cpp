#include "ProfileFile.h"

#include "I18nTestSupport.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

using namespace I18nTest;
using ProfileFile::GetString;
using ProfileFile::WriteString;

namespace {

constexpr int32_t kBuffer = 255;

// Windows-1252 text: "Größe" and "Ü&bernehmen".
const std::string kGroesseCp1252 = "Gr\xF6\xDF"
                                   "e";
const std::string kUebernehmenCp1252 = "\xDC&bernehmen";

const std::string kSample = "; Sprachdatei\r\n"
                            "Text vor dem ersten Abschnitt\r\n"
                            "Lose=vor dem Abschnitt\r\n"
                            "[Section]\r\n"
                            "  Key1 =  value with blanks   \r\n"
                            "Quoted=\"  inner  \"\r\n"
                            "Single='x'\r\n"
                            "Mismatch=\"abc'\r\n"
                            "Empty=\r\n"
                            "line without equals\r\n"
                            ";Key2=commented out\r\n"
                            "Dup=first\r\n"
                            "Dup=second\r\n"
                            "\r\n"
                            "[section]\r\n"
                            "Other=in the second section of that name\r\n"
                            "[Zweite]\r\n" +
                            kGroesseCp1252 + "=" + kUebernehmenCp1252 + "\r\n";

} // namespace

TEST(ProfileFileTest, ReadsWithTheWindowsRules)
{
    const std::string path = MakeTempFolder() + "sample.ini";
    WriteFile(path, kSample);
    struct Case
    {
        const char *section;
        const char *key;
        std::string expected;
    };
    const Case cases[] = {
        {"Section", "Key1", "value with blanks"},
        {" SECTION ", " key1\t", "value with blanks"},
        {"Section", "Quoted", "  inner  "},
        {"Section", "Single", "x"},
        {"Section", "Mismatch", "\"abc'"},
        {"Section", "Empty", ""},
        {"Section", "line without equals", "DEF"},
        {"Section", "Key2", "DEF"},
        {"Section", ";Key2", "commented out"}, // found only when asked for with its ";"
        {"Section", "Dup", "first"},
        {"Section", "Other", "DEF"}, // only the first section of a name counts
        {"Section", "Lose", "DEF"},  // text before the first section is no entry
        {"ZWEITE", "GRÖSSE", "DEF"},
        {"zweite", "GRÖßE", "Ü&bernehmen"}, // case folding covers Windows-1252 letters
        {"Missing", "Key1", "DEF"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(GetString(c.section, c.key, "DEF", kBuffer, path), c.expected)
            << c.section << "/" << c.key;

    EXPECT_EQ(GetString("Section", "Key1", "DEF", kBuffer, path + ".missing"), "DEF");
    EXPECT_EQ(GetString("Section", "Key1", "DEF", 0, path), "");
    EXPECT_EQ(GetString("Section", "Key1", "DEF", 6, path), "value");
    EXPECT_EQ(GetString("Missing", "Key1", "ÄÖÜäöü", 4, path), "ÄÖÜ"); // characters, not bytes
    // "[" starts a section only at the start of a line and with a "]"; the
    // name ends at the line's last "]". A "[" line without one is an entry.
    WriteFile(path, "[A]\r\n[no close=1\r\nk=v [B]\r\n \t[B] ; note\r\nk=b\r\n[C]x]\r\nk=c\r\n");
    EXPECT_EQ(GetString("A", "[no close", "DEF", kBuffer, path), "1");
    EXPECT_EQ(GetString("A", "k", "DEF", kBuffer, path), "v [B]");
    EXPECT_EQ(GetString("B", "k", "DEF", kBuffer, path), "b");
    EXPECT_EQ(GetString("C]x", "k", "DEF", kBuffer, path), "c");
    EXPECT_EQ(GetString(std::nullopt, std::nullopt, "", kBuffer, path),
              std::string("A\0B\0C]x\0", 8));
    EXPECT_EQ(GetString("A", std::nullopt, "", kBuffer, path), std::string("[no close\0k\0", 12));
    // The file is read as it is now: nothing is remembered between calls.
    WriteFile(path, "[Section]\nKey1=neu\n");
    EXPECT_EQ(GetString("Section", "Key1", "DEF", kBuffer, path), "neu");
}

TEST(ProfileFileTest, ListsKeysAndSectionsAndCutsLongLists)
{
    const std::string path = MakeTempFolder() + "sample.ini";
    WriteFile(path, kSample);
    EXPECT_EQ(GetString("Section", std::nullopt, "", 8192, path),
              std::string("Key1\0Quoted\0Single\0Mismatch\0Empty\0Dup\0Dup\0", 42));
    EXPECT_EQ(GetString(std::nullopt, std::nullopt, "", 8192, path),
              std::string("Section\0section\0Zweite\0", 23));
    EXPECT_EQ(GetString("Missing", std::nullopt, "DEF", 8192, path), "DEF");
    // A section without keys gives the default too.
    WriteFile(path, "[Leer]\r\n;note\r\n[B]\r\nx=1\r\n");
    EXPECT_EQ(GetString("leer", std::nullopt, "DEF", 8192, path), "DEF");
    WriteFile(path, kSample);
    // Too long: cut to bufferSize - 2 characters, so the last name has no NUL.
    EXPECT_EQ(GetString("Section", std::nullopt, "", 12, path), std::string("Key1\0Quote", 10));
    EXPECT_EQ(GetString(std::nullopt, std::nullopt, "", 9, path), std::string("Section", 7));
}

TEST(ProfileFileTest, WritesKeepEveryOtherLine)
{
    const std::string folder = MakeTempFolder();
    const std::string path = folder + "sample.ini";
    WriteFile(path, kSample);

    EXPECT_NE(WriteString("SECTION", "key1", "changed", path), 0);
    EXPECT_NE(WriteString("Section", "New", "added", path), 0);
    EXPECT_NE(WriteString("Zweite", "Dup", "x", path), 0);
    EXPECT_NE(WriteString("Dritte", "A", "b", path), 0);
    std::string expected = kSample;
    expected.replace(expected.find("  Key1 =  value with blanks   "), 30, "Key1=changed");
    expected.replace(expected.find("Dup=second\r\n") + 12, 0, "New=added\r\n");
    expected += "Dup=x\r\n[Dritte]\r\nA=b\r\n";
    EXPECT_EQ(ReadFile(path), expected);

    // Writing the value that is already there changes nothing.
    EXPECT_NE(WriteString("Dritte", "A", "b", path), 0);
    EXPECT_EQ(ReadFile(path), expected);
    // No temporary file stays behind.
    EXPECT_EQ(Folder(folder), std::vector<std::string>{"sample.ini"});
}

TEST(ProfileFileTest, DeletesKeysAndSections)
{
    const std::string folder = MakeTempFolder();
    const std::string path = folder + "sample.ini";
    WriteFile(path, "[A]\r\nx=1\r\n;note\r\ny=2\r\n[B]\r\nx=3\r\n[a]\r\nx=4\r\n");
    EXPECT_NE(WriteString("a", "X", std::nullopt, path), 0);
    EXPECT_EQ(ReadFile(path), "[A]\r\n;note\r\ny=2\r\n[B]\r\nx=3\r\n[a]\r\n");
    EXPECT_NE(WriteString("A", std::nullopt, std::nullopt, path), 0);
    EXPECT_EQ(ReadFile(path), "[B]\r\nx=3\r\n");
    EXPECT_NE(WriteString("Missing", "x", std::nullopt, path), 0);
    EXPECT_EQ(ReadFile(path), "[B]\r\nx=3\r\n");

    // Deleting from a missing file succeeds without creating it.
    EXPECT_NE(WriteString("B", "x", std::nullopt, folder + "none.ini"), 0);
    EXPECT_FALSE(Exists(folder + "none.ini"));
}

TEST(ProfileFileTest, NewFilesAreWindows1252WithCrLf)
{
    const std::string folder = MakeTempFolder();
    const std::string path = folder + "new.lng";
    EXPECT_NE(WriteString("frmOptions", "Größe", "Ü&bernehmen", path), 0);
    EXPECT_NE(WriteString("frmOptions", "Euro", "€ „x“", path), 0);
    EXPECT_EQ(ReadFile(path), "[frmOptions]\r\n" + kGroesseCp1252 + "=" + kUebernehmenCp1252 +
                                  "\r\nEuro=\x80 \x84x\x93\r\n");
    EXPECT_EQ(GetString("frmOptions", "größe", "", kBuffer, path), "Ü&bernehmen");
    EXPECT_EQ(GetString("frmOptions", "Euro", "", kBuffer, path), "€ „x“");

    // Characters Windows-1252 cannot hold: a value gets "?", a name is refused
    // so that it never lands on another key.
    EXPECT_NE(WriteString("frmOptions", "Ru", "Ключ", path), 0);
    EXPECT_EQ(GetString("frmOptions", "Ru", "", kBuffer, path), "????");
    const std::string before = ReadFile(path);
    EXPECT_EQ(WriteString("frmOptions", "Ключ", "x", path), 0);
    EXPECT_EQ(GetString("frmOptions", "Ключ", "DEF", kBuffer, path), "DEF");
    EXPECT_EQ(ReadFile(path), before);
}

TEST(ProfileFileTest, Utf8FileWithByteOrderMarkStaysUtf8)
{
    const std::string path = MakeTempFolder() + "utf8.lng";
    const std::string bom = "\xEF\xBB\xBF";
    WriteFile(path, bom + "[frmOptions]\r\nGröße=Ключ\r\n");
    EXPECT_EQ(GetString("FRMOPTIONS", "Größe", "", kBuffer, path), "Ключ");
    EXPECT_NE(WriteString("frmOptions", "cmdApply.Caption", "Ü&bernehmen", path), 0);
    EXPECT_NE(WriteString("frmNeu", "Ключ", "Größe", path), 0);
    EXPECT_EQ(ReadFile(path), bom + "[frmOptions]\r\nGröße=Ключ\r\ncmdApply.Caption=Ü&bernehmen"
                                    "\r\n[frmNeu]\r\nКлюч=Größe\r\n");
}

TEST(ProfileFileTest, FollowsTheFilesLineEndsAndMissingLastLineBreak)
{
    const std::string path = MakeTempFolder() + "lf.ini";
    WriteFile(path, "[A]\nx=1");
    EXPECT_NE(WriteString("A", "y", "2", path), 0);
    EXPECT_EQ(ReadFile(path), "[A]\nx=1\ny=2\n");
    // A lone CR at the end is the last line's break.
    WriteFile(path, "[A]\r\nx=1\r");
    EXPECT_NE(WriteString("B", "y", "2", path), 0);
    EXPECT_EQ(ReadFile(path), "[A]\r\nx=1\r[B]\r\ny=2\r\n");
    EXPECT_EQ(GetString("A", "x", "", kBuffer, path), "1");
}

TEST(ProfileFileTest, CrAloneEndsALineAsOnWindows)
{
    const std::string path = MakeTempFolder() + "cr.ini";
    WriteFile(path, "[A]\rx=1\r  y = 2 \r[B]\rx=3\r");
    EXPECT_EQ(GetString("A", "x", "DEF", kBuffer, path), "1");
    EXPECT_EQ(GetString("A", "y", "DEF", kBuffer, path), "2");
    EXPECT_EQ(GetString("B", "x", "DEF", kBuffer, path), "3");
    EXPECT_EQ(GetString("A", std::nullopt, "", kBuffer, path), std::string("x\0y\0", 4));
    EXPECT_EQ(GetString(std::nullopt, std::nullopt, "", kBuffer, path), std::string("A\0B\0", 4));

    // Writes keep the file's CR line breaks and touch only their own line.
    EXPECT_NE(WriteString("a", "X", "neu", path), 0);
    EXPECT_NE(WriteString("A", "z", "4", path), 0);
    EXPECT_NE(WriteString("C", "k", "5", path), 0);
    EXPECT_EQ(ReadFile(path), "[A]\rx=neu\r  y = 2 \rz=4\r[B]\rx=3\r[C]\rk=5\r");
    EXPECT_NE(WriteString("B", std::nullopt, std::nullopt, path), 0);
    EXPECT_NE(WriteString("A", "y", std::nullopt, path), 0);
    EXPECT_EQ(ReadFile(path), "[A]\rx=neu\rz=4\r[C]\rk=5\r");

    // Mixed line breaks: CR LF, LF, CR and LF CR in one file.
    WriteFile(path, "[A]\r\nx=1\ny=2\rz=3\n\r[B]\r\n\rw=4");
    EXPECT_EQ(GetString("A", std::nullopt, "", kBuffer, path), std::string("x\0y\0z\0", 6));
    EXPECT_EQ(GetString("A", "y", "DEF", kBuffer, path), "2");
    EXPECT_EQ(GetString("A", "z", "DEF", kBuffer, path), "3");
    EXPECT_EQ(GetString("B", "w", "DEF", kBuffer, path), "4");
    EXPECT_NE(WriteString("A", "y", "neu", path), 0);
    EXPECT_NE(WriteString("B", "v", "5", path), 0);
    EXPECT_EQ(ReadFile(path), "[A]\r\nx=1\ny=neu\rz=3\n\r[B]\r\n\rw=4\r\nv=5\r\n");
}

TEST(ProfileFileTest, DefaultLosesItsTrailingSpaces)
{
    const std::string path = MakeTempFolder() + "default.ini";
    WriteFile(path, "[A]\r\nx=1\r\n");
    EXPECT_EQ(GetString("A", "missing", "  x   ", kBuffer, path), "  x");
    EXPECT_EQ(GetString("Missing", "x", "x \t ", kBuffer, path), "x \t");
    EXPECT_EQ(GetString("A", "missing", "   ", kBuffer, path), "");
    // A key list's default is given as it is.
    EXPECT_EQ(GetString("Missing", std::nullopt, "def  ", kBuffer, path), "def  ");
    EXPECT_EQ(GetString("A", "missing", "abc  ", 3, path), "ab");
    EXPECT_EQ(GetString("A", "missing", "abc  ", kBuffer, path + ".missing"), "abc");
    // A stored value keeps nothing around it either; one found is not the default.
    EXPECT_EQ(GetString("A", "x", "d  ", kBuffer, path), "1");
}

TEST(ProfileFileTest, RefusesWhatWouldDamageTheFile)
{
    const std::string folder = MakeTempFolder();
    const std::string path = folder + "sample.ini";
    WriteFile(path, kSample);
    struct Case
    {
        std::optional<std::string> section;
        std::optional<std::string> key;
        std::optional<std::string> value;
    };
    const Case cases[] = {
        {std::nullopt, "k", "v"},
        {"", "k", "v"},
        {"  ", "k", "v"},
        {"a]b", "k", "v"},
        {"a\nb", "k", "v"},
        {"S", "", "v"},
        {"S", "a=b", "v"},
        {"S", "[k", "v"},
        {"S", ";k", "v"},
        {"S", "a\r\nb", "v"},
        {"S", "k", "line\nnext"},
        {"S", "k", "cr\rx"},
        {std::string("S\0x", 3), "k", "v"},
    };
    for (const Case &c : cases) {
        std::optional<std::string_view> section, key, value;
        if (c.section)
            section = *c.section;
        if (c.key)
            key = *c.key;
        if (c.value)
            value = *c.value;
        EXPECT_EQ(WriteString(section, key, value, path), 0)
            << c.section.value_or("-") << "/" << c.key.value_or("-");
    }
    EXPECT_EQ(ReadFile(path), kSample);

    // A value ends at its first NUL, as the C string of the platform call would.
    EXPECT_NE(WriteString("Neu", "k", std::string_view("ab\0cd", 5), path), 0);
    EXPECT_EQ(GetString("Neu", "k", "", kBuffer, path), "ab");
}

TEST(ProfileFileTest, UnwritableFilesFailQuietlyAndLoseNothing)
{
    const std::string folder = MakeTempFolder();
    const std::string path = folder + "readonly.ini";
    WriteFile(path, "[A]\r\nx=1\r\n");
    ASSERT_TRUE(MakeReadOnly(path));
    EXPECT_EQ(WriteString("A", "x", "2", path), 0);
    EXPECT_EQ(WriteString("A", "y", "2", path), 0);
    EXPECT_EQ(WriteString("A", std::nullopt, std::nullopt, path), 0);
    EXPECT_EQ(ReadFile(path), "[A]\r\nx=1\r\n");
    EXPECT_EQ(GetString("A", "x", "", kBuffer, path), "1");

    // A folder that does not exist, a folder in place of the file, a UTF-16 file.
    EXPECT_EQ(WriteString("A", "x", "1", folder + "missing/file.ini"), 0);
    EXPECT_FALSE(Exists(folder + "missing"));
    ASSERT_TRUE(std::filesystem::create_directory(Native(folder + "dir.ini")));
    EXPECT_EQ(WriteString("A", "x", "1", folder + "dir.ini"), 0);
    EXPECT_EQ(GetString("A", "x", "DEF", kBuffer, folder + "dir.ini"), "DEF");
    const std::string utf16("\xFF\xFE[\0A\0]\0", 8);
    WriteFile(folder + "utf16.ini", utf16);
    EXPECT_EQ(GetString("A", "x", "DEF", kBuffer, folder + "utf16.ini"), "DEF");
    EXPECT_EQ(WriteString("A", "x", "1", folder + "utf16.ini"), 0);
    EXPECT_EQ(ReadFile(folder + "utf16.ini"), utf16);
    EXPECT_EQ(WriteString("A", "x", "1", ""), 0);
}
