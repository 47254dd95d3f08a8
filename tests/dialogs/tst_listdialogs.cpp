// The list information, list sharing and task assignments dialogs on a lists
// page: what they show of the current list or task, the edits they make, and
// how the page opens, follows, docks and releases them.

#include "../lists/commandstest.h"
#include "contacts/assignmentsfriendscontainer.h"
#include "../contacts/teamfixture.h"
#include "contacts/basefriendswidget.h"
#include "contacts/basefriendwidget.h"
#include "contacts/chatpresenceicon.h"
#include "contacts/chats.h"
#include "contacts/chatui.h"
#include "contacts/chatwindow.h"
#include "contacts/friends.h"
#include "contacts/friendssearchwidget.h"
#include "model/modelscontainer.h"
#include "contacts/sharefriendscontainer.h"
#include "dialogs/listinfodialog.h"
#include "dialogs/listsharingusersdialog.h"
#include "dialogs/taskassignmentsdialog.h"
#include "lists/commands/navigationcommands.h"
#include "lists/commands/sharingcommands.h"
#include "shell/menu.h"
#include "shell/pdlineedit.h"
#include "shell/pdtextedit.h"
#include "shell/toolbutton.h"
#include "testenvironment.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

using namespace CommandsTest;

class TstListDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init() { reset(); }

    void listInfoShowsTheCurrentList_data()
    {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QStringList>("counts"); // total, done, done %, pending, pending %
        QTest::newRow("empty") << "" << QStringList{"0", "0", "(0%)", "0", "(0%)"};
        QTest::newRow("one of three") << "*A B C" << QStringList{"3", "1", "(33%)", "2", "(66%)"};
        QTest::newRow("subtasks count") << "A[*a1 *a2] B" << QStringList{"4", "2", "(50%)", "2", "(50%)"};
        QTest::newRow("untitled with subtasks") << "A _[b c d]" << QStringList{"1", "0", "(0%)", "1", "(100%)"};
    }

    void listInfoShowsTheCurrentList()
    {
        QFETCH(QString, shape);
        QFETCH(QStringList, counts);
        Page page({QStringLiteral("Home: ") + shape, QStringLiteral("Work: W")});
        page.select(QStringLiteral("Home"));
        page.ui->showListInfoDialog();
        ListInfoDialog *dialog = page.ui->listInfoDialog();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("List info"));
        QCOMPARE(dialog->nameLabel()->text(), QStringLiteral("Home"));
        QCOMPARE(dialog->revisionLabel()->text(), QStringLiteral("No Revision"));
        QVERIFY(dialog->ownerBox()->isChecked());
        QVERIFY(!dialog->sharedByFrame()->isVisibleTo(dialog));
        QVERIFY(dialog->sharedWithFrame()->isVisibleTo(dialog));
        const QStringList shown = {dialog->totalLabel()->text(), dialog->completedLabel()->text(),
                                   dialog->completedPercentLabel()->text(), dialog->pendingLabel()->text(),
                                   dialog->pendingPercentLabel()->text()};
        QCOMPARE(shown, counts);
        // It follows the current list, and a second request changes nothing.
        page.select(QStringLiteral("Work"));
        QCOMPARE(dialog->nameLabel()->text(), QStringLiteral("Work"));
        page.ui->showListInfoDialog();
        QCOMPARE(page.ui->listInfoDialog(), dialog);
    }

    void listInfoOfASharedList_data()
    {
        QTest::addColumn<QString>("letters");
        QTest::addColumn<bool>("write");
        QTest::addColumn<bool>("erase");
        QTest::newRow("read") << "r" << false << false;
        QTest::newRow("write") << "rw" << true << false;
        QTest::newRow("delete") << "rwd" << true << true;
    }

    void listInfoOfASharedList()
    {
        QFETCH(QString, letters);
        QFETCH(bool, write);
        QFETCH(bool, erase);
        Page page({QStringLiteral("Home: A")});
        ListModel *home = page.list(QStringLiteral("Home"));
        setPermission(home, letters);
        page.select(QStringLiteral("Home"));
        page.ui->showListInfoDialog();
        ListInfoDialog *dialog = page.ui->listInfoDialog();
        QVERIFY(!dialog->ownerBox()->isChecked());
        QVERIFY(dialog->sharedByFrame()->isVisibleTo(dialog));
        QVERIFY(!dialog->sharedWithFrame()->isVisibleTo(dialog));
        QCOMPARE(dialog->ownerNameLabel()->text(), QStringLiteral("alice"));
        QVERIFY(!dialog->manageSharingButton()->isEnabled());
        QVERIFY(dialog->readBox()->isChecked());
        QCOMPARE(dialog->writeBox()->isChecked(), write);
        QCOMPARE(dialog->deleteBox()->isChecked(), erase);
        QCOMPARE(dialog->unshareButton()->isEnabled(), erase);
        QCOMPARE(dialog->renameButton()->isEnabled(), write);
        QCOMPARE(dialog->doneBox()->isEnabled(), write);
        QCOMPARE(dialog->descriptionEdit()->isEnabled(), write);
        QCOMPARE(dialog->saveDescriptionButton()->isVisibleTo(dialog), write);
    }

    void listInfoEditsTheList()
    {
        Page page({QStringLiteral("Home: A")});
        ListModel *home = page.list(QStringLiteral("Home"));
        page.select(QStringLiteral("Home"));
        page.ui->showListInfoDialog();
        ListInfoDialog *dialog = page.ui->listInfoDialog();
        QTest::mouseClick(dialog->doneBox(), Qt::LeftButton);
        QVERIFY(home->isDone());
        dialog->descriptionEdit()->setFocus();
        QTest::keyClicks(dialog->descriptionEdit(), QStringLiteral("groceries"));
        QVERIFY(home->description().isEmpty());
        QTest::mouseClick(dialog->saveDescriptionButton(), Qt::LeftButton);
        QCOMPARE(home->description(), QStringLiteral("groceries"));
        // Closing only tells the page, which releases it.
        QTest::mouseClick(dialog->closeButton(), Qt::LeftButton);
        QVERIFY(!page.ui->listInfoDialog());
    }

    // Mended: a read-only list refuses the edits even when asked directly.
    void readOnlyListRefusesEdits()
    {
        Page page({QStringLiteral("Home: A")});
        ListModel *home = page.list(QStringLiteral("Home"));
        setPermission(home, QStringLiteral("r"));
        page.select(QStringLiteral("Home"));
        page.ui->showListInfoDialog();
        ListInfoDialog *dialog = page.ui->listInfoDialog();
        dialog->doneBox()->setEnabled(true);
        QTest::mouseClick(dialog->doneBox(), Qt::LeftButton);
        QVERIFY(!home->isDone());
        dialog->descriptionEdit()->setPlainText(QStringLiteral("x"));
        dialog->saveDescriptionButton()->setVisible(true);
        dialog->saveDescriptionButton()->setEnabled(true);
        QTest::mouseClick(dialog->saveDescriptionButton(), Qt::LeftButton);
        QVERIFY(home->description().isEmpty());
    }

    void unshareAsksThenDropsTheList()
    {
        Page page({QStringLiteral("Home: A"), QStringLiteral("Work: W")});
        ListModel *home = page.list(QStringLiteral("Home"));
        setPermission(home, QStringLiteral("rwd"));
        page.select(QStringLiteral("Home"));
        page.ui->showListInfoDialog();
        ListInfoDialog *dialog = page.ui->listInfoDialog();
        {
            Answer answer(false);
            QTest::mouseClick(dialog->unshareButton(), Qt::LeftButton);
            QCOMPARE(answer.title, QStringLiteral("Unshare List"));
            QCOMPARE(answer.text,
                     QStringLiteral("Are you sure you want to stop seen the the list \"Home\" shared by \"alice\"?"));
        }
        QVERIFY(page.list(QStringLiteral("Home")));
        Answer answer(true);
        QTest::mouseClick(dialog->unshareButton(), Qt::LeftButton);
        QTRY_VERIFY(!page.list(QStringLiteral("Home")));
    }

    void docksAsPanel()
    {
        Page page({QStringLiteral("Home: A")});
        QWidget *panel = page.ui->listInfoPanel();
        QCOMPARE(panel, page.ui->listInfoDialog());
        QVERIFY(page.ui->listInfoDialog()->frameControlsHidden());
        QCOMPARE(page.ui->listInfoDialog()->nameLabel()->text(), QStringLiteral("Home"));
    }

    void pickersChatThroughTheTeamPage_data()
    {
        QTest::addColumn<bool>("assignments");
        QTest::newRow("sharing dialog") << false;
        QTest::newRow("assignments dialog") << true;
    }

    // The page hands its Team page to the pickers of its dialogs: a click on
    // a contact's presence icon opens a chat, and the search bar filters.
    void pickersChatThroughTheTeamPage()
    {
        QFETCH(bool, assignments);
        QFile::remove(Friends::localFilePath());
        std::unique_ptr<CheckedFakeServer> server = Team::startServer();
        QVERIFY(server);
        server->addFriend(QStringLiteral("alice"), QStringLiteral("bob"));
        server->addFriend(QStringLiteral("alice"), QStringLiteral("carol"));
        auto *models = new ModelsContainer;
        models->setFriends(new Friends);
        models->setChats(new Chats);
        ChatUI *chatUI = ChatUI::createInstance(models, nullptr);
        auto ui = std::make_unique<ListsUI>(models, chatUI, nullptr);
        QCOMPARE(ui->chatUI(), chatUI);
        QTRY_COMPARE(models->friends()->friends().size(), 2);
        BaseFriendsContainer *picker = nullptr;
        if (assignments) {
            ui->showTaskAssignmentsDialog();
            picker = ui->taskAssignmentsDialog()->assignmentsContainer();
        } else {
            ui->showListSharingUsersDialog();
            picker = ui->listSharingUsersDialog()->shareContainer();
        }
        BaseFriendWidget *bob = nullptr;
        for (BaseFriendWidget *row : picker->friendsWidget()->friendWidgets()) {
            if (row->nick() == QLatin1String("bob"))
                bob = row;
        }
        QVERIFY(bob && bob->presenceIcon());
        QTest::keyClicks(picker->searchOverlay()->lineEdit(), QStringLiteral("car"));
        QVERIFY(!bob->isVisibleTo(picker));
        QTest::mouseClick(bob->presenceIcon(), Qt::LeftButton);
        Chat *chat = models->chats()->chatWithUser(User::get(QStringLiteral("bob")));
        QVERIFY(chat);
        QTRY_VERIFY(chatUI->chatWindow(chat) && chatUI->chatWindow(chat)->isVisible());
        ui.reset();
        ChatUI::destroyInstance();
        delete models;
        Team::stopServer(server);
    }

    void sharingDialogFollowsTheList()
    {
        Page page({QStringLiteral("Home: A"), QStringLiteral("Theirs: T")});
        setPermission(page.list(QStringLiteral("Theirs")), QStringLiteral("rwd"));
        page.select(QStringLiteral("Home"));
        page.ui->showListSharingUsersDialog();
        ListSharingUsersDialog *dialog = page.ui->listSharingUsersDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("List shared with"));
        QCOMPARE(dialog->listModel(), page.list(QStringLiteral("Home")));
        QVERIFY(dialog->shareContainer()->isVisibleTo(dialog));
        QVERIFY(!dialog->sharedByContainer()->isVisibleTo(dialog));
        QCOMPARE(dialog->shareContainer()->listModel(), page.list(QStringLiteral("Home")));
        page.select(QStringLiteral("Theirs"));
        QVERIFY(!dialog->shareContainer()->isVisibleTo(dialog));
        QVERIFY(dialog->sharedByContainer()->isVisibleTo(dialog));
        page.select(QStringLiteral("Home"));
        QVERIFY(dialog->shareContainer()->isVisibleTo(dialog));
        QTest::mouseClick(dialog->closeButton(), Qt::LeftButton);
        QVERIFY(!page.ui->listSharingUsersDialog());
    }

    // Mended: the list deleted while its sharing dialog is open is forgotten
    // by the dialog and its picker.
    void listDeletedUnderTheSharingDialog()
    {
        Page page({QStringLiteral("Home: A"), QStringLiteral("Work: W")});
        ListModel *home = page.list(QStringLiteral("Home"));
        page.select(QStringLiteral("Home"));
        page.ui->showListSharingUsersDialog();
        ListSharingUsersDialog *dialog = page.ui->listSharingUsersDialog();
        page.ui->userLists()->deleteList(home->taskList());
        QTRY_VERIFY(!page.list(QStringLiteral("Home")));
        QVERIFY(page.ui->listSharingUsersDialog());
        QCOMPARE(dialog->shareContainer()->listModel(), page.ui->currentList());
        QTest::ignoreMessage(QtWarningMsg, "ShareFriendsContainer::onSharingInfoModified, listmodel is null");
        ShareFriendsContainer orphan(nullptr, nullptr, false);
        orphan.createContents(false);
        orphan.onSharingInfoModified(nullptr, true, QStringLiteral("r"));
    }

    void assignmentsDialogFollowsTheTask()
    {
        Page page({QStringLiteral("Home: A B"), QStringLiteral("Theirs: T")});
        setPermission(page.list(QStringLiteral("Theirs")), QStringLiteral("rwd"));
        page.select(QStringLiteral("Home"), QStringLiteral("B"));
        page.ui->showTaskAssignmentsDialog();
        TaskAssignmentsDialog *dialog = page.ui->taskAssignmentsDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Task Assingmens"));
        AssignmentsFriendsContainer *picker = dialog->assignmentsContainer();
        QCOMPARE(picker->task(), page.ui->currentTask());
        QVERIFY(picker->isVisibleTo(dialog));
        page.select(QStringLiteral("Home"), QStringLiteral("A"));
        QCOMPARE(picker->task(), page.ui->currentTask());
        // A cleared selection keeps the previous task.
        Task *a = page.ui->currentTask();
        page.select(QStringLiteral("Home"));
        QCOMPARE(picker->task(), a);
        page.select(QStringLiteral("Theirs"), QStringLiteral("T"));
        QVERIFY(!picker->isVisibleTo(dialog));
        QVERIFY(dialog->notOwnedContainer()->isVisibleTo(dialog));
        QTest::mouseClick(dialog->closeButton(), Qt::LeftButton);
        QVERIFY(!page.ui->taskAssignmentsDialog());
    }

    // Mended: the task freed by an undo is never handed to the picker.
    void assignmentsDialogSurvivesUndo()
    {
        Page page({QStringLiteral("Home: A B")});
        page.select(QStringLiteral("Home"), QStringLiteral("B"));
        page.ui->showTaskAssignmentsDialog();
        TaskAssignmentsDialog *dialog = page.ui->taskAssignmentsDialog();
        page.keys(QStringLiteral("Space"));
        Task *freed = page.ui->currentTask();
        ListModel *home = page.list(QStringLiteral("Home"));
        home->undo();
        // The tree keeps its place: the picker gets the task now there.
        QVERIFY(dialog->assignmentsContainer()->task() != freed);
        QVERIFY(home->taskList()->allTasks().contains(dialog->assignmentsContainer()->task()));
        QCOMPARE(dialog->assignmentsContainer()->task()->title(), QStringLiteral("B"));
        page.select(QStringLiteral("Home"), QStringLiteral("B"));
        QCOMPARE(dialog->assignmentsContainer()->task(), page.ui->currentTask());
        QVERIFY(dialog->assignmentsContainer()->friendsWidget()->isEnabled());
    }

    // The page's commands and the info dialog's button reach the dialogs.
    void commandsOpenTheDialogs()
    {
        Page page({QStringLiteral("Home: A")});
        page.select(QStringLiteral("Home"), QStringLiteral("A"));
        ListsAction *info = page.command(QStringLiteral("ShowListInfoAction"));
        QVERIFY(info);
        info->trigger();
        QVERIFY(page.ui->listInfoDialog() && page.ui->listInfoDialog()->isVisible());
        QTest::mouseClick(page.ui->listInfoDialog()->manageSharingButton(), Qt::LeftButton);
        QVERIFY(page.ui->listSharingUsersDialog() && page.ui->listSharingUsersDialog()->isVisible());
        Menu menu;
        (new ShowTaskAssignmentsAction(page.ui.get(), &menu))->trigger();
        QVERIFY(page.ui->taskAssignmentsDialog() && page.ui->taskAssignmentsDialog()->isVisible());
        // While one is open, a second request changes nothing.
        QPointer<ListSharingUsersDialog> sharing = page.ui->listSharingUsersDialog();
        (new ShowListSharingAction(page.ui.get(), &menu))->trigger();
        QCOMPARE(page.ui->listSharingUsersDialog(), sharing.data());
    }

    // Mended: only the owner of a list may change who shares it.
    void sharingCommandsNeedOwnership_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("owned") << "owned" << true;
        QTest::newRow("shared rwd") << "rwd" << false;
        QTest::newRow("shared r") << "r" << false;
    }

    void sharingCommandsNeedOwnership()
    {
        QFETCH(QString, kind);
        QFETCH(bool, enabled);
        Page page({QStringLiteral("Home: A")});
        ListModel *home = page.list(QStringLiteral("Home"));
        home->loadSharedUser(QStringLiteral("bob"), QStringLiteral("r"));
        setPermission(home, kind);
        page.select(QStringLiteral("Home"));
        Menu menu;
        QCOMPARE(ShareUserAction(QStringLiteral("bob"), home, page.ui.get(), &menu).shouldBeEnabled(), enabled);
        QCOMPARE(ShareListAction(QStringLiteral("carol"), home, page.ui.get(), &menu).shouldBeEnabled(), enabled);
        QCOMPARE(UnshareAllAction(home, page.ui.get(), &menu).shouldBeEnabled(), enabled);
        Answer answer(true);
        (new UnshareAllAction(home, page.ui.get(), &menu))->execute();
        QCOMPARE(home->hasSharedUser(QStringLiteral("bob")), !enabled);
    }
};

PLUMDECK_TEST_MAIN(TstListDialogs)
#include "tst_listdialogs.moc"
