#include "core/pdcompressor.h"
#include "testenvironment.h"

#include <QRandomGenerator>

#include <zlib.h>

namespace {

QByteArray sample(int size, bool compressible)
{
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator rng(size);
    for (int i = 0; i < size; ++i)
        data[i] = compressible ? char('a' + (i / 7) % 5) : char(rng.generate() & 0xff);
    return data;
}

// Unpacks with `limit`, expecting `warning` (when given) and `expected`.
void checkUncompress(const QByteArray &packed, const QByteArray &expected, const char *warning = nullptr,
                     qsizetype limit = PDCompressor::maxUncompressedSize)
{
    if (warning)
        QTest::ignoreMessage(QtWarningMsg, warning);
    const QByteArray out = PDCompressor::uncompress(packed, limit);
    QCOMPARE(out, expected);
}

const char corrupt[] = "qUncompress: Z_DATA_ERROR: Input data is corrupted";

} // namespace

class TstPDCompressor : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QByteArray>("data");
        const QList<QPair<const char *, QByteArray>> inputs = {
            {"one byte", QByteArray("x")},
            {"text", QByteArray("<html><body>Plumdeck</body></html>").repeated(50)},
            {"random 70k", sample(70000, false)},
            {"repetitive 300k", sample(300000, true)},
            {"zeros", QByteArray(100000, '\0')},
        };
        for (int level = -1; level <= 9; ++level) {
            for (const auto &input : inputs)
                QTest::addRow("level %d, %s", level, input.first) << level << input.second;
        }
    }

    void roundTrip()
    {
        QFETCH(int, level);
        QFETCH(QByteArray, data);
        const QByteArray packed = PDCompressor::compress(data, level);
        checkUncompress(packed, data);
        // A bare zlib stream: zlib's own uncompress reads it as it is.
        QByteArray out(data.size(), Qt::Uninitialized);
        uLongf outSize = uLongf(out.size());
        QCOMPARE(::uncompress(reinterpret_cast<Bytef *>(out.data()), &outSize,
                              reinterpret_cast<const Bytef *>(packed.constData()), uLong(packed.size())),
                 Z_OK);
        QCOMPARE(out.left(qsizetype(outSize)), data);
    }

    void matchesQtCompressWithoutPrefix_data()
    {
        QTest::addColumn<int>("level");
        QTest::newRow("level 6") << 6;
        QTest::newRow("default") << -1;
        QTest::newRow("level 9") << 9;
        // Levels zlib does not know mean its default, as in qCompress.
        QTest::newRow("level 10") << 10;
        QTest::newRow("level -5") << -5;
    }

    void matchesQtCompressWithoutPrefix()
    {
        QFETCH(int, level);
        const QByteArray data = sample(5000, true);
        QCOMPARE(PDCompressor::compress(data, level), qCompress(data, level).mid(4));
    }

    void emptyAndNull()
    {
        QVERIFY(PDCompressor::compress(QByteArray(""), 6).isEmpty());
        checkUncompress(QByteArray(), QByteArray(), "PDCompressor::uncompress: Data is null");
        checkUncompress(QByteArray(""), QByteArray(), corrupt);
    }

    void badInput_data()
    {
        QTest::addColumn<QByteArray>("data");
        const QByteArray good = PDCompressor::compress(sample(20000, false), 6);
        QTest::newRow("one byte short") << good.left(good.size() - 1);
        QTest::newRow("half") << good.left(good.size() / 2);
        QTest::newRow("header only") << good.left(2);
        QTest::newRow("bad header") << QByteArray("\x78\x00garbage", 9);
        QTest::newRow("not zlib") << QByteArray("hello world");
        QByteArray flipped = good;
        flipped[good.size() - 2] = char(flipped[good.size() - 2] ^ 0x55);
        QTest::newRow("bad checksum") << flipped;
        QTest::newRow("with qCompress prefix") << qCompress(QByteArray("abc"), 6);
    }

    void badInput()
    {
        QFETCH(QByteArray, data);
        checkUncompress(data, QByteArray(), corrupt);
    }

    void sizeBound_data()
    {
        QTest::addColumn<int>("plainSize");
        QTest::addColumn<int>("limit");
        QTest::newRow("below") << 999 << 1000;
        QTest::newRow("exactly at") << 1000 << 1000;
        QTest::newRow("one over") << 1001 << 1000;
        QTest::newRow("far over") << 1000000 << 1000;
        QTest::newRow("one-byte limit") << 1 << 1;
    }

    void sizeBound()
    {
        QFETCH(int, plainSize);
        QFETCH(int, limit);
        const QByteArray data = sample(plainSize, true);
        const QByteArray message =
            "PDCompressor::uncompress: uncompressed data larger than " + QByteArray::number(limit) + " bytes";
        const bool fits = plainSize <= limit;
        checkUncompress(PDCompressor::compress(data, 6), fits ? data : QByteArray(), fits ? nullptr : message.constData(),
                        limit);
    }

    void bombStopsAtDefaultBound()
    {
        // Zeros just past the bound pack into a few dozen KiB; they must be
        // refused, not inflated into memory.
        const QByteArray packed = PDCompressor::compress(QByteArray(PDCompressor::maxUncompressedSize + 1, '\0'), 9);
        QVERIFY(packed.size() < 200 * 1024);
        checkUncompress(packed, QByteArray(), "PDCompressor::uncompress: uncompressed data larger than 67108864 bytes");
    }

    void trailingBytesIgnored()
    {
        checkUncompress(PDCompressor::compress("abc", 6) + "tail", QByteArray("abc"));
    }
};

PLUMDECK_TEST_MAIN(TstPDCompressor)
#include "tst_pdcompressor.moc"
