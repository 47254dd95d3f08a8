#ifndef LISTSHARINGUSERSDIALOG_H
#define LISTSHARINGUSERSDIALOG_H

#include "shell/customdialog.h"

#include <QPointer>

class ListDialogsHost;
class ListModel;
class QFrame;
class ShareFriendsContainer;

// "List shared with": the owner ticks the contacts the current list is
// shared with and picks each one's permission. A list of another user shows
// a notice instead. Changes reach the list at once.
class ListSharingUsersDialog : public CustomDialog
{
    Q_OBJECT
public:
    ListSharingUsersDialog(ListDialogsHost *host, QWidget *parent = nullptr);

    void updateInfo();
    ListModel *listModel() const { return m_listModel; }
    ShareFriendsContainer *shareContainer() const { return m_shareContainer; }
    QFrame *sharedByContainer() const { return m_sharedByContainer; }

signals:
    void closeDialog();

public slots:
    void selectedListChanged(ListModel *list);
    void accept() override;
    void reject() override;

protected slots:
    void onSharingInfoModified();

private:
    QPointer<ListModel> m_listModel;
    ListDialogsHost *m_host = nullptr;
    ShareFriendsContainer *m_shareContainer;
    QFrame *m_sharedByContainer;
};

#endif
