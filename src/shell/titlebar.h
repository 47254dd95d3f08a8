#ifndef TITLEBAR_H
#define TITLEBAR_H

#include <QFrame>

// Title strip of the self-drawn dialogs; reports double clicks and keeps them
// from reaching the dialog underneath.
class TitleBar : public QFrame
{
    Q_OBJECT
public:
    TitleBar();

signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};

#endif
