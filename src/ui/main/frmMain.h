#pragma once

#include "mdlPakFile.h"

#include <QHash>
#include <QIcon>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>

class FilterBar;
class QKeySequence;
class frmCheck;
class MainWindowState;
class PakListModel;
class PakListView;
class PakPictureView;
class PictureGridModel;
class QAbstractItemView;
class QStackedWidget;
class ThumbnailLoader;
class PreviewPane;
class QAction;
class QLabel;
class QMenu;
class QMimeData;
class QSplitter;
class QStatusBar;
class QTableView;
class RecentFilesMenu;
class QToolBar;
class QUrl;

// The program's one top-level window: the archive list with its menus, toolbar
// and status bar. The constructor performs the whole start-up (settings, recent
// files, the archive named on the command line, window placement); closing or
// destroying the window performs the shut-down once.
class frmMain final : public QMainWindow
{
    Q_OBJECT

  public:
    // arguments: the program's command-line arguments, without the program name.
    explicit frmMain(const QStringList &arguments = {}, QWidget *parent = nullptr);
    ~frmMain() override;

    // Smallest outer size of the normal window, in twips.
    int MinWidth() const { return 4000; }
    int MinHeight() const { return 4000; }
    // The busy indication: wait cursor and window updates locked. Not counted:
    // the first "off" ends it.
    void SetBusy(bool blnBusy);
    bool IsBusy() const { return m_blnBusy; }

    // Replaces the list by the archive at path, or empties it for an empty path.
    bool LoadPakFile(const QString &path);
    // Checks, loads and remembers an archive the user named.
    void OpenPakFile(const QString &path);
    // Opens the first argument that names an archive; the others are ignored.
    void ProcessCommandLine(const QStringList &arguments);
    // Title, enabled commands, bar visibility and layout.
    void UpdateControls();
    // Selection-dependent commands and the two status panels.
    void UpdateStatus();
    // Minimum size of the normal window.
    void ArrangeControls();

    // The commands of the menus, the toolbar and the keyboard.
    void FileOpen();
    void FileClose();
    void FileProperties();
    void FileExit();
    void EditCopy();
    void EditSelectAll();
    void EditDeSelectAll();
    void ViewToolbar();
    void ViewStatusBar();
    // Shows or hides the preview pane (F3).
    void ViewPreview();
    // Shows the entries as a grid of pictures instead of the list, or back (Ctrl+B).
    void ViewPictures();
    // The next larger or smaller picture size (Ctrl++, Ctrl+-).
    void ViewPicturesLarger();
    void ViewPicturesSmaller();
    void ViewRefresh();
    void ViewOptions();
    void ActionsExtract();
    // Checks the open archive's structure and lists the findings in a window of
    // their own, which stays open beside the list.
    void ActionsCheck();
    void HelpAbout();
    void HelpContents();
    // Sorts by the column: ascending, or descending when it is sorted ascending now.
    void ColumnClick(int column);
    // Ctrl+F: the focus goes to the filter box.
    void FocusFilter();
    // Narrows the list to the entries that pass text (empty: every entry).
    void ApplyFilter(const QString &text);
    // Makes entry index the one selected, current and visible row, clearing the
    // filter first when it hides the entry. False when the list has no such entry.
    bool SelectEntry(int32_t index);

    // The clipboard text of the selected rows (empty without a selection).
    QString CopyText() const;
    // The properties text of the one selected row (empty unless exactly one).
    QString PropertiesText() const;
    // Extracts the selected rows below the temporary folder and returns them as
    // a file list for a drag; null when nothing could be offered.
    QMimeData *CollectDragData();
    // True when data offers files and the first one is an archive.
    bool AcceptsDrop(const QMimeData *data) const;
    // Opens the first file of data; other files and other data are ignored.
    void DropData(const QMimeData *data);

    QString FileName() const { return m_strFileName; }
    // The recent files as the File menu lists them, newest first.
    QStringList RecentFiles() const;
    QString TempPath() const { return m_strTempPath; }
    const PakArchive &Archive() const { return m_archive; }
    PakListModel *ListModel() const { return m_model; }
    QTableView *List() const;
    // The picture grid, and the one of list and grid that is shown.
    PakPictureView *Pictures() const { return m_pictures; }
    QAbstractItemView *ShownList() const;
    FilterBar *Filter() const { return m_filterBar; }
    // The findings window, while it is open.
    frmCheck *CheckWindow() const;
    PreviewPane *Preview() const { return m_preview; }
    // The text after "Vannerby v": major, "." and minor and revision run together.
    static QString VersionText(int major, int minor, int revision);
    // The window title without an archive.
    static QString ProductTitle();

    // The window's placement whole on the screen's free area.
    void FitOntoScreen();

  protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

  private:
    void SetPictureSide(int side);
    void CreateIcons();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreateList();
    void CreateFilterBar();
    void ReturnToList();
    // The list and the preview pane beside it.
    QWidget *CreatePreviewSplitter();
    void PreviewCurrentRow();
    QAction *AddMenuAction(QMenu *menu, const char *name, const QString &caption,
                           void (frmMain::*handler)());
    static void ShowKey(QAction *action, const QKeySequence &key);
    QAction *AddSeparator(QMenu *menu, const char *name);
    QAction *AddToolButton(const char *key, const QString &tip, const char *pictureKey,
                           void (frmMain::*handler)());
    QAction *ToolButton(const QString &key) const;
    void CollectDraggedFiles(QList<QUrl> &urls);
    void SizeForColumns();
    void Startup(const QStringList &arguments);
    void Shutdown();
    bool HandleShortcut(int key, Qt::KeyboardModifiers modifiers);
    void ShowError(const PakError &error);
    void ShowMessage(int icon, const QString &text);
    QString StatusText(int64_t count, int64_t bytes, const QString &lastWord) const;

    // Settings, recent files, window placement and translation.
    void LoadSettingsStep();
    void SaveSettingsStep();
    void LoadRecentFilesStep();
    void SaveRecentFilesStep();
    void AddRecentFileStep(const QString &path);
    void RemoveRecentFileStep(const QString &path);
    void LoadWindowPlacementStep();
    void SaveWindowPlacementStep();
    void TranslateFormStep();
    QString TranslateTextStep(const QString &key, const QString &defaultText);
    MainWindowState StateWindow();
    ExtractSettings CurrentExtractSettings() const;
    QString HostFolder() const;

    PakArchive m_archive;
    PakListModel *m_model = nullptr;
    PakListView *m_lvwPAK = nullptr;
    QSplitter *m_splPreview = nullptr;
    PreviewPane *m_preview = nullptr;
    QStackedWidget *m_stkList = nullptr; // the list or the picture grid
    ThumbnailLoader *m_thumbnails = nullptr;
    PictureGridModel *m_pictureModel = nullptr;
    PakPictureView *m_pictures = nullptr;
    QToolBar *m_tbrToolBar = nullptr;
    FilterBar *m_filterBar = nullptr;
    QPointer<frmCheck> m_frmCheck; // the findings of the open archive, while shown
    QStatusBar *m_sbrStatusBar = nullptr;
    QLabel *m_pnlSelection = nullptr;
    QLabel *m_pnlTotal = nullptr;
    QHash<QString, QIcon> m_imlToolbarIcons;
    QHash<QString, QAction *> m_actions;      // menu entries by control name
    RecentFilesMenu *m_recentFiles = nullptr; // mnuFileMRU and its separators

    QString m_strFileName;
    QString m_strTempPath;
    bool m_blnBusy = false;
    bool m_blnUnloaded = false;
    bool m_blnFitAfterShow = true;
    bool m_blnArranging = false;

    QString m_strFileNotFound;
    QString m_strStatusFiles;
    QString m_strStatusFile;
    QString m_strStatusTotal;
    QString m_strStatusSelected;
    QString m_strOpenAllFiles;
    QString m_strOpenPakFiles;
    QString m_strProcessCanceled;
    QString m_strStatusShown;
    QString m_strStatusShownOne;
};
