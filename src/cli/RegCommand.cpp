// vannerby-cli reg: looks at and changes the settings store from a terminal, in
// the manner of the Windows reg command.
#include "CliCommon.h"
#include "Console.h"

#include "RegistryStore.h"
#include "RegistryTypes.h"
#include "SettingsText.h"
#include "mdlTools.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>

using namespace RegistryTypes;

namespace cli {

namespace {

constexpr const char *RegUsage =
    "Usage:\n"
    "  vannerby-cli reg query KEY [/v NAME | /ve]\n"
    "  vannerby-cli reg add KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f]\n"
    "  vannerby-cli reg delete KEY [/v NAME | /ve | /va] [/f]\n"
    "  vannerby-cli reg export KEY FILE [/y]\n"
    "KEY begins with HKCR, HKCU, HKLM, HKU or HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,\n"
    "HKEY_LOCAL_MACHINE, HKEY_USERS. TYPE is REG_SZ (default), REG_EXPAND_SZ,\n"
    "REG_MULTI_SZ (items separated by \\0), REG_DWORD, REG_DWORD_BIG_ENDIAN, REG_QWORD\n"
    "(decimal or 0x hex; REG_QWORD also negative, and 0 without /d), REG_BINARY or\n"
    "REG_NONE (hex digits, two per byte). reg add KEY alone sets the key's default\n"
    "value to an empty REG_SZ.\n"
    "reg delete KEY asks on the terminal before it deletes the key with everything\n"
    "below it; /f deletes without asking.\n";

struct UsageError
{
    std::string Message;
};

struct RegKey
{
    int32_t Root = 0;
    std::string RootName; // the long form, for exports
    std::string Section;
    std::string Text;      // as typed, without a trailing backslash
    bool BareRoot = false; // only a root, written with its backslash: "HKCU\\"
};

struct RegArgs
{
    std::string Operation;
    std::optional<RegKey> Key;
    std::string File;
    std::optional<std::string> ValueName; // set by /v NAME or /ve
    bool AllValues = false;               // /va
    std::optional<std::string> Type;
    std::optional<std::string> Data;
    bool Force = false;   // /f: delete without asking
    bool Replace = false; // /y: export replaces an existing file (it always does)
};

std::string Upper(std::string_view text)
{
    return SettingsText::UpperCase(text);
}

RegKey ParseKey(const std::string &text)
{
    static const struct
    {
        const char *Short;
        const char *Long;
        int32_t Root;
    } roots[] = {{"HKCR", "HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
                 {"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                 {"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                 {"HKU", "HKEY_USERS", HKEY_USERS}};
    const auto slash = text.find('\\');
    const auto rootText = Upper(text.substr(0, slash));
    RegKey key;
    for (const auto &root : roots)
        if (rootText == root.Short || rootText == root.Long) {
            key.Root = root.Root;
            key.RootName = root.Long;
        }
    if (key.RootName.empty())
        throw UsageError{"invalid key name: " + text};
    key.Section = slash == std::string::npos ? std::string() : text.substr(slash + 1);
    key.Text = text;
    // One trailing backslash is allowed, as reg allows it; two are not.
    if (key.Text.back() == '\\') {
        key.Text.pop_back();
        if (!key.Section.empty())
            key.Section.pop_back();
        key.BareRoot = key.Section.empty();
    }
    if (key.Text.back() == '\\' ||
        (!key.Section.empty() &&
         (key.Section.front() == '\\' || key.Section.find("\\\\") != std::string::npos)))
        throw UsageError{"invalid key name: " + text};
    return key;
}

RegArgs ParseArgs(const std::vector<std::string> &args)
{
    RegArgs out;
    std::vector<std::string> positional;
    const auto next = [&](size_t &i, const std::string &sw) -> std::string {
        if (i + 1 >= args.size())
            throw UsageError{sw + " needs a value"};
        return args[++i];
    };
    const auto once = [](auto &slot, auto value, const std::string &sw) {
        if (slot)
            throw UsageError{sw + " given twice"};
        slot = std::move(value);
    };
    const auto flag = [](bool &slot, const std::string &sw) {
        if (slot)
            throw UsageError{sw + " given twice"};
        slot = true;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const auto &arg = args[i];
        // Only the known switches are switches: "/data/x.reg" is a file name.
        static const char *const known[] = {"V", "VE", "VA", "T", "D", "F", "Y"};
        const bool marked = arg.size() >= 2 && (arg[0] == '/' || arg[0] == '-');
        const auto sw = marked ? Upper(arg.substr(1)) : std::string();
        const bool isKnown = std::find_if(std::begin(known), std::end(known), [&](const char *k) {
                                 return sw == k;
                             }) != std::end(known);
        if (marked && !isKnown && arg[0] == '-' && !positional.empty())
            throw UsageError{"unknown switch " + arg};
        if (!isKnown || positional.empty()) {
            positional.push_back(arg);
            continue;
        }
        // As with reg, the key comes right after the operation, and an
        // export's file right after the key; switches follow them.
        if (positional.size() == 1)
            throw UsageError{"KEY must come before " + arg};
        if (positional.size() == 2 && Upper(positional[0]) == "EXPORT")
            throw UsageError{"FILE must come before " + arg};
        if (sw == "V") {
            once(out.ValueName, next(i, arg), arg);
        } else if (sw == "VE") {
            once(out.ValueName, std::string(), arg);
        } else if (sw == "VA") {
            flag(out.AllValues, arg);
        } else if (sw == "T") {
            once(out.Type, next(i, arg), arg);
        } else if (sw == "D") {
            once(out.Data, next(i, arg), arg);
        } else if (sw == "F") {
            flag(out.Force, arg);
        } else {
            flag(out.Replace, arg);
        }
    }
    if (positional.empty())
        throw UsageError{"missing operation"};
    out.Operation = Upper(positional[0]);
    const bool query = out.Operation == "QUERY", add = out.Operation == "ADD",
               del = out.Operation == "DELETE", exp = out.Operation == "EXPORT";
    if (!query && !add && !del && !exp)
        throw UsageError{"unknown operation " + positional[0]};
    const size_t wanted = out.Operation == "EXPORT" ? 3 : 2;
    if (positional.size() < wanted)
        throw UsageError{"missing " + std::string(positional.size() < 2 ? "KEY" : "FILE")};
    if (positional.size() > wanted)
        throw UsageError{"unexpected argument " + positional[wanted]};
    out.Key = ParseKey(positional[1]);
    if (wanted == 3)
        out.File = positional[2];
    if ((out.Type || out.Data) && !add)
        throw UsageError{"/t and /d belong to reg add"};
    if (out.AllValues && (!del || out.ValueName))
        throw UsageError{"/va belongs to reg delete, without /v"};
    if (out.ValueName && exp)
        throw UsageError{"reg export takes no value name"};
    if (out.Replace && !exp)
        throw UsageError{"/y belongs to reg export"};
    if (add && out.Key->BareRoot)
        throw UsageError{"a value cannot be added to a root key: " + positional[1]};
    return out;
}

std::string TypeName(int32_t type)
{
    switch (type) {
    case REG_NONE:
        return "REG_NONE";
    case REG_SZ:
        return "REG_SZ";
    case REG_EXPAND_SZ:
        return "REG_EXPAND_SZ";
    case REG_BINARY:
        return "REG_BINARY";
    case REG_DWORD:
        return "REG_DWORD";
    case REG_DWORD_BIG_ENDIAN:
        return "REG_DWORD_BIG_ENDIAN";
    case REG_LINK:
        return "REG_LINK";
    case REG_MULTI_SZ:
        return "REG_MULTI_SZ";
    case REG_QWORD:
        return "REG_QWORD";
    default:
        return "REG_TYPE_" + std::to_string(type);
    }
}

std::optional<int32_t> TypeFromName(const std::string &name)
{
    const auto upper = Upper(name);
    for (const int32_t type : {REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD,
                               REG_DWORD_BIG_ENDIAN, REG_MULTI_SZ, REG_QWORD})
        if (TypeName(type) == upper)
            return type;
    if (upper == "REG_DWORD_LITTLE_ENDIAN")
        return REG_DWORD;
    return std::nullopt;
}

std::string HexDigits(const std::vector<uint8_t> &data)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const auto b : data) {
        out += hex[b >> 4];
        out += hex[b & 0xF];
    }
    return out;
}

uint64_t LittleEndian(const std::vector<uint8_t> &data)
{
    uint64_t value = 0;
    for (size_t i = data.size(); i-- > 0;)
        value = (value << 8) | data[i];
    return value;
}

std::string StringData(const std::vector<uint8_t> &data)
{
    std::string text(data.begin(), data.end());
    if (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

// The DATA column of a query line.
std::string DataText(const RegistryRawValue &value)
{
    const auto &data = value.Data;
    switch (value.Type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        return EscapeControl(StringData(data));
    case REG_MULTI_SZ: {
        std::string text = StringData(data);
        if (!text.empty() && text.back() == '\0')
            text.pop_back();
        std::string out;
        size_t start = 0;
        while (true) {
            const auto end = text.find('\0', start);
            out += EscapeControl(text.substr(start, end - start));
            if (end == std::string::npos)
                break;
            out += "\\0";
            start = end + 1;
        }
        return out;
    }
    case REG_DWORD:
        if (data.size() == 4)
            return std::to_string(LittleEndian(data));
        break;
    case REG_DWORD_BIG_ENDIAN:
        if (data.size() == 4)
            return std::to_string((uint32_t{data[0]} << 24) | (uint32_t{data[1]} << 16) |
                                  (uint32_t{data[2]} << 8) | data[3]);
        break;
    case REG_QWORD:
        if (data.size() == 8)
            return std::to_string(LittleEndian(data));
        break;
    default:
        break;
    }
    return HexDigits(data);
}

std::string ValueLine(const RegistryRawValue &value)
{
    return (value.Name.empty() ? std::string("(Default)") : EscapeControl(value.Name)) + "\t" +
           TypeName(value.Type) + "\t" + DataText(value);
}

// A number in decimal or 0x hex, at most max. allowNegative takes a negative
// decimal as the bit pattern of the 64-bit number (REG_QWORD /d -1: all bits set).
uint64_t ParseNumber(const std::string &text, uint64_t max, bool allowNegative)
{
    std::string digits = text;
    bool negative = false;
    if (allowNegative && !digits.empty() && digits[0] == '-') {
        negative = true;
        digits.erase(0, 1);
    }
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.erase(0, 2);
    }
    if (digits.empty() || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        throw UsageError{"invalid number: " + text};
    errno = 0;
    char *end = nullptr;
    const unsigned long long value = std::strtoull(digits.c_str(), &end, base);
    if (errno != 0 || *end != '\0' || (negative && base != 10))
        throw UsageError{"invalid number: " + text};
    if (negative) {
        if (value > 0x8000000000000000ull)
            throw UsageError{"number out of range: " + text};
        return 0 - static_cast<uint64_t>(value);
    }
    if (value > max)
        throw UsageError{"number out of range: " + text};
    return value;
}

// REG_MULTI_SZ data as reg takes it: items separated by the two characters \0,
// each stored with its NUL, then the list's closing NUL. One \0 at the very end
// only closes the last item; an empty item anywhere else is refused, since the
// registry would read the list as ending there. "\0" alone is one empty item.
std::vector<uint8_t> EncodeMultiString(const std::string &text)
{
    std::vector<uint8_t> data;
    if (text.empty()) {
        data.push_back(0);
        return data;
    }
    std::string items = text;
    if (items.size() >= 2 && items.compare(items.size() - 2, 2, "\\0") == 0)
        items.erase(items.size() - 2);
    if (items.empty())
        return {0, 0};
    size_t start = 0;
    while (true) {
        const auto end = items.find("\\0", start);
        const auto item = items.substr(start, end == std::string::npos ? end : end - start);
        if (item.empty())
            throw UsageError{"REG_MULTI_SZ data with an empty item: " + text};
        data.insert(data.end(), item.begin(), item.end());
        data.push_back(0);
        if (end == std::string::npos)
            break;
        start = end + 2;
    }
    data.push_back(0);
    return data;
}

std::vector<uint8_t> EncodeData(int32_t type, const std::string &text)
{
    std::vector<uint8_t> data;
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        data.assign(text.begin(), text.end());
        data.push_back(0);
        break;
    case REG_MULTI_SZ:
        data = EncodeMultiString(text);
        break;
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: {
        // Unlike REG_QWORD, reg refuses a negative DWORD and one without /d.
        const auto value = static_cast<uint32_t>(ParseNumber(text, 0xFFFFFFFFull, false));
        for (int i = 0; i < 4; ++i)
            data.push_back(static_cast<uint8_t>(value >> (8 * i)));
        if (type == REG_DWORD_BIG_ENDIAN)
            std::reverse(data.begin(), data.end());
        break;
    }
    case REG_QWORD: {
        const auto value = text.empty() ? 0 : ParseNumber(text, UINT64_MAX, true);
        for (int i = 0; i < 8; ++i)
            data.push_back(static_cast<uint8_t>(value >> (8 * i)));
        break;
    }
    default: {
        if (text.size() % 2 != 0 ||
            text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            throw UsageError{"binary data must be hex digits, two per byte: " + text};
        for (size_t i = 0; i < text.size(); i += 2)
            data.push_back(static_cast<uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
        break;
    }
    }
    return data;
}

void Fail(const std::string &message)
{
    std::fprintf(stderr, "vannerby-cli reg: %s\n", message.c_str());
}

std::string StatusText(RegistryStatus status)
{
    switch (status) {
    case RegistryStatus::Ok:
        return "done";
    case RegistryStatus::KeyNotFound:
        return "the key does not exist";
    case RegistryStatus::ValueNotFound:
        return "the value does not exist";
    case RegistryStatus::HasSubkeys:
        return "the key has subkeys";
    case RegistryStatus::BadName:
        return "the name is not allowed";
    case RegistryStatus::Unavailable:
        return "the settings store cannot be opened or written";
    case RegistryStatus::WriteFailed:
        return "the change could not be stored";
    }
    return {};
}

// A REGEDIT4 text: 8-bit, CR LF line ends, strings in quotes where they can be.
class RegeditWriter final
{
  public:
    void Key(const std::string &path) { m_text += "[" + mdlTools::Utf8ToCp1252(path) + "]\r\n"; }
    void Value(const RegistryRawValue &value)
    {
        std::string line = value.Name.empty() ? "@=" : Quoted(value.Name) + "=";
        const auto &data = value.Data;
        if (value.Type == REG_SZ && IsPlainText(data)) {
            line += Quoted(StringData(data));
        } else if (value.Type == REG_DWORD && data.size() == 4) {
            char buffer[16];
            std::snprintf(buffer, sizeof buffer, "dword:%08x",
                          static_cast<unsigned>(LittleEndian(data)));
            line += buffer;
        } else {
            char prefix[16];
            if (value.Type == REG_BINARY)
                std::snprintf(prefix, sizeof prefix, "hex:");
            else
                std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.Type));
            line += prefix;
            AppendHex(line, data);
        }
        m_text += line + "\r\n";
    }
    void EndKey() { m_text += "\r\n"; }
    const std::string &Text() const { return m_text; }

  private:
    static std::string Quoted(const std::string &text)
    {
        std::string out = "\"";
        for (const char ch : mdlTools::Utf8ToCp1252(text)) {
            if (ch == '\\' || ch == '"')
                out += '\\';
            out += ch;
        }
        return out + "\"";
    }
    // Text that survives the 8-bit file and fits on one line.
    static bool IsPlainText(const std::vector<uint8_t> &data)
    {
        const auto text = StringData(data);
        for (const char ch : text)
            if (static_cast<unsigned char>(ch) < 0x20)
                return false;
        return mdlTools::Cp1252ToUtf8(mdlTools::Utf8ToCp1252(text)) == text;
    }
    void AppendHex(std::string &line, const std::vector<uint8_t> &data)
    {
        static constexpr char hex[] = "0123456789abcdef";
        size_t column = line.size();
        for (size_t i = 0; i < data.size(); ++i) {
            line += hex[data[i] >> 4];
            line += hex[data[i] & 0xF];
            column += 2;
            if (i + 1 < data.size()) {
                line += ',';
                ++column;
                if (column > 76) {
                    line += "\\\r\n  ";
                    column = 2;
                }
            }
        }
    }

    std::string m_text = "REGEDIT4\r\n\r\n";
};

void ExportKey(RegeditWriter &out, const std::string &path, const RegistryKeySnapshot &key)
{
    out.Key(path);
    for (const auto &value : key.Values)
        out.Value(value);
    out.EndKey();
    for (const auto &subkey : key.Subkeys)
        ExportKey(out, path + "\\" + subkey.Name, subkey);
}

int RunQuery(RegistryStore &store, const RegArgs &args)
{
    const auto &key = *args.Key;
    if (args.ValueName) {
        const auto value = store.QueryValue(key.Root, key.Section, *args.ValueName);
        if (!value && args.ValueName->empty() && store.KeyExists(key.Root, key.Section)) {
            // Every key has a default value for reg, set or not.
            std::printf("(Default)\tREG_SZ\t(value not set)\n");
            return ExitOk;
        }
        if (!value) {
            Fail("value not found: " + key.Text + " " +
                 (args.ValueName->empty() ? "(Default)" : *args.ValueName));
            return ExitEntryFailed;
        }
        std::printf("%s\n", ValueLine(*value).c_str());
        return ExitOk;
    }
    const auto snapshot = store.ReadKey(key.Root, key.Section, false);
    if (!snapshot) {
        Fail("key not found: " + key.Text);
        return ExitEntryFailed;
    }
    for (const auto &value : snapshot->Values)
        std::printf("%s\n", ValueLine(value).c_str());
    for (const auto &subkey : snapshot->Subkeys)
        std::printf("%s\\%s\n", key.Text.c_str(), EscapeControl(subkey.Name).c_str());
    return ExitOk;
}

int RunAdd(RegistryStore &store, const RegArgs &args)
{
    const auto &key = *args.Key;
    // Without /v, /ve, /t and /d this sets the default value to an empty
    // REG_SZ, as reg add does.
    const auto type = TypeFromName(args.Type.value_or("REG_SZ"));
    if (!type)
        throw UsageError{"unknown type " + *args.Type};
    const auto data = EncodeData(*type, args.Data.value_or(""));
    const RegistryStatus status =
        store.SetValue(key.Root, key.Section, args.ValueName.value_or(""), *type, data);
    if (status != RegistryStatus::Ok) {
        Fail(StatusText(status) + ": " + key.Text +
             (store.Path().empty() ? std::string() : " (" + store.Path() + ")"));
        return ExitEntryFailed;
    }
    return ExitOk;
}

// Asks on the terminal until the answer is yes or no; the end of input is no.
bool ConfirmOnTerminal(const std::string &question)
{
    while (true) {
        std::printf("%s (Yes/No)? ", question.c_str());
        std::fflush(stdout);
        std::string answer;
        if (!std::getline(std::cin, answer))
            return false;
        const auto first = answer.find_first_not_of(" \t\r");
        const auto word =
            first == std::string::npos
                ? std::string()
                : Upper(answer.substr(first, answer.find_last_not_of(" \t\r") + 1 - first));
        if (word == "Y" || word == "YES")
            return true;
        if (word == "N" || word == "NO")
            return false;
    }
}

int RunDelete(RegistryStore &store, const RegArgs &args)
{
    const auto &key = *args.Key;
    RegistryStatus status;
    if (args.ValueName) {
        status = store.DeleteValue(key.Root, key.Section, *args.ValueName);
    } else if (args.AllValues) {
        status = store.DeleteAllValues(key.Root, key.Section);
    } else if (key.Section.empty()) {
        throw UsageError{"a root key cannot be deleted"};
    } else {
        // Like reg delete, the key goes with everything below it, so it is
        // never removed unasked: a script without a terminal must say /f.
        if (!args.Force) {
            if (!store.KeyExists(key.Root, key.Section)) {
                Fail(StatusText(RegistryStatus::KeyNotFound) + ": " + key.Text);
                return ExitEntryFailed;
            }
            if (!Console::InputIsTerminal()) {
                Fail("not deleting " + key.Text + " without confirmation: give /f to delete it");
                return ExitEntryFailed;
            }
            if (!ConfirmOnTerminal("Permanently delete the registry key " +
                                   EscapeControl(key.Text)))
                return ExitOk;
        }
        status = store.DeleteKey(key.Root, key.Section, true);
    }
    if (status != RegistryStatus::Ok) {
        Fail(StatusText(status) + ": " + key.Text);
        return ExitEntryFailed;
    }
    return ExitOk;
}

int RunExport(RegistryStore &store, const RegArgs &args)
{
    const auto &key = *args.Key;
    const auto snapshot = store.ReadKey(key.Root, key.Section, true);
    if (!snapshot) {
        Fail("key not found: " + key.Text);
        return ExitEntryFailed;
    }
    RegeditWriter writer;
    ExportKey(writer, key.Section.empty() ? key.RootName : key.RootName + "\\" + key.Section,
              *snapshot);
    std::ofstream file(args.File, std::ios::binary | std::ios::trunc);
    file << writer.Text();
    file.close();
    if (!file) {
        Fail("cannot write " + args.File);
        return ExitEntryFailed;
    }
    return ExitOk;
}

// Whether the arguments ask for the usage: --help, -h, /? or -? anywhere but
// as the value of /v, /t or /d ("reg add --help", "reg query HKCU /?").
bool AsksForHelp(const std::vector<std::string> &args)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg == "--help" || arg == "-h" || arg == "/?" || arg == "-?")
            return true;
        const bool marked = arg.size() == 2 && (arg[0] == '/' || arg[0] == '-');
        const char sw = marked ? static_cast<char>(arg[1] | 0x20) : '\0';
        if (sw == 'v' || sw == 't' || sw == 'd')
            ++i;
    }
    return false;
}

int RunReg(const std::vector<std::string> &rawArgs)
{
    if (AsksForHelp(rawArgs)) {
        std::fputs(RegUsage, stdout);
        return ExitOk;
    }
    try {
        const auto args = ParseArgs(rawArgs);
        RegistryStore store(RegistryStore::DefaultPath());
        if (args.Operation == "QUERY")
            return RunQuery(store, args);
        if (args.Operation == "ADD")
            return RunAdd(store, args);
        if (args.Operation == "DELETE")
            return RunDelete(store, args);
        return RunExport(store, args);
    } catch (const UsageError &e) {
        Fail(e.Message);
        std::fputs(RegUsage, stderr);
        return ExitUsage;
    }
}

} // namespace

void AddRegCommand(CLI::App &app, int &exitCode)
{
    auto *reg = app.add_subcommand(
        "reg", "Looks at and changes the settings store, as the Windows reg command does");
    // The reg syntax (/v, /t, /d) is not CLI11's; the arguments are parsed here.
    reg->prefix_command();
    reg->allow_extras();
    // Its --help is the reg usage, not CLI11's, so the parser leaves it alone.
    reg->set_help_flag();
    reg->callback([reg, &exitCode] { exitCode = RunReg(reg->remaining()); });
}

} // namespace cli
