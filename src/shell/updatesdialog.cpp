#include "shell/updatesdialog.h"

#include "core/uisettings.h"
#include "sync/requests/updater.h"

#include <QApplication>
#include <QDebug>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const int PostponeDays = 7;

int updaterState()
{
    const Updater *updater = Updater::instance();
    return updater ? int(updater->state()) : int(Updater::UpToDate);
}

bool updaterCanDownload()
{
    const Updater *updater = Updater::instance();
    return updater && updater->canDownload();
}

} // namespace

UpdatesDialog::UpdatesDialog(QWidget *parent)
    : CustomDialog(tr("Plumdeck update"), false, true, parent)
    , m_progressBar(new QProgressBar)
    , m_logoLabel(new QLabel)
    , m_stateLabel(new QLabel)
    , m_postponeBox(new QWidget)
    , m_tomorrowButton(new QRadioButton(m_postponeBox))
    , m_sevenDaysButton(new QRadioButton(m_postponeBox))
    , m_downloadButton(new QPushButton(tr("Download")))
    , m_installButton(new QPushButton(tr("Install")))
{
    setObjectName(QStringLiteral("updatesdialog"));
    setCenterOnParent(true);
    setTitleIcon(UISettings::instance()->isBlueSkin() ? QStringLiteral(":/updates_blue.png")
                                                      : QStringLiteral(":/updates.png"));

    m_progressBar->setObjectName(QStringLiteral("progressbar"));
    m_logoLabel->setObjectName(QStringLiteral("logolabel"));
    m_logoLabel->setPixmap(QPixmap(QStringLiteral(":/plumdeck-icon.png")));
    m_stateLabel->setObjectName(QStringLiteral("statelabel"));
    m_stateLabel->setWordWrap(true);
    // Room for the longest sentence on a few lines, and for a visible bar.
    m_stateLabel->setMinimumWidth(320);
    m_progressBar->setMinimumWidth(320);
    m_downloadButton->setObjectName(QStringLiteral("downloadbutton"));
    m_installButton->setObjectName(QStringLiteral("installbutton"));
    m_tomorrowButton->setAccessibleName(tr("Check again tomorrow"));
    m_sevenDaysButton->setAccessibleName(tr("Check again in %1 days").arg(PostponeDays));

    auto *layout = new QVBoxLayout;
    layout->addWidget(m_progressBar, 0, Qt::AlignHCenter);
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    row->addStretch();
    row->addWidget(m_logoLabel);
    row->addWidget(m_stateLabel);
    layout->addLayout(row);
    auto *grid = new QGridLayout(m_postponeBox);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->addWidget(m_tomorrowButton, 0, 0);
    grid->addWidget(new QLabel(tr("Check again tomorrow")), 0, 1);
    grid->addWidget(m_sevenDaysButton, 1, 0);
    grid->addWidget(new QLabel(tr("Check again in %1 days").arg(PostponeDays)), 1, 1);
    layout->addWidget(m_postponeBox, 0, Qt::AlignHCenter);
    setContentLayout(layout);

    buttonsLayout()->addWidget(m_downloadButton);
    buttonsLayout()->addWidget(m_installButton);

    connect(m_downloadButton, &QPushButton::clicked, this, &UpdatesDialog::onDownloadButtonClicked);
    connect(m_installButton, &QPushButton::clicked, this, &UpdatesDialog::onInstallButtonClicked);
    if (Updater *updater = Updater::instance()) {
        connect(updater, &Updater::updateDownloadProgress, this, &UpdatesDialog::onUpdateDownloadProgress);
        connect(updater, &Updater::updateDownloadFailed, this, &UpdatesDialog::onUpdateDownloadFailed);
        connect(updater, &Updater::updateDownloaded, this, &UpdatesDialog::onUpdateDownloaded);
    }

    m_tomorrowButton->setChecked(true);
    updateStateText();
    updateWidgets();
}

void UpdatesDialog::updateStateText()
{
    switch (updaterState()) {
    case Updater::CheckFailed:
        m_stateLabel->setText(tr("Failed to connect."));
        break;
    case Updater::AuthFailed:
        m_stateLabel->setText(tr("Authorization failure."));
        break;
    case Updater::UpToDate:
        m_stateLabel->setText(tr("No updates available."));
        break;
    case Updater::UpdateSeen:
        if (updaterCanDownload())
            m_stateLabel->setText(
                tr("A new version of Plumdeck is available. Click the download button to upgrade to the "
                   "latest version, or cancel to upgrade at a later time."));
        else
            m_stateLabel->setText(tr("A new version of Plumdeck is available, but updates need a secure connection. "
                                     "Set a server URL that starts with https in the preferences to download it."));
        break;
    case Updater::Downloading:
        m_stateLabel->setText(tr("Downloading, please wait..."));
        break;
    case Updater::Downloaded:
        m_stateLabel->setText(tr("The update has downloaded, click to install the update."));
        break;
    case Updater::InstallFailed:
        m_stateLabel->setText(tr("Install Failed"));
        break;
    default:
        qWarning() << "UpdatesDialog: unknown state";
        m_stateLabel->setText(tr("No updates available."));
        break;
    }
}

void UpdatesDialog::updateWidgets()
{
    const int state = updaterState();
    if (state != Updater::InstallFailed)
        m_logoLabel->setVisible(state != Updater::Downloading);
    m_progressBar->setVisible(state == Updater::Downloading);
    if (state != Updater::Downloaded)
        m_progressBar->setValue(0);
    m_downloadButton->setVisible(state == Updater::UpdateSeen && updaterCanDownload());
    m_postponeBox->setVisible(state == Updater::UpdateSeen);
    // Only a finished download over the secure connection can be installed.
    m_installButton->setVisible(state == Updater::Downloaded && updaterCanDownload());
}

void UpdatesDialog::onUpdateDownloadProgress(int done, int total)
{
    m_progressBar->setMaximum(total);
    m_progressBar->setValue(done);
}

void UpdatesDialog::onUpdateDownloadFailed()
{
    m_downloadFailed = true;
    m_stateLabel->setText(tr("Download failed"));
    updateWidgets();
}

void UpdatesDialog::onUpdateDownloaded()
{
    updateStateText();
    updateWidgets();
}

void UpdatesDialog::onInstallFailed()
{
    updateStateText();
    updateWidgets();
}

void UpdatesDialog::onDownloadButtonClicked()
{
    if (m_downloadButton->isHidden())
        return;
    m_downloadFailed = false;
    if (Updater *updater = Updater::instance())
        updater->startDownload();
    // A download that failed at once keeps saying so.
    if (!m_downloadFailed)
        updateStateText();
    updateWidgets();
}

void UpdatesDialog::onInstallButtonClicked()
{
    if (m_beforeInstall && !m_beforeInstall())
        return;
    m_installButton->setEnabled(false);
    m_installButton->repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Updater *updater = Updater::instance();
    if (updater && updater->install())
        return;
    QApplication::restoreOverrideCursor();
    m_stateLabel->setText(tr("Install failed."));
    updateWidgets();
}

void UpdatesDialog::reject()
{
    Updater *updater = Updater::instance();
    if (!m_postponeBox->isHidden() && updater) {
        if (m_tomorrowButton->isChecked())
            updater->setNextCheckTime(24);
        else if (m_sevenDaysButton->isChecked())
            updater->setNextCheckTime(PostponeDays * 24);
        else
            qWarning() << "Updater: bad radio button state";
    }
    // Only a download under way or finished is abandoned; in any other state
    // the updater would take the cancel for a version seen.
    const int state = updaterState();
    if (updater && (state == Updater::Downloading || state == Updater::Downloaded))
        updater->cancelDownload();
    CustomDialog::reject();
}
