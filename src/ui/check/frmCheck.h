#pragma once

#include "mdlPakCheck.h"

#include <QDialog>
#include <QString>

#include <cstdint>

class CheckFindingsModel;
class QLabel;
class QPushButton;
class QTableView;

// The findings of an archive's structure check, one line each. A double click
// on a finding asks the main window to select its entry. The window is
// translated while it is built, so it can be created on its own (for example
// to fill the language file) before it has anything to show.
class frmCheck final : public QDialog
{
    Q_OBJECT

  public:
    explicit frmCheck(QWidget *parent = nullptr);

    // Lists the findings of report about archive; the texts are made here, so
    // the window does not refer to archive afterwards.
    void ShowReport(const PakCheckReport &report, const PakArchive &archive);
    CheckFindingsModel *Findings() const { return m_model; }
    QTableView *List() const { return m_lvwFindings; }
    QString SummaryText() const;

  signals:
    // The user asked for the entry with this directory index in the main list.
    void EntryActivated(int32_t index);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void ActivateRow(const QModelIndex &at);
    QString TranslateTextStep(const char *key, const QString &defaultText) const;

    CheckFindingsModel *m_model = nullptr;
    QTableView *m_lvwFindings = nullptr;
    QLabel *m_lblSummary = nullptr;
    QLabel *m_lblHint = nullptr;
    QPushButton *m_cmdClose = nullptr;

    QString m_strSummary;
    QString m_strNoFindings;
    QString m_strFindings[PakFindingKindCount];
};
