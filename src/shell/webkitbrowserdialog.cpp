#include "shell/webkitbrowserdialog.h"

#include "shell/launchhelpaction.h"
#include "shell/webenginestart.h"

#include "core/paths.h"
#include "core/uisettings.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QRegularExpression>
#include <QStackedLayout>
#include <QTextBrowser>
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

// The guide without the web view. The page's style sheet is meant for a
// browser: here it would leave the header's light text on a light ground,
// so the page is shown in the plain view's own style.
class PlainGuide : public QTextBrowser
{
public:
    using QTextBrowser::QTextBrowser;

protected:
    QVariant loadResource(int type, const QUrl &name) override
    {
        QVariant data = QTextBrowser::loadResource(type, name);
        if (type != QTextDocument::HtmlResource || !data.isValid())
            return data;
        QString html = data.userType() == QMetaType::QByteArray ? QString::fromUtf8(data.toByteArray()) : data.toString();
        static const QRegularExpression style(QStringLiteral("<style[^>]*>.*</style>"),
                                              QRegularExpression::CaseInsensitiveOption
                                                  | QRegularExpression::DotMatchesEverythingOption
                                                  | QRegularExpression::InvertedGreedinessOption);
        static const QRegularExpression adjacentLinks(QStringLiteral("</a>\\s*<a\\b"),
                                                      QRegularExpression::CaseInsensitiveOption);
        html.remove(style);
        html.replace(adjacentLinks, QStringLiteral("</a> &nbsp; <a"));
        return html;
    }
};

} // namespace

WebkitBrowserDialog::WebkitBrowserDialog(const QString &title, QWidget *parent)
    : CustomDialog(title, false, false, parent)
{
    addResizeGrip();
    auto *content = new QVBoxLayout;
    content->setContentsMargins(0, 0, 0, 0);
    m_stack = new QStackedLayout;
    content->addLayout(m_stack);
    m_statusBar = new QFrame;
    m_statusBar->setObjectName(QStringLiteral("statusBar"));
    content->addWidget(m_statusBar);
    setBareContentLayout(content);
    addMinimizeButton();

    WebEngineStart::allowRunningAsRoot();
    const QString why = WebEngineStart::whyNot();
    if (!why.isEmpty()) {
        showPlain(why);
        return;
    }
    m_webView = new QWebEngineView;
    m_webView->setObjectName(QStringLiteral("webView"));
    auto *page = new GuidePage(m_webView);
    m_webView->setPage(page);
    m_webView->settings()->setAttribute(QWebEngineSettings::PluginsEnabled, true);
    m_stack->addWidget(m_webView);

    connect(page, &GuidePage::externalLinkClicked, this, &WebkitBrowserDialog::onLinkClicked);
    connect(page, &QWebEnginePage::renderProcessTerminated, this, &WebkitBrowserDialog::onRenderProcessTerminated);
    connect(m_webView, &QWebEngineView::loadStarted, this, &WebkitBrowserDialog::onLoadStarted);
    connect(m_webView, &QWebEngineView::loadProgress, this, &WebkitBrowserDialog::onLoadProgress);
    connect(m_webView, &QWebEngineView::loadFinished, this, &WebkitBrowserDialog::onLoadFinished);
    connect(m_webView, &QWebEngineView::titleChanged, this, &WebkitBrowserDialog::onTitleChanged);
}

void WebkitBrowserDialog::load(const QUrl &url)
{
    m_url = url;
    if (m_plainView) {
        // Later, as the web view loads: the page's title then follows the
        // one the opener gives the window.
        QMetaObject::invokeMethod(
            m_plainView, [view = m_plainView, url] { view->setSource(url); }, Qt::QueuedConnection);
        return;
    }
    m_webView->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_webView->load(url);
}

void WebkitBrowserDialog::showPlain(const QString &why)
{
    if (m_plainView)
        return;
    auto *plain = new QWidget;
    auto *layout = new QVBoxLayout(plain);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_notice = new QLabel(why + QLatin1Char(' ') + tr("The page is shown without its layout."));
    m_notice->setObjectName(QStringLiteral("notice"));
    m_notice->setWordWrap(true);
    m_notice->setContentsMargins(8, 4, 8, 4);
    layout->addWidget(m_notice);
    m_plainView = new PlainGuide;
    m_plainView->setObjectName(QStringLiteral("plainView"));
    m_plainView->setAccessibleName(tr("User Guide"));
    // Local pages open here, addresses on the web in the desktop's browser.
    m_plainView->setOpenExternalLinks(true);
    layout->addWidget(m_plainView);
    m_stack->addWidget(plain);
    m_stack->setCurrentWidget(plain);
    connect(m_plainView, &QTextBrowser::sourceChanged, this,
            [this] { onTitleChanged(m_plainView->documentTitle()); });
    if (!m_url.isEmpty())
        m_plainView->setSource(m_url);
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

// The page process died (crashed, killed, or could not start): the window
// stays, with the page it was showing.
void WebkitBrowserDialog::onRenderProcessTerminated(QWebEnginePage::RenderProcessTerminationStatus status, int)
{
    if (status == QWebEnginePage::NormalTerminationStatus)
        return;
    if (m_webView && m_webView->url().isValid() && !m_webView->url().isEmpty())
        m_url = m_webView->url();
    showPlain(tr("The web viewer stopped."));
}

#include "webkitbrowserdialog.moc"
