#include "mdlState.h"

#include "SettingsText.h"
#include "SimulatorSearch.h"
#include "cRegistry.h"
#include "mdlTools.h"

#include <algorithm>

using namespace RegistryTypes;

namespace mdlState {

AppSettingsRecord AppSettings;

namespace {

std::string SubKey(const char *name)
{
    return std::string(BaseKey) + "\\" + name;
}

// Reads a value of the base key's subkey; a value that is not a number gives
// the default, so that one bad value does not keep the others from being read.
Variant ReadValue(cRegistry &reg, const char *section, const char *name, const Variant &vDefault)
{
    reg.SetClassKey(HKEY_CURRENT_USER);
    reg.SetSectionKey(SubKey(section));
    reg.SetValueKey(name);
    reg.SetValueType(REG_DWORD);
    reg.SetDefault(vDefault);
    return reg.Value();
}

int32_t ReadLong(cRegistry &reg, const char *section, const char *name, int32_t lDefault)
{
    try {
        return ReadValue(reg, section, name, Variant(lDefault)).ToLong();
    } catch (const VariantError &) {
        return lDefault;
    }
}

double ReadTwips(cRegistry &reg, const char *name, double dDefault)
{
    try {
        return ReadValue(reg, "MainWindow", name, Variant(dDefault)).ToDouble();
    } catch (const VariantError &) {
        return dDefault;
    }
}

void WriteLong(cRegistry &reg, const char *section, const std::string &name, int32_t value)
{
    reg.SetClassKey(HKEY_CURRENT_USER);
    reg.SetSectionKey(SubKey(section));
    reg.SetValueKey(name);
    reg.SetValueType(REG_DWORD);
    reg.SetValue(Variant(value));
}

// Runs one write of a series in which a failing write is skipped.
template <class F> bool Attempt(F &&write)
{
    try {
        write();
        return true;
    } catch (const RegistryError &) {
        return false;
    } catch (const VariantError &) {
        return false;
    }
}

int32_t ClampListSize(int32_t size)
{
    return std::clamp(size, int32_t{0}, MaxRecentEntries);
}

// What the two recent lists have in common.
struct RecentKind
{
    int32_t &Count;
    const int32_t &Max;
    const char *Section;
    bool HidesWhenEmpty; // the menu hides its section while empty; the combo box does not
};

RecentKind FilesKind()
{
    return {AppSettings.RecentFilesCount, AppSettings.RecentFilesMax, "RecentFiles", true};
}

RecentKind DirsKind()
{
    return {AppSettings.RecentDirsCount, AppSettings.RecentDirsMax, "RecentDirs", false};
}

int32_t FindRecent(const RecentKind &kind, const IRecentList &list, const std::string &path)
{
    const auto wanted = SettingsText::UpperCase(path);
    const int32_t count = std::min(kind.Count, list.ItemCount());
    for (int32_t i = 0; i < count; ++i)
        if (SettingsText::UpperCase(list.ItemText(i)) == wanted)
            return i;
    return -1;
}

void InsertRecent(const RecentKind &kind, IRecentList &list, const std::string &path)
{
    // With the list off nothing is shown, not even a hidden first entry.
    if (kind.Max <= 0)
        return;
    if (kind.Count < kind.Max) {
        ++kind.Count;
    } else if (kind.Count > 0 && kind.Count - 1 < list.ItemCount()) {
        list.RemoveItem(kind.Count - 1); // the oldest falls off the end
    }
    list.InsertItem(0, path);
    if (kind.HidesWhenEmpty)
        list.SetListVisible(true);
}

void MoveRecentToTop(const RecentKind &kind, IRecentList &list, const std::string &path,
                     int32_t index)
{
    if (index < 0 || index >= std::min(kind.Count, list.ItemCount()))
        return;
    list.RemoveItem(index);
    list.InsertItem(0, path); // in the caller's letter case, the latest opening's
}

void AddRecent(const RecentKind &kind, IRecentList &list, const std::string &path)
{
    const auto index = FindRecent(kind, list, path);
    if (index < 0)
        InsertRecent(kind, list, path);
    else
        MoveRecentToTop(kind, list, path, index);
}

void ClearRecent(const RecentKind &kind, IRecentList &list)
{
    while (list.ItemCount() > 0)
        list.RemoveItem(list.ItemCount() - 1);
    if (kind.HidesWhenEmpty)
        list.SetListVisible(false);
    kind.Count = 0;
}

void LoadRecent(const RecentKind &kind, IRecentList &list)
{
    // Start from an empty list whatever the caller left in it, so that the
    // count always matches the entries shown.
    ClearRecent(kind, list);
    cRegistry reg;
    reg.SetClassKey(HKEY_CURRENT_USER);
    reg.SetSectionKey(SubKey(kind.Section));
    reg.SetDefault(Variant(""));
    // Paths are stored as the user opened them; a "%" in a file name is no reference.
    reg.SetExpandStrings(false);
    // From the highest number down, each added on top: "0" ends on top.
    for (int32_t i = ClampListSize(kind.Max) - 1; i >= 0; --i) {
        reg.SetValueKey(std::to_string(i));
        reg.SetValueType(REG_SZ);
        const auto path = reg.Value().ToString();
        if (!path.empty())
            AddRecent(kind, list, path);
    }
}

bool SaveRecent(const RecentKind &kind, const IRecentList &list)
{
    try {
        cRegistry reg;
        reg.SetClassKey(HKEY_CURRENT_USER);
        reg.SetSectionKey(SubKey(kind.Section));
        std::vector<std::string> names;
        int32_t count = 0;
        reg.EnumerateValues(names, count);
        for (int32_t i = 1; i <= count; ++i) {
            if (SettingsText::EqualsNoCase(names[static_cast<size_t>(i)], "Count"))
                continue;
            reg.SetValueKey(names[static_cast<size_t>(i)]);
            reg.DeleteValue();
        }
        WriteLong(reg, kind.Section, "Count", kind.Max);
        reg.SetValueType(REG_SZ);
        const int32_t entries = std::min({kind.Count, kind.Max, list.ItemCount()});
        for (int32_t i = 0; i < entries; ++i) {
            reg.SetValueKey(std::to_string(i));
            reg.SetValueType(REG_SZ);
            reg.SetValue(Variant(list.ItemText(i)));
        }
        return true;
    } catch (const RegistryError &) {
        return false;
    }
}

} // namespace

void LoadSettings(IStateWindow &frmMain)
{
    cRegistry reg;
    reg.SetClassKey(HKEY_CLASSES_ROOT);
    reg.SetSectionKey("Software\\Dunkelfeld\\KMXP");
    reg.SetValueKey("AppPath");
    reg.SetValueType(REG_SZ);
    const auto appPath = reg.Value().ToString();
    AppSettings.HostFolder = mdlTools::GetLongPath(mdlTools::GetFolderPart(appPath));
    if (AppSettings.HostFolder.empty())
        AppSettings.HostFolder = SimulatorSearch::FolderElsewhere();

    frmMain.SetViewStatusBarChecked(ReadLong(reg, "MainWindow", "StatusBar", 1) != 0);
    frmMain.SetViewToolbarChecked(ReadLong(reg, "MainWindow", "ToolBar", 1) != 0);
    frmMain.SetViewPreviewChecked(ReadLong(reg, "MainWindow", "Preview", 0) != 0);
    frmMain.SetViewPicturesChecked(ReadLong(reg, "MainWindow", "Pictures", 0) != 0);
    frmMain.SetPictureSide(ReadLong(reg, "MainWindow", "PictureSize", 128));
    AppSettings.RecentFilesMax = ClampListSize(ReadLong(reg, "RecentFiles", "Count", 10));
    AppSettings.RecentDirsMax = ClampListSize(ReadLong(reg, "RecentDirs", "Count", 10));
    AppSettings.OverWrite = ReadLong(reg, "Options", "OverWrite", 0);
    AppSettings.SkipOldFiles = ReadLong(reg, "Options", "SkipOldFiles", 0);
    AppSettings.UsePathNames = ReadLong(reg, "Options", "UsePathNames", 1);
    // Stored only once ticked, so that a setting the user never chose leaves no trace.
    constexpr int32_t Missing = INT32_MIN;
    const int32_t convert = ReadLong(reg, "Options", "ConvertPictures", Missing);
    AppSettings.ConvertPicturesStored = convert != Missing;
    AppSettings.ConvertPictures = convert == 1 ? 1 : 0;
}

bool SaveSettings(const IStateWindow &frmMain)
{
    cRegistry reg;
    bool ok = true;
    ok &= Attempt(
        [&] { WriteLong(reg, "MainWindow", "StatusBar", frmMain.ViewStatusBarChecked() ? 1 : 0); });
    ok &= Attempt(
        [&] { WriteLong(reg, "MainWindow", "ToolBar", frmMain.ViewToolbarChecked() ? 1 : 0); });
    ok &= Attempt(
        [&] { WriteLong(reg, "MainWindow", "Preview", frmMain.ViewPreviewChecked() ? 1 : 0); });
    ok &= Attempt(
        [&] { WriteLong(reg, "MainWindow", "Pictures", frmMain.ViewPicturesChecked() ? 1 : 0); });
    if (frmMain.PictureSide() > 0)
        ok &= Attempt([&] { WriteLong(reg, "MainWindow", "PictureSize", frmMain.PictureSide()); });
    ok &= Attempt([&] { WriteLong(reg, "RecentFiles", "Count", AppSettings.RecentFilesMax); });
    ok &= Attempt([&] { WriteLong(reg, "RecentDirs", "Count", AppSettings.RecentDirsMax); });
    ok &= Attempt([&] { WriteLong(reg, "Options", "OverWrite", AppSettings.OverWrite); });
    ok &= Attempt([&] { WriteLong(reg, "Options", "SkipOldFiles", AppSettings.SkipOldFiles); });
    ok &= Attempt([&] { WriteLong(reg, "Options", "UsePathNames", AppSettings.UsePathNames); });
    if (AppSettings.ConvertPictures == 1 || AppSettings.ConvertPicturesStored)
        ok &= Attempt(
            [&] { WriteLong(reg, "Options", "ConvertPictures", AppSettings.ConvertPictures); });
    return ok;
}

void LoadWindowPlacement(IStateWindow &frmMain)
{
    cRegistry reg;
    FormWindow &window = frmMain.Placement();
    const double left = ReadTwips(reg, "Left", window.Left());
    if (left > 0)
        window.SetLeft(left);
    const double top = ReadTwips(reg, "Top", window.Top());
    if (top > 0)
        window.SetTop(top);
    const double width = ReadTwips(reg, "Width", window.Width());
    window.SetWidth(width > frmMain.MinWidth() ? width : frmMain.MinWidth());
    const double height = ReadTwips(reg, "Height", window.Height());
    window.SetHeight(height > frmMain.MinHeight() ? height : frmMain.MinHeight());
    if (ReadLong(reg, "MainWindow", "Maximized", 0) != 0)
        window.SetWindowState(FormWindow::Maximized);
}

bool SaveWindowPlacement(IStateWindow &frmMain)
{
    // A failure ends the procedure: the bounds must not be half written.
    return Attempt([&] {
        cRegistry reg;
        FormWindow &window = frmMain.Placement();
        const bool maximized = window.WindowState() == FormWindow::Maximized;
        WriteLong(reg, "MainWindow", "Maximized", maximized ? -1 : 0);
        window.SetWindowState(FormWindow::Normal);
        // Whole twips, halves to the even neighbour.
        WriteLong(reg, "MainWindow", "Left", Variant(window.Left()).ToLong());
        WriteLong(reg, "MainWindow", "Top", Variant(window.Top()).ToLong());
        WriteLong(reg, "MainWindow", "Width", Variant(window.Width()).ToLong());
        WriteLong(reg, "MainWindow", "Height", Variant(window.Height()).ToLong());
    });
}

int32_t FindRecentFile(const IRecentList &mnuFileMRU, const std::string &sPath)
{
    return FindRecent(FilesKind(), mnuFileMRU, sPath);
}

void AddRecentFile(IRecentList &mnuFileMRU, const std::string &sPath)
{
    AddRecent(FilesKind(), mnuFileMRU, sPath);
}

void RemoveRecentFile(IRecentList &mnuFileMRU, const std::string &sPath)
{
    const auto index = FindRecentFile(mnuFileMRU, sPath);
    if (index < 0)
        return;
    mnuFileMRU.RemoveItem(index);
    --AppSettings.RecentFilesCount;
    if (AppSettings.RecentFilesCount == 0)
        mnuFileMRU.SetListVisible(false);
}

void ClearRecentFiles(IRecentList &mnuFileMRU)
{
    ClearRecent(FilesKind(), mnuFileMRU);
}

void LoadRecentFiles(IRecentList &mnuFileMRU)
{
    LoadRecent(FilesKind(), mnuFileMRU);
}

bool SaveRecentFiles(const IRecentList &mnuFileMRU)
{
    return SaveRecent(FilesKind(), mnuFileMRU);
}

void InsertRecentFile(IRecentList &mnuFileMRU, const std::string &sPath)
{
    InsertRecent(FilesKind(), mnuFileMRU, sPath);
}

void MoveRecentFileToTop(IRecentList &mnuFileMRU, const std::string &sPath, int32_t lIndex)
{
    MoveRecentToTop(FilesKind(), mnuFileMRU, sPath, lIndex);
}

int32_t FindRecentDir(const IRecentList &cboExtractTo, const std::string &sFolder)
{
    return FindRecent(DirsKind(), cboExtractTo, sFolder);
}

void AddRecentDir(IRecentList &cboExtractTo, const std::string &sFolder)
{
    AddRecent(DirsKind(), cboExtractTo, sFolder);
}

void LoadRecentDirs(IRecentList &cboExtractTo)
{
    LoadRecent(DirsKind(), cboExtractTo);
}

bool SaveRecentDirs(const IRecentList &cboExtractTo)
{
    return SaveRecent(DirsKind(), cboExtractTo);
}

void InsertRecentDir(IRecentList &cboExtractTo, const std::string &sFolder)
{
    InsertRecent(DirsKind(), cboExtractTo, sFolder);
}

void MoveRecentDirToTop(IRecentList &cboExtractTo, const std::string &sFolder, int32_t lIndex)
{
    MoveRecentToTop(DirsKind(), cboExtractTo, sFolder, lIndex);
}

} // namespace mdlState
