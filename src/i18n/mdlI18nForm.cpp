#include "mdlI18nForm.h"

#include "mdlI18n.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>

#include <algorithm>

namespace mdlI18n {

namespace {

// One lookup with a control's current text as the default.
QString Translate(const std::string &sSection, const QString &sKey, const QString &current)
{
    const std::string text = TranslateText(sSection, sKey.toStdString(), current.toStdString());
    // Qt breaks lines at LF; a CR would show as a stray glyph.
    return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// Sets a property only when the text changes, so that, for example, a label
// showing a picture keeps it when its empty caption comes back empty.
template <typename Getter, typename Setter>
void TranslateProperty(const std::string &sSection, const QString &sKey, Getter get, Setter set)
{
    const QString current = get();
    const QString text = Translate(sSection, sKey, current);
    if (text != current)
        set(text);
}

bool IsInMenu(const QAction *action)
{
    const QList<QObject *> owners = action->associatedObjects();
    return std::any_of(owners.begin(), owners.end(),
                       [](QObject *owner) { return qobject_cast<QMenu *>(owner) != nullptr; });
}

void TranslateCaptionAndToolTip(const std::string &sSection, const QString &name, QWidget *control,
                                auto getText, auto setText)
{
    TranslateProperty(sSection, name + QStringLiteral(".Caption"), getText, setText);
    TranslateProperty(
        sSection, name + QStringLiteral(".ToolTipText"), [&] { return control->toolTip(); },
        [&](const QString &text) { control->setToolTip(text); });
}

void TranslateTab(const std::string &sSection, const QString &key, auto getText, auto setText,
                  auto getTip, auto setTip)
{
    if (key.isEmpty())
        return;
    const QString prefix = QStringLiteral("tbs") + key;
    TranslateProperty(sSection, prefix + QStringLiteral(".Caption"), getText, setText);
    TranslateProperty(sSection, prefix + QStringLiteral(".ToolTipText"), getTip, setTip);
}

void TranslateControl(QObject *object, const std::string &sSection)
{
    const QString name = object->objectName();
    if (name.isEmpty() || name.startsWith(QStringLiteral("qt_")))
        return; // not a control of the window's design
    if (object->property("Tag").toString() == QStringLiteral("NOLOC"))
        return;

    if (auto *button = qobject_cast<QAbstractButton *>(object);
        button && (qobject_cast<QPushButton *>(object) || qobject_cast<QRadioButton *>(object) ||
                   qobject_cast<QCheckBox *>(object))) {
        TranslateCaptionAndToolTip(
            sSection, name, button, [&] { return button->text(); },
            [&](const QString &text) { button->setText(text); });
    } else if (auto *label = qobject_cast<QLabel *>(object)) {
        TranslateCaptionAndToolTip(
            sSection, name, label, [&] { return label->text(); },
            [&](const QString &text) { label->setText(text); });
    } else if (auto *menu = qobject_cast<QMenu *>(object)) {
        TranslateProperty(
            sSection, name + QStringLiteral(".Caption"), [&] { return menu->title(); },
            [&](const QString &text) { menu->setTitle(text); });
    } else if (auto *action = qobject_cast<QAction *>(object)) {
        if (!action->isSeparator() && IsInMenu(action))
            TranslateProperty(
                sSection, name + QStringLiteral(".Caption"), [&] { return action->text(); },
                [&](const QString &text) { action->setText(text); });
    } else if (auto *edit = qobject_cast<QLineEdit *>(object)) {
        TranslateProperty(
            sSection, name + QStringLiteral(".ToolTipText"), [&] { return edit->toolTip(); },
            [&](const QString &text) { edit->setToolTip(text); });
    } else if (auto *view = qobject_cast<QAbstractItemView *>(object)) {
        const QVariant keys = view->property("ColumnKeys");
        QAbstractItemModel *model = view->model();
        if (!keys.isValid() || model == nullptr)
            return;
        const QStringList columnKeys = keys.toStringList();
        const int columns = model->columnCount();
        for (int column = 0; column < columns && column < columnKeys.size(); ++column) {
            if (columnKeys[column].isEmpty())
                continue;
            TranslateProperty(
                sSection, name + QLatin1Char('.') + columnKeys[column] + QStringLiteral(".Text"),
                [&] { return model->headerData(column, Qt::Horizontal).toString(); },
                [&](const QString &text) { model->setHeaderData(column, Qt::Horizontal, text); });
        }
    } else if (auto *tabs = qobject_cast<QTabWidget *>(object)) {
        for (int i = 0; i < tabs->count(); ++i) {
            const QWidget *page = tabs->widget(i);
            TranslateTab(
                sSection, page ? page->property("Key").toString() : QString(),
                [&] { return tabs->tabText(i); },
                [&](const QString &text) { tabs->setTabText(i, text); },
                [&] { return tabs->tabToolTip(i); },
                [&](const QString &text) { tabs->setTabToolTip(i, text); });
        }
    } else if (auto *bar = qobject_cast<QTabBar *>(object)) {
        for (int i = 0; i < bar->count(); ++i)
            TranslateTab(
                sSection, bar->tabData(i).toString(), [&] { return bar->tabText(i); },
                [&](const QString &text) { bar->setTabText(i, text); },
                [&] { return bar->tabToolTip(i); },
                [&](const QString &text) { bar->setTabToolTip(i, text); });
    } else if (auto *toolbar = qobject_cast<QToolBar *>(object)) {
        const QList<QAction *> actions = toolbar->actions();
        for (QAction *button : actions) {
            const QString key = button->property("Key").toString();
            if (key.isEmpty())
                continue;
            const QString prefix = QStringLiteral("tbr") + key;
            TranslateProperty(
                sSection, prefix + QStringLiteral(".Description"),
                [&] { return button->whatsThis(); },
                [&](const QString &text) { button->setWhatsThis(text); });
            TranslateProperty(
                sSection, prefix + QStringLiteral(".ToolTipText"),
                [&] { return button->toolTip(); },
                [&](const QString &text) { button->setToolTip(text); });
        }
    }
}

void TranslateChildren(QObject *parent, const std::string &sSection)
{
    const QObjectList children = parent->children();
    for (QObject *child : children) {
        // Another window (a dialog owned by this one) has its own section; menus
        // are popup windows but belong to this one.
        if (auto *widget = qobject_cast<QWidget *>(child);
            widget && widget->isWindow() && !qobject_cast<QMenu *>(widget))
            continue;
        TranslateControl(child, sSection);
        TranslateChildren(child, sSection);
    }
}

} // namespace

void TranslateForm(QWidget *frmThis)
{
    if (frmThis == nullptr)
        return;
    TranslateChildren(frmThis, frmThis->objectName().toStdString());
}

} // namespace mdlI18n
