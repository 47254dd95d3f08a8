// A small program the core tests run in a child process, for what must end
// the process (usage errors, fatal messages) or needs processes of its own
// (the single-instance marker).
#include "core/logging.h"
#include "core/markersingleapplication.h"
#include "core/options.h"
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

QString show(const Options::Option *option)
{
    if (auto *b = dynamic_cast<const Options::BoolOption *>(option))
        return b->value() ? QStringLiteral("true") : QStringLiteral("false");
    if (auto *i = dynamic_cast<const Options::IntOption *>(option))
        return QString::number(i->value());
    if (auto *s = dynamic_cast<const Options::StringOption *>(option))
        return s->value().isNull() ? QStringLiteral("<null>") : s->value();
    if (auto *l = dynamic_cast<const Options::StringListOption *>(option))
        return l->value().join(QLatin1Char('|'));
    return QStringLiteral("?");
}

int runOptions(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeAt(1); // the mode
    Options::parse(args);
    const auto &options = Options::registeredOptions();
    for (auto it = options.cbegin(); it != options.cend(); ++it)
        out(it.key() + QLatin1Char('=') + show(it.value()));
    out(QStringLiteral("testargs=") + Options::testArguments().join(QLatin1Char('|')));
    return 0;
}

int runImplies(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Options::implies(app.arguments().value(2), app.arguments().value(3));
    out(QStringLiteral("implied"));
    return 0;
}

int runMarker(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString name = app.arguments().value(2);
    const int holdMs = app.arguments().value(3).toInt();
    SingleInstanceMarker marker(name);
    if (marker.isAnotherInstanceRunning()) {
        out(QStringLiteral("second"));
        return 0;
    }
    out(QStringLiteral("first"));
    QObject::connect(&marker, &SingleInstanceMarker::bringForwardRequested, [] {
        out(QStringLiteral("activated"));
    });
    QTimer::singleShot(holdMs, &app, &QCoreApplication::quit);
    return app.exec();
}

int runApplication(int argc, char **argv)
{
    MarkerSingleApplication app(argc, argv);
    app.setOrganizationName(QStringLiteral("Marrowgate"));
    app.setApplicationName(QStringLiteral("PlumDeck"));
    const int holdMs = app.arguments().value(2).toInt();
    if (app.isAnotherInstanceRunning()) {
        out(QStringLiteral("second"));
        return 0;
    }
    out(QStringLiteral("first"));
    QWidget window;
    app.setMainWindow(&window);
    // Minimised, or hidden as in the tray.
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
    QTimer::singleShot(holdMs, &app, &QCoreApplication::quit);
    return app.exec();
}

int runUnnamedApplication(int argc, char **argv)
{
    MarkerSingleApplication app(argc, argv);
    app.setOrganizationName(QString());
    app.setApplicationName(QString());
    app.isAnotherInstanceRunning();
    return 0;
}

int runUserDataDir(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    out(userDataDir().path());
    return 0;
}

int runLogFatal(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    switchLoggingToFile(app.arguments().value(2));
    qWarning("before the end");
    qFatal("fatal %s", "100% done");
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "options")
        return runOptions(argc, argv);
    if (mode == "implies")
        return runImplies(argc, argv);
    if (mode == "marker")
        return runMarker(argc, argv);
    if (mode == "application")
        return runApplication(argc, argv);
    if (mode == "unnamed-application")
        return runUnnamedApplication(argc, argv);
    if (mode == "userdatadir")
        return runUserDataDir(argc, argv);
    if (mode == "logfatal")
        return runLogFatal(argc, argv);
    std::fputs("unknown mode\n", stderr);
    return 64;
}
