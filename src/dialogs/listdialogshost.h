#ifndef LISTDIALOGSHOST_H
#define LISTDIALOGSHOST_H

#include <QObject>

class ChatUI;
class ListModel;
class ModelsContainer;
class QWidget;
class UserLists;

// What List info, the list's sharing users and the task's assignments ask of
// the page that opened them; the lists page answers. A host that is a QObject
// is forgotten when it goes.
class ListDialogsHost
{
public:
    virtual ~ListDialogsHost() = default;

    virtual ModelsContainer *modelsContainer() const = 0;
    virtual ChatUI *chatUI() const = 0;
    virtual UserLists *userLists() const = 0;
    virtual ListModel *currentList() const = 0;

    virtual void changeListNameExternally(ListModel *list, QWidget *parent) = 0;
    virtual void showListSharingUsersDialog() = 0;
    virtual void updateListInfoDialog() = 0;
};

// Clears `host` when the object behind it goes, as long as `dialog` lives.
inline void forgetHostWhenGone(ListDialogsHost *&host, QObject *dialog)
{
    if (auto *object = dynamic_cast<QObject *>(host))
        QObject::connect(object, &QObject::destroyed, dialog, [&host]() { host = nullptr; });
}

#endif
