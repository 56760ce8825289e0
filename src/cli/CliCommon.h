#pragma once

#include "mdlPakFile.h"

#include <CLI/CLI.hpp>

#include <string>

// Shared pieces of vannerby-cli's subcommands.
namespace cli {

// Exit codes.
inline constexpr int ExitOk = 0;
inline constexpr int ExitEntryFailed = 1;
inline constexpr int ExitUsage = 2;

// The English description of an error code of the archive core, as tar and 7z
// speak ("file not found" for 53); the core's own texts are the viewer's German.
std::string ErrorText(int32_t code);
// The error in English: "DESCRIPTION: SUBJECT (error CODE)".
std::string ErrorMessage(const PakError &error);
// Prints "vannerby-cli: " and the error in English on stderr.
void PrintError(const PakError &error);

// A name for a text listing: control characters as \xHH.
std::string EscapeControl(std::string_view name);
// The same, appended to out.
void AppendEscaped(std::string &out, std::string_view name);

// text as a JSON string, in quotes, control characters escaped.
std::string JsonString(std::string_view text);

// A file time in UTC as YYYY-MM-DDThh:mm:ssZ, whole seconds rounded down.
std::string IsoTime(FileTime time);
// The same, appended to out.
void AppendIsoTime(std::string &out, FileTime time);

// Loads the archive; on failure prints the error and returns false.
bool LoadArchive(const std::string &path, PakArchive &archive, PakRowSink *sink = nullptr);

// Each subcommand registers itself and sets *exitCode when it runs.
void AddListCommand(CLI::App &app, int &exitCode);
void AddExtractCommand(CLI::App &app, int &exitCode);
void AddRegCommand(CLI::App &app, int &exitCode);
void AddCheckCommand(CLI::App &app, int &exitCode);

} // namespace cli
