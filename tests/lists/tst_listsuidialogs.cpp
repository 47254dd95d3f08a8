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
#include "dialogs/taskinfodialog.h"
#include "dialogs/timemanagementdialog.h"
#include "dialogs/timewidget.h"
#include "lists/listsui.h"
#include "lists/tabwidget.h"
#include "lists/treeview.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "shell/webkitplayerdialog.h"
#include "shell/pdtextedit.h"
#include "testenvironment.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>

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

// A lists document with one list of two tasks.
void writeLists()
{
    UserLists lists;
    ListModel *model = lists.createList();
    model->taskList()->setName(QStringLiteral("Home"));
    model->taskList()->setLocalId(1);
    for (const QString &title : {QStringLiteral("Pay rent"), QStringLiteral("Water plants")}) {
        auto *task = new Task;
        task->setTitle(title);
        model->taskList()->rootTask()->insertChild(task, model->taskList()->rootTask()->childCount());
    }
    QVERIFY(lists.save(ListsUI::listsFilePath()));
}

// The page over that document, its first task current.
struct Page
{
    Page() { ui.currentTreeView()->setCurrentIndex(ui.currentList()->index(0, 0)); }
    bool written = (writeLists(), true);
    ListsUI ui{nullptr, nullptr, nullptr};
};

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
