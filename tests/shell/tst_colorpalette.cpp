#include "shell/colorpalette.h"
#include "shelltest.h"
#include "testenvironment.h"

class TstColorPalette : public QObject
{
    Q_OBJECT
private slots:
    // Each Green role has its Blue partner; the running skin is read at once.
    void partners_data()
    {
        QTest::addColumn<int>("green");
        QTest::addColumn<int>("blue");
        QTest::newRow("row background") << 0 << 7;
        QTest::newRow("completed text") << 6 << 13;
        QTest::newRow("first after the row roles keeps itself") << 7 << 7;
        QTest::newRow("unused keeps itself") << 14 << 14;
        QTest::newRow("last before the group roles keeps itself") << 15 << 15;
        QTest::newRow("group selected") << 16 << 24;
        QTest::newRow("group selected hovered border") << 23 << 31;
        QTest::newRow("out of range") << 32 << 32;
        QTest::newRow("negative") << -1 << -1;
    }

    void partners()
    {
        QFETCH(int, green);
        QFETCH(int, blue);
        QCOMPARE(ColorPalette::bluePartner(green), blue);
        for (bool running : {false, true}) {
            ShellTest::setBlueSkin(running);
            QCOMPARE(ColorPalette::forSkin(green), ColorPalette::color(running ? blue : green));
        }
        ShellTest::setBlueSkin(false);
        QCOMPARE(ColorPalette::color(green).isValid(), green >= 0 && green < 32);
        if (green == ColorPalette::TopRowBackground)
            QCOMPARE(ColorPalette::forSkin(green, true).name(), QStringLiteral("#ebf2f5"));
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
        QPixmap pixmap(in);
        pixmap.fill(Qt::red);
        QTEST(ColorPalette::fitAvatar(pixmap).size(), "out");
    }
};

PLUMDECK_TEST_MAIN(TstColorPalette)
#include "tst_colorpalette.moc"
