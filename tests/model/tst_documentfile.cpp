#include "core/clock.h"
#include "interruptedsave.h"
#include "model/documentfile.h"
#include "modeltest.h"
#include "testenvironment.h"

#include <csignal>
#include <sys/resource.h>

using namespace ModelTest;

namespace {

QString dirPath()
{
    return QDir(TestEnvironment::homePath()).filePath(QStringLiteral("documents"));
}

QString docPath()
{
    return dirPath() + QStringLiteral("/doc.xhtml");
}

enum Failure { None, WriteFails, RenameFails };

// Writes "new content", then fails as asked: as a full disk would half-way,
// or by putting a folder where the file goes, so that only the final rename
// fails.
DocumentFile::Writer writer(Failure failure = None)
{
    return [=](QIODevice *device, QString *error) {
        if (!device->open(QIODevice::WriteOnly))
            return false;
        device->write("new content");
        if (failure == RenameFails) {
            QFile::remove(docPath());
            QDir().mkpath(docPath());
        }
        if (failure == WriteFails)
            *error = QStringLiteral("disk full");
        return failure != WriteFails;
    };
}

} // namespace

class TstDocumentFile : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QDir(dirPath()).removeRecursively();
        Clock::reset();
    }
    void cleanup() { Clock::reset(); }

    void save_data()
    {
        QTest::addColumn<bool>("existing");
        QTest::addColumn<int>("failure");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<int>("files");
        QTest::newRow("new file") << false << int(None) << QByteArray("new content") << 1;
        QTest::newRow("replaced") << true << int(None) << QByteArray("new content") << 1;
        QTest::newRow("failed write keeps the old file") << true << int(WriteFails) << QByteArray("old content") << 1;
        QTest::newRow("failed write leaves no file") << false << int(WriteFails) << QByteArray("<missing>") << 0;
        QTest::newRow("failed rename") << true << int(RenameFails) << QByteArray("<missing>") << 0;
    }
    void save()
    {
        QFETCH(bool, existing);
        QFETCH(int, failure);
        QFETCH(QByteArray, expected);
        QFETCH(int, files);
        // Without an old file the folder is missing too: save makes it.
        if (existing)
            writeFile(docPath(), "old content");
        QString error;
        QCOMPARE(DocumentFile::save(docPath(), writer(Failure(failure)), &error), failure == None);
        QCOMPARE(error.isEmpty(), failure == None);
        if (failure == WriteFails)
            QCOMPARE(error, QStringLiteral("disk full"));
        QCOMPARE(readFile(docPath()), expected);
        // No temporary file is left behind.
        QCOMPARE(QDir(dirPath()).entryList(QDir::Files).size(), files);
    }

    // The disk fills up (here: a file size limit) while the last part of
    // the document still sits in the writer's buffer: the save fails and the
    // earlier document stays whole.
    void writeFailingAtTheEnd()
    {
        writeFile(docPath(), "old content");
        const QByteArray big(3000, 'x');
        signal(SIGXFSZ, SIG_IGN);
        rlimit saved;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small = saved;
        small.rlim_cur = 2048;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        QString error;
        const bool saved_ = DocumentFile::save(
            docPath(),
            [&big](QIODevice *device, QString *) { return device->open(QIODevice::WriteOnly) && device->write(big) == big.size(); },
            &error);
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(!saved_);
        QVERIFY(!error.isEmpty());
        QCOMPARE(readFile(docPath()), QByteArray("old content"));
        QCOMPARE(QDir(dirPath()).entryList(QDir::Files).size(), 1);
    }

    void keepAside()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("^could not")));
        QVERIFY(DocumentFile::keepAside(docPath(), QStringLiteral("test")).isEmpty()); // nothing to keep
        Clock::setFixedTime(QDateTime(QDate(2026, 3, 29), QTime(1, 2, 3), Qt::UTC));
        const QString first = docPath() + QStringLiteral(".unreadable-20260329010203");
        writeFile(docPath(), "broken one");
        QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("kept the unreadable test file as ") + first));
        QCOMPARE(DocumentFile::keepAside(docPath(), QStringLiteral("test")), first);
        QVERIFY(!QFile::exists(docPath()));
        QCOMPARE(readFile(first), QByteArray("broken one"));

        // Within the same second: a second name, the first copy untouched.
        writeFile(docPath(), "broken two");
        QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("kept the unreadable test file as ") + first + "-2"));
        QCOMPARE(DocumentFile::keepAside(docPath(), QStringLiteral("test")), first + QStringLiteral("-2"));
        QCOMPARE(readFile(first), QByteArray("broken one"));
        QCOMPARE(readFile(first + QStringLiteral("-2")), QByteArray("broken two"));

        // Saving afterwards writes a fresh file beside the kept ones.
        QString error;
        QVERIFY(DocumentFile::save(docPath(), writer(), &error));
        QCOMPARE(QDir(dirPath()).entryList(QDir::Files).size(), 3);
    }

    // A file read in part stays in place: a crash before the next save
    // finds it again.
    void keepAsideCopy()
    {
        Clock::setFixedTime(QDateTime(QDate(2026, 3, 30), QTime(4, 5, 6), Qt::UTC));
        const QString kept = docPath() + QStringLiteral(".unreadable-20260330040506");
        writeFile(docPath(), "read in part");
        QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("kept the unreadable test file as ") + kept));
        QCOMPARE(DocumentFile::keepAside(docPath(), QStringLiteral("test"), DocumentFile::CopyAside), kept);
        QCOMPARE(readFile(docPath()), QByteArray("read in part"));
        QCOMPARE(readFile(kept), QByteArray("read in part"));
        QCOMPARE(DocumentFile::lastKeptAside(docPath()), kept);
        QString error;
        QVERIFY(DocumentFile::save(docPath(), writer(), &error));
        QCOMPARE(readFile(docPath()), QByteArray("new content"));
        QCOMPARE(readFile(kept), QByteArray("read in part"));
    }

    void unkeepableFileIsNotSavedOver()
    {
        // A name so long that no kept-aside name fits beside it: neither the
        // rename nor the copy can work, whoever runs the test.
        const QString path = dirPath() + QLatin1Char('/') + QString(240, QLatin1Char('d'));
        writeFile(path, "only copy");
        QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("could not keep the unreadable test file ") + path
                                                      + QStringLiteral(" aside; it will not be saved over")));
        QVERIFY(DocumentFile::keepAside(path, QStringLiteral("test")).isEmpty());
        QString error;
        QVERIFY(!DocumentFile::save(path, writer(), &error));
        QCOMPARE(error, QStringLiteral("refusing to overwrite the unreadable file ") + path);
        QCOMPARE(readFile(path), QByteArray("only copy"));
        // Once it loads, saving is allowed again.
        DocumentFile::loaded(path);
        QVERIFY(DocumentFile::save(path, writer(), &error));
        QCOMPARE(readFile(path), QByteArray("new content"));
    }

    // Only a temporary the save itself noted, of the writer's form and older
    // than the program's start, is removed; a file the user named stays,
    // even one that looks like a temporary.
    void removeSaveLeftovers_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("noted");
        QTest::addColumn<bool>("old");
        QTest::addColumn<bool>("removed");
        QTest::newRow("own stale temporary") << "lists.xhtml" << "lists.xhtml.aB3xY9" << true << true << true;
        QTest::newRow("own, digits only") << "notepad.xhtml" << "notepad.xhtml.123456" << true << true << true;
        QTest::newRow("own, newer than the start") << "lists.xhtml" << "lists.xhtml.aB3xY9" << true << false << false;
        QTest::newRow("user's backup") << "lists.xhtml" << "lists.xhtml.backup" << false << true << false;
        QTest::newRow("user's before") << "notepad.xhtml" << "notepad.xhtml.before" << false << true << false;
        QTest::newRow("user's six letters") << "lists.xhtml" << "lists.xhtml.abc123" << false << true << false;
        QTest::newRow("noted, not of the writer's form") << "lists.xhtml" << "lists.xhtml.my-copy" << true << true
                                                         << false;
        QTest::newRow("noted, five characters") << "lists.xhtml" << "lists.xhtml.aB3xY" << true << true << false;
        QTest::newRow("noted, seven characters") << "lists.xhtml" << "lists.xhtml.aB3xY9z" << true << true << false;
        QTest::newRow("noted, not a letter") << "lists.xhtml" << "lists.xhtml.aB3-Y9" << true << true << false;
        QTest::newRow("noted, another document's") << "lists.xhtml" << "other.xhtml.aB3xY9" << true << true
                                                   << false;
        QTest::newRow("noted, in another folder") << "lists.xhtml" << "../lists.xhtml.aB3xY9" << true << true
                                                  << false;
        QTest::newRow("kept aside") << "lists.xhtml" << "lists.xhtml.unreadable-20260329010203" << false << true
                                    << false;
    }

    void removeSaveLeftovers()
    {
        QFETCH(QString, document);
        QFETCH(QString, name);
        QFETCH(bool, noted);
        QFETCH(bool, old);
        QFETCH(bool, removed);
        const QString documentPath = dirPath() + QLatin1Char('/') + document;
        writeFile(documentPath, "the document");
        const QString path = dirPath() + QLatin1Char('/') + name;
        QVERIFY(InterruptedSave::plantFile(path, "something", old ? InterruptedSave::beforeTheStart() : QDateTime()));
        // An interrupted save of the document, whose temporary is this file or
        // another one that is gone.
        QVERIFY(InterruptedSave::plantNote(documentPath, noted ? name : document + QStringLiteral(".Zz9Zz9")));
        QCOMPARE(DocumentFile::removeSaveLeftovers(documentPath), removed ? 1 : 0);
        QCOMPARE(QFile::exists(path), !removed);
        QCOMPARE(readFile(documentPath), QByteArray("the document"));
        // The note has done its work.
        QVERIFY(!QFile::exists(DocumentFile::interruptedSaveNotePath(documentPath)));
        QCOMPARE(DocumentFile::removeSaveLeftovers(documentPath), 0);
    }

    // A link of a temporary's name is no temporary the save made: neither it
    // nor the file it points to is removed.
    void noteNamingALinkRemovesNothing()
    {
        writeFile(docPath(), "the document");
        const QString mine = dirPath() + QStringLiteral("/mine.txt");
        QVERIFY(InterruptedSave::plantFile(mine, "mine", InterruptedSave::beforeTheStart()));
        const QString link = docPath() + QStringLiteral(".aB3xY9");
        QVERIFY(QFile::link(mine, link));
        QVERIFY(InterruptedSave::plantNote(docPath(), QStringLiteral("doc.xhtml.aB3xY9")));
        QCOMPARE(DocumentFile::removeSaveLeftovers(docPath()), 0);
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readFile(mine), QByteArray("mine"));
    }

    // A save leaves no note behind; where the system gives the new content a
    // named temporary, the note names it while the save runs.
    void saveNotesItsTemporaryWhileItRuns()
    {
        writeFile(docPath(), "old content");
        const QString notePath = DocumentFile::interruptedSaveNotePath(docPath());
        QStringList temporaries;
        QByteArray note = "none";
        QString error;
        QVERIFY(DocumentFile::save(
            docPath(),
            [&](QIODevice *device, QString *) {
                if (!device->open(QIODevice::WriteOnly))
                    return false;
                temporaries = QDir(dirPath()).entryList({QStringLiteral("doc.xhtml.??????")}, QDir::Files);
                if (QFile::exists(notePath))
                    note = readFile(notePath);
                return device->write("new content") == 11;
            },
            &error));
        const QByteArray expected = temporaries.size() == 1
            ? "Plumdeck: a save of this document was under way\n" + temporaries.first().toUtf8() + '\n'
            : QByteArray("none");
        QCOMPARE(note, expected);
        QVERIFY(!QFile::exists(notePath));
        QCOMPARE(readFile(docPath()), QByteArray("new content"));
    }

    // Without the save's note nothing is removed, and a file of the note's
    // name that is no note, or a note written since the start, is left
    // alone with the temporary it names.
    void leftoversNeedTheSavesNote_data()
    {
        QTest::addColumn<QString>("note");
        QTest::newRow("no note") << "none";
        QTest::newRow("user's file of that name") << "user's";
        QTest::newRow("note newer than the start") << "new";
    }

    void leftoversNeedTheSavesNote()
    {
        QFETCH(QString, note);
        writeFile(docPath(), "the document");
        const QString temporary = docPath() + QStringLiteral(".aB3xY9");
        QVERIFY(InterruptedSave::plantFile(temporary, "something", InterruptedSave::beforeTheStart()));
        const QString notePath = DocumentFile::interruptedSaveNotePath(docPath());
        if (note == QLatin1String("user's"))
            QVERIFY(InterruptedSave::plantNote(docPath(), temporary, false));
        if (note == QLatin1String("new")) {
            QVERIFY(InterruptedSave::plantNote(docPath(), QStringLiteral("doc.xhtml.aB3xY9")));
            QVERIFY(InterruptedSave::setModified(notePath, QDateTime::currentDateTimeUtc()));
        }
        QCOMPARE(DocumentFile::removeSaveLeftovers(docPath()), 0);
        QVERIFY(QFile::exists(temporary));
        QCOMPARE(QFile::exists(notePath), note != QLatin1String("none"));
    }

    void lastKeptAside()
    {
        const QString path = dirPath() + QStringLiteral("/never-kept.xhtml");
        QVERIFY(DocumentFile::lastKeptAside(path).isEmpty());
        writeFile(path, "broken");
        const QString kept = DocumentFile::keepAside(path, QStringLiteral("test"));
        QVERIFY(!kept.isEmpty());
        QCOMPARE(DocumentFile::lastKeptAside(path), kept);
        QVERIFY(DocumentFile::lastKeptAside(docPath()) != kept);
    }
};

PLUMDECK_TEST_MAIN(TstDocumentFile)
#include "tst_documentfile.moc"
