// Loads arbitrary bytes as an archive and extracts every entry into a fresh
// folder, checking that nothing is ever written outside it.
#include "mdlPakFile.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

std::string workFolder()
{
    static const std::string folder = [] {
        std::string pattern = mdlTools::GetTempFolder() + "fuzz-pak.XXXXXX";
        if (!::mkdtemp(pattern.data()))
            std::abort();
        return pattern;
    }();
    return folder;
}

class AlternatingOwner final : public ExtractOwner
{
  public:
    int32_t OverWriteDialog(const ExtractTarget &) override
    {
        static const int32_t answers[] = {6, 7, 6, 2};
        return answers[m_next++ % 4];
    }

  private:
    unsigned m_next = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string base = workFolder();
    const std::string pak = base + "/input.pak";
    const std::string out = base + "/out";
    {
        const int fd = ::open(pak.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size))
            std::abort();
        ::close(fd);
    }
    PakArchive archive;
    if (ReadPakFile(pak, archive)) {
        AlternatingOwner owner;
        const bool usePathNames = size % 2 == 0;
        // Twice, so that the second pass meets existing files; the first pass keeps
        // its handles in a session, the second opens them per entry.
        ExtractSession session;
        for (int pass = 0; pass < 2; ++pass) {
            for (size_t i = 0; i < archive.Entries.size() && i < 64; ++i) {
                const auto result =
                    ExtractPakEntry(archive, PakRowKey(static_cast<int32_t>(i)), out, usePathNames,
                                    {pass, 0}, &owner, pass == 0 ? &session : nullptr);
                const std::string path = result.Result();
                if (!path.empty() && path.compare(0, out.size() + 1, out + "/") != 0)
                    std::abort(); // written outside the target folder
            }
        }
    }
    mdlTools::DeletePath(out);
    return 0;
}
