#include "shell/pdlineedit.h"

#include "shell/editcontextmenu.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

PDLineEdit::PDLineEdit(QWidget *parent)
    : QLineEdit(parent)
{
}

PDLineEdit::PDLineEdit(const QString &text, QWidget *parent)
    : QLineEdit(text, parent)
{
}

void PDLineEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit enterPressed();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void PDLineEdit::focusOutEvent(QFocusEvent *event)
{
    emit lostFocus();
    QLineEdit::focusOutEvent(event);
}

void PDLineEdit::contextMenuEvent(QContextMenuEvent *event)
{
    EditContextMenu::exec(createStandardContextMenu(), this, event->globalPos(), isReadOnly(),
                          tr("Select All  "));
}
