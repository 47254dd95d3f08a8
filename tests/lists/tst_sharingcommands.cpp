// The sharing commands and the share dialog on a lists page: texts and
// images, when each is enabled, the questions they ask and what they change.

#include "commandstest.h"
#include "dialogdriver.h"
#include "lists/commands/sharingcommands.h"
#include "lists/sharelistdialog.h"
#include "shell/menu.h"
#include "testenvironment.h"

#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

using namespace CommandsTest;

namespace {

QString labelText(QWidget *dialog, const char *name)
{
    auto *label = dialog->findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("(none)");
}

QPushButton *button(QWidget *dialog, const QString &text)
{
    for (QPushButton *candidate : dialog->findChildren<QPushButton *>()) {
        if (candidate->text() == text)
            return candidate;
    }
    return nullptr;
}

} // namespace

class TstSharingCommands : public QObject
{
    Q_OBJECT

private slots:
    void init() { reset(); }

    void dialogLooks()
    {
        ShareListDialog dialog(QStringLiteral("marta"));
        dialog.setupTitleAndButtons();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Send list to marta"));
        QCOMPARE(labelText(&dialog, "textlabel"), QStringLiteral("Select permissions with which to share the list"));
        QCOMPARE(labelText(&dialog, "deleteLabel"), QStringLiteral("Read / write and delete"));
        QCOMPARE(labelText(&dialog, "writeLabel"), QStringLiteral("Read / write"));
        QCOMPARE(labelText(&dialog, "readLabel"), QStringLiteral("Read only"));
        QVERIFY(button(&dialog, QStringLiteral("Cancel")));
        QVERIFY(button(&dialog, QStringLiteral("Accept")));
        QCOMPARE(dialog.permissions(), QStringLiteral("rwd"));
    }

    void dialogPermissions_data()
    {
        QTest::addColumn<QString>("radio");
        QTest::addColumn<QString>("letters");
        QTest::newRow("delete") << "radioButtonDelete" << "rwd";
        QTest::newRow("write") << "radioButtonWrite" << "rw";
        QTest::newRow("read") << "radioButtonRead" << "r";
    }

    void dialogPermissions()
    {
        QFETCH(QString, radio);
        QFETCH(QString, letters);
        ShareListDialog dialog(QStringLiteral("marta"));
        dialog.show();
        auto *button = dialog.findChild<QRadioButton *>(radio);
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(dialog.permissions(), letters);
        // One choice at a time.
        int checked = 0;
        for (QRadioButton *each : dialog.findChildren<QRadioButton *>())
            checked += each->isChecked() ? 1 : 0;
        QCOMPARE(checked, 1);
    }

    // Sharing with a friend through the dialog: accepted as it opens, with
    // "Read only", or cancelled.
    void shareWithAFriend_data()
    {
        QTest::addColumn<QString>("choose");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("shared");
        QTest::newRow("as it opens") << "" << true << "rwd";
        QTest::newRow("read only") << "radioButtonRead" << true << "r";
        QTest::newRow("cancelled") << "radioButtonRead" << false << "";
    }

    void shareWithAFriend()
    {
        QFETCH(QString, choose);
        QFETCH(bool, accept);
        QFETCH(QString, shared);
        Page page({QStringLiteral("Home: A")});
        ListModel *home = page.list(QStringLiteral("Home"));
        Menu menu;
        auto *action = new ShareListAction(QStringLiteral("marta"), home, page.ui.get(), &menu);
        QCOMPARE(action->text(), QStringLiteral("marta"));
        QString title;
        DialogDriver::whenModal([&](QWidget *dialog) {
            title = dialog->windowTitle();
            if (!choose.isEmpty())
                QTest::mouseClick(dialog->findChild<QRadioButton *>(choose), Qt::LeftButton);
            QTest::mouseClick(button(dialog, accept ? QStringLiteral("Accept") : QStringLiteral("Cancel")),
                              Qt::LeftButton);
        });
        action->trigger();
        QCOMPARE(title, QStringLiteral("Send list to marta"));
        QCOMPARE(home->sharedUserPermissions(QStringLiteral("marta")), shared);
        QCOMPARE(home->hasSharedUser(QStringLiteral("marta")), accept);
    }

    void sharedUserEntries_data()
    {
        QTest::addColumn<QString>("letters");
        QTest::addColumn<QString>("image");
        QTest::newRow("r") << "r" << "check_lock";
        QTest::newRow("rw") << "rw" << "check";
        QTest::newRow("rwd") << "rwd" << "check";
    }

    void sharedUserEntries()
    {
        QFETCH(QString, letters);
        QFETCH(QString, image);
        Page page({QStringLiteral("Home: A")});
        ListModel *home = page.list(QStringLiteral("Home"));
        home->addSharedUser(QStringLiteral("marta"), letters);
        Menu menu;
        auto *action = new ShareUserAction(QStringLiteral("marta"), home, page.ui.get(), &menu);
        QCOMPARE(action->text(), QStringLiteral("marta"));
        QVERIFY(showsImage(action, image));
        QCOMPARE(action->canWrite(), letters.contains(QLatin1Char('w')));
        QCOMPARE(action->canDelete(), letters.contains(QLatin1Char('d')));
        {
            Answer answer(false);
            action->trigger();
            QCOMPARE(answer.text, QStringLiteral("Are you sure you want to stop sharing this list with marta"));
            QVERIFY(home->hasSharedUser(QStringLiteral("marta")));
        }
        Answer answer(true);
        action->trigger();
        QVERIFY(!home->hasSharedUser(QStringLiteral("marta")));
    }

    void unshareAll()
    {
        Page page({QStringLiteral("Home: A")});
        ListModel *home = page.list(QStringLiteral("Home"));
        Menu menu;
        auto *none = new UnshareAllAction(home, page.ui.get(), &menu);
        QCOMPARE(none->text(), QStringLiteral("Unshare all"));
        QVERIFY(showsImage(none, QStringLiteral("unshare")));
        QVERIFY(!none->isEnabled());
        home->addSharedUser(QStringLiteral("marta"), QStringLiteral("rw"));
        QVERIFY((new UnshareAllAction(home, page.ui.get(), &menu))->isEnabled());
        home->addSharedUser(QStringLiteral("olek"), QStringLiteral("r"));
        auto *action = new UnshareAllAction(home, page.ui.get(), &menu);
        QVERIFY(action->isEnabled());
        Answer answer(true);
        action->trigger();
        QCOMPARE(answer.text,
                 QStringLiteral("Are you sure you want to stop sharing the the list \"Home\" whith all your friends?"));
        QCOMPARE(home->sharedUserCount(), 0);
    }

    // The question or the sharing dialog is open when the list's run begins
    // (the server's news starts it), or a run of every list (the timer
    // starts it): the answer changes no share, as the run's end would put
    // the server's shares back.
    void sharingWaitsForTheListsRun_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("everyList");
        QTest::newRow("share with a friend") << "share" << false;
        QTest::newRow("stop sharing with one") << "unshare one" << false;
        QTest::newRow("unshare all") << "unshare all" << false;
        QTest::newRow("share with a friend, every list's run") << "share" << true;
        QTest::newRow("stop sharing with one, every list's run") << "unshare one" << true;
        QTest::newRow("unshare all, every list's run") << "unshare all" << true;
    }

    void sharingWaitsForTheListsRun()
    {
        QFETCH(QString, command);
        QFETCH(bool, everyList);
        Page page({QStringLiteral("Home: A")});
        QPointer<ListModel> home = page.list(QStringLiteral("Home"));
        home->addSharedUser(QStringLiteral("olek"), QStringLiteral("r"));
        Menu menu;
        Action *action = nullptr;
        if (command == QLatin1String("share"))
            action = new ShareListAction(QStringLiteral("marta"), home, page.ui.get(), &menu);
        else if (command == QLatin1String("unshare one"))
            action = new ShareUserAction(QStringLiteral("olek"), home, page.ui.get(), &menu);
        else
            action = new UnshareAllAction(home, page.ui.get(), &menu);
        QVERIFY(action->isEnabled());
        const QStringList before = home->sharedUsers().keys();
        bool asked = false;
        DialogDriver::whenModal([&](QWidget *dialog) {
            asked = true;
            if (everyList)
                page.ui->setSyncing(true);
            else
                home->setSynchronizing(true);
            QTest::keyClick(dialog, Qt::Key_Return);
            if (dialog->isVisible()) // the sharing dialog's own Accept
                QTest::mouseClick(button(dialog, QStringLiteral("Accept")), Qt::LeftButton);
        });
        action->trigger();
        QVERIFY(asked);
        QVERIFY(home);
        QCOMPARE(home->sharedUsers().keys(), before);
        QVERIFY(!action->shouldBeEnabled());
        page.ui->setSyncing(false);
        home->setSynchronizing(false);
        QVERIFY(action->shouldBeEnabled());
    }

    void giveUpASharedList_data()
    {
        QTest::addColumn<QString>("letters");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("r") << "r" << false;
        QTest::newRow("rw") << "rw" << false;
        QTest::newRow("rwd") << "rwd" << true;
    }

    void giveUpASharedList()
    {
        QFETCH(QString, letters);
        QFETCH(bool, enabled);
        Page page({QStringLiteral("Home: A"), QStringLiteral("Theirs: B")});
        ListModel *theirs = page.list(QStringLiteral("Theirs"));
        setPermission(theirs, letters);
        Menu menu;
        auto *action = new UnshareListAction(theirs, page.ui.get(), &menu);
        QCOMPARE(action->text(), QStringLiteral("Unshare"));
        QVERIFY(showsImage(action, QStringLiteral("unshare")));
        QCOMPARE(action->isEnabled(), enabled);
        Answer answer(true);
        action->trigger();
        QCOMPARE(page.ui->tabWidget()->count(), enabled ? 1 : 2);
        if (enabled)
            QCOMPARE(answer.text,
                     QStringLiteral("Are you sure you want to stop seen the the list \"Theirs\" shared by \"alice\"?"));
    }

    void showAll()
    {
        Page page({QStringLiteral("Home: A")});
        Menu menu;
        auto *action = new ShowListSharingAction(page.ui.get(), &menu);
        QCOMPARE(action->text(), QStringLiteral("Show All"));
        QVERIFY(showsImage(action, QStringLiteral("listshare_free_OK")));
        QVERIFY(!action->icon().isNull());
        QVERIFY(action->shouldBeEnabled());
    }

    // Mended: sharing entries live with the menu that built them.
    void entriesLiveWithTheirMenu()
    {
        Page page({QStringLiteral("Home: A")});
        ListModel *home = page.list(QStringLiteral("Home"));
        auto *menu = new Menu;
        QList<QPointer<QObject>> built = {new ShowListSharingAction(page.ui.get(), menu),
                                          new ShareUserAction(QStringLiteral("a"), home, page.ui.get(), menu),
                                          new ShareListAction(QStringLiteral("b"), home, page.ui.get(), menu),
                                          new UnshareAllAction(home, page.ui.get(), menu),
                                          new UnshareListAction(home, page.ui.get(), menu)};
        delete menu;
        for (const QPointer<QObject> &object : built)
            QVERIFY(!object);
    }
};

PLUMDECK_TEST_MAIN(TstSharingCommands)
#include "tst_sharingcommands.moc"
