#include "core/module.h"
#include "testenvironment.h"

#include <QAction>

namespace {

class TestModule : public Module
{
public:
    explicit TestModule(const QString &text) : m_action(text, nullptr) {}
    QList<QAction *> actions() override { return {&m_action}; }

private:
    QAction m_action;
};

} // namespace

class TstModule : public QObject
{
    Q_OBJECT
private slots:
    void registrationFollowsLifetime()
    {
        auto *a = new TestModule(QStringLiteral("a"));
        QList<Module *> expected{a};
        QCOMPARE(Module::modules(), expected);
        {
            TestModule b(QStringLiteral("b"));
            auto *c = new TestModule(QStringLiteral("c"));
            QCOMPARE(Module::modules(), QList<Module *>({a, &b, c}));
            QCOMPARE(Module::modules().at(1)->actions().first()->text(), QStringLiteral("b"));
            delete c;
            QCOMPARE(Module::modules(), QList<Module *>({a, &b}));
        }
        QCOMPARE(Module::modules(), expected);
        delete a;
        QVERIFY(Module::modules().isEmpty());
    }
};

PLUMDECK_TEST_MAIN(TstModule)
#include "tst_module.moc"
