#include "DesktopAssociation.h"

#include "ProcessRunner.h"
#include "mdlTools.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace DesktopAssociation {

namespace {

// The file class the program's own association operations use.
constexpr const char *ProgramClass = "KMX.Resourcen";
// Larger files in the user's folders are not ours to rewrite.
constexpr off_t MaxEditedFile = 4 * 1024 * 1024;
constexpr int ToolTimeoutMs = 30000;

std::string EnvFolder(const char *variable, const char *belowHome)
{
    const char *value = std::getenv(variable);
    if (value && *value == '/')
        return mdlTools::RemoveBackslash(value);
    const char *home = std::getenv("HOME");
    if (!home || !*home)
        return {};
    return mdlTools::AddBackslash(home) + belowHome;
}

std::string MimeFolder()
{
    const auto data = DataHome();
    return data.empty() ? std::string() : data + "/mime";
}

std::string ApplicationsFolder()
{
    const auto data = DataHome();
    return data.empty() ? std::string() : data + "/applications";
}

std::optional<std::string> ReadSmallFile(const std::string &path)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > MaxEditedFile)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in || text.str().size() > static_cast<size_t>(MaxEditedFile))
        return std::nullopt;
    return text.str();
}

// Writes the file through a temporary file in the same folder and a rename, so
// that a desktop reading it never sees half of it. A link is written through.
bool WriteFileAtomically(const std::string &path, const std::string &text)
{
    std::string target = path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved))
        target = resolved;
    if (!mdlTools::CreatePath(mdlTools::GetFolderPart(target)))
        return false;
    std::string temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, 0644) == 0;
    for (size_t done = 0; ok && done < text.size();) {
        const auto n = ::write(fd, text.data() + done, text.size() - done);
        ok = n > 0;
        done += ok ? static_cast<size_t>(n) : 0;
    }
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(temp.c_str(), target.c_str()) == 0)
        return true;
    ::unlink(temp.c_str());
    return false;
}

// True when the file now holds text and did not before.
bool WriteIfChanged(const std::string &path, const std::string &text)
{
    const auto old = ReadSmallFile(path);
    if (old && *old == text)
        return false;
    return WriteFileAtomically(path, text);
}

void RunTool(const std::vector<std::string> &argv)
{
    ProcessRunner::Run(argv, ToolTimeoutMs); // a missing or failing tool changes nothing
}

std::string Trim(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") + 1 - first);
}

std::vector<std::string> SplitList(const std::string &value)
{
    std::vector<std::string> items;
    std::stringstream in(value);
    std::string item;
    while (std::getline(in, item, ';'))
        if (!Trim(item).empty())
            items.push_back(Trim(item));
    return items;
}

// Puts Vannerby's entry first in the type's list in one section of
// mimeapps.list (as its only entry in the default section), or takes it out;
// other applications keep their places. The section and the line are created
// when missing, the line removed when its list becomes empty. Every other line
// stays as it was.
void EditMimeAppsList(std::vector<std::string> &lines, const std::string &section, bool add)
{
    const bool isDefault = section == "Default Applications";
    size_t start = lines.size(), end = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto line = Trim(lines[i]);
        if (line.empty() || line[0] != '[')
            continue;
        if (start != lines.size()) {
            end = i;
            break;
        }
        if (line == "[" + section + "]")
            start = i;
    }
    if (start == lines.size()) {
        if (!add)
            return;
        if (!lines.empty() && !Trim(lines.back()).empty())
            lines.emplace_back();
        lines.push_back("[" + section + "]");
        start = lines.size() - 1;
        end = lines.size();
    }
    // The type's lines of the section; a second one is merged into the first.
    std::vector<size_t> found;
    std::vector<std::string> items;
    if (add)
        items.push_back(DesktopFileName);
    for (size_t i = start + 1; i < end; ++i) {
        const auto line = Trim(lines[i]);
        const auto equals = line.find('=');
        if (equals == std::string::npos || Trim(line.substr(0, equals)) != MimeType)
            continue;
        found.push_back(i);
        if (add && isDefault)
            continue; // the default is Vannerby alone
        for (const auto &item : SplitList(line.substr(equals + 1)))
            if (item != DesktopFileName)
                items.push_back(item);
    }
    std::string value;
    for (const auto &item : items)
        value += item + (isDefault && &item == &items.back() ? "" : ";");
    const std::string line = std::string(MimeType) + "=" + value;
    if (found.empty()) {
        if (value.empty())
            return;
        size_t insert = end; // after the section's last line that is not blank
        while (insert > start + 1 && Trim(lines[insert - 1]).empty())
            --insert;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insert), line);
        return;
    }
    for (size_t k = found.size(); k-- > 1;)
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(found[k]));
    if (value.empty())
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(found[0]));
    else
        lines[found[0]] = line;
}

void UpdateMimeApps(bool add)
{
    const auto config = ConfigHome();
    if (config.empty())
        return;
    const auto path = config + "/mimeapps.list";
    std::string text;
    if (mdlTools::FileExists(path)) {
        const auto old = ReadSmallFile(path);
        if (!old)
            return;
        text = *old;
    } else if (!add) {
        return;
    }
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    EditMimeAppsList(lines, "Default Applications", add);
    EditMimeAppsList(lines, "Added Associations", add);
    std::string out;
    for (const auto &line : lines)
        out += line + "\n";
    if (out != text)
        WriteFileAtomically(path, out);
}

} // namespace

std::string DataHome()
{
    return EnvFolder("XDG_DATA_HOME", ".local/share");
}

std::string ConfigHome()
{
    return EnvFolder("XDG_CONFIG_HOME", ".config");
}

std::string MimePackageXml(bool bWithSharedType)
{
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"application/x-modellwelt-pak\">\n"
        "    <comment>Modellwelt resource archive</comment>\n"
        "    <comment xml:lang=\"de\">Modellwelt-Ressourcenarchiv</comment>\n"
        "    <generic-icon name=\"package-x-generic\"/>\n"
        "    <magic priority=\"80\">\n"
        "      <match type=\"string\" value=\"PAK\\000\" offset=\"0\"/>\n"
        "    </magic>\n"
        "    <glob pattern=\"*.pak\"/>\n"
        "    <glob pattern=\"*.pa-\"/>\n"
        "  </mime-type>\n";
    // The shared database's application/x-pak (another game's archives, also
    // *.pak, signature "PACK") is repeated for the user's database: Qt 6.4
    // takes the name matches of the user's database alone once it has one, and
    // only with both types at hand does the signature decide between them.
    if (bWithSharedType)
        xml += "  <mime-type type=\"application/x-pak\">\n"
               "    <comment>PAK archive</comment>\n"
               "    <comment xml:lang=\"de\">PAK-Archiv</comment>\n"
               "    <generic-icon name=\"package-x-generic\"/>\n"
               "    <magic priority=\"80\">\n"
               "      <match type=\"string\" value=\"PACK\" offset=\"0\"/>\n"
               "    </magic>\n"
               "    <glob pattern=\"*.pak\"/>\n"
               "  </mime-type>\n";
    return xml + "</mime-info>\n";
}

std::string DesktopEntry(const std::string &sExec)
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Vannerby\n"
           "GenericName=PAK archive viewer\n"
           "GenericName[de]=PAK-Archiv-Betrachter\n"
           "Comment=View and extract the resource archives of the Modellwelt simulator\n"
           "Comment[de]=Ressourcenarchive des Modellwelt-Simulators ansehen und extrahieren\n"
           "Exec=" +
           sExec +
           " %f\n"
           "Icon=vannerby\n"
           "Terminal=false\n"
           "Categories=Qt;Utility;Archiving;\n"
           "Keywords=PAK;archive;extract;Modellwelt;railway;simulator;\n"
           "Keywords[de]=PAK;Archiv;extrahieren;entpacken;Modellwelt;Eisenbahn;Simulator;\n"
           "MimeType=application/x-modellwelt-pak;\n";
}

std::string QuoteExec(const std::string &sPath)
{
    std::string quoted;
    bool plain = !sPath.empty();
    for (const char ch : sPath) {
        if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F)
            return {}; // no desktop entry can hold it
        const bool safe = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') ||
                          (ch >= '0' && ch <= '9') ||
                          std::string_view("/._+-").find(ch) != std::string_view::npos;
        plain = plain && safe;
        if (ch == '"' || ch == '`' || ch == '$' || ch == '\\')
            quoted += '\\';
        quoted += ch;
    }
    std::string exec = plain ? sPath : "\"" + quoted + "\"";
    // Field codes begin with "%"; the key's string escapes double every backslash.
    std::string out;
    for (const char ch : exec) {
        if (ch == '%')
            out += '%';
        if (ch == '\\')
            out += '\\';
        out += ch;
    }
    return out;
}

void Register(const std::string &sExePath)
{
    const auto mime = MimeFolder();
    if (mime.empty())
        return;
    if (WriteIfChanged(mime + "/packages/" + MimePackageName, MimePackageXml(true)) ||
        !mdlTools::FileExists(mime + "/mime.cache"))
        RunTool({"update-mime-database", mime});
    const auto exec = QuoteExec(sExePath);
    if (!exec.empty() &&
        WriteIfChanged(ApplicationsFolder() + "/" + DesktopFileName, DesktopEntry(exec)))
        RunTool({"update-desktop-database", ApplicationsFolder()});
    UpdateMimeApps(true);
}

void Unregister()
{
    const auto mime = MimeFolder();
    if (mime.empty())
        return;
    if (::unlink((mime + "/packages/" + MimePackageName).c_str()) == 0)
        RunTool({"update-mime-database", mime});
    if (::unlink((ApplicationsFolder() + "/" + DesktopFileName).c_str()) == 0)
        RunTool({"update-desktop-database", ApplicationsFolder()});
    UpdateMimeApps(false);
}

void NotifyAssociationChanged(bool bCreated, const std::string &sClassName,
                              const std::string &sExePath)
{
    if (sClassName != ProgramClass)
        return;
    try {
        if (bCreated)
            Register(sExePath);
        else
            Unregister();
    } catch (const std::exception &) {
        // Out of memory or the like: the desktop does not follow, the store has it.
    }
}

bool DesktopAgrees()
{
    const auto answer =
        ProcessRunner::Run({"xdg-mime", "query", "default", MimeType}, ToolTimeoutMs);
    if (!answer)
        return true; // no xdg-mime: nothing to ask
    return answer->ExitCode == 0 && Trim(answer->Output) == DesktopFileName;
}

} // namespace DesktopAssociation
