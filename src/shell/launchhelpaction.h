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
    // Creates the help window, without parent, with the address loaded: the
    // web help browser unless a test puts another window in its place.
    using WindowFactory = std::function<CustomDialog *(const QUrl &url)>;
    static void setWindowFactory(const WindowFactory &factory);

    LaunchHelpAction(const QString &text, const QString &url, QObject *parent);

    QUrl url() const { return m_url; }

    bool shouldBeEnabled() override { return true; }
    void execute() override;

    // A new help window on the address, shown; it goes when closed.
    static CustomDialog *open(const QUrl &url);

private:
    QUrl m_url;
};

#endif
