#include "dialogdriver.h"
#include "dialogs/backupdialog.h"
#include "lists/listsui.h"
#include "listssyncclient.h"
#include "notepad/notepadcommands.h"
#include "notepad/notepadtabwidget.h"
#include "notepad/notepadui.h"
#include "sync/runs/forcedruns.h"
#include "sync/runs/listoutcome.h"
#include "sync/runs/listssynchronizer.h"
#include "sync/runs/listssyncpage.h"
#include "sync/runs/notepadsynchronizer.h"
#include "syncfixture.h"
#include "shell/messagedialog.h"
#include "sync/runs/syncnotices.h"
#include "syncui/listssyncui.h"
#include "syncui/syncdialog.h"
#include "syncui/syncnoticeboxes.h"
#include "testenvironment.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabBar>

namespace {

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

// The lists page as the front end sees it: it records what it was asked.
class TestPage : public ListsSyncPage
{
public:
    explicit TestPage(TestSyncHost *host) : m_host(host) {}
    ListsGroups *listsGroups() const override { return m_host->listsGroups(); }
    void setListsGroups(ListsGroups *groups) override { m_host->setListsGroups(groups); }
    QWidget *dialogParent() const override { return nullptr; }
    void singleListSyncStarted(ListModel *) override {}
    void cancelSingleListSyncs() override { calls << "cancelSingleListSyncs"; }
    void setSyncing(bool syncing) override { calls << QStringLiteral("setSyncing %1").arg(syncing); }
    void commitOpenEditor() override { calls << "commitOpenEditor"; }
    void resetUIMode() override { calls << "resetUIMode"; }
    void closeHiddenDialogs() override { calls << "closeHiddenDialogs"; }
    void resetListsGroups() override
    {
        calls << "resetListsGroups";
        m_host->setListsGroups(new ListsGroups);
    }
    void showPreferences() override { calls << "showPreferences"; }

    QStringList calls;

private:
    TestSyncHost *m_host;
};

// Answers the message boxes, and presses a button of the progress dialog
// once a run has failed ("settings" or "cancel"), or Cancel as soon as the
// dialog shows ("cancel at once").
class DialogPilot : public QObject
{
public:
    explicit DialogPilot(const QString &onFailure = QStringLiteral("cancel")) : m_onFailure(onFailure)
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            // An answer waits for its box: nothing else is answered meanwhile.
            if (m_answering)
                return;
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                auto *dialog = qobject_cast<QDialog *>(widget);
                if (answer && dialog && dialog->isVisible()) {
                    m_answering = true;
                    const bool answered = answer(dialog);
                    m_answering = false;
                    if (answered)
                        return;
                }
            }
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                auto *dialog = qobject_cast<QDialog *>(widget);
                // A file dialog is the test's own to answer.
                if (!dialog || !dialog->isVisible() || dialog->inherits("QFileDialog"))
                    continue;
                if (auto *sync = qobject_cast<SyncDialog *>(dialog)) {
                    ++syncDialogs;
                    if (m_onFailure == QLatin1String("cancel at once")) {
                        QTest::mouseClick(sync->cancelButton(), Qt::LeftButton);
                    } else if (sync->settingsButton()->isVisible()) {
                        errors << sync->headingLabel()->text();
                        QTest::mouseClick(m_onFailure == QLatin1String("settings") ? sync->settingsButton()
                                                                                   : sync->cancelButton(),
                                          Qt::LeftButton);
                    }
                    return;
                }
                const auto *label = dialog->findChild<QLabel *>(QStringLiteral("textlabel"));
                boxes << dialog->windowTitle() + QStringLiteral(": ") + (label ? label->text() : QString());
                dialog->accept();
            }
        });
        m_timer.start(10);
    }
    QStringList boxes;
    QStringList errors;
    int syncDialogs = 0;
    // Answers a box itself when it returns true.
    std::function<bool(QDialog *)> answer;

private:
    QString m_onFailure;
    QTimer m_timer;
    bool m_answering = false;
};

// The lists page itself, whose settings import a backup: the lists read
// from it take the place of the page's, which are deleted, as when the user
// imports one in the preferences.
class ImportingPage : public ListsUI
{
public:
    explicit ImportingPage(const QString &backup)
        : ListsUI(nullptr, nullptr, nullptr)
        , m_backup(backup)
    {
    }
    void showPreferences() override
    {
        ++settingsShown;
        BackupDialog dialog(userLists(), listsGroups());
        QObject::connect(&dialog, &BackupDialog::listsRestored, this, &ListsUI::setUserLists);
        QObject::connect(&dialog, &BackupDialog::listsGroupsChanged, this, &ListsUI::reloadListsGroupsManager);
        const QString backup = m_backup;
        DialogDriver::whenDialog([] { return DialogDriver::visibleDialog("QFileDialog"); },
                                 [backup](QWidget *files) {
                                     auto *name = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
                                     QVERIFY(name);
                                     name->setText(backup);
                                     QTest::keyClick(name, Qt::Key_Return);
                                 },
                                 300);
        dialog.onImportFromFilePressed();
        reports << dialog.infoLabel()->text();
    }
    int settingsShown = 0;
    QStringList reports;

private:
    QString m_backup;
};

// A lists document of one task a list.
bool writeListsDocument(const QString &path, const QStringList &names, quint32 firstLocalId)
{
    UserLists lists;
    for (const QString &name : names) {
        TaskList *list = lists.createList()->taskList();
        list->setName(name);
        list->setLocalId(firstLocalId + quint32(lists.models().size()) - 1);
    }
    return lists.save(path);
}

} // namespace

class TstListsSyncUI : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void missingSettingsAreAskedFor_data();
    void missingSettingsAreAskedFor();
    void normalRunOnAnEmptyAccount();
    void failedRunKeepsAListToTypeIn();
    void aNoteIsAddedOnlyWhenNoneIsLeft_data();
    void aNoteIsAddedOnlyWhenNoneIsLeft();
    void failedRunOffersTheSettings_data();
    void failedRunOffersTheSettings();
    void forcedRunsCheckSettingsFirst_data();
    void forcedRunsCheckSettingsFirst();
    void forcedRemoteSucceeds();
    void forcedRunsNotSucceedingAreUndone_data();
    void forcedRunsNotSucceedingAreUndone();
    void forcedRemoteStoppedTellsWhatIsLeft_data();
    void forcedRemoteStoppedTellsWhatIsLeft();
    void forcedLocalSucceeds();
    void forcedLocalFailingKeepsDeletionsHidden();
    void forcedRemoteWithNoListsHereAsksFirst_data();
    void forcedRemoteWithNoListsHereAsksFirst();
    void keptListToldByTheNextRun_data();
    void keptListToldByTheNextRun();
    void keptNoteToldOnceTheRunIsOver_data();
    void keptNoteToldOnceTheRunIsOver();
    void tooDeepSharedListIsNamedAndKeptHere_data();
    void tooDeepSharedListIsNamedAndKeptHere();
    void backupImportedInTheSettings_data();
    void backupImportedInTheSettings();

private:
    void seed();

    std::unique_ptr<CheckedFakeServer> m_server;
    std::unique_ptr<SyncClient> m_client;
    std::unique_ptr<TestPage> m_page;
    NotepadNotes *m_notes = nullptr;
    TestNotepadView *m_view = nullptr;
};

void TstListsSyncUI::init()
{
    m_server = std::make_unique<CheckedFakeServer>();
    QVERIFY(m_server->start());
    m_server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), QStringLiteral("secret"));
    m_notes = new NotepadNotes;
    m_view = new TestNotepadView(m_notes);
    m_client = std::make_unique<SyncClient>();
    m_page = std::make_unique<TestPage>(&m_client->host);
}

void TstListsSyncUI::cleanup()
{
    m_page.reset();
    m_client.reset();
    dropNotepad(m_notes, m_view);
    QCOMPARE(ListsSynchronizer::running(), nullptr);
    QTRY_COMPARE(ServerHttpConnection::instance()->queuedCount(), 0);
    m_server.reset();
}

void TstListsSyncUI::seed()
{
    m_server->addList(QStringLiteral("alice"), QStringLiteral("Books"), {FakeTask::make(QStringLiteral("Dune"))});
    m_server->addList(QStringLiteral("alice"), QStringLiteral("Chores"), {FakeTask::make(QStringLiteral("Dishes"))});
    DialogPilot pilot;
    ListsSyncUI(&m_client->lists, m_page.get()).normalSync();
    QCOMPARE(m_client->lists.models().size(), m_server->visibleLists(QStringLiteral("alice")).size());
    m_page->calls.clear();
    m_server->clearRequests();
}

void TstListsSyncUI::missingSettingsAreAskedFor_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("box");
    QTest::newRow("no url") << "" << "alice" << "secret" << "Sync: You must supply a server URL before you can sync.";
    QTest::newRow("no password") << "URL" << "alice" << ""
                                 << "Sync: You must supply a user name and password before you can sync.";
    QTest::newRow("no user") << "URL" << "" << "secret"
                             << "Sync: You must supply a user name and password before you can sync.";
}

void TstListsSyncUI::missingSettingsAreAskedFor()
{
    QFETCH(QString, url);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, box);
    ServerSettings::instance()->setSettings(url == "URL" ? m_server->url() : url, user, password);
    DialogPilot pilot;
    ListsSyncUI(&m_client->lists, m_page.get()).normalSync();
    QCOMPARE(pilot.boxes, QStringList{box});
    QCOMPARE(pilot.syncDialogs, 0);
    QCOMPARE(m_page->calls, (QStringList{"cancelSingleListSyncs", "setSyncing 1", "commitOpenEditor",
                                         "showPreferences", "setSyncing 0"}));
    QVERIFY(m_server->requests().isEmpty());
}

void TstListsSyncUI::normalRunOnAnEmptyAccount()
{
    DialogPilot pilot;
    ListsSyncUI ui(&m_client->lists, m_page.get());
    ui.normalSync();
    QVERIFY(ui.succeeded());
    QVERIFY(pilot.syncDialogs > 0);
    QVERIFY(pilot.boxes.isEmpty());
    QCOMPARE(m_page->calls, (QStringList{"cancelSingleListSyncs", "setSyncing 1", "commitOpenEditor", "setSyncing 0"}));
    // At least one list, with one row.
    QCOMPARE(m_client->lists.models().size(), 1);
    QCOMPARE(m_client->lists.models().first()->rowCount(), 1);
    // And one note to type in, made after the run: the server has none.
    QCOMPARE(m_notes->notes().size(), 1);
    QVERIFY(m_notes->notes().first()->isUntouched());
    QVERIFY(m_server->notes(QStringLiteral("alice")).isEmpty());
}

void TstListsSyncUI::failedRunOffersTheSettings_data()
{
    QTest::addColumn<QString>("press");
    QTest::addColumn<bool>("preferences");
    QTest::newRow("Settings...") << "settings" << true;
    QTest::newRow("Cancel") << "cancel" << false;
}

void TstListsSyncUI::failedRunOffersTheSettings()
{
    QFETCH(QString, press);
    QFETCH(bool, preferences);
    ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), QStringLiteral("wrong"));
    DialogPilot pilot(press);
    ListsSyncUI ui(&m_client->lists, m_page.get());
    ui.normalSync();
    QVERIFY(!ui.succeeded());
    QCOMPARE(pilot.errors.size(), 1);
    QCOMPARE(m_page->calls.contains("showPreferences"), preferences);
    // The run is wound up, the page editable again, before the settings open.
    const qsizetype released = m_page->calls.lastIndexOf(QStringLiteral("setSyncing 0"));
    QVERIFY(released > m_page->calls.lastIndexOf(QStringLiteral("setSyncing 1")));
    QCOMPARE(m_page->calls.mid(released),
             preferences ? QStringList({"setSyncing 0", "showPreferences"}) : QStringList({"setSyncing 0"}));
    QVERIFY(m_client->lists.models().isEmpty()); // no list made after a failure
}

// The fresh list a first start makes is dropped by the run, not uploaded;
// when the run then fails the page still has a list, with its row.
void TstListsSyncUI::failedRunKeepsAListToTypeIn()
{
    m_client->lists.createList();
    ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), QStringLiteral("wrong"));
    DialogPilot pilot(QStringLiteral("cancel"));
    ListsSyncUI ui(&m_client->lists, m_page.get());
    ui.normalSync();
    QVERIFY(!ui.succeeded());
    QCOMPARE(pilot.errors.size(), 1);
    QCOMPARE(m_client->lists.models().size(), 1);
    QCOMPARE(m_client->lists.models().first()->rowCount(), 1);
}

void TstListsSyncUI::aNoteIsAddedOnlyWhenNoneIsLeft_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("notesAfter");
    QTest::newRow("a note written in") << int(NotepadNote::New) << 1;
    QTest::newRow("a note from the server") << int(NotepadNote::Unedited) << 1;
    // Kept only to tell the server: no tab shows it.
    QTest::newRow("a deleted note") << int(NotepadNote::Deleted) << 2;
}

void TstListsSyncUI::aNoteIsAddedOnlyWhenNoneIsLeft()
{
    QFETCH(int, status);
    QFETCH(int, notesAfter);
    auto *note = new NotepadNote;
    note->setText(QStringLiteral("Call the plumber"));
    note->setSyncStatus(NotepadNote::SyncStatus(status));
    note->setServerId(status == NotepadNote::New ? 0 : 7);
    m_notes->appendNote(note);
    // A run that fails at its first request leaves the notes to this check.
    ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), QStringLiteral("wrong"));
    DialogPilot pilot(QStringLiteral("cancel"));
    ListsSyncUI ui(&m_client->lists, m_page.get());
    ui.normalSync();
    QVERIFY(!ui.succeeded());
    QCOMPARE(m_notes->notes().size(), notesAfter);
    QCOMPARE(m_notes->notes().first(), note);
    if (notesAfter > 1)
        QVERIFY(m_notes->notes().last()->isUntouched());
}

void TstListsSyncUI::forcedRunsCheckSettingsFirst_data()
{
    QTest::addColumn<bool>("local");
    QTest::newRow("local") << true;
    QTest::newRow("remote") << false;
}

// With the URL missing nothing is prepared: the lists keep their ids, the
// notes and groups stay.
void TstListsSyncUI::forcedRunsCheckSettingsFirst()
{
    QFETCH(bool, local);
    seed();
    auto *note = new NotepadNote;
    note->setTitle(QStringLiteral("Keep"));
    m_notes->appendNote(note);
    const int notesBefore = m_notes->notes().size();
    ServerSettings::instance()->setSettings(QString(), QStringLiteral("alice"), QStringLiteral("secret"));
    DialogPilot pilot;
    ListsSyncUI ui(&m_client->lists, m_page.get());
    local ? ui.forceLocalSync() : ui.forceRemoteSync();
    QCOMPARE(pilot.boxes, QStringList{"Sync: You must supply a server URL before you can sync."});
    QCOMPARE(m_page->calls, QStringList{"showPreferences"});
    QCOMPARE(sorted(m_client->names()), (QStringList{"Books", "Chores"}));
    for (TaskList *l : m_client->lists.taskLists())
        QCOMPARE(l->syncStatus(), TaskList::Unedited);
    QCOMPARE(m_notes->notes().size(), notesBefore);
}

void TstListsSyncUI::forcedRemoteSucceeds()
{
    m_server->addNote(QStringLiteral("alice"), QStringLiteral("Plan"), QStringLiteral("text"));
    seed();
    QCOMPARE(m_notes->notes().size(), 1);
    m_server->addList(QStringLiteral("alice"), QStringLiteral("Elsewhere"), {FakeTask::make(QStringLiteral("X"))});
    DialogPilot pilot;
    ListsSyncUI ui(&m_client->lists, m_page.get());
    ui.forceRemoteSync();
    QVERIFY(ui.succeeded());
    QStringList names;
    for (const FakeList &l : m_server->visibleLists("alice"))
        names << l.name;
    QCOMPARE(sorted(names), (QStringList{"Books", "Chores"}));
    QCOMPARE(sorted(m_client->names()), (QStringList{"Books", "Chores"}));
    // The lists go up whole under their ids.
    QCOMPARE(m_server->requests("POST", "^/lists$").size(), 0);
    QCOMPARE(m_server->requests("PUT", "^/lists/\\d+$").size(), 2);
    // The notes keep their ids: one the server holds as it is here stays.
    QVERIFY(m_server->requests("POST", "^/notepad-notes$").isEmpty());
    QVERIFY(m_server->requests("PUT", "^/notepad-notes/").isEmpty());
}

void TstListsSyncUI::forcedRunsNotSucceedingAreUndone_data()
{
    QTest::addColumn<bool>("local");
    QTest::addColumn<QString>("how"); // "fail", "cancel at once", "settings"
    QTest::newRow("local, failed") << true << "fail";
    QTest::newRow("local, cancelled") << true << "cancel at once";
    QTest::newRow("local, settings requested") << true << "settings";
    QTest::newRow("remote, failed") << false << "fail";
    QTest::newRow("remote, cancelled") << false << "cancel at once";
}

void TstListsSyncUI::forcedRunsNotSucceedingAreUndone()
{
    QFETCH(bool, local);
    QFETCH(QString, how);
    seed();
    QList<quint32> ids;
    for (TaskList *l : m_client->lists.taskLists())
        ids << l->serverId();
    if (how != QLatin1String("cancel at once"))
        m_server->respondOnce("GET", "lists-info$", 500);
    else
        m_server->stall(QStringLiteral("lists-info$"), true);
    {
        DialogPilot pilot(how == QLatin1String("fail") ? QStringLiteral("cancel") : how);
        ListsSyncUI ui(&m_client->lists, m_page.get());
        local ? ui.forceLocalSync() : ui.forceRemoteSync();
        QVERIFY(!ui.succeeded());
    }
    QList<quint32> now;
    // Stopped before it looked at the server's lists, a forced remote run
    // forced nothing: the lists are as they were.
    for (TaskList *l : m_client->lists.taskLists()) {
        now << l->serverId();
        QCOMPARE(l->syncStatus(), TaskList::Unedited);
    }
    QCOMPARE(now, ids);
    QCOMPARE(m_page->calls.contains("showPreferences"), how == QLatin1String("settings"));
    // The next normal run finds both sides as they were. A run cancelled
    // before its request left never met the fault set for it.
    m_server->clearFaults();
    m_server->clearRequests();
    DialogPilot pilot;
    ListsSyncUI again(&m_client->lists, m_page.get());
    again.normalSync();
    QVERIFY2(again.succeeded(), qPrintable(pilot.errors.join(QLatin1Char('|')) + pilot.boxes.join(QLatin1Char('|'))));
    QCOMPARE(m_server->requests("POST", "^/lists$").size(), 0);
    QCOMPARE(m_server->lists().size(), 2);
    QCOMPARE(m_client->lists.models().size(), 2);
}

void TstListsSyncUI::forcedRemoteStoppedTellsWhatIsLeft_data()
{
    QTest::addColumn<QString>("failing"); // the request refused: "method path"
    QTest::addColumn<QStringList>("left"); // lists, removed lists, notes, removed notes: names joined by ','
    QTest::newRow("at a list's removal") << "DELETE ^/lists/\\d+$" << QStringList{"Books,Chores", "Elsewhere", "", ""};
    QTest::newRow("at a list's update") << "PUT ^/lists/\\d+$" << QStringList{"Books,Chores", "", "", ""};
    QTest::newRow("at a note's removal") << "DELETE ^/notepad-notes/\\d+$" << QStringList{"", "", "", "Plan"};
}

// A forced remote run failing once it looked at the server says what the next run finishes.
void TstListsSyncUI::forcedRemoteStoppedTellsWhatIsLeft()
{
    QFETCH(QString, failing);
    QFETCH(QStringList, left);
    seed();
    m_server->addList(QStringLiteral("alice"), QStringLiteral("Elsewhere"), {FakeTask::make(QStringLiteral("X"))});
    m_server->addNote(QStringLiteral("alice"), QStringLiteral("Plan"), QStringLiteral("map"));
    m_server->respondOnce(failing.section(' ', 0, 0).toLatin1(), failing.section(' ', 1), 500);
    const auto names = [&](int i) { return left.at(i).split(',', Qt::SkipEmptyParts); };
    DialogPilot pilot;
    ListsSyncUI ui(&m_client->lists, m_page.get());
    ui.forceRemoteSync();
    QVERIFY(!ui.succeeded());
    const QString told = ForcedRuns::leftUndoneText({names(0), names(1), names(2), names(3)});
    QVERIFY2(pilot.boxes.contains("Sync: " + told), qPrintable(pilot.boxes.join(QLatin1Char('|'))));
    for (const QString &name : left.join(',').split(',', Qt::SkipEmptyParts))
        QVERIFY(told.contains(QLatin1Char('\n') + name));
}

void TstListsSyncUI::forcedLocalSucceeds()
{
    seed();
    m_client->addList(QStringLiteral("Only here"), {"x"});
    auto *note = new NotepadNote;
    note->setTitle(QStringLiteral("Only here"));
    m_notes->appendNote(note);
    DialogPilot pilot;
    ListsSyncUI ui(&m_client->lists, m_page.get());
    ui.forceLocalSync();
    QVERIFY(ui.succeeded());
    QCOMPARE(sorted(m_client->names()), (QStringList{"Books", "Chores"}));
    QVERIFY(m_page->calls.contains("resetUIMode"));
    QVERIFY(m_page->calls.contains("closeHiddenDialogs"));
    QVERIFY(m_page->calls.contains("resetListsGroups"));
    QCOMPARE(m_server->lists().size(), 2);
    // The notes are the server's: it has none, so one fresh note to type in.
    QCOMPARE(m_notes->notes().size(), 1);
    QVERIFY(m_notes->notes().first()->isUntouched());
    QVERIFY(m_server->notes(QStringLiteral("alice")).isEmpty());
}

// A failed forced local run puts back what the user saw: a note or list the
// user deleted stays deleted, with no tab, and the next run deletes it on the
// server too.
void TstListsSyncUI::forcedLocalFailingKeepsDeletionsHidden()
{
    seed();
    m_server->addNote(QStringLiteral("alice"), QStringLiteral("Idea"), QStringLiteral("text"));
    m_server->addNote(QStringLiteral("alice"), QStringLiteral("Gone"), QStringLiteral("old"));
    // The notepad page itself in place of the stand-in.
    dropNotepad(m_notes, m_view);
    QFile::remove(NotepadNotes::filePath());
    auto page = std::make_unique<NotepadUI>(nullptr, nullptr);
    NotepadTabWidget *tabs = page->tabWidget();
    const auto tabTitles = [tabs] {
        QStringList titles;
        for (int i = 0; i < tabs->count(); ++i)
            titles << tabs->tabText(i);
        return titles;
    };
    {
        DialogPilot pilot;
        ListsSyncUI(&m_client->lists, m_page.get()).normalSync();
    }
    QCOMPARE(tabTitles(), (QStringList{"Idea", "Gone"}));
    tabs->resize(400, 300);
    tabs->show();
    QVERIFY(QTest::qWaitForWindowExposed(tabs));

    // The user deletes the note "Gone" and the list "Chores".
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
    QCOMPARE(page->currentNote()->title(), QStringLiteral("Gone"));
    {
        DialogPilot pilot;
        page->removeNoteAction()->trigger();
        QCOMPARE(pilot.boxes, QStringList{"Delete Note: Are you sure you want to delete the note \"Gone\"?"});
    }
    QCOMPARE(tabTitles(), QStringList{"Idea"});
    m_client->lists.deleteList(m_client->model("Chores")->taskList());
    QCOMPARE(m_client->names(), QStringList{"Books"});

    m_server->respondOnce("GET", "lists-info$", 500);
    {
        DialogPilot pilot;
        ListsSyncUI ui(&m_client->lists, m_page.get());
        ui.forceLocalSync();
        QVERIFY(!ui.succeeded());
    }
    QCOMPARE(tabTitles(), QStringList{"Idea"});
    QStringList notes;
    for (NotepadNote *note : NotepadNotes::instance()->notes())
        notes << note->title() + QLatin1Char(' ') + QString::number(note->syncStatus());
    QCOMPARE(notes, (QStringList{QStringLiteral("Idea %1").arg(NotepadNote::Unedited),
                                 QStringLiteral("Gone %1").arg(NotepadNote::Deleted)}));
    QCOMPARE(m_client->names(), QStringList{"Books"});
    QCOMPARE(m_client->lists.deletedLists().size(), 1);
    QCOMPARE(m_client->lists.deletedLists().first()->name(), QStringLiteral("Chores"));

    {
        DialogPilot pilot;
        ListsSyncUI again(&m_client->lists, m_page.get());
        again.normalSync();
        QVERIFY(again.succeeded());
    }
    QCOMPARE(tabTitles(), QStringList{"Idea"});
    QStringList onServer;
    for (const FakeNote &note : m_server->notes(QStringLiteral("alice")))
        onServer << note.title;
    QCOMPARE(onServer, QStringList{"Idea"});
    QStringList listsOnServer;
    for (const FakeList &list : m_server->visibleLists(QStringLiteral("alice")))
        listsOnServer << list.name;
    QCOMPARE(listsOnServer, QStringList{"Books"});
    page.reset();
    QFile::remove(NotepadNotes::filePath());
}

void TstListsSyncUI::forcedRemoteWithNoListsHereAsksFirst_data()
{
    QTest::addColumn<int>("key"); // 0: a click on Ok, -1: on Cancel
    QTest::addColumn<bool>("deleted");
    QTest::newRow("Return") << int(Qt::Key_Return) << false;
    QTest::newRow("Enter") << int(Qt::Key_Enter) << false;
    QTest::newRow("Space") << int(Qt::Key_Space) << false;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << false;
    QTest::newRow("Cancel clicked") << -1 << false;
    // The deliberate choice: a click on Ok.
    QTest::newRow("Ok clicked") << 0 << true;
}

// A forced remote run from a computer with no lists would delete every list
// of the user's on the server. Its question comes during the run, after the
// preferences' question was answered with Return: a key typed on the way
// refuses, and deleting them takes a click on Ok.
void TstListsSyncUI::forcedRemoteWithNoListsHereAsksFirst()
{
    QFETCH(int, key);
    QFETCH(bool, deleted);
    m_server->addList(QStringLiteral("alice"), QStringLiteral("Books"), {FakeTask::make(QStringLiteral("Dune"))});
    m_server->addList(QStringLiteral("alice"), QStringLiteral("Chores"), {FakeTask::make(QStringLiteral("Dishes"))});
    // The questions come in the program's own boxes.
    QVERIFY(dynamic_cast<SyncNoticeBoxes *>(SyncNotices::teller()));
    DialogPilot pilot;
    QString text;
    QString focused;
    bool cancelDefault = false;
    const auto press = [&](MessageDialog *question) {
        if (key <= 0) {
            QTest::mouseClick(key ? question->cancelButton() : question->okButton(), Qt::LeftButton);
            return;
        }
        QVERIFY2(QTest::qWaitForWindowActive(question), "the question is not the active window");
        QVERIFY(QTest::qWaitFor([question] {
            return QApplication::focusWidget() && QApplication::focusWidget()->window() == question;
        }));
        focused = QApplication::focusWidget()->objectName();
        cancelDefault = question->cancelButton()->isDefault() && !question->okButton()->isDefault();
        // Where the platform sends it: to the question's focused widget.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    };
    pilot.answer = [&](QDialog *dialog) {
        auto *question = qobject_cast<MessageDialog *>(dialog);
        const auto *label = dialog->findChild<QLabel *>(QStringLiteral("textlabel"));
        if (!question || !label || !label->text().startsWith(QLatin1String("There are no lists")) || !text.isEmpty())
            return false;
        text = label->text();
        press(question);
        return true;
    };
    ListsSyncUI ui(&m_client->lists, m_page.get());
    ui.forceRemoteSync();
    QCOMPARE(text, ListsSynchronizer::removingEverythingQuestion(2));
    QCOMPARE(ui.succeeded(), deleted);
    QCOMPARE(m_server->visibleLists(QStringLiteral("alice")).size(), deleted ? 0 : 2);
    QCOMPARE(m_server->requests("DELETE", "^/lists/").size(), deleted ? 2 : 0);
    if (!deleted)
        QCOMPARE(pilot.errors, QStringList{"Nothing was changed: there are no lists on this computer to upload."});
    if (key > 0) {
        QCOMPARE(focused, QStringLiteral("cancelbutton"));
        QVERIFY(cancelDefault);
    }
}

void TstListsSyncUI::keptListToldByTheNextRun_data()
{
    QTest::addColumn<int>("why");
    QTest::addColumn<QString>("text");
    const QStringList chores{QStringLiteral("Chores")};
    ListOutcome::KeptAgainstRemovals there, whole, here;
    there.removedThere = whole.removedThereWhole = here.removedHere = chores;
    QTest::newRow("a copy beside an upload in doubt") << int(ListOutcome::Kept::Copy)
                                                      << ListOutcome::keptCopiesText(chores);
    QTest::newRow("beside a list made read-only") << int(ListOutcome::Kept::ReadOnly)
                                                  << ListOutcome::readOnlyText(chores);
    QTest::newRow("beside a list whose agreed copy was lost") << int(ListOutcome::Kept::UnknownBase)
                                                              << ListOutcome::unknownBaseText(chores);
    QTest::newRow("against a removal there") << int(ListOutcome::Kept::RemovedThere)
                                             << ListOutcome::keptAgainstRemovalsText(there);
    QTest::newRow("whole against a removal there") << int(ListOutcome::Kept::RemovedThereWhole)
                                                   << ListOutcome::keptAgainstRemovalsText(whole);
    QTest::newRow("against a removal here") << int(ListOutcome::Kept::RemovedHere)
                                            << ListOutcome::keptAgainstRemovalsText(here);
    // Tasks of the list the user removed, changed elsewhere (-1), one of
    // them with a title of two lines.
    ListOutcome::KeptAgainstRemovals tasks;
    tasks.tasks << QStringLiteral("Chores: Dishes") << QStringLiteral("Chores: Windows and doors");
    QTest::newRow("tasks against their removal here") << -1 << ListOutcome::keptAgainstRemovalsText(tasks);
    // A kind an earlier version wrote (-2): still told.
    ListOutcome::KeptAgainstRemovals earlier;
    earlier.removedThere << QStringLiteral("Chores");
    QTest::newRow("a kind an earlier version wrote") << -2 << ListOutcome::keptAgainstRemovalsText(earlier);
}

// A list a run kept, as a run killed before it told the user left it in the
// lists file: the next run tells of it, once, when its window is closed.
void TstListsSyncUI::keptListToldByTheNextRun()
{
    QFETCH(int, why);
    QFETCH(QString, text);
    seed();
    ListModel *chores = m_client->model(QStringLiteral("Chores"));
    QVERIFY(chores);
    if (why == -2)
        chores->taskList()->setUntoldKept(QStringLiteral("not-told-apart"));
    else if (why < 0)
        ListOutcome::markKeptTasks(chores, {QStringLiteral("Dishes"), QStringLiteral("Windows and\ndoors")});
    else
        ListOutcome::markKept(chores, ListOutcome::Kept(why));
    // What the lists page shows on the list's tab meanwhile.
    QCOMPARE(ListOutcome::untoldText(chores), text);
    for (int run = 0; run < 2; ++run) {
        QStringList told;
        bool toldDuringTheRun = false;
        DialogPilot pilot;
        pilot.answer = [&](QDialog *dialog) {
            const auto *label = dialog->findChild<QLabel *>(QStringLiteral("textlabel"));
            if (!label || qobject_cast<SyncDialog *>(dialog))
                return false;
            told << label->text();
            for (QWidget *widget : QApplication::topLevelWidgets())
                toldDuringTheRun = toldDuringTheRun || (qobject_cast<SyncDialog *>(widget) && widget->isVisible());
            dialog->accept();
            return true;
        };
        ListsSyncUI ui(&m_client->lists, m_page.get());
        ui.normalSync();
        QVERIFY(ui.succeeded());
        QCOMPARE(told, run == 0 ? QStringList{text} : QStringList());
        QVERIFY(!toldDuringTheRun);
        QVERIFY(chores->taskList()->untoldKept().isEmpty());
        QVERIFY(chores->taskList()->untoldKeptTasks().isEmpty());
        QCOMPARE(ListOutcome::untoldText(chores), QString());
    }
}

void TstListsSyncUI::keptNoteToldOnceTheRunIsOver_data()
{
    // What the run keeps: the user's version beside the server's text, or
    // the note against a removal made on one computer while the other
    // changed it.
    QTest::addColumn<QString>("kept");
    QTest::addColumn<QString>("how"); // what becomes of the run that keeps it
    QTest::newRow("succeeded") << "copy" << "succeeded";
    QTest::newRow("failed on the notes' order") << "copy" << "failed";
    QTest::newRow("cancelled as the copy's post is out") << "copy" << "cancelled";
    // The copy an earlier run kept, which was killed before telling of it,
    // is told of by the next run, a forced one too.
    QTest::newRow("left untold by a killed run, then a forced remote run") << "copy" << "forced remote";
    QTest::newRow("left untold by a killed run, then a forced local run") << "copy" << "forced local";
    QTest::newRow("removed there, changed here: succeeded") << "removed there" << "succeeded";
    QTest::newRow("removed there, changed here: failed on the notes' order") << "removed there" << "failed";
    QTest::newRow("removed there, changed here: cancelled as its post is out") << "removed there" << "cancelled";
    QTest::newRow("removed here, changed there: succeeded") << "removed here" << "succeeded";
    QTest::newRow("removed here, changed there: failed on the notes' order") << "removed here" << "failed";
}

// A note changed here and on another computer keeps the user's version
// beside the server's as "(my changes)"; one removed on one computer and
// changed on the other is kept. The message saying so waits for the run to
// be over, its window closed, however it ended (a Cancel included): the run
// itself goes on unasked. It is said once.
void TstListsSyncUI::keptNoteToldOnceTheRunIsOver()
{
    QFETCH(QString, kept);
    QFETCH(QString, how);
    if (how.startsWith(QLatin1String("forced"))) {
        seed();
        auto *kept = new NotepadNote;
        kept->setTitle(QStringLiteral("Ideas (my changes)"));
        kept->setText(QStringLiteral("kite and tail"));
        kept->setUntoldKeptCopy(true);
        m_notes->addNote(kept);
        QStringList told;
        DialogPilot pilot;
        pilot.answer = [&told](QDialog *dialog) {
            const auto *label = dialog->findChild<QLabel *>(QStringLiteral("textlabel"));
            if (!label || !label->text().startsWith(NotepadSynchronizer::keptCopiesText({})))
                return false;
            told << label->text();
            dialog->accept();
            return true;
        };
        ListsSyncUI ui(&m_client->lists, m_page.get());
        how == QLatin1String("forced remote") ? ui.forceRemoteSync() : ui.forceLocalSync();
        QVERIFY(ui.succeeded());
        // A forced local run takes the server's notes in place of this one's.
        QCOMPARE(told, how == QLatin1String("forced remote")
                           ? QStringList{NotepadSynchronizer::keptCopiesText({QStringLiteral("Ideas (my changes)")})}
                           : QStringList());
        for (const NotepadNote *n : m_notes->notes())
            QVERIFY(!n->isUntoldKeptCopy());
        return;
    }
    const quint32 id = m_server->addNote(QStringLiteral("alice"), QStringLiteral("Ideas"), QStringLiteral("kite"));
    {
        DialogPilot pilot;
        ListsSyncUI(&m_client->lists, m_page.get()).normalSync();
    }
    NotepadNote *note = nullptr;
    for (NotepadNote *n : m_notes->notes()) {
        if (n->title() == QLatin1String("Ideas"))
            note = n;
    }
    QVERIFY(note);
    if (kept == QLatin1String("removed here")) {
        // As the notepad page removes a note the server has.
        note->setSyncStatus(NotepadNote::Deleted);
        m_notes->setChanged(true);
    } else {
        QVERIFY(note->editText(QStringLiteral("kite and tail")));
    }
    if (kept == QLatin1String("removed there")) {
        m_server->removeNote(id);
    } else {
        FakeNote theirs = m_server->note(id);
        theirs.text = QStringLiteral("kite and string");
        ++theirs.revision;
        m_server->putNote(theirs);
    }
    const QString expected = kept == QLatin1String("copy")
        ? NotepadSynchronizer::keptCopiesText({QStringLiteral("Ideas (my changes)")})
        : kept == QLatin1String("removed there")
        ? NotepadSynchronizer::keptAgainstRemovalsText({QStringLiteral("Ideas")}, {})
        : NotepadSynchronizer::keptAgainstRemovalsText({}, {QStringLiteral("Ideas")});
    const QString heading = expected.left(expected.lastIndexOf(QLatin1Char('\n')) + 1);
    // The order is read, then sent when new notes joined it.
    if (how == QLatin1String("failed"))
        m_server->respondOnce(kept == QLatin1String("removed here") ? "GET" : "PUT",
                              QStringLiteral("notepad-notes-display-order$"), 500);
    bool posted = false;
    QMetaObject::Connection watch;
    if (how == QLatin1String("cancelled")) {
        m_server->stall(QStringLiteral("^/notepad-notes$"), true);
        watch = connect(m_server.get(), &FakeServer::requestReceived, this, [&posted](const FakeRequest &request) {
            posted = posted || (request.method == "POST" && request.path == QLatin1String("/notepad-notes"));
        });
    }

    DialogPilot pilot;
    QStringList told;
    bool toldDuringTheRun = false;
    pilot.answer = [&](QDialog *dialog) {
        if (auto *sync = qobject_cast<SyncDialog *>(dialog)) {
            if (!posted)
                return false;
            QTest::mouseClick(sync->cancelButton(), Qt::LeftButton);
            return true;
        }
        const auto *label = dialog->findChild<QLabel *>(QStringLiteral("textlabel"));
        if (!label || !label->text().startsWith(heading))
            return false;
        told << label->text();
        for (QWidget *widget : QApplication::topLevelWidgets())
            toldDuringTheRun = toldDuringTheRun || (qobject_cast<SyncDialog *>(widget) && widget->isVisible());
        dialog->accept();
        return true;
    };
    ListsSyncUI ui(&m_client->lists, m_page.get());
    ui.normalSync();
    QCOMPARE(ui.succeeded(), how == QLatin1String("succeeded"));
    QCOMPARE(posted, how == QLatin1String("cancelled"));
    QVERIFY(!toldDuringTheRun);
    QCOMPARE(told, QStringList{expected});
    for (const NotepadNote *n : m_notes->notes())
        QVERIFY(!n->isUntoldKeptCopy() && n->untoldKept().isEmpty());
    QCOMPARE(m_notes->notes().size(), kept == QLatin1String("copy") ? 2 : 1);

    // The next run tells nothing more; the copy reaches the server.
    m_server->clearFaults();
    told.clear();
    disconnect(watch);
    posted = false;
    ListsSyncUI again(&m_client->lists, m_page.get());
    again.normalSync();
    QVERIFY2(again.succeeded(), qPrintable(pilot.errors.join(QLatin1Char('|'))));
    QCOMPARE(told, QStringList());
    QStringList onServer;
    for (const FakeNote &n : m_server->notes(QStringLiteral("alice")))
        onServer << n.title + QStringLiteral(": ") + n.text;
    onServer.sort();
    QCOMPARE(onServer, kept == QLatin1String("copy")            ? QStringList({"Ideas (my changes): kite and tail",
                                                                               "Ideas: kite and string"})
                       : kept == QLatin1String("removed there") ? QStringList({"Ideas: kite and tail"})
                                                                : QStringList({"Ideas: kite and string"}));
}

void TstListsSyncUI::tooDeepSharedListIsNamedAndKeptHere_data()
{
    QTest::addColumn<QString>("kind"); // "normal", "forced local" or "forced remote"
    QTest::newRow("normal") << "normal";
    QTest::newRow("forced local") << "forced local";
    QTest::newRow("forced remote") << "forced remote";
}

// A list shared with the user that has grown too deep to read: the progress
// dialog names it, and whatever the run, the copy here stays as it was and
// the next run brings everything else level, with no list twice.
void TstListsSyncUI::tooDeepSharedListIsNamedAndKeptHere()
{
    QFETCH(QString, kind);
    m_server->addUser(QStringLiteral("bob"), QStringLiteral("hunter2"));
    const quint32 deep = m_server->addList(QStringLiteral("bob"), QStringLiteral("Deep"), {FakeTask::nested(2)});
    m_server->share(deep, QStringLiteral("alice"), QStringLiteral("rw"));
    seed();
    QCOMPARE(SyncClient::depth(m_client->model("Deep")), 2);
    FakeList list = m_server->list(deep);
    list.tasks[0].children[0].children = {FakeTask::nested(298)};
    ++list.revision;
    m_server->putList(list);
    m_client->addList(QStringLiteral("Fresh"), {"Milk"});
    {
        DialogPilot pilot;
        ListsSyncUI ui(&m_client->lists, m_page.get());
        if (kind == QLatin1String("normal"))
            ui.normalSync();
        else if (kind == QLatin1String("forced local"))
            ui.forceLocalSync();
        else
            ui.forceRemoteSync();
        QVERIFY(!ui.succeeded());
        QCOMPARE(pilot.errors.size(), 1);
        QVERIFY2(pilot.errors.first().startsWith(
                     QStringLiteral("The list \"Deep\" could not be read from the server and was left as it is: ")),
                 qPrintable(pilot.errors.first()));
    }
    ListModel *held = m_client->model("Deep");
    QVERIFY(held);
    QCOMPARE(SyncClient::depth(held), 2);
    QCOMPARE(held->taskList()->serverId(), deep);

    m_server->clearRequests();
    DialogPilot pilot;
    ListsSyncUI again(&m_client->lists, m_page.get());
    again.normalSync();
    QVERIFY(!again.succeeded());
    QCOMPARE(pilot.errors.size(), 1);
    QVERIFY2(pilot.errors.first().startsWith(QStringLiteral("The list \"Deep\"")), qPrintable(pilot.errors.first()));
    QCOMPARE(sorted(m_client->names()), (QStringList{"Books", "Chores", "Deep", "Fresh"}));
    QStringList onServer;
    for (const FakeList &l : m_server->visibleLists(QStringLiteral("alice")))
        onServer << l.name;
    QCOMPARE(sorted(onServer), (QStringList{"Books", "Chores", "Deep", "Fresh"}));
    for (ListModel *m : m_client->lists.models()) {
        if (m != held)
            QCOMPARE(SyncClient::titles(m), serverTitles(*m_server, m->taskList()->serverId()));
    }
    QCOMPARE(SyncClient::depth(held), 2);
}

void TstListsSyncUI::backupImportedInTheSettings_data()
{
    QTest::addColumn<QString>("run"); // "normal", "forced local", "forced remote"
    QTest::addColumn<QString>("settings"); // why they open: "no url", "no password", "Settings..."
    QTest::newRow("F5 with no server set") << "normal" << "no url";
    QTest::newRow("F5 with no password") << "normal" << "no password";
    QTest::newRow("Settings... after a failed run") << "normal" << "Settings...";
    QTest::newRow("forced local, no server set") << "forced local" << "no url";
    QTest::newRow("forced local, Settings... after a failed run") << "forced local" << "Settings...";
    QTest::newRow("forced remote, Settings... after a failed run") << "forced remote" << "Settings...";
}

// The settings a run opens may import a backup, which deletes the page's
// lists and puts the backup's in their place: the front end then works on
// what the page holds now, and puts nothing of before back over it.
void TstListsSyncUI::backupImportedInTheSettings()
{
    QFETCH(QString, run);
    QFETCH(QString, settings);
    QTemporaryDir dir;
    const QString backup = dir.filePath(QStringLiteral("backup.xhtml"));
    QVERIFY(writeListsDocument(backup, {QStringLiteral("Plums"), QStringLiteral("Pears")}, 20));
    QVERIFY(writeListsDocument(ListsUI::listsFilePath(), {QStringLiteral("Books"), QStringLiteral("Chores")}, 10));
    auto page = std::make_unique<ImportingPage>(backup);
    QCOMPARE(page->userLists()->models().size(), 2);
    QPointer<UserLists> before = page->userLists();

    if (settings == QLatin1String("no url"))
        ServerSettings::instance()->setSettings(QString(), QStringLiteral("alice"), QStringLiteral("secret"));
    else if (settings == QLatin1String("no password"))
        ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), QString());
    else
        m_server->respondOnce("GET", "lists-info$", 500);
    {
        DialogPilot pilot(QStringLiteral("settings"));
        ListsSyncUI front(page->userLists(), page.get());
        if (run == QLatin1String("normal"))
            front.normalSync();
        else if (run == QLatin1String("forced local"))
            front.forceLocalSync();
        else
            front.forceRemoteSync();
        QVERIFY(!front.succeeded());
        QCOMPARE(pilot.errors.size(), settings == QLatin1String("Settings...") ? 1 : 0);
    }
    // The lists it replaced were kept beside the lists file (and the
    // backup's, never synchronised, are told to be new).
    QCOMPARE(page->reports.size(), 1);
    QVERIFY2(QRegularExpression(QStringLiteral("^Backup completed\\. Your lists as they were before are kept in "
                                               "\".*/lists-before-import-\\d{8}-\\d{6}(-\\d+)?\\.xhtml\"\\.$"))
                 .match(page->reports.first().section(QStringLiteral("\n\n"), 0, 0))
                 .hasMatch(),
             qPrintable(page->reports.first()));
    QVERIFY(!before);
    // The page holds the backup's lists, the list groups name them and no
    // other, and the page is editable again.
    QStringList names;
    QList<quint32> ids;
    for (TaskList *list : page->userLists()->taskLists()) {
        names << list->name();
        ids << list->localId();
    }
    QCOMPARE(names, (QStringList{"Plums", "Pears"}));
    QList<quint32> grouped;
    const std::function<void(const ListsGroupsElementGroup *)> collect = [&](const ListsGroupsElementGroup *group) {
        for (const ListsGroupsElementList *entry : group->lists())
            grouped << entry->localId();
        for (const ListsGroupsElementGroup *child : group->groups())
            collect(child);
    };
    collect(page->listsGroups()->rootGroup());
    std::sort(ids.begin(), ids.end());
    std::sort(grouped.begin(), grouped.end());
    QCOMPARE(grouped, ids);
    QVERIFY(!page->isSyncing());
    QCOMPARE(page->settingsShown, 1);
    page.reset();
    QFile::remove(ListsUI::listsFilePath());
    QFile::remove(ListsUI::listsGroupsFilePath());
}

PLUMDECK_TEST_MAIN(TstListsSyncUI)
#include "tst_listssyncui.moc"
