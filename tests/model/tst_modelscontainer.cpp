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
        QPointer<Friends> friends = new Friends;
        QPointer<Chats> chats = new Chats;
        first->setFriends(friends);
        first->setChats(chats);
        QCOMPARE(ModelsContainer::instance(), first);

        ModelsContainer *second = ModelsContainer::create();
        QVERIFY(friends.isNull());
        QVERIFY(chats.isNull());
        QCOMPARE(ModelsContainer::instance(), second);
        QVERIFY(!second->hasFriends());
    }

    void instanceAfterDestroyIsEmpty()
    {
        ModelsContainer::create()->setFriends(new Friends);
        ModelsContainer::destroy();
        ModelsContainer *fresh = ModelsContainer::instance();
        QVERIFY(fresh);
        QVERIFY(!fresh->hasFriends());
        QVERIFY(!fresh->hasChats());
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

    void deletionOrder()
    {
        ModelsContainer *container = ModelsContainer::create();
        auto *friends = new Friends;
        auto *chats = new Chats;
        container->setFriends(friends);
        container->setChats(chats);
        QStringList order;
        connect(friends, &QObject::destroyed, this, [&order] { order << QStringLiteral("friends"); });
        connect(chats, &QObject::destroyed, this, [&order] { order << QStringLiteral("chats"); });
        ModelsContainer::destroy();
        QCOMPARE(order, (QStringList{"friends", "chats"}));
    }

    void deletedThroughParentClearsInstance()
    {
        auto *parent = new QObject;
        ModelsContainer::create(parent);
        delete parent;
        // The instance pointer must not dangle: these would delete it again.
        ModelsContainer *fresh = ModelsContainer::create();
        QVERIFY(fresh);
        ModelsContainer::destroy();
        ModelsContainer::destroy();
    }

    void otherContainerLeavesInstance()
    {
        ModelsContainer *container = ModelsContainer::create();
        QPointer<Friends> friends = new Friends;
        container->setFriends(friends);
        delete new ModelsContainer;
        // Still the one instance: a second one would orphan the first.
        QCOMPARE(ModelsContainer::instance(), container);
        QVERIFY(container->hasFriends());
    }
};

PLUMDECK_TEST_MAIN(TstModelsContainer)
#include "tst_modelscontainer.moc"
