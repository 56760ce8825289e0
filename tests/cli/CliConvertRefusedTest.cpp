// extract --convert png without the picture library beside the tool (a build
// without Qt, or a copy of the tool on its own): refused, nothing written.
#include "PakWriter.h"
#include "SharedLibrary.h"
#include "TestSupport.h"
#include "mdlTools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

TEST(CliConvertRefused, WithoutThePictureLibraryBesideTheTool)
{
    TempDir dir;
    ASSERT_TRUE(WritePak(dir / "a.pak", {{"a.dds", "DDS "}, {"b.txt", "b"}}));
    const std::string tool = dir / (std::string("alone/vannerby-cli") + ExecutableSuffix);
    std::filesystem::create_directory(dir / "alone");
    std::filesystem::copy_file(BinPath("vannerby-cli"), tool);
    const RunResult r =
        ::Run(tool, {"extract", "--convert", "png", "-C", dir / "out", dir / "a.pak"});
    EXPECT_EQ(r.exitCode, 2);
    std::string err = r.err; // CR LF on Windows' console
    err.erase(std::remove(err.begin(), err.end(), '\r'), err.end());
    EXPECT_EQ(err, "vannerby-cli: --convert png needs " +
                       SharedLibrary::FileName("vannerby-pictures") +
                       ", which is not installed beside vannerby-cli\n");
    EXPECT_FALSE(mdlTools::DirExists(dir / "out"));
}
