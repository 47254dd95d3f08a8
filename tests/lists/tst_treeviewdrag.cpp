// Moving tasks by dragging them with the mouse: before, after and into rows,
// the refusals, and the cursor that tells the user.

#include "testenvironment.h"
#include "treetest.h"

using namespace TreeTest;

class TstTreeViewDrag : public QObject
{
    Q_OBJECT
private slots:
    void drop_data()
    {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QString>("permissions");
        QTest::addColumn<QString>("dragged");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("into");
        QTest::addColumn<QString>("cursor");
        QTest::addColumn<QString>("after");
        auto row = [](const char *name, const char *shape, const char *dragged, const char *target, bool into,
                      const char *cursor, const char *after, const char *perms = "orwd") {
            QTest::newRow(name) << shape << perms << dragged << target << into << cursor << after;
        };
        row("down after a later sibling", "A B C", "A", "C", false, "drag", "B C A");
        row("up before an earlier sibling", "A B C", "C", "A", false, "drag", "C A B");
        row("up before a cousin", "A[a1] B[b1]", "b1", "a1", false, "drag", "A[b1 a1] B");
        row("over an open parent", "A B[b1] C", "A", "B", false, "drag", "A B[b1] C");
        row("after the end of a branch", "A B[b1[b11]] C", "A", "b11", false, "drag", "B[b1[b11]] A C");
        row("inside a branch that goes on", "A B[b1[b11] b2]", "A", "b11", false, "drag", "A B[b1[b11] b2]");
        row("subtask over a shallower row", "A[a1] B", "a1", "B", false, "drag", "A[a1] B");
        row("into a row", "A B", "A", "B", true, "into", "B[A]");
        row("into a closed row goes first", "A -B[b1]", "A", "B", true, "into", "B[A b1]");
        row("into its own subtask", "A[a1] B", "A", "a1", true, "drag", "A[a1] B");
        row("into itself", "A B", "A", "A", true, "drag", "A B");
        row("read-only list", "A B C", "A", "C", false, "none", "A B C", "or");
        row("released below the rows", "A B", "A", "", false, "forbidden", "A B");
    }

    void drop()
    {
        QFETCH(QString, shape);
        QFETCH(QString, permissions);
        QFETCH(QString, dragged);
        QFETCH(QString, target);
        QFETCH(bool, into);
        QFETCH(QString, cursor);
        Tree tree(shape, permissions);
        const int before = tree.model->undoSnapshotCount();
        const QPoint start = tree.text(dragged);
        const QPoint end = target.isEmpty() ? QPoint(60, 300) : into ? tree.dot(target) : tree.text(target);
        tree.mouse(QEvent::MouseButtonPress, start, Qt::LeftButton);
        tree.mouse(QEvent::MouseMove, start + QPoint(0, QApplication::startDragDistance() + 1), Qt::LeftButton);
        tree.mouse(QEvent::MouseMove, end, Qt::LeftButton);

        const QCursor shown = tree.view.viewport()->cursor();
        const QString expectedImage = cursor == QLatin1String("into") ? ":/windrag_in.png" : ":/windrag.png";
        if (cursor == QLatin1String("forbidden"))
            QCOMPARE(shown.shape(), Qt::ForbiddenCursor);
        else if (cursor == QLatin1String("none"))
            QCOMPARE(shown.shape(), Qt::ArrowCursor);
        else
            QCOMPARE(shown.pixmap().toImage(), QImage(expectedImage).convertToFormat(shown.pixmap().toImage().format()));

        tree.mouse(QEvent::MouseButtonRelease, end, Qt::NoButton);
        QTEST(tree.shape(), "after");
        const bool moved = tree.shape() != shape;
        QCOMPARE(tree.model->undoSnapshotCount() - before, moved ? 1 : 0);
        if (moved)
            QCOMPARE(tree.current(), dragged);
        QCOMPARE(tree.view.viewport()->cursor().shape(), Qt::ArrowCursor);
    }

    void shortMoveIsNoDrag()
    {
        Tree tree("A B");
        const QPoint start = tree.text("A");
        tree.mouse(QEvent::MouseButtonPress, start, Qt::LeftButton);
        tree.mouse(QEvent::MouseMove, start + QPoint(0, 2), Qt::LeftButton);
        tree.mouse(QEvent::MouseButtonRelease, start + QPoint(0, 2), Qt::NoButton);
        QCOMPARE(tree.shape(), QStringLiteral("A B"));
    }

    // A synchronisation starting in the middle of a drag ends it at the
    // release without moving anything.
    void syncEndsDrag()
    {
        Tree tree("A B C");
        const QPoint start = tree.text("A");
        tree.mouse(QEvent::MouseButtonPress, start, Qt::LeftButton);
        tree.mouse(QEvent::MouseMove, start + QPoint(0, 20), Qt::LeftButton);
        tree.mouse(QEvent::MouseMove, tree.text("C"), Qt::LeftButton);
        tree.model->setSynchronizing(true);
        tree.mouse(QEvent::MouseButtonRelease, tree.text("C"), Qt::NoButton);
        tree.model->setSynchronizing(false);
        QCOMPARE(tree.shape(), QStringLiteral("A B C"));
        tree.mouse(QEvent::MouseMove, tree.text("B"), Qt::LeftButton);
        tree.mouse(QEvent::MouseButtonRelease, tree.text("B"), Qt::NoButton);
        QCOMPARE(tree.shape(), QStringLiteral("A B C"));
    }
};

PLUMDECK_TEST_MAIN(TstTreeViewDrag)
#include "tst_treeviewdrag.moc"
