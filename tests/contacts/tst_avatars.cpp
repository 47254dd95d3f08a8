#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QtTest>

#include "contacts/avatar.h"
#include "contacts/avatarcache.h"
#include "contacts/avatarref.h"
#include "contacts/user.h"
#include "core/paths.h"
#include "teamfixture.h"
#include "testenvironment.h"

namespace {
QByteArray jpeg(int width, QColor colour = Qt::darkGreen)
{
    QImage image(width, width, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    image.save(&buffer, "JPG");
    return bytes;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}
} // namespace

class TstAvatars : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void cachedPerNick_data();
    void cachedPerNick();
    void answers_data();
    void answers();
    void sharedByItsViews();

private:
    std::unique_ptr<CheckedFakeServer> m_server;
};

void TstAvatars::init()
{
    m_server = Team::startServer(false);
    QVERIFY(m_server);
    ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), QStringLiteral("secret"));
}

void TstAvatars::cleanup()
{
    Team::stopServer(m_server);
}

void TstAvatars::cachedPerNick_data()
{
    QTest::addColumn<QString>("nick");
    QTest::addColumn<QString>("fileName"); // empty: no request can name the nick
    const QStringList names{"a%2Fb", "", "%3Cx%3E", "an%20na", "%C3%85sa%20%C3%98deg%C3%A5rd",
                            "%E5%90%8D%E5%89%8D", "q%3Fx%3D1%23f%26y%252F"};
    const QStringList nicks = Team::hostileNicks();
    for (int i = 0; i < nicks.size(); ++i)
        QTest::newRow(qPrintable(nicks[i])) << nicks[i] << names[i];
    QTest::newRow(".hidden") << ".hidden" << "%2Ehidden";
}

void TstAvatars::cachedPerNick()
{
    QFETCH(QString, nick);
    QFETCH(QString, fileName);
    const QString path = Avatar::filePath(nick);
    QCOMPARE(QFileInfo(path).dir(), avatarsDir());
    const QByteArray picture = jpeg(20);
    m_server->addUser(nick, QStringLiteral("pw"));
    m_server->setAvatar(nick, picture);
    Avatar *avatar = AvatarCache::instance()->avatar(User::get(nick));
    if (fileName.isEmpty()) {
        QTest::qWait(50);
        QVERIFY(m_server->requests("GET", "/avatar$").isEmpty());
        QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("%2E."));
        return;
    }
    QCOMPARE(QFileInfo(path).fileName(), fileName);
    QTRY_VERIFY(avatar->hasPicture());
    QCOMPARE(fileBytes(path), picture);
    QCOMPARE(m_server->requests("GET", "/avatar$").first().status, 200);
}

void TstAvatars::answers_data()
{
    QTest::addColumn<QString>("nick");
    QTest::addColumn<QByteArray>("served"); // null: 404
    QTest::addColumn<bool>("complete");
    QTest::addColumn<int>("shownWidth");     // 32: the default picture
    QTest::addColumn<QByteArray>("fileAfter");
    const QByteArray cached = jpeg(24, Qt::red);
    QTest::newRow("refreshed") << "an1" << jpeg(40) << true << 40 << jpeg(40);
    QTest::newRow("no picture removes the file") << "an2" << QByteArray() << true << 32 << QByteArray();
    QTest::newRow("not a picture keeps the file") << "an3" << QByteArray("<html/>") << true << 32 << cached;
    QTest::newRow("no settings: cached, no request") << "an4" << jpeg(40) << false << 24 << cached;
}

void TstAvatars::answers()
{
    QFETCH(QString, nick);
    QFETCH(QByteArray, served);
    QFETCH(bool, complete);
    QFETCH(int, shownWidth);
    QFETCH(QByteArray, fileAfter);
    m_server->addUser(nick, QStringLiteral("pw"));
    if (!served.isNull())
        m_server->setAvatar(nick, served);
    if (!complete)
        ServerSettings::instance()->setPassword(QString());
    const QString path = Avatar::filePath(nick);
    writeFile(path, jpeg(24, Qt::red));
    Avatar *avatar = AvatarCache::instance()->avatar(User::get(nick));
    QCOMPARE(avatar->pixmap().width(), 24);
    QTest::qWait(complete ? 0 : 50);
    QTRY_COMPARE(m_server->requests("GET", "/avatar$").size(), complete ? 1 : 0);
    QTRY_COMPARE(avatar->pixmap().width(), shownWidth);
    QTRY_COMPARE(fileBytes(path), fileAfter);
    QCOMPARE(QFile::exists(path), !fileAfter.isNull());
    ServerSettings::instance()->setPassword(QStringLiteral("secret"));
}

void TstAvatars::sharedByItsViews()
{
    m_server->addUser(QStringLiteral("sh1"), QStringLiteral("pw"));
    m_server->setAvatar(QStringLiteral("sh1"), jpeg(30));
    AvatarRef first(User::get("sh1"));
    AvatarRef second(User::get("sh1"));
    QSignalSpy firstChanged(&first, &AvatarRef::changed);
    QSignalSpy secondChanged(&second, &AvatarRef::changed);
    QVERIFY(firstChanged.wait(5000));
    QCOMPARE(secondChanged.size(), 1);
    QCOMPARE(second.pixmap().width(), 30);
    QCOMPARE(m_server->requests("GET", "/avatar$").size(), 1);
}

PLUMDECK_TEST_MAIN(TstAvatars)
#include "tst_avatars.moc"
