#ifndef TASKATTACHMENTWEBHYPERLINK_H
#define TASKATTACHMENTWEBHYPERLINK_H

#include "model/taskattachment.h"

class TaskAttachmentWebHyperlink : public TaskAttachment
{
    Q_OBJECT
public:
    TaskAttachmentWebHyperlink(const QString &name, const QUrl &url, QObject *parent = nullptr);

    Type type() const override;
    QString typeName() const override;
};

#endif
