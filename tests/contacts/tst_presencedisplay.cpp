#include <QLabel>
#include <QtTest>

#include "contacts/presenceicon.h"
#include "contacts/presencelabel.h"
#include "contacts/user.h"
#include "contacts/userinfofieldwidget.h"
#include "contacts/userinfowidget.h"
#include "testenvironment.h"

class TstPresenceDisplay : public QObject
{
    Q_OBJECT
private slots:
    void countryAndState_data();
    void countryAndState();
    void label_data();
    void label();
    void followsOnlyTheCurrentUser();
};

void TstPresenceDisplay::countryAndState_data()
{
    QTest::addColumn<QString>("country");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("shown");
    QTest::newRow("country") << "Norway" << "" << "Norway";
    QTest::newRow("both") << "USA" << "Ohio" << "USA, Ohio";
    QTest::newRow("state") << "" << "Ohio" << "Ohio";
    QTest::newRow("neither") << "" << "" << "";
}

void TstPresenceDisplay::countryAndState()
{
    QFETCH(QString, country);
    QFETCH(QString, state);
    QFETCH(QString, shown);
    User *user = User::get(QStringLiteral("cs-") + QTest::currentDataTag());
    UserInfoWidget details(user);
    user->setFields({{"user-country", country}, {"user-state", state}, {"user-phone-fax", "<b>12</b>"}});
    QCOMPARE(details.fieldWidgets().at(3)->value(), shown);
    QCOMPARE(details.fieldWidgets().at(11)->value(), QStringLiteral("<b>12</b>"));
    QCOMPARE(details.findChildren<QLabel *>(QStringLiteral("userinfofieldnamelabel")).size(), 12);
}

void TstPresenceDisplay::label_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("colored");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("image");
    QTest::newRow("busy, coloured") << int(Presence::Busy) << "<i>out</i>" << true
                                    << "<span style=\"color: #666666\">&lt;i&gt;out&lt;/i&gt;</span>" << "busy";
    QTest::newRow("available, coloured") << int(Presence::Available) << "" << true
                                         << "<span style=\"color: #36601a\">Available</span>" << "available";
    QTest::newRow("idle, plain") << int(Presence::Idle) << "<i>x</i>" << false << "<i>x</i>" << "idle";
    QTest::newRow("unknown drops a message") << int(Presence::Unknown) << "x" << false << "Unknown" << "unavailable";
}

void TstPresenceDisplay::label()
{
    QFETCH(int, state);
    QFETCH(QString, message);
    QFETCH(bool, colored);
    QFETCH(QString, text);
    QFETCH(QString, image);
    User *user = User::get(QStringLiteral("pl-") + QTest::currentDataTag());
    user->setPresence(Presence(Presence::State(state), message));
    PresenceLabel label(user);
    label.setColored(colored);
    PresenceIcon icon(user);
    QCOMPARE(label.text(), text);
    QCOMPARE(label.textFormat(), colored ? Qt::RichText : Qt::PlainText);
    QCOMPARE(icon.pixmap().toImage(), QPixmap(":/chat/presence-" + image + ".png").toImage());
}

void TstPresenceDisplay::followsOnlyTheCurrentUser()
{
    User *first = User::get(QStringLiteral("fo1"));
    User *second = User::get(QStringLiteral("fo2"));
    PresenceLabel label(first);
    PresenceIcon icon(first);
    label.setUser(second);
    icon.setUser(nullptr);
    first->setPresence(Presence(Presence::Busy, QString()));
    QCOMPARE(label.text(), QStringLiteral("Unknown"));
    QVERIFY(icon.pixmap().isNull());
    second->setPresence(Presence(Presence::Idle, QString()));
    QCOMPARE(label.text(), QStringLiteral("Idle"));
}

PLUMDECK_TEST_MAIN(TstPresenceDisplay)
#include "tst_presencedisplay.moc"
