#include "shell/pdtextedit.h"

#include "shell/editcontextmenu.h"

#include <QContextMenuEvent>
#include <QMenu>

PDTextEdit::PDTextEdit(QWidget *parent)
    : QTextEdit(parent)
{
}

PDTextEdit::PDTextEdit(const QString &text, QWidget *parent)
    : QTextEdit(text, parent)
{
}

void PDTextEdit::contextMenuEvent(QContextMenuEvent *event)
{
    EditContextMenu::exec(createStandardContextMenu(event->pos()), this, event->globalPos(), isReadOnly(),
                          tr("Select All  "));
}
