#include "core/clock.h"
#include "interruptedsave.h"
#include "model/documentfile.h"
#include "modeltest.h"
#include "simulatedfs.h"
#include "testenvironment.h"

#include <QProcess>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
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

enum Failure { None, WriteFails, RenameFails, NeverOpened, DiskFills };

// Writes "new content", then fails as asked: as a full disk would half-way,
// or by putting a folder where the file goes, so that only the final rename
// fails; or says it is done without having opened the device.
DocumentFile::Writer writer(Failure failure = None)
{
    return [=](QIODevice *device, QString *error) {
        if (failure == NeverOpened)
            return true;
        if (!device->open(QIODevice::WriteOnly))
            return false;
        if (failure == DiskFills) {
            // In pieces, as the documents' writers go: the disk takes a
            // part of one.
            for (int i = 0; i < 100; ++i) {
                if (device->write(QByteArray(1000, 'x')) != 1000) {
                    *error = device->errorString();
                    return false;
                }
            }
            return true;
        }
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
        QTest::newRow("never opened") << true << int(NeverOpened) << QByteArray("old content") << 1;
        QTest::newRow("the disk fills up part-way: the system's reason") << true << int(DiskFills)
                                                                        << QByteArray("old content") << 1;
    }
    void save()
    {
        QFETCH(bool, existing);
        QFETCH(int, failure);
        QFETCH(QByteArray, expected);
        QFETCH(int, files);
        // Without an old file the folder is missing too: save makes it.
        if (existing) {
            writeFile(docPath(), "old content");
            QVERIFY(QFile::setPermissions(docPath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        }
        QString error;
        plumdeck_simulate_disk_room(failure == DiskFills ? 20000 : -1);
        const bool saved = DocumentFile::save(docPath(), writer(Failure(failure)), &error);
        plumdeck_simulate_disk_room(-1);
        QCOMPARE(saved, failure == None);
        // The replaced file's permissions are kept; a new one's are the usual.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        struct stat st;
        if (failure != RenameFails && ::stat(QFile::encodeName(docPath()).constData(), &st) == 0)
            QCOMPARE(st.st_mode & 0777, existing ? mode_t(0640) : 0666 & ~mask);
        QCOMPARE(error.isEmpty(), failure == None);
        if (failure == WriteFails)
            QCOMPARE(error, QStringLiteral("disk full"));
        if (failure == RenameFails)
            QCOMPARE(error, QString::fromLocal8Bit(std::strerror(EISDIR)));
        if (failure == DiskFills)
            QCOMPARE(error, QString::fromLocal8Bit(std::strerror(ENOSPC)));
        if (failure == NeverOpened)
            QCOMPARE(error, QStringLiteral("nothing was written"));
        QCOMPARE(readFile(docPath()), expected);
        // No temporary file is left behind.
        QCOMPARE(QDir(dirPath()).entryList(QDir::Files).size(), files);
    }

    // No file can be opened (every descriptor the process may have is
    // taken): the save fails, saying why, and the document stays.
    void temporaryCannotBeMade()
    {
        writeFile(docPath(), "old content");
        rlimit saved;
        QCOMPARE(getrlimit(RLIMIT_NOFILE, &saved), 0);
        rlimit few = saved;
        few.rlim_cur = std::min<rlim_t>(saved.rlim_cur, 1024);
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &few), 0);
        QList<int> taken;
        for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
            taken.append(fd);
        QString error;
        const bool saved_ = DocumentFile::save(docPath(), writer(), &error);
        for (const int fd : taken)
            ::close(fd);
        setrlimit(RLIMIT_NOFILE, &saved);
        QVERIFY(!saved_);
        QCOMPARE(error, QString::fromLocal8Bit(std::strerror(EMFILE)));
        QCOMPARE(entries(), QStringList{QStringLiteral("doc.xhtml")});
        QCOMPARE(readFile(docPath()), QByteArray("old content"));
    }

    // A file the user puts in place of the note while the save runs is
    // theirs: the save's end leaves it.
    void fileInPlaceOfTheNoteStays()
    {
        writeFile(docPath(), "old content");
        const QString notePath = DocumentFile::interruptedSaveNotePath(docPath());
        QString error;
        const bool saved = DocumentFile::save(
            docPath(),
            [&](QIODevice *device, QString *) {
                QFile::remove(notePath);
                writeFile(notePath, "my own notes");
                return device->open(QIODevice::WriteOnly) && device->write("new content") == 11;
            },
            &error);
        QVERIFY2(saved, qPrintable(error));
        QCOMPARE(readFile(docPath()), QByteArray("new content"));
        QCOMPARE(readFile(notePath), QByteArray("my own notes"));
    }

    // A link that goes round in a circle ends nowhere: the save replaces it.
    void saveOverALinkGoingRound()
    {
        const QString other = dirPath() + QStringLiteral("/other.xhtml");
        QVERIFY(QDir().mkpath(dirPath()));
        QVERIFY(QFile::link(other, docPath()));
        QVERIFY(QFile::link(docPath(), other));
        QString error;
        QVERIFY2(DocumentFile::save(docPath(), writer(), &error), qPrintable(error));
        QVERIFY(!QFileInfo(docPath()).isSymLink());
        QCOMPARE(readFile(docPath()), QByteArray("new content"));
        QCOMPARE(QFileInfo(other).symLinkTarget(), docPath());
    }

    // A save through a link writes the file the link ends at (made when
    // missing) and leaves the link; its note and temporary are beside that
    // file, and so are what the start looks for there.
    void saveThroughALink_data()
    {
        QTest::addColumn<bool>("existing");
        QTest::newRow("to a file") << true;
        QTest::newRow("dangling") << false;
    }

    void saveThroughALink()
    {
        QFETCH(bool, existing);
        const QString target = dirPath() + QStringLiteral("/elsewhere/target.xhtml");
        QVERIFY(QDir().mkpath(QFileInfo(target).path()));
        if (existing)
            writeFile(target, "old content");
        QVERIFY(QFile::link(target, docPath()));
        QString error;
        QVERIFY2(DocumentFile::save(docPath(), writer(), &error), qPrintable(error));
        QVERIFY(QFileInfo(docPath()).isSymLink());
        QCOMPARE(readFile(target), QByteArray("new content"));
        QCOMPARE(QDir(QFileInfo(target).path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("target.xhtml")});

        const QString temporary = target + QStringLiteral(".plumdeck-save-k3v9q0x2m7ab");
        QVERIFY(InterruptedSave::plantFile(temporary, "cut short"));
        QVERIFY(InterruptedSave::plantNote(target, QFileInfo(temporary).fileName()));
        QCOMPARE(DocumentFile::removeSaveLeftovers(docPath()), 1);
        QCOMPARE(QDir(QFileInfo(target).path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("target.xhtml")});
        QVERIFY(QFileInfo(docPath()).isSymLink());
    }

    // A rename reaches the disk with its folder: the save syncs the folder
    // (the one the file is in, past links) after the rename, and a failure
    // there fails the save, saying that the new file is in place.
    void folderSyncedAfterTheRename_data()
    {
        QTest::addColumn<bool>("existing");
        QTest::addColumn<bool>("link");
        QTest::addColumn<int>("error"); // the folder's sync fails with it
        QTest::addColumn<bool>("atOpen");
        QTest::addColumn<QString>("message"); // empty: saved
        const QString inPlace = QStringLiteral("the new file is in place, but its folder could not be synced to disk: ");
        QTest::newRow("new file") << false << false << 0 << false << QString();
        QTest::newRow("replaced") << true << false << 0 << false << QString();
        QTest::newRow("through a link: the target's folder") << true << true << 0 << false << QString();
        QTest::newRow("the folder's sync fails") << true << false << int(EIO) << false
                                                 << inPlace + QString::fromLocal8Bit(std::strerror(EIO));
        QTest::newRow("the folder cannot be opened") << false << false << int(EACCES) << true
                                                     << inPlace + QString::fromLocal8Bit(std::strerror(EACCES));
        // As for the file's own sync: the file system has none to offer.
        QTest::newRow("no folder sync on this file system") << true << false << int(EINVAL) << false << QString();
    }

    void folderSyncedAfterTheRename()
    {
        QFETCH(bool, existing);
        QFETCH(bool, link);
        QFETCH(int, error);
        QFETCH(bool, atOpen);
        QFETCH(QString, message);
        const QString folder = link ? dirPath() + QStringLiteral("/elsewhere") : dirPath();
        const QString document = folder + QStringLiteral("/doc.xhtml");
        QVERIFY(QDir().mkpath(folder));
        if (existing)
            writeFile(document, "old content");
        if (link)
            QVERIFY(QFile::link(document, dirPath() + QStringLiteral("/link.xhtml")));
        const QString saved = link ? dirPath() + QStringLiteral("/link.xhtml") : document;
        QString errorText;
        plumdeck_simulate_folder_sync_failure(error, atOpen);
        plumdeck_simulate_journal(true);
        const bool ok = DocumentFile::save(saved, writer(), &errorText);
        plumdeck_simulate_journal(false);
        plumdeck_simulate_folder_sync_failure(0, false);
        QString journal = QString::fromLocal8Bit(plumdeck_simulated_journal());
        journal.replace(QRegularExpression(QStringLiteral("\\.plumdeck-save-[a-z0-9]{12}")), QStringLiteral(".TEMP"));
        // The calls name the folder as given, the system as it really is.
        const QString real = QFileInfo(folder).canonicalFilePath();
        QStringList expected = {QStringLiteral("fsync file %1/doc.xhtml.TEMP").arg(real),
                                QStringLiteral("rename %1.TEMP %1").arg(document)};
        if (!atOpen)
            expected << QStringLiteral("fsync folder ") + real;
        QCOMPARE(journal.split(QLatin1Char('\n'), Qt::SkipEmptyParts), expected);
        QCOMPARE(ok, message.isEmpty());
        QCOMPARE(errorText, message);
        // The new content is in place either way, and nothing else is left.
        QCOMPARE(readFile(document), QByteArray("new content"));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("doc.xhtml")});
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

    // Only a temporary the save itself noted, of the writer's own form, is
    // removed, whatever its times; a file the user named stays, even one
    // that an earlier version's temporary could have been named like, and
    // even when a note names it.
    void removeSaveLeftovers_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("noted");
        QTest::addColumn<bool>("old");
        QTest::addColumn<bool>("removed");
        const QString own = QStringLiteral(".plumdeck-save-k3v9q0x2m7ab");
        QTest::newRow("own stale temporary") << "lists.xhtml" << "lists.xhtml" + own << true << true << true;
        QTest::newRow("own, digits only") << "notepad.xhtml" << "notepad.xhtml.plumdeck-save-012345678901" << true
                                          << true << true;
        QTest::newRow("own, made since the start") << "lists.xhtml" << "lists.xhtml" + own << true << false << true;
        // The document's name cut (at a character) so that the name fits.
        const QString longName = QLatin1Char('x') + QString(114, QChar(0xe9)) + QStringLiteral(".xht");
        QTest::newRow("own, of a long name") << longName << QLatin1Char('x') + QString(113, QChar(0xe9)) + own << true
                                             << true << true;
        QTest::newRow("user's backup") << "lists.xhtml" << "lists.xhtml.backup" << false << true << false;
        QTest::newRow("user's before") << "notepad.xhtml" << "notepad.xhtml.before" << false << true << false;
        QTest::newRow("user's six letters") << "lists.xhtml" << "lists.xhtml.abc123" << false << true << false;
        QTest::newRow("noted, the user's backup") << "lists.xhtml" << "lists.xhtml.backup" << true << true << false;
        QTest::newRow("noted, the user's before") << "notepad.xhtml" << "notepad.xhtml.before" << true << true << false;
        QTest::newRow("noted, the user's old001") << "lists.xhtml" << "lists.xhtml.old001" << true << true << false;
        QTest::newRow("noted, an earlier version's form") << "lists.xhtml" << "lists.xhtml.aB3xY9" << true << true
                                                          << false;
        QTest::newRow("noted, not of the writer's form") << "lists.xhtml" << "lists.xhtml.my-copy" << true << true
                                                         << false;
        QTest::newRow("noted, eleven characters") << "lists.xhtml" << "lists.xhtml" + own.chopped(1) << true << true
                                                  << false;
        QTest::newRow("noted, thirteen characters") << "lists.xhtml" << "lists.xhtml" + own + "c" << true << true
                                                    << false;
        QTest::newRow("noted, a capital") << "lists.xhtml" << "lists.xhtml.plumdeck-save-k3v9q0X2m7ab" << true
                                          << true << false;
        QTest::newRow("noted, not a letter") << "lists.xhtml" << "lists.xhtml.plumdeck-save-k3v9q0-2m7ab" << true
                                             << true << false;
        QTest::newRow("noted, past the letters") << "lists.xhtml" << "lists.xhtml.plumdeck-save-k3v9q0{2m7ab" << true
                                                 << true << false;
        QTest::newRow("noted, another marker") << "lists.xhtml" << "lists.xhtml.plumdeck-safe-k3v9q0x2m7ab" << true
                                               << true << false;
        QTest::newRow("noted, another document's") << "lists.xhtml" << "other.xhtml" + own << true << true << false;
        QTest::newRow("noted, in another folder") << "lists.xhtml" << "../lists.xhtml" + own << true << true << false;
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
        QVERIFY(InterruptedSave::plantNote(documentPath, noted ? name : document + QStringLiteral(".plumdeck-save-zz9zz9zz9zz9")));
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
        const QString link = docPath() + QStringLiteral(".plumdeck-save-k3v9q0x2m7ab");
        QVERIFY(QFile::link(mine, link));
        QVERIFY(InterruptedSave::plantNote(docPath(), QStringLiteral("doc.xhtml.plumdeck-save-k3v9q0x2m7ab")));
        QCOMPARE(DocumentFile::removeSaveLeftovers(docPath()), 0);
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readFile(mine), QByteArray("mine"));
    }

    // A save leaves no note behind; its note is there before the temporary
    // and names it while the content is written, on a file system with
    // unnamed files or without them (simulated). The temporary's name is of
    // the writer's own form, the document's name cut at a character when
    // the whole would not fit. A start meanwhile (another program's) leaves
    // the save under way alone.
    void saveNotesItsTemporaryWhileItRuns_data()
    {
        QTest::addColumn<bool>("named");
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("without unnamed files") << true << "doc.xhtml" << "doc.xhtml.plumdeck-save-";
        QTest::newRow("with unnamed files") << false << "doc.xhtml" << "doc.xhtml.plumdeck-save-";
        // 233 bytes: the name fits, the temporary's would not; the cut falls
        // inside the last two-byte character kept whole.
        QTest::newRow("a long name") << false << QLatin1Char('x') + QString(114, QChar(0xe9)) + QStringLiteral(".xht")
                                     << QLatin1Char('x') + QString(113, QChar(0xe9)) + QStringLiteral(".plumdeck-save-");
    }

    void saveNotesItsTemporaryWhileItRuns()
    {
        QFETCH(bool, named);
        QFETCH(QString, document);
        QFETCH(QString, prefix);
        const QString path = dirPath() + QLatin1Char('/') + document;
        writeFile(path, "old content");
        const QString notePath = DocumentFile::interruptedSaveNotePath(path);
        QStringList temporaries;
        QByteArray note = "none";
        int removedMeanwhile = -1;
        QString error;
        plumdeck_simulate_named_temporaries(named);
        const bool saved = DocumentFile::save(
            path,
            [&](QIODevice *device, QString *) {
                if (!device->open(QIODevice::WriteOnly))
                    return false;
                temporaries = entries().filter(QStringLiteral(".plumdeck-save-"));
                if (QFile::exists(notePath))
                    note = readFile(notePath);
                removedMeanwhile = DocumentFile::removeSaveLeftovers(path);
                return device->write("new content") == 11;
            },
            &error);
        plumdeck_simulate_named_temporaries(false);
        QVERIFY2(saved, qPrintable(error));
        QCOMPARE(removedMeanwhile, 0);
        QCOMPARE(temporaries.size(), 1);
        QVERIFY2(QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(prefix) + QStringLiteral("[a-z0-9]{12}$"))
                     .match(temporaries.first())
                     .hasMatch(),
                 qPrintable(temporaries.first()));
        QVERIFY(QFile::encodeName(temporaries.first()).size() <= 255);
        QCOMPARE(note, "Plumdeck: a save of this document was under way\n" + QFile::encodeName(temporaries.first()) + '\n');
        QVERIFY(!QFile::exists(notePath));
        QCOMPARE(readFile(path), QByteArray("new content"));
        QCOMPARE(entries(), QStringList{document});
    }

    // A save killed half-way, on a file system with unnamed files (this
    // machine's) or without them (simulated): the document stays as it was,
    // and the next start removes what the save left, and only that: the
    // user's copies beside it, made before the save or after the kill
    // keeping the document's times, stay. A user's file of the note's name
    // stays as it was; that save goes un-noted, so its temporary stays.
    void killedSave_data()
    {
        QTest::addColumn<bool>("named");
        QTest::addColumn<QString>("killed");
        QTest::addColumn<bool>("usersFile");
        QTest::addColumn<int>("leftovers");
        QTest::addColumn<int>("removed");
        QTest::newRow("named, killed as its temporary is made") << true << "made" << false << 1 << 1;
        QTest::newRow("unnamed, killed while writing") << false << "writing" << false << 1 << 1;
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
        QVERIFY(InterruptedSave::setModified(docPath(), InterruptedSave::beforeTheStart()));
        const QString notePath = DocumentFile::interruptedSaveNotePath(docPath());
        if (usersFile)
            writeFile(notePath, "my own notes");
        const QStringList copies = {QStringLiteral("doc.xhtml.before"), QStringLiteral("doc.xhtml.backup"),
                                    QStringLiteral("doc.xhtml.old001")};
        QVERIFY(InterruptedSave::copyKeepingTimes(docPath(), dirPath() + QLatin1Char('/') + copies.first()));
        const QString mode = named ? QStringLiteral("named") : QStringLiteral("unnamed");
        QCOMPARE(runChild({QStringLiteral("save"), docPath(), mode, killed}), QByteArray("killed"));
        QCOMPARE(readFile(docPath()), QByteArray("old content"));
        const QStringList left = entries().filter(QStringLiteral(".plumdeck-save-"));
        QCOMPARE(left.size(), leftovers);
        // The save's note is there from the start of the save.
        QVERIFY(QFile::exists(notePath));
        for (const QString &copy : copies.mid(1))
            QVERIFY(InterruptedSave::copyKeepingTimes(docPath(), dirPath() + QLatin1Char('/') + copy));

        QCOMPARE(runChild({QStringLiteral("start"), docPath()}), "removed " + QByteArray::number(removed));
        QStringList expected = QStringList{QStringLiteral("doc.xhtml")} + copies;
        for (const QString &copy : copies)
            QCOMPARE(readFile(dirPath() + QLatin1Char('/') + copy), QByteArray("old content"));
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

    // An earlier version noted a temporary that had no name yet by its
    // device and inode. That is no identity: the inode is freed when the
    // save is killed before the commit names the file, and the next new
    // file in the folder may get it. So nothing such a note names is
    // removed, not even the file the commit named.
    void removeUnnamedLeftovers_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("variant");
        QTest::addColumn<bool>("removed");
        QTest::newRow("the noted file, named by the commit") << "doc.xhtml.rLSrPs" << "" << false;
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

    // A save killed before its unnamed temporary was linked (an earlier
    // version's) left a note naming the freed inode; the user then copies the
    // document keeping its times ("cp -p", a restore from an archive), and
    // the copy gets that inode. It stays, whatever its name.
    void usersCopyOnTheNotedInodeStays_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("lists.xhtml.backup") << "lists.xhtml.backup";
        QTest::newRow("lists.xhtml.before") << "lists.xhtml.before";
        QTest::newRow("lists.xhtml.old001") << "lists.xhtml.old001";
    }

    void usersCopyOnTheNotedInodeStays()
    {
        QFETCH(QString, name);
        const QString document = dirPath() + QStringLiteral("/lists.xhtml");
        const QString copy = dirPath() + QLatin1Char('/') + name;
        // Saved before the save that was killed.
        QVERIFY(InterruptedSave::plantFile(document, "the lists", InterruptedSave::beforeTheStart().addSecs(-3600)));
        QVERIFY(InterruptedSave::copyKeepingTimes(document, copy));
        QVERIFY(InterruptedSave::plantNoteByInode(document, copy));
        QCOMPARE(DocumentFile::removeSaveLeftovers(document), 0);
        QCOMPARE(readFile(copy), QByteArray("the lists"));
        QCOMPARE(readFile(document), QByteArray("the lists"));
        QVERIFY(!QFile::exists(DocumentFile::interruptedSaveNotePath(document)));
    }

    // Without the save's note nothing is removed, and a file of the note's
    // name that is no note, or the note of a save still under way (in
    // another program: it holds the note locked), is left alone with the
    // temporary it names.
    void leftoversNeedTheSavesNote_data()
    {
        QTest::addColumn<QString>("note");
        QTest::newRow("no note") << "none";
        QTest::newRow("user's file of that name") << "user's";
        QTest::newRow("a save under way") << "locked";
        QTest::newRow("a link to a note") << "link";
    }

    void leftoversNeedTheSavesNote()
    {
        QFETCH(QString, note);
        writeFile(docPath(), "the document");
        const QString name = QStringLiteral("doc.xhtml.plumdeck-save-k3v9q0x2m7ab");
        const QString temporary = dirPath() + QLatin1Char('/') + name;
        QVERIFY(InterruptedSave::plantFile(temporary, "something", InterruptedSave::beforeTheStart()));
        const QString notePath = DocumentFile::interruptedSaveNotePath(docPath());
        if (note == QLatin1String("user's"))
            QVERIFY(InterruptedSave::plantNote(docPath(), name, false));
        QFile locked(notePath);
        if (note == QLatin1String("locked")) {
            QVERIFY(InterruptedSave::plantNote(docPath(), name));
            QVERIFY(locked.open(QIODevice::ReadOnly));
            QCOMPARE(::flock(locked.handle(), LOCK_EX | LOCK_NB), 0);
        }
        // A note of this save's form, elsewhere, that the link points to.
        const QString elsewhere = dirPath() + QStringLiteral("/elsewhere/doc.xhtml");
        if (note == QLatin1String("link")) {
            QVERIFY(InterruptedSave::plantNote(elsewhere, name));
            QVERIFY(QFile::link(DocumentFile::interruptedSaveNotePath(elsewhere), notePath));
        }
        QCOMPARE(DocumentFile::removeSaveLeftovers(docPath()), 0);
        QVERIFY(QFile::exists(temporary));
        QCOMPARE(QFile::exists(notePath), note != QLatin1String("none"));
        if (note == QLatin1String("link"))
            QVERIFY(QFileInfo(notePath).isSymLink());
    }

    // A note of its first line alone was cut short before the save named its
    // temporary, so before it made one. An earlier version's empty temporary
    // made with such a note cannot be told from a user's empty file of the
    // same form made then (doc.xhtml.before): by name and times, nothing
    // is removed.
    void noteWithoutItsTemporary_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("seconds"); // after the note
        QTest::addColumn<bool>("removed");
        const QStringList one = {QStringLiteral("doc.xhtml.aB3xY9")};
        QTest::newRow("empty, made with the note") << one << 0 << 0 << false;
        QTest::newRow("empty, three seconds after") << one << 0 << 3 << false;
        QTest::newRow("empty, three seconds before") << one << 0 << -3 << false;
        QTest::newRow("empty, four seconds after") << one << 0 << 4 << false;
        QTest::newRow("empty, four seconds before") << one << 0 << -4 << false;
        QTest::newRow("not empty") << one << 1 << 0 << false;
        QTest::newRow("not of the writer's form") << QStringList{QStringLiteral("doc.xhtml.aB3xY")} << 0 << 0 << false;
        QTest::newRow("two of them") << (QStringList(one) << QStringLiteral("doc.xhtml.Qq7Rr8")) << 0 << 0 << false;
        QTest::newRow("the user's empty backup") << QStringList{QStringLiteral("doc.xhtml.backup")} << 0 << 0 << false;
        QTest::newRow("the user's empty before") << QStringList{QStringLiteral("doc.xhtml.before")} << 0 << 1 << false;
        QTest::newRow("the user's empty old001") << QStringList{QStringLiteral("doc.xhtml.old001")} << 0 << -1 << false;
        QTest::newRow("empty, of the writer's form") << QStringList{QStringLiteral("doc.xhtml.plumdeck-save-k3v9q0x2m7ab")}
                                                     << 0 << 0 << false;
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

    // An empty file of the note's name may be a note cut short before its
    // first line or somebody else's file: it stays, and so does the
    // temporary, whenever the file was made.
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
        const QString temporary = docPath() + QStringLiteral(".plumdeck-save-k3v9q0x2m7ab");
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
