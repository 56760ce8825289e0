// Our profile-file reader and writer against Windows' own functions: the same
// files, reads and writes through both must give the same results.
#include "ProfileFile.h"

#include "I18nTestSupport.h"
#include "mdlTools.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace I18nTest;

namespace {

using Text = std::optional<std::string>;

const char *CString(const Text &text)
{
    return text ? text->c_str() : nullptr;
}

// Names and values in the tests are Windows-1252 bytes, as the ANSI functions
// take them; ours takes UTF-8.
std::optional<std::string_view> Ours(const Text &text, std::string &storage)
{
    if (!text)
        return std::nullopt;
    storage = mdlTools::Cp1252ToUtf8(*text);
    return storage;
}

std::string WindowsRead(const Text &section, const Text &key, const std::string &defaultText,
                        int bufferSize, const std::string &path)
{
    std::string buffer(static_cast<std::size_t>(bufferSize) + 2, '\x7f');
    const DWORD got =
        ::GetPrivateProfileStringA(CString(section), CString(key), defaultText.c_str(),
                                   buffer.data(), static_cast<DWORD>(bufferSize), path.c_str());
    return buffer.substr(0, got);
}

std::string OurRead(const Text &section, const Text &key, const std::string &defaultText,
                    int bufferSize, const std::string &path)
{
    std::string s, k, d;
    const std::string result = ProfileFile::GetString(Ours(section, s), Ours(key, k),
                                                      *Ours(defaultText, d), bufferSize, path);
    return mdlTools::Utf8ToCp1252(result);
}

bool WindowsWrite(const Text &section, const Text &key, const Text &value, const std::string &path)
{
    return ::WritePrivateProfileStringA(CString(section), CString(key), CString(value),
                                        path.c_str()) != 0;
}

bool OurWrite(const Text &section, const Text &key, const Text &value, const std::string &path)
{
    std::string s, k, v;
    return ProfileFile::WriteString(Ours(section, s), Ours(key, k), Ours(value, v), path) != 0;
}

// A file's lines as both readers see them: blank lines dropped, blanks around
// a line and around its first "=" removed. Windows writes the whole file anew
// in its own layout (Wine), ours changes only the lines it must; this is what
// both keep.
std::vector<std::string> Lines(const std::string &bytes)
{
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos <= bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string::npos)
            end = bytes.size();
        std::string_view line(bytes.data() + pos, end - pos);
        const auto trim = [](std::string_view text) {
            const std::size_t first = text.find_first_not_of(" \t");
            if (first == std::string_view::npos)
                return std::string_view();
            return text.substr(first, text.find_last_not_of(" \t") - first + 1);
        };
        line = trim(line);
        if (line.starts_with('[') && line.ends_with(']')) {
            std::string header = "[";
            header += trim(line.substr(1, line.size() - 2));
            header += ']';
            lines.push_back(std::move(header));
        } else if (!line.empty()) {
            const std::size_t eq = line.find('=');
            if (line.front() != '[' && eq != std::string_view::npos)
                lines.push_back(std::string(trim(line.substr(0, eq))) + "=" +
                                std::string(trim(line.substr(eq + 1))));
            else
                lines.emplace_back(line);
        }
        pos = end + 1;
    }
    return lines;
}

std::string Show(const std::string &text)
{
    std::string shown;
    for (const char ch : text) {
        if (ch == '\0')
            shown += "\\0";
        else if (ch == '\r')
            shown += "\\r";
        else if (ch == '\n')
            shown += "\\n";
        else
            shown += ch;
    }
    return shown;
}

struct Read
{
    Text section;
    Text key;
    std::string defaultText = "DEF";
    int bufferSize = 255;
};

const std::string kBody = "; Sprachdatei\n"
                          "Lose=vor dem Abschnitt\n"
                          "[Section]\n"
                          "  Key1 =  value with blanks   \n"
                          "\tTabbed\t=\tx\t\n"
                          "Quoted=\"  inner  \"\n"
                          "Single='x'\n"
                          "Mismatch=\"abc'\n"
                          "Lone=\"\n"
                          "Empty=\n"
                          "Blank=   \n"
                          "line without equals\n"
                          ";Key2=commented out\n"
                          "Dup=first\n"
                          "Dup=second\n"
                          "a=b=c\n"
                          "=nameless\n"
                          "\n"
                          "[section]\n"
                          "Other=in the second section of that name\n"
                          "[Zweite]\n"
                          "Gr\xF6\xDF"
                          "e=\xDC&bernehmen\n"
                          "[Leer]\n"
                          "[no close=1\n"
                          "[ Spaced ]\n"
                          "k = s\n"
                          "[a]b]\n"
                          "k=ab\n";

std::string WithLineBreaks(const std::string &body, const std::string &eol)
{
    std::string out;
    for (const char ch : body) {
        if (ch == '\n')
            out += eol;
        else
            out += ch;
    }
    return out;
}

} // namespace

// Left out, because Wine's functions differ there from Windows' own:
// - Wine folds only ASCII letters in names ("GR\xD6\xDF" "E" misses "Gr\xF6\xDF" "e"),
//   Windows compares names with its Unicode case table, as ours does;
// - Wine turns a default of spaces only into one space (its loop that drops
//   trailing spaces stops at the first character); ours gives the empty text.
TEST(ProfileFileDifferentialTest, ReadsAsWindowsDoes)
{
    const std::vector<Read> reads = {
        {"Section", "Key1"},
        {" SECTION ", " key1\t"},
        {"section", "TABBED"},
        {"Section", "Quoted"},
        {"Section", "Single"},
        {"Section", "Mismatch"},
        {"Section", "Lone"},
        {"Section", "Empty"},
        {"Section", "Blank"},
        {"Section", "line without equals"},
        {"Section", "Key2"},
        {"Section", ";Key2"},
        {"Section", ""},
        {"Spaced", "k"},
        {"Leer", "[no close"},
        {" Spaced ", "k"},
        {"a", "k"},
        {"a]b", "k"},
        {"Section", "Dup"},
        {"Section", "a"},
        {"Section", "Other"},
        {"Section", "Lose"},
        {"Zweite", "gr\xF6\xDF"
                   "e"},
        {"Missing", "Key1"},
        {"Section", "Missing"},
        {"Section", "Key1", "", 6},
        {"Section", "Missing", "  x   "},
        {"Section", "Missing", "x \t "},
        {"Section", "Missing", ""},
        {"Missing", "Key1", "def  "},
        {"Section", std::nullopt, ""},
        {"Section", std::nullopt, "", 12},
        {"Leer", std::nullopt, "DEF"},
        {"Missing", std::nullopt, "DEF  "},
        {std::nullopt, std::nullopt, ""},
        {std::nullopt, std::nullopt, "", 9},
    };
    const TempDir folder;
    int fileNumber = 0;
    for (const std::string eol : {"\r\n", "\n", "\r", "\n\r"}) {
        const std::string content = WithLineBreaks(kBody, eol);
        // Windows keeps files it has read; a fresh name for every file keeps
        // both readers on what is on disk.
        const std::string path = folder / ("read" + std::to_string(++fileNumber) + ".ini");
        WriteFile(path, content);
        for (const Read &read : reads)
            EXPECT_EQ(
                Show(OurRead(read.section, read.key, read.defaultText, read.bufferSize, path)),
                Show(WindowsRead(read.section, read.key, read.defaultText, read.bufferSize, path)))
                << "line break " << Show(eol) << ": " << read.section.value_or("(null)") << " / "
                << read.key.value_or("(null)") << " / \"" << read.defaultText << "\" / "
                << read.bufferSize;
    }

    // A file that is not there.
    const std::string missing = folder / "missing.ini";
    for (const Read &read : reads)
        EXPECT_EQ(
            Show(OurRead(read.section, read.key, read.defaultText, read.bufferSize, missing)),
            Show(WindowsRead(read.section, read.key, read.defaultText, read.bufferSize, missing)))
            << "missing file: " << read.section.value_or("(null)") << " / "
            << read.key.value_or("(null)");
}

TEST(ProfileFileDifferentialTest, WritesAsWindowsDoes)
{
    struct Write
    {
        Text section;
        Text key;
        Text value;
    };
    struct Case
    {
        const char *name;
        std::string content; // nothing: no file
        std::vector<Write> writes;
    };
    const std::string start = WithLineBreaks(kBody, "\r\n");
    const std::vector<Case> cases = {
        {"new file", {}, {{"frmMain", "Caption", "Vannerby"}, {"frmMain", "x", "1"}}},
        {"new section", start, {{"Neu", "k", "v"}}},
        {"new key", start, {{"SECTION", "New", "added"}, {"zweite", "k", "v"}}},
        {"replace value", start, {{"section", "KEY1", "changed"}, {"Section", "Empty", "full"}}},
        {"replace with the same value", start, {{"Section", "Single", "'x'"}}},
        {"value with blanks", start, {{"Section", "Key1", "  padded  "}}},
        {"key in the second section of a name", start, {{"section", "Other", "v"}}},
        {"duplicate key", start, {{"Section", "Dup", "third"}}},
        {"delete key",
         start,
         {{"Section", "Key1", std::nullopt}, {"Zweite", "Missing", std::nullopt}}},
        {"delete section", start, {{"zweite", std::nullopt, std::nullopt}}},
        {"delete missing section", start, {{"Missing", std::nullopt, std::nullopt}}},
        {"CR only",
         WithLineBreaks(kBody, "\r"),
         {{"Section", "Key1", "changed"}, {"Leer", "k", "v"}}},
        {"LF only", WithLineBreaks(kBody, "\n"), {{"Section", "New", "v"}, {"Neu", "k", "v"}}},
        {"no last line break", "[A]\r\nx=1", {{"A", "y", "2"}, {"B", "z", "3"}}},
    };
    const TempDir folder;
    int fileNumber = 0;
    for (const Case &c : cases) {
        ++fileNumber;
        const std::string ours = folder / ("ours" + std::to_string(fileNumber) + ".ini");
        const std::string windows = folder / ("windows" + std::to_string(fileNumber) + ".ini");
        if (!c.content.empty()) {
            WriteFile(ours, c.content);
            WriteFile(windows, c.content);
        }
        for (const Write &w : c.writes)
            EXPECT_EQ(OurWrite(w.section, w.key, w.value, ours),
                      WindowsWrite(w.section, w.key, w.value, windows))
                << c.name;
        EXPECT_EQ(Lines(ReadFile(ours)), Lines(ReadFile(windows))) << c.name;
        // Each reader finds the same in both files.
        for (const Write &w : c.writes) {
            if (!w.section || !w.key)
                continue;
            for (const std::string &path : {ours, windows})
                EXPECT_EQ(Show(OurRead(w.section, w.key, "DEF", 255, path)),
                          Show(WindowsRead(w.section, w.key, "DEF", 255, path)))
                    << c.name << ": " << *w.section << " / " << *w.key;
        }
    }
}
