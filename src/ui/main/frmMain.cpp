#include "frmMain.h"

#include "FilterBar.h"
#include "LocaleText.h"
#include "MainWindowState.h"
#include "PakListModel.h"
#include "PakListView.h"
#include "PakPictureView.h"
#include "PictureGridModel.h"
#include "PreviewPane.h"
#include "RecentFilesMenu.h"
#include "ThumbnailLoader.h"
#include "frmAbout.h"
#include "frmCheck.h"
#include "frmExtract.h"
#include "frmOptions.h"
#include "frmProgress.h"
#include "mdlFileDialog.h"
#include "mdlI18n.h"
#include "mdlI18nForm.h"
#include "mdlListView.h"
#include "mdlState.h"
#include "mdlTools.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <exception>
#include <functional>

namespace {

const QString ProductName = QStringLiteral("Vannerby");

// Runs one step of start-up or shut-down; a failing step is skipped and the
// caller goes on with the next one.
void RunStep(const std::function<void()> &step)
{
    try {
        step();
    } catch (const std::exception &) {
    } catch (...) {
    }
}

std::string ToPath(const QString &path)
{
    return path.toStdString();
}

QString FromPath(const std::string &path)
{
    return QString::fromStdString(path);
}

// Two sheets, the front one over the back one: the usual copy picture, drawn
// here because the style has none and a desktop may lack an icon theme.
QIcon CopyIcon(const QPalette &palette)
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal unit = size / 16.0;
        QPen pen(palette.color(QPalette::Active, QPalette::WindowText), unit);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        painter.setBrush(palette.color(QPalette::Active, QPalette::Base));
        const auto sheet = [&](qreal left, qreal top) {
            const QRectF page(left * unit, top * unit, 8.5 * unit, 10.5 * unit);
            painter.drawRect(page);
            for (int line = 0; line < 3; ++line) {
                const qreal y = page.top() + (3 + 2.5 * line) * unit;
                painter.drawLine(QPointF(page.left() + 2 * unit, y),
                                 QPointF(page.right() - 2 * unit, y));
            }
        };
        sheet(1.5, 1.5);
        sheet(6, 4);
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

frmMain::frmMain(const QStringList &arguments, QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setAcceptDrops(true);
    // The size the window has until a saved placement replaces it.
    resize(760, 520);
    CreateIcons();
    CreateMenus();
    CreateToolBar();
    CreateFilterBar();
    CreateStatusBar();
    CreateList();
    qApp->installEventFilter(this);
    Startup(arguments);
}

frmMain::~frmMain()
{
    qApp->removeEventFilter(this);
    Shutdown();
    SetBusy(false);
}

QTableView *frmMain::List() const
{
    return m_lvwPAK;
}

frmCheck *frmMain::CheckWindow() const
{
    return m_frmCheck;
}

QString frmMain::VersionText(int major, int minor, int revision)
{
    return QString::number(major) + QLatin1Char('.') + QString::number(minor) +
           QString::number(revision);
}

QString frmMain::ProductTitle()
{
    const QStringList parts = QStringLiteral(VANNERBY_VERSION).split(QLatin1Char('.'));
    return ProductName + QStringLiteral(" v") +
           VersionText(parts.value(0).toInt(), parts.value(1).toInt(), parts.value(2).toInt());
}

// ---------------------------------------------------------------------------
// Controls

void frmMain::CreateIcons()
{
    QStyle *style = this->style();
    const auto themed = [](const char *name, const QIcon &fallback) {
        return QIcon::fromTheme(QString::fromLatin1(name), fallback);
    };
    m_imlToolbarIcons.insert(QStringLiteral("New"),
                             themed("text-x-generic", style->standardIcon(QStyle::SP_FileIcon)));
    m_imlToolbarIcons.insert(
        QStringLiteral("Open"),
        themed("document-open", style->standardIcon(QStyle::SP_DialogOpenButton)));
    m_imlToolbarIcons.insert(
        QStringLiteral("Close"),
        themed("document-close", style->standardIcon(QStyle::SP_DialogCloseButton)));
    m_imlToolbarIcons.insert(QStringLiteral("Copy"), themed("edit-copy", CopyIcon(palette())));
    m_imlToolbarIcons.insert(
        QStringLiteral("Properties"),
        themed("document-properties", style->standardIcon(QStyle::SP_FileDialogInfoView)));
    m_imlToolbarIcons.insert(QStringLiteral("Extract"),
                             themed("archive-extract", style->standardIcon(QStyle::SP_ArrowDown)));
    m_imlToolbarIcons.insert(
        QStringLiteral("Help"),
        themed("help-about", style->standardIcon(QStyle::SP_MessageBoxInformation)));
}

QAction *frmMain::AddMenuAction(QMenu *menu, const char *name, const QString &caption,
                                void (frmMain::*handler)())
{
    auto *action = new QAction(caption, menu);
    action->setObjectName(QString::fromLatin1(name));
    menu->addAction(action);
    if (handler != nullptr)
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    m_actions.insert(action->objectName(), action);
    return action;
}

void frmMain::ShowKey(QAction *action, const QKeySequence &key)
{
    // The window's own key handling runs the command from anywhere in it; the
    // menu only shows the key. Tied to the menu widget, Qt's shortcut never
    // competes with that handling while the menu is closed.
    action->setShortcut(key);
    action->setShortcutContext(Qt::WidgetShortcut);
}

QAction *frmMain::AddSeparator(QMenu *menu, const char *name)
{
    auto *action = new QAction(menu);
    action->setSeparator(true);
    action->setObjectName(QString::fromLatin1(name));
    action->setProperty("Tag", QStringLiteral("NOLOC"));
    menu->addAction(action);
    m_actions.insert(action->objectName(), action);
    return action;
}

void frmMain::CreateMenus()
{
    const auto addMenu = [this](const char *name, const QString &caption) {
        QMenu *menu = menuBar()->addMenu(caption);
        menu->setObjectName(QString::fromLatin1(name));
        m_actions.insert(menu->objectName(), menu->menuAction());
        return menu;
    };

    QMenu *file = addMenu("mnuFile", QStringLiteral("&Datei"));
    AddMenuAction(file, "mnuFileOpen", QStringLiteral("Ö&ffnen..."), &frmMain::FileOpen);
    AddMenuAction(file, "mnuFileClose", QStringLiteral("S&chließen"), &frmMain::FileClose);
    AddSeparator(file, "mnuFileBar0");
    AddMenuAction(file, "mnuFileProperties", QStringLiteral("Ei&genschaften"),
                  &frmMain::FileProperties);
    QAction *bar1 = AddSeparator(file, "mnuFileBarMRU1");
    QAction *mru = AddMenuAction(file, "mnuFileMRU", QString(), nullptr);
    mru->setProperty("Tag", QStringLiteral("NOLOC"));
    QAction *bar2 = AddSeparator(file, "mnuFileBarMRU2");
    m_recentFiles = new RecentFilesMenu(file, bar1, mru, bar2,
                                        [this](const QString &path) { OpenPakFile(path); });
    AddMenuAction(file, "mnuFileExit", QStringLiteral("&Beenden"), &frmMain::FileExit);

    QMenu *edit = addMenu("mnuEdit", QStringLiteral("&Bearbeiten"));
    AddMenuAction(edit, "mnuEditCopy", QStringLiteral("&Kopieren"), &frmMain::EditCopy);
    AddSeparator(edit, "mnuEditBar0");
    AddMenuAction(edit, "mnuEditSelectAll", QStringLiteral("&Alles markieren"),
                  &frmMain::EditSelectAll);
    AddMenuAction(edit, "mnuEditDeSelectAll", QStringLiteral("Markierung &löschen"),
                  &frmMain::EditDeSelectAll);
    AddSeparator(edit, "mnuEditBar1");
    QAction *find =
        AddMenuAction(edit, "mnuEditFind", QStringLiteral("&Suchen"), &frmMain::FocusFilter);
    ShowKey(find, QKeySequence(Qt::CTRL | Qt::Key_F));

    QMenu *view = addMenu("mnuView", QStringLiteral("&Ansicht"));
    // Qt inverts the check mark of a checkable entry itself before it reports the click.
    QAction *toolbar =
        AddMenuAction(view, "mnuViewToolbar", QStringLiteral("&Symbolleiste"), nullptr);
    toolbar->setCheckable(true);
    toolbar->setChecked(true);
    connect(toolbar, &QAction::triggered, this, [this] { UpdateControls(); });
    QAction *statusBar =
        AddMenuAction(view, "mnuViewStatusBar", QStringLiteral("Status&leiste"), nullptr);
    statusBar->setCheckable(true);
    statusBar->setChecked(true);
    connect(statusBar, &QAction::triggered, this, [this] { UpdateControls(); });
    QAction *preview = AddMenuAction(view, "mnuViewPreview", QStringLiteral("&Vorschau"), nullptr);
    preview->setCheckable(true);
    ShowKey(preview, QKeySequence(Qt::Key_F3));
    connect(preview, &QAction::triggered, this, [this] { UpdateControls(); });
    QAction *pictures = AddMenuAction(view, "mnuViewPictures", QStringLiteral("&Bilder"), nullptr);
    pictures->setCheckable(true);
    ShowKey(pictures, QKeySequence(Qt::CTRL | Qt::Key_B));
    connect(pictures, &QAction::triggered, this, [this] { UpdateControls(); });
    ShowKey(AddMenuAction(view, "mnuViewPicturesLarger", QStringLiteral("Bilder &größer"),
                          &frmMain::ViewPicturesLarger),
            QKeySequence(Qt::CTRL | Qt::Key_Plus));
    ShowKey(AddMenuAction(view, "mnuViewPicturesSmaller", QStringLiteral("Bilder &kleiner"),
                          &frmMain::ViewPicturesSmaller),
            QKeySequence(Qt::CTRL | Qt::Key_Minus));
    AddSeparator(view, "mnuViewBar0");
    AddMenuAction(view, "mnuViewRefresh", QStringLiteral("&Aktualisieren"), &frmMain::ViewRefresh);
    AddMenuAction(view, "mnuViewOptions", QStringLiteral("&Optionen..."), &frmMain::ViewOptions);

    QMenu *actions = addMenu("mnuActions", QStringLiteral("A&ktionen"));
    AddMenuAction(actions, "mnuActionsExtract", QStringLiteral("E&xtrahieren..."),
                  &frmMain::ActionsExtract);
    AddMenuAction(actions, "mnuActionsCheck", QStringLiteral("Archiv &prüfen"),
                  &frmMain::ActionsCheck);

    QMenu *help = addMenu("mnuHelp", QStringLiteral("&?"));
    // The program has no help file; the help entries stay hidden.
    AddMenuAction(help, "mnuHelpContents", QStringLiteral("&Inhalt"), &frmMain::HelpContents)
        ->setVisible(false);
    AddMenuAction(help, "mnuHelpSearchForHelpOn", QStringLiteral("&Suchen in der Hilfe..."),
                  &frmMain::HelpContents)
        ->setVisible(false);
    AddSeparator(help, "mnuHelpBar0")->setVisible(false);
    AddMenuAction(help, "mnuHelpAbout", QStringLiteral("Inf&o "), &frmMain::HelpAbout);
}

QAction *frmMain::AddToolButton(const char *key, const QString &tip, const char *pictureKey,
                                void (frmMain::*handler)())
{
    auto *button =
        new QAction(m_imlToolbarIcons.value(QString::fromLatin1(pictureKey)), tip, m_tbrToolBar);
    button->setProperty("Key", QString::fromLatin1(key));
    button->setToolTip(tip);
    button->setWhatsThis(tip); // the button's description
    m_tbrToolBar->addAction(button);
    connect(button, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    return button;
}

QAction *frmMain::ToolButton(const QString &key) const
{
    for (QAction *action : m_tbrToolBar->actions()) {
        if (action->property("Key").toString().compare(key, Qt::CaseInsensitive) == 0)
            return action;
    }
    return nullptr;
}

void frmMain::CreateToolBar()
{
    m_tbrToolBar = new QToolBar(this);
    m_tbrToolBar->setObjectName(QStringLiteral("tbrToolBar"));
    m_tbrToolBar->setMovable(false);
    m_tbrToolBar->setFloatable(false);
    m_tbrToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    // The view menu's check mark is what shows or hides the toolbar.
    m_tbrToolBar->toggleViewAction()->setVisible(false);
    m_tbrToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, m_tbrToolBar);
    AddToolButton("Open", QStringLiteral("Öffnen"), "Open", &frmMain::FileOpen);
    AddToolButton("Close", QStringLiteral("Schließen"), "Close", &frmMain::FileClose);
    m_tbrToolBar->addSeparator();
    AddToolButton("Copy", QStringLiteral("Kopieren"), "Copy", &frmMain::EditCopy);
    AddToolButton("Properties", QStringLiteral("Eigenschaften"), "Properties",
                  &frmMain::FileProperties);
    AddToolButton("Extract", QStringLiteral("Extrahieren..."), "Extract", &frmMain::ActionsExtract);
    m_tbrToolBar->addSeparator();
    AddToolButton("About", QStringLiteral("Info über ..."), "Help", &frmMain::HelpAbout);
}

void frmMain::CreateFilterBar()
{
    // A row of its own below the toolbar, so that it stays above the list
    // whatever else shares the middle of the window.
    addToolBarBreak(Qt::TopToolBarArea);
    m_filterBar = new FilterBar(this);
    addToolBar(Qt::TopToolBarArea, m_filterBar);
    connect(m_filterBar, &FilterBar::FilterChanged, this, &frmMain::ApplyFilter);
    connect(m_filterBar, &FilterBar::LeaveRequested, this, &frmMain::ReturnToList);
}

void frmMain::CreateStatusBar()
{
    m_sbrStatusBar = new QStatusBar(this);
    m_sbrStatusBar->setObjectName(QStringLiteral("sbrStatusBar"));
    const auto addPanel = [this](const char *key) {
        auto *panel = new QLabel(m_sbrStatusBar);
        panel->setObjectName(QString::fromLatin1(key));
        panel->setProperty("Key", QString::fromLatin1(key));
        // Panel texts are built at run time from the window's message texts.
        panel->setProperty("Tag", QStringLiteral("NOLOC"));
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        m_sbrStatusBar->addWidget(panel, 1);
        return panel;
    };
    m_pnlSelection = addPanel("Selection");
    m_pnlTotal = addPanel("Total");
    setStatusBar(m_sbrStatusBar);
}

void frmMain::CreateList()
{
    m_model = new PakListModel(this);
    m_model->SetRowIcon(m_imlToolbarIcons.value(QStringLiteral("New")));
    m_lvwPAK = new PakListView(this);
    m_lvwPAK->setObjectName(QStringLiteral("lvwPAK"));
    m_lvwPAK->setModel(m_model);
    QStringList columnKeys;
    for (int column = 0; column < m_model->columnCount(); ++column)
        columnKeys << m_model->ColumnKey(column);
    // The language file names the column headers by these keys.
    m_lvwPAK->setProperty("ColumnKeys", columnKeys);
    setCentralWidget(CreatePreviewSplitter());
    m_lvwPAK->SetDragDataProvider([this] { return CollectDragData(); });
    connect(m_lvwPAK->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &frmMain::ColumnClick);
    connect(m_lvwPAK, &QAbstractItemView::doubleClicked, this, [this] { FileProperties(); });
    // The panels follow every change of the selection, by mouse, keyboard or command.
    connect(m_lvwPAK->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { UpdateStatus(); });
    connect(m_lvwPAK, &PakListView::DragFinished, this, [this] { UpdateStatus(); });

    // The same rows as pictures, sharing the list's selection.
    m_thumbnails = new ThumbnailLoader(this);
    m_pictureModel = new PictureGridModel(m_model, m_thumbnails, this);
    m_pictures = new PakPictureView(m_pictureModel, m_lvwPAK->selectionModel(), this);
    m_pictures->setObjectName(QStringLiteral("lvwPictures"));
    m_pictures->SetDragDataProvider([this] { return CollectDragData(); });
    m_stkList->addWidget(m_pictures);
    connect(m_pictures, &QAbstractItemView::doubleClicked, this, [this] { FileProperties(); });
    connect(m_pictures, &PakPictureView::DragFinished, this, [this] { UpdateStatus(); });
}

QWidget *frmMain::CreatePreviewSplitter()
{
    m_splPreview = new QSplitter(Qt::Horizontal, this);
    m_splPreview->setObjectName(QStringLiteral("splPreview"));
    m_splPreview->setChildrenCollapsible(false);
    m_preview = new PreviewPane(m_splPreview);
    m_preview->hide();
    m_stkList = new QStackedWidget(m_splPreview);
    m_stkList->setObjectName(QStringLiteral("stkList"));
    m_stkList->addWidget(m_lvwPAK);
    m_splPreview->addWidget(m_stkList);
    m_splPreview->addWidget(m_preview);
    m_splPreview->setStretchFactor(0, 3);
    m_splPreview->setStretchFactor(1, 2);
    connect(m_lvwPAK->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { PreviewCurrentRow(); });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { PreviewCurrentRow(); });
    return m_splPreview;
}

void frmMain::PreviewCurrentRow()
{
    const QModelIndex current = m_lvwPAK->selectionModel()->currentIndex();
    if (!current.isValid() || m_strFileName.isEmpty())
        m_preview->Clear();
    else
        m_preview->ShowEntry(m_archive, m_model->EntryIndex(current.row()));
}

// ---------------------------------------------------------------------------
// Start-up and shut-down

void frmMain::Startup(const QStringList &arguments)
{
    RunStep([this] { SetBusy(true); });
    RunStep([this] { setWindowTitle(ProductTitle()); });
    RunStep([this] { TranslateFormStep(); });
    RunStep([this] {
        m_strFileNotFound = TranslateTextStep(QStringLiteral("strFileNotFound"),
                                              QStringLiteral("wurde nicht gefunden!"));
        m_strStatusFiles =
            TranslateTextStep(QStringLiteral("strStatusFiles"), QStringLiteral("Dateien"));
        m_strStatusFile =
            TranslateTextStep(QStringLiteral("strStatusFile"), QStringLiteral("Datei"));
        m_strStatusTotal =
            TranslateTextStep(QStringLiteral("strStatusTotal"), QStringLiteral("gesamt"));
        m_strStatusSelected =
            TranslateTextStep(QStringLiteral("strStatusSelected"), QStringLiteral("ausgewählt"));
        m_strOpenAllFiles =
            TranslateTextStep(QStringLiteral("strOpenAllFiles"), QStringLiteral("Alle Dateien"));
        m_strOpenPakFiles =
            TranslateTextStep(QStringLiteral("strOpenPakFiles"), QStringLiteral("PAK-Dateien"));
        m_strProcessCanceled = TranslateTextStep(QStringLiteral("strProcessCanceled"),
                                                 QStringLiteral("Abbruch durch den Benutzer!"));
        m_strStatusShown = TranslateTextStep(QStringLiteral("strStatusShown"),
                                             QStringLiteral("%1 von %2 Dateien angezeigt"));
        m_strStatusShownOne = TranslateTextStep(QStringLiteral("strStatusShownOne"),
                                                QStringLiteral("%1 von %2 Datei angezeigt"));
    });
    RunStep([this] { m_preview->LoadTexts(); });
    RunStep([this] {
        // The user's private temporary folder is checked once, here (not a link,
        // not another user's); a folder of this process's own below it keeps a
        // second running copy from deleting our dragged files. Empty when refused.
        const std::string privateFolder = mdlTools::GetPrivateTempFolder();
        if (!privateFolder.empty())
            m_strTempPath =
                FromPath(privateFolder) + QString::number(QCoreApplication::applicationPid());
    });
    RunStep([this] { LoadSettingsStep(); });
    RunStep([this] { LoadRecentFilesStep(); });
    RunStep([this] { LoadPakFile(QString()); });
    RunStep([this, &arguments] { ProcessCommandLine(arguments); });
    RunStep([this] { SizeForColumns(); });
    RunStep([this] { LoadWindowPlacementStep(); });
    RunStep([this] { FitOntoScreen(); });
    RunStep([this] {
        UpdateControls();
        UpdateStatus();
    });
    RunStep([this] { SetBusy(false); });
}

void frmMain::Shutdown()
{
    if (m_blnUnloaded)
        return;
    m_blnUnloaded = true;
    RunStep([this] { SetBusy(true); });
    RunStep([this] { SaveSettingsStep(); });
    RunStep([this] { SaveRecentFilesStep(); });
    RunStep([this] { SaveWindowPlacementStep(); });
    RunStep([this] {
        if (m_strTempPath.isEmpty())
            return;
        mdlTools::DeletePath(ToPath(m_strTempPath));
        // The user's folder goes too once no running copy uses it.
        // (Removing a folder that still holds something fails, as it should.)
        QDir().rmdir(FromPath(mdlTools::GetFolderPart(ToPath(m_strTempPath))));
    });
    RunStep([this] { SetBusy(false); });
}

void frmMain::SizeForColumns()
{
    // The first window, before any placement is saved, shows all seven columns
    // with typical contents where the screen is large enough.
    const QFontMetrics metrics(m_lvwPAK->font());
    const QString samples[] = {QStringLiteral("texturen\\gebaeude\\bahnhof_nord.dds"),
                               QStringLiteral("dds"),
                               QStringLiteral("1.234.567.890"),
                               QStringLiteral("123.456.789"),
                               QStringLiteral("31.12.2099 23:59:59"),
                               QStringLiteral("31.12.2099 23:59:59"),
                               QStringLiteral("31.12.2099 23:59:59")};
    const QHeaderView *header = m_lvwPAK->horizontalHeader();
    int columns = 0;
    for (int column = 0; column < m_model->columnCount(); ++column) {
        const int sample = column < static_cast<int>(std::size(samples))
                               ? metrics.horizontalAdvance(samples[column]) + 12
                               : 0;
        columns += std::max(header->sectionSize(column), sample);
    }
    const int wanted = columns + m_lvwPAK->verticalScrollBar()->sizeHint().width() +
                       2 * m_lvwPAK->frameWidth() + 4;
    // The placement that follows, restored or not, is fitted onto the screen.
    resize(std::max(width(), wanted), height());
}

void frmMain::FitOntoScreen()
{
    // A placement saved on a larger screen, another monitor or a larger scale
    // comes back whole on the screen's free area; a maximised window keeps its
    // normal bounds for later.
    if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized))
        return;
    QScreen *screen = QGuiApplication::screenAt(geometry().center());
    if (screen == nullptr)
        screen = this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->availableGeometry();
    // Before the window is shown its frame is unknown: a title bar and borders as
    // the style draws them stand in for it until the first showing corrects it.
    QSize frame = frameGeometry().size() - size();
    if (frame.isEmpty() && !isVisible()) {
        const int border = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
        frame = QSize(2 * border,
                      style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this) + 2 * border);
    }
    const QSize fitted = size().boundedTo(area.size() - frame);
    if (fitted != size())
        resize(fitted);
    if (!testAttribute(Qt::WA_Moved))
        return; // the system places a new window itself
    const QSize outer = size() + frame;
    QPoint at = pos();
    at.setX(
        std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - outer.width())));
    at.setY(
        std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height())));
    if (at != pos())
        move(at);
}

void frmMain::closeEvent(QCloseEvent *event)
{
    Shutdown();
    event->accept();
}

// ---------------------------------------------------------------------------
// State

void frmMain::SetBusy(bool blnBusy)
{
    if (blnBusy == m_blnBusy)
        return;
    m_blnBusy = blnBusy;
    if (blnBusy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        setUpdatesEnabled(false);
    } else {
        setUpdatesEnabled(true);
        QApplication::restoreOverrideCursor();
    }
}

bool frmMain::LoadPakFile(const QString &path)
{
    bool success = true;
    try {
        // Another archive, or none, starts without a filter, and the findings of
        // the last one go with it.
        m_filterBar->Clear();
        if (m_frmCheck)
            m_frmCheck->close();
        m_model->Clear();
        if (!path.isEmpty()) {
            const Expected<void> loaded = ReadPakFile(ToPath(path), m_archive, nullptr);
            if (loaded) {
                m_model->Load(m_archive);
            } else {
                success = false;
                // A file without the signature fails silently; the caller reports it.
                if (loaded.error().Code != PakErrorCode::InvalidFormat)
                    ShowError(loaded.error());
            }
        }
        mdlListView::AutoSizeColumns(m_lvwPAK);
        m_lvwPAK->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        // Pictures of the archive as it is now; none of an earlier one.
        m_pictureModel->SetArchive(m_model->rowCount() > 0 ? &m_archive : nullptr);
        m_thumbnails->Reset(m_archive.PakPath, m_pictures->Side());
        m_pictures->WantSoon();
    } catch (const std::bad_alloc &) {
        // The list of a directory too large for memory is dropped whole.
        m_model->Clear();
        ShowError(MakePakError(PakErrorCode::OutOfMemory, ToPath(path)));
    }
    m_strFileName = success ? path : QString();
    UpdateControls();
    UpdateStatus();
    // However the archive came (command line, Open, recent file, drop), the
    // shortcuts must reach the list at once.
    ShownList()->setFocus(Qt::OtherFocusReason);
    return success;
}

void frmMain::OpenPakFile(const QString &given)
{
    // Drops and the open dialog give "/" on Windows too: the title, the messages
    // and the recent files show each archive in the one form of the system.
    const QString path = QDir::toNativeSeparators(given);
    SetBusy(true);
    if (IsPakFile(ToPath(path))) {
        if (LoadPakFile(path))
            RunStep([this, &path] { AddRecentFileStep(path); });
        else
            ShowMessage(QMessageBox::Warning, path + QLatin1Char(' ') + m_strFileNotFound);
    } else {
        ShowMessage(QMessageBox::Warning, path + QLatin1Char(' ') + m_strFileNotFound);
        RunStep([this, &path] { RemoveRecentFileStep(path); });
    }
    SetBusy(false);
}

void frmMain::ProcessCommandLine(const QStringList &arguments)
{
    for (const QString &argument : arguments) {
        QString path = argument;
        // Blanks only, as the command line's own splitting leaves them.
        while (path.startsWith(QLatin1Char(' ')))
            path.remove(0, 1);
        while (path.endsWith(QLatin1Char(' ')))
            path.chop(1);
        if (path.isEmpty() || !m_strFileName.isEmpty())
            continue;
        // A relative name is remembered as the full path it names now, so that the
        // recent-files entry still works from another folder.
        path = FromPath(mdlTools::GetFullPath(ToPath(path)));
        if (IsPakFile(ToPath(path)))
            OpenPakFile(path);
    }
}

void frmMain::UpdateControls()
{
    const bool open = !m_strFileName.isEmpty();
    setWindowTitle(open ? ProductTitle() + QStringLiteral(" - ") + m_strFileName : ProductTitle());
    const int32_t selected = mdlListView::GetSelectedCount(m_lvwPAK);
    const auto enable = [this](const char *menu, const char *button, bool on) {
        if (menu != nullptr)
            m_actions.value(QString::fromLatin1(menu))->setEnabled(on);
        if (button != nullptr)
            ToolButton(QString::fromLatin1(button))->setEnabled(on);
    };
    enable("mnuFileClose", "Close", open);
    enable("mnuActionsExtract", "Extract", open);
    enable("mnuActionsCheck", nullptr, open);
    enable("mnuViewRefresh", nullptr, open);
    enable("mnuEditSelectAll", nullptr, open);
    enable("mnuEditFind", nullptr, open);
    enable("mnuEditCopy", "Copy", open && selected >= 1);
    enable("mnuEditDeSelectAll", nullptr, open && selected >= 1);
    enable("mnuFileProperties", "Properties", open && selected == 1);
    m_filterBar->setEnabled(open);
    m_sbrStatusBar->setVisible(m_actions.value(QStringLiteral("mnuViewStatusBar"))->isChecked());
    m_tbrToolBar->setVisible(m_actions.value(QStringLiteral("mnuViewToolbar"))->isChecked());
    const bool preview = m_actions.value(QStringLiteral("mnuViewPreview"))->isChecked();
    m_preview->setVisible(preview);
    m_preview->SetActive(preview);
    const bool pictures = m_actions.value(QStringLiteral("mnuViewPictures"))->isChecked();
    QWidget *shown = pictures ? static_cast<QWidget *>(m_pictures) : m_lvwPAK;
    if (m_stkList->currentWidget() != shown) {
        const bool hadFocus = m_stkList->currentWidget()->hasFocus();
        m_stkList->setCurrentWidget(shown);
        if (pictures)
            m_pictures->scrollTo(m_pictures->currentIndex());
        else
            m_lvwPAK->scrollTo(m_lvwPAK->currentIndex());
        if (hadFocus)
            shown->setFocus(Qt::OtherFocusReason);
    }
    m_actions.value(QStringLiteral("mnuViewPicturesLarger"))
        ->setEnabled(pictures && m_pictures->Side() < PakPictureView::Sides[2]);
    m_actions.value(QStringLiteral("mnuViewPicturesSmaller"))
        ->setEnabled(pictures && m_pictures->Side() > PakPictureView::Sides[0]);
    ArrangeControls();
}

QString frmMain::StatusText(int64_t count, int64_t bytes, const QString &lastWord) const
{
    return LocaleText::CountOf(count, m_strStatusFile, m_strStatusFiles) + QStringLiteral(" (") +
           LocaleText::Size(bytes) + QStringLiteral(") ") + lastWord;
}

void frmMain::UpdateStatus()
{
    // Sums over runs of selected rows and prefix sums of the sizes: no walk over
    // every row, and 64 bits so that archives above 2 GiB add up.
    const auto runs = mdlListView::GetSelectedRuns(m_lvwPAK);
    int64_t selected = 0;
    int64_t selectedBytes = 0;
    for (const auto &[first, last] : runs) {
        selected += last - first + 1;
        selectedBytes += m_model->SizeSum(first, last);
    }
    const bool anySelected = selected >= 1;
    const bool oneSelected = selected == 1;
    m_actions.value(QStringLiteral("mnuEditCopy"))->setEnabled(anySelected);
    m_actions.value(QStringLiteral("mnuEditDeSelectAll"))->setEnabled(anySelected);
    ToolButton(QStringLiteral("Copy"))->setEnabled(anySelected);
    m_actions.value(QStringLiteral("mnuFileProperties"))->setEnabled(oneSelected);
    ToolButton(QStringLiteral("Properties"))->setEnabled(oneSelected);
    m_pnlSelection->setText(StatusText(selected, selectedBytes, m_strStatusSelected));
    QString total = StatusText(m_model->AllRowCount(), m_model->TotalSize(), m_strStatusTotal);
    if (m_model->IsFiltered()) {
        const int all = m_model->AllRowCount();
        total += QStringLiteral(", ") +
                 (all == 1 ? m_strStatusShownOne : m_strStatusShown)
                     .arg(LocaleText::Count(m_model->rowCount()), LocaleText::Count(all));
    }
    m_pnlTotal->setText(total);
}

void frmMain::ArrangeControls()
{
    // Resizing below the minimum comes back here through resizeEvent.
    if (m_blnArranging)
        return;
    m_blnArranging = true;
    const Qt::WindowStates state = windowState();
    if (!(state & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        const double twips = MainWindowState::TwipsPerPixel(*this);
        const int minWidth = static_cast<int>(std::ceil(MinWidth() / twips));
        const int minHeight = static_cast<int>(std::ceil(MinHeight() / twips));
        const QRect frame = frameGeometry();
        const int frameWidth = frame.width() - width();
        const int frameHeight = frame.height() - height();
        if (frame.width() < minWidth)
            resize(minWidth - frameWidth, height());
        if (frameGeometry().height() < minHeight)
            resize(width(), minHeight - frameHeight);
    }
    // The list fills the space between toolbar and status bar by itself (central widget).
    m_blnArranging = false;
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    ArrangeControls();
}

void frmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_blnFitAfterShow) {
        m_blnFitAfterShow = false;
        // Once shown the window knows its real frame.
        QTimer::singleShot(0, this, [this] { FitOntoScreen(); });
    }
}

void frmMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        ArrangeControls();
}

// ---------------------------------------------------------------------------
// Messages

void frmMain::ShowMessage(int icon, const QString &text)
{
    // Over the dialog that asked, such as the open dialog refusing a file. While
    // the window is not shown yet (start-up) the box has no owner: owning it would
    // make the window's native window early, which then comes up shifted by its
    // frame and saves that place at exit.
    QWidget *modal = QApplication::activeModalWidget();
    QWidget *owner = modal != nullptr ? modal : (isVisible() ? this : nullptr);
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), ProductName, text, QMessageBox::Ok,
                    owner);
    // The wait cursor of a busy window is not meant for the message box.
    if (m_blnBusy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (m_blnBusy)
        QApplication::restoreOverrideCursor();
}

void frmMain::ShowError(const PakError &error)
{
    ShowMessage(QMessageBox::Critical, FromPath(PakErrorMessage(error)));
}

// ---------------------------------------------------------------------------
// Commands

void frmMain::FileOpen()
{
    RunStep([this] {
        const QString filter = mdlFileDialog::BuildFileFilter(
            {m_strOpenAllFiles + QStringLiteral(" (*.*)"), QStringLiteral("*.*"),
             m_strOpenPakFiles + QStringLiteral(" (*.pa?)"), QStringLiteral("*.pa?")});
        int32_t filterIndex = 2;
        const bool open = !m_strFileName.isEmpty();
        // A file that is not an archive is refused while the dialog is still
        // open, so that the user can choose again.
        const auto isArchive = [this](const QString &path) {
            if (IsPakFile(ToPath(path)))
                return true;
            const QString shown = QDir::toNativeSeparators(path);
            ShowMessage(QMessageBox::Warning, shown + QLatin1Char(' ') + m_strFileNotFound);
            RunStep([this, &shown] { RemoveRecentFileStep(shown); });
            return false;
        };
        const QString chosen = mdlFileDialog::ShowOpenDialog(
            0, open ? QString() : HostFolder(), filter, filterIndex, QString(),
            open ? m_strFileName : QString(), QString(), this, isArchive);
        if (!chosen.isEmpty())
            OpenPakFile(chosen);
    });
}

void frmMain::FileClose()
{
    LoadPakFile(QString());
}

void frmMain::FileProperties()
{
    const QString text = PropertiesText();
    if (text.isEmpty())
        return;
    ShowMessage(QMessageBox::Information, text);
}

void frmMain::FileExit()
{
    close();
}

QString frmMain::PropertiesText() const
{
    const auto runs = mdlListView::GetSelectedRuns(m_lvwPAK);
    // The one selected row, whichever row has the focus.
    if (runs.size() != 1 || runs.front().first != runs.front().second)
        return {};
    const int row = runs.front().first;
    QString text;
    for (int column = 0; column < m_model->columnCount(); ++column) {
        QString label = m_model->ColumnCaption(column) + QLatin1Char(':');
        if (label.size() < 10)
            label += QLatin1Char('\t');
        text += label + QLatin1Char('\t') + m_model->CellText(row, column) + QStringLiteral("\r\n");
    }
    return text;
}

QString frmMain::CopyText() const
{
    const auto runs = mdlListView::GetSelectedRuns(m_lvwPAK);
    if (runs.empty())
        return {};
    const int columns = m_model->columnCount();
    QString text;
    int64_t rows = 0;
    for (const auto &[first, last] : runs)
        rows += last - first + 1;
    // Room for all rows at once, estimated from the first ones, so that a
    // listing of 100,000 rows is not copied over while it grows.
    QString sample;
    const int sampleRows = static_cast<int>(std::min<int64_t>(rows, 64));
    int sampled = 0;
    for (const auto &[first, last] : runs) {
        for (int row = first; row <= last && sampled < sampleRows; ++row, ++sampled)
            for (int column = 0; column < columns; ++column)
                m_model->AppendCellText(sample, row, column);
    }
    const qsizetype perRow = sampleRows > 0 ? sample.size() / sampleRows + columns + 1 : 0;
    text.reserve(static_cast<qsizetype>(rows) * (perRow + perRow / 8) + 256);
    for (int column = 0; column < columns; ++column) {
        if (column > 0)
            text += QLatin1Char('\t');
        text += m_model->ColumnCaption(column);
    }
    text += QStringLiteral("\r\n");
    for (const auto &[first, last] : runs) {
        for (int row = first; row <= last; ++row) {
            for (int column = 0; column < columns; ++column) {
                if (column > 0)
                    text += QLatin1Char('\t');
                m_model->AppendCellText(text, row, column);
            }
            text += QStringLiteral("\r\n");
        }
    }
    return text;
}

void frmMain::EditCopy()
{
    SetBusy(true);
    if (mdlListView::GetSelectedCount(m_lvwPAK) >= 1) {
        QClipboard *clipboard = QGuiApplication::clipboard();
        // Cleared first, so that a large earlier listing is freed before the new
        // one is built.
        clipboard->clear();
        try {
            clipboard->setText(CopyText());
        } catch (const std::bad_alloc &) {
            ShowError(MakePakError(PakErrorCode::OutOfMemory));
        }
    }
    SetBusy(false);
}

void frmMain::EditSelectAll()
{
    SetBusy(true);
    mdlListView::SetAllItemsSelected(m_lvwPAK, -1);
    UpdateStatus();
    SetBusy(false);
}

void frmMain::EditDeSelectAll()
{
    SetBusy(true);
    mdlListView::SetAllItemsSelected(m_lvwPAK, 0);
    UpdateStatus();
    SetBusy(false);
}

void frmMain::ViewToolbar()
{
    QAction *action = m_actions.value(QStringLiteral("mnuViewToolbar"));
    action->setChecked(!action->isChecked());
    UpdateControls();
}

void frmMain::ViewStatusBar()
{
    QAction *action = m_actions.value(QStringLiteral("mnuViewStatusBar"));
    action->setChecked(!action->isChecked());
    UpdateControls();
}

void frmMain::ViewPreview()
{
    QAction *action = m_actions.value(QStringLiteral("mnuViewPreview"));
    action->setChecked(!action->isChecked());
    UpdateControls();
}

void frmMain::ViewPictures()
{
    QAction *action = m_actions.value(QStringLiteral("mnuViewPictures"));
    action->setChecked(!action->isChecked());
    UpdateControls();
}

void frmMain::SetPictureSide(int side)
{
    // A stored size that is not one of those offered is taken as the default.
    if (std::find(std::begin(PakPictureView::Sides), std::end(PakPictureView::Sides), side) ==
        std::end(PakPictureView::Sides))
        side = PakPictureView::Sides[1];
    if (side == m_pictures->Side())
        return;
    m_pictures->SetSide(side);
    m_thumbnails->Reset(m_archive.PakPath, side);
    m_pictures->WantSoon();
    UpdateControls();
}

void frmMain::ViewPicturesLarger()
{
    for (const int side : PakPictureView::Sides)
        if (side > m_pictures->Side()) {
            SetPictureSide(side);
            return;
        }
}

void frmMain::ViewPicturesSmaller()
{
    for (auto side = std::rbegin(PakPictureView::Sides); side != std::rend(PakPictureView::Sides);
         ++side)
        if (*side < m_pictures->Side()) {
            SetPictureSide(*side);
            return;
        }
}

QAbstractItemView *frmMain::ShownList() const
{
    return m_stkList != nullptr && m_stkList->currentWidget() == m_pictures
               ? static_cast<QAbstractItemView *>(m_pictures)
               : m_lvwPAK;
}

void frmMain::ViewRefresh()
{
    SetBusy(true);
    UpdateStatus();
    m_lvwPAK->setFocus(Qt::OtherFocusReason);
    SetBusy(false);
}

void frmMain::ViewOptions()
{
    RunStep([this] {
        frmOptions dialog(this, m_recentFiles);
        dialog.exec();
    });
    UpdateControls();
}

void frmMain::ActionsExtract()
{
    if (m_strFileName.isEmpty())
        return;
    QString value; // the dialogs' strValue, which neither uses
    {
        frmExtract extract(m_lvwPAK, this);
        extract.SetFilterCounts(m_model->rowCount(), m_model->AllRowCount());
        if (!extract.ShowDlg(value, this))
            return;
    }
    frmProgress progress(&m_archive, m_lvwPAK, this);
    if (progress.ShowDlg(value, this)) {
        UpdateControls();
        m_sbrStatusBar->showMessage(progress.SummaryText(), 2000);
    } else {
        ShowMessage(QMessageBox::Warning, m_strProcessCanceled);
    }
}

void frmMain::ActionsCheck()
{
    if (m_strFileName.isEmpty())
        return;
    SetBusy(true);
    const Expected<PakCheckReport> report = CheckPakArchive(m_archive);
    if (!report) {
        ShowError(report.error());
        SetBusy(false);
        return;
    }
    if (!m_frmCheck) {
        m_frmCheck = new frmCheck(this);
        m_frmCheck->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_frmCheck, &frmCheck::EntryActivated, this, [this](int32_t index) {
            SelectEntry(index);
            activateWindow();
            m_lvwPAK->setFocus();
        });
    }
    m_frmCheck->ShowReport(*report, m_archive);
    SetBusy(false);
    m_frmCheck->show();
    m_frmCheck->raise();
    m_frmCheck->activateWindow();
}

void frmMain::HelpAbout()
{
    RunStep([this] {
        frmAbout dialog(this);
        dialog.exec();
    });
}

void frmMain::HelpContents()
{
    QMessageBox box(QMessageBox::Information, windowTitle(),
                    QStringLiteral("Hilfeinhalt konnte nicht angezeigt werden. Dieser Anwendung "
                                   "ist keine Hilfedatei zugeordnet."),
                    QMessageBox::Ok, this);
    box.exec();
}

void frmMain::ColumnClick(int column)
{
    if (column < 0 || column >= m_model->columnCount())
        return;
    SetBusy(true);
    const bool descending = m_model->IsSorted() && m_model->SortColumn() == column &&
                            m_model->SortOrder() == Qt::AscendingOrder;
    const Qt::SortOrder order = descending ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_model->sort(column, order);
    m_lvwPAK->horizontalHeader()->setSortIndicatorShown(true);
    m_lvwPAK->horizontalHeader()->setSortIndicator(column, order);
    SetBusy(false);
}

void frmMain::FocusFilter()
{
    if (m_filterBar->isEnabled())
        m_filterBar->Focus();
}

void frmMain::ApplyFilter(const QString &text)
{
    // Qt carries a selection of the whole table over a layout change as the whole
    // table again, which would select the rows that widening the filter brings
    // back; such a selection is carried over row by row instead.
    const int rows = m_model->rowCount();
    const auto runs = mdlListView::GetSelectedRuns(m_lvwPAK);
    const bool whole =
        rows > 0 && runs.size() == 1 && runs.front().first == 0 && runs.front().second == rows - 1;
    std::vector<uint8_t> selected;
    if (whole) {
        selected.assign(m_archive.Entries.size(), 0);
        for (int row = 0; row < rows; ++row)
            selected[static_cast<size_t>(m_model->EntryIndex(row))] = 1;
    }
    m_model->SetFilter(text);
    if (whole) {
        QItemSelection selection;
        const int last = m_model->columnCount() - 1;
        for (int row = 0, shown = m_model->rowCount(); row < shown;) {
            if (selected[static_cast<size_t>(m_model->EntryIndex(row))] == 0) {
                ++row;
                continue;
            }
            const int first = row;
            while (row < shown && selected[static_cast<size_t>(m_model->EntryIndex(row))] != 0)
                ++row;
            selection.select(m_model->index(first, 0), m_model->index(row - 1, last));
        }
        m_lvwPAK->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    }
    const QModelIndex current = m_lvwPAK->currentIndex();
    if (current.isValid())
        m_lvwPAK->scrollTo(current);
    // A filter that hides the current row leaves no current row, and the
    // preview must not go on showing the hidden entry.
    const int32_t currentEntry = current.isValid() ? m_model->EntryIndex(current.row()) : -1;
    if (m_preview && m_preview->EntryIndex() != currentEntry)
        PreviewCurrentRow();
    UpdateStatus();
}

void frmMain::ReturnToList()
{
    m_lvwPAK->setFocus(Qt::OtherFocusReason);
    // Going down from the box lands on the first row when none is current yet.
    if (!m_lvwPAK->currentIndex().isValid() && m_model->rowCount() > 0)
        m_lvwPAK->selectionModel()->setCurrentIndex(
            m_model->index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

bool frmMain::SelectEntry(int32_t index)
{
    int row = m_model->RowOfEntry(index);
    if (row < 0 && m_model->IsFiltered()) {
        m_filterBar->Clear();
        ApplyFilter(QString());
        row = m_model->RowOfEntry(index);
    }
    if (row < 0)
        return false;
    const QModelIndex at = m_model->index(row, 0);
    m_lvwPAK->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect |
                                                        QItemSelectionModel::Rows);
    m_lvwPAK->scrollTo(at);
    return true;
}

// ---------------------------------------------------------------------------
// Keyboard

bool frmMain::HandleShortcut(int key, Qt::KeyboardModifiers modifiers)
{
    std::function<void()> command;
    if (key == Qt::Key_F5) {
        command = [this] { ViewRefresh(); };
    } else if (key == Qt::Key_F3) {
        command = [this] { ViewPreview(); };
    } else if (modifiers & Qt::ControlModifier) {
        switch (key) {
        case Qt::Key_O:
            command = [this] { FileOpen(); };
            break;
        case Qt::Key_C:
            command = [this] { EditCopy(); };
            break;
        case Qt::Key_A:
            command = [this] { EditSelectAll(); };
            break;
        case Qt::Key_U:
            command = [this] { EditDeSelectAll(); };
            break;
        case Qt::Key_X:
            command = [this] { ActionsExtract(); };
            break;
        case Qt::Key_F:
            command = [this] { FocusFilter(); };
            break;
        case Qt::Key_B:
            command = [this] { ViewPictures(); };
            break;
        case Qt::Key_Plus:
        case Qt::Key_Equal: // Ctrl++ on keyboards where + needs Shift
            if (m_actions.value(QStringLiteral("mnuViewPicturesLarger"))->isEnabled())
                command = [this] { ViewPicturesLarger(); };
            break;
        case Qt::Key_Minus:
            if (m_actions.value(QStringLiteral("mnuViewPicturesSmaller"))->isEnabled())
                command = [this] { ViewPicturesSmaller(); };
            break;
        default:
            break;
        }
    }
    if (!command)
        return false;
    command();
    return true;
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    // The window sees key presses before its controls, whichever has the focus,
    // and runs its shortcuts even when the matching menu entry is disabled.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->window() == this) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // In the filter box these edit its text and are not the list's commands.
        const bool editsFilter = watched == m_filterBar->Box() &&
                                 (key->modifiers() & Qt::ControlModifier) &&
                                 (key->key() == Qt::Key_A || key->key() == Qt::Key_C ||
                                  key->key() == Qt::Key_V || key->key() == Qt::Key_X);
        // The shortcut is not passed on: the list would copy its current cell over
        // the clipboard text on Ctrl+C.
        if (!editsFilter && HandleShortcut(key->key(), key->modifiers()))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Drag and drop

bool frmMain::AcceptsDrop(const QMimeData *data) const
{
    if (data == nullptr || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return false;
    return IsPakFile(ToPath(urls.first().toLocalFile()));
}

void frmMain::DropData(const QMimeData *data)
{
    if (data == nullptr || !data->hasUrls())
        return;
    const QList<QUrl> urls = data->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return;
    RunStep([this, &urls] { OpenPakFile(urls.first().toLocalFile()); });
}

void frmMain::dragEnterEvent(QDragEnterEvent *event)
{
    if (AcceptsDrop(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void frmMain::dragMoveEvent(QDragMoveEvent *event)
{
    if (AcceptsDrop(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void frmMain::dropEvent(QDropEvent *event)
{
    event->acceptProposedAction();
    DropData(event->mimeData());
}

QMimeData *frmMain::CollectDragData()
{
    SetBusy(true);
    QList<QUrl> urls;
    try {
        CollectDraggedFiles(urls);
    } catch (const std::bad_alloc &) {
        ShowError(MakePakError(PakErrorCode::OutOfMemory));
    }
    SetBusy(false);
    if (urls.isEmpty())
        return nullptr;
    auto *data = new QMimeData;
    data->setUrls(urls);
    return data;
}

void frmMain::CollectDraggedFiles(QList<QUrl> &urls)
{
    if (m_strTempPath.isEmpty()) { // no private temporary folder could be had
        ShowError(MakePakError(PakErrorCode::PermissionDenied, mdlTools::GetTempFolder()));
        return;
    }
    const std::string folder = ToPath(m_strTempPath);
    mdlTools::CreatePath(folder);
    const ExtractSettings settings = CurrentExtractSettings();
    for (const auto &[first, last] : mdlListView::GetSelectedRuns(m_lvwPAK)) {
        for (int row = first; row <= last; ++row) {
            const ExtractResult result = ExtractPakEntry(m_archive, ToPath(m_model->RowKey(row)),
                                                         folder, true, settings, nullptr);
            const std::string path = result.Result();
            if (path.empty()) {
                // Entries collected so far are still offered.
                if (result.Outcome == ExtractOutcome::Failed)
                    ShowError(result.Error);
                return;
            }
            urls << QUrl::fromLocalFile(FromPath(path));
        }
    }
}

// ---------------------------------------------------------------------------
// Settings, recent files, placement and translation

MainWindowState frmMain::StateWindow()
{
    return MainWindowState(*this, *m_actions.value(QStringLiteral("mnuViewStatusBar")),
                           *m_actions.value(QStringLiteral("mnuViewToolbar")), MinWidth(),
                           MinHeight(), m_actions.value(QStringLiteral("mnuViewPreview")),
                           {m_actions.value(QStringLiteral("mnuViewPictures")),
                            [this] { return m_pictures->Side(); },
                            [this](int side) { SetPictureSide(side); }});
}

void frmMain::LoadSettingsStep()
{
    MainWindowState state = StateWindow();
    mdlState::LoadSettings(state);
}

void frmMain::SaveSettingsStep()
{
    MainWindowState state = StateWindow();
    mdlState::SaveSettings(state);
}

void frmMain::LoadRecentFilesStep()
{
    mdlState::LoadRecentFiles(*m_recentFiles);
}

void frmMain::SaveRecentFilesStep()
{
    mdlState::SaveRecentFiles(*m_recentFiles);
}

void frmMain::AddRecentFileStep(const QString &path)
{
    mdlState::AddRecentFile(*m_recentFiles, ToPath(path));
}

void frmMain::RemoveRecentFileStep(const QString &path)
{
    mdlState::RemoveRecentFile(*m_recentFiles, ToPath(path));
}

void frmMain::LoadWindowPlacementStep()
{
    MainWindowState state = StateWindow();
    mdlState::LoadWindowPlacement(state);
}

void frmMain::SaveWindowPlacementStep()
{
    MainWindowState state = StateWindow();
    mdlState::SaveWindowPlacement(state);
}

void frmMain::TranslateFormStep()
{
    mdlI18n::TranslateForm(this);
}

QString frmMain::TranslateTextStep(const QString &key, const QString &defaultText)
{
    return QString::fromStdString(
        mdlI18n::TranslateText("frmMain", key.toStdString(), defaultText.toStdString()));
}

ExtractSettings frmMain::CurrentExtractSettings() const
{
    ExtractSettings settings;
    settings.OverWrite = mdlState::AppSettings.OverWrite;
    settings.SkipOldFiles = mdlState::AppSettings.SkipOldFiles;
    return settings;
}

QString frmMain::HostFolder() const
{
    return FromPath(mdlState::AppSettings.HostFolder);
}

QStringList frmMain::RecentFiles() const
{
    return m_recentFiles->Paths();
}
