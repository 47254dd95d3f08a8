#ifndef ATTACHMENTVIDEOLINKLABEL_H
#define ATTACHMENTVIDEOLINKLABEL_H

#include <QSize>
#include <QString>

class TaskAttachment;

// The address of the service's video player page for a video link.
class AttachmentVideoLinkLabel
{
public:
    // "/player/index.php" on the service's web host with the keys "file",
    // "mediawidth" and "mediaheight" (only when both are given) and "image"
    // (when given), each value percent-encoded so that no value can end the
    // query early or add keys of its own.
    static QString playerUrl(const QString &file, const QString &width, const QString &height, const QString &image);

    // The player address for a video link and the player window's size: the
    // stored size when the link has one, else none in the address and
    // 400 by 300 for the window.
    static QString playerUrl(const TaskAttachment *video, QSize *playerSize);

private:
    AttachmentVideoLinkLabel() = delete;
};

#endif
