#ifndef LAUNCHURLACTION_H
#define LAUNCHURLACTION_H

#include "shell/action.h"

#include <QUrl>

// Opens its address in the system's browser.
class LaunchUrlAction : public Action
{
    Q_OBJECT
public:
    LaunchUrlAction(const QString &text, const QString &url, QObject *parent);

    QUrl url() const { return m_url; }

    bool shouldBeEnabled() override { return true; }
    void execute() override;

private:
    QUrl m_url;
};

#endif
