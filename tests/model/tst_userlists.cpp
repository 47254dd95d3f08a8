#include "core/clock.h"
#include "model/listmodel.h"
#include "model/taskreaderwriter.h"
#include "model/userlists.h"
#include "core/serversettings.h"
#include "modeltest.h"
#include "testenvironment.h"

#include <QBuffer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

using namespace ModelTest;

namespace {

QString names(const UserLists &lists)
{
    QStringList result;
    for (ListModel *model : lists.models())
        result << model->taskList()->name();
    return result.join(QLatin1Char(' '));
}

// The collection in one line: live lists by name, deleted ones by server
// id, and the marks.
QString state(const UserLists &lists)
{
    QStringList deleted;
    for (const TaskList *l : lists.deletedLists())
        deleted << QString::number(l->serverId());
    return names(lists) + " / " + deleted.join(' ') + (lists.isModified() ? " / modified" : "")
        + (lists.isDisplayOrderChanged() ? " / order" : "");
}

// Lists big enough that a save takes a noticeable time.
void fillLists(UserLists *lists, int listCount, int taskCount, const QString &firstName)
{
    for (int l = 0; l < listCount; ++l) {
        TaskList *list = makeList(TaskList::New, 0, l == 0 ? firstName : QStringLiteral("list %1").arg(l));
        for (int t = 0; t < taskCount; ++t) {
            addTask(list->rootTask(), QStringLiteral("task %1 of list %2 with some words to fill the line").arg(t).arg(l))
                ->setNote(Clock::currentDateTimeUtc(), QStringLiteral("a note that takes some room as well"));
        }
        lists->addList(list);
    }
}

// A lists file as the program writes it, with `record` put in between its
// two lists, "A" (on the server, with a task) and "B" (new).
QByteArray fileWithRecord(const QByteArray &record)
{
    UserLists lists;
    TaskList *a = makeList(TaskList::Unedited, 5, QStringLiteral("A"));
    a->setRevision(3);
    addTask(a->rootTask(), QStringLiteral("a task"), 50);
    lists.addList(a);
    lists.addList(makeList(TaskList::New, 0, QStringLiteral("B")));
    QBuffer buffer;
    if (!TaskReaderWriter(XMLReaderWriter::LocalDocument).saveLists(&lists, &buffer))
        qFatal("save failed");
    QByteArray bytes = buffer.data();
    const QByteArray list("<div class=\"pd-list\">");
    return bytes.insert(bytes.indexOf(list, bytes.indexOf(list) + 1), record);
}

QByteArray listRecord(const QString &pairs, const QString &inner = QString())
{
    return QStringLiteral("<div class=\"pd-list\"><dl class=\"pd-list-fields\">%1</dl>%2</div>\n")
        .arg(ModelTest::fields(pairs), inner)
        .toUtf8();
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

    void deleteAndPurge()
    {
        UserLists lists;
        TaskList *known = makeList(TaskList::Unedited, 5, QStringLiteral("known"));
        addTask(known->rootTask(), QStringLiteral("t"));
        ListModel *fresh = lists.addList(makeList(TaskList::New, 0, QStringLiteral("fresh")));
        lists.addList(known);
        lists.clearModified();
        QSignalSpy removed(&lists, &UserLists::listRemoved);
        // A new list goes at once; one the server knows waits, emptied, as
        // deleted.
        lists.deleteList(fresh->taskList());
        QCOMPARE(removed.first().first().value<ListModel *>(), fresh);
        QCOMPARE(state(lists), QStringLiteral("known /  / modified"));
        lists.deleteList(known);
        QCOMPARE(state(lists), QStringLiteral(" / 5 / modified"));
        QCOMPARE(known->syncStatus(), TaskList::Deleted);
        QCOMPARE(known->rootTask()->childCount(), 0);
        QCOMPARE(lists.findDeletedByServerId(5), known);
        QTest::ignoreMessage(QtWarningMsg, "ignoring attempt to delete unknown list");
        lists.deleteList(known);
        // A live model over a list already marked deleted is left alone.
        TaskList *marked = makeList(TaskList::Deleted, 7, QStringLiteral("marked"));
        lists.addModel(new ListModel(marked));
        QTest::ignoreMessage(QtWarningMsg, "attempt to mark deleted already deleted list");
        lists.deleteList(marked);
        QCOMPARE(removed.count(), 2);

        // Purging drops a deleted list or a live one for good.
        lists.addList(makeList(TaskList::Unedited, 8, QStringLiteral("eight")));
        lists.clearModified();
        lists.purgeList(known);
        lists.purgeList(lists.models().last()->taskList());
        QCOMPARE(removed.count(), 3);
        QCOMPARE(state(lists), QStringLiteral("marked /  / modified"));
        QScopedPointer<TaskList> stranger(makeList(TaskList::Edited, 9));
        QTest::ignoreMessage(QtWarningMsg, "UserLists::purgeList: couldn't find model for list");
        lists.purgeList(stranger.data());
        stranger->setSyncStatus(TaskList::Deleted);
        QTest::ignoreMessage(QtWarningMsg, "UserLists::purgeList: did not find list");
        lists.purgeList(stranger.data());
    }

    // What the user moved is recorded as it is moved: the lists the server
    // knows, by id; nothing for the server's order taken, nothing of another
    // account's.
    void movesAreRecorded()
    {
        UserLists lists;
        lists.addList(makeList(TaskList::Unedited, 3, QStringLiteral("a")));
        lists.addList(makeList(TaskList::Edited, 7, QStringLiteral("b")));
        lists.addList(makeList(TaskList::New, 0, QStringLiteral("c")));
        QCOMPARE(lists.movedInOrder(), std::optional<QSet<quint32>>(QSet<quint32>()));
        lists.moveList(0, 2);
        QCOMPARE(lists.movedInOrder(), std::optional<QSet<quint32>>(QSet<quint32>{3}));
        lists.moveListLeft(lists.models().at(1)); // c, new: placed here whatever
        lists.moveListRight(lists.models().at(1)); // b
        QCOMPARE(lists.movedInOrder(), std::optional<QSet<quint32>>(QSet<quint32>{3, 7}));
        lists.setDisplayOrder({7, 3});
        QCOMPARE(lists.movedInOrder(), std::optional<QSet<quint32>>(QSet<quint32>{3, 7}));
        lists.setAgreedDisplayOrder(QList<quint32>{3, 7});
        lists.localizeLists();
        QCOMPARE(lists.movedInOrder(), std::optional<QSet<quint32>>(QSet<quint32>()));
        QCOMPARE(lists.agreedDisplayOrder(), std::nullopt);
    }

    void moves()
    {
        UserLists lists;
        for (const char *name : {"a", "b", "c"})
            lists.addList(makeList(TaskList::New, 0, QLatin1String(name)));
        lists.clearModified();
        QSignalSpy order(&lists, &UserLists::displayOrderChanged);
        const char *invalid = "UserLists::moveList - invalid origin or destination indexes";
        QTest::ignoreMessage(QtWarningMsg, invalid);
        lists.moveList(2, 2);
        QTest::ignoreMessage(QtWarningMsg, invalid);
        lists.moveList(0, 3);
        QTest::ignoreMessage(QtWarningMsg, "UserLists::moveListLeft - already at left");
        lists.moveListLeft(lists.models().first());
        QTest::ignoreMessage(QtWarningMsg, "UserLists::moveListRight - already at right");
        lists.moveListRight(lists.models().last());
        ListModel stranger(TaskList::create());
        QTest::ignoreMessage(QtWarningMsg, "UserLists::moveListLeft - can't find list");
        lists.moveListLeft(&stranger);
        QTest::ignoreMessage(QtWarningMsg, "UserLists::moveListRight - can't find list");
        lists.moveListRight(&stranger);
        delete stranger.taskList();
        QCOMPARE(order.count(), 0);
        QCOMPARE(state(lists), QStringLiteral("a b c / "));
        // Moving changes the order, not the collection.
        lists.moveList(0, 2);
        QCOMPARE(names(lists), QStringLiteral("b c a"));
        lists.moveListLeft(lists.models().last());
        QCOMPARE(names(lists), QStringLiteral("b a c"));
        lists.moveListRight(lists.models().first());
        QCOMPARE(order.count(), 3);
        QCOMPARE(state(lists), QStringLiteral("a b c /  / order"));

        // The server's order: a repeated id counts once, unknown ids are
        // skipped, lists it does not know keep their place after it.
        lists.models().at(0)->taskList()->setSyncStatus(TaskList::Unedited);
        lists.models().at(0)->taskList()->setServerId(3);
        lists.models().at(2)->taskList()->setSyncStatus(TaskList::Edited);
        lists.models().at(2)->taskList()->setServerId(7);
        lists.setDisplayOrderChanged(false);
        QTest::ignoreMessage(QtWarningMsg, "UserLists::setDisplayOrder included unknown id 99");
        QTest::ignoreMessage(QtWarningMsg, "UserLists::setDisplayOrder did not include a position for a list");
        lists.setDisplayOrder({7, 99, 3, 7});
        QCOMPARE(order.count(), 4);
        QCOMPARE(state(lists), QStringLiteral("c a b / "));
    }

    void collection()
    {
        UserLists lists;
        QCOMPARE(state(lists), QStringLiteral(" / "));
        lists.ensureNotEmpty();
        QCOMPARE(lists.models().first()->rowCount(), 1);
        QCOMPARE(state(lists), TaskList::defaultName() + " /  / modified");
        lists.clearModified();
        lists.models().first()->setName(QStringLiteral("renamed"));
        QVERIFY(lists.isModified());
        lists.clearModified();
        QVERIFY(!lists.models().first()->isChanged());
        // Every list gets a first row; untouched new lists can go.
        lists.addList(makeList(TaskList::New, 0));
        lists.createList();
        lists.ensureNotEmpty();
        QCOMPARE(lists.models().at(1)->rowCount() + lists.models().first()->rowCount(), 2);
        lists.purgeUntouchedDefaultLists();
        lists.addList(makeList(TaskList::Deleted, 5));
        QCOMPARE(state(lists), QStringLiteral("renamed l / 5 / modified"));
        QSignalSpy removed(&lists, &UserLists::listRemoved);
        lists.removeAllLists();
        QCOMPARE(removed.count(), 2);
        QCOMPARE(state(lists), QStringLiteral(" /  / modified"));
    }

    void replaceList()
    {
        UserLists lists;
        ListModel *model = lists.addList(makeList(TaskList::Unedited, 5, QStringLiteral("old"), 3));
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

    void accountChanges()
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
        lists.addList(readOnly)->addSharedUser(QStringLiteral("bob"), QStringLiteral("r"));
        lists.addList(makeList(TaskList::Deleted, 8));
        lists.prepareForceRemoteSync();
        // The user's own keep their ids, to be sent whole by the run.
        QCOMPARE(owned->serverId(), 5u);
        QCOMPARE(writable->syncStatus(), TaskList::Edited);
        QCOMPARE(readOnly->syncStatus(), TaskList::Unedited);
        // A removed list stays removed, to be deleted on the server.
        QCOMPARE(lists.deletedLists().size(), 1);
        QCOMPARE(lists.deletedLists().first()->serverId(), 8u);

        lists.addList(makeList(TaskList::Deleted, 9));
        lists.localizeLists();
        for (ListModel *model : lists.models()) {
            QCOMPARE(model->taskList()->syncStatus(), TaskList::New);
            QCOMPARE(model->sharedUserCount(), 0);
        }
        QVERIFY(lists.deletedLists().isEmpty());
    }

    // ------------------------------------------------------------ the file

    void failedSaveKeepsFileAndMarks()
    {
        const QString path = m_dir.filePath(QStringLiteral("full/lists.xhtml"));
        UserLists lists;
        lists.createList()->setName(QStringLiteral("before"));
        QVERIFY(lists.save(path));
        const QByteArray before = readFile(path);
        fillLists(&lists, 2, 400, QStringLiteral("after"));

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
        QCOMPARE(readFile(path), before);
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
        QTest::newRow("newer format") << QByteArray("<html><head><meta name=\"generator\" content=\"PlumDeck\"/>"
                                                    "<meta name=\"format-version\" content=\"3\"/></head><body/></html>")
                                      << "document format 3 is newer than our version 2";
        QTest::newRow("empty") << QByteArray() << "failed to parse xml";
        // A refused list inside a broken frame is no reason to read the rest.
        QTest::newRow("refused list, two bodies")
            << fileWithRecord(listRecord("sync-status=bad") + "</body><body>") << "duplicate elements body under html";
        QTest::newRow("refused list, cut short") << fileWithRecord(listRecord("sync-status=bad")).chopped(20)
                                                 << "failed to parse xml";
    }
    void unreadableFileKeptAside()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        const QString path = m_dir.filePath(QStringLiteral("bad/lists.xhtml"));
        QDir(QFileInfo(path).path()).removeRecursively();
        writeFile(path, bytes);
        Clock::setFixedTime(QDateTime(QDate(2026, 12, 6), QTime(23, 1, 2), Qt::UTC));
        QString actual;
        QString aside;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^error loading lists ")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^kept the unreadable lists file as ")));
        QVERIFY(!UserLists::load(path, &actual, &aside));
        QVERIFY2(actual.startsWith(error), qPrintable(actual));
        QVERIFY2(aside.startsWith(path + QStringLiteral(".unreadable-20261206230102")), qPrintable(aside));
        QCOMPARE(readFile(aside), bytes);

        // What the page does next: a fresh collection, saved over the path.
        UserLists fresh;
        fresh.ensureNotEmpty();
        QVERIFY(fresh.save(path));
        QCOMPARE(keptAsideBytes(path), bytes);
        QVERIFY(QScopedPointer<UserLists>(UserLists::load(path)));
    }

    // One list the reader refuses costs that list only: the others load, the
    // file is kept aside as it was, and the next save writes the others.
    void unreadListLeftOut_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("unread"); // name|server id|reason
        QTest::newRow("removed list with an id and revision 0")
            << listRecord("sync-status=deleted|id=7|revision=0|name=Gone|done=false") << "Gone|7|bad rev num string 0";
        QTest::newRow("id not a number") << listRecord("sync-status=edited|id=x|revision=1|name=Odd|done=false")
                                         << "Odd|0|bad list id string x";
        QTest::newRow("failing task")
            << listRecord("sync-status=new|name=Tasks|done=false",
                          "<ol class=\"pd-tasks\"><li class=\"pd-task\"><dl class=\"pd-task-fields\"><dt>title</dt>"
                          "<dd>t</dd><dt>done</dt><dd>maybe</dd></dl></li></ol>")
            << "Tasks|0|bad value for done: maybe";
        // A list nested past the element bound costs that list alone too.
        QTest::newRow("nested past the element bound")
            << listRecord("sync-status=unedited|id=12|revision=2|name=Deep|done=false",
                          QStringLiteral("<div>").repeated(XMLReaderWriter::maxElementDepth)
                              + QStringLiteral("</div>").repeated(XMLReaderWriter::maxElementDepth))
            << "Deep|12|" + XMLReaderWriter::tooDeepText();
    }
    void unreadListLeftOut()
    {
        QFETCH(QByteArray, record);
        QFETCH(QString, unread);
        const QString path = m_dir.filePath(QStringLiteral("partial/lists.xhtml"));
        QDir(QFileInfo(path).path()).removeRecursively();
        const QByteArray bytes = fileWithRecord(record);
        writeFile(path, bytes);
        Clock::setFixedTime(QDateTime(QDate(2026, 12, 6), QTime(23, 1, 2), Qt::UTC));
        QString error = QStringLiteral("x");
        QString aside;
        UnreadRecords left;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^left out list 2 of ")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^kept the unreadable lists file as ")));
        QScopedPointer<UserLists> lists(UserLists::load(path, &error, &aside, &left));
        QVERIFY(lists);
        QCOMPARE(error, QString());
        QCOMPARE(state(*lists), QStringLiteral("A B /  / modified"));
        QCOMPARE(lists->models().first()->rowCount(), 1);
        QCOMPARE(left.size(), 1);
        QCOMPARE(QStringLiteral("%1|%2|%3").arg(left.first().name).arg(left.first().serverId).arg(left.first().reason),
                 unread);
        QCOMPARE(left.first().position, 2);
        // A copy: the file stays in place until the next save replaces it.
        QVERIFY2(aside.startsWith(path + QStringLiteral(".unreadable-20261206230102")), qPrintable(aside));
        QCOMPARE(readFile(aside), bytes);
        QCOMPARE(readFile(path), bytes);

        // The next save writes the others without it and keeps the copy.
        QVERIFY(lists->save(path));
        QCOMPARE(keptAsideBytes(path), bytes);
        QVERIFY(readFile(path) != bytes);
        left << UnreadRecord();
        QScopedPointer<UserLists> again(UserLists::load(path, &error, &aside, &left));
        QVERIFY2(again, qPrintable(error));
        QCOMPARE(state(*again), QStringLiteral("A B /  / modified"));
        QVERIFY(left.isEmpty());
        QVERIFY(aside.isEmpty());
        QCOMPARE(keptAsideBytes(path), bytes);
    }

    void unreadListBesideRemovedOnesIsWrittenBack()
    {
        // Nothing read marks the lists changed: the left-out list does, so
        // that the next save writes the file without it.
        const QString path = m_dir.filePath(QStringLiteral("removed/lists.xhtml"));
        QDir(QFileInfo(path).path()).removeRecursively();
        QByteArray bytes = fileWithRecord(QByteArray());
        const qsizetype body = bytes.indexOf("<body>") + 6;
        bytes = bytes.left(body) + listRecord("sync-status=deleted|id=6|revision=3|name=Old")
                + listRecord("sync-status=deleted|id=7|revision=0|name=Gone") + "</body></html>\n";
        writeFile(path, bytes);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^left out list 2 of ")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^kept the unreadable lists file as ")));
        QScopedPointer<UserLists> lists(UserLists::load(path));
        QVERIFY(lists);
        QCOMPARE(state(*lists), QStringLiteral(" / 6 / modified"));
    }

    void unreadListOfUnkeepableFile()
    {
        // No kept-aside name fits beside so long a name: the lists read are
        // shown, but the file is the only copy of the one left out, and
        // saving over it is refused.
        const QString path = m_dir.filePath(QString(240, QLatin1Char('p')));
        const QByteArray bytes = fileWithRecord(listRecord("sync-status=bad|name=Lost"));
        writeFile(path, bytes);
        QString error;
        QString aside = QStringLiteral("x");
        UnreadRecords left;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^left out list 2 of ")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^could not keep the unreadable lists file ")));
        QScopedPointer<UserLists> lists(UserLists::load(path, &error, &aside, &left));
        QVERIFY(lists);
        QCOMPARE(names(*lists), QStringLiteral("A B"));
        QCOMPARE(left.size(), 1);
        QVERIFY(aside.isEmpty());
        QCOMPARE(error, QStringLiteral("the file could not be kept aside and will not be overwritten"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^error saving lists refusing to overwrite ")));
        QVERIFY(!lists->save(path));
        QCOMPARE(readFile(path), bytes);
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
        writeFile(path, "<html><head>");
        QString error;
        QString aside = QStringLiteral("x");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^error loading lists ")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^could not keep the unreadable lists file ")));
        QVERIFY(!UserLists::load(path, &error, &aside));
        QVERIFY(aside.isEmpty());
        QVERIFY2(error.endsWith(QStringLiteral(" (the file could not be kept aside and will not be overwritten)")), qPrintable(error));
        UserLists fresh;
        fresh.ensureNotEmpty();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^error saving lists refusing to overwrite ")));
        QVERIFY(!fresh.save(path, &error));
        QCOMPARE(error, QStringLiteral("refusing to overwrite the unreadable file ") + path);
        QCOMPARE(readFile(path), QByteArray("<html><head>"));
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
        for (int round = 0; round < 8; ++round) {
            QProcess child;
            child.setProcessEnvironment(env);
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("saveLoopChild")});
            QVERIFY(child.waitForStarted());
            QTest::qWait(300 + QRandomGenerator::global()->bounded(500));
            child.kill(); // SIGKILL: no chance to clean up
            QVERIFY(child.waitForFinished());
            QString error;
            QScopedPointer<UserLists> lists(UserLists::load(path, &error));
            QVERIFY2(lists, qPrintable(error));
            QCOMPARE(lists->models().size(), 10);
            QVERIFY(lists->models().first()->taskList()->name().startsWith(QStringLiteral("generation ")));
            QCOMPARE(lists->models().last()->rowCount(), 400);
        }
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
