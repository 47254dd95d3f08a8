#ifndef SHELLTEST_H
#define SHELLTEST_H

// Helpers shared by the shell tests: driving modal dialogs, choosing the
// skin the way the program stores it, and sending mouse events with global
// positions (QTest's own helpers leave the global position to the cursor).

#include "dialogdriver.h"
#include "shell/customdialog.h"
#include "shell/toolbutton.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QSettings>
#include <QTest>

namespace ShellTest {

inline void setBlueSkin(bool blue)
{
    QSettings().setValue(QStringLiteral("ui/skin"), blue ? 1 : 0);
}

using DialogDriver::whenModal;

// Ends a running dialog the way the user would: "ok", "cancel", "close"
// (the title-bar button), "return" or "escape".
inline void endDialog(CustomDialog *dialog, const QString &how)
{
    if (how == QLatin1String("ok"))
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    else if (how == QLatin1String("cancel"))
        QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
    else if (how == QLatin1String("close"))
        QTest::mouseClick(dialog->closeButton(), Qt::LeftButton);
    else if (how == QLatin1String("return"))
        QTest::keyClick(dialog, Qt::Key_Return);
    else
        QTest::keyClick(dialog, Qt::Key_Escape);
}

inline bool sameImage(const QPixmap &a, const QPixmap &b)
{
    return !a.isNull() && a.toImage().convertToFormat(QImage::Format_ARGB32)
        == b.toImage().convertToFormat(QImage::Format_ARGB32);
}

// Shows `widget` (at `geometry` when one is given) and waits until exposed.
inline bool showExposed(QWidget *widget, const QRect &geometry = QRect())
{
    if (geometry.isValid())
        widget->setGeometry(geometry);
    widget->show();
    return QTest::qWaitForWindowExposed(widget);
}

inline void sendMouse(QWidget *target, QEvent::Type type, const QPoint &global, Qt::MouseButton button,
                      Qt::MouseButtons buttons)
{
    QMouseEvent event(type, target->mapFromGlobal(global), global, button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

inline void press(QWidget *target, const QPoint &local, Qt::MouseButton button = Qt::LeftButton)
{
    sendMouse(target, QEvent::MouseButtonPress, target->mapToGlobal(local), button, button);
}

inline void moveTo(QWidget *target, const QPoint &global, Qt::MouseButtons buttons = Qt::LeftButton)
{
    sendMouse(target, QEvent::MouseMove, global, Qt::NoButton, buttons);
}

inline void release(QWidget *target, const QPoint &global)
{
    sendMouse(target, QEvent::MouseButtonRelease, global, Qt::LeftButton, Qt::NoButton);
}

// Presses the left button at `local`, moves by `delta` and releases there.
inline void drag(QWidget *target, const QPoint &local, const QPoint &delta)
{
    const QPoint end = target->mapToGlobal(local) + delta;
    press(target, local);
    moveTo(target, end);
    release(target, end);
}

} // namespace ShellTest

#endif
