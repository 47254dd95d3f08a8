#include "shell/titlebar.h"

#include <QMouseEvent>

TitleBar::TitleBar()
    : QFrame(nullptr)
{
}

void TitleBar::mouseDoubleClickEvent(QMouseEvent *event)
{
    emit doubleClicked();
    event->accept();
}
