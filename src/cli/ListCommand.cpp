// vannerby-cli list: the archive's directory as names, a table or JSON.
#include "CliCommon.h"

#include "mdlPakFile.h"

#include <cstdio>
#include <ctime>

namespace cli {
namespace {

// Collects the output in one buffer and writes it in large pieces.
class Output final
{
  public:
    ~Output() { flush(); }
    Output &operator<<(std::string_view text)
    {
        m_buffer += text;
        if (m_buffer.size() > (1 << 16))
            flush();
        return *this;
    }
    void flush()
    {
        std::fwrite(m_buffer.data(), 1, m_buffer.size(), stdout);
        m_buffer.clear();
    }

  private:
    std::string m_buffer;
};

std::string jsonString(std::string_view text)
{
    std::string out = "\"";
    for (const char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        switch (ch) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (b < 0x20 || b == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", b);
                out += escaped;
            } else
                out += ch;
        }
    }
    return out + '"';
}

class ListSink final : public PakRowSink
{
  public:
    enum class Format
    {
        Names,
        Long,
        Json
    };
    ListSink(Output &out, Format format) : m_out(out), m_format(format) {}

    void AddRow(const PakRow &row) override
    {
        switch (m_format) {
        case Format::Names:
            m_out << EscapeControl(row.Name) << "\n";
            break;
        case Format::Long:
            m_out << row.Key << "\t" << EscapeControl(row.Name) << "\t"
                  << EscapeControl(row.Extension) << "\t" << std::to_string(row.Start) << "\t"
                  << std::to_string(row.Size);
            for (const FileTime t : {row.CreationTime, row.LastAccessTime, row.LastWriteTime})
                m_out << "\t" << (row.HasTimes ? IsoTime(t) : "-");
            m_out << "\n";
            break;
        case Format::Json:
            m_out << (m_first ? "\n    " : ",\n    ") << "{\"key\": " << jsonString(row.Key)
                  << ", \"index\": " << std::to_string(row.Index)
                  << ", \"name\": " << jsonString(row.Name)
                  << ", \"type\": " << jsonString(row.Extension)
                  << ", \"start\": " << std::to_string(row.Start)
                  << ", \"size\": " << std::to_string(row.Size);
            for (const auto &[field, t] :
                 {std::pair{"created", row.CreationTime}, std::pair{"accessed", row.LastAccessTime},
                  std::pair{"modified", row.LastWriteTime}})
                m_out << ", \"" << field
                      << "\": " << (row.HasTimes ? "\"" + IsoTime(t) + "\"" : std::string("null"));
            m_out << "}";
            break;
        }
        m_first = false;
    }

    bool empty() const { return m_first; }

  private:
    Output &m_out;
    Format m_format;
    bool m_first = true;
};

} // namespace

std::string IsoTime(FileTime time)
{
    const time_t seconds = static_cast<time_t>(mdlTools::FileTimeToUnixSeconds(time));
    std::tm utc{};
    if (!::gmtime_r(&seconds, &utc))
        return "-";
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
    return text;
}

bool LoadArchive(const std::string &path, PakArchive &archive, PakRowSink *sink)
{
    const auto loaded = ReadPakFile(path, archive, sink);
    if (!loaded)
        PrintError(loaded.error().Description, loaded.error().Code);
    return static_cast<bool>(loaded);
}

void AddListCommand(CLI::App &app, int &exitCode)
{
    auto *cmd = app.add_subcommand("list", "List the entries of an archive.");
    struct Options
    {
        std::string archivePath;
        bool longFormat = false;
        bool json = false;
    };
    // The callback keeps the options alive for as long as the parser needs them.
    const auto options = std::make_shared<Options>();
    auto *longFlag = cmd->add_flag("-l", options->longFormat,
                                   "One tab-separated line per entry with start, size and times");
    cmd->add_flag("--json", options->json, "The directory as a JSON object")->excludes(longFlag);
    cmd->add_option("ARCHIVE", options->archivePath, "The archive")->required();

    cmd->callback([options, &exitCode] {
        const auto &[archivePath, longFormat, json] = *options;
        Output out;
        const auto format = json         ? ListSink::Format::Json
                            : longFormat ? ListSink::Format::Long
                                         : ListSink::Format::Names;
        if (format == ListSink::Format::Long)
            out << "key\tname\ttype\tstart\tsize\tcreated\taccessed\tmodified\n";
        ListSink sink(out, format);
        PakArchive archive;
        if (format != ListSink::Format::Json) {
            exitCode = LoadArchive(archivePath, archive, &sink) ? ExitOk : ExitUsage;
            return;
        }
        // has_times precedes the entries, so the rows are made after the load.
        if (!LoadArchive(archivePath, archive, nullptr)) {
            exitCode = ExitUsage;
            return;
        }
        out << "{\n  \"archive\": " << jsonString(mdlTools::GetFullPath(archivePath))
            << ",\n  \"has_times\": " << (archive.HasTimes ? "true" : "false")
            << ",\n  \"entries\": [";
        for (int32_t i = archive.HasTimes ? 1 : 0; i < archive.Header.EntryCount; ++i)
            sink.AddRow(MakePakRow(archive, i));
        out << (sink.empty() ? "]\n}\n" : "\n  ]\n}\n");
        exitCode = ExitOk;
    });
}

} // namespace cli
