#include "shell/webkitplayerdialog.h"

#include "shell/tasklinkopener.h"
#include "shell/webenginestart.h"

#include <QDebug>
#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMovie>
#include <QPushButton>
#include <QResizeEvent>
#include <QStackedLayout>
#include <QUrlQuery>
#include <QVBoxLayout>
#include <QWebEngineSettings>
#include <QWebEngineView>

WebkitPlayerDialog::WebkitPlayerDialog(int width, int height, QWidget *parent)
    : CustomDialog(tr("Plumdeck Player"), false, false, parent)
{
    m_stack = new QStackedLayout;
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_backFrame = new QFrame;
    m_backFrame->setObjectName(QStringLiteral("loadingBackFrame"));
    m_stack->addWidget(m_backFrame);
    WebEngineStart::allowRunningAsRoot();
    m_cannotStart = WebEngineStart::whyNot();
    if (m_cannotStart.isEmpty()) {
        m_webView = new QWebEngineView;
        m_webView->setObjectName(QStringLiteral("webView"));
        m_webView->settings()->setAttribute(QWebEngineSettings::PluginsEnabled, true);
        m_stack->addWidget(m_webView);
    }
    setBareContentLayout(m_stack);

    m_loadingScreen = new QFrame(this);
    m_loadingScreen->setObjectName(QStringLiteral("loadingScreen"));
    m_loadingScreen->resize(300, 200);
    auto *screen = new QVBoxLayout(m_loadingScreen);
    auto *row = new QHBoxLayout;
    row->addStretch();
    m_loadingLabel = new QLabel(tr("Connecting Server..."));
    m_loadingLabel->setObjectName(QStringLiteral("loadingLabel"));
    row->addWidget(m_loadingLabel);
    m_animationLabel = new QLabel;
    m_movie = new QMovie(QStringLiteral(":/litLoading"), QByteArray(), this);
    m_animationLabel->setMovie(m_movie);
    m_animationLabel->setFixedSize(60, 60);
    row->addWidget(m_animationLabel);
    row->addStretch();
    screen->addLayout(row);
    screen->addSpacing(10);
    m_errorLabel = new QLabel;
    m_errorLabel->setObjectName(QStringLiteral("errorLabel"));
    m_errorLabel->setAlignment(Qt::AlignHCenter);
    screen->addWidget(m_errorLabel, 0, Qt::AlignHCenter);
    m_downloadButton = new QPushButton(QStringLiteral("Download!"));
    m_downloadButton->setObjectName(QStringLiteral("downloadButton"));
    m_downloadButton->hide();
    screen->addWidget(m_downloadButton, 0, Qt::AlignHCenter);
    screen->addStretch();

    m_logoLabel = new QLabel(this);
    m_logoLabel->setObjectName(QStringLiteral("logoLabel"));
    m_logoLabel->setPixmap(QPixmap(QStringLiteral(":/full/window-title.png")));

    if (m_webView) {
        connect(m_webView, &QWebEngineView::loadFinished, this, &WebkitPlayerDialog::loadFinished);
        connect(m_webView, &QWebEngineView::titleChanged, this, &WebkitPlayerDialog::onTitleChanged);
        connect(m_webView->page(), &QWebEnginePage::renderProcessTerminated, this,
                &WebkitPlayerDialog::onRenderProcessTerminated);
    }
    connect(m_downloadButton, &QPushButton::clicked, this, &WebkitPlayerDialog::onDownloadFlashClicked);
    resize(width, height);
}

void WebkitPlayerDialog::load(const QString &url)
{
    m_url = QUrl(url);
    if (!m_cannotStart.isEmpty()) {
        qWarning().noquote() << m_cannotStart;
        cannotPlay(tr("The player cannot start here."));
        return;
    }
    if (!m_webView)
        return;
    m_movie->start();
    m_webView->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_webView->load(m_url);
}

// Final, like a page that reports no plug-in: the video can still be watched
// in the desktop's browser.
void WebkitPlayerDialog::cannotPlay(const QString &why)
{
    if (!m_waiting)
        return;
    m_waiting = false;
    m_movie->stop();
    m_stack->setCurrentIndex(0);
    m_loadingScreen->show();
    m_logoLabel->show();
    m_loadingScreen->raise();
    m_logoLabel->raise();
    m_loadingLabel->setText(tr("Loading Failed"));
    m_errorLabel->setText(why + QLatin1Char('\n') + tr("Download! opens the video in your browser."));
    m_downloadButton->show();
}

void WebkitPlayerDialog::onRenderProcessTerminated(QWebEnginePage::RenderProcessTerminationStatus status, int)
{
    if (status != QWebEnginePage::NormalTerminationStatus)
        cannotPlay(tr("The player stopped."));
}

int WebkitPlayerDialog::currentPage() const
{
    return m_stack->currentIndex();
}

void WebkitPlayerDialog::repaintNow()
{
    update();
    repaint();
}

void WebkitPlayerDialog::loadFinished(bool ok)
{
    if (!m_waiting)
        return;
    if (ok) {
        m_loadingLabel->setText(tr("Loading Player..."));
        m_stack->setCurrentIndex(1);
        m_loadingScreen->raise();
        m_logoLabel->raise();
        repaintNow();
        return;
    }
    m_waiting = false;
    m_movie->stop();
    m_loadingLabel->setText(tr("Connection Failed..."));
    m_errorLabel->setText(tr("Could not connect to the server.\nPlease check your internet connection."));
}

void WebkitPlayerDialog::onTitleChanged(const QString &title)
{
    if (!m_waiting)
        return;
    if (title == QLatin1String("PlayerReady")) {
        m_loadingScreen->hide();
        m_logoLabel->hide();
        repaintNow();
    } else if (title == QLatin1String("FlashNotInstalled")) {
        m_waiting = false;
        m_movie->stop();
        m_loadingLabel->setText(tr("Loading Failed"));
        m_errorLabel->setText(tr("Flash player not found.\nPlease install it and reload Plumdeck."));
        m_downloadButton->show();
    }
}

QUrl WebkitPlayerDialog::downloadTarget() const
{
    const QUrl video(QUrlQuery(m_url).queryItemValue(QStringLiteral("file"), QUrl::FullyDecoded));
    if (TaskLinkOpener::isWebAddress(video))
        return video;
    return m_url;
}

// No browser plug-in exists here to be installed: the browser plays the
// video instead.
void WebkitPlayerDialog::onDownloadFlashClicked()
{
    QDesktopServices::openUrl(downloadTarget());
}

void WebkitPlayerDialog::resizeEvent(QResizeEvent *event)
{
    CustomDialog::resizeEvent(event);
    const int w = width();
    const int h = height();
    m_loadingScreen->setGeometry(w / 2 - 150, h / 2 - 50, 300, 200);
    const QSize logo = m_logoLabel->sizeHint();
    m_logoLabel->setGeometry(w - logo.width() - 10, h - logo.height() - 10, logo.width(), logo.height());
}

void WebkitPlayerDialog::dismiss()
{
    if (m_webView) {
        disconnect(m_webView, &QWebEngineView::loadFinished, this, &WebkitPlayerDialog::loadFinished);
        disconnect(m_webView, &QWebEngineView::titleChanged, this, &WebkitPlayerDialog::onTitleChanged);
        disconnect(m_downloadButton, &QPushButton::clicked, this, &WebkitPlayerDialog::onDownloadFlashClicked);
        delete m_webView;
    }
    emit closeDialog();
}

void WebkitPlayerDialog::reject()
{
    dismiss();
}

void WebkitPlayerDialog::accept()
{
    dismiss();
}
