#include "CliCommon.h"

#include <cstdio>

namespace cli {

void PrintError(const std::string &description, int code)
{
    std::fprintf(stderr, "vannerby-cli: %s (%d)\n", description.c_str(), code);
}

void AppendEscaped(std::string &out, std::string_view name)
{
    // Runs without control characters are copied as they are.
    for (size_t i = 0; i < name.size();) {
        size_t plain = i;
        while (plain < name.size() && static_cast<unsigned char>(name[plain]) >= 0x20 &&
               name[plain] != 0x7F)
            ++plain;
        out.append(name.data() + i, plain - i);
        if (plain == name.size())
            break;
        const auto b = static_cast<unsigned char>(name[plain]);
        static constexpr char hex[] = "0123456789ABCDEF";
        out += "\\x";
        out += hex[b >> 4];
        out += hex[b & 0xF];
        i = plain + 1;
    }
}

std::string JsonString(std::string_view text)
{
    std::string out = "\"";
    for (const char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        switch (ch) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (b < 0x20 || b == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", b);
                out += escaped;
            } else
                out += ch;
        }
    }
    return out + '"';
}

std::string EscapeControl(std::string_view name)
{
    std::string out;
    out.reserve(name.size());
    AppendEscaped(out, name);
    return out;
}

} // namespace cli
