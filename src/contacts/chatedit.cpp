#include "contacts/chatedit.h"

#include <QKeyEvent>

ChatEdit::ChatEdit(QWidget *parent)
    : QTextEdit(parent)
{
}

void ChatEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QTextEdit::keyPressEvent(event);
        return;
    }
    // The keypad flag says where the key is, not what the user held.
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::NoModifier) {
        event->accept();
        emit returnPressed();
    } else if (modifiers == Qt::ControlModifier) {
        // The editor would take Ctrl+Return for nothing; a line break is meant.
        event->accept();
        textCursor().insertText(QStringLiteral("\n"));
    } else {
        event->accept();
    }
}
