#pragma once

#include "IRecentList.h"
#include "IStateWindow.h"
#include "RegistryError.h"
#include "RegistryTypes.h"
#include "TestSupport.h"
#include "cRegistry.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// Each test starts with an empty settings store. Linux: XDG_CONFIG_HOME and
// XDG_DATA_HOME point into fresh temporary folders for the test's duration.
// Windows: the registry keys the tests write (Vannerby's own, the file classes
// and the simulator's key) are deleted before and after each test; the tests
// run only under Wine, whose prefix the test run made for itself, and skip on
// a real Windows, where the registry is a real user's.
class StoreTest : public ::testing::Test
{
  protected:
    void SetUp() override;
    void TearDown() override;
    // $XDG_CONFIG_HOME/vannerby/registry.db of this test (Linux).
    std::string StorePath() const;
    // True while the test has written nothing to the store below Brindlecote.
    bool NothingStored() const;
    // Makes every later write to the store fail; false where the test cannot
    // (Windows: the registry of Wine's prefix always takes writes).
    bool MakeStoreUnwritable();
    const std::string &ConfigHome() const { return m_config->path(); }
    const std::string &DataHome() const { return m_data->path(); }

  private:
    std::unique_ptr<TempDir> m_config;
    std::unique_ptr<TempDir> m_data;
    std::string m_strOldConfig, m_strOldData;
    bool m_blnHadConfig = false, m_blnHadData = false;
};

// A path of the test's temporary folders with the system's own separators, as
// another program would write it into the registry.
std::string NativePath(const std::string &path);

// The main window as the settings store sees it, its own placement.
class FakeWindow final : public IStateWindow, public FormWindow
{
  public:
    double m_Left = 1000, m_Top = 800, m_Width = 9000, m_Height = 7000;
    int32_t m_State = Normal;
    bool m_StatusBar = false, m_Toolbar = false, m_Preview = true;

    FormWindow &Placement() override { return *this; }
    double Left() const override { return m_Left; }
    void SetLeft(double v) override { m_Left = v; }
    double Top() const override { return m_Top; }
    void SetTop(double v) override { m_Top = v; }
    double Width() const override { return m_Width; }
    void SetWidth(double v) override { m_Width = v; }
    double Height() const override { return m_Height; }
    void SetHeight(double v) override { m_Height = v; }
    int32_t WindowState() const override { return m_State; }
    void SetWindowState(int32_t s) override { m_State = s; }
    void Move(double left, double top, double width, double height) override
    {
        m_Left = left;
        m_Top = top;
        m_Width = width;
        m_Height = height;
    }
    double ScreenWidth() const override { return 28800; }
    double ScreenHeight() const override { return 16200; }
    double TwipsPerPixelX() const override { return 15; }
    double TwipsPerPixelY() const override { return 15; }
    double MinWidth() const override { return 4000; }
    double MinHeight() const override { return 4000; }
    bool ViewStatusBarChecked() const override { return m_StatusBar; }
    void SetViewStatusBarChecked(bool c) override { m_StatusBar = c; }
    bool ViewToolbarChecked() const override { return m_Toolbar; }
    void SetViewToolbarChecked(bool c) override { m_Toolbar = c; }
    bool ViewPreviewChecked() const override { return m_Preview; }
    void SetViewPreviewChecked(bool c) override { m_Preview = c; }
};

// A recent list as plain texts.
class FakeList final : public IRecentList
{
  public:
    std::vector<std::string> m_Items;
    bool m_Visible = false;

    int32_t ItemCount() const override { return static_cast<int32_t>(m_Items.size()); }
    std::string ItemText(int32_t index) const override
    {
        return index >= 0 && index < ItemCount() ? m_Items[static_cast<size_t>(index)] : "";
    }
    void InsertItem(int32_t index, const std::string &text) override
    {
        ASSERT_TRUE(index >= 0 && index <= ItemCount());
        m_Items.insert(m_Items.begin() + index, text);
    }
    void RemoveItem(int32_t index) override
    {
        ASSERT_TRUE(index >= 0 && index < ItemCount());
        m_Items.erase(m_Items.begin() + index);
    }
    void SetListVisible(bool visible) override { m_Visible = visible; }
};

// The error that f raises; a test failure when it raises none.
template <class F> RegistryError Raised(F &&f)
{
    try {
        f();
    } catch (const RegistryError &e) {
        return e;
    }
    ADD_FAILURE() << "nothing raised";
    return RegistryError(0, "", "");
}

// The key the registry tests write below (the cleanup of the Windows tests
// covers "Software\Brindlecote").
inline const std::string TestSection = "Software\\Brindlecote\\Test";

// A cursor on one value below HKEY_CURRENT_USER.
inline cRegistry At(const std::string &section, const std::string &name,
                    int32_t type = RegistryTypes::REG_SZ)
{
    cRegistry reg;
    reg.SetClassKey(RegistryTypes::HKEY_CURRENT_USER);
    reg.SetSectionKey(section);
    reg.SetValueKey(name);
    reg.SetValueType(type);
    return reg;
}
