#include "ExtractRun.h"
#include "CoreTestFiles.h"
#include "PakWriter.h"
#include "TestSupport.h"
#include "mdlPakFile.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>

namespace {

constexpr FileTime kTime = 133563222007654321ULL;

// Every file and folder below root: its kind, bytes and write time.
std::map<std::string, std::string> snapshot(const std::string &root, const std::string &below = {})
{
    std::map<std::string, std::string> tree;
    for (const std::string &name : ListDir(root + below)) {
        const std::string rel = below + "/" + name;
        const std::string link = LinkTarget(root + rel);
        if (!link.empty()) {
            tree[rel] = "link to " + link;
        } else if (mdlTools::DirExists(root + rel)) {
            tree[rel] = "folder";
            tree.merge(snapshot(root, rel));
        } else {
            const std::string bytes = ReadFile(root + rel);
            tree[rel] = std::to_string(bytes.size()) + " bytes #" +
                        std::to_string(std::hash<std::string>{}(bytes)) + " @" +
                        std::to_string(TimesAt(root + rel).LastWrite);
        }
    }
    return tree;
}

// A path below the run's "/outN" folder, with "/" separators.
std::string below(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    const auto out = path.rfind("/out");
    return out == std::string::npos ? path : path.substr(path.find('/', out + 1));
}

void writeOld(const std::string &path, const std::string &bytes)
{
    WriteFile(path, bytes);
    SetLastWrite(path, mdlTools::FileTimeFromTimespec({1700000000, 0}));
}

// Answers from a script and remembers what it was asked, in order.
class ScriptedOwner final : public ExtractOwner
{
  public:
    explicit ScriptedOwner(std::vector<int32_t> answers) : m_answers(std::move(answers)) {}
    int32_t OverWriteDialog(const ExtractTarget &target) override
    {
        asked.push_back(below(target.ExistingPath));
        return asked.size() <= m_answers.size() ? m_answers[asked.size() - 1]
                                                : OverWriteAnswer::Replace;
    }
    bool CopyProgress(const ExtractTarget &target, int64_t written) override
    {
        progress.push_back(below(target.TargetPath) + " " + std::to_string(written));
        return true;
    }
    std::vector<std::string> asked;
    std::vector<std::string> progress;

  private:
    std::vector<int32_t> m_answers;
};

struct Outcome
{
    std::vector<std::string> results; // outcome and path (below "/outN") of each entry, in order
    std::map<std::string, std::string> tree;
    std::vector<std::string> asked, progress;
};

std::string describe(const ExtractResult &r)
{
    return std::to_string(static_cast<int>(r.Outcome)) + " " + below(r.Target.TargetPath) + " " +
           std::to_string(r.Error.Code);
}

// The same entries extracted one by one and by a run with helpers, each into a
// fresh copy of `prepare`'s folder; both must end alike in every respect.
class Compare
{
  public:
    explicit Compare(std::vector<PakWriterEntry> entries)
    {
        for (auto &e : entries)
            e.CreationTime = e.LastAccessTime = e.LastWriteTime = kTime;
        PakWriterOptions options;
        options.WithTimeTable = true;
        EXPECT_TRUE(WritePak(m_dir / "a.pak", entries, options));
        EXPECT_TRUE(ReadPakFile(m_dir / "a.pak", m_archive));
        for (int32_t i = 1; i < static_cast<int32_t>(m_archive.Entries.size()); ++i)
            m_indices.push_back(i);
    }

    Outcome run(bool helpers, const std::function<void(const std::string &)> &prepare,
                std::vector<int32_t> answers, ExtractSettings settings = {})
    {
        const std::string out = m_dir / ("out" + std::to_string(++m_runs));
        mdlTools::CreatePath(out);
        prepare(out);
        ScriptedOwner owner(std::move(answers));
        Outcome outcome;
        if (helpers) {
            ExtractRun(m_archive, out, true, settings, &owner)
                .Extract(
                    m_indices,
                    [&](size_t, const ExtractResult &r) { outcome.results.push_back(describe(r)); },
                    3);
        } else {
            ExtractSession session;
            for (const int32_t i : m_indices) {
                const auto r =
                    ExtractPakEntry(m_archive, PakRowKey(i), out, true, settings, &owner, &session);
                outcome.results.push_back(describe(r));
                if (r.Result().empty())
                    break;
            }
        }
        outcome.tree = snapshot(out);
        outcome.asked = owner.asked;
        outcome.progress = owner.progress;
        return outcome;
    }

    void expectAlike(const std::function<void(const std::string &)> &prepare,
                     std::vector<int32_t> answers, ExtractSettings settings = {})
    {
        const Outcome one = run(false, prepare, answers, settings);
        const Outcome many = run(true, prepare, answers, settings);
        EXPECT_EQ(one.results, many.results);
        for (const auto &[path, what] : one.tree)
            EXPECT_EQ(what, many.tree.count(path) ? many.tree.at(path) : "missing") << path;
        for (const auto &[path, what] : many.tree)
            EXPECT_TRUE(one.tree.count(path)) << "only with helpers: " << path;
        EXPECT_EQ(one.asked, many.asked);
        EXPECT_EQ(one.progress, many.progress);
    }

  private:
    TempDir m_dir;
    PakArchive m_archive;
    std::vector<int32_t> m_indices;
    int m_runs = 0;
};

// count entries, entry i in folder i mod 9 and subfolder i mod 4.
std::vector<PakWriterEntry> interleaved(int count)
{
    std::vector<PakWriterEntry> entries;
    for (int i = 0; i < count; ++i)
        entries.push_back({std::string("d") + std::to_string(i % 9) + "\\s" +
                               std::to_string(i % 4) + "\\f" + std::to_string(i) + ".bin",
                           std::string(static_cast<size_t>(i * 37 % 3000), 'a' + i % 26)});
    return entries;
}

const auto nothing = [](const std::string &) {};

} // namespace

TEST(ExtractRun, WritesWhatOneEntryAfterTheOtherWrites)
{
    auto entries = interleaved(300);
    entries[10] = {"dup\\Name.txt", "first"};
    entries[40] = {"DUP\\name.TXT", "the same name in another case"};
    entries[20] = {"d2\\s0\\twice.bin", "first"};
    entries[30] = {"d2\\s0\\twice.bin", "second"};
    entries[60] = {"clash", "a file"};
    entries[61] = {"clash\\below.txt", "needs clash as a folder"};
    entries[90] = {"big.bin", std::string(static_cast<size_t>(3) << 20, 'B')};
    entries[91] = {"empty.bin", ""};
    entries[120] = {"d3\\s0\\f120.bin", "x", {}, 1 << 30}; // beyond the archive: stops the run
    Compare compare(entries);
    // Existing files: one asked about (kept), one replaced, then a stop answer.
    const auto existing = [](const std::string &out) {
        mdlTools::CreatePath(out + "/d2/s3");
        writeOld(out + "/d2/s3/f11.bin", "old 11");
        writeOld(out + "/d2/s3/f47.bin", "old 47");
        writeOld(out + "/d2/s3/f83.bin", "old 83");
    };
    compare.expectAlike(existing, {OverWriteAnswer::Keep, OverWriteAnswer::Replace});
    compare.expectAlike(existing, {OverWriteAnswer::Keep, OverWriteAnswer::Stop});
    compare.expectAlike(existing, {}, {1, 0});
    compare.expectAlike(nothing, {});
}

TEST(ExtractRun, AStopTakesBackWhatLaterEntriesWroteAhead)
{
    auto entries = interleaved(400);
    entries[150] = {"..\\evil.txt", "refused"};
    entries[151] = {"only\\after\\the\\stop.txt", "never"};
    Compare compare(entries);
    compare.expectAlike(nothing, {});

    // An entry left to its turn that stops the run keeps the folder it made
    // itself, even when a later entry made it first.
    auto pastTheEnd = interleaved(300);
    pastTheEnd[200] = {"fresh\\past.bin", "x", 1 << 30};
    for (int i = 201; i < 206; ++i)
        pastTheEnd[static_cast<size_t>(i)] = {"fresh\\n" + std::to_string(i), "y"};
    pastTheEnd[206] = {"newer\\n206", "z"};
    Compare(pastTheEnd).expectAlike(nothing, {});
}

TEST(ExtractRun, LinksOnTheWay)
{
    if (!LinksFollowedInside)
        GTEST_SKIP() << "Windows never follows a reparse point below the target folder "
                        "(ExtractPakEntryWin32Test)";
    Compare compare(interleaved(400));
    // A folder on the way that is a link leading out refuses the entry and stops the run.
    compare.expectAlike(
        [](const std::string &out) {
            mdlTools::CreatePath(out + "/../elsewhere");
            ASSERT_TRUE(MakeSymlink("../elsewhere", out + "/d5"));
        },
        {});
    // d4 is a link to d1: the same files under two names, decided in order.
    compare.expectAlike(
        [](const std::string &out) {
            mdlTools::CreatePath(out + "/d1");
            ASSERT_TRUE(MakeSymlink("d1", out + "/d4"));
        },
        {OverWriteAnswer::Keep, OverWriteAnswer::Replace});
}

TEST(ExtractRun, FilesInTheWay)
{
    Compare compare(interleaved(300));
    // A file where a folder must go.
    compare.expectAlike(
        [](const std::string &out) {
            mdlTools::CreatePath(out + "/d7");
            writeOld(out + "/d7/s1", "in the way");
        },
        {});
}
