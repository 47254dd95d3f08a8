// The task dialogs as the lists page opens them: the calendar, alarm and
// note dialogs on the current task (presets, Save, Close), the alarms that
// the minute tick finds, the task information dialog floating or docked,
// across undo, and the links and videos that the tree's icons open.

#include "core/clock.h"
#include "core/options.h"
#include "dialogdriver.h"
#include "dialogs/alarmdialog.h"
#include "dialogs/alarmsoccurreddialog.h"
#include "dialogs/datewidget.h"
#include "dialogs/notedialog.h"
#include "dialogs/taskattachmentsdialog.h"
#include "dialogs/taskattachmentsselector.h"
#include "dialogs/taskinfodialog.h"
#include "dialogs/timemanagementdialog.h"
#include "dialogs/timewidget.h"
#include "lists/commands/taskcommands.h"
#include "lists/listsui.h"
#include "lists/tabwidget.h"
#include "lists/treeview.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/taskattachment.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "shell/pdlineedit.h"
#include "shell/pdtextedit.h"
#include "shell/toolbutton.h"
#include "shell/webkitplayerdialog.h"
#include "testenvironment.h"
#include "treetest.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>

#include <memory>

namespace {

QPushButton *button(QWidget *dialog, const QString &text)
{
    for (QPushButton *b : dialog->findChildren<QPushButton *>()) {
        if (b->text() == text && b->window() == dialog)
            return b;
    }
    return nullptr;
}

// Tomorrow 08:00 local of the fixed "now".
QDateTime tomorrowMorningUtc(const QDateTime &now)
{
    return QDateTime(now.toLocalTime().date().addDays(1), QTime(8, 0), Qt::LocalTime).toUTC();
}

// A lists document with one list of two tasks, each with a creation second
// of its own as the program makes them.
void writeLists()
{
    UserLists lists;
    ListModel *model = lists.createList();
    model->taskList()->setName(QStringLiteral("Home"));
    model->taskList()->setLocalId(1);
    qint64 second = 1700000000;
    for (const QString &title : {QStringLiteral("Pay rent"), QStringLiteral("Water plants")}) {
        auto *task = new Task;
        task->setTitle(title);
        task->setCreationTime(QDateTime::fromSecsSinceEpoch(++second, Qt::UTC));
        model->taskList()->rootTask()->insertChild(task, model->taskList()->rootTask()->childCount());
    }
    QVERIFY(lists.save(ListsUI::listsFilePath()));
}

// Adds a web link through the attachments dialog's Add+ and its form.
void addWebLink(TaskAttachmentsDialog *dialog, const QString &name)
{
    bool saved = false;
    DialogDriver::whenModal([name, &saved](QWidget *form) {
        QVERIFY(QTest::qWaitForWindowExposed(form));
        auto *frame = form->findChild<QFrame *>(QStringLiteral("webElementsFrame"));
        QVERIFY(frame);
        const QList<PDLineEdit *> edits = frame->findChildren<PDLineEdit *>();
        QVERIFY(edits.size() >= 2);
        QTest::keyClicks(edits.at(0), name);
        QTest::keyClicks(edits.at(1), QStringLiteral("http://example.org/") + name);
        QTest::mouseClick(button(form, QStringLiteral("Save")), Qt::LeftButton);
        saved = true;
    });
    QTest::mouseClick(dialog->addButton(), Qt::LeftButton);
    QVERIFY(saved);
}

// The page over that document, its first task current.
struct Page
{
    Page() { ui.currentTreeView()->setCurrentIndex(ui.currentList()->index(0, 0)); }
    bool written = (writeLists(), true);
    ListsUI ui{nullptr, nullptr, nullptr};
};

// How many tasks of the saved lists file hold the typing " before noon ".
int typedTasksSaved(ListsUI &ui)
{
    if (!ui.saveLists())
        return -1;
    std::unique_ptr<UserLists> saved(UserLists::load(ListsUI::listsFilePath()));
    if (!saved)
        return -1;
    int typed = 0;
    for (const Task *task : saved->models().value(0)->taskList()->allTasks())
        typed += task->title().contains(QLatin1String("before noon")) || task->note().text().contains(QLatin1String("before noon"));
    return typed;
}

const char *const linkSchemes[] = {"http", "https", "ftp", "mailto", "file", "smb", "javascript"};

// The centre of the current task's icon cell that shows `code`.
QPoint iconCell(ListsUI &ui, int code)
{
    TreeView *view = ui.currentTreeView();
    const QModelIndex index = view->currentIndex();
    for (int column = ListModel::FirstIconColumn; column <= ListModel::LastIconColumn; ++column) {
        const QModelIndex cell = index.siblingAtColumn(column);
        if (cell.data(ListModel::IconCodeRole).toInt() == code)
            return view->visualRect(cell).center();
    }
    return QPoint(-1, -1);
}

} // namespace

class TstListsUIDialogs : public QObject
{
    Q_OBJECT

public slots:
    void openUrl(const QUrl &url) { m_opened << url; }

private:
    const QDateTime m_now{QDate(2026, 5, 4), QTime(15, 0), Qt::UTC};
    QList<QUrl> m_opened;

private slots:
    void initTestCase()
    {
        for (const char *scheme : linkSchemes)
            QDesktopServices::setUrlHandler(QLatin1String(scheme), this, "openUrl");
    }

    void cleanupTestCase()
    {
        for (const char *scheme : linkSchemes)
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    }

    void init()
    {
        QDir dir = QFileInfo(ListsUI::listsFilePath()).absoluteDir();
        for (const QString &name : dir.entryList(QDir::Files))
            dir.remove(name);
        QSettings().clear();
        Options::resetAll();
        Clock::setFixedTime(m_now);
    }
    void cleanup() { Clock::reset(); }

    void calendarPresetsAndSaves()
    {
        Page page;
        ListsUI &ui = page.ui;
        ListModel *list = ui.currentList();
        const QModelIndex index = ui.currentTreeView()->currentIndex();
        QVERIFY(index.isValid());
        bool seen = false;
        DialogDriver::whenModal([&seen](QWidget *w) {
            auto *dialog = qobject_cast<TimeManagementDialog *>(w);
            QVERIFY(dialog);
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            seen = true;
            QCOMPARE(dialog->startTimeWidget()->time(), QTime(8, 0));
            QCOMPARE(dialog->endTimeWidget()->time(), QTime(8, 30));
            QVERIFY(!dialog->alarmCheckBox()->isChecked());
            QVERIFY(button(dialog, QStringLiteral("Delete")));
            QTest::mouseClick(button(dialog, QStringLiteral("Save")), Qt::LeftButton);
        });
        ui.showTimeManagementDialog();
        QVERIFY(seen);
        QCOMPARE(list->taskStartTime(index), tomorrowMorningUtc(m_now));
        QCOMPARE(list->taskDueTime(index), tomorrowMorningUtc(m_now).addSecs(1800));
        QVERIFY(list->taskAlarmTime(index).isNull());
    }

    void alarmPresetAndSave()
    {
        Page page;
        ListsUI &ui = page.ui;
        ListModel *list = ui.currentList();
        const QModelIndex index = ui.currentTreeView()->currentIndex();
        DialogDriver::whenModal([](QWidget *w) {
            auto *dialog = qobject_cast<AlarmDialog *>(w);
            QVERIFY(dialog);
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            QCOMPARE(dialog->title(), QStringLiteral("Alarm"));
            QTest::mouseClick(button(dialog, QStringLiteral("Save")), Qt::LeftButton);
        });
        ui.showAlarmDialog();
        QCOMPARE(list->taskAlarmTime(index), tomorrowMorningUtc(m_now));
    }

    void noteCloseChangesNothingAndSaveStores()
    {
        Page page;
        ListsUI &ui = page.ui;
        ListModel *list = ui.currentList();
        const QModelIndex index = ui.currentTreeView()->currentIndex();
        const int undo = list->undoIndex();
        DialogDriver::whenModal([](QWidget *w) {
            auto *dialog = qobject_cast<NoteDialog *>(w);
            QVERIFY(dialog);
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            QTest::keyClicks(dialog->editor(), QStringLiteral("Bring the keys"));
            QTest::mouseClick(button(dialog, QStringLiteral("Close")), Qt::LeftButton);
        });
        ui.showNoteDialog();
        QVERIFY(list->taskNote(index).isEmpty());
        QCOMPARE(list->undoIndex(), undo);

        DialogDriver::whenModal([](QWidget *w) {
            auto *dialog = qobject_cast<NoteDialog *>(w);
            QVERIFY(dialog);
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            QTest::keyClicks(dialog->editor(), QStringLiteral("Bring the keys"));
            QTest::mouseClick(button(dialog, QStringLiteral("Save")), Qt::LeftButton);
        });
        ui.showNoteDialog();
        QCOMPARE(list->taskNote(index).text(), QStringLiteral("Bring the keys"));
        QCOMPARE(list->taskNote(index).addedTime(), m_now);
    }

    // Each alarm shows once, in the tick whose window holds it; closing the
    // window dismisses the batch.
    // The calendar, alarm and note dialogs save to the task they were opened
    // on, also when its list changed while they were open: reset with its
    // tasks kept, or every task replaced (as a synchronisation does); a task
    // removed meanwhile takes nothing, and no other task gets the change.
    // What the user left as it was is not written back: a start, end, alarm
    // or note a synchronisation brought meanwhile stays.
    void modalEditFollowsItsTask_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("change");
        for (const char *dialog : {"note", "alarm", "calendar"}) {
            for (const char *change : {"reset", "replaced", "removed", "changed elsewhere"})
                QTest::addRow("%s, task %s", dialog, change) << QString::fromLatin1(dialog)
                                                               << QString::fromLatin1(change);
        }
        // The start alone moved, past the end a run brought: both are written
        // as the dialog checked them, never a start after the end.
        QTest::newRow("calendar, start moved past the end brought elsewhere") << "calendar" << "end brought";
    }
    void modalEditFollowsItsTask()
    {
        QFETCH(QString, dialog);
        QFETCH(QString, change);
        Page page;
        ListsUI &ui = page.ui;
        ListModel *list = ui.currentList();
        ui.currentTask()->setId(41);
        // What the task holds when the dialog opens, and what a run brings
        // while it is open.
        const QDateTime start = tomorrowMorningUtc(m_now).addDays(1);
        const QDateTime brought = start.addDays(1);
        const bool elsewhere = change == QLatin1String("changed elsewhere");
        const bool endBrought = change == QLatin1String("end brought");
        QSettings().setValue(QStringLiteral("ui/time-format-24"), true);
        if (elsewhere || endBrought) {
            Task *task = ui.currentTask();
            task->setStartTime(start);
            task->setDueTime(start.addSecs(3600));
            task->setAlarmTime(start.addSecs(-600));
            task->setNote(TaskNote(m_now, QStringLiteral("Cash")));
        }
        bool seen = false;
        DialogDriver::whenModal([&](QWidget *w) {
            QVERIFY(QTest::qWaitForWindowExposed(w));
            auto *note = qobject_cast<NoteDialog *>(w);
            if (note && !elsewhere)
                QTest::keyClicks(note->editor(), QStringLiteral("Bring the keys"));
            if (change == QLatin1String("reset")) {
                list->markEditedAndReset();
            } else if (change == QLatin1String("replaced")) {
                list->setTaskList(list->taskList()->clone());
            } else if (elsewhere) {
                TaskList *copy = list->taskList()->clone();
                Task *theirs = copy->rootTask()->child(0);
                theirs->setStartTime(brought);
                theirs->setDueTime(brought.addSecs(3600));
                theirs->setAlarmTime(brought.addSecs(-600));
                theirs->setNote(TaskNote(m_now, QStringLiteral("Cheque")));
                list->setTaskList(copy);
                // The calendar's only change: no alarm.
                if (auto *calendar = qobject_cast<TimeManagementDialog *>(w))
                    QTest::mouseClick(calendar->alarmCheckBox(), Qt::LeftButton);
            } else if (endBrought) {
                TaskList *copy = list->taskList()->clone();
                copy->rootTask()->child(0)->setDueTime(start.addSecs(1800));
                list->setTaskList(copy);
                // 08:45, before the end shown (09:00), after the one brought.
                auto *calendar = qobject_cast<TimeManagementDialog *>(w);
                QVERIFY(calendar);
                QVERIFY(QTest::qWaitForWindowActive(calendar));
                QLineEdit *time = calendar->startTimeWidget()->lineEdit();
                time->setFocus();
                time->selectAll();
                QTest::keyClicks(time, QStringLiteral("08:45"));
                QTest::keyClick(time, Qt::Key_Tab);
            } else {
                list->removeRow(0);
            }
            QTest::mouseClick(button(w, QStringLiteral("Save")), Qt::LeftButton);
            seen = true;
        });
        if (dialog == QLatin1String("note"))
            ui.showNoteDialog();
        else if (dialog == QLatin1String("alarm"))
            ui.showAlarmDialog();
        else
            ui.showTimeManagementDialog();
        QVERIFY(seen);
        Task *first = list->taskList()->rootTask()->child(0);
        if (change == QLatin1String("removed")) {
            QCOMPARE(first->title(), QStringLiteral("Water plants"));
            QVERIFY(!first->hasNote());
            QVERIFY(!first->hasAlarm());
            QVERIFY(first->startTime().isNull());
            return;
        }
        QCOMPARE(first->title(), QStringLiteral("Pay rent"));
        if (endBrought) {
            QCOMPARE(first->startTime(), start.addSecs(2700));
            QCOMPARE(first->dueTime(), start.addSecs(3600));
            QCOMPARE(first->alarmTime(), start.addSecs(-600));
            return;
        }
        if (elsewhere) {
            QCOMPARE(first->note().text(), QStringLiteral("Cheque"));
            QCOMPARE(first->startTime(), brought);
            QCOMPARE(first->dueTime(), brought.addSecs(3600));
            if (dialog == QLatin1String("calendar"))
                QVERIFY(!first->hasAlarm());
            else
                QCOMPARE(first->alarmTime(), brought.addSecs(-600));
            return;
        }
        if (dialog == QLatin1String("note"))
            QCOMPARE(first->note().text(), QStringLiteral("Bring the keys"));
        else if (dialog == QLatin1String("alarm"))
            QCOMPARE(first->alarmTime(), tomorrowMorningUtc(m_now));
        else
            QCOMPARE(first->startTime(), tomorrowMorningUtc(m_now));
        QVERIFY(!list->taskList()->rootTask()->child(1)->hasNote());
    }

    void alarmsShowOncePerOccurrence()
    {
        Page page;
        ListsUI &ui = page.ui;
        ListModel *list = ui.currentList();
        const QModelIndex index = ui.currentTreeView()->currentIndex();
        const QDateTime due = m_now.addSecs(120);
        list->setTaskAlarmTime(index, due);
        AlarmsOccurredDialog *alarms = ui.alarmsOccurredDialog();
        QVERIFY(alarms);
        QVERIFY(!alarms->isVisible());
        ui.userLists()->onMinuteTimeout(m_now, m_now.addSecs(60));
        QVERIFY(!alarms->isVisible());
        ui.userLists()->onMinuteTimeout(m_now.addSecs(60), due);
        QVERIFY(alarms->isVisible());
        QCOMPARE(alarms->table()->rowCount(), 1);
        QCOMPARE(alarms->table()->item(0, 0)->text(), list->name());
        ui.userLists()->onMinuteTimeout(due, due.addSecs(60));
        QCOMPARE(alarms->table()->rowCount(), 1);
        QTest::mouseClick(alarms->okButton(), Qt::LeftButton);
        QVERIFY(!alarms->isVisible());
        QCOMPARE(alarms->table()->rowCount(), 0);
        ui.userLists()->onMinuteTimeout(due.addSecs(60), due.addSecs(120));
        QVERIFY(!alarms->isVisible());
    }

    // A link or video in someone else's list reaches the desktop or the
    // player only when it is a web or mail address; a click on the tree's
    // icon follows the same rule as the attachments dialog.
    void treeIconOpensOnlyWebLinks_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("opened");
        QTest::newRow("http") << "webHyperlink" << "http://example.org/a" << true;
        QTest::newRow("https") << "webHyperlink" << "https://example.org/a?b=c" << true;
        QTest::newRow("ftp") << "webHyperlink" << "ftp://files.example.org/a.txt" << true;
        QTest::newRow("mailto") << "webHyperlink" << "mailto:ann@example.org" << true;
        QTest::newRow("upper case") << "webHyperlink" << "HTTPS://example.org/" << true;
        QTest::newRow("local file") << "webHyperlink" << "file:///etc/hostname" << false;
        QTest::newRow("share") << "webHyperlink" << "smb://server/share/run.exe" << false;
        QTest::newRow("script") << "webHyperlink" << "javascript:alert(1)" << false;
        QTest::newRow("video, local file") << "videoHyperlink" << "file:///etc/hostname" << false;
        QTest::newRow("video, script") << "videoHyperlink" << "javascript:alert(1)" << false;
    }

    void treeIconOpensOnlyWebLinks()
    {
        QFETCH(QString, kind);
        QFETCH(QString, address);
        QFETCH(bool, opened);
        Page page;
        ListsUI &ui = page.ui;
        const bool video = kind == QLatin1String("videoHyperlink");
        ui.currentTask()->createAttachment(kind, QStringLiteral("Theirs"), address);
        QWidget *tabs = ui.tabWidget();
        tabs->resize(500, 300);
        tabs->show();
        QVERIFY(QTest::qWaitForWindowExposed(tabs));
        TreeView *view = ui.currentTreeView();
        view->viewport()->update();
        const QPoint icon = iconCell(ui, video ? ListModel::VideoHyperlinkIcon : ListModel::WebHyperlinkIcon);
        QVERIFY(view->viewport()->rect().contains(icon));
        m_opened.clear();
        if (!opened)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Attachment link not opened")));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, icon);
        QCOMPARE(m_opened, opened ? QList<QUrl>{QUrl(address)} : QList<QUrl>());
        QVERIFY(!ui.webkitPlayerDialog());
    }

    void taskInfoFollowsUndo()
    {
        Page page;
        ListsUI &ui = page.ui;
        ListModel *list = ui.currentList();
        ui.showTaskInfoDialog();
        TaskInfoDialog *dialog = ui.taskInfoDialog();
        QVERIFY(dialog);
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->task(), ui.currentTask());
        list->saveUndoState();
        list->setTaskTitle(ui.currentTask(), QStringLiteral("Changed"));
        QCOMPARE(dialog->titleEdit()->toPlainText(), QStringLiteral("Changed"));
        list->undo();
        // The page hands the new current task after the reset.
        QCOMPARE(dialog->task(), ui.currentTask());
        QVERIFY(dialog->task() == list->taskList()->rootTask() || list->taskList()->allTasks().contains(dialog->task()));
        QCOMPARE(dialog->titleEdit()->toPlainText(), ui.currentTask()->title());
        list->redo();
        QCOMPARE(dialog->task(), ui.currentTask());
        QCOMPARE(dialog->titleEdit()->toPlainText(), ui.currentTask()->title());

        // A second request keeps the one instance; Escape closes it.
        ui.showTaskInfoDialog();
        QCOMPARE(ui.taskInfoDialog(), dialog);
        QPointer<TaskInfoDialog> guard(dialog);
        QTest::keyClick(dialog, Qt::Key_Escape);
        QVERIFY(!ui.taskInfoDialog());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(guard.isNull());
    }

    // Adding a link resets the list's views: the second link still goes to
    // the task on show (not to the list's invisible root, which the document
    // never holds), and the info panel goes on showing that task.
    void linksStayOnTheirTask_data()
    {
        QTest::addColumn<bool>("docked");
        QTest::newRow("floating dialog") << false;
        QTest::newRow("docked panel") << true;
    }
    void linksStayOnTheirTask()
    {
        QFETCH(bool, docked);
        Page page;
        ListsUI &ui = page.ui;
        auto *info = qobject_cast<TaskInfoDialog *>(ui.taskInfoPanel());
        QVERIFY(info);
        if (docked)
            ui.taskAttachmentsPanel();
        else
            ui.showTaskAttachmentsDialog();
        TaskAttachmentsDialog *dialog = ui.taskAttachmentsDialog();
        QVERIFY(dialog);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        addWebLink(dialog, QStringLiteral("Lease"));
        QCOMPARE(dialog->selector()->count(), 1);
        QCOMPARE(info->titleEdit()->toPlainText(), QStringLiteral("Pay rent"));
        addWebLink(dialog, QStringLiteral("Receipt"));
        QCOMPARE(dialog->selector()->count(), 2);
        QCOMPARE(info->titleEdit()->toPlainText(), QStringLiteral("Pay rent"));
        QCOMPARE(ui.currentTask()->title(), QStringLiteral("Pay rent"));

        QVERIFY(ui.saveLists());
        std::unique_ptr<UserLists> back(UserLists::load(ListsUI::listsFilePath()));
        QVERIFY(back);
        Task *task = back->models().value(0)->taskList()->rootTask()->child(0);
        QCOMPARE(task->title(), QStringLiteral("Pay rent"));
        QStringList names;
        for (TaskAttachment *attachment : task->attachments())
            names << attachment->name();
        QCOMPARE(names, (QStringList{QStringLiteral("Lease"), QStringLiteral("Receipt")}));
    }

    // What the user types in the title or note field stays there, unsaved,
    // while another field is saved and the form refreshes, also when undo or
    // redo puts a new copy of the whole list in place (after a removal above
    // it, another task takes its row: the form stays on its own task); its
    // own Save stores it. Undo or redo that takes the task out of the list
    // leaves the typing on show and says so; nothing saves it into another
    // task, and the tree makes no other task current in its place, also when
    // the main window takes the focus back. The redo or undo that brings the
    // task back takes the form back to it, the typing editable.
    void typingSurvivesRefresh_data()
    {
        QTest::addColumn<bool>("docked");
        QTest::addColumn<bool>("inNote");
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("then");
        QTest::newRow("note, done ticked") << false << true << "done" << "";
        QTest::newRow("note, priority changed") << false << true << "priority" << "";
        QTest::newRow("note, title saved") << false << true << "save title" << "";
        QTest::newRow("note, link added") << false << true << "link" << "";
        QTest::newRow("note, task moved down") << false << true << "down" << "";
        QTest::newRow("note, task indented") << false << true << "indent" << "";
        QTest::newRow("title, done ticked") << false << false << "done" << "";
        QTest::newRow("title, note saved") << false << false << "save note" << "";
        QTest::newRow("docked, note, undo") << true << true << "undo" << "";
        QTest::newRow("docked, title, undo") << true << false << "undo" << "";
        QTest::newRow("docked, note, redo") << true << true << "redo" << "";
        QTest::newRow("floating, note, undo") << false << true << "undo" << "";
        QTest::newRow("docked, note, undo after a removal above") << true << true << "undo after removal" << "";
        QTest::newRow("floating, title, undo after a removal above") << false << false << "undo after removal" << "";
        QTest::newRow("docked, note, undo takes it away") << true << true << "undone away" << "";
        QTest::newRow("floating, title, undo takes it away") << false << false << "undone away" << "";
        QTest::newRow("docked, title, redo takes it away") << true << false << "redone away" << "";
        QTest::newRow("floating, note, redo takes it away") << false << true << "redone away" << "";
        QTest::newRow("docked, note, undo takes it away, main window active again")
            << true << true << "undone away" << "refocus";
        QTest::newRow("floating, title, redo takes it away, main window active again")
            << false << false << "redone away" << "refocus";
        QTest::newRow("docked, note, undo takes it away, redo brings it back")
            << true << true << "undone away" << "back";
        QTest::newRow("floating, title, redo takes it away, undo brings it back")
            << false << false << "redone away" << "back";
        // Removed here, then undone: the typing comes back with its task.
        QTest::newRow("docked, note, removed with Delete, undo") << true << true << "removed here" << "undo";
        QTest::newRow("floating, title, removed with Delete, undo") << false << false << "removed here" << "undo";
        QTest::newRow("docked, title, Remove task, undo") << true << false << "remove task" << "undo";
        QTest::newRow("floating, note, Remove task, undo, redo, undo") << false << true << "remove task"
                                                                        << "undo, redo, undo";
    }
    void typingSurvivesRefresh()
    {
        QFETCH(bool, docked);
        QFETCH(bool, inNote);
        QFETCH(QString, step);
        QFETCH(QString, then);
        Page page;
        ListsUI &ui = page.ui;
        TreeView *tree = ui.currentTreeView();
        ListModel *list = ui.currentList();
        if (!then.isEmpty()) {
            // The user works in the tree: its window keeps the focus there.
            tree->window()->show();
            tree->window()->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(tree->window()));
            tree->setFocus();
        }
        if (step == QLatin1String("indent"))
            tree->setCurrentIndex(list->index(1, 0));
        if (step == QLatin1String("undo after removal")) {
            // "Pay rent" removed: "Water plants" takes its row.
            QTest::keyClick(tree, Qt::Key_Delete);
            QCOMPARE(ui.currentTask()->title(), QStringLiteral("Water plants"));
        } else if (step == QLatin1String("undone away")) {
            auto *made = new Task;
            made->setTitle(QStringLiteral("Call mum"));
            made->setCreationTime(QDateTime::fromSecsSinceEpoch(1800000000, Qt::UTC));
            list->appendTask(made);
            tree->setCurrentIndex(list->indexOfTask(made));
        } else if (step == QLatin1String("redone away")) {
            // "Water plants" removed and brought back: a step to redo.
            QTest::keyClick(tree, Qt::Key_Down);
            QTest::keyClick(tree, Qt::Key_Delete);
            ui.findChild<UndoAction *>()->trigger();
            QCOMPARE(TreeTest::write(list->taskList()->rootTask()), QStringLiteral("Pay rent Water plants"));
            QCOMPARE(ui.currentTask()->title(), QStringLiteral("Pay rent"));
            QTest::keyClick(tree, Qt::Key_Down);
        }
        Task *task = ui.currentTask();
        TaskInfoDialog *dialog = nullptr;
        if (docked) {
            dialog = qobject_cast<TaskInfoDialog *>(ui.taskInfoPanel());
            QVERIFY(dialog);
            dialog->show();
        } else {
            ui.showTaskInfoDialog();
            dialog = ui.taskInfoDialog();
        }
        QVERIFY(dialog);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        if (step == QLatin1String("redo")) {
            // A step to redo: the done box ticked, then undone.
            QTest::mouseClick(dialog->doneBox(), Qt::LeftButton);
            ui.findChild<UndoAction *>()->trigger();
            task = ui.currentTask();
            QVERIFY(!task->isDone());
        }
        QCOMPARE(dialog->task(), task);
        const QString title = task->title();
        PDTextEdit *typed = inNote ? dialog->noteEdit() : dialog->titleEdit();
        QTest::mouseClick(typed->viewport(), Qt::LeftButton);
        QTest::keyClick(typed, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(typed, QStringLiteral(" before noon "));
        const QString text = typed->toPlainText();

        if (step == QLatin1String("done")) {
            QTest::mouseClick(dialog->doneBox(), Qt::LeftButton);
            QVERIFY(task->isDone());
        } else if (step == QLatin1String("priority")) {
            QTest::keyClick(dialog->priorityBox(), Qt::Key_Down);
            QCOMPARE(task->priority(), TaskPriority(TaskPriority::Urgent));
        } else if (step == QLatin1String("save title")) {
            QTest::keyClicks(dialog->titleEdit(), QStringLiteral("!"));
            QTest::mouseClick(dialog->saveTitleButton(), Qt::LeftButton);
            QCOMPARE(task->title(), QStringLiteral("!Pay rent"));
            QCOMPARE(dialog->titleEdit()->toPlainText(), QStringLiteral("!Pay rent"));
        } else if (step == QLatin1String("save note")) {
            QTest::keyClicks(dialog->noteEdit(), QStringLiteral("Cash "));
            QTest::mouseClick(dialog->saveNoteButton(), Qt::LeftButton);
            QCOMPARE(task->note().text(), QStringLiteral("Cash"));
            QCOMPARE(dialog->noteEdit()->toPlainText(), QStringLiteral("Cash"));
        } else if (step == QLatin1String("down")) {
            ui.currentTreeView()->moveCurrentDown();
            QCOMPARE(ui.currentList()->taskList()->rootTask()->child(1), task);
        } else if (step == QLatin1String("indent")) {
            ui.currentTreeView()->indentCurrent();
            QCOMPARE(task->parent(), ui.currentList()->taskList()->rootTask()->child(0));
        } else if (step == QLatin1String("undo after removal")) {
            ui.findChild<UndoAction *>()->trigger();
            QCOMPARE(TreeTest::write(list->taskList()->rootTask()), QStringLiteral("Pay rent Water plants"));
            QVERIFY(ui.currentTask() != task);
            QCOMPARE(ui.currentTask()->title(), QStringLiteral("Water plants"));
            task = ui.currentTask();
        } else if (step == QLatin1String("removed here") || step == QLatin1String("remove task")) {
            if (step == QLatin1String("removed here")) {
                QTest::keyClick(tree, Qt::Key_Delete);
            } else {
                auto *remove = ui.findChild<RemoveTaskAction *>();
                QVERIFY(remove);
                remove->trigger();
            }
            QCOMPARE(TreeTest::write(list->taskList()->rootTask()), QStringLiteral("Water plants"));
            // The form follows the tree to the next task, which takes none of it.
            QCOMPARE(dialog->task(), ui.currentTask());
            QCOMPARE(dialog->titleEdit()->toPlainText(), QStringLiteral("Water plants"));
            QCOMPARE(dialog->noteEdit()->toPlainText(), QString());
            ui.findChild<UndoAction *>()->trigger();
            QCOMPARE(TreeTest::write(list->taskList()->rootTask()), QStringLiteral("Pay rent Water plants"));
            if (then.contains(QLatin1String("redo"))) {
                // Taken away again by redo, and chosen away from: kept again.
                QTest::keyClick(tree, Qt::Key_Up);
                QCOMPARE(typed->toPlainText(), text);
                ui.findChild<RedoAction *>()->trigger();
                QCOMPARE(TreeTest::write(list->taskList()->rootTask()), QStringLiteral("Water plants"));
                QTest::keyClick(tree, Qt::Key_Down);
                QCOMPARE(dialog->titleEdit()->toPlainText(), QStringLiteral("Water plants"));
                ui.findChild<UndoAction *>()->trigger();
                QCOMPARE(TreeTest::write(list->taskList()->rootTask()), QStringLiteral("Pay rent Water plants"));
            }
            QTest::keyClick(tree, Qt::Key_Up);
            task = ui.currentTask();
            QCOMPARE(task->title(), title);
        } else if (step == QLatin1String("undone away") || step == QLatin1String("redone away")) {
            static_cast<Action *>(step == QLatin1String("undone away") ? static_cast<Action *>(ui.findChild<UndoAction *>())
                                                                     : ui.findChild<RedoAction *>())
                ->trigger();
            QCOMPARE(TreeTest::write(list->taskList()->rootTask()),
                     step == QLatin1String("undone away") ? QStringLiteral("Pay rent Water plants")
                                                          : QStringLiteral("Pay rent"));
            task = nullptr;
            if (then == QLatin1String("refocus")) {
                // To another window and back: the main window's tree takes
                // the focus again.
                dialog->activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(dialog));
                tree->window()->activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(tree->window()));
                QCOMPARE(QApplication::focusWidget(), tree);
            } else if (then == QLatin1String("back")) {
                static_cast<Action *>(step == QLatin1String("undone away") ? static_cast<Action *>(ui.findChild<RedoAction *>())
                                                                         : ui.findChild<UndoAction *>())
                    ->trigger();
                task = ui.currentTask();
                QVERIFY(tree->currentIndex().isValid());
                QCOMPARE(task->title(), title);
            }
        } else if (step == QLatin1String("undo") || step == QLatin1String("redo")) {
            // The Undo command (or Redo) replaces every task with a copy.
            if (step == QLatin1String("undo"))
                QTest::mouseClick(dialog->doneBox(), Qt::LeftButton);
            Action *command = step == QLatin1String("undo") ? static_cast<Action *>(ui.findChild<UndoAction *>())
                                                            : ui.findChild<RedoAction *>();
            QVERIFY(command);
            command->trigger();
            QVERIFY(ui.currentTask() != task);
            QCOMPARE(ui.currentTask()->isDone(), step == QLatin1String("redo"));
            task = ui.currentTask();
        } else {
            ui.showTaskAttachmentsDialog();
            QVERIFY(QTest::qWaitForWindowExposed(ui.taskAttachmentsDialog()));
            addWebLink(ui.taskAttachmentsDialog(), QStringLiteral("Lease"));
            QCOMPARE(task->attachments().size(), 1);
        }
        QCOMPARE(dialog->task(), task);
        QCOMPARE(typed->toPlainText(), text);
        auto *notice = dialog->findChild<QLabel *>(QStringLiteral("goneNoticeLabel"));
        if (!task) {
            // No task stands in its place, in the tree or in the form.
            QVERIFY(!tree->currentIndex().isValid());
            QVERIFY(notice);
            QVERIFY(notice->isVisible());
            QCOMPARE(notice->text(), QStringLiteral("Undo or redo took this task out of the list. What you typed "
                                                    "stays here for you to copy; it cannot be saved."));
            QVERIFY(typed->isReadOnly());
            // The other field still shows the removed task's own text.
            QCOMPARE(inNote ? dialog->titleEdit()->toPlainText() : dialog->noteEdit()->toPlainText(),
                     inNote ? title : QString());
            for (QWidget *save : {static_cast<QWidget *>(dialog->saveTitleButton()), static_cast<QWidget *>(dialog->saveNoteButton()),
                                  static_cast<QWidget *>(dialog->deleteNoteButton()), static_cast<QWidget *>(dialog->doneBox())}) {
                QVERIFY(!save->isEnabled());
                QTest::mouseClick(save, Qt::LeftButton);
            }
            // The typing can still be taken away.
            QTest::keyClick(typed, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(typed, Qt::Key_C, Qt::ControlModifier);
            QCOMPARE(QGuiApplication::clipboard()->text(), text);
            QCOMPARE(typed->toPlainText(), text);
            for (const Task *left : list->taskList()->rootTask()->children()) {
                QVERIFY(left->title() == QLatin1String("Pay rent") || left->title() == QLatin1String("Water plants"));
                QVERIFY(!left->hasNote());
                QVERIFY(!left->isDone());
            }
            QCOMPARE(typedTasksSaved(ui), 0);
            // Another task chosen: the form is that task's again.
            QTest::keyClick(tree, Qt::Key_Down);
            QVERIFY(ui.currentTask());
            QCOMPARE(dialog->task(), ui.currentTask());
            QVERIFY(!notice->isVisible());
            QCOMPARE(dialog->titleEdit()->toPlainText(), ui.currentTask()->title());
            QVERIFY(!dialog->titleEdit()->isReadOnly());
            QVERIFY(dialog->saveNoteButton()->isEnabled());
            return;
        }
        QVERIFY(!notice || !notice->isVisible());
        QVERIFY(inNote ? !task->hasNote() : task->title() == title);
        QCOMPARE(ui.currentTask(), task);
        QVERIFY(!typed->isReadOnly());
        QVERIFY(inNote ? dialog->saveNoteButton()->isEnabled() : dialog->saveTitleButton()->isEnabled());

        // Its own Save stores the typing, and the field shows what was stored.
        QTest::mouseClick(inNote ? dialog->saveNoteButton() : dialog->saveTitleButton(), Qt::LeftButton);
        if (inNote) {
            QCOMPARE(task->note().text(), text.trimmed());
            QCOMPARE(typed->toPlainText(), text.trimmed());
        } else {
            QCOMPARE(task->title(), text);
        }
        // Into that task alone.
        QCOMPARE(typedTasksSaved(ui), 1);
    }

    // Typing left unsaved in the title or note field is meant for its task:
    // when the user moves to another task in the tree, the form shows that
    // task's own title and note, and neither task takes the typing.
    void typingStaysWithItsTask_data()
    {
        QTest::addColumn<bool>("inNote");
        QTest::newRow("note") << true;
        QTest::newRow("title") << false;
    }
    void typingStaysWithItsTask()
    {
        QFETCH(bool, inNote);
        Page page;
        ListsUI &ui = page.ui;
        Task *first = ui.currentTask();
        ui.showTaskInfoDialog();
        TaskInfoDialog *dialog = ui.taskInfoDialog();
        QVERIFY(dialog);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        PDTextEdit *typed = inNote ? dialog->noteEdit() : dialog->titleEdit();
        QTest::mouseClick(typed->viewport(), Qt::LeftButton);
        QTest::keyClicks(typed, QStringLiteral("typed "));

        QTest::keyClick(ui.currentTreeView(), Qt::Key_Down);
        Task *second = ui.currentTask();
        QVERIFY(second != first);
        QCOMPARE(dialog->task(), second);
        QCOMPARE(dialog->titleEdit()->toPlainText(), second->title());
        QCOMPARE(dialog->noteEdit()->toPlainText(), second->hasNote() ? second->note().text() : QString());
        // Saving there stores what the second task showed, not the typing.
        QTest::mouseClick(inNote ? dialog->saveNoteButton() : dialog->saveTitleButton(), Qt::LeftButton);
        QVERIFY(!second->title().contains(QStringLiteral("typed")));
        QVERIFY(!second->note().text().contains(QStringLiteral("typed")));
        QCOMPARE(first->title(), QStringLiteral("Pay rent"));
        QVERIFY(!first->hasNote());
    }

    void taskInfoDocked()
    {
        Page page;
        ListsUI &ui = page.ui;
        QWidget *panel = ui.taskInfoPanel();
        QVERIFY(panel);
        QCOMPARE(panel, static_cast<QWidget *>(ui.taskInfoDialog()));
        QVERIFY(ui.taskInfoDialog()->frameControlsHidden());
        QCOMPARE(ui.taskInfoDialog()->task(), ui.currentTask());
        // The docked panel stays when the page closes its floating dialogs.
        ui.closeHiddenDialogs();
        QCOMPARE(ui.taskInfoDialog(), panel);
    }
};

PLUMDECK_TEST_MAIN(TstListsUIDialogs)
#include "tst_listsuidialogs.moc"
