#include "ProfileFile.h"

#include "mdlTools.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

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
    bool Exists = false;
    std::unique_ptr<char[]> Buffer; // not zeroed first: read for every text of every window
    std::size_t Size = 0;
    std::size_t BodyStart = 0; // first byte after a byte-order mark
    Encoding Enc = Encoding::Cp1252;
    struct stat Info = {};

    std::string_view Bytes() const { return {Buffer.get(), Size}; }
};

// Reads the whole file in one read, looping only for short reads and for a
// file that grew since fstat.
bool ReadAll(int fd, Loaded &file)
{
    std::size_t capacity = static_cast<std::size_t>(file.Info.st_size) + 1;
    file.Buffer = std::make_unique_for_overwrite<char[]>(capacity);
    for (;;) {
        if (file.Size == capacity) {
            if (capacity > kMaxFileSize)
                return false;
            auto bigger = std::make_unique_for_overwrite<char[]>(capacity * 2);
            std::memcpy(bigger.get(), file.Buffer.get(), file.Size);
            file.Buffer = std::move(bigger);
            capacity *= 2;
        }
        const ssize_t got = ::read(fd, file.Buffer.get() + file.Size, capacity - file.Size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return file.Size <= kMaxFileSize;
        file.Size += static_cast<std::size_t>(got);
    }
}

Loaded Load(const std::string &path)
{
    Loaded file;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        // A missing file is an empty one; any other failure makes it unusable.
        file.Usable = errno == ENOENT;
        return file;
    }
    file.Exists = true;
    const bool read = ::fstat(fd, &file.Info) == 0 && S_ISREG(file.Info.st_mode) &&
                      static_cast<std::size_t>(file.Info.st_size) <= kMaxFileSize &&
                      ReadAll(fd, file);
    ::close(fd);
    if (!read)
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
    std::size_t ContentEnd = 0; // end of the text, before CR LF or LF
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
        const std::size_t lf = bytes.find('\n', pos);
        const std::size_t end = lf == std::string_view::npos ? bytes.size() : lf;
        line.Next = lf == std::string_view::npos ? bytes.size() : lf + 1;
        line.ContentEnd = end > pos && bytes[end - 1] == '\r' ? end - 1 : end;
        const std::string_view text = Trim(bytes.substr(pos, end - pos));
        line.Blank = text.empty();
        if (!text.empty() && text.front() == '[') {
            const std::size_t close = text.find(']');
            if (close != std::string_view::npos) {
                line.Kind = LineKind::Section;
                line.Name = Trim(text.substr(1, close - 1));
                inSection = true;
            }
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
    const char *close = FindByte(open, lineEnd, ']');
    if (close == nullptr)
        return std::nullopt;
    return Trim(std::string_view(open + 1, static_cast<std::size_t>(close - open - 1)));
}

// The raw value of a key in the first section of a name, or nothing; the same
// rules as ForEachLine. This runs for every text of every window against the
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
        while (lineStart > body && IsBlank(lineStart[-1]))
            --lineStart;
        const char *lf = FindByte(open, end, '\n');
        const char *lineEnd = lf != nullptr ? lf : end;
        p = lf != nullptr ? lf + 1 : end;
        if (lineStart != body && lineStart[-1] != '\n')
            continue; // a "[" inside a line
        const std::optional<std::string_view> name = HeaderName(open, lineEnd);
        if (name && SameName(*name, section, fold))
            break;
    }
    while (p < end) {
        while (p < end && IsBlank(*p))
            ++p;
        const char *lf = FindByte(p, end, '\n');
        const char *const lineEnd = lf != nullptr ? lf : end;
        if (p < lineEnd && *p == '[') {
            if (HeaderName(p, lineEnd))
                return std::nullopt; // only the first section of a name counts
        } else if (p < lineEnd && *p != ';') {
            if (const char *eq = FindByte(p, lineEnd, '=')) {
                if (SameName(Trim(std::string_view(p, static_cast<std::size_t>(eq - p))), key,
                             fold))
                    return Trim(
                        std::string_view(eq + 1, static_cast<std::size_t>(lineEnd - eq - 1)));
            }
        }
        p = lf != nullptr ? lf + 1 : end;
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

std::string DetectEol(std::string_view bytes)
{
    const std::size_t lf = bytes.find('\n');
    if (lf != std::string_view::npos && (lf == 0 || bytes[lf - 1] != '\r'))
        return "\n";
    return "\r\n"; // what Windows editors expect
}

bool IsReadOnly(const Loaded &file, const std::string &path)
{
    // A file without any write permission counts as read-only even for root,
    // as the read-only attribute does on Windows.
    return (file.Info.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Writes the new contents beside the file and renames them over it, so that a
// crash or a full disk leaves either the old file or the new one, never half.
bool ReplaceFile(const std::string &path, std::string_view bytes, const Loaded &old)
{
    std::string target = path;
    struct stat linkInfo = {};
    if (::lstat(path.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
        // Keep the link: replace the file it points to.
        char *real = ::realpath(path.c_str(), nullptr);
        if (real == nullptr)
            return false;
        target = real;
        std::free(real);
    }
    const std::size_t slash = target.rfind('/');
    std::string temp = slash == std::string::npos
                           ? "." + target
                           : target.substr(0, slash + 1) + "." + target.substr(slash + 1);
    temp += ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, old.Exists ? (old.Info.st_mode & 07777) : NewFileMode()) == 0;
    if (ok && old.Exists && ::fchown(fd, old.Info.st_uid, old.Info.st_gid) != 0) {
        // Only root can hand the file back to its owner; others keep theirs anyway.
    }
    ok = ok && WriteAll(fd, bytes) && ::fdatasync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

} // namespace

std::string GetString(std::optional<std::string_view> section, std::optional<std::string_view> key,
                      std::string_view defaultText, int32_t bufferSize, const std::string &path)
{
    if (bufferSize <= 0)
        return {};
    const auto size = static_cast<std::size_t>(bufferSize);
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

    if (!found)
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
    if (!file.Usable || (file.Exists && IsReadOnly(file, path)))
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
        return ReplaceFile(path, out, file) ? 1 : 0;
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
        if (bytes[after.Next - 1] != '\n')
            out += eol; // the section's last line ended the file without a line break
        out += *wantKey + "=" + storedValue + eol;
        out.append(bytes.substr(after.Next));
    } else {
        out.append(bytes);
        if (bytes.size() > file.BodyStart && bytes.back() != '\n')
            out += eol;
        out += "[" + *wantSection + "]" + eol + *wantKey + "=" + storedValue + eol;
    }
    return ReplaceFile(path, out, file) ? 1 : 0;
}

} // namespace ProfileFile
