#include "shell/toolbutton.h"
#include "shelltest.h"
#include "testenvironment.h"

#include <QAction>

namespace {

bool shows(const QIcon &icon, const QString &image, QIcon::Mode mode = QIcon::Normal, QIcon::State state = QIcon::Off)
{
    const QPixmap expected(image);
    return ShellTest::sameImage(icon.pixmap(expected.size(), mode, state), expected);
}

} // namespace

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
        const QString normal = QStringLiteral(":/") + name + QStringLiteral(".png");
        QCOMPARE(button.iconSize(), QPixmap(normal).size());
        QVERIFY(shows(button.icon(), normal));
        QVERIFY(shows(button.icon(), hover, QIcon::Active));
        // Disabled looks exactly like enabled, in both check states.
        QVERIFY(shows(button.icon(), normal, QIcon::Disabled, QIcon::Off));
        QVERIFY(shows(button.icon(), normal, QIcon::Disabled, QIcon::On));
        QCOMPARE(button.focusPolicy(), Qt::NoFocus);
        // Another image keeps the flags.
        button.setAutoRaise(false);
        button.setImage(QStringLiteral("no-such-image"));
        QVERIFY(button.icon().isNull());
        QCOMPARE(button.iconSize(), QSize(0, 0));
        QVERIFY(!button.autoRaise());
    }

    void defaultActionKeepsIcon()
    {
        ToolButton button(QStringLiteral("window-close"));
        QAction first(QIcon(QStringLiteral(":/copy.png")), QStringLiteral("first"));
        QAction second(QStringLiteral("second"));
        button.setDefaultActionKeepIcon(&first);
        button.setDefaultActionKeepIcon(&second);
        QCOMPARE(button.defaultAction(), &second);
        QCOMPARE(button.actions(), QList<QAction *>{&second});
        // The first keeps the icon it was given.
        QVERIFY(shows(first.icon(), QStringLiteral(":/window-close.png")));
        QVERIFY(shows(button.icon(), QStringLiteral(":/window-close.png")));
    }
};

PLUMDECK_TEST_MAIN(TstToolButton)
#include "tst_toolbutton.moc"
