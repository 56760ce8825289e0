#pragma once

// What the tests of ExtractPakEntry share on every system.
#include "CoreTestFiles.h"
#include "PakWriter.h"
#include "TestSupport.h"
#include "mdlPakFile.h"

#include <gtest/gtest.h>
#include <set>

namespace {

constexpr FileTime kOld = 133418448001234567ULL; // 2023-10-15 12:00:00.1234567 UTC
constexpr FileTime kNew = 133563222007654321ULL; // 2024-03-31 01:30:00.7654321 UTC

class ScriptedOwner final : public ExtractOwner
{
  public:
    explicit ScriptedOwner(int32_t answer) : m_answer(answer) {}
    int32_t OverWriteDialog(const ExtractTarget &target) override
    {
        ++calls;
        seen = target;
        return m_answer;
    }
    int calls = 0;
    ExtractTarget seen;

  private:
    int32_t m_answer;
};

// An archive with a time table and the given entries, all stamped kNew.
struct Fixture
{
    TempDir dir;
    PakArchive archive;
    std::string out = dir / "out";

    explicit Fixture(std::vector<PakWriterEntry> entries, bool withTimes = true)
    {
        for (auto &e : entries) {
            e.CreationTime = kOld;
            e.LastAccessTime = kOld;
            e.LastWriteTime = kNew;
        }
        PakWriterOptions options;
        options.WithTimeTable = withTimes;
        EXPECT_TRUE(WritePak(dir / "a.pak", entries, options));
        EXPECT_TRUE(ReadPakFile(dir / "a.pak", archive));
    }
    ExtractResult extract(int32_t index, bool usePathNames = true, ExtractSettings settings = {},
                          ExtractOwner *owner = nullptr)
    {
        return ExtractPakEntry(archive, PakRowKey(index), out, usePathNames, settings, owner);
    }
};

} // namespace
