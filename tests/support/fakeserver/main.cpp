// plumdeck-fakeserver: the tests' fake server on fixed or ephemeral ports,
// with demo data, for manual runs of the program.

#include "fakeserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTextStream>

#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("plumdeck-fakeserver"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Serves a fake Plumdeck server on 127.0.0.1 with demo users alice, bob and carol "
        "(password \"secret\") for manual runs of the program."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("HTTP port (default: any free one)."),
                                        QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption eventOption(QStringLiteral("event-port"),
                                         QStringLiteral("Event port (default: any free one)."),
                                         QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption tlsOption(QStringLiteral("tls"), QStringLiteral("Serve HTTPS and TLS events "
                                                                             "with the test certificate."));
    const QCommandLineOption emptyOption(QStringLiteral("empty"), QStringLiteral("No demo lists, notes or friends."));
    const QCommandLineOption controlOption(
        QStringLiteral("control"),
        QStringLiteral("Read commands on standard input, one a line: \"hold <path regex>\" keeps the answer to "
                       "the next matching request, \"release\" sends the answers kept, \"held\" tells how many "
                       "are kept, \"fail <method> <path regex> <status>\" answers the next matching request with "
                       "that status without carrying it out, \"drop <method> <path regex>\" carries out the next "
                       "matching request and loses its answer, \"request <user> <nick>\" makes a contact request "
                       "from nick to user and tells user's event streams."));
    const QCommandLineOption deepOption(
        QStringLiteral("deep-list"),
        QStringLiteral("Also serve bob's list \"Too deep\", shared with alice, its tasks nested this many levels."),
        QStringLiteral("levels"), QStringLiteral("0"));
    parser.addOptions({portOption, eventOption, tlsOption, emptyOption, controlOption, deepOption});
    parser.process(app);

    bool ok1 = false, ok2 = false;
    const uint port = parser.value(portOption).toUInt(&ok1);
    const uint eventPort = parser.value(eventOption).toUInt(&ok2);
    QTextStream err(stderr);
    if (!ok1 || !ok2 || port > 65535 || eventPort > 65535) {
        err << "plumdeck-fakeserver: ports must be numbers from 0 to 65535\n";
        return 2;
    }

    FakeServer server(parser.isSet(tlsOption) ? FakeServer::Tls : FakeServer::Plain);
    for (const char *name : {"alice", "bob", "carol"})
        server.addUser(QString::fromLatin1(name), QStringLiteral("secret"));
    if (!parser.isSet(emptyOption)) {
        const quint32 groceries = server.addList(QStringLiteral("alice"), QStringLiteral("Groceries"),
            {FakeTask::make(QStringLiteral("Milk")), FakeTask::make(QStringLiteral("Eggs"), true),
             FakeTask::make(QStringLiteral("Fruit"), false,
                            {FakeTask::make(QStringLiteral("Apples")), FakeTask::make(QStringLiteral("Pears"))})});
        const quint32 plan = server.addList(QStringLiteral("bob"), QStringLiteral("Team plan"),
            {FakeTask::make(QStringLiteral("Write the agenda")), FakeTask::make(QStringLiteral("Book a room"))});
        server.share(plan, QStringLiteral("alice"), QStringLiteral("rw"));
        server.share(groceries, QStringLiteral("carol"), QStringLiteral("r"));
        // Shared since it was made, as its owner's upload would leave it:
        // clients fetch the sharing.
        for (const quint32 id : {plan, groceries}) {
            FakeList list = server.list(id);
            list.sharedRevision = 2;
            server.putList(list);
        }
        server.addNote(QStringLiteral("alice"), QStringLiteral("Ideas"), QStringLiteral("Buy a kite\nPaint the fence"));
        server.addFriend(QStringLiteral("alice"), QStringLiteral("bob"));
        server.setPresence(QStringLiteral("bob"), QStringLiteral("busy"), QStringLiteral("In a meeting"));
        server.addFriendRequest(QStringLiteral("carol"), QStringLiteral("alice"));
    }
    if (const int levels = parser.value(deepOption).toInt(); levels > 0) {
        const quint32 deep = server.addList(QStringLiteral("bob"), QStringLiteral("Too deep"), {FakeTask::nested(levels)});
        server.share(deep, QStringLiteral("alice"), QStringLiteral("rw"));
    }
    if (!server.start(quint16(port), quint16(eventPort))) {
        err << "plumdeck-fakeserver: " << server.errorString() << '\n';
        return 1;
    }
    QTextStream out(stdout);
    out << "server-url " << server.url() << '\n'
        << "http-port " << server.httpPort() << '\n'
        << "event-port " << server.eventPort() << '\n'
        << "users alice bob carol, password secret\n";
    out.flush();
    QObject::connect(&server, &FakeServer::requestReceived, &app, [&out](const FakeRequest &r) {
        out << r.method << ' ' << r.path << " -> " << r.status << '\n';
        out.flush();
    });
    QFile input;
    if (parser.isSet(controlOption)) {
        if (!input.open(STDIN_FILENO, QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            err << "plumdeck-fakeserver: cannot read standard input\n";
            return 1;
        }
        auto *notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [&] {
            const QByteArray line = input.readLine().trimmed();
            if (line.isEmpty() && input.atEnd()) {
                notifier->setEnabled(false); // the controller has gone
                return;
            }
            if (line.startsWith("hold ")) {
                server.hold(QString::fromUtf8(line.mid(5)));
                out << "holding " << line.mid(5) << '\n';
            } else if (line == "release") {
                out << "released " << server.releaseHeld() << '\n';
            } else if (line == "held") {
                out << "held " << server.heldCount() << '\n';
            } else if (line.startsWith("fail ")) {
                // The path regex may hold spaces: the method is the first
                // word, the status the last.
                const QByteArray rest = line.mid(5).trimmed();
                const qsizetype methodEnd = rest.indexOf(' ');
                const qsizetype statusStart = rest.lastIndexOf(' ') + 1;
                bool isNumber = false;
                const int status = methodEnd > 0 ? rest.mid(statusStart).toInt(&isNumber) : 0;
                const QString path = methodEnd > 0
                                         ? QString::fromUtf8(rest.mid(methodEnd, statusStart - methodEnd)).trimmed()
                                         : QString();
                if (!isNumber || status < 100 || status > 599 || path.isEmpty()
                    || !QRegularExpression(path).isValid()) {
                    out << "bad command " << line << '\n';
                } else {
                    server.respondOnce(rest.left(methodEnd), path, status);
                    out << "failing " << rest << '\n';
                }
            } else if (line.startsWith("drop ")) {
                // Carried out, then its answer lost: "drop METHOD path-regex".
                const QByteArray rest = line.mid(5).trimmed();
                const qsizetype methodEnd = rest.indexOf(' ');
                const QString path = methodEnd > 0 ? QString::fromUtf8(rest.mid(methodEnd)).trimmed() : QString();
                if (path.isEmpty() || !QRegularExpression(path).isValid()) {
                    out << "bad command " << line << '\n';
                } else {
                    server.dropAnswerAfterApplying(rest.left(methodEnd), path);
                    out << "dropping " << rest << '\n';
                }
            } else if (line.startsWith("request ")) {
                const QStringList words = QString::fromUtf8(line.mid(8)).split(QLatin1Char(' '), Qt::SkipEmptyParts);
                if (words.size() != 2) {
                    out << "bad command " << line << '\n';
                } else {
                    server.addFriendRequest(words.at(1), words.at(0));
                    server.pushEvent(words.at(0), QStringLiteral("add"),
                                     QStringLiteral("/users/%1/friend-requests").arg(words.at(0)),
                                     "<body><div class=\"pd-user-ref\"><span class=\"pd-user-nick\">"
                                         + words.at(1).toHtmlEscaped().toUtf8() + "</span></div></body>");
                    out << "requested " << words.at(1) << ' ' << words.at(0) << '\n';
                }
            } else if (!line.isEmpty()) {
                out << "unknown command " << line << '\n';
            }
            out.flush();
        });
    }
    return app.exec();
}
