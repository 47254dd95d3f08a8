#ifndef LAUNCHHELPACTION_H
#define LAUNCHHELPACTION_H

#include "shell/action.h"

#include <QUrl>

#include <functional>

class CustomDialog;

// Opens a new help browser window on its address; each run opens another.
class LaunchHelpAction : public Action
{
    Q_OBJECT
public:
    // The help browser (WebkitBrowserDialog) comes with the web windows: it
    // plugs in here a function that creates one, without parent, with the
    // address loaded.
    using WindowFactory = std::function<CustomDialog *(const QUrl &url)>;
    static void setWindowFactory(const WindowFactory &factory);

    LaunchHelpAction(const QString &text, const QString &url, QObject *parent);

    QUrl url() const { return m_url; }

    bool shouldBeEnabled() override { return true; }
    void execute() override;

private:
    QUrl m_url;
};

#endif
