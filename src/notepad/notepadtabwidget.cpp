#include "notepad/notepadtabwidget.h"

#include "notepad/notepadui.h"
#include "notepad/renamenotedialog.h"
#include "shell/menu.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTabBar>

NotepadTabWidget::NotepadTabWidget(NotepadUI *notepad, QWidget *parent)
    : QTabWidget(parent)
    , m_notepad(notepad)
{
    tabBar()->installEventFilter(this);
    tabBar()->setFocusPolicy(Qt::NoFocus);
    connect(this, &QTabWidget::currentChanged, this, &NotepadTabWidget::tabIndexChanged);
}

void NotepadTabWidget::tabIndexChanged(int)
{
}

int NotepadTabWidget::tabAtGlobal(const QPoint &globalPos) const
{
    return tabBar()->tabAt(tabBar()->mapFromGlobal(globalPos));
}

bool NotepadTabWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != tabBar())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const int tab = tabAtGlobal(mouse->globalPosition().toPoint());
        if (mouse->button() == Qt::LeftButton) {
            m_pressPosition = mouse->position().toPoint();
            m_draggedTab = tab;
        } else if (mouse->button() == Qt::RightButton && tab != -1) {
            setCurrentIndex(tab);
        }
        break;
    }
    case QEvent::MouseButtonDblClick: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const int tab = tabAtGlobal(mouse->globalPosition().toPoint());
        if (mouse->button() == Qt::LeftButton && tab != -1)
            editTabName(tab);
        break;
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (!(mouse->buttons() & Qt::LeftButton))
            break;
        if ((mouse->position().toPoint() - m_pressPosition).manhattanLength() < QApplication::startDragDistance())
            break;
        const int target = tabAtGlobal(mouse->globalPosition().toPoint());
        if (target != -1 && m_draggedTab != -1 && target != m_draggedTab) {
            m_notepad->moveNote(m_draggedTab, target);
            m_draggedTab = target;
        }
        break;
    }
    default:
        break;
    }
    return false;
}

void NotepadTabWidget::contextMenuEvent(QContextMenuEvent *event)
{
    const int tab = tabAtGlobal(event->globalPos());
    if (tab != -1)
        setCurrentIndex(tab);
    m_notepad->showContextMenu(event->globalPos(), tab);
    event->accept();
}

void NotepadTabWidget::editTabName(int index)
{
    if (index < 0 || index >= count())
        return;
    // The tab shows an "&" of the title doubled: the editor gets the title.
    const QString oldText = tabText(index).replace(QStringLiteral("&&"), QStringLiteral("&"));
    // A synchronisation may move or remove the note's tab while the dialog
    // is open: the name goes to the same note, wherever its tab now is.
    const QPointer<QWidget> page = widget(index);
    const QPointer<RenameNoteDialog> dialog = new RenameNoteDialog(oldText, this);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    const QString newText = dialog ? dialog->text() : QString();
    delete dialog.data();
    if (!accepted || !page)
        return;
    index = indexOf(page);
    if (index < 0)
        return;
    // A note needs a title to be told apart from the others.
    if (newText.isEmpty() || newText == oldText)
        return;
    setTabText(index, Menu::entryText(newText));
    emit tabTextChangedByUser(index, newText);
}
