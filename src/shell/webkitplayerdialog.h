#ifndef WEBKITPLAYERDIALOG_H
#define WEBKITPLAYERDIALOG_H

#include "shell/customdialog.h"

#include <QPointer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

class QFrame;
class QLabel;
class QMovie;
class QPushButton;
class QStackedLayout;

// The video player window: loads the service's player page and covers it
// with a loading screen until the page reports, through its document title,
// that the player runs ("PlayerReady") or cannot ("FlashNotInstalled").
// It never closes itself: dismissing it emits closeDialog(). When the web
// view cannot start here or its page process dies, the loading screen says
// so and offers the video in the desktop's browser.
class WebkitPlayerDialog : public CustomDialog
{
    Q_OBJECT
public:
    WebkitPlayerDialog(int width, int height, QWidget *parent = nullptr);

    void load(const QString &url);

    // None when the web engine could not start here, or once dismissed.
    QWebEngineView *webView() const { return m_webView; }
    QFrame *loadingScreen() const { return m_loadingScreen; }
    QLabel *loadingLabel() const { return m_loadingLabel; }
    QLabel *errorLabel() const { return m_errorLabel; }
    QLabel *logoLabel() const { return m_logoLabel; }
    QPushButton *downloadButton() const { return m_downloadButton; }
    QMovie *animation() const { return m_movie; }
    int currentPage() const;
    bool isWaiting() const { return m_waiting; }
    // What "Download!" opens: the video itself when the address names a web
    // one, else the player page.
    QUrl downloadTarget() const;

signals:
    void closeDialog();

public slots:
    void reject() override;
    void accept() override;

private slots:
    void loadFinished(bool ok);
    void onTitleChanged(const QString &title);
    void onDownloadFlashClicked();
    void onRenderProcessTerminated(QWebEnginePage::RenderProcessTerminationStatus status, int exitCode);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void dismiss();
    void repaintNow();
    void cannotPlay(const QString &why);

    QStackedLayout *m_stack;
    QFrame *m_backFrame;
    QPointer<QWebEngineView> m_webView;
    QFrame *m_loadingScreen;
    QLabel *m_loadingLabel;
    QLabel *m_animationLabel;
    QMovie *m_movie;
    QLabel *m_errorLabel;
    QPushButton *m_downloadButton;
    QLabel *m_logoLabel;
    QUrl m_url;
    QString m_cannotStart;
    bool m_waiting = true;
};

#endif
