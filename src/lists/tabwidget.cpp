#include "lists/tabwidget.h"

#include "core/uisettings.h"
#include "dialogs/renamelistdialog.h"
#include "lists/listspageaccessible.h"
#include "lists/listsui.h"
#include "lists/treeview.h"
#include "model/listmodel.h"
#include "model/userlists.h"
#include "shell/mainwindow.h"
#include "shell/menu.h"
#include "sync/requests/eventconnection.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTabBar>

namespace {

// The bar lays out its tabs again on each tab added, measuring every one of
// them: adding a page's lists one by one would measure n² tabs.
class TabBar : public QTabBar
{
    // A class name of its own: assistive tools are told of it by the page's
    // own presentation, not the toolkit's.
    Q_OBJECT
public:
    using QTabBar::QTabBar;

    void setAddingMany(bool adding)
    {
        if (m_addingMany == adding)
            return;
        m_addingMany = adding;
        // Measured again, as they are, on the next layout.
        if (!adding && count() > 0)
            setTabText(0, tabText(0));
    }

protected:
    QSize tabSizeHint(int index) const override
    {
        return m_addingMany ? QSize(0, 0) : QTabBar::tabSizeHint(index);
    }

private:
    bool m_addingMany = false;
};

} // namespace

TabWidget::TabWidget(ListsUI *listsUI, QWidget *parent)
    : QTabWidget(parent)
    , m_listsUI(listsUI)
{
    ListsPageAccessible::install();
    // As the tab widget sets up its own bar.
    auto *bar = new TabBar(this);
    bar->setObjectName(QStringLiteral("qt_tabwidget_tabbar"));
    bar->setDrawBase(false);
    setTabBar(bar);
    // Once it is the widget's bar, so that assistive tools asked now meet the
    // page's presentation of it.
    bar->setAccessibleName(tr("Lists"));
    tabBar()->installEventFilter(this);
    tabBar()->setFocusPolicy(Qt::NoFocus);
    connect(this, &QTabWidget::currentChanged, this, &TabWidget::tabIndexChanged);
}

// The tab shows the name as written: an "&" in it is no shortcut mark.
void TabWidget::renameTab(int index, const QString &text)
{
    setTabText(index, Menu::entryText(text));
    emit tabTextChanged(index, text);
}

void TabWidget::editTabName(int index)
{
    if (index < 0 || index >= count())
        return;
    const QPointer<ListModel> list = m_listsUI->listForTabIndex(index);
    if ((list && list->isSynchronizing()) || m_listsUI->isSyncing())
        return;
    const QString current = list ? list->name() : tabText(index).replace(QStringLiteral("&&"), QStringLiteral("&"));
    const QPointer<TabWidget> self(this);
    RenameListDialog dialog(current, m_listsUI->mainWindow());
    if (dialog.exec() != QDialog::Accepted || !self)
        return;
    const QString text = dialog.newName();
    // The list may have gone while the dialog was open, or be in a run that
    // would put the server's name back; a run may have moved its tab.
    if (text.isEmpty() || !list || list->isSynchronizing() || m_listsUI->isSyncing())
        return;
    const int now = indexOf(m_listsUI->treeViewForList(list));
    if (now >= 0)
        renameTab(now, text);
}

void TabWidget::setAddingMany(bool adding)
{
    static_cast<TabBar *>(tabBar())->setAddingMany(adding);
}

void TabWidget::hideSearchBars()
{
    for (int i = 0; i < count(); ++i) {
        if (auto *view = qobject_cast<TreeView *>(widget(i)))
            view->hideSearchBar();
    }
}

void TabWidget::showSearchBars()
{
    for (int i = 0; i < count(); ++i) {
        if (auto *view = qobject_cast<TreeView *>(widget(i)))
            view->showSearchBar();
    }
}

bool TabWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != tabBar())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const QPoint pos = mouse->position().toPoint();
        m_pressPos = pos;
        const int index = tabBar()->tabAt(pos);
        m_pressedList = index >= 0 ? m_listsUI->listForTabIndex(index) : nullptr;
        if (mouse->button() == Qt::LeftButton) {
            m_draggedIndex = index;
        } else if (mouse->button() == Qt::RightButton) {
            if (index >= 0)
                setCurrentIndex(index);
        }
        break;
    }
    case QEvent::MouseButtonDblClick: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            const int index = pressedTabAt(mouse->position().toPoint());
            if (index >= 0)
                editTabName(index);
        }
        break;
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (!(mouse->buttons() & Qt::LeftButton))
            break;
        const QPoint pos = mouse->position().toPoint();
        if ((pos - m_pressPos).manhattanLength() < QApplication::startDragDistance())
            break;
        const int over = tabBar()->tabAt(pos);
        if (over < 0 || over == m_draggedIndex || m_draggedIndex == -1)
            break;
        if (m_listsUI->isSyncing() || !m_listsUI->userLists())
            break;
        m_listsUI->userLists()->moveList(m_draggedIndex, over);
        m_draggedIndex = over;
        break;
    }
    case QEvent::ToolTip: {
        // The bar shows the tab's tip next: the user reads what it tells.
        const int index = tabBar()->tabAt(static_cast<QHelpEvent *>(event)->pos());
        if (index >= 0 && !tabBar()->tabToolTip(index).isEmpty())
            if (ListModel *list = m_listsUI->listForTabIndex(index))
                m_listsUI->keptNoticeSeen(list);
        break;
    }
    default:
        break;
    }
    return false;
}

int TabWidget::pressedTabAt(const QPoint &pos) const
{
    if (m_pressedList && (pos - m_pressPos).manhattanLength() < QApplication::startDragDistance()) {
        const int index = indexOf(m_listsUI->treeViewForList(m_pressedList));
        if (index >= 0)
            return index;
    }
    return tabBar()->tabAt(pos);
}

void TabWidget::contextMenuEvent(QContextMenuEvent *event)
{
    const QPoint pos = tabBar()->mapFrom(this, event->pos());
    const int index = event->reason() == QContextMenuEvent::Mouse ? pressedTabAt(pos) : tabBar()->tabAt(pos);
    if (index >= 0)
        setCurrentIndex(index);
    m_listsUI->showTabContextMenu(event->globalPos(), index);
    event->accept();
}

void TabWidget::tabIndexChanged(int index)
{
    ListModel *list = index >= 0 && index < count() ? m_listsUI->listForTabIndex(index) : nullptr;
    // The list is remembered, not its place: tabs closed or moved before it
    // change the index of the list the user is on, not the list.
    if (list != m_lastList) {
        ListModel *previous = m_lastList;
        m_lastList = list;
        EventConnection *events = EventConnection::instance();
        // A list whose tab went with it was not left.
        if (previous && indexOf(m_listsUI->treeViewForList(previous)) >= 0
            && UISettings::instance()->enableListAutosync() && events && events->isConnected()
            && !m_listsUI->isSyncing())
            m_listsUI->autosyncList(previous);
    }
    if (list && list->isSyncPending() && !list->isManualSync() && !list->isSynchronizing())
        m_listsUI->dequeueSingleListSync(list);
    m_listsUI->updateListInfoDialog();
    m_listsUI->updateListSharingUsersDialog();
    if (auto *view = qobject_cast<TreeView *>(currentWidget())) {
        view->adjustSearchBarGeometry();
        // The keyboard stays in the lists: the hidden page took it along.
        QWidget *focus = QApplication::focusWidget();
        if (!focus || (isAncestorOf(focus) && !focus->isVisible()))
            view->setFocus(Qt::OtherFocusReason);
    }
}

#include "tabwidget.moc"
