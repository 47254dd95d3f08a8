#include "core/stylesheetloader.h"
#include "testenvironment.h"

#include <QAction>
#include <QLineEdit>
#include <QTemporaryDir>

namespace {

class KeyCounter : public QObject
{
public:
    QList<int> keys;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress)
            keys << static_cast<QKeyEvent *>(event)->key();
        return false;
    }
};

} // namespace

class TstStyleSheetLoader : public QObject
{
    Q_OBJECT
private slots:
    void f5Reloads_data()
    {
        QTest::addColumn<bool>("shortcut");
        QTest::addColumn<bool>("missing");
        QTest::newRow("plain window") << false << false;
        // "In any window": also where a command of the window is bound to F5
        // (the synchronise shortcut of the lists page).
        QTest::newRow("before the window's F5 shortcut") << true << false;
        QTest::newRow("missing file gives an empty sheet") << false << true;
    }

    void f5Reloads()
    {
        QFETCH(bool, shortcut);
        QFETCH(bool, missing);
        QTemporaryDir dir;
        const QString path = dir.filePath(missing ? QStringLiteral("no/default.css") : QStringLiteral("default.css"));
        auto write = [&path](const char *text) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text);
        };
        if (!missing)
            write("QLineEdit { color: red; }");
        qApp->setStyleSheet(QStringLiteral("QWidget { color: green; }"));

        QLineEdit edit;
        int triggered = 0;
        QAction sync;
        sync.setShortcut(Qt::Key_F5);
        connect(&sync, &QAction::triggered, this, [&triggered] { ++triggered; });
        if (shortcut)
            edit.addAction(&sync);
        edit.show();
        QVERIFY(QTest::qWaitForWindowActive(&edit));
        KeyCounter counter;
        edit.installEventFilter(&counter);

        const QByteArray loading = "StyleSheetLoader loading \"" + path.toUtf8() + '"';
        QTest::ignoreMessage(QtDebugMsg, loading.constData());
        auto loader = std::make_unique<StyleSheetLoader>(path);
        const QString red = missing ? QString() : QStringLiteral("QLineEdit { color: red; }");
        QCOMPARE(qApp->styleSheet(), red);
        if (!missing)
            write("QLineEdit { color: blue; }");
        QCOMPARE(qApp->styleSheet(), red); // only F5 reloads
        QTest::ignoreMessage(QtDebugMsg, loading.constData());
        QTest::keyClick(&edit, Qt::Key_F5);
        QCOMPARE(qApp->styleSheet(), missing ? QString() : QStringLiteral("QLineEdit { color: blue; }"));
        QCOMPARE(triggered, 0);

        // Other keys reach their window; without the loader F5 does too.
        QTest::keyClick(&edit, Qt::Key_A);
        QCOMPARE(edit.text(), QStringLiteral("a"));
        loader.reset();
        QTest::keyClick(&edit, Qt::Key_F5);
        QCOMPARE(triggered, shortcut ? 1 : 0);
        QCOMPARE(counter.keys, shortcut ? QList<int>{Qt::Key_A} : QList<int>({Qt::Key_A, Qt::Key_F5}));
        qApp->setStyleSheet(QString());
    }
};

PLUMDECK_TEST_MAIN(TstStyleSheetLoader)
#include "tst_stylesheetloader.moc"
