#include "PreviewText.h"

#include "mdlTools.h"

#include <algorithm>

namespace PreviewText {

namespace {

bool IsContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// The bytes a UTF-8 sequence starting with lead takes, or 0 for a byte that
// cannot start one.
int SequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// The length of the valid UTF-8 sequence at bytes[i], 0 when it is invalid, or
// -1 when it is cut off by the end.
int ValidSequenceAt(std::string_view bytes, size_t i)
{
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const int length = SequenceLength(lead);
    if (length <= 1)
        return length;
    const size_t available = bytes.size() - i;
    for (int k = 1; k < length; ++k) {
        if (static_cast<size_t>(k) >= available)
            return -1;
        const auto c = static_cast<unsigned char>(bytes[i + static_cast<size_t>(k)]);
        if (!IsContinuation(c))
            return 0;
        if (k == 1) {
            // No overlong forms, no surrogates, nothing beyond U+10FFFF.
            if ((lead == 0xE0 && c < 0xA0) || (lead == 0xED && c > 0x9F) ||
                (lead == 0xF0 && c < 0x90) || (lead == 0xF4 && c > 0x8F))
                return 0;
        }
    }
    return length;
}

// Where the valid UTF-8 text ends, allowing a sequence cut off by the end.
size_t Utf8End(std::string_view bytes, bool cut, bool &valid)
{
    valid = true;
    size_t i = 0;
    while (i < bytes.size()) {
        const int length = ValidSequenceAt(bytes, i);
        if (length < 0) {
            valid = cut;
            return i;
        }
        if (length == 0) {
            valid = false;
            return i;
        }
        i += static_cast<size_t>(length);
    }
    return i;
}

bool IsCp1252Undefined(unsigned char c)
{
    return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

std::string Hexadecimal(uint64_t value, int digits)
{
    static const char *const Digits = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), Digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (static_cast<int>(text.size()) < digits)
        text.insert(0, static_cast<size_t>(digits) - text.size(), '0');
    return text;
}

} // namespace

bool IsValidUtf8(std::string_view bytes, bool cut)
{
    bool valid = false;
    Utf8End(bytes, cut, valid);
    return valid;
}

std::optional<Encoding> DetectText(std::string_view bytes, bool cut)
{
    const bool bom = bytes.starts_with("\xEF\xBB\xBF");
    bool highBytes = false;
    size_t controls = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == 0)
            return std::nullopt;
        if (c >= 0x80)
            highBytes = true;
        const bool allowed = c == '\t' || c == '\n' || c == '\r' || c == '\f' ||
                             (c == 0x1A && i + 1 == bytes.size());
        if ((c < 0x20 && !allowed) || c == 0x7F)
            ++controls;
    }
    std::optional<Encoding> encoding;
    if (bom)
        encoding = Encoding::Utf8Bom;
    else if (highBytes && IsValidUtf8(bytes, cut))
        encoding = Encoding::Utf8;
    else
        encoding = Encoding::Cp1252;
    if (*encoding == Encoding::Cp1252) {
        for (const char ch : bytes)
            if (IsCp1252Undefined(static_cast<unsigned char>(ch)))
                ++controls;
    }
    if (controls * 100 > bytes.size())
        return std::nullopt;
    return encoding;
}

std::string ToUtf8(std::string_view bytes, Encoding encoding)
{
    switch (encoding) {
    case Encoding::Cp1252:
        return mdlTools::Cp1252ToUtf8(bytes);
    case Encoding::Utf8Bom:
        if (bytes.starts_with("\xEF\xBB\xBF"))
            bytes.remove_prefix(3);
        [[fallthrough]];
    case Encoding::Utf8:
    default: {
        bool valid = false;
        return std::string(bytes.substr(0, Utf8End(bytes, true, valid)));
    }
    }
}

const char *EncodingName(Encoding encoding)
{
    return encoding == Encoding::Cp1252 ? "Windows-1252" : "UTF-8";
}

int64_t HexLineCount(int64_t size)
{
    return size <= 0 ? 0 : (size + HexBytesPerLine - 1) / HexBytesPerLine;
}

HexLine FormatHexLine(std::string_view bytes, int64_t line, int64_t entryOffset,
                      int64_t archiveOffset)
{
    HexLine out;
    if (line < 0 || line >= HexLineCount(static_cast<int64_t>(bytes.size())))
        return out;
    const int64_t first = line * HexBytesPerLine;
    out.EntryOffset = Hexadecimal(static_cast<uint64_t>(entryOffset + first), 8);
    out.ArchiveOffset = Hexadecimal(static_cast<uint64_t>(archiveOffset + first), 8);
    const size_t count =
        std::min<size_t>(HexBytesPerLine, bytes.size() - static_cast<size_t>(first));
    for (size_t k = 0; k < count; ++k) {
        const auto c = static_cast<unsigned char>(bytes[static_cast<size_t>(first) + k]);
        if (k > 0)
            out.Hex += k == HexBytesPerLine / 2 ? "  " : " ";
        out.Hex += Hexadecimal(c, 2);
        out.Chars += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '.';
    }
    return out;
}

std::string FormatHexDump(std::string_view bytes, int64_t entryOffset, int64_t archiveOffset)
{
    std::string text;
    const int64_t lines = HexLineCount(static_cast<int64_t>(bytes.size()));
    text.reserve(static_cast<size_t>(lines) * 80);
    // Bytes of a short last line are padded, so that its characters line up.
    const size_t fullHex = HexBytesPerLine * 3;
    for (int64_t i = 0; i < lines; ++i) {
        const HexLine line = FormatHexLine(bytes, i, entryOffset, archiveOffset);
        text += line.EntryOffset + "  " + line.ArchiveOffset + "  " + line.Hex;
        text.append(fullHex - line.Hex.size(), ' ');
        text += "  " + line.Chars + "\n";
    }
    return text;
}

} // namespace PreviewText
