// vannerby-cli: lists and extracts PAK archives from a terminal.
#include "CliCommon.h"

#include <clocale>

int main(int argc, char **argv)
{
    std::setlocale(LC_ALL, "");
    CLI::App app{"Lists and extracts Modellwelt PAK archives.", "vannerby-cli"};
    app.require_subcommand(1);
    int exitCode = cli::ExitOk;
    cli::AddListCommand(app, exitCode);
    cli::AddExtractCommand(app, exitCode);
    cli::AddRegCommand(app, exitCode);
    cli::AddCheckCommand(app, exitCode);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &e) {
        const int rc = app.exit(e);
        return rc == 0 ? 0 : cli::ExitUsage;
    }
    return exitCode;
}
