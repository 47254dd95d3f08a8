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
    // Zones are 8 px inside each edge of a 300 x 200 window, none along a
    // fixed dimension; the cursor follows the zone (-1: unset).
    void zones_data()
    {
        QTest::addColumn<QPoint>("local");
        QTest::addColumn<int>("fixed"); // 1: fixed width, 2: fixed size
        QTest::addColumn<int>("horizontal");
        QTest::addColumn<int>("vertical");
        QTest::addColumn<int>("shape");
        const int hor = Qt::SizeHorCursor, ver = Qt::SizeVerCursor;
        QTest::newRow("middle") << QPoint(150, 100) << 0 << 0 << 0 << -1;
        QTest::newRow("left inner edge") << QPoint(7, 100) << 0 << 1 << 0 << hor;
        QTest::newRow("just past left zone") << QPoint(8, 100) << 0 << 0 << 0 << -1;
        QTest::newRow("just before right zone") << QPoint(291, 100) << 0 << 0 << 0 << -1;
        QTest::newRow("right zone") << QPoint(292, 100) << 0 << 2 << 0 << hor;
        QTest::newRow("beyond right") << QPoint(400, 100) << 0 << 2 << 0 << hor;
        QTest::newRow("left of window") << QPoint(-5, 100) << 0 << 1 << 0 << hor;
        QTest::newRow("top") << QPoint(150, 7) << 0 << 0 << 1 << ver;
        QTest::newRow("below top zone") << QPoint(150, 8) << 0 << 0 << 0 << -1;
        QTest::newRow("bottom") << QPoint(150, 192) << 0 << 0 << 2 << ver;
        QTest::newRow("above window") << QPoint(150, -3) << 0 << 0 << 1 << ver;
        QTest::newRow("top-left") << QPoint(0, 0) << 0 << 1 << 1 << int(Qt::SizeFDiagCursor);
        QTest::newRow("bottom-right") << QPoint(299, 199) << 0 << 2 << 2 << int(Qt::SizeFDiagCursor);
        QTest::newRow("top-right") << QPoint(295, 3) << 0 << 2 << 1 << int(Qt::SizeBDiagCursor);
        QTest::newRow("bottom-left") << QPoint(3, 195) << 0 << 1 << 2 << int(Qt::SizeBDiagCursor);
        QTest::newRow("fixed width, left") << QPoint(2, 100) << 1 << 0 << 0 << -1;
        QTest::newRow("fixed width, right") << QPoint(298, 100) << 1 << 0 << 0 << -1;
        QTest::newRow("fixed width, top-left") << QPoint(2, 2) << 1 << 0 << 1 << ver;
        QTest::newRow("fixed size, top-left") << QPoint(2, 2) << 2 << 0 << 0 << -1;
    }

    void zones()
    {
        QFETCH(QPoint, local);
        QFETCH(int, fixed);
        QFETCH(int, shape);
        QWidget window;
        window.resize(300, 200);
        if (fixed)
            window.setFixedWidth(300);
        if (fixed == 2)
            window.setFixedHeight(200);
        CustomWindowEventFilter filter(&window);
        QTEST(filter.horizontalEdge(local), "horizontal");
        QTEST(filter.verticalEdge(local), "vertical");
        window.setCursor(Qt::CrossCursor);
        filter.updateCursor(local);
        QCOMPARE(int(window.cursor().shape()), shape < 0 ? int(Qt::ArrowCursor) : shape);
    }

    // Left-button drags; the right button and a maximised window start
    // nothing (an empty geometry: unchanged).
    void resize_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QPoint>("delta");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("how");
        // Window at (200,150) 300x200, minimum 100x80.
        QTest::newRow("right button") << QPoint(150, 100) << QPoint(30, 20) << QRect() << "right";
        QTest::newRow("maximised, middle") << QPoint(150, 100) << QPoint(30, 30) << QRect() << "maximised";
        QTest::newRow("maximised, corner") << QPoint(2, 2) << QPoint(30, 30) << QRect() << "maximised";
        QTest::newRow("middle moves") << QPoint(150, 100) << QPoint(35, -20) << QRect(235, 130, 300, 200) << "";
        QTest::newRow("right wider") << QPoint(296, 100) << QPoint(40, 25) << QRect(200, 150, 340, 200) << "";
        QTest::newRow("bottom taller") << QPoint(100, 196) << QPoint(-30, 50) << QRect(200, 150, 300, 250) << "";
        QTest::newRow("left keeps right edge") << QPoint(3, 100) << QPoint(-50, 0) << QRect(150, 150, 350, 200) << "";
        QTest::newRow("top keeps bottom edge") << QPoint(100, 3) << QPoint(0, 30) << QRect(200, 180, 300, 170) << "";
        QTest::newRow("top-left corner") << QPoint(2, 2) << QPoint(20, 10) << QRect(220, 160, 280, 190) << "";
        QTest::newRow("bottom-right corner") << QPoint(298, 198) << QPoint(-20, 15) << QRect(200, 150, 280, 215) << "";
        QTest::newRow("left stops at minimum") << QPoint(3, 100) << QPoint(260, 0) << QRect(400, 150, 100, 200) << "";
        QTest::newRow("top stops at minimum") << QPoint(100, 3) << QPoint(0, 500) << QRect(200, 270, 300, 80) << "";
        QTest::newRow("right stops at minimum") << QPoint(296, 100) << QPoint(-400, 0) << QRect(200, 150, 100, 200) << "";
        QTest::newRow("bottom stops at minimum") << QPoint(100, 196) << QPoint(0, -400) << QRect(200, 150, 300, 80) << "";
    }

    void resize()
    {
        QFETCH(QPoint, at);
        QFETCH(QPoint, delta);
        QFETCH(QRect, geometry);
        QFETCH(QString, how);
        Served s;
        if (how == QLatin1String("maximised"))
            s.window.showMaximized();
        const QRect before = s.window.geometry();
        const QPoint end = s.window.mapToGlobal(at) + delta;
        const Qt::MouseButton button = how == QLatin1String("right") ? Qt::RightButton : Qt::LeftButton;
        press(&s.window, at, button);
        QCOMPARE(s.filter->dragOp() == CustomWindowEventFilter::None, geometry.isNull());
        moveTo(&s.window, end, button);
        release(&s.window, end);
        QCOMPARE(s.window.geometry(), geometry.isNull() ? before : geometry);
        QCOMPARE(s.filter->dragOp(), CustomWindowEventFilter::None);
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

    // A move without a button sets the cursor, even maximised; releasing
    // another button keeps a drag going.
    void hoverAndOtherButtons()
    {
        Served s;
        s.window.showMaximized();
        s.window.setCursor(Qt::CrossCursor);
        moveTo(&s.window, s.window.mapToGlobal(QPoint(2, 100)), Qt::NoButton);
        QCOMPARE(s.window.cursor().shape(), Qt::SizeHorCursor);
        s.window.showNormal();
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

        for (QWidget *child : std::initializer_list<QWidget *>{button, edit}) {
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

    // The filter watches the whole application: it recognises its window's
    // objects, never consumes an event, and goes with its window.
    void belongsAndNeverConsumes()
    {
        QPointer<CustomWindowEventFilter> filter;
        {
            QWidget window;
            window.resize(300, 200);
            filter = new CustomWindowEventFilter(&window);
            QWidget child(&window);
            QObject grandChild(&child);
            QWidget stranger;
            QVERIFY(filter->belongsToWindow(&grandChild));
            QVERIFY(!filter->belongsToWindow(&stranger));
            QVERIFY(!filter->belongsToWindow(nullptr));
            const QPointF p(5, 5);
            QMouseEvent press(QEvent::MouseButtonPress, p, p, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QMouseEvent move(QEvent::MouseMove, p, p, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QMouseEvent release(QEvent::MouseButtonRelease, p, p, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
            QEvent other(QEvent::Enter);
            for (QEvent *e : std::initializer_list<QEvent *>{&press, &move, &release, &other})
                QVERIFY(!filter->eventFilter(&child, e) && !filter->eventFilter(&window, e));
        }
        QVERIFY(filter.isNull());
    }
};

PLUMDECK_TEST_MAIN(TstCustomWindowEventFilter)
#include "tst_customwindoweventfilter.moc"
