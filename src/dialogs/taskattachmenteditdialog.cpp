#include "dialogs/taskattachmenteditdialog.h"

#include "model/taskattachment.h"
#include "model/taskattachmentvideohyperlink.h"
#include "model/taskattachmentwebhyperlink.h"
#include "shell/messagedialog.h"
#include "shell/pdlineedit.h"

#include <QComboBox>
#include <QDebug>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct VideoSize
{
    const char *text;
    const char *width;
    const char *height;
};

const VideoSize videoSizes[] = {
    {"default", nullptr, nullptr}, {"400x300", "400", "300"},   {"480x360", "480", "360"},
    {"500x300", "500", "300"},     {"640x480", "640", "480"},   {"720x480", "720", "480"},
    {"1280x720", "1280", "720"},   {"1920x1080", "1920", "1080"},
};

enum Kind { WebKind = 0, VideoKind = 1 };

QFrame *fieldsFrame(const char *objectName, const QList<QPair<QString, QWidget *>> &fields)
{
    auto *frame = new QFrame;
    frame->setObjectName(QLatin1String(objectName));
    auto *layout = new QVBoxLayout(frame);
    for (const auto &field : fields) {
        layout->addWidget(new QLabel(field.first));
        // The label above names the field for assistive tools.
        QString name = field.first.trimmed();
        if (name.endsWith(QLatin1Char(':')))
            name.chop(1);
        field.second->setAccessibleName(name);
        layout->addWidget(field.second);
    }
    layout->addStretch();
    return frame;
}

} // namespace

TaskAttachmentEditDialog::TaskAttachmentEditDialog(QWidget *parent)
    : CustomDialog(tr("Add Attachment"), false, false, parent)
{
    build(QStringLiteral(":/attach_add_light.png"));
    createWebFrame();
    createVideoFrame();
    m_videoFrame->hide();
    connect(m_typeBox, &QComboBox::currentIndexChanged, this, &TaskAttachmentEditDialog::onTypeIndexChanged);
}

TaskAttachmentEditDialog::TaskAttachmentEditDialog(TaskAttachment *attachment, QWidget *parent)
    : CustomDialog(tr("Edit Attachment"), false, false, parent)
    , m_attachment(attachment)
{
    build(QStringLiteral(":/attach_edit_light.png"));
    if (attachment->type() == TaskAttachment::VideoHyperlink) {
        m_typeBox->setCurrentIndex(VideoKind);
        setVideoAttachment(attachment);
    } else {
        setWebAttachment(attachment);
    }
    m_typeBox->setEnabled(false);
}

void TaskAttachmentEditDialog::build(const QString &icon)
{
    setCenterOnParent(true);
    resize(320, 100);
    setTitleIcon(icon);

    m_content = new QVBoxLayout;
    auto *kindRow = new QHBoxLayout;
    auto *kindLabel = new QLabel(tr("Attachment type:"));
    kindLabel->setObjectName(QStringLiteral("attachmentType"));
    kindRow->addWidget(kindLabel);
    kindRow->addStretch();
    m_typeBox = new QComboBox;
    m_typeBox->setObjectName(QStringLiteral("attachmentTypeBox"));
    m_typeBox->setAccessibleName(tr("Attachment type"));
    m_typeBox->addItem(QIcon(QStringLiteral(":/hyperlink.png")), tr("web link"));
    m_typeBox->addItem(QIcon(QStringLiteral(":/attachment_video.png")), tr("video link"));
    kindRow->addWidget(m_typeBox);
    m_content->addLayout(kindRow);
    setContentLayout(m_content);

    auto *save = new QPushButton(tr("Save"));
    auto *discard = new QPushButton(tr("Discard"));
    buttonsLayout()->addWidget(save);
    buttonsLayout()->addWidget(discard);
    connect(save, &QPushButton::clicked, this, &TaskAttachmentEditDialog::onSaveClicked);
    connect(discard, &QPushButton::clicked, this, &TaskAttachmentEditDialog::reject);
}

void TaskAttachmentEditDialog::createWebFrame()
{
    m_webName = new PDLineEdit;
    m_webUrl = new PDLineEdit;
    m_webDescription = new PDLineEdit;
    m_webFrame = fieldsFrame("webElementsFrame", {{tr("Link Name:"), m_webName},
                                                  {tr("Link Url:"), m_webUrl},
                                                  {tr("Link Description:"), m_webDescription}});
    m_content->addWidget(m_webFrame);
}

void TaskAttachmentEditDialog::createVideoFrame()
{
    m_videoName = new PDLineEdit;
    m_videoLocation = new PDLineEdit;
    m_videoDescription = new PDLineEdit;
    m_videoThumbnail = new PDLineEdit;
    m_videoSizeBox = new QComboBox;
    m_videoSizeBox->setObjectName(QStringLiteral("videoSizeBox"));
    for (const VideoSize &size : videoSizes)
        m_videoSizeBox->addItem(QLatin1String(size.text));
    connect(m_videoSizeBox, &QComboBox::activated, this, [this]() { m_sizeChosen = true; });
    m_videoFrame = fieldsFrame("videoElementsFrame", {{tr("Video Name:"), m_videoName},
                                                      {tr("Video Location:"), m_videoLocation},
                                                      {tr("Video Description:"), m_videoDescription},
                                                      {tr("Video Size:"), m_videoSizeBox},
                                                      {tr("Video Thumbnail:"), m_videoThumbnail}});
    m_content->addWidget(m_videoFrame);
}

void TaskAttachmentEditDialog::setWebAttachment(TaskAttachment *attachment)
{
    createWebFrame();
    m_webName->setText(attachment->name());
    if (attachment->hasDescription())
        m_webDescription->setText(attachment->description());
    m_webUrl->setText(attachment->url().toString());
}

void TaskAttachmentEditDialog::setVideoAttachment(TaskAttachment *attachment)
{
    createVideoFrame();
    m_videoName->setText(attachment->name());
    if (attachment->hasDescription())
        m_videoDescription->setText(attachment->description());
    m_videoLocation->setText(attachment->url().toString());
    if (attachment->additionalData().isNull()) {
        m_videoSizeBox->setCurrentIndex(0);
        return;
    }
    QString thumbnail;
    TaskAttachmentVideoHyperlink::parseParameters(attachment->additionalData(), m_storedWidth, m_storedHeight,
                                                  thumbnail);
    selectVideoSize(m_storedWidth, m_storedHeight);
    m_videoThumbnail->setText(thumbnail);
}

void TaskAttachmentEditDialog::selectVideoSize(const QString &width, const QString &height)
{
    if (width.isNull() || height.isNull()) {
        m_videoSizeBox->setCurrentIndex(0);
        return;
    }
    for (int i = 1; i < int(std::size(videoSizes)); ++i) {
        if (width == QLatin1String(videoSizes[i].width)) {
            m_videoSizeBox->setCurrentIndex(i);
            return;
        }
    }
}

QString TaskAttachmentEditDialog::videoSize(bool width) const
{
    if (!m_sizeChosen && !m_storedWidth.isNull() && !m_storedHeight.isNull())
        return width ? m_storedWidth : m_storedHeight;
    const VideoSize &size = videoSizes[qMax(0, m_videoSizeBox->currentIndex())];
    const char *text = width ? size.width : size.height;
    return text ? QLatin1String(text) : QString();
}

QString TaskAttachmentEditDialog::videoWidth() const
{
    return videoSize(true);
}

QString TaskAttachmentEditDialog::videoHeight() const
{
    return videoSize(false);
}

void TaskAttachmentEditDialog::onTypeIndexChanged(int index)
{
    if (index == VideoKind) {
        qDebug() << "Change to video";
        m_webFrame->hide();
        m_videoFrame->show();
    } else if (index == WebKind) {
        qDebug() << "Change to web";
        m_videoFrame->hide();
        m_webFrame->show();
    }
}

QString TaskAttachmentEditDialog::invalidField() const
{
    const bool video = m_typeBox->currentIndex() == VideoKind;
    const PDLineEdit *name = video ? m_videoName : m_webName;
    const PDLineEdit *url = video ? m_videoLocation : m_webUrl;
    if (name->text().isEmpty())
        return video ? QStringLiteral("Video Name field can not be empty.")
                     : QStringLiteral("Link Name field can not be empty.");
    if (url->text().isEmpty())
        return video ? QStringLiteral("Video Url field can not be empty.")
                     : QStringLiteral("Link Url field can not be empty.");
    if (!QUrl(url->text(), QUrl::TolerantMode).isValid())
        return QStringLiteral("The given Url is not valid.");
    // ";" separates the stored video parameters: one in the thumbnail would
    // make them all unreadable.
    if (video && m_videoThumbnail->text().contains(QLatin1Char(';')))
        return QStringLiteral("Video Thumbnail field can not contain \";\".");
    return QString();
}

void TaskAttachmentEditDialog::onSaveClicked()
{
    const QString problem = invalidField();
    if (problem.isEmpty())
        accept();
    else
        MessageDialog::question(QStringLiteral("Save attachment"), problem, this);
}

QString TaskAttachmentEditDialog::parametersText() const
{
    const QString thumbnail = m_videoThumbnail->text();
    return TaskAttachmentVideoHyperlink::parametersString(videoWidth(), videoHeight(),
                                                          thumbnail.isEmpty() ? QString() : thumbnail);
}

TaskAttachment *TaskAttachmentEditDialog::createAttachment() const
{
    TaskAttachment *attachment = nullptr;
    if (m_typeBox->currentIndex() == VideoKind) {
        attachment = new TaskAttachmentVideoHyperlink(m_videoName->text(), QUrl(m_videoLocation->text()));
        attachment->setDescription(m_videoDescription->text());
        attachment->setAdditionalData(parametersText());
    } else {
        attachment = new TaskAttachmentWebHyperlink(m_webName->text(), QUrl(m_webUrl->text()));
        attachment->setDescription(m_webDescription->text());
    }
    return attachment;
}

void TaskAttachmentEditDialog::updateAttachment(TaskAttachment *attachment) const
{
    if (attachment->type() == TaskAttachment::VideoHyperlink && m_videoFrame) {
        attachment->setName(m_videoName->text());
        attachment->setDescription(m_videoDescription->text());
        attachment->setUrl(QUrl(m_videoLocation->text()));
        attachment->setAdditionalData(parametersText());
    } else if (attachment->type() == TaskAttachment::WebHyperlink && m_webFrame) {
        attachment->setName(m_webName->text());
        attachment->setDescription(m_webDescription->text());
        attachment->setUrl(QUrl(m_webUrl->text()));
    }
}
