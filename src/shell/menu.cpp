#include "shell/menu.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QPointer>

namespace {

const char entryNameProperty[] = "entryAccessibleName";

// A menu entry as the toolkit presents it, read out by a name of its own.
class NamedMenuEntry : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    explicit NamedMenuEntry(QAction *action)
        : m_action(action)
    {
    }

    bool isValid() const override { return m_action && menu(); }
    QObject *object() const override { return m_action; }
    QWindow *window() const override
    {
        const QMenu *owner = menu();
        return owner ? owner->windowHandle() : nullptr;
    }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(menu()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::MenuItem; }
    void setText(QAccessible::Text, const QString &) override {}

    QString text(QAccessible::Text t) const override
    {
        if (!m_action)
            return QString();
        if (t == QAccessible::Name)
            return Menu::entryAccessibleName(m_action);
        if (t == QAccessible::Accelerator)
            return m_action->shortcut().toString(QKeySequence::NativeText);
        return QString();
    }

    QRect rect() const override
    {
        const QMenu *owner = menu();
        if (!owner)
            return QRect();
        const QRect area = owner->actionGeometry(m_action);
        return QRect(owner->mapToGlobal(area.topLeft()), area.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        const QMenu *owner = menu();
        if (!owner || !m_action)
            return state;
        state.invisible = !owner->isVisible() || !m_action->isVisible();
        state.focused = owner->activeAction() == m_action;
        state.checkable = m_action->isCheckable();
        state.checked = m_action->isChecked();
        state.disabled = !m_action->isEnabled();
        return state;
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
    }
    QStringList actionNames() const override
    {
        return m_action ? QStringList{pressAction()} : QStringList();
    }
    void doAction(const QString &name) override
    {
        if (name != pressAction() || !m_action || !m_action->isEnabled())
            return;
        // As a click does: the menu closes before the command runs.
        if (QMenu *owner = menu())
            owner->hide();
        m_action->trigger();
    }
    QStringList keyBindingsForAction(const QString &) const override { return QStringList(); }

private:
    QMenu *menu() const
    {
        if (!m_action)
            return nullptr;
        const QList<QObject *> owners = m_action->associatedObjects();
        for (QObject *owner : owners) {
            if (auto *found = qobject_cast<QMenu *>(owner))
                return found;
        }
        return nullptr;
    }

    QPointer<QAction> m_action;
};

QAccessibleInterface *namedEntryFactory(const QString &, QObject *object)
{
    auto *action = qobject_cast<QAction *>(object);
    if (!action || Menu::entryAccessibleName(action).isEmpty())
        return nullptr;
    return new NamedMenuEntry(action);
}

} // namespace

Menu::Menu(QWidget *parent)
    : QMenu(parent)
{
}

QIcon Menu::spacerIcon()
{
    return QIcon(QStringLiteral(":/menu-spacer.png"));
}

void Menu::addAction(QAction *action)
{
    if (!action)
        return;
    if (action->icon().isNull() && !action->isCheckable())
        action->setIcon(spacerIcon());
    QWidget::addAction(action);
}

QAction *Menu::addAction(const QIcon &icon, const QString &text, const QObject *receiver, const char *member,
                         const QKeySequence &shortcut)
{
    auto *action = new QAction(icon.isNull() ? spacerIcon() : icon, text, this);
    action->setShortcut(shortcut);
    if (receiver && member)
        connect(action, SIGNAL(triggered(bool)), receiver, member);
    QWidget::addAction(action);
    return action;
}

QAction *Menu::addMenu(QMenu *menu)
{
    if (menu->icon().isNull())
        menu->setIcon(spacerIcon());
    return QMenu::addMenu(menu);
}

Menu *Menu::addMenu(const QString &title)
{
    auto *menu = new Menu(this);
    menu->setTitle(title);
    menu->setIcon(spacerIcon());
    QMenu::addMenu(menu);
    return menu;
}

void Menu::setEntryAccessibleName(QAction *action, const QString &name)
{
    static const bool installed = [] {
        QAccessible::installFactory(namedEntryFactory);
        return true;
    }();
    Q_UNUSED(installed);
    action->setProperty(entryNameProperty, name);
}

QString Menu::entryAccessibleName(const QAction *action)
{
    return action->property(entryNameProperty).toString();
}

QString Menu::entryText(const QString &name)
{
    return QString(name).replace(QLatin1Char('&'), QStringLiteral("&&"));
}
