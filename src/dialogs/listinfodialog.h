#ifndef LISTINFODIALOG_H
#define LISTINFODIALOG_H

#include "shell/customdialog.h"

#include <QPointer>

class ListDialogsHost;
class ListModel;
class PDTextEdit;
class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QVBoxLayout;
class ShareFriendsContainer;
class ToolButton;

// "List info": name, revision, ownership, done state, description, task
// counts and sharing of the lists page's current list. Edits reach the list
// at once; there is nothing to apply or cancel. Refreshes of the same list
// leave the description alone while it holds typing not saved yet. While the
// list synchronises its editing waits, and the panel says so. A list taken
// away (a run removed it, or it is no longer shared with the user) leaves
// that typing on show, read-only, saying why, until the user chooses another
// list.
class ListInfoDialog : public CustomDialog
{
    Q_OBJECT
public:
    ListInfoDialog(ListDialogsHost *host, QWidget *parent = nullptr);

    QLabel *nameLabel() const { return m_nameLabel; }
    ToolButton *renameButton() const { return m_renameButton; }
    QLabel *revisionLabel() const { return m_revisionLabel; }
    QCheckBox *ownerBox() const { return m_ownerBox; }
    QCheckBox *doneBox() const { return m_doneBox; }
    QPushButton *manageSharingButton() const { return m_manageSharingButton; }
    PDTextEdit *descriptionEdit() const { return m_descriptionEdit; }
    ToolButton *saveDescriptionButton() const { return m_saveDescriptionButton; }
    QLabel *syncNoticeLabel() const { return m_syncNoticeLabel; }
    QLabel *goneNoticeLabel() const { return m_goneNoticeLabel; }
    QLabel *totalLabel() const { return m_totalLabel; }
    QLabel *completedLabel() const { return m_completedLabel; }
    QLabel *completedPercentLabel() const { return m_completedPercentLabel; }
    QLabel *pendingLabel() const { return m_pendingLabel; }
    QLabel *pendingPercentLabel() const { return m_pendingPercentLabel; }
    QFrame *sharedByFrame() const { return m_sharedByFrame; }
    QFrame *sharedWithFrame() const { return m_sharedWithFrame; }
    QLabel *ownerNameLabel() const { return m_ownerNameLabel; }
    QPushButton *unshareButton() const { return m_unshareButton; }
    QCheckBox *readBox() const { return m_readBox; }
    QCheckBox *writeBox() const { return m_writeBox; }
    QCheckBox *deleteBox() const { return m_deleteBox; }
    ShareFriendsContainer *shareContainer() const { return m_shareContainer; }

signals:
    void closeDialog();

public slots:
    void updateInfo();
    // Whether its list takes edits now (not while a run replaces it).
    void updateEditable();
    void accept() override;
    void reject() override;
    // The page is about to take `list` away; true when the form keeps
    // typing for it.
    bool listRemoved(ListModel *list);
    // The user chose a list or a task on the page.
    void listChosen();

private slots:
    void editListName();
    void unshareList();
    void onManageSharingButtonClicked();
    void onDoneStateChanged(int state);
    void onSaveDescriptionClicked();

private:
    QLabel *addLabel(QLayout *layout, const QString &text);
    ListModel *currentList() const;

    ListDialogsHost *m_host = nullptr;
    // The list the description was last filled for, and what the form put
    // there: a field that differs holds typing not saved yet.
    QPointer<ListModel> m_descriptionList;
    QString m_shownDescription;
    // That list was taken away with typing in the description: nothing takes
    // an edit until the user chooses a list or a task.
    bool m_listGone = false;
    QLabel *m_goneNoticeLabel;
    QVBoxLayout *m_sectionsLayout;
    QLabel *m_nameLabel;
    ToolButton *m_renameButton;
    QLabel *m_revisionLabel;
    QCheckBox *m_ownerBox;
    QCheckBox *m_doneBox;
    QPushButton *m_manageSharingButton;
    PDTextEdit *m_descriptionEdit;
    ToolButton *m_saveDescriptionButton;
    QLabel *m_syncNoticeLabel;
    QLabel *m_totalLabel;
    QLabel *m_completedLabel;
    QLabel *m_completedPercentLabel;
    QLabel *m_pendingLabel;
    QLabel *m_pendingPercentLabel;
    QFrame *m_sharedByFrame;
    QLabel *m_ownerNameLabel;
    QPushButton *m_unshareButton;
    QCheckBox *m_readBox;
    QCheckBox *m_writeBox;
    QCheckBox *m_deleteBox;
    QFrame *m_sharedWithFrame;
    ShareFriendsContainer *m_shareContainer;
};

#endif
