#ifndef TASKATTACHMENTVIDEOHYPERLINK_H
#define TASKATTACHMENTVIDEOHYPERLINK_H

#include "model/taskattachment.h"

// A video link; its additional data keeps the player parameters as
// "width;W;height;H;thumbnail;T" (width and height together or not at all,
// the thumbnail independently).
class TaskAttachmentVideoHyperlink : public TaskAttachment
{
    Q_OBJECT
public:
    TaskAttachmentVideoHyperlink(const QString &name, const QUrl &url, QObject *parent = nullptr);

    Type type() const override;
    QString typeName() const override;

    static QString parametersString(const QString &width, const QString &height, const QString &thumbnail);
    static void parseParameters(const QString &text, QString &width, QString &height, QString &thumbnail);

    // -1, -1 and a null thumbnail when there are no parameters; a width or
    // height that is not a number reads as 0.
    void videoParameters(int &width, int &height, QString &thumbnail) const;
};

#endif
