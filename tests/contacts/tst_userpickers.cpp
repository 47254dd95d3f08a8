// The sharing and assignment pickers over the contacts of a signed-in user
// on the fake server: what a tick writes, what a refresh shows, and what
// survives a contacts change, a freed list or a freed task.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "contacts/assignmentsfriendscontainer.h"
#include "contacts/assignmentsfriendwidget.h"
#include "contacts/basefriendswidget.h"
#include "contacts/basefriendswidgetscroll.h"
#include "contacts/chatpresenceicon.h"
#include "contacts/chats.h"
#include "contacts/chatui.h"
#include "contacts/chatwindow.h"
#include "contacts/friends.h"
#include "contacts/friendssearchwidget.h"
#include "contacts/sharefriendscontainer.h"
#include "contacts/sharefriendswidget.h"
#include "contacts/sharefriendwidget.h"
#include "contacts/teamcommands.h"
#include "contacts/user.h"
#include "dialogdriver.h"
#include "shell/pdlineedit.h"
#include "model/modelscontainer.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "model/listinfo.h"
#include "sync/runs/listsharingsynchronizer.h"
#include "sync/runs/listsynchronizer.h"
#include "teamfixture.h"
#include "testenvironment.h"

namespace {

template<typename Row>
Row *rowFor(BaseFriendsWidget *list, const QString &nick)
{
    for (BaseFriendWidget *row : list->friendWidgets()) {
        if (row->nick() == nick)
            return qobject_cast<Row *>(row);
    }
    return nullptr;
}

ListModel *ownedList(UserLists &lists)
{
    ListModel *model = lists.createList();
    model->taskList()->setOwned(true);
    model->setPermissions(QStringLiteral("orwd"));
    return model;
}

// A task "Paint" at the end of the list, assigned to `nick` unless empty.
Task *paintTask(ListModel *list, const QString &nick = QString())
{
    auto *task = new Task;
    task->setTitle(QStringLiteral("Paint"));
    if (!nick.isEmpty())
        task->assign(nick);
    list->appendTask(task);
    return task;
}

} // namespace

class TstUserPickers : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void rowsAreTheContacts();
    void ticksWriteTheList_data();
    void ticksWriteTheList();
    void refreshShowsStoredLetters_data();
    void refreshShowsStoredLetters();
    void contactsChangeKeepsShares();
    void filterKeptAcrossRebuild();
    void listFreedUnderThePicker();
    void readOnlyViewNeverShowsUnshared();
    void assignTicksGoThroughTheList();
    void contactsChangeKeepsAssignments();
    void taskFreedUnderThePicker();
    void selectionAndDetails();
    void assignmentListFreedUnderThePicker();
    void assignmentsReachTheServer();
    void sharingReachesTheServer_data();
    void sharingReachesTheServer();
    void searchBarFiltersTheRows_data();
    void searchBarFiltersTheRows();
    void presenceIconStartsAChat_data();
    void presenceIconStartsAChat();
    void removeContactGoesThroughThePage_data();
    void removeContactGoesThroughThePage();
    void searchBarFloatsWhileScrolling();
    void presenceIconsFollowTheConnection();

private:
    void addDave();
    void buildPage();

    std::unique_ptr<CheckedFakeServer> m_server;
    std::unique_ptr<Friends> m_friends;
    ModelsContainer *m_models = nullptr;
    ChatUI *m_chatUI = nullptr;
};

void TstUserPickers::init()
{
    QFile::remove(Friends::localFilePath());
    m_server = Team::startServer();
    QVERIFY(m_server);
    m_server->addFriend(QStringLiteral("alice"), QStringLiteral("bob"));
    m_server->addFriend(QStringLiteral("alice"), QStringLiteral("carol"));
    m_friends = std::make_unique<Friends>();
    QTRY_COMPARE(m_friends->friends().size(), 2);
}

void TstUserPickers::cleanup()
{
    ChatUI::destroyInstance();
    m_chatUI = nullptr;
    delete m_models;
    m_models = nullptr;
    m_friends.reset();
    Team::stopServer(m_server);
}

// The Team page over its own contacts, as the lists page hands it to the
// pickers.
void TstUserPickers::buildPage()
{
    m_models = new ModelsContainer;
    m_models->setFriends(new Friends(m_models));
    m_models->setChats(new Chats(m_models));
    m_chatUI = ChatUI::createInstance(m_models, nullptr);
    QVERIFY(m_chatUI);
    QTRY_COMPARE(m_models->friends()->friends().size(), 2);
}

void TstUserPickers::addDave()
{
    const int before = int(m_friends->friends().size());
    m_server->pushEvent("alice", "add", "/users/alice/friends", Team::userPresence(QStringLiteral("dave"), "available"));
    QTRY_COMPARE(m_friends->friends().size(), before + 1);
}

void TstUserPickers::rowsAreTheContacts()
{
    ShareFriendsContainer picker(nullptr, m_friends.get(), true);
    picker.createContents(true);
    BaseFriendsWidget *rows = picker.friendsWidget();
    QCOMPARE(rows->friendWidgets().size(), 2);
    auto *bob = rowFor<ShareFriendWidget>(rows, QStringLiteral("bob"));
    QVERIFY(bob);
    QVERIFY(bob->nameLabel()->text().endsWith(QStringLiteral(" (bob)")));
    QCOMPARE(bob->permissionsBox()->count(), 3);
    QCOMPARE(bob->permissionsBox()->itemText(2), QStringLiteral("delete"));
    QVERIFY(!bob->permissionsBox()->isEnabled());
    QCOMPARE(bob->shareBox()->objectName(), QStringLiteral("sharedBox"));
    QCOMPARE(picker.searchOverlay()->objectName(), QStringLiteral("searchoverlay"));
}

void TstUserPickers::ticksWriteTheList_data()
{
    QTest::addColumn<QString>("script"); // t: tick, then down-keys on the combo
    QTest::addColumn<QString>("letters"); // null: not shared
    QTest::newRow("tick") << "t" << "r";
    QTest::newRow("write") << "t1" << "rw";
    QTest::newRow("delete") << "t2" << "rwd";
    QTest::newRow("back to read") << "t2u" << "r";
    QTest::newRow("untick") << "t2t" << QString();
    QTest::newRow("untick and tick again") << "t2tt" << "r";
}

void TstUserPickers::ticksWriteTheList()
{
    QFETCH(QString, script);
    QFETCH(QString, letters);
    UserLists lists;
    ListModel *list = ownedList(lists);
    ShareFriendsContainer picker(nullptr, m_friends.get(), false);
    picker.createContents(false);
    picker.setListModel(list);
    picker.show();
    QSignalSpy modified(&picker, &ShareFriendsContainer::sharingInfoModified);
    QSignalSpy listChanged(list, &ListModel::shareListChanged);
    auto *bob = rowFor<ShareFriendWidget>(picker.friendsWidget(), QStringLiteral("bob"));
    for (QChar step : script) {
        if (step == QLatin1Char('t')) {
            QTest::mouseClick(bob->shareBox(), Qt::LeftButton);
        } else if (step == QLatin1Char('u')) {
            bob->permissionsBox()->setFocus();
            QTest::keyClick(bob->permissionsBox(), Qt::Key_Home);
        } else {
            bob->permissionsBox()->setFocus();
            for (int i = 0; i < step.digitValue(); ++i)
                QTest::keyClick(bob->permissionsBox(), Qt::Key_Down);
        }
    }
    QCOMPARE(list->hasSharedUser(QStringLiteral("bob")), !letters.isNull());
    if (!letters.isNull())
        QCOMPARE(list->sharedUserPermissions(QStringLiteral("bob")), letters);
    QVERIFY(!list->hasSharedUser(QStringLiteral("carol")));
    QVERIFY(list->isSharedEdited());
    // Every change of the list is told, and nothing else.
    QCOMPARE(modified.count(), listChanged.count());
    QVERIFY(modified.count() >= 1);
}

void TstUserPickers::refreshShowsStoredLetters_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("index");
    QTest::newRow("read") << "r" << 0;
    QTest::newRow("write") << "rw" << 1;
    QTest::newRow("delete") << "rwd" << 2;
    QTest::newRow("d without w") << "rd" << 2;
    QTest::newRow("w elsewhere") << "wr" << 1;
}

void TstUserPickers::refreshShowsStoredLetters()
{
    QFETCH(QString, stored);
    QFETCH(int, index);
    UserLists lists;
    ListModel *list = ownedList(lists);
    list->loadSharedUser(QStringLiteral("bob"), stored);
    list->loadSharedUser(QStringLiteral("zoe"), QStringLiteral("rwd")); // not a contact
    ShareFriendsContainer picker(nullptr, m_friends.get(), false);
    picker.createContents(false);
    picker.setListModel(list);
    auto *bob = rowFor<ShareFriendWidget>(picker.friendsWidget(), QStringLiteral("bob"));
    QVERIFY(bob->shareBox()->isChecked());
    QCOMPARE(bob->permissionsBox()->currentIndex(), index);
    QVERIFY(bob->permissionsBox()->isEnabled());
    QVERIFY(!rowFor<ShareFriendWidget>(picker.friendsWidget(), QStringLiteral("carol"))->shareBox()->isChecked());
    // A refresh writes nothing.
    QCOMPARE(list->sharedUserPermissions(QStringLiteral("bob")), stored);
    QVERIFY(!list->isSharedEdited());
    // Another list's letters replace the flags of the first.
    UserLists others;
    ListModel *other = ownedList(others);
    other->loadSharedUser(QStringLiteral("bob"), QStringLiteral("r"));
    picker.setListModel(other);
    QCOMPARE(bob->permissionsBox()->currentIndex(), 0);
    QCOMPARE(list->sharedUsers().size(), 2);
}

// Mended: rows made anew by a contacts change show the list's shares again,
// so a tick can never turn a "rwd" share into "r".
void TstUserPickers::contactsChangeKeepsShares()
{
    UserLists lists;
    ListModel *list = ownedList(lists);
    list->loadSharedUser(QStringLiteral("bob"), QStringLiteral("rwd"));
    ShareFriendsContainer picker(nullptr, m_friends.get(), true);
    picker.createContents(true);
    picker.setListModel(list);
    picker.resize(300, 300);
    picker.show();
    addDave();
    QTRY_COMPARE(picker.friendsWidget()->friendWidgets().size(), 3);
    auto *bob = rowFor<ShareFriendWidget>(picker.friendsWidget(), QStringLiteral("bob"));
    QVERIFY(bob->shareBox()->isChecked());
    QCOMPARE(bob->permissionsBox()->currentIndex(), 2);
    auto *dave = rowFor<ShareFriendWidget>(picker.friendsWidget(), QStringLiteral("dave"));
    picker.friendsWidget()->layout()->activate();
    QTRY_VERIFY(dave->shareBox()->isVisible() && dave->shareBox()->geometry().isValid());
    QTest::mouseClick(dave->shareBox(), Qt::LeftButton);
    QCOMPARE(list->sharedUserPermissions(QStringLiteral("dave")), QStringLiteral("r"));
    QCOMPARE(list->sharedUserPermissions(QStringLiteral("bob")), QStringLiteral("rwd"));
}

// Mended: the typed filter also applies to the rows of a rebuild.
void TstUserPickers::filterKeptAcrossRebuild()
{
    AssignmentsFriendsContainer picker(nullptr, m_friends.get(), false);
    picker.createContents(true);
    picker.resize(300, 300);
    picker.show();
    QTest::keyClicks(picker.searchOverlay()->lineEdit(), QStringLiteral("CA"));
    auto visible = [&picker] {
        QStringList nicks;
        for (BaseFriendWidget *row : picker.friendsWidget()->friendWidgets()) {
            if (row->isVisibleTo(&picker))
                nicks << row->nick();
        }
        return nicks;
    };
    QCOMPARE(visible(), QStringList{QStringLiteral("carol")});
    addDave();
    QTRY_COMPARE(picker.friendsWidget()->friendWidgets().size(), 3);
    QCOMPARE(visible(), QStringList{QStringLiteral("carol")});
    QCOMPARE(picker.searchOverlay()->lineEdit()->text(), QStringLiteral("CA"));
    // The rows, then the spacing and the stretch: nothing left of the last fill.
    QCOMPARE(picker.friendsWidget()->layout()->count(), 3 + 2);
}

// Mended: a list freed under the picker (deleted, or the lists restored) is
// forgotten; the rows refuse changes instead of writing into freed memory.
void TstUserPickers::listFreedUnderThePicker()
{
    auto lists = std::make_unique<UserLists>();
    ListModel *list = ownedList(*lists);
    list->loadSharedUser(QStringLiteral("bob"), QStringLiteral("rw"));
    ShareFriendsContainer picker(nullptr, m_friends.get(), false);
    picker.createContents(false);
    picker.setListModel(list);
    picker.show();
    lists.reset();
    QVERIFY(!picker.listModel());
    QVERIFY(!picker.friendsWidget()->isEnabled());
    auto *carol = rowFor<ShareFriendWidget>(picker.friendsWidget(), QStringLiteral("carol"));
    QTest::mouseClick(carol->shareBox(), Qt::LeftButton);
    QVERIFY(!carol->shareBox()->isChecked());
    addDave();
    QTRY_COMPARE(picker.friendsWidget()->friendWidgets().size(), 3);
    QVERIFY(!picker.friendsWidget()->isEnabled());
}

// Mended: a presence change cannot show an unshared contact in a view of
// the shared ones only.
void TstUserPickers::readOnlyViewNeverShowsUnshared()
{
    UserLists lists;
    ListModel *list = ownedList(lists);
    list->loadSharedUser(QStringLiteral("bob"), QStringLiteral("rwd"));
    ShareFriendsContainer picker(nullptr, m_friends.get(), false);
    picker.createContents(false);
    picker.setEditable(false);
    picker.setShowUnsharedFriends(false);
    picker.setListModel(list);
    picker.show();
    auto *bob = rowFor<ShareFriendWidget>(picker.friendsWidget(), QStringLiteral("bob"));
    auto *carol = rowFor<ShareFriendWidget>(picker.friendsWidget(), QStringLiteral("carol"));
    QVERIFY(bob->isVisibleTo(&picker));
    QVERIFY(!carol->isVisibleTo(&picker));
    QVERIFY(!bob->shareBox()->isEnabled());
    QVERIFY(!bob->permissionsBox()->isEnabled());
    carol->user()->setPresence(Presence(Presence::Busy, QString()));
    QVERIFY(!carol->isVisibleTo(&picker));
    QTest::mouseClick(bob->shareBox(), Qt::LeftButton);
    QCOMPARE(list->sharedUserPermissions(QStringLiteral("bob")), QStringLiteral("rwd"));
}

// Mended: a tick goes through the list model, so the list is marked edited
// (and uploaded), and the assignee column is told to repaint.
void TstUserPickers::assignTicksGoThroughTheList()
{
    UserLists lists;
    ListModel *list = ownedList(lists);
    Task *task = paintTask(list, QStringLiteral("zoe")); // not a contact
    list->taskList()->setSyncStatus(TaskList::Unedited);
    AssignmentsFriendsContainer picker(nullptr, m_friends.get(), false);
    picker.createContents(false);
    picker.setTask(task, list);
    picker.show();
    QSignalSpy changed(list, &QAbstractItemModel::dataChanged);
    auto *bob = rowFor<AssignmentsFriendWidget>(picker.friendsWidget(), QStringLiteral("bob"));
    QVERIFY(!bob->assignedBox()->isChecked());
    QTest::mouseClick(bob->assignedBox(), Qt::LeftButton);
    QVERIFY(task->isAssignedTo(QStringLiteral("bob")));
    QCOMPARE(list->taskList()->syncStatus(), TaskList::Edited);
    QVERIFY(list->isChanged());
    bool assignmentColumn = false;
    for (const QList<QVariant> &args : changed) {
        const QModelIndex first = args.at(0).value<QModelIndex>();
        const QModelIndex last = args.at(1).value<QModelIndex>();
        assignmentColumn |= first.column() <= ListModel::AssignmentColumn && last.column() >= ListModel::AssignmentColumn;
    }
    QVERIFY(assignmentColumn);
    QTest::mouseClick(bob->assignedBox(), Qt::LeftButton);
    QVERIFY(!task->isAssignedTo(QStringLiteral("bob")));
    QCOMPARE(task->assignments(), QStringList{QStringLiteral("zoe")});
}

// Mended: rows made anew by a contacts change show the task's assignees.
void TstUserPickers::contactsChangeKeepsAssignments()
{
    UserLists lists;
    ListModel *list = ownedList(lists);
    Task *task = paintTask(list, QStringLiteral("carol"));
    AssignmentsFriendsContainer picker(nullptr, m_friends.get(), true);
    picker.createContents(true);
    picker.setTask(task, list);
    picker.show();
    addDave();
    QTRY_COMPARE(picker.friendsWidget()->friendWidgets().size(), 3);
    QVERIFY(rowFor<AssignmentsFriendWidget>(picker.friendsWidget(), QStringLiteral("carol"))->assignedBox()->isChecked());
    QVERIFY(!rowFor<AssignmentsFriendWidget>(picker.friendsWidget(), QStringLiteral("dave"))->isAssigned());
}

// Mended: a task freed by a removal is forgotten, never written to.
void TstUserPickers::taskFreedUnderThePicker()
{
    UserLists lists;
    ListModel *list = ownedList(lists);
    Task *task = paintTask(list, QStringLiteral("bob"));
    AssignmentsFriendsContainer picker(nullptr, m_friends.get(), false);
    picker.createContents(false);
    picker.setTask(task, list);
    picker.show();
    QVERIFY(list->removeRows(0, 1));
    QVERIFY(!picker.task());
    QVERIFY(!picker.friendsWidget()->isEnabled());
    auto *bob = rowFor<AssignmentsFriendWidget>(picker.friendsWidget(), QStringLiteral("bob"));
    QVERIFY(!bob->isAssigned());
    QTest::mouseClick(bob->assignedBox(), Qt::LeftButton);
    QVERIFY(!bob->isAssigned());
}

// Mended: the task's list freed under the picker (deleted, or the lists
// restored) leaves the rows refusing changes.
void TstUserPickers::assignmentListFreedUnderThePicker()
{
    auto lists = std::make_unique<UserLists>();
    ListModel *list = ownedList(*lists);
    Task *task = paintTask(list);
    AssignmentsFriendsContainer picker(nullptr, m_friends.get(), false);
    picker.createContents(false);
    picker.setTask(task, list);
    picker.show();
    lists.reset();
    QVERIFY(!picker.listModel());
    addDave();
    QTRY_COMPARE(picker.friendsWidget()->friendWidgets().size(), 3);
    QVERIFY(!picker.friendsWidget()->isEnabled());
    QTest::ignoreMessage(QtWarningMsg, "AssignmentsFriendsContainer::onAssingBoxClicked, task or listmodel are null");
    picker.onAssingBoxClicked(User::get(QStringLiteral("bob")), true);
}

// A tick marks the list edited, so the next synchronisation uploads the
// task with its assignees.
void TstUserPickers::assignmentsReachTheServer()
{
    const quint32 id = m_server->addList(QStringLiteral("alice"), QStringLiteral("Garden"));
    std::unique_ptr<TaskList> taskList(TaskList::create());
    taskList->setName(QStringLiteral("Garden"));
    taskList->rootTask()->createChild(0)->setTitle(QStringLiteral("Paint"));
    taskList->setSyncStatus(TaskList::Unedited);
    taskList->setServerId(id);
    taskList->setRevision(1);
    taskList->setOwned(true);
    ListModel list(taskList.get());
    list.setPermissions(QStringLiteral("orwd"));
    AssignmentsFriendsContainer picker(nullptr, m_friends.get(), false);
    picker.createContents(false);
    picker.setTask(taskList->rootTask()->child(0), &list);
    picker.show();
    QTest::mouseClick(rowFor<AssignmentsFriendWidget>(picker.friendsWidget(), QStringLiteral("bob"))->assignedBox(),
                      Qt::LeftButton);
    QTest::mouseClick(rowFor<AssignmentsFriendWidget>(picker.friendsWidget(), QStringLiteral("carol"))->assignedBox(),
                      Qt::LeftButton);
    QCOMPARE(taskList->syncStatus(), TaskList::Edited);

    ListInfo info(id, 1, 1, QStringLiteral("Garden"), QStringLiteral("alice"), QStringLiteral("orwd"), true, false);
    ListSynchronizer sync(id, &info, taskList.get(), 1);
    QSignalSpy finished(&sync, &ListSynchronizer::finished);
    sync.start();
    QVERIFY(finished.wait(10000));
    const QList<FakeTask> tasks = m_server->list(id).tasks;
    QCOMPARE(tasks.size(), 1);
    QCOMPARE(tasks.first().title(), QStringLiteral("Paint"));
    QStringList assignees = tasks.first().assignments;
    assignees.sort();
    QCOMPARE(assignees, (QStringList{QStringLiteral("bob"), QStringLiteral("carol")}));
}

// One row selected at most; a double click opens one row's details and
// selects it, a second closes them and keeps the selection.
void TstUserPickers::selectionAndDetails()
{
    ShareFriendsContainer picker(nullptr, m_friends.get(), false);
    picker.createContents(false);
    picker.resize(300, 400);
    picker.show();
    auto *bob = rowFor<ShareFriendWidget>(picker.friendsWidget(), QStringLiteral("bob"));
    auto *carol = rowFor<ShareFriendWidget>(picker.friendsWidget(), QStringLiteral("carol"));
    QTest::mouseClick(bob, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(bob->isSelected());
    QTest::mouseClick(bob, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(bob->isSelected());
    QTest::mouseClick(carol, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(carol->isSelected());
    QVERIFY(!bob->isSelected());
    QTest::mouseDClick(bob, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(bob->isInfoShown());
    QVERIFY(bob->isSelected());
    QVERIFY(!carol->isSelected());
    QVERIFY(!carol->isInfoShown());
    QTest::mouseDClick(carol, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(carol->isInfoShown());
    QVERIFY(!bob->isInfoShown());
    QTest::mouseDClick(carol, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(!carol->isInfoShown());
    QVERIFY(carol->isSelected());
}

void TstUserPickers::sharingReachesTheServer_data()
{
    QTest::addColumn<QString>("script"); // per contact: b or c, then t (tick) or a digit (combo entry)
    QTest::addColumn<QStringList>("onServer"); // "nick:letters"
    QTest::newRow("read") << "bt" << QStringList{"bob:r"};
    QTest::newRow("write") << "bt b1" << QStringList{"bob:rw"};
    QTest::newRow("delete") << "bt b2" << QStringList{"bob:rwd"};
    QTest::newRow("delete, then write") << "bt b2 b1" << QStringList{"bob:rw"};
    QTest::newRow("two contacts") << "bt b2 ct" << QStringList{"bob:rwd", "carol:r"};
    QTest::newRow("unshared again") << "bt b2 ct bt" << QStringList{"carol:r"};
}

// A list shared from the picker is shared on the server after the sharing
// step of a synchronisation, and the contact's side sees it.
void TstUserPickers::sharingReachesTheServer()
{
    QFETCH(QString, script);
    QFETCH(QStringList, onServer);
    const quint32 id = m_server->addList(QStringLiteral("alice"), QStringLiteral("Garden"));
    std::unique_ptr<TaskList> taskList(TaskList::create());
    taskList->setName(QStringLiteral("Garden"));
    taskList->setSyncStatus(TaskList::Unedited);
    taskList->setServerId(id);
    taskList->setRevision(1);
    taskList->setOwned(true);
    ListModel list(taskList.get());
    list.setPermissions(QStringLiteral("orwd"));
    list.restoreSharedRevision(1);
    ShareFriendsContainer picker(nullptr, m_friends.get(), false);
    picker.createContents(false);
    picker.setListModel(&list);
    picker.show();
    for (const QString &step : script.split(QLatin1Char(' '))) {
        auto *row = rowFor<ShareFriendWidget>(picker.friendsWidget(),
                                              step.startsWith(QLatin1Char('b')) ? QStringLiteral("bob")
                                                                                : QStringLiteral("carol"));
        if (step.at(1) == QLatin1Char('t')) {
            QTest::mouseClick(row->shareBox(), Qt::LeftButton);
        } else {
            row->permissionsBox()->setFocus();
            QTest::keyClick(row->permissionsBox(), Qt::Key_Home);
            for (int i = 0; i < step.at(1).digitValue(); ++i)
                QTest::keyClick(row->permissionsBox(), Qt::Key_Down);
        }
    }
    QVERIFY(list.isSharedEdited());
    ListSharingSynchronizer sync(&list, 1);
    QSignalSpy finished(&sync, &ListSharingSynchronizer::finished);
    sync.put();
    QVERIFY(finished.wait(10000));
    QVERIFY2(!sync.hasError(), qPrintable(sync.errorString()));
    QMap<QString, QString> expected;
    for (const QString &entry : onServer)
        expected.insert(entry.section(QLatin1Char(':'), 0, 0), entry.section(QLatin1Char(':'), 1));
    QCOMPARE(m_server->sharing(id), expected);
    for (const char *nick : {"bob", "carol"}) {
        bool sees = false;
        for (const FakeList &visible : m_server->visibleLists(QLatin1String(nick)))
            sees |= visible.id == id;
        QCOMPARE(sees, expected.contains(QLatin1String(nick)));
    }
}

void TstUserPickers::searchBarFiltersTheRows_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("escape");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("visible");
    QTest::newRow("nothing") << QString() << false << QString() << QStringList{"bob", "carol"};
    QTest::newRow("prefix") << "ca" << false << "ca" << QStringList{"carol"};
    QTest::newRow("blanks trimmed") << " bo " << false << "bo" << QStringList{"bob"};
    QTest::newRow("no match") << "zz" << false << "zz" << QStringList();
    QTest::newRow("escape clears") << "ca" << true << QString() << QStringList{"bob", "carol"};
}

// The search bar is the Team page's: its trimmed filter reaches the rows,
// Escape clears it and Ctrl+F puts the cursor in it.
void TstUserPickers::searchBarFiltersTheRows()
{
    QFETCH(QString, typed);
    QFETCH(bool, escape);
    QFETCH(QString, filter);
    QFETCH(QStringList, visible);
    AssignmentsFriendsContainer picker(nullptr, m_friends.get(), false);
    picker.createContents(true);
    // Short enough to scroll, so the bar shows.
    picker.resize(300, 90);
    picker.show();
    picker.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&picker));
    FriendsSearchWidget *bar = picker.searchOverlay();
    QVERIFY(bar);
    QCOMPARE(bar->objectName(), QStringLiteral("searchoverlay"));
    QTRY_VERIFY(bar->isVisible());
    auto *bob = rowFor<AssignmentsFriendWidget>(picker.friendsWidget(), QStringLiteral("bob"));
    bob->assignedBox()->setFocus();
    QVERIFY(!bar->lineEdit()->hasFocus());
    QTest::keyClick(bob->assignedBox(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(bar->lineEdit()->hasFocus());
    QTest::keyClicks(bar->lineEdit(), typed);
    if (escape)
        QTest::keyClick(bar->lineEdit(), Qt::Key_Escape);
    QCOMPARE(bar->filter(), filter);
    QStringList shown;
    for (BaseFriendWidget *row : picker.friendsWidget()->friendWidgets()) {
        if (row->isVisibleTo(&picker))
            shown << row->nick();
    }
    QCOMPARE(shown, visible);
}

void TstUserPickers::presenceIconStartsAChat_data()
{
    QTest::addColumn<bool>("withPage");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("started");
    QTest::newRow("left click") << true << Qt::LeftButton << true;
    QTest::newRow("right click") << true << Qt::RightButton << false;
    QTest::newRow("no page") << false << Qt::LeftButton << false;
}

// A left click on a row's presence icon opens a chat with the contact
// through the Team page; without the page it does nothing.
void TstUserPickers::presenceIconStartsAChat()
{
    QFETCH(bool, withPage);
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, started);
    buildPage();
    ShareFriendsContainer picker(withPage ? m_chatUI : nullptr, m_models->friends(), true);
    picker.createContents(false);
    picker.resize(300, 300);
    picker.show();
    auto *bob = rowFor<ShareFriendWidget>(picker.friendsWidget(), QStringLiteral("bob"));
    QVERIFY(bob->presenceIcon());
    QVERIFY(bob->presenceIcon()->isVisibleTo(&picker));
    QCOMPARE(bob->showInfoAction()->user(), User::get(QStringLiteral("bob")));
    // The details command is a place holder: it starts nothing.
    bob->showInfoAction()->trigger();
    QVERIFY(!m_models->chats()->chatWithUser(User::get(QStringLiteral("bob"))));
    QTest::mouseClick(bob->presenceIcon(), button);
    Chat *chat = m_models->chats()->chatWithUser(User::get(QStringLiteral("bob")));
    QCOMPARE(chat != nullptr, started);
    QVERIFY(!m_models->chats()->chatWithUser(User::get(QStringLiteral("carol"))));
    if (started)
        QTRY_VERIFY(m_chatUI->chatWindow(chat) && m_chatUI->chatWindow(chat)->isVisible());
}

void TstUserPickers::removeContactGoesThroughThePage_data()
{
    QTest::addColumn<bool>("withPage");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<bool>("rebuilt");
    QTest::addColumn<bool>("removed");
    QTest::newRow("accepted") << true << true << false << true;
    QTest::newRow("cancelled") << true << false << false << false;
    // The rows are rebuilt while the question is open: the answer counts.
    QTest::newRow("rows rebuilt meanwhile, accepted") << true << true << true << true;
    QTest::newRow("rows rebuilt meanwhile, cancelled") << true << false << true << false;
    // Last: a question wrongly asked here is answered by its driver only.
    QTest::newRow("no page: not asked") << false << true << false << false;
}

// Removing a contact asks first, then goes through the Team page; without
// the page nobody is asked a question that could not be carried out.
void TstUserPickers::removeContactGoesThroughThePage()
{
    QFETCH(bool, withPage);
    QFETCH(bool, accept);
    QFETCH(bool, rebuilt);
    QFETCH(bool, removed);
    buildPage();
    ShareFriendsContainer picker(withPage ? m_chatUI : nullptr, m_models->friends(), false);
    picker.createContents(false);
    picker.show();
    User *bob = User::get(QStringLiteral("bob"));
    QString asked;
    const QPointer<ShareFriendWidget> row = rowFor<ShareFriendWidget>(picker.friendsWidget(), QStringLiteral("bob"));
    DialogDriver::whenModal([&](QWidget *dialog) {
        asked = dialog->findChild<QLabel *>(QStringLiteral("textlabel"))->text();
        if (rebuilt) {
            // The connection drops: the contacts report a change.
            m_server->setRefuseEventConnections(true);
            m_server->closeEventStreams();
            QVERIFY(QTest::qWaitFor([&] { return row.isNull(); }, 5000));
        }
        QTest::mouseClick(dialog->findChild<QPushButton *>(accept ? QStringLiteral("okbutton")
                                                                  : QStringLiteral("cancelbutton")),
                          Qt::LeftButton);
    });
    row->onRemoveFriendActionTriggered();
    QCOMPARE(asked, withPage ? QStringLiteral("Are you sure you want to remove bob as a contact?") : QString());
    QCOMPARE(row.isNull(), rebuilt);
    m_server->setRefuseEventConnections(false);
    QCOMPARE(m_models->friends()->isFriend(bob), !removed);
    if (removed) {
        QTRY_VERIFY(!m_server->user(QStringLiteral("bob")).friends.contains(QStringLiteral("alice")));
        QTRY_COMPARE(picker.friendsWidget()->friendWidgets().size(), 1);
    } else {
        QCOMPARE(Team::targets(*m_server, QStringLiteral("/friends/")).filter(QStringLiteral("DELETE")),
                 QStringList());
    }
}

// The bar floats over the bottom while the rows scroll, and stays while a
// filter is typed even when the scrolling stops.
void TstUserPickers::searchBarFloatsWhileScrolling()
{
    AssignmentsFriendsContainer picker(nullptr, m_friends.get(), false);
    picker.createContents(true);
    picker.resize(300, 400);
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    FriendsSearchWidget *bar = picker.searchOverlay();
    QVERIFY(!bar->isVisible());
    picker.resize(300, 90);
    QTRY_VERIFY(bar->isVisible());
    QCOMPARE(bar->x(), 17);
    QCOMPARE(bar->width(), 300 - 48);
    QCOMPARE(bar->geometry().bottom() + 1, 90 - 10);
    QTest::keyClicks(bar->lineEdit(), QStringLiteral("ca"));
    picker.resize(300, 400);
    QTRY_VERIFY(!picker.scroll()->isVerticalScrollBarVisible());
    QVERIFY(bar->isVisible());
    QTest::keyClick(bar->lineEdit(), Qt::Key_Backspace);
    QVERIFY(bar->isVisible());
    QTest::keyClick(bar->lineEdit(), Qt::Key_Backspace);
    QVERIFY(!bar->isVisible());
}

// Presence icons show only while the event connection is up.
void TstUserPickers::presenceIconsFollowTheConnection()
{
    ShareFriendsContainer picker(nullptr, m_friends.get(), true);
    picker.createContents(false);
    picker.show();
    auto icons = [&picker] {
        int shown = 0;
        for (BaseFriendWidget *row : picker.friendsWidget()->friendWidgets())
            shown += row->presenceIcon()->isVisibleTo(&picker) ? 1 : 0;
        return shown;
    };
    QCOMPARE(icons(), 2);
    ServerSettings::instance()->setSettings(QString(), QStringLiteral("alice"), QStringLiteral("secret"));
    QTRY_VERIFY(!EventConnection::instance()->isConnected());
    QCOMPARE(icons(), 0);
    QSignalSpy connected(EventConnection::instance(), &EventConnection::connected);
    ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), QStringLiteral("secret"));
    QVERIFY(EventConnection::instance()->isConnected() || connected.wait(5000));
    QCOMPARE(icons(), 2);
}

PLUMDECK_TEST_MAIN(TstUserPickers)
#include "tst_userpickers.moc"
