// Screens of the sync windows as others' texts reach them, and of the
// certificate question as a run asks it.

#include "screens.h"
#include "shell/messagedialog.h"
#include "sync/runs/basesynchronizer.h"
#include "syncui/sslerrorsui.h"
#include "syncui/syncdialog.h"

#include <QSettings>
#include <QSslError>
#include <QTest>

#include <memory>

namespace {

// A run that stays where the screen puts it.
class MarkupSynchronizer : public BaseSynchronizer
{
public:
    void start() override {}
    void step(const QString &text) { emit progress(text, 420, 1000); }
    void stop(const QString &reason) { fail(reason); }
};

} // namespace

// First contact with a self-signed server: Cancel is the default button.
PLUMDECK_SCREEN(certificateQuestion)
{
    std::unique_ptr<MessageDialog> dialog(
        SslErrorsUI::makeQuestion({QSslError(QSslError::SelfSignedCertificate).errorString()}, nullptr));
    QVERIFY(!shoot(dialog.get(), QStringLiteral("certificate-question")).isNull());
}

// A list named with markup by the user sharing it, in the step text.
PLUMDECK_SCREEN(syncDialogMarkupName)
{
    QSettings().setValue(QStringLiteral("ui/show-sync-feedback"), true);
    MarkupSynchronizer sync;
    SyncDialog dialog(&sync);
    sync.step(QStringLiteral("Checking for changes in list \"<b>Rota</b> <img src=\"file:///x.png\">\""));
    QVERIFY(!shoot(&dialog, QStringLiteral("sync-dialog-markup-name")).isNull());
    QSettings().remove(QStringLiteral("ui/show-sync-feedback"));
}

// The server's reason phrase with markup, in the error heading.
PLUMDECK_SCREEN(syncDialogMarkupReason)
{
    MarkupSynchronizer sync;
    SyncDialog dialog(&sync);
    sync.step(QStringLiteral("Checking available lists..."));
    sync.stop(QStringLiteral("Unexpected response: <i>Busy</i> &amp; <b>away</b>"));
    QVERIFY(!shoot(&dialog, QStringLiteral("sync-dialog-markup-reason")).isNull());
}
