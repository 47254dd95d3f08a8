#ifndef UPDATESDIALOG_H
#define UPDATESDIALOG_H

#include "shell/customdialog.h"

#include <functional>

class QLabel;
class QProgressBar;
class QRadioButton;

// The modal dialog through which the user sees and drives the self-updater.
// The main window runs one at a time, with itself as parent, after an update
// check the user asked for and when the updater has seen a new version. It
// asks the updater for its state whenever it redraws.
class UpdatesDialog : public CustomDialog
{
    Q_OBJECT
public:
    explicit UpdatesDialog(QWidget *parent = nullptr);

    QProgressBar *progressBar() const { return m_progressBar; }
    QLabel *logoLabel() const { return m_logoLabel; }
    QLabel *stateLabel() const { return m_stateLabel; }
    QWidget *postponeBox() const { return m_postponeBox; }
    QRadioButton *tomorrowButton() const { return m_tomorrowButton; }
    QRadioButton *sevenDaysButton() const { return m_sevenDaysButton; }
    QPushButton *downloadButton() const { return m_downloadButton; }
    QPushButton *installButton() const { return m_installButton; }
    // Asked before the installer starts, which ends the program: false
    // keeps the program running and the update waiting.
    void setBeforeInstall(std::function<bool()> mayEnd) { m_beforeInstall = std::move(mayEnd); }

public slots:
    void reject() override;

private slots:
    void onUpdateDownloadProgress(int done, int total);
    void onUpdateDownloadFailed();
    void onUpdateDownloaded();
    void onDownloadButtonClicked();
    void onInstallButtonClicked();
    void onInstallFailed();

private:
    void updateStateText();
    void updateWidgets();

    QProgressBar *m_progressBar;
    QLabel *m_logoLabel;
    QLabel *m_stateLabel;
    QWidget *m_postponeBox;
    QRadioButton *m_tomorrowButton;
    QRadioButton *m_sevenDaysButton;
    QPushButton *m_downloadButton;
    QPushButton *m_installButton;
    std::function<bool()> m_beforeInstall;
    // Set when the download failed before its button's click returned.
    bool m_downloadFailed = false;
};

#endif
