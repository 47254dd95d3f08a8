// Screens of the contact details and presence displays.

#include <QGridLayout>
#include <QTest>
#include <QWidget>

#include "contacts/presenceicon.h"
#include "contacts/presencelabel.h"
#include "contacts/user.h"
#include "contacts/userinfowidget.h"
#include "screens.h"

PLUMDECK_SCREEN(contactDetails)
{
    User *user = User::get(QStringLiteral("screen-bob"));
    user->setFields({{"user-real-name", "Bob Stone"},
                     {"user-email", "bob@example.org"},
                     {"user-address", "Storgata 1"},
                     {"user-country", "Norway"},
                     {"user-state", "Oslo"},
                     {"user-company", "Stone & Sons"},
                     {"user-job-title", "Carpenter"},
                     {"user-phone-mobile", "+47 000 00 000"}});
    UserInfoWidget details(user);
    details.resize(420, details.sizeHint().height());
    QVERIFY(!shoot(&details, QStringLiteral("contact-details")).isNull());
}

PLUMDECK_SCREEN(presenceDisplays)
{
    QWidget panel;
    auto *grid = new QGridLayout(&panel);
    const QList<Presence> presences{Presence(Presence::Available, QString()), Presence(Presence::Idle, QString()),
                                    Presence(Presence::Busy, QStringLiteral("In a meeting")),
                                    Presence(Presence::Unavailable, QString()), Presence()};
    for (int i = 0; i < presences.size(); ++i) {
        User *user = User::get(QStringLiteral("screen-presence-%1").arg(i));
        user->setPresence(presences.at(i));
        grid->addWidget(new PresenceIcon(user, &panel), i, 0);
        grid->addWidget(new PresenceLabel(user, &panel), i, 1);
        auto *coloured = new PresenceLabel(user, &panel);
        coloured->setColored(true);
        grid->addWidget(coloured, i, 2);
    }
    QVERIFY(!shoot(&panel, QStringLiteral("presence-displays")).isNull());
}
