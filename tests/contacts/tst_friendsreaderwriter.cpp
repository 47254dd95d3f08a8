#include <QBuffer>
#include <QtTest>

#include "contacts/friendsreaderwriter.h"
#include "contacts/user.h"
#include "teamfixture.h"
#include "testenvironment.h"

namespace {
QDomDocument parse(const QByteArray &body)
{
    QDomDocument doc;
    doc.setContent("<html xmlns=\"http://www.w3.org/1999/xhtml\"><body>" + body + "</body></html>");
    return doc;
}

QByteArray presenceItem(const QByteArray &nick, const QByteArray &state, const QByteArray &message = {})
{
    QByteArray p;
    if (!state.isNull()) {
        p = "<div class=\"pd-presence\"><span class=\"pd-presence-state\">" + state + "</span>";
        if (!message.isEmpty())
            p += "<span class=\"pd-presence-message\">" + message + "</span>";
        p += "</div>";
    }
    return "<li class=\"pd-user-presence\"><span class=\"pd-user-nick\">" + nick + "</span>" + p + "</li>";
}
} // namespace

using Team::nicks;

class TstFriendsReaderWriter : public QObject
{
    Q_OBJECT
private slots:
    void presenceList_data();
    void presenceList();
    void presenceDocument();
    void userData();
    void localDocumentRoundTrip();
    void localDocumentAllOrNothing();
};

void TstFriendsReaderWriter::presenceList_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("read");
    QTest::addColumn<QString>("lastPresence"); // text of the last user read, "-" unchanged

    const QByteArray ul = "<ul class=\"pd-user-presence-list\">";
    QTest::newRow("no list is an empty list") << QByteArray("<p/>") << true << QStringList() << "-";
    QTest::newRow("busy with message")
        << ul + presenceItem("rw1", "busy", "In a meeting") + "</ul>" << true << QStringList{"rw1"} << "In a meeting";
    QTest::newRow("no presence leaves it")
        << ul + presenceItem("rw2", QByteArray()) + "</ul>" << true << QStringList{"rw2"} << "Unknown";
    QTest::newRow("message dropped for unavailable")
        << ul + presenceItem("rw3", "unavailable", "gone") + "</ul>" << true << QStringList{"rw3"} << "Unavailable";
    QTest::newRow("other classes skipped")
        << ul + "<li class=\"x\"/>" + presenceItem("rw4", "idle") + "</ul>" << true << QStringList{"rw4"} << "Idle";
    QTest::newRow("state word is exact")
        << ul + presenceItem("rw5", "available") + presenceItem("rw6", "Available") + "</ul>" << false
        << QStringList{"rw5"} << "Available";
    QTest::newRow("missing nick stops")
        << ul + presenceItem("rw7", "busy") + "<li class=\"pd-user-presence\"/>" + presenceItem("rw8", "busy") + "</ul>"
        << false << QStringList{"rw7"} << "Busy";
    QTest::newRow("doubled list reads as empty") << ul + "</ul>" + ul + "</ul>" << true << QStringList() << "-";
}

void TstFriendsReaderWriter::presenceList()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, ok);
    QFETCH(QStringList, read);
    QFETCH(QString, lastPresence);
    FriendsReaderWriter reader;
    QList<User *> users;
    QCOMPARE(reader.readUserPresenceList(parse(body), users), ok);
    QCOMPARE(nicks(users), read);
    QCOMPARE(reader.errorString().isEmpty(), ok && !body.contains("</ul><ul"));
    if (lastPresence != QLatin1String("-"))
        QCOMPARE(users.last()->presence().text(), lastPresence);
}

void TstFriendsReaderWriter::presenceDocument()
{
    FriendsReaderWriter writer;
    const QString busy = writer.writePresence(Presence(Presence::Busy, QStringLiteral("a <b> & c"))).toString(-1);
    QVERIFY2(busy.contains(QStringLiteral("<title>pd-presence</title>")), qPrintable(busy));
    QVERIFY(busy.contains(QStringLiteral("<div class=\"pd-presence\"><span class=\"pd-presence-state\">busy</span>"
                                         "<span class=\"pd-presence-message\">a &lt;b> &amp; c</span></div>")));
    QVERIFY(!busy.contains(QStringLiteral("format-version")));
    QTest::ignoreMessage(QtWarningMsg, "FriendsReaderWriter: null or unknown presence state");
    const QString unknown = writer.writePresence(Presence()).toString(-1);
    QVERIFY(unknown.contains(QStringLiteral(">unavailable</span></div>")));
    QVERIFY(!unknown.contains(QStringLiteral("pd-presence-message")));
}

void TstFriendsReaderWriter::userData()
{
    FriendsReaderWriter reader;
    User *user = reader.readUserDataDocument(parse(
        "<div class=\"pd-user-data\"><dl class=\"pd-user-fields\"><dt>user-nick</dt><dd>ud1</dd>"
        "<dt>user-country</dt><dd>Norway</dd></dl></div>"));
    QVERIFY(user);
    QCOMPARE(user->fields(), (QMap<QString, QString>{{"user-country", "Norway"}}));
    QSignalSpy changed(user, &User::fieldsChanged);
    QVERIFY(!reader.readUserDataDocument(parse(
        "<div class=\"pd-user-data\"><dl class=\"pd-user-fields\"><dt>user-nick</dt><dd/></dl></div>")));
    QVERIFY(!reader.readUserDataDocument(parse("<p/>")));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(reader.readErrorName(parse("<div class=\"pd-error\"><span class=\"pd-error-name\">already-<b>a</b>-friend"
                                        "</span></div>")),
             QStringLiteral("already-a-friend"));
    QVERIFY(reader.readErrorName(parse("<div class=\"pd-error\"/>")).isNull());
}

void TstFriendsReaderWriter::localDocumentRoundTrip()
{
    QList<User *> users;
    for (const QString &nick : {QStringLiteral("lo <1>"), QStringLiteral("名前")}) {
        User *u = User::get(nick);
        u->setFields({{"user-real-name", nick + " R"}, {"user-email", "e&mail"}});
        users << u;
    }
    FriendsReaderWriter writer;
    QBuffer buffer;
    QVERIFY(writer.writeLocalUserDataToDevice(users, &buffer));
    const QByteArray bytes = buffer.data();
    QVERIFY(bytes.contains("<title>pd-local-user-data</title>"));
    QVERIFY(bytes.indexOf("user-nick") < bytes.indexOf("user-email"));
    QVERIFY(bytes.indexOf("user-email") < bytes.indexOf("user-real-name"));
    for (User *u : users)
        u->setFields({});
    buffer.close();
    QList<User *> read;
    FriendsReaderWriter reader;
    QVERIFY2(reader.readLocalUserDataFromDevice(&buffer, read), qPrintable(reader.errorString()));
    QCOMPARE(read, users);
    QCOMPARE(users.first()->realName(), QStringLiteral("lo <1> R"));
    QCOMPARE(users.last()->field("user-email"), QStringLiteral("e&mail"));
}

void TstFriendsReaderWriter::localDocumentAllOrNothing()
{
    QList<User *> kept{User::get(QStringLiteral("kept"))};
    FriendsReaderWriter reader;
    QVERIFY(!reader.readLocalUserData(
        parse("<ul class=\"pd-user-data-list\"><li class=\"pd-user-data\"><dl class=\"pd-user-fields\"><dt>user-nick</dt>"
              "<dd>fine</dd></dl></li><li class=\"pd-user-data\"/></ul>"),
        kept));
    QCOMPARE(nicks(kept), QStringList{"kept"});
}

PLUMDECK_TEST_MAIN(TstFriendsReaderWriter)
#include "tst_friendsreaderwriter.moc"
