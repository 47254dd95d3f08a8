#include "core/clock.h"
#include "model/listmodel.h"
#include "model/minutetimer.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "core/serversettings.h"
#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

namespace {

TaskList *makeList(TaskList::SyncStatus status, quint32 serverId, const QString &name = QStringLiteral("l"))
{
    TaskList *list = TaskList::create();
    list->setSyncStatus(status);
    list->setName(name);
    if (serverId) {
        list->setServerId(serverId);
        list->setRevision(1);
    }
    return list;
}

QStringList names(const UserLists &lists)
{
    QStringList result;
    const QList<ListModel *> models = lists.models();
    for (ListModel *model : models)
        result << model->taskList()->name();
    return result;
}

// Lists big enough that a save takes a noticeable time.
void fillLists(UserLists *lists, int listCount, int taskCount, const QString &firstName)
{
    for (int l = 0; l < listCount; ++l) {
        TaskList *list = TaskList::create();
        list->setName(l == 0 ? firstName : QStringLiteral("list %1").arg(l));
        for (int t = 0; t < taskCount; ++t) {
            Task *task = new Task;
            task->setTitle(QStringLiteral("task %1 of list %2 with some words to fill the line").arg(t).arg(l));
            task->setNote(Clock::currentDateTimeUtc(), QStringLiteral("a note that takes some room as well"));
            list->rootTask()->insertChild(task, t);
        }
        lists->addList(list);
    }
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write test file");
}

} // namespace

class TstUserLists : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        ServerSettings::instance()->setUserName(QStringLiteral("me"));
        QVERIFY(m_dir.isValid());
    }

    void cleanup() { Clock::reset(); }

    void addList_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<uint>("serverId");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("models");
        QTest::addColumn<int>("deleted");

        // The collection already holds a live list 5 and a deleted list 6.
        QTest::newRow("new") << int(TaskList::New) << 0u << int(UserLists::Added) << 3 << 1;
        QTest::newRow("unedited") << int(TaskList::Unedited) << 7u << int(UserLists::Added) << 3 << 1;
        QTest::newRow("deleted") << int(TaskList::Deleted) << 8u << int(UserLists::TakenAsDeleted) << 2 << 2;
        QTest::newRow("id of a live list") << int(TaskList::Edited) << 5u << int(UserLists::Refused) << 2 << 1;
        QTest::newRow("id of a deleted list") << int(TaskList::Unedited) << 6u << int(UserLists::Refused) << 2 << 1;
    }

    void addList()
    {
        QFETCH(int, status);
        QFETCH(uint, serverId);
        QFETCH(int, result);
        QFETCH(int, models);
        QFETCH(int, deleted);

        UserLists lists;
        lists.addList(makeList(TaskList::Unedited, 5));
        lists.addList(makeList(TaskList::New, 0));
        lists.addList(makeList(TaskList::Deleted, 6));
        QSignalSpy added(&lists, &UserLists::listAdded);

        TaskList *list = makeList(TaskList::SyncStatus(status), serverId);
        if (result == UserLists::Refused)
            QTest::ignoreMessage(QtWarningMsg, "ignoring attempt to add list with server id we have already");
        UserLists::AddResult actual = UserLists::Added;
        ListModel *model = lists.addList(list, &actual);
        QCOMPARE(int(actual), result);
        QCOMPARE(model != nullptr, result == UserLists::Added);
        QCOMPARE(added.count(), result == UserLists::Added ? 1 : 0);
        QCOMPARE(lists.models().size(), models);
        QCOMPARE(lists.deletedLists().size(), deleted);
        if (result == UserLists::Refused)
            delete list; // still the caller's
    }

    void deleteList()
    {
        UserLists lists;
        TaskList *fresh = makeList(TaskList::New, 0);
        TaskList *known = makeList(TaskList::Unedited, 5);
        known->rootTask()->createChild(0)->setTitle(QStringLiteral("t"));
        ListModel *freshModel = lists.addList(fresh);
        ListModel *knownModel = lists.addList(known);
        lists.clearModified();
        QSignalSpy removed(&lists, &UserLists::listRemoved);

        lists.deleteList(fresh);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.first().first().value<ListModel *>(), freshModel);
        QCOMPARE(lists.models(), QList<ListModel *>{knownModel});
        QVERIFY(lists.deletedLists().isEmpty());
        QVERIFY(lists.isModified());

        lists.deleteList(known);
        QCOMPARE(removed.count(), 2);
        QVERIFY(lists.models().isEmpty());
        QCOMPARE(lists.deletedLists(), QList<TaskList *>{known});
        QCOMPARE(known->syncStatus(), TaskList::Deleted);
        QCOMPARE(known->rootTask()->childCount(), 0);
        QCOMPARE(lists.findDeletedByServerId(5), known);

        QTest::ignoreMessage(QtWarningMsg, "ignoring attempt to delete unknown list");
        lists.deleteList(known);
        QCOMPARE(lists.deletedLists().size(), 1);

        // A live model over a list already marked deleted is left alone.
        TaskList *marked = makeList(TaskList::Deleted, 7);
        ListModel *markedModel = new ListModel(marked);
        lists.addModel(markedModel);
        QTest::ignoreMessage(QtWarningMsg, "attempt to mark deleted already deleted list");
        lists.deleteList(marked);
        QCOMPARE(lists.models(), QList<ListModel *>{markedModel});
        QCOMPARE(lists.deletedLists().size(), 1);
        QCOMPARE(removed.count(), 2);
    }

    void purgeList()
    {
        UserLists lists;
        TaskList *live = makeList(TaskList::Unedited, 5);
        TaskList *deleted = makeList(TaskList::Deleted, 6);
        lists.addList(live);
        lists.addList(deleted);
        lists.clearModified();
        QSignalSpy removed(&lists, &UserLists::listRemoved);

        lists.purgeList(deleted);
        QVERIFY(lists.deletedLists().isEmpty());
        QVERIFY(lists.isModified());
        lists.purgeList(live);
        QCOMPARE(removed.count(), 1);
        QVERIFY(lists.models().isEmpty());

        QScopedPointer<TaskList> stranger(makeList(TaskList::Edited, 9));
        QTest::ignoreMessage(QtWarningMsg, "UserLists::purgeList: couldn't find model for list");
        lists.purgeList(stranger.data());
        stranger->setSyncStatus(TaskList::Deleted);
        QTest::ignoreMessage(QtWarningMsg, "UserLists::purgeList: did not find list");
        lists.purgeList(stranger.data());
    }

    void moves()
    {
        UserLists lists;
        for (const char *name : {"a", "b", "c"})
            lists.addList(makeList(TaskList::New, 0, QLatin1String(name)));
        lists.clearModified();
        QSignalSpy order(&lists, &UserLists::displayOrderChanged);

        QTest::ignoreMessage(QtWarningMsg, "UserLists::moveList - invalid origin or destination indexes");
        lists.moveList(2, 2);
        QTest::ignoreMessage(QtWarningMsg, "UserLists::moveList - invalid origin or destination indexes");
        lists.moveList(0, 3);
        QTest::ignoreMessage(QtWarningMsg, "UserLists::moveListLeft - already at left");
        lists.moveListLeft(lists.models().first());
        QTest::ignoreMessage(QtWarningMsg, "UserLists::moveListRight - already at right");
        lists.moveListRight(lists.models().last());
        QCOMPARE(order.count(), 0);
        QVERIFY(!lists.isDisplayOrderChanged());

        lists.moveList(0, 2);
        QCOMPARE(names(lists), (QStringList{"b", "c", "a"}));
        lists.moveListLeft(lists.models().last());
        QCOMPARE(names(lists), (QStringList{"b", "a", "c"}));
        lists.moveListRight(lists.models().first());
        QCOMPARE(names(lists), (QStringList{"a", "b", "c"}));
        QCOMPARE(order.count(), 3);
        QVERIFY(lists.isDisplayOrderChanged());
        // Moving is not a change of the collection.
        QVERIFY(!lists.isModified());

        ListModel stranger(TaskList::create());
        QTest::ignoreMessage(QtWarningMsg, "UserLists::moveListLeft - can't find list");
        lists.moveListLeft(&stranger);
        QTest::ignoreMessage(QtWarningMsg, "UserLists::moveListRight - can't find list");
        lists.moveListRight(&stranger);
        QCOMPARE(order.count(), 3);
        delete stranger.taskList();
    }

    void setDisplayOrder()
    {
        UserLists lists;
        lists.addList(makeList(TaskList::Unedited, 3, QStringLiteral("three")));
        lists.addList(makeList(TaskList::New, 0, QStringLiteral("new")));
        lists.addList(makeList(TaskList::Edited, 7, QStringLiteral("seven")));
        QSignalSpy order(&lists, &UserLists::displayOrderChanged);
        QTest::ignoreMessage(QtWarningMsg, "UserLists::setDisplayOrder included unknown id 99");
        QTest::ignoreMessage(QtWarningMsg, "UserLists::setDisplayOrder did not include a position for a list");
        lists.setDisplayOrder({7, 99, 3, 7});
        QCOMPARE(names(lists), (QStringList{"seven", "three", "new"}));
        QCOMPARE(order.count(), 1);
        QVERIFY(!lists.isDisplayOrderChanged());
    }

    void modifiedMarks()
    {
        UserLists lists;
        QVERIFY(!lists.isModified());
        ListModel *model = lists.createList();
        QVERIFY(lists.isModified());
        lists.clearModified();
        QVERIFY(!lists.isModified());
        model->setName(QStringLiteral("renamed"));
        QVERIFY(lists.isModified());
        lists.clearModified();
        QVERIFY(!model->isChanged());
    }

    void ensureNotEmpty()
    {
        UserLists lists;
        lists.ensureNotEmpty();
        QCOMPARE(lists.models().size(), 1);
        QCOMPARE(lists.models().first()->rowCount(), 1);
        QCOMPARE(lists.models().first()->taskList()->rootTask()->child(0)->title(), QString());

        lists.addList(makeList(TaskList::New, 0));
        lists.ensureNotEmpty();
        QCOMPARE(lists.models().size(), 2);
        QCOMPARE(lists.models().at(1)->rowCount(), 1);
        lists.ensureNotEmpty();
        QCOMPARE(lists.models().first()->rowCount(), 1);
    }

    void removeAllLists()
    {
        UserLists lists;
        lists.addList(makeList(TaskList::New, 0));
        lists.addList(makeList(TaskList::Edited, 4));
        lists.addList(makeList(TaskList::Deleted, 5));
        QSignalSpy removed(&lists, &UserLists::listRemoved);
        lists.removeAllLists();
        QCOMPARE(removed.count(), 2);
        QVERIFY(lists.models().isEmpty());
        QVERIFY(lists.deletedLists().isEmpty());
    }

    void purgeUntouchedDefaultLists()
    {
        UserLists lists;
        lists.createList();
        ListModel *renamed = lists.createList();
        renamed->setName(QStringLiteral("mine"));
        lists.createList();
        lists.purgeUntouchedDefaultLists();
        QCOMPARE(lists.models(), QList<ListModel *>{renamed});
    }

    void replaceList()
    {
        UserLists lists;
        TaskList *old = makeList(TaskList::Unedited, 5, QStringLiteral("old"));
        old->setLocalId(3);
        ListModel *model = lists.addList(old);
        TaskList *fresh = makeList(TaskList::Unedited, 5, QStringLiteral("server copy"));
        lists.replaceList(model, fresh);
        QCOMPARE(model->taskList(), fresh);
        QCOMPARE(fresh->localId(), 3u);

        ListModel stranger(TaskList::create());
        QScopedPointer<TaskList> unused(makeList(TaskList::New, 0));
        QTest::ignoreMessage(QtWarningMsg, "ignoring attempt to replace unknown list");
        lists.replaceList(&stranger, unused.data());
        delete stranger.taskList();
    }

    void prepareForceRemoteSync()
    {
        UserLists lists;
        TaskList *owned = makeList(TaskList::Unedited, 5);
        TaskList *writable = makeList(TaskList::Unedited, 6);
        writable->setOwned(false);
        writable->setPermissions(QStringLiteral("rw"));
        TaskList *readOnly = makeList(TaskList::Unedited, 7);
        readOnly->setOwned(false);
        readOnly->setPermissions(QStringLiteral("r"));
        lists.addList(owned);
        lists.addList(writable);
        lists.addList(readOnly);
        lists.addList(makeList(TaskList::Deleted, 8));
        lists.prepareForceRemoteSync();
        QCOMPARE(owned->syncStatus(), TaskList::New);
        QCOMPARE(owned->serverId(), 0u);
        QCOMPARE(writable->syncStatus(), TaskList::Edited);
        QCOMPARE(readOnly->syncStatus(), TaskList::Unedited);
        QVERIFY(lists.deletedLists().isEmpty());
    }

    void localizeLists()
    {
        UserLists lists;
        ListModel *model = lists.addList(makeList(TaskList::Unedited, 5));
        model->addSharedUser(QStringLiteral("bob"), QStringLiteral("r"));
        lists.addList(makeList(TaskList::Deleted, 8));
        lists.localizeLists();
        QCOMPARE(model->taskList()->syncStatus(), TaskList::New);
        QCOMPARE(model->sharedUserCount(), 0);
        QVERIFY(lists.deletedLists().isEmpty());
    }

    void alarmScan()
    {
        UserLists lists;
        const QDateTime last(QDate(2009, 6, 1), QTime(10, 0), Qt::UTC);
        const QDateTime current = last.addSecs(60);
        ListModel *a = lists.addList(makeList(TaskList::New, 0));
        ListModel *b = lists.addList(makeList(TaskList::New, 0));
        Task *dueA = a->taskList()->rootTask()->createChild(0);
        dueA->setAlarmTime(current);
        Task *early = a->taskList()->rootTask()->createChild(1);
        early->setAlarmTime(last);
        Task *dueB = b->taskList()->rootTask()->createChild(0);
        dueB->setAlarmTime(last.addSecs(30));

        QSignalSpy alarms(&lists, &UserLists::alarmsOccurred);
        lists.onMinuteTimeout(last, current);
        QCOMPARE(alarms.count(), 1);
        const AlarmOccurrenceSet set = alarms.first().first().value<AlarmOccurrenceSet>();
        QCOMPARE(set, (AlarmOccurrenceSet{AlarmOccurrence(a, dueA), AlarmOccurrence(b, dueB)}));

        lists.onMinuteTimeout(current, current.addSecs(60));
        QCOMPARE(alarms.count(), 1);
    }

    void saveAndLoad()
    {
        const QString path = m_dir.filePath(QStringLiteral("roundtrip/lists.xhtml"));
        UserLists lists;
        lists.addList(makeList(TaskList::Unedited, 5, QStringLiteral("five")));
        lists.createList()->setName(QStringLiteral("mine"));
        lists.addList(makeList(TaskList::Deleted, 6));
        lists.setDisplayOrderChanged(true);
        QVERIFY(lists.isModified());
        QString error;
        QVERIFY(lists.save(path, &error));
        QVERIFY(error.isEmpty());
        QVERIFY(!lists.isModified());

        QScopedPointer<UserLists> read(UserLists::load(path, &error));
        QVERIFY2(read, qPrintable(error));
        QCOMPARE(names(*read), (QStringList{"five", "mine"}));
        QCOMPARE(read->deletedLists().size(), 1);
        QVERIFY(read->isDisplayOrderChanged());
    }

    void failedSaveKeepsFileAndMarks()
    {
        const QString path = m_dir.filePath(QStringLiteral("full/lists.xhtml"));
        UserLists lists;
        lists.createList()->setName(QStringLiteral("before"));
        QVERIFY(lists.save(path));
        const QByteArray before = readAll(path);
        QVERIFY(!before.isEmpty());

        fillLists(&lists, 2, 400, QStringLiteral("after"));
        QVERIFY(lists.isModified());

        // A file size limit makes the write fail half-way, as a full disk does.
        struct rlimit old;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limited = old;
        limited.rlim_cur = 16 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^error saving lists ")));
        QString error;
        const bool saved = lists.save(path, &error);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &old), 0);

        QVERIFY(!saved);
        QVERIFY(!error.isEmpty());
        QCOMPARE(readAll(path), before);
        QVERIFY(lists.isModified());

        // The next save writes the changes.
        QVERIFY(lists.save(path));
        QVERIFY(!lists.isModified());
        QScopedPointer<UserLists> read(UserLists::load(path));
        QVERIFY(read);
        QCOMPARE(read->models().size(), 3);
    }

    void unreadableFileKeptAside_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        QTest::newRow("truncated") << QByteArray("<?xml version=\"1.0\"?><html><head>") << "failed to parse xml";
        QTest::newRow("newer format")
            << QByteArray("<html><head><meta name=\"generator\" content=\"PlumDeck\"/>"
                          "<meta name=\"format-version\" content=\"3\"/></head><body/></html>")
            << "document format 3 is newer than our version 2";
        QTest::newRow("empty") << QByteArray() << "failed to parse xml";
    }

    void unreadableFileKeptAside()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        QDir(m_dir.path()).mkpath(QStringLiteral("bad"));
        const QString path = m_dir.filePath(QStringLiteral("bad/lists.xhtml"));
        writeAll(path, bytes);
        Clock::setFixedTime(QDateTime(QDate(2026, 12, 6), QTime(23, 1, 2), Qt::UTC));

        QString actual;
        QString aside;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^error loading lists ")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^kept the unreadable lists file as ")));
        QScopedPointer<UserLists> lists(UserLists::load(path, &actual, &aside));
        QVERIFY(!lists);
        QVERIFY2(actual.startsWith(error), qPrintable(actual));
        QVERIFY2(aside.startsWith(path + QStringLiteral(".unreadable-20261206230102")), qPrintable(aside));
        QCOMPARE(readAll(aside), bytes);

        // What the page does next: a fresh collection, saved over the path.
        UserLists fresh;
        fresh.ensureNotEmpty();
        QVERIFY(fresh.save(path));
        QCOMPARE(readAll(aside), bytes);
        QScopedPointer<UserLists> reread(UserLists::load(path));
        QVERIFY(reread);
        QFile::remove(aside);
    }

    void missingFileIsNotKeptAside()
    {
        const QString path = m_dir.filePath(QStringLiteral("nothing/lists.xhtml"));
        QString aside = QStringLiteral("x");
        QString error;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^error loading lists ")));
        QVERIFY(!UserLists::load(path, &error, &aside));
        QVERIFY(aside.isEmpty());
        QVERIFY(error.startsWith(QStringLiteral("Couldn't open device.")));
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("nothing"))));
    }

    void unkeepableFileIsNotSavedOver()
    {
        // No kept-aside name fits beside so long a name: the file stays the only
        // copy, and saving over it is refused.
        const QString path = m_dir.filePath(QString(240, QLatin1Char('l')));
        const QByteArray bytes("<html><head>");
        writeAll(path, bytes);
        QString error;
        QString aside = QStringLiteral("x");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^error loading lists ")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^could not keep the unreadable lists file ")));
        QVERIFY(!UserLists::load(path, &error, &aside));
        QVERIFY(aside.isEmpty());
        QVERIFY2(error.endsWith(QStringLiteral(" (the file could not be kept aside and will not be overwritten)")),
                 qPrintable(error));

        UserLists fresh;
        fresh.ensureNotEmpty();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^error saving lists refusing to overwrite ")));
        QVERIFY(!fresh.save(path, &error));
        QCOMPARE(error, QStringLiteral("refusing to overwrite the unreadable file ") + path);
        QCOMPARE(readAll(path), bytes);
        QVERIFY(fresh.isModified());
    }

    void killedSaveLeavesWholeFile()
    {
        const QString path = m_dir.filePath(QStringLiteral("killed/lists.xhtml"));
        {
            UserLists lists;
            fillLists(&lists, 10, 400, QStringLiteral("generation 0"));
            QVERIFY(lists.save(path));
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PLUMDECK_SAVE_LOOP_PATH"), path);
        int rounds = 0;
        for (int i = 0; i < 8; ++i) {
            QProcess child;
            child.setProcessEnvironment(env);
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("saveLoopChild")});
            QVERIFY(child.waitForStarted());
            QTest::qWait(300 + QRandomGenerator::global()->bounded(500));
            child.kill(); // SIGKILL: no chance to clean up
            QVERIFY(child.waitForFinished());
            ++rounds;

            QString error;
            QScopedPointer<UserLists> lists(UserLists::load(path, &error));
            QVERIFY2(lists, qPrintable(error));
            QCOMPARE(lists->models().size(), 10);
            QVERIFY(lists->models().first()->taskList()->name().startsWith(QStringLiteral("generation ")));
            QCOMPARE(lists->models().last()->rowCount(), 400);
        }
        QCOMPARE(rounds, 8);
    }

    void saveLoopChild()
    {
        // Run by killedSaveLeavesWholeFile in a child process.
        const QString path = qEnvironmentVariable("PLUMDECK_SAVE_LOOP_PATH");
        if (path.isEmpty())
            QSKIP("only runs as the child of killedSaveLeavesWholeFile");
        UserLists lists;
        fillLists(&lists, 10, 400, QStringLiteral("generation 1"));
        for (int generation = 1;; ++generation) {
            lists.models().first()->setName(QStringLiteral("generation %1").arg(generation));
            if (!lists.save(path))
                qFatal("save failed in the child");
        }
    }

private:
    QTemporaryDir m_dir;
};

PLUMDECK_TEST_MAIN(TstUserLists)
#include "tst_userlists.moc"
