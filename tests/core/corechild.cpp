// A small program the core tests run in a child process, for what must end
// the process (usage errors, fatal messages) or needs processes of its own
// (the single-instance marker, the data folder's lock).
#include "app/markersingleapplication.h"
#include "childprocess.h"
#include "core/datafolderlock.h"
#include "core/logging.h"
#include "core/paths.h"
#include "core/singleinstancemarker.h"

#include <QCoreApplication>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

void out(const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

// arguments: [program, mode, ...]
int runPlain(const QByteArray &mode, int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (mode == "options") {
        Options::parse(QStringList(args.first()) + args.mid(2));
        const QMap<QString, QString> values = optionValues();
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            out(it.key() + QLatin1Char('=') + it.value());
    } else if (mode == "implies") {
        Options::implies(args.value(2), args.value(3));
        out(QStringLiteral("implied"));
    } else if (mode == "userdatadir") {
        out(userDataDir().path());
    } else if (mode == "logfatal") {
        switchLoggingToFile(args.value(2));
        qWarning("before the end");
        qFatal("fatal %s", "100% done");
    } else if (mode == "marker") {
        SingleInstanceMarker marker(args.value(2));
        if (marker.isAnotherInstanceRunning()) {
            out(QStringLiteral("second"));
            return 0;
        }
        out(QStringLiteral("first"));
        QObject::connect(&marker, &SingleInstanceMarker::bringForwardRequested, [] { out(QStringLiteral("activated")); });
        QTimer::singleShot(args.value(3).toInt(), &app, &QCoreApplication::quit);
        return app.exec();
    } else if (mode == "datalock") {
        DataFolderLock lock{QDir(args.value(2))};
        if (!lock.tryLock()) {
            out(QStringLiteral("in use"));
            return 0;
        }
        out(QStringLiteral("held"));
        QTimer::singleShot(args.value(3).toInt(), &app, &QCoreApplication::quit);
        return app.exec();
    } else {
        std::fputs("unknown mode\n", stderr);
        return 64;
    }
    return 0;
}

// arguments: [program, "application", hold ms, "hidden" or the minimised
// window], or [program, "unnamed-application"]
int runApplication(bool named, int argc, char **argv)
{
    MarkerSingleApplication app(argc, argv);
    app.setOrganizationName(named ? QStringLiteral("Marrowgate") : QString());
    app.setApplicationName(named ? QStringLiteral("PlumDeck") : QString());
    if (app.isAnotherInstanceRunning()) {
        out(QStringLiteral("second"));
        return 0;
    }
    out(QStringLiteral("first"));
    QWidget window;
    app.setMainWindow(&window);
    if (app.arguments().value(3) != QLatin1String("hidden"))
        window.showMinimized();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (window.isVisible() && !window.isMinimized()) {
            out(QStringLiteral("restored"));
            poll.stop();
        }
    });
    poll.start(20);
    QTimer::singleShot(app.arguments().value(2).toInt(), &app, &QCoreApplication::quit);
    return app.exec();
}

} // namespace

int main(int argc, char **argv)
{
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode.endsWith("application"))
        return runApplication(mode == "application", argc, argv);
    return runPlain(mode, argc, argv);
}
