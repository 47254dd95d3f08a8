#ifndef OUTLOOKMODULE_H
#define OUTLOOKMODULE_H

#include "core/module.h"

#include <QObject>

#include <functional>

class OutlookProvider;
class QAction;
class UserLists;

// The command "Synchronize with Outlook", offered while the preferences
// enable it.
class OutlookModule : public QObject, public Module
{
    Q_OBJECT
public:
    // `userLists` is asked at each run: a restored backup replaces the
    // lists. Without a provider, this platform's.
    explicit OutlookModule(std::function<UserLists *()> userLists, OutlookProvider *provider = nullptr);
    ~OutlookModule() override;

    QList<QAction *> actions() override;

public slots:
    void onActionTriggered();

private:
    std::function<UserLists *()> m_userLists;
    OutlookProvider *m_provider;
    QAction *m_action;
};

#endif
