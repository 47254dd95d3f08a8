#include "contacts/connectionwidget.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/serversettings.h"
#include "sync/requests/eventconnection.h"

ConnectionWidget::ConnectionWidget(QWidget *parent)
    : QFrame(parent)
{
    auto *grid = new QGridLayout(this);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(0, 1);

    auto *userLabel = new QLabel(tr("Username"));
    userLabel->setObjectName(QStringLiteral("usernamelabel"));
    m_userNameEdit = new QLineEdit;
    m_userNameEdit->setObjectName(QStringLiteral("usernameedit"));
    userLabel->setBuddy(m_userNameEdit);
    grid->addWidget(userLabel, 1, 1);
    grid->addWidget(m_userNameEdit, 1, 2);

    auto *passwordLabel = new QLabel(tr("Password"));
    passwordLabel->setObjectName(QStringLiteral("passwordlabel"));
    m_passwordEdit = new QLineEdit;
    m_passwordEdit->setObjectName(QStringLiteral("passwordedit"));
    m_passwordEdit->setEchoMode(QLineEdit::Password);
    passwordLabel->setBuddy(m_passwordEdit);
    grid->addWidget(passwordLabel, 2, 1);
    grid->addWidget(m_passwordEdit, 2, 2);

    m_connectButton = new QPushButton(tr("Connect"));
    m_connectButton->setObjectName(QStringLiteral("connectbutton"));
    m_connectButton->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
    grid->addWidget(m_connectButton, 3, 2, Qt::AlignHCenter);
    grid->setRowStretch(4, 1);

    m_messageLabel = new QLabel;
    m_messageLabel->setObjectName(QStringLiteral("messagelabel"));
    m_messageLabel->setTextFormat(Qt::PlainText);
    grid->addWidget(m_messageLabel, 5, 1, 1, 2, Qt::AlignHCenter);
    grid->setRowStretch(6, 1);

    ServerSettings *settings = ServerSettings::instance();
    connect(settings, &ServerSettings::serverChanged, this, &ConnectionWidget::onServerSettingsChanged);
    connect(settings, &ServerSettings::userChanged, this, &ConnectionWidget::onServerSettingsChanged);
    connect(settings, &ServerSettings::passwordChanged, this, &ConnectionWidget::onServerSettingsChanged);
    onServerSettingsChanged();

    connect(m_connectButton, &QPushButton::clicked, this, &ConnectionWidget::onConnectButtonClicked);
    connect(m_userNameEdit, &QLineEdit::returnPressed, this, &ConnectionWidget::onConnectButtonClicked);
    connect(m_passwordEdit, &QLineEdit::returnPressed, this, &ConnectionWidget::onConnectButtonClicked);
    connect(EventConnection::instance(), &EventConnection::stateChanged, this,
            &ConnectionWidget::onEventConnectionStateChanged);
    onEventConnectionStateChanged();
}

void ConnectionWidget::onServerSettingsChanged()
{
    m_userNameEdit->setText(ServerSettings::instance()->userName());
    m_passwordEdit->setText(ServerSettings::instance()->password());
}

void ConnectionWidget::onConnectButtonClicked()
{
    // Blanks are part of a password; only the user name is tidied.
    ServerSettings::instance()->setCredentials(m_userNameEdit->text().trimmed(), m_passwordEdit->text());
    EventConnection::instance()->connectNow();
}

void ConnectionWidget::onEventConnectionStateChanged()
{
    switch (EventConnection::instance()->state()) {
    case EventConnection::Disconnected:
        m_connectButton->setEnabled(true);
        m_messageLabel->clear();
        break;
    case EventConnection::AuthFailed:
        m_connectButton->setEnabled(true);
        m_messageLabel->setText(tr("Authorization failed."));
        break;
    case EventConnection::Connecting:
        m_connectButton->setEnabled(false);
        m_messageLabel->setText(tr("Connecting..."));
        break;
    case EventConnection::Connected:
        m_connectButton->setEnabled(false);
        m_messageLabel->clear();
        break;
    }
}
