#include "shell/menu.h"
#include "shelltest.h"
#include "testenvironment.h"

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
        QAction *copyEntry = menu.addAction(copy, QStringLiteral("Copy"), &receiver, SLOT(hit()));
        QAction *unconnected = menu.addAction(copy, QStringLiteral("Nothing"), &receiver, nullptr);
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
};

PLUMDECK_TEST_MAIN(TstMenu)
#include "tst_menu.moc"
