#ifndef TEAMFIXTURE_H
#define TEAMFIXTURE_H

// Shared by the Team mode tests: a fake server with alice signed in over a
// live event connection, and the checks they repeat.

#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include "contacts/user.h"
#include "core/clock.h"
#include "core/serversettings.h"
#include "fakeservertest.h"
#include "sync/requests/eventconnection.h"

namespace Team {

// Nicks no path, file name or document may mistake for anything else.
inline QStringList hostileNicks()
{
    return {QStringLiteral("a/b"), QStringLiteral(".."), QStringLiteral("<x>"), QStringLiteral("an na"),
            QStringLiteral("Åsa Ødegård"), QStringLiteral("名前"), QStringLiteral("q?x=1#f&y%2F")};
}

// A server with alice (signed in), bob and carol; waits for the event stream.
inline std::unique_ptr<CheckedFakeServer> startServer(bool connect = true)
{
    Clock::setTimeScale(0.001);
    auto server = std::make_unique<CheckedFakeServer>();
    if (!server->start())
        return nullptr;
    for (const char *name : {"alice", "bob", "carol"})
        server->addUser(QString::fromLatin1(name), QStringLiteral("secret"));
    if (!connect)
        return server;
    QSignalSpy connected(EventConnection::instance(), &EventConnection::connected);
    ServerSettings::instance()->setSettings(server->url(), QStringLiteral("alice"), QStringLiteral("secret"));
    if (!EventConnection::instance()->isConnected() && !connected.wait(5000))
        return nullptr;
    return server;
}

inline void stopServer(std::unique_ptr<CheckedFakeServer> &server)
{
    ServerSettings::instance()->setSettings(QString(), QStringLiteral("alice"), QStringLiteral("secret"));
    QTRY_VERIFY(!EventConnection::instance()->isConnected());
    server.reset();
    Clock::reset();
}

// "METHOD target-after-prefix" of the requests whose decoded path matches.
inline QStringList targets(const FakeServer &server, const QString &pathRegex = QStringLiteral("."))
{
    QStringList lines;
    for (const FakeRequest &r : server.requests(QByteArray(), pathRegex))
        lines << QString::fromLatin1(r.method + ' ' + r.target.mid(server.prefix().size()));
    return lines;
}

inline QStringList nicks(const QList<User *> &users)
{
    QStringList list;
    for (User *u : users)
        list << u->nick();
    return list;
}

inline QByteArray userPresence(const QString &nick, const char *state = nullptr)
{
    QByteArray inner = "<span class=\"pd-user-nick\">" + nick.toHtmlEscaped().toUtf8() + "</span>";
    if (state)
        inner += QByteArray("<div class=\"pd-presence\"><span class=\"pd-presence-state\">") + state
            + "</span></div>";
    return "<body><div class=\"pd-user-presence\">" + inner + "</div></body>";
}

inline QByteArray userRef(const QString &nick)
{
    return "<body><div class=\"pd-user-ref\"><span class=\"pd-user-nick\">" + nick.toHtmlEscaped().toUtf8()
        + "</span></div></body>";
}

} // namespace Team

#endif
