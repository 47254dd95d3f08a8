#include "shell/customwindow.h"
#include "shell/titlebar.h"
#include "shell/toolbutton.h"
#include "shelltest.h"
#include "testenvironment.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalSpy>
#include <QVBoxLayout>

namespace {

bool showsImage(ToolButton *button, const QString &path, QIcon::Mode mode = QIcon::Normal)
{
    const QPixmap expected(path);
    return ShellTest::sameImage(button->icon().pixmap(expected.size(), mode, QIcon::Off), expected);
}

class DoubleClickCounter : public QWidget
{
public:
    int count = 0;

protected:
    void mouseDoubleClickEvent(QMouseEvent *) override { ++count; }
};

} // namespace

class TstCustomWindow : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        ShellTest::setBlueSkin(false);
    }

    void widgetTree_data()
    {
        QTest::addColumn<bool>("blue");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("green") << false << "";
        QTest::newRow("blue") << true << "-blue";
    }

    void widgetTree()
    {
        QFETCH(bool, blue);
        QFETCH(QString, suffix);
        ShellTest::setBlueSkin(blue);
        CustomWindow window;
        QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(window.isWindow());
        QVERIFY(window.findChild<QFrame *>(QStringLiteral("customWindowFrame")));
        auto *strip = window.findChild<QLabel *>(QStringLiteral("windowbar"));
        QVERIFY(strip);
        QVERIFY(ShellTest::sameImage(strip->pixmap(), QPixmap(QStringLiteral(":/full/window-title") + suffix + QStringLiteral(".png"))));

        // help, preferences, stretch, minimise, maximise, close
        QLayout *row = strip->layout();
        QCOMPARE(row->count(), 6);
        QCOMPARE(row->itemAt(0)->widget(), window.helpButton());
        QCOMPARE(row->itemAt(1)->widget(), window.prefsButton());
        QVERIFY(row->itemAt(2)->spacerItem());
        QCOMPARE(row->itemAt(3)->widget(), window.minimizeButton());
        QCOMPARE(row->itemAt(4)->widget(), window.maximizeButton());
        QCOMPARE(row->itemAt(5)->widget(), window.closeButton());
        QCOMPARE(row->spacing(), 5);

        QCOMPARE(window.helpButton()->toolTip(), QStringLiteral("Help"));
        QCOMPARE(window.prefsButton()->toolTip(), QStringLiteral("Preferences"));
        const QList<std::tuple<ToolButton *, const char *, const char *>> buttons = {
            {window.helpButton(), "windowhelpbutton", "window-help"},
            {window.prefsButton(), "windowPrefsButton", "config"},
            {window.minimizeButton(), "windowminimizebutton", "window-minimize"},
            {window.maximizeButton(), "windowmaximizebutton", "window-maximize"},
            {window.closeButton(), "windowclosebutton", "window-close"}};
        for (const auto &[button, name, image] : buttons) {
            QCOMPARE(button->objectName(), QLatin1String(name));
            QVERIFY2(showsImage(button, QStringLiteral(":/%1%2.png").arg(QLatin1String(image), suffix)), image);
        }
    }

    void maximizeToggles_data()
    {
        QTest::addColumn<bool>("blue");
        QTest::addColumn<bool>("byDoubleClick");
        QTest::addColumn<QString>("maximizedImage");
        QTest::addColumn<QString>("maximizedHover");
        QTest::addColumn<QString>("normalImage");
        QTest::newRow("green button") << false << false << ":/window-restore.png" << ":/window-restore-active.png"
                                      << ":/window-maximize.png";
        QTest::newRow("green double click") << false << true << ":/window-restore.png"
                                            << ":/window-restore-active.png" << ":/window-maximize.png";
        QTest::newRow("blue button") << true << false << ":/window-maximize-blue.png"
                                     << ":/window-maximize-blue-active.png" << ":/window-maximize-blue.png";
        QTest::newRow("blue double click") << true << true << ":/window-maximize-blue.png"
                                           << ":/window-maximize-blue-active.png" << ":/window-maximize-blue.png";
    }

    void maximizeToggles()
    {
        QFETCH(bool, blue);
        QFETCH(bool, byDoubleClick);
        QFETCH(QString, maximizedImage);
        QFETCH(QString, maximizedHover);
        QFETCH(QString, normalImage);
        ShellTest::setBlueSkin(blue);
        CustomWindow window;
        window.resize(400, 300);
        QVERIFY(ShellTest::showExposed(&window));
        auto *strip = window.findChild<QLabel *>(QStringLiteral("windowbar"));

        auto toggle = [&]() {
            if (byDoubleClick)
                QTest::mouseDClick(strip, Qt::LeftButton, Qt::NoModifier, strip->rect().center());
            else
                QTest::mouseClick(window.maximizeButton(), Qt::LeftButton);
        };

        toggle();
        QVERIFY(window.isMaximized());
        QVERIFY(showsImage(window.maximizeButton(), maximizedImage));
        QVERIFY(showsImage(window.maximizeButton(), maximizedHover, QIcon::Active));
        QCOMPARE(window.maximizeButton()->size(), QPixmap(maximizedImage).size());
        toggle();
        QVERIFY(!window.isMaximized());
        QVERIFY(showsImage(window.maximizeButton(), normalImage));
    }

    void outsideStateChangeLeavesImage()
    {
        CustomWindow window;
        QVERIFY(ShellTest::showExposed(&window));
        window.showMaximized();
        QVERIFY(showsImage(window.maximizeButton(), QStringLiteral(":/window-maximize.png")));
    }

    void frameButtons_data()
    {
        QTest::addColumn<bool>("minimize");
        QTest::newRow("minimise") << true;
        QTest::newRow("close") << false;
    }

    void frameButtons()
    {
        QFETCH(bool, minimize);
        CustomWindow window;
        QVERIFY(ShellTest::showExposed(&window));
        QTest::mouseClick(minimize ? window.minimizeButton() : window.closeButton(), Qt::LeftButton);
        QCOMPARE(window.isMinimized(), minimize);
        QCOMPARE(window.isVisible(), minimize);
    }

    void titleBarWidgetsInReverseOrder()
    {
        CustomWindow window;
        auto *first = new QLabel(QStringLiteral("1"));
        auto *second = new QLabel(QStringLiteral("2"));
        window.addTitleBarWidget(first);
        window.addTitleBarWidget(second);
        QLayout *row = window.findChild<QLabel *>(QStringLiteral("windowbar"))->layout();
        QCOMPARE(row->itemAt(1)->widget(), window.prefsButton());
        QCOMPARE(row->itemAt(2)->widget(), second);
        QCOMPARE(row->itemAt(3)->widget(), first);
        QVERIFY(row->itemAt(4)->spacerItem());
    }

    void actionsConnectEachTime()
    {
        CustomWindow window;
        QAction help;
        QAction prefs;
        QSignalSpy helpSpy(&help, &QAction::triggered);
        QSignalSpy prefsSpy(&prefs, &QAction::triggered);
        window.setHelpAction(&help);
        window.setPreferencesAction(&prefs);
        window.setPreferencesAction(&prefs);
        QVERIFY(ShellTest::showExposed(&window));
        QTest::mouseClick(window.helpButton(), Qt::LeftButton);
        QTest::mouseClick(window.prefsButton(), Qt::LeftButton);
        QCOMPARE(helpSpy.count(), 1);
        QCOMPARE(prefsSpy.count(), 2);
    }

    void contentBelowStrip()
    {
        CustomWindow window;
        auto *a = new QVBoxLayout;
        auto *b = new QVBoxLayout;
        window.setContentLayout(a);
        window.setContentLayout(b);
        QLayout *frame = window.findChild<QFrame *>(QStringLiteral("customWindowFrame"))->layout();
        QCOMPARE(frame->count(), 3);
        QCOMPARE(frame->itemAt(0)->widget()->objectName(), QStringLiteral("windowbar"));
        QCOMPARE(frame->itemAt(1)->layout(), a);
        QCOMPARE(frame->itemAt(2)->layout(), b);
    }

    void windowMovesByMouse()
    {
        CustomWindow window;
        QVERIFY(ShellTest::showExposed(&window, QRect(100, 100, 400, 300)));
        // The title strip ignores presses, so they reach the window.
        auto *strip = window.findChild<QLabel *>(QStringLiteral("windowbar"));
        const QPoint local = strip->rect().center() - QPoint(60, 0);
        ShellTest::press(strip, local);
        ShellTest::moveTo(strip, strip->mapToGlobal(local) + QPoint(25, 15));
        QCOMPARE(window.pos(), QPoint(125, 115));
    }

    void titleBarDoubleClickStops()
    {
        DoubleClickCounter parent;
        auto *layout = new QHBoxLayout(&parent);
        auto *bar = new TitleBar;
        layout->addWidget(bar);
        parent.resize(200, 40);
        QVERIFY(ShellTest::showExposed(&parent));
        QSignalSpy spy(bar, &TitleBar::doubleClicked);
        QTest::mouseDClick(bar, Qt::LeftButton, Qt::NoModifier, bar->rect().center());
        QCOMPARE(spy.count(), 1);
        QCOMPARE(parent.count, 0);
    }
};

PLUMDECK_TEST_MAIN(TstCustomWindow)
#include "tst_customwindow.moc"
