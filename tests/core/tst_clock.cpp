#include "core/clock.h"
#include "testenvironment.h"

class TstClock : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { Clock::reset(); }

    void fixedTimeAndAdvance()
    {
        const QDateTime t(QDate(2026, 3, 29), QTime(0, 59, 58), Qt::UTC);
        Clock::setFixedTime(t);
        Clock::advance(3000);
        QCOMPARE(Clock::currentDateTimeUtc(), t.addSecs(3));
        QCOMPARE(Clock::currentDateTimeUtc().timeSpec(), Qt::UTC);
        Clock::reset();
        QVERIFY(qAbs(Clock::currentMSecsSinceEpoch() - QDateTime::currentMSecsSinceEpoch()) < 5000);
        // Advancing the real clock fixes it first.
        Clock::advance(-3600000);
        QVERIFY(qAbs(Clock::currentMSecsSinceEpoch() + 3600000 - QDateTime::currentMSecsSinceEpoch()) < 5000);
    }

    void interval_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<int>("expected");
        QTest::newRow("unscaled") << 1.0 << qint64(300000) << 300000;
        QTest::newRow("scaled down") << 0.001 << qint64(300000) << 300;
        QTest::newRow("never below 1") << 0.0001 << qint64(5) << 1;
        QTest::newRow("zero stays zero") << 0.5 << qint64(0) << 0;
        QTest::newRow("one") << 1.0 << qint64(1) << 1;
        QTest::newRow("scaled up") << 10.0 << qint64(1) << 10;
        QTest::newRow("overflow") << 1000.0 << qint64(864000000000) << std::numeric_limits<int>::max();
        QTest::newRow("bad scale means 1") << -2.0 << qint64(7) << 7;
    }
    void interval()
    {
        QFETCH(double, scale);
        QFETCH(qint64, ms);
        Clock::setTimeScale(scale);
        QTEST(Clock::interval(ms), "expected");
    }
};

PLUMDECK_TEST_MAIN(TstClock)
#include "tst_clock.moc"
