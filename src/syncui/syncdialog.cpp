#include "syncui/syncdialog.h"

#include "core/uisettings.h"
#include "sync/runs/basesynchronizer.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMovie>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
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
    // The error carries the server's reason and list names others chose:
    // shown as written, never as markup.
    m_headingLabel->setTextFormat(Qt::PlainText);
    // Room for the usual error texts on one line; longer ones wrap.
    m_headingLabel->setWordWrap(true);
    m_headingLabel->setMinimumWidth(220);
    m_headingLabel->setAlignment(Qt::AlignCenter);
    // An error longer than the screen can hold scrolls instead of running
    // off it; the area takes the text's height otherwise (fitHeading).
    m_headingScroll = new QScrollArea;
    m_headingScroll->setObjectName(QStringLiteral("headingScroll"));
    m_headingScroll->setFrameShape(QFrame::NoFrame);
    m_headingScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_headingScroll->setWidgetResizable(true);
    m_headingScroll->setWidget(m_headingLabel);
    m_headingScroll->viewport()->setAutoFillBackground(false);
    m_headingScroll->setAutoFillBackground(false);
    m_headingScroll->setStyleSheet(QStringLiteral("QScrollArea#headingScroll, QScrollArea#headingScroll > QWidget "
                                                  "{ background: transparent; }"));
    row->addWidget(m_headingScroll, 1);
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
    // The steps name lists, shared ones named by other users.
    m_infoLabel->setTextFormat(Qt::PlainText);
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
    rememberUnfinishedProgress();
    m_infoLabel->setText(desc);
}

void SyncDialog::onAddProgress(QString text, int progress)
{
    m_progressBar->setValue(m_progressBar->value() + progress);
    rememberUnfinishedProgress();
    m_infoLabel->setText(text);
}

void SyncDialog::rememberUnfinishedProgress()
{
    if (m_progressBar->value() < m_progressBar->maximum()) {
        m_unfinishedValue = m_progressBar->value();
        m_unfinishedMaximum = m_progressBar->maximum();
    }
}

void SyncDialog::showEvent(QShowEvent *event)
{
    // An end that came before the window was shown is fitted now that the
    // row has its width.
    if (m_fitWhenShown) {
        m_fitWhenShown = false;
        fitHeading();
    }
    CustomDialog::showEvent(event);
}

void SyncDialog::fitHeading()
{
    if (!isVisible()) {
        m_fitWhenShown = true;
        return;
    }
    // The label takes the width the row gives it and as many lines as the
    // text needs there, up to about half the screen; beyond that it scrolls.
    layout()->activate();
    int needed = m_headingLabel->heightForWidth(m_headingScroll->viewport()->width());
    if (needed < 0)
        needed = m_headingLabel->sizeHint().height();
    int most = 400;
    if (const QScreen *screen = this->screen())
        most = qMax(most / 2, screen->availableGeometry().height() / 2);
    if (needed > most) {
        m_headingScroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        needed = most;
    } else {
        m_headingScroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    m_headingScroll->setFixedHeight(needed);
    // The frame's layouts learn the new height now, not at their next
    // layout request, so the window grows before it is painted again.
    for (QWidget *w = m_headingScroll->parentWidget(); w; w = w->parentWidget()) {
        if (QLayout *inner = w->layout()) {
            inner->invalidate();
            inner->activate();
        }
        if (w == this)
            break;
    }
    resize(width(), qMax(height(), minimumSizeHint().height()));
}

void SyncDialog::onFinished(bool ok)
{
    m_succeeded = ok;
    m_animation->stop();
    if (ok) {
        QTimer::singleShot(closeDelayMs, this, &QDialog::accept);
        return;
    }
    // A failed run is not complete: the bar stays where the run stopped.
    m_progressBar->setMaximum(m_unfinishedMaximum);
    m_progressBar->setValue(m_unfinishedValue);
    m_headingLabel->setText(m_synchronizer ? m_synchronizer->errorString() : QString());
    m_minimizeButton->hide();
    m_settingsButton->show();
    fitHeading();
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
