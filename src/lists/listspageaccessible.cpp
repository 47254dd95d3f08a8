#include "lists/listspageaccessible.h"

#include "lists/syncingscreen.h"
#include "lists/tabwidget.h"
#include "lists/tasklistsearchwidget.h"
#include "lists/treeview.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QTabBar>

namespace {

// The overlays of the tab widget's trees (a syncing overlay, then a search
// bar, as they stack), in tab order.
QList<QObject *> overlays(const TabWidget *tabs)
{
    QList<QObject *> found;
    for (int i = 0; i < tabs->count(); ++i) {
        auto *view = qobject_cast<TreeView *>(tabs->widget(i));
        if (!view)
            continue;
        if (SyncingScreen *screen = view->madeSyncingScreen())
            found << screen;
        if (TaskListSearchWidget *bar = view->madeSearchBar())
            found << bar;
    }
    return found;
}

TabWidget *tabWidgetAbove(const QWidget *widget)
{
    for (QWidget *w = widget->parentWidget(); w; w = w->parentWidget()) {
        if (auto *tabs = qobject_cast<TabWidget *>(w))
            return tabs;
    }
    return nullptr;
}

// The tab widget with its trees' overlays after its own children.
class TabWidgetAccessible : public QAccessibleWidget
{
public:
    explicit TabWidgetAccessible(TabWidget *tabs)
        : QAccessibleWidget(tabs)
    {
    }

    int childCount() const override { return QAccessibleWidget::childCount() + int(overlays(tabs()).size()); }

    QAccessibleInterface *child(int index) const override
    {
        const int own = QAccessibleWidget::childCount();
        if (index < own)
            return QAccessibleWidget::child(index);
        const QList<QObject *> found = overlays(tabs());
        return index - own < found.size() ? QAccessible::queryAccessibleInterface(found.at(index - own)) : nullptr;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const int overlay = child ? int(overlays(tabs()).indexOf(child->object())) : -1;
        return overlay >= 0 ? QAccessibleWidget::childCount() + overlay : QAccessibleWidget::indexOfChild(child);
    }

private:
    TabWidget *tabs() const { return static_cast<TabWidget *>(widget()); }
};

// An overlay of a tree, the child of the tab widget that lists it.
class OverlayAccessible : public QAccessibleWidget
{
public:
    OverlayAccessible(QWidget *overlay, QAccessible::Role role)
        : QAccessibleWidget(overlay, role)
    {
    }

    QAccessibleInterface *parent() const override
    {
        if (TabWidget *tabs = tabWidgetAbove(widget()))
            return QAccessible::queryAccessibleInterface(tabs);
        return QAccessibleWidget::parent();
    }
};

// "&&" shows an "&"; a lone "&" only marks a shortcut key.
QString shownText(const QString &text)
{
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        shown += text.at(i);
    }
    return shown;
}

// One tab of the page's bar, as the toolkit presents one, except that it
// claims the focus only when the bar has it; the current tab is selected.
class TabAccessible : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    TabAccessible(QTabBar *bar, int index)
        : m_bar(bar)
        , m_index(index)
    {
    }

    bool isValid() const override { return m_bar && m_index < m_bar->count(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override
    {
        QAccessibleInterface *bar = parent();
        return bar ? bar->window() : nullptr;
    }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_bar); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    void setText(QAccessible::Text, const QString &) override {}

    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return QString();
        if (t == QAccessible::Name) {
            const QString name = m_bar->accessibleTabName(m_index);
            return name.isEmpty() ? shownText(m_bar->tabText(m_index)) : name;
        }
        if (t == QAccessible::Description)
            return m_bar->tabToolTip(m_index);
        return QString();
    }

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect area = m_bar->tabRect(m_index);
        return QRect(m_bar->mapToGlobal(area.topLeft()), area.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        if (QAccessibleInterface *bar = parent())
            state = bar->state();
        const bool current = m_index == m_bar->currentIndex();
        state.selectable = true;
        state.selected = current;
        state.focused = current && m_bar->hasFocus();
        state.invisible = state.invisible || !m_bar->isTabVisible(m_index);
        state.disabled = state.disabled || !m_bar->isTabEnabled(m_index);
        return state;
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
    }
    QStringList actionNames() const override { return isValid() ? QStringList{pressAction()} : QStringList(); }
    void doAction(const QString &name) override
    {
        if (name == pressAction() && isValid() && m_bar->isTabEnabled(m_index))
            m_bar->setCurrentIndex(m_index);
    }
    QStringList keyBindingsForAction(const QString &) const override { return QStringList(); }

private:
    QPointer<QTabBar> m_bar;
    int m_index;
};

// The page's tab bar: its tabs, then its own buttons (the scroll arrows).
class TabBarAccessible : public QAccessibleWidget
{
public:
    explicit TabBarAccessible(QTabBar *bar)
        : QAccessibleWidget(bar, QAccessible::PageTabList)
    {
    }

    ~TabBarAccessible() override
    {
        for (QAccessible::Id id : std::as_const(m_tabs))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return bar()->count() + QAccessibleWidget::childCount(); }

    QAccessibleInterface *child(int index) const override
    {
        if (index < 0)
            return nullptr;
        if (index >= bar()->count())
            return QAccessibleWidget::child(index - bar()->count());
        if (QAccessible::Id id = m_tabs.value(index))
            return QAccessible::accessibleInterface(id);
        auto *tab = new TabAccessible(bar(), index);
        m_tabs.insert(index, QAccessible::registerAccessibleInterface(tab));
        return tab;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child)
            return -1;
        if (child->role() == QAccessible::PageTab) {
            for (auto it = m_tabs.cbegin(); it != m_tabs.cend(); ++it) {
                if (QAccessible::accessibleInterface(it.value()) == child)
                    return it.key() < bar()->count() ? it.key() : -1;
            }
        }
        const int own = QAccessibleWidget::indexOfChild(child);
        return own >= 0 ? bar()->count() + own : -1;
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QPoint at = bar()->mapFromGlobal(QPoint(x, y));
        const int index = bar()->tabAt(at);
        return index >= 0 ? child(index) : QAccessibleWidget::childAt(x, y);
    }

private:
    QTabBar *bar() const { return static_cast<QTabBar *>(widget()); }

    // Made when first asked for, one per place in the bar.
    mutable QHash<int, QAccessible::Id> m_tabs;
};

QAccessibleInterface *listsPageFactory(const QString &, QObject *object)
{
    if (auto *tabs = qobject_cast<TabWidget *>(object))
        return new TabWidgetAccessible(tabs);
    if (auto *bar = qobject_cast<TaskListSearchWidget *>(object))
        return new OverlayAccessible(bar, QAccessible::Border);
    if (auto *screen = qobject_cast<SyncingScreen *>(object))
        return new OverlayAccessible(screen, QAccessible::Grouping);
    auto *tabBar = qobject_cast<QTabBar *>(object);
    auto *tabs = tabBar ? qobject_cast<TabWidget *>(tabBar->parentWidget()) : nullptr;
    if (tabs && tabs->tabBar() == tabBar)
        return new TabBarAccessible(tabBar);
    return nullptr;
}

} // namespace

void ListsPageAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(listsPageFactory);
        return true;
    }();
    Q_UNUSED(installed);
}
