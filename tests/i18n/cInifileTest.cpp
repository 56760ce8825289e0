#include "cInifile.h"

#include "FormWindow.h"
#include "I18nTestSupport.h"

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

using namespace I18nTest;

namespace {

cInifile MakeIni(const std::string &path, const std::string &section)
{
    cInifile ini;
    ini.SetPath(path);
    ini.SetSection(section);
    return ini;
}

// A window of 1920 x 1080 pixels at 15 twips per pixel: 28800 x 16200 twips,
// so the 4-pixel margin is 60 twips.
class FakeWindow final : public FormWindow
{
  public:
    double m_dblLeft = 1000, m_dblTop = 2000, m_dblWidth = 6000, m_dblHeight = 4000;
    int32_t m_lState = Normal;
    int m_iMoves = 0;
    bool m_blnThrowOnWidth = false;

    double Left() const override { return m_dblLeft; }
    void SetLeft(double twips) override { m_dblLeft = twips; }
    double Top() const override { return m_dblTop; }
    void SetTop(double twips) override { m_dblTop = twips; }
    void SetWidth(double twips) override { m_dblWidth = twips; }
    void SetHeight(double twips) override { m_dblHeight = twips; }
    double Width() const override
    {
        if (m_blnThrowOnWidth)
            throw std::runtime_error("no Width");
        return m_dblWidth;
    }
    double Height() const override { return m_dblHeight; }
    int32_t WindowState() const override { return m_lState; }
    void SetWindowState(int32_t state) override { m_lState = state; }
    void Move(double left, double top, double width, double height) override
    {
        m_dblLeft = left;
        m_dblTop = top;
        m_dblWidth = width;
        m_dblHeight = height;
        ++m_iMoves;
    }
    double ScreenWidth() const override { return 28800; }
    double ScreenHeight() const override { return 16200; }
    double TwipsPerPixelX() const override { return 15; }
    double TwipsPerPixelY() const override { return 15; }
};

} // namespace

TEST(cInifileTest, ValuesAreCutAndCleaned)
{
    const std::string path = MakeTempFolder() + "test.ini";
    cInifile ini = MakeIni(path, "Section");
    ini.SetKey("Long");
    ini.SetDefault("DEF");
    EXPECT_EQ(ini.Value(), "DEF");
    EXPECT_EQ(ini.LastReturnCode(), 0); // reads never set it

    const std::string longText(300, 'x');
    ini.SetValue(longText + "y");
    EXPECT_TRUE(ini.Success());
    EXPECT_EQ(ini.Value(), std::string(254, 'x'));

    ini.SetKey("Nul");
    ini.SetValue(std::string("a\0b\0\0c", 6));
    EXPECT_EQ(ini.Value(), "abc");
    EXPECT_EQ(ReadFile(path), "[Section]\r\nLong=" + longText + "y\r\nNul=abc\r\n");

    ini.DeleteKey();
    EXPECT_TRUE(ini.Success());
    EXPECT_EQ(ini.Value(), "DEF");
    ini.SetINISection("ignored text");
    EXPECT_TRUE(ini.Success());
    EXPECT_EQ(ReadFile(path), "");

    ASSERT_TRUE(MakeReadOnly(path));
    ini.SetValue("x");
    EXPECT_FALSE(ini.Success());
    EXPECT_EQ(ini.LastReturnCode(), 0);
    (void)ini.Value();
    EXPECT_EQ(ini.LastReturnCode(), 0);
    ini.DeleteSection();
    EXPECT_FALSE(ini.Success());
}

TEST(cInifileTest, EnumeratesKeysAndSections)
{
    const std::string path = MakeTempFolder() + "test.ini";
    WriteFile(path, "[A]\r\nk1=1\r\n=empty name\r\nk2=2\r\n[]\r\n[ B ]\r\n");
    cInifile ini = MakeIni(path, "a");
    std::vector<std::string> names{"stale"};
    int32_t count = -1;
    ini.EnumerateCurrentSection(names, count);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(names, (std::vector<std::string>{"k1", "", "k2"}));
    ini.EnumerateAllSections(names, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B"}));

    ini.SetSection("Missing");
    ini.SetDefault("FAIL");
    ini.EnumerateCurrentSection(names, count);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(names.empty());

    // 800 names of 10 characters need 8800 characters: the 8192-character buffer
    // holds 744 complete names and a cut one, which is left out.
    std::string file = "[Big]\r\n";
    for (int i = 0; i < 800; ++i) {
        char name[16];
        std::snprintf(name, sizeof(name), "Key%07d", i);
        file += std::string(name) + "=v\r\n";
    }
    WriteFile(path, file);
    ini.SetSection("Big");
    ini.EnumerateCurrentSection(names, count);
    ASSERT_EQ(count, 744);
    EXPECT_EQ(names.front(), "Key0000000");
    EXPECT_EQ(names.back(), "Key0000743");
    EXPECT_EQ(ini.INISection().size(), 8190u);
}

TEST(cInifileTest, CLngDefaultConvertsLikeTheNumericConversion)
{
    struct Case
    {
        const char *text;
        int32_t lDefault;
        int32_t expected;
    };
    const Case cases[] = {
        {"FAIL", 7, 7},
        {" 42 ", 0, 42},
        {"\t-17\t", 0, -17},
        {"+8", 0, 8},
        {"2.5", 0, 2},
        {"3.5", 0, 4},
        {"-2.5", 0, -2},
        {"0.5000001", 0, 1},
        {".5", 0, 0},
        {"7.", 0, 7},
        {"1e3", 0, 1000},
        {"1.5E+1", 0, 15},
        {"", 9, 9},
        {"   ", 9, 9},
        {"12abc", 9, 9},
        {"1 2", 9, 9},
        {"-", 9, 9},
        {".", 9, 9},
        {"1e", 9, 9},
        {"0x10", 9, 9},
        {"1,5", 9, 9},
        {"2147483647", 0, 2147483647},
        {"-2147483648", 0, -2147483647 - 1},
        {"2147483648", 9, 9},
        {"2147483647.5", 9, 9},
        {"-2147483648.5", 0, -2147483647 - 1},
        {"1e400", 9, 9},
        {"nan", 9, 9},
        {"inf", 9, 9},
    };
    for (const Case &c : cases)
        EXPECT_EQ(cInifile::CLngDefault(c.text, c.lDefault), c.expected) << "'" << c.text << "'";
    EXPECT_EQ(cInifile::CLngDefault("abc"), 0);
}

TEST(cInifileTest, SaveFormPositionWritesByWindowState)
{
    const std::string folder = MakeTempFolder();
    const std::string path = folder + "pos.ini";
    cInifile ini = MakeIni(path, "frmMain");
    ini.SetKey("MyKey");
    FakeWindow window;

    window.m_lState = FormWindow::Minimized;
    ini.SaveFormPosition(window);
    EXPECT_FALSE(Exists(path));
    EXPECT_EQ(ini.Key(), "MyKey");

    window.m_lState = FormWindow::Normal;
    window.m_dblLeft = 1234.5;
    ini.SaveFormPosition(window);
    EXPECT_TRUE(ini.Success());
    EXPECT_EQ(ReadFile(path), "[frmMain]\r\nMaximised=0\r\nLeft=1234.5\r\nTop=2000\r\n"
                              "Width=6000\r\nHeight=4000\r\n");

    window.m_lState = FormWindow::Maximized;
    window.m_dblLeft = 1;
    ini.SaveFormPosition(window);
    EXPECT_EQ(ReadFile(path), "[frmMain]\r\nMaximised=1\r\nLeft=1234.5\r\nTop=2000\r\n"
                              "Width=6000\r\nHeight=4000\r\n");
    EXPECT_EQ(ini.Key(), "MyKey");

    // A window that fails half-way: what was written stays, the key comes back.
    window.m_lState = FormWindow::Normal;
    window.m_blnThrowOnWidth = true;
    ini.SaveFormPosition(window);
    EXPECT_EQ(ini.LastReturnCode(), 0);
    EXPECT_EQ(ini.Key(), "MyKey");
    EXPECT_EQ(ReadFile(path), "[frmMain]\r\nMaximised=0\r\nLeft=1\r\nTop=2000\r\n"
                              "Width=6000\r\nHeight=4000\r\n");
}

TEST(cInifileTest, LoadFormPositionFitsTheWindowToTheScreen)
{
    struct Case
    {
        const char *name;
        std::string stored; // lines of the section
        FakeWindow before;
        int32_t minWidth, minHeight;
        int moves;
        double left, top, width, height;
        int32_t state;
    };
    auto window = [](double l, double t, double w, double h) {
        FakeWindow f;
        f.m_dblLeft = l;
        f.m_dblTop = t;
        f.m_dblWidth = w;
        f.m_dblHeight = h;
        return f;
    };
    const Case cases[] = {
        {"nothing stored: own values, pulled inside, minimum sizes", "",
         window(-500, 100.4, 2000, 1000), 3000, 1500, 1, 60, 100, 3000, 1500, 0},
        {"stored values", "Left=1000\r\nTop=900\r\nWidth=7000\r\nHeight=5000\r\nMaximised=0\r\n",
         window(0, 0, 100, 100), 3000, 2000, 1, 1000, 900, 7000, 5000, 0},
        {"too far right and down", "Left=27000\r\nTop=15000\r\nWidth=6000\r\nHeight=4000\r\n",
         window(0, 0, 0, 0), 0, 0, 1, 22740, 12140, 6000, 4000, 0},
        {"wider and higher than the screen",
         "Left=1000\r\nTop=1000\r\nWidth=40000\r\nHeight=20000\r\n", window(0, 0, 0, 0), 3000, 2000,
         1, 60, 60, 28680, 16080, 0},
        {"cut below the minimum width: not moved",
         "Left=1000\r\nTop=1000\r\nWidth=40000\r\nHeight=5000\r\n", window(5, 6, 7, 8), 30000, 2000,
         0, 5, 6, 7, 8, 0},
        {"garbage reads as the window's own value, maximised",
         "Left=abc\r\nTop= 300 \r\nWidth=\r\nHeight=4000.5\r\nMaximised=1\r\n",
         window(700, 0, 5000, 0), 0, 0, 1, 700, 300, 5000, 4000, FormWindow::Maximized},
        {"Maximised not a number", "Maximised=ja\r\n", window(100, 100, 100, 100), 0, 0, 1, 100,
         100, 100, 100, 0},
    };
    for (const Case &c : cases) {
        const std::string path = MakeTempFolder() + "pos.ini";
        WriteFile(path, "[frmMain]\r\n" + c.stored);
        cInifile ini = MakeIni(path, "frmMain");
        ini.SetKey("K");
        ini.SetDefault("D");
        FakeWindow w = c.before;
        ini.LoadFormPosition(w, c.minWidth, c.minHeight);
        EXPECT_EQ(w.m_iMoves, c.moves) << c.name;
        EXPECT_EQ(w.m_dblLeft, c.left) << c.name;
        EXPECT_EQ(w.m_dblTop, c.top) << c.name;
        EXPECT_EQ(w.m_dblWidth, c.width) << c.name;
        EXPECT_EQ(w.m_dblHeight, c.height) << c.name;
        EXPECT_EQ(w.m_lState, c.state) << c.name;
        EXPECT_EQ(ini.Key(), "K");
        EXPECT_EQ(ini.Default(), "D");
    }

    // A window without a usable Width: nothing moves, key and default come back.
    cInifile ini = MakeIni(MakeTempFolder() + "none.ini", "frmMain");
    ini.SetKey("K");
    ini.SetDefault("D");
    ini.SetValue("1"); // LastReturnCode non-zero before
    FakeWindow w;
    w.m_blnThrowOnWidth = true;
    ini.LoadFormPosition(w, 0, 0);
    EXPECT_EQ(w.m_iMoves, 0);
    EXPECT_EQ(ini.LastReturnCode(), 0);
    EXPECT_EQ(ini.Key(), "K");
    EXPECT_EQ(ini.Default(), "D");
}
