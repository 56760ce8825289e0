#include "ProgramInfo.h"

#include <QGuiApplication>
#include <QPixmap>

#include <gtest/gtest.h>

// The icon of the title bar and the about box comes from the executable's own
// icon resource, which this test program carries as the viewer does.
TEST(ProgramInfoWin32, IconIsTheExecutablesOwn)
{
    int argc = 1;
    char name[] = "ProgramInfoWin32Test";
    char *argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    QPixmap red(16, 16);
    red.fill(Qt::red);
    const QIcon fallback(red);
    const QIcon icon = ProgramInfo::ProgramIcon(fallback);
    ASSERT_FALSE(icon.isNull());
    EXPECT_NE(icon.cacheKey(), fallback.cacheKey()) << "the icon resource was not read";
    // Every size the icon file holds, none scaled from another.
    for (const int size : {16, 32, 48, 256})
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
}
