#include "notepad/notepadtextedit.h"

#include "model/listmodel.h"
#include "model/userlists.h"
#include "notepad/totasklistaction.h"
#include "shell/menu.h"

#include <QContextMenuEvent>
#include <QIcon>
#include <QPointer>

#include <memory>

NotepadTextEdit::NotepadTextEdit(std::function<UserLists *()> userLists, QWidget *parent)
    : QTextEdit(parent)
    , m_userLists(std::move(userLists))
{
    setViewportMargins(10, 10, 10, 10);
}

void NotepadTextEdit::focusOutEvent(QFocusEvent *event)
{
    // The toolkit's own handling (cursor, input method) still runs.
    QTextEdit::focusOutEvent(event);
    emit focusOut(this);
}

QMenu *NotepadTextEdit::createMenu()
{
    QMenu *standard = createStandardContextMenu();
    auto *menu = new Menu(this);
    // The standard menu owns its entries, so it goes with the menu.
    standard->setParent(menu, standard->windowFlags());

    auto *toList = new Menu(menu);
    toList->setTitle(tr("Move To List"));
    toList->setIcon(QIcon(QStringLiteral(":/notepad_to_task.png")));
    if (UserLists *lists = m_userLists ? m_userLists() : nullptr) {
        const QList<ListModel *> models = lists->models();
        for (ListModel *model : models) {
            auto *action = new ToTaskListAction(model, this);
            // Released with the menu, after the chosen entry has run.
            connect(menu, &QObject::destroyed, action, &QObject::deleteLater);
            toList->addAction(action);
        }
    }
    toList->setEnabled(textCursor().hasSelection());

    const QList<QAction *> entries = standard->actions();
    for (QAction *entry : entries) {
        if (!entry->isSeparator())
            menu->addAction(entry);
    }
    setMenuIcons(menu);
    menu->addMenu(toList);
    return menu;
}

void NotepadTextEdit::contextMenuEvent(QContextMenuEvent *event)
{
    QPointer<QMenu> menu = createMenu();
    menu->exec(event->globalPos());
    delete menu.data();
}

void NotepadTextEdit::setMenuIcons(QMenu *menu)
{
    // By the entries' names, which do not depend on the toolkit's order.
    static const struct
    {
        const char *name;
        const char *icon;
    } icons[] = {
        {"edit-undo", ":/undo.png"},   {"edit-redo", ":/redo.png"},         {"edit-cut", ":/cut.png"},
        {"edit-copy", ":/copy.png"},   {"edit-paste", ":/paste.png"},       {"edit-delete", ":/task_delete.png"},
        {"select-all", ":/select_all.png"},
    };
    const QList<QAction *> entries = menu->actions();
    for (QAction *entry : entries) {
        for (const auto &icon : icons) {
            if (entry->objectName() == QLatin1String(icon.name))
                entry->setIcon(QIcon(QLatin1String(icon.icon)));
        }
    }
}
