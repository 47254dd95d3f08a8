// The search bar over a task tree: what it finds and in which order, the
// next button, and hits that outlive the tasks they point to.

#include "lists/tasklistsearchwidget.h"
#include "shell/pdlineedit.h"
#include "shell/toolbutton.h"
#include "testenvironment.h"
#include "treetest.h"

#include <QSignalSpy>

using namespace TreeTest;

namespace {

// The next button's state: "hidden", or the image it shows.
QString nextButton(const Tree &tree)
{
    const ToolButton *button = tree.view.searchBar()->nextButton();
    if (!button->isVisible())
        return QStringLiteral("hidden");
    const QImage shown = button->icon().pixmap(button->iconSize()).toImage();
    for (const char *name : {"search_moreresults", "search_results", "search_noresults"}) {
        if (shown == QImage(QStringLiteral(":/%1.png").arg(QLatin1String(name))).convertToFormat(shown.format()))
            return QString::fromLatin1(name);
    }
    return QStringLiteral("other");
}

} // namespace

class TstTaskListSearch : public QObject
{
    Q_OBJECT
private slots:
    void walk_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("steps");
        const QString more = QStringLiteral("search_moreresults");
        const QString last = QStringLiteral("search_results");
        // Each step: the current task and the button after typing, then
        // after each press of the next button.
        QTest::newRow("three hits in tree order") << "pea"
            << QStringList{"Peas " + more, "peanuts " + more, "spear " + last, "spear " + last};
        QTest::newRow("capitals find small letters") << "SPEAR" << QStringList{"spear " + last, "spear " + last};
        QTest::newRow("done and hidden tasks too") << "milk" << QStringList{"milk " + more, "Milkweed " + last};
        QTest::newRow("nothing found") << "zz" << QStringList{"none search_noresults"};
    }

    void walk()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, steps);
        Tree tree("Peas -Shop[*milk peanuts] Garden[spear Milkweed]");
        tree.view.showSearchBar();
        QVERIFY(tree.view.searchBar()->lineEdit()->isVisible());
        QTest::keyClicks(tree.view.searchBar()->lineEdit(), text);
        for (const QString &step : steps) {
            QCOMPARE(tree.current() + QLatin1Char(' ') + nextButton(tree), step);
            QTest::mouseClick(tree.view.searchBar()->nextButton(), Qt::LeftButton);
        }
    }

    void blanksAroundChangeNothing()
    {
        Tree tree("Peas Pears");
        tree.view.showSearchBar();
        QSignalSpy announced(tree.view.searchBar(), &TaskListSearchWidget::searchTextChanged);
        QTest::keyClicks(tree.view.searchBar()->lineEdit(), QStringLiteral("pe  "));
        QTest::keyClick(tree.view.searchBar()->lineEdit(), Qt::Key_Home);
        QTest::keyClick(tree.view.searchBar()->lineEdit(), Qt::Key_Space);
        QCOMPARE(announced.count(), 2);
        QCOMPARE(tree.view.searchHits().size(), 2);
        tree.view.hideSearchBar();
        QCOMPARE(nextButton(tree), QStringLiteral("hidden"));
        QCOMPARE(tree.current(), QStringLiteral("Peas"));
        QVERIFY(tree.view.searchHits().isEmpty());
    }

    // Removing (one task, or the checked ones), undoing and replacing the
    // list free tasks: the hits are found again, so "next" only ever selects
    // a task of the list as it is.
    void hitsFollowTheList_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("walk");
        QTest::newRow("a hit removed") << "remove" << QStringList{"x3"};
        QTest::newRow("a checked hit removed") << "removeChecked" << QStringList{"x3"};
        QTest::newRow("undo") << "undo" << QStringList{"x2", "x3"};
        QTest::newRow("list replaced") << "replace" << QStringList{};
    }

    void hitsFollowTheList()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, walk);
        Tree tree("x1 x2 x3");
        tree.select("x2");
        keys("Return");
        tree.view.showSearchBar();
        QTest::keyClicks(tree.view.searchBar()->lineEdit(), QStringLiteral("x"));
        QCOMPARE(tree.current(), QStringLiteral("x1"));
        if (change == QLatin1String("remove")) {
            tree.select("x2");
            keys("Delete");
        } else if (change == QLatin1String("removeChecked")) {
            QTest::mouseClick(tree.view.viewport(), Qt::LeftButton, Qt::NoModifier, tree.dot("x2"));
            tree.view.removeCheckedTasks();
        } else if (change == QLatin1String("undo")) {
            tree.model->undo();
        } else {
            TaskList *replacement = TaskList::create();
            replacement->setPermissions(QStringLiteral("orwd"));
            tree.model->setTaskList(replacement);
        }
        QStringList walked;
        for (int i = 0; i < 3; ++i) {
            tree.view.setCurrentIndex(QModelIndex());
            QTest::mouseClick(tree.view.searchBar()->nextButton(), Qt::LeftButton);
            if (tree.current() != QLatin1String("none"))
                walked << tree.current();
        }
        walked.removeDuplicates();
        QCOMPARE(walked, walk);
        for (Task *hit : tree.view.searchHits())
            QVERIFY(tree.model->indexOfTask(hit).isValid());
    }

    // Escape cancels an open title edit and leaves the search alone; with
    // no editor open it clears the search.
    void escape()
    {
        Tree tree("Peas Pears");
        tree.view.showSearchBar();
        QCOMPARE(nextButton(tree), QStringLiteral("hidden"));
        QTest::keyClicks(tree.view.searchBar()->lineEdit(), QStringLiteral("pea"));
        tree.view.setFocus();
        keys("Right type:zz Escape");
        QCOMPARE(tree.shape(), QStringLiteral("Peas Pears"));
        QCOMPARE(tree.view.searchBar()->lineEdit()->text(), QStringLiteral("pea"));
        tree.view.searchBar()->lineEdit()->setFocus();
        keys("Escape");
        QCOMPARE(tree.view.searchBar()->lineEdit()->text(), QString());
        QCOMPARE(nextButton(tree), QStringLiteral("hidden"));
    }
};

PLUMDECK_TEST_MAIN(TstTaskListSearch)
#include "tst_tasklistsearch.moc"
