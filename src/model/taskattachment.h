#ifndef TASKATTACHMENT_H
#define TASKATTACHMENT_H

#include <QObject>
#include <QString>
#include <QUrl>

// A link the user attached to a task. The task that holds an attachment owns
// it (see Task).
class TaskAttachment : public QObject
{
    Q_OBJECT
public:
    enum Type {
        Generic = 0,
        VideoHyperlink = 1,
        WebHyperlink = 2
    };

    TaskAttachment(const QString &name, const QUrl &url, QObject *parent = nullptr);

    virtual Type type() const;
    virtual QString typeName() const;

    QString name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }
    QUrl url() const { return m_url; }
    void setUrl(const QUrl &url) { m_url = url; }
    QString description() const { return m_description; }
    void setDescription(const QString &description) { m_description = description; }
    bool hasDescription() const { return !m_description.isNull(); }
    QString additionalData() const { return m_additionalData; }
    void setAdditionalData(const QString &data) { m_additionalData = data; }
    bool hasAdditionalData() const { return !m_additionalData.isNull(); }

    // "webHyperlink" and "videoHyperlink" (exact); anything else is generic.
    static Type typeFromString(const QString &typeName);

    // A new attachment of the class that `type` names.
    static TaskAttachment *create(Type type, const QString &name, const QUrl &url);

    // A new attachment of the same class with the same four values, so that
    // copies of a task never share an attachment with their source.
    TaskAttachment *clone() const;

private:
    QString m_name;
    QUrl m_url;
    QString m_description;
    QString m_additionalData;
};

#endif
