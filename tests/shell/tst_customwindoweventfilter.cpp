#include "shell/customwindoweventfilter.h"
#include "shelltest.h"
#include "testenvironment.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

using namespace ShellTest;

// A frameless window served by a filter on the application, as the program
// builds them.
struct Served
{
    QWidget window;
    CustomWindowEventFilter *filter;

    Served()
    {
        window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        window.setMinimumSize(100, 80);
        filter = new CustomWindowEventFilter(&window);
        qApp->installEventFilter(filter);
        QVERIFY(showExposed(&window, QRect(200, 150, 300, 200)));
    }

    void drag(const QPoint &local, const QPoint &delta) { ShellTest::drag(&window, local, delta); }
};

} // namespace

class TstCustomWindowEventFilter : public QObject
{
    Q_OBJECT
private slots:
    void zones_data()
    {
        QTest::addColumn<QPoint>("local");
        QTest::addColumn<int>("horizontal");
        QTest::addColumn<int>("vertical");
        // 300 x 200 window; zones are 8 px inside each edge.
        QTest::newRow("middle") << QPoint(150, 100) << 0 << 0;
        QTest::newRow("left inner edge") << QPoint(7, 100) << 1 << 0;
        QTest::newRow("just past left zone") << QPoint(8, 100) << 0 << 0;
        QTest::newRow("just before right zone") << QPoint(291, 100) << 0 << 0;
        QTest::newRow("right zone") << QPoint(292, 100) << 2 << 0;
        QTest::newRow("beyond right") << QPoint(400, 100) << 2 << 0;
        QTest::newRow("left of window") << QPoint(-5, 100) << 1 << 0;
        QTest::newRow("top") << QPoint(150, 7) << 0 << 1;
        QTest::newRow("below top zone") << QPoint(150, 8) << 0 << 0;
        QTest::newRow("bottom") << QPoint(150, 192) << 0 << 2;
        QTest::newRow("above window") << QPoint(150, -3) << 0 << 1;
        QTest::newRow("top-left") << QPoint(0, 0) << 1 << 1;
        QTest::newRow("bottom-right") << QPoint(299, 199) << 2 << 2;
        QTest::newRow("top-right") << QPoint(295, 3) << 2 << 1;
        QTest::newRow("bottom-left") << QPoint(3, 195) << 1 << 2;
    }

    void zones()
    {
        QFETCH(QPoint, local);
        QFETCH(int, horizontal);
        QFETCH(int, vertical);
        QWidget window;
        window.resize(300, 200);
        CustomWindowEventFilter filter(&window);
        QCOMPARE(filter.horizontalEdge(local), horizontal);
        QCOMPARE(filter.verticalEdge(local), vertical);
    }

    void fixedSizeHasNoZones()
    {
        QWidget window;
        window.setFixedWidth(300);
        window.resize(300, 200);
        CustomWindowEventFilter filter(&window);
        QCOMPARE(filter.horizontalEdge(QPoint(2, 100)), 0);
        QCOMPARE(filter.horizontalEdge(QPoint(298, 100)), 0);
        QCOMPARE(filter.verticalEdge(QPoint(2, 2)), 1);
        filter.updateCursor(QPoint(2, 2));
        QCOMPARE(window.cursor().shape(), Qt::SizeVerCursor);
        filter.updateCursor(QPoint(2, 100));
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor); // unset

        window.setFixedHeight(200);
        QCOMPARE(filter.verticalEdge(QPoint(2, 2)), 0);
    }

    void cursors_data()
    {
        QTest::addColumn<QPoint>("local");
        QTest::addColumn<int>("shape"); // -1: unset
        QTest::newRow("inside") << QPoint(150, 100) << -1;
        QTest::newRow("left") << QPoint(2, 100) << int(Qt::SizeHorCursor);
        QTest::newRow("right") << QPoint(297, 100) << int(Qt::SizeHorCursor);
        QTest::newRow("top") << QPoint(150, 2) << int(Qt::SizeVerCursor);
        QTest::newRow("bottom") << QPoint(150, 197) << int(Qt::SizeVerCursor);
        QTest::newRow("top-left") << QPoint(2, 2) << int(Qt::SizeFDiagCursor);
        QTest::newRow("bottom-right") << QPoint(297, 197) << int(Qt::SizeFDiagCursor);
        QTest::newRow("top-right") << QPoint(297, 2) << int(Qt::SizeBDiagCursor);
        QTest::newRow("bottom-left") << QPoint(2, 197) << int(Qt::SizeBDiagCursor);
    }

    void cursors()
    {
        QFETCH(QPoint, local);
        QFETCH(int, shape);
        Served s;
        s.window.setCursor(Qt::CrossCursor);
        // A move without a pressed button over the window sets the cursor.
        moveTo(&s.window, s.window.mapToGlobal(local), Qt::NoButton);
        QCOMPARE(int(s.window.cursor().shape()), shape < 0 ? int(Qt::ArrowCursor) : shape);
    }

    void move()
    {
        Served s;
        s.drag(QPoint(150, 100), QPoint(35, -20));
        QCOMPARE(s.window.pos(), QPoint(235, 130));
        QCOMPARE(s.window.size(), QSize(300, 200));
        QCOMPARE(s.filter->dragOp(), CustomWindowEventFilter::None);
    }

    void resize_data()
    {
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<QPoint>("delta");
        QTest::addColumn<QRect>("geometry");
        // Window at (200,150) 300x200, minimum 100x80.
        QTest::newRow("right wider") << QPoint(296, 100) << QPoint(40, 25) << QRect(200, 150, 340, 200);
        QTest::newRow("bottom taller") << QPoint(100, 196) << QPoint(-30, 50) << QRect(200, 150, 300, 250);
        QTest::newRow("left keeps right edge") << QPoint(3, 100) << QPoint(-50, 0) << QRect(150, 150, 350, 200);
        QTest::newRow("top keeps bottom edge") << QPoint(100, 3) << QPoint(0, 30) << QRect(200, 180, 300, 170);
        QTest::newRow("top-left corner") << QPoint(2, 2) << QPoint(20, 10) << QRect(220, 160, 280, 190);
        QTest::newRow("bottom-right corner") << QPoint(298, 198) << QPoint(-20, 15) << QRect(200, 150, 280, 215);
        QTest::newRow("left stops at minimum") << QPoint(3, 100) << QPoint(260, 0) << QRect(400, 150, 100, 200);
        QTest::newRow("top stops at minimum") << QPoint(100, 3) << QPoint(0, 500) << QRect(200, 270, 300, 80);
        QTest::newRow("right stops at minimum") << QPoint(296, 100) << QPoint(-400, 0) << QRect(200, 150, 100, 200);
        QTest::newRow("bottom stops at minimum") << QPoint(100, 196) << QPoint(0, -400) << QRect(200, 150, 300, 80);
    }

    void resize()
    {
        QFETCH(QPoint, press);
        QFETCH(QPoint, delta);
        QFETCH(QRect, geometry);
        Served s;
        s.drag(press, delta);
        QCOMPARE(s.window.geometry(), geometry);
    }

    void resizeFollowsPressStateNotCurrentGeometry()
    {
        Served s;
        const QPoint start = s.window.mapToGlobal(QPoint(3, 100));
        press(&s.window, QPoint(3, 100));
        QCOMPARE(s.filter->dragOp(), CustomWindowEventFilter::Resize);
        for (int dx : {-10, -30, 20, -40})
            moveTo(&s.window, start + QPoint(dx, 0));
        QCOMPARE(s.window.geometry(), QRect(160, 150, 340, 200));
        // The cursor is not changed while a drag runs.
        QCOMPARE(s.window.cursor().shape(), Qt::ArrowCursor);
        release(&s.window, start + QPoint(-40, 0));
        // The release refreshes the cursor: still on the left edge.
        QCOMPARE(s.window.cursor().shape(), Qt::SizeHorCursor);
    }

    void maximizedStartsNothing()
    {
        Served s;
        s.window.showMaximized();
        QVERIFY(s.window.isMaximized());
        const QRect before = s.window.geometry();
        s.drag(QPoint(150, 100), QPoint(30, 30));
        s.drag(QPoint(2, 2), QPoint(30, 30));
        QCOMPARE(s.window.geometry(), before);
        moveTo(&s.window, s.window.mapToGlobal(QPoint(2, 100)), Qt::NoButton);
        QCOMPARE(s.window.cursor().shape(), Qt::SizeHorCursor);
    }

    void otherButtonsChangeNothing()
    {
        Served s;
        press(&s.window, QPoint(150, 100), Qt::RightButton);
        QCOMPARE(s.filter->dragOp(), CustomWindowEventFilter::None);
        moveTo(&s.window, s.window.mapToGlobal(QPoint(180, 120)), Qt::RightButton);
        QCOMPARE(s.window.pos(), QPoint(200, 150));

        press(&s.window, QPoint(150, 100));
        sendMouse(&s.window, QEvent::MouseButtonRelease, s.window.mapToGlobal(QPoint(150, 100)), Qt::RightButton,
                  Qt::LeftButton);
        QCOMPARE(s.filter->dragOp(), CustomWindowEventFilter::Move);
    }

    void childrenKeepTheirPresses()
    {
        Served s;
        auto *layout = new QVBoxLayout(&s.window);
        auto *button = new QPushButton(QStringLiteral("Ok"));
        auto *edit = new QLineEdit;
        auto *label = new QLabel(QStringLiteral("drag me"));
        layout->addWidget(button);
        layout->addWidget(edit);
        layout->addWidget(label);
        QCoreApplication::processEvents();

        for (QWidget *child : {static_cast<QWidget *>(button), static_cast<QWidget *>(edit)}) {
            press(child, QPoint(5, 5));
            QCOMPARE(s.filter->dragOp(), CustomWindowEventFilter::None);
            const QPoint end = child->mapToGlobal(QPoint(35, 35));
            moveTo(child, end);
            release(child, end);
            QCOMPARE(s.window.pos(), QPoint(200, 150));
        }

        // A label ignores the press, which then reaches the window: a move.
        press(label, QPoint(5, 5));
        QCOMPARE(s.filter->dragOp(), CustomWindowEventFilter::Move);
        moveTo(label, label->mapToGlobal(QPoint(5, 5)) + QPoint(30, 30));
        QCOMPARE(s.window.pos(), QPoint(230, 180));
    }

    void belongsThroughParentChain()
    {
        QWidget window;
        CustomWindowEventFilter filter(&window);
        QWidget child(&window);
        QObject grandChild(&child);
        QWidget stranger;
        QVERIFY(filter.belongsToWindow(&window));
        QVERIFY(filter.belongsToWindow(&child));
        QVERIFY(filter.belongsToWindow(&grandChild));
        QVERIFY(!filter.belongsToWindow(&stranger));
        QVERIFY(!filter.belongsToWindow(nullptr));
    }

    void neverConsumes()
    {
        QWidget window;
        window.resize(300, 200);
        CustomWindowEventFilter filter(&window);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent move(QEvent::MouseMove, QPointF(9, 9), QPointF(9, 9), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(9, 9), QPointF(9, 9), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QEvent other(QEvent::Enter);
        QVERIFY(!filter.eventFilter(&window, &press));
        QVERIFY(!filter.eventFilter(&window, &move));
        QVERIFY(!filter.eventFilter(&window, &release));
        QVERIFY(!filter.eventFilter(&window, &other));
    }

    void filterGoesWithWindow()
    {
        QPointer<CustomWindowEventFilter> filter;
        {
            QWidget window;
            filter = new CustomWindowEventFilter(&window);
            qApp->installEventFilter(filter);
        }
        QVERIFY(filter.isNull());
    }
};

PLUMDECK_TEST_MAIN(TstCustomWindowEventFilter)
#include "tst_customwindoweventfilter.moc"
