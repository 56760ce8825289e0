#include "SettingsText.h"

#include "Environment.h"
#include "mdlTools.h"

#include <cstdint>
#include <cstdlib>

namespace SettingsText {

namespace {

char32_t UpperCodePoint(char32_t c)
{
    if (c >= U'a' && c <= U'z')
        return c - 0x20;
    if (c < 0x80)
        return c;
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return c - 0x20;
    if (c == 0xFF)
        return 0x178;
    // Latin Extended-A pairs capital/small on even/odd code points, except the
    // block 0x139-0x148 and 0x179-0x17E which pair odd/even.
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return (c & 1) ? c - 1 : c;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c & 1) ? c : c - 1;
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2)
        return c - 0x20;
    if (c >= 0x430 && c <= 0x44F)
        return c - 0x20;
    if (c >= 0x450 && c <= 0x45F)
        return c - 0x50;
    return c;
}

} // namespace

std::string UpperCase(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        if (b0 < 0x80) {
            out += static_cast<char>(UpperCodePoint(b0));
            ++i;
            continue;
        }
        // Two-byte sequences cover every letter mapped above.
        if ((b0 & 0xE0) == 0xC0 && i + 1 < text.size() &&
            (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
            const char32_t c = (static_cast<char32_t>(b0 & 0x1F) << 6) |
                               (static_cast<unsigned char>(text[i + 1]) & 0x3F);
            if (c >= 0x80) {
                mdlTools::AppendUtf8(out, UpperCodePoint(c));
                i += 2;
                continue;
            }
        }
        out += text[i];
        ++i;
    }
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return UpperCase(a) == UpperCase(b);
}

size_t CharCount(std::string_view text)
{
    size_t count = 0;
    for (const char ch : text)
        if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80)
            ++count;
    return count;
}

std::string ExpandEnvironmentStrings(std::string_view text)
{
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        const auto open = text.find('%', i);
        if (open == std::string_view::npos) {
            out.append(text.substr(i));
            break;
        }
        out.append(text.substr(i, open - i));
        const auto close = text.find('%', open + 1);
        if (close == std::string_view::npos) {
            out.append(text.substr(open));
            break;
        }
        const std::string name(text.substr(open + 1, close - open - 1));
        const auto value = name.empty() ? std::nullopt : Environment::Value(name);
        if (value) {
            out.append(*value);
            i = close + 1;
        } else {
            // Unknown: keep "%NAME" and let the closing "%" start the next reference.
            out.append(text.substr(open, close - open));
            i = close;
        }
    }
    return out;
}

} // namespace SettingsText
