// The MIME type Vannerby registers, as Qt (and so KDE's file managers) sees it.
#include "DesktopAssociation.h"
#include "ProcessRunner.h"
#include "TestSupport.h"

#include <QMimeDatabase>
#include <QString>

#include <gtest/gtest.h>

#include <cstdlib>

TEST(DesktopMimeTest, SignatureDecidesBetweenTheTwoPakTypes)
{
    if (!ProcessRunner::Run({"update-mime-database", "-v"}, 5000))
        GTEST_SKIP() << "update-mime-database is not installed";
    // Before Qt's first look: it reads the user's database once.
    TempDir data;
    ::setenv("XDG_DATA_HOME", data.path().c_str(), 1);
    DesktopAssociation::Register("/opt/vannerby/vannerby");

    TempDir files;
    WriteFile(files / "ours.pak", std::string("PAK\0\0\0\0\0\0\0\0\0\0\0\0\0", 16));
    WriteFile(files / "OURS.PAK", std::string("PAK\0\0\0\0\0\0\0\0\0\0\0\0\0", 16));
    WriteFile(files / "quake.pak", std::string("PACK\0\0\0\0\0\0\0\0", 12));
    WriteFile(files / "ours.pa-", "anything");
    const QMimeDatabase db;
    const auto type = [&](const char *name) {
        return db.mimeTypeForFile(QString::fromStdString(files / name)).name().toStdString();
    };
    EXPECT_EQ(type("ours.pak"), DesktopAssociation::MimeType);
    EXPECT_EQ(type("OURS.PAK"), DesktopAssociation::MimeType);
    EXPECT_EQ(type("ours.pa-"), DesktopAssociation::MimeType);
    EXPECT_EQ(type("quake.pak"), "application/x-pak");
    EXPECT_EQ(db.mimeTypeForName(QString::fromLatin1(DesktopAssociation::MimeType))
                  .comment()
                  .toStdString(),
              "Modellwelt resource archive");
}
