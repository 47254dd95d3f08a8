#ifndef TASKATTACHMENTEDITDIALOG_H
#define TASKATTACHMENTEDITDIALOG_H

#include "shell/customdialog.h"

class PDLineEdit;
class QComboBox;
class QFrame;
class TaskAttachment;

// The modal form describing one attachment: a web link (name, address,
// description) or a video link (name, address, description, size,
// thumbnail). Adding lets the user choose the kind; editing keeps it. The
// form only collects and checks; the caller then asks for a new attachment
// or for the values to be written into the edited one.
class TaskAttachmentEditDialog : public CustomDialog
{
    Q_OBJECT
public:
    explicit TaskAttachmentEditDialog(QWidget *parent = nullptr);
    TaskAttachmentEditDialog(TaskAttachment *attachment, QWidget *parent = nullptr);

    // After an accepted add; the caller owns the result.
    TaskAttachment *createAttachment() const;
    // After an accepted edit.
    void updateAttachment(TaskAttachment *attachment) const;

    QString videoWidth() const;
    QString videoHeight() const;
    void selectVideoSize(const QString &width, const QString &height);

protected:
    virtual void setWebAttachment(TaskAttachment *attachment);
    virtual void createWebFrame();
    virtual void setVideoAttachment(TaskAttachment *attachment);
    virtual void createVideoFrame();

protected slots:
    void onSaveClicked();
    void onTypeIndexChanged(int index);

private:
    void build(const QString &icon);
    QString parametersText() const;
    QString videoSize(bool width) const;
    // The first rule the form breaks, or an empty text.
    QString invalidField() const;

    PDLineEdit *m_webName = nullptr;
    PDLineEdit *m_webUrl = nullptr;
    PDLineEdit *m_webDescription = nullptr;
    PDLineEdit *m_videoName = nullptr;
    PDLineEdit *m_videoLocation = nullptr;
    PDLineEdit *m_videoDescription = nullptr;
    PDLineEdit *m_videoThumbnail = nullptr;
    QComboBox *m_videoSizeBox = nullptr;
    QComboBox *m_typeBox = nullptr;
    QFrame *m_webFrame = nullptr;
    QFrame *m_videoFrame = nullptr;
    QVBoxLayout *m_content = nullptr;
    TaskAttachment *m_attachment = nullptr;
    // The size stored in the edited video link, kept unless the user picks
    // another: the size box knows only a few sizes.
    QString m_storedWidth;
    QString m_storedHeight;
    bool m_sizeChosen = false;
};

#endif
