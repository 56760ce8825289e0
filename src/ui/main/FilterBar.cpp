#include "FilterBar.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

FilterBar::FilterBar(QWidget *parent) : QToolBar(parent)
{
    setObjectName(QStringLiteral("tbrFilter"));
    setMovable(false);
    setFloatable(false);
    toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::PreventContextMenu);

    m_lblFilter = new QLabel(QStringLiteral("&Suchen:"), this);
    m_lblFilter->setObjectName(QStringLiteral("lblFilter"));
    m_lblFilter->setContentsMargins(4, 0, 4, 0);
    m_txtFilter = new QLineEdit(this);
    m_txtFilter->setObjectName(QStringLiteral("txtFilter"));
    m_txtFilter->setClearButtonEnabled(true);
    // Never the first stop of the keyboard: the window's shortcuts (Ctrl+A, Ctrl+C,
    // Ctrl+X) act on the list, so the box takes the focus only by Ctrl+F or a click.
    m_txtFilter->setFocusPolicy(Qt::ClickFocus);
    m_txtFilter->setToolTip(QStringLiteral(
        "Zeigt nur die Einträge, deren Name den Text enthält; mit * oder ? ein Muster für den "
        "ganzen Namen (Strg+F, Esc leert das Feld)"));
    m_lblFilter->setBuddy(m_txtFilter);
    addWidget(m_lblFilter);
    addWidget(m_txtFilter);
    m_txtFilter->installEventFilter(this);
    connect(m_txtFilter, &QLineEdit::textChanged, this, &FilterBar::FilterChanged);
}

QString FilterBar::Text() const
{
    return m_txtFilter->text();
}

void FilterBar::Clear()
{
    const QSignalBlocker blocker(m_txtFilter);
    m_txtFilter->clear();
}

void FilterBar::Focus()
{
    m_txtFilter->setFocus(Qt::ShortcutFocusReason);
    m_txtFilter->selectAll();
}

bool FilterBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_txtFilter && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
            return QToolBar::eventFilter(watched, event);
        switch (key->key()) {
        case Qt::Key_Escape:
            m_txtFilter->clear();
            emit LeaveRequested();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Down:
            emit LeaveRequested();
            return true;
        default:
            break;
        }
    }
    return QToolBar::eventFilter(watched, event);
}
