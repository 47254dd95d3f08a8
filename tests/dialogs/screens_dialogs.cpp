// Screens of the list manager, the attachment and backup dialogs, a printed
// list page, the help and player windows, and the list sharing, information
// and assignment dialogs with their user pickers.

#include "core/serversettings.h"
#include "dialogs/alarmdialog.h"
#include "dialogs/alarmsoccurreddialog.h"
#include "contacts/basefriendswidget.h"
#include "contacts/friends.h"
#include "contacts/friendsreaderwriter.h"
#include "contacts/sharefriendscontainer.h"
#include "contacts/user.h"
#include "dialogs/backupdialog.h"
#include "dialogs/datewidget.h"
#include "dialogs/deletechildrendialog.h"
#include "dialogs/notedialog.h"
#include "dialogs/renamelistdialog.h"
#include "dialogs/taskinfodialog.h"
#include "dialogs/timemanagementdialog.h"
#include "dialogs/listgroupsmanagerdialog.h"
#include "dialogs/listinfodialog.h"
#include "dialogs/listsharingusersdialog.h"
#include "dialogs/taskassignmentsdialog.h"
#include "dialogs/taskattachmenteditdialog.h"
#include "dialogs/taskattachmentsdialog.h"
#include "dialogs/taskattachmentsselector.h"
#include "dialogstest.h"
#include "lists/listprinter.h"
#include "lists/listsui.h"
#include "lists/tasktreeowner.h"
#include "model/modelscontainer.h"
#include "model/taskattachmentvideohyperlink.h"
#include "model/taskattachmentwebhyperlink.h"
#include "screens.h"
#include "shell/messagedialog.h"
#include "shell/pdtextedit.h"
#include "shell/webkitbrowserdialog.h"
#include "shell/webkitplayerdialog.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QFrame>
#include <QEnterEvent>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMovie>
#include <QPainter>
#include <QSignalSpy>
#include <QWebEngineView>

using namespace DialogsTest;

PLUMDECK_SCREEN(listManager)
{
    ListsPage page;
    page.build(QStringLiteral("Groceries Reading+ Work(Release Reviews:rw Clients(Acme:r)) Home-(Garden) Trips()"));
    ListGroupsManagerDialog dialog(page.lists.get(), page.groups.get());
    page.attach(dialog.container());
    dialog.reload();
    dialog.resize(230, 400);
    dialog.show();
    QCoreApplication::processEvents();
    // One row selected, one under the mouse, one a drop target.
    dialog.container()->onElementClickedToSelect(row(dialog.container(), QStringLiteral("Release")));
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(row(dialog.container(), QStringLiteral("Groceries"))->frameElement(), &enter);
    row(dialog.container(), QStringLiteral("Trips"))->showDropIndicator(true);
    QVERIFY(!shoot(&dialog, QStringLiteral("list-manager")).isNull());
    row(dialog.container(), QStringLiteral("Home"))->startRename();
    QVERIFY(!shoot(&dialog, QStringLiteral("list-manager-rename")).isNull());
}

// The menus of a group row and of a read-only list row.
PLUMDECK_SCREEN(listManagerMenus)
{
    ListsPage page;
    page.build(QStringLiteral("Groceries Shared:r Work(Release Reviews) Home(Garden)"));
    ListGroupsManagerDialog dialog(page.lists.get(), page.groups.get());
    page.attach(dialog.container());
    dialog.reload();
    dialog.resize(230, 300);
    dialog.show();
    QCoreApplication::processEvents();
    for (const QString &name : {QStringLiteral("Work"), QStringLiteral("Shared")}) {
        QWidget *frame = row(dialog.container(), name)->frameElement();
        const QPoint at = frame->mapToGlobal(frame->rect().center());
        sendMouse(frame, QEvent::MouseButtonPress, at, Qt::RightButton, Qt::RightButton);
        sendMouse(frame, QEvent::MouseButtonRelease, at, Qt::RightButton, Qt::NoButton);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QVERIFY(!shoot(menu, name == QLatin1String("Work") ? QStringLiteral("list-manager-group-menu")
                                                           : QStringLiteral("list-manager-list-menu"))
                     .isNull());
        menu->close();
        QCoreApplication::processEvents();
    }
}

PLUMDECK_SCREEN(attachmentForms)
{
    TaskAttachmentEditDialog add;
    QVERIFY(!shoot(&add, QStringLiteral("attachment-add")).isNull());
    TaskAttachmentVideoHyperlink clip(QStringLiteral("Concert"), QUrl(QStringLiteral("http://videos.example/concert.flv")));
    clip.setDescription(QStringLiteral("Last night's recording"));
    clip.setAdditionalData(QStringLiteral("width;640;height;480;thumbnail;http://videos.example/concert.jpg"));
    TaskAttachmentEditDialog edit(&clip);
    QVERIFY(!shoot(&edit, QStringLiteral("attachment-edit-video")).isNull());
}

PLUMDECK_SCREEN(attachments)
{
    ListsPage page;
    ListModel *list = page.addList(QStringLiteral("Groceries"));
    Task *task = list->taskForIndex(list->index(0, 0));
    task->addAttachment(new TaskAttachmentWebHyperlink(QStringLiteral("Market opening hours"),
                                                       QUrl(QStringLiteral("http://market.example/hours"))));
    task->addAttachment(new TaskAttachmentVideoHyperlink(QStringLiteral("How to pick plums"),
                                                         QUrl(QStringLiteral("http://videos.example/plums.flv"))));
    TaskAttachmentsDialog dialog;
    dialog.selectedTaskChanged(task, list);
    dialog.selector()->setCurrentRow(1);
    QVERIFY(!shoot(&dialog, QStringLiteral("attachments")).isNull());
}

PLUMDECK_SCREEN(backup)
{
    ListsPage page;
    BackupDialog dialog(page.lists.get(), page.groups.get());
    QVERIFY(!shoot(&dialog, QStringLiteral("backup")).isNull());
    dialog.showInfo(QStringLiteral("Backup completed."));
    QVERIFY(!shoot(&dialog, QStringLiteral("backup-done")).isNull());
    dialog.showWarning(QStringLiteral("Error: The selected file is corrupted."));
    QVERIFY(!shoot(&dialog, QStringLiteral("backup-warning")).isNull());
    // After an import, the lists it replaced were kept beside the lists file.
    const QString kept = QStringLiteral("/home/alice/.local/share/Marrowgate/PlumDeck/"
                                        "lists-before-import-20260301-090000.xhtml");
    BackupDialog imported(page.lists.get(), page.groups.get());
    imported.showInfo(QStringLiteral("Backup completed. Your lists as they were before are kept in \"%1\".").arg(kept));
    QVERIFY(!shoot(&imported, QStringLiteral("backup-imported")).isNull());
    // Lists the backup held before their first synchronisation.
    BackupDialog added(page.lists.get(), page.groups.get());
    added.showInfo(QStringLiteral("Backup completed. Your lists as they were before are kept in \"%1\".\n\n"
                                  "These lists had never been synchronised when the backup was made; they are added "
                                  "as new lists:\nWork\nGarden")
                       .arg(kept));
    QVERIFY(!shoot(&added, QStringLiteral("backup-imported-never-synchronised")).isNull());
    // Tasks this computer does not know, and one moved since the backup.
    BackupDialog identities(page.lists.get(), page.groups.get());
    identities.showInfo(QStringLiteral("Backup completed. Your lists as they were before are kept in \"%1\".\n\n"
                                       "These lists held tasks that had never been synchronised when the backup was "
                                       "made, or that this computer does not know; they are added to them as new "
                                       "tasks:\nTrip\n\nThese tasks of the backup had been moved to another list "
                                       "since it was made; they stay in the list they are in now:\nTrip: Socks (now "
                                       "in \"Home\")")
                            .arg(kept));
    QVERIFY(!shoot(&identities, QStringLiteral("backup-imported-tasks-known-elsewhere")).isNull());
    BackupDialog twice(page.lists.get(), page.groups.get());
    twice.showInfo(QStringLiteral("Backup completed.\n\n") + BackupDialog::repeatedTaskIdsText({QStringLiteral("Trip")}));
    QVERIFY(!shoot(&twice, QStringLiteral("backup-imported-task-twice")).isNull());
    // A backup that names no account, asked about at its import.
    ServerSettings::instance()->setSettings(QStringLiteral("https://sync.plumdeck.net:8080/plumdeck"),
                                            QStringLiteral("alice"), QStringLiteral("pw"));
    std::unique_ptr<MessageDialog> question(BackupDialog::newOwnBackupQuestion());
    QVERIFY(!shoot(question.get(), QStringLiteral("backup-whose")).isNull());
    BackupDialog refused(page.lists.get(), page.groups.get());
    refused.showWarning(
        QStringLiteral("Error: Impossible to keep your current lists in \"%1\". Nothing was imported.").arg(kept));
    QVERIFY(!shoot(&refused, QStringLiteral("backup-not-kept")).isNull());
}

// The first page of a list as the printer draws it, on a small page.
PLUMDECK_SCREEN(printedPage)
{
    if (blue)
        return; // paper has no skin
    TaskList *list = new TaskList;
    list->setName(QStringLiteral("Groceries"));
    Task *root = list->rootTask();
    const QStringList titles{QStringLiteral("Plums"), QStringLiteral("Pears for the tart on Sunday, the ripe ones "
                                                                     "from the market rather than the supermarket"),
                             QStringLiteral("Bread"), QStringLiteral("Cheese")};
    for (int i = 0; i < titles.size(); ++i)
        root->createChild(i)->setTitle(titles.at(i));
    root->child(0)->setDone(true);
    root->child(1)->setPriority(TaskPriority(TaskPriority::Urgent));
    root->child(1)->setAlarmTime(QDateTime::currentDateTimeUtc());
    root->child(1)->setNote(QDateTime::currentDateTimeUtc(), QStringLiteral("ask for a discount"));
    Task *sub = root->child(2)->createChild(0);
    sub->setTitle(QStringLiteral("Rye, sliced"));
    sub->setPriority(TaskPriority(TaskPriority::Reminder));
    sub->createChild(0)->setTitle(QStringLiteral("from the baker on the corner"));
    root->child(3)->setDone(true);
    ListModel model(list);
    QImage paper(QSize(620, 500), QImage::Format_RGB32);
    paper.fill(Qt::white);
    // Laid out with the print font measured on the paper, as print() does.
    ListPrinter layout(&model, paper.size(), QFontMetrics(ListPrinter::printFont(), &paper));
    QPainter painter(&paper);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(ListPrinter::printFont());
    layout.drawPage(&painter, 1);
    painter.end();
    QLabel page;
    page.setPixmap(QPixmap::fromImage(paper));
    page.setFixedSize(paper.size());
    QVERIFY(!shoot(&page, QStringLiteral("printed-page")).isNull());
    delete model.taskList();
}

// The web engine starts only when pictures are asked for, so that the
// suite's run keeps it to one program.
PLUMDECK_SCREEN(webWindows)
{
    if (qEnvironmentVariableIsEmpty("PLUMDECK_SCREENSHOT_DIR"))
        return;
    WebkitBrowserDialog *help = WebkitBrowserDialog::showHelp(WebkitBrowserDialog::userGuideUrl());
    help->resize(760, 560);
    QSignalSpy loaded(help->webView(), &QWebEngineView::loadFinished);
    QVERIFY(loaded.wait(20000));
    QTest::qWait(300);
    QVERIFY(!shoot(help, QStringLiteral("help-window")).isNull());
    delete help;

    WebkitPlayerDialog player(400, 300);
    player.animation()->start(); // as load() does
    QVERIFY(!shoot(&player, QStringLiteral("player-loading")).isNull());
    QMetaObject::invokeMethod(&player, "onTitleChanged", Q_ARG(QString, QStringLiteral("FlashNotInstalled")));
    QVERIFY(!shoot(&player, QStringLiteral("player-failed")).isNull());
}

// The same windows where the web engine cannot start (its helper program is
// missing here): the guide as plain text, the video offered to the browser.
PLUMDECK_SCREEN(webWindowsWithoutEngine)
{
    const QByteArray helper = qgetenv("QTWEBENGINE_PROCESS_PATH");
    qputenv("QTWEBENGINE_PROCESS_PATH", "/nonexistent/QtWebEngineProcess");
    WebkitBrowserDialog *help = WebkitBrowserDialog::showHelp(WebkitBrowserDialog::userGuideUrl());
    WebkitPlayerDialog player(400, 300);
    if (helper.isEmpty())
        qunsetenv("QTWEBENGINE_PROCESS_PATH");
    else
        qputenv("QTWEBENGINE_PROCESS_PATH", helper);
    help->resize(760, 560);
    QTRY_COMPARE(help->windowTitle(), QStringLiteral("Plumdeck User Guide"));
    QVERIFY(!shoot(help, QStringLiteral("help-window-plain")).isNull());
    delete help;
    player.load(QStringLiteral("http://player.example/index.php?file=http%3A%2F%2Fv.example%2Fc.flv"));
    QVERIFY(!shoot(&player, QStringLiteral("player-no-engine")).isNull());
}

namespace {

QDateTime localMoment(int day, int hour, int minute)
{
    return QDateTime(QDate(2026, 5, day), QTime(hour, minute), Qt::LocalTime).toUTC();
}

} // namespace

PLUMDECK_SCREEN(taskTimes)
{
    QDateTime start = localMoment(5, 8, 0);
    QDateTime end = localMoment(5, 9, 30);
    QDateTime alarm = localMoment(5, 7, 45);
    TimeManagementDialog calendar(&start, &end, &alarm);
    calendar.setupButtons(true);
    QVERIFY(!shoot(&calendar, QStringLiteral("calendar")).isNull());
    QDateTime later = localMoment(5, 8, 0);
    QDateTime noAlarm;
    TimeManagementDialog refused(&later, &later, &noAlarm);
    refused.setupButtons(true);
    refused.setErrorText(QStringLiteral("End time should be later than start time."));
    QVERIFY(!shoot(&refused, QStringLiteral("calendar-refused")).isNull());

    DateWidget date(QDate(2026, 5, 5));
    QVERIFY(!shoot(date.popup(), QStringLiteral("calendar-popup")).isNull());

    QDateTime set = localMoment(6, 8, 0);
    AlarmDialog alarmDialog(&set);
    alarmDialog.setupButtons(true);
    QVERIFY(!shoot(&alarmDialog, QStringLiteral("alarm")).isNull());
    QDateTime readOnly = localMoment(6, 8, 0);
    AlarmDialog readOnlyDialog(&readOnly);
    readOnlyDialog.setupButtons(false);
    QVERIFY(!shoot(&readOnlyDialog, QStringLiteral("alarm-read-only")).isNull());
}

PLUMDECK_SCREEN(alarmsDue)
{
    ListsPage page;
    page.build(QStringLiteral("Home Work"));
    AlarmOccurrenceSet set;
    int i = 0;
    for (const QString &name : {QStringLiteral("Home"), QStringLiteral("Work")}) {
        ListModel *model = page.list(name);
        auto *task = new Task;
        task->setTitle(i == 0 ? QStringLiteral("Call the plumber") : QStringLiteral("Send the weekly report"));
        task->setAlarmTime(localMoment(5, 9, 15 * i));
        model->taskList()->rootTask()->insertChild(task, 0);
        set.insert(AlarmOccurrence(model, task));
        ++i;
    }
    AlarmsOccurredDialog dialog;
    dialog.addAlarms(set);
    dialog.resize(380, 200);
    QVERIFY(!shoot(&dialog, QStringLiteral("alarms-due")).isNull());
    dialog.done(QDialog::Accepted);
}

PLUMDECK_SCREEN(notes)
{
    TaskNote empty;
    NoteDialog add(&empty);
    add.setupButtons(true);
    QVERIFY(!shoot(&add, QStringLiteral("note-add")).isNull());
    TaskNote note(localMoment(5, 14, 7), QStringLiteral("Ask for the spare key.\nThe code for the gate is on the card."));
    NoteDialog edit(&note);
    edit.setupButtons(true);
    QVERIFY(!shoot(&edit, QStringLiteral("note-edit")).isNull());
}

PLUMDECK_SCREEN(taskInfo)
{
    ListsPage page;
    page.build(QStringLiteral("Home"));
    ListModel *model = page.list(QStringLiteral("Home"));
    model->taskList()->setPermissions(QStringLiteral("rwd"));
    auto *task = new Task;
    task->setTitle(QStringLiteral("Renew the car insurance"));
    task->setStartTime(localMoment(5, 8, 0));
    task->setDueTime(localMoment(5, 9, 30));
    task->setAlarmTime(localMoment(5, 7, 45));
    task->setCreatedBy(QStringLiteral("ann"));
    task->setCreationTime(localMoment(1, 10, 12));
    task->setPriority(TaskPriority(TaskPriority::Urgent));
    task->setNote(TaskNote(localMoment(2, 11, 0), QStringLiteral("Compare two offers first.")));
    task->assign(QStringLiteral("bob"));
    task->assign(QStringLiteral("cy"));
    task->setRevision(3);
    model->taskList()->rootTask()->insertChild(task, 0);
    TaskInfoDialog dialog(nullptr);
    dialog.selectedTaskChanged(task, model);
    QVERIFY(!shoot(&dialog, QStringLiteral("task-info")).isNull());
    // While its list synchronises: typing kept, fields read-only, and why.
    dialog.noteEdit()->setPlainText(QStringLiteral("Compare two offers first. Ask Bo"));
    model->setSynchronizing(true);
    dialog.updateInfo();
    QVERIFY(!shoot(&dialog, QStringLiteral("task-info-syncing")).isNull());
    // The run brings a copy of the list without the task (removed on another
    // computer): the typing stays, nothing saves it, and the notice says why.
    TaskList *fetched = TaskList::create();
    fetched->setName(QStringLiteral("Home"));
    fetched->setPermissions(QStringLiteral("rwd"));
    page.lists->replaceList(model, fetched);
    model->setSynchronizing(false);
    dialog.updateInfo();
    QVERIFY(!shoot(&dialog, QStringLiteral("task-info-removed")).isNull());
    // The run's settling of moves took the task into another list: the form
    // follows it there, with the typing.
    {
        struct Holder : TaskTreeOwner
        {
            UserLists *lists;
            bool isSyncing() const override { return false; }
            void showNoteDialog() override {}
            void showAlarmDialog() override {}
            void showTimeManagementDialog() override {}
            void openTaskLink() override {}
            void playTaskVideo() override {}
            void showTaskContextMenu(const QPoint &) override {}
            void onCancelSingleListSync(ListModel *) override {}
            ListModel *listHolding(const TaskList *list) const override
            {
                for (ListModel *model : lists->models())
                    if (model->taskList() == list)
                        return model;
                return nullptr;
            }
        } holder;
        holder.lists = page.lists.get();
        ListModel *work = page.addList(QStringLiteral("Work"));
        work->taskList()->setPermissions(QStringLiteral("rwd"));
        auto *movedHere = new Task;
        movedHere->setTitle(QStringLiteral("Call the garage"));
        work->taskList()->rootTask()->insertChild(movedHere, 0);
        Task *left = movedHere->clone();
        model->taskList()->rootTask()->insertChild(left, 0);
        TaskInfoDialog follows(&holder);
        follows.selectedTaskChanged(left, model);
        follows.noteEdit()->setPlainText(QStringLiteral("Ask about the brakes too"));
        model->setSynchronizing(true);
        TaskList *home = model->taskList();
        std::unique_ptr<Task> taken(home->rootTask()->takeChild(left));
        home->recordMovedTask(taken.get(), work->taskList(), movedHere);
        model->markEditedAndReset();
        follows.selectedTaskChanged(nullptr, model);
        model->setSynchronizing(false);
        follows.updateInfo();
        QVERIFY(!shoot(&follows, QStringLiteral("task-info-moved")).isNull());
    }
    // A run takes a whole list away that is no longer shared with the user.
    ListModel *shared = page.addList(QStringLiteral("Garden"));
    shared->taskList()->setOwned(false);
    shared->taskList()->setPermissions(QStringLiteral("rw"));
    auto *weed = new Task;
    weed->setTitle(QStringLiteral("Weed the beds"));
    weed->setCreatedBy(QStringLiteral("bob"));
    shared->taskList()->rootTask()->insertChild(weed, 0);
    TaskInfoDialog sharedInfo(nullptr);
    sharedInfo.selectedTaskChanged(weed, shared);
    sharedInfo.noteEdit()->setPlainText(QStringLiteral("Leave the mint"));
    shared->setSynchronizing(true);
    sharedInfo.listRemoved(shared);
    page.lists->purgeList(shared->taskList());
    QVERIFY(!shoot(&sharedInfo, QStringLiteral("task-info-list-unshared")).isNull());
}

PLUMDECK_SCREEN(smallQuestions)
{
    DeleteChildrenDialog question;
    QVERIFY(!shoot(&question, QStringLiteral("remove-subtasks")).isNull());
    RenameListDialog rename(QStringLiteral("Groceries"));
    QVERIFY(!shoot(&rename, QStringLiteral("rename-list")).isNull());
}

namespace {

// Four contacts of the signed-in user, read from the local contacts file as
// at start-up, with a presence each.
std::unique_ptr<Friends> screenFriends()
{
    struct Contact
    {
        const char *nick;
        const char *name;
        Presence::State state;
    };
    const Contact contacts[] = {{"anna", "Anna Berg", Presence::Available},
                                {"bob", "Bob Stone", Presence::Busy},
                                {"carol", "Carol Diaz", Presence::Idle},
                                {"dave", "Dave Kim", Presence::Unavailable}};
    QList<User *> users;
    for (const Contact &c : contacts) {
        User *user = User::get(QLatin1String(c.nick));
        user->setFields({{QStringLiteral("user-nick"), QLatin1String(c.nick)},
                         {QStringLiteral("user-real-name"), QLatin1String(c.name)}});
        users << user;
    }
    {
        QFile file(Friends::localFilePath());
        if (!file.open(QIODevice::WriteOnly))
            return nullptr;
        FriendsReaderWriter().writeLocalUserDataToDevice(users, &file);
    }
    auto friends = std::make_unique<Friends>();
    friends->load();
    for (int i = 0; i < users.size(); ++i)
        users.at(i)->setPresence(Presence(contacts[i].state, QString()));
    return friends;
}

// "Garden plan", the user's own, shared with two contacts; "Team trip",
// shared with the user by dora.
void writeSharedLists()
{
    UserLists lists;
    ListModel *garden = lists.createList();
    garden->taskList()->setName(QStringLiteral("Garden plan"));
    garden->taskList()->setLocalId(1);
    garden->taskList()->setRevision(12);
    garden->taskList()->setDescription(QStringLiteral("Beds, trees and the shed, before May."));
    Task *root = garden->taskList()->rootTask();
    root->deleteChildren();
    for (const char *title : {"Buy seeds", "Prune the plum tree", "Paint the shed"})
        root->createChild(root->childCount())->setTitle(QLatin1String(title));
    root->child(0)->setDone(true);
    root->child(1)->assign(QStringLiteral("bob"));
    garden->loadSharedUser(QStringLiteral("bob"), QStringLiteral("rwd"));
    garden->loadSharedUser(QStringLiteral("carol"), QStringLiteral("r"));
    ListModel *trip = lists.createList();
    trip->taskList()->setName(QStringLiteral("Team trip"));
    trip->taskList()->setLocalId(2);
    trip->taskList()->setOwned(false);
    trip->taskList()->setOwner(QStringLiteral("dora"));
    trip->taskList()->setPermissions(QStringLiteral("rw"));
    QFile::remove(ListsUI::listsGroupsFilePath());
    lists.save(ListsUI::listsFilePath());
}

struct SharingPage
{
    SharingPage()
    {
        writeSharedLists();
        Friends *friends = screenFriends().release();
        friends->setParent(&models);
        models.setFriends(friends);
        page = std::make_unique<ListsUI>(&models, nullptr, nullptr);
    }
    ListModel *list(int i) const { return page->userLists()->models().at(i); }

    ModelsContainer models;
    std::unique_ptr<ListsUI> page;
};

} // namespace

PLUMDECK_SCREEN(userPickers)
{
    SharingPage sharing;
    ShareFriendsContainer share(nullptr, sharing.models.friends(), true);
    share.createContents(true);
    share.setListModel(sharing.list(0));
    share.resize(360, 180);
    QVERIFY(!shoot(&share, QStringLiteral("sharing-picker")).isNull());
    share.friendsWidget()->onFriendWidgetInfoClicked(share.friendsWidget()->friendWidgets().at(1));
    share.resize(360, 300);
    QVERIFY(!shoot(&share, QStringLiteral("sharing-picker-details")).isNull());
}

PLUMDECK_SCREEN(listInfo)
{
    SharingPage sharing;
    sharing.page->setCurrentList(sharing.list(0));
    ListInfoDialog own(sharing.page.get());
    own.updateInfo();
    QVERIFY(!shoot(&own, QStringLiteral("list-info")).isNull());
    sharing.list(0)->setSynchronizing(true);
    own.updateInfo();
    QVERIFY(!shoot(&own, QStringLiteral("list-info-syncing")).isNull());
    sharing.list(0)->setSynchronizing(false);
    sharing.page->setCurrentList(sharing.list(1));
    ListInfoDialog theirs(sharing.page.get());
    theirs.updateInfo();
    QVERIFY(!shoot(&theirs, QStringLiteral("list-info-shared")).isNull());
    // A description typed for the shared list, which a run then takes away
    // (no longer shared with the user): kept on show, read-only, and why.
    theirs.descriptionEdit()->setPlainText(QStringLiteral("Seeds first"));
    sharing.list(1)->setSynchronizing(true);
    QVERIFY(theirs.listRemoved(sharing.list(1)));
    QVERIFY(!shoot(&theirs, QStringLiteral("list-info-unshared")).isNull());
    sharing.list(1)->setSynchronizing(false);
}

PLUMDECK_SCREEN(listSharing)
{
    SharingPage sharing;
    ListSharingUsersDialog own(sharing.page.get());
    own.selectedListChanged(sharing.list(0));
    QVERIFY(!shoot(&own, QStringLiteral("list-sharing")).isNull());
    ListSharingUsersDialog theirs(sharing.page.get());
    theirs.selectedListChanged(sharing.list(1));
    QVERIFY(!shoot(&theirs, QStringLiteral("list-sharing-not-owned")).isNull());
}

PLUMDECK_SCREEN(taskAssignments)
{
    SharingPage sharing;
    ListModel *garden = sharing.list(0);
    TaskAssignmentsDialog dialog(sharing.page.get());
    dialog.selectedTaskChanged(garden->taskForIndex(garden->index(1, 0)), garden);
    QVERIFY(!shoot(&dialog, QStringLiteral("task-assignments")).isNull());
    ListModel *trip = sharing.list(1);
    TaskAssignmentsDialog theirs(sharing.page.get());
    theirs.selectedTaskChanged(trip->taskForIndex(trip->index(0, 0)), trip);
    QVERIFY(!shoot(&theirs, QStringLiteral("task-assignments-not-owned")).isNull());
}
