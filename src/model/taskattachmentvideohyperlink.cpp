#include "model/taskattachmentvideohyperlink.h"

#include <QStringList>

namespace {

// Only a plain decimal integer counts; blanks or a '+' sign, which toInt()
// would let through, read as 0 like any other text.
int decimalOrZero(const QString &text)
{
    const int start = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    if (text.size() <= start)
        return 0;
    for (int i = start; i < text.size(); ++i) {
        if (text.at(i) < QLatin1Char('0') || text.at(i) > QLatin1Char('9'))
            return 0;
    }
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value : 0;
}

} // namespace

TaskAttachmentVideoHyperlink::TaskAttachmentVideoHyperlink(const QString &name, const QUrl &url, QObject *parent)
    : TaskAttachment(name, url, parent)
{
}

TaskAttachment::Type TaskAttachmentVideoHyperlink::type() const
{
    return VideoHyperlink;
}

QString TaskAttachmentVideoHyperlink::typeName() const
{
    return QStringLiteral("videoHyperlink");
}

QString TaskAttachmentVideoHyperlink::parametersString(const QString &width, const QString &height,
                                                       const QString &thumbnail)
{
    QString text;
    bool written = false;
    if (!width.isNull() && !height.isNull()) {
        text += QLatin1String("width;") + width + QLatin1String(";height;") + height;
        written = true;
    }
    if (written && !thumbnail.isNull())
        text += QLatin1Char(';');
    if (!thumbnail.isNull()) {
        text += QLatin1String("thumbnail;") + thumbnail;
        written = true;
    }
    return written ? text : QString();
}

void TaskAttachmentVideoHyperlink::parseParameters(const QString &text, QString &width, QString &height,
                                                   QString &thumbnail)
{
    width = QString();
    height = QString();
    thumbnail = QString();
    if (text.isNull())
        return;
    const QStringList parts = text.split(QLatin1Char(';'), Qt::KeepEmptyParts);
    switch (parts.size()) {
    case 2:
        thumbnail = parts.at(1);
        break;
    case 4:
        width = parts.at(1);
        height = parts.at(3);
        break;
    case 6:
        width = parts.at(1);
        height = parts.at(3);
        thumbnail = parts.at(5);
        break;
    default:
        break;
    }
}

void TaskAttachmentVideoHyperlink::videoParameters(int &width, int &height, QString &thumbnail) const
{
    width = -1;
    height = -1;
    thumbnail = QString();
    if (!hasAdditionalData())
        return;
    const QStringList parts = additionalData().split(QLatin1Char(';'), Qt::KeepEmptyParts);
    if (parts.size() == 2) {
        thumbnail = parts.at(1);
    } else if (parts.size() == 4 || parts.size() == 6) {
        width = decimalOrZero(parts.at(1));
        height = decimalOrZero(parts.at(3));
        if (parts.size() == 6)
            thumbnail = parts.at(5);
    }
}
