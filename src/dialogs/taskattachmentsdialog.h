#ifndef TASKATTACHMENTSDIALOG_H
#define TASKATTACHMENTSDIALOG_H

#include "shell/customdialog.h"

#include <QPointer>

class ListModel;
class QPushButton;
class Task;
class TaskAttachment;
class TaskAttachmentsSelector;

// "Attachments": the links of the lists page's current task, with Add, Edit
// and Delete. Non-modal and following the selection; it never closes itself
// (accept and reject emit closeDialog()). Every change goes into the task
// and marks the list edited.
class TaskAttachmentsDialog : public CustomDialog
{
    Q_OBJECT
public:
    explicit TaskAttachmentsDialog(QWidget *parent = nullptr);

    TaskAttachmentsSelector *selector() const { return m_selector; }
    QPushButton *addButton() const { return m_addButton; }
    // What a form's Save says when a run took its task away meanwhile.
    static QString notSavedText(const QString &name);
    QPushButton *editButton() const { return m_editButton; }
    QPushButton *deleteButton() const { return m_deleteButton; }
    Task *task() const;

    void updateInfo();
    void addAttachment(TaskAttachment *attachment);

signals:
    void closeDialog();
    // A video link was double-clicked: the lists page plays it.
    void playVideoRequested(TaskAttachment *attachment);

public slots:
    void accept() override;
    void reject() override;
    void selectedTaskChanged(Task *task, ListModel *model);
    void onAddClicked();
    void onDeleteClicked();
    void onEditClicked();

private:
    void setButtonsEnabled(bool enabled);
    void forgetTaskIfGone();
    // A form's link its task can no longer take (a run took the task away
    // or holds its list): said, not dropped.
    void tellNotSaved(const QString &name);

    TaskAttachmentsSelector *m_selector;
    QPushButton *m_addButton;
    QPushButton *m_editButton;
    QPushButton *m_deleteButton;
    Task *m_task = nullptr;
    QPointer<ListModel> m_model;
};

#endif
