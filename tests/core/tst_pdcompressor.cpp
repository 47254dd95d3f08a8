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
        QVERIFY(!packed.isEmpty());
        QCOMPARE(PDCompressor::uncompress(packed), data);
        // A bare zlib stream: zlib's own uncompress reads it as it is.
        QByteArray out(data.size(), Qt::Uninitialized);
        uLongf outSize = uLongf(out.size());
        QCOMPARE(::uncompress(reinterpret_cast<Bytef *>(out.data()), &outSize,
                              reinterpret_cast<const Bytef *>(packed.constData()), uLong(packed.size())),
                 Z_OK);
        QCOMPARE(qsizetype(outSize), data.size());
        QCOMPARE(out, data);
    }

    void matchesQtCompressWithoutPrefix_data()
    {
        QTest::addColumn<int>("level");
        // The header bytes follow from these (roundTrip checks zlib reads them).
        QTest::newRow("level 6") << 6;
        QTest::newRow("default") << -1;
        QTest::newRow("level 1") << 1;
        QTest::newRow("level 9") << 9;
        // Levels zlib does not know mean its default, as in qCompress.
        QTest::newRow("level 10") << 10;
        QTest::newRow("level 15") << 15;
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
        QVERIFY(PDCompressor::compress(QByteArray(), 6).isEmpty());
        QVERIFY(PDCompressor::compress(QByteArray(""), 6).isEmpty());

        QTest::ignoreMessage(QtWarningMsg, "PDCompressor::uncompress: Data is null");
        QVERIFY(PDCompressor::uncompress(QByteArray()).isEmpty());

        QTest::ignoreMessage(QtWarningMsg, corrupt);
        QVERIFY(PDCompressor::uncompress(QByteArray("")).isEmpty());
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
        QTest::ignoreMessage(QtWarningMsg, corrupt);
        QVERIFY(PDCompressor::uncompress(data).isEmpty());
    }

    void sizeBound_data()
    {
        QTest::addColumn<int>("plainSize");
        QTest::addColumn<int>("limit");
        QTest::addColumn<bool>("ok");
        QTest::newRow("below") << 999 << 1000 << true;
        QTest::newRow("exactly at") << 1000 << 1000 << true;
        QTest::newRow("one over") << 1001 << 1000 << false;
        QTest::newRow("far over") << 1000000 << 1000 << false;
        QTest::newRow("one-byte limit") << 1 << 1 << true;
    }

    void sizeBound()
    {
        QFETCH(int, plainSize);
        QFETCH(int, limit);
        QFETCH(bool, ok);
        const QByteArray data = sample(plainSize, true);
        const QByteArray packed = PDCompressor::compress(data, 6);
        if (!ok)
            QTest::ignoreMessage(QtWarningMsg,
                                 qPrintable(QStringLiteral("PDCompressor::uncompress: uncompressed data larger than %1 bytes").arg(limit)));
        const QByteArray out = PDCompressor::uncompress(packed, limit);
        QCOMPARE(out.isEmpty(), !ok);
        if (ok)
            QCOMPARE(out, data);
    }

    void bombStopsAtDefaultBound()
    {
        // 80 MiB of zeros packs into about 80 KiB; it must be refused, not
        // inflated into memory.
        z_stream s{};
        QCOMPARE(deflateInit(&s, 9), Z_OK);
        QByteArray packed;
        const QByteArray zeros(1 << 20, '\0');
        QByteArray chunk(1 << 16, Qt::Uninitialized);
        for (int i = 0; i < 80; ++i) {
            s.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(zeros.constData()));
            s.avail_in = uInt(zeros.size());
            const int flush = i == 79 ? Z_FINISH : Z_NO_FLUSH;
            do {
                s.next_out = reinterpret_cast<Bytef *>(chunk.data());
                s.avail_out = uInt(chunk.size());
                deflate(&s, flush);
                packed.append(chunk.constData(), chunk.size() - s.avail_out);
            } while (s.avail_out == 0);
        }
        deflateEnd(&s);
        QVERIFY(packed.size() < 200 * 1024);
        QTest::ignoreMessage(QtWarningMsg,
                             "PDCompressor::uncompress: uncompressed data larger than 67108864 bytes");
        QVERIFY(PDCompressor::uncompress(packed).isEmpty());
    }

    void trailingBytesIgnored()
    {
        QByteArray packed = PDCompressor::compress("abc", 6);
        packed += "tail";
        QCOMPARE(PDCompressor::uncompress(packed), QByteArray("abc"));
    }
};

PLUMDECK_TEST_MAIN(TstPDCompressor)
#include "tst_pdcompressor.moc"
