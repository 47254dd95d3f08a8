// The command "Synchronize with Outlook": offered while the preferences
// enable it, run on the lists of the moment, failures told in a message box.

#include "core/module.h"
#include "dialogdriver.h"
#include "outlook/outlookmodule.h"
#include "outlooktest.h"
#include "testenvironment.h"

#include <QAction>
#include <QLabel>
#include <QSettings>

using namespace OutlookTest;

class TstOutlookModule : public QObject
{
    Q_OBJECT
private slots:
    void init() { QSettings().remove(QStringLiteral("ui/enable-outlook")); }

    void offeredOnlyWhenEnabled_data()
    {
        QTest::addColumn<QVariant>("setting");
        QTest::addColumn<int>("actions");
        QTest::newRow("absent") << QVariant() << 0;
        QTest::newRow("off") << QVariant(false) << 0;
        QTest::newRow("on") << QVariant(true) << 1;
    }
    void offeredOnlyWhenEnabled()
    {
        QFETCH(QVariant, setting);
        if (setting.isValid())
            QSettings().setValue(QStringLiteral("ui/enable-outlook"), setting);
        OutlookModule module(nullptr);
        QVERIFY(Module::modules().contains(&module));
        const QList<QAction *> actions = module.actions();
        QTEST(int(actions.size()), "actions");
        if (!actions.isEmpty()) {
            QCOMPARE(actions.first()->text(), QStringLiteral("Synchronize with Outlook"));
            QVERIFY(actions.first()->icon().isNull());
            QVERIFY(actions.first()->shortcut().isEmpty());
        }
    }

    void withoutOutlookTheUserIsTold()
    {
        Setup s;
        s.addList(QStringLiteral("Home"), {QStringLiteral("Bread")});
        OutlookModule module([&s] { return s.lists.get(); });
        QString title;
        QString text;
        DialogDriver::whenModal([&](QWidget *dialog) {
            title = dialog->windowTitle();
            for (QLabel *label : dialog->findChildren<QLabel *>())
                text += label->text();
            QTest::keyClick(dialog, Qt::Key_Return);
        });
        QSettings().setValue(QStringLiteral("ui/enable-outlook"), true);
        module.actions().first()->trigger();
        QCOMPARE(title, QStringLiteral("Synchronize to Outlook"));
        QVERIFY2(text.contains(QStringLiteral("Outlook was not found.")), qPrintable(text));
    }

    // A restored backup replaces the lists: each run asks for them anew.
    void runsOnTheListsOfTheMoment()
    {
        Setup s;
        UserLists *current = s.lists.get();
        OutlookModule module([&current] { return current; }, &s.outlook);
        s.addList(QStringLiteral("Home"), {QStringLiteral("Bread")});
        module.onActionTriggered();
        QCOMPARE(s.outlook.folderNames(), QStringList{"Home"});

        std::unique_ptr<UserLists> restored(UserLists::create());
        TaskList *work = TaskList::create();
        work->setName(QStringLiteral("Work"));
        restored->addList(work);
        current = restored.get();
        s.lists.reset();
        Setup::later();
        // A successful run shows nothing (a box would stop here).
        module.onActionTriggered();
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(s.outlook.folderNames().contains(QStringLiteral("Work")));
        QVERIFY(!work->outlookId().isEmpty());
    }
};

PLUMDECK_TEST_MAIN(TstOutlookModule)
#include "tst_outlookmodule.moc"
