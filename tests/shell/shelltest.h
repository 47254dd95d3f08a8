#ifndef SHELLTEST_H
#define SHELLTEST_H

// Helpers shared by the shell tests: driving modal dialogs and choosing the
// skin the way the program stores it.

#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QPointer>
#include <QSettings>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace ShellTest {

inline void useProgramSettings()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Marrowgate"));
    QCoreApplication::setApplicationName(QStringLiteral("PlumDeck"));
}

inline void setBlueSkin(bool blue)
{
    QSettings().setValue(QStringLiteral("ui/skin"), blue ? 1 : 0);
}

// Runs `act` on the modal dialog once its event loop is running. A dialog that
// never shows up (or is left open by a failed check) is rejected after a few
// seconds so that the test fails instead of hanging.
inline void whenModal(std::function<void(QWidget *)> act, int attempts = 200)
{
    QTimer::singleShot(10, [act, attempts]() {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal) {
            if (attempts > 0)
                whenModal(act, attempts - 1);
            return;
        }
        QPointer<QWidget> guard(modal);
        act(modal);
        QTimer::singleShot(3000, [guard]() {
            if (guard && guard->isVisible())
                QMetaObject::invokeMethod(guard, "reject");
        });
    });
}

inline bool sameImage(const QPixmap &a, const QPixmap &b)
{
    return !a.isNull() && a.toImage().convertToFormat(QImage::Format_ARGB32)
        == b.toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace ShellTest

#endif
