#ifndef WEBKITBROWSERDIALOG_H
#define WEBKITBROWSERDIALOG_H

#include "shell/customdialog.h"

#include <QPointer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

class QFrame;
class QLabel;
class QStackedLayout;
class QTextBrowser;

// The help browser: a web view in the program's own frame, titled after the
// page it shows. Addresses outside the local guide open in the desktop's
// browser. When the web view cannot start here, or its page process dies,
// the window shows the same page as plain text instead, saying why.
class WebkitBrowserDialog : public CustomDialog
{
    Q_OBJECT
public:
    explicit WebkitBrowserDialog(const QString &title, QWidget *parent = nullptr);

    void load(const QUrl &url);
    // None when the web engine could not start here.
    QWebEngineView *webView() const { return m_webView; }
    // The plain view, once the window has fallen back on it; else none.
    QTextBrowser *plainView() const { return m_plainView; }
    QLabel *notice() const { return m_notice; }

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
    void onRenderProcessTerminated(QWebEnginePage::RenderProcessTerminationStatus status, int exitCode);

private:
    void showPlain(const QString &why);

    QStackedLayout *m_stack;
    QPointer<QWebEngineView> m_webView;
    QTextBrowser *m_plainView = nullptr;
    QLabel *m_notice = nullptr;
    QFrame *m_statusBar;
    QUrl m_url;
};

#endif
