#ifndef SYNCTEST_H
#define SYNCTEST_H

// Helpers shared by the server-connection tests: pointing the program at the
// fake server, trusting its certificate, running one request, and a scripted
// certificate question.

#include <QSignalSpy>
#include <QSslConfiguration>
#include <QtTest>

#include <functional>
#include <memory>

#include "core/options.h"
#include "dialogdriver.h"
#include "fakeserver.h"
#include "sync/requests/request.h"
#include "sync/requests/serverhttpconnection.h"
#include "core/serversettings.h"
#include "sync/requests/sslerrorhandler.h"

namespace SyncTest {

inline void useServer(const FakeServer &server, const QString &user = QStringLiteral("alice"),
                      const QString &password = QStringLiteral("secret"))
{
    ServerSettings::instance()->setSettings(server.url(), user, password);
}

// The system's trust plus the fake server's own certificate as a CA.
inline QSslConfiguration trustingConfiguration()
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificate(FakeServer::testCertificate());
    return configuration;
}

// Queues the request on the server connection and waits for its end.
inline bool run(Request *request, int timeoutMs = 10000)
{
    QSignalSpy finished(request, &Request::finished);
    ServerHttpConnection::instance()->addRequest(request);
    return finished.count() == 1 || finished.wait(timeoutMs);
}

// The fake server over TLS for the certificate tests, the program pointed at
// it with nothing accepted: each request on a new connection, so that each
// meets the certificate. Null when it could not start.
inline std::unique_ptr<FakeServer> startTlsServer()
{
    Options::noignoresslerrors.reset();
    auto server = std::make_unique<FakeServer>(FakeServer::Tls);
    if (!server->start())
        return nullptr;
    server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    server->closeAfterResponses(1);
    ServerHttpConnection::instance()->setSslConfiguration(QSslConfiguration::defaultConfiguration());
    useServer(*server);
    return server;
}

// Forgets the certificates a test accepted (they go with the server URL).
inline void forgetAcceptedCertificates()
{
    ServerSettings::instance()->setSettings(QString(), QStringLiteral("alice"), QStringLiteral("secret"));
}

// A HEAD of the root asking through `handler`; true when it got a response.
inline bool reachable(SslErrorHandler *handler)
{
    Request request(QStringLiteral("HEAD"), QStringLiteral("/"));
    request.setSslErrorHandler(handler);
    if (!run(&request))
        return false;
    return !request.hasError() && request.responseHeader().statusCode() == 200;
}

class ScriptedHandler : public SslErrorHandler
{
public:
    explicit ScriptedHandler(bool answer) : m_answer(answer) {}
    bool askUser(const QStringList &errorTexts) override
    {
        ++asked;
        lastTexts = errorTexts;
        // What may happen while a real question box runs its event loop.
        if (whileAsking)
            whileAsking();
        return m_answer;
    }
    void setAnswer(bool answer) { m_answer = answer; }
    int asked = 0;
    QStringList lastTexts;
    std::function<void()> whileAsking;

private:
    bool m_answer;
};

// Runs `act` on the message box once it shows; one left open is rejected
// after a few seconds so a failing test cannot hang.
inline void whenMessageBox(std::function<void(QWidget *)> act, int attempts = 300)
{
    DialogDriver::whenDialog([] { return DialogDriver::visibleDialog("MessageDialog"); }, std::move(act),
                             attempts);
}

} // namespace SyncTest

#endif
