#include "core/uisettings.h"
#include "drawnastyped.h"
#include "listssyncclient.h"
#include "shell/plumdeckstyle.h"
#include "sync/runs/listssynchronizer.h"
#include "syncfailuretexts.h"
#include "syncfixture.h"
#include "syncui/syncdialog.h"
#include "testenvironment.h"

#include <QLabel>
#include <QMovie>
#include <QProgressBar>
#include <QFile>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>

namespace {

// A run whose steps the test plays, each once control is back in the loop.
class ScriptedSynchronizer : public BaseSynchronizer
{
public:
    QList<std::function<void(ScriptedSynchronizer *)>> script;
    int starts = 0;
    // When set, the run ends with it at once, before its dialog shows.
    QString failAtStart;
    void start() override
    {
        ++starts;
        if (!failAtStart.isEmpty()) {
            fail(failAtStart);
            return;
        }
        QTimer::singleShot(0, this, [this] { playNext(); });
    }
    void playNext()
    {
        if (script.isEmpty())
            return;
        script.takeFirst()(this);
        QTimer::singleShot(0, this, [this] { playNext(); });
    }
    void emitProgress(const QString &text, int done, int total) { emit progress(text, done, total); }
    void emitAdd(const QString &text, int addition) { emit addProgress(text, addition); }
    using BaseSynchronizer::fail;
    using BaseSynchronizer::succeed;
};

// The skin with its style sheet, as the program shows it.
bool useSkin(bool blue)
{
    UISettings::instance()->setSkin(blue ? UISettings::blueSkin() : UISettings::defaultSkin());
    QFile sheet(UISettings::instance()->styleSheetPath());
    if (!sheet.open(QIODevice::ReadOnly))
        return false;
    qApp->setStyleSheet(QString::fromUtf8(sheet.readAll()));
    return true;
}

void clickWhenVisible(QPushButton *button)
{
    QTimer::singleShot(0, button, [button] {
        QTRY_VERIFY(button->isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
    });
}

} // namespace

class TstSyncDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void buildsItsWindow_data();
    void buildsItsWindow();
    void successClosesItself();
    void progressAddsUp();
    void failureShowsTheErrorAndOffersSettings_data();
    void failureShowsTheErrorAndOffersSettings();
    void failureTextIsShownWhole_data();
    void failureTextIsShownWhole();
    void namesAndReasonsAreShownAsTyped_data();
    void namesAndReasonsAreShownAsTyped();
    void portalPageReadsAsTwoPhrases();
    void cancelWhileRunning();
    void feedbackShowsTheProgressText();
    void minimizeTakesTheMainWindowAlong();
    void fullRunAgainstTheServer();
    void secondFullRunDoesNotHang();

private:
    // The error fills the area between the bar and the buttons, whole or
    // scrollable, inside the window.
    void checkHeadingShownWhole(SyncDialog &dialog, const QString &text);
};

void TstSyncDialog::initTestCase()
{
    // The program's own style, whose metrics the texts are laid out in.
    QApplication::setStyle(new PlumdeckStyle);
}

void TstSyncDialog::init()
{
    QSettings().remove(QStringLiteral("ui/show-sync-feedback"));
    UISettings::instance()->setSkin(UISettings::defaultSkin());
}

void TstSyncDialog::buildsItsWindow_data()
{
    QTest::addColumn<bool>("blue");
    QTest::addColumn<QString>("animation");
    QTest::newRow("green") << false << ":/sync_lit_animation.gif";
    QTest::newRow("blue") << true << ":/sync_lit_animation_blue.gif";
}

void TstSyncDialog::buildsItsWindow()
{
    QFETCH(bool, blue);
    QFETCH(QString, animation);
    UISettings::instance()->setSkin(blue ? UISettings::blueSkin() : UISettings::defaultSkin());
    ScriptedSynchronizer sync;
    SyncDialog dialog(&sync);
    QCOMPARE(dialog.objectName(), QStringLiteral("syncdialog"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Sync"));
    QCOMPARE(dialog.headingLabel()->text(), QStringLiteral("Synchronizing"));
    QCOMPARE(dialog.minimizeButton()->text(), QStringLiteral("Minimize"));
    QCOMPARE(dialog.cancelButton()->text(), QStringLiteral("Cancel"));
    QCOMPARE(dialog.settingsButton()->text(), QStringLiteral("Settings..."));
    QCOMPARE(dialog.okButton(), nullptr);
    QCOMPARE(dialog.animation()->fileName(), animation);
    QVERIFY(dialog.animation()->isValid());
    QCOMPARE(dialog.animation()->state(), QMovie::Running);
    QVERIFY(dialog.animation()->parent() == &dialog);
    QVERIFY(dialog.findChild<QProgressBar *>(QStringLiteral("progressbar")));
    QVERIFY(dialog.findChild<QLabel *>(QStringLiteral("movingSync")));
    QVERIFY(dialog.findChild<QLabel *>(QStringLiteral("sycInfoLabel")));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.minimizeButton()->isVisible());
    QVERIFY(!dialog.settingsButton()->isVisible());
    QVERIFY(!dialog.infoLabel()->isVisible());
    QCOMPARE(sync.starts, 0);
}

void TstSyncDialog::successClosesItself()
{
    ScriptedSynchronizer sync;
    sync.script << [](ScriptedSynchronizer *s) { s->emitProgress(QStringLiteral("Contacting server..."), 0, 1000); }
                << [](ScriptedSynchronizer *s) { s->succeed(); };
    SyncDialog dialog(&sync);
    dialog.run();
    QCOMPARE(sync.starts, 1);
    QVERIFY(dialog.succeeded());
    QVERIFY(!dialog.settingsRequested());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.progressBar()->value(), 1);
    QCOMPARE(dialog.progressBar()->maximum(), 1);
    QCOMPARE(dialog.infoLabel()->text(), QStringLiteral("Succeeded."));
    QCOMPARE(dialog.animation()->state(), QMovie::NotRunning);
}

void TstSyncDialog::progressAddsUp()
{
    ScriptedSynchronizer sync;
    SyncDialog dialog(&sync);
    sync.emitProgress(QStringLiteral("a"), 50, 1000);
    sync.emitAdd(QStringLiteral("b"), 10);
    QCOMPARE(dialog.progressBar()->value(), 60);
    QCOMPARE(dialog.progressBar()->maximum(), 1000);
    QCOMPARE(dialog.infoLabel()->text(), QStringLiteral("b"));
}

void TstSyncDialog::failureShowsTheErrorAndOffersSettings_data()
{
    QTest::addColumn<bool>("settings");
    QTest::newRow("Settings...") << true;
    QTest::newRow("Cancel") << false;
}

void TstSyncDialog::failureShowsTheErrorAndOffersSettings()
{
    QFETCH(bool, settings);
    ScriptedSynchronizer sync;
    sync.script << [](ScriptedSynchronizer *s) { s->fail(QStringLiteral("Authorization failure.")); };
    SyncDialog dialog(&sync);
    bool checked = false;
    connect(&sync, &BaseSynchronizer::finished, this, [&] {
        QTimer::singleShot(0, &dialog, [&] {
            QCOMPARE(dialog.headingLabel()->text(), QStringLiteral("Authorization failure."));
            QVERIFY(!dialog.minimizeButton()->isVisible());
            QVERIFY(dialog.settingsButton()->isVisible());
            QVERIFY(dialog.isVisible());
            checked = true;
            QTest::mouseClick(settings ? dialog.settingsButton() : dialog.cancelButton(), Qt::LeftButton);
        });
    });
    dialog.run();
    qApp->setStyleSheet(QString());
    QVERIFY(checked);
    QVERIFY(!dialog.succeeded());
    QCOMPARE(dialog.settingsRequested(), settings);
    QCOMPARE(dialog.infoLabel()->text(), QStringLiteral("Sync failed."));
}

void TstSyncDialog::failureTextIsShownWhole_data()
{
    QTest::addColumn<bool>("blue");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("beforeShown");
    const auto texts = syncFailureTexts();
    for (const bool blue : {false, true}) {
        for (const auto &[tag, text] : texts)
            QTest::newRow((tag + (blue ? " blue" : " green")).constData()) << blue << text << false;
    }
    // A run may end before its dialog shows (one is already running): the
    // window is laid out around the error as it shows.
    for (const auto &[tag, text] : texts)
        QTest::newRow((tag + " before shown").constData()) << false << text << true;
    // Longer than any screen: it scrolls rather than running off.
    const QString endless = QStringLiteral("Unexpected response: ")
        + QStringLiteral("Please sign in to the network before going on. ").repeated(200);
    QTest::newRow("endless reason") << false << endless << false;
    QTest::newRow("endless reason before shown") << false << endless << true;
}

// The dialog is watched while it runs, so it has its size before the error
// comes; the error still shows whole, on lines of its own, inside the window.
void TstSyncDialog::failureTextIsShownWhole()
{
    QFETCH(bool, blue);
    QFETCH(QString, text);
    QFETCH(bool, beforeShown);
    QVERIFY(useSkin(blue));
    ScriptedSynchronizer sync;
    if (beforeShown)
        sync.failAtStart = text;
    sync.script << [](ScriptedSynchronizer *s) { s->emitProgress(QStringLiteral("Checking available lists..."), 50, 1000); }
                << [text](ScriptedSynchronizer *s) { s->fail(text); };
    SyncDialog dialog(&sync);
    bool checked = false;
    const auto check = [&] {
        checked = true;
        checkHeadingShownWhole(dialog, text);
        QTimer::singleShot(0, &dialog, [&] { QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton); });
    };
    // Looked at as soon as the dialog has taken the end, before anything
    // else runs: the window is painted as it stands then. An end that came
    // before the window was shown is looked at once it shows.
    connect(&sync, &BaseSynchronizer::finished, this, [&] {
        if (dialog.isVisible())
            check();
        else
            QTimer::singleShot(0, &dialog, check);
    });
    dialog.run();
    QVERIFY(checked);
    qApp->setStyleSheet(QString());
    if (beforeShown)
        return;
    // A failed run is not shown as complete.
    QCOMPARE(dialog.progressBar()->value(), 50);
    QCOMPARE(dialog.progressBar()->maximum(), 1000);
}

void TstSyncDialog::checkHeadingShownWhole(SyncDialog &dialog, const QString &text)
{
    QLabel *heading = dialog.headingLabel();
    QScrollArea *area = dialog.headingScroll();
    QVERIFY(dialog.isVisible());
    QCOMPARE(heading->text(), text);
    // The label holds every line of the text at the width it has...
    QVERIFY2(heading->heightForWidth(heading->width()) <= heading->height(),
             qPrintable(QStringLiteral("needs %1, has %2").arg(heading->heightForWidth(heading->width())).arg(heading->height())));
    // ...and shows all of it, or can be scrolled to the rest.
    const bool scrolls = area->verticalScrollBar()->isVisible();
    QCOMPARE(scrolls, text.size() > 2000);
    if (!scrolls) {
        QVERIFY2(heading->height() <= area->viewport()->height(),
                 qPrintable(QStringLiteral("%1 high in %2").arg(heading->height()).arg(area->viewport()->height())));
        // The area takes the text's height: no band of blank lines around it.
        QCOMPARE(area->viewport()->height(), heading->heightForWidth(heading->width()));
    }
    // The area lies inside the window, between the bar and the buttons.
    const QRect shown(area->mapTo(&dialog, QPoint()), area->size());
    QVERIFY(dialog.rect().contains(shown));
    QVERIFY(shown.bottom() < dialog.cancelButton()->mapTo(&dialog, QPoint()).y());
    QVERIFY(shown.bottom() < dialog.settingsButton()->mapTo(&dialog, QPoint()).y());
    QVERIFY(shown.top() >= dialog.progressBar()->mapTo(&dialog, QPoint()).y() + dialog.progressBar()->height());
    QVERIFY(dialog.height() <= dialog.screen()->availableGeometry().height());
}

void TstSyncDialog::namesAndReasonsAreShownAsTyped_data()
{
    QTest::addColumn<bool>("listName"); // else the server's reason phrase
    QTest::addColumn<QString>("text");
    const QList<QPair<QByteArray, QString>> texts = {
        {"bold", QStringLiteral("<b>x</b>")},
        {"image", QStringLiteral("<img src=\"file:///nonexistent/plumdeck.png\" width=\"300\" height=\"60\">")},
        {"entity", QStringLiteral("Tom &amp; Jerry")},
    };
    for (const auto &[tag, text] : texts) {
        QTest::newRow("list name shared by another user, " + tag) << true << text;
        QTest::newRow("server's reason phrase, " + tag) << false << text;
    }
}

// What others write reaches the dialog's labels in a real run: a list named
// by the user who shares it, in the step text; the server's reason phrase,
// in the step text and the error heading. Each is drawn as written.
void TstSyncDialog::namesAndReasonsAreShownAsTyped()
{
    QFETCH(bool, listName);
    QFETCH(QString, text);
    QSettings().setValue(QStringLiteral("ui/show-sync-feedback"), true);
    CheckedFakeServer server;
    QVERIFY(server.start());
    server.addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    server.addUser(QStringLiteral("bob"), QStringLiteral("secret"));
    ServerSettings::instance()->setSettings(server.url(), QStringLiteral("alice"), QStringLiteral("secret"));
    NotepadNotes notes;
    SyncClient client;
    if (listName) {
        const quint32 id = server.addList(QStringLiteral("bob"), text, {FakeTask::make(QStringLiteral("Dune"))});
        server.share(id, QStringLiteral("alice"), QStringLiteral("r"));
        // The first run brings the list in; the next one names it.
        ListsSynchronizer first(&client.lists, &client.host);
        SyncDialog firstDialog(&first);
        firstDialog.run();
        QVERIFY(firstDialog.succeeded());
        QCOMPARE(client.names(), QStringList{text});
    } else {
        server.respondOnce("GET", QStringLiteral("lists-info$"), 503, {}, text.toUtf8());
    }
    ListsSynchronizer sync(&client.lists, &client.host);
    SyncDialog dialog(&sync);
    // Each label is looked at whenever it has just taken a text with it.
    QMap<QString, QString> problems;
    const auto look = [&] {
        for (QLabel *label : {dialog.infoLabel(), dialog.headingLabel()}) {
            if (label->text().contains(text) && !problems.contains(label->objectName()))
                problems.insert(label->objectName(), differenceFromTyped(label));
        }
    };
    connect(&sync, &BaseSynchronizer::progress, this, look);
    connect(&sync, &BaseSynchronizer::addProgress, this, look);
    connect(&sync, &BaseSynchronizer::finished, this, [&](bool ok) {
        look();
        if (!ok)
            QTimer::singleShot(0, &dialog, [&] { QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton); });
    });
    dialog.run();
    QCOMPARE(dialog.succeeded(), listName);
    QMap<QString, QString> expected{{QStringLiteral("sycInfoLabel"), QString()}};
    if (!listName)
        expected.insert(QStringLiteral("label"), QString());
    QCOMPARE(problems, expected);
}

// A portal that answers the server's address with its own page: the reason
// reads as the two phrases it is made of.
void TstSyncDialog::portalPageReadsAsTwoPhrases()
{
    CheckedFakeServer server;
    QVERIFY(server.start());
    server.addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    server.respondOnce("GET", QStringLiteral("^/$"), 200,
                       "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>Welcome</title></head>"
                       "<body><p>Please sign in to the network.</p></body></html>");
    ServerSettings::instance()->setSettings(server.url(), QStringLiteral("alice"), QStringLiteral("secret"));
    NotepadNotes notes;
    SyncClient client;
    ListsSynchronizer sync(&client.lists, &client.host);
    SyncDialog dialog(&sync);
    connect(&sync, &BaseSynchronizer::finished, this, [&] {
        QTimer::singleShot(0, &dialog, [&] { QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton); });
    });
    dialog.run();
    QVERIFY(!dialog.succeeded());
    QCOMPARE(dialog.headingLabel()->text(),
             QStringLiteral("parse error: failed to find mandatory element with class pd-server under body"));
    QVERIFY(dialog.progressBar()->value() < dialog.progressBar()->maximum());
}

void TstSyncDialog::cancelWhileRunning()
{
    ScriptedSynchronizer sync;
    sync.script << [](ScriptedSynchronizer *s) { s->emitProgress(QStringLiteral("Contacting server..."), 0, 1000); };
    SyncDialog dialog(&sync);
    clickWhenVisible(dialog.cancelButton());
    dialog.run();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.succeeded());
    QVERIFY(!dialog.settingsRequested());
}

void TstSyncDialog::feedbackShowsTheProgressText()
{
    QSettings().setValue(QStringLiteral("ui/show-sync-feedback"), true);
    ScriptedSynchronizer sync;
    SyncDialog dialog(&sync);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    sync.emitProgress(QStringLiteral("Checking available lists..."), 50, 1000);
    QVERIFY(dialog.infoLabel()->isVisible());
    QCOMPARE(dialog.infoLabel()->text(), QStringLiteral("Checking available lists..."));
}

void TstSyncDialog::minimizeTakesTheMainWindowAlong()
{
    QWidget mainWindow;
    mainWindow.resize(400, 300);
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    QWidget inner(&mainWindow);
    ScriptedSynchronizer sync;
    SyncDialog dialog(&sync, &inner);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(dialog.minimizeButton(), Qt::LeftButton);
    QTRY_VERIFY(dialog.windowState() & Qt::WindowMinimized);
    QTRY_VERIFY(mainWindow.windowState() & Qt::WindowMinimized);
}

// The dialog over a real run: its texts follow the run to the end.
void TstSyncDialog::fullRunAgainstTheServer()
{
    CheckedFakeServer server;
    QVERIFY(server.start());
    server.addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    server.addList(QStringLiteral("alice"), QStringLiteral("Books"), {FakeTask::make(QStringLiteral("Dune"))});
    ServerSettings::instance()->setSettings(server.url(), QStringLiteral("alice"), QStringLiteral("secret"));
    NotepadNotes notes;
    SyncClient client;
    ListsSynchronizer sync(&client.lists, &client.host);
    QStringList seen;
    SyncDialog dialog(&sync);
    connect(&sync, &BaseSynchronizer::progress, this, [&](const QString &text) { seen << text; });
    dialog.run();
    QVERIFY(dialog.succeeded());
    QCOMPARE(seen.first(), QStringLiteral("Contacting server..."));
    QVERIFY(seen.contains(QStringLiteral("1 lists visible on server.")));
    QCOMPARE(dialog.infoLabel()->text(), QStringLiteral("Succeeded."));
    QCOMPARE(client.names(), QStringList{"Books"});
}

// A second run shown while one is registered ends at once with its reason
// instead of leaving its dialog open for ever.
void TstSyncDialog::secondFullRunDoesNotHang()
{
    SyncClient client;
    ListsSynchronizer first(&client.lists, &client.host);
    ListsSynchronizer second(&client.lists, &client.host);
    QVERIFY(useSkin(false));
    SyncDialog dialog(&second);
    bool checked = false;
    connect(&second, &BaseSynchronizer::finished, this, [&] {
        // Ended before the window showed: it is laid out around the error.
        QTimer::singleShot(0, &dialog, [&] {
            checked = true;
            checkHeadingShownWhole(dialog, QStringLiteral("A synchronisation is already running."));
            QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        });
    });
    dialog.run();
    qApp->setStyleSheet(QString());
    QVERIFY(checked);
    QVERIFY(!dialog.succeeded());
}

PLUMDECK_TEST_MAIN(TstSyncDialog)
#include "tst_syncdialog.moc"
