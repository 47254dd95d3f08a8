#ifndef PRESENCEICON_H
#define PRESENCEICON_H

#include <QLabel>
#include <QPointer>

class User;

// The picture of a user's presence state.
class PresenceIcon : public QLabel
{
    Q_OBJECT
public:
    explicit PresenceIcon(QWidget *parent = nullptr);
    PresenceIcon(User *user, QWidget *parent = nullptr);

    User *user() const { return m_user; }
    void setUser(User *user);
    // The resource of the picture for a state.
    static QString imagePath(int state);

public slots:
    void onPresenceChanged();

private:
    QPointer<User> m_user;
};

#endif
