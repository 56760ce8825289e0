#include "frmOptions.h"

#include "FileAssociation.h"
#include "IRecentList.h"
#include "ListSizeText.h"
#include "RegistryTypes.h"
#include "Variant.h"
#include "cRegistry.h"
#include "mdlDialogLayout.h"
#include "mdlI18n.h"
#include "mdlI18nForm.h"
#include "mdlState.h"
#include "mdlTools.h"
#include "mdlWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>

#include <exception>
#include <functional>
#include <stdexcept>

using namespace RegistryTypes;

namespace {

constexpr const char *Section = "frmOptions";
constexpr const char *AssocNotDefaultText =
    "Vannerby ist für PAK-Dateien eingetragen. Sie haben aber ein anderes Programm als "
    "Standard für diese Dateien gewählt, und diese Wahl hat Vorrang.\n\n"
    "So wählen Sie Vannerby: Klicken Sie mit der rechten Maustaste auf eine PAK-Datei, "
    "wählen Sie „Öffnen mit“ und dort Vannerby, und legen Sie es als Standard fest "
    "(unter Windows: „Immer diese App zum Öffnen von .pak-Dateien verwenden“, oder "
    "Einstellungen > Apps > Standard-Apps).";
using FileAssociation::Extensions;

// Runs one step of Apply; a failing step is skipped and remembered in failed.
void RunStep(bool &failed, const std::function<void()> &step)
{
    try {
        step();
    } catch (const std::exception &) {
        failed = true;
    } catch (...) {
        failed = true;
    }
}

// The decimal separator of the user's locale.
QChar DecimalPoint()
{
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.front();
}

} // namespace

frmOptions::frmOptions(QWidget *owner, IRecentList *mnuFileMRU)
    : QDialog(owner), m_mnuFileMRU(mnuFileMRU)
{
    setObjectName(QString::fromLatin1(Section));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral("Optionen"));
    const double screenTwipsPerPixel = mdlDialogLayout::TwipsPerPixel(this, owner);
    m_twipsPerPixel = screenTwipsPerPixel;
    CreateControls();
    LoadSettings();
    // Laid out again once the texts are final, so that none is cut off.
    m_twipsPerPixel = mdlDialogLayout::FitTwipsPerPixel(this, screenTwipsPerPixel);
    mdlDialogLayout::Relayout(this, m_twipsPerPixel);
    // The page out of view is disabled from the start, so that Tab never moves
    // the focus onto a control the user cannot see.
    TabClick();
    // The dialog sees key presses before its controls, whichever has the focus.
    qApp->installEventFilter(this);
}

frmOptions::~frmOptions()
{
    qApp->removeEventFilter(this);
}

// ---------------------------------------------------------------------------
// Controls

void frmOptions::CreateControls()
{
    const double tpp = m_twipsPerPixel;
    mdlDialogLayout::SetClientSize(this, 6150, 4950, tpp);

    // The tab strip only shows the tabs and the frame; the pages are laid over it
    // and moved into view by the tab-click rule.
    m_tbsOptions = new QTabWidget(this);
    m_tbsOptions->setObjectName(QStringLiteral("tbsOptions"));
    for (const auto &[key, caption] :
         {std::pair{"General", "Allgemein"}, std::pair{"Extract", "Extrahieren"}}) {
        auto *placeholder = new QWidget(m_tbsOptions);
        placeholder->setProperty("Key", QString::fromLatin1(key));
        m_tbsOptions->addTab(placeholder, QString::fromUtf8(caption));
    }
    mdlDialogLayout::Place(m_tbsOptions, 105, 120, 5910, 4245, tpp);

    for (int i = 0; i < 2; ++i) {
        auto *page = new QWidget(this);
        page->setObjectName(QStringLiteral("picOptions"));
        mdlDialogLayout::Place(page, i == 0 ? 210 : -20000, 480, 5685, 3780, tpp);
        m_picOptions << page;
    }

    const auto check = [tpp](QWidget *page, const char *name, const char *text, double left,
                             double top, double width, double height) {
        auto *box = new QCheckBox(QString::fromUtf8(text), page);
        box->setObjectName(QString::fromLatin1(name));
        mdlDialogLayout::Place(box, left, top, width, height, tpp);
        return box;
    };
    const auto sizeBox = [tpp](QWidget *page, const char *name) {
        auto *text = new QLineEdit(page);
        text->setObjectName(QString::fromLatin1(name));
        mdlDialogLayout::Place(text, 3120, 240, 495, 285, tpp);
        return text;
    };
    const auto label = [tpp](QWidget *page, const char *name) {
        auto *entries = new QLabel(QStringLiteral("Einträge"), page);
        entries->setObjectName(QString::fromLatin1(name));
        mdlDialogLayout::Place(entries, 3720, 270, 855, 255, tpp);
        return entries;
    };

    QWidget *general = m_picOptions.at(0);
    m_chkMRUList =
        check(general, "chkMRUList", "Liste zuletzt geöffneter Dateien:", 120, 270, 2535, 255);
    m_txtMRUList = sizeBox(general, "txtMRUList");
    m_lblMRUList = label(general, "lblMRUList");
    m_chkFileAssociation = check(general, "chkFileAssociation",
                                 "PAK-Dateien immer mit Vannerby öffnen", 120, 720, 3735, 255);

    QWidget *extract = m_picOptions.at(1);
    m_chkMRUDirs =
        check(extract, "chkMRUDirs", "Liste zuletzt verwendeter Ordner:", 120, 270, 2895, 255);
    m_txtMRUDirs = sizeBox(extract, "txtMRUDirs");
    m_lblMRUDirs = label(extract, "lblMRUDirs");
    m_chkOverWrite = check(extract, "chkOverWrite", "Dateien übe&rschreiben", 120, 720, 2295, 255);
    m_chkSkipOldFiles =
        check(extract, "chkSkipOldFiles", "Ältere Dateien über&springen", 120, 1200, 2295, 255);
    m_chkUsePathNames =
        check(extract, "chkUsePathNames", "&Pfadangaben verwenden", 120, 1680, 2295, 255);

    const auto button = [this, tpp](const char *name, const char *text, double left, double top) {
        auto *push = new QPushButton(QString::fromUtf8(text), this);
        push->setObjectName(QString::fromLatin1(name));
        // No default button: Enter presses none of them.
        push->setAutoDefault(false);
        mdlDialogLayout::Place(push, left, top, 1095, 375, tpp);
        return push;
    };
    m_cmdOK = button("cmdOK", "OK", 2490, 4455);
    m_cmdCancel = button("cmdCancel", "Abbrechen", 3720, 4455);
    m_cmdApply = button("cmdApply", "Ü&bernehmen", 4920, 4440);

    connect(m_tbsOptions, &QTabWidget::currentChanged, this, [this] { TabClick(); });
    connect(m_chkMRUList, &QCheckBox::clicked, this,
            [this] { ListCheckClick(m_chkMRUList, m_txtMRUList); });
    connect(m_chkMRUDirs, &QCheckBox::clicked, this,
            [this] { ListCheckClick(m_chkMRUDirs, m_txtMRUDirs); });
    for (QCheckBox *option :
         {m_chkFileAssociation, m_chkOverWrite, m_chkSkipOldFiles, m_chkUsePathNames})
        connect(option, &QCheckBox::clicked, this, [this] { OptionClick(); });
    connect(m_txtMRUList, &QLineEdit::textChanged, this, [this] { SizeTextChanged(m_txtMRUList); });
    connect(m_txtMRUDirs, &QLineEdit::textChanged, this, [this] { SizeTextChanged(m_txtMRUDirs); });
    connect(m_cmdOK, &QPushButton::clicked, this, [this] { OK(); });
    connect(m_cmdCancel, &QPushButton::clicked, this, [this] { reject(); });
    connect(m_cmdApply, &QPushButton::clicked, this, [this] { Apply(); });
}

void frmOptions::LoadSettings()
{
    m_strExePath = mdlTools::GetAppExePath();
    setWindowTitle(QString::fromStdString(
        mdlI18n::TranslateText(Section, "Caption", windowTitle().toStdString())));
    mdlI18n::TranslateForm(this);
    m_strAssocNotDefault = QString::fromStdString(
        mdlI18n::TranslateText(Section, "strAssocNotDefault", AssocNotDefaultText));

    // Setting the controls here runs none of the click rules: those answer the
    // user's clicks only, so the stored sizes stay as they are.
    const AppSettingsRecord &settings = mdlState::AppSettings;
    const auto showSize = [](QCheckBox *check, QLineEdit *text, int32_t size) {
        check->setChecked(size >= 1);
        text->setText(size >= 1 ? QString::number(size) : QStringLiteral("0"));
    };
    showSize(m_chkMRUList, m_txtMRUList, settings.RecentFilesMax);
    showSize(m_chkMRUDirs, m_txtMRUDirs, settings.RecentDirsMax);
    m_chkOverWrite->setChecked(settings.OverWrite == 1);
    m_chkSkipOldFiles->setChecked(settings.SkipOldFiles == 1);
    m_chkUsePathNames->setChecked(settings.UsePathNames == 1);
    m_intAssocState = GetAssociationState();
    m_chkFileAssociation->setChecked(m_intAssocState == 1);
    m_blnChanged = false;
    EnableControls();
}

void frmOptions::showEvent(QShowEvent *event)
{
    // Placed before the window system maps it, so that it does not jump.
    if (!m_blnCentred) {
        m_blnCentred = true;
        mdlWindow::CenterWindow(this, parentWidget());
    }
    QDialog::showEvent(event);
}

// ---------------------------------------------------------------------------
// State

int frmOptions::GetAssociationState() const
{
    if (m_strExePath.empty())
        return 0;
    try {
        return FileAssociation::GetAssociationState(m_strExePath);
    } catch (const std::exception &) {
        return 0;
    }
}

void frmOptions::EnableControls()
{
    m_cmdApply->setEnabled(m_blnChanged);
    const QColor window = QApplication::palette().color(QPalette::Active, QPalette::Base);
    const QColor dialog = palette().color(QPalette::Active, QPalette::Window);
    for (const auto &[check, text] :
         {std::pair{m_chkMRUList, m_txtMRUList}, std::pair{m_chkMRUDirs, m_txtMRUDirs}}) {
        const bool enabled = check->isChecked();
        text->setEnabled(enabled);
        QPalette colours = text->palette();
        colours.setColor(QPalette::Base, enabled ? window : dialog);
        text->setPalette(colours);
    }
}

double frmOptions::SizeValue(const QLineEdit *text) const
{
    return ListSizeText::Value(text->text(), DecimalPoint());
}

// ---------------------------------------------------------------------------
// User actions

void frmOptions::TabClick()
{
    mdlDialogLayout::ShowTabPage(m_picOptions, m_tbsOptions->currentIndex(), m_twipsPerPixel);
}

void frmOptions::SelectTab(int index)
{
    const int count = m_tbsOptions->count();
    if (count == 0)
        return;
    m_tbsOptions->setCurrentIndex((index % count + count) % count);
}

void frmOptions::ListCheckClick(QCheckBox *check, QLineEdit *text)
{
    text->setText(check->isChecked() ? QString::number(DefaultListSize) : QStringLiteral("0"));
    m_blnChanged = true;
    EnableControls();
}

void frmOptions::OptionClick()
{
    m_blnChanged = true;
    EnableControls();
}

void frmOptions::SizeTextChanged(QLineEdit *text)
{
    // Setting the normalised text comes back here once and finds nothing to change.
    const QString normalised = ListSizeText::Normalise(text->text(), DecimalPoint());
    if (normalised != text->text())
        text->setText(normalised);
}

void frmOptions::ValidateSize(QCheckBox *check, QLineEdit *text)
{
    if (SizeValue(text) > MaxListSize)
        text->setText(QString::number(MaxListSize));
    if (SizeValue(text) == 0 && check->isChecked()) {
        check->setChecked(false);
        ListCheckClick(check, text);
    }
    m_blnChanged = true;
    EnableControls();
}

bool frmOptions::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut && (watched == m_txtMRUList || watched == m_txtMRUDirs)) {
        // Leaving the box for another control validates it; the window losing the
        // focus, or the box's own menu opening, does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == m_txtMRUList)
                ValidateSize(m_chkMRUList, m_txtMRUList);
            else
                ValidateSize(m_chkMRUDirs, m_txtMRUDirs);
        }
    } else if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
               static_cast<QWidget *>(watched)->window() == this) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool ctrl = key->modifiers() & Qt::ControlModifier;
        const bool shift = key->modifiers() & Qt::ShiftModifier;
        // Shift turns Tab into Backtab.
        if (ctrl && !shift && key->key() == Qt::Key_Tab) {
            SelectTab(m_tbsOptions->currentIndex() + 1);
            return true;
        }
        if (ctrl && shift && (key->key() == Qt::Key_Backtab || key->key() == Qt::Key_Tab)) {
            SelectTab(m_tbsOptions->currentIndex() - 1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Apply, OK

void frmOptions::Apply()
{
    AppSettingsRecord &settings = mdlState::AppSettings;
    bool failed = false;
    RunStep(failed, [&] {
        settings.RecentFilesMax =
            m_chkMRUList->isChecked() ? ListSizeText::ToLong(SizeValue(m_txtMRUList)) : 0;
    });
    RunStep(failed, [&] {
        // Stored under the new size, then rebuilt from the store.
        if (m_mnuFileMRU == nullptr)
            return;
        mdlState::SaveRecentFiles(*m_mnuFileMRU);
        mdlState::ClearRecentFiles(*m_mnuFileMRU);
        mdlState::LoadRecentFiles(*m_mnuFileMRU);
    });
    RunStep(failed, [&] {
        settings.RecentDirsMax =
            m_chkMRUDirs->isChecked() ? ListSizeText::ToLong(SizeValue(m_txtMRUDirs)) : 0;
    });
    RunStep(failed, [&] {
        settings.OverWrite = m_chkOverWrite->isChecked() ? 1 : 0;
        settings.SkipOldFiles = m_chkSkipOldFiles->isChecked() ? 1 : 0;
        settings.UsePathNames = m_chkUsePathNames->isChecked() ? 1 : 0;
    });
    const int state = m_chkFileAssociation->isChecked() ? 1 : 0;
    if (state != m_intAssocState) {
        for (const char *extension : Extensions) {
            RunStep(failed, [&] {
                cRegistry reg;
                if (state == 1) {
                    if (m_strExePath.empty())
                        throw std::runtime_error("the program's own path is unknown");
                    reg.CreateEXEAssociation(m_strExePath, ClassName, ClassDescription, extension,
                                             "&Open", false, "&Print", false, "&New", false, "", 1);
                } else {
                    reg.DeleteEXEAssociation(m_strExePath, ClassName, ClassDescription, extension);
                }
            });
        }
        if (failed)
            m_chkFileAssociation->setChecked(m_intAssocState == 1);
        else
            m_intAssocState = state;
        // The user's own choice of another default program outranks the
        // class keys, and no program may override it: the user must choose
        // Vannerby there.
        if (!failed && state == 1 && GetAssociationState() != 1)
            QMessageBox::information(this, windowTitle(), m_strAssocNotDefault);
    }
    m_blnChanged = false;
    EnableControls();
}

void frmOptions::OK()
{
    if (m_blnChanged)
        Apply();
    accept();
}
