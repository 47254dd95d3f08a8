#include "sync/syncdialog.h"

#include "core/uisettings.h"
#include "sync/basesynchronizer.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMovie>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

SyncDialog::SyncDialog(BaseSynchronizer *synchronizer, QWidget *parent)
    : CustomDialog(tr("Sync"), false, false, false, parent)
    , m_synchronizer(synchronizer)
{
    setObjectName(QStringLiteral("syncdialog"));
    setCenterOnParent(true);
    const bool blue = UISettings::instance()->isBlueSkin();
    setTitleIcon(blue ? QStringLiteral(":/sync_blue.png") : QStringLiteral(":/sync.png"));

    auto *content = new QVBoxLayout;
    m_progressBar = new QProgressBar;
    m_progressBar->setObjectName(QStringLiteral("progressbar"));
    m_progressBar->setMinimumWidth(240);
    content->addWidget(m_progressBar, 0, Qt::AlignHCenter);

    auto *row = new QHBoxLayout;
    m_headingLabel = new QLabel(tr("Synchronizing"));
    m_headingLabel->setObjectName(QStringLiteral("label"));
    // Room for the usual error texts on one line; longer ones wrap.
    m_headingLabel->setWordWrap(true);
    m_headingLabel->setMinimumWidth(220);
    m_headingLabel->setAlignment(Qt::AlignCenter);
    row->addWidget(m_headingLabel);
    m_animationLabel = new QLabel;
    m_animationLabel->setObjectName(QStringLiteral("movingSync"));
    // Owned by the dialog, so it goes with it.
    m_animation = new QMovie(blue ? QStringLiteral(":/sync_lit_animation_blue.gif")
                                  : QStringLiteral(":/sync_lit_animation.gif"),
                             QByteArray(), this);
    m_animationLabel->setMovie(m_animation);
    m_animation->start();
    row->addWidget(m_animationLabel);
    content->addLayout(row);
    content->setAlignment(row, Qt::AlignHCenter);

    m_infoLabel = new QLabel;
    m_infoLabel->setObjectName(QStringLiteral("sycInfoLabel"));
    content->addWidget(m_infoLabel);
    setContentLayout(content);

    m_minimizeButton = new QPushButton(tr("Minimize"));
    m_minimizeButton->setObjectName(QStringLiteral("minimizebutton"));
    connect(m_minimizeButton, &QPushButton::clicked, this, &SyncDialog::onMinimizeButtonClicked);
    buttonsLayout()->addWidget(m_minimizeButton);
    addCancelButton(tr("Cancel"));
    m_settingsButton = new QPushButton(tr("Settings..."));
    m_settingsButton->setObjectName(QStringLiteral("settingsButton"));
    m_settingsButton->hide();
    connect(m_settingsButton, &QPushButton::clicked, this, &SyncDialog::onSettingsButtonClicked);
    buttonsLayout()->addWidget(m_settingsButton);

    if (synchronizer) {
        connect(synchronizer, &BaseSynchronizer::progress, this, &SyncDialog::onProgress);
        connect(synchronizer, &BaseSynchronizer::addProgress, this, &SyncDialog::onAddProgress);
        connect(synchronizer, &BaseSynchronizer::finished, this, &SyncDialog::onFinished);
    }
    if (!UISettings::instance()->showSyncFeedback())
        m_infoLabel->hide();
}

void SyncDialog::run()
{
    if (m_synchronizer)
        m_synchronizer->start();
    exec();
}

void SyncDialog::onProgress(QString desc, int done, int total)
{
    m_progressBar->setMaximum(total);
    m_progressBar->setValue(done);
    m_infoLabel->setText(desc);
}

void SyncDialog::onAddProgress(QString text, int progress)
{
    m_progressBar->setValue(m_progressBar->value() + progress);
    m_infoLabel->setText(text);
}

void SyncDialog::onFinished(bool ok)
{
    m_succeeded = ok;
    m_animation->stop();
    if (ok) {
        QTimer::singleShot(closeDelayMs, this, &QDialog::accept);
        return;
    }
    m_headingLabel->setText(m_synchronizer ? m_synchronizer->errorString() : QString());
    m_minimizeButton->hide();
    m_settingsButton->show();
}

void SyncDialog::onSettingsButtonClicked()
{
    m_settingsRequested = true;
    accept();
}

void SyncDialog::onMinimizeButtonClicked()
{
    minimize();
    for (QWidget *w = parentWidget(); w; w = w->parentWidget()) {
        if (w->isWindow()) {
            w->showMinimized();
            break;
        }
    }
}
