#include "model/taskattachment.h"

#include "model/taskattachmentvideohyperlink.h"
#include "model/taskattachmentwebhyperlink.h"

TaskAttachment::TaskAttachment(const QString &name, const QUrl &url, QObject *parent)
    : QObject(parent)
    , m_name(name)
    , m_url(url)
{
}

TaskAttachment::Type TaskAttachment::type() const
{
    return Generic;
}

QString TaskAttachment::typeName() const
{
    return QStringLiteral("generic");
}

TaskAttachment::Type TaskAttachment::typeFromString(const QString &typeName)
{
    if (typeName == QLatin1String("webHyperlink"))
        return WebHyperlink;
    if (typeName == QLatin1String("videoHyperlink"))
        return VideoHyperlink;
    return Generic;
}

TaskAttachment *TaskAttachment::create(Type type, const QString &name, const QUrl &url)
{
    switch (type) {
    case WebHyperlink:
        return new TaskAttachmentWebHyperlink(name, url);
    case VideoHyperlink:
        return new TaskAttachmentVideoHyperlink(name, url);
    case Generic:
        break;
    }
    return new TaskAttachment(name, url);
}

TaskAttachment *TaskAttachment::clone() const
{
    TaskAttachment *copy = create(type(), m_name, m_url);
    copy->m_description = m_description;
    copy->m_additionalData = m_additionalData;
    return copy;
}
