// vannerby-cli list: the archive's directory as names, a table or JSON.
#include "CliCommon.h"

#include "mdlPakFile.h"

#include <charconv>
#include <cstdio>
#include <cstring>

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
        return *this;
    }
    // Rows append here directly; endRow writes out a full buffer.
    std::string &buffer() { return m_buffer; }
    void endRow()
    {
        if (m_buffer.size() > (1 << 16))
            flush();
    }
    void flush()
    {
        std::fwrite(m_buffer.data(), 1, m_buffer.size(), stdout);
        m_buffer.clear();
    }

  private:
    std::string m_buffer;
};

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
            AppendEscaped(m_out.buffer(), row.Name);
            m_out << "\n";
            break;
        case Format::Long: {
            // The line is put together in place and appended once; it cannot be
            // longer: a name of 128 bytes is at most 512 bytes escaped.
            char line[2048];
            char *p = put(line, row.Key);
            *p++ = '\t';
            p = putEscaped(p, row.Name);
            *p++ = '\t';
            p = putEscaped(p, row.Extension);
            for (const int32_t value : {row.Start, row.Size}) {
                *p++ = '\t';
                p = std::to_chars(p, p + 16, value).ptr;
            }
            for (const FileTime t : {row.CreationTime, row.LastAccessTime, row.LastWriteTime}) {
                *p++ = '\t';
                if (!row.HasTimes) {
                    *p++ = '-';
                    continue;
                }
                if (t != m_lastTime) {
                    m_lastText = IsoTime(t);
                    m_lastTime = t;
                }
                p = put(p, m_lastText);
            }
            *p++ = '\n';
            m_out.buffer().append(line, static_cast<size_t>(p - line));
            break;
        }
        case Format::Json:
            m_out << (m_first ? "\n    " : ",\n    ") << "{\"key\": " << JsonString(row.Key)
                  << ", \"index\": " << std::to_string(row.Index)
                  << ", \"name\": " << JsonString(row.Name)
                  << ", \"type\": " << JsonString(row.Extension)
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
        m_out.endRow();
    }

    bool empty() const { return m_first; }

  private:
    static char *put(char *p, std::string_view text)
    {
        std::memcpy(p, text.data(), text.size());
        return p + text.size();
    }
    // As AppendEscaped: control characters as \\xHH.
    static char *putEscaped(char *p, std::string_view text)
    {
        for (const char ch : text) {
            const auto b = static_cast<unsigned char>(ch);
            if (b >= 0x20 && b != 0x7F) {
                *p++ = ch;
                continue;
            }
            static constexpr char hex[] = "0123456789ABCDEF";
            *p++ = '\\';
            *p++ = 'x';
            *p++ = hex[b >> 4];
            *p++ = hex[b & 0xF];
        }
        return p;
    }

    Output &m_out;
    Format m_format;
    bool m_first = true;
    // Listings repeat the same few times thousands of times; the last one is kept.
    FileTime m_lastTime = 1;
    std::string m_lastText;
};

} // namespace

void AppendIsoTime(std::string &out, FileTime time)
{
    // Listings repeat the same few times thousands of times; remember the last one.
    thread_local FileTime lastTime = 1;
    thread_local std::string lastText;
    if (time != lastTime) {
        lastText = IsoTime(time);
        lastTime = time;
    }
    out += lastText;
}

std::string IsoTime(FileTime time)
{
    // Days to a civil date after Howard Hinnant's days_from_civil inverse.
    const int64_t seconds = mdlTools::FileTimeToUnixSeconds(time);
    const int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    const int64_t secondOfDay = seconds - days * 86400;
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yoe + era * 400 + (month <= 2);

    if (year > 9999) {
        char wide[128];
        std::snprintf(wide, sizeof wide, "%lld-%02lld-%02lldT%02lld:%02lld:%02lldZ",
                      static_cast<long long>(year), static_cast<long long>(month),
                      static_cast<long long>(day), static_cast<long long>(secondOfDay / 3600),
                      static_cast<long long>(secondOfDay / 60 % 60),
                      static_cast<long long>(secondOfDay % 60));
        return wide;
    }
    char text[] = "0000-00-00T00:00:00Z";
    const auto put = [&text](int at, int64_t value, int width) {
        for (int i = width - 1; i >= 0; --i, value /= 10)
            text[at + i] = static_cast<char>('0' + value % 10);
    };
    put(0, year, 4);
    put(5, month, 2);
    put(8, day, 2);
    put(11, secondOfDay / 3600, 2);
    put(14, secondOfDay / 60 % 60, 2);
    put(17, secondOfDay % 60, 2);
    return text;
}

bool LoadArchive(const std::string &path, PakArchive &archive, PakRowSink *sink)
{
    const auto loaded = ReadPakFile(path, archive, sink);
    if (!loaded)
        PrintError(loaded.error());
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
            // Rows are written as the directory is read, without keeping it.
            const auto listed = ListPakFile(archivePath, sink);
            if (!listed)
                PrintError(listed.error());
            exitCode = listed ? ExitOk : ExitUsage;
            return;
        }
        // has_times precedes the entries, so the rows are made after the load.
        if (!LoadArchive(archivePath, archive, nullptr)) {
            exitCode = ExitUsage;
            return;
        }
        out << "{\n  \"archive\": " << JsonString(mdlTools::GetFullPath(archivePath))
            << ",\n  \"has_times\": " << (archive.HasTimes ? "true" : "false")
            << ",\n  \"entries\": [";
        for (int32_t i = archive.HasTimes ? 1 : 0; i < archive.Header.EntryCount; ++i)
            sink.AddRow(MakePakRow(archive, i));
        out << (sink.empty() ? "]\n}\n" : "\n  ]\n}\n");
        exitCode = ExitOk;
    });
}

} // namespace cli
