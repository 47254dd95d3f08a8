#include "contacts/chats.h"
#include "contacts/friends.h"
#include "model/modelscontainer.h"
#include "testenvironment.h"

#include <QPointer>

class TstModelsContainer : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { ModelsContainer::destroy(); }

    void createTwiceDeletesFirst()
    {
        ModelsContainer *first = ModelsContainer::create();
        auto *friends = new Friends;
        QPointer<Chats> chats = new Chats;
        first->setFriends(friends);
        first->setChats(chats);
        QCOMPARE(ModelsContainer::instance(), first);
        // The models go with their container, friends first.
        QStringList order;
        connect(friends, &QObject::destroyed, this, [&order] { order << QStringLiteral("friends"); });
        connect(chats, &QObject::destroyed, this, [&order] { order << QStringLiteral("chats"); });
        ModelsContainer *second = ModelsContainer::create();
        QCOMPARE(order, (QStringList{"friends", "chats"}));
        QCOMPARE(ModelsContainer::instance(), second);
        QVERIFY(!second->hasFriends());

        ModelsContainer::destroy();
        ModelsContainer *fresh = ModelsContainer::instance();
        QVERIFY(fresh && !fresh->hasFriends() && !fresh->hasChats());
        QCOMPARE(ModelsContainer::instance(), fresh);
    }

    void setterKeepsPreviousModel()
    {
        ModelsContainer *container = ModelsContainer::create();
        Friends *first = new Friends;
        QPointer<Friends> second = new Friends;
        container->setFriends(first);
        container->setFriends(second);
        ModelsContainer::destroy();
        QVERIFY(second.isNull());
        QCOMPARE(first->parent(), nullptr); // alive: deleting it must not crash
        delete first;
    }

    void instancePointerNeverDangles()
    {
        auto *parent = new QObject;
        ModelsContainer::create(parent);
        delete parent;
        // These would delete it again.
        QVERIFY(ModelsContainer::create());
        ModelsContainer::destroy();
        ModelsContainer::destroy();

        // Deleting another container leaves the one instance: a second one
        // would orphan the first with its models.
        ModelsContainer *container = ModelsContainer::create();
        container->setFriends(new Friends);
        delete new ModelsContainer;
        QCOMPARE(ModelsContainer::instance(), container);
        QVERIFY(container->hasFriends());
    }
};

PLUMDECK_TEST_MAIN(TstModelsContainer)
#include "tst_modelscontainer.moc"
