// The German language file that the build writes, and the English translation
// that is shipped beside it: every German entry must have an English one.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <utility>
#include <vector>

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

std::string Trim(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") + 1 - first);
}

// Sections in file order, each with its entries in file order.
std::vector<std::pair<std::string, Entries>> Parse(const std::string &text)
{
    std::vector<std::pair<std::string, Entries>> sections;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        line = Trim(line);
        if (line.empty() || line[0] == ';')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            sections.emplace_back(line.substr(1, line.size() - 2), Entries{});
            continue;
        }
        const auto equals = line.find('=');
        if (equals != std::string::npos && !sections.empty())
            sections.back().second.emplace_back(Trim(line.substr(0, equals)),
                                                Trim(line.substr(equals + 1)));
    }
    return sections;
}

} // namespace

TEST(LanguageFileTest, TheProgramWroteEveryWindowsTexts)
{
    const auto german = Parse(ReadFile(GERMAN_LANGUAGE_FILE));
    ASSERT_FALSE(german.empty());
    EXPECT_EQ(german.front().first, "frmMain");
    std::map<std::string, std::string> main(german.front().second.begin(),
                                            german.front().second.end());
    EXPECT_EQ(main["mnuFile.Caption"], "&Datei");
    EXPECT_EQ(main["lvwPAK.Size.Text"], "Gr\xF6\xDF"
                                        "e"); // Windows-1252
    EXPECT_EQ(main["tbrOpen.ToolTipText"], "\xD6"
                                           "ffnen");
    for (const char *key :
         {"strFileNotFound", "strStatusFiles", "strStatusTotal", "strStatusSelected",
          "strOpenAllFiles", "strOpenPakFiles", "strProcessCanceled"})
        EXPECT_FALSE(main[key].empty()) << key;
}

TEST(LanguageFileTest, EnglishTranslationHasEveryKey)
{
    const auto german = Parse(ReadFile(GERMAN_LANGUAGE_FILE));
    const auto english = Parse(ReadFile(ENGLISH_LANGUAGE_FILE));
    std::map<std::string, std::map<std::string, std::string>> translated;
    for (const auto &[section, entries] : english)
        for (const auto &[key, value] : entries)
            EXPECT_TRUE(translated[section].emplace(key, value).second)
                << "[" << section << "] " << key << " twice";
    for (const auto &[section, entries] : german)
        for (const auto &[key, value] : entries) {
            const auto found = translated[section].find(key);
            if (found == translated[section].end()) {
                ADD_FAILURE() << "[" << section << "] " << key << " is not translated";
                continue;
            }
            // An empty entry shows the German text, which the program writes over it.
            if (!value.empty()) {
                EXPECT_FALSE(found->second.empty()) << "[" << section << "] " << key;
            }
        }
}
