// extract --convert png: refused until the tool has a conversion of its own; nothing written.
#include "PakWriter.h"
#include "TestSupport.h"
#include "mdlTools.h"

#include <gtest/gtest.h>

TEST(CliConvert, IsRefusedAndPointsToTheViewer)
{
    TempDir dir;
    ASSERT_TRUE(WritePak(dir / "a.pak", {{"a.dds", "DDS "}, {"b.txt", "b"}}));
    const RunResult r = ::Run(BinPath("vannerby-cli"),
                              {"extract", "--convert", "png", "-C", dir / "out", dir / "a.pak"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(
        r.err,
        "vannerby-cli: --convert png is not available in vannerby-cli yet; the viewer's extract "
        "dialog converts pictures (\"Bilder als PNG speichern\")\n");
    EXPECT_FALSE(mdlTools::FileExists(dir / "out/b.txt"));
}
