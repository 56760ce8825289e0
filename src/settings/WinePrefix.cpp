#include "WinePrefix.h"

#include "SettingsText.h"
#include "mdlTools.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace WinePrefix {

namespace {

// Wine writes keys and values one to a line; a longer line is no key or
// string value of interest and is skipped without being kept.
constexpr size_t MaxLineLength = 64 * 1024;
constexpr std::string_view FileHeader = "WINE REGISTRY Version 2";

void AppendCodePoint(std::string &out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// UTF-16 code units as UTF-8; a surrogate without its partner becomes U+FFFD.
std::string Utf16ToUtf8(const std::vector<char16_t> &units)
{
    std::string out;
    for (size_t i = 0; i < units.size(); ++i) {
        const char32_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            AppendCodePoint(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            AppendCodePoint(out, 0xFFFD);
        } else {
            AppendCodePoint(out, u);
        }
    }
    return out;
}

int HexDigit(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

// Reads an escaped text from line[at] up to the unescaped delimiter, the way
// Wine writes it: "\\", "\"", C escapes, "\x" and up to four hex digits for one
// UTF-16 unit, "\" and up to three octal digits. at ends after the delimiter.
std::optional<std::string> ParseEscaped(std::string_view line, size_t &at, char delimiter)
{
    std::vector<char16_t> units;
    while (at < line.size()) {
        const char ch = line[at++];
        if (ch == delimiter)
            return Utf16ToUtf8(units);
        if (ch != '\\' || at >= line.size()) {
            units.push_back(static_cast<unsigned char>(ch)); // Wine reads other bytes as Latin-1
            continue;
        }
        const char esc = line[at++];
        switch (esc) {
        case 'a':
            units.push_back(u'\a');
            break;
        case 'b':
            units.push_back(u'\b');
            break;
        case 'e':
            units.push_back(0x1B);
            break;
        case 'f':
            units.push_back(u'\f');
            break;
        case 'n':
            units.push_back(u'\n');
            break;
        case 'r':
            units.push_back(u'\r');
            break;
        case 't':
            units.push_back(u'\t');
            break;
        case 'v':
            units.push_back(u'\v');
            break;
        case 'x': {
            unsigned value = 0;
            int digits = 0;
            for (; digits < 4 && at < line.size() && HexDigit(line[at]) >= 0; ++digits)
                value = value * 16 + static_cast<unsigned>(HexDigit(line[at++]));
            units.push_back(digits ? static_cast<char16_t>(value) : u'x');
            break;
        }
        default:
            if (esc >= '0' && esc <= '7') {
                unsigned value = static_cast<unsigned>(esc - '0');
                for (int digits = 1;
                     digits < 3 && at < line.size() && line[at] >= '0' && line[at] <= '7'; ++digits)
                    value = value * 8 + static_cast<unsigned>(line[at++] - '0');
                units.push_back(static_cast<char16_t>(value));
            } else {
                units.push_back(static_cast<unsigned char>(esc));
            }
        }
    }
    return std::nullopt; // no closing delimiter: a damaged line
}

// Hands the file's lines to onLine until it answers false. Overlong lines are
// passed as empty ones. False when the file cannot be read as a whole.
template <class F> bool ForEachLine(int fd, F &&onLine)
{
    std::string line;
    bool overlong = false;
    std::vector<char> buffer(64 * 1024);
    while (true) {
        const auto n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            break;
        for (ssize_t i = 0; i < n; ++i) {
            const char ch = buffer[static_cast<size_t>(i)];
            if (ch == '\n') {
                if (overlong)
                    line.clear();
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                if (!onLine(std::string_view(line)))
                    return true;
                line.clear();
                overlong = false;
            } else if (!overlong) {
                line += ch;
                if (line.size() > MaxLineLength) {
                    overlong = true;
                    line.clear();
                }
            }
        }
    }
    if (!overlong && !line.empty())
        onLine(std::string_view(line));
    return true;
}

struct FileDescriptor final
{
    int Fd;
    ~FileDescriptor()
    {
        if (Fd >= 0)
            ::close(Fd);
    }
};

std::string Join(const std::string &folder, const std::string &name)
{
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// The entry of folder whose name equals part without regard to letter case;
// the exact name wins. Empty when there is none.
std::string FindNoCase(const std::string &folder, const std::string &part)
{
    struct stat st
    {
    };
    if (::lstat(Join(folder, part).c_str(), &st) == 0)
        return part;
    std::unique_ptr<DIR, int (*)(DIR *)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir)
        return {};
    while (const dirent *entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && SettingsText::EqualsNoCase(name, part))
            return name;
    }
    return {};
}

std::string Trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t") + 1 - first));
}

} // namespace

std::string PrefixFolder()
{
    const char *prefix = std::getenv("WINEPREFIX");
    if (prefix && *prefix)
        return mdlTools::RemoveBackslash(prefix);
    const char *home = std::getenv("HOME");
    if (home && *home)
        return mdlTools::AddBackslash(home) + ".wine";
    return {};
}

std::optional<std::string> ReadRegistryString(const std::string &sFile, std::string_view sKey,
                                              std::string_view sValueName)
{
    // O_NONBLOCK: a FIFO in the file's place must not hang the program's start.
    const FileDescriptor file{::open(sFile.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    const int fd = file.Fd;
    if (fd < 0)
        return std::nullopt;
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > MaxRegistryFileSize)
        return std::nullopt;

    std::optional<std::string> result;
    bool first = true, inKey = false, valid = true;
    const bool read = ForEachLine(fd, [&](std::string_view line) {
        if (first) {
            first = false;
            valid = line.substr(0, FileHeader.size()) == FileHeader;
            return valid;
        }
        if (line.empty())
            return true;
        size_t at = 1;
        if (line[0] == '[') {
            const auto name = ParseEscaped(line, at, ']');
            inKey = name && SettingsText::EqualsNoCase(*name, sKey);
            return true;
        }
        if (!inKey)
            return true;
        std::optional<std::string> name;
        if (line[0] == '@')
            name = std::string();
        else if (line[0] == '"')
            name = ParseEscaped(line, at, '"');
        if (!name || !SettingsText::EqualsNoCase(*name, sValueName))
            return true;
        if (at < line.size() && line[at] == '=')
            ++at;
        auto data = line.substr(std::min(at, line.size()));
        if (data.substr(0, 7) == "str(2):") // REG_EXPAND_SZ, taken as written
            data.remove_prefix(7);
        if (data.empty() || data[0] != '"')
            return false; // the value is there, but no string
        size_t pos = 1;
        result = ParseEscaped(data, pos, '"');
        return false;
    });
    if (!read || !valid)
        return std::nullopt;
    return result;
}

std::string ToLinuxPath(const std::string &sPrefix, std::string_view sWindowsPath)
{
    const std::string path = mdlTools::StripNulls(sWindowsPath);
    if (sPrefix.empty() || path.size() < 2 || path[1] != ':' ||
        !std::isalpha(static_cast<unsigned char>(path[0])))
        return {};
    const std::string drive = mdlTools::AddBackslash(sPrefix) + "dosdevices/" +
                              static_cast<char>(std::tolower(static_cast<unsigned char>(path[0]))) +
                              ":";
    char resolved[PATH_MAX];
    if (!::realpath(drive.c_str(), resolved))
        return {};

    std::vector<std::string> parts;
    size_t start = 2;
    while (start <= path.size()) {
        auto end = path.find_first_of("\\/", start);
        if (end == std::string::npos)
            end = path.size();
        const auto part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string current = resolved;
    for (const auto &part : parts) {
        const auto name = FindNoCase(current, part);
        if (name.empty())
            return {};
        current = Join(current, name);
    }
    return current;
}

std::string FindSimulatorFolder(const std::string &sPrefix)
{
    try {
        if (sPrefix.empty())
            return {};
        const auto appPath = ReadRegistryString(mdlTools::AddBackslash(sPrefix) + "system.reg",
                                                SimulatorKey, "AppPath");
        if (!appPath)
            return {};
        // An installer may have stored the path in quotes.
        std::string text = Trimmed(*appPath);
        if (!text.empty() && text.front() == '"')
            text.erase(0, 1);
        if (!text.empty() && text.back() == '"')
            text.pop_back();
        const auto backslash = text.rfind('\\');
        if (backslash == std::string::npos)
            return {};
        const auto folder = ToLinuxPath(sPrefix, std::string_view(text).substr(0, backslash));
        return mdlTools::DirExists(folder) ? mdlTools::GetLongPath(folder) : std::string();
    } catch (const std::exception &) {
        return {}; // out of memory while reading: the simulator stays unknown
    }
}

} // namespace WinePrefix
