#include "testenvironment.h"

#include "sync/requests/sslerrorhandler.h"
#include "syncui/sslerrorsui.h"
#include "syncui/syncnoticeboxes.h"

#include <QDir>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {
std::unique_ptr<QTemporaryDir> g_home;
// This process's share (from 1) and the number of shares; 0 without -share.
int g_share = 0;
int g_shares = 0;
}

void TestEnvironment::isolateUserFolders()
{
    if (!g_home) {
        g_home = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/plumdeck-test-XXXXXX"));
        if (!g_home->isValid())
            qFatal("cannot create a temporary home for the test");
    }
    const QByteArray home = QFile::encodeName(g_home->path());
    qputenv("HOME", home);
    qputenv("XDG_DATA_HOME", home + "/.local/share");
    qputenv("XDG_CONFIG_HOME", home + "/.config");
    qputenv("XDG_CACHE_HOME", home + "/.cache");
    qputenv("XDG_RUNTIME_DIR", home + "/runtime");
    QDir().mkpath(g_home->path() + QStringLiteral("/runtime"));
    QFile::setPermissions(g_home->path() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
}

void TestEnvironment::setProgramNames()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Marrowgate"));
    QCoreApplication::setApplicationName(QStringLiteral("PlumDeck"));
}

void TestEnvironment::answerAsTheProgram()
{
    static SyncNoticeBoxes boxes;
    SyncNotices::setTeller(&boxes);
    SslErrorHandler::setMaker([](QWidget *window) -> SslErrorHandler * { return new SslErrorsUI(window); });
}

QString TestEnvironment::homePath()
{
    return g_home ? g_home->path() : QString();
}

int TestEnvironment::exec(QObject *test, int argc, char **argv)
{
    QList<QByteArray> arguments;
    for (int i = 0; i < argc; ++i) {
        if (qstrcmp(argv[i], "-share") != 0) {
            arguments << argv[i];
            continue;
        }
        const QList<QByteArray> parts = i + 1 < argc ? QByteArray(argv[++i]).split('/') : QList<QByteArray>();
        bool ok = parts.size() == 2;
        g_share = ok ? parts[0].toInt(&ok) : 0;
        g_shares = ok ? parts[1].toInt(&ok) : 0;
        if (!ok || g_share < 1 || g_share > g_shares) {
            std::fprintf(stderr, "-share takes K/N, K from 1 to N\n");
            return 1;
        }
    }
    if (g_shares == 0)
        return QTest::qExec(test, argc, argv);

    // Qt Test lists every function and row it would run, one a line:
    // "Class function" or "Class function tag".
    QProcess listing;
    listing.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    listing.start(QCoreApplication::applicationFilePath(), {QStringLiteral("-datatags")});
    if (!listing.waitForFinished(-1) || listing.exitStatus() != QProcess::NormalExit || listing.exitCode() != 0) {
        std::fprintf(stderr, "the test functions could not be listed: %s\n", qPrintable(listing.errorString()));
        return 1;
    }
    const QMetaObject *meta = test->metaObject();
    QSet<QByteArray> sharingItsItems;
    if (const int info = meta->indexOfClassInfo("sharesItsItems"); info >= 0) {
        for (const QByteArray &name : QByteArray(meta->classInfo(info).value()).split(','))
            sharingItsItems.insert(name.trimmed());
    }
    const QByteArray prefix = QByteArray(meta->className()) + ' ';
    QList<QByteArray> everyShare;
    QList<QByteArray> items;
    for (const QByteArray &line : listing.readAllStandardOutput().split('\n')) {
        if (!line.startsWith(prefix))
            continue;
        const QByteArray rest = line.mid(prefix.size());
        const qsizetype space = rest.indexOf(' ');
        const QByteArray function = space < 0 ? rest : rest.left(space);
        const QByteArray item = space < 0 ? function : function + ':' + rest.mid(space + 1);
        QList<QByteArray> &into = sharingItsItems.contains(function) ? everyShare : items;
        // Rows of one tag run together.
        if (!into.contains(item))
            into << item;
    }
    QList<QByteArray> mine = everyShare;
    for (qsizetype i = g_share - 1; i < items.size(); i += g_shares)
        mine << items.at(i);
    if (mine.isEmpty()) {
        // Named nothing, qExec would run everything.
        std::printf("share %d of %d: nothing to run\n", g_share, g_shares);
        return 0;
    }
    arguments += mine;
    std::vector<char *> pointers;
    for (QByteArray &argument : arguments)
        pointers.push_back(argument.data());
    return QTest::qExec(test, int(pointers.size()), pointers.data());
}

bool TestEnvironment::inShare(int item)
{
    return g_shares == 0 || item % g_shares == g_share - 1;
}
