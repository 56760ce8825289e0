// extract --convert png, in the build without Qt: refused, nothing written.
#include "PakWriter.h"
#include "TestSupport.h"
#include "mdlTools.h"

#include <gtest/gtest.h>

TEST(CliConvert, NeedsTheBuildWithQt)
{
    TempDir dir;
    ASSERT_TRUE(WritePak(dir / "a.pak", {{"a.dds", "DDS "}, {"b.txt", "b"}}));
    const RunResult r = ::Run(BinPath("vannerby-cli"),
                              {"extract", "--convert", "png", "-C", dir / "out", dir / "a.pak"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(
        r.err,
        "vannerby-cli: --convert png is not available: this build of vannerby-cli has no Qt\n");
    EXPECT_FALSE(mdlTools::FileExists(dir / "out/b.txt"));
}
