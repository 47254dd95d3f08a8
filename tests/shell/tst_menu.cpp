#include "shell/menu.h"
#include "shelltest.h"
#include "testenvironment.h"

#include <QSignalSpy>

namespace {

bool isSpacer(const QIcon &icon)
{
    return ShellTest::sameImage(icon.pixmap(QSize(16, 16)), QPixmap(QStringLiteral(":/menu-spacer.png")));
}

class Receiver : public QObject
{
    Q_OBJECT
public:
    int calls = 0;
public slots:
    void hit() { ++calls; }
};

} // namespace

class TstMenu : public QObject
{
    Q_OBJECT
private slots:
    void addActionGivesSpacerForGood()
    {
        Menu menu;
        QAction plain(QStringLiteral("Plain"));
        QAction checkable(QStringLiteral("Checkable"));
        checkable.setCheckable(true);
        QAction withIcon(QIcon(QStringLiteral(":/copy.png")), QStringLiteral("Copy"));
        menu.addAction(&plain);
        menu.addAction(&checkable);
        menu.addAction(&withIcon);
        QCOMPARE(menu.actions(), (QList<QAction *>{&plain, &checkable, &withIcon}));
        QVERIFY(isSpacer(plain.icon()));
        QVERIFY(checkable.icon().isNull());
        QVERIFY(ShellTest::sameImage(withIcon.icon().pixmap(QSize(16, 16)), QPixmap(QStringLiteral(":/copy.png"))));

        // The action keeps the spacer in any other menu too.
        QMenu other;
        other.addAction(&plain);
        QVERIFY(isSpacer(plain.icon()));
    }

    void addActionWithReceiver()
    {
        Menu menu;
        Receiver receiver;
        QAction *action = menu.addAction(QIcon(), QStringLiteral("Sync"), &receiver, SLOT(hit()),
                                         QKeySequence(QStringLiteral("F5")));
        QVERIFY(action);
        QCOMPARE(action->text(), QStringLiteral("Sync"));
        QCOMPARE(action->shortcut(), QKeySequence(QStringLiteral("F5")));
        QVERIFY(isSpacer(action->icon()));
        QCOMPARE(menu.actions().last(), action);
        action->trigger();
        QCOMPARE(receiver.calls, 1);

        QAction *withIcon = menu.addAction(QIcon(QStringLiteral(":/copy.png")), QStringLiteral("Copy"), &receiver,
                                           SLOT(hit()));
        QVERIFY(!isSpacer(withIcon->icon()));
        QVERIFY(withIcon->shortcut().isEmpty());
    }

    void subMenus()
    {
        Menu menu;
        QMenu plain(QStringLiteral("Plain"));
        QMenu withIcon(QStringLiteral("Icon"));
        withIcon.setIcon(QIcon(QStringLiteral(":/copy.png")));
        QCOMPARE(menu.addMenu(&plain), plain.menuAction());
        menu.addMenu(&withIcon);
        QVERIFY(isSpacer(plain.icon()));
        QVERIFY(!isSpacer(withIcon.icon()));

        Menu *made = menu.addMenu(QStringLiteral("Move task"));
        QVERIFY(made);
        QCOMPARE(made->parent(), &menu);
        QCOMPARE(made->title(), QStringLiteral("Move task"));
        QVERIFY(isSpacer(made->icon()));
        QCOMPARE(menu.actions().last(), made->menuAction());

        // Plain text additions still work through the toolkit's overloads.
        QAction *text = menu.addAction(QStringLiteral("text only"));
        QCOMPARE(text->text(), QStringLiteral("text only"));
    }
};

PLUMDECK_TEST_MAIN(TstMenu)
#include "tst_menu.moc"
