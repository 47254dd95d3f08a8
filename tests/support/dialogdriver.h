#ifndef DIALOGDRIVER_H
#define DIALOGDRIVER_H

// Drives dialogs that run their own event loop from inside a test.

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace DialogDriver {

// The first visible top-level widget of the class (or a subclass), if any.
inline QWidget *visibleDialog(const char *className)
{
    const QWidgetList widgets = QApplication::topLevelWidgets();
    for (QWidget *widget : widgets) {
        if (widget->inherits(className) && widget->isVisible())
            return widget;
    }
    return nullptr;
}

// Runs `act` on the dialog `find` returns, once it returns one; `find` is
// polled every 10 ms. A dialog that never shows up gives up after `attempts`
// polls; one left open by a failed check is rejected a few seconds after
// `act`, so that the test fails instead of hanging.
inline void whenDialog(std::function<QWidget *()> find, std::function<void(QWidget *)> act, int attempts)
{
    QTimer::singleShot(10, [find, act, attempts]() {
        QWidget *dialog = find();
        if (!dialog) {
            if (attempts > 0)
                whenDialog(find, act, attempts - 1);
            return;
        }
        QPointer<QWidget> guard(dialog);
        act(dialog);
        QTimer::singleShot(3000, [guard]() {
            if (guard && guard->isVisible())
                QMetaObject::invokeMethod(guard, "reject");
        });
    });
}

// The same for the application's modal dialog, once its event loop runs.
inline void whenModal(std::function<void(QWidget *)> act, int attempts = 200)
{
    whenDialog(&QApplication::activeModalWidget, std::move(act), attempts);
}

} // namespace DialogDriver

#endif
