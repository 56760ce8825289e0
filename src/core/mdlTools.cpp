#include "mdlTools.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace mdlTools {

std::string StripNulls(std::string_view text)
{
    return std::string(text.substr(0, text.find('\0')));
}

std::string GetAppFolder()
{
    return AddBackslash(GetFolderPart(GetAppExePath()));
}

NumberFormat NumberFormat::FromCLocale()
{
    NumberFormat format;
    if (const lconv *conv = std::localeconv()) {
        if (conv->thousands_sep)
            format.ThousandsSeparator = conv->thousands_sep;
        if (conv->decimal_point && *conv->decimal_point)
            format.DecimalPoint = conv->decimal_point;
    }
    return format;
}

std::string FormatNumber(int64_t value, const NumberFormat &format)
{
    const std::string digits =
        std::to_string(value < 0 ? -static_cast<uint64_t>(value) : static_cast<uint64_t>(value));
    std::string result = value < 0 ? "-" : "";
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            result += format.ThousandsSeparator;
        result += digits[i];
    }
    return result;
}

std::string FormatFileSize(double size, const NumberFormat &format)
{
    static constexpr struct
    {
        double limit;
        double unit;
        const char *name;
    } scales[] = {{1048576.0, 1024.0, " KB"},
                  {1073741824.0, 1048576.0, " MB"},
                  {HUGE_VAL, 1073741824.0, " GB"}};
    if (size < 1024.0)
        return FormatNumber(std::llround(size), format) + " Bytes";
    for (const auto &scale : scales) {
        if (size < scale.limit || scale.limit == HUGE_VAL) {
            const auto hundredths = std::llround(size / scale.unit * 100.0);
            char fraction[8];
            std::snprintf(fraction, sizeof fraction, "%02lld", hundredths % 100);
            return FormatNumber(hundredths / 100, format) + format.DecimalPoint + fraction +
                   scale.name;
        }
    }
    return {};
}

std::vector<std::string> SplitCommandLine(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);

    std::vector<std::string> args(6);
    size_t n = 0;
    bool quoted = false;
    for (const char c : text) {
        if (n >= args.size())
            args.resize(n + 1);
        if (!quoted) {
            if (args[n].empty() && c == '"')
                quoted = true;
            else if (c == ' ' || c == '\t') {
                if (!args[n].empty())
                    ++n;
            } else
                args[n] += c;
        } else if (c == '"') {
            quoted = false;
            if (!args[n].empty())
                ++n;
        } else
            args[n] += c;
    }
    args.resize(n + 1);
    return args;
}

void AppendToBuffer(std::string &buffer, std::string_view piece, int32_t &used)
{
    const size_t need = static_cast<size_t>(used) + piece.size();
    if (need >= buffer.size())
        buffer.append(piece.size() <= 10000 ? 10000 : piece.size(), ' ');
    buffer.replace(static_cast<size_t>(used), piece.size(), piece);
    used += static_cast<int32_t>(piece.size());
}

namespace {
// Code points of the bytes 0x80 to 0x9F; the rest of Windows-1252 equals Latin-1.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

void AppendUtf8(std::string &out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string Cp1252ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    AppendCp1252AsUtf8(out, text);
    return out;
}

void AppendCp1252AsUtf8(std::string &out, std::string_view text)
{
    // Names are mostly ASCII: runs of it are copied as they are.
    for (size_t i = 0; i < text.size();) {
        size_t ascii = i;
        while (ascii < text.size() && static_cast<unsigned char>(text[ascii]) < 0x80)
            ++ascii;
        out.append(text.data() + i, ascii - i);
        if (ascii == text.size())
            break;
        const auto b = static_cast<unsigned char>(text[ascii]);
        AppendUtf8(out, b < 0xA0 ? static_cast<char32_t>(kCp1252High[b - 0x80]) : char32_t{b});
        i = ascii + 1;
    }
}

std::string Utf8ToCp1252(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            out += text[i++];
            continue;
        }
        size_t len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
        char32_t cp = len == 4 ? b & 0x07 : len == 3 ? b & 0x0F : b & 0x1F;
        bool valid = len != 0 && i + len <= text.size();
        for (size_t k = 1; valid && k < len; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            valid = (c & 0xC0) == 0x80;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (!valid) {
            out += '?';
            ++i;
            continue;
        }
        i += len;
        char mapped = '?';
        if (cp >= 0xA0 && cp <= 0xFF)
            mapped = static_cast<char>(cp);
        else
            for (int k = 0; k < 32; ++k)
                if (kCp1252High[k] == cp)
                    mapped = static_cast<char>(0x80 + k);
        out += mapped;
    }
    return out;
}

namespace {
constexpr int64_t kUnixEpochInFileTimeSeconds = 11644473600LL;
constexpr int64_t kTicksPerSecond = 10000000LL;
} // namespace

FileTime FileTimeFromTimespec(const timespec &time)
{
    const int64_t seconds = static_cast<int64_t>(time.tv_sec) + kUnixEpochInFileTimeSeconds;
    if (seconds < 0)
        return 0;
    return static_cast<FileTime>(seconds) * kTicksPerSecond +
           static_cast<FileTime>(time.tv_nsec / 100);
}

timespec FileTimeToTimespec(FileTime time)
{
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(static_cast<int64_t>(time / kTicksPerSecond) -
                                    kUnixEpochInFileTimeSeconds);
    ts.tv_nsec = static_cast<long>(time % kTicksPerSecond) * 100;
    return ts;
}

int64_t FileTimeToUnixSeconds(FileTime time)
{
    return static_cast<int64_t>(time / kTicksPerSecond) - kUnixEpochInFileTimeSeconds;
}

} // namespace mdlTools
