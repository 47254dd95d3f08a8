#include "dialogs/taskassignmentsdialog.h"

#include "contacts/assignmentsfriendscontainer.h"
#include "dialogs/listdialogshost.h"
#include "model/listmodel.h"
#include "model/modelscontainer.h"
#include "model/tasklist.h"

#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

TaskAssignmentsDialog::TaskAssignmentsDialog(ListDialogsHost *host, QWidget *parent)
    : CustomDialog(tr("Task Assingmens"), false, false, parent)
    , m_host(host)
{
    forgetHostWhenGone(m_host, this);
    addResizeGrip();
    resize(330, 300);
    auto *content = new QVBoxLayout;
    setContentLayout(content);
    setTitleIcon(QStringLiteral(":/asign_task.png"));

    ModelsContainer *models = host ? host->modelsContainer() : nullptr;
    m_assignmentsContainer = new AssignmentsFriendsContainer(host ? host->chatUI() : nullptr,
                                                             models ? models->friends() : nullptr, true, this);
    m_assignmentsContainer->createContents(true);

    m_notOwnedContainer = new QFrame;
    m_notOwnedContainer->setObjectName(QStringLiteral("notOwnedContainer"));
    m_notOwnedContainer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto *noticeLayout = new QVBoxLayout(m_notOwnedContainer);
    auto *notice = new QLabel(tr("The list is not yours, tasks can not be assigned."));
    notice->setObjectName(QStringLiteral("standarLabel"));
    noticeLayout->addWidget(notice, 0, Qt::AlignHCenter);
    noticeLayout->addStretch();

    content->addWidget(m_notOwnedContainer);
    content->addWidget(m_assignmentsContainer);
    setCenterOnParent(true);
    m_notOwnedContainer->hide();
}

void TaskAssignmentsDialog::selectedTaskChanged(Task *task, ListModel *list)
{
    // A cleared selection (no task, or the list's invisible root) keeps the
    // previous task on screen.
    if (task && list && task != list->taskList()->rootTask()) {
        m_task = task;
        m_listModel = list;
    }
    updateInfo();
}

void TaskAssignmentsDialog::updateInfo()
{
    // Undo, redo and removals free tasks.
    if (m_task && (!m_listModel || !m_listModel->taskList()->allTasks().contains(m_task)))
        m_task = nullptr;
    if (!m_task || !m_listModel) {
        qWarning("Trying to update task assignments dialog, but the task reference is null");
        return;
    }
    if (!m_listModel->isOwned()) {
        m_assignmentsContainer->hide();
        m_notOwnedContainer->show();
        return;
    }
    m_notOwnedContainer->hide();
    m_assignmentsContainer->show();
    m_assignmentsContainer->setTask(m_task, m_listModel);
}

void TaskAssignmentsDialog::accept()
{
    emit closeDialog();
}

void TaskAssignmentsDialog::reject()
{
    emit closeDialog();
}
