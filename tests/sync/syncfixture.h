#ifndef SYNCFIXTURE_H
#define SYNCFIXTURE_H

// Shared by the synchroniser tests: a fake server with the users alice and
// bob, the program's settings pointed at it, and a watcher that answers the
// program's modal message boxes.

#include "fakeservertest.h"
#include "sync/requests/serverhttpconnection.h"
#include "core/serversettings.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTimer>

#include <memory>

inline std::unique_ptr<FakeServer> startFakeServer()
{
    auto server = std::make_unique<FakeServer>();
    if (!server->start())
        return nullptr;
    server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    server->addUser(QStringLiteral("bob"), QStringLiteral("hunter2"));
    ServerSettings::instance()->setSettings(server->url(), QStringLiteral("alice"), QStringLiteral("secret"));
    return server;
}

// "METHOD path" of every request the server saw, in order.
inline QStringList requestLines(const FakeServer &server)
{
    QStringList lines;
    for (const FakeRequest &r : server.requests())
        lines << QString::fromLatin1(r.method) + QLatin1Char(' ') + r.path;
    return lines;
}

// The titles of a server list's top-level tasks, in order.
inline QStringList serverTitles(const FakeServer &server, quint32 id)
{
    QStringList out;
    for (const FakeTask &t : server.tasks(id))
        out << t.title();
    return out;
}

// A user's groups on the server as "[lists] Group[lists](groups) ...", lists
// by name.
inline QString serverGroupsOutline(const FakeServer &server, const FakeGroup &group)
{
    QStringList lists;
    for (quint32 id : group.lists)
        lists << server.list(id).name;
    QStringList children;
    for (const FakeGroup &child : group.children)
        children << child.name + QLatin1Char('(') + serverGroupsOutline(server, child) + QLatin1Char(')');
    return QLatin1Char('[') + lists.join(QLatin1Char(' ')) + QLatin1Char(']') + children.join(QString());
}

inline QString serverGroupsOutline(const FakeServer &server, const QString &user)
{
    return serverGroupsOutline(server, server.groups(user));
}

// Accepts every modal dialog that opens while it lives, keeping its title
// and text.
class ModalAnswerer : public QObject
{
public:
    ModalAnswerer()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QDialog *dialog = nullptr;
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                auto *candidate = qobject_cast<QDialog *>(widget);
                if (candidate && candidate->isVisible())
                    dialog = candidate;
            }
            if (!dialog)
                return;
            titles << dialog->windowTitle();
            const auto *label = dialog->findChild<QLabel *>(QStringLiteral("textlabel"));
            texts << (label ? label->text() : QString());
            dialog->accept();
        });
        m_timer.start(10);
    }

    QStringList titles;
    QStringList texts;

private:
    QTimer m_timer;
};

// Records every diagnostic written while it lives, as "debug: text" or
// "warning: text", and passes each on to the handler before it (the test
// framework's, which ignoreMessage relies on).
class MessageLog
{
public:
    MessageLog()
    {
        s_current = this;
        m_previous = qInstallMessageHandler(&MessageLog::handle);
    }
    ~MessageLog()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }

    QStringList lines;

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        if (MessageLog *log = s_current) {
            const char *kind = type == QtDebugMsg ? "debug: " : type == QtWarningMsg ? "warning: " : "other: ";
            log->lines << QString::fromLatin1(kind) + text;
            if (log->m_previous)
                log->m_previous(type, context, text);
        }
    }

    QtMessageHandler m_previous = nullptr;
    static inline MessageLog *s_current = nullptr;
};

// Error expectations: "" none, "*" any non-empty text, "^text" starts with
// text, anything else the exact text.
inline bool errorMatches(const QString &actual, const QString &expected)
{
    if (expected.isEmpty())
        return actual.isEmpty();
    if (expected == QLatin1String("*"))
        return !actual.isEmpty();
    if (expected.startsWith(QLatin1Char('^')))
        return actual.startsWith(expected.mid(1));
    return actual == expected;
}

#endif
