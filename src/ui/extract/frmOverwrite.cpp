#include "frmOverwrite.h"

#include "ElidedText.h"
#include "ExtractText.h"
#include "WidgetWindow.h"
#include "mdlI18nForm.h"
#include "mdlTools.h"
#include "mdlWindow.h"

#include <QCloseEvent>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include <algorithm>

namespace {

constexpr const char *Section = "frmOverwrite";
// The shell's icon size for the three pictures.
constexpr int IconSize = 32;

} // namespace

frmOverwrite::frmOverwrite(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QString::fromLatin1(Section));
    setWindowTitle(QStringLiteral("Überschreiben bestätigen"));
    const auto label = [this](const char *name, const QString &text) {
        auto *control = new QLabel(text, this);
        control->setObjectName(QString::fromLatin1(name));
        return control;
    };
    const auto picture = [&label](const char *name) {
        QLabel *control = label(name, QString());
        // A picture box, which has no texts to translate.
        control->setProperty("Tag", QStringLiteral("NOLOC"));
        control->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return control;
    };
    const auto dataLabel = [&label](const char *name) {
        QLabel *control = label(name, QString());
        control->setProperty("Tag", QStringLiteral("NOLOC"));
        control->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        control->setTextFormat(Qt::PlainText);
        return control;
    };
    const auto button = [this](const char *name, const QString &text) {
        auto *control = new QPushButton(text, this);
        control->setObjectName(QString::fromLatin1(name));
        control->setAutoDefault(false);
        return control;
    };
    m_picTitle = picture("picTitle");
    m_lblTitle = label("lblTitle", QStringLiteral("Datei ist bereits im Ordner enthalten"));
    m_lblReplaceOld = label("lblReplaceOld", QStringLiteral("Möchten Sie die vorhandene Datei:"));
    m_picOld = picture("picOld");
    m_lblOldFile = dataLabel("lblOldFile");
    m_lblReplaceNew = label("lblReplaceNew", QStringLiteral("durch diese ersetzen:"));
    m_picNew = picture("picNew");
    m_lblNewFile = dataLabel("lblNewFile");
    m_lblCompare = dataLabel("lblCompare");
    m_cmdYes = button("cmdYes", QStringLiteral("&Ja"));
    m_cmdAll = button("cmdAll", QStringLiteral("&Alle ersetzen"));
    m_cmdNo = button("cmdNo", QStringLiteral("&Nein"));
    m_cmdCancel = button("cmdCancel", QStringLiteral("Abbrechen"));

    QFont bold = m_lblTitle->font();
    bold.setBold(true);
    m_lblTitle->setFont(bold);

    connect(m_cmdYes, &QPushButton::clicked, this, [this] { Answer(OverWriteAnswer::Replace); });
    connect(m_cmdAll, &QPushButton::clicked, this, [this] {
        m_blnReplaceAll = true;
        Answer(OverWriteAnswer::Replace);
    });
    connect(m_cmdNo, &QPushButton::clicked, this, [this] { Answer(OverWriteAnswer::Keep); });
    connect(m_cmdCancel, &QPushButton::clicked, this, [this] { Answer(OverWriteAnswer::Stop); });

    setWindowTitle(ExtractText::Translate(Section, "Caption", windowTitle()));
    mdlI18n::TranslateForm(this);
    m_strNewer = ExtractText::Translate(Section, "strNewer",
                                        QStringLiteral("Die Datei im Archiv ist neuer."));
    m_strOlder = ExtractText::Translate(Section, "strOlder",
                                        QStringLiteral("Die Datei im Archiv ist älter."));
    m_strSameAge = ExtractText::Translate(Section, "strSameAge",
                                          QStringLiteral("Beide Dateien sind gleich alt."));

    ArrangeControls();
    m_picTitle->setPixmap(
        style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(IconSize));
}

void frmOverwrite::ArrangeControls()
{
    // The design's bounds in twips; the buttons widen for a text that would be
    // cut in the font in use, and the window with them.
    WidgetWindow form(*this);
    double buttonWidth = 1095;
    for (const QWidget *button : {m_cmdYes, m_cmdAll, m_cmdNo, m_cmdCancel})
        buttonWidth = std::max(buttonWidth, form.HintWidth(button));
    const double rowWidth = 4 * buttonWidth + 3 * 120;
    const double clientWidth = std::max(6390.0, 1530 + rowWidth + 120);
    form.SetFixedClientSize(clientWidth, 3390);
    form.Place(m_picTitle, 120, 120, 480, 480);
    form.Place(m_lblTitle, 720, 240, clientWidth - 840, 255);
    form.Place(m_lblReplaceOld, 720, 720, clientWidth - 840, 255);
    form.Place(m_picOld, 720, 1020, 480, 480);
    form.Place(m_lblOldFile, 1320, 1020, clientWidth - 1440, 480);
    form.Place(m_lblReplaceNew, 720, 1620, clientWidth - 840, 255);
    form.Place(m_picNew, 720, 1920, 480, 480);
    form.Place(m_lblNewFile, 1320, 1920, clientWidth - 1440, 480);
    form.Place(m_lblCompare, 720, 2460, clientWidth - 840, 255);
    double left = clientWidth - 120 - rowWidth;
    for (QWidget *button : {m_cmdYes, m_cmdAll, m_cmdNo, m_cmdCancel}) {
        form.Place(button, left, 2880, buttonWidth, 375);
        left += buttonWidth + 120;
    }
}

int32_t frmOverwrite::ShowDlg(const ExtractTarget &target, QWidget *frmParent)
{
    if (m_blnReplaceAll)
        return OverWriteAnswer::Replace;
    m_lngResult = OverWriteAnswer::Stop;
    ShowTarget(target);
    if (frmParent != nullptr && parentWidget() != frmParent)
        setParent(frmParent, windowFlags());
    // Every question of a run is centred on the progress window, like the first.
    mdlWindow::CenterWindow(this, frmParent);
    exec();
    return m_lngResult;
}

void frmOverwrite::ShowTarget(const ExtractTarget &target)
{
    m_lblOldFile->setText(
        ElidedText::FitPath(m_lblOldFile, QString::fromStdString(target.ExistingPath)) +
        QLatin1Char('\n') + ExtractText::FileSize(target.ExistingSize) + QLatin1Char(' ') +
        ExtractText::FileDateTime(target.ExistingLastWriteTime));
    m_lblNewFile->setText(
        ElidedText::FitPath(m_lblNewFile,
                            QString::fromStdString(mdlTools::GetFileName(target.TargetPath))) +
        QLatin1Char('\n') + ExtractText::FileSize(target.EntrySize) + QLatin1Char(' ') +
        ExtractText::FileDateTime(target.NewLastWriteTime));

    // Whole local seconds, as the extractor compares them.
    const DateTime newer = FileTimeToDate(target.NewLastWriteTime);
    const DateTime existing = FileTimeToDate(target.ExistingLastWriteTime);
    m_lblCompare->setText(newer > existing   ? m_strNewer
                          : newer < existing ? m_strOlder
                                             : m_strSameAge);
    const bool notNewer = !(newer > existing);
    m_cmdYes->setDefault(!notNewer);
    m_cmdNo->setDefault(notNewer);
    m_focusButton = notNewer ? m_cmdNo : m_cmdYes;
    m_focusButton->setFocus(Qt::OtherFocusReason);

    DrawFileIcons(QString::fromStdString(target.ExistingPath));
}

void frmOverwrite::DrawFileIcons(const QString &existingPath)
{
    m_picOld->clear();
    m_picNew->clear();
    // Both files share the path and so the type.
    const QIcon icon = QFileIconProvider().icon(QFileInfo(existingPath));
    if (icon.isNull())
        return;
    const QPixmap pixmap = icon.pixmap(IconSize);
    m_picOld->setPixmap(pixmap);
    m_picNew->setPixmap(pixmap);
}

void frmOverwrite::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_focusButton != nullptr)
        m_focusButton->setFocus(Qt::ActiveWindowFocusReason);
}

void frmOverwrite::Answer(int32_t lngResult)
{
    m_lngResult = lngResult;
    hide();
}

void frmOverwrite::reject()
{
    Answer(OverWriteAnswer::Stop);
}

void frmOverwrite::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Answer(OverWriteAnswer::Stop);
}
