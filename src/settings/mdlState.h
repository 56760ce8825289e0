#pragma once

#include "IRecentList.h"
#include "IStateWindow.h"

#include <cstdint>
#include <string>

// The program's settings as the rest of it reads and changes them.
struct AppSettingsRecord
{
    int32_t RecentFilesMax = 0; // greatest number of recent files; 0 turns the list off
    int32_t RecentDirsMax = 0;  // greatest number of recent folders; 0 turns the list off
    int32_t OverWrite = 0;      // 1: overwrite existing files without asking
    int32_t SkipOldFiles = 0;   // 1: skip entries not newer than the file on disk
    int32_t UsePathNames = 0;   // 1: extract with the stored path names
    bool ExtractSelectedOnly = false;
    int32_t ConvertPictures = 0;        // 1: extract pictures as PNG files
    bool ConvertPicturesStored = false; // the value is in the settings (once ticked)
    std::string HostFolder;             // the simulator's folder; empty when unknown
    std::string LastExtractFolder;      // target of the last extraction since start
    int32_t RecentFilesCount = 0;       // entries now in the recent-files list
    int32_t RecentDirsCount = 0;        // entries now in the recent-folders list
};

// Persistence of the settings, the main window's placement and the two recent
// lists below HKEY_CURRENT_USER "Software\Brindlecote\Vannerby". No procedure
// raises or reports a failure: reads fall back to defaults, and a write that
// fails is skipped (the Save procedures answer false when anything was not stored).
namespace mdlState {

// The process-wide settings record; zero and empty until LoadSettings runs.
extern AppSettingsRecord AppSettings;

inline constexpr const char *BaseKey = "Software\\Brindlecote\\Vannerby";
// The largest list size the options accept; larger stored sizes are cut to it.
inline constexpr int32_t MaxRecentEntries = 50;

// Reads HostFolder from the simulator's "AppPath" (in the registry, else, on Linux, in the
// user's Wine prefix), the view check marks, the list sizes and the option
// flags. A stored value that cannot be read as a number falls back to its
// default; the others are still read.
void LoadSettings(IStateWindow &frmMain);
// Writes the view check marks (toolbar, status bar, preview), the list sizes
// and the option flags.
bool SaveSettings(const IStateWindow &frmMain);
// Restores position, size (not below MinWidth/MinHeight) and the maximized state.
void LoadWindowPlacement(IStateWindow &frmMain);
// Writes the maximized state, sets the window to its normal state and writes
// its normal-state bounds in whole twips.
bool SaveWindowPlacement(IStateWindow &frmMain);

// The recent-files list; paths compare without regard to letter case.
int32_t FindRecentFile(const IRecentList &mnuFileMRU, const std::string &sPath);
void AddRecentFile(IRecentList &mnuFileMRU, const std::string &sPath);
void RemoveRecentFile(IRecentList &mnuFileMRU, const std::string &sPath);
void ClearRecentFiles(IRecentList &mnuFileMRU);
void LoadRecentFiles(IRecentList &mnuFileMRU);
bool SaveRecentFiles(const IRecentList &mnuFileMRU);
void InsertRecentFile(IRecentList &mnuFileMRU, const std::string &sPath);
void MoveRecentFileToTop(IRecentList &mnuFileMRU, const std::string &sPath, int32_t lIndex);

// The recent-folders list of the extract dialog's combo box.
int32_t FindRecentDir(const IRecentList &cboExtractTo, const std::string &sFolder);
void AddRecentDir(IRecentList &cboExtractTo, const std::string &sFolder);
void LoadRecentDirs(IRecentList &cboExtractTo);
bool SaveRecentDirs(const IRecentList &cboExtractTo);
void InsertRecentDir(IRecentList &cboExtractTo, const std::string &sFolder);
void MoveRecentDirToTop(IRecentList &cboExtractTo, const std::string &sFolder, int32_t lIndex);

} // namespace mdlState
