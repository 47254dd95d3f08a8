#include "shell/customwindow.h"
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

QLabel *strip(CustomWindow &window)
{
    return window.findChild<QLabel *>(QStringLiteral("windowbar"));
}

} // namespace

class TstCustomWindow : public QObject
{
    Q_OBJECT
private slots:
    void init() { ShellTest::setBlueSkin(false); }

    void widgetTree_data()
    {
        QTest::addColumn<bool>("blue");
        QTest::newRow("green") << false;
        QTest::newRow("blue") << true;
    }

    void widgetTree()
    {
        QFETCH(bool, blue);
        const QString suffix = blue ? QStringLiteral("-blue") : QString();
        ShellTest::setBlueSkin(blue);
        CustomWindow window;
        QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(ShellTest::sameImage(strip(window)->pixmap(), QPixmap(":/full/window-title" + suffix + ".png")));
        // help, preferences, stretch, minimise, maximise, close; then content.
        const auto *row = static_cast<QHBoxLayout *>(strip(window)->layout());
        const std::tuple<int, ToolButton *, const char *> buttons[] = {
            {0, window.helpButton(), "window-help"}, {1, window.prefsButton(), "config"},
            {3, window.minimizeButton(), "window-minimize"}, {4, window.maximizeButton(), "window-maximize"},
            {5, window.closeButton(), "window-close"}};
        for (const auto &[index, button, image] : buttons) {
            QCOMPARE(row->itemAt(index)->widget(), button);
            QVERIFY2(showsImage(button, QStringLiteral(":/%1%2.png").arg(QLatin1String(image), suffix)), image);
        }
        QVERIFY(row->itemAt(2)->spacerItem());
        QCOMPARE(row->count(), 6);

        auto *first = new QLabel(QStringLiteral("1"));
        auto *second = new QLabel(QStringLiteral("2"));
        window.addTitleBarWidget(first);
        window.addTitleBarWidget(second);
        QCOMPARE(row->itemAt(2)->widget(), second); // after preferences, in reverse order
        QCOMPARE(row->itemAt(3)->widget(), first);
        auto *a = new QVBoxLayout;
        auto *b = new QVBoxLayout;
        window.setContentLayout(a);
        window.setContentLayout(b);
        QLayout *frame = window.findChild<QFrame *>(QStringLiteral("customWindowFrame"))->layout();
        QCOMPARE(frame->itemAt(0)->widget(), strip(window));
        QCOMPARE(frame->itemAt(1)->layout(), a);
        QCOMPARE(frame->itemAt(2)->layout(), b);
    }

    void maximizeToggles_data()
    {
        QTest::addColumn<bool>("blue");
        QTest::addColumn<bool>("byDoubleClick");
        QTest::addColumn<QString>("maximized"); // the image, and its hover twin
        QTest::addColumn<QString>("normal");
        QTest::newRow("green button") << false << false << "window-restore" << "window-maximize";
        QTest::newRow("green double click") << false << true << "window-restore" << "window-maximize";
        QTest::newRow("blue button") << true << false << "window-maximize-blue" << "window-maximize-blue";
        QTest::newRow("blue double click") << true << true << "window-maximize-blue" << "window-maximize-blue";
    }

    void maximizeToggles()
    {
        QFETCH(bool, blue);
        QFETCH(bool, byDoubleClick);
        QFETCH(QString, maximized);
        QFETCH(QString, normal);
        ShellTest::setBlueSkin(blue);
        CustomWindow window;
        window.resize(400, 300);
        QVERIFY(ShellTest::showExposed(&window));
        // A maximised window changed from outside keeps its image.
        window.showMaximized();
        QVERIFY(showsImage(window.maximizeButton(), ":/" + normal + ".png"));
        window.showNormal();
        for (bool toMaximized : {true, false}) {
            if (byDoubleClick)
                QTest::mouseDClick(strip(window), Qt::LeftButton, Qt::NoModifier, strip(window)->rect().center());
            else
                QTest::mouseClick(window.maximizeButton(), Qt::LeftButton);
            QCOMPARE(window.isMaximized(), toMaximized);
            const QString image = toMaximized ? maximized : normal;
            QVERIFY(showsImage(window.maximizeButton(), ":/" + image + ".png"));
            QVERIFY(showsImage(window.maximizeButton(), ":/" + image + "-active.png", QIcon::Active));
            QCOMPARE(window.maximizeButton()->size(), QPixmap(":/" + image + ".png").size());
        }
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

    void windowMovesByMouse()
    {
        CustomWindow window;
        QVERIFY(ShellTest::showExposed(&window, QRect(100, 100, 400, 300)));
        // The title strip ignores presses, so they reach the window.
        const QPoint local = strip(window)->rect().center() - QPoint(60, 0);
        ShellTest::press(strip(window), local);
        ShellTest::moveTo(strip(window), strip(window)->mapToGlobal(local) + QPoint(25, 15));
        QCOMPARE(window.pos(), QPoint(125, 115));
    }

};

PLUMDECK_TEST_MAIN(TstCustomWindow)
#include "tst_customwindow.moc"
