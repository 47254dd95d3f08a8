#include "core/version.h"
#include "shell/aboutusdialog.h"
#include "shell/toolbutton.h"
#include "shelltest.h"
#include "testenvironment.h"

#include <QLabel>
#include <QSignalSpy>

class TstAboutUsDialog : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { QSettings().clear(); }

    void skins_data()
    {
        QTest::addColumn<bool>("blue");
        QTest::addColumn<QString>("colour");
        QTest::addColumn<QString>("logo");
        QTest::addColumn<QString>("close");
        QTest::newRow("green") << false << "#999999" << ":/full/MGlogo_green.png" << "window-close";
        QTest::newRow("blue") << true << "#d2e3f5" << ":/full/MGlogo_blue.png" << "window-close-blue";
    }

    void skins()
    {
        QFETCH(bool, blue);
        QFETCH(QString, colour);
        QFETCH(QString, logo);
        QFETCH(QString, close);
        ShellTest::setBlueSkin(blue);
        AboutUsDialog dialog;
        QCOMPARE(dialog.objectName(), QStringLiteral("aboutDialog"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("About Plumdeck"));
        QVERIFY(dialog.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(dialog.versionLabel()->text(), QStringLiteral("Version ") + versionString());
        QStringList links;
        bool logoShown = false;
        for (QLabel *label : dialog.findChildren<QLabel *>()) {
            if (label->text().startsWith(QLatin1String("<a ")))
                links << label->text();
            if (ShellTest::sameImage(label->pixmap(), QPixmap(logo)))
                logoShown = true;
        }
        QCOMPARE(links.size(), 2);
        for (const QString &link : links) {
            QVERIFY2(link.contains(QStringLiteral("color: ") + colour), qPrintable(link));
            // The target opens in the browser: a full address, not a bare host.
            QVERIFY2(link.contains(QStringLiteral("href=\"https://")), qPrintable(link));
        }
        QVERIFY(logoShown);
        QVERIFY(ShellTest::sameImage(dialog.closeButton()->icon().pixmap(dialog.closeButton()->iconSize()),
                                     ToolButton::iconForImage(close).pixmap(dialog.closeButton()->iconSize())));
        QVERIFY(dialog.findChild<QLabel *>(QStringLiteral("aboutText1"))->wordWrap());
        QVERIFY(dialog.findChild<QLabel *>(QStringLiteral("aboutText2"))->text().startsWith(
            QStringLiteral("Plumdeck is brought to you by Marrowgate")));
    }

    void cornerWidgetsFollowTheRightEdge_data()
    {
        QTest::addColumn<int>("width");
        QTest::newRow("550") << 550;
        QTest::newRow("700") << 700;
    }

    void cornerWidgetsFollowTheRightEdge()
    {
        QFETCH(int, width);
        AboutUsDialog dialog;
        dialog.show();
        dialog.resize(width, 290);
        QTRY_COMPARE(dialog.width(), width);
        QCOMPARE(dialog.closeButton()->geometry().right() + 1, width - 11);
        QCOMPARE(dialog.closeButton()->y(), 12);
        QCOMPARE(dialog.versionLabel()->geometry().right() + 1, width - 38);
        QCOMPARE(dialog.versionLabel()->y(), 80);
    }

    // Closing is the owner's business: the button only says so.
    void closeButtonOnlyAsks()
    {
        AboutUsDialog dialog;
        dialog.show();
        QSignalSpy closing(&dialog, &AboutUsDialog::closeDialog);
        QTest::mouseClick(dialog.closeButton(), Qt::LeftButton);
        QCOMPARE(closing.count(), 1);
        QVERIFY(dialog.isVisible());
    }
};

PLUMDECK_TEST_MAIN(TstAboutUsDialog)
#include "tst_aboutusdialog.moc"
