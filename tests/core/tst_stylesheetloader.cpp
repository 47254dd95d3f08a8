#include "core/stylesheetloader.h"
#include "testenvironment.h"

#include <QAction>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QVBoxLayout>

namespace {

class KeyCounter : public QObject
{
public:
    int presses = 0;
    QList<int> keys;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            ++presses;
            keys << static_cast<QKeyEvent *>(event)->key();
        }
        return false;
    }
};

void writeFile(const QString &path, const QByteArray &text)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write the test style sheet");
    f.write(text);
}

void expectLoading(const QString &path)
{
    QTest::ignoreMessage(QtDebugMsg, qPrintable(QStringLiteral("StyleSheetLoader loading \"%1\"").arg(path)));
}

} // namespace

class TstStyleSheetLoader : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { qApp->setStyleSheet(QString()); }

    void f5Reloads_data()
    {
        QTest::addColumn<bool>("shortcut");
        QTest::newRow("plain window") << false;
        // "In any window": also where a command of the window is bound to F5
        // (the synchronise shortcut of the lists page).
        QTest::newRow("before the window's F5 shortcut") << true;
    }

    void f5Reloads()
    {
        QFETCH(bool, shortcut);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("default.css"));
        writeFile(path, "QLineEdit { color: red; }");

        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *edit = new QLineEdit(&window);
        layout->addWidget(edit);
        int triggered = 0;
        if (shortcut) {
            auto *sync = new QAction(&window);
            sync->setShortcut(Qt::Key_F5);
            window.addAction(sync);
            connect(sync, &QAction::triggered, this, [&triggered] { ++triggered; });
        }
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        edit->setFocus();
        KeyCounter counter;
        edit->installEventFilter(&counter);

        expectLoading(path);
        auto loader = std::make_unique<StyleSheetLoader>(path);
        QCOMPARE(qApp->styleSheet(), QStringLiteral("QLineEdit { color: red; }"));
        writeFile(path, "QLineEdit { color: blue; }");
        QCOMPARE(qApp->styleSheet(), QStringLiteral("QLineEdit { color: red; }")); // only F5 reloads
        expectLoading(path);
        QTest::keyClick(edit, Qt::Key_F5);
        QCOMPARE(qApp->styleSheet(), QStringLiteral("QLineEdit { color: blue; }"));
        QCOMPARE(counter.presses, 0);
        QCOMPARE(triggered, 0);

        // Other keys reach their window.
        QTest::keyClick(edit, Qt::Key_A);
        QCOMPARE(counter.keys, QList<int>({Qt::Key_A}));
        QCOMPARE(edit->text(), QStringLiteral("a"));

        // Without the loader F5 reaches the window, or its shortcut, again.
        loader.reset();
        QTest::keyClick(edit, Qt::Key_F5);
        if (shortcut)
            QCOMPARE(triggered, 1);
        else
            QCOMPARE(counter.keys, QList<int>({Qt::Key_A, Qt::Key_F5}));
    }

    void missingFileGivesEmptySheet()
    {
        qApp->setStyleSheet(QStringLiteral("QWidget { color: green; }"));
        QWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QString missing = QStringLiteral("/nonexistent/resources/default.css");
        expectLoading(missing);
        StyleSheetLoader loader(missing);
        QVERIFY(qApp->styleSheet().isEmpty());
        QVERIFY(!loader.parent());
        expectLoading(missing);
        QTest::keyClick(&window, Qt::Key_F5);
        QVERIFY(qApp->styleSheet().isEmpty());
    }
};

PLUMDECK_TEST_MAIN(TstStyleSheetLoader)
#include "tst_stylesheetloader.moc"
