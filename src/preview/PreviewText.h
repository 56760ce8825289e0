#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// How the preview tells text from other data and lays out a hex dump.
namespace PreviewText {

enum class Encoding
{
    Cp1252,  // 8-bit text of the archives' own code page
    Utf8,    // valid UTF-8 with characters beyond ASCII
    Utf8Bom, // starts with the UTF-8 byte-order mark
};

// The encoding in which bytes read as text, or nothing when they do not look
// like text: a NUL byte, or more than one control character in a hundred (tab,
// line breaks, form feed and a final Ctrl+Z do not count). cut: the bytes are
// the start of a longer entry, so a UTF-8 sequence cut off at the end is no fault.
std::optional<Encoding> DetectText(std::string_view bytes, bool cut = false);

// True when bytes are valid UTF-8; with cut, a sequence that the end cuts off
// is allowed.
bool IsValidUtf8(std::string_view bytes, bool cut = false);

// The text as UTF-8: Windows-1252 converted, a byte-order mark and a sequence
// cut off at the end dropped.
std::string ToUtf8(std::string_view bytes, Encoding encoding);

// The name an encoding is shown with ("UTF-8", "Windows-1252").
const char *EncodingName(Encoding encoding);

inline constexpr int HexBytesPerLine = 16;

// Line `line` of the hex dump of bytes, whose first byte lies at entryOffset in
// its entry and at archiveOffset in the archive.
struct HexLine
{
    std::string EntryOffset;   // hexadecimal, at least 8 digits
    std::string ArchiveOffset; // hexadecimal, at least 8 digits
    std::string Hex;           // "4D 5A 90 00 ...", an extra blank after the eighth byte
    std::string Chars;         // printable ASCII as it is, everything else "."
};

// The number of lines of the hex dump of size bytes.
int64_t HexLineCount(int64_t size);
// One line; a line past the end is empty.
HexLine FormatHexLine(std::string_view bytes, int64_t line, int64_t entryOffset,
                      int64_t archiveOffset);
// The whole dump, one line per 16 bytes: entry offset, archive offset, bytes,
// characters, separated by two blanks, each line ended by "\n".
std::string FormatHexDump(std::string_view bytes, int64_t entryOffset, int64_t archiveOffset);

} // namespace PreviewText
