#include "fakeserver.h"
#include "core/serversettings.h"
#include "testenvironment.h"

#include <QSettings>
#include <QSignalSpy>
#include <QSslCertificate>

class TstServerSettings : public QObject
{
    Q_OBJECT
private:
    ServerSettings *s = nullptr;

private slots:
    void initTestCase()
    {
        QSettings().clear();
    }

    void firstUseStoresDefaultServer()
    {
        s = ServerSettings::instance();
        QCOMPARE(s->serverUrl(), ServerSettings::defaultServerUrl());
        QVERIFY(s->isSecure());
        QCOMPARE(s->serverPort(), 8080);
        QCOMPARE(s->serverPath(), QStringLiteral("/plumdeck"));
        QCOMPARE(QSettings().value("net/server-url").toString(), ServerSettings::defaultServerUrl());
        QVERIFY(s->userName().isEmpty());
        QVERIFY(!s->isComplete());
    }

    void init()
    {
        if (s)
            s->setSettings(QStringLiteral("https://sync.example.org:8080/plumdeck"), QStringLiteral("alice"),
                           QStringLiteral("pw"));
    }

    void validUrl_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("valid");
        QTest::newRow("empty means no server") << QString() << true;
        QTest::newRow("https with port and path") << "https://h.example:8080/plumdeck" << true;
        QTest::newRow("http without port") << "http://h.example" << true;
        QTest::newRow("ftp refused") << "ftp://h.example/x" << false;
        QTest::newRow("http without host") << "http:///plumdeck" << false;
        QTest::newRow("no scheme") << "h.example:8080" << false;
        QTest::newRow("port 0") << "http://h.example:0/" << false;
        QTest::newRow("port 65535") << "http://h.example:65535/" << true;
        QTest::newRow("port 65536") << "http://h.example:65536/" << false;
        QTest::newRow("garbage") << "http://h ex ample/%zz" << false;
        QTest::newRow("blank in the path") << "http://h.example/my dir" << true;
    }
    void validUrl()
    {
        QFETCH(QString, url);
        QFETCH(bool, valid);
        QCOMPARE(ServerSettings::isValidServerUrl(url), valid);
    }

    void urlParts_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("secure");
        QTest::newRow("https default port") << "https://a.example/pd" << "a.example" << 443 << "/pd" << true;
        QTest::newRow("http default port") << "http://a.example/pd" << "a.example" << 80 << "/pd" << false;
        QTest::newRow("explicit port") << "http://a.example:8080/plumdeck" << "a.example" << 8080 << "/plumdeck" << false;
        QTest::newRow("trailing slash kept") << "https://a.example/plumdeck/" << "a.example" << 443 << "/plumdeck/" << true;
        QTest::newRow("no path, no prefix") << "https://a.example" << "a.example" << 443 << "" << true;
    }
    void urlParts()
    {
        QFETCH(QString, url);
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(QString, path);
        QFETCH(bool, secure);
        QVERIFY(s->setServerUrl(url));
        QCOMPARE(s->serverHost(), host);
        QCOMPARE(s->serverPort(), port);
        QCOMPARE(s->serverPath(), path);
        QCOMPARE(s->isSecure(), secure);
        QCOMPARE(QSettings().value("net/server-url").toString(), url);
    }

    void emptyUrlClearsServer()
    {
        QVERIFY(s->setServerUrl(QString()));
        QVERIFY(!s->hasServer());
        QVERIFY(!s->isComplete());
        QVERIFY(!s->isCompleteWith(QStringLiteral("x")));
        QCOMPARE(QSettings().value("net/server-url").toString(), QString());
    }

    void changeSignals_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("server");
        QTest::addColumn<int>("userSignal");
        QTest::addColumn<int>("passwordSignal");
        const QString url = QStringLiteral("https://sync.example.org:8080/plumdeck");
        QTest::newRow("nothing changed") << url << "alice" << "pw" << 0 << 0 << 0;
        QTest::newRow("url and password: server only") << "https://other.example/p" << "alice" << "new" << 1 << 0 << 0;
        QTest::newRow("all three: server only") << "https://other.example/p" << "bob" << "new" << 1 << 0 << 0;
        QTest::newRow("user and password: user only") << url << "bob" << "new" << 0 << 1 << 0;
        QTest::newRow("password only") << url << "alice" << "new" << 0 << 0 << 1;
        QTest::newRow("bad url, user still applied") << "ftp://x.example" << "bob" << "pw" << 0 << 1 << 0;
    }
    void changeSignals()
    {
        QFETCH(QString, url);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(int, server);
        QFETCH(int, userSignal);
        QFETCH(int, passwordSignal);
        QSignalSpy serverSpy(s, &ServerSettings::serverChanged);
        QSignalSpy userSpy(s, &ServerSettings::userChanged);
        QSignalSpy passwordSpy(s, &ServerSettings::passwordChanged);
        if (!ServerSettings::isValidServerUrl(url))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^could not set server url"));
        s->setSettings(url, user, password);
        QCOMPARE(serverSpy.count(), server);
        QCOMPARE(userSpy.count(), userSignal);
        QCOMPARE(passwordSpy.count(), passwordSignal);
        QCOMPARE(s->userName(), user);
        QCOMPARE(s->password(), password);
    }

    void unchangedValuesAreNotWritten()
    {
        // Something else wrote the store; re-applying the current values
        // must not write over it.
        QSettings().setValue("net/username", QStringLiteral("written-elsewhere"));
        s->setSettings(s->serverUrl(), s->userName(), s->password());
        QCOMPARE(QSettings().value("net/username").toString(), QStringLiteral("written-elsewhere"));
    }

    void setCredentialsKeepsServer()
    {
        const QString url = s->serverUrl();
        QSignalSpy userSpy(s, &ServerSettings::userChanged);
        s->setCredentials(QStringLiteral("carol"), QStringLiteral("pw2"));
        QCOMPARE(s->serverUrl(), url);
        QCOMPARE(s->userName(), QStringLiteral("carol"));
        QCOMPARE(userSpy.count(), 1);
    }

    void completeness_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("session");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<bool>("completeWith");
        QTest::newRow("all set") << "a" << "p" << "" << true << true;
        QTest::newRow("no password, session one") << "a" << "" << "s" << false << true;
        QTest::newRow("no password at all") << "a" << "" << "" << false << false;
        QTest::newRow("no user") << "" << "p" << "s" << false << false;
    }
    void completeness()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, session);
        QFETCH(bool, complete);
        QFETCH(bool, completeWith);
        s->setCredentials(user, password);
        QCOMPARE(s->isComplete(), complete);
        QCOMPARE(s->isCompleteWith(session), completeWith);
    }

    void scrambling_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("empty") << QString();
        QTest::newRow("ascii") << QStringLiteral("secret");
        QTest::newRow("non-ascii") << QStringLiteral("p\u00e4ssw\u00f6rd \u2713 \U0001F511");
        QTest::newRow("long") << QString(1000, QLatin1Char('x'));
    }
    void scrambling()
    {
        QFETCH(QString, password);
        const QByteArray stored = ServerSettings::encodePassword(password);
        QCOMPARE(stored.size(), password.toUtf8().size());
        if (!password.isEmpty())
            QVERIFY(stored != password.toUtf8());
        QCOMPARE(ServerSettings::decodePassword(stored), password);

        // Survives a restart: what is stored reads back as typed.
        s->setPassword(password);
        QCOMPARE(QSettings().value("net/password").toByteArray(), stored);
        // Another password in memory, the stored bytes as a restart finds them.
        s->setSettings(s->serverUrl(), s->userName(), QStringLiteral("something else"));
        QSettings().setValue("net/password", stored);
        s->load();
        QCOMPARE(s->password(), password);
    }

    void scramblingKeyRolls()
    {
        // The same byte repeated must not scramble to one repeated byte.
        const QByteArray stored = ServerSettings::encodePassword(QString(16, QLatin1Char('a')));
        QVERIFY(stored.count(stored.at(0)) < 16);
    }

    void loadEmptyStoredUrlGivesDefault()
    {
        QSettings().setValue("net/server-url", QString());
        s->load();
        QCOMPARE(s->serverUrl(), ServerSettings::defaultServerUrl());
    }

    void storedUrlSurvivesRestart_data()
    {
        QTest::addColumn<QString>("url");
        // The stored text form decodes "%20" to a blank.
        QTest::newRow("escaped blank") << "https://a.example/my%20dir";
        QTest::newRow("blank") << "https://a.example/my dir";
        QTest::newRow("braces") << "https://a.example/a{b}";
    }
    void storedUrlSurvivesRestart()
    {
        QFETCH(QString, url);
        QVERIFY(s->setServerUrl(url));
        const QString shown = s->serverUrl();
        const QString stored = QSettings().value("net/server-url").toString();
        QVERIFY(s->setServerUrl(QStringLiteral("https://other.example/")));
        QSettings().setValue("net/server-url", stored);
        s->load();
        QCOMPARE(s->serverUrl(), shown);
        QCOMPARE(s->serverHost(), QStringLiteral("a.example"));
    }

    void loadInvalidStoredUrlIsRefused()
    {
        QSettings().setValue("net/server-url", QStringLiteral("ftp://bad.example"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^could not set server url"));
        s->load();
        // The URL the process had stays; the bad text is not taken.
        QCOMPARE(s->serverUrl(), QStringLiteral("https://sync.example.org:8080/plumdeck"));
    }

    void sslAcceptance()
    {
        // Two self-signed certificates, so that acceptance can be told apart
        // per certificate.
        const QSslCertificate a = FakeServer::testCertificate();
        const QSslCertificate b = FakeServer::otherCertificate();
        QVERIFY(!a.isNull());
        QVERIFY(!b.isNull());
        const QList<QSslError> selfSignedA{QSslError(QSslError::SelfSignedCertificate, a)};
        const QList<QSslError> selfSignedB{QSslError(QSslError::SelfSignedCertificate, b)};
        const QList<QSslError> expiredA{QSslError(QSslError::CertificateExpired, a)};

        QVERIFY(s->areSslErrorsIgnorable({}));
        QVERIFY(!s->areSslErrorsIgnorable(selfSignedA));

        QSignalSpy spy(s, &ServerSettings::ignorableSslErrorsChanged);
        s->addIgnorableSslErrors(selfSignedA);
        QCOMPARE(spy.count(), 1);
        QVERIFY(s->areSslErrorsIgnorable(selfSignedA));
        QVERIFY(!s->areSslErrorsIgnorable(expiredA));
        // Another certificate with the same problem asks again.
        QVERIFY(!s->areSslErrorsIgnorable(selfSignedB));
        QVERIFY(!s->areSslErrorsIgnorable(selfSignedA + selfSignedB));

        // A new URL forgets everything, without a signal of its own.
        QVERIFY(s->setServerUrl(QStringLiteral("https://elsewhere.example/p")));
        QCOMPARE(spy.count(), 1);
        QVERIFY(!s->areSslErrorsIgnorable(selfSignedA));

        // Setting the same URL again keeps what was accepted.
        s->addIgnorableSslErrors(selfSignedA);
        QVERIFY(!s->setServerUrl(QStringLiteral("https://elsewhere.example/p")));
        QVERIFY(s->areSslErrorsIgnorable(selfSignedA));
    }
};

PLUMDECK_TEST_MAIN(TstServerSettings)
#include "tst_serversettings.moc"
