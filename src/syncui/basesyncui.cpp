#include "syncui/basesyncui.h"

#include "core/serversettings.h"
#include "shell/messagedialog.h"
#include "sync/runs/basesynchronizer.h"
#include "syncui/sslerrorsui.h"
#include "syncui/syncdialog.h"

#include <memory>

BaseSyncUI::BaseSyncUI(QWidget *dialogParent, QObject *parent)
    : QObject(parent)
    , m_dialogParent(dialogParent)
{
}

bool BaseSyncUI::checkSettings()
{
    ServerSettings *settings = ServerSettings::instance();
    if (settings->serverUrl().isEmpty()) {
        MessageDialog::information(tr("Sync"), tr("You must supply a server URL before you can sync."),
                                   m_dialogParent);
        showSettings();
        return false;
    }
    if (!settings->isCompleteWith(m_sessionPassword)) {
        // Starting nothing without a word would leave the user guessing.
        MessageDialog::information(tr("Sync"), tr("You must supply a user name and password before you can sync."),
                                   m_dialogParent);
        showSettings();
        return false;
    }
    return true;
}

void BaseSyncUI::sync()
{
    if (!checkSettings())
        return;
    if (runSync())
        showSettings();
}

bool BaseSyncUI::runSync()
{
    std::unique_ptr<BaseSynchronizer> synchronizer(createSynchronizer());
    synchronizer->setSessionPassword(m_sessionPassword);
    auto dialog = std::make_unique<SyncDialog>(synchronizer.get(), m_dialogParent);
    auto prompt = std::make_unique<SslErrorsUI>(dialog.get());
    synchronizer->setSslErrorHandler(prompt.get());
    dialog->run();
    bool settingsRequested = false;
    if (dialog->succeeded())
        m_succeeded = true;
    else
        settingsRequested = dialog->settingsRequested();
    // A run still going (the user cancelled) ends with its synchroniser.
    synchronizer->setSslErrorHandler(nullptr);
    prompt.reset();
    dialog.reset();
    synchronizer.reset();
    return settingsRequested;
}
