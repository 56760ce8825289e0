// extract --convert png: refused until the tool has a conversion of its own; nothing written.
#include "PakWriter.h"
#include "TestSupport.h"
#include "mdlTools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

TEST(CliConvert, IsRefusedAndPointsToTheViewer)
{
    TempDir dir;
    ASSERT_TRUE(WritePak(dir / "a.pak", {{"a.dds", "DDS "}, {"b.txt", "b"}}));
    const RunResult r = ::Run(BinPath("vannerby-cli"),
                              {"extract", "--convert", "png", "-C", dir / "out", dir / "a.pak"});
    EXPECT_EQ(r.exitCode, 2);
    std::string err = r.err; // CR LF on Windows' console
    err.erase(std::remove(err.begin(), err.end(), '\r'), err.end());
    EXPECT_EQ(
        err,
        "vannerby-cli: --convert png is not available in vannerby-cli yet; the viewer's extract "
        "dialog converts pictures (\"Bilder als PNG speichern\")\n");
    EXPECT_FALSE(mdlTools::FileExists(dir / "out/b.txt"));
}
