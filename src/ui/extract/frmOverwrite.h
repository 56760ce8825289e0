#pragma once

#include "mdlPakFile.h"

#include <QDialog>
#include <QString>

#include <cstdint>

class QLabel;
class QPushButton;

// Asks whether an existing file is to be replaced by an archive entry: both
// files side by side with icon, size and last-write time, and one line that says
// which is newer. One instance serves a whole extraction run, so that "&Alle
// ersetzen" answers the rest of that run. Constructible without an archive; it
// translates itself (section "frmOverwrite") while it is constructed.
class frmOverwrite final : public QDialog
{
    Q_OBJECT

  public:
    explicit frmOverwrite(QWidget *parent = nullptr);

    // 6 (replace), 7 (keep the existing file) or 2 (stop the run); 6 at once,
    // without asking, once "&Alle ersetzen" was chosen in this instance.
    int32_t ShowDlg(const ExtractTarget &target, QWidget *frmParent);
    bool ReplaceAll() const { return m_blnReplaceAll; }

    // Esc: the same as "Abbrechen".
    void reject() override;

  protected:
    // The close box is refused and answers 2, like "Abbrechen".
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

  private:
    void ArrangeControls();
    void Answer(int32_t lngResult);
    void ShowTarget(const ExtractTarget &target);
    void DrawFileIcons(const QString &existingPath);

    QLabel *m_picTitle = nullptr;
    QLabel *m_lblTitle = nullptr;
    QLabel *m_lblReplaceOld = nullptr;
    QLabel *m_picOld = nullptr;
    QLabel *m_lblOldFile = nullptr;
    QLabel *m_lblReplaceNew = nullptr;
    QLabel *m_picNew = nullptr;
    QLabel *m_lblNewFile = nullptr;
    QLabel *m_lblCompare = nullptr;
    QPushButton *m_cmdYes = nullptr;
    QPushButton *m_cmdAll = nullptr;
    QPushButton *m_cmdNo = nullptr;
    QPushButton *m_cmdCancel = nullptr;
    QPushButton *m_focusButton = nullptr;

    int32_t m_lngResult = OverWriteAnswer::Stop;
    bool m_blnReplaceAll = false;
    QString m_strNewer;
    QString m_strOlder;
    QString m_strSameAge;
};
