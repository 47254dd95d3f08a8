#include "core/platform.h"
#include "testenvironment.h"

#include <QTemporaryDir>
#include <QWidget>

class TstPlatform : public QObject
{
    Q_OBJECT
private slots:
    void runElevated()
    {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^runElevated: no such file")));
        QVERIFY(!::runElevated(QStringLiteral("/nonexistent/installer.exe")));

        // A downloaded installer is not executable yet.
        QTemporaryDir dir;
        const QString script = dir.filePath(QStringLiteral("installer.exe"));
        const QString marker = dir.filePath(QStringLiteral("ran"));
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("#!/bin/sh\ntouch '%1'\n").arg(marker).toUtf8());
        f.close();
        QVERIFY(::runElevated(script));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);
    }

    void frameStyles()
    {
        // Minimise or maximise hints would make the toolkit drop the
        // frameless hint and add a system frame around the window's own.
        const Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::FramelessWindowHint;
        QWidget window(nullptr, flags);
        window.show();
        addNativeFrameStyles(&window);
        QCOMPARE(window.windowFlags(), flags);
        QVERIFY(window.isVisible());
    }

    void crashLoggerMissing()
    {
#ifndef Q_OS_WIN
        // No such library exists here: every start would print a line on the
        // terminal, whatever its level.
        static QStringList said;
        said.clear();
        const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &,
                                                                    const QString &text) { said << text; });
#endif
        for (int i = 0; i < 2; ++i) {
#ifdef Q_OS_WIN
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^failed to load bblogger.dll ")));
#endif
            loadCrashLogger();
            QVERIFY(!isCrashLoggerLoaded());
        }
#ifndef Q_OS_WIN
        qInstallMessageHandler(previous);
        QCOMPARE(said, QStringList());
#endif
    }
};

PLUMDECK_TEST_MAIN(TstPlatform)
#include "tst_platform.moc"
