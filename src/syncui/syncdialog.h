#ifndef SYNCDIALOG_H
#define SYNCDIALOG_H

#include "shell/customdialog.h"

#include <QPointer>

class BaseSynchronizer;
class QLabel;
class QMovie;
class QProgressBar;
class QPushButton;
class QScrollArea;

// The modal window watched while one synchronisation runs: it starts the
// run, follows its progress, closes by itself a moment after success, and
// after a failure shows the error and offers the settings.
class SyncDialog : public CustomDialog
{
    Q_OBJECT

public:
    // How long a successful run stays shown.
    static const int closeDelayMs = 250;

    SyncDialog(BaseSynchronizer *synchronizer, QWidget *parent = nullptr);

    // Starts the run and shows the dialog until it closes.
    void run();
    bool succeeded() const { return m_succeeded; }
    bool settingsRequested() const { return m_settingsRequested; }

    QProgressBar *progressBar() const { return m_progressBar; }
    QLabel *headingLabel() const { return m_headingLabel; }
    QScrollArea *headingScroll() const { return m_headingScroll; }
    QLabel *infoLabel() const { return m_infoLabel; }
    QPushButton *minimizeButton() const { return m_minimizeButton; }
    QPushButton *settingsButton() const { return m_settingsButton; }
    QMovie *animation() const { return m_animation; }

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void onProgress(QString desc, int done, int total);
    void onAddProgress(QString text, int progress);
    void onFinished(bool ok);
    void onSettingsButtonClicked();
    void onMinimizeButtonClicked();

private:
    void rememberUnfinishedProgress();
    void fitHeading();

    QProgressBar *m_progressBar = nullptr;
    QLabel *m_headingLabel = nullptr;
    QScrollArea *m_headingScroll = nullptr;
    QLabel *m_infoLabel = nullptr;
    QPushButton *m_minimizeButton = nullptr;
    QPushButton *m_settingsButton = nullptr;
    QPointer<BaseSynchronizer> m_synchronizer;
    bool m_succeeded = false;
    bool m_settingsRequested = false;
    QLabel *m_animationLabel = nullptr;
    QMovie *m_animation = nullptr;
    // The bar's last state short of full, shown again after a failure.
    int m_unfinishedValue = 0;
    int m_unfinishedMaximum = 1;
    bool m_fitWhenShown = false;
};

#endif
