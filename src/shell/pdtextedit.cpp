#include "shell/pdtextedit.h"

#include "shell/editcontextmenu.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QStyle>

PDTextEdit::PDTextEdit(QWidget *parent)
    : QTextEdit(parent)
{
}

PDTextEdit::PDTextEdit(const QString &text, QWidget *parent)
    : QTextEdit(text, parent)
{
}

void PDTextEdit::setReadOnly(bool readOnly)
{
    if (readOnly == isReadOnly())
        return;
    QTextEdit::setReadOnly(readOnly);
    style()->unpolish(this);
    style()->polish(this);
    update();
}

void PDTextEdit::contextMenuEvent(QContextMenuEvent *event)
{
    EditContextMenu::exec(createStandardContextMenu(event->pos()), this, event->globalPos(), isReadOnly(),
                          tr("Select All  "));
}
