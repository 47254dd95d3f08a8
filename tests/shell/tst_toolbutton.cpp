#include "shell/toolbutton.h"
#include "shelltest.h"
#include "testenvironment.h"

#include <QAction>

class TstToolButton : public QObject
{
    Q_OBJECT
private slots:
    void images_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("hover"); // expected image under the mouse
        QTest::newRow("with hover twin") << "window-close" << ":/window-close-active.png";
        QTest::newRow("without hover twin") << "copy" << ":/copy.png";
    }

    void images()
    {
        QFETCH(QString, name);
        QFETCH(QString, hover);
        ToolButton button(name);
        const QPixmap normal(QStringLiteral(":/") + name + QStringLiteral(".png"));
        QCOMPARE(button.iconSize(), normal.size());
        const QIcon icon = button.icon();
        QVERIFY(ShellTest::sameImage(icon.pixmap(normal.size(), QIcon::Normal, QIcon::Off), normal));
        QVERIFY(ShellTest::sameImage(icon.pixmap(normal.size(), QIcon::Active, QIcon::Off), QPixmap(hover)));
        // Disabled looks exactly like enabled, in both check states.
        QVERIFY(ShellTest::sameImage(icon.pixmap(normal.size(), QIcon::Disabled, QIcon::Off), normal));
        QVERIFY(ShellTest::sameImage(icon.pixmap(normal.size(), QIcon::Disabled, QIcon::On), normal));
        QVERIFY(button.autoRaise());
        QCOMPARE(button.focusPolicy(), Qt::NoFocus);
    }

    void disabledButtonPaintsLikeEnabled()
    {
        ToolButton enabled(QStringLiteral("window-close"));
        ToolButton disabled(QStringLiteral("window-close"));
        disabled.setEnabled(false);
        enabled.resize(30, 30);
        disabled.resize(30, 30);
        QCOMPARE(disabled.grab().toImage(), enabled.grab().toImage());
    }

    void missingImage()
    {
        ToolButton button(QStringLiteral("no-such-image"));
        QVERIFY(button.icon().isNull());
        QCOMPARE(button.iconSize(), QSize(0, 0));
    }

    void setImageKeepsFlags()
    {
        ToolButton button(QStringLiteral("copy"));
        button.setAutoRaise(false);
        button.setImage(QStringLiteral("window-close"));
        QCOMPARE(button.iconSize(), QSize(22, 20));
        QVERIFY(!button.autoRaise());
        QVERIFY(ShellTest::sameImage(button.icon().pixmap(QSize(22, 20)), QPixmap(QStringLiteral(":/window-close.png"))));
    }

    void defaultActionKeepsIcon()
    {
        ToolButton button(QStringLiteral("window-close"));
        QAction first(QIcon(QStringLiteral(":/copy.png")), QStringLiteral("first"));
        QAction second(QStringLiteral("second"));
        button.setDefaultActionKeepIcon(&first);
        QCOMPARE(button.defaultAction(), &first);
        QVERIFY(ShellTest::sameImage(first.icon().pixmap(QSize(22, 20)), QPixmap(QStringLiteral(":/window-close.png"))));
        button.setDefaultActionKeepIcon(&second);
        QCOMPARE(button.defaultAction(), &second);
        QCOMPARE(button.actions(), QList<QAction *>{&second});
        // The first keeps the icon it was given.
        QVERIFY(ShellTest::sameImage(first.icon().pixmap(QSize(22, 20)), QPixmap(QStringLiteral(":/window-close.png"))));
        QVERIFY(ShellTest::sameImage(button.icon().pixmap(QSize(22, 20)), QPixmap(QStringLiteral(":/window-close.png"))));
    }
};

PLUMDECK_TEST_MAIN(TstToolButton)
#include "tst_toolbutton.moc"
