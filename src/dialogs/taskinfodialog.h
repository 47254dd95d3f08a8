#ifndef TASKINFODIALOG_H
#define TASKINFODIALOG_H

#include "model/tasktrace.h"
#include "shell/customdialog.h"

#include <QPointer>

#include <memory>

class AssigneeChat;
class ListModel;
class PDTextEdit;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QVBoxLayout;
class Task;
class TaskDialogOpener;
class ToolButton;

// "Task info": every field of the lists page's current task, with the title,
// done state, priority and note editable in place. Non-modal, following the
// selection, floating or docked; it never closes itself (accept and reject
// emit closeDialog()). It forgets its task before the list frees it (a reset
// by undo or redo or a synchronisation, a removal); the page then hands it
// the current one, which is the same task when the list's new copy of it
// stands in its place. Refreshes of the same task leave the title and note
// fields alone while they hold typing not saved yet. A reset that took its
// task out of the list leaves the typing on show, says so, and saves
// nothing, until the user chooses another task, or undo or redo brings the
// task back (then the typing takes edits again); so does a run that takes
// its whole list away. Typing for a task the user removes, or leaves once
// it was taken away, stays with that task: when undo brings it back, the
// form shows the typing again. A task a run found moved to another list
// (by its settling of moves, or by the other computer alone) is followed
// there, typing and all, and the form says so until the user chooses a
// task; typing left there stays with it.
class TaskInfoDialog : public CustomDialog
{
    Q_OBJECT
public:
    explicit TaskInfoDialog(TaskDialogOpener *owner, QWidget *parent = nullptr);
    ~TaskInfoDialog() override;

    void setAssigneeChat(AssigneeChat *chat);
    void updateInfo();
    // The page is about to take `list` away (removed, or no longer shared
    // with the user): typing for one of its tasks stays on show. True when
    // the form keeps typing.
    bool listRemoved(ListModel *list);

    Task *task() const { return m_task; }
    ListModel *model() const { return m_model; }

    PDTextEdit *titleEdit() const { return m_titleEdit; }
    PDTextEdit *noteEdit() const { return m_noteEdit; }
    QCheckBox *doneBox() const { return m_doneBox; }
    QComboBox *priorityBox() const { return m_priorityBox; }
    QLabel *startLabel() const { return m_startLabel; }
    QLabel *endLabel() const { return m_endLabel; }
    QLabel *alarmLabel() const { return m_alarmLabel; }
    QLabel *revisionLabel() const { return m_revisionLabel; }
    QLabel *createdByLabel() const { return m_createdByLabel; }
    QLabel *creationTimeLabel() const { return m_creationTimeLabel; }
    QLabel *modifiedByLabel() const { return m_modifiedByLabel; }
    QLabel *modificationTimeLabel() const { return m_modificationTimeLabel; }
    QLabel *doneByLabel() const { return m_doneByLabel; }
    QLabel *assignedToLabel() const { return m_assignedToLabel; }
    QLabel *moreAssigneesLabel() const { return m_moreAssigneesLabel; }
    QPushButton *viewAllButton() const { return m_viewAllButton; }
    ToolButton *chatButton() const { return m_chatButton; }
    ToolButton *alarmButton() const { return m_alarmButton; }
    ToolButton *saveTitleButton() const { return m_saveTitleButton; }
    ToolButton *saveNoteButton() const { return m_saveNoteButton; }
    ToolButton *deleteNoteButton() const { return m_deleteNoteButton; }
    ToolButton *startCalendarButton() const { return m_startCalendarButton; }
    ToolButton *endCalendarButton() const { return m_endCalendarButton; }
    QString alarmImage() const { return m_alarmImage; }
    QLabel *syncNoticeLabel() const { return m_syncNoticeLabel; }
    QLabel *goneNoticeLabel() const { return m_goneNoticeLabel; }

signals:
    void viewAllAssignmentsClicked();
    void closeDialog();

public slots:
    void selectedTaskChanged(Task *task, ListModel *model);
    void reject() override;
    void accept() override;
    void onAssignmentChatClicked();
    void onViewAllAssignmentsClicked();
    void onConnected();
    void onDisconnected();

private slots:
    void onSaveTittleClicked();
    void onSaveNoteClicked();
    void removeNoteClicked();
    void onDoneStateChanged(int state);
    void onPriorityIndexChanged(int index);
    void onEditCalendarClicked();
    void onEditAlarmClicked();
    void forgetTask();
    void findTaskAfterReset();
    void forgetTaskIfGone();
    void keepTypingOfRemovedRows(const QModelIndex &parent, int first, int last);

private:
    // Typing not saved yet for a task no longer in its list.
    struct KeptTyping
    {
        QPointer<ListModel> model;
        TaskTrace task;
        QString title; // null when the title field held no typing
        QString note;
    };
    // Its task and list take edits now: not while a run replaces the list.
    bool takesEdits() const;
    QString chatPartner() const;
    void updateChatButton(bool connected);
    void showNoTask();
    void showTaskGone();
    void showEditButtons(bool visible, bool enabled);
    void fillText(PDTextEdit *edit, QString *shown, const QString &text);
    bool holdsTyping() const;
    KeptTyping typingFor(const TaskTrace &task) const;
    void keepTyping(const KeptTyping &typing);
    void restoreTyping();
    void watch(ListModel *model);
    // Its task gone from the list: on to the copy a run moved it into.
    bool followMove(const TaskTrace &task);

    QVBoxLayout *m_layout;
    Task *m_task = nullptr;
    // While it lives: a run may take the task out of the list before the
    // list says it resets (settling a move elsewhere).
    std::weak_ptr<const void> m_taskLifetime;
    // The task shown when the list began a reset, to know it again under a
    // new object afterwards (undo, redo, a synchronisation).
    TaskTrace m_taskBeforeReset;
    // Whether that reset came from a synchronisation (else undo or redo),
    // to say what took the task away.
    bool m_resetBySync = false;
    // A reset took its task out of the list: the typing stays, nothing is
    // saved.
    bool m_taskGone = false;
    // That task, to know it when undo or redo brings it back.
    TaskTrace m_goneTask;
    // The list a run moved the task out of, into m_model: the page handing
    // that list without a task is no choice of the user's.
    QPointer<ListModel> m_movedFrom;
    // Its whole list was taken away: the typing stays, nothing is saved,
    // and the notice says why.
    bool m_listGone = false;
    QString m_listGoneNotice;
    // What the page showed once that list was gone, found again after its
    // resets: handed again, it is no choice of the user's.
    QPointer<ListModel> m_nextModel;
    TaskTrace m_nextTask;
    bool m_nextKnown = false;
    QList<KeptTyping> m_keptTyping;
    // The task the form last left with typing, until the event loop runs:
    // removing a task moves the tree to the next one before the list says
    // which rows go.
    KeptTyping m_leftTyping;
    // What the form last put in the title and note fields: a field that
    // differs holds typing not saved yet.
    QString m_shownTitle;
    QString m_shownNote;
    QPointer<ListModel> m_model;
    TaskDialogOpener *m_owner;
    AssigneeChat *m_chat = nullptr;
    PDTextEdit *m_titleEdit;
    QCheckBox *m_doneBox;
    QLabel *m_startLabel;
    QLabel *m_endLabel;
    QLabel *m_createdByLabel;
    QLabel *m_creationTimeLabel;
    QLabel *m_modifiedByLabel;
    QLabel *m_modificationTimeLabel;
    QLabel *m_doneByLabel;
    QLabel *m_assignedToLabel;
    QLabel *m_moreAssigneesLabel;
    QPushButton *m_viewAllButton;
    ToolButton *m_chatButton;
    PDTextEdit *m_noteEdit;
    QLabel *m_alarmLabel;
    QLabel *m_revisionLabel;
    ToolButton *m_alarmButton;
    ToolButton *m_saveTitleButton;
    ToolButton *m_saveNoteButton;
    ToolButton *m_deleteNoteButton;
    ToolButton *m_startCalendarButton;
    ToolButton *m_endCalendarButton;
    QComboBox *m_priorityBox;
    QLabel *m_syncNoticeLabel;
    QLabel *m_goneNoticeLabel;
    QString m_alarmImage = QStringLiteral("red-clock");
};

#endif
