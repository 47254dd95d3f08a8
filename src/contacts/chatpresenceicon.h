#ifndef CHATPRESENCEICON_H
#define CHATPRESENCEICON_H

#include <QLabel>
#include <QPointer>

class QAction;
class User;

// The presence picture of a picker row; a left click starts a chat with the
// user through the row's action.
class ChatPresenceIcon : public QLabel
{
    Q_OBJECT
public:
    ChatPresenceIcon(User *user, QAction *action, QWidget *parent = nullptr);

    void setUser(User *user);
    User *user() const { return m_user; }
    // The resource of the picture for the user's current presence.
    QString imagePath() const;

public slots:
    void onPresenceChanged();

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    QPointer<User> m_user;
    QPointer<QAction> m_action;
};

#endif
