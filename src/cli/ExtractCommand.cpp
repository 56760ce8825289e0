// vannerby-cli extract: writes entries of an archive below a folder.
#include "CliCommon.h"
#include "Console.h"
#include "PictureModule.h"

#include "ExtractConverted.h"
#include "ExtractRun.h"
#include "PictureConverter.h"
#include "mdlPakFile.h"
#include "mdlPakMatch.h"

#include <cstdio>
#include <ctime>

namespace cli {
namespace {

// The progress bar on stderr, redrawn when the shown percentage changes.
class Progress final
{
  public:
    Progress(bool enabled, size_t total) : m_enabled(enabled), m_total(total) {}
    void show(size_t done)
    {
        if (!m_enabled || m_total == 0)
            return;
        const int percent = static_cast<int>(done * 100 / m_total);
        if (percent == m_shown)
            return;
        m_shown = percent;
        const int width = 30;
        const int filled = percent * width / 100;
        std::fprintf(stderr, "\r[%.*s%*s] %3d%% %zu/%zu", filled, "##############################",
                     width - filled, "", percent, done, m_total);
        std::fflush(stderr);
    }
    void clear()
    {
        if (m_enabled && m_shown >= 0)
            std::fprintf(stderr, "\r%*s\r", 60, "");
        m_shown = -1;
    }

  private:
    bool m_enabled;
    size_t m_total;
    int m_shown = -1;
};

// Asks on the terminal whether an existing file may be replaced.
class TerminalOwner final : public ExtractOwner
{
  public:
    explicit TerminalOwner(Progress &progress) : m_progress(progress) {}

    int32_t OverWriteDialog(const ExtractTarget &target) override
    {
        if (m_replaceAll)
            return OverWriteAnswer::Replace;
        m_progress.clear();
        for (;;) {
            std::fprintf(stderr, "%s exists. Replace? [y]es, [n]o, [a]ll, [q]uit: ",
                         EscapeControl(target.ExistingPath).c_str());
            std::fflush(stderr);
            char line[64];
            if (!std::fgets(line, sizeof line, stdin))
                return OverWriteAnswer::Stop;
            switch (line[0]) {
            case 'y':
            case 'Y':
                return OverWriteAnswer::Replace;
            case 'n':
            case 'N':
                return OverWriteAnswer::Keep;
            case 'a':
            case 'A':
                m_replaceAll = true;
                return OverWriteAnswer::Replace;
            case 'q':
            case 'Q':
                return OverWriteAnswer::Stop;
            default:
                break;
            }
        }
    }

  private:
    Progress &m_progress;
    bool m_replaceAll = false;
};

struct Options
{
    std::string folder = ".";
    std::string archivePath;
    std::vector<std::string> patterns;
    bool flat = false;
    bool overwrite = false;
    bool skipOlder = false;
    bool verbose = false;
    unsigned jobs = 0;
    std::string convert;       // "png", or empty
    bool keepOriginal = false; // with convert: the entry's own file stays too
};

int runExtract(const Options &options)
{
    PakArchive archive;
    if (!LoadArchive(options.archivePath, archive))
        return ExitUsage;

    std::vector<std::string> patterns;
    for (const auto &pattern : options.patterns) {
        // A character outside Windows-1252 comes back as "?", which must not
        // turn into a wildcard: such a pattern matches no stored name.
        std::string raw = mdlTools::Utf8ToCp1252(pattern);
        if (mdlTools::Cp1252ToUtf8(raw) == pattern)
            patterns.push_back(std::move(raw));
    }
    std::vector<int32_t> selected;
    for (int32_t i = archive.HasTimes ? 1 : 0; i < archive.Header.EntryCount; ++i) {
        const auto name = PakEntryRawName(archive.Entries[static_cast<size_t>(i)]);
        bool wanted = options.patterns.empty();
        for (size_t k = 0; !wanted && k < patterns.size(); ++k)
            wanted = PakGlobMatch(patterns[k], name);
        if (wanted)
            selected.push_back(i);
    }

    const std::string folder = mdlTools::GetFullPath(options.folder);
    const ExtractSettings settings{options.overwrite ? 1 : 0, options.skipOlder ? 1 : 0};
    Progress progress(Console::ErrorIsTerminal(), selected.size());
    TerminalOwner terminal(progress);
    const bool canAsk = Console::InputIsTerminal() && Console::ErrorIsTerminal();
    ExtractOwner *owner = canAsk ? &terminal : nullptr;

    std::unique_ptr<PictureModule> codec;
    std::unique_ptr<PictureConverter> conversion;
    unsigned jobs = options.jobs;
    if (!options.convert.empty()) {
        std::string error;
        codec = PictureModule::Load(error);
        if (!codec) {
            std::fprintf(stderr, "vannerby-cli: %s\n", error.c_str());
            return ExitUsage;
        }
        conversion = std::make_unique<PictureConverter>(archive, *codec, folder, !options.flat,
                                                        settings, owner, options.keepOriginal);
        // A PNG that meets another entry's file: list order decides, not timing.
        if (PictureConverter::NeedsListOrder(archive, *codec, selected, !options.flat))
            jobs = 1;
    }

    size_t written = 0, skipped = 0, kept = 0;
    int exitCode = ExitOk;
    bool goOn = true;
    // Counts and prints what became of one file, the entry's own or its PNG;
    // false when the run must stop. The name is made only for -v.
    const auto tell = [&](const ExtractResult &result, int32_t index, bool png) {
        const char *verb = nullptr;
        switch (result.Outcome) {
        case ExtractOutcome::Written:
            ++written;
            verb = "written";
            break;
        case ExtractOutcome::Skipped:
            ++skipped;
            verb = "skipped";
            break;
        case ExtractOutcome::Kept:
            ++kept;
            verb = "kept";
            break;
        case ExtractOutcome::Cancelled:
            progress.clear();
            std::fprintf(stderr, "vannerby-cli: stopped by the user\n");
            exitCode = ExitEntryFailed;
            return false;
        case ExtractOutcome::NotFound: {
            progress.clear();
            const PakError error = MakePakError(PakErrorCode::FileNotFound, archive.PakPath);
            PrintError(error);
            exitCode = ExitEntryFailed;
            return false;
        }
        case ExtractOutcome::Failed:
            progress.clear();
            PrintError(result.Error);
            exitCode = ExitEntryFailed;
            return false;
        }
        if (options.verbose) {
            progress.clear(); // redrawn below the line on the next entry
            std::string name = PakEntryName(archive.Entries[static_cast<size_t>(index)]);
            if (png) // the PNG's name as stored, so that it reads like the entry's
                name = ExtractConverted::ConvertedLeaf(name, ".png");
            std::printf("%s %s\n", verb, EscapeControl(name).c_str());
        }
        return true;
    };
    // Results arrive in archive order, so lines, counts and the bar read as one
    // entry after the other, whichever thread wrote the file.
    const auto report = [&](size_t done, const ExtractResult &result) {
        const int32_t index = selected[done];
        PictureConverter::Outcome png;
        if (conversion)
            png = conversion->Convert(index, result);
        // The entry's own file, unless the PNG took its place.
        if (!png.OriginalRemoved && !tell(result, index, false)) {
            goOn = false;
            return;
        }
        if (png.Converted) {
            goOn = tell(png.Png, index, true);
        } else if (png.Picture && !png.NotConverted.empty() && options.verbose) {
            const std::string name = PakEntryName(archive.Entries[static_cast<size_t>(index)]);
            std::printf("not converted %s: %s\n", EscapeControl(name).c_str(),
                        png.NotConverted.c_str());
        }
        if (done + 1 < selected.size())
            progress.show(done + 1);
    };
    progress.show(0);
    ExtractRun(archive, folder, !options.flat, settings, owner)
        .Extract(selected, report, jobs, [&goOn] { return goOn; });
    progress.clear();
    std::fflush(stdout);
    std::fprintf(stderr, "%zu written, %zu skipped, %zu kept\n", written, skipped, kept);
    return exitCode;
}

} // namespace

void AddExtractCommand(CLI::App &app, int &exitCode)
{
    auto *cmd = app.add_subcommand("extract", "Extract entries of an archive into a folder.");
    const auto options = std::make_shared<Options>();
    cmd->add_option("-C", options->folder, "Folder to extract into (created when missing)");
    cmd->add_flag("--flat", options->flat, "Drop the stored folder names");
    cmd->add_flag("--overwrite", options->overwrite, "Replace existing files without asking");
    cmd->add_flag("--skip-older", options->skipOlder,
                  "Skip entries that are not newer than the file on disk");
    cmd->add_flag("-v", options->verbose, "Print what happened to each entry");
    cmd->add_option("-j,--jobs", options->jobs,
                    "Threads that write files (default: one per core; 1: one entry at a time)")
        ->check(CLI::Range(1u, 64u));
    auto *convert =
        cmd->add_option("--convert", options->convert,
                        "Write each picture entry (DDS, TGA, JPEG, BMP, GIF, ...) as a PNG "
                        "named like the entry with .png, with the entry's times, instead of "
                        "the original; an entry that is no picture or cannot be decoded is "
                        "extracted as it is")
            ->check(CLI::IsMember({"png"}))
            ->option_text("png");
    cmd->add_flag("--keep-original", options->keepOriginal,
                  "With --convert: write the original beside the PNG")
        ->needs(convert);
    cmd->add_option("ARCHIVE", options->archivePath, "The archive")->required();
    cmd->add_option("PATTERN", options->patterns,
                    "Extract only entries whose whole name matches (* and ?, any case)");
    cmd->callback([options, &exitCode] { exitCode = runExtract(*options); });
}

} // namespace cli
