#ifndef AVATAR_H
#define AVATAR_H

#include <QObject>
#include <QPixmap>
#include <QPointer>

class QBuffer;
class Request;
class User;

// One user's picture: shown from the file cache at once, then fetched from
// the server once per run; a new picture replaces the cached file.
class Avatar : public QObject
{
    Q_OBJECT
public:
    Avatar(User *user, QObject *parent = nullptr);
    ~Avatar() override;

    User *user() const { return m_user; }
    // The default picture while none is known.
    QPixmap pixmap() const;
    bool hasPicture() const { return !m_pixmap.isNull(); }

    // "avatars/" and the percent-encoded nick, with a leading "." encoded
    // too, so that no nick names the folder itself or its parent.
    static QString filePath(const QString &nick);

signals:
    void changed();

private slots:
    void onRequestFinished();

private:
    void loadFile();
    void fetch();
    void setPixmap(const QPixmap &pixmap);
    void saveFile(const QByteArray &bytes);
    void removeFile();

    User *const m_user;
    QPixmap m_pixmap;
    QPointer<Request> m_request;
    QBuffer *m_buffer = nullptr;
};

#endif
