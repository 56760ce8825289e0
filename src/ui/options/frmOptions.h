#pragma once

#include "FileAssociation.h"

#include <QDialog>
#include <QList>

#include <string>

class IRecentList;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

// The options dialog: the sizes of the two recent lists, the association of the
// archive extensions "pak" and "pa-" with this program, and the three extraction
// options. It edits the shared settings record in memory; Apply rebuilds the
// recent-files list at once and creates or removes the association at once.
// Constructing it loads it (translation included); it needs no main window.
class frmOptions final : public QDialog
{
    Q_OBJECT

  public:
    // owner: the window it is modal to and centred over. mnuFileMRU: the main
    // window's recent-files list that Apply saves and rebuilds; without one that
    // step is left out.
    explicit frmOptions(QWidget *owner = nullptr, IRecentList *mnuFileMRU = nullptr);
    ~frmOptions() override;

    // Applies the dialog's settings; also run by OK when there are changes.
    void Apply();
    // The dialog holds changes not yet applied (Apply is enabled).
    bool Changed() const { return m_blnChanged; }

    // The file class and its description of the archive association.
    static constexpr const char *ClassName = FileAssociation::ClassName;
    static constexpr const char *ClassDescription = FileAssociation::ClassDescription;
    // Size of a list when its check box is ticked, and the largest size accepted.
    static constexpr int DefaultListSize = 10;
    static constexpr int MaxListSize = 50;

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

  private:
    void CreateControls();
    void LoadSettings();
    int GetAssociationState() const;
    void EnableControls();
    void TabClick();
    void SelectTab(int index);
    void ListCheckClick(QCheckBox *check, QLineEdit *text);
    void OptionClick();
    void SizeTextChanged(QLineEdit *text);
    void ValidateSize(QCheckBox *check, QLineEdit *text);
    void OK();
    double SizeValue(const QLineEdit *text) const;

    IRecentList *m_mnuFileMRU;
    // Twips per pixel of the layout: the screen's, or fewer where a text needs room.
    double m_twipsPerPixel = 15;
    bool m_blnCentred = false;

    QTabWidget *m_tbsOptions = nullptr;
    QList<QWidget *> m_picOptions;
    QCheckBox *m_chkMRUList = nullptr;
    QLineEdit *m_txtMRUList = nullptr;
    QLabel *m_lblMRUList = nullptr;
    QCheckBox *m_chkFileAssociation = nullptr;
    QCheckBox *m_chkMRUDirs = nullptr;
    QLineEdit *m_txtMRUDirs = nullptr;
    QLabel *m_lblMRUDirs = nullptr;
    QCheckBox *m_chkOverWrite = nullptr;
    QCheckBox *m_chkSkipOldFiles = nullptr;
    QCheckBox *m_chkUsePathNames = nullptr;
    QPushButton *m_cmdOK = nullptr;
    QPushButton *m_cmdCancel = nullptr;
    QPushButton *m_cmdApply = nullptr;

    std::string m_strExePath;
    QString m_strAssocNotDefault; // shown when another default program outranks the association
    int m_intAssocState = 0;
    bool m_blnChanged = false;
};
