#ifndef TASKATTACHMENTSSELECTOR_H
#define TASKATTACHMENTSSELECTOR_H

#include <QHash>
#include <QListWidget>

class TaskAttachment;

// One row per web or video link of a task. A double click opens a web link
// in the desktop's browser (only a web or mail address) and asks for a video
// link to be played.
class TaskAttachmentsSelector : public QListWidget
{
    Q_OBJECT
public:
    explicit TaskAttachmentsSelector(QWidget *parent = nullptr);

    void addAttachment(TaskAttachment *attachment);
    void clearAttachments();
    void removeCurrentItem();
    // The attachment of the current row, null when there is none.
    TaskAttachment *currentAttachment() const;

signals:
    // The lists page plays it in its video player window.
    void playVideoRequested(TaskAttachment *attachment);

public slots:
    void onItemDoubleClicked(QListWidgetItem *item);

private:
    QHash<QListWidgetItem *, TaskAttachment *> m_attachments;
};

#endif
