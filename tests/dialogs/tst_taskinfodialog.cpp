// The task information form over a list model: what it shows, what its
// editors change (and that refreshing changes nothing), read-only lists, the
// assignee row with its chat button, and undo or removal while it is open.

#include "core/clock.h"
#include "core/serversettings.h"
#include "dialogs/assigneechat.h"
#include "dialogstest.h"
#include "dialogs/taskinfodialog.h"
#include "lists/tasktreeowner.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "shell/pdtextedit.h"
#include "shell/toolbutton.h"
#include "testenvironment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTest>

namespace {

class Owner : public TaskTreeOwner
{
public:
    int calendar = 0;
    int alarm = 0;
    QList<ListModel *> lists;
    bool isSyncing() const override { return false; }
    void showNoteDialog() override {}
    void showAlarmDialog() override { ++alarm; }
    void showTimeManagementDialog() override { ++calendar; }
    void openTaskLink() override {}
    void playTaskVideo() override {}
    void showTaskContextMenu(const QPoint &) override {}
    void onCancelSingleListSync(ListModel *) override {}
    ListModel *listHolding(const TaskList *list) const override
    {
        for (ListModel *model : lists)
            if (model->taskList() == list)
                return model;
        return nullptr;
    }
};

class Chat : public AssigneeChat
{
public:
    QStringList friends;
    QStringList started;
    bool canChatWith(const QString &nick) const override { return friends.contains(nick); }
    void startChatWith(const QString &nick) override { started << nick; }
};

// The model leaves its list, whichever it shows by then, to its owner: this
// one, once the dialog is gone.
struct ListOwner
{
    ListModel *model;
    ~ListOwner() { delete model->taskList(); }
};

struct Fixture
{
    ListModel model{new TaskList};
    ListOwner listOwner{&model};
    Owner owner;
    TaskInfoDialog dialog{&owner};
    Task *task;

    explicit Fixture(const QString &permissions = QStringLiteral("rwd"))
    {
        model.taskList()->setPermissions(permissions);
        task = add(QStringLiteral("Pay rent"));
        add(QStringLiteral("Water plants"));
        dialog.selectedTaskChanged(task, &model);
    }
    Task *add(const QString &title)
    {
        auto *t = new Task;
        t->setTitle(title);
        model.taskList()->rootTask()->insertChild(t, model.taskList()->rootTask()->childCount());
        return t;
    }
};

} // namespace

class TstTaskInfoDialog : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QSettings().setValue(QStringLiteral("ui/time-format-24"), true);
        ServerSettings::instance()->setUserName(QStringLiteral("ann"));
    }
    void cleanup() { Clock::reset(); }

    void emptyTaskShowsPlaceholders()
    {
        Fixture f;
        QCOMPARE(f.dialog.titleEdit()->toPlainText(), QStringLiteral("Pay rent"));
        QCOMPARE(f.dialog.startLabel()->text(), QStringLiteral("unset"));
        QCOMPARE(f.dialog.endLabel()->text(), QStringLiteral("unset"));
        QCOMPARE(f.dialog.alarmLabel()->text(), QStringLiteral("unset"));
        QCOMPARE(f.dialog.createdByLabel()->text(), QStringLiteral("no value"));
        QCOMPARE(f.dialog.creationTimeLabel()->text(), QStringLiteral("no value"));
        QCOMPARE(f.dialog.revisionLabel()->text(), QStringLiteral("No revision"));
        QCOMPARE(f.dialog.assignedToLabel()->text(), QStringLiteral("None"));
        QCOMPARE(f.dialog.priorityBox()->objectName(), QStringLiteral("priorityCheckBox"));
        QCOMPARE(f.dialog.titleEdit()->objectName(), QStringLiteral("textEdit"));
        QCOMPARE(f.dialog.noteEdit()->objectName(), QStringLiteral("noteEdit"));
    }

    void timesInLocalTimeByTheSetting_data()
    {
        QTest::addColumn<bool>("format24");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("24 h") << true << " 19:05";
        QTest::newRow("12 h") << false << " 7:05 pm";
    }
    void timesInLocalTimeByTheSetting()
    {
        QFETCH(bool, format24);
        QFETCH(QString, suffix);
        QSettings().setValue(QStringLiteral("ui/time-format-24"), format24);
        Fixture f;
        f.task->setStartTime(QDateTime(QDate(2026, 7, 1), QTime(19, 5), Qt::LocalTime).toUTC());
        f.dialog.updateInfo();
        QVERIFY2(f.dialog.startLabel()->text().endsWith(suffix), qPrintable(f.dialog.startLabel()->text()));
    }

    void alarmClockColour()
    {
        Fixture f;
        const QDateTime now(QDate(2026, 7, 1), QTime(12, 0), Qt::UTC);
        Clock::setFixedTime(now);
        f.task->setAlarmTime(now.addSecs(60));
        f.dialog.updateInfo();
        QCOMPARE(f.dialog.alarmImage(), QStringLiteral("red-clock"));
        Clock::setFixedTime(now.addSecs(120));
        f.dialog.updateInfo();
        QCOMPARE(f.dialog.alarmImage(), QStringLiteral("green-clock"));
        // Another task without alarm shows the neutral clock again.
        f.dialog.selectedTaskChanged(f.model.taskList()->rootTask()->child(1), &f.model);
        QCOMPARE(f.dialog.alarmImage(), QStringLiteral("red-clock"));
    }

    void refreshingWritesNothing()
    {
        Fixture f;
        Task *other = f.model.taskList()->rootTask()->child(1);
        other->setDone(true);
        other->setDoneBy(QStringLiteral("bob"));
        other->setPriority(TaskPriority(TaskPriority::Reminder));
        f.model.taskList()->setSyncStatus(TaskList::Unedited);
        const int undo = f.model.undoIndex();
        f.dialog.selectedTaskChanged(other, &f.model);
        QVERIFY(f.dialog.doneBox()->isChecked());
        QCOMPARE(f.dialog.priorityBox()->currentIndex(), 2);
        QCOMPARE(other->doneBy(), QStringLiteral("bob"));
        QCOMPARE(f.model.undoIndex(), undo);
        QCOMPARE(f.model.taskList()->syncStatus(), TaskList::Unedited);
    }

    void editsGoThroughTheModel()
    {
        Fixture f;
        f.dialog.show();
        QTest::mouseClick(f.dialog.doneBox(), Qt::LeftButton);
        QVERIFY(f.task->isDone());
        f.dialog.priorityBox()->setCurrentIndex(1);
        QCOMPARE(f.task->priority(), TaskPriority(TaskPriority::Urgent));
        f.dialog.priorityBox()->setCurrentIndex(2);
        QCOMPARE(f.task->priority(), TaskPriority(TaskPriority::Reminder));
        f.dialog.priorityBox()->setCurrentIndex(0);
        QCOMPARE(f.task->priority(), TaskPriority(TaskPriority::None));
        f.dialog.titleEdit()->setPlainText(QStringLiteral(" Pay rent today "));
        QTest::mouseClick(f.dialog.saveTitleButton(), Qt::LeftButton);
        QCOMPARE(f.task->title(), QStringLiteral(" Pay rent today "));
        QTest::mouseClick(f.dialog.startCalendarButton(), Qt::LeftButton);
        QTest::mouseClick(f.dialog.endCalendarButton(), Qt::LeftButton);
        QTest::mouseClick(f.dialog.alarmButton(), Qt::LeftButton);
        QCOMPARE(f.owner.calendar, 2);
        QCOMPARE(f.owner.alarm, 1);
    }

    // A note keeps the time it was first saved; the text is stored trimmed.
    void savingTheNote()
    {
        Fixture f;
        f.dialog.show();
        const QDateTime now(QDate(2026, 7, 1), QTime(12, 0), Qt::UTC);
        Clock::setFixedTime(now);
        f.dialog.noteEdit()->setPlainText(QStringLiteral("Keep the receipt"));
        QTest::mouseClick(f.dialog.saveNoteButton(), Qt::LeftButton);
        QCOMPARE(f.task->note().addedTime(), now);
        Clock::setFixedTime(now.addDays(1));
        f.dialog.noteEdit()->setPlainText(QStringLiteral("  Keep the receipt, file it  "));
        QTest::mouseClick(f.dialog.saveNoteButton(), Qt::LeftButton);
        QCOMPARE(f.task->note().addedTime(), now);
        QCOMPARE(f.task->note().text(), QStringLiteral("Keep the receipt, file it"));
        QTest::mouseClick(f.dialog.deleteNoteButton(), Qt::LeftButton);
        QVERIFY(!f.task->hasNote());
    }

    // Save on a field left as the task has it changes nothing: no note is
    // made for an empty field, and the task gets no new modification time
    // (which would make its list upload a new revision).
    void savingUnchangedChangesNothing_data()
    {
        QTest::addColumn<bool>("inNote");
        QTest::newRow("empty note") << true;
        QTest::newRow("title") << false;
    }
    void savingUnchangedChangesNothing()
    {
        QFETCH(bool, inNote);
        Fixture f;
        const QDateTime before(QDate(2026, 7, 1), QTime(12, 0), Qt::UTC);
        f.task->setModificationTime(before);
        f.model.taskList()->setSyncStatus(TaskList::Unedited);
        f.dialog.updateInfo();
        f.dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.dialog));
        const int undo = f.model.undoIndex();
        Clock::setFixedTime(before.addDays(1));
        QTest::mouseClick(inNote ? f.dialog.saveNoteButton() : f.dialog.saveTitleButton(), Qt::LeftButton);
        QVERIFY(!f.task->hasNote());
        QCOMPARE(f.task->title(), QStringLiteral("Pay rent"));
        QCOMPARE(f.task->modificationTime(), before);
        QCOMPARE(f.model.undoIndex(), undo);
        QCOMPARE(f.model.taskList()->syncStatus(), TaskList::Unedited);
    }

    void readOnlyList()
    {
        Fixture f(QStringLiteral("r"));
        QVERIFY(f.dialog.titleEdit()->isReadOnly());
        QVERIFY(f.dialog.noteEdit()->isReadOnly());
        for (QWidget *w : std::initializer_list<QWidget *>{f.dialog.saveTitleButton(), f.dialog.saveNoteButton(),
                                                          f.dialog.deleteNoteButton(), f.dialog.alarmButton(),
                                                          f.dialog.startCalendarButton(), f.dialog.endCalendarButton()})
            QVERIFY(w->isHidden());
        QVERIFY(!f.dialog.doneBox()->isEnabled());
        QVERIFY(!f.dialog.priorityBox()->isEnabled());
    }

    // The chat button stands beside any assignee but the user while
    // connected; pressing it chats with a contact, and tells the user when
    // the assignee is none.
    void assignees_data()
    {
        QTest::addColumn<QStringList>("nicks");
        QTest::addColumn<QStringList>("friends");
        QTest::addColumn<bool>("owned");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("chat");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("more");
        QTest::addColumn<bool>("viewAllEnabled");
        const QString notFriend = QStringLiteral("The user the task is assigned to is not in your friends list");
        QTest::newRow("me") << QStringList{"ann"} << QStringList{"ann"} << true << "ann (me)" << false << ""
                            << "" << false;
        QTest::newRow("friend") << QStringList{"bob"} << QStringList{"bob"} << true << "bob" << true << "" << ""
                                << false;
        QTest::newRow("stranger") << QStringList{"eve"} << QStringList{"bob"} << true << "eve" << true << notFriend
                                  << "" << false;
        QTest::newRow("none") << QStringList{} << QStringList{"bob"} << true << "None" << false << "" << ""
                              << false;
        QTest::newRow("three, owned") << QStringList{"bob", "cy", "dee"} << QStringList{"bob"} << true << "bob"
                                      << true << "" << "(2)More" << true;
        QTest::newRow("three, shared") << QStringList{"bob", "cy", "dee"} << QStringList{"bob"} << false << "bob"
                                       << true << "" << "(2)More" << false;
        QTest::newRow("three, stranger first") << QStringList{"eve", "bob", "cy"} << QStringList{"bob"} << true
                                               << "eve" << true << notFriend << "(2)More" << true;
    }
    void assignees()
    {
        QFETCH(QStringList, nicks);
        QFETCH(QStringList, friends);
        QFETCH(bool, owned);
        QFETCH(QString, shown);
        QFETCH(bool, chat);
        QFETCH(QString, box);
        QFETCH(QString, more);
        QFETCH(bool, viewAllEnabled);
        Fixture f;
        Chat chatter;
        chatter.friends = friends;
        f.model.taskList()->setOwned(owned);
        for (const QString &nick : nicks)
            f.task->assign(nick);
        f.dialog.setAssigneeChat(&chatter);
        f.dialog.updateInfo();
        f.dialog.onConnected();
        QCOMPARE(f.dialog.assignedToLabel()->text(), shown);
        QCOMPARE(!f.dialog.chatButton()->isHidden(), chat);
        QCOMPARE(f.dialog.moreAssigneesLabel()->text(), more);
        QCOMPARE(!f.dialog.viewAllButton()->isHidden(), !more.isEmpty());
        if (!more.isEmpty())
            QCOMPARE(f.dialog.viewAllButton()->isEnabled(), viewAllEnabled);
        if (chat) {
            f.dialog.show();
            DialogsTest::Answer answer(true);
            QTest::mouseClick(f.dialog.chatButton(), Qt::LeftButton);
            QCOMPARE(answer.text, box);
            QCOMPARE(chatter.started, box.isEmpty() ? QStringList{nicks.first()} : QStringList());
        }
        f.dialog.onDisconnected();
        QVERIFY(f.dialog.chatButton()->isHidden());
    }

    // Every label, field and button of the form has a place of its own: none
    // is drawn over another, whatever the assignee row holds, docked narrow
    // or floating.
    void nothingDrawnOverAnother_data()
    {
        QTest::addColumn<QStringList>("nicks");
        QTest::addColumn<int>("width");
        QTest::newRow("no assignee") << QStringList{} << 250;
        QTest::newRow("one assignee") << QStringList{"bob"} << 250;
        QTest::newRow("three assignees") << QStringList{"bob", "cy", "dee"} << 250;
        QTest::newRow("three assignees, wide") << QStringList{"bob", "cy", "dee"} << 420;
    }
    void nothingDrawnOverAnother()
    {
        QFETCH(QStringList, nicks);
        QFETCH(int, width);
        Fixture f;
        Chat chatter;
        f.dialog.setAssigneeChat(&chatter);
        f.task->setDoneBy(QStringLiteral("carol"));
        for (const QString &nick : nicks)
            f.task->assign(nick);
        f.dialog.updateInfo();
        f.dialog.onConnected();
        f.dialog.resize(width, 700);
        f.dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.dialog));
        auto *frame = f.dialog.findChild<QWidget *>(QStringLiteral("dialogFrame"));
        QVERIFY(frame);
        QList<QWidget *> shown;
        for (QWidget *w : frame->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
            if (w->isVisible() && !w->size().isEmpty())
                shown << w;
        }
        // Every value has its place in the form.
        for (QLabel *value : {f.dialog.startLabel(), f.dialog.endLabel(), f.dialog.alarmLabel(),
                              f.dialog.revisionLabel(), f.dialog.createdByLabel(), f.dialog.creationTimeLabel(),
                              f.dialog.modifiedByLabel(), f.dialog.modificationTimeLabel(), f.dialog.doneByLabel(),
                              f.dialog.assignedToLabel()})
            QVERIFY2(shown.contains(value), qPrintable(value->text()));
        for (int i = 0; i < shown.size(); ++i) {
            for (int j = i + 1; j < shown.size(); ++j) {
                const auto name = [](QWidget *w) {
                    auto *label = qobject_cast<QLabel *>(w);
                    return w->objectName() + QLatin1Char(' ') + (label ? label->text() : w->accessibleName());
                };
                QVERIFY2(!shown[i]->geometry().intersects(shown[j]->geometry()),
                         qPrintable(name(shown[i]) + QLatin1String(" over ") + name(shown[j])));
            }
        }
        // The assignee row under its heading, the last of the form.
        QLabel *heading = nullptr;
        for (QLabel *label : frame->findChildren<QLabel *>()) {
            if (label->text() == QLatin1String("Task Assign to:"))
                heading = label;
        }
        QVERIFY(heading);
        QVERIFY(f.dialog.doneByLabel()->geometry().bottom() < heading->geometry().top());
        QVERIFY(heading->geometry().bottom() < f.dialog.assignedToLabel()->geometry().top());
    }

    void withoutTeamModeNoChat()
    {
        Fixture f;
        f.task->assign(QStringLiteral("bob"));
        f.dialog.updateInfo();
        f.dialog.onConnected();
        QVERIFY(f.dialog.chatButton()->isHidden());
    }

    // Undo replaces the whole list: the form lets go of the old task before
    // it is freed and goes on with the list's new copy of it.
    void undoWhileOpen()
    {
        Fixture f;
        // As the program makes tasks: each its own creation second.
        for (int i = 0; i < 2; ++i)
            f.model.taskList()->rootTask()->child(i)->setCreationTime(
                QDateTime::fromSecsSinceEpoch(1700000000 + i, Qt::UTC));
        f.model.saveUndoState();
        f.model.setTaskTitle(f.task, QStringLiteral("Pay rent now"));
        f.model.undo();
        Task *restored = f.model.taskList()->rootTask()->child(0);
        QCOMPARE(f.dialog.task(), restored);
        QCOMPARE(f.dialog.titleEdit()->toPlainText(), QStringLiteral("Pay rent"));
        f.dialog.updateInfo();
        f.model.redo();
        Task *fresh = f.model.taskList()->rootTask()->child(0);
        QCOMPARE(f.dialog.task(), fresh);
        QCOMPARE(f.dialog.titleEdit()->toPlainText(), QStringLiteral("Pay rent now"));
        f.dialog.selectedTaskChanged(fresh, &f.model);
        QCOMPARE(f.dialog.titleEdit()->toPlainText(), QStringLiteral("Pay rent now"));
    }

    // A task a run took out of the list stays "removed on another computer"
    // through later resets that no run makes (an undo of another edit).
    void goneNoticeKeepsItsCause()
    {
        Fixture f;
        f.dialog.show();
        TaskList *fetched = f.model.taskList()->clone();
        delete fetched->rootTask()->takeChild(fetched->rootTask()->child(0));
        f.model.setSynchronizing(true);
        f.model.setTaskList(fetched);
        f.model.setSynchronizing(false);
        f.dialog.updateInfo();
        const QString notice = f.dialog.goneNoticeLabel()->text();
        QVERIFY2(notice.contains(QStringLiteral("removed on another computer")), qPrintable(notice));
        f.model.saveUndoState();
        f.model.setTaskDone(f.model.taskList()->rootTask()->child(0), true);
        f.model.undo();
        f.dialog.updateInfo();
        QCOMPARE(f.dialog.goneNoticeLabel()->text(), notice);
    }

    // A run's settling of moves takes the task into another list: the form
    // goes with it, says so, and keeps the note typed for it there, through
    // a hand of its former list without a task, and after the user chose
    // another task and came back to it.
    void followsATaskMovedToAnotherList()
    {
        Fixture f;
        ListModel work{new TaskList};
        ListOwner workOwner{&work};
        work.taskList()->setPermissions(QStringLiteral("rwd"));
        work.taskList()->setName(QStringLiteral("Work"));
        auto *moved = new Task;
        moved->setTitle(QStringLiteral("Pay rent"));
        work.taskList()->rootTask()->insertChild(moved, 0);
        f.owner.lists = {&f.model, &work};
        f.dialog.show();
        QTest::mouseClick(f.dialog.noteEdit()->viewport(), Qt::LeftButton);
        QTest::keyClicks(f.dialog.noteEdit(), QStringLiteral("Keep the receipt"));

        f.model.setSynchronizing(true);
        TaskList *home = f.model.taskList();
        std::unique_ptr<Task> taken(home->rootTask()->takeChild(f.task));
        home->recordMovedTask(taken.get(), work.taskList(), moved);
        f.model.markEditedAndReset();
        f.dialog.selectedTaskChanged(nullptr, &f.model);
        f.model.setSynchronizing(false);
        f.dialog.updateInfo();
        QCOMPARE(f.dialog.model(), &work);
        QCOMPARE(f.dialog.task(), moved);
        QVERIFY(f.dialog.goneNoticeLabel()->isVisible());
        QVERIFY2(f.dialog.goneNoticeLabel()->text().contains(QStringLiteral("moved to the list \"Work\"")),
                 qPrintable(f.dialog.goneNoticeLabel()->text()));
        QVERIFY(!f.dialog.noteEdit()->isReadOnly());
        QCOMPARE(f.dialog.noteEdit()->toPlainText(), QStringLiteral("Keep the receipt"));
        // The page's alarm and calendar dialogs are its current task's.
        QTest::mouseClick(f.dialog.alarmButton(), Qt::LeftButton);
        QTest::mouseClick(f.dialog.startCalendarButton(), Qt::LeftButton);
        QCOMPARE(f.owner.alarm + f.owner.calendar, 0);

        f.dialog.selectedTaskChanged(home->rootTask()->child(0), &f.model);
        QCOMPARE(f.dialog.noteEdit()->toPlainText(), QString());
        QVERIFY(f.dialog.goneNoticeLabel()->isHidden());
        f.dialog.selectedTaskChanged(moved, &work);
        QCOMPARE(f.dialog.noteEdit()->toPlainText(), QStringLiteral("Keep the receipt"));
        QTest::mouseClick(f.dialog.saveNoteButton(), Qt::LeftButton);
        QCOMPARE(moved->note().text(), QStringLiteral("Keep the receipt"));
        QVERIFY(!home->rootTask()->child(0)->hasNote());
    }

    void removalWhileOpen()
    {
        Fixture f;
        const QModelIndex index = f.model.indexOfTask(f.task);
        f.model.removeRow(index.row(), index.parent());
        QVERIFY(!f.dialog.task());
        f.model.setSynchronizing(true);
        f.dialog.updateInfo();
        f.model.setSynchronizing(false);
        // No task: nothing to type into, and no word of a run or a removal.
        QVERIFY(f.dialog.titleEdit()->isReadOnly());
        QVERIFY(f.dialog.noteEdit()->isReadOnly());
        QVERIFY(f.dialog.syncNoticeLabel()->isHidden());
        QVERIFY(f.dialog.goneNoticeLabel()->isHidden());
        // The form's editors reach no task now.
        f.model.taskList()->setSyncStatus(TaskList::Unedited);
        f.dialog.show();
        QTest::mouseClick(f.dialog.doneBox(), Qt::LeftButton);
        f.dialog.priorityBox()->setCurrentIndex(1);
        QTest::mouseClick(f.dialog.saveTitleButton(), Qt::LeftButton);
        QTest::mouseClick(f.dialog.saveNoteButton(), Qt::LeftButton);
        QTest::mouseClick(f.dialog.deleteNoteButton(), Qt::LeftButton);
        QCOMPARE(f.model.taskList()->syncStatus(), TaskList::Unedited);
        // Removing another task keeps the shown one.
        Task *other = f.model.taskList()->rootTask()->child(0);
        f.dialog.selectedTaskChanged(other, &f.model);
        f.add(QStringLiteral("Spare"));
        const QModelIndex spare = f.model.indexOfTask(f.model.taskList()->rootTask()->child(1));
        f.model.removeRow(spare.row(), spare.parent());
        QCOMPARE(f.dialog.task(), other);
    }

    void closingOnlyAsks()
    {
        Fixture f;
        f.dialog.show();
        int asked = 0;
        connect(&f.dialog, &TaskInfoDialog::closeDialog, this, [&asked] { ++asked; });
        QTest::keyClick(&f.dialog, Qt::Key_Escape);
        QCOMPARE(asked, 1);
        QVERIFY(f.dialog.isVisible());
    }
};

PLUMDECK_TEST_MAIN(TstTaskInfoDialog)
#include "tst_taskinfodialog.moc"
