#include "shell/colorpalette.h"
#include "shelltest.h"
#include "testenvironment.h"

class TstColorPalette : public QObject
{
    Q_OBJECT
private slots:
    void outOfRange()
    {
        QVERIFY(!ColorPalette::color(-1).isValid());
        QVERIFY(!ColorPalette::color(32).isValid());
    }

    void partners_data()
    {
        QTest::addColumn<int>("green");
        QTest::addColumn<int>("blue");
        QTest::newRow("row background") << 0 << 7;
        QTest::newRow("completed text") << 6 << 13;
        QTest::newRow("group selected") << 16 << 24;
        QTest::newRow("group selected hovered border") << 23 << 31;
        QTest::newRow("unused keeps itself") << 14 << 14;
    }

    void partners()
    {
        QFETCH(int, green);
        QFETCH(int, blue);
        QCOMPARE(ColorPalette::bluePartner(green), blue);
        QCOMPARE(ColorPalette::forSkin(green, false), ColorPalette::color(green));
        QCOMPARE(ColorPalette::forSkin(green, true), ColorPalette::color(blue));
    }

    void followsTheRunningSkinAtOnce()
    {
        ShellTest::setBlueSkin(false);
        QCOMPARE(ColorPalette::forSkin(ColorPalette::TopRowBackground).name(), QStringLiteral("#c9d6a0"));
        ShellTest::setBlueSkin(true);
        QCOMPARE(ColorPalette::forSkin(ColorPalette::TopRowBackground).name(), QStringLiteral("#ebf2f5"));
        QCOMPARE(ColorPalette::forSkin(ColorPalette::GroupHoveredBorder).name(), QStringLiteral("#c3d7ea"));
        ShellTest::setBlueSkin(false);
    }

    void avatar_data()
    {
        QTest::addColumn<QSize>("in");
        QTest::addColumn<QSize>("out");
        QTest::newRow("wide") << QSize(100, 50) << QSize(44, 22);
        QTest::newRow("tall") << QSize(30, 88) << QSize(15, 44);
        QTest::newRow("small") << QSize(30, 30) << QSize(30, 30);
        QTest::newRow("exact") << QSize(44, 44) << QSize(44, 44);
        QTest::newRow("large square") << QSize(200, 200) << QSize(44, 44);
    }

    void avatar()
    {
        QFETCH(QSize, in);
        QFETCH(QSize, out);
        QCOMPARE(ColorPalette::avatarSize(), QSize(44, 44));
        QPixmap pixmap(in);
        pixmap.fill(Qt::red);
        QCOMPARE(ColorPalette::fitAvatar(pixmap).size(), out);
    }
};

PLUMDECK_TEST_MAIN(TstColorPalette)
#include "tst_colorpalette.moc"
