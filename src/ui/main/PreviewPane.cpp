#include "PreviewPane.h"

#include "LocaleText.h"
#include "PreviewImageView.h"
#include "PreviewLinesModel.h"
#include "PreviewText.h"
#include "mdlI18n.h"
#include "mdlTools.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QStackedWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

namespace {

enum Page
{
    PageLines,
    PageImage,
    PageMessage
};

// Shown only when a preview takes longer than this, so that walking the list
// with the arrow keys does not flicker.
constexpr int LoadingDelayMs = 200;

QLabel *RuntimeLabel(const char *name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    // Its text is set at run time from the pane's message texts.
    label->setProperty("Tag", QStringLiteral("NOLOC"));
    return label;
}

} // namespace

PreviewPane::PreviewPane(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("fraPreview"));
    m_pool.setMaxThreadCount(1);
    // Set here, before any worker reads a picture.
    PreviewLoader::SetImageLimits();
    m_pool.setObjectName(QStringLiteral("PreviewPool"));

    m_strPreviewFailed = QStringLiteral("Vorschau nicht möglich");
    m_strPreviewNone = QStringLiteral("Kein Eintrag ausgewählt");
    m_strPreviewLoading = QStringLiteral("Vorschau wird geladen ...");
    m_strPreviewEmpty = QStringLiteral("Die Datei ist leer.");
    m_strPreviewFileTooLarge = QStringLiteral("Das Bild ist größer als 64 MiB.");
    m_strPreviewImageTooLarge = QStringLiteral("Das Bild ist zu groß");
    m_strPreviewDamaged = QStringLiteral("Die Bilddaten sind unvollständig oder beschädigt.");
    m_strPreviewUnsupported = QStringLiteral("Diese Art von Bild wird nicht unterstützt.");
    m_strPreviewText = QStringLiteral("Text");
    m_strPreviewLines = QStringLiteral("Zeilen");
    m_strPreviewLine = QStringLiteral("Zeile");
    m_strPreviewBadPosition = QStringLiteral("Ungültige Position im Archiv");
    m_strPreviewHex = QStringLiteral("Hex");
    m_strPreviewPixels = QStringLiteral("Pixel");
    m_strPreviewCut = QStringLiteral("angezeigt: die ersten %1 von %2");
    m_strPreviewMipmaps = QStringLiteral("Mipmaps");

    m_lblName = RuntimeLabel("lblPreviewName", this);
    m_lblName->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_chkHex = new QCheckBox(QStringLiteral("&Hex"), this);
    m_chkHex->setObjectName(QStringLiteral("chkPreviewHex"));
    m_chkHex->setToolTip(QStringLiteral("Jede Datei als Hex-Dump anzeigen"));
    m_chkHex->setFocusPolicy(Qt::TabFocus);
    connect(m_chkHex, &QCheckBox::toggled, this, [this] { Start(); });
    m_chkNormal = new QCheckBox(QStringLiteral("&Normalenkarte"), this);
    m_chkNormal->setObjectName(QStringLiteral("chkPreviewNormal"));
    m_chkNormal->setToolTip(
        QStringLiteral("Blau als z einer Normalenkarte aus Rot und Grün berechnen"));
    m_chkNormal->setFocusPolicy(Qt::TabFocus);
    m_chkNormal->hide();
    connect(m_chkNormal, &QCheckBox::toggled, this, [this] { Start(); });

    m_model = new PreviewLinesModel(this);
    m_lvwLines = new QTableView(this);
    m_lvwLines->setObjectName(QStringLiteral("lvwPreview"));
    m_lvwLines->setModel(m_model);
    m_lvwLines->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_lvwLines->setShowGrid(false);
    m_lvwLines->setWordWrap(false);
    m_lvwLines->setTextElideMode(Qt::ElideNone);
    m_lvwLines->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lvwLines->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lvwLines->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lvwLines->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Fixed row heights and column widths: no row or cell is measured, whatever
    // the number of lines.
    QHeaderView *rows = m_lvwLines->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(m_lvwLines->fontMetrics().height() + 2);
    rows->setFont(m_lvwLines->font());
    QHeaderView *columns = m_lvwLines->horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Fixed);
    columns->setSectionsClickable(false);
    columns->setHighlightSections(false);

    m_picImage = new PreviewImageView(this);
    m_picImage->setObjectName(QStringLiteral("picPreview"));
    m_lblMessage = RuntimeLabel("lblPreviewMessage", this);
    m_lblMessage->setAlignment(Qt::AlignCenter);
    m_lblMessage->setWordWrap(true);
    m_lblMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_pages = new QStackedWidget(this);
    m_pages->insertWidget(PageLines, m_lvwLines);
    m_pages->insertWidget(PageImage, m_picImage);
    m_pages->insertWidget(PageMessage, m_lblMessage);

    m_lblInfo = RuntimeLabel("lblPreviewInfo", this);

    auto *top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(m_lblName, 1);
    top->addWidget(m_chkNormal);
    top->addWidget(m_chkHex);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 0, 0, 0);
    layout->addLayout(top);
    layout->addWidget(m_pages, 1);
    layout->addWidget(m_lblInfo);

    m_tmrLoading = new QTimer(this);
    m_tmrLoading->setSingleShot(true);
    m_tmrLoading->setInterval(LoadingDelayMs);
    connect(m_tmrLoading, &QTimer::timeout, this, [this] {
        if (m_blnLoading)
            ShowMessage(m_strPreviewLoading);
    });
    ShowMessage(m_strPreviewNone);
}

PreviewPane::~PreviewPane()
{
    // The worker reports to this pane: it must be done before the pane goes.
    ++m_generation;
    m_pool.clear();
    m_pool.waitForDone();
}

void PreviewPane::LoadTexts()
{
    const auto text = [](const char *key, QString &value) {
        value = QString::fromStdString(mdlI18n::TranslateText("frmMain", key, value.toStdString()));
    };
    text("strPreviewFailed", m_strPreviewFailed);
    text("strPreviewNone", m_strPreviewNone);
    text("strPreviewLoading", m_strPreviewLoading);
    text("strPreviewEmpty", m_strPreviewEmpty);
    text("strPreviewFileTooLarge", m_strPreviewFileTooLarge);
    text("strPreviewImageTooLarge", m_strPreviewImageTooLarge);
    text("strPreviewDamaged", m_strPreviewDamaged);
    text("strPreviewUnsupported", m_strPreviewUnsupported);
    text("strPreviewText", m_strPreviewText);
    text("strPreviewLines", m_strPreviewLines);
    text("strPreviewLine", m_strPreviewLine);
    text("strPreviewBadPosition", m_strPreviewBadPosition);
    text("strPreviewHex", m_strPreviewHex);
    text("strPreviewPixels", m_strPreviewPixels);
    text("strPreviewCut", m_strPreviewCut);
    text("strPreviewMipmaps", m_strPreviewMipmaps);
    std::array<QString, PreviewLinesModel::HexColumnCount> captions = {
        QStringLiteral("Offset"), QStringLiteral("Archiv-Offset"), QStringLiteral("Bytes"),
        QStringLiteral("Zeichen")};
    text("strPreviewColOffset", captions[PreviewLinesModel::ColEntryOffset]);
    text("strPreviewColArchive", captions[PreviewLinesModel::ColArchiveOffset]);
    text("strPreviewColBytes", captions[PreviewLinesModel::ColBytes]);
    text("strPreviewColChars", captions[PreviewLinesModel::ColChars]);
    m_model->SetHexCaptions(captions);
    if (!m_request)
        ShowMessage(m_strPreviewNone);
}

void PreviewPane::SetActive(bool active)
{
    if (active == m_blnActive)
        return;
    m_blnActive = active;
    if (active) {
        Start();
    } else {
        // Nothing read for a hidden pane; what it showed is dropped.
        ++m_generation;
        m_pool.clear();
        m_blnLoading = false;
        m_model->Clear();
        m_picImage->Clear();
        m_shownKind.reset();
    }
}

void PreviewPane::ShowEntry(const PakArchive &archive, int32_t index)
{
    if (index < 0 || static_cast<size_t>(index) >= archive.Entries.size()) {
        Clear();
        return;
    }
    PreviewRequest request;
    request.PakPath = archive.PakPath;
    request.Entry = archive.Entries[static_cast<size_t>(index)];
    request.Index = index;
    m_request = std::move(request);
    m_lblName->setText(QString::fromStdString(PakEntryName(m_request->Entry)));
    Start();
}

void PreviewPane::Clear()
{
    ++m_generation;
    m_pool.clear();
    m_request.reset();
    m_blnLoading = false;
    m_tmrLoading->stop();
    m_lblName->clear();
    m_chkNormal->hide();
    m_model->Clear();
    m_picImage->Clear();
    ShowMessage(m_strPreviewNone);
    m_shownKind.reset();
}

void PreviewPane::Start()
{
    const uint64_t generation = ++m_generation;
    m_pool.clear(); // requests not begun yet are out of date
    if (!m_blnActive || !m_request) {
        m_blnLoading = false;
        return;
    }
    PreviewRequest request = *m_request;
    request.ForceHex = m_chkHex->isChecked();
    request.NormalMap = m_chkNormal->isChecked();
    // The picture page takes the pages' whole area once it is shown; while another
    // page is shown it keeps an old size.
    request.FitSize = m_pages->contentsRect().size();
    m_blnLoading = true;
    m_tmrLoading->start();
    m_pool.start([this, request = std::move(request), generation] {
        const auto cancelled = [this, generation] { return m_generation.load() != generation; };
        auto result = std::make_shared<PreviewResult>(PreviewLoader::Load(request, cancelled));
        if (cancelled())
            return;
        QMetaObject::invokeMethod(
            this, [this, result, generation] { Apply(std::move(*result), generation); },
            Qt::QueuedConnection);
    });
}

void PreviewPane::Apply(PreviewResult result, uint64_t generation)
{
    if (generation != m_generation.load() || result.Failure == PreviewFailure::Cancelled)
        return;
    m_blnLoading = false;
    m_tmrLoading->stop();
    m_shownKind = result.Kind;
    m_chkNormal->setVisible(result.Kind == PreviewKind::Image && result.TwoChannels);
    switch (result.Kind) {
    case PreviewKind::Text:
    case PreviewKind::Hex: {
        const bool hex = result.Kind == PreviewKind::Hex;
        QString info;
        if (hex) {
            info = m_strPreviewHex + QStringLiteral(", ") + SizeText(result.EntrySize);
        } else {
            info = m_strPreviewText + QStringLiteral(" (") + result.Encoding +
                   QStringLiteral("), ") +
                   LocaleText::CountOf(result.LineCount, m_strPreviewLine, m_strPreviewLines);
        }
        if (result.Cut)
            info += QStringLiteral("; ") + CutText(result);
        const int32_t longest = result.LongestSegment;
        m_model->Show(result);
        m_picImage->Clear();
        m_lblInfo->setText(info);
        const QFontMetrics metrics(m_lvwLines->font());
        const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
        m_lvwLines->horizontalHeader()->setVisible(hex);
        m_lvwLines->verticalHeader()->setVisible(!hex);
        if (hex) {
            const int widths[] = {10, 10, PreviewText::HexBytesPerLine * 3 + 1,
                                  PreviewText::HexBytesPerLine + 1};
            for (int column = 0; column < PreviewLinesModel::HexColumnCount; ++column)
                m_lvwLines->setColumnWidth(
                    column, std::max(widths[column] * digit + 8,
                                     m_lvwLines->horizontalHeader()->sectionSizeHint(column)));
        } else {
            // Monospaced: the longest display line decides the width.
            m_lvwLines->setColumnWidth(0, std::max(longest + 2, 8) * digit);
        }
        m_lvwLines->scrollToTop();
        if (!hex && result.EntrySize == 0)
            ShowMessage(m_strPreviewEmpty);
        else
            m_pages->setCurrentIndex(PageLines);
        break;
    }
    case PreviewKind::Image: {
        m_model->Clear();
        m_picImage->SetPicture(result.Picture, result.Scaled);
        QString info = QString::number(result.PixelSize.width()) + QStringLiteral(" × ") +
                       QString::number(result.PixelSize.height()) + QLatin1Char(' ') +
                       m_strPreviewPixels + QStringLiteral(", ") + result.Format;
        if (result.Mipmaps > 1)
            info += QStringLiteral(", ") + QString::number(result.Mipmaps) + QLatin1Char(' ') +
                    m_strPreviewMipmaps;
        m_lblInfo->setText(info);
        m_pages->setCurrentIndex(PageImage);
        break;
    }
    case PreviewKind::Failed:
    default:
        m_model->Clear();
        m_picImage->Clear();
        m_lblInfo->clear();
        ShowMessage(m_strPreviewFailed + QLatin1Char('\n') + FailureText(result));
        break;
    }
    emit PreviewShown(result.Index);
}

void PreviewPane::ShowMessage(const QString &text)
{
    m_lblMessage->setText(text);
    m_pages->setCurrentIndex(PageMessage);
}

QString PreviewPane::MessageText() const
{
    return m_pages->currentIndex() == PageMessage ? m_lblMessage->text() : QString();
}

QString PreviewPane::InfoText() const
{
    return m_lblInfo->text();
}

QString PreviewPane::FailureText(const PreviewResult &result) const
{
    switch (result.Failure) {
    case PreviewFailure::Read:
        return result.Detail;
    case PreviewFailure::BadPosition:
        return m_strPreviewBadPosition;
    case PreviewFailure::FileTooLarge:
        return m_strPreviewFileTooLarge;
    case PreviewFailure::ImageTooLarge:
        return m_strPreviewImageTooLarge + QStringLiteral(" (") +
               QString::number(result.PixelSize.width()) + QStringLiteral(" × ") +
               QString::number(result.PixelSize.height()) + QLatin1Char(' ') + m_strPreviewPixels +
               QStringLiteral(").");
    case PreviewFailure::Unsupported:
        return m_strPreviewUnsupported;
    case PreviewFailure::ImageDamaged:
    default:
        return m_strPreviewDamaged;
    }
}

QString PreviewPane::CutText(const PreviewResult &result) const
{
    const int64_t shown =
        result.Bytes ? static_cast<int64_t>(result.Bytes->size()) : PreviewLoader::TextBytes;
    return m_strPreviewCut.arg(SizeText(shown), SizeText(result.EntrySize));
}

QString PreviewPane::SizeText(int64_t bytes) const
{
    return LocaleText::Size(bytes);
}
