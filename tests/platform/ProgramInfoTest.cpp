#include "ProgramInfo.h"
#include "VannerbyVersion.h"

#include <gtest/gtest.h>

// The test program carries the viewer's own resources on Windows, so that what
// the about box reads there is the executable's version information and icon.
TEST(ProgramInfo, VersionIsTheProgramsOwn)
{
    const ProgramInfo::Version version = ProgramInfo::ProgramVersion();
    EXPECT_EQ(version.ProductName, QString::fromUtf8(VannerbyVersion::ProductName));
    EXPECT_EQ(version.Major, VannerbyVersion::Major);
    EXPECT_EQ(version.Minor, VannerbyVersion::Minor);
    EXPECT_EQ(version.Revision, VannerbyVersion::Revision);
    // Umlaut and copyright sign survive the resource's UTF-16.
    EXPECT_EQ(version.Description, QString::fromUtf8(VannerbyVersion::Description));
    EXPECT_EQ(version.Copyright, QString::fromUtf8(VannerbyVersion::Copyright));
}
