#include "outlook/outlookmodule.h"

#include "outlook/outlooksynchronizer.h"
#include "shell/messagedialog.h"

#include <QAction>
#include <QSettings>

OutlookModule::OutlookModule(std::function<UserLists *()> userLists, OutlookProvider *provider)
    : m_userLists(std::move(userLists))
    , m_provider(provider)
    , m_action(new QAction(tr("Synchronize with Outlook"), this))
{
    connect(m_action, &QAction::triggered, this, &OutlookModule::onActionTriggered);
}

OutlookModule::~OutlookModule() = default;

QList<QAction *> OutlookModule::actions()
{
    if (QSettings().value(QStringLiteral("ui/enable-outlook"), false).toBool())
        return {m_action};
    return {};
}

void OutlookModule::onActionTriggered()
{
    OutlookSynchronizer synchronizer(m_userLists ? m_userLists() : nullptr, m_provider);
    if (!synchronizer.run())
        MessageDialog::information(tr("Synchronize to Outlook"), synchronizer.errorString(), nullptr);
}
