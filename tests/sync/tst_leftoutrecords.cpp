#include "model/listmodel.h"
#include "model/notepadnote.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "storedclient.h"
#include "syncfixture.h"
#include "testenvironment.h"

#include <QRegularExpression>

// A list or note the reader left out of the local file, because its record
// could not be read, is the server's at the next run: it comes back once,
// as the server holds it, and nothing is sent twice.

namespace {

const QStringList Titles{QStringLiteral("Tickets"), QStringLiteral("Bags")};

QStringList taskTitles(const TaskList *list)
{
    QStringList out;
    for (const Task *task : list->rootTask()->children())
        out << task->title();
    return out;
}

// The file with the record named `name` changed as `change` says: its
// revision made 0 ("revision 0"), and its status too when asked ("deleted").
bool damage(const QString &path, const QString &name, const QString &change)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QString text = QString::fromUtf8(file.readAll());
    const int at = int(text.indexOf(QStringLiteral("<dd>%1</dd>").arg(name)));
    const QRegularExpression start(QStringLiteral("<div class=\"pd-(list|notepad-note)\">"));
    const int from = int(text.lastIndexOf(start, at));
    if (at < 0 || from < 0)
        return false;
    QString record = text.mid(from, at - from);
    // The value after the term, replaced.
    auto set = [&record](const QString &term, const QString &value) {
        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("<dt>%1</dt>\\s*<dd>(\\w+)</dd>").arg(term)).match(record);
        if (match.hasMatch())
            record.replace(match.capturedStart(1), match.capturedLength(1), value);
        return match.hasMatch();
    };
    if (!set(QStringLiteral("revision"), QStringLiteral("0")))
        return false;
    if (change == QLatin1String("deleted") && !set(QStringLiteral("sync-status"), QStringLiteral("deleted")))
        return false;
    text.replace(from, at - from, record);
    return file.seek(0) && file.resize(0) && file.write(text.toUtf8()) > 0;
}

} // namespace

class TstLeftOutRecords : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_server = std::make_unique<CheckedFakeServer>();
        QVERIFY(m_server->start());
        m_server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
        ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), QStringLiteral("secret"));
        QFile::remove(NotepadNotes::filePath());
    }
    void cleanup()
    {
        QCOMPARE(ListsSynchronizer::running(), nullptr);
        QTRY_COMPARE(ServerHttpConnection::instance()->queuedCount(), 0);
        m_server.reset();
    }

    void comesBackFromTheServer_data()
    {
        QTest::addColumn<bool>("note");
        QTest::addColumn<QString>("change");
        QTest::newRow("list with revision 0") << false << "revision 0";
        QTest::newRow("removed list with an id and revision 0") << false << "deleted";
        QTest::newRow("note with revision 0") << true << "revision 0";
        QTest::newRow("removed note with an id and revision 0") << true << "deleted";
    }
    void comesBackFromTheServer()
    {
        QFETCH(bool, note);
        QFETCH(QString, change);
        const QString trip = QStringLiteral("Trip");
        StoredClient store(QStringLiteral("a"));
        {
            LiveClient client(store);
            client.addList(trip, Titles);
            client.addList(QStringLiteral("Home"), {QStringLiteral("Sweep")});
            client.addNote(trip, Titles.join(QLatin1Char('\n')));
            client.addNote(QStringLiteral("Home"), QStringLiteral("sweep"));
            QVERIFY(runClientSync(client, *m_server));
            client.persist();
        }
        QVERIFY(damage(note ? store.notesPath() : store.listsPath(), trip, change));
        m_server->clearRequests();

        LiveClient client(store);
        QCOMPARE(note ? client.countNotes(trip) : client.countLists(trip), 0);
        QCOMPARE(note ? client.countNotes(QStringLiteral("Home")) : client.countLists(QStringLiteral("Home")), 1);
        QVERIFY(runClientSync(client, *m_server));
        // Back, once, as the server holds it; the other items untouched.
        if (note) {
            QCOMPARE(client.countNotes(trip), 1);
            QCOMPARE(client.note(trip)->text(), Titles.join(QLatin1Char('\n')));
            QCOMPARE(m_server->notes(QStringLiteral("alice")).size(), 2);
        } else {
            QCOMPARE(client.countLists(trip), 1);
            QCOMPARE(taskTitles(client.model(trip)->taskList()), Titles);
            QCOMPARE(m_server->lists().size(), 2);
        }
        QCOMPARE(client.countLists(QStringLiteral("Home")) + client.countNotes(QStringLiteral("Home")), 2);
        QCOMPARE(m_server->requests("POST", QStringLiteral(".*")).size(), 0);
        QCOMPARE(m_server->requests("PUT", QStringLiteral("^/(lists|notepad-notes)/\\d+$")).size(), 0);
        QCOMPARE(m_server->requests("DELETE", QStringLiteral(".*")).size(), 0);
    }

private:
    std::unique_ptr<CheckedFakeServer> m_server;
};

PLUMDECK_TEST_MAIN(TstLeftOutRecords)
#include "tst_leftoutrecords.moc"
