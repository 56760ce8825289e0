// vannerby-cli: lists, extracts and checks PAK archives from a terminal.
#include "CliCommon.h"
#include "Console.h"

#include <string>
#include <vector>

int main(int argc, char **argv)
{
    cli::Console::Setup();
    // UTF-8 on every system, whatever the console's or the system's code page.
    std::vector<std::string> arguments = cli::Console::Arguments(argc, argv);
    std::vector<char *> utf8Argv;
    for (std::string &argument : arguments)
        utf8Argv.push_back(argument.data());
    utf8Argv.push_back(nullptr);
    CLI::App app{"Lists, extracts and checks Modellwelt PAK archives, and edits Vannerby's "
                 "settings.",
                 "vannerby-cli"};
    app.set_version_flag("--version", "vannerby-cli " VANNERBY_VERSION,
                         "Print the version and exit");
    app.require_subcommand(1);
    int exitCode = cli::ExitOk;
    cli::AddListCommand(app, exitCode);
    cli::AddExtractCommand(app, exitCode);
    cli::AddRegCommand(app, exitCode);
    cli::AddCheckCommand(app, exitCode);
    try {
        app.parse(static_cast<int>(arguments.size()), utf8Argv.data());
    } catch (const CLI::ParseError &e) {
        const int rc = app.exit(e);
        return rc == 0 ? 0 : cli::ExitUsage;
    }
    return exitCode;
}
