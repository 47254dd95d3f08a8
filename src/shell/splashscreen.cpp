#include "shell/splashscreen.h"

#include "core/uisettings.h"
#include "core/version.h"

#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {

// The stops of a gradient are separated by commas; without them the style
// sheet parser drops the whole chunk style.
const char GreenBarStyle[] =
    "QProgressBar {color: #ffffff;background: #000000;border: 1px solid #999999;border-radius:3px;"
    "text-align: center;height: 7px;}"
    "QProgressBar::chunk {  background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
    "                              stop: 0.0  #b8c888,"
    "                              stop: 0.6  #a1b661,"
    "                              stop: 0.7  #7c8e42,"
    "                              stop: 1.0  #9cb257 );}";
const char BlueBarStyle[] =
    "QProgressBar {color: black;background: #ffffff;border: 1px solid #3e5e7f;border-radius:3px;"
    "text-align: center;height: 7px;}"
    "QProgressBar::chunk {background: #d8e9f7;margin:0.5px;width:5px;}";

} // namespace

SplashScreen::SplashScreen()
    : QDialog(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::FramelessWindowHint)
    , m_blueSkin(UISettings::instance()->isBlueSkin())
{
    setAttribute(Qt::WA_NoSystemBackground);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    m_versionLabel = new QLabel(tr("Version %1").arg(versionString()), this);
    m_versionLabel->setStyleSheet(m_blueSkin ? QStringLiteral("color: #3e5e7f; font-family: Helvetica; font-size: 9px;")
                                             : QStringLiteral("color: white; font-family: Helvetica; font-size: 9px;"));

    m_imageLabel = new QLabel;
    m_imageLabel->setPixmap(QPixmap(m_blueSkin ? QStringLiteral(":/full/splash-blue.png")
                                               : QStringLiteral(":/full/splash.png")));
    layout->addWidget(m_imageLabel);

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("splashProgressBar"));
    m_progressBar->setRange(0, 1000);
    m_progressBar->setTextVisible(false);
    m_progressBar->setStyleSheet(QLatin1String(m_blueSkin ? BlueBarStyle : GreenBarStyle));

    m_infoLabel = new QLabel(tr("Loading base components..."), this);
    // The steps name lists, which other users may have named.
    m_infoLabel->setTextFormat(Qt::PlainText);
    m_infoLabel->setStyleSheet(m_blueSkin ? QStringLiteral("font-family: Helvetica; font-size: 9px; color: black;")
                                          : QStringLiteral("font-family: Helvetica; font-size: 9px; color: white;"));
}

void SplashScreen::setProgress(int value)
{
    m_progress = value;
    m_progressBar->setValue(m_progress);
}

void SplashScreen::onSetSplashProgress(const QString &info, int value)
{
    m_infoLabel->setText(info);
    setProgress(value);
}

void SplashScreen::onSplashProgress(const QString &info, int value)
{
    m_infoLabel->setText(info);
    setProgress(m_progress + value);
}

void SplashScreen::onSplashProgress(const QString &info)
{
    onSplashProgress(info, 100);
}

void SplashScreen::onSplashProgress()
{
    setProgress(m_progress + 100);
}

void SplashScreen::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    const int w = width();
    const int h = height();

    const int barHeight = m_progressBar->sizeHint().height();
    m_progressBar->setGeometry(17, h - barHeight - 20, w - 34, barHeight);

    const QSize version = m_versionLabel->sizeHint();
    m_versionLabel->setGeometry(w - 10 - version.width(), 10, version.width(), version.height());
    m_versionLabel->raise();
    m_versionLabel->show();

    m_infoLabel->setGeometry(17, h - 17, w - 17, m_infoLabel->sizeHint().height());
    m_infoLabel->setVisible(UISettings::instance()->showLoadingFeedback());
}
