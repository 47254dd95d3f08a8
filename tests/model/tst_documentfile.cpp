#include "core/clock.h"
#include "model/documentfile.h"
#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QIODevice>

namespace {

QString dirPath()
{
    return QDir(TestEnvironment::homePath()).filePath(QStringLiteral("documents"));
}

QString docPath()
{
    return dirPath() + QStringLiteral("/doc.xhtml");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

// Writes `bytes`, then fails when `fail` is set, as a full disk would half-way.
DocumentFile::Writer writer(const QByteArray &bytes, bool fail)
{
    return [=](QIODevice *device, QString *error) {
        if (!device->open(QIODevice::WriteOnly)) {
            *error = QStringLiteral("could not open");
            return false;
        }
        device->write(bytes);
        if (fail) {
            *error = QStringLiteral("disk full");
            return false;
        }
        return true;
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
        QTest::addColumn<bool>("fail");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("new file") << false << false << QByteArray("new content");
        QTest::newRow("replaced") << true << false << QByteArray("new content");
        QTest::newRow("failed write keeps the old file") << true << true << QByteArray("old content");
        QTest::newRow("failed write leaves no file") << false << true << QByteArray("<missing>");
    }
    void save()
    {
        QFETCH(bool, existing);
        QFETCH(bool, fail);
        QFETCH(QByteArray, expected);
        // Without an old file the folder is missing too: save makes it.
        if (existing) {
            QVERIFY(QDir().mkpath(dirPath()));
            writeFile(docPath(), "old content");
        }
        QString error;
        QCOMPARE(DocumentFile::save(docPath(), writer("new content", fail), &error), !fail);
        QCOMPARE(error, fail ? QStringLiteral("disk full") : QString());
        QCOMPARE(readFile(docPath()), expected);
        // No temporary file is left behind.
        QCOMPARE(QDir(dirPath()).entryList(QDir::Files).size(), (existing || !fail) ? 1 : 0);
    }

    void keepAside()
    {
        QVERIFY(QDir().mkpath(dirPath()));
        Clock::setFixedTime(QDateTime(QDate(2026, 3, 29), QTime(1, 2, 3), Qt::UTC));
        const QString first = docPath() + QStringLiteral(".unreadable-20260329010203");
        writeFile(docPath(), "broken one");
        QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("kept the unreadable test file as ") + first));
        QCOMPARE(DocumentFile::keepAside(docPath(), QStringLiteral("test")), first);
        QVERIFY(!QFile::exists(docPath()));
        QCOMPARE(readFile(first), QByteArray("broken one"));

        // Within the same second: a second name, the first copy untouched.
        writeFile(docPath(), "broken two");
        QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("kept the unreadable test file as ") + first
                                                      + QStringLiteral("-2")));
        QCOMPARE(DocumentFile::keepAside(docPath(), QStringLiteral("test")), first + QStringLiteral("-2"));
        QCOMPARE(readFile(first), QByteArray("broken one"));
        QCOMPARE(readFile(first + QStringLiteral("-2")), QByteArray("broken two"));

        // Saving afterwards writes a fresh file beside the kept ones.
        QString error;
        QVERIFY(DocumentFile::save(docPath(), writer("fresh", false), &error));
        QCOMPARE(QDir(dirPath()).entryList(QDir::Files).size(), 3);
    }

    void unkeepableFileIsNotSavedOver()
    {
        // A name so long that no kept-aside name fits beside it: neither the
        // rename nor the copy can work, whoever runs the test.
        QVERIFY(QDir().mkpath(dirPath()));
        const QString path = dirPath() + QLatin1Char('/') + QString(240, QLatin1Char('d'));
        writeFile(path, "only copy");
        QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("could not keep the unreadable test file ") + path
                                                      + QStringLiteral(" aside; it will not be saved over")));
        QVERIFY(DocumentFile::keepAside(path, QStringLiteral("test")).isEmpty());

        QString error;
        QVERIFY(!DocumentFile::save(path, writer("new content", false), &error));
        QCOMPARE(error, QStringLiteral("refusing to overwrite the unreadable file ") + path);
        QCOMPARE(readFile(path), QByteArray("only copy"));

        // Once it loads, saving is allowed again.
        DocumentFile::loaded(path);
        QVERIFY(DocumentFile::save(path, writer("new content", false), &error));
        QCOMPARE(readFile(path), QByteArray("new content"));
    }

    void keepAsideWithoutFile()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        QVERIFY(DocumentFile::keepAside(docPath(), QStringLiteral("test")).isEmpty());
    }
};

PLUMDECK_TEST_MAIN(TstDocumentFile)
#include "tst_documentfile.moc"
