#include "ProfileFile.h"

#include "ProfileFileIo.h"
#include "mdlTools.h"

#include <array>
#include <cstring>

namespace ProfileFile {

namespace {

enum class Encoding
{
    Cp1252,
    Utf8
};

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The file as one read found it.
struct Loaded
{
    bool Usable = false; // false: it exists but cannot be read, is too big or is UTF-16
    ProfileFileIo::Contents File;
    std::size_t BodyStart = 0; // first byte after a byte-order mark
    Encoding Enc = Encoding::Cp1252;

    bool Exists() const { return File.Exists; }
    std::string_view Bytes() const { return File.Bytes(); }
};

Loaded Load(const std::string &path)
{
    Loaded file;
    file.File = ProfileFileIo::Read(path, kMaxFileSize);
    if (!file.File.Complete)
        return file;
    const std::string_view bytes = file.Bytes();
    if (bytes.starts_with(kUtf8Bom)) {
        file.Enc = Encoding::Utf8;
        file.BodyStart = kUtf8Bom.size();
    } else if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        // UTF-16 files are not ours to read or rewrite.
        return file;
    }
    file.Usable = true;
    return file;
}

constexpr bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\v' || ch == '\f';
}

// Blanks inside a line: a CR ends one, as it does for the Windows functions.
constexpr bool IsBlankInLine(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\v' || ch == '\f';
}

constexpr bool IsLineBreak(char ch)
{
    return ch == '\n' || ch == '\r';
}

// The end of the line starting at `from`: its first CR or LF, or `end`.
const char *LineEnd(const char *from, const char *end)
{
    while (from < end && !IsLineBreak(*from))
        ++from;
    return from;
}

// The start of the next line behind a line's end: CR LF, a lone LF or a lone
// CR end a line (files from old Macintosh editors use CR alone).
const char *NextLine(const char *lineEnd, const char *end)
{
    if (lineEnd == end)
        return end;
    if (*lineEnd == '\r' && lineEnd + 1 < end && lineEnd[1] == '\n')
        return lineEnd + 2;
    return lineEnd + 1;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

using FoldTable = std::array<unsigned char, 256>;

// Letter case folding for names: ASCII, plus the Latin letters of Windows-1252.
constexpr FoldTable MakeFoldTable(bool cp1252)
{
    FoldTable table{};
    for (int i = 0; i < 256; ++i)
        table[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i);
    for (int i = 'A'; i <= 'Z'; ++i)
        table[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i + 32);
    if (cp1252) {
        for (int i = 0xC0; i <= 0xDE; ++i)
            if (i != 0xD7)
                table[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i + 32);
        table[0x8A] = 0x9A;
        table[0x8C] = 0x9C;
        table[0x8E] = 0x9E;
        table[0x9F] = 0xFF;
    }
    return table;
}

constexpr FoldTable kFoldCp1252 = MakeFoldTable(true);
constexpr FoldTable kFoldAscii = MakeFoldTable(false);

bool SameName(std::string_view a, std::string_view b, const FoldTable &fold)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (fold[static_cast<unsigned char>(a[i])] != fold[static_cast<unsigned char>(b[i])])
            return false;
    return true;
}

// The caller's UTF-8 text in the file's encoding; nothing when the file cannot
// hold it exactly (so that a name never lands on a different one).
std::optional<std::string> ToFileText(std::string_view text, Encoding enc)
{
    if (enc == Encoding::Utf8)
        return std::string(text);
    std::string converted = mdlTools::Utf8ToCp1252(text);
    if (mdlTools::Cp1252ToUtf8(converted) != text)
        return std::nullopt;
    return converted;
}

std::string FromFileText(std::string_view text, Encoding enc)
{
    return enc == Encoding::Utf8 ? std::string(text) : mdlTools::Cp1252ToUtf8(text);
}

// The first `count` characters of UTF-8 text.
std::string_view CutChars(std::string_view text, std::size_t count)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue;
        if (count == 0)
            return text.substr(0, i);
        --count;
    }
    return text;
}

std::size_t CountChars(std::string_view text)
{
    std::size_t count = 0;
    for (const char ch : text)
        if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80)
            ++count;
    return count;
}

enum class LineKind
{
    Other,
    Section,
    Entry
};

struct Line
{
    std::size_t Begin = 0;      // first byte
    std::size_t ContentEnd = 0; // end of the text, before CR LF, LF or CR
    std::size_t Next = 0;       // first byte of the next line
    LineKind Kind = LineKind::Other;
    std::string_view Name;
    std::string_view Value;
    bool Blank = true;
};

// Walks the lines of a file body, classifying each; stops when visit returns false.
template <typename Visit> void ForEachLine(std::string_view bytes, std::size_t start, Visit visit)
{
    bool inSection = false;
    std::size_t pos = start;
    while (pos < bytes.size()) {
        Line line;
        line.Begin = pos;
        const char *const data = bytes.data();
        const char *const lineEnd = LineEnd(data + pos, data + bytes.size());
        const std::size_t end = static_cast<std::size_t>(lineEnd - data);
        line.Next = static_cast<std::size_t>(NextLine(lineEnd, data + bytes.size()) - data);
        line.ContentEnd = end;
        const std::string_view text = Trim(bytes.substr(pos, end - pos));
        line.Blank = text.empty();
        // The name ends at the line's last "]", as Windows reads it; a line
        // with "[" but no "]" is no header but may be an entry.
        const std::size_t close = text.starts_with('[') ? text.rfind(']') : text.npos;
        if (close != std::string_view::npos) {
            line.Kind = LineKind::Section;
            line.Name = Trim(text.substr(1, close - 1));
            inSection = true;
        } else if (inSection && !text.empty() && text.front() != ';') {
            const std::size_t eq = text.find('=');
            if (eq != std::string_view::npos) {
                line.Kind = LineKind::Entry;
                line.Name = Trim(text.substr(0, eq));
                line.Value = Trim(text.substr(eq + 1));
            }
        }
        if (!visit(line))
            return;
        pos = line.Next;
    }
}

const char *FindByte(const char *from, const char *end, char byte)
{
    if (from >= end)
        return nullptr;
    return static_cast<const char *>(std::memchr(from, byte, static_cast<std::size_t>(end - from)));
}

// The name of a section header line starting at `open` (its "["), or nothing.
std::optional<std::string_view> HeaderName(const char *open, const char *lineEnd)
{
    const char *close = lineEnd;
    while (close > open && close[-1] != ']')
        --close;
    if (close == open)
        return std::nullopt;
    --close;
    return Trim(std::string_view(open + 1, static_cast<std::size_t>(close - open - 1)));
}

// The raw value of a key in the first section of a name, or nothing; the same
// rules as ForEachLine, except that a key asked for with a leading ";" finds a
// comment line, as Windows finds it. This runs for every text of every window against the
// whole file, so the search for the section jumps from "[" to "[" instead of
// going line by line; only the lines of the section itself are taken apart.
std::optional<std::string_view> FindValue(std::string_view bytes, std::size_t start,
                                          std::string_view section, std::string_view key,
                                          const FoldTable &fold)
{
    const char *const body = bytes.data() + start;
    const char *const end = bytes.data() + bytes.size();
    const char *p = body;
    for (;;) {
        const char *open = FindByte(p, end, '[');
        if (open == nullptr)
            return std::nullopt;
        const char *lineStart = open;
        while (lineStart > body && IsBlankInLine(lineStart[-1]))
            --lineStart;
        const char *lineEnd = LineEnd(open, end);
        p = NextLine(lineEnd, end);
        if (lineStart != body && !IsLineBreak(lineStart[-1]))
            continue; // a "[" inside a line
        const std::optional<std::string_view> name = HeaderName(open, lineEnd);
        if (name && SameName(*name, section, fold))
            break;
    }
    while (p < end) {
        while (p < end && IsBlankInLine(*p))
            ++p;
        const char *const lineEnd = LineEnd(p, end);
        if (p < lineEnd && *p == '[' && HeaderName(p, lineEnd)) {
            return std::nullopt; // only the first section of a name counts
        } else if (p < lineEnd) {
            if (const char *eq = FindByte(p, lineEnd, '=')) {
                if (SameName(Trim(std::string_view(p, static_cast<std::size_t>(eq - p))), key,
                             fold))
                    return Trim(
                        std::string_view(eq + 1, static_cast<std::size_t>(lineEnd - eq - 1)));
            }
        }
        p = NextLine(lineEnd, end);
    }
    return std::nullopt;
}

std::string_view Unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// A list of names, each followed by NUL, fitted into the buffer.
std::string FitList(std::string list, std::size_t bufferSize)
{
    if (CountChars(list) + 1 <= bufferSize)
        return list;
    return std::string(CutChars(list, bufferSize >= 2 ? bufferSize - 2 : 0));
}

bool ValidSectionName(std::string_view name)
{
    return !name.empty() && name.find_first_of(std::string_view("]\r\n\0", 4)) == name.npos;
}

bool ValidKeyName(std::string_view name)
{
    return !name.empty() && name.front() != '[' && name.front() != ';' &&
           name.find_first_of(std::string_view("=\r\n\0", 4)) == name.npos;
}

// The line break of the file's first line, for the lines a write adds.
std::string DetectEol(std::string_view bytes)
{
    const std::size_t at = bytes.find_first_of("\r\n");
    if (at == std::string_view::npos)
        return "\r\n"; // what Windows editors expect
    if (bytes[at] == '\n')
        return "\n";
    return at + 1 < bytes.size() && bytes[at + 1] == '\n' ? "\r\n" : "\r";
}

} // namespace

std::string GetString(std::optional<std::string_view> section, std::optional<std::string_view> key,
                      std::string_view defaultText, int32_t bufferSize, const std::string &path)
{
    if (bufferSize <= 0)
        return {};
    const auto size = static_cast<std::size_t>(bufferSize);
    // The default of a value loses its trailing spaces (not tabs), as with
    // Windows' own read; that of a key list stays as given.
    if (key) {
        const std::size_t kept = defaultText.find_last_not_of(' ');
        defaultText = defaultText.substr(0, kept == std::string_view::npos ? 0 : kept + 1);
    }
    const auto fallback = [&] { return std::string(CutChars(defaultText, size - 1)); };

    Loaded file = Load(path);
    if (!file.Usable)
        return section ? fallback() : std::string();
    const std::string_view bytes = file.Bytes();
    const FoldTable &fold = file.Enc == Encoding::Cp1252 ? kFoldCp1252 : kFoldAscii;

    if (!section) {
        std::string list;
        ForEachLine(bytes, file.BodyStart, [&](const Line &line) {
            if (line.Kind == LineKind::Section) {
                list += FromFileText(mdlTools::StripNulls(line.Name), file.Enc);
                list += '\0';
            }
            return true;
        });
        return FitList(std::move(list), size);
    }

    const std::optional<std::string> wantSection = ToFileText(Trim(*section), file.Enc);
    std::optional<std::string> wantKey;
    if (key) {
        wantKey = ToFileText(Trim(*key), file.Enc);
        if (!wantKey)
            return fallback();
    }
    if (!wantSection)
        return fallback();

    if (wantKey) {
        const std::optional<std::string_view> value =
            FindValue(bytes, file.BodyStart, *wantSection, *wantKey, fold);
        if (!value)
            return fallback();
        const std::string text = FromFileText(mdlTools::StripNulls(Unquote(*value)), file.Enc);
        return std::string(CutChars(text, size - 1));
    }

    bool found = false;
    bool inside = false;
    std::string list;
    ForEachLine(bytes, file.BodyStart, [&](const Line &line) {
        if (line.Kind == LineKind::Section) {
            if (inside)
                return false; // only the first section of a name counts
            inside = found = SameName(line.Name, *wantSection, fold);
        } else if (inside && line.Kind == LineKind::Entry) {
            list += FromFileText(mdlTools::StripNulls(line.Name), file.Enc);
            list += '\0';
        }
        return true;
    });

    // A section without keys gives the default, as a missing one does.
    if (!found || list.empty())
        return fallback();
    return FitList(std::move(list), size);
}

int32_t WriteString(std::optional<std::string_view> section, std::optional<std::string_view> key,
                    std::optional<std::string_view> value, const std::string &path)
{
    if (!section || path.empty())
        return 0;
    const std::string_view sectionName = Trim(*section);
    const std::string_view keyName = key ? Trim(*key) : std::string_view();
    std::string_view newValue;
    if (value) {
        newValue = value->substr(0, value->find('\0'));
        // A line break would turn the rest of the value into lines of its own.
        if (newValue.find_first_of("\r\n") != std::string_view::npos)
            return 0;
    }
    if (!ValidSectionName(sectionName) || (key && !ValidKeyName(keyName)))
        return 0;

    const Loaded file = Load(path);
    if (!file.Usable || (file.Exists() && !ProfileFileIo::IsWritable(path, file.File)))
        return 0;
    const std::optional<std::string> wantSection = ToFileText(sectionName, file.Enc);
    const std::optional<std::string> wantKey = ToFileText(keyName, file.Enc);
    if (!wantSection || !wantKey)
        return 0;
    const FoldTable &fold = file.Enc == Encoding::Cp1252 ? kFoldCp1252 : kFoldAscii;
    const std::string_view bytes = file.Bytes();
    const std::string eol = DetectEol(bytes);
    std::string out;

    if (!key || !value) {
        // Deleting: drop the key's lines, or the sections with all their lines.
        bool inside = false;
        bool changed = false;
        out.reserve(bytes.size());
        out.append(bytes.substr(0, file.BodyStart));
        ForEachLine(bytes, file.BodyStart, [&](const Line &line) {
            if (line.Kind == LineKind::Section)
                inside = SameName(line.Name, *wantSection, fold);
            const bool drop =
                inside &&
                (!key || (line.Kind == LineKind::Entry && SameName(line.Name, *wantKey, fold)));
            if (drop)
                changed = true;
            else
                out.append(bytes.substr(line.Begin, line.Next - line.Begin));
            return true;
        });
        if (!changed)
            return 1;
        return ProfileFileIo::Replace(path, out, file.File) ? 1 : 0;
    }

    // Windows-1252 files get "?" for characters they cannot hold, as Windows does.
    const std::string storedValue =
        file.Enc == Encoding::Utf8 ? std::string(newValue) : mdlTools::Utf8ToCp1252(newValue);
    bool inside = false;
    bool sectionFound = false;
    std::optional<Line> keyLine;
    std::optional<Line> lastInSection; // the new key goes after the section's last text
    ForEachLine(bytes, file.BodyStart, [&](const Line &line) {
        if (line.Kind == LineKind::Section) {
            if (inside)
                return false;
            inside = sectionFound = SameName(line.Name, *wantSection, fold);
            if (inside)
                lastInSection = line;
        } else if (inside) {
            if (!line.Blank)
                lastInSection = line;
            if (line.Kind == LineKind::Entry && SameName(line.Name, *wantKey, fold)) {
                keyLine = line;
                return false;
            }
        }
        return true;
    });

    if (keyLine) {
        std::string entry(keyLine->Name);
        entry += '=';
        entry += storedValue;
        if (bytes.substr(keyLine->Begin, keyLine->ContentEnd - keyLine->Begin) == entry)
            return 1;
        out.append(bytes.substr(0, keyLine->Begin));
        out += entry;
        out.append(bytes.substr(keyLine->ContentEnd));
    } else if (sectionFound) {
        const Line &after = *lastInSection;
        out.append(bytes.substr(0, after.Next));
        if (after.Next == after.ContentEnd)
            out += eol; // the section's last line ended the file without a line break
        out += *wantKey + "=" + storedValue + eol;
        out.append(bytes.substr(after.Next));
    } else {
        out.append(bytes);
        if (bytes.size() > file.BodyStart && !IsLineBreak(bytes.back()))
            out += eol;
        out += "[" + *wantSection + "]" + eol + *wantKey + "=" + storedValue + eol;
    }
    return ProfileFileIo::Replace(path, out, file.File) ? 1 : 0;
}

} // namespace ProfileFile
