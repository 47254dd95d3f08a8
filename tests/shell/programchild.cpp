// The program as src/main.cpp composes it, whose user closes the main window
// as soon as it shows (the offscreen platform has no tray, so that ends it),
// and answers a message shown instead with Return after writing its text out
// (or with a click on Ok when PLUMDECK_PROGRAMCHILD_ANSWER is "ok").

#include "app/application.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

void answerMessage(QWidget *dialog)
{
    const auto *label = dialog->findChild<QLabel *>(QStringLiteral("textlabel"));
    const QString text = label ? label->text() : QString();
    std::fputs(qPrintable(QStringLiteral("message: ") + text + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
    // A question's Ok is a click of its own where Return would not press it.
    auto *ok = dialog->findChild<QPushButton *>(QStringLiteral("okbutton"));
    if (ok && qEnvironmentVariable("PLUMDECK_PROGRAMCHILD_ANSWER") == QLatin1String("ok"))
        QTest::mouseClick(ok, Qt::LeftButton);
    else
        QTest::keyClick(dialog, Qt::Key_Return);
}

void closeMainWindowOnceShown()
{
    auto *timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, timer, [timer] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (!widget->isVisible())
                continue;
            if (widget->objectName() == QLatin1String("mainwindow")) {
                timer->stop();
                widget->close();
                return;
            }
            if (widget->inherits("MessageDialog"))
                answerMessage(widget);
        }
    });
    timer->start(50);
}

} // namespace

// Runs as soon as the program has made its application object.
Q_COREAPP_STARTUP_FUNCTION(closeMainWindowOnceShown)

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    keepArguments(argc, argv);
    const int result = runApplication();
    shutdownApplication();
    return result;
}
