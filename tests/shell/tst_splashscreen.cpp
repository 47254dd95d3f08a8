#include "shell/splashscreen.h"
#include "shelltest.h"
#include "testenvironment.h"

#include <QLabel>
#include <QProgressBar>
#include <QSettings>

#include <climits>

class TstSplashScreen : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { QSettings().clear(); }

    void progress()
    {
        SplashScreen splash;
        splash.onSetSplashProgress(QStringLiteral("Reading local lists..."), 300);
        for (int i = 0; i < 3; ++i)
            splash.onSplashProgress(QStringLiteral("Initializing list %1").arg(i), SplashScreen::progressBudget() / 3);
        QCOMPARE(splash.progressBar()->value(), 699);
        QCOMPARE(splash.infoLabel()->text(), QStringLiteral("Initializing list 2"));
        splash.onSetSplashProgress(QStringLiteral("Loading list dialogs..."), 700);
        splash.onSplashProgress(QStringLiteral("Loading notepad modules..."));
        splash.onSplashProgress();
        QCOMPARE(splash.progressBar()->value(), 900);
        QCOMPARE(splash.infoLabel()->text(), QStringLiteral("Loading notepad modules..."));
    }

    void look_data()
    {
        QTest::addColumn<bool>("blue");
        QTest::addColumn<bool>("feedback");
        QTest::addColumn<QColor>("chunk");
        QTest::newRow("green") << false << false << QColor(0xa1, 0xb6, 0x61);
        QTest::newRow("blue, with loading feedback") << true << true << QColor(0xd8, 0xe9, 0xf7);
    }

    void look()
    {
        QFETCH(bool, blue);
        QFETCH(bool, feedback);
        QFETCH(QColor, chunk);
        ShellTest::setBlueSkin(blue);
        QSettings().setValue(QStringLiteral("ui/show-loading-feedback"), feedback);
        SplashScreen splash;
        splash.onSetSplashProgress(QStringLiteral("Loading complete"), 1000);
        QVERIFY(ShellTest::showExposed(&splash));
        QCOMPARE(splash.size(), QSize(300, 187));
        QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(splash.infoLabel()->isVisible(), feedback);
        const int barHeight = splash.progressBar()->sizeHint().height();
        QCOMPARE(splash.progressBar()->geometry(), QRect(17, 187 - barHeight - 20, 266, barHeight));
        const QRect version = splash.versionLabel()->geometry();
        QCOMPARE(version.top(), 10);
        QCOMPARE(splash.width() - version.right() - 1, 10);
        QCOMPARE(splash.versionLabel()->text(), QStringLiteral("Version 3.0.3054"));
        // The step's line runs along the bottom, 17 pixels in from the left.
        QCOMPARE(splash.infoLabel()->geometry(),
                 QRect(17, 187 - 17, 300 - 17, splash.infoLabel()->sizeHint().height()));

        // The chunk takes the skin's own colours: the style sheet was read.
        // Looked for down the bar's middle, whose height follows the font,
        // in the picture's pixels, which a high-density screen multiplies.
        const QImage shot = splash.grab().toImage();
        const QRect bar = splash.progressBar()->geometry();
        const qreal ratio = shot.devicePixelRatio();
        int nearest = INT_MAX;
        QString seen;
        for (int y = qRound(bar.top() * ratio); y < qRound((bar.bottom() + 1) * ratio); ++y) {
            const QColor pixel = shot.pixelColor(qRound(bar.center().x() * ratio), y);
            nearest = qMin(nearest, qAbs(pixel.red() - chunk.red()) + qAbs(pixel.green() - chunk.green())
                                        + qAbs(pixel.blue() - chunk.blue()));
            seen += pixel.name() + QLatin1Char(' ');
        }
        QVERIFY2(nearest < 60, qPrintable(seen));
    }
};

PLUMDECK_TEST_MAIN(TstSplashScreen)
#include "tst_splashscreen.moc"
