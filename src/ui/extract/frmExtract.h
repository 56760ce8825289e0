#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class QAbstractItemView;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class RecentFoldersCombo;

// Chooses an extraction's target folder (typed, from the recent folders, or
// browsed), all or the selected entries, and the three options. On "E&xtrahieren"
// it makes sure the folder exists (offering to create it), stores the choices
// in the shared settings and the folder on top of the recent folders. The
// choices travel through the settings, not through the call. Constructible
// without an archive; it translates itself (section "frmExtract") while it is
// constructed.
class frmExtract final : public QDialog
{
    Q_OBJECT

  public:
    // lvwPAK: the archive list, whose selection decides "Ausge&wählte Dateien".
    explicit frmExtract(QAbstractItemView *lvwPAK = nullptr, QWidget *parent = nullptr);
    ~frmExtract() override;

    // Shows the dialog modally over frmParent; true when the user confirmed a
    // folder that exists, false when cancelled. strValue is not used.
    bool ShowDlg(QString &strValue, QWidget *frmParent);

    // The folder proposed without any earlier extraction or recent folder:
    // "RESOURCEN.UNP" in the simulator's folder, or in the user's home folder
    // when the simulator is not known (the root of the file system is no place
    // a user may create it).
    static QString DefaultFolder(const QString &hostFolder);
    // The folder text as it is stored: blanks around it removed, absolute and
    // lexically normal, without a trailing separator ("/" stays "/").
    static QString NormalizeFolder(const QString &text);

    // While the list's search filter hides rows, "Alle Dateien" means the rows
    // shown: one line under the options says how many of all entries will be
    // extracted. all: the archive's entries; shown: the rows the filter leaves.
    void SetFilterCounts(int shown, int all);

    // Esc and the close box: the same as "Abbrechen".
    void reject() override;

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void ArrangeControls();
    void UpdateExtractButton();
    void ValidateFolder();
    void Confirm();
    void Browse();
    void UpdateFilterLine();

    QLabel *m_lblExtractTo = nullptr;
    QComboBox *m_cboExtractTo = nullptr;
    QPushButton *m_cmdExtractTo = nullptr;
    QGroupBox *m_fraFiles = nullptr;
    QRadioButton *m_optAll = nullptr;
    QRadioButton *m_optSelected = nullptr;
    QCheckBox *m_chkOverWrite = nullptr;
    QCheckBox *m_chkSkipOldFiles = nullptr;
    QCheckBox *m_chkUsePathNames = nullptr;
    QCheckBox *m_chkConvertPictures = nullptr;
    QPushButton *m_cmdExtract = nullptr;
    QPushButton *m_cmdCancel = nullptr;
    QLabel *m_lblFilterActive = nullptr;
    std::unique_ptr<RecentFoldersCombo> m_recentDirs;

    bool m_blnCancel = false;
    QString m_strSelectFolder;
    QString m_strNoDir;
    QString m_strCreateDir;
    QString m_strFilterActive;
    QString m_strFilterActiveOne;
    QAbstractItemView *m_lvwPAK = nullptr;
    int m_intShown = 0;
    int m_intAll = 0;
};
