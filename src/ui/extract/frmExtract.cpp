#include "frmExtract.h"

#include "ExtractText.h"
#include "LocaleText.h"
#include "RecentFoldersCombo.h"
#include "WidgetWindow.h"
#include "mdlFileDialog.h"
#include "mdlI18nForm.h"
#include "mdlListView.h"
#include "mdlState.h"
#include "mdlTools.h"
#include "mdlWindow.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTableView>

#include <algorithm>
#include <exception>
#include <functional>

namespace {

constexpr const char *Section = "frmExtract";

// Runs one step of loading or confirming; a failing step is skipped.
void RunStep(const std::function<void()> &step)
{
    try {
        step();
    } catch (const std::exception &) {
    } catch (...) {
    }
}

int32_t SelectedCount(QAbstractItemView *lvwPAK)
{
    if (auto *table = qobject_cast<QTableView *>(lvwPAK))
        return mdlListView::GetSelectedCount(table);
    if (lvwPAK == nullptr || lvwPAK->selectionModel() == nullptr)
        return 0;
    return static_cast<int32_t>(lvwPAK->selectionModel()->selectedRows().size());
}

} // namespace

frmExtract::frmExtract(QAbstractItemView *lvwPAK, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QString::fromLatin1(Section));
    setWindowTitle(QStringLiteral("Extrahieren"));
    m_lblExtractTo = new QLabel(QStringLiteral("Extrahieren &nach:"), this);
    m_lblExtractTo->setObjectName(QStringLiteral("lblExtractTo"));
    m_cboExtractTo = new QComboBox(this);
    m_cboExtractTo->setObjectName(QStringLiteral("cboExtractTo"));
    m_cboExtractTo->setEditable(true);
    m_cboExtractTo->setInsertPolicy(QComboBox::NoInsert);
    // Folder names are typed as they are; completion would change their case.
    m_cboExtractTo->setCompleter(nullptr);
    m_lblExtractTo->setBuddy(m_cboExtractTo);
    m_cmdExtractTo = new QPushButton(this);
    m_cmdExtractTo->setObjectName(QStringLiteral("cmdExtractTo"));
    m_cmdExtractTo->setIcon(style()->standardIcon(QStyle::SP_DirIcon, nullptr, this));
    m_cmdExtractTo->setIconSize(QSize(16, 16));
    m_cmdExtractTo->setToolTip(QStringLiteral("Ordner wählen"));
    m_cmdExtractTo->setAutoDefault(false);
    m_fraFiles = new QGroupBox(QStringLiteral("Dateien"), this);
    m_fraFiles->setObjectName(QStringLiteral("fraFiles"));
    m_optAll = new QRadioButton(QStringLiteral("&Alle Dateien"), m_fraFiles);
    m_optAll->setObjectName(QStringLiteral("optAll"));
    m_optSelected = new QRadioButton(QStringLiteral("Ausge&wählte Dateien"), m_fraFiles);
    m_optSelected->setObjectName(QStringLiteral("optSelected"));
    const auto check = [this](const char *name, const QString &text) {
        auto *control = new QCheckBox(text, this);
        control->setObjectName(QString::fromLatin1(name));
        return control;
    };
    m_chkOverWrite = check("chkOverWrite", QStringLiteral("Dateien übe&rschreiben"));
    m_chkSkipOldFiles = check("chkSkipOldFiles", QStringLiteral("Ältere Dateien über&springen"));
    m_chkUsePathNames = check("chkUsePathNames", QStringLiteral("&Pfadangaben verwenden"));
    m_chkConvertPictures = check("chkConvertPictures", QStringLiteral("Bilder als &PNG speichern"));
    m_cmdExtract = new QPushButton(QStringLiteral("E&xtrahieren"), this);
    m_cmdExtract->setObjectName(QStringLiteral("cmdExtract"));
    m_cmdExtract->setDefault(true);
    m_cmdCancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setAutoDefault(false);
    m_lblFilterActive = new QLabel(this);
    m_lblFilterActive->setObjectName(QStringLiteral("lblFilterActive"));
    // Its text is made at run time from the window's message texts.
    m_lblFilterActive->setProperty("Tag", QStringLiteral("NOLOC"));
    m_lblFilterActive->hide();
    m_lvwPAK = lvwPAK;

    connect(m_cmdExtract, &QPushButton::clicked, this, &frmExtract::Confirm);
    connect(m_cmdCancel, &QPushButton::clicked, this, &frmExtract::reject);
    connect(m_cmdExtractTo, &QPushButton::clicked, this, &frmExtract::Browse);
    connect(m_optAll, &QRadioButton::toggled, this, &frmExtract::UpdateFilterLine);
    connect(m_cboExtractTo, &QComboBox::editTextChanged, this, &frmExtract::UpdateExtractButton);
    connect(m_cboExtractTo, &QComboBox::activated, this, &frmExtract::UpdateExtractButton);
    // Leaving the box normalises its text; the focus change is never refused.
    m_cboExtractTo->installEventFilter(this);
    if (QLineEdit *edit = m_cboExtractTo->lineEdit())
        edit->installEventFilter(this);

    RunStep([this] {
        setWindowTitle(ExtractText::Translate(Section, "Caption", windowTitle()));
        mdlI18n::TranslateForm(this);
        m_strSelectFolder = ExtractText::Translate(
            Section, "strSelectFolder", QStringLiteral("Wählen Sie den Ziel-Ordner aus."));
        m_strNoDir = ExtractText::Translate(Section, "strNoDir",
                                            QStringLiteral("Verzeichnis existiert nicht!"));
        m_strCreateDir = ExtractText::Translate(
            Section, "strCreateDir", QStringLiteral("Soll das Verzeichnis erstellt werden?"));
        m_strFilterActive = ExtractText::Translate(
            Section, "strFilterActive",
            QStringLiteral("Suchfilter aktiv: %1 von %2 Dateien werden extrahiert."));
        m_strFilterActiveOne = ExtractText::Translate(
            Section, "strFilterActiveOne",
            QStringLiteral("Suchfilter aktiv: %1 von %2 Dateien wird extrahiert."));
    });
    ArrangeControls();
    const AppSettingsRecord &settings = mdlState::AppSettings;
    m_chkOverWrite->setChecked(settings.OverWrite == 1);
    m_chkSkipOldFiles->setChecked(settings.SkipOldFiles == 1);
    m_chkUsePathNames->setChecked(settings.UsePathNames == 1);
    m_chkConvertPictures->setChecked(settings.ConvertPictures == 1);
    RunStep([this, lvwPAK] {
        const bool any = SelectedCount(lvwPAK) >= 1;
        m_optSelected->setEnabled(any);
        (any ? m_optSelected : m_optAll)->setChecked(true);
    });
    m_recentDirs = std::make_unique<RecentFoldersCombo>(*m_cboExtractTo);
    RunStep([this] { mdlState::LoadRecentDirs(*m_recentDirs); });
    RunStep([this, &settings] {
        QString folder = QString::fromStdString(settings.LastExtractFolder);
        if (folder.isEmpty() && m_cboExtractTo->count() > 0)
            folder = m_cboExtractTo->itemText(0);
        if (folder.isEmpty())
            folder = DefaultFolder(QString::fromStdString(settings.HostFolder));
        m_cboExtractTo->setEditText(folder);
    });
    UpdateExtractButton();
}

frmExtract::~frmExtract() = default;

void frmExtract::ArrangeControls()
{
    // The design's bounds in twips, widened where a (translated) text would be
    // cut in the font in use; the window grows with them.
    WidgetWindow form(*this);
    const auto hint = [&form](std::initializer_list<const QWidget *> controls, double design) {
        double width = design;
        for (const QWidget *control : controls)
            width = std::max(width, form.HintWidth(control));
        return width;
    };
    const double labelWidth = hint({m_lblExtractTo}, 1290);
    const double comboLeft = std::max(1440.0, 120 + labelWidth + 30);
    const double optionWidth = hint({m_optAll, m_optSelected}, 2400);
    const double frameWidth = optionWidth + 255;
    const double checkLeft = 120 + frameWidth + 120;
    const double checkWidth =
        hint({m_chkOverWrite, m_chkSkipOldFiles, m_chkUsePathNames, m_chkConvertPictures}, 2535);
    const double buttonWidth = hint({m_cmdExtract, m_cmdCancel}, 1095);
    const double buttonLeft = std::max(5535.0, checkLeft + checkWidth + 105);
    const double clientWidth = buttonLeft + buttonWidth + 120;
    const double browseLeft = clientWidth - 135 - 375;

    const bool filterLine = !m_lblFilterActive->isHidden();
    form.SetFixedClientSize(clientWidth, filterLine ? 2505 : 2175);
    if (filterLine)
        form.Place(m_lblFilterActive, 120, 2145, clientWidth - 240, 255);
    form.Place(m_lblExtractTo, 120, 165, labelWidth, 255);
    form.Place(m_cboExtractTo, comboLeft, 120, browseLeft - 105 - comboLeft, 345);
    form.Place(m_cmdExtractTo, browseLeft, 105, 375, 375);
    form.Place(m_fraFiles, 120, 600, frameWidth, 1095);
    form.Place(m_optAll, 120, 330, optionWidth, 285);
    form.Place(m_optSelected, 120, 690, optionWidth, 285);
    form.Place(m_chkOverWrite, checkLeft, 660, checkWidth, 285);
    form.Place(m_chkSkipOldFiles, checkLeft, 1005, checkWidth, 285);
    form.Place(m_chkUsePathNames, checkLeft, 1350, checkWidth, 285);
    form.Place(m_chkConvertPictures, checkLeft, 1695, checkWidth, 285);
    form.Place(m_cmdExtract, buttonLeft, 705, buttonWidth, 375);
    form.Place(m_cmdCancel, buttonLeft, 1200, buttonWidth, 375);
}

QString frmExtract::DefaultFolder(const QString &hostFolder)
{
    // Qt's home path uses "/" on every system; the proposal shows the system's own.
    const QString base =
        hostFolder.isEmpty() ? QDir::toNativeSeparators(QDir::homePath()) : hostFolder;
    return QString::fromStdString(mdlTools::AddBackslash(base.toStdString())) +
           QStringLiteral("RESOURCEN.UNP");
}

QString frmExtract::NormalizeFolder(const QString &text)
{
    return QString::fromStdString(
        mdlTools::RemoveBackslash(mdlTools::GetFullPath(text.trimmed().toStdString())));
}

bool frmExtract::ShowDlg(QString &, QWidget *frmParent)
{
    m_blnCancel = false;
    if (frmParent != nullptr && parentWidget() != frmParent)
        setParent(frmParent, windowFlags());
    mdlWindow::CenterWindow(this, frmParent);
    exec();
    return !m_blnCancel;
}

void frmExtract::SetFilterCounts(int shown, int all)
{
    m_intShown = shown;
    m_intAll = all;
    m_lblFilterActive->setVisible(shown < all);
    UpdateFilterLine();
    ArrangeControls();
}

void frmExtract::UpdateFilterLine()
{
    if (m_lblFilterActive->isHidden())
        return;
    // The selection lies among the rows shown, so either choice is a part of all.
    const int count = m_optAll->isChecked() ? m_intShown : SelectedCount(m_lvwPAK);
    m_lblFilterActive->setText((count == 1 ? m_strFilterActiveOne : m_strFilterActive)
                                   .arg(LocaleText::Count(count), LocaleText::Count(m_intAll)));
}

void frmExtract::UpdateExtractButton()
{
    m_cmdExtract->setEnabled(!m_cboExtractTo->currentText().isEmpty());
}

void frmExtract::ValidateFolder()
{
    const QString text = m_cboExtractTo->currentText();
    const QString normal = NormalizeFolder(text);
    if (normal != text)
        m_cboExtractTo->setEditText(normal);
}

bool frmExtract::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut &&
        (watched == m_cboExtractTo || watched == m_cboExtractTo->lineEdit()) &&
        !m_cboExtractTo->hasFocus())
        ValidateFolder();
    return QDialog::eventFilter(watched, event);
}

void frmExtract::Confirm()
{
    if (!m_cmdExtract->isEnabled())
        return;
    bool ok = false;
    QString folder;
    RunStep([&] {
        ValidateFolder();
        QCoreApplication::processEvents();
        folder = m_cboExtractTo->currentText();
        if (folder.isEmpty())
            return;
        ok = mdlTools::DirExists(folder.toStdString());
        if (!ok) {
            QMessageBox box(QMessageBox::Question, QStringLiteral("Vannerby"),
                            m_strNoDir + QLatin1Char('\n') + folder + QLatin1Char('\n') +
                                m_strCreateDir,
                            QMessageBox::Yes | QMessageBox::No, this);
            box.setDefaultButton(QMessageBox::Yes);
            if (box.exec() == QMessageBox::Yes)
                ok = mdlTools::CreatePath(folder.toStdString());
        }
    });
    if (!ok)
        return;
    AppSettingsRecord &settings = mdlState::AppSettings;
    RunStep([&] {
        settings.LastExtractFolder = folder.toStdString();
        settings.OverWrite = m_chkOverWrite->isChecked() ? 1 : 0;
        settings.SkipOldFiles = m_chkSkipOldFiles->isChecked() ? 1 : 0;
        settings.UsePathNames = m_chkUsePathNames->isChecked() ? 1 : 0;
        settings.ConvertPictures = m_chkConvertPictures->isChecked() ? 1 : 0;
        settings.ExtractSelectedOnly = m_optSelected->isChecked();
    });
    RunStep([&] { mdlState::AddRecentDir(*m_recentDirs, folder.toStdString()); });
    RunStep([&] { mdlState::SaveRecentDirs(*m_recentDirs); });
    hide();
}

void frmExtract::Browse()
{
    RunStep([this] {
        const QString chosen = mdlFileDialog::BrowseForFolder(
            mdlFileDialog::BIF_RETURNONLYFSDIRS | mdlFileDialog::BIF_NEWDIALOGSTYLE,
            m_cboExtractTo->currentText(), m_strSelectFolder, this);
        if (!chosen.isEmpty())
            m_cboExtractTo->setEditText(chosen);
    });
}

void frmExtract::reject()
{
    m_blnCancel = true;
    hide();
}
