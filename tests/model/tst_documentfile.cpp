#include "core/clock.h"
#include "interruptedsave.h"
#include "model/documentfile.h"
#include "modeltest.h"
#include "simulatedfs.h"
#include "testenvironment.h"

#include <QProcess>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Runs the child program with `arguments`: what it printed, or "killed".
QByteArray runChild(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(PLUMDECK_DOCUMENTCHILD), arguments);
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return "timed out";
    }
    if (process.exitStatus() == QProcess::CrashExit)
        return "killed";
    return process.readAllStandardOutput().trimmed();
}

// Everything in the documents' folder, links included.
QStringList entries()
{
    return QDir(dirPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                                     QDir::Name);
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

    // A save leaves no note behind; its note is there before the temporary,
    // and names a named one while the content is written. An unnamed one
    // has no name yet: it is noted only once the content is complete (see
    // killedSave).
    void saveNotesItsTemporaryWhileItRuns_data()
    {
        QTest::addColumn<bool>("named");
        QTest::newRow("named temporary") << true;
        QTest::newRow("unnamed temporary") << false;
    }

    void saveNotesItsTemporaryWhileItRuns()
    {
        QFETCH(bool, named);
        writeFile(docPath(), "old content");
        const QString notePath = DocumentFile::interruptedSaveNotePath(docPath());
        QStringList temporaries;
        QByteArray note = "none";
        QString error;
        plumdeck_simulate_named_temporaries(named);
        const bool saved = DocumentFile::save(
            docPath(),
            [&](QIODevice *device, QString *) {
                if (!device->open(QIODevice::WriteOnly))
                    return false;
                temporaries = QDir(dirPath()).entryList({QStringLiteral("doc.xhtml.??????")}, QDir::Files);
                if (QFile::exists(notePath))
                    note = readFile(notePath);
                return device->write("new content") == 11;
            },
            &error);
        plumdeck_simulate_named_temporaries(false);
        QVERIFY(saved);
        QCOMPARE(temporaries.size(), named ? 1 : 0);
        const QByteArray expected = "Plumdeck: a save of this document was under way\n"
            + (named ? temporaries.first().toUtf8() + '\n' : QByteArray());
        QCOMPARE(note, expected);
        QVERIFY(!QFile::exists(notePath));
        QCOMPARE(readFile(docPath()), QByteArray("new content"));
        QCOMPARE(entries(), QStringList{QStringLiteral("doc.xhtml")});
    }

    // A save killed half-way, its temporary unnamed (this machine's file
    // system) or named (simulated): the document stays as it was, and the
    // next start removes what the save left. A user's file of the note's
    // name stays as it was; that save goes un-noted, so its temporary stays.
    void killedSave_data()
    {
        QTest::addColumn<bool>("named");
        QTest::addColumn<QString>("killed");
        QTest::addColumn<bool>("usersFile");
        QTest::addColumn<int>("leftovers");
        QTest::addColumn<int>("removed");
        QTest::newRow("named, killed as its temporary is made") << true << "made" << false << 1 << 1;
        QTest::newRow("unnamed, killed while writing") << false << "writing" << false << 0 << 0;
        QTest::newRow("unnamed, killed at the commit") << false << "commit" << false << 1 << 1;
        QTest::newRow("named, killed while writing") << true << "writing" << false << 1 << 1;
        QTest::newRow("named, killed at the commit") << true << "commit" << false << 1 << 1;
        QTest::newRow("unnamed, the user's file of the note's name") << false << "commit" << true << 1 << 0;
        QTest::newRow("named, the user's file of the note's name") << true << "commit" << true << 1 << 0;
    }

    void killedSave()
    {
        QFETCH(bool, named);
        QFETCH(QString, killed);
        QFETCH(bool, usersFile);
        QFETCH(int, leftovers);
        QFETCH(int, removed);
        writeFile(docPath(), "old content");
        const QString notePath = DocumentFile::interruptedSaveNotePath(docPath());
        if (usersFile)
            writeFile(notePath, "my own notes");
        const QString mode = named ? QStringLiteral("named") : QStringLiteral("unnamed");
        QCOMPARE(runChild({QStringLiteral("save"), docPath(), mode, killed}), QByteArray("killed"));
        QCOMPARE(readFile(docPath()), QByteArray("old content"));
        const QStringList left = QDir(dirPath()).entryList({QStringLiteral("doc.xhtml.??????")}, QDir::Files);
        QCOMPARE(left.size(), leftovers);
        // The save's note is there from the start of the save.
        QVERIFY(QFile::exists(notePath));

        QCOMPARE(runChild({QStringLiteral("start"), docPath()}), "removed " + QByteArray::number(removed));
        QStringList expected = {QStringLiteral("doc.xhtml")};
        if (usersFile)
            expected << QStringLiteral("doc.xhtml.interrupted-save") << left;
        expected.sort();
        QCOMPARE(entries(), expected);
        QCOMPARE(readFile(docPath()), QByteArray("old content"));
        if (usersFile)
            QCOMPARE(readFile(notePath), QByteArray("my own notes"));
    }

    // A file or a link of the note's name is not the save's: the saves
    // neither write it (nor through it) nor remove it, and go un-noted,
    // saying so.
    void othersFileOfTheNoteNameStays_data()
    {
        QTest::addColumn<bool>("named");
        QTest::addColumn<QString>("kind");
        for (const bool named : {true, false}) {
            for (const char *kind : {"file", "link", "dangling link"}) {
                const QByteArray tag = (named ? "named, " : "unnamed, ") + QByteArray(kind);
                QTest::newRow(tag.constData()) << named << kind;
            }
        }
    }

    void othersFileOfTheNoteNameStays()
    {
        QFETCH(bool, named);
        QFETCH(QString, kind);
        // A document of its own for each row: the log says it once a run.
        const QString name = QString::fromLatin1(QTest::currentDataTag()).remove(QLatin1Char(',')).replace(QLatin1Char(' '), QLatin1Char('-'))
            + QStringLiteral(".xhtml");
        const QString document = dirPath() + QLatin1Char('/') + name;
        const QString notePath = DocumentFile::interruptedSaveNotePath(document);
        const QString mine = dirPath() + QStringLiteral("/mine.txt");
        writeFile(document, "old content");
        if (kind == QLatin1String("file")) {
            writeFile(notePath, "my own notes");
        } else {
            if (kind == QLatin1String("link"))
                writeFile(mine, "my own notes");
            QVERIFY(QFile::link(mine, notePath));
        }
        QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("saves of ") + document + QStringLiteral(" go without a note: a file ")
                                                      + notePath + QStringLiteral(" is already there and is left as it is")));
        // Said once a run, not at every save.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("go without a note")));
        QString error;
        plumdeck_simulate_named_temporaries(named);
        const bool saved = DocumentFile::save(document, writer(), &error) && DocumentFile::save(document, writer(), &error);
        plumdeck_simulate_named_temporaries(false);
        QVERIFY2(saved, qPrintable(error));
        QCOMPARE(readFile(document), QByteArray("new content"));
        QStringList expected = {name, name + QStringLiteral(".interrupted-save")};
        if (kind == QLatin1String("file")) {
            QCOMPARE(readFile(notePath), QByteArray("my own notes"));
        } else {
            QCOMPARE(QFileInfo(notePath).symLinkTarget(), mine);
            QCOMPARE(readFile(mine), kind == QLatin1String("link") ? QByteArray("my own notes") : QByteArray("<missing>"));
            if (kind == QLatin1String("link"))
                expected << QStringLiteral("mine.txt");
        }
        expected.sort();
        QCOMPARE(entries(), expected);
    }

    // A note for an unnamed temporary gives its device and inode: only that
    // file, under a name of the writer's form, unchanged since the note and
    // with no other name, is removed.
    void removeUnnamedLeftovers_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("variant");
        QTest::addColumn<bool>("removed");
        QTest::newRow("the noted file, named by the commit") << "doc.xhtml.rLSrPs" << "" << true;
        QTest::newRow("another inode") << "doc.xhtml.rLSrPs" << "other inode" << false;
        QTest::newRow("another device") << "doc.xhtml.rLSrPs" << "other device" << false;
        QTest::newRow("written after the note") << "doc.xhtml.rLSrPs" << "written after" << false;
        QTest::newRow("with a second name") << "doc.xhtml.rLSrPs" << "second name" << false;
        QTest::newRow("not of the writer's form") << "doc.xhtml.my-copy" << "" << false;
        QTest::newRow("a link to the noted file") << "doc.xhtml.rLSrPs" << "link" << false;
        QTest::newRow("no device in the note") << "doc.xhtml.rLSrPs" << "one field" << false;
    }

    void removeUnnamedLeftovers()
    {
        QFETCH(QString, name);
        QFETCH(QString, variant);
        QFETCH(bool, removed);
        writeFile(docPath(), "the document");
        const QString path = dirPath() + QLatin1Char('/') + name;
        const QString file = variant == QLatin1String("link") ? dirPath() + QStringLiteral("/mine.txt") : path;
        const int age = variant == QLatin1String("written after") ? 1800 : -1800;
        QVERIFY(InterruptedSave::plantFile(file, "something", InterruptedSave::beforeTheStart().addSecs(age)));
        if (variant == QLatin1String("link"))
            QVERIFY(QFile::link(file, path));
        if (variant == QLatin1String("second name"))
            QCOMPARE(::link(QFile::encodeName(file).constData(), QFile::encodeName(dirPath() + QStringLiteral("/mine.txt")).constData()), 0);
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(file).constData(), &st), 0);
        const quint64 device = quint64(st.st_dev) + (variant == QLatin1String("other device") ? 1 : 0);
        const quint64 inode = quint64(st.st_ino) + (variant == QLatin1String("other inode") ? 1 : 0);
        QString line = QStringLiteral("unnamed %1 %2").arg(device).arg(inode);
        if (variant == QLatin1String("one field"))
            line = QStringLiteral("unnamed %1").arg(inode);
        QVERIFY(InterruptedSave::plantNote(docPath(), line));
        QCOMPARE(DocumentFile::removeSaveLeftovers(docPath()), removed ? 1 : 0);
        QCOMPARE(QFileInfo(path).exists() || QFileInfo(path).isSymLink(), !removed);
        QCOMPARE(readFile(file), removed ? QByteArray("<missing>") : QByteArray("something"));
        QVERIFY(!QFile::exists(DocumentFile::interruptedSaveNotePath(docPath())));
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
        QTest::newRow("a link to a note") << "link";
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
        // A note of this save's form, elsewhere, that the link points to.
        const QString elsewhere = dirPath() + QStringLiteral("/elsewhere/doc.xhtml");
        if (note == QLatin1String("link")) {
            QVERIFY(InterruptedSave::plantNote(elsewhere, QStringLiteral("doc.xhtml.aB3xY9")));
            QVERIFY(QFile::link(DocumentFile::interruptedSaveNotePath(elsewhere), notePath));
        }
        QCOMPARE(DocumentFile::removeSaveLeftovers(docPath()), 0);
        QVERIFY(QFile::exists(temporary));
        QCOMPARE(QFile::exists(notePath), note != QLatin1String("none"));
        if (note == QLatin1String("link"))
            QVERIFY(QFileInfo(notePath).isSymLink());
    }

    // A note of its first line alone was cut short before the temporary
    // was known: only an empty file of the writer's form, made within
    // seconds of the note, can be that temporary; if there is exactly one,
    // it goes.
    void noteWithoutItsTemporary_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("seconds"); // after the note
        QTest::addColumn<bool>("removed");
        const QStringList one = {QStringLiteral("doc.xhtml.aB3xY9")};
        QTest::newRow("empty, made with the note") << one << 0 << 0 << true;
        QTest::newRow("empty, three seconds after") << one << 0 << 3 << true;
        QTest::newRow("empty, three seconds before") << one << 0 << -3 << true;
        QTest::newRow("empty, four seconds after") << one << 0 << 4 << false;
        QTest::newRow("empty, four seconds before") << one << 0 << -4 << false;
        QTest::newRow("not empty") << one << 1 << 0 << false;
        QTest::newRow("not of the writer's form") << QStringList{QStringLiteral("doc.xhtml.aB3xY")} << 0 << 0 << false;
        QTest::newRow("two of them") << (QStringList(one) << QStringLiteral("doc.xhtml.Qq7Rr8")) << 0 << 0 << false;
    }

    void noteWithoutItsTemporary()
    {
        QFETCH(QStringList, names);
        QFETCH(int, bytes);
        QFETCH(int, seconds);
        QFETCH(bool, removed);
        writeFile(docPath(), "the document");
        const QDateTime noted = InterruptedSave::beforeTheStart();
        for (const QString &name : names)
            QVERIFY(InterruptedSave::plantFile(dirPath() + QLatin1Char('/') + name, QByteArray(bytes, 'x'), noted.addSecs(seconds)));
        const QString notePath = DocumentFile::interruptedSaveNotePath(docPath());
        QVERIFY(InterruptedSave::plantFile(notePath, "Plumdeck: a save of this document was under way\n", noted));
        QCOMPARE(DocumentFile::removeSaveLeftovers(docPath()), removed ? 1 : 0);
        for (const QString &name : names)
            QCOMPARE(QFile::exists(dirPath() + QLatin1Char('/') + name), !removed);
        QVERIFY(!QFile::exists(notePath));
        QCOMPARE(readFile(docPath()), QByteArray("the document"));
    }

    // An empty file of the note's name from before the start is a note cut
    // short before its first line: it goes (nothing is lost with it), so
    // that the next saves are noted again. One made since the start stays.
    void emptyNoteFileIsLeftAlone_data()
    {
        QTest::addColumn<bool>("old");
        QTest::newRow("from before the start") << true;
        QTest::newRow("made since the start") << false;
    }

    void emptyNoteFileIsLeftAlone()
    {
        QFETCH(bool, old);
        writeFile(docPath(), "the document");
        const QString temporary = docPath() + QStringLiteral(".aB3xY9");
        QVERIFY(InterruptedSave::plantFile(temporary, "something", InterruptedSave::beforeTheStart()));
        const QString notePath = DocumentFile::interruptedSaveNotePath(docPath());
        QVERIFY(InterruptedSave::plantFile(notePath, "", old ? InterruptedSave::beforeTheStart() : QDateTime()));
        QCOMPARE(DocumentFile::removeSaveLeftovers(docPath()), 0);
        QVERIFY(QFile::exists(temporary));
        // It cannot be told from a file of somebody else's.
        QVERIFY(QFile::exists(notePath));
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
