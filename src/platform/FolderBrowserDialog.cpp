#include "FolderBrowserDialog.h"

#include "mdlTools.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

bool FolderExists(const QString &path)
{
    return !path.isEmpty() && mdlTools::DirExists(path.toStdString());
}

// The nearest folder above path that exists, so that the dialog opens close to it.
QString NearestExistingFolder(const QString &path)
{
    QString candidate = QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::homePath());
    while (!candidate.isEmpty() && !FolderExists(candidate)) {
        const QString up = QFileInfo(candidate).path();
        if (up == candidate)
            break;
        candidate = up;
    }
    return FolderExists(candidate) ? candidate : QDir::homePath();
}

} // namespace

FolderBrowserDialog::FolderBrowserDialog(const QString &initialFolder, const QString &title,
                                         QWidget *owner)
    : QFileDialog(owner)
{
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::ShowDirsOnly);
    setFileMode(QFileDialog::Directory);
    setAcceptMode(QFileDialog::AcceptOpen);
    if (!title.isEmpty())
        setWindowTitle(title);
    const QString initial =
        QString::fromStdString(mdlTools::RemoveBackslash(initialFolder.trimmed().toStdString()));
    m_blnInitialMissing = !FolderExists(initial);
    setDirectory(m_blnInitialMissing ? NearestExistingFolder(initial) : initial);

    // Qt updates the button itself on the same signals; the queued update runs
    // after it and so has the last word.
    connect(this, &QFileDialog::currentChanged, this, &FolderBrowserDialog::OnChoiceChanged);
    connect(this, &QFileDialog::directoryEntered, this, &FolderBrowserDialog::OnChoiceChanged);
    if (auto *edit = findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
        connect(edit, &QLineEdit::textEdited, this, &FolderBrowserDialog::OnChoiceChanged);
}

QString FolderBrowserDialog::ChosenFolder() const
{
    const QStringList files = selectedFiles();
    if (files.isEmpty())
        return {};
    return QString::fromStdString(mdlTools::RemoveBackslash(files.first().trimmed().toStdString()));
}

bool FolderBrowserDialog::OkEnabled() const
{
    const auto *box = findChild<QDialogButtonBox *>();
    const QPushButton *ok = box != nullptr ? box->button(QDialogButtonBox::Open) : nullptr;
    return ok != nullptr && ok->isEnabled();
}

void FolderBrowserDialog::accept()
{
    if (m_blnInitialMissing || !FolderExists(ChosenFolder()))
        return;
    QFileDialog::accept();
}

void FolderBrowserDialog::showEvent(QShowEvent *event)
{
    QFileDialog::showEvent(event);
    ScheduleUpdate();
}

void FolderBrowserDialog::OnChoiceChanged()
{
    m_blnInitialMissing = false;
    ScheduleUpdate();
}

void FolderBrowserDialog::ScheduleUpdate()
{
    QTimer::singleShot(0, this, &FolderBrowserDialog::UpdateOkButton);
}

void FolderBrowserDialog::UpdateOkButton()
{
    auto *box = findChild<QDialogButtonBox *>();
    QPushButton *ok = box != nullptr ? box->button(QDialogButtonBox::Open) : nullptr;
    if (ok == nullptr)
        return;
    ok->setEnabled(!m_blnInitialMissing && FolderExists(ChosenFolder()));
}
