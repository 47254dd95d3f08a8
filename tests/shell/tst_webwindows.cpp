// The help and video player windows on the web engine: the suite's one
// program that starts it. As root the windows turn the engine's sandbox off
// themselves; the test environment may have done so already.

#include "core/uisettings.h"
#include "shell/webkitbrowserdialog.h"
#include "shell/webenginestart.h"
#include "shell/webkitplayerdialog.h"
#include "testenvironment.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QMovie>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <csignal>
#include <memory>
#include <unistd.h>

namespace {

// Sets (or, with a null value, unsets) environment variables for a while.
class EnvironmentFor
{
public:
    explicit EnvironmentFor(const QList<QPair<const char *, QByteArray>> &values)
    {
        for (const auto &[name, value] : values) {
            m_saved.append({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
    }
    ~EnvironmentFor()
    {
        for (const Saved &saved : m_saved) {
            if (saved.set)
                qputenv(saved.name, saved.value);
            else
                qunsetenv(saved.name);
        }
    }

private:
    struct Saved
    {
        const char *name;
        bool set;
        QByteArray value;
    };
    QList<Saved> m_saved;
};

// A helper program the engine would not find.
const QPair<const char *, QByteArray> missingHelper{"QTWEBENGINE_PROCESS_PATH", "/nonexistent/QtWebEngineProcess"};
// That, and nothing said about the sandbox.
const QList<QPair<const char *, QByteArray>> withoutSandboxSettings{
    missingHelper, {"QTWEBENGINE_CHROMIUM_FLAGS", QByteArray()}, {"QTWEBENGINE_DISABLE_SANDBOX", QByteArray()}};

} // namespace

class TstWebWindows : public QObject
{
    Q_OBJECT
public slots:
    void openUrl(const QUrl &url) { m_opened << url; }

private:
    QList<QUrl> m_opened;
    QTemporaryDir m_dir;

    QString page(const QString &name, const QString &html)
    {
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            return QString();
        file.write(html.toUtf8());
        return QUrl::fromLocalFile(file.fileName()).toString();
    }

private slots:
    void initTestCase()
    {
        for (const char *scheme : {"http", "https", "ftp"})
            QDesktopServices::setUrlHandler(QLatin1String(scheme), this, "openUrl");
    }

    void cleanupTestCase()
    {
        for (const char *scheme : {"http", "https", "ftp"})
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    }

    void helpWindowShowsTheGuide()
    {
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
        const QUrl builtIn = WebkitBrowserDialog::userGuideUrl(); // no help folder here
        QVERIFY(QDir().mkpath(QStringLiteral("help")));
        QFile::copy(QStringLiteral(":/help/help.html"), QStringLiteral("help/help.html"));
        const QUrl installed = WebkitBrowserDialog::userGuideUrl();
        QDir::setCurrent(before);
        QCOMPARE(builtIn, QUrl(QStringLiteral("qrc:/help/help.html")));
        QCOMPARE(installed, QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("help/help.html"))));

        QPointer<WebkitBrowserDialog> help = WebkitBrowserDialog::showHelp(builtIn);
        QSignalSpy loaded(help->webView(), &QWebEngineView::loadFinished);
        QVERIFY(loaded.wait(20000));
        QCOMPARE(loaded.first().first().toBool(), true);
        QCOMPARE(help->windowTitle(), QStringLiteral("Plumdeck User Guide"));
        QCOMPARE(help->size(), QSize(1024, 720));
        QVERIFY(help->isVisible());

        // A link out of the guide goes to the desktop's browser.
        help->webView()->page()->runJavaScript(QStringLiteral(
            "var a = document.createElement('a'); a.href = 'https://example.org/more'; document.body.appendChild(a); a.click();"));
        QTRY_COMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("https://example.org/more"))});
        QCOMPARE(help->webView()->url(), builtIn);
        // One of the guide's own pages opens in the window, not on the desktop.
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
        const QString next = page(QStringLiteral("next.html"), QStringLiteral("<title>Next</title>"));
        help->load(QUrl(page(QStringLiteral("guide.html"),
                             QStringLiteral("<title>Guide</title><a id=a href='%1'>next</a>").arg(next))));
        QTRY_COMPARE(help->windowTitle(), QStringLiteral("Guide"));
        help->webView()->page()->runJavaScript(QStringLiteral("document.getElementById('a').click();"));
        QTRY_COMPARE(help->windowTitle(), QStringLiteral("Next"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(m_opened.size(), 1);
        help->close();
        QTRY_VERIFY(!help); // released when closed
        m_opened.clear();
    }

    // The guide draws itself in the running skin's colours.
    void helpFollowsTheSkin_data()
    {
        QTest::addColumn<int>("skin");
        QTest::addColumn<QString>("background");
        QTest::newRow("green") << 0 << "rgb(244, 247, 234)";
        QTest::newRow("blue") << 1 << "rgb(245, 249, 252)";
    }

    void helpFollowsTheSkin()
    {
        QFETCH(int, skin);
        const int before = UISettings::instance()->skin();
        UISettings::instance()->setSkin(skin);
        const QUrl url = WebkitBrowserDialog::userGuideUrl();
        UISettings::instance()->setSkin(before);
        QPointer<WebkitBrowserDialog> help = WebkitBrowserDialog::showHelp(url);
        QSignalSpy loaded(help->webView(), &QWebEngineView::loadFinished);
        QVERIFY(loaded.wait(20000));
        QString background;
        help->webView()->page()->runJavaScript(QStringLiteral("getComputedStyle(document.body).backgroundColor"),
                                               [&background](const QVariant &v) { background = v.toString(); });
        QTRY_VERIFY(!background.isEmpty());
        QTEST(background, "background");
        help->close();
        QTRY_VERIFY(!help);
    }

    void engineStart_data()
    {
        QTest::addColumn<QByteArray>("flags");   // null: unset
        QTest::addColumn<QByteArray>("disable"); // null: unset
        QTest::addColumn<QByteArray>("helper");  // null: where the engine is installed
        QTest::addColumn<bool>("rootOnly");      // cannot start only for root
        QTest::addColumn<bool>("starts");        // for anyone, or after allowRunningAsRoot()
        QTest::newRow("nothing set") << QByteArray() << QByteArray() << QByteArray() << true << true;
        QTest::newRow("no sandbox by flag") << QByteArray("--disable-gpu --no-sandbox") << QByteArray() << QByteArray() << false << true;
        QTest::newRow("other flags") << QByteArray("--disable-gpu") << QByteArray() << QByteArray() << true << true;
        QTest::newRow("sandbox disabled") << QByteArray() << QByteArray("1") << QByteArray() << false << true;
        QTest::newRow("helper missing") << QByteArray("--no-sandbox") << QByteArray() << missingHelper.second << false << false;
    }

    // Whether a web view can start is asked before making one: the engine
    // ends the program when it cannot.
    void engineStart()
    {
        QFETCH(QByteArray, flags);
        QFETCH(QByteArray, disable);
        QFETCH(QByteArray, helper);
        QFETCH(bool, rootOnly);
        QFETCH(bool, starts);
        const bool root = geteuid() == 0;
        EnvironmentFor env({{"QTWEBENGINE_CHROMIUM_FLAGS", flags},
                            {"QTWEBENGINE_DISABLE_SANDBOX", disable},
                            {"QTWEBENGINE_PROCESS_PATH", helper}});
        QCOMPARE(WebEngineStart::canStart(), starts && !(rootOnly && root));
        QCOMPARE(WebEngineStart::whyNot().isEmpty(), WebEngineStart::canStart());
        WebEngineStart::allowRunningAsRoot();
        QCOMPARE(WebEngineStart::canStart(), starts);
        // Only root needs the sandbox off; nobody else loses it.
        QCOMPARE(qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"), !disable.isNull() || (root && rootOnly));
    }

    void helpWithoutWebViewShowsThePlainGuide()
    {
        EnvironmentFor env(withoutSandboxSettings);
        QPointer<WebkitBrowserDialog> help = WebkitBrowserDialog::showHelp(WebkitBrowserDialog::userGuideUrl());
        QVERIFY(help);
        // The window turns the sandbox off for root, before any web view.
        QCOMPARE(qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"), geteuid() == 0);
        QVERIFY(!help->webView());
        QVERIFY(help->plainView() && help->plainView()->isVisible());
        QTRY_COMPARE(help->windowTitle(), QStringLiteral("Plumdeck User Guide"));
        // Without the page's style: no light header text on the light ground,
        // and the links of its menu apart.
        const QString text = help->plainView()->toPlainText();
        QVERIFY(text.contains(QLatin1String("Task lists")));
        QVERIFY2(!text.contains(QLatin1String("Task listsTasks")), qPrintable(text.left(300)));
        QVERIFY(!help->plainView()->toHtml().contains(QLatin1String("#e9efd3"), Qt::CaseInsensitive));
        QVERIFY2(help->notice()->isVisible() && help->notice()->text().contains(QLatin1String("QtWebEngineProcess")),
                 qPrintable(help->notice()->text()));
        // A web address in the guide goes to the desktop's browser.
        help->plainView()->setHtml(QStringLiteral("<a href='https://example.org/more'>more</a>"));
        help->plainView()->setFocus();
        QTest::keyClick(help->plainView(), Qt::Key_Tab);
        QTest::keyClick(help->plainView(), Qt::Key_Return);
        QCOMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("https://example.org/more"))});
        m_opened.clear();
        help->close();
        QTRY_VERIFY(!help);
    }

    // The page process dying leaves the window open on the same page.
    void helpKeepsTheGuideWhenTheViewDies()
    {
        QPointer<WebkitBrowserDialog> help = WebkitBrowserDialog::showHelp(WebkitBrowserDialog::userGuideUrl());
        QSignalSpy loaded(help->webView(), &QWebEngineView::loadFinished);
        QVERIFY(loaded.wait(20000));
        // The page the user went on to, not the one first opened.
        const QUrl next(page(QStringLiteral("next.html"), QStringLiteral("<title>Next</title><p>Further on</p>")));
        help->load(QUrl(page(QStringLiteral("guide.html"), QStringLiteral("<title>Guide</title><a id=a href='%1'>next</a>")
                                                               .arg(next.toString()))));
        QTRY_COMPARE_WITH_TIMEOUT(help->windowTitle(), QStringLiteral("Guide"), 20000);
        help->webView()->page()->runJavaScript(QStringLiteral("document.getElementById('a').click();"));
        QTRY_COMPARE_WITH_TIMEOUT(help->windowTitle(), QStringLiteral("Next"), 20000);
        QVERIFY(!help->plainView());
        const qint64 pid = help->webView()->page()->renderProcessPid();
        QVERIFY(pid > 0);
        QCOMPARE(::kill(pid_t(pid), SIGKILL), 0);
        QTRY_VERIFY_WITH_TIMEOUT(help->plainView(), 20000);
        QVERIFY(help->isVisible() && help->plainView()->isVisible() && !help->webView()->isVisible());
        QCOMPARE(help->plainView()->source(), next);
        QCOMPARE(help->plainView()->toPlainText().trimmed(), QStringLiteral("Further on"));
        QCOMPARE(help->windowTitle(), QStringLiteral("Next"));
        QVERIFY(help->notice()->isVisible());
        help->close();
        QTRY_VERIFY(!help);
    }

    void playerWithoutWebView_data()
    {
        QTest::addColumn<bool>("starts"); // the view starts, then its page process dies
        QTest::newRow("view cannot start") << false;
        QTest::newRow("page process dies") << true;
    }

    // The video can still be watched: in the desktop's browser.
    void playerWithoutWebView()
    {
        QFETCH(bool, starts);
        std::unique_ptr<EnvironmentFor> env;
        if (!starts)
            env = std::make_unique<EnvironmentFor>(withoutSandboxSettings);
        WebkitPlayerDialog player(400, 300);
        player.show();
        QCOMPARE(bool(player.webView()), starts);
        if (!starts) // the sandbox is off for root before any web view
            QCOMPARE(qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"), geteuid() == 0);
        const QString address = page(QStringLiteral("player.html"), QStringLiteral("<title>Video</title>"))
            + QStringLiteral("?file=http%3A%2F%2Fv.example%2Fc.flv");
        if (!starts) // the reason goes to the log
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("QtWebEngineProcess is missing")));
        player.load(address);
        if (starts) {
            QSignalSpy loaded(player.webView(), &QWebEngineView::loadFinished);
            QVERIFY(loaded.wait(20000));
            QVERIFY(player.isWaiting());
            QCOMPARE(::kill(pid_t(player.webView()->page()->renderProcessPid()), SIGKILL), 0);
            QTRY_VERIFY_WITH_TIMEOUT(!player.isWaiting(), 20000);
        }
        QVERIFY(!player.isWaiting());
        QVERIFY(player.isVisible());
        QCOMPARE(player.loadingLabel()->text(), QStringLiteral("Loading Failed"));
        QVERIFY(player.loadingScreen()->isVisible());
        QVERIFY(!player.errorLabel()->text().isEmpty());
        QCOMPARE(player.animation()->state(), QMovie::NotRunning);
        m_opened.clear();
        QTest::mouseClick(player.downloadButton(), Qt::LeftButton);
        QCOMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("http://v.example/c.flv"))});
        m_opened.clear();
        QSignalSpy closing(&player, &WebkitPlayerDialog::closeDialog);
        QTest::keyClick(&player, Qt::Key_Escape);
        QCOMPARE(closing.count(), 1);
    }

    void playerStates_data()
    {
        QTest::addColumn<QString>("html");       // empty: an address that cannot load
        QTest::addColumn<QString>("loading");    // the loading label at the end
        QTest::addColumn<bool>("screenShown");
        QTest::addColumn<int>("pageShown");
        QTest::addColumn<bool>("download");
        QTest::newRow("player ready") << "<title>PlayerReady</title>" << "Loading Player..." << false << 1 << false;
        QTest::newRow("no plug-in") << "<title>FlashNotInstalled</title>" << "Loading Failed" << true << 0 << true;
        QTest::newRow("page never answers") << "<title>Video</title>" << "Loading Player..." << true << 1 << false;
        QTest::newRow("cannot load") << "" << "Connection Failed..." << true << 0 << false;
    }

    void playerStates()
    {
        QFETCH(QString, html);
        QFETCH(QString, loading);
        QFETCH(bool, screenShown);
        QFETCH(int, pageShown);
        QFETCH(bool, download);
        WebkitPlayerDialog player(400, 300);
        player.show();
        QCOMPARE(player.loadingScreen()->geometry(), QRect(50, 100, 300, 200));
        const QLabel *logo = player.logoLabel();
        QCOMPARE(logo->geometry().bottomRight(), QPoint(400 - 10 - 1, 300 - 10 - 1));
        QCOMPARE(player.loadingLabel()->text(), QStringLiteral("Connecting Server..."));
        QSignalSpy loaded(player.webView(), &QWebEngineView::loadFinished);
        player.load(html.isEmpty() ? QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("none.html"))).toString()
                                   : page(QStringLiteral("player.html"), html));
        QVERIFY(player.animation()->state() == QMovie::Running);
        QVERIFY(loaded.wait(20000));
        QCOMPARE(player.loadingLabel()->text(), loading);
        QCOMPARE(player.loadingScreen()->isVisible(), screenShown);
        QCOMPARE(player.currentPage(), pageShown);
        QCOMPARE(player.downloadButton()->isVisible(), download);
        QCOMPARE(player.animation()->state() == QMovie::Running, player.isWaiting());
        if (!player.isWaiting()) {
            // Final: a later answer of the page changes nothing.
            const QString error = player.errorLabel()->text();
            QVERIFY(!error.isEmpty());
            QMetaObject::invokeMethod(&player, "onTitleChanged", Q_ARG(QString, QStringLiteral("PlayerReady")));
            QVERIFY(player.loadingScreen()->isVisible());
            QCOMPARE(player.errorLabel()->text(), error);
        }
    }

    void downloadOpensTheVideo_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QUrl>("opened");
        // A local stand-in for the player page: nothing leaves the machine.
        const QString player = QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("index.php"))).toString()
            + QStringLiteral("?file=");
        QTest::newRow("web video") << player + "http%3A%2F%2Fv.example%2Fc%20d.flv&mediawidth=1"
                                   << QUrl(QStringLiteral("http://v.example/c d.flv"));
        QTest::newRow("ftp video") << player + "ftp%3A%2F%2Fv.example%2Fc.flv"
                                   << QUrl(QStringLiteral("ftp://v.example/c.flv"));
        QTest::newRow("not a web address") << player + "file%3A%2F%2F%2Fetc%2Fpasswd"
                                           << QUrl(player + "file%3A%2F%2F%2Fetc%2Fpasswd");
    }

    void downloadOpensTheVideo()
    {
        QFETCH(QString, address);
        QFETCH(QUrl, opened);
        WebkitPlayerDialog player(400, 300);
        player.show();
        player.load(address);
        m_opened.clear();
        QMetaObject::invokeMethod(&player, "onTitleChanged", Q_ARG(QString, QStringLiteral("FlashNotInstalled")));
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
        QTest::mouseClick(player.downloadButton(), Qt::LeftButton);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(m_opened, QList<QUrl>{opened});
    }

    void dismissedPlayerWaitsForItsOwner()
    {
        WebkitPlayerDialog player(400, 300);
        player.show();
        QSignalSpy closing(&player, &WebkitPlayerDialog::closeDialog);
        QTest::keyClick(&player, Qt::Key_Escape);
        QCOMPARE(closing.count(), 1);
        QVERIFY(!player.webView());
        QVERIFY(player.isVisible());
        player.accept(); // once more: nothing left to release
        QCOMPARE(closing.count(), 2);
    }
};

int main(int argc, char *argv[])
{
    TestEnvironment::isolateUserFolders();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestEnvironment::setProgramNames();
    TstWebWindows tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_webwindows.moc"
