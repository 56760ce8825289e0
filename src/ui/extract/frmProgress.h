#pragma once

#include "mdlPakFile.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QString>

#include <cstdint>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
class QTimer;
class frmOverwrite;

// Carries out one extraction run: the rows of the archive list in the order
// shown (all, or the selected ones), one entry after the other into the folder
// and with the options the extract dialog stored, with progress, "Abbrechen"
// and the overwrite question. Constructible without an archive (it then has
// nothing to do); it translates itself (section "frmProgress") while it is
// constructed.
class frmProgress final : public QDialog, public ExtractOwner
{
    Q_OBJECT

  public:
    frmProgress(const PakArchive *archive = nullptr, QTableView *lvwPAK = nullptr,
                QWidget *parent = nullptr);
    ~frmProgress() override;

    // Shows the window modally over frmParent and runs the extraction; true when
    // the run finished, false when it was stopped (by the user, by the overwrite
    // question or by a failed entry). A run with nothing to do ends at once with
    // true. strValue is not used.
    bool ShowDlg(QString &strValue, QWidget *frmParent);
    // How many threads write new small files (0, the default: one per core; 1:
    // one entry after the other on the window's thread).
    void SetWriters(unsigned writers) { m_writers = writers; }

    // ExtractOwner: the overwrite question, and the copy's progress within an
    // entry, which repaints the window and serves "Abbrechen".
    int32_t OverWriteDialog(const ExtractTarget &target) override;
    bool CopyProgress(const ExtractTarget &target, int64_t written) override;

    // What the last run did.
    int Written() const { return m_lngWritten; }
    int Skipped() const { return m_lngSkipped; }
    int Kept() const { return m_lngKept; }
    // "Dateien: 3 geschrieben, 1 übersprungen, 0 beibehalten" for the status bar.
    QString SummaryText() const;
    bool Cancelled() const { return m_blnCancel; }
    // The line shown once a run has taken more than two seconds: "12,40 MB von
    // 1,00 GB, noch etwa 8 Sekunden".
    QString TimeLeftText(int64_t done, int64_t total, double remainingSeconds) const;
    frmOverwrite *OverwriteDialog() const { return m_frmOverwrite; }

    // Esc: the same as "Abbrechen".
    void reject() override;

  protected:
    // The close box is refused and stops the run, like "Abbrechen".
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

  private:
    struct WorkItem
    {
        int Row = 0;
        int64_t Size = 0;
    };

    void Tick();
    void Run();
    // The rows to extract, in the order the list shows them.
    std::vector<WorkItem> CollectWork() const;
    // Lets painting and "Abbrechen" be served (every few milliseconds unless
    // always); the labels and the bar are redrawn a few times a second rather
    // than for every one of many small entries.
    void Yield(bool always);
    void ShowFigures(bool force);
    void ShowError(const PakError &error);

    const PakArchive *m_archive;
    QTableView *m_lvwPAK;
    QLabel *m_lblExtract = nullptr;
    QLabel *m_lblFile = nullptr;
    QLabel *m_lblExtractTo = nullptr;
    QLabel *m_lblFolder = nullptr;
    QProgressBar *m_pbrMain = nullptr;
    QLabel *m_lblTimeLeft = nullptr;
    QPushButton *m_cmdCancel = nullptr;
    QTimer *m_tmrExtract = nullptr;
    frmOverwrite *m_frmOverwrite = nullptr;

    bool m_blnCancel = false;
    unsigned m_writers = 0;
    bool m_blnRunning = false;
    int m_lngWritten = 0;
    int m_lngSkipped = 0;
    int m_lngKept = 0;

    // Figures of the run in hand, shown when the window is next redrawn.
    QString m_strFile;
    int m_lngDone = 0;
    int64_t m_curBytesTotal = 0;
    int64_t m_curBytesDone = 0;  // of finished entries
    int64_t m_curEntryBytes = 0; // of the entry being copied
    QElapsedTimer m_runTime;
    QElapsedTimer m_sinceShown;
    QElapsedTimer m_sinceYield;
    QElapsedTimer m_sinceTimeLeft;
    int64_t m_questionMs = 0; // time spent in the overwrite question

    QString m_strSummary;
    QString m_strTimeLeft;
    QString m_strSecond;
    QString m_strSeconds;
    QString m_strMinute;
    QString m_strMinutes;
};
