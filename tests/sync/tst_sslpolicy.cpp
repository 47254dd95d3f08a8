#include <QLabel>
#include <QPushButton>
#include <QSslCertificate>
#include <QtTest>

#include "core/clock.h"
#include "core/options.h"
#include "core/serversettings.h"
#include "fakeservertest.h"
#include "sync/requests/request.h"
#include "sync/requests/serverhttpconnection.h"
#include "sync/requests/sslerrorhandler.h"
#include "synctest.h"
#include "syncui/sslerrorsui.h"
#include "testenvironment.h"

#include <memory>

using SyncTest::ScriptedHandler;

class TstSslPolicy : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void verifiedByDefault_data();
    void verifiedByDefault();
    void trustedCertificateNeedsNoQuestion();
    void acceptedCertificateIsRemembered();
    void changedCertificateAsksAgain();
    void declinedIsNotRemembered();
    void newUrlForgetsAcceptance();
    void cancelWhileAsking_data();
    void cancelWhileAsking();
    void slowAnswerToQuestionIsNoStall();
    void changedCertificateIsAnnounced_data();
    void changedCertificateIsAnnounced();
    void questionText();
    void questionBox_data();
    void questionBox();

private:

    std::unique_ptr<FakeServer> m_server;
};

void TstSslPolicy::init()
{
    m_server = SyncTest::startTlsServer();
    QVERIFY(m_server);
}

void TstSslPolicy::cleanup()
{
    if (m_server)
        PLUMDECK_VERIFY_NO_VIOLATIONS(*m_server);
    m_server.reset();
    SyncTest::forgetAcceptedCertificates();
    Options::noignoresslerrors.reset();
    ServerHttpConnection::instance()->setStallTimeout(HttpConnection::defaultStallTimeoutMs);
}


void TstSslPolicy::verifiedByDefault_data()
{
    QTest::addColumn<bool>("optionGiven");
    QTest::newRow("without -noignoresslerrors") << false;
    QTest::newRow("with -noignoresslerrors") << true;
}

void TstSslPolicy::verifiedByDefault()
{
    QFETCH(bool, optionGiven);
    if (optionGiven)
        Options::noignoresslerrors.set();
    // A self-signed certificate nobody accepted: refused, whatever the option.
    QVERIFY(!SyncTest::reachable(nullptr));
    QCOMPARE(m_server->requests().size(), 0);
}

void TstSslPolicy::trustedCertificateNeedsNoQuestion()
{
    ServerHttpConnection::instance()->setSslConfiguration(SyncTest::trustingConfiguration());
    ScriptedHandler handler(false);
    QVERIFY(SyncTest::reachable(&handler));
    QVERIFY(SyncTest::reachable(nullptr));
    QCOMPARE(handler.asked, 0);
    ServerHttpConnection::instance()->setSslConfiguration(QSslConfiguration::defaultConfiguration());
}

void TstSslPolicy::acceptedCertificateIsRemembered()
{
    ScriptedHandler handler(true);
    QSignalSpy changed(ServerSettings::instance(), &ServerSettings::ignorableSslErrorsChanged);
    QVERIFY(SyncTest::reachable(&handler));
    QCOMPARE(handler.asked, 1);
    QVERIFY2(handler.lastTexts.contains(QSslError(QSslError::SelfSignedCertificate).errorString()),
             qPrintable(handler.lastTexts.join(QLatin1Char('|'))));
    QCOMPARE(changed.count(), 1);
    // The same certificate again, with or without a handler: no question.
    QVERIFY(SyncTest::reachable(&handler));
    QVERIFY(SyncTest::reachable(nullptr));
    QCOMPARE(handler.asked, 1);
    QVERIFY(m_server->connectionCount() >= 3);
}

void TstSslPolicy::changedCertificateAsksAgain()
{
    ScriptedHandler handler(true);
    QVERIFY(SyncTest::reachable(&handler));
    QCOMPARE(handler.asked, 1);
    m_server->useOtherCertificate(true);
    // Another certificate with the same kind of problem is not accepted silently.
    QVERIFY(!SyncTest::reachable(nullptr));
    QVERIFY(SyncTest::reachable(&handler));
    QCOMPARE(handler.asked, 2);
    // Both are now accepted.
    QVERIFY(SyncTest::reachable(nullptr));
    m_server->useOtherCertificate(false);
    QVERIFY(SyncTest::reachable(nullptr));
    QCOMPARE(handler.asked, 2);
}

void TstSslPolicy::declinedIsNotRemembered()
{
    ScriptedHandler handler(false);
    QVERIFY(!SyncTest::reachable(&handler));
    QCOMPARE(handler.asked, 1);
    QVERIFY(!SyncTest::reachable(nullptr));
    QVERIFY(!SyncTest::reachable(&handler));
    QCOMPARE(handler.asked, 2);
    QCOMPARE(m_server->requests().size(), 0);
}

void TstSslPolicy::newUrlForgetsAcceptance()
{
    ScriptedHandler handler(true);
    QVERIFY(SyncTest::reachable(&handler));
    FakeServer other(FakeServer::Tls);
    QVERIFY(other.start());
    SyncTest::useServer(other);
    SyncTest::useServer(*m_server);
    QVERIFY(!SyncTest::reachable(nullptr));
    QVERIFY(SyncTest::reachable(&handler));
    QCOMPARE(handler.asked, 2);
}

void TstSslPolicy::cancelWhileAsking_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("cancelled") << "cancel";
    QTest::newRow("deleted") << "delete";
    QTest::newRow("settings changed") << "settings";
}

void TstSslPolicy::cancelWhileAsking()
{
    QFETCH(QString, what);
    auto *asking = new Request(QStringLiteral("HEAD"), QStringLiteral("/"));
    Request next(QStringLiteral("HEAD"), QStringLiteral("/"));
    QSignalSpy askingDone(asking, &Request::finished);
    ScriptedHandler handler(true);
    handler.whileAsking = [&] {
        if (what == QLatin1String("cancel"))
            ServerHttpConnection::instance()->cancelRequest(asking);
        else if (what == QLatin1String("delete"))
            delete asking;
        else
            ServerSettings::instance()->setCredentials(QStringLiteral("alice"), QStringLiteral("other"));
        // A question box's event loop runs deferred deletions.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    };
    asking->setSslErrorHandler(&handler);
    next.setSslErrorHandler(&handler);
    ServerHttpConnection::instance()->addRequest(asking);
    ServerHttpConnection::instance()->addRequest(&next);
    QSignalSpy nextDone(&next, &Request::finished);
    QVERIFY(nextDone.wait(10000));
    QCOMPARE(handler.asked, 1);
    if (what == QLatin1String("cancel")) {
        QCOMPARE(askingDone.count(), 1);
        QCOMPARE(asking->errorString(), QStringLiteral("Request canceled"));
    }
    if (what != QLatin1String("delete"))
        delete asking;
    QVERIFY2(!next.hasError(), qPrintable(next.errorString()));
    QCOMPARE(next.responseHeader().statusCode(), 200);
}

// The user may read the question for longer than a server may stay silent.
void TstSslPolicy::slowAnswerToQuestionIsNoStall()
{
    ServerHttpConnection::instance()->setStallTimeout(200);
    ScriptedHandler handler(true);
    handler.whileAsking = [] { QTest::qWait(1000); };
    Request request(QStringLiteral("HEAD"), QStringLiteral("/"));
    request.setSslErrorHandler(&handler);
    QVERIFY(SyncTest::run(&request));
    QCOMPARE(handler.asked, 1);
    QVERIFY2(!request.hasError(), qPrintable(request.errorString()));
    QCOMPARE(request.responseHeader().statusCode(), 200);
}

void TstSslPolicy::changedCertificateIsAnnounced_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("changed, accepted") << true;
    QTest::newRow("changed, declined") << false;
}

// After one certificate was accepted, the question about another one says
// so and shows both fingerprints; declining still refuses the connection.
void TstSslPolicy::changedCertificateIsAnnounced()
{
    QFETCH(bool, accept);
    const auto fingerprintOf = [](const char *file) {
        const QList<QSslCertificate> certificates =
            QSslCertificate::fromPath(QStringLiteral(PLUMDECK_TEST_DATA_DIR "/") + QLatin1String(file));
        if (certificates.isEmpty())
            return QString();
        const QString hex = QString::fromLatin1(certificates.first().digest(QCryptographicHash::Sha256).toHex(':')).toUpper();
        return hex.left(47) + QLatin1Char('\n') + hex.mid(48);
    };
    const QString first = fingerprintOf("fakeserver-cert.pem");
    const QString second = fingerprintOf("fakeserver-other-cert.pem");
    QVERIFY(!first.isEmpty() && !second.isEmpty() && first != second);

    QWidget window;
    window.show();
    SslErrorsUI ui(&window);
    QStringList texts;
    QStringList answers{"okbutton", accept ? "okbutton" : "cancelbutton", "cancelbutton"};
    std::function<void(QWidget *)> answer = [&](QWidget *dialog) {
        if (auto *label = dialog->findChild<QLabel *>(QStringLiteral("textlabel")))
            texts << label->text();
        auto *button = dialog->findChild<QPushButton *>(answers.takeFirst());
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
    };
    const QString selfSigned = QSslError(QSslError::SelfSignedCertificate).errorString();
    const QString changed = QStringLiteral("- The server's certificate has changed since you accepted it.\n\n"
                                           "Accepted certificate (SHA-256):\n%1\n\n"
                                           "Certificate now (SHA-256):\n%2\n\n- ")
                                .arg(first, second);

    // The first contact is no change.
    SyncTest::whenMessageBox(answer);
    QVERIFY(SyncTest::reachable(&ui));
    QCOMPARE(texts.size(), 1);
    QVERIFY2(texts.at(0).startsWith(QStringLiteral("- ") + selfSigned), qPrintable(texts.at(0)));
    QVERIFY(!texts.at(0).contains(QLatin1String("changed")));

    m_server->useOtherCertificate(true);
    m_server->clearRequests();
    SyncTest::whenMessageBox(answer);
    QCOMPARE(SyncTest::reachable(&ui), accept);
    QCOMPARE(texts.size(), 2);
    QVERIFY2(texts.at(1).startsWith(changed + selfSigned), qPrintable(texts.at(1)));
    QVERIFY(texts.at(1).endsWith(QLatin1String("\n\nConnect anyway?")));
    if (accept) {
        // Now known: no further question, for either certificate.
        QVERIFY(SyncTest::reachable(nullptr));
        QCOMPARE(texts.size(), 2);
    } else {
        // Refused: nothing reached the server, and the next try asks again.
        QCOMPARE(m_server->requests().size(), 0);
        QVERIFY(!SyncTest::reachable(nullptr));
        SyncTest::whenMessageBox(answer);
        QVERIFY(!SyncTest::reachable(&ui));
        QCOMPARE(texts.size(), 3);
        QVERIFY(texts.at(2).startsWith(changed));
    }
}

void TstSslPolicy::questionText()
{
    QCOMPARE(SslErrorsUI::questionText({QStringLiteral("The certificate is self-signed, and untrusted"),
                                        QStringLiteral("The certificate has expired")}),
             QStringLiteral("- The certificate is self-signed, and untrusted\n\n"
                            "- The certificate has expired\n\nConnect anyway?"));
}

void TstSslPolicy::questionBox_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("accepted") << true;
    QTest::newRow("declined") << false;
}

void TstSslPolicy::questionBox()
{
    QFETCH(bool, accept);
    QWidget window;
    window.show();
    SslErrorsUI ui(&window);
    QString title;
    QString text;
    SyncTest::whenMessageBox([&](QWidget *dialog) {
        if (auto *label = dialog->findChild<QLabel *>(QStringLiteral("windowtitlelabel")))
            title = label->text();
        if (auto *label = dialog->findChild<QLabel *>(QStringLiteral("textlabel")))
            text = label->text();
        auto *button = dialog->findChild<QPushButton *>(accept ? QStringLiteral("okbutton")
                                                               : QStringLiteral("cancelbutton"));
        QVERIFY(button);
        button->click();
    });
    // Asked through the request's handler, as a synchronisation would.
    QCOMPARE(SyncTest::reachable(&ui), accept);
    QCOMPARE(title, QStringLiteral("Secure connection problem"));
    QVERIFY2(text.startsWith(QLatin1String("- ")) && text.endsWith(QLatin1String("\n\nConnect anyway?")),
             qPrintable(text));
}

PLUMDECK_TEST_MAIN(TstSslPolicy)
#include "tst_sslpolicy.moc"
