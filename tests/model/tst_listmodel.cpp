#include "core/clock.h"
#include "core/options.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/taskattachment.h"
#include "model/taskattachmentvideohyperlink.h"
#include "model/taskattachmentwebhyperlink.h"
#include "model/tasklist.h"
#include "core/serversettings.h"
#include "testenvironment.h"

#include <QAbstractItemModelTester>
#include <QBrush>
#include <QLocale>
#include <QPixmap>
#include <QSettings>
#include <QSignalSpy>
#include <QTimer>

#include <memory>

namespace {

const QDateTime kNow(QDate(2026, 3, 2), QTime(0, 10, 30), Qt::UTC);

Task *addTask(Task *parent, const QString &title, quint32 id = 0)
{
    Task *t = new Task;
    t->setTitle(title);
    t->setId(id);
    parent->insertChild(t, parent->childCount());
    return t;
}

// A model over a list the server knows:
//   a (id 1)
//     a1 (id 2)
//   "" (untitled, no id)
//   c (id 3, done)
struct Fixture
{
    Fixture()
    {
        TaskList *list = TaskList::create();
        list->setSyncStatus(TaskList::Unedited);
        list->setServerId(40);
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
    Task *root() const { return list()->rootTask(); }
    QModelIndex idx(int row, int column = 0, const QModelIndex &parent = QModelIndex()) const
    {
        return model->index(row, column, parent);
    }
    QStringList titles() const
    {
        QStringList out;
        collect(root(), 0, out);
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

    ListModel *model;
};

enum Op {
    DueTime,
    StartTime,
    AlarmTime,
    Note,
    Priority,
    PriorityByTask
};

} // namespace

Q_DECLARE_METATYPE(Op)

class TstListModel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        ServerSettings::instance()->setCredentials(QStringLiteral("alice"), QStringLiteral("pw"));
    }
    void init() { Clock::setFixedTime(kNow); }
    void cleanup()
    {
        Clock::reset();
        QSettings().remove("ui/skin");
    }

    // ------------------------------------------------------------ structure

    void emptyList()
    {
        TaskList *list = TaskList::create();
        ListModel model(list);
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 12);
        QVERIFY(!model.index(0, 0).isValid());
        QCOMPARE(model.toText(), "= " + TaskList::defaultName() + " =\n");
        QVERIFY(model.isBlank());
        delete list;
    }

    void indexBounds_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("valid");
        QTest::newRow("first") << 0 << 0 << true;
        QTest::newRow("last cell") << 2 << 11 << true;
        QTest::newRow("row past end") << 3 << 0 << false;
        QTest::newRow("negative row") << -1 << 0 << false;
        QTest::newRow("negative column") << 0 << -1 << false;
        QTest::newRow("column 12") << 0 << 12 << false;
    }
    void indexBounds()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(bool, valid);
        Fixture f;
        QCOMPARE(f.idx(row, column).isValid(), valid);
    }

    void treeStructure()
    {
        Fixture f;
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
        QVERIFY(!f.model->indexOfTask(f.root()).isValid());
        QCOMPARE(f.model->taskForIndex(QModelIndex()), f.root());
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
        f.model->pasteTask(f.model->taskForIndex(f.idx(0))->copy(), f.idx(0));
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
        QVERIFY(timers.first()->isActive());
        // A sound tree walks without a complaint.
        QTest::failOnWarning(QRegularExpression(".*"));
        QSignalSpy spy(timers.first(), &QTimer::timeout);
        QVERIFY(spy.wait(2000));
    }

    // -------------------------------------------------------------- display

    void iconColumns_data()
    {
        QTest::addColumn<QStringList>("kinds");
        QTest::addColumn<QList<int>>("codes");     // columns 1..7
        QTest::addColumn<QStringList>("images");   // columns 1..7, "" = empty slot
        QTest::newRow("nothing") << QStringList() << QList<int>{0, 0, 0, 0, 0, 0, 0}
                                 << QStringList{"", "", "", "", "", "", ""};
        QTest::newRow("note and urgent")
            << QStringList{"note", "urgent"} << QList<int>{0, 0, 0, 0, 0, 0, 1}
            << QStringList{"", "", "", "", "", ":/priority-red.png", ":/note.png"};
        QTest::newRow("all seven")
            << QStringList{"assign", "web", "video", "start", "note", "alarm-past", "reminder"}
            << QList<int>{0, 2, 1, 3, 5, 4, 6}
            << QStringList{":/priority-green.png", ":/green-clock.png", ":/note.png", ":/calendar.png",
                           ":/attachment_video.png", ":/hyperlink.png", ":/asign_task.png"};
        QTest::newRow("alarm a minute ahead") << QStringList{"alarm-future"} << QList<int>{0, 0, 0, 0, 0, 0, 2}
                                             << QStringList{"", "", "", "", "", "", ":/red-clock.png"};
        QTest::newRow("alarm a minute ago") << QStringList{"alarm-past"} << QList<int>{0, 0, 0, 0, 0, 0, 2}
                                           << QStringList{"", "", "", "", "", "", ":/green-clock.png"};
        QTest::newRow("generic attachment shows nothing")
            << QStringList{"generic"} << QList<int>{0, 0, 0, 0, 0, 0, 0}
            << QStringList{"", "", "", "", "", "", ""};
    }
    void iconColumns()
    {
        QFETCH(QStringList, kinds);
        QFETCH(QList<int>, codes);
        QFETCH(QStringList, images);
        Fixture f;
        Task *t = f.model->taskForIndex(f.idx(0));
        for (const QString &kind : kinds) {
            if (kind == "note")
                t->setNote(QDateTime(), "n");
            else if (kind == "urgent")
                t->setPriority(TaskPriority::Urgent);
            else if (kind == "reminder")
                t->setPriority(TaskPriority::Reminder);
            else if (kind == "assign")
                t->assign("bob");
            else if (kind == "web")
                t->createAttachment("webHyperlink", "w", "http://w.example/");
            else if (kind == "video")
                t->createAttachment("videoHyperlink", "v", "http://v.example/");
            else if (kind == "generic")
                t->createAttachment("generic", "g", "http://g.example/");
            else if (kind == "start")
                t->setStartTime(kNow);
            else if (kind == "alarm-past")
                t->setAlarmTime(kNow.addSecs(-60));
            else if (kind == "alarm-future")
                t->setAlarmTime(kNow.addSecs(60));
        }
        for (int column = 1; column <= 7; ++column) {
            const QModelIndex index = f.idx(0, column);
            QCOMPARE(f.model->data(index, Qt::UserRole).toInt(), codes.at(column - 1));
            const QVariant image = f.model->data(index, Qt::DisplayRole);
            QCOMPARE(image.typeId(), int(QMetaType::QPixmap));
            const QString path = images.at(column - 1);
            if (path.isEmpty()) {
                QVERIFY2(image.value<QPixmap>().isNull(), qPrintable(QString::number(column)));
            } else {
                // A missing image would make both sides null.
                const QPixmap expected(path);
                QVERIFY2(!expected.isNull(), qPrintable(path));
                QCOMPARE(expected.size(), QSize(16, 16));
                QCOMPARE(image.value<QPixmap>().toImage(), expected.toImage());
            }
            // Icon cells take the row colours.
            QCOMPARE(f.model->data(index, Qt::BackgroundRole).typeId(), int(QMetaType::QBrush));
            QVERIFY(!f.model->data(index, Qt::ToolTipRole).isValid());
        }
    }

    void titleColumn()
    {
        Fixture f;
        const QVariant check = f.model->data(f.idx(2), Qt::CheckStateRole);
        QCOMPARE(check.typeId(), int(QMetaType::Bool));
        QCOMPARE(check.toBool(), true);
        QCOMPARE(f.model->data(f.idx(0), Qt::CheckStateRole).toBool(), false);
        QCOMPARE(f.model->data(f.idx(0), Qt::DisplayRole).toString(), QStringLiteral("a"));
        QCOMPARE(f.model->data(f.idx(0), Qt::EditRole).toString(), QStringLiteral("a"));
        QVERIFY(!f.model->data(f.idx(0), Qt::ToolTipRole).isValid());
        QVERIFY(!f.model->data(QModelIndex(), Qt::DisplayRole).isValid());
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
        Task *t = f.model->taskForIndex(f.idx(0));
        if (set) {
            t->setStartTime(kNow.addDays(3));
            t->setDueTime(kNow.addDays(3));
            t->setCreationTime(QDateTime(QDate(2026, 3, 1), QTime(23, 30), Qt::UTC));
            t->assign("bob");
            t->assign("carol");
        }
        for (int role : {Qt::DisplayRole, Qt::EditRole, Qt::BackgroundRole, Qt::ForegroundRole,
                         Qt::CheckStateRole, Qt::ToolTipRole, Qt::UserRole}) {
            QCOMPARE(f.model->data(f.idx(0, column), role).toString(), expected);
        }
    }

    void elapsedCountsDateChanges()
    {
        Fixture f;
        Task *t = f.model->taskForIndex(f.idx(0));
        t->setCreationTime(QDateTime(QDate(2026, 2, 28), QTime(0, 20), Qt::UTC));
        QCOMPARE(f.model->data(f.idx(0, 10)).toString(), QStringLiteral("2 days"));
        Clock::setFixedTime(QDateTime(QDate(2026, 2, 28), QTime(23, 59), Qt::UTC));
        QCOMPARE(f.model->data(f.idx(0, 10)).toString(), QStringLiteral("0 days"));
    }

    void localDateAcrossTimeZones()
    {
        // 23:30 UTC is already the next day east of Greenwich.
        const QByteArray oldTz = qgetenv("TZ");
        qputenv("TZ", "Asia/Tokyo");
        tzset();
        Fixture f;
        f.model->taskForIndex(f.idx(0))->setDueTime(QDateTime(QDate(2026, 3, 1), QTime(23, 30), Qt::UTC));
        QCOMPARE(f.model->data(f.idx(0, 9)).toString(), QLocale().toString(QDate(2026, 3, 2), QLocale::ShortFormat));
        qputenv("TZ", "America/New_York");
        tzset();
        QCOMPARE(f.model->data(f.idx(0, 9)).toString(), QLocale().toString(QDate(2026, 3, 1), QLocale::ShortFormat));
        if (oldTz.isEmpty())
            qunsetenv("TZ");
        else
            qputenv("TZ", oldTz);
        tzset();
    }

    void colours_data()
    {
        QTest::addColumn<int>("skin");
        QTest::addColumn<bool>("nested");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QColor>("text");
        QTest::newRow("blue top") << 1 << false << QColor(235, 242, 245) << QColor(62, 94, 127);
        QTest::newRow("blue nested") << 1 << true << QColor(255, 255, 255) << QColor(62, 94, 127);
        QTest::newRow("green top") << 0 << false << QColor(201, 214, 160) << QColor(0, 0, 0);
        QTest::newRow("green nested") << 0 << true << QColor(222, 230, 193) << QColor(51, 51, 51);
    }
    void colours()
    {
        QFETCH(int, skin);
        QFETCH(bool, nested);
        QFETCH(QColor, background);
        QFETCH(QColor, text);
        QSettings().setValue("ui/skin", skin);
        Fixture f;
        const QModelIndex index = nested ? f.idx(0, 0, f.idx(0)) : f.idx(0);
        for (int column : {0, 4}) {
            const QModelIndex cell = index.siblingAtColumn(column);
            const QBrush bg = f.model->data(cell, Qt::BackgroundRole).value<QBrush>();
            const QBrush fg = f.model->data(cell, Qt::ForegroundRole).value<QBrush>();
            QCOMPARE(bg.style(), Qt::SolidPattern);
            QCOMPARE(bg.color(), background);
            QCOMPARE(fg.color(), text);
        }
        // The skin is read once, when the model is made.
        QSettings().setValue("ui/skin", 1 - skin);
        QCOMPARE(f.model->data(index, Qt::BackgroundRole).value<QBrush>().color(), background);
    }

    void header_data()
    {
        QTest::addColumn<int>("section");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "   tasks";
        for (int s = 1; s <= 7; ++s)
            QTest::newRow(qPrintable(QString::number(s))) << s << QString();
        QTest::newRow("8") << 8 << "start time";
        QTest::newRow("9") << 9 << "end time";
        QTest::newRow("10") << 10 << "elapsed";
        QTest::newRow("11") << 11 << "assiged to";
        QTest::newRow("12") << 12 << QString();
        QTest::newRow("-1") << -1 << QString();
    }
    void header()
    {
        QFETCH(int, section);
        QFETCH(QString, text);
        Fixture f;
        for (Qt::Orientation o : {Qt::Horizontal, Qt::Vertical}) {
            for (int role : {Qt::DisplayRole, Qt::ToolTipRole}) {
                const QVariant v = f.model->headerData(section, o, role);
                QCOMPARE(v.isValid(), !text.isNull());
                QCOMPARE(v.toString(), text);
            }
        }
    }

    void itemFlags_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("editable");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("title") << 0 << true << true;
        for (int c = 1; c <= 11; ++c)
            QTest::newRow(qPrintable(QString::number(c))) << c << false << false;
    }
    void itemFlags()
    {
        QFETCH(int, column);
        QFETCH(bool, editable);
        QFETCH(bool, enabled);
        Fixture f;
        const Qt::ItemFlags flags = f.model->flags(f.idx(0, column));
        QCOMPARE(flags.testFlag(Qt::ItemIsEditable), editable);
        QCOMPARE(flags.testFlag(Qt::ItemIsEnabled), enabled);
        QCOMPARE(flags.testFlag(Qt::ItemIsSelectable), enabled);
    }

    void toText()
    {
        Fixture f;
        f.model->taskForIndex(f.idx(0))->setDone(true);
        f.list()->setName("Shopping");
        QCOMPARE(f.model->toText(), QStringLiteral("= Shopping =\n- a [done]\n-- a1\n- \n- c [done]\n"));
    }

    // ---------------------------------------------------------------- edits

    void setData_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("role");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("steps");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<bool>("edited");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("done");
        QTest::addColumn<bool>("touched");
        // Row 0 is "a" (not done), row 1 untitled, row 2 "c" (done).
        QTest::newRow("title into empty row, trimmed")
            << 1 << 2 << QVariant("  milk \t") << true << 1 << true << true << "milk" << false << true;
        QTest::newRow("rename") << 0 << 2 << QVariant("b") << true << 1 << true << true << "b" << false << true;
        QTest::newRow("same title") << 0 << 2 << QVariant("a") << true << 0 << false << false << "a" << false << false;
        QTest::newRow("blanks into empty row")
            << 1 << 2 << QVariant("   ") << true << 0 << true << false << "" << false << true;
        QTest::newRow("check untitled: changed, no step")
            << 1 << 10 << QVariant(true) << true << 0 << true << false << "" << true << true;
        QTest::newRow("check with Qt::Checked")
            << 0 << 10 << QVariant(int(Qt::Checked)) << true << 1 << true << true << "a" << true << true;
        QTest::newRow("Qt::Checked on a done row is no change")
            << 2 << 10 << QVariant(int(Qt::Checked)) << true << 0 << false << false << "c" << true << false;
        QTest::newRow("check state enum")
            << 0 << 10 << QVariant::fromValue(Qt::Checked) << true << 1 << true << true << "a" << true << true;
        QTest::newRow("uncheck") << 2 << 10 << QVariant(false) << true << 1 << true << true << "c" << false << true;
        QTest::newRow("display role refused")
            << 0 << 0 << QVariant("x") << false << 0 << false << false << "a" << false << false;
        QTest::newRow("background role refused")
            << 0 << 8 << QVariant("x") << false << 0 << false << false << "a" << false << false;
    }
    void setData()
    {
        QFETCH(int, row);
        QFETCH(int, role);
        QFETCH(QVariant, value);
        QFETCH(bool, accepted);
        QFETCH(int, steps);
        QFETCH(bool, changed);
        QFETCH(bool, edited);
        QFETCH(QString, title);
        QFETCH(bool, done);
        QFETCH(bool, touched);
        Fixture f;
        Task *t = f.model->taskForIndex(f.idx(row));
        const QDateTime before(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC);
        t->setModificationTime(before);
        QSignalSpy dataSpy(f.model, &QAbstractItemModel::dataChanged);
        QSignalSpy layoutSpy(f.model, &QAbstractItemModel::layoutChanged);
        QSignalSpy layoutAboutSpy(f.model, &QAbstractItemModel::layoutAboutToBeChanged);

        QCOMPARE(f.model->setData(f.idx(row), value, role), accepted);
        QCOMPARE(f.model->undoSnapshotCount(), steps);
        QCOMPARE(f.model->isChanged(), changed);
        QCOMPARE(f.edited(), edited);
        QCOMPARE(t->title(), title);
        QCOMPARE(t->isDone(), done);
        QCOMPARE(t->modificationTime() == kNow, touched);
        if (touched)
            QCOMPARE(t->lastModifiedBy(), QStringLiteral("alice"));
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
        Task *a = f.model->taskForIndex(f.idx(0));
        f.model->setTaskDone(a, true);
        QVERIFY(a->isDone());
        QCOMPARE(f.model->undoSnapshotCount(), 1);
        Task stranger;
        f.model->setTaskDone(&stranger, true);
        QVERIFY(!stranger.isDone());
    }

    void fieldSetters_data()
    {
        QTest::addColumn<Op>("op");
        QTest::addColumn<bool>("same");
        for (Op op : {DueTime, StartTime, AlarmTime, Note, Priority, PriorityByTask}) {
            const QByteArray name = QByteArray::number(int(op));
            QTest::newRow(name + " differs") << op << false;
            QTest::newRow(name + " same") << op << true;
        }
    }
    void fieldSetters()
    {
        QFETCH(Op, op);
        QFETCH(bool, same);
        Fixture f;
        const QModelIndex index = f.idx(0);
        Task *t = f.model->taskForIndex(index);
        const QDateTime time = kNow.addDays(2);
        const TaskNote note(kNow, "n");
        t->setDueTime(time);
        t->setStartTime(time);
        t->setAlarmTime(time);
        t->setNote(note);
        t->setPriority(TaskPriority::Urgent);
        const QDateTime other = same ? time : time.addSecs(60);
        QSignalSpy dataSpy(f.model, &QAbstractItemModel::dataChanged);
        switch (op) {
        case DueTime:
            f.model->setTaskDueTime(index, other);
            QCOMPARE(t->dueTime(), other);
            break;
        case StartTime:
            f.model->setTaskStartTime(index, other);
            QCOMPARE(t->startTime(), other);
            break;
        case AlarmTime:
            f.model->setTaskAlarmTime(index, other);
            QCOMPARE(t->alarmTime(), other);
            break;
        case Note:
            f.model->setTaskNote(index, same ? note : TaskNote(kNow, "m"));
            QCOMPARE(t->note().text(), same ? QStringLiteral("n") : QStringLiteral("m"));
            break;
        case Priority:
            f.model->setTaskPriority(index, same ? TaskPriority::Urgent : TaskPriority::Reminder);
            break;
        case PriorityByTask:
            f.model->changeTaskPriority(t, same ? TaskPriority::Urgent : TaskPriority::None);
            break;
        }
        QCOMPARE(f.model->undoSnapshotCount(), same ? 0 : 1);
        QCOMPARE(f.model->isChanged(), !same);
        QCOMPARE(f.edited(), !same);
        QCOMPARE(t->modificationTime() == kNow, !same);
        QCOMPARE(dataSpy.count(), same ? 0 : 1);
        if (!same) {
            const QModelIndex from = dataSpy.at(0).at(0).toModelIndex();
            const QModelIndex to = dataSpy.at(0).at(1).toModelIndex();
            QCOMPARE(from.row(), 0);
            QCOMPARE(from.column(), 1);
            QCOMPARE(to.column(), 7);
            // The snapshot holds the value from before the edit.
            f.model->undo();
            Task *restored = f.model->taskForIndex(f.idx(0));
            QCOMPARE(restored->dueTime(), time);
            QCOMPARE(restored->note(), note);
            QCOMPARE(restored->priority(), TaskPriority(TaskPriority::Urgent));
        }
    }

    void marksWithoutUndo_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<bool>("result");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<bool>("edited");
        QTest::addColumn<bool>("touched");
        // Columns of the row redrawn (first, last); none when -1.
        QTest::addColumn<int>("firstColumn");
        QTest::addColumn<int>("lastColumn");
        QTest::newRow("title") << "title" << true << true << true << true << 1 << 7;
        // Assignment changes redraw the assignment icon and the assignee column.
        QTest::newRow("assign new") << "assign" << true << true << true << false << 1 << 11;
        QTest::newRow("assign present") << "assign-again" << false << false << false << false << -1 << -1;
        QTest::newRow("unassign present") << "unassign" << true << true << true << false << 1 << 11;
        QTest::newRow("unassign absent") << "unassign-absent" << false << false << false << false << -1 << -1;
        QTest::newRow("unassign all") << "unassign-all" << true << true << true << false << 1 << 11;
        QTest::newRow("expand") << "expand" << true << true << false << false << -1 << -1;
        QTest::newRow("collapse") << "collapse" << true << true << false << false << -1 << -1;
    }
    void marksWithoutUndo()
    {
        QFETCH(QString, op);
        QFETCH(bool, result);
        QFETCH(bool, changed);
        QFETCH(bool, edited);
        QFETCH(bool, touched);
        QFETCH(int, firstColumn);
        QFETCH(int, lastColumn);
        Fixture f;
        const QModelIndex index = f.idx(0);
        Task *t = f.model->taskForIndex(index);
        t->assign("bob");
        QSignalSpy dataSpy(f.model, &QAbstractItemModel::dataChanged);
        bool r = true;
        if (op == "title")
            f.model->setTaskTitle(t, " untrimmed ");
        else if (op == "assign")
            r = f.model->assignTask(index, "carol");
        else if (op == "assign-again")
            r = f.model->assignTask(index, "bob");
        else if (op == "unassign")
            r = f.model->unassignTask(index, "bob");
        else if (op == "unassign-absent")
            r = f.model->unassignTask(index, "zed");
        else if (op == "unassign-all")
            f.model->unassignAll(index);
        else if (op == "expand") {
            t->setExpanded(false);
            f.model->expandTask(index);
            QVERIFY(t->isExpanded());
        } else if (op == "collapse") {
            f.model->collapseTask(index);
            QVERIFY(!t->isExpanded());
        }
        QCOMPARE(r, result);
        QCOMPARE(f.model->undoSnapshotCount(), 0);
        QCOMPARE(f.model->isChanged(), changed);
        QCOMPARE(f.edited(), edited);
        QCOMPARE(t->modificationTime() == kNow, touched);
        if (op == "title")
            QCOMPARE(t->title(), QStringLiteral(" untrimmed "));
        if (firstColumn < 0) {
            QCOMPARE(dataSpy.count(), 0);
        } else {
            QCOMPARE(dataSpy.count(), 1);
            QCOMPARE(dataSpy.at(0).at(0).toModelIndex(), index.siblingAtColumn(firstColumn));
            QCOMPARE(dataSpy.at(0).at(1).toModelIndex(), index.siblingAtColumn(lastColumn));
        }
    }

    // ------------------------------------------------------------ undo/redo

    void undoRedoSequence()
    {
        Fixture f;
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
        QCOMPARE(f.model->undoSnapshotCount(), 2);
        QCOMPARE(f.model->undoIndex(), 2);
        QTest::ignoreMessage(QtWarningMsg, "can't redo, already at end");
        f.model->redo();
        QCOMPARE(nameSpy.count(), 4);
        QCOMPARE(resetSpy.count(), 4);
        QVERIFY(f.model->isChanged());
    }

    void editAfterUndoDropsRedo()
    {
        Fixture f;
        f.model->setData(f.idx(0), "one", Qt::EditRole);
        f.model->setData(f.idx(0), "two", Qt::EditRole);
        f.model->undo();
        f.model->setData(f.idx(2), "three", Qt::EditRole);
        QCOMPARE(f.model->undoIndex(), f.model->undoSnapshotCount());
        QTest::ignoreMessage(QtWarningMsg, "can't redo, already at end");
        f.model->redo();
        QCOMPARE(f.titles(), (QStringList{"one", " a1", "", "three"}));
        f.model->undo();
        QCOMPARE(f.titles(), (QStringList{"one", " a1", "", "c"}));
    }

    void freshModelCannotUndo()
    {
        Fixture f;
        QTest::ignoreMessage(QtWarningMsg, "can't undo, already at start");
        f.model->undo();
        QVERIFY(!f.model->isChanged());
    }

    void removalSurvivesUndo_data()
    {
        QTest::addColumn<QString>("sequence");
        QTest::addColumn<bool>("inTree");
        QTest::addColumn<bool>("recorded");
        // "r" = remove "a" (id 1, with a1 id 2), "e" = another edit, "u" undo, "d" redo.
        QTest::newRow("remove") << "r" << false << true;
        QTest::newRow("remove, edit, undo the edit") << "reu" << false << true;
        QTest::newRow("remove, undo") << "ru" << true << false;
        QTest::newRow("remove, undo, redo") << "rud" << false << true;
        QTest::newRow("remove, undo, redo, undo, redo") << "rudud" << false << true;
        QTest::newRow("remove, edit, undo, undo, redo, redo") << "reuudd" << false << true;
    }
    void removalSurvivesUndo()
    {
        QFETCH(QString, sequence);
        QFETCH(bool, inTree);
        QFETCH(bool, recorded);
        Fixture f;
        for (const QChar c : sequence) {
            if (c == 'r') {
                f.model->saveUndoState();
                QVERIFY(f.model->removeRows(0, 1));
            } else if (c == 'e') {
                f.model->setData(f.idx(f.model->rowCount() - 1), "edited", Qt::EditRole);
            } else if (c == 'u') {
                f.model->undo();
            } else if (c == 'd') {
                f.model->redo();
            }
        }
        QList<quint32> treeIds;
        for (Task *t : f.list()->allTasks())
            treeIds << t->id();
        QList<quint32> removedIds;
        for (Task *t : f.list()->removedTasks())
            removedIds << t->id();
        QCOMPARE(treeIds.contains(1u), inTree);
        QCOMPARE(treeIds.contains(2u), inTree);
        QCOMPARE(removedIds, recorded ? (QList<quint32>{2, 1}) : QList<quint32>());
    }

    void attachmentRemovalUndone()
    {
        // The attachment dialog takes the step, removes, and resets.
        Fixture f;
        Task *t = f.model->taskForIndex(f.idx(0));
        TaskAttachment *link = t->createAttachment("webHyperlink", "shop", "http://shop.example.com/");
        f.model->saveUndoState();
        QVERIFY(t->removeAttachment(link));
        f.model->markEditedAndReset();
        f.model->undo();
        Task *restored = f.model->taskForIndex(f.idx(0));
        QVERIFY(restored != t);
        QCOMPARE(restored->attachmentCount(TaskAttachment::WebHyperlink), 1);
        QCOMPARE(int(restored->attachments().first()->type()), int(TaskAttachment::WebHyperlink));
        QCOMPARE(restored->attachments().first()->url(), QUrl("http://shop.example.com/"));
        QCOMPARE(f.model->data(f.idx(0, 7), Qt::UserRole).toInt(), int(ListModel::WebHyperlinkIcon));
        f.model->redo();
        QVERIFY(!f.model->taskForIndex(f.idx(0))->hasAttachments());
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

    void pasteAfterBlankSiblings()
    {
        Fixture f;
        // Rows: a, "", c. Paste after c: the blank row goes, the copy
        // follows c.
        Task *copy = f.model->taskForIndex(f.idx(0))->copy();
        QSignalSpy resetSpy(f.model, &QAbstractItemModel::modelReset);
        f.model->pasteTask(copy, f.idx(2));
        QCOMPARE(f.titles(), (QStringList{"a", " a1", "c", "a", " a1"}));
        QCOMPARE(copy->modificationTime(), kNow);
        QCOMPARE(copy->id(), 0u);
        QCOMPARE(f.model->undoSnapshotCount(), 1);
        QVERIFY(f.edited());
        QCOMPARE(resetSpy.count(), 1);
        f.model->undo();
        QCOMPARE(f.titles(), (QStringList{"a", " a1", "", "c"}));
    }

    void pasteFollowsTarget()
    {
        Fixture f;
        // Blank rows above the target: the copy still lands right after it.
        f.model->insertRows(0, 2);
        Task *copy = new Task;
        copy->setTitle("p");
        f.model->pasteTask(copy, f.idx(2)); // "a"
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
        Task *created = f.model->taskForIndex(f.idx(1, 0, f.idx(0)));
        QCOMPARE(created->creationTime(), kNow);
        QCOMPARE(created->createdBy(), QStringLiteral("alice"));
        QCOMPARE(f.model->rowCount(f.idx(0)), 3);
        QVERIFY(!f.model->isChanged());
        QCOMPARE(f.model->undoSnapshotCount(), 0);

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
        QVERIFY(!f.model->isChanged());
        QCOMPARE(f.model->undoSnapshotCount(), 0);

        QTest::ignoreMessage(QtWarningMsg, "ListModel::reparentTask: cannot move a task below itself");
        f.model->reparentTask(f.idx(0), f.idx(0, 0, f.idx(0)), 0);
        QCOMPARE(f.titles(), (QStringList{"a", " a1", "", "c"}));
    }

    // ----------------------------------------------------------- list level

    void listFields()
    {
        Fixture f;
        QSignalSpy nameSpy(f.model, &ListModel::nameChanged);
        f.model->setName(f.model->name());
        QVERIFY(!f.model->isChanged());
        f.model->setName("groceries");
        QVERIFY(f.model->isChanged());
        QVERIFY(f.edited());
        QCOMPARE(nameSpy.count(), 0);

        Fixture g;
        g.model->setDescription(QString());
        g.model->setDone(false);
        QVERIFY(!g.model->isChanged());
        g.model->setDone(true);
        QVERIFY(g.model->isDone());
        QVERIFY(g.edited());

        Fixture h;
        QSignalSpy permSpy(h.model, &ListModel::ownerPermissionsChanged);
        h.model->setPermissions("r");
        QCOMPARE(permSpy.count(), 1);
        QVERIFY(!h.model->hasWritePermission());
        QVERIFY(!h.model->hasDeletePermission());
        QVERIFY(!h.model->isChanged());
    }

    void columnFlags()
    {
        Fixture f;
        f.model->restoreShowStartTimeColumn(true);
        f.model->restoreShowEndTimeColumn(true);
        f.model->restoreShowElapsedTimeColumn(true);
        f.model->restoreShowAssignmentColumn(true);
        QVERIFY(!f.model->isChanged());
        QVERIFY(f.model->showStartTimeColumn() && f.model->showEndTimeColumn()
                && f.model->showElapsedTimeColumn() && f.model->showAssignmentColumn());
        f.model->setShowAssignmentColumn(false);
        QVERIFY(f.model->isChanged());
        QVERIFY(!f.edited());
        QVERIFY(!f.model->showAssignmentColumn());
    }

    void markEditedAndReset()
    {
        Fixture f;
        QSignalSpy resetSpy(f.model, &QAbstractItemModel::modelReset);
        f.model->markEditedAndReset();
        QCOMPARE(resetSpy.count(), 1);
        QVERIFY(f.model->isChanged());
        QVERIFY(f.edited());
    }

    void setTaskList()
    {
        Fixture f;
        f.model->setData(f.idx(0), "x", Qt::EditRole);
        f.model->clearChanged();
        QSignalSpy nameSpy(f.model, &ListModel::nameChanged);
        TaskList *server = TaskList::create();
        server->setSyncStatus(TaskList::Unedited);
        addTask(server->rootTask(), "from server");
        f.model->setTaskList(server);
        QCOMPARE(f.list(), server);
        QCOMPARE(f.model->undoSnapshotCount(), 0);
        QVERIFY(f.model->isChanged());
        QCOMPARE(server->syncStatus(), TaskList::Unedited);
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
        QTest::addColumn<bool>("changed");
        QTest::addColumn<bool>("sharedEdited");
        QTest::addColumn<int>("signalCount");
        QTest::addColumn<QStringList>("users");
        const QString get = "ListModel: Trying to get the permissions of a shared user that don't exists ";
        const QString change = "ListModel: Trying to change permissions of a shared user that don't exists ";
        const QString insert = "ListModel: Trying to insert a shared user that already exists ";
        const QString remove = "ListModel: Trying to shared a shared user that don't exists ";
        QTest::newRow("add new") << "add" << "carol" << true << "" << true << true << 1 << QStringList{"bob", "carol"};
        QTest::newRow("add present") << "add" << "bob" << false << insert << false << false << 0 << QStringList{"bob"};
        QTest::newRow("load new") << "load" << "carol" << true << "" << false << false << 1 << QStringList{"bob", "carol"};
        QTest::newRow("load present") << "load" << "bob" << false << insert << false << false << 0 << QStringList{"bob"};
        QTest::newRow("remove present") << "remove" << "bob" << true << "" << true << true << 1 << QStringList();
        QTest::newRow("remove absent") << "remove" << "zed" << false << remove << false << false << 0 << QStringList{"bob"};
        QTest::newRow("permissions present") << "perm" << "bob" << true << "" << true << true << 1 << QStringList{"bob"};
        QTest::newRow("permissions absent") << "perm" << "zed" << false << change << false << false << 0 << QStringList{"bob"};
        QTest::newRow("get absent") << "get" << "zed" << false << get << false << false << 0 << QStringList{"bob"};
        QTest::newRow("get present") << "get" << "bob" << true << "" << false << false << 0 << QStringList{"bob"};
        QTest::newRow("unshare all") << "unshare" << "" << true << "" << true << true << 1 << QStringList();
        QTest::newRow("set from server") << "set" << "" << true << "" << false << false << 1 << QStringList{"x", "y"};
    }
    void sharing()
    {
        QFETCH(QString, op);
        QFETCH(QString, name);
        QFETCH(bool, result);
        QFETCH(QString, warning);
        QFETCH(bool, changed);
        QFETCH(bool, sharedEdited);
        QFETCH(int, signalCount);
        QFETCH(QStringList, users);
        Fixture f;
        f.model->loadSharedUser("bob", "r");
        QVERIFY(!f.model->isChanged());
        QVERIFY(!f.model->isSharedEdited());
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
        else if (op == "set")
            f.model->setSharedUsers({{"x", "r"}, {"y", "rw"}});
        QCOMPARE(r, result);
        QCOMPARE(f.model->isChanged(), changed);
        QCOMPARE(f.model->isSharedEdited(), sharedEdited);
        QCOMPARE(spy.count(), signalCount);
        QCOMPARE(f.model->sharedUserNames(), users);
        QCOMPARE(f.model->sharedUserCount(), users.size());
        QCOMPARE(f.edited(), false);
        if (op == "perm" && result)
            QCOMPARE(f.model->sharedUserPermissions("bob"), QStringLiteral("rwd"));
    }

    void sharedMarks()
    {
        Fixture f;
        f.model->setSharedEdited();
        QVERIFY(f.model->isSharedEdited());
        QVERIFY(!f.model->isChanged());
        f.model->clearSharedEdited();
        QVERIFY(!f.model->isSharedEdited());
        f.model->resetSharedEdited();
        QVERIFY(!f.model->isChanged());
        f.model->setSharedEdited();
        f.model->resetSharedEdited();
        QVERIFY(!f.model->isSharedEdited());
        QVERIFY(f.model->isChanged());

        Fixture g;
        QCOMPARE(g.model->sharedRevision(), 1u);
        g.model->restoreSharedRevision(4000000000u);
        QVERIFY(!g.model->isChanged());
        QCOMPARE(g.model->sharedRevision(), 4000000000u);
        g.model->setSharedRevision(5);
        QVERIFY(g.model->isChanged());
    }

    void syncFlags()
    {
        Fixture f;
        QVERIFY(!f.model->isSyncPending() && !f.model->isManualSync() && !f.model->isSynchronizing());
        f.model->setSyncPending(true);
        f.model->setManualSync(true);
        f.model->setSynchronizing(true);
        QVERIFY(f.model->isSyncPending() && f.model->isManualSync() && f.model->isSynchronizing());
        QVERIFY(!f.model->isChanged());
        f.model->clearSyncFlags();
        QVERIFY(!f.model->isSyncPending() && !f.model->isManualSync() && !f.model->isSynchronizing());
    }

    // --------------------------------------------------------------- alarms

    void alarmWindow_data()
    {
        QTest::addColumn<QTime>("alarm");
        QTest::addColumn<bool>("due");
        QTest::newRow("inside") << QTime(10, 0, 30) << true;
        QTest::newRow("end included") << QTime(10, 1, 0) << true;
        QTest::newRow("start excluded") << QTime(10, 0, 0) << false;
        QTest::newRow("after") << QTime(10, 1, 0, 1) << false;
        QTest::newRow("before") << QTime(9, 59, 59) << false;
    }
    void alarmWindow()
    {
        QFETCH(QTime, alarm);
        QFETCH(bool, due);
        Fixture f;
        Task *nested = f.model->taskForIndex(f.idx(0, 0, f.idx(0)));
        Task *done = f.model->taskForIndex(f.idx(2));
        nested->setAlarmTime(QDateTime(QDate(2026, 5, 1), alarm, Qt::UTC));
        done->setAlarmTime(QDateTime(QDate(2026, 5, 1), alarm, Qt::UTC));
        QSignalSpy dataSpy(f.model, &QAbstractItemModel::dataChanged);
        const QSet<Task *> found = f.model->tasksWithAlarmBetween(
            QDateTime(QDate(2026, 5, 1), QTime(10, 0), Qt::UTC), QDateTime(QDate(2026, 5, 1), QTime(10, 1), Qt::UTC));
        // Done tasks ring as well.
        QCOMPARE(found, due ? (QSet<Task *>{nested, done}) : QSet<Task *>());
        QCOMPARE(dataSpy.count(), due ? 2 : 0);
        QVERIFY(!f.model->isChanged());
    }

    void alarmWindowInOtherTimeSpec()
    {
        // A window given in local time of another zone means the same instants.
        Fixture f;
        Task *t = f.model->taskForIndex(f.idx(0));
        t->setAlarmTime(QDateTime(QDate(2026, 5, 1), QTime(10, 0, 30), Qt::UTC));
        const QDateTime last = QDateTime(QDate(2026, 5, 1), QTime(10, 0), Qt::UTC).toOffsetFromUtc(2 * 3600);
        const QDateTime current = last.addSecs(60);
        QCOMPARE(f.model->tasksWithAlarmBetween(last, current), QSet<Task *>{t});
    }
};

PLUMDECK_TEST_MAIN(TstListModel)
#include "tst_listmodel.moc"
