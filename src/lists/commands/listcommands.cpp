#include "lists/commands/listcommands.h"

#include "core/options.h"
#include "core/paths.h"
#include "lists/listprinter.h"
#include "lists/listsui.h"
#include "lists/treeview.h"
#include "model/listmodel.h"
#include "model/userlists.h"
#include "shell/menu.h"
#include "shell/messagedialog.h"

#include <QFileDialog>
#include <QSaveFile>

// -------------------------------------------------------------- add list

AddListAction::AddListAction(ListsUI *ui)
    : ListsAction(tr("Add list"), ui, ui)
{
    setShortcut(QKeySequence(tr("Ctrl+T", "shortcut")));
}

QIcon AddListAction::currentIcon() { return QIcon(QStringLiteral(":/add-list-menu.png")); }

bool AddListAction::shouldBeEnabled() { return true; }

void AddListAction::execute()
{
    UserLists *lists = userLists();
    if (!lists)
        return;
    // The page hears of the new list from the lists and adds its tab.
    ListModel *list = lists->createList();
    listsUI()->setCurrentList(list);
    // The user goes on typing into the new list's task, whatever had the
    // focus before.
    if (TreeView *view = listsUI()->treeViewForList(list)) {
        if (!view->currentIndex().isValid() && list->rowCount() > 0)
            view->setCurrentIndex(list->index(0, 0));
        view->setFocus(Qt::OtherFocusReason);
    }
    listsUI()->addListToGroupsManagerDialog(list);
}

// ----------------------------------------------------------- remove list

RemoveListAction::RemoveListAction(ListsUI *ui)
    : ListsAction(tr("Remove list"), ui, ui)
{
    init();
}

RemoveListAction::RemoveListAction(ListsUI *ui, ListModel *list, QObject *parent)
    : ListsAction(tr("Remove list"), ui, parent)
{
    setTargetList(list);
    init();
}

void RemoveListAction::init()
{
    setShortcuts({QKeySequence(tr("Ctrl+W", "shortcut")), QKeySequence(tr("Ctrl+F4", "shortcut"))});
}

QIcon RemoveListAction::currentIcon() { return QIcon(QStringLiteral(":/remove-list-menu.png")); }

bool RemoveListAction::shouldBeEnabled()
{
    ListModel *list = currentList();
    return list && list->hasDeletePermission();
}

void RemoveListAction::execute()
{
    QPointer<ListModel> list = targetList();
    QPointer<UserLists> lists = userLists();
    if (!list || !lists)
        return;
    if (!list->isBlank() && Options::noconfirm.value()) {
        if (!MessageDialog::question(tr("Delete List"),
                                     tr("Are you sure you want to delete the list \"%1\"?").arg(list->name()),
                                     dialogParent())
            || !list || !lists)
            return;
    }
    lists->deleteList(list->taskList());
}

// ----------------------------------------------------------- rename list

RenameListAction::RenameListAction(ListsUI *ui)
    : ListsAction(tr("Rename list"), ui, ui)
{
    init();
}

RenameListAction::RenameListAction(ListsUI *ui, ListModel *list, QObject *parent)
    : ListsAction(tr("Rename list"), ui, parent)
{
    setTargetList(list);
    init();
}

void RenameListAction::init()
{
    setShortcut(QKeySequence(tr("Ctrl+F2", "shortcut")));
}

QIcon RenameListAction::currentIcon() { return QIcon(QStringLiteral(":/rename-list.png")); }

bool RenameListAction::shouldBeEnabled()
{
    ListModel *list = currentList();
    return list && list->hasWritePermission();
}

void RenameListAction::execute()
{
    if (ListModel *list = targetList())
        listsUI()->editListName(list);
}

// ------------------------------------------------- move left and right

MoveListLeftAction::MoveListLeftAction(ListsUI *ui, ListModel *list, bool atFirstTab, QObject *parent)
    : ListsAction(tr("Move list left"), ui, parent)
    , m_list(list)
    , m_atFirstTab(atFirstTab)
{
}

QIcon MoveListLeftAction::currentIcon() { return QIcon(QStringLiteral(":/move-list-left.png")); }

bool MoveListLeftAction::shouldBeEnabled()
{
    UserLists *lists = userLists();
    if (!m_list || m_atFirstTab || !lists || lists->models().isEmpty())
        return false;
    return currentList() != lists->models().first();
}

void MoveListLeftAction::execute()
{
    userLists()->moveListLeft(m_list);
}

MoveListRightAction::MoveListRightAction(ListsUI *ui, ListModel *list, bool atLastTab, QObject *parent)
    : ListsAction(tr("Move list right"), ui, parent)
    , m_list(list)
    , m_atLastTab(atLastTab)
{
}

QIcon MoveListRightAction::currentIcon() { return QIcon(QStringLiteral(":/move-list-right.png")); }

bool MoveListRightAction::shouldBeEnabled()
{
    UserLists *lists = userLists();
    if (!m_list || m_atLastTab || !lists || lists->models().isEmpty())
        return false;
    return currentList() != lists->models().last();
}

void MoveListRightAction::execute()
{
    userLists()->moveListRight(m_list);
}

// --------------------------------------------------------------- jump to

GoToListAction::GoToListAction(ListModel *list, ListsUI *ui, QObject *parent)
    : ListsAction(list ? Menu::entryText(list->name()) : QString(), ui, parent ? parent : static_cast<QObject *>(ui))
    , m_list(list)
{
}

ListModel *GoToListAction::list() const { return m_list; }

QIcon GoToListAction::currentIcon() { return QIcon(QStringLiteral(":/list_goto.png")); }

bool GoToListAction::shouldBeEnabled() { return true; }

void GoToListAction::execute()
{
    if (m_list)
        listsUI()->setCurrentList(m_list);
}

// ---------------------------------------------------------------- export

ExportListAction::ExportListAction(ListsUI *ui, ListModel *list, QObject *parent)
    : ListsAction(tr("Export list"), ui, parent)
{
    if (list)
        setTargetList(list);
}

QIcon ExportListAction::currentIcon() { return QIcon(QStringLiteral(":/export-list.png")); }

bool ExportListAction::shouldBeEnabled()
{
    return targetList();
}

void ExportListAction::execute()
{
    QPointer<ExportListAction> alive(this);
    const QString fileName = QFileDialog::getSaveFileName(dialogParent(), tr("Export list"),
                                                          documentsDir().absolutePath(),
                                                          tr("Text files (*.txt)"));
    if (fileName.isEmpty() || !alive)
        return;
    exportTo(fileName);
}

bool ExportListAction::exportTo(const QString &fileName)
{
    ListModel *list = targetList();
    if (!list)
        return false;
    // Written beside and put in place only when whole: a full disk never
    // leaves half a list in place of an earlier export.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        MessageDialog::information(tr("Export"), tr("Could not open the file %1").arg(fileName), dialogParent());
        return false;
    }
    // The explicit flush matters: this Qt's commit() does not see an error
    // of the last buffered write, and would put a cut file in place.
    const QByteArray text = list->toText().toUtf8();
    if (file.write(text) != text.size() || !file.flush() || !file.commit()) {
        file.cancelWriting();
        MessageDialog::information(tr("Export"), tr("Could not write the file %1").arg(fileName), dialogParent());
        return false;
    }
    return true;
}

PrintListAction::PrintListAction(ListsUI *ui, ListModel *list, QObject *parent)
    : ListsAction(tr("Print list"), ui, parent)
{
    if (list)
        setTargetList(list);
}

ListModel *PrintListAction::printedList() const
{
    return targetList();
}

QIcon PrintListAction::currentIcon() { return QIcon(QStringLiteral(":/print_white.png")); }

bool PrintListAction::shouldBeEnabled()
{
    return true;
}

void PrintListAction::execute()
{
    // The tab's list may have gone while its menu was open.
    if (ListModel *list = printedList())
        ListPrinter::printWithDialog(list, dialogParent());
}
