#include "CliCommon.h"

#include <cstdio>

namespace cli {

std::string ErrorText(int32_t code)
{
    switch (code) {
    case PakErrorCode::OutOfMemory:
        return "out of memory";
    case PakErrorCode::BadFileName:
        return "bad file name";
    case PakErrorCode::FileNotFound:
        return "file not found";
    case PakErrorCode::DeviceIO:
        return "device I/O error";
    case PakErrorCode::DiskFull:
        return "disk full";
    case PakErrorCode::InputPastEnd:
        return "unexpected end of file";
    case PakErrorCode::PermissionDenied:
        return "permission denied";
    case PakErrorCode::PathNotFound:
        return "path not found";
    case PakErrorCode::InvalidFormat:
        return "invalid file format";
    case PakErrorCode::PathFileAccess:
    default:
        return "path/file access error";
    }
}

std::string ErrorMessage(const PakError &error)
{
    // The core's description is German; only its subject is kept.
    std::string message = ErrorText(error.Code);
    if (!error.Subject.empty())
        message += ": " + error.Subject;
    return message + " (error " + std::to_string(error.Code) + ")";
}

void PrintError(const PakError &error)
{
    std::fprintf(stderr, "vannerby-cli: %s\n", EscapeControl(ErrorMessage(error)).c_str());
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
