#include "contacts/chats.h"
#include "contacts/contactsmodels.h"
#include "contacts/friends.h"
#include "model/modelscontainer.h"
#include "testenvironment.h"

#include <QPointer>

class TstContactsModels : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { ModelsContainer::destroy(); }

    // Made together and handed to the container; deleted friends first,
    // each taken out of the container once gone.
    void ownsBothFriendsFirst()
    {
        ModelsContainer *container = ModelsContainer::create();
        auto *contacts = new ContactsModels(container);
        QVERIFY(contacts->friends() && contacts->chats());
        QCOMPARE(container->friends(), contacts->friends());
        QCOMPARE(container->chats(), contacts->chats());

        QStringList order;
        connect(contacts->friends(), &QObject::destroyed, this, [&order, container] {
            order << QStringLiteral("friends") + (container->hasChats() ? "+chats" : "");
        });
        connect(contacts->chats(), &QObject::destroyed, this, [&order, container] {
            order << QStringLiteral("chats") + (container->hasFriends() ? "+friends" : "");
        });
        delete contacts;
        QCOMPARE(order, (QStringList{"friends+chats", "chats"}));
        QVERIFY(!container->hasFriends() && !container->hasChats());
    }

    // A container gone first is left alone.
    void containerGoneFirst()
    {
        ModelsContainer *container = ModelsContainer::create();
        auto *contacts = new ContactsModels(container);
        QPointer<Friends> friends = contacts->friends();
        QPointer<Chats> chats = contacts->chats();
        ModelsContainer::destroy();
        QVERIFY(friends && chats);
        delete contacts;
        QVERIFY(!friends && !chats);
    }
};

PLUMDECK_TEST_MAIN(TstContactsModels)
#include "tst_contactsmodels.moc"
