// The desktop's idle time through the X screen-saver extension, on an X
// server of the test's own: the rest of the suite runs without one.

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <csignal>
#include <unistd.h>

#include "contacts/idlenessmonitor.h"
#include "contacts/screensaveridlenessmonitor.h"
#include "testenvironment.h"

#include <X11/Xlib.h>

namespace {
qint64 g_xvfb = 0;
Display *g_probe = nullptr;

// Starts Xvfb on a display of its own and waits until it answers.
bool startXServer()
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (program.isEmpty())
        return false;
    const QByteArray display = ':' + QByteArray::number(500 + getpid() % 400);
    QProcess xvfb;
    xvfb.setProgram(program);
    xvfb.setArguments({QString::fromLatin1(display), "-nolisten", "tcp", "-terminate"});
    // Not on the test's output: the test runner waits for whoever holds it.
    xvfb.setStandardOutputFile(QProcess::nullDevice());
    xvfb.setStandardErrorFile(QProcess::nullDevice());
    if (!xvfb.startDetached(&g_xvfb))
        return false;
    for (int i = 0; i < 200; ++i) {
        // Held open to the end: with -terminate the server ends with its
        // last client, also when the test dies.
        if ((g_probe = XOpenDisplay(display.constData()))) {
            qputenv("DISPLAY", display);
            // Where the toolkit cannot use the server after all, the test skips.
            qputenv("QT_QPA_PLATFORM", "xcb;offscreen");
            return true;
        }
        usleep(50000);
    }
    return false;
}
} // namespace

class TstScreenSaverIdleness : public QObject
{
    Q_OBJECT
private slots:
    void idleTimeOfTheDesktop();
};

void TstScreenSaverIdleness::idleTimeOfTheDesktop()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("no X server (Xvfb) to run on");
    IdlenessMonitor::createInstance();
    auto *monitor = qobject_cast<ScreenSaverIdlenessMonitor *>(IdlenessMonitor::instance());
    QVERIFY(monitor);
    QTRY_VERIFY_WITH_TIMEOUT(monitor->idleSeconds() >= 1, 3000);
    QVERIFY(monitor->idleSeconds() < 60);
    QVERIFY(!monitor->isIdle());
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (!xdotool.isEmpty()) {
        QCOMPARE(QProcess::execute(xdotool, {"mousemove", "10", "10"}), 0);
        QCOMPARE(monitor->idleSeconds(), 0);
    }
    IdlenessMonitor::setInstance(nullptr);
}

int main(int argc, char *argv[])
{
    TestEnvironment::isolateUserFolders();
    startXServer();
    int result = 0;
    {
        QApplication app(argc, argv);
        TestEnvironment::setProgramNames();
        TstScreenSaverIdleness tc;
        QTEST_SET_MAIN_SOURCE_PATH
        result = QTest::qExec(&tc, argc, argv);
    }
    if (g_probe)
        XCloseDisplay(g_probe);
    if (g_xvfb > 0)
        kill(pid_t(g_xvfb), SIGTERM);
    return result;
}

#include "tst_screensaveridleness.moc"
