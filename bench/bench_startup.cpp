// The program's start-up on a lists document of 200 lists of 50 tasks: from
// starting the process to its main window shown (offscreen), against reading
// the same file with UserLists::load alone, in the same run.
//
// Each start is a process of its own: this program runs itself with
// "--start-child", which goes through the program's whole start-up and
// reports on its standard output when the main window is first shown.
#include "listsdocument.h"
#include "app/application.h"
#include "shell/mainwindow.h"
#include "shell/webenginestart.h"
#include "model/userlists.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>

#include <QMap>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const int kLists = 200;
const int kTasksPerList = 50;
const char kChildArgument[] = "--start-child";
// With it, the child also switches to the notepad and back before it ends.
const char kSwitchArgument[] = "--switch-pages";
const int kSwitches = 10;
bool g_switchPages = false;

QString g_self;
QString g_listsPath;

// In the child: says so once the main window shows, then ends the run.
class ShownWatcher : public QObject
{
protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && !m_seen && watched->objectName() == QLatin1String("mainwindow")) {
            m_seen = true;
            // The lists' tabs, so that the parent knows the document was read.
            int tabs = 0;
            for (const QTabWidget *w : static_cast<QWidget *>(watched)->findChildren<QTabWidget *>())
                tabs = qMax(tabs, w->count());
            std::printf("shown %d\n", tabs);
            std::fflush(stdout);
            auto *window = qobject_cast<MainWindow *>(static_cast<QWidget *>(watched));
            if (g_switchPages && window)
                QTimer::singleShot(0, window, [window] { switchPages(window); });
            else
                QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }

private:
    // Each switch as the user makes it: the page placed, laid out and painted.
    static void switchPages(MainWindow *window)
    {
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < kSwitches; ++i) {
            for (MainWindowMode *page : {window->notepadMode(), window->listsMode()}) {
                window->setMode(page);
                QCoreApplication::sendPostedEvents();
                window->repaint();
            }
        }
        std::printf("switched %lld\n", static_cast<long long>(clock.nsecsElapsed() / kSwitches));
        std::fflush(stdout);
        QCoreApplication::quit();
    }

    bool m_seen = false;
};

void watchForMainWindow()
{
    qApp->installEventFilter(new ShownWatcher);
}

int runChild(int argc, char **argv)
{
    qAddPreRoutine(watchForMainWindow);
    WebEngineStart::allowRunningAsRoot();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    g_switchPages = argc > 2 && std::strcmp(argv[2], kSwitchArgument) == 0;
    // The program's options only: not the marker of this mode.
    int childArgc = 1;
    keepArguments(childArgc, argv);
    (void)argc;
    const int result = runApplication();
    shutdownApplication();
    return result;
}

void BM_LoadListsOnly(benchmark::State &state)
{
    for (auto _ : state) {
        std::unique_ptr<UserLists> lists(UserLists::load(g_listsPath));
        benchmark::DoNotOptimize(lists.get());
        if (!lists)
            state.SkipWithError("the lists document does not load");
        state.PauseTiming();
        lists.reset();
        state.ResumeTiming();
    }
}

void BM_StartProgram(benchmark::State &state)
{
    for (auto _ : state) {
        QProcess child;
        child.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer clock;
        clock.start();
        child.start(g_self, {QString::fromLatin1(kChildArgument)});
        QByteArray said;
        while (!said.contains('\n') && child.waitForReadyRead(60000))
            said += child.readAll();
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        const bool shown = said.startsWith("shown ");
        const int tabs = shown ? said.mid(6).trimmed().toInt() : 0;
        if (!child.waitForFinished(60000))
            child.kill();
        if (!shown) {
            state.SkipWithError("the main window did not show");
            break;
        }
        if (tabs < kLists) {
            state.SkipWithError(("the program did not show every list of the document: " + said.trimmed()).constData());
            break;
        }
        state.SetIterationTime(seconds);
    }
}

// One round trip from the lists page to the notepad and back, in a program
// started on the document, measured inside it.
void BM_SwitchPages(benchmark::State &state)
{
    for (auto _ : state) {
        QProcess child;
        child.setStandardErrorFile(QProcess::nullDevice());
        child.start(g_self, {QString::fromLatin1(kChildArgument), QString::fromLatin1(kSwitchArgument)});
        QByteArray said;
        while (!said.contains("switched") && child.waitForReadyRead(60000))
            said += child.readAll();
        while (!said.endsWith('\n') && child.waitForReadyRead(60000))
            said += child.readAll();
        if (!child.waitForFinished(60000))
            child.kill();
        const int at = said.indexOf("switched ");
        if (at < 0) {
            state.SkipWithError("the program did not switch its pages");
            break;
        }
        state.SetIterationTime(said.mid(at + 9).trimmed().toDouble() / 1e9);
    }
}

// The table, plus each benchmark's mean wall time per iteration: a start is
// another process, so the time this one spends on the CPU says nothing.
class WallTimeReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred && run.iterations > 0) {
                const QString name = QString::fromStdString(run.benchmark_name()).section(QLatin1Char('/'), 0, 0);
                m_times[name] = run.real_accumulated_time / double(run.iterations);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    double time(const QString &name) const { return m_times.value(name); }

private:
    QMap<QString, double> m_times;
};

BENCHMARK(BM_LoadListsOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartProgram)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_SwitchPages)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], kChildArgument) == 0)
        return runChild(argc, argv);

    // A home of its own, inherited by every start: the document, settings
    // that make no request to the service, and the guard's folder.
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    if (qEnvironmentVariableIsSet("PLUMDECK_BENCH_KEEP_HOME"))
        home.setAutoRemove(false);
    const QByteArray root = home.path().toLocal8Bit();
    qputenv("HOME", root);
    qputenv("XDG_CONFIG_HOME", root + "/.config");
    qputenv("XDG_DATA_HOME", root + "/.local/share");
    qputenv("XDG_CACHE_HOME", root + "/.cache");
    qputenv("TMPDIR", root);
    qputenv("XDG_RUNTIME_DIR", root);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QDir(home.path()).mkpath(QStringLiteral(".config/Marrowgate"));
    QDir(home.path()).mkpath(QStringLiteral(".local/share/Marrowgate/PlumDeck"));
    QFile settings(home.filePath(QStringLiteral(".config/Marrowgate/PlumDeck.conf")));
    if (!settings.open(QIODevice::WriteOnly))
        return 1;
    // Port 9 on loopback: nothing answers, so the start waits on no server.
    settings.write("[net]\nserver-url=http://127.0.0.1:9/plumdeck\n[updater]\nenabled=false\n");
    settings.close();

    QCoreApplication app(argc, argv);
    // The program reads only documents its own name wrote.
    QCoreApplication::setOrganizationName(QStringLiteral("Marrowgate"));
    QCoreApplication::setApplicationName(QStringLiteral("PlumDeck"));
    g_self = QCoreApplication::applicationFilePath();
    g_listsPath = home.filePath(QStringLiteral(".local/share/Marrowgate/PlumDeck/lists.xhtml"));
    if (!writeListsDocument(g_listsPath, kLists, kTasksPerList)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(g_listsPath));
        return 1;
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    WallTimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double start = reporter.time(QStringLiteral("BM_StartProgram"));
    const double load = reporter.time(QStringLiteral("BM_LoadListsOnly"));
    std::printf("\nStart-up on %d lists of %d tasks (aim: 1.5x):\n", kLists, kTasksPerList);
    if (start > 0 && load > 0)
        std::printf("  %-60s %6.2fx\n", "start to the main window shown, against UserLists::load alone",
                    start / load);
    const double switching = reporter.time(QStringLiteral("BM_SwitchPages"));
    if (switching > 0 && load > 0)
        std::printf("  %-60s %6.2fx\n", "to the notepad and back, against UserLists::load alone", switching / load);
    return 0;
}
