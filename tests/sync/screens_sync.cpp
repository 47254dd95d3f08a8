// Screens of the synchronisation's progress dialog and the connection test.

#include "core/serversettings.h"
#include "screens.h"
#include "shell/messagedialog.h"
#include "shell/pdtextedit.h"
#include "sync/runs/basesynchronizer.h"
#include "sync/runs/forcedruns.h"
#include "sync/runs/listoutcome.h"
#include "sync/runs/listssynchronizer.h"
#include "sync/runs/listoutcome.h"
#include "sync/runs/notepadsynchronizer.h"
#include "sync/runs/savefailure.h"
#include "sync/requests/sslerrorhandler.h"
#include "syncfailuretexts.h"
#include "syncui/connectiontestdialog.h"
#include "syncui/sslerrorsui.h"
#include "syncui/syncdialog.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QLabel>
#include <QSslCertificate>
#include <QTextCharFormat>
#include <QTest>

#include <memory>

namespace {

// A run that stays where the screen puts it.
class StillSynchronizer : public BaseSynchronizer
{
public:
    void start() override {}
    void show(const QString &text, int done) { emit progress(text, done, 1000); }
    void stop(const QString &error) { fail(error); }
};

} // namespace

PLUMDECK_SCREEN(syncDialog)
{
    StillSynchronizer sync;
    SyncDialog dialog(&sync);
    sync.show(QStringLiteral("Uploading changes to list \"Groceries\""), 420);
    QVERIFY(!shoot(&dialog, QStringLiteral("sync-dialog")).isNull());
}

// Asked before a forced upload from a computer with no list deletes every
// list on the server.
PLUMDECK_SCREEN(forcedRemoteWithNoList)
{
    MessageDialog question(QCoreApplication::translate("ListsSynchronizer", "Sync"),
                           ListsSynchronizer::removingEverythingQuestion(12), true);
    // As the sync questions ask: Cancel the default.
    question.makeCancelTheDefault();
    QVERIFY(!shoot(&question, QStringLiteral("forced-remote-no-list")).isNull());
}

PLUMDECK_SCREEN(syncDialogFailed)
{
    StillSynchronizer sync;
    SyncDialog dialog(&sync);
    sync.show(QStringLiteral("Checking available lists..."), 50);
    sync.stop(QStringLiteral("Authorization failure."));
    QVERIFY(!shoot(&dialog, QStringLiteral("sync-dialog-failed")).isNull());
}

// The dialog at the end of a run that failed with each text a run can end
// with, part way through, as the user sees it.
static const bool syncFailuresAdded = [] {
    const auto texts = syncFailureTexts();
    for (const auto &[tag, text] : texts) {
        const QString file = QStringLiteral("sync-failed-") + QString::fromLatin1(tag).replace(QLatin1Char(' '), QLatin1Char('-'));
        Screens::add(("syncFailed " + tag).constData(), [file, text = text](const Screens::Shooter &shoot, bool) {
            StillSynchronizer sync;
            SyncDialog dialog(&sync);
            sync.show(QStringLiteral("Checking available lists..."), 50);
            // Shown while running, as the user watches it, before the end.
            dialog.show();
            QCoreApplication::processEvents();
            sync.stop(text);
            QVERIFY(!shoot(&dialog, file).isNull());
        });
    }
    return true;
}();

// The certificate question when the server shows another certificate than
// the one accepted for it.
PLUMDECK_SCREEN(certificateChanged)
{
    const auto digest = [](const char *file) {
        const QList<QSslCertificate> certificates =
            QSslCertificate::fromPath(QStringLiteral(PLUMDECK_TEST_DATA_DIR "/") + QLatin1String(file));
        return certificates.isEmpty() ? QByteArray() : certificates.first().digest(QCryptographicHash::Sha256);
    };
    // As a run asks it: Cancel is the default button.
    std::unique_ptr<MessageDialog> dialog(SslErrorsUI::makeQuestion(
        {SslErrorHandler::certificateChangedText(digest("fakeserver-cert.pem"), digest("fakeserver-other-cert.pem")),
         QSslError(QSslError::SelfSignedCertificate).errorString()},
        nullptr));
    QVERIFY(!shoot(dialog.get(), QStringLiteral("certificate-changed")).isNull());
}

// What a run tells of the notes whose text both computers changed.
PLUMDECK_SCREEN(notesKeptBeside)
{
    MessageDialog dialog(QStringLiteral("Sync"),
                         NotepadSynchronizer::keptCopiesText({QStringLiteral("Ideas (my changes)"),
                                                              QStringLiteral("Shopping (my changes)")}),
                         false);
    QVERIFY(!shoot(&dialog, QStringLiteral("notes-kept-beside")).isNull());
}

// What a run tells of a note posted again beside one that may be its
// earlier post, changed on another computer.
PLUMDECK_SCREEN(notesPostedBeside)
{
    MessageDialog dialog(QStringLiteral("Sync"),
                         NotepadSynchronizer::postedBesideText({QStringLiteral("Ideas (my changes)")}), false);
    QVERIFY(!shoot(&dialog, QStringLiteral("notes-posted-beside")).isNull());
}

// What a run tells of lists whose changes were not sent and were kept
// beside them: made read-only for the user since, and with what they last
// agreed with the server lost.
PLUMDECK_SCREEN(listsKeptBeside)
{
    MessageDialog dialog(QStringLiteral("Sync"),
                         ListOutcome::readOnlyText({QStringLiteral("Garden (my changes)")}) + QStringLiteral("\n\n")
                             + ListOutcome::unknownBaseText({QStringLiteral("Trip (my changes)"),
                                                             QStringLiteral("Groceries for the whole family (my changes)")}),
                         false);
    QVERIFY(!shoot(&dialog, QStringLiteral("lists-kept-beside")).isNull());
}

// What a run tells of what it kept against a removal: lists and tasks.
PLUMDECK_SCREEN(listsKeptAgainstRemovals)
{
    ListOutcome::KeptAgainstRemovals kept;
    kept.removedThere = QStringList{QStringLiteral("Garden")};
    kept.removedHere = QStringList{QStringLiteral("Trip"), QStringLiteral("Week 1 (now called \"Week 2\")")};
    kept.tasks = QStringList{QStringLiteral("Shopping: Milk"), QStringLiteral("Shopping: Eggs")};
    MessageDialog dialog(QStringLiteral("Sync"), ListOutcome::keptAgainstRemovalsText(kept), false);
    QVERIFY(!shoot(&dialog, QStringLiteral("lists-kept-against-removals")).isNull());
}

// What an import changed on the server, told after the run that sent it.
PLUMDECK_SCREEN(importChangedLists)
{
    ListOutcome::Restored lists;
    lists.keptAdded = QStringList{QStringLiteral("Trip")};
    lists.changedBack = QStringList{QStringLiteral("Home")};
    lists.broughtBack = QStringList{QStringLiteral("Garden")};
    lists.sharing = QStringList{ListOutcome::sharingChangeText(QStringLiteral("Trip"), QStringLiteral("carol"),
                                                               QStringLiteral("r")),
                                ListOutcome::sharingChangeText(QStringLiteral("Trip"), QStringLiteral("bob"), {})};
    MessageDialog dialog(QStringLiteral("Sync"), ListOutcome::restoredText(lists), false);
    QVERIFY(!shoot(&dialog, QStringLiteral("import-changed-lists")).isNull());
}

// What a run tells of what a forced remote run cut short left undone, as the
// server's copies changed since, and of lists whose sharing started anew.
PLUMDECK_SCREEN(forcedRunLeftUndone)
{
    MessageDialog lists(QStringLiteral("Sync"),
                        ListOutcome::forcedMovedOnText({QStringLiteral("Trip"), QStringLiteral("Home")}), false);
    QVERIFY(!shoot(&lists, QStringLiteral("forced-run-left-undone-lists")).isNull());
    MessageDialog notes(QStringLiteral("Sync"), NotepadSynchronizer::forcedMovedOnText({QStringLiteral("Ideas")}),
                        false);
    QVERIFY(!shoot(&notes, QStringLiteral("forced-run-left-undone-notes")).isNull());
    MessageDialog sharing(QStringLiteral("Sync"), ListOutcome::sharingText({QStringLiteral("Garden")}), false);
    QVERIFY(!shoot(&sharing, QStringLiteral("sharing-started-anew")).isNull());
}

// What a forced remote run that stopped leaves to the next run, and what
// that run then finished of it.
PLUMDECK_SCREEN(forcedRunStoppedThenFinished)
{
    MessageDialog left(QStringLiteral("Sync"),
                       ForcedRuns::leftUndoneText({{QStringLiteral("Trip"), QStringLiteral("Home")},
                                                   {QStringLiteral("Old plans")},
                                                   {QStringLiteral("Ideas")},
                                                   {QStringLiteral("Shopping")}}),
                       false);
    QVERIFY(!shoot(&left, QStringLiteral("forced-run-stopped")).isNull());
    MessageDialog finished(QStringLiteral("Sync"),
                           ForcedRuns::finishedText({QStringLiteral("Trip"), QStringLiteral("Home")},
                                                    {QStringLiteral("Old plans")}),
                           false);
    QVERIFY(!shoot(&finished, QStringLiteral("forced-run-finished")).isNull());
    MessageDialog notes(QStringLiteral("Sync"),
                        NotepadSynchronizer::forcedFinishedText({QStringLiteral("Ideas")}, {QStringLiteral("Shopping")}),
                        false);
    QVERIFY(!shoot(&notes, QStringLiteral("forced-run-finished-notes")).isNull());
}

// A run stopped by a save that failed after part of it went up.
PLUMDECK_SCREEN(stoppedRunSaysWhatWasSent)
{
    const SaveFailure failure(SaveFailure::Notes, QStringLiteral("/home/user/notes.xhtml"),
                              QStringLiteral("No space left on device"));
    MessageDialog dialog(QStringLiteral("Sync"),
                         failure.nothingSentText({SaveFailure::sentText(SaveFailure::SentList, QStringLiteral("Trip")),
                                                  SaveFailure::sentText(SaveFailure::SentListOrder)}),
                         false);
    QVERIFY(!shoot(&dialog, QStringLiteral("stopped-run-says-what-was-sent")).isNull());
}

// Tasks left where they were beside a move nothing told apart.
PLUMDECK_SCREEN(movesNotToldApart)
{
    ListOutcome::KeptAgainstRemovals kept;
    kept.movesUntold = QStringList{QStringLiteral("Trip: Eggs")};
    MessageDialog dialog(QStringLiteral("Sync"), ListOutcome::keptAgainstRemovalsText(kept), false);
    QVERIFY(!shoot(&dialog, QStringLiteral("moves-not-told-apart")).isNull());
}

// Tasks moved on both computers into lists made for them, kept where the
// other computer put them.
PLUMDECK_SCREEN(movedOnBothKeptThere)
{
    ListOutcome::KeptAgainstRemovals kept;
    kept.movedThere = QStringList{QStringLiteral("Week 2 (the one made on another computer): Bags"),
                                  QStringLiteral("Week 2 (the one made on another computer): Socks")};
    MessageDialog dialog(QStringLiteral("Sync"), ListOutcome::keptAgainstRemovalsText(kept), false);
    QVERIFY(!shoot(&dialog, QStringLiteral("moved-on-both-kept-there")).isNull());
}

// Tasks of an imported backup moved to another list since it was made,
// left there.
PLUMDECK_SCREEN(movedSinceTheBackup)
{
    ListOutcome::KeptAgainstRemovals kept;
    kept.movedSinceBackup = QStringList{QStringLiteral("Trip: Socks (now in \"Home\")")};
    MessageDialog dialog(QStringLiteral("Sync"), ListOutcome::keptAgainstRemovalsText(kept), false);
    QVERIFY(!shoot(&dialog, QStringLiteral("moved-since-the-backup")).isNull());
}

// The same for notes.
PLUMDECK_SCREEN(notesKeptAgainstRemovals)
{
    MessageDialog dialog(QStringLiteral("Sync"),
                         NotepadSynchronizer::keptAgainstRemovalsText({QStringLiteral("Ideas")},
                                                                      {QStringLiteral("Shopping")}),
                         false);
    QVERIFY(!shoot(&dialog, QStringLiteral("notes-kept-against-removals")).isNull());
}

PLUMDECK_SCREEN(connectionTest)
{
    // The narration of a successful test, as the user ends up seeing it.
    ServerSettings::instance()->setSettings(QString(), QString(), QString());
    ConnectionTestDialog dialog;
    PDTextEdit *log = dialog.log();
    log->clear();
    log->setCurrentCharFormat(QTextCharFormat());
    log->append(QStringLiteral("Looking for sync server..."));
    for (const char *line : {"Connection to sync server...", "Authenticating user...", "Authenticated user...",
                             "Closing connection..."}) {
        log->insertPlainText(QStringLiteral("   done"));
        log->append(QLatin1String(line));
    }
    log->insertPlainText(QStringLiteral("   done"));
    log->append(QString());
    log->append(QStringLiteral("<span style=\"color:#000000\">Connection Test Successful.</span>"));
    QVERIFY(!shoot(&dialog, QStringLiteral("connection-test")).isNull());
}

PLUMDECK_SCREEN(connectionTestIncomplete)
{
    ServerSettings::instance()->setSettings(QString(), QStringLiteral("alice"), QString());
    ConnectionTestDialog dialog;
    QVERIFY(!shoot(&dialog, QStringLiteral("connection-test-incomplete")).isNull());
}
