#pragma once

#include "PreviewLoader.h"
#include "mdlPakFile.h"

#include <QThreadPool>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <optional>

class PreviewImageView;
class PreviewLinesModel;
class QCheckBox;
class QLabel;
class QStackedWidget;
class QTableView;
class QTimer;

// The pane beside the archive list that shows the current entry: as text with
// line numbers, as a picture with its size and format (a DDS picture of only
// red and green, as normal maps store x and y, optionally with z as blue), or as a hex dump (for
// everything else, and for anything while "Hex" is checked). The entry's bytes
// are read and decoded on a worker thread; a newer entry discards the preview
// of an older one. Damaged data shows why it cannot be previewed.
class PreviewPane final : public QWidget
{
    Q_OBJECT

  public:
    explicit PreviewPane(QWidget *parent = nullptr);
    ~PreviewPane() override;

    // The pane's texts from the language file (the main window's section).
    void LoadTexts();
    // While inactive (hidden) nothing is read; activating it previews the
    // entry last named.
    void SetActive(bool active);
    bool IsActive() const { return m_blnActive; }
    // Previews entry index of archive; -1 (or an index outside the directory)
    // shows that no entry is chosen.
    void ShowEntry(const PakArchive &archive, int32_t index);
    void Clear();

    // The entry named last, and whether its preview is still being made.
    int32_t EntryIndex() const { return m_request ? m_request->Index : -1; }
    bool IsLoading() const { return m_blnLoading; }
    // What is shown now: the kind, the message of a failure or empty entry, the
    // line under the preview.
    std::optional<PreviewKind> ShownKind() const { return m_shownKind; }
    QString MessageText() const;
    QString InfoText() const;

  signals:
    // A preview of the entry (or its failure) is on the screen.
    void PreviewShown(int32_t index);

  private:
    void Start();
    void Apply(PreviewResult result, uint64_t generation);
    void ShowMessage(const QString &text);
    QString FailureText(const PreviewResult &result) const;
    QString CutText(const PreviewResult &result) const;
    QString SizeText(int64_t bytes) const;

    PreviewLinesModel *m_model = nullptr;
    QLabel *m_lblName = nullptr;
    QCheckBox *m_chkHex = nullptr;
    QCheckBox *m_chkNormal = nullptr; // shown for pictures of only red and green
    QStackedWidget *m_pages = nullptr;
    QTableView *m_lvwLines = nullptr;
    PreviewImageView *m_picImage = nullptr;
    QLabel *m_lblMessage = nullptr;
    QLabel *m_lblInfo = nullptr;
    QTimer *m_tmrLoading = nullptr;

    std::optional<PreviewRequest> m_request;
    std::optional<PreviewKind> m_shownKind;
    bool m_blnActive = false;
    bool m_blnLoading = false;
    // Counts the requests; a worker whose number is no longer current stops.
    std::atomic<uint64_t> m_generation{0};
    // One worker: a newer request waits for at most one step of an older one.
    QThreadPool m_pool;

    QString m_strPreviewFailed;
    QString m_strPreviewNone;
    QString m_strPreviewLoading;
    QString m_strPreviewEmpty;
    QString m_strPreviewFileTooLarge;
    QString m_strPreviewImageTooLarge;
    QString m_strPreviewDamaged;
    QString m_strPreviewUnsupported;
    QString m_strPreviewText;
    QString m_strPreviewLines;
    QString m_strPreviewLine;
    QString m_strPreviewBadPosition;
    QString m_strPreviewHex;
    QString m_strPreviewPixels;
    QString m_strPreviewCut;
    QString m_strPreviewMipmaps;
};
