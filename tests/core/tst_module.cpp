#include "core/module.h"
#include "testenvironment.h"

#include <QAction>

namespace {

class TestModule : public Module
{
public:
    QList<QAction *> actions() override { return {}; }
};

} // namespace

class TstModule : public QObject
{
    Q_OBJECT
private slots:
    void registrationFollowsLifetime()
    {
        auto *a = new TestModule;
        {
            TestModule b;
            auto *c = new TestModule;
            QCOMPARE(Module::modules(), QList<Module *>({a, &b, c}));
            delete c;
            QCOMPARE(Module::modules(), QList<Module *>({a, &b}));
        }
        QCOMPARE(Module::modules(), QList<Module *>({a}));
        delete a;
        QVERIFY(Module::modules().isEmpty());
    }
};

PLUMDECK_TEST_MAIN(TstModule)
#include "tst_module.moc"
