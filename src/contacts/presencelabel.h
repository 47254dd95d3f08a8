#ifndef PRESENCELABEL_H
#define PRESENCELABEL_H

#include <QLabel>
#include <QPointer>

class User;

// A user's presence text (the custom message, else the state's name),
// optionally coloured: green when available, grey otherwise.
class PresenceLabel : public QLabel
{
    Q_OBJECT
public:
    explicit PresenceLabel(QWidget *parent = nullptr);
    PresenceLabel(User *user, QWidget *parent = nullptr);

    User *user() const { return m_user; }
    void setUser(User *user);
    void setColored(bool colored);

public slots:
    void onPresenceChanged();

private:
    QPointer<User> m_user;
    bool m_colored = false;
};

#endif
