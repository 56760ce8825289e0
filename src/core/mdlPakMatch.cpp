#include "mdlPakMatch.h"

#include "mdlTools.h"

namespace {

constexpr std::array<unsigned char, 256> MakeFoldTable()
{
    std::array<unsigned char, 256> table{};
    for (int i = 0; i < 256; ++i) {
        auto c = static_cast<unsigned char>(i);
        if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
            c = static_cast<unsigned char>(c + 0x20);
        else if (c == 0x8A || c == 0x8C || c == 0x8E)
            c = static_cast<unsigned char>(c + 0x10);
        else if (c == 0x9F)
            c = 0xFF;
        else if (c == '\\')
            c = '/';
        table[static_cast<size_t>(i)] = c;
    }
    return table;
}

} // namespace

const std::array<unsigned char, 256> PakFoldTable = MakeFoldTable();

std::string PakFoldName(std::string_view rawName)
{
    std::string folded(rawName.size(), '\0');
    for (size_t i = 0; i < rawName.size(); ++i)
        folded[i] = static_cast<char>(PakFoldTable[static_cast<unsigned char>(rawName[i])]);
    return folded;
}

bool PakGlobMatch(std::string_view pattern, std::string_view name)
{
    // Iterative matching: on a mismatch, let the last "*" take one more character.
    size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || PakFoldChar(static_cast<unsigned char>(pattern[p])) ==
                                             PakFoldChar(static_cast<unsigned char>(name[n])))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else
            return false;
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

PakNameFilter MakePakNameFilter(std::string_view utf8Text)
{
    PakNameFilter filter;
    filter.Active = !utf8Text.empty();
    const std::string raw = mdlTools::Utf8ToCp1252(utf8Text);
    // Characters outside Windows-1252 come back as "?", which must not turn into
    // a wildcard: such a text matches nothing.
    filter.Never = mdlTools::Cp1252ToUtf8(raw) != utf8Text;
    filter.Pattern = raw.find_first_of("*?") != std::string::npos;
    filter.Folded = PakFoldName(raw);
    return filter;
}

bool PakNameFilterMatches(const PakNameFilter &filter, std::string_view foldedName)
{
    if (!filter.Active)
        return true;
    if (filter.Never)
        return false;
    if (filter.Pattern)
        return PakGlobMatch(filter.Folded, foldedName);
    return foldedName.find(filter.Folded) != std::string_view::npos;
}
