#include "model/taskattachmentwebhyperlink.h"

TaskAttachmentWebHyperlink::TaskAttachmentWebHyperlink(const QString &name, const QUrl &url, QObject *parent)
    : TaskAttachment(name, url, parent)
{
}

TaskAttachment::Type TaskAttachmentWebHyperlink::type() const
{
    return WebHyperlink;
}

QString TaskAttachmentWebHyperlink::typeName() const
{
    return QStringLiteral("webHyperlink");
}
