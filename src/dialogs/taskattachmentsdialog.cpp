#include "dialogs/taskattachmentsdialog.h"

#include "core/uisettings.h"
#include "dialogs/taskattachmenteditdialog.h"
#include "dialogs/taskattachmentsselector.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/taskattachment.h"
#include "model/tasklist.h"
#include "model/tasktrace.h"
#include "shell/messagedialog.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

TaskAttachmentsDialog::TaskAttachmentsDialog(QWidget *parent)
    : CustomDialog(tr("Attachments"), false, false, parent)
{
    addResizeGrip();
    resize(330, 300);
    setCenterOnParent(true);
    // Both skins' title bars are dark.
    setTitleIcon(QStringLiteral(":/attachment_light.png"));

    m_selector = new TaskAttachmentsSelector;
    m_selector->setObjectName(QStringLiteral("taskAttachmentsSelector"));
    m_selector->setAccessibleName(tr("Attachments"));
    connect(m_selector, &TaskAttachmentsSelector::playVideoRequested, this,
            &TaskAttachmentsDialog::playVideoRequested);
    auto *content = new QVBoxLayout;
    content->addWidget(m_selector);
    setBareContentLayout(content);

    // The Green skin's buttons are dark, the Blue skin's light.
    const QString icons = UISettings::instance()->isBlueSkin() ? QStringLiteral(":/attach_%1.png")
                                                               : QStringLiteral(":/attach_%1_light.png");
    m_addButton = new QPushButton(QIcon(icons.arg(QLatin1String("add"))), tr("Add+"));
    m_deleteButton = new QPushButton(QIcon(icons.arg(QLatin1String("delete"))), tr("Delete-"));
    m_editButton = new QPushButton(QIcon(icons.arg(QLatin1String("edit"))), tr("Edit"));
    QHBoxLayout *buttons = buttonsLayout();
    buttons->setContentsMargins(5, 5, 5, 5);
    // Before the frame's own stretch, so the buttons sit on the left.
    buttons->insertSpacing(0, 10);
    buttons->insertWidget(1, m_addButton);
    buttons->insertWidget(2, m_editButton);
    buttons->insertWidget(3, m_deleteButton);
    buttons->insertSpacing(4, 10);
    connect(m_addButton, &QPushButton::clicked, this, &TaskAttachmentsDialog::onAddClicked);
    connect(m_editButton, &QPushButton::clicked, this, &TaskAttachmentsDialog::onEditClicked);
    connect(m_deleteButton, &QPushButton::clicked, this, &TaskAttachmentsDialog::onDeleteClicked);
    // Nothing to add to before the lists page hands over a task.
    setButtonsEnabled(false);
}

Task *TaskAttachmentsDialog::task() const
{
    return m_task;
}

void TaskAttachmentsDialog::setButtonsEnabled(bool enabled)
{
    for (QPushButton *button : {m_addButton, m_editButton, m_deleteButton})
        button->setEnabled(enabled);
}

void TaskAttachmentsDialog::selectedTaskChanged(Task *task, ListModel *model)
{
    // The list's invisible root is never written to the lists document: a
    // link added to it would be lost.
    if (task && model && task == model->taskList()->rootTask())
        task = nullptr;
    if (m_model != model) {
        if (m_model)
            disconnect(m_model, nullptr, this, nullptr);
        if (model) {
            // Undo and redo replace the list's tasks, a removal deletes them:
            // the task must not be used after either.
            connect(model, &QAbstractItemModel::modelReset, this, &TaskAttachmentsDialog::forgetTaskIfGone);
            connect(model, &QAbstractItemModel::rowsRemoved, this, &TaskAttachmentsDialog::forgetTaskIfGone);
        }
    }
    m_task = task;
    m_model = model;
    if (!task || !model) {
        m_selector->clearAttachments();
        setButtonsEnabled(false);
    }
    updateInfo();
}

void TaskAttachmentsDialog::forgetTaskIfGone()
{
    if (!m_task)
        return;
    if (m_model) {
        const TaskList *list = m_model->taskList();
        if (list->allTasks().contains(m_task))
            return;
    }
    m_task = nullptr;
    m_selector->clearAttachments();
    setButtonsEnabled(false);
}

void TaskAttachmentsDialog::updateInfo()
{
    if (!m_task || !m_model) {
        qWarning() << "Trying to update task attachments info dialog, but the task reference or the list model are null";
        return;
    }
    // A run replaces the list with the server's copy: no edit while it goes.
    setButtonsEnabled(m_model->hasWritePermission() && !m_model->isSynchronizing());
    m_selector->clearAttachments();
    const QList<TaskAttachment *> attachments = m_task->attachments();
    for (TaskAttachment *attachment : attachments)
        m_selector->addAttachment(attachment);
}

void TaskAttachmentsDialog::addAttachment(TaskAttachment *attachment)
{
    if (!m_task || !m_model || m_model->isSynchronizing()) {
        delete attachment;
        return;
    }
    m_task->addAttachment(attachment);
    m_selector->addAttachment(attachment);
    m_model->markEditedAndReset();
}

void TaskAttachmentsDialog::onAddClicked()
{
    if (!m_task)
        return;
    // The form runs its own event loop, in which this panel may be closed
    // and deleted, and the form with it.
    const QPointer<TaskAttachmentsDialog> self(this);
    const QPointer<ListModel> model = m_model;
    const TaskTrace task(m_model, m_task);
    const QPointer<TaskAttachmentEditDialog> form = new TaskAttachmentEditDialog(this);
    const bool accepted = form->exec() == QDialog::Accepted;
    if (!self)
        return;
    TaskAttachment *attachment = accepted && form ? form->createAttachment() : nullptr;
    delete form.data();
    if (!attachment)
        return;
    // A run may have taken the task away while the form was open, and the
    // panel followed the page to another: the link is for its own task.
    if (!model || model != m_model || !m_task || task.find(model) != m_task || model->isSynchronizing()) {
        tellNotSaved(attachment->name());
        delete attachment;
        return;
    }
    addAttachment(attachment);
}

void TaskAttachmentsDialog::tellNotSaved(const QString &name)
{
    MessageDialog::information(tr("Attachments"), notSavedText(name), this);
}

QString TaskAttachmentsDialog::notSavedText(const QString &name)
{
    return tr("The task was taken away or changed by a synchronisation while the form was open, so the link "
              "\"%1\" was not saved.")
        .arg(name);
}

void TaskAttachmentsDialog::onEditClicked()
{
    TaskAttachment *attachment = m_selector->currentAttachment();
    if (!attachment) {
        qWarning() << "Edit attachment error: The map table dont contains an attachment object for the current item";
        return;
    }
    const QPointer<TaskAttachmentsDialog> self(this);
    const QPointer<TaskAttachmentEditDialog> form = new TaskAttachmentEditDialog(attachment, this);
    const bool accepted = form->exec() == QDialog::Accepted;
    if (!self)
        return;
    const std::unique_ptr<TaskAttachmentEditDialog> done(form.data());
    if (!accepted || !form)
        return;
    if (!m_task || !m_model || !m_task->attachments().contains(attachment) || m_model->isSynchronizing()) {
        const std::unique_ptr<TaskAttachment> typed(form->createAttachment());
        tellNotSaved(typed ? typed->name() : QString());
        return;
    }
    // Saved as it was: nothing for the list to upload.
    const std::unique_ptr<TaskAttachment> before(attachment->clone());
    form->updateAttachment(attachment);
    if (attachment->name() == before->name() && attachment->url() == before->url()
        && attachment->description() == before->description()
        && attachment->additionalData() == before->additionalData())
        return;
    if (QListWidgetItem *item = m_selector->currentItem())
        item->setText(attachment->name());
    m_model->markEditedAndReset();
}

void TaskAttachmentsDialog::onDeleteClicked()
{
    TaskAttachment *attachment = m_selector->currentAttachment();
    if (!attachment)
        return;
    if (!MessageDialog::question(tr("Delete Attachment"),
                                 tr("Delete Attachment \"%1\"\nAre you sure?").arg(attachment->name()), this))
        return;
    if (!m_task || !m_model || !m_task->attachments().contains(attachment) || m_model->isSynchronizing())
        return;
    m_selector->removeCurrentItem();
    m_task->removeAttachment(attachment);
    m_model->markEditedAndReset();
}

void TaskAttachmentsDialog::accept()
{
    emit closeDialog();
}

void TaskAttachmentsDialog::reject()
{
    emit closeDialog();
}
