#include "frmProgress.h"

#include "ExtractRun.h"
#include "PictureConvert.h"
#include "PictureConverter.h"

#include "ElidedText.h"
#include "ExtractText.h"
#include "PakListModel.h"
#include "WidgetWindow.h"
#include "frmOverwrite.h"
#include "mdlI18nForm.h"
#include "mdlState.h"
#include "mdlWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

constexpr const char *Section = "frmProgress";
// How often the labels and the bar are redrawn during a run.
constexpr qint64 RedrawMs = 50;
// How often a run lets the event loop turn at most.
constexpr qint64 YieldNs = 2000000;
// The bytes and time-left line: shown once a run has taken this long, and
// recomputed this often, so that the estimate does not flicker.
constexpr qint64 TimeLeftAfterMs = 2000;
constexpr qint64 TimeLeftEveryMs = 500;

} // namespace

frmProgress::frmProgress(const PakArchive *archive, QTableView *lvwPAK, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_archive(archive), m_lvwPAK(lvwPAK)
{
    setObjectName(QString::fromLatin1(Section));
    setWindowTitle(QStringLiteral("Extrahieren"));
    const auto label = [this](const char *name, const QString &text, bool data) {
        auto *control = new QLabel(text, this);
        control->setObjectName(QString::fromLatin1(name));
        if (data) {
            control->setProperty("Tag", QStringLiteral("NOLOC"));
            control->setTextFormat(Qt::PlainText);
        }
        return control;
    };
    m_lblExtract = label("lblExtract", QStringLiteral("Extrahiere:"), false);
    m_lblFile = label("lblFile", QString(), true);
    m_lblExtractTo = label("lblExtractTo", QStringLiteral("Nach:"), false);
    m_lblFolder = label("lblFolder", QString(), true);
    m_pbrMain = new QProgressBar(this);
    m_pbrMain->setObjectName(QStringLiteral("pbrMain"));
    m_pbrMain->setTextVisible(false);
    m_pbrMain->setRange(0, 0);
    m_pbrMain->setValue(0);
    m_lblTimeLeft = label("lblTimeLeft", QString(), true);
    m_cmdCancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setAutoDefault(false);
    m_tmrExtract = new QTimer(this);
    m_tmrExtract->setObjectName(QStringLiteral("tmrExtract"));
    m_tmrExtract->setInterval(100);

    WidgetWindow form(*this);
    form.SetFixedClientSize(4710, 2670);
    form.Place(m_lblExtract, 120, 120, 4455, 255);
    form.Place(m_lblFile, 120, 420, 4455, 255);
    form.Place(m_lblExtractTo, 120, 780, 4455, 255);
    form.Place(m_lblFolder, 120, 1080, 4455, 255);
    form.Place(m_pbrMain, 120, 1440, 4455, 255);
    form.Place(m_lblTimeLeft, 120, 1770, 4455, 255);
    form.Place(m_cmdCancel, (4710 - 1095) / 2, 2160, 1095, 375);

    connect(m_cmdCancel, &QPushButton::clicked, this, [this] { m_blnCancel = true; });
    connect(m_tmrExtract, &QTimer::timeout, this, &frmProgress::Tick);

    setWindowTitle(ExtractText::Translate(Section, "Caption", windowTitle()));
    mdlI18n::TranslateForm(this);
    m_strSummary = ExtractText::Translate(
        Section, "strSummary",
        QStringLiteral("Dateien: %1 geschrieben, %2 übersprungen, %3 beibehalten"));
    m_strTimeLeft =
        ExtractText::Translate(Section, "strTimeLeft", QStringLiteral("%1 von %2, noch etwa %3"));
    m_strSecond = ExtractText::Translate(Section, "strSecond", QStringLiteral("1 Sekunde"));
    m_strSeconds = ExtractText::Translate(Section, "strSeconds", QStringLiteral("%1 Sekunden"));
    m_strMinute = ExtractText::Translate(Section, "strMinute", QStringLiteral("1 Minute"));
    m_strMinutes = ExtractText::Translate(Section, "strMinutes", QStringLiteral("%1 Minuten"));

    m_lblFolder->setText(ElidedText::FitPath(
        m_lblFolder, QString::fromStdString(mdlState::AppSettings.LastExtractFolder)));
    m_frmOverwrite = new frmOverwrite(this);
    m_tmrExtract->start();
}

frmProgress::~frmProgress() = default;

bool frmProgress::ShowDlg(QString &, QWidget *frmParent)
{
    m_blnCancel = false;
    if (CollectWork().empty())
        return true;
    if (frmParent != nullptr && parentWidget() != frmParent)
        setParent(frmParent, windowFlags());
    mdlWindow::CenterWindow(this, frmParent);
    exec();
    m_tmrExtract->stop();
    const bool result = !m_blnCancel;
    m_frmOverwrite->hide();
    return result;
}

void frmProgress::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The first tick comes as soon as the window is on screen; the timer's own
    // ticks catch the case that it is not visible yet.
    QTimer::singleShot(0, this, &frmProgress::Tick);
}

void frmProgress::Tick()
{
    if (!isVisible() || m_blnRunning || !m_tmrExtract->isActive())
        return;
    m_tmrExtract->stop();
    m_blnRunning = true;
    Run();
    m_blnRunning = false;
    hide();
}

std::vector<frmProgress::WorkItem> frmProgress::CollectWork() const
{
    std::vector<WorkItem> work;
    if (m_archive == nullptr || m_lvwPAK == nullptr || m_lvwPAK->model() == nullptr)
        return work;
    const QAbstractItemModel *model = m_lvwPAK->model();
    const QItemSelectionModel *selection = m_lvwPAK->selectionModel();
    const QHeaderView *rows = m_lvwPAK->verticalHeader();
    const bool selectedOnly = mdlState::AppSettings.ExtractSelectedOnly;
    const int count = model->rowCount();
    work.reserve(static_cast<size_t>(count));
    for (int visual = 0; visual < count; ++visual) {
        const int row = rows != nullptr ? rows->logicalIndex(visual) : visual;
        if (row < 0 || m_lvwPAK->isRowHidden(row))
            continue;
        if (selectedOnly && (selection == nullptr || !selection->isRowSelected(row)))
            continue;
        const QVariant size =
            model->index(row, PakListModel::ColSize).data(PakListModel::RawValueRole);
        work.push_back({row, std::max<int64_t>(0, size.toLongLong())});
    }
    return work;
}

void frmProgress::Run()
{
    const std::vector<WorkItem> work = CollectWork();
    const QAbstractItemModel *model = m_lvwPAK->model();
    const std::string folder = mdlState::AppSettings.LastExtractFolder;
    const bool usePathNames = mdlState::AppSettings.UsePathNames == 1;
    ExtractSettings settings;
    settings.OverWrite = mdlState::AppSettings.OverWrite;
    settings.SkipOldFiles = mdlState::AppSettings.SkipOldFiles;

    m_lngWritten = m_lngSkipped = m_lngKept = 0;
    m_lngDone = 0;
    m_curBytesTotal = 0;
    for (const WorkItem &item : work)
        m_curBytesTotal += item.Size;
    m_curBytesDone = 0;
    m_curEntryBytes = 0;
    m_questionMs = 0;
    m_pbrMain->setRange(0, static_cast<int>(work.size()));
    m_pbrMain->setValue(0);
    m_runTime.start();
    m_sinceTimeLeft.start();
    m_sinceShown.invalidate();
    m_sinceYield.invalidate();

    // New small files are written ahead on helper threads; every result, the
    // owner's questions and the figures are settled here, in list order, as if
    // the entries were extracted one after the other.
    const auto name = [&](size_t position) {
        return model->index(work[position].Row, PakListModel::ColName)
            .data(Qt::DisplayRole)
            .toString();
    };
    std::vector<int32_t> indices;
    indices.reserve(work.size());
    for (const WorkItem &item : work)
        indices.push_back(PakKeyIndex(
            model->index(item.Row, 0).data(PakListModel::KeyRole).toString().toStdString()));
    if (!work.empty()) {
        m_strFile = name(0);
        ShowFigures(false);
    }
    // Pictures as PNG, when the extract dialog's box was ticked: converted as
    // their entries are settled, under the same rules for files already there.
    const QtPictureCodec codec;
    std::unique_ptr<PictureConverter> converter;
    unsigned writers = m_writers;
    if (mdlState::AppSettings.ConvertPictures == 1) {
        converter = std::make_unique<PictureConverter>(*m_archive, codec, folder, usePathNames,
                                                       settings, this, false);
        if (PictureConverter::NeedsListOrder(*m_archive, codec, indices, usePathNames))
            writers = 1;
    }
    // Counts what became of one file; a failure stops the run.
    const auto count = [&](const ExtractResult &result) {
        switch (result.Outcome) {
        case ExtractOutcome::Written:
            ++m_lngWritten;
            break;
        case ExtractOutcome::Skipped:
            ++m_lngSkipped;
            break;
        case ExtractOutcome::Kept:
            ++m_lngKept;
            break;
        case ExtractOutcome::Cancelled:
            m_blnCancel = true;
            break;
        case ExtractOutcome::NotFound:
            // The archive has gone since it was opened: said, not passed over in silence.
            ShowError(MakePakError(PakErrorCode::FileNotFound, m_archive->PakPath));
            m_blnCancel = true;
            break;
        case ExtractOutcome::Failed:
            ShowError(result.Error);
            m_blnCancel = true;
            break;
        }
    };
    const auto settled = [&](size_t position, const ExtractResult &result) {
        PictureConverter::Outcome picture;
        if (converter)
            picture = converter->Convert(indices[position], result);
        // The entry's own file, unless the PNG took its place.
        if (!picture.OriginalRemoved)
            count(result);
        if (picture.Converted)
            count(picture.Png);
        m_curBytesDone += work[position].Size;
        m_curEntryBytes = 0;
        ++m_lngDone;
        if (position + 1 < work.size())
            m_strFile = name(position + 1);
        Yield(false);
    };
    if (!m_blnCancel)
        ExtractRun(*m_archive, folder, usePathNames, settings, this)
            .Extract(indices, settled, writers, [this] { return !m_blnCancel; });
    ShowFigures(true);
}

void frmProgress::Yield(bool always)
{
    // A turn of the event loop costs about as much as writing a small file, so
    // a run of many small entries yields every few milliseconds rather than
    // after each one; painting and "Abbrechen" are served just the same.
    if (!always && m_sinceYield.isValid() && m_sinceYield.nsecsElapsed() < YieldNs)
        return;
    m_sinceYield.start();
    ShowFigures(false);
    QCoreApplication::processEvents();
}

void frmProgress::ShowFigures(bool force)
{
    if (!force && m_sinceShown.isValid() && m_sinceShown.elapsed() < RedrawMs)
        return;
    m_sinceShown.start();
    if (m_lblFile->text() != m_strFile)
        m_lblFile->setText(m_strFile);
    m_pbrMain->setValue(m_lngDone);
    const qint64 elapsed = m_runTime.isValid() ? m_runTime.elapsed() - m_questionMs : 0;
    if (elapsed <= TimeLeftAfterMs || (!force && m_sinceTimeLeft.elapsed() < TimeLeftEveryMs))
        return;
    m_sinceTimeLeft.start();
    const int64_t done = m_curBytesDone + m_curEntryBytes;
    const double rate = static_cast<double>(done) / static_cast<double>(elapsed); // per ms
    const double remaining =
        rate > 0 ? static_cast<double>(m_curBytesTotal - done) / rate / 1000.0 : 0.0;
    m_lblTimeLeft->setText(TimeLeftText(done, m_curBytesTotal, std::max(0.0, remaining)));
}

QString frmProgress::TimeLeftText(int64_t done, int64_t total, double remainingSeconds) const
{
    QString left;
    const auto seconds = static_cast<int64_t>(std::ceil(remainingSeconds));
    if (seconds <= 1)
        left = m_strSecond;
    else if (seconds < 90)
        left = QString(m_strSeconds).replace(QStringLiteral("%1"), QString::number(seconds));
    else if (seconds < 150)
        left = m_strMinute;
    else
        left = QString(m_strMinutes)
                   .replace(QStringLiteral("%1"), QString::number((seconds + 30) / 60));
    QString text = m_strTimeLeft;
    return text.replace(QStringLiteral("%1"), ExtractText::FileSize(done))
        .replace(QStringLiteral("%2"), ExtractText::FileSize(total))
        .replace(QStringLiteral("%3"), left);
}

QString frmProgress::SummaryText() const
{
    return QString(m_strSummary)
        .replace(QStringLiteral("%1"), QString::number(m_lngWritten))
        .replace(QStringLiteral("%2"), QString::number(m_lngSkipped))
        .replace(QStringLiteral("%3"), QString::number(m_lngKept));
}

int32_t frmProgress::OverWriteDialog(const ExtractTarget &target)
{
    if (m_frmOverwrite->ReplaceAll())
        return OverWriteAnswer::Replace;
    // The question is about the entry named in the window.
    ShowFigures(true);
    // Waiting for the answer is no part of the time the run takes.
    QElapsedTimer asking;
    asking.start();
    const int32_t answer = m_frmOverwrite->ShowDlg(target, this);
    m_questionMs += asking.elapsed();
    return answer;
}

bool frmProgress::CopyProgress(const ExtractTarget &target, int64_t written)
{
    m_curEntryBytes = written;
    // Within a long entry every step yields; its end counts as the entry's.
    Yield(written < target.EntrySize);
    // An entry whose bytes are all written is finished, so that "Abbrechen"
    // stops the run after it; only a copy still under way is broken off.
    return !m_blnCancel || written >= target.EntrySize;
}

void frmProgress::ShowError(const PakError &error)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Vannerby"),
                    QString::fromStdString(PakErrorMessage(error)), QMessageBox::Ok, this);
    box.exec();
}

void frmProgress::reject()
{
    m_blnCancel = true;
}

void frmProgress::closeEvent(QCloseEvent *event)
{
    event->ignore();
    m_blnCancel = true;
}
