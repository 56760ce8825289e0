#pragma once

#include <CLI/CLI.hpp>

#include <string>

// Shared pieces of vannerby-cli's subcommands.
namespace cli {

// Exit codes.
inline constexpr int ExitOk = 0;
inline constexpr int ExitEntryFailed = 1;
inline constexpr int ExitUsage = 2;

// Prints "vannerby-cli: DESCRIPTION (CODE)" on stderr.
void PrintError(const std::string &description, int code);

// A name for a text listing: control characters as \xHH.
std::string EscapeControl(const std::string &name);

// Each subcommand registers itself and sets *exitCode when it runs.
void AddListCommand(CLI::App &app, int &exitCode);
void AddExtractCommand(CLI::App &app, int &exitCode);
void AddRegCommand(CLI::App &app, int &exitCode);

} // namespace cli
