#ifndef MENU_H
#define MENU_H

#include <QMenu>

// A menu whose entries all carry an icon, so their texts line up: entries
// without one get the blank ":/menu-spacer.png". Checkable entries without an
// icon keep their check indicator instead.
class Menu : public QMenu
{
    Q_OBJECT
public:
    explicit Menu(QWidget *parent = nullptr);

    using QMenu::addAction;
    using QMenu::addMenu;

    // Gives the action itself the spacer icon when it has none, so it keeps
    // it in every other menu too.
    void addAction(QAction *action);
    QAction *addAction(const QIcon &icon, const QString &text, const QObject *receiver, const char *member,
                       const QKeySequence &shortcut = QKeySequence());
    QAction *addMenu(QMenu *menu);
    Menu *addMenu(const QString &title);

    static QIcon spacerIcon();
    // The name assistive tools read for the action's entry in any menu, in
    // place of its text: for entries whose shown text alone is ambiguous.
    static void setEntryAccessibleName(QAction *action, const QString &name);
    static QString entryAccessibleName(const QAction *action);
    // A name from elsewhere (a list, a nick) as an entry's text: an "&" in it
    // is shown, not taken as the entry's shortcut key.
    static QString entryText(const QString &name);
};

#endif
