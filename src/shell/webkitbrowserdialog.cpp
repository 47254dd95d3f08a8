#include "shell/webkitbrowserdialog.h"

#include "shell/launchhelpaction.h"

#include "core/paths.h"
#include "core/uisettings.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QFrame>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

// Keeps the window on the guide: a link elsewhere goes to the desktop.
class GuidePage : public QWebEnginePage
{
    Q_OBJECT
public:
    using QWebEnginePage::QWebEnginePage;

signals:
    void externalLinkClicked(const QUrl &url);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override
    {
        const QString scheme = url.scheme();
        const bool local = scheme == QLatin1String("file") || scheme == QLatin1String("qrc")
            || scheme == QLatin1String("data") || scheme == QLatin1String("about");
        if (type == NavigationTypeLinkClicked && !local) {
            emit externalLinkClicked(url);
            return false;
        }
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    }
};

} // namespace

WebkitBrowserDialog::WebkitBrowserDialog(const QString &title, QWidget *parent)
    : CustomDialog(title, false, false, parent)
{
    addResizeGrip();
    auto *content = new QVBoxLayout;
    content->setContentsMargins(0, 0, 0, 0);
    m_webView = new QWebEngineView;
    m_webView->setObjectName(QStringLiteral("webView"));
    auto *page = new GuidePage(m_webView);
    m_webView->setPage(page);
    m_webView->settings()->setAttribute(QWebEngineSettings::PluginsEnabled, true);
    content->addWidget(m_webView);
    m_statusBar = new QFrame;
    m_statusBar->setObjectName(QStringLiteral("statusBar"));
    content->addWidget(m_statusBar);
    setBareContentLayout(content);
    addMinimizeButton();

    connect(page, &GuidePage::externalLinkClicked, this, &WebkitBrowserDialog::onLinkClicked);
    connect(m_webView, &QWebEngineView::loadStarted, this, &WebkitBrowserDialog::onLoadStarted);
    connect(m_webView, &QWebEngineView::loadProgress, this, &WebkitBrowserDialog::onLoadProgress);
    connect(m_webView, &QWebEngineView::loadFinished, this, &WebkitBrowserDialog::onLoadFinished);
    connect(m_webView, &QWebEngineView::titleChanged, this, &WebkitBrowserDialog::onTitleChanged);
}

void WebkitBrowserDialog::load(const QUrl &url)
{
    m_webView->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_webView->load(url);
}

QUrl WebkitBrowserDialog::userGuideUrl()
{
    const QFileInfo installed(helpDir().filePath(QStringLiteral("help.html")));
    QUrl url = installed.isFile() ? QUrl::fromLocalFile(installed.absoluteFilePath())
                                  : QUrl(QStringLiteral("qrc:/help/help.html"));
    // The page draws itself in the running skin's colours.
    if (UISettings::instance()->isBlueSkin())
        url.setQuery(QStringLiteral("skin=blue"));
    return url;
}

WebkitBrowserDialog *WebkitBrowserDialog::showHelp(const QUrl &url)
{
    return qobject_cast<WebkitBrowserDialog *>(LaunchHelpAction::open(url));
}

void WebkitBrowserDialog::onLinkClicked(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}

void WebkitBrowserDialog::onLoadStarted()
{
}

void WebkitBrowserDialog::onLoadProgress(int)
{
}

void WebkitBrowserDialog::onLoadFinished(bool)
{
}

void WebkitBrowserDialog::onTitleChanged(const QString &title)
{
    setTitle(title);
}

#include "webkitbrowserdialog.moc"
