// The man pages against the programs: every command, option and reg switch the
// programs know is in the page, and the page shows the programs' version.
#include "TestSupport.h"
#include "mdlPakCheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

namespace {

// Line ends as LF: on Windows the tool writes text as the console expects, CR LF.
RunResult cli(const std::vector<std::string> &args)
{
    RunResult r = Run(BinPath("vannerby-cli"), args);
    std::string out;
    for (const char ch : r.out)
        if (ch != '\r')
            out += ch;
    r.out = out;
    return r;
}

std::vector<std::string> Lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The arguments of a macro line, in quotes or separated by blanks.
std::vector<std::string> MacroArguments(std::string_view text)
{
    std::vector<std::string> out;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ')
            ++i;
        if (i == text.size())
            break;
        std::string argument;
        if (text[i] == '"') {
            const size_t end = text.find('"', i + 1);
            argument = std::string(text.substr(i + 1, end - i - 1));
            i = end == std::string_view::npos ? text.size() : end + 1;
        } else {
            const size_t end = std::min(text.find(' ', i), text.size());
            argument = std::string(text.substr(i, end - i));
            i = end;
        }
        out.push_back(argument);
    }
    return out;
}

// A line of the page as it reads: macros applied, font changes dropped.
std::string Plain(const std::string &line)
{
    std::string text = line;
    if (line.size() > 1 && line[0] == '.') {
        const size_t blank = std::min(line.find(' '), line.size());
        const std::string macro = line.substr(1, blank - 1);
        const auto arguments = MacroArguments(std::string_view(line).substr(blank));
        text.clear();
        // .BI, .RB and the like alternate fonts and join their arguments.
        const bool alternating = macro.size() == 2;
        for (const auto &argument : arguments)
            text += (alternating || text.empty() ? "" : " ") + argument;
    }
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        if (next == 'f')
            ++i; // \fB, \fI, \fR
        else if (next == '-')
            out += '-';
        else if (next == 'e')
            out += '\\';
    }
    return out;
}

// The words of a text, split at blanks and at the marks of a synopsis.
std::set<std::string> Words(const std::string &text)
{
    std::set<std::string> words;
    std::string word;
    for (const char ch : text + " ") {
        if (std::string_view(" \t\n[]|,()").find(ch) == std::string_view::npos) {
            word += ch;
        } else if (!word.empty()) {
            words.insert(word);
            word.clear();
        }
    }
    return words;
}

struct ManPage
{
    std::vector<std::string> Synopsis;          // one text per synopsis line
    std::map<std::string, std::string> Entries; // COMMANDS: first word -> its whole text
    std::vector<std::string> Nested;            // the tags within the entries
    std::string Version;                        // .TH's fourth field
    std::string Text;                           // everything, plain
};

ManPage ReadManPage(const std::string &path)
{
    ManPage page;
    std::string section, entry;
    int depth = 0;
    bool tag = false;
    for (const auto &line : Lines(ReadFile(path))) {
        if (line.rfind(".TH ", 0) == 0) {
            const auto fields = MacroArguments(line.substr(4));
            page.Version = fields.size() > 3 ? fields[3] : std::string();
            continue;
        }
        if (line.rfind(".SH ", 0) == 0) {
            section = line.substr(4);
            entry.clear();
            continue;
        }
        if (line == ".br" && section == "SYNOPSIS") {
            page.Synopsis.emplace_back();
            continue;
        }
        depth += line == ".RS" ? 1 : line == ".RE" ? -1 : 0;
        if (line == ".TP") {
            tag = true;
            continue;
        }
        const std::string plain = Plain(line);
        page.Text += plain + "\n";
        if (section == "SYNOPSIS") {
            if (page.Synopsis.empty())
                page.Synopsis.emplace_back();
            page.Synopsis.back() += (page.Synopsis.back().empty() ? "" : " ") + plain;
        } else if (section == "COMMANDS" && !plain.empty()) {
            if (tag && depth == 0)
                entry = plain.substr(0, plain.find(' '));
            else if (tag)
                page.Nested.push_back(plain);
            if (!entry.empty())
                page.Entries[entry] += plain + "\n";
        }
        tag = false;
    }
    return page;
}

// The names in a CLI11 help text's section, such as "Subcommands:" or "Options:".
std::vector<std::string> HelpSection(const std::string &help, const std::string &heading)
{
    std::vector<std::string> names;
    bool inside = false;
    for (const auto &line : Lines(help)) {
        if (line.empty() || line[0] != ' ') {
            inside = line == heading;
            continue;
        }
        // Deeper lines continue the description of the one before.
        const size_t begin = line.find_first_not_of(' ');
        if (!inside || begin != 2)
            continue;
        const std::string first = line.substr(begin, line.find(' ', begin) - begin);
        std::stringstream names_of(first);
        for (std::string name; std::getline(names_of, name, ',');)
            names.push_back(name);
    }
    return names;
}

} // namespace

TEST(ManPage, NamesEveryCommandOptionAndRegSwitch)
{
    const ManPage page = ReadManPage(CLI_MAN_PAGE);
    const RunResult help = cli({"--help"});
    ASSERT_EQ(help.exitCode, 0);
    const auto commands = HelpSection(help.out, "Subcommands:");
    ASSERT_GE(commands.size(), 4u) << help.out;

    // The synopsis has a line for each command and none for a command that is gone.
    std::set<std::string> synopsisCommands;
    for (const auto &line : page.Synopsis) {
        const std::string second = line.substr(std::min(line.find(' ') + 1, line.size()));
        const std::string command = second.substr(0, second.find(' '));
        if (!command.empty() && command[0] != '-' && command[0] != '[')
            synopsisCommands.insert(command);
    }
    EXPECT_EQ(synopsisCommands, std::set<std::string>(commands.begin(), commands.end()));

    for (const auto &command : commands) {
        ASSERT_TRUE(page.Entries.count(command)) << command << " is not under COMMANDS";
        // Each option of the command is in its synopsis line or its description.
        std::string described = page.Entries.at(command);
        for (const auto &line : page.Synopsis) {
            if (line.rfind("vannerby-cli " + command + " ", 0) == 0)
                described += "\n" + line;
        }
        const auto words = Words(described);
        if (command == "reg")
            continue; // reg's switches are its own, below
        const RunResult commandHelp = cli({command, "--help"});
        EXPECT_EQ(commandHelp.exitCode, 0) << command;
        for (const auto &option : HelpSection(commandHelp.out, "Options:")) {
            if (option != "-h" && option != "--help") {
                EXPECT_TRUE(words.count(option)) << command << " " << option;
            }
        }
    }
    for (const auto &option : HelpSection(help.out, "Options:"))
        EXPECT_TRUE(Words(page.Text).count(option)) << option;

    // Each reg operation of the usage, with each of its switches.
    const RunResult regHelp = cli({"reg", "--help"});
    ASSERT_EQ(regHelp.exitCode, 0);
    int operations = 0;
    for (const auto &line : Lines(regHelp.out)) {
        const std::string prefix = "  vannerby-cli reg ";
        if (line.rfind(prefix, 0) != 0)
            continue;
        ++operations;
        const std::string usage = line.substr(prefix.size());
        const std::string operation = usage.substr(0, usage.find(' '));
        const auto tag = std::find_if(page.Nested.begin(), page.Nested.end(), [&](const auto &t) {
            return t.rfind("reg " + operation + " ", 0) == 0;
        });
        ASSERT_NE(tag, page.Nested.end()) << "reg " << operation;
        const auto manWords = Words(*tag);
        for (const auto &word : Words(usage)) {
            if (word[0] == '/') {
                EXPECT_TRUE(manWords.count(word)) << "reg " << operation << " " << word;
            }
        }
    }
    EXPECT_EQ(operations, 4);
}

TEST(ManPage, ListsEveryFindingCode)
{
    const ManPage page = ReadManPage(CLI_MAN_PAGE);
    const auto words = Words(page.Text);
    for (int kind = 0; kind < PakFindingKindCount; ++kind) {
        const char *code = PakFindingCode(static_cast<PakFindingKind>(kind));
        EXPECT_TRUE(words.count(code)) << code;
    }
}

TEST(ManPage, ShowsTheVersionOfThePrograms)
{
    const std::string generated = GENERATED_MAN_PAGES;
    if (generated.empty())
        GTEST_SKIP() << "the man pages are made with the package files, in builds with Qt";
    const RunResult version = cli({"--version"});
    ASSERT_EQ(version.exitCode, 0);
    EXPECT_EQ("Vannerby " + version.out.substr(version.out.find(' ') + 1),
              ReadManPage(generated + "/vannerby-cli.1").Version + "\n");
    const RunResult viewer = ::Run(BinPath("vannerby"), {"--version"});
    ASSERT_EQ(viewer.exitCode, 0);
    EXPECT_EQ(viewer.out, "vannerby " VANNERBY_VERSION "\n");
    EXPECT_EQ(ReadManPage(generated + "/vannerby.1").Version, "Vannerby " VANNERBY_VERSION);

    // The viewer's options are in its page too.
    const RunResult help = ::Run(BinPath("vannerby"), {"--help"});
    const auto words = Words(ReadManPage(generated + "/vannerby.1").Text);
    int options = 0;
    for (const auto &line : Lines(help.out)) {
        if (line.rfind("  -", 0) != 0)
            continue;
        for (const auto &option : Words(line.substr(0, line.find("  ", 2)))) {
            EXPECT_TRUE(words.count(option)) << option;
            ++options;
        }
    }
    EXPECT_EQ(options, 3) << help.out;
}
