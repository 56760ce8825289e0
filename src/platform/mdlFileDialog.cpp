#include "mdlFileDialog.h"

#include "FolderBrowserDialog.h"
#include "mdlWindow.h"

#include <QFileDialog>
#include <QPointer>
#include <QTimer>

namespace mdlFileDialog {
namespace {

// One wildcard pattern in a form that Qt matches regardless of letter case:
// every letter becomes a bracket of its two cases ("*.pa?" -> "*.[pP][aA]?").
QString CaseInsensitivePattern(const QString &pattern)
{
    if (pattern == QStringLiteral("*.*"))
        return QStringLiteral("*");
    QString result;
    bool inBracket = false;
    for (const QChar c : pattern) {
        if (c == QLatin1Char('['))
            inBracket = true;
        else if (c == QLatin1Char(']'))
            inBracket = false;
        const QChar lower = c.toLower();
        const QChar upper = c.toUpper();
        if (!inBracket && lower != upper) {
            result += QLatin1Char('[');
            result += lower;
            result += upper;
            result += QLatin1Char(']');
        } else {
            result += c;
        }
    }
    return result;
}

QString QtPatterns(const QString &patterns)
{
    QStringList parts;
    for (const QString &part : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString trimmed = part.trimmed();
        if (!trimmed.isEmpty())
            parts << CaseInsensitivePattern(trimmed);
    }
    return parts.join(QLatin1Char(' '));
}

// Centres the dialog on its owner once it has been laid out and shown.
void CenterWhenShown(QWidget *dialog, QWidget *owner)
{
    QPointer<QWidget> guardedDialog(dialog);
    QPointer<QWidget> guardedOwner(owner);
    QTimer::singleShot(0, dialog, [guardedDialog, guardedOwner] {
        if (guardedDialog)
            mdlWindow::CenterWindow(guardedDialog, guardedOwner);
    });
}

// Asks the check before it closes with a chosen file; QFileDialog has settled
// folders typed into the name box by then.
class CheckedFileDialog final : public QFileDialog
{
  public:
    CheckedFileDialog(QWidget *owner, FileCheck check)
        : QFileDialog(owner), m_check(std::move(check))
    {
    }
    void done(int result) override
    {
        if (result == QDialog::Accepted && m_check) {
            const QStringList chosen = selectedFiles();
            if (!chosen.isEmpty() && !m_check(chosen.first()))
                return;
        }
        QFileDialog::done(result);
    }

  private:
    FileCheck m_check;
};

} // namespace

QString BrowseForFolder(uint32_t /*flags*/, const QString &initialFolder, const QString &title,
                        QWidget *owner)
{
    FolderBrowserDialog dialog(initialFolder, title, owner);
    CenterWhenShown(&dialog, owner);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.ChosenFolder();
}

QString BuildFileFilter(const QStringList &pairs)
{
    QStringList entries;
    for (qsizetype i = 0; i + 1 < pairs.size(); i += 2) {
        // The description stays as the user sees it; the bracket Qt reads the
        // patterns from is hidden by the dialog (HideNameFilterDetails).
        entries << pairs.at(i) + QStringLiteral(" (") + QtPatterns(pairs.at(i + 1)) +
                       QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

QString ShowFileDialog(bool open, uint32_t &flags, const QString &initialFolder,
                       const QString &filter, int32_t &filterIndex, const QString &defaultExtension,
                       const QString &fileName, const QString &title, QWidget *owner,
                       const FileCheck &check)
{
    CheckedFileDialog dialog(owner, check);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setOption(QFileDialog::DontResolveSymlinks, (flags & OFN_NODEREFERENCELINKS) != 0);
    if (open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, (flags & OFN_OVERWRITEPROMPT) == 0);
    }
    if (!title.isEmpty())
        dialog.setWindowTitle(title);
    const QString filters =
        filter.isEmpty()
            ? BuildFileFilter({QStringLiteral("AlleDateien (*.*)"), QStringLiteral("*.*")})
            : filter;
    const QStringList filterList = filters.split(QStringLiteral(";;"));
    dialog.setNameFilters(filterList);
    if (filterIndex >= 1 && filterIndex <= filterList.size())
        dialog.selectNameFilter(filterList.at(filterIndex - 1));
    if (!defaultExtension.isEmpty())
        dialog.setDefaultSuffix(defaultExtension);
    if (!initialFolder.isEmpty())
        dialog.setDirectory(initialFolder);
    if (!fileName.isEmpty())
        dialog.selectFile(fileName);
    CenterWhenShown(&dialog, owner);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return {};
    // With the details hidden, Qt reports the entry as shown, without the bracket
    // it read the patterns from.
    const QString selected = dialog.selectedNameFilter().trimmed();
    for (qsizetype i = 0; i < filterList.size(); ++i) {
        const QString &entry = filterList.at(i);
        if (entry == selected ||
            entry.left(entry.lastIndexOf(QLatin1Char('('))).trimmed() == selected) {
            filterIndex = static_cast<int32_t>(i + 1);
            break;
        }
    }
    return chosen.first();
}

QString ShowOpenDialog(uint32_t flags, const QString &initialFolder, const QString &filter,
                       int32_t &filterIndex, const QString &defaultExtension,
                       const QString &fileName, const QString &title, QWidget *owner,
                       const FileCheck &check)
{
    uint32_t used = flags == 0 ? DefaultOpenFlags : flags;
    return ShowFileDialog(true, used, initialFolder, filter, filterIndex, defaultExtension,
                          fileName, title, owner, check);
}

} // namespace mdlFileDialog
