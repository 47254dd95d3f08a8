// The lists page over a temporary data folder: its documents (load, the save
// tick, reload, unreadable and unwritable files), local ids, look-ups, tab
// icons, menus, panels and layout modes, its keys in text fields, and what
// assistive tools find of it.

#include "accessibletree.h"
#include "contacts/chats.h"
#include "contacts/chatui.h"
#include "contacts/friends.h"
#include "contacts/friendsreaderwriter.h"
#include "contacts/user.h"
#include "core/options.h"
#include "core/uisettings.h"
#include "dialogdriver.h"
#include "dialogs/backupdialog.h"
#include "interruptedsave.h"
#include "dialogs/listgroupsmanagerdialog.h"
#include "dialogs/listsgroupsmanagercontainer.h"
#include "dialogs/listsgroupsmanagerelement.h"
#include "dialogs/listsgroupsmanagerframeelement.h"
#include "dialogs/taskattachmentsdialog.h"
#include "lists/commands/structurecommands.h"
#include "lists/commands/taskcommands.h"
#include "lists/listsui.h"
#include "lists/syncingscreen.h"
#include "lists/tabwidget.h"
#include "lists/tasklistsearchwidget.h"
#include "lists/textfieldkeyfilter.h"
#include "lists/treeview.h"
#include "model/listmodel.h"
#include "model/listsgroups.h"
#include "model/modelscontainer.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "notepad/notepadui.h"
#include "shell/mainwindow.h"
#include "shell/menu.h"
#include "shell/pdlineedit.h"
#include "shell/splashscreen.h"
#include "testenvironment.h"
#include "treetest.h"
#include "../shell/testpages.h"

#include <QAccessible>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QScopeGuard>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSignalSpy>
#include <QProgressBar>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

// A window whose lists page is the real one, and no other page.
MainWindow::PageBuilders listsPageOnly()
{
    MainWindow::PageBuilders builders;
    builders.lists = [](ModelsContainer *models, MainWindowMode *, SplashScreen *splash, MainWindow *) {
        return static_cast<MainWindowMode *>(new ListsUI(models, nullptr, splash));
    };
    return builders;
}

struct Notices
{
    QStringList texts;
    Notices()
    {
        ListsUI::setNoticeHandler([this](const QString &, const QString &text) { texts << text; });
    }
    ~Notices() { ListsUI::setNoticeHandler({}); }
};

// Each with a creation second of its own, as the program makes tasks.
Task *addTask(TaskList *list, const QString &title)
{
    static qint64 second = 1700000000;
    auto *task = new Task;
    task->setTitle(title);
    task->setCreationTime(QDateTime::fromSecsSinceEpoch(++second, Qt::UTC));
    list->rootTask()->insertChild(task, list->rootTask()->childCount());
    return task;
}

// Writes a lists document with the named lists, each holding tasks "<name> 1"
// and "<name> 2".
void writeLists(const QStringList &names)
{
    UserLists lists;
    for (const QString &name : names) {
        ListModel *model = lists.createList();
        model->taskList()->setName(name);
        model->taskList()->setLocalId(quint32(lists.models().size()));
        addTask(model->taskList(), name + QStringLiteral(" 1"));
        addTask(model->taskList(), name + QStringLiteral(" 2"));
    }
    QVERIFY(lists.save(ListsUI::listsFilePath()));
}

QStringList tabTexts(ListsUI &ui)
{
    QStringList texts;
    for (int i = 0; i < ui.tabWidget()->count(); ++i)
        texts << ui.tabWidget()->tabText(i);
    return texts;
}

QStringList listNames(UserLists *lists)
{
    QStringList names;
    for (ListModel *model : lists->models())
        names << model->name();
    return names;
}

QImage iconImage(const QIcon &icon)
{
    return icon.isNull() ? QImage() : icon.pixmap(16, 16).toImage();
}

QStringList entryTexts(QMenu *menu)
{
    QStringList texts;
    for (QAction *action : menu->actions())
        texts << action->text();
    return texts;
}

QAction *entry(QMenu *menu, const QString &text)
{
    for (QAction *action : menu->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

// The task belongs to the list as it is now (or is none).
bool isLive(ListModel *list, Task *task)
{
    return !task || task == list->taskList()->rootTask() || list->taskList()->allTasks().contains(task);
}

// A window with the real lists, notepad and Team pages over the lists
// document written before: shown and active, every panel of the lists page
// docked and the task search shown; then list A renamed in the list manager.
struct PagesWindow
{
    ModelsContainer models;
    std::unique_ptr<MainWindow> window;
    ListsUI *ui = nullptr;
    ListsGroupsManagerFrameElement *renamedRow = nullptr;
    QLineEdit *renameField = nullptr;

    PagesWindow()
    {
        models.setFriends(new Friends(&models));
        models.setChats(new Chats(&models));
        MainWindow::PageBuilders builders = listsPageOnly();
        builders.team = [](ModelsContainer *container, MainWindow *window) -> MainWindowMode * {
            return ChatUI::createInstance(container, window);
        };
        builders.notepad = [](MainWindowMode *lists, MainWindow *) -> MainWindowMode * {
            return new NotepadUI(lists, nullptr);
        };
        MainWindow::setPageBuilders(builders);
        window = std::make_unique<MainWindow>(&models, nullptr);
        MainWindow::setPageBuilders({});
        ui = dynamic_cast<ListsUI *>(window->listsMode());
    }

    // False when a step failed (the test has said why).
    bool show()
    {
        [this] {
            QVERIFY(ui && window->notepadMode() && window->teamMode());
            window->show();
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window.get()));
            ui->userChangeUIMode(2);
            QCoreApplication::processEvents();
            ui->currentTreeView()->showSearchBar();
        }();
        return !QTest::currentTestFailed();
    }

    bool startRename()
    {
        [this] {
            for (auto *frame : window->findChildren<ListsGroupsManagerFrameElement *>()) {
                if (frame->name() == QLatin1String("A"))
                    renamedRow = frame;
            }
            QVERIFY(renamedRow);
            renamedRow->startRename();
            renameField = renamedRow->findChild<QLineEdit *>();
            QVERIFY(renameField && renameField->isVisible());
        }();
        return !QTest::currentTestFailed();
    }

    // The text fields shown that a user may type in, but a task's title
    // editor.
    QList<QWidget *> visibleFields() const
    {
        QList<QWidget *> fields;
        for (QWidget *widget : window->findChildren<QWidget *>()) {
            if (widget->isVisible() && widget->isEnabled() && widget->focusPolicy() != Qt::NoFocus
                && TextFieldKeyFilter::isTextField(widget) && !TextFieldKeyFilter::isTaskTitleEditor(widget))
                fields << widget;
        }
        return fields;
    }

    // Puts the cursor in the field, as a click would; the list manager's
    // rename field, which ends its rename on losing the focus, anew.
    void focus(QWidget *field)
    {
        if (field == renameField)
            renamedRow->startRename();
        else
            field->setFocus();
    }

    static QByteArray describe(QWidget *field)
    {
        return QByteArray(field->metaObject()->className()) + ' ' + field->objectName().toUtf8() + " in "
            + field->parentWidget()->metaObject()->className();
    }
};

// Each window asking something modally: its title and text, answered yes.
struct ModalsAnswered
{
    QStringList asked;
    QTimer timer;
    ModalsAnswered()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            const auto *label = dialog->findChild<QLabel *>(QStringLiteral("textlabel"));
            asked << QStringLiteral("asked ") + dialog->windowTitle() + (label ? QStringLiteral(": ") + label->text() : QString());
            dialog->accept();
        });
        timer.start(10);
    }
};

} // namespace

class TstListsUI : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QDir dir = QFileInfo(ListsUI::listsFilePath()).absoluteDir();
        for (const QString &name : dir.entryList(QDir::Files))
            dir.remove(name);
        QSettings().clear();
        Options::resetAll();
    }

    void loadsEditsSavesAndReloads()
    {
        writeLists({QStringLiteral("Home"), QStringLiteral("Work")});
        {
            ListsUI ui(nullptr, nullptr, nullptr);
            QCOMPARE(tabTexts(ui), QStringList({QStringLiteral("Home"), QStringLiteral("Work")}));
            QCOMPARE(ui.currentList()->name(), QStringLiteral("Home"));
            const QDateTime written = QFileInfo(ListsUI::listsFilePath()).lastModified();

            // Nothing changed: the tick writes nothing.
            ui.onSaveTimeout();
            QCOMPARE(QFileInfo(ListsUI::listsFilePath()).lastModified(), written);
            QVERIFY(!QFileInfo::exists(ListsUI::listsGroupsFilePath()) || ui.listsGroups()->isModified() == false);

            ui.setCurrentList(ui.listForTabIndex(1));
            TreeView *view = ui.currentTreeView();
            view->setCurrentIndex(ui.currentList()->index(0, 0));
            auto *add = ui.findChild<AddTaskAction *>();
            QVERIFY(add);
            add->trigger();
            ui.currentList()->setTaskTitle(ui.currentTask(), QStringLiteral("Added through the page"));
            QVERIFY(ui.userLists()->isModified());
            ui.onSaveTimeout();
            QVERIFY(!ui.userLists()->isModified());
            QVERIFY(QFileInfo::exists(ListsUI::listsGroupsFilePath()));
            // A successful write reports success.
            ui.listsGroups()->setModified();
            QVERIFY(ui.saveListsGroups());
            QVERIFY(!ui.listsGroups()->isModified());
            // Nothing left to write: both report success.
            QVERIFY(ui.saveLists());
            QVERIFY(ui.saveListsGroups());
        }
        QString error;
        std::unique_ptr<UserLists> reloaded(UserLists::load(ListsUI::listsFilePath(), &error));
        QVERIFY2(reloaded, qPrintable(error));
        QCOMPARE(listNames(reloaded.get()), QStringList({QStringLiteral("Home"), QStringLiteral("Work")}));
        QStringList titles;
        for (Task *task : reloaded->models().at(1)->taskList()->rootTask()->children())
            titles << task->title();
        QCOMPARE(titles, QStringList({QStringLiteral("Work 1"), QStringLiteral("Added through the page"),
                                      QStringLiteral("Work 2")}));

        // A second page over the same folder shows what the first one saved.
        ListsUI again(nullptr, nullptr, nullptr);
        QCOMPARE(tabTexts(again), QStringList({QStringLiteral("Home"), QStringLiteral("Work")}));
        QCOMPARE(again.listForTabIndex(1)->rowCount(), 3);
        QCOMPARE(again.listsGroups()->containsList(again.listForTabIndex(1)->taskList()), true);
    }

    void unreadableListsAreKeptAsideAndToldOnce()
    {
        QFile file(ListsUI::listsFilePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<html><body><div class=\"pd-list\"><<<not a document");
        file.close();
        Notices notices;
        ListsUI ui(nullptr, nullptr, nullptr);
        // A fresh set with one empty list.
        QCOMPARE(ui.tabWidget()->count(), 1);
        QCOMPARE(notices.texts.size(), 1);
        const QStringList kept =
            QFileInfo(ListsUI::listsFilePath()).absoluteDir().entryList({QStringLiteral("lists.xhtml.unreadable-*")});
        QCOMPARE(kept.size(), 1);
        QVERIFY2(notices.texts.first().contains(kept.first()), qPrintable(notices.texts.first()));

        // Saving the fresh lists does not touch the kept file, and says nothing.
        ui.currentList()->setTaskTitle(ui.currentList()->taskForIndex(ui.currentList()->index(0, 0)),
                                       QStringLiteral("new"));
        ui.onSaveTimeout();
        QCOMPARE(notices.texts.size(), 1);
        QVERIFY(QFileInfo::exists(QFileInfo(ListsUI::listsFilePath()).absoluteDir().filePath(kept.first())));
    }

    // One list the reader refuses: the others show, the user is told which
    // one was left out and where the file was kept; the next save writes
    // the others and the next start says nothing.
    void unreadListIsLeftOutAndTold_data()
    {
        QTest::addColumn<QByteArray>("records");
        QTest::addColumn<QString>("told");
        const QByteArray record("<div class=\"pd-list\"><dl class=\"pd-list-fields\">%1</dl></div>");
        QTest::newRow("removed list with an id and revision 0")
            << QByteArray(record).replace("%1", "<dt>sync-status</dt><dd>deleted</dd><dt>id</dt><dd>7</dd>"
                                                "<dt>revision</dt><dd>0</dd><dt>name</dt><dd>Gone</dd>")
            << "One of your lists could not be read and was left out: \"Gone\". Your other lists were loaded.";
        QTest::newRow("unnamed, known by its id")
            << QByteArray(record).replace("%1", "<dt>sync-status</dt><dd>edited</dd><dt>id</dt><dd>9</dd><dt>revision</dt><dd>x</dd>")
            << "left out: the list with server id 9.";
        QTest::newRow("unnamed, known by its place") << QByteArray(record).replace("%1", "<dt>sync-status</dt><dd>bad</dd>")
                                                     << "left out: list 2 in the file.";
        QTest::newRow("two") << QByteArray(record).replace("%1", "<dt>sync-status</dt><dd>bad</dd><dt>name</dt><dd>X</dd>")
                                    + QByteArray(record).replace("%1", "<dt>sync-status</dt><dd>new</dd><dt>owned</dt><dd>no</dd>")
                             << "2 of your lists could not be read and were left out: \"X\", list 3 in the file.";
        QByteArray twelve;
        for (int i = 1; i <= 12; ++i)
            twelve += QByteArray(record).replace("%1", "<dt>sync-status</dt><dd>bad</dd><dt>name</dt><dd>L" + QByteArray::number(i) + "</dd>");
        QTest::newRow("twelve") << twelve
                                << "12 of your lists could not be read and were left out: \"L1\", \"L2\", \"L3\", \"L4\", "
                                   "\"L5\", \"L6\", \"L7\", \"L8\", \"L9\", \"L10\", and 2 more.";
    }
    void unreadListIsLeftOutAndTold()
    {
        QFETCH(QByteArray, records);
        QFETCH(QString, told);
        writeLists({QStringLiteral("Home"), QStringLiteral("Work")});
        QFile file(ListsUI::listsFilePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray bytes = file.readAll();
        file.close();
        const QByteArray list("<div class=\"pd-list\">");
        bytes.insert(bytes.indexOf(list, bytes.indexOf(list) + 1), records);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        const QDir dir = QFileInfo(ListsUI::listsFilePath()).absoluteDir();
        const QStringList pattern{QStringLiteral("lists.xhtml.unreadable-*")};
        {
            Notices notices;
            ListsUI ui(nullptr, nullptr, nullptr);
            QCOMPARE(tabTexts(ui), QStringList({QStringLiteral("Home"), QStringLiteral("Work")}));
            QCOMPARE(ui.listForTabIndex(1)->rowCount(), 2);
            QCOMPARE(notices.texts.size(), 1);
            QVERIFY2(notices.texts.first().contains(told), qPrintable(notices.texts.first()));
            const QStringList kept = dir.entryList(pattern);
            QCOMPARE(kept.size(), 1);
            QVERIFY2(notices.texts.first().endsWith(QStringLiteral("The lists file as it was is kept as \"%1\".")
                                                        .arg(QDir::toNativeSeparators(dir.filePath(kept.first())))),
                     qPrintable(notices.texts.first()));
            QFile keptFile(dir.filePath(kept.first()));
            QVERIFY(keptFile.open(QIODevice::ReadOnly));
            QCOMPARE(keptFile.readAll(), bytes);

            // The next tick writes the others without what was left out.
            QVERIFY(ui.userLists()->isModified());
            ui.onSaveTimeout();
            QVERIFY(!ui.userLists()->isModified());
            QCOMPARE(notices.texts.size(), 1);
        }
        Notices notices;
        ListsUI again(nullptr, nullptr, nullptr);
        QCOMPARE(tabTexts(again), QStringList({QStringLiteral("Home"), QStringLiteral("Work")}));
        QCOMPARE(notices.texts, QStringList());
        QCOMPARE(dir.entryList(pattern).size(), 1);
    }

    void unreadableGroupsAreKeptAsideAndToldOnce()
    {
        writeLists({QStringLiteral("A")});
        QFile file(ListsUI::listsGroupsFilePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("garbage");
        file.close();
        Notices notices;
        ListsUI ui(nullptr, nullptr, nullptr);
        QCOMPARE(notices.texts.size(), 1);
        QVERIFY(notices.texts.first().contains(QStringLiteral("listsGroups.xhtml.unreadable-")));
        // Every list lands in the default group.
        QVERIFY(ui.listsGroups()->containsList(ui.listForTabIndex(0)->taskList()));
    }

    void failingSaveIsRetriedAndToldOnce()
    {
        writeLists({QStringLiteral("A")});
        Notices notices;
        ListsUI ui(nullptr, nullptr, nullptr);
        // A folder where the document should be: every write fails.
        QVERIFY(QFile::remove(ListsUI::listsFilePath()));
        QVERIFY(QDir().mkdir(ListsUI::listsFilePath()));
        ui.currentList()->setName(QStringLiteral("Renamed"));
        QVERIFY(ui.userLists()->isModified());
        QVERIFY(!ui.saveLists());
        ui.onSaveTimeout();
        ui.onSaveTimeout();
        QCOMPARE(notices.texts.size(), 1);
        QVERIFY(notices.texts.first().contains(QStringLiteral("lists.xhtml")));
        // The change is still marked, so the next tick after the fault writes it.
        QVERIFY(ui.userLists()->isModified());
        QVERIFY(QDir().rmdir(ListsUI::listsFilePath()));
        ui.onSaveTimeout();
        QVERIFY(!ui.userLists()->isModified());
        std::unique_ptr<UserLists> reloaded(UserLists::load(ListsUI::listsFilePath()));
        QVERIFY(reloaded);
        QCOMPARE(listNames(reloaded.get()), QStringList({QStringLiteral("Renamed")}));
        QCOMPARE(notices.texts.size(), 1);
    }

    // Only the temporaries of saves cut short in an earlier run go; the
    // user's own files beside the documents stay.
    void saveLeftoversAreRemovedAtStart()
    {
        writeLists({QStringLiteral("A")});
        const QDir dir = QFileInfo(ListsUI::listsFilePath()).absoluteDir();
        const QStringList leftovers = {QStringLiteral("lists.xhtml.plumdeck-save-ab3de9xy12cd"),
                                       QStringLiteral("listsGroups.xhtml.plumdeck-save-zz00qq34ef56")};
        const QStringList kept = {QStringLiteral("lists.xhtml.unreadable-20260101000000"),
                                  QStringLiteral("lists.xhtml.bak"), QStringLiteral("notes.xhtml.Ab3dE9"),
                                  QStringLiteral("lists.xhtml.backup"), QStringLiteral("lists.xhtml.abc123"),
                                  QStringLiteral("listsGroups.xhtml.before")};
        for (const QString &name : leftovers + kept)
            QVERIFY(InterruptedSave::plantFile(dir.filePath(name), "", InterruptedSave::beforeTheStart()));
        QVERIFY(InterruptedSave::plantNote(ListsUI::listsFilePath(), leftovers.at(0)));
        QVERIFY(InterruptedSave::plantNote(ListsUI::listsGroupsFilePath(), leftovers.at(1)));
        ListsUI ui(nullptr, nullptr, nullptr);
        for (const QString &name : leftovers)
            QVERIFY2(!dir.exists(name), qPrintable(name));
        for (const QString &name : kept)
            QVERIFY2(dir.exists(name), qPrintable(name));
        QCOMPARE(ui.tabWidget()->count(), 1);
    }

    // A save of the lists or of the groups killed before its temporary had
    // a name left an earlier version's note naming the freed inode; the
    // user's copy that took it ("cp -p", keeping its times) stays.
    void usersCopiesStayAtStart_data()
    {
        QTest::addColumn<bool>("groups");
        QTest::addColumn<QString>("name");
        QTest::newRow("lists.xhtml.backup") << false << "lists.xhtml.backup";
        QTest::newRow("lists.xhtml.before") << false << "lists.xhtml.before";
        QTest::newRow("listsGroups.xhtml.old001") << true << "listsGroups.xhtml.old001";
    }

    void usersCopiesStayAtStart()
    {
        QFETCH(bool, groups);
        QFETCH(QString, name);
        writeLists({QStringLiteral("A")});
        const QDir dir = QFileInfo(ListsUI::listsFilePath()).absoluteDir();
        QVERIFY(InterruptedSave::plantFile(dir.filePath(name), "mine", InterruptedSave::beforeTheStart().addSecs(-3600)));
        QVERIFY(InterruptedSave::plantNoteByInode(groups ? ListsUI::listsGroupsFilePath() : ListsUI::listsFilePath(),
                                                  dir.filePath(name)));
        ListsUI ui(nullptr, nullptr, nullptr);
        QVERIFY(dir.exists(name));
        QVERIFY(!dir.exists(QFileInfo(groups ? ListsUI::listsGroupsFilePath() : ListsUI::listsFilePath()).fileName()
                            + QStringLiteral(".interrupted-save")));
        QCOMPARE(ui.tabWidget()->count(), 1);
    }

    void noloadAndNosave()
    {
        writeLists({QStringLiteral("A"), QStringLiteral("B")});
        Options::noload.set();
        Options::nosave.set();
        ListsUI ui(nullptr, nullptr, nullptr);
        QCOMPARE(ui.tabWidget()->count(), 0);
        QVERIFY(!ui.currentList());
        ui.userLists()->createList();
        QCOMPARE(ui.tabWidget()->count(), 1);
        const QDateTime before = QFileInfo(ListsUI::listsFilePath()).lastModified();
        QVERIFY(ui.saveLists());
        ui.onSaveTimeout();
        QCOMPARE(QFileInfo(ListsUI::listsFilePath()).lastModified(), before);
        QVERIFY(!QFileInfo::exists(ListsUI::listsGroupsFilePath()));
    }

    void localIds()
    {
        UserLists lists;
        const QList<quint32> ids = {1, 0, 3, 0};
        for (quint32 id : ids) {
            ListModel *model = lists.createList();
            model->taskList()->setLocalId(id);
        }
        QVERIFY(lists.save(ListsUI::listsFilePath()));
        ListsUI ui(nullptr, nullptr, nullptr);
        QList<quint32> assigned;
        for (ListModel *model : ui.userLists()->models())
            assigned << model->taskList()->localId();
        QCOMPARE(assigned, QList<quint32>({1, 2, 3, 4}));
        ListModel *added = ui.userLists()->createList();
        QCOMPARE(added->taskList()->localId(), quint32(5));
        QCOMPARE(ui.lowestFreeLocalId(), quint32(6));
        QCOMPARE(ui.lowestFreeLocalId(), quint32(7));
    }

    // A list without an id yet is expected at start (a fresh account's
    // first list, a document written without ids): it gets one, quietly.
    void localIdsGivenQuietly_data()
    {
        QTest::addColumn<int>("lists"); // in a document without ids; 0: none
        QTest::newRow("fresh account") << 0;
        QTest::newRow("document without ids") << 2;
    }

    void localIdsGivenQuietly()
    {
        QFETCH(int, lists);
        if (lists > 0) {
            UserLists written;
            for (int i = 0; i < lists; ++i)
                written.createList();
            QVERIFY(written.save(ListsUI::listsFilePath()));
        }
        QTest::failOnWarning(QRegularExpression(QStringLiteral("local id")));
        ListsUI ui(nullptr, nullptr, nullptr);
        QList<quint32> ids;
        for (ListModel *model : ui.userLists()->models())
            ids << model->taskList()->localId();
        QList<quint32> expected;
        for (int i = 1; i <= qMax(lists, 1); ++i)
            expected << quint32(i);
        QCOMPARE(ids, expected);
    }

    void lookUps()
    {
        writeLists({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        ListsUI ui(nullptr, nullptr, nullptr);
        ListModel *a = ui.listForTabIndex(0);
        ListModel *c = ui.listForTabIndex(2);
        QTest::ignoreMessage(QtWarningMsg, "ListsUI::listForTabIndex: no such tab index");
        QVERIFY(!ui.listForTabIndex(3));

        // The last list wraps to the first.
        ui.setCurrentList(c);
        ui.switchToNextList();
        QCOMPARE(ui.currentList(), a);

        // No current row: the root task, not null.
        ui.currentTreeView()->setCurrentIndex(QModelIndex());
        QCOMPARE(ui.currentTask(), a->taskList()->rootTask());

        // Ids: 0 matches nothing; a deleted list is never found.
        QVERIFY(!ui.listByIds(0, 0));
        QCOMPARE(ui.listByIds(0, 1), a);
        QCOMPARE(ui.listByIds(0, c->taskList()->localId()), c);
        // A list the server knows is found by its server id, whatever local id is asked.
        ListModel *b = ui.listForTabIndex(1);
        b->taskList()->setSyncStatus(TaskList::Unedited);
        b->taskList()->setServerId(77);
        QCOMPARE(ui.listByIds(77, 999), b);
        QVERIFY(!ui.listByIds(78, 999));
        // While New it reports no server id: only its local id finds it.
        b->taskList()->setSyncStatus(TaskList::New);
        QVERIFY(!ui.listByIds(77, 999));
        QCOMPARE(ui.listByIds(77, b->taskList()->localId()), b);
        c->taskList()->setSyncStatus(TaskList::Deleted);
        QVERIFY(!ui.listByIds(0, c->taskList()->localId()));

        UserLists other;
        ListModel *unknown = other.createList();
        QTest::ignoreMessage(QtWarningMsg, "MainWindow::setCurrentList: list not known");
        ui.setCurrentList(unknown);
        QCOMPARE(ui.currentList(), a);
    }

    void oneListStaysCurrent()
    {
        writeLists({QStringLiteral("Only")});
        ListsUI ui(nullptr, nullptr, nullptr);
        ListModel *only = ui.currentList();
        ui.switchToNextList();
        QCOMPARE(ui.currentList(), only);
    }

    void clipboardCopies()
    {
        writeLists({QStringLiteral("A")});
        ListsUI ui(nullptr, nullptr, nullptr);
        QVERIFY(!ui.copiedTask());
        Task *task = ui.currentList()->taskForIndex(ui.currentList()->index(0, 0));
        ui.copyTask(task);
        std::unique_ptr<Task> first(ui.copiedTask());
        std::unique_ptr<Task> second(ui.copiedTask());
        QVERIFY(first && second);
        QVERIFY(first.get() != second.get());
        QCOMPARE(first->title(), task->title());
        ui.copyTask(nullptr);
        std::unique_ptr<Task> third(ui.copiedTask());
        QCOMPARE(third->title(), task->title());
    }

    void tabIcons_data()
    {
        QTest::addColumn<bool>("owned");
        QTest::addColumn<int>("sharedUsers");
        QTest::addColumn<QString>("permissions");
        QTest::addColumn<QString>("icon");
        QTest::newRow("owned, not shared") << true << 0 << "orwd" << QString();
        QTest::newRow("owned, shared") << true << 1 << "orwd" << ":/listshare_shared.png";
        QTest::newRow("shared with me r") << false << 0 << "r" << ":/share_lock.png";
        QTest::newRow("shared with me rw") << false << 0 << "rw" << ":/share_edit.png";
        QTest::newRow("shared with me rwd") << false << 0 << "rwd" << ":/listshare_total.png";
        QTest::newRow("shared with me rwd, with users") << false << 2 << "rwd" << ":/listshare_total.png";
    }

    void tabIcons()
    {
        QFETCH(bool, owned);
        QFETCH(int, sharedUsers);
        QFETCH(QString, permissions);
        QFETCH(QString, icon);
        writeLists({QStringLiteral("Mine"), QStringLiteral("Other")});
        ListsUI ui(nullptr, nullptr, nullptr);
        ListModel *list = ui.listForTabIndex(1);
        list->taskList()->setOwned(owned);
        list->taskList()->setOwner(owned ? QString() : QStringLiteral("alice"));
        list->setPermissions(permissions);
        for (int i = 0; i < sharedUsers; ++i)
            list->addSharedUser(QStringLiteral("user%1").arg(i), QStringLiteral("rw"));
        QCOMPARE(ListsUI::tabIconPath(list), icon);
        // Raised after the sharing changed: the tab shows the whole rule.
        ui.onShareListChanged(list);
        QCOMPARE(iconImage(ui.tabWidget()->tabIcon(1)), iconImage(icon.isEmpty() ? QIcon() : QIcon(icon)));
    }

    void searchBarFollowsTheSetting()
    {
        writeLists({QStringLiteral("A")});
        {
            ListsUI ui(nullptr, nullptr, nullptr);
            // Off by default: the first toggle shows the bars.
            QVERIFY(!ui.isTaskSearchShown());
            ui.showTaskSearch();
            QVERIFY(ui.isTaskSearchShown());
            TreeView *later = ui.treeViewForList(ui.userLists()->createList());
            QVERIFY(later);
            QVERIFY(!later->searchBar()->isHidden());
            ui.hideTaskSearch();
            TreeView *third = ui.treeViewForList(ui.userLists()->createList());
            QVERIFY(third->searchBar()->isHidden());
            QVERIFY(later->searchBar()->isHidden());
        }
        QSettings().setValue(QStringLiteral("ui/show-task-search-bar-by-default"), true);
        ListsUI shown(nullptr, nullptr, nullptr);
        QVERIFY(shown.isTaskSearchShown());
    }

    void dialogsNeverKeepAFreedTask()
    {
        writeLists({QStringLiteral("A")});
        ListsUI ui(nullptr, nullptr, nullptr);
        ListModel *list = ui.currentList();
        TreeView *view = ui.currentTreeView();
        view->setCurrentIndex(list->index(1, 0));
        ui.showTaskAttachmentsDialog();
        TaskAttachmentsDialog *dialog = ui.taskAttachmentsDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->task(), ui.currentTask());

        list->saveUndoState();
        list->setTaskTitle(ui.currentTask(), QStringLiteral("edited"));
        list->undo();
        // The tasks were replaced: the dialog shows the task now current (or none).
        QCOMPARE(dialog->task(), ui.currentTask());
        QVERIFY(isLive(list, dialog->task()));
        list->redo();
        QCOMPARE(dialog->task(), ui.currentTask());
        QVERIFY(isLive(list, dialog->task()));

        // Replacing every list (a restore) leaves the dialog nothing of the old set.
        auto *restored = new UserLists;
        restored->createList()->taskList()->setName(QStringLiteral("Restored"));
        ui.setUserLists(restored);
        QCOMPARE(tabTexts(ui), QStringList({QStringLiteral("Restored")}));
        if (ui.taskAttachmentsDialog())
            QVERIFY(ui.taskAttachmentsDialog()->task() == ui.currentTask() || !ui.taskAttachmentsDialog()->task());
    }

    void displayOrderKeepsTheCurrentList()
    {
        writeLists({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        ListsUI ui(nullptr, nullptr, nullptr);
        ListModel *b = ui.listForTabIndex(1);
        ui.setCurrentList(b);
        ui.userLists()->moveListLeft(b);
        QCOMPARE(tabTexts(ui), QStringList({QStringLiteral("B"), QStringLiteral("A"), QStringLiteral("C")}));
        QCOMPARE(ui.currentList(), b);
        QCOMPARE(ui.listForTabIndex(0), b);
    }

    void removingAListRemovesItsTabAndGroupEntry()
    {
        writeLists({QStringLiteral("A"), QStringLiteral("B")});
        ListsUI ui(nullptr, nullptr, nullptr);
        ListModel *a = ui.listForTabIndex(0);
        TaskList *list = a->taskList();
        const quint32 localId = list->localId();
        QVERIFY(ui.listsGroups()->containsList(list));
        QVERIFY(ui.listsGroups()->findListByLocalId(localId));
        ui.userLists()->deleteList(list);
        QCOMPARE(tabTexts(ui), QStringList({QStringLiteral("B")}));
        QVERIFY(!ui.listsGroups()->findListByLocalId(localId));
    }

    void renamesReachTheList()
    {
        writeLists({QStringLiteral("A")});
        ListsUI ui(nullptr, nullptr, nullptr);
        ListModel *list = ui.currentList();
        QSignalSpy spy(ui.tabWidget(), &TabWidget::tabTextChanged);
        ui.setListNameExternally(list, QStringLiteral("A"));
        QCOMPARE(spy.count(), 0);
        ui.setListNameExternally(list, QStringLiteral("Shopping"));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(list->name(), QStringLiteral("Shopping"));
        QCOMPARE(ui.tabWidget()->tabText(0), QStringLiteral("Shopping"));
    }

    void removedContactLeavesOwnedLists()
    {
        writeLists({QStringLiteral("Mine"), QStringLiteral("Theirs")});
        ListsUI ui(nullptr, nullptr, nullptr);
        ListModel *mine = ui.listForTabIndex(0);
        ListModel *theirs = ui.listForTabIndex(1);
        mine->addSharedUser(QStringLiteral("bob"), QStringLiteral("rw"));
        theirs->taskList()->setOwned(false);
        theirs->loadSharedUser(QStringLiteral("bob"), QStringLiteral("rw"));
        ui.onUserRemoved(QStringLiteral("bob"));
        QVERIFY(!mine->hasSharedUser(QStringLiteral("bob")));
        QVERIFY(theirs->hasSharedUser(QStringLiteral("bob")));
    }

    void readOnlyListMenus()
    {
        writeLists({QStringLiteral("A"), QStringLiteral("B")});
        ListsUI ui(nullptr, nullptr, nullptr);
        ListModel *list = ui.currentList();
        ui.currentTreeView()->setCurrentIndex(list->index(0, 0));

        Menu writable;
        ui.fillTaskContextMenu(&writable);
        QCOMPARE(entryTexts(&writable).mid(3, 1), QStringList({QStringLiteral("Set priority")}));
        QVERIFY(entry(&writable, QStringLiteral("Set priority"))->isEnabled());
        QCOMPARE(entry(&writable, QStringLiteral("Set priority"))->menu()->actions().size(), 3);
        QCOMPARE(entry(&writable, QStringLiteral("Move to list"))->menu()->actions().size(), 1);

        list->taskList()->setOwned(false);
        list->setPermissions(QStringLiteral("r"));
        ui.refreshActions();
        Menu readOnly;
        ui.fillTaskContextMenu(&readOnly);
        QAction *priority = entry(&readOnly, QStringLiteral("Set priority"));
        QAction *moveTo = entry(&readOnly, QStringLiteral("Move to list"));
        QVERIFY(priority && moveTo);
        QVERIFY(!priority->isEnabled());
        QVERIFY(priority->menu()->actions().isEmpty());
        QVERIFY(!moveTo->isEnabled());
        QVERIFY(moveTo->menu()->actions().isEmpty());
        const QStringList order = {QStringLiteral("Set priority"), QStringLiteral("Indenting"),
                                   QStringLiteral("Move task"),    QStringLiteral("Move to list"),
                                   QStringLiteral("Assign to"),    QStringLiteral("Expand/Collapse")};
        int last = -1;
        const QStringList texts = entryTexts(&readOnly);
        for (const QString &text : order) {
            QVERIFY2(texts.indexOf(text) > last, qPrintable(text));
            last = texts.indexOf(text);
        }
        QCOMPARE(texts.size(), 14);
    }

    void proxyEntriesRunTheirCommand()
    {
        writeLists({QStringLiteral("A")});
        ListsUI ui(nullptr, nullptr, nullptr);
        ListModel *list = ui.currentList();
        ui.currentTreeView()->setCurrentIndex(list->index(0, 0));
        auto *add = ui.findChild<AddTaskAction *>();
        QVERIFY(add);
        Menu menu;
        ui.fillTaskContextMenu(&menu);
        QAction *entry = menu.actions().first();
        QCOMPARE(entry->text(), add->text());
        QVERIFY(entry != add);
        QVERIFY(entry->shortcut().isEmpty());
        // The command's own state is stale; the entry still runs it.
        add->setEnabled(false);
        const int rows = list->rowCount();
        entry->trigger();
        QCOMPARE(list->rowCount(), rows + 1);
    }

    void assignMenuShowsNineAssignees()
    {
        writeLists({QStringLiteral("A")});
        ListsUI ui(nullptr, nullptr, nullptr);
        ListModel *list = ui.currentList();
        const QModelIndex index = list->index(0, 0);
        Task *task = list->taskForIndex(index);
        for (int i = 12; i >= 1; --i)
            task->assign(QStringLiteral("user%1").arg(i, 2, 10, QLatin1Char('0')));
        ui.currentTreeView()->setCurrentIndex(index);
        Menu menu;
        ui.fillTaskContextMenu(&menu);
        QStringList texts = entryTexts(entry(&menu, QStringLiteral("Assign to"))->menu());
        // "Show All", nine assignees in order, then "Unassign all" (no user
        // is signed in, so no entry for "me").
        QCOMPARE(texts.size(), 11);
        QCOMPARE(texts.first(), QStringLiteral("Show All"));
        QVERIFY2(texts.at(1).contains(QStringLiteral("user01")), qPrintable(texts.at(1)));
        QVERIFY2(texts.at(9).contains(QStringLiteral("user09")), qPrintable(texts.at(9)));
    }

    // Contacts come after the names already on the task or list, sorted
    // without regard to case, and a name is never offered twice.
    void menusOfferContactsInOrder()
    {
        writeLists({QStringLiteral("A")});
        QDir().mkpath(QFileInfo(Friends::localFilePath()).absolutePath());
        QFile file(Friends::localFilePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QList<User *> users = {User::get(QStringLiteral("carol")), User::get(QStringLiteral("Bob")),
                                     User::get(QStringLiteral("alice"))};
        file.write(FriendsReaderWriter().writeLocalUserData(users).toByteArray());
        file.close();
        ModelsContainer models;
        models.setFriends(new Friends(&models));
        models.friends()->load();
        QCOMPARE(models.friends()->friends().size(), 3);

        ListsUI ui(&models, nullptr, nullptr);
        ListModel *list = ui.currentList();
        list->addSharedUser(QStringLiteral("carol"), QStringLiteral("rw"));
        Menu tabMenu;
        ui.fillTabContextMenu(&tabMenu, 0);
        const QStringList shares = entryTexts(entry(&tabMenu, QStringLiteral("Share list"))->menu());
        QCOMPARE(shares.size(), 5);
        QVERIFY2(shares.at(1).contains(QStringLiteral("carol")), qPrintable(shares.join(u'|')));
        QVERIFY2(shares.at(2).contains(QStringLiteral("alice")), qPrintable(shares.join(u'|')));
        QVERIFY2(shares.at(3).contains(QStringLiteral("Bob")), qPrintable(shares.join(u'|')));

        const QModelIndex index = list->index(0, 0);
        list->taskForIndex(index)->assign(QStringLiteral("Bob"));
        ui.currentTreeView()->setCurrentIndex(index);
        Menu taskMenu;
        ui.fillTaskContextMenu(&taskMenu);
        const QStringList assigns = entryTexts(entry(&taskMenu, QStringLiteral("Assign to"))->menu());
        QCOMPARE(assigns.size(), 5);
        QVERIFY2(assigns.at(1).contains(QStringLiteral("Bob")), qPrintable(assigns.join(u'|')));
        QVERIFY2(assigns.at(2).contains(QStringLiteral("alice")), qPrintable(assigns.join(u'|')));
        QVERIFY2(assigns.at(3).contains(QStringLiteral("carol")), qPrintable(assigns.join(u'|')));
    }

    void tabMenuOverEmptyBar()
    {
        writeLists({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        ListsUI ui(nullptr, nullptr, nullptr);
        Menu menu;
        ui.fillTabContextMenu(&menu, -1);
        QCOMPARE(menu.actions().size(), 2);
        QCOMPARE(menu.actions().first()->text(), QStringLiteral("Jump to"));
        QCOMPARE(menu.actions().first()->menu()->actions().size(), 2);

        Menu full;
        ui.fillTabContextMenu(&full, 0);
        const QStringList texts = entryTexts(&full);
        for (const QString &title : {QStringLiteral("Move list"), QStringLiteral("View colum"),
                                     QStringLiteral("Share list"), QStringLiteral("Macros")})
            QVERIFY2(texts.contains(title), qPrintable(title));
        // The first tab cannot move left, the last cannot move right,
        // whichever tab is current.
        ui.tabWidget()->setCurrentIndex(1);
        Menu first;
        ui.fillTabContextMenu(&first, 0);
        QList<QAction *> moves = entry(&first, QStringLiteral("Move list"))->menu()->actions();
        QCOMPARE(moves.size(), 2);
        QVERIFY(!moves.at(0)->isEnabled());
        QVERIFY(moves.at(1)->isEnabled());
        Menu last;
        ui.fillTabContextMenu(&last, 2);
        moves = entry(&last, QStringLiteral("Move list"))->menu()->actions();
        QVERIFY(moves.at(0)->isEnabled());
        QVERIFY(!moves.at(1)->isEnabled());
        ui.tabWidget()->setCurrentIndex(0);

        QMenu *moveCompleted = entry(entry(&full, QStringLiteral("Macros"))->menu(),
                                     QStringLiteral("Move completed tasks to"))->menu();
        QCOMPARE(moveCompleted->actions().size(), 2);
    }

    void menuCommandsGoWithTheirMenu()
    {
        writeLists({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        ListsUI ui(nullptr, nullptr, nullptr);
        ui.currentTreeView()->setCurrentIndex(ui.currentList()->index(0, 0));
        const int before = int(ui.findChildren<QAction *>().size());
        for (int i = 0; i < 5; ++i) {
            ui.showTaskContextMenu(QPoint(10, 10));
            ui.showTabContextMenu(QPoint(10, 10), 0);
        }
        ui.deleteContextMenu();
        QCOMPARE(int(ui.findChildren<QAction *>().size()), before);
        QCOMPARE(int(ui.findChildren<MoveTaskToListAction *>().size()), 0);
    }

    void contextMenusRefusedWhileSyncing()
    {
        writeLists({QStringLiteral("A")});
        ListsUI ui(nullptr, nullptr, nullptr);
        ui.setSyncing(true);
        ui.showTaskContextMenu(QPoint(5, 5));
        ui.showTabContextMenu(QPoint(5, 5), 0);
        QVERIFY(!ui.contextMenu());
        ui.setSyncing(false);
        ui.currentList()->setSynchronizing(true);
        ui.showTaskContextMenu(QPoint(5, 5));
        QVERIFY(!ui.contextMenu());
        ui.currentList()->setSynchronizing(false);
        ui.showTaskContextMenu(QPoint(5, 5));
        QVERIFY(ui.contextMenu());
        ui.deleteContextMenu();
    }

    void pageActions()
    {
        writeLists({QStringLiteral("A")});
        ListsUI ui(nullptr, nullptr, nullptr);
        const QList<QAction *> actions = ui.shortcutActions();
        QCOMPARE(actions.size(), 25);
        ui.registerAction(qobject_cast<Action *>(actions.at(5)));
        ui.registerAction(nullptr);
        QCOMPARE(ui.shortcutActions().size(), 25);
        QCOMPARE(actions.at(0)->text(), QStringLiteral("Urgent"));
        QCOMPARE(actions.at(2)->text(), QStringLiteral("None"));
        for (QAction *action : actions)
            QVERIFY(ui.tabWidget()->actions().contains(action));
        QVERIFY(ui.syncAction());
        QVERIFY(actions.contains(ui.doneTaskAction()));
        QVERIFY(ui.titleBarWidgets().isEmpty());
        for (const char *name : {"addlistbutton", "showShortcutsButton", "uiModeButton"})
            QVERIFY2(ui.bottomBarLeftWidget()->findChild<QWidget *>(QLatin1String(name)), name);
        for (const char *name : {"moveupbutton", "movedownbutton"})
            QVERIFY2(ui.bottomBarRightWidget()->findChild<QWidget *>(QLatin1String(name)), name);
    }

    // Built inside the window's page area, the page is laid out there
    // without moving: no widget of its trees is styled a second time, in
    // any of the layouts.
    void pageBuiltWhereItShows_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("Normal") << 0;
        QTest::newRow("Professional") << 1;
        QTest::newRow("Advanced") << 2;
    }

    void pageBuiltWhereItShows()
    {
        QFETCH(int, mode);
        UISettings::instance()->setListsUiMode(mode);
        writeLists({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        // Moving a widget restyles it only under a style sheet, as the
        // program runs.
        QFile sheet(QStringLiteral(":/default.css"));
        QVERIFY(sheet.open(QIODevice::ReadOnly));
        qApp->setStyleSheet(QString::fromUtf8(sheet.readAll()));
        const auto plain = qScopeGuard([] { qApp->setStyleSheet(QString()); });
        struct Restyles : QObject
        {
            bool counting = false;
            int count = 0;
            bool eventFilter(QObject *watched, QEvent *event) override
            {
                if (counting && event->type() == QEvent::StyleChange && qobject_cast<TreeView *>(watched))
                    ++count;
                return false;
            }
        } restyles;
        qApp->installEventFilter(&restyles);
        bool builtInside = false;
        MainWindow::PageBuilders builders;
        builders.lists = [&](ModelsContainer *models, MainWindowMode *, SplashScreen *splash, MainWindow *window) {
            auto *page = new ListsUI(models, nullptr, splash, nullptr, window->pageArea());
            builtInside = page->tabWidget()->parentWidget() == window->pageArea()
                && window->isAncestorOf(window->pageArea());
            restyles.counting = true;
            return static_cast<MainWindowMode *>(page);
        };
        MainWindow::setPageBuilders(builders);
        MainWindow window(nullptr, nullptr);
        MainWindow::setPageBuilders({});
        auto *ui = dynamic_cast<ListsUI *>(window.listsMode());
        QVERIFY(ui && builtInside);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        restyles.counting = false;
        qApp->removeEventFilter(&restyles);
        QCOMPARE(restyles.count, 0);
        QCOMPARE(ui->uiMode(), mode);
        QCOMPARE(ui->tabWidget()->parentWidget(), window.pageArea());
        QVERIFY(window.contentGrid()->indexOf(ui->tabWidget()) >= 0);
        QVERIFY(ui->tabWidget()->isVisible());
        QVERIFY(ui->currentTreeView()->isVisible());
    }

    void uiModeLayouts_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("groupsPanel");
        QTest::addColumn<bool>("attachmentsPanel");
        QTest::newRow("Normal") << 0 << false << false;
        QTest::newRow("Professional") << 1 << true << false;
        QTest::newRow("Advanced") << 2 << true << true;
    }

    void uiModeLayouts()
    {
        QFETCH(int, mode);
        QFETCH(bool, groupsPanel);
        QFETCH(bool, attachmentsPanel);
        writeLists({QStringLiteral("A")});
        MainWindow::setPageBuilders(listsPageOnly());
        MainWindow window(nullptr, nullptr);
        MainWindow::setPageBuilders({});
        auto *ui = dynamic_cast<ListsUI *>(window.listsMode());
        QVERIFY(ui);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.currentMode(), static_cast<MainWindowMode *>(ui));
        QVERIFY(ui->tabWidget()->isVisible());

        QSignalSpy spy(ui, &ListsUI::uiModeChanged);
        ui->userChangeUIMode(mode);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(ui->uiMode(), mode);
        QCOMPARE(UISettings::instance()->listsUiMode(), mode);
        QCoreApplication::processEvents();
        ListGroupsManagerDialog *groups = ui->listGroupsManagerDialog();
        QCOMPARE(groups && groups->isVisible() && groups->frameControlsHidden(), groupsPanel);
        TaskAttachmentsDialog *attachments = ui->taskAttachmentsDialog();
        QCOMPARE(attachments && attachments->isVisible() && attachments->frameControlsHidden(), attachmentsPanel);
        if (groupsPanel)
            QVERIFY(window.isAncestorOf(groups));
        QVERIFY(ui->tabWidget()->isVisible());

        // A panel the command would show floating is the docked one: nothing new.
        if (groupsPanel) {
            ui->showListsGroupsManagerDialog();
            QCOMPARE(ui->listGroupsManagerDialog(), groups);
        }
        ui->resetUIMode();
        QCOMPARE(ui->uiMode(), 0);
        QCOMPARE(UISettings::instance()->listsUiMode(), 0);
    }

    // A key typed in a text field of the window goes to the field: the
    // page's commands, whose keys are window-wide, leave the tasks alone in
    // the search field, the docked panels' fields and the list manager's
    // rename field, and in the fields of the notepad and Team pages; they act
    // again once the tree has the keys. The keys are sent as the platform
    // sends them (Shift+Tab as Backtab with Shift, keypad keys with the
    // keypad flag), which is not always as the commands name them.
    void keysInTextFieldsStayThere_data()
    {
        QTest::addColumn<QString>("setup"); // keys on the tree first
        QTest::addColumn<QString>("key");
        QTest::newRow("indent") << "" << "Tab";
        QTest::newRow("outdent") << "Tab" << "Shift+Tab";
        QTest::newRow("move up") << "" << "Ctrl+Up";
        QTest::newRow("move up on the keypad") << "" << "Ctrl+Num+Up";
        QTest::newRow("move down") << "Ctrl+Up" << "Ctrl+Down";
        QTest::newRow("move down on the keypad") << "Ctrl+Up" << "Ctrl+Num+Down";
        QTest::newRow("check") << "" << "Space";
        QTest::newRow("paste") << "Ctrl+C" << "Ctrl+V";
    }

    void keysInTextFieldsStayThere()
    {
        QFETCH(QString, setup);
        QFETCH(QString, key);
        writeLists({QStringLiteral("A")});
        PagesWindow pages;
        ListsUI *ui = pages.ui;
        MainWindow &window = *pages.window;
        QVERIFY(pages.show());
        TreeView *tree = ui->currentTreeView();
        ListModel *list = ui->currentList();
        tree->setCurrentIndex(list->index(1, 0));
        tree->setFocus();
        TreeTest::keys(setup);
        const QString before = TreeTest::write(list->taskList()->rootTask());
        QVERIFY(pages.startRename());

        const auto typeInEach = [&](const QList<QWidget *> &fields, const char *page) {
            for (QWidget *field : fields) {
                const QByteArray name = QByteArray(page) + ": " + PagesWindow::describe(field);
                pages.focus(field);
                QVERIFY2(QApplication::focusWidget() == field, name.constData());
                TreeTest::keys(key);
                QVERIFY2(TreeTest::write(list->taskList()->rootTask()) == before, name.constData());
            }
        };
        QList<QWidget *> fields = pages.visibleFields();
        QVERIFY(fields.contains(tree->searchBar()->lineEdit()));
        QVERIFY(fields.contains(pages.renameField));
        QVERIFY(fields.size() > 2);
        typeInEach(fields, "lists");
        if (QTest::currentTestFailed())
            return;

        window.switchToNotepad();
        fields = pages.visibleFields();
        QVERIFY(!fields.isEmpty());
        typeInEach(fields, "notepad");
        if (QTest::currentTestFailed())
            return;
        // The contacts' search field, and the sign-in form behind the
        // "connection" button.
        window.switchToFriends();
        fields = pages.visibleFields();
        for (QToolButton *button : window.findChildren<QToolButton *>()) {
            if (button->isVisible() && button->text() == QLatin1String("connection"))
                QTest::mouseClick(button, Qt::LeftButton);
        }
        for (QWidget *field : pages.visibleFields()) {
            if (!fields.contains(field))
                fields << field;
        }
        QVERIFY(fields.size() >= 2);
        typeInEach(fields, "Team");
        if (QTest::currentTestFailed())
            return;

        // The same key on the tree is the command's.
        window.switchToLists();
        tree->setFocus();
        TreeTest::keys(key);
        QVERIFY(TreeTest::write(list->taskList()->rootTask()) != before);
    }

    // The page's commands a text field has no use for act from every field
    // of the page as from the tasks: function keys, and keys held with Ctrl
    // that edit no text. The tree first, then each field, each in a window
    // of its own, as the command changes the page.
    void pageKeysActFromFields_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("effect");
        QTest::newRow("synchronise") << "F5" << "asked Sync: You must supply a user name and password before you can sync.";
        QTest::newRow("hide the search bar") << "Ctrl+F" << "search hidden";
        QTest::newRow("add a list") << "Ctrl+T" << "lists A B list, current list";
        QTest::newRow("next list") << "Ctrl+Tab" << "current B";
        QTest::newRow("rename the list") << "Ctrl+F2" << "asked Rename List";
        const QString removed = QStringLiteral("asked Delete List: Are you sure you want to delete the list \"A\"?, lists B, current B");
        QTest::newRow("remove the list") << "Ctrl+W" << removed;
        QTest::newRow("remove the list with a function key") << "Ctrl+F4" << removed;
    }

    void pageKeysActFromFields()
    {
        QFETCH(QString, key);
        QFETCH(QString, effect);
        qsizetype count = 1;
        for (qsizetype i = 0; i < count; ++i) {
            writeLists({QStringLiteral("A"), QStringLiteral("B")});
            PagesWindow pages;
            QVERIFY(pages.show());
            ListsUI *ui = pages.ui;
            ui->showTaskSearch();
            QVERIFY(pages.startRename());
            const QList<QWidget *> fields = QList<QWidget *>{ui->currentTreeView()} + pages.visibleFields();
            count = fields.size();
            QVERIFY(count > 3);
            QWidget *field = fields.at(i);
            const QByteArray name = PagesWindow::describe(field);
            pages.focus(field);
            QVERIFY2(QApplication::focusWidget() == field, name.constData());

            const auto facts = [ui] {
                return QStringList{QStringLiteral("lists ") + listNames(ui->userLists()).join(QLatin1Char(' ')),
                                   QStringLiteral("current ") + ui->currentList()->name(),
                                   ui->isTaskSearchShown() ? QStringLiteral("search shown") : QStringLiteral("search hidden")};
            };
            const QStringList before = facts();
            ModalsAnswered modals;
            TreeTest::keys(key);
            QStringList changed = modals.asked;
            for (const QString &fact : facts()) {
                if (!before.contains(fact))
                    changed << fact;
            }
            QVERIFY2(changed.join(QStringLiteral(", ")) == effect,
                     qPrintable(QString::fromUtf8(name) + QStringLiteral(": ") + changed.join(QStringLiteral(", "))));
        }
    }

    // What assistive tools find of the window with the lists page shown,
    // from the window down: the list tabs, the connection picture in the
    // title bar, each column of the task tree (the icon ones too), and the
    // overlay a list's own synchronisation shows with its button.
    void seenByAssistiveTools_data()
    {
        QTest::addColumn<QString>("part");
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("name");
        QTest::newRow("list tabs") << "tabs" << int(QAccessible::PageTabList) << "Lists";
        QTest::newRow("connection") << "connection" << int(QAccessible::Graphic) << "Not connected";
        const QStringList columns = {"Tasks",  "Icon 1", "Icon 2",     "Icon 3",   "Icon 4",  "Icon 5",
                                     "Icon 6", "Icon 7", "Start time", "End time", "Elapsed", "Assigned to"};
        for (int column = 0; column < int(columns.size()); ++column)
            QTest::addRow("column %d", column) << QStringLiteral("column %1").arg(column)
                                               << int(QAccessible::ColumnHeader) << columns.at(column);
        QTest::newRow("syncing overlay") << "overlay" << int(QAccessible::Grouping) << "List synchronisation";
        QTest::newRow("its cancel button") << "cancel" << int(QAccessible::Button) << "Cancel synchronisation";
    }

    void seenByAssistiveTools()
    {
        QFETCH(QString, part);
        QFETCH(int, role);
        QFETCH(QString, name);
        writeLists({QStringLiteral("A")});
        PagesWindow pages;
        QVERIFY(pages.show());
        TreeView *tree = pages.ui->currentTreeView();
        tree->onShowSyncingScreen();
        const bool column = part.startsWith(QLatin1String("column "));
        const QHash<QString, QObject *> objects = {
            {QStringLiteral("tabs"), pages.ui->tabWidget()->tabBar()},
            {QStringLiteral("connection"), pages.window->findChild<QLabel *>(QStringLiteral("connectionicon"))},
            {QStringLiteral("overlay"), tree->syncingScreen()},
            {QStringLiteral("cancel"), tree->syncingScreen()->cancelButton()},
        };
        QObject *object = column ? tree : objects.value(part);
        QVERIFY(object);
        QStringList broken;
        QAccessibleInterface *found =
            AccessibleTree::reached(QAccessible::queryAccessibleInterface(pages.window.get()), object, &broken);
        QVERIFY2(found, "out of reach");
        QVERIFY2(broken.isEmpty(), qPrintable(broken.join(QLatin1Char('\n'))));
        QVERIFY(!found->state().invisible);
        // The tree's first children are its column headers.
        if (column)
            found = found->child(part.section(QLatin1Char(' '), 1).toInt());
        QVERIFY(found);
        QCOMPARE(int(found->role()), role);
        QCOMPARE(found->text(QAccessible::Name), name);
    }

    // A task's title editor is where the user works on tasks: the page's
    // commands keep their keys there, and the keys the editor types stay its
    // own (a space is typed, not a tick).
    void titleEditorKeepsItsTyping()
    {
        writeLists({QStringLiteral("A")});
        ListsUI ui(nullptr, nullptr, nullptr);
        QWidget *tabs = ui.centralWidget();
        tabs->show();
        tabs->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(tabs));
        TreeView *tree = ui.currentTreeView();
        ListModel *list = ui.currentList();
        tree->setCurrentIndex(list->index(1, 0));
        ui.refreshActions();
        tree->setFocus();
        tree->edit(tree->currentIndex());
        QVERIFY(TextFieldKeyFilter::isTaskTitleEditor(QApplication::focusWidget()));
        TreeTest::keys(QStringLiteral("End Space type:x Tab"));
        QCOMPARE(TreeTest::write(list->taskList()->rootTask()), QStringLiteral("A_1[A_2_x]").replace('_', ' '));
    }

    // Only the page's own keys stay in a field: a window key no command of
    // the page uses still acts from the search field, also one with Shift
    // alone while the page's Shift+Tab can act.
    void otherWindowKeysActFromFields_data()
    {
        QTest::addColumn<QString>("setup"); // keys on the tree first
        QTest::addColumn<QString>("key");
        QTest::newRow("with Ctrl") << "" << "Ctrl+Shift+F12";
        QTest::newRow("with Shift alone, a task to outdent") << "Down Tab" << "Shift+F12";
    }

    void otherWindowKeysActFromFields()
    {
        QFETCH(QString, setup);
        QFETCH(QString, key);
        writeLists({QStringLiteral("A")});
        MainWindow::setPageBuilders(listsPageOnly());
        MainWindow window(nullptr, nullptr);
        MainWindow::setPageBuilders({});
        auto *ui = dynamic_cast<ListsUI *>(window.listsMode());
        QVERIFY(ui);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        TreeView *tree = ui->currentTreeView();
        tree->setCurrentIndex(ui->currentList()->index(0, 0));
        tree->setFocus();
        TreeTest::keys(setup);
        ui->refreshActions();
        QAction other(QStringLiteral("The window's command"));
        other.setShortcut(QKeySequence(key));
        window.addAction(&other);
        QSignalSpy triggered(&other, &QAction::triggered);
        tree->showSearchBar();
        QLineEdit *field = tree->searchBar()->lineEdit();
        field->setFocus();
        QCOMPARE(QApplication::focusWidget(), field);
        TreeTest::keys(key);
        QCOMPARE(triggered.count(), 1);
    }

    // With another page shown in the window, a field there keeps that
    // page's keys, even one the lists page uses too.
    void anotherPageKeepsItsKeys()
    {
        writeLists({QStringLiteral("A")});
        MainWindow::PageBuilders builders = listsPageOnly();
        TestPage *notepad = nullptr;
        builders.notepad = [&notepad](MainWindowMode *, MainWindow *window) {
            notepad = new TestPage(QStringLiteral("notepad"), 0, window);
            return static_cast<MainWindowMode *>(notepad);
        };
        MainWindow::setPageBuilders(builders);
        MainWindow window(nullptr, nullptr);
        MainWindow::setPageBuilders({});
        auto *ui = dynamic_cast<ListsUI *>(window.listsMode());
        QVERIFY(ui && notepad);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        // Ctrl+Down would move the lists page's current task.
        ui->currentTreeView()->setCurrentIndex(ui->currentList()->index(0, 0));
        ui->refreshActions();
        window.switchToNotepad();
        QVERIFY(!ui->tabWidget()->isVisible());
        auto *field = new QLineEdit(notepad->central->parentWidget());
        field->show();
        QAction other(QStringLiteral("The notepad's command"));
        other.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Down));
        window.addAction(&other);
        QSignalSpy triggered(&other, &QAction::triggered);
        field->setFocus();
        QCOMPARE(QApplication::focusWidget(), field);
        TreeTest::keys(QStringLiteral("Ctrl+Down"));
        QCOMPARE(triggered.count(), 1);
        QCOMPARE(ui->currentList()->index(0, 0).data().toString(), QStringLiteral("A 1"));
    }

    // A restore from the preferences' backup, wired as the program wires it:
    // the restored lists get tabs and stand in the default group, so the
    // docked list manager shows them at once, and a floating one (closed by
    // the restore) shows them when opened again.
    void restoredListsReachTheManager()
    {
        QTemporaryDir dir;
        const QString backup = dir.filePath(QStringLiteral("backup.xhtml"));
        {
            UserLists saved;
            for (const QString &name : {QStringLiteral("Plums"), QStringLiteral("Pears")}) {
                TaskList *list = saved.createList()->taskList();
                list->setName(name);
                list->setLocalId(quint32(saved.models().size()) + 4);
            }
            QVERIFY(saved.save(backup));
        }
        writeLists({QStringLiteral("A"), QStringLiteral("B")});
        ListsUI ui(nullptr, nullptr, nullptr);
        auto *panel = qobject_cast<ListGroupsManagerDialog *>(ui.listsGroupsManagerPanel());
        QVERIFY(panel);
        const auto rowNames = [](ListGroupsManagerDialog *manager) {
            QStringList rows;
            for (ListsGroupsManagerElement *row : manager->container()->rows())
                rows << row->name();
            return rows;
        };
        QCOMPARE(rowNames(panel), QStringList({QStringLiteral("A"), QStringLiteral("B")}));

        BackupDialog dialog(ui.userLists(), ui.listsGroups());
        connect(&dialog, &BackupDialog::listsRestored, &ui, &ListsUI::setUserLists);
        connect(&dialog, &BackupDialog::listsGroupsChanged, &ui, &ListsUI::reloadListsGroupsManager);
        DialogDriver::whenModal([&backup](QWidget *w) {
            auto *name = w->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setText(backup);
            QTest::keyClick(name, Qt::Key_Return);
        });
        dialog.onImportFromFilePressed();
        // The lists it replaced were kept beside the lists file.
        QVERIFY2(QRegularExpression(QStringLiteral("^Backup completed\\. Your lists as they were before are kept in "
                                                   "\".*/lists-before-import-\\d{8}-\\d{6}(-\\d+)?\\.xhtml\"\\.$"))
                     .match(dialog.infoLabel()->text().section(QStringLiteral("\n\n"), 0, 0))
                     .hasMatch(),
                 qPrintable(dialog.infoLabel()->text()));
        QCOMPARE(tabTexts(ui), QStringList({QStringLiteral("Plums"), QStringLiteral("Pears")}));
        QCOMPARE(ui.listGroupsManagerDialog(), panel);
        QCOMPARE(rowNames(panel), QStringList({QStringLiteral("Plums"), QStringLiteral("Pears")}));

        ui.onCloseListsGroupsManagerDialog();
        ui.showListsGroupsManagerDialog();
        QCOMPARE(rowNames(ui.listGroupsManagerDialog()), QStringList({QStringLiteral("Plums"), QStringLiteral("Pears")}));
    }

    void floatingDialogsOpenOnceAndCloseBeforeARestore()
    {
        writeLists({QStringLiteral("A")});
        ListsUI ui(nullptr, nullptr, nullptr);
        ui.showListsGroupsManagerDialog();
        ListGroupsManagerDialog *groups = ui.listGroupsManagerDialog();
        QVERIFY(groups);
        ui.showListsGroupsManagerDialog();
        QCOMPARE(ui.listGroupsManagerDialog(), groups);
        ui.closeHiddenDialogs();
        QVERIFY(!ui.listGroupsManagerDialog());
        ui.showListsGroupsManagerDialog();
        QVERIFY(ui.listGroupsManagerDialog());
        ui.onCloseListsGroupsManagerDialog();
        QVERIFY(!ui.listGroupsManagerDialog());
    }

    void splashProgress_data()
    {
        QTest::addColumn<QStringList>("lists");
        QTest::addColumn<QList<int>>("values");
        QTest::newRow("three lists") << QStringList({"A", "B", "C"}) << QList<int>({300, 433, 566, 699, 700});
        QStringList many;
        for (int i = 0; i < 500; ++i)
            many << QStringLiteral("L%1").arg(i);
        QList<int> steps = {300};
        for (int i = 1; i <= 500; ++i)
            steps << 300 + i;
        steps << 700;
        QTest::newRow("more lists than steps") << many << steps;
    }

    void splashProgress()
    {
        QFETCH(QStringList, lists);
        QFETCH(QList<int>, values);
        writeLists(lists);
        SplashScreen splash;
        QList<int> seen;
        connect(splash.progressBar(), &QProgressBar::valueChanged, this, [&seen](int value) { seen << value; });
        ListsUI ui(nullptr, nullptr, &splash);
        QCOMPARE(seen, values);
    }

    void caseInsensitiveOrder()
    {
        QStringList names = {QStringLiteral("carol"), QStringLiteral("bob"), QStringLiteral("Alice")};
        std::sort(names.begin(), names.end(), caseInsensitiveLessThan);
        QCOMPARE(names, QStringList({QStringLiteral("Alice"), QStringLiteral("bob"), QStringLiteral("carol")}));
    }
};

PLUMDECK_TEST_MAIN(TstListsUI)
#include "tst_listsui.moc"
