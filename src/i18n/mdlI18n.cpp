#include "mdlI18n.h"

#include "cInifile.h"
#include "mdlTools.h"

#include <optional>

namespace mdlI18n {

namespace {

// The one instance that reads and writes the language file for the whole run.
cInifile &LanguageIni()
{
    static cInifile instance;
    return instance;
}

// The path chosen before the first lookup, if any.
std::optional<std::string> &RequestedPath()
{
    static std::optional<std::string> path;
    return path;
}

bool IsBlankText(std::string_view text)
{
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

// A line break cannot be stored in a profile line, so it goes into the file as
// the "\n" that reading turns back into one.
std::string EscapeLineBreaks(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            out += "\\n";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string ExpandLineBreaks(std::string text)
{
    for (std::size_t pos = text.find("\\n"); pos != std::string::npos;
         pos = text.find("\\n", pos + 2))
        text.replace(pos, 2, "\r\n");
    return text;
}

} // namespace

bool SetLanguageFile(std::string strPath)
{
    if (!LanguageIni().Path().empty())
        return false;
    RequestedPath() = std::move(strPath);
    return true;
}

std::string LanguageFile()
{
    return LanguageIni().Path();
}

std::string TranslateText(std::string_view sSection, std::string_view sKey,
                          std::string_view sDefault)
{
    cInifile &ini = LanguageIni();
    if (ini.Path().empty()) {
        const std::optional<std::string> &requested = RequestedPath();
        if (requested && !requested->empty()) {
            ini.SetPath(*requested);
        } else {
            // Without a known program folder there is no language file: a bare
            // name would land in whatever the current folder is.
            const std::string folder = mdlTools::GetAppFolder();
            if (!folder.empty())
                ini.SetPath(folder + "vannerby.lng");
        }
    }
    ini.SetSection(std::string(sSection));
    ini.SetKey(std::string(sKey));
    std::string result = ini.Value();
    if (IsBlankText(result)) {
        // Missing or blank: the built-in text fills the entry in.
        ini.SetValue(EscapeLineBreaks(sDefault));
        result = sDefault;
    }
    return ExpandLineBreaks(std::move(result));
}

} // namespace mdlI18n
