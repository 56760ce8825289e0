#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// Matching stored names (Windows-1252) against what a user types: letter case
// and "\" versus "/" do not matter.

// Every byte with its letter case folded the Windows-1252 way ("Ä" as "ä") and
// "\" as "/".
extern const std::array<unsigned char, 256> PakFoldTable;

// The byte folded as PakFoldTable says; in the header, as it runs for every
// byte of every name a filter or a check looks at.
inline unsigned char PakFoldChar(unsigned char c)
{
    return PakFoldTable[c];
}
// Every byte of a stored name folded as PakFoldChar does.
std::string PakFoldName(std::string_view rawName);

// True when the whole stored name matches the pattern (both Windows-1252): "*"
// any run of characters across folders, "?" one character, letter case and "\"
// versus "/" ignored.
bool PakGlobMatch(std::string_view pattern, std::string_view name);

// A filter the user typed, ready to test many names.
struct PakNameFilter
{
    std::string Folded;   // the text in Windows-1252, folded
    bool Active = false;  // false for an empty text: every name passes
    bool Pattern = false; // the text holds "*" or "?": the whole name must match
    bool Never = false;   // the text holds characters no stored name can hold
};

// The filter for a text in UTF-8: a part of the name, or a pattern when it holds
// "*" or "?".
PakNameFilter MakePakNameFilter(std::string_view utf8Text);
// True when a name folded by PakFoldName passes the filter.
bool PakNameFilterMatches(const PakNameFilter &filter, std::string_view foldedName);
