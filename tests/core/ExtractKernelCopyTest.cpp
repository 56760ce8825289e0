#include "ExtractKernelCopy.h"
#include "Fd.h"
#include "TestSupport.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

// Bytes that differ from their neighbours at every offset, so that a range
// copied from the wrong place, twice or with a gap cannot pass for right.
std::string pattern(size_t size)
{
    std::string bytes(size, '\0');
    uint32_t x = 2463534242u;
    for (char &c : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    return bytes;
}

class ExtractKernelCopyTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        source = pattern(3 * ExtractKernelCopy::PipeSize + 5000);
        WriteFile(dir / "archive", source);
        in.reset(::open((dir / "archive").c_str(), O_RDONLY | O_CLOEXEC));
        ASSERT_TRUE(in.valid());
    }
    CopyStatus copyTo(const std::string &name, int64_t offset, int64_t size, int flags = 0)
    {
        Fd out(::open((dir / name).c_str(), O_WRONLY | O_CREAT | O_EXCL | flags, 0644));
        EXPECT_TRUE(out.valid());
        return copier.Copy(in.get(), offset, size, out.get(), nullptr, target);
    }

    TempDir dir;
    std::string source;
    Fd in;
    ExtractKernelCopy copier;
    ExtractTarget target;
};

TEST_F(ExtractKernelCopyTest, CopiesRangesAtAnyOffsetExactly)
{
    // Misaligned starts need one page more than a pipe's worth of bytes; the
    // ranges end inside, at and past pipe boundaries.
    const struct
    {
        int64_t offset, size;
    } ranges[] = {{0, 1},
                  {856, 1 << 20},
                  {4095, 2 * (1 << 20) + 1},
                  {4096 + 13, 3 << 20},
                  {1, static_cast<int64_t>(3 * ExtractKernelCopy::PipeSize + 4999)}};
    int n = 0;
    for (const auto &r : ranges) {
        const std::string name = "out" + std::to_string(++n);
        ASSERT_EQ(copyTo(name, r.offset, r.size), CopyStatus::Done) << name;
        EXPECT_EQ(ReadFile(dir / name),
                  source.substr(static_cast<size_t>(r.offset), static_cast<size_t>(r.size)))
            << name;
    }

    // Past the archive's end: a failure that says the archive ended early.
    EXPECT_EQ(copyTo("short", static_cast<int64_t>(source.size()) - 10, 100), CopyStatus::Failed);
    EXPECT_EQ(errno, 0);
}

TEST_F(ExtractKernelCopyTest, AFailedWriteLeavesNothingForTheNextFile)
{
    // A file size limit fails the write half-way through a pipe's worth of bytes.
    struct rlimit old
    {
    };
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit low = old;
    low.rlim_cur = (1 << 20) + 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &low), 0);
    const CopyStatus status = copyTo("limited", 856, 3 << 20);
    const int err = errno;
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(status, CopyStatus::Failed);
    EXPECT_EQ(err, EFBIG);

    // Bytes left over from the failed copy would show at the start of this one.
    ASSERT_EQ(copyTo("after", 7, 2 << 20), CopyStatus::Done);
    EXPECT_EQ(ReadFile(dir / "after"), source.substr(7, 2 << 20));
}

TEST_F(ExtractKernelCopyTest, FallsBackWhereTheKernelCannotCopy)
{
    // An appending file takes neither a splice nor the kernel's copy call.
    WriteFile(dir / "appended", "head:");
    Fd out(::open((dir / "appended").c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
    ASSERT_TRUE(out.valid());
    ASSERT_EQ(copier.Copy(in.get(), 856, 3 << 20, out.get(), nullptr, target), CopyStatus::Done);
    EXPECT_EQ(ReadFile(dir / "appended"), "head:" + source.substr(856, 3 << 20));

    // The same copier still copies an ordinary file.
    ASSERT_EQ(copyTo("plain", 1000, 1 << 20), CopyStatus::Done);
    EXPECT_EQ(ReadFile(dir / "plain"), source.substr(1000, 1 << 20));
}

} // namespace
