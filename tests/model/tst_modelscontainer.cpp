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
        QPointer<ModelsContainer> first = ModelsContainer::create();
        QCOMPARE(ModelsContainer::instance(), first.data());
        ModelsContainer *second = ModelsContainer::create();
        QVERIFY(first.isNull());
        QCOMPARE(ModelsContainer::instance(), second);
        QVERIFY(!second->hasFriends());

        ModelsContainer::destroy();
        ModelsContainer *fresh = ModelsContainer::instance();
        QVERIFY(fresh && !fresh->hasFriends() && !fresh->hasChats());
        QCOMPARE(ModelsContainer::instance(), fresh);
    }

    // The models are their maker's: neither a setter nor the container's
    // end deletes one.
    void containerDeletesNoModel()
    {
        ModelsContainer *container = ModelsContainer::create();
        Friends *first = new Friends;
        QPointer<Friends> second = new Friends;
        container->setFriends(first);
        container->setFriends(second);
        ModelsContainer::destroy();
        QVERIFY(!second.isNull());
        QCOMPARE(first->parent(), nullptr); // alive: deleting it must not crash
        delete first;
        delete second;
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
        container->setFriends(new Friends(container));
        delete new ModelsContainer;
        QCOMPARE(ModelsContainer::instance(), container);
        QVERIFY(container->hasFriends());
    }
};

PLUMDECK_TEST_MAIN(TstModelsContainer)
#include "tst_modelscontainer.moc"
