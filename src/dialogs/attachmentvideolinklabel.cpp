#include "dialogs/attachmentvideolinklabel.h"

#include "model/taskattachmentvideohyperlink.h"

#include <QUrl>
#include <QUrlQuery>

namespace {

const char playerAddress[] = "http://www.plumdeck.net/player/index.php";

void addItem(QUrlQuery &query, const char *key, const QString &value)
{
    // Already encoded here: QUrlQuery leaves "+" alone, which the page would
    // read as a blank.
    query.addQueryItem(QLatin1String(key), QString::fromLatin1(QUrl::toPercentEncoding(value)));
}

} // namespace

QString AttachmentVideoLinkLabel::playerUrl(const QString &file, const QString &width, const QString &height,
                                            const QString &image)
{
    QUrlQuery query;
    addItem(query, "file", file);
    if (!width.isEmpty() && !height.isEmpty()) {
        addItem(query, "mediawidth", width);
        addItem(query, "mediaheight", height);
    }
    if (!image.isEmpty())
        addItem(query, "image", image);
    QUrl url(QString::fromLatin1(playerAddress));
    url.setQuery(query);
    return url.toString(QUrl::FullyEncoded);
}

QString AttachmentVideoLinkLabel::playerUrl(const TaskAttachment *video, QSize *playerSize)
{
    QString width;
    QString height;
    QString thumbnail;
    TaskAttachmentVideoHyperlink::parseParameters(video->additionalData(), width, height, thumbnail);
    const int w = width.toInt();
    const int h = height.toInt();
    const bool sized = w > 0 && h > 0;
    // A size from someone else's list must not make a window larger than any screen.
    if (playerSize)
        *playerSize = sized ? QSize(qMin(w, 4096), qMin(h, 4096)) : QSize(400, 300);
    return playerUrl(video->url().toString(), sized ? QString::number(w) : QString(),
                     sized ? QString::number(h) : QString(), thumbnail);
}
