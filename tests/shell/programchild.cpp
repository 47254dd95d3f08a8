// The program as src/main.cpp composes it, whose user closes the main window
// as soon as it shows (the offscreen platform has no tray, so that ends it).

#include "app/application.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace {

void closeMainWindowOnceShown()
{
    auto *timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, timer, [timer] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == QLatin1String("mainwindow") && widget->isVisible()) {
                timer->stop();
                widget->close();
                return;
            }
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
