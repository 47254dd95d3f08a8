#ifndef CONNECTIONWIDGET_H
#define CONNECTIONWIDGET_H

#include <QFrame>

class QLabel;
class QLineEdit;
class QPushButton;

// The Team page's sign-in form: user name and password for the event
// connection, the Connect button and the connection's state.
class ConnectionWidget : public QFrame
{
    Q_OBJECT
public:
    explicit ConnectionWidget(QWidget *parent = nullptr);

    QLineEdit *userNameEdit() const { return m_userNameEdit; }
    QLineEdit *passwordEdit() const { return m_passwordEdit; }
    QPushButton *connectButton() const { return m_connectButton; }
    QLabel *messageLabel() const { return m_messageLabel; }

public slots:
    void onServerSettingsChanged();
    void onConnectButtonClicked();
    void onEventConnectionStateChanged();

private:
    QLabel *m_messageLabel = nullptr;
    QLineEdit *m_userNameEdit = nullptr;
    QLineEdit *m_passwordEdit = nullptr;
    QPushButton *m_connectButton = nullptr;
};

#endif
