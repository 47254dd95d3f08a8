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
#include "contacts/sharefriendwidget.h"
#include "dialogs/assigneechat.h"
#include "dialogs/listinfodialog.h"
#include "dialogs/listsharingusersdialog.h"
#include "dialogs/taskassignmentsdialog.h"
#include "dialogs/taskinfodialog.h"
#include "lists/commands/navigationcommands.h"
#include "lists/commands/sharingcommands.h"
#include "shell/menu.h"
#include "shell/pdlineedit.h"
#include "shell/pdtextedit.h"
#include "shell/splashscreen.h"
#include "shell/toolbutton.h"
#include "testenvironment.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTextDocument>

using namespace CommandsTest;

namespace {

// What a label draws: its text when shown as text, else what its markup
// renders to.
QString drawnText(const QLabel *label)
{
    const bool rich = label->textFormat() == Qt::RichText
        || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
    if (!rich)
        return label->text();
    QTextDocument document;
    document.setHtml(label->text());
    return document.toPlainText();
}

// Written by another user, or sent by the server.
const char Markup[] = "<h1>BIG</h1><img src=x>";

// What a menu entry draws of its text: "&&" is an "&", a lone "&" only marks
// the shortcut key.
QString drawnEntry(const QString &text)
{
    QString drawn;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        drawn += text.at(i);
    }
    return drawn;
}

// Every entry the menu draws, its submenus' too.
QStringList drawnEntries(const QMenu *menu)
{
    QStringList entries;
    for (QAction *action : menu->actions()) {
        entries << drawnEntry(action->text());
        if (action->menu())
            entries << drawnEntries(action->menu());
    }
    return entries;
}

// Team mode as the task information panel reaches it: every nick is a
// contact.
class AnyoneChat : public AssigneeChat
{
public:
    bool canChatWith(const QString &) const override { return true; }
    void startChatWith(const QString &) override {}
};

// The sharing picker's row of that contact.
ShareFriendWidget *shareRow(ShareFriendsContainer *picker, const QString &nick)
{
    for (BaseFriendWidget *row : picker->friendsWidget()->friendWidgets()) {
        if (row->nick() == nick)
            return qobject_cast<ShareFriendWidget *>(row);
    }
    return nullptr;
}

// The fake server with alice signed in and bob her contact, and the models
// Team mode keeps of them.
struct WithBob
{
    WithBob()
    {
        QFile::remove(Friends::localFilePath());
        server = Team::startServer();
        if (!server)
            return;
        server->addFriend(QStringLiteral("alice"), QStringLiteral("bob"));
        models->setFriends(new Friends(models));
        models->setChats(new Chats(models));
    }
    ~WithBob()
    {
        delete models;
        if (server)
            Team::stopServer(server);
    }
    WithBob(const WithBob &) = delete;
    WithBob &operator=(const WithBob &) = delete;

    std::unique_ptr<CheckedFakeServer> server;
    ModelsContainer *models = new ModelsContainer;
};

} // namespace

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
        // Readable and selectable, but it takes no typing.
        QCOMPARE(dialog->descriptionEdit()->isReadOnly(), !write);
        QCOMPARE(dialog->saveDescriptionButton()->isVisibleTo(dialog), write);
    }

    // Names, nicks and owners that other users wrote are shown as they wrote
    // them, in every place that shows one: never as a heading and an image.
    void othersTextsShownAsText_data()
    {
        QTest::addColumn<QString>("place");
        QTest::newRow("list info: name") << "list name";
        QTest::newRow("list info: owner") << "list owner";
        QTest::newRow("task info: created by") << "created by";
        QTest::newRow("task info: last modified by") << "modified by";
        QTest::newRow("task info: done by") << "done by";
        QTest::newRow("task info: assigned to") << "assigned to";
        QTest::newRow("sharing picker row") << "sharing picker";
        QTest::newRow("assignment picker row") << "assignment picker";
        QTest::newRow("splash step naming a list") << "splash";
    }

    void othersTextsShownAsText()
    {
        QFETCH(QString, place);
        const QString markup = QString::fromLatin1(Markup);
        QLabel *label = nullptr;
        if (place == QLatin1String("sharing picker") || place == QLatin1String("assignment picker")) {
            QFile::remove(Friends::localFilePath());
            std::unique_ptr<CheckedFakeServer> server = Team::startServer();
            QVERIFY(server);
            server->addUser(QStringLiteral("dan"), QStringLiteral("secret"), markup);
            server->addFriend(QStringLiteral("alice"), QStringLiteral("dan"));
            auto *models = new ModelsContainer;
            models->setFriends(new Friends(models));
            models->setChats(new Chats(models));
            ChatUI *chatUI = ChatUI::createInstance(models, nullptr);
            auto ui = std::make_unique<ListsUI>(models, chatUI, nullptr);
            QTRY_COMPARE(models->friends()->friends().size(), 1);
            QTRY_COMPARE(User::get(QStringLiteral("dan"))->realName(), markup);
            BaseFriendsContainer *picker = nullptr;
            if (place == QLatin1String("assignment picker")) {
                ui->showTaskAssignmentsDialog();
                picker = ui->taskAssignmentsDialog()->assignmentsContainer();
            } else {
                ui->showListSharingUsersDialog();
                picker = ui->listSharingUsersDialog()->shareContainer();
            }
            QString shown;
            for (BaseFriendWidget *row : picker->friendsWidget()->friendWidgets()) {
                if (row->nick() == QLatin1String("dan"))
                    shown = drawnText(row->findChild<QLabel *>(QStringLiteral("usernamelabel")));
            }
            ui.reset();
            ChatUI::destroyInstance();
            delete models;
            Team::stopServer(server);
            QCOMPARE(shown, markup + QStringLiteral(" (dan)"));
            return;
        }
        if (place == QLatin1String("splash")) {
            Page written({markup + QStringLiteral(": A")});
            written.ui.reset();
            SplashScreen splash;
            // Each step moves the bar just after it names itself.
            QStringList drawn;
            connect(splash.progressBar(), &QProgressBar::valueChanged, this,
                    [&] { drawn << drawnText(splash.infoLabel()); });
            const auto ui = std::make_unique<ListsUI>(nullptr, nullptr, &splash);
            QVERIFY2(drawn.contains(QStringLiteral("Initializing list ") + markup), qPrintable(drawn.join(" | ")));
            return;
        }
        Page page({QStringLiteral("Home: A")});
        ListModel *home = page.list(QStringLiteral("Home"));
        Task *task = home->taskForIndex(home->index(0, 0));
        if (place == QLatin1String("list name")) {
            home->setName(markup);
        } else if (place == QLatin1String("list owner")) {
            setPermission(home, QStringLiteral("r"));
            home->taskList()->setOwner(markup);
        } else if (place == QLatin1String("created by")) {
            task->setCreatedBy(markup);
        } else if (place == QLatin1String("modified by")) {
            task->setLastModifiedBy(markup);
        } else if (place == QLatin1String("done by")) {
            task->setDoneBy(markup);
        } else {
            task->assign(markup);
        }
        page.select(home->name(), QStringLiteral("A"));
        if (place.startsWith(QLatin1String("list"))) {
            page.ui->showListInfoDialog();
            ListInfoDialog *dialog = page.ui->listInfoDialog();
            QVERIFY(dialog);
            label = place == QLatin1String("list name") ? dialog->nameLabel() : dialog->ownerNameLabel();
        } else {
            page.ui->showTaskInfoDialog();
            TaskInfoDialog *dialog = page.ui->taskInfoDialog();
            QVERIFY(dialog);
            label = place == QLatin1String("created by")    ? dialog->createdByLabel()
                : place == QLatin1String("modified by") ? dialog->modifiedByLabel()
                : place == QLatin1String("done by")     ? dialog->doneByLabel()
                                                        : dialog->assignedToLabel();
        }
        QVERIFY(label->isVisibleTo(label->window()));
        QCOMPARE(drawnText(label), markup);
    }

    // The same in the menus that name lists and users: a name with an "&"
    // keeps it, and gives the entry no shortcut key.
    void othersNamesInMenuEntries_data()
    {
        QTest::addColumn<QString>("place");
        QTest::newRow("tab menu: go to list") << "go to";
        QTest::newRow("task menu: move to list") << "move to";
        QTest::newRow("tab menu: shared by") << "owner";
        QTest::newRow("tab menu: shared with") << "shared with";
        QTest::newRow("task menu: assigned to") << "assigned";
    }

    void othersNamesInMenuEntries()
    {
        QFETCH(QString, place);
        const QString name = QStringLiteral("R&D <b>x</b>");
        Page page({QStringLiteral("Home: A"), QStringLiteral("Other: B")});
        ListModel *home = page.list(QStringLiteral("Home"));
        ListModel *other = page.list(QStringLiteral("Other"));
        setPermission(other, QStringLiteral("rwd"));
        if (place == QLatin1String("go to") || place == QLatin1String("move to")) {
            other->setName(name);
        } else if (place == QLatin1String("owner")) {
            setPermission(home, QStringLiteral("rwd"));
            home->taskList()->setOwner(name);
        } else if (place == QLatin1String("shared with")) {
            setPermission(home, QStringLiteral("owned"));
            home->addSharedUser(name, QStringLiteral("r"));
        } else {
            setPermission(home, QStringLiteral("owned"));
            home->taskForIndex(home->index(0, 0))->assign(name);
        }
        page.select(QStringLiteral("Home"), QStringLiteral("A"));
        Menu menu;
        if (place == QLatin1String("go to") || place == QLatin1String("owner") || place == QLatin1String("shared with"))
            page.ui->fillTabContextMenu(&menu, 0);
        else
            page.ui->fillTaskContextMenu(&menu);
        const QStringList entries = drawnEntries(&menu);
        QVERIFY2(entries.contains(name), qPrintable(entries.join(QLatin1String(" | "))));
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

    // Typing left unsaved in the description stays while the panel refreshes
    // (a task ticked in the tree, the list's done box, the list renamed, a
    // share added, a tick undone); its own Save stores it.
    void listInfoTypingSurvivesRefresh_data()
    {
        QTest::addColumn<QString>("step");
        QTest::newRow("task ticked") << "tick";
        QTest::newRow("list done ticked") << "done";
        QTest::newRow("list renamed") << "rename";
        QTest::newRow("share added") << "share";
        QTest::newRow("task ticked, then undone") << "undo";
    }
    void listInfoTypingSurvivesRefresh()
    {
        QFETCH(QString, step);
        Page page({QStringLiteral("Home: A B")});
        ListModel *home = page.list(QStringLiteral("Home"));
        home->setDescription(QStringLiteral("Weekly"));
        page.select(QStringLiteral("Home"), QStringLiteral("A"));
        auto *dialog = qobject_cast<ListInfoDialog *>(page.ui->listInfoPanel());
        QVERIFY(dialog);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        PDTextEdit *typed = dialog->descriptionEdit();
        QCOMPARE(typed->toPlainText(), QStringLiteral("Weekly"));
        QTest::mouseClick(typed->viewport(), Qt::LeftButton);
        QTest::keyClick(typed, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(typed, QStringLiteral(" chores"));
        const QString text = typed->toPlainText();
        QCOMPARE(text, QStringLiteral("Weekly chores"));

        if (step == QLatin1String("tick") || step == QLatin1String("undo")) {
            page.ui->centralWidget()->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(page.ui->centralWidget()));
            page.keys(QStringLiteral("Space"));
            QVERIFY(page.ui->currentTask()->isDone());
            QCOMPARE(dialog->completedLabel()->text(), QStringLiteral("1"));
            if (step == QLatin1String("undo")) {
                // Undo puts an older copy of the list in place: the panel
                // counts that copy's tasks.
                page.keys(QStringLiteral("Ctrl+Z"));
                QVERIFY(!page.ui->currentTask()->isDone());
                QCOMPARE(dialog->completedLabel()->text(), QStringLiteral("0"));
            }
        } else if (step == QLatin1String("done")) {
            QTest::mouseClick(dialog->doneBox(), Qt::LeftButton, {}, QPoint(6, dialog->doneBox()->height() / 2));
            QVERIFY(home->isDone());
        } else if (step == QLatin1String("rename")) {
            page.ui->setListNameExternally(home, QStringLiteral("House"));
            QCOMPARE(dialog->nameLabel()->text(), QStringLiteral("House"));
        } else {
            QVERIFY(home->addSharedUser(QStringLiteral("bob"), QStringLiteral("r")));
        }
        QCOMPARE(typed->toPlainText(), text);
        QCOMPARE(home->description(), QStringLiteral("Weekly"));
        QTest::mouseClick(dialog->saveDescriptionButton(), Qt::LeftButton);
        QCOMPARE(home->description(), text);
        QCOMPARE(typed->toPlainText(), text);
    }

    // Typing left unsaved for one list does not follow the panel to another,
    // nor come back with its list.
    void listInfoTypingStaysWithItsList()
    {
        Page page({QStringLiteral("Home: A"), QStringLiteral("Work: W")});
        ListModel *home = page.list(QStringLiteral("Home"));
        home->setDescription(QStringLiteral("Weekly"));
        page.select(QStringLiteral("Home"));
        auto *dialog = qobject_cast<ListInfoDialog *>(page.ui->listInfoPanel());
        QVERIFY(dialog);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QTest::mouseClick(dialog->descriptionEdit()->viewport(), Qt::LeftButton);
        QTest::keyClicks(dialog->descriptionEdit(), QStringLiteral("typed "));
        page.select(QStringLiteral("Work"));
        QCOMPARE(dialog->descriptionEdit()->toPlainText(), QString());
        QTest::mouseClick(dialog->saveDescriptionButton(), Qt::LeftButton);
        QCOMPARE(page.list(QStringLiteral("Work"))->description(), QString());
        page.select(QStringLiteral("Home"));
        QCOMPARE(dialog->descriptionEdit()->toPlainText(), QStringLiteral("Weekly"));
        QCOMPARE(home->description(), QStringLiteral("Weekly"));
    }

    // The chat button beside a task's assignee follows one rule whichever
    // path shows it: offered for another user while the event connection is
    // up, never for the user's own task, neither on a refresh nor when the
    // connection comes back.
    void chatButtonAfterAReconnection_data()
    {
        QTest::addColumn<QString>("assignee");
        QTest::addColumn<bool>("offered");
        QTest::newRow("the user's own task") << "alice" << false;
        QTest::newRow("another user's task") << "bob" << true;
    }
    void chatButtonAfterAReconnection()
    {
        QFETCH(QString, assignee);
        QFETCH(bool, offered);
        std::unique_ptr<CheckedFakeServer> server = Team::startServer();
        QVERIFY(server);
        {
            Page page({QStringLiteral("Home: A B")});
            AnyoneChat chat;
            page.ui->setAssigneeChat(&chat);
            ListModel *home = page.list(QStringLiteral("Home"));
            home->taskForIndex(home->index(0, 0))->assign(assignee);
            page.select(QStringLiteral("Home"), QStringLiteral("A"));
            auto *info = qobject_cast<TaskInfoDialog *>(page.ui->taskInfoPanel());
            QVERIFY(info);
            info->show();
            QVERIFY(QTest::qWaitForWindowExposed(info));
            QCOMPARE(info->assignedToLabel()->text(),
                     assignee == QLatin1String("alice") ? QStringLiteral("alice (me)") : assignee);
            QCOMPARE(info->chatButton()->isVisible(), offered);

            server->closeEventStreams();
            QTRY_VERIFY(!EventConnection::instance()->isConnected());
            QVERIFY(!info->chatButton()->isVisible());
            QTRY_VERIFY_WITH_TIMEOUT(EventConnection::instance()->isConnected(), 10000);
            QCOMPARE(info->chatButton()->isVisible(), offered);
            // A refresh afterwards agrees.
            page.select(QStringLiteral("Home"), QStringLiteral("B"));
            page.select(QStringLiteral("Home"), QStringLiteral("A"));
            QCOMPARE(info->chatButton()->isVisible(), offered);
        }
        Team::stopServer(server);
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
        models->setFriends(new Friends(models));
        models->setChats(new Chats(models));
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

    // Ticking a contact in the sharing dialog shows at once in the List info
    // panel open beside it.
    void sharingDialogRefreshesListInfo()
    {
        WithBob team;
        QVERIFY(team.server);
        ModelsContainer *models = team.models;
        {
            Page page({QStringLiteral("Home: A")});
            page.ui.reset();
            page.ui = std::make_unique<ListsUI>(models, nullptr, nullptr);
            QTRY_COMPARE(models->friends()->friends().size(), 1);
            page.select(QStringLiteral("Home"));
            auto *info = qobject_cast<ListInfoDialog *>(page.ui->listInfoPanel());
            QVERIFY(info);
            info->show();
            ShareFriendWidget *shown = shareRow(info->shareContainer(), QStringLiteral("bob"));
            QVERIFY(shown);
            QVERIFY(!shown->shareBox()->isChecked());
            page.ui->showListSharingUsersDialog();
            ListSharingUsersDialog *sharing = page.ui->listSharingUsersDialog();
            QVERIFY(sharing);
            QVERIFY(QTest::qWaitForWindowExposed(sharing));
            ShareFriendWidget *bob = shareRow(sharing->shareContainer(), QStringLiteral("bob"));
            QVERIFY(bob);
            QTest::mouseClick(bob->shareBox(), Qt::LeftButton, {}, QPoint(6, bob->shareBox()->height() / 2));
            QVERIFY(page.list(QStringLiteral("Home"))->hasSharedUser(QStringLiteral("bob")));
            shown = shareRow(info->shareContainer(), QStringLiteral("bob"));
            QVERIFY(shown);
            QVERIFY(shown->shareBox()->isChecked());
        }
    }

    // A sharing dialog left open after its page has gone still shares: the
    // tick reaches the list, and nothing asks the page that is no more.
    void sharingDialogOutlivesItsPage()
    {
        WithBob team;
        QVERIFY(team.server);
        ModelsContainer *models = team.models;
        {
            ListModel garden(TaskList::create());
            auto page = std::make_unique<ListsUI>(models, nullptr, nullptr);
            QTRY_COMPARE(models->friends()->friends().size(), 1);
            ListSharingUsersDialog sharing(page.get());
            sharing.selectedListChanged(&garden);
            sharing.show();
            QVERIFY(QTest::qWaitForWindowExposed(&sharing));
            page.reset();
            ShareFriendWidget *bob = shareRow(sharing.shareContainer(), QStringLiteral("bob"));
            QVERIFY(bob);
            QTest::mouseClick(bob->shareBox(), Qt::LeftButton, {}, QPoint(6, bob->shareBox()->height() / 2));
            QVERIFY(garden.hasSharedUser(QStringLiteral("bob")));
            delete garden.taskList();
        }
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
