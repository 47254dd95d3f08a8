#include "fakeserver.h"
#include "core/serversettings.h"
#include "testenvironment.h"

#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QSslCertificate>

#include <sys/stat.h>

namespace {

const char *const urlKey = "net/server-url";
const QString startUrl = QStringLiteral("https://sync.example.org:8080/plumdeck");

QVariant stored(const char *key)
{
    return QSettings().value(QLatin1String(key));
}

// The permission bits of the file in octal, "none" when there is no file.
QString modeOf(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? QString::number(st.st_mode & 07777, 8)
                                                                 : QStringLiteral("none");
}

} // namespace

class TstServerSettings : public QObject
{
    Q_OBJECT
private:
    ServerSettings *s = nullptr;

private slots:
    void initTestCase() { QSettings().clear(); }

    void firstUseStoresDefaultServer()
    {
        s = ServerSettings::instance();
        QCOMPARE(s->serverUrl(), QStringLiteral("https://sync.plumdeck.net:8080/plumdeck"));
        QCOMPARE(stored(urlKey).toString(), s->serverUrl());
        QVERIFY(s->userName().isEmpty());
        QVERIFY(!s->isComplete());
    }

    void init()
    {
        if (s)
            s->setSettings(startUrl, QStringLiteral("alice"), QStringLiteral("pw"));
    }

    // A valid URL is taken and stored as given: "host|port|path|scheme".
    void urls_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("parts"); // "invalid": refused
        QTest::newRow("empty means no server") << QString() << "|80||";
        QTest::newRow("https default port") << "https://a.example/pd" << "a.example|443|/pd|https";
        QTest::newRow("http default port") << "http://a.example/pd" << "a.example|80|/pd|http";
        QTest::newRow("explicit port, slash kept") << "http://a.example:8080/pd/" << "a.example|8080|/pd/|http";
        QTest::newRow("no path, no prefix") << "https://a.example" << "a.example|443||https";
        QTest::newRow("blank in the path") << "http://h.example/my dir" << "h.example|80|/my dir|http";
        QTest::newRow("port 1") << "http://h.example:1/" << "h.example|1|/|http";
        QTest::newRow("port 65535") << "http://h.example:65535/" << "h.example|65535|/|http";
        QTest::newRow("port 0") << "http://h.example:0/" << "invalid";
        QTest::newRow("port 65536") << "http://h.example:65536/" << "invalid";
        QTest::newRow("ftp refused") << "ftp://h.example/x" << "invalid";
        QTest::newRow("http without host") << "http:///plumdeck" << "invalid";
        QTest::newRow("no scheme") << "h.example:8080" << "invalid";
        QTest::newRow("garbage") << "http://h ex ample/%zz" << "invalid";
    }
    void urls()
    {
        QFETCH(QString, url);
        QFETCH(QString, parts);
        QCOMPARE(ServerSettings::isValidServerUrl(url), parts != QLatin1String("invalid"));
        if (parts == QLatin1String("invalid"))
            return;
        QVERIFY(s->setServerUrl(url));
        QCOMPARE(QStringList({s->serverHost(), QString::number(s->serverPort()), s->serverPath(),
                              s->hasServer() ? (s->isSecure() ? "https" : "http") : ""}).join('|'), parts);
        QCOMPARE(stored(urlKey).toString(), url);
        if (url.isEmpty())
            QVERIFY(!s->isComplete() && !s->isCompleteWith(QStringLiteral("x")));
    }

    // setSettings (or setCredentials, given no URL) applies all three values
    // and emits one signal at the most.
    void changeSignals_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QList<int>>("signals"); // server, user, password
        const QString other = QStringLiteral("https://other.example/p");
        QTest::newRow("nothing changed") << startUrl << "alice" << "pw" << QList<int>{0, 0, 0};
        QTest::newRow("url and password: server only") << other << "alice" << "new" << QList<int>{1, 0, 0};
        QTest::newRow("all three: server only") << other << "bob" << "new" << QList<int>{1, 0, 0};
        QTest::newRow("user and password: user only") << startUrl << "bob" << "new" << QList<int>{0, 1, 0};
        QTest::newRow("password only") << startUrl << "alice" << "new" << QList<int>{0, 0, 1};
        QTest::newRow("bad url, user still applied") << "ftp://x.example" << "bob" << "pw" << QList<int>{0, 1, 0};
        QTest::newRow("credentials keep the server") << QString() << "carol" << "pw2" << QList<int>{0, 1, 0};
    }
    void changeSignals()
    {
        QFETCH(QString, url);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QSignalSpy serverSpy(s, &ServerSettings::serverChanged);
        QSignalSpy userSpy(s, &ServerSettings::userChanged);
        QSignalSpy passwordSpy(s, &ServerSettings::passwordChanged);
        if (!ServerSettings::isValidServerUrl(url))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^could not set server url"));
        if (url.isEmpty())
            s->setCredentials(user, password);
        else
            s->setSettings(url, user, password);
        QTEST((QList<int>{int(serverSpy.count()), int(userSpy.count()), int(passwordSpy.count())}), "signals");
        QCOMPARE(s->userName(), user);
        QCOMPARE(s->password(), password);
        QCOMPARE(s->serverUrl(), url.isEmpty() || !ServerSettings::isValidServerUrl(url) ? startUrl : url);
    }

    void unchangedValuesAreNotWritten()
    {
        // Something else wrote the store; re-applying the current values
        // must not write over it.
        QSettings().setValue("net/username", QStringLiteral("written-elsewhere"));
        s->setSettings(s->serverUrl(), s->userName(), s->password());
        QCOMPARE(stored("net/username").toString(), QStringLiteral("written-elsewhere"));
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
        s->setCredentials(user, password);
        QTEST(s->isComplete(), "complete");
        QTEST(s->isCompleteWith(session), "completeWith");
    }

    // The stored password survives a restart; its scrambling is the stored
    // format, so passwords saved by earlier versions must still read.
    void scrambling_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QByteArray>("scrambled"); // empty: only checked to differ
        QTest::newRow("empty") << QString() << QByteArray();
        QTest::newRow("key rolls") << QStringLiteral("aaaa") << QByteArray("\x3a\xa1\x50\x9f");
        QTest::newRow("non-ascii") << QStringLiteral("p\u00e4ssw\u00f6rd \u2713 \U0001F511") << QByteArray();
        QTest::newRow("long") << QString(1000, QLatin1Char('x')) << QByteArray();
    }
    void scrambling()
    {
        QFETCH(QString, password);
        QFETCH(QByteArray, scrambled);
        const QByteArray bytes = ServerSettings::encodePassword(password);
        QCOMPARE(bytes.size(), password.toUtf8().size());
        QVERIFY(password.isEmpty() || bytes != password.toUtf8());
        if (!scrambled.isEmpty())
            QCOMPARE(bytes, scrambled);
        QCOMPARE(ServerSettings::decodePassword(bytes), password);

        s->setPassword(password);
        QCOMPARE(stored("net/password").toByteArray(), bytes);
        // Another password in memory, the stored bytes as a restart finds them.
        s->setSettings(s->serverUrl(), s->userName(), QStringLiteral("something else"));
        QSettings().setValue("net/password", bytes);
        s->load();
        QCOMPARE(s->password(), password);
    }

    // What a restart finds in the store: as written by setServerUrl, or not.
    void load_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("loaded"); // empty: as shown after setServerUrl
        QTest::newRow("empty gives the default") << "" << "https://sync.plumdeck.net:8080/plumdeck";
        // The stored text form decodes "%20" to a blank; it must still load.
        QTest::newRow("escaped blank") << "https://a.example/my%20dir" << "";
        QTest::newRow("blank") << "https://a.example/my dir" << "";
        QTest::newRow("braces") << "https://a.example/a{b}" << "";
        QTest::newRow("invalid is refused") << "ftp://bad.example" << startUrl;
    }
    void load()
    {
        QFETCH(QString, url);
        QFETCH(QString, loaded);
        if (loaded.isEmpty()) {
            QVERIFY(s->setServerUrl(url));
            loaded = s->serverUrl();
            url = stored(urlKey).toString();
            QVERIFY(s->setServerUrl(startUrl));
        } else if (!url.isEmpty()) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^could not set server url"));
        }
        QSettings().setValue(urlKey, url);
        s->load();
        QCOMPARE(s->serverUrl(), loaded);
    }

    // The store holds the password: whatever the file was, a write of these
    // settings leaves it readable by its owner alone, and so it stays when
    // the toolkit rewrites it for another setting.
    void settingsFileIsPrivate_data()
    {
        QTest::addColumn<int>("mode"); // -1: no file yet, -2: nor its folder
        QTest::addColumn<QString>("written");
        QTest::addColumn<bool>("rewritten");
        QTest::newRow("no folder yet, password") << -2 << "password" << false;
        QTest::newRow("no file yet, password") << -1 << "password" << false;
        QTest::newRow("only others may run it, password") << 0601 << "password" << false;
        QTest::newRow("readable by all, password") << 0644 << "password" << false;
        QTest::newRow("writable by the group, password") << 0664 << "password" << false;
        QTest::newRow("readable by all, user name") << 0644 << "user" << false;
        QTest::newRow("readable by all, server") << 0644 << "server" << false;
        QTest::newRow("rewritten for another setting") << 0644 << "password" << true;
    }
    void settingsFileIsPrivate()
    {
        QFETCH(int, mode);
        QFETCH(QString, written);
        QFETCH(bool, rewritten);
        const QString file = QSettings().fileName();
        const mode_t mask = ::umask(022);
        const auto restoreMask = qScopeGuard([mask] { ::umask(mask); });
        QTest::failOnWarning(QRegularExpression(QStringLiteral("^could not make the settings file")));
        QFile::remove(file);
        if (mode == -2)
            QVERIFY(QFileInfo(file).dir().removeRecursively());
        if (mode >= 0) {
            QSettings().setValue("ui/skin", 0);
            QVERIFY(::chmod(QFile::encodeName(file).constData(), mode_t(mode)) == 0);
            QCOMPARE(modeOf(file), QString::number(mode, 8));
        }
        const QString value = QString::fromLatin1(QTest::currentDataTag()).remove(QLatin1Char(' ')).remove(QLatin1Char(','));
        if (written == QLatin1String("password"))
            QVERIFY(s->setPassword(value));
        else if (written == QLatin1String("user"))
            QVERIFY(s->setUserName(value));
        else
            QVERIFY(s->setServerUrl(QStringLiteral("https://") + value + QStringLiteral(".example/p")));
        if (rewritten)
            QSettings().setValue("ui/skin", 1);
        QCOMPARE(modeOf(file), QStringLiteral("600"));
        // Still the toolkit's file, with what was written in it.
        if (written == QLatin1String("password"))
            QCOMPARE(stored("net/password").toByteArray(), ServerSettings::encodePassword(value));
        else if (written == QLatin1String("user"))
            QCOMPARE(stored("net/username").toString(), value);
        else
            QCOMPARE(stored(urlKey).toString(), s->serverUrl());
    }

    void sslAcceptance()
    {
        // Two self-signed certificates, so that acceptance can be told apart
        // per certificate.
        const QSslCertificate a = FakeServer::testCertificate();
        const QSslCertificate b = FakeServer::otherCertificate();
        QVERIFY(!a.isNull() && !b.isNull());
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
