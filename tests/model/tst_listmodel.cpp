#include "core/clock.h"
#include "core/options.h"
#include "model/listmodel.h"
#include "core/serversettings.h"
#include "modeltest.h"
#include "testenvironment.h"

#include <QAbstractItemModelTester>
#include <QBrush>
#include <QLocale>
#include <QPixmap>
#include <QSettings>
#include <QSignalSpy>
#include <QTimer>

using namespace ModelTest;

namespace {

const QDateTime kNow(QDate(2026, 3, 2), QTime(0, 10, 30), Qt::UTC);

// A model over a list the server knows:
//   a (id 1)
//     a1 (id 2)
//   "" (untitled, no id)
//   c (id 3, done)
struct Fixture
{
    Fixture()
    {
        TaskList *list = makeList(TaskList::Unedited, 40);
        Task *a = addTask(list->rootTask(), "a", 1);
        addTask(a, "a1", 2);
        addTask(list->rootTask(), QString());
        addTask(list->rootTask(), "c", 3)->setDone(true);
        model = new ListModel(list);
    }
    ~Fixture()
    {
        TaskList *list = model->taskList();
        delete model;
        delete list;
    }
    TaskList *list() const { return model->taskList(); }
    QModelIndex idx(int row, int column = 0, const QModelIndex &parent = QModelIndex()) const
    {
        return model->index(row, column, parent);
    }
    Task *task(int row, const QModelIndex &parent = QModelIndex()) const { return model->taskForIndex(idx(row, 0, parent)); }
    QStringList titles() const
    {
        QStringList out;
        collect(list()->rootTask(), 0, out);
        return out;
    }
    static void collect(const Task *task, int depth, QStringList &out)
    {
        for (const Task *child : task->children()) {
            out << QString(depth, QLatin1Char(' ')) + child->title();
            collect(child, depth + 1, out);
        }
    }
    bool edited() const { return list()->syncStatus() == TaskList::Edited; }
    // Undo steps taken, and whether the model is changed (to be saved) and
    // the list edited (to be uploaded).
    QString marks() const
    {
        return QString::number(model->undoSnapshotCount()) + (model->isChanged() ? " changed" : "") + (edited() ? " edited" : "");
    }

    ListModel *model;
};

} // namespace

class TstListModel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { ServerSettings::instance()->setCredentials(QStringLiteral("alice"), QStringLiteral("pw")); }
    void init() { Clock::setFixedTime(kNow); }
    void cleanup()
    {
        Clock::reset();
        QSettings().remove("ui/skin");
    }

    // ------------------------------------------------------------ structure

    void treeStructure()
    {
        Fixture f;
        QCOMPARE(f.model->columnCount(), 12);
        QVERIFY(f.idx(2, 11).isValid());
        for (const QPoint &outside : {QPoint(3, 0), QPoint(-1, 0), QPoint(0, -1), QPoint(0, 12)})
            QVERIFY(!f.idx(outside.x(), outside.y()).isValid());
        const QModelIndex a = f.idx(0);
        QCOMPARE(f.model->rowCount(a), 1);
        // Only the first column has children, as views expect of a tree.
        QCOMPARE(f.model->rowCount(a.siblingAtColumn(5)), 0);
        QVERIFY(!f.idx(0, 0, a.siblingAtColumn(5)).isValid());
        const QModelIndex a1 = f.idx(0, 3, a);
        QCOMPARE(f.model->taskForIndex(a1)->title(), QStringLiteral("a1"));
        QCOMPARE(f.model->parent(a1), a);
        QVERIFY(!f.model->parent(a).isValid());
        QCOMPARE(f.model->indexOfTask(f.model->taskForIndex(a1)), a1.siblingAtColumn(0));
        QVERIFY(!f.model->indexOfTask(f.list()->rootTask()).isValid());
        QCOMPARE(f.model->taskForIndex(QModelIndex()), f.list()->rootTask());
    }

    void modelTester()
    {
        Fixture f;
        QAbstractItemModelTester tester(f.model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        f.model->setData(f.idx(0), QStringLiteral("renamed"), Qt::EditRole);
        f.model->setData(f.idx(2), Qt::Unchecked, Qt::CheckStateRole);
        f.model->saveUndoState();
        f.model->insertRows(1, 2, f.idx(0));
        f.model->removeRows(0, 1, f.idx(0));
        f.model->undo();
        f.model->redo();
        f.model->reparentTask(f.idx(2), f.idx(0), 0);
        f.model->pasteTask(f.task(0)->copy(), f.idx(0));
        f.model->setTaskDueTime(f.idx(0), kNow.addDays(1));
        f.model->setTaskList(TaskList::createNew());
        f.model->markEditedAndReset();
        QCOMPARE(f.model->rowCount(), 1);
    }

    void modelCheckTimer()
    {
        {
            Fixture plain;
            QVERIFY(plain.model->findChildren<QTimer *>().isEmpty());
        }
        Options::modelcheck.set();
        QTest::ignoreMessage(QtDebugMsg, "starting model check timer");
        Fixture f;
        Options::resetAll();
        const QList<QTimer *> timers = f.model->findChildren<QTimer *>();
        QCOMPARE(timers.size(), 1);
        QCOMPARE(timers.first()->interval(), 100);
        // A sound tree walks without a complaint.
        QTest::failOnWarning(QRegularExpression(".*"));
        QVERIFY(QSignalSpy(timers.first(), &QTimer::timeout).wait(2000));
    }

    // -------------------------------------------------------------- display

    void iconColumns_data()
    {
        QTest::addColumn<QString>("kinds");
        QTest::addColumn<QString>("codes");  // columns 1..7
        QTest::addColumn<QStringList>("images"); // columns 1..7, "" = empty slot
        const QStringList none{"", "", "", "", "", "", ""};
        QTest::newRow("nothing") << "" << "0000000" << none;
        QTest::newRow("note and urgent") << "note urgent" << "0000001"
                                         << QStringList{"", "", "", "", "", ":/priority-red.png", ":/note.png"};
        QTest::newRow("all seven") << "assign webHyperlink videoHyperlink start note alarm-past reminder" << "0213546"
            << QStringList{":/priority-green.png", ":/green-clock.png", ":/note.png", ":/calendar.png",
                           ":/attachment_video.png", ":/hyperlink.png", ":/asign_task.png"};
        QTest::newRow("alarm a minute ahead") << "alarm-future" << "0000002" << QStringList{"", "", "", "", "", "", ":/red-clock.png"};
        QTest::newRow("alarm a minute ago") << "alarm-past" << "0000002" << QStringList{"", "", "", "", "", "", ":/green-clock.png"};
        QTest::newRow("generic attachment shows nothing") << "generic" << "0000000" << none;
    }
    void iconColumns()
    {
        QFETCH(QString, kinds);
        QFETCH(QString, codes);
        QFETCH(QStringList, images);
        Fixture f;
        Task *t = f.task(0);
        const QStringList list = kinds.split(' ', Qt::SkipEmptyParts);
        if (list.contains("note"))
            t->setNote(QDateTime(), "n");
        if (list.contains("urgent") || list.contains("reminder"))
            t->setPriority(list.contains("urgent") ? TaskPriority::Urgent : TaskPriority::Reminder);
        if (list.contains("assign"))
            t->assign("bob");
        for (const QString &kind : list) {
            if (kind.endsWith("Hyperlink") || kind == "generic")
                t->createAttachment(kind, "a", "http://a.example/");
        }
        if (list.contains("start"))
            t->setStartTime(kNow);
        if (list.contains("alarm-past") || list.contains("alarm-future"))
            t->setAlarmTime(kNow.addSecs(list.contains("alarm-past") ? -60 : 60));
        for (int column = 1; column <= 7; ++column) {
            const QModelIndex index = f.idx(0, column);
            QCOMPARE(f.model->data(index, Qt::UserRole).toInt(), codes.at(column - 1).digitValue());
            const QVariant image = f.model->data(index, Qt::DisplayRole);
            QCOMPARE(image.typeId(), int(QMetaType::QPixmap));
            const QString path = images.at(column - 1);
            // A missing resource would make both sides null.
            const QPixmap expected(path);
            QVERIFY2(path.isEmpty() || expected.size() == QSize(16, 16), qPrintable(path));
            QCOMPARE(image.value<QPixmap>().toImage(), expected.toImage());
            // Icon cells take the row colours.
            QCOMPARE(f.model->data(index, Qt::BackgroundRole).typeId(), int(QMetaType::QBrush));
            QVERIFY(!f.model->data(index, Qt::ToolTipRole).isValid());
        }
    }

    void titleColumn()
    {
        Fixture f;
        // The check state is a bool, not Qt::CheckState.
        const QVariant check = f.model->data(f.idx(2), Qt::CheckStateRole);
        QCOMPARE(check.typeId(), int(QMetaType::Bool));
        QVERIFY(check.toBool());
        QVERIFY(!f.model->data(f.idx(0), Qt::CheckStateRole).toBool());
        QCOMPARE(f.model->data(f.idx(0), Qt::DisplayRole).toString(), QStringLiteral("a"));
        QCOMPARE(f.model->data(f.idx(0), Qt::EditRole).toString(), QStringLiteral("a"));
        QVERIFY(!f.model->data(f.idx(0), Qt::ToolTipRole).isValid());
        QVERIFY(!f.model->data(QModelIndex(), Qt::DisplayRole).isValid());
        const Qt::ItemFlags title = f.model->flags(f.idx(0));
        QVERIFY(title.testFlag(Qt::ItemIsEditable) && title.testFlag(Qt::ItemIsEnabled) && title.testFlag(Qt::ItemIsSelectable));
        for (int column = 1; column <= 11; ++column)
            QVERIFY(!(f.model->flags(f.idx(0, column)) & (Qt::ItemIsEditable | Qt::ItemIsEnabled | Qt::ItemIsSelectable)));
    }

    void textColumns_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("set");
        QTest::addColumn<QString>("expected");
        const QString date = QLocale().toString(kNow.addDays(3).toLocalTime().date(), QLocale::ShortFormat);
        QTest::newRow("start empty") << 8 << false << "   ";
        QTest::newRow("start") << 8 << true << date;
        QTest::newRow("due empty") << 9 << false << "   ";
        QTest::newRow("due") << 9 << true << date;
        QTest::newRow("elapsed without creation") << 10 << false << "   ";
        // Created 23:30 the day before "now" (00:10): one date change.
        QTest::newRow("elapsed over midnight") << 10 << true << "1 days";
        QTest::newRow("nobody assigned") << 11 << false << "   ";
        QTest::newRow("first assignee") << 11 << true << "bob";
    }
    void textColumns()
    {
        QFETCH(int, column);
        QFETCH(bool, set);
        QFETCH(QString, expected);
        Fixture f;
        Task *t = f.task(0);
        if (set) {
            t->setStartTime(kNow.addDays(3));
            t->setDueTime(kNow.addDays(3));
            t->setCreationTime(QDateTime(QDate(2026, 3, 1), QTime(23, 30), Qt::UTC));
            t->assign("bob");
            t->assign("carol");
        }
        for (int role : {Qt::DisplayRole, Qt::EditRole, Qt::BackgroundRole, Qt::ForegroundRole, Qt::CheckStateRole,
                         Qt::ToolTipRole, Qt::UserRole})
            QCOMPARE(f.model->data(f.idx(0, column), role).toString(), expected);
    }

    void datesCountLocalDays()
    {
        Fixture f;
        f.task(0)->setCreationTime(QDateTime(QDate(2026, 2, 28), QTime(0, 20), Qt::UTC));
        QCOMPARE(f.model->data(f.idx(0, 10)).toString(), QStringLiteral("2 days"));
        Clock::setFixedTime(QDateTime(QDate(2026, 2, 28), QTime(23, 59), Qt::UTC));
        QCOMPARE(f.model->data(f.idx(0, 10)).toString(), QStringLiteral("0 days"));
        // 23:30 UTC is already the next day east of Greenwich.
        TimeZone zone("Asia/Tokyo");
        f.task(0)->setDueTime(QDateTime(QDate(2026, 3, 1), QTime(23, 30), Qt::UTC));
        QCOMPARE(f.model->data(f.idx(0, 9)).toString(), QLocale().toString(QDate(2026, 3, 2), QLocale::ShortFormat));
        zone.set("America/New_York");
        QCOMPARE(f.model->data(f.idx(0, 9)).toString(), QLocale().toString(QDate(2026, 3, 1), QLocale::ShortFormat));
    }

    // Each skin has its own row colours, top-level rows their own shade; the
    // skin is read once, when the model is made.
    void colours()
    {
        QStringList seen;
        for (int skin : {0, 1}) {
            QSettings().setValue("ui/skin", skin);
            Fixture f;
            QSettings().setValue("ui/skin", 1 - skin);
            for (const QModelIndex &index : {f.idx(0, 4), f.idx(0, 0, f.idx(0))}) {
                const QBrush bg = f.model->data(index, Qt::BackgroundRole).value<QBrush>();
                QCOMPARE(bg.style(), Qt::SolidPattern);
                QCOMPARE(f.model->data(index.siblingAtColumn(0), Qt::BackgroundRole).value<QBrush>(), bg);
                seen << bg.color().name() + ' ' + f.model->data(index, Qt::ForegroundRole).value<QBrush>().color().name();
            }
        }
        // Green: darker text on top-level rows; blue: one text colour.
        QCOMPARE(QSet<QString>(seen.begin(), seen.end()).size(), 4);
        QVERIFY(seen.at(0).section(' ', 1) != seen.at(1).section(' ', 1));
        QCOMPARE(seen.at(2).section(' ', 1), seen.at(3).section(' ', 1));
    }

    void header()
    {
        Fixture f;
        QStringList texts;
        for (int section = -1; section <= 12; ++section) {
            for (Qt::Orientation o : {Qt::Horizontal, Qt::Vertical}) {
                const QVariant display = f.model->headerData(section, o, Qt::DisplayRole);
                QCOMPARE(f.model->headerData(section, o, Qt::ToolTipRole), display);
                if (o == Qt::Horizontal)
                    texts << (display.isValid() ? display.toString() : QStringLiteral("-"));
                else
                    QCOMPARE(display, f.model->headerData(section, Qt::Horizontal, Qt::DisplayRole));
            }
        }
        QCOMPARE(texts.join('|'), QStringLiteral("-|   tasks|-|-|-|-|-|-|-|start time|end time|elapsed|assiged to|-"));
    }

    void toText()
    {
        Fixture f;
        f.task(0)->setDone(true);
        f.list()->setName("Shopping");
        QCOMPARE(f.model->toText(), QStringLiteral("= Shopping =\n- a [done]\n-- a1\n- \n- c [done]\n"));
        TaskList *list = TaskList::create();
        ListModel empty(list);
        QCOMPARE(empty.toText(), "= " + TaskList::defaultName() + " =\n");
        QVERIFY(empty.isBlank());
        delete list;
    }

    // ---------------------------------------------------------------- edits

    void setData_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("role");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("marks");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("done");
        QTest::addColumn<bool>("touched");
        // What the row holds before: "" as the fixture has it, "note", or
        // "tick" (done).
        QTest::addColumn<QString>("holds");
        // Row 0 is "a" (not done), row 1 untitled, row 2 "c" (done).
        QTest::newRow("title into empty row, trimmed") << 1 << 2 << QVariant("  milk \t") << true << "1 changed edited" << "milk" << false << true << "";
        QTest::newRow("rename") << 0 << 2 << QVariant("b") << true << "1 changed edited" << "b" << false << true << "";
        QTest::newRow("same title") << 0 << 2 << QVariant("a") << true << "0" << "a" << false << false << "";
        QTest::newRow("blanks into empty row") << 1 << 2 << QVariant("   ") << true << "0 changed" << "" << false << true << "";
        QTest::newRow("check untitled: changed, no step") << 1 << 10 << QVariant(true) << true << "0 changed" << "" << true << true << "";
        QTest::newRow("check untitled holding a note: edited, a step")
            << 1 << 10 << QVariant(true) << true << "1 changed edited" << "" << true << true << "note";
        QTest::newRow("uncheck untitled: the tick it held was set, edited, a step")
            << 1 << 10 << QVariant(false) << true << "1 changed edited" << "" << false << true << "tick";
        QTest::newRow("check with Qt::Checked") << 0 << 10 << QVariant(int(Qt::Checked)) << true << "1 changed edited" << "a" << true << true << "";
        QTest::newRow("Qt::Checked on a done row is no change") << 2 << 10 << QVariant(int(Qt::Checked)) << true << "0" << "c" << true << false << "";
        QTest::newRow("check state enum") << 0 << 10 << QVariant::fromValue(Qt::Checked) << true << "1 changed edited" << "a" << true << true << "";
        QTest::newRow("uncheck") << 2 << 10 << QVariant(false) << true << "1 changed edited" << "c" << false << true << "";
        QTest::newRow("display role refused") << 0 << 0 << QVariant("x") << false << "0" << "a" << false << false << "";
        QTest::newRow("background role refused") << 0 << 8 << QVariant("x") << false << "0" << "a" << false << false << "";
    }
    void setData()
    {
        QFETCH(int, row);
        QFETCH(int, role);
        QFETCH(QVariant, value);
        QFETCH(bool, accepted);
        QFETCH(QString, marks);
        QFETCH(QString, title);
        QFETCH(bool, done);
        QFETCH(bool, touched);
        QFETCH(QString, holds);
        Fixture f;
        Task *t = f.task(row);
        if (holds == QLatin1String("note"))
            t->setNote(TaskNote(kNow, QStringLiteral("the blue ones")));
        else if (holds == QLatin1String("tick"))
            t->setDone(true);
        t->setModificationTime(QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC));
        QSignalSpy dataSpy(f.model, &QAbstractItemModel::dataChanged);
        QSignalSpy layoutSpy(f.model, &QAbstractItemModel::layoutChanged);
        QSignalSpy layoutAboutSpy(f.model, &QAbstractItemModel::layoutAboutToBeChanged);

        QCOMPARE(f.model->setData(f.idx(row), value, role), accepted);
        QCOMPARE(f.marks(), marks);
        QCOMPARE(t->title(), title);
        QCOMPARE(t->isDone(), done);
        QCOMPARE(t->modificationTime() == kNow, touched);
        QCOMPARE(t->lastModifiedBy(), touched ? QStringLiteral("alice") : QString());
        QCOMPARE(dataSpy.count(), accepted ? 1 : 0);
        QCOMPARE(layoutSpy.count(), accepted && role == 10 ? 1 : 0);
        QCOMPARE(layoutAboutSpy.count(), layoutSpy.count());
        if (accepted && role == 10) {
            QCOMPARE(t->doneBy(), done ? QStringLiteral("alice") : QString(""));
            QVERIFY(!t->doneBy().isNull());
        }
    }

    void setTaskDone()
    {
        Fixture f;
        f.model->setTaskDone(f.task(0), true);
        QVERIFY(f.task(0)->isDone());
        QCOMPARE(f.marks(), QStringLiteral("1 changed edited"));
        Task stranger;
        f.model->setTaskDone(&stranger, true);
        QVERIFY(!stranger.isDone());
    }

    void fieldSetters_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("same");
        QTest::addColumn<QString>("state"); // due, start, alarm (seconds moved), note, priority
        const QStringList changed{"60 0 0 n 2", "0 60 0 n 2", "0 0 60 n 2", "0 0 0 m 2", "0 0 0 n 1", "0 0 0 n 0"};
        int i = 0;
        for (const char *field : {"due", "start", "alarm", "note", "priority", "priority by task"}) {
            QTest::addRow("%s differs", field) << field << false << changed.at(i++);
            QTest::addRow("%s same", field) << field << true << "0 0 0 n 2";
        }
    }
    void fieldSetters()
    {
        QFETCH(QString, field);
        QFETCH(bool, same);
        QFETCH(QString, state);
        Fixture f;
        const QModelIndex index = f.idx(0);
        Task *t = f.task(0);
        const QDateTime time = kNow.addDays(2);
        const TaskNote note(kNow, "n");
        t->setDueTime(time);
        t->setStartTime(time);
        t->setAlarmTime(time);
        t->setNote(note);
        t->setPriority(TaskPriority::Urgent);
        auto stateOf = [&time](const Task *t) {
            return QStringLiteral("%1 %2 %3 %4 %5").arg(time.secsTo(t->dueTime())).arg(time.secsTo(t->startTime()))
                .arg(time.secsTo(t->alarmTime())).arg(t->note().text()).arg(t->priority().value());
        };
        const QDateTime other = same ? time : time.addSecs(60);
        QSignalSpy dataSpy(f.model, &QAbstractItemModel::dataChanged);
        if (field == "due")
            f.model->setTaskDueTime(index, other);
        else if (field == "start")
            f.model->setTaskStartTime(index, other);
        else if (field == "alarm")
            f.model->setTaskAlarmTime(index, other);
        else if (field == "note")
            f.model->setTaskNote(index, same ? note : TaskNote(kNow, "m"));
        else if (field == "priority")
            f.model->setTaskPriority(index, same ? TaskPriority::Urgent : TaskPriority::Reminder);
        else
            f.model->changeTaskPriority(t, same ? TaskPriority::Urgent : TaskPriority::None);
        QCOMPARE(stateOf(t), state);
        QCOMPARE(f.marks(), same ? QStringLiteral("0") : QStringLiteral("1 changed edited"));
        QCOMPARE(t->modificationTime() == kNow, !same);
        QCOMPARE(dataSpy.count(), same ? 0 : 1);
        if (!same) {
            QCOMPARE(dataSpy.at(0).at(0).toModelIndex(), index.siblingAtColumn(1));
            QCOMPARE(dataSpy.at(0).at(1).toModelIndex(), index.siblingAtColumn(7));
            // The snapshot holds the value from before the edit.
            f.model->undo();
            QCOMPARE(stateOf(f.task(0)), QStringLiteral("0 0 0 n 2"));
        }
    }

    void marksWithoutUndo_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("marks");
        QTest::addColumn<bool>("touched");
        QTest::addColumn<int>("lastColumn"); // the row is redrawn from column 1; none when 0
        QTest::newRow("title") << "title" << true << "0 changed edited" << true << 7;
        // Assignment changes redraw the assignment icon and the assignee column.
        QTest::newRow("assign new") << "assign" << true << "0 changed edited" << false << 11;
        QTest::newRow("assign present") << "assign-again" << false << "0" << false << 0;
        QTest::newRow("unassign present") << "unassign" << true << "0 changed edited" << false << 11;
        QTest::newRow("unassign absent") << "unassign-absent" << false << "0" << false << 0;
        QTest::newRow("unassign all") << "unassign-all" << true << "0 changed edited" << false << 11;
        QTest::newRow("expand") << "expand" << true << "0 changed" << false << 0;
        QTest::newRow("collapse") << "collapse" << true << "0 changed" << false << 0;
    }
    void marksWithoutUndo()
    {
        QFETCH(QString, op);
        QFETCH(bool, result);
        QFETCH(QString, marks);
        QFETCH(bool, touched);
        QFETCH(int, lastColumn);
        Fixture f;
        const QModelIndex index = f.idx(0);
        Task *t = f.task(0);
        t->assign("bob");
        t->setExpanded(op != "expand");
        QSignalSpy dataSpy(f.model, &QAbstractItemModel::dataChanged);
        bool r = true;
        if (op == "title")
            f.model->setTaskTitle(t, " untrimmed ");
        else if (op.startsWith("assign"))
            r = f.model->assignTask(index, op == "assign" ? "carol" : "bob");
        else if (op == "unassign-all")
            f.model->unassignAll(index);
        else if (op == "unassign-absent")
            r = f.model->unassignTask(index, "zed");
        else if (op == "unassign")
            r = f.model->unassignTask(index, "bob");
        else if (op == "expand")
            f.model->expandTask(index);
        else
            f.model->collapseTask(index);
        QCOMPARE(r, result);
        QCOMPARE(f.marks(), marks);
        QCOMPARE(t->modificationTime() == kNow, touched);
        QCOMPARE(t->isExpanded(), op != "collapse");
        if (op == "title")
            QCOMPARE(t->title(), QStringLiteral(" untrimmed "));
        QCOMPARE(dataSpy.count(), lastColumn ? 1 : 0);
        if (lastColumn) {
            QCOMPARE(dataSpy.at(0).at(0).toModelIndex(), index.siblingAtColumn(1));
            QCOMPARE(dataSpy.at(0).at(1).toModelIndex(), index.siblingAtColumn(lastColumn));
        }
    }

    // ------------------------------------------------------------ undo/redo

    void undoRedoSequence()
    {
        Fixture f;
        QTest::ignoreMessage(QtWarningMsg, "can't undo, already at start");
        f.model->undo();
        QVERIFY(!f.model->isChanged());
        QSignalSpy nameSpy(f.model, &ListModel::nameChanged);
        QSignalSpy resetSpy(f.model, &QAbstractItemModel::modelReset);
        f.model->setData(f.idx(0), "one", Qt::EditRole);
        f.model->setData(f.idx(0), "two", Qt::EditRole);
        QCOMPARE(f.model->undoSnapshotCount(), 2);
        f.model->undo();
        QCOMPARE(f.model->data(f.idx(0)).toString(), QStringLiteral("one"));
        f.model->undo();
        QCOMPARE(f.model->data(f.idx(0)).toString(), QStringLiteral("a"));
        // Undo to the first snapshot brings back the status it had.
        QCOMPARE(f.list()->syncStatus(), TaskList::Unedited);
        QTest::ignoreMessage(QtWarningMsg, "can't undo, already at start");
        f.model->undo();
        f.model->redo();
        QCOMPARE(f.model->data(f.idx(0)).toString(), QStringLiteral("one"));
        f.model->redo();
        QCOMPARE(f.model->data(f.idx(0)).toString(), QStringLiteral("two"));
        QCOMPARE(f.model->undoIndex(), 2);
        QTest::ignoreMessage(QtWarningMsg, "can't redo, already at end");
        f.model->redo();
        QCOMPARE(nameSpy.count(), 4);
        QCOMPARE(resetSpy.count(), 4);
        QCOMPARE(f.marks(), QStringLiteral("2 changed edited"));

        // An edit after an undo drops what could have been redone.
        f.model->undo();
        f.model->setData(f.idx(2), "three", Qt::EditRole);
        QCOMPARE(f.model->undoIndex(), f.model->undoSnapshotCount());
        QTest::ignoreMessage(QtWarningMsg, "can't redo, already at end");
        f.model->redo();
        QCOMPARE(f.titles(), (QStringList{"one", " a1", "", "three"}));
        f.model->undo();
        QCOMPARE(f.titles(), (QStringList{"one", " a1", "", "c"}));
    }

    void removalSurvivesUndo_data()
    {
        QTest::addColumn<QString>("sequence");
        QTest::addColumn<bool>("inTree");
        // "r" = remove "a" (id 1, with a1 id 2), "e" = another edit, "u" undo, "d" redo.
        QTest::newRow("remove") << "r" << false;
        QTest::newRow("remove, edit, undo the edit") << "reu" << false;
        QTest::newRow("remove, undo") << "ru" << true;
        QTest::newRow("remove, undo, redo") << "rud" << false;
        QTest::newRow("remove, undo, redo, undo, redo") << "rudud" << false;
        QTest::newRow("remove, edit, undo, undo, redo, redo") << "reuudd" << false;
    }
    void removalSurvivesUndo()
    {
        QFETCH(QString, sequence);
        QFETCH(bool, inTree);
        Fixture f;
        for (const QChar c : sequence) {
            if (c == 'r') {
                f.model->saveUndoState();
                QVERIFY(f.model->removeRows(0, 1));
            }
            if (c == 'e')
                f.model->setData(f.idx(f.model->rowCount() - 1), "edited", Qt::EditRole);
            if (c == 'u')
                f.model->undo();
            if (c == 'd')
                f.model->redo();
        }
        QList<quint32> treeIds, removedIds;
        for (Task *t : f.list()->allTasks())
            treeIds << t->id();
        for (Task *t : f.list()->removedTasks())
            removedIds << t->id();
        QCOMPARE(treeIds.contains(1u), inTree);
        QCOMPARE(treeIds.contains(2u), inTree);
        QCOMPARE(removedIds, inTree ? QList<quint32>() : (QList<quint32>{2, 1}));
    }

    void agreedCopyOutlivesModelEdits_data()
    {
        QTest::addColumn<QString>("sequence");
        // t retitle, k tick, i insert rows, r remove, p paste, m move under
        // another, a assign, n note, x collapse, u undo, d redo.
        for (const char *sequence : {"t", "k", "i", "r", "p", "m", "a", "n", "x", "tu", "rud", "tkirpmanx", "tkirpmanxuuuuuuuuudddd"})
            QTest::newRow(sequence) << QString::fromLatin1(sequence);
    }
    // What the list agreed with the server stays as it was, whatever the
    // user does to the list, undo and redo included.
    void agreedCopyOutlivesModelEdits()
    {
        QFETCH(QString, sequence);
        Fixture f;
        f.list()->agreeAsIs();
        const QStringList agreed = dump(f.list()->rootTask());
        for (const QChar c : sequence) {
            if (c == 't')
                f.model->setData(f.idx(0), "retitled", Qt::EditRole);
            else if (c == 'k')
                f.model->setData(f.idx(2), Qt::Unchecked, Qt::CheckStateRole);
            else if (c == 'i')
                f.model->insertRows(0, 1, f.idx(0));
            else if (c == 'r')
                f.model->saveUndoState(), f.model->removeRows(0, 1, f.idx(0));
            else if (c == 'p')
                f.model->pasteTask(f.task(0)->clone(), f.idx(0));
            else if (c == 'm')
                f.model->reparentTask(f.idx(f.model->rowCount() - 1), f.idx(0), 0);
            else if (c == 'a')
                f.model->assignTask(f.idx(0), "carol");
            else if (c == 'n')
                f.model->setTaskNote(f.idx(0), TaskNote(kNow, "n"));
            else if (c == 'x')
                f.model->collapseTask(f.idx(0));
            else if (c == 'u')
                f.model->undo();
            else if (c == 'd')
                f.model->redo();
        }
        QVERIFY(f.list()->agreed());
        QCOMPARE(dump(f.list()->agreed()->rootTask()), agreed);
    }

    void attachmentRemovalUndone()
    {
        // The attachment dialog takes the step, removes, and resets.
        Fixture f;
        Task *t = f.task(0);
        TaskAttachment *link = t->createAttachment("webHyperlink", "shop", "http://shop.example.com/");
        f.model->saveUndoState();
        QVERIFY(t->removeAttachment(link));
        f.model->markEditedAndReset();
        f.model->undo();
        QVERIFY(f.task(0) != t);
        QCOMPARE(f.task(0)->attachmentCount(TaskAttachment::WebHyperlink), 1);
        QCOMPARE(f.task(0)->attachments().first()->url(), QUrl("http://shop.example.com/"));
        QCOMPARE(f.model->data(f.idx(0, 7), Qt::UserRole).toInt(), int(ListModel::WebHyperlinkIcon));
        f.model->redo();
        QVERIFY(!f.task(0)->hasAttachments());
    }

    void undoHistoryIsCapped()
    {
        Fixture f;
        for (int i = 0; i < ListModel::MaxUndoSnapshots + 50; ++i)
            f.model->setData(f.idx(0), QString::number(i), Qt::EditRole);
        QCOMPARE(f.model->undoSnapshotCount(), ListModel::MaxUndoSnapshots);
        for (int i = 0; i < ListModel::MaxUndoSnapshots; ++i)
            f.model->undo();
        // The oldest states are gone; the earliest kept one is 50 edits in.
        QCOMPARE(f.model->data(f.idx(0)).toString(), QStringLiteral("49"));
        QTest::ignoreMessage(QtWarningMsg, "can't undo, already at start");
        f.model->undo();
        for (int i = 0; i < ListModel::MaxUndoSnapshots; ++i)
            f.model->redo();
        QCOMPARE(f.model->data(f.idx(0)).toString(), QString::number(ListModel::MaxUndoSnapshots + 49));
    }

    // ----------------------------------------------------------- insertions

    void paste()
    {
        Fixture f;
        // Rows: a, "", c. Paste after c: the blank row goes, the copy
        // follows c.
        Task *copy = f.task(0)->copy();
        QSignalSpy resetSpy(f.model, &QAbstractItemModel::modelReset);
        f.model->pasteTask(copy, f.idx(2));
        QCOMPARE(f.titles(), (QStringList{"a", " a1", "c", "a", " a1"}));
        QCOMPARE(copy->modificationTime(), kNow);
        QCOMPARE(copy->id(), 0u);
        QCOMPARE(f.marks(), QStringLiteral("1 changed edited"));
        QCOMPARE(resetSpy.count(), 1);
        f.model->undo();
        QCOMPARE(f.titles(), (QStringList{"a", " a1", "", "c"}));

        // Blank rows above the target: the copy still lands right after it.
        f.model->insertRows(0, 2);
        Task *p = new Task;
        p->setTitle("p");
        f.model->pasteTask(p, f.idx(2)); // "a"
        QCOMPARE(f.titles(), (QStringList{"a", " a1", "p", "c"}));
    }

    void prependAppend()
    {
        Fixture f;
        Task *first = new Task;
        first->setTitle("first");
        f.model->prependTask(first);
        Task *last = new Task;
        last->setTitle("last");
        f.model->appendTask(last);
        QCOMPARE(f.titles(), (QStringList{"first", "a", " a1", "c", "last"}));
        QCOMPARE(f.model->undoSnapshotCount(), 2);
        QCOMPARE(last->lastModifiedBy(), QStringLiteral("alice"));
    }

    void insertAndRemoveRows()
    {
        Fixture f;
        QVERIFY(f.model->canInsertRows());
        QVERIFY(f.model->insertRows(1, 2, f.idx(0)));
        Task *created = f.task(1, f.idx(0));
        QCOMPARE(created->creationTime(), kNow);
        QCOMPARE(created->createdBy(), QStringLiteral("alice"));
        QCOMPARE(f.model->rowCount(f.idx(0)), 3);
        QCOMPARE(f.marks(), QStringLiteral("0"));

        QVERIFY(f.model->removeRows(0, 2));
        QCOMPARE(f.titles(), (QStringList{"c"}));
        QCOMPARE(f.list()->removedTasks().size(), 2); // a1 then a
        QVERIFY(!f.model->insertRows(5, 1));
        QVERIFY(!f.model->removeRows(0, 2));
        QVERIFY(!f.model->removeRows(-1, 1));

        Fixture other;
        QTest::ignoreMessage(QtWarningMsg, "ListModel::insertRows: unknown parent");
        QVERIFY(!f.model->insertRows(0, 1, other.idx(0)));
        QTest::ignoreMessage(QtWarningMsg, "ListModel::removeRows: unknown parent");
        QVERIFY(!f.model->removeRows(0, 1, other.idx(0)));
    }

    void reparent()
    {
        Fixture f;
        QSignalSpy resetSpy(f.model, &QAbstractItemModel::modelReset);
        f.model->reparentTask(f.idx(2), f.idx(0), 0);
        QCOMPARE(f.titles(), (QStringList{"a", " c", " a1", ""}));
        f.model->reparentTask(f.idx(0, 0, f.idx(0)), QModelIndex(), 99);
        QCOMPARE(f.titles(), (QStringList{"a", " a1", "", "c"}));
        QCOMPARE(resetSpy.count(), 2);
        QCOMPARE(f.marks(), QStringLiteral("0"));
        QTest::ignoreMessage(QtWarningMsg, "ListModel::reparentTask: cannot move a task below itself");
        f.model->reparentTask(f.idx(0), f.idx(0, 0, f.idx(0)), 0);
        QCOMPARE(f.titles(), (QStringList{"a", " a1", "", "c"}));
    }

    // ----------------------------------------------------------- list level

    void listLevelMarks()
    {
        Fixture f;
        QSignalSpy nameSpy(f.model, &ListModel::nameChanged);
        f.model->setName(f.model->name());
        f.model->setDescription(QString());
        f.model->setDone(false);
        f.model->restoreShowStartTimeColumn(true);
        f.model->restoreSharedRevision(4000000000u);
        f.model->setSharedEdited();
        f.model->clearSharedEdited();
        f.model->resetSharedEdited();
        QCOMPARE(f.marks(), QStringLiteral("0"));
        QCOMPARE(f.model->sharedRevision(), 4000000000u);
        QVERIFY(f.model->showStartTimeColumn());
        f.model->setShowAssignmentColumn(true);
        QCOMPARE(f.marks(), QStringLiteral("0 changed"));
        f.model->clearChanged();
        f.model->setSharedEdited();
        f.model->resetSharedEdited();
        QVERIFY(!f.model->isSharedEdited());
        QCOMPARE(f.marks(), QStringLiteral("0 changed"));
        f.model->clearChanged();
        f.model->setSharedRevision(5);
        QCOMPARE(f.marks(), QStringLiteral("0 changed"));
        f.model->setName("groceries");
        QCOMPARE(f.marks(), QStringLiteral("0 changed edited"));
        QCOMPARE(nameSpy.count(), 0);

        Fixture g;
        g.model->setDone(true);
        QVERIFY(g.model->isDone());
        QCOMPARE(g.marks(), QStringLiteral("0 changed edited"));
        Fixture h;
        QSignalSpy resetSpy(h.model, &QAbstractItemModel::modelReset);
        h.model->markEditedAndReset();
        QCOMPARE(h.marks(), QStringLiteral("0 changed edited"));
        QCOMPARE(resetSpy.count(), 1);
        QSignalSpy permSpy(h.model, &ListModel::ownerPermissionsChanged);
        h.model->clearChanged();
        h.model->setPermissions("r");
        QCOMPARE(permSpy.count(), 1);
        QVERIFY(!h.model->hasWritePermission() && !h.model->hasDeletePermission());
        QVERIFY(!h.model->isChanged());
    }

    void setTaskList()
    {
        Fixture f;
        f.model->setData(f.idx(0), "x", Qt::EditRole);
        f.model->clearChanged();
        QSignalSpy nameSpy(f.model, &ListModel::nameChanged);
        TaskList *server = makeList(TaskList::Unedited);
        addTask(server->rootTask(), "from server");
        f.model->setTaskList(server);
        QCOMPARE(f.list(), server);
        QCOMPARE(f.marks(), QStringLiteral("0 changed"));
        QCOMPARE(nameSpy.count(), 1);
        QCOMPARE(f.titles(), QStringList{"from server"});
    }

    void resetToNew()
    {
        Fixture f;
        f.model->addSharedUser("bob", "rw");
        f.model->setSharedRevision(7);
        f.model->saveUndoState();
        f.model->removeRows(2, 1); // c, id 3
        f.model->clearChanged();
        QSignalSpy shareSpy(f.model, &ListModel::shareListChanged);
        f.model->resetToNew();
        QCOMPARE(shareSpy.count(), 1);
        QCOMPARE(f.list()->syncStatus(), TaskList::New);
        QCOMPARE(f.model->sharedUserCount(), 0);
        QCOMPARE(f.model->sharedRevision(), 1u);
        QVERIFY(!f.model->isSharedEdited());
        QVERIFY(f.model->isChanged());
        QVERIFY(f.list()->removedTasks().isEmpty());
        for (Task *t : f.list()->allTasks())
            QCOMPARE(t->id(), 0u);
        // No undo back into the old account's ids.
        QVERIFY(!f.model->canUndo());
    }

    // -------------------------------------------------------------- sharing

    void sharing_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<bool>("edited"); // changed and shared-edited
        QTest::addColumn<int>("signalCount");
        QTest::addColumn<QStringList>("users");
        const QString get = "ListModel: Trying to get the permissions of a shared user that don't exists ";
        const QString change = "ListModel: Trying to change permissions of a shared user that don't exists ";
        const QString insert = "ListModel: Trying to insert a shared user that already exists ";
        const QString remove = "ListModel: Trying to shared a shared user that don't exists ";
        QTest::newRow("add new") << "add" << "carol" << true << "" << true << 1 << QStringList{"bob", "carol"};
        QTest::newRow("add present") << "add" << "bob" << false << insert << false << 0 << QStringList{"bob"};
        QTest::newRow("load new") << "load" << "carol" << true << "" << false << 1 << QStringList{"bob", "carol"};
        QTest::newRow("load present") << "load" << "bob" << false << insert << false << 0 << QStringList{"bob"};
        QTest::newRow("remove present") << "remove" << "bob" << true << "" << true << 1 << QStringList();
        QTest::newRow("remove absent") << "remove" << "zed" << false << remove << false << 0 << QStringList{"bob"};
        QTest::newRow("permissions present") << "perm" << "bob" << true << "" << true << 1 << QStringList{"bob"};
        QTest::newRow("permissions absent") << "perm" << "zed" << false << change << false << 0 << QStringList{"bob"};
        QTest::newRow("get absent") << "get" << "zed" << false << get << false << 0 << QStringList{"bob"};
        QTest::newRow("get present") << "get" << "bob" << true << "" << false << 0 << QStringList{"bob"};
        QTest::newRow("unshare all") << "unshare" << "" << true << "" << true << 1 << QStringList();
        QTest::newRow("set from server") << "set" << "" << true << "" << false << 1 << QStringList{"x", "y"};
        QTest::newRow("two edits") << "two" << "carol" << true << "" << true << 2 << QStringList{"carol"};
    }
    void sharing()
    {
        QFETCH(QString, op);
        QFETCH(QString, name);
        QFETCH(bool, result);
        QFETCH(QString, warning);
        QFETCH(bool, edited);
        QFETCH(int, signalCount);
        QFETCH(QStringList, users);
        Fixture f;
        f.model->loadSharedUser("bob", "r");
        QVERIFY(!f.model->isChanged() && !f.model->isSharedEdited());
        QSignalSpy spy(f.model, &ListModel::shareListChanged);
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning + name));
        bool r = true;
        if (op == "add")
            r = f.model->addSharedUser(name, "rw");
        else if (op == "load")
            r = f.model->loadSharedUser(name, "rw");
        else if (op == "remove")
            r = f.model->removeSharedUser(name);
        else if (op == "perm")
            r = f.model->setSharedUserPermissions(name, "rwd");
        else if (op == "get")
            r = !f.model->sharedUserPermissions(name).isNull();
        else if (op == "unshare")
            f.model->unshareAll();
        else if (op == "two")
            r = f.model->addSharedUser(name, "rw") && f.model->removeSharedUser("bob");
        else
            f.model->setSharedUsers({{"x", "r"}, {"y", "rw"}});
        QCOMPARE(r, result);
        QCOMPARE(f.marks(), edited ? QStringLiteral("0 changed") : QStringLiteral("0"));
        QCOMPARE(f.model->isSharedEdited(), edited);
        QCOMPARE(spy.count(), signalCount);
        QCOMPARE(f.model->sharedUserNames(), users);
        QCOMPARE(f.model->sharedUserCount(), users.size());
        if (op == "perm" && result)
            QCOMPARE(f.model->sharedUserPermissions("bob"), QStringLiteral("rwd"));
        // What the server agreed stays as the first edit found it; unedited,
        // it is the users themselves.
        const QMap<QString, QString> agreed = edited ? QMap<QString, QString>{{"bob", "r"}} : f.model->sharedUsers();
        QVERIFY(f.model->agreedSharedUsers() == agreed);
    }

    // --------------------------------------------------------------- alarms

    void alarmWindow_data()
    {
        QTest::addColumn<QTime>("alarm");
        QTest::addColumn<int>("offset"); // of the window's times from UTC
        QTest::addColumn<bool>("due");
        QTest::newRow("inside") << QTime(10, 0, 30) << 0 << true;
        QTest::newRow("end included") << QTime(10, 1, 0) << 0 << true;
        QTest::newRow("start excluded") << QTime(10, 0, 0) << 0 << false;
        QTest::newRow("after") << QTime(10, 1, 0, 1) << 0 << false;
        QTest::newRow("before") << QTime(9, 59, 59) << 0 << false;
        // A window given in another zone's time means the same instants.
        QTest::newRow("window in another zone") << QTime(10, 0, 30) << 2 * 3600 << true;
    }
    void alarmWindow()
    {
        QFETCH(QTime, alarm);
        QFETCH(int, offset);
        QFETCH(bool, due);
        Fixture f;
        Task *nested = f.task(0, f.idx(0));
        Task *done = f.task(2);
        nested->setAlarmTime(QDateTime(QDate(2026, 5, 1), alarm, Qt::UTC));
        done->setAlarmTime(QDateTime(QDate(2026, 5, 1), alarm, Qt::UTC));
        QSignalSpy dataSpy(f.model, &QAbstractItemModel::dataChanged);
        const QDateTime last = QDateTime(QDate(2026, 5, 1), QTime(10, 0), Qt::UTC).toOffsetFromUtc(offset);
        // Done tasks ring as well.
        QCOMPARE(f.model->tasksWithAlarmBetween(last, last.addSecs(60)), due ? (QSet<Task *>{nested, done}) : QSet<Task *>());
        QCOMPARE(dataSpy.count(), due ? 2 : 0);
        QVERIFY(!f.model->isChanged());
    }
};

PLUMDECK_TEST_MAIN(TstListModel)
#include "tst_listmodel.moc"
