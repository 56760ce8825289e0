#include "frmAbout.h"

#include "ProgramInfo.h"
#include "RegistryTypes.h"
#include "VannerbyVersion.h"
#include "Variant.h"
#include "cRegistry.h"
#include "mdlDialogLayout.h"
#include "mdlI18n.h"
#include "mdlI18nForm.h"
#include "mdlTools.h"
#include "mdlWindow.h"

#include <QDesktopServices>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QUrl>

#include <exception>

using namespace RegistryTypes;

namespace {

constexpr const char *Section = "frmAbout";

QString ProductName()
{
    return ProgramInfo::ProgramVersion().ProductName;
}

} // namespace

frmAbout::frmAbout(QWidget *owner) : QDialog(owner)
{
    setObjectName(QString::fromLatin1(Section));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral("Info"));
    const double screenTwipsPerPixel = mdlDialogLayout::TwipsPerPixel(this, owner);
    m_twipsPerPixel = screenTwipsPerPixel;
    CreateControls();
    LoadTexts();
    // Laid out again once the texts are final, so that none is cut off.
    m_twipsPerPixel = mdlDialogLayout::FitTwipsPerPixel(this, screenTwipsPerPixel);
    mdlDialogLayout::Relayout(this, m_twipsPerPixel);
    // The page out of view is disabled from the start, so that Tab never moves
    // the focus onto a control the user cannot see.
    TabClick();
}

QString frmAbout::VersionText(int major, int minor, int revision)
{
    return QStringLiteral("Version ") + QString::number(major) + QLatin1Char('.') +
           QString::number(minor) + QString::number(revision);
}

QString frmAbout::WebTarget()
{
    return QString::fromUtf8(VannerbyVersion::WebUrl);
}

QString frmAbout::MailTarget()
{
    return QStringLiteral("mailto:") + QString::fromUtf8(VannerbyVersion::Mail) +
           QStringLiteral("?subject=") + ProductName();
}

// ---------------------------------------------------------------------------
// Controls

QLabel *frmAbout::AddLabel(QWidget *page, const char *name, const QString &text, double left,
                           double top, double width, double height, bool noloc)
{
    auto *label = new QLabel(text, page);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (noloc)
        label->setProperty("Tag", QStringLiteral("NOLOC"));
    mdlDialogLayout::Place(label, left, top, width, height, m_twipsPerPixel);
    return label;
}

void frmAbout::CreateControls()
{
    const double tpp = m_twipsPerPixel;
    mdlDialogLayout::SetClientSize(this, 5430, 5070, tpp);

    // The tab strip only shows the tabs and the frame; the pages lie over it.
    m_tbsAbout = new QTabWidget(this);
    m_tbsAbout->setObjectName(QStringLiteral("tbsAbout"));
    for (const auto &[key, caption] :
         {std::pair{"Application", "Anwendung"}, std::pair{"Author", "Autor"}}) {
        auto *placeholder = new QWidget(m_tbsAbout);
        placeholder->setProperty("Key", QString::fromLatin1(key));
        m_tbsAbout->addTab(placeholder, QString::fromUtf8(caption));
    }
    mdlDialogLayout::Place(m_tbsAbout, 105, 120, 5220, 4335, tpp);

    for (int i = 0; i < 2; ++i) {
        auto *page = new QWidget(this);
        page->setObjectName(QStringLiteral("picAbout"));
        mdlDialogLayout::Place(page, i == 0 ? 210 : -20000, 480, 5010, 3855, tpp);
        m_picAbout << page;
    }

    QWidget *application = m_picAbout.at(0);
    auto *logo = AddLabel(application, "imgLogo", QString(), 120, 120, 480, 480, true);
    const QIcon fallback = windowIcon().isNull()
                               ? style()->standardIcon(QStyle::SP_MessageBoxInformation)
                               : windowIcon();
    logo->setPixmap(ProgramInfo::ProgramIcon(fallback).pixmap(mdlDialogLayout::ToPixels(480, tpp)));
    m_lblTitle = AddLabel(application, "lblTitle", QStringLiteral("Anwendungstitel"), 840, 120,
                          4050, 405, false);
    QFont titleFont = m_lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    m_lblTitle->setFont(titleFont);
    m_lblVersion =
        AddLabel(application, "lblVersion", QStringLiteral("Version"), 840, 600, 4050, 255, true);
    m_lblDescription =
        AddLabel(application, "lblDescription", QStringLiteral("Anwendungsbeschreibung"), 840, 1020,
                 4050, 1215, false);
    m_lblDescription->setWordWrap(true);
    m_lblDisclaimer = AddLabel(application, "lblDisclaimer", QString(), 120, 3000, 4770, 735, true);
    m_lblDisclaimer->setWordWrap(true);

    QWidget *author = m_picAbout.at(1);
    auto *maker = AddLabel(author, "lblMaker", QString::fromUtf8(VannerbyVersion::Maker), 120, 120,
                           4770, 300, true);
    QFont makerFont = maker->font();
    makerFont.setBold(true);
    maker->setFont(makerFont);
    AddLabel(author, "lblProduct", ProductName(), 120, 420, 4770, 255, true);
    // Each contact line: a caption and the address itself, both opening it.
    m_webLinks << AddLabel(author, "lblLink1", WebTarget(), 1200, 960, 3690, 255, true)
               << AddLabel(author, "lblLink2", QStringLiteral("Internet:"), 120, 960, 1050, 255,
                           true);
    m_mailLinks << AddLabel(author, "lblMail1", QString::fromUtf8(VannerbyVersion::Mail), 1200,
                            1320, 3690, 255, true)
                << AddLabel(author, "lblMail2", QStringLiteral("E-Mail:"), 120, 1320, 1050, 255,
                            true);
    for (QLabel *link : m_webLinks + m_mailLinks) {
        link->setCursor(Qt::PointingHandCursor);
        link->installEventFilter(this);
    }
    for (QLabel *address : {m_webLinks.first(), m_mailLinks.first()}) {
        QFont font = address->font();
        font.setUnderline(true);
        address->setFont(font);
        QPalette colours = address->palette();
        colours.setColor(QPalette::WindowText, colours.color(QPalette::Link));
        address->setPalette(colours);
    }

    m_cmdSysInfo = new QPushButton(QStringLiteral("&System-Info..."), this);
    m_cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    m_cmdSysInfo->setAutoDefault(false);
    mdlDialogLayout::Place(m_cmdSysInfo, 2880, 4575, 1245, 375, tpp);
    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    // Enter presses it; Esc closes the dialog as it does.
    m_cmdOK->setDefault(true);
    mdlDialogLayout::Place(m_cmdOK, 4230, 4575, 1095, 375, tpp);

    connect(m_tbsAbout, &QTabWidget::currentChanged, this, [this] { TabClick(); });
    connect(m_cmdOK, &QPushButton::clicked, this, [this] { accept(); });
    connect(m_cmdSysInfo, &QPushButton::clicked, this, [this] { StartSysInfo(); });
}

void frmAbout::LoadTexts()
{
    // The program's own version information (on Windows: the executable's).
    const ProgramInfo::Version version = ProgramInfo::ProgramVersion();
    QString title = QStringLiteral("Info über ") + version.ProductName;
    m_lblVersion->setText(VersionText(version.Major, version.Minor, version.Revision));
    m_lblTitle->setText(version.ProductName);
    m_lblDisclaimer->setText(version.Copyright);
    m_lblDescription->setText(version.Description);
    // The texts set above are the defaults a language file may replace.
    setWindowTitle(
        QString::fromStdString(mdlI18n::TranslateText(Section, "Caption", title.toStdString())));
    mdlI18n::TranslateForm(this);
}

void frmAbout::showEvent(QShowEvent *event)
{
    if (!m_blnCentred) {
        m_blnCentred = true;
        mdlWindow::CenterWindow(this, parentWidget());
    }
    QDialog::showEvent(event);
}

void frmAbout::TabClick()
{
    mdlDialogLayout::ShowTabPage(m_picAbout, m_tbsAbout->currentIndex(), m_twipsPerPixel);
}

bool frmAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        auto *label = qobject_cast<QLabel *>(watched);
        if (label != nullptr && mouse->button() == Qt::LeftButton &&
            label->rect().contains(mouse->position().toPoint())) {
            // What the desktop makes of the address is not looked at.
            if (m_webLinks.contains(label))
                QDesktopServices::openUrl(QUrl(WebTarget()));
            else if (m_mailLinks.contains(label))
                QDesktopServices::openUrl(QUrl(MailTarget()));
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// System information

bool frmAbout::GetKeyValue(int32_t KeyRoot, const std::string &KeyName,
                           const std::string &SubKeyRef, std::string &KeyVal)
{
    KeyVal.clear();
    try {
        cRegistry reg;
        reg.SetClassKey(KeyRoot);
        reg.SetSectionKey(KeyName);
        reg.SetValueKey(SubKeyRef);
        reg.SetValueType(REG_NONE);
        reg.SetDefault(Variant());
        const Variant value = reg.Value();
        // Expanded strings count as strings: a path stored with %NAME% in it is
        // kept in that type.
        if (value.GetTag() != Variant::Tag::String ||
            (reg.ValueType() != REG_SZ && reg.ValueType() != REG_EXPAND_SZ))
            return false;
        const std::string text = value.ToString();
        KeyVal = text.substr(0, text.find('\0'));
        return true;
    } catch (const std::exception &) {
        KeyVal.clear();
        return false;
    }
}

void frmAbout::StartSysInfo()
{
    try {
        std::string path;
        if (!GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH",
                         path)) {
            std::string folder;
            if (!GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools Location",
                             "MSINFO", folder) ||
                folder.empty())
                return;
            path = mdlTools::AddBackslash(folder) + "MSINFO32.EXE";
            if (!mdlTools::FileExists(path))
                return;
        }
        if (!path.empty())
            QProcess::startDetached(QString::fromStdString(path), {});
    } catch (const std::exception &) {
        // Nothing happens when the tool cannot be had.
    }
}
