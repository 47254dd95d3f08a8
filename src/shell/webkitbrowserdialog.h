#ifndef WEBKITBROWSERDIALOG_H
#define WEBKITBROWSERDIALOG_H

#include "shell/customdialog.h"

#include <QUrl>

class QFrame;
class QWebEngineView;

// The help browser: a web view in the program's own frame, titled after the
// page it shows. Addresses outside the local guide open in the desktop's
// browser.
class WebkitBrowserDialog : public CustomDialog
{
    Q_OBJECT
public:
    explicit WebkitBrowserDialog(const QString &title, QWidget *parent = nullptr);

    void load(const QUrl &url);
    QWebEngineView *webView() const { return m_webView; }

    // The user guide: "help.html" in the help folder when one is installed
    // there, else the copy built into the program.
    static QUrl userGuideUrl();
    // The help window as the help command opens it (one more at each call):
    // titled, sized 1024 by 720, shown, and released when closed.
    static WebkitBrowserDialog *showHelp(const QUrl &url);

protected slots:
    void onLinkClicked(const QUrl &url);
    void onLoadStarted();
    void onLoadProgress(int progress);
    void onLoadFinished(bool ok);
    void onTitleChanged(const QString &title);

private:
    QWebEngineView *m_webView;
    QFrame *m_statusBar;
};

#endif
