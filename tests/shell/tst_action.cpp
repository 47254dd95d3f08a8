#include "shell/action.h"
#include "testenvironment.h"

#include <QPointer>
#include <QWidget>

namespace {

// A command whose availability and checked state come from its own model.
class ModelAction : public Action
{
public:
    using Action::Action;
    bool enabled = true;
    bool checkedAfterRun = false;
    int runs = 0;

    bool shouldBeEnabled() override { return enabled; }
    bool shouldBeChecked() override { return runs > 0 && checkedAfterRun; }
    QString checkedText() override { return QStringLiteral("On"); }
    QString uncheckedText() override { return QStringLiteral("Off"); }
    void execute() override { ++runs; }
};

// A checkable command that forgot its checked state.
class ForgetfulAction : public Action
{
    Q_OBJECT
public:
    using Action::Action;
    bool shouldBeEnabled() override { return true; }
    void execute() override {}
};

} // namespace

class TstAction : public QObject
{
    Q_OBJECT
private slots:
    void keyPress_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("checkable");
        QTest::addColumn<bool>("checkedAfterRun");
        QTest::addColumn<int>("runs");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QString>("text");
        // Refused: the toolkit's own toggle stays until the next refresh.
        QTest::newRow("unavailable since the last refresh") << false << true << true << 0 << true << "Start";
        QTest::newRow("model checked") << true << true << true << 1 << true << "On";
        QTest::newRow("model unchecked, toolkit toggled") << true << true << false << 1 << false << "Off";
        QTest::newRow("not checkable: text untouched") << true << false << false << 1 << false << "Start";
    }

    void keyPress()
    {
        QFETCH(bool, enabled);
        QFETCH(bool, checkable);
        QFETCH(bool, checkedAfterRun);
        QFETCH(int, runs);
        QFETCH(bool, checked);
        QFETCH(QString, text);
        QWidget window;
        auto *action = new ModelAction(QStringLiteral("Start"), &window);
        action->setCheckable(checkable);
        action->setShortcut(QKeySequence(Qt::Key_F7));
        window.addAction(action);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        action->enabled = enabled;
        action->checkedAfterRun = checkedAfterRun;

        QTest::keyClick(&window, Qt::Key_F7);
        QCOMPARE(action->runs, runs);
        QCOMPARE(action->isChecked(), checked);
        QCOMPARE(action->text(), text);
        QCOMPARE(action->isEnabled(), true);

        action->updateState();
        QCOMPARE(action->isEnabled(), enabled);
    }

    void checkableWithoutItsStateWarns()
    {
        ForgetfulAction action(QStringLiteral("Show"), nullptr);
        action.setCheckable(true);
        action.setChecked(true);
        QTest::ignoreMessage(QtWarningMsg, "checkable action ForgetfulAction did not override shouldBeChecked");
        action.updateState();
        QVERIFY(!action.isChecked());
    }

    void withoutParentGoesWithItsOwner()
    {
        auto *owner = new QObject;
        QObject parent;
        QPointer<Action> action = new ForgetfulAction(QStringLiteral("Show"), owner);
        QPointer<Action> parented = new ForgetfulAction(QStringLiteral("Hide"), owner, &parent);
        delete owner;
        QVERIFY(!action && parented);
    }
};

PLUMDECK_TEST_MAIN(TstAction)
#include "tst_action.moc"
