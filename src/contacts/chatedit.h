#ifndef CHATEDIT_H
#define CHATEDIT_H

#include <QTextEdit>

// A chat window's input: Return or Enter sends, Ctrl+Return starts a new
// line, and Return with any other modifier does nothing.
class ChatEdit : public QTextEdit
{
    Q_OBJECT
public:
    explicit ChatEdit(QWidget *parent = nullptr);

signals:
    void returnPressed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

#endif
