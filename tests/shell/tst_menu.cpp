#include "shell/menu.h"
#include "shelltest.h"
#include "testenvironment.h"

#include <QAccessible>
#include <QAccessibleActionInterface>

namespace {

// "spacer", "copy" or "" for the picture the icon shows.
QString picture(const QIcon &icon)
{
    for (const char *name : {"spacer", "copy"}) {
        const QString path = name == QByteArray("spacer") ? QStringLiteral(":/menu-spacer.png") : QStringLiteral(":/copy.png");
        if (ShellTest::sameImage(icon.pixmap(QSize(16, 16)), QPixmap(path)))
            return QLatin1String(name);
    }
    return QString();
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

// Every entry without a picture of its own gets the spacer, so that the
// texts line up; checkable entries keep room for their check mark.
class TstMenu : public QObject
{
    Q_OBJECT
private slots:
    void spacers()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("connect")));
        Menu menu;
        const QIcon copy(QStringLiteral(":/copy.png"));
        QAction plain(QStringLiteral("Plain"));
        QAction checkable(QStringLiteral("Checkable"));
        checkable.setCheckable(true);
        QAction withIcon(copy, QStringLiteral("Copy"));
        for (QAction *a : {&plain, &checkable, &withIcon})
            menu.addAction(a);
        QMenu plainMenu(QStringLiteral("Plain"));
        QMenu iconMenu(QStringLiteral("Icon"));
        iconMenu.setIcon(copy);
        QCOMPARE(menu.addMenu(&plainMenu), plainMenu.menuAction());
        menu.addMenu(&iconMenu);
        Menu *made = menu.addMenu(QStringLiteral("Move task"));
        QCOMPARE(made->parent(), &menu);
        QCOMPARE(made->title(), QStringLiteral("Move task"));

        Receiver receiver;
        QAction *sync = menu.addAction(QIcon(), QStringLiteral("Sync"), &receiver, SLOT(hit()), QKeySequence(Qt::Key_F5));
        // With four arguments the call would name the widget's overload as
        // well as the menu's: the shortcut picks the menu's.
        QAction *copyEntry = menu.addAction(copy, QStringLiteral("Copy"), &receiver, SLOT(hit()), QKeySequence());
        const char *noSlot = nullptr;
        QAction *unconnected = menu.addAction(copy, QStringLiteral("Nothing"), &receiver, noSlot, QKeySequence());
        QCOMPARE(sync->text(), QStringLiteral("Sync"));
        QCOMPARE(sync->shortcut(), QKeySequence(Qt::Key_F5));
        QVERIFY(copyEntry->shortcut().isEmpty());
        for (QAction *a : {sync, copyEntry, unconnected})
            a->trigger();
        QCOMPARE(receiver.calls, 2);

        QStringList pictures;
        for (QAction *a : menu.actions())
            pictures << picture(a->icon());
        QCOMPARE(pictures, QStringList({"spacer", "", "copy", "spacer", "copy", "spacer", "spacer", "copy", "copy"}));
        // The action keeps the spacer in any other menu too.
        QMenu other;
        other.addAction(&plain);
        QCOMPARE(picture(plain.icon()), QStringLiteral("spacer"));
    }

    // An entry given a name of its own is read out by that name and
    // otherwise as the toolkit presents an entry: its role, its state, its
    // place on the screen, its shortcut and its press.
    void namedEntryReadOutLikeAnyOther_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::newRow("enabled") << "";
        QTest::newRow("disabled") << "disabled";
        QTest::newRow("checked") << "checked";
        QTest::newRow("with a shortcut") << "shortcut";
        QTest::newRow("menu closed") << "closed";
    }

    void namedEntryReadOutLikeAnyOther()
    {
        QFETCH(QString, setup);
        Menu menu;
        menu.setAccessibleName(QStringLiteral("Presence"));
        QAction plain(QStringLiteral("Custom message..."));
        QAction named(QStringLiteral("Custom message..."));
        Menu::setEntryAccessibleName(&named, QStringLiteral("Busy with a custom message..."));
        QCOMPARE(Menu::entryAccessibleName(&named), QStringLiteral("Busy with a custom message..."));
        for (QAction *action : {&plain, &named}) {
            action->setEnabled(setup != QLatin1String("disabled"));
            action->setCheckable(setup == QLatin1String("checked"));
            action->setChecked(setup == QLatin1String("checked"));
            if (setup == QLatin1String("shortcut"))
                action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
            menu.addAction(action);
        }
        QSignalSpy pressed(&named, &QAction::triggered);
        if (setup != QLatin1String("closed")) {
            menu.popup(QPoint(40, 40));
            QVERIFY(QTest::qWaitForWindowExposed(&menu));
            menu.setActiveAction(&named);
        }

        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(&menu);
        QAccessibleInterface *toolkits = list->child(0);
        QAccessibleInterface *own = list->child(1);
        QVERIFY(toolkits && own && own != toolkits);
        QCOMPARE(toolkits->text(QAccessible::Name), QStringLiteral("Custom message..."));
        QCOMPARE(own->text(QAccessible::Name), QStringLiteral("Busy with a custom message..."));
        QCOMPARE(QAccessible::queryAccessibleInterface(&named), own);
        QCOMPARE(own->object(), &named);
        QVERIFY(own->isValid());
        QCOMPARE(own->parent(), list);
        QCOMPARE(list->indexOfChild(own), 1);
        QCOMPARE(own->childCount(), toolkits->childCount());
        QCOMPARE(own->role(), toolkits->role());
        QCOMPARE(own->text(QAccessible::Accelerator), toolkits->text(QAccessible::Accelerator));
        QCOMPARE(own->window(), toolkits->window());
        const QAccessible::State ownState = own->state();
        QAccessible::State expected = toolkits->state();
        // Only one entry is the active one: a disabled one never is.
        expected.focused = menu.activeAction() == &named;
        QCOMPARE(expected.focused, setup != QLatin1String("closed") && setup != QLatin1String("disabled"));
        QCOMPARE(ownState.focused, expected.focused);
        QCOMPARE(ownState.focusable, expected.focusable);
        QCOMPARE(ownState.invisible, expected.invisible);
        QCOMPARE(ownState.disabled, expected.disabled);
        QCOMPARE(ownState.checkable, expected.checkable);
        QCOMPARE(ownState.checked, expected.checked);
        const auto onScreen = [&menu](QAction *action) {
            const QRect area = menu.actionGeometry(action);
            return QRect(menu.mapToGlobal(area.topLeft()), area.size());
        };
        QCOMPARE(toolkits->rect(), onScreen(&plain));
        QCOMPARE(own->rect(), onScreen(&named));
        QCOMPARE(own->actionInterface()->actionNames(), toolkits->actionInterface()->actionNames());

        // Pressed there, it runs as from a click: the menu closes first; a
        // disabled entry does nothing.
        own->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
        QCOMPARE(pressed.count(), 0);
        own->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        const bool disabled = setup == QLatin1String("disabled");
        QCOMPARE(pressed.count(), disabled ? 0 : 1);
        QCOMPARE(menu.isVisible(), disabled);
        QCOMPARE(own->state().invisible, !disabled);
    }
};

PLUMDECK_TEST_MAIN(TstMenu)
#include "tst_menu.moc"
