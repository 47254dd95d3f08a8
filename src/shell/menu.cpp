#include "shell/menu.h"

#include <QAction>

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

QString Menu::entryText(const QString &name)
{
    return QString(name).replace(QLatin1Char('&'), QStringLiteral("&&"));
}
