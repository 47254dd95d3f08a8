#include "dialogs/taskattachmentsselector.h"

#include "model/taskattachment.h"
#include "shell/tasklinkopener.h"


TaskAttachmentsSelector::TaskAttachmentsSelector(QWidget *parent)
    : QListWidget(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(this, &QListWidget::itemDoubleClicked, this, &TaskAttachmentsSelector::onItemDoubleClicked);
}

void TaskAttachmentsSelector::addAttachment(TaskAttachment *attachment)
{
    QString icon;
    if (attachment->type() == TaskAttachment::VideoHyperlink)
        icon = QStringLiteral(":/attachment_video.png");
    else if (attachment->type() == TaskAttachment::WebHyperlink)
        icon = QStringLiteral(":/hyperlink.png");
    else
        return;
    auto *item = new QListWidgetItem(QIcon(icon), attachment->name(), this);
    m_attachments.insert(item, attachment);
}

void TaskAttachmentsSelector::clearAttachments()
{
    clear();
    m_attachments.clear();
}

void TaskAttachmentsSelector::removeCurrentItem()
{
    QListWidgetItem *item = currentItem();
    if (!item)
        return;
    m_attachments.remove(item);
    delete takeItem(row(item));
}

TaskAttachment *TaskAttachmentsSelector::currentAttachment() const
{
    return m_attachments.value(currentItem());
}

void TaskAttachmentsSelector::onItemDoubleClicked(QListWidgetItem *item)
{
    TaskAttachment *attachment = m_attachments.value(item);
    if (!attachment)
        return;
    if (attachment->type() == TaskAttachment::WebHyperlink)
        TaskLinkOpener::open(attachment->url());
    else if (attachment->type() == TaskAttachment::VideoHyperlink)
        emit playVideoRequested(attachment);
}
