// The viewer on a terminal: help and version without a display, and a clear
// message instead of Qt's abort when there is no display to show the window on.
#include "TestSupport.h"

#include <QtGlobal>

#include <gtest/gtest.h>

namespace {

// The viewer as started where no display is known: the test's own offscreen
// platform and any display of the machine are taken away.
RunResult viewerWithoutDisplay(const std::vector<std::string> &args)
{
    qunsetenv("QT_QPA_PLATFORM");
    qunsetenv("DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    return Run(BinPath("vannerby"), args);
}

} // namespace

TEST(ViewerStart, HelpAndVersionNeedNoDisplay)
{
    RunResult r = viewerWithoutDisplay({"--version"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "vannerby " VANNERBY_VERSION "\n");
    EXPECT_TRUE(r.err.empty()) << r.err;
    for (const char *help : {"--help", "-h"}) {
        r = viewerWithoutDisplay({"some.pak", help});
        EXPECT_EQ(r.exitCode, 0) << help;
        EXPECT_EQ(r.out.rfind("Usage: vannerby [ARCHIVE...]\n", 0), 0u) << r.out;
        EXPECT_TRUE(r.err.empty()) << r.err;
    }
}

TEST(ViewerStart, NoDisplayIsSaidInsteadOfAborting)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "a Windows session always has its desktop";
#endif
    // After "--" an argument is an archive's name, not an option.
    const RunResult r = viewerWithoutDisplay({"--", "--help"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(r.err, "vannerby: no display: neither DISPLAY nor WAYLAND_DISPLAY is set\n"
                     "vannerby shows its window on a graphical desktop; on a terminal use "
                     "vannerby-cli.\n");
}
