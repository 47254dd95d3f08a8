#include "contacts/basefriendwidget.h"

#include "contacts/avatarref.h"
#include "contacts/chatpresenceicon.h"
#include "contacts/chatui.h"
#include "contacts/teamcommands.h"
#include "contacts/user.h"
#include "contacts/userinfowidget.h"
#include "core/uisettings.h"
#include "sync/requests/eventconnection.h"

#include <QColor>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

BaseFriendWidget::BaseFriendWidget(ChatUI *chatUI, User *user, bool withChatIcons, QWidget *parent)
    : QFrame(parent)
    , m_chatUI(chatUI)
    , m_user(user)
    , m_avatarRef(new AvatarRef(user, this))
    , m_startChatAction(new StartChatAction(chatUI, user, this))
    , m_showInfoAction(new ShowInfoAction(chatUI, user, this))
    , m_withChatIcons(withChatIcons)
{
    // Without the Team page there is nobody to chat with through: a click on
    // the presence icon must do nothing rather than reach a missing page.
    if (!chatUI) {
        m_startChatAction->setEnabled(false);
        m_showInfoAction->setEnabled(false);
    }
}

QString BaseFriendWidget::nick() const
{
    return m_user ? m_user->nick() : QString();
}

QSize BaseFriendWidget::avatarSize() const
{
    return QSize(44, 44);
}

void BaseFriendWidget::createContents()
{
    setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::Fixed);
    m_mainLayout = new QVBoxLayout(this);
    m_mainLayout->setContentsMargins(16, 6, 16, 6);
    m_rowLayout = new QHBoxLayout;

    m_avatarLabel = new QLabel(this);
    m_avatarLabel->setObjectName(QStringLiteral("avatarlabel"));
    m_avatarLabel->setFixedSize(avatarSize());
    m_avatarLabel->setAlignment(Qt::AlignCenter);
    m_rowLayout->addWidget(m_avatarLabel);

    m_nameLabel = new QLabel(tr("%1 (%2)").arg(m_user ? m_user->realName() : QString(), nick()), this);
    m_nameLabel->setObjectName(QStringLiteral("usernamelabel"));
    // Names come from the server: shown as written, never as markup.
    m_nameLabel->setTextFormat(Qt::PlainText);
    m_rowLayout->addWidget(m_nameLabel);

    EventConnection *events = EventConnection::instance();
    if (m_withChatIcons) {
        m_presenceIcon = new ChatPresenceIcon(m_user, m_startChatAction, this);
        m_presenceIcon->setCursor(Qt::PointingHandCursor);
        m_presenceIcon->setObjectName(QStringLiteral("presenceicon"));
        m_rowLayout->addWidget(m_presenceIcon);
        m_presenceIcon->setVisible(events && events->isConnected());
    }
    m_rowLayout->addStretch();
    m_mainLayout->addLayout(m_rowLayout);

    if (m_user)
        connect(m_user, &User::presenceChanged, this, &BaseFriendWidget::onPresenceChanged);
    connect(m_avatarRef, &AvatarRef::changed, this, &BaseFriendWidget::onAvatarChanged);
    onAvatarChanged();
    if (events) {
        connect(events, &EventConnection::connected, this, &BaseFriendWidget::onConnected);
        connect(events, &EventConnection::disconnected, this, &BaseFriendWidget::onDisconnected);
    }
    applyStyle();
    applyVisibility();
}

void BaseFriendWidget::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    applyStyle();
}

void BaseFriendWidget::setInfoShown(bool shown)
{
    if (shown == isInfoShown() || !m_mainLayout)
        return;
    if (shown) {
        if (!m_user)
            return;
        m_infoWidget = new UserInfoWidget(m_user);
        m_mainLayout->addWidget(m_infoWidget);
    } else {
        delete m_infoWidget;
        m_infoWidget = nullptr;
    }
}

void BaseFriendWidget::setAvatarVisible(bool visible)
{
    if (m_avatarLabel)
        m_avatarLabel->setVisible(visible);
}

void BaseFriendWidget::setHideOffline(bool hide)
{
    m_hideOffline = hide;
    applyVisibility();
}

void BaseFriendWidget::setFilter(const QString &filter)
{
    m_filter = filter;
    applyVisibility();
}

bool BaseFriendWidget::matchesFilter(User *user, const QString &filter)
{
    if (!user)
        return false;
    if (user->nick().startsWith(filter, Qt::CaseInsensitive))
        return true;
    const QStringList words = user->realName().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &word : words) {
        if (word.startsWith(filter, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

bool BaseFriendWidget::passesFilter() const
{
    if (!m_filter.isEmpty())
        return matchesFilter(m_user, m_filter);
    if (!m_hideOffline)
        return true;
    const Presence::State state = m_user ? m_user->presence().state() : Presence::Unknown;
    return state != Presence::Unavailable && state != Presence::Unknown;
}

void BaseFriendWidget::applyVisibility()
{
    setVisible(passesFilter());
}

void BaseFriendWidget::applyStyle()
{
    QColor colour;
    if (UISettings::instance()->isBlueSkin()) {
        if (m_selected) {
            setStyleSheet(QStringLiteral("BaseFriendWidget { background-color:#ffffff }"));
            return;
        }
        colour = QColor(235, 242, 245);
    } else {
        colour = m_selected ? QColor(222, 230, 193) : QColor(201, 214, 160);
    }
    setStyleSheet(QStringLiteral("BaseFriendWidget { background-color: %1; }").arg(colour.name()));
}

void BaseFriendWidget::onAvatarChanged()
{
    if (!m_avatarLabel)
        return;
    QPixmap picture = m_avatarRef->pixmap();
    const QSize size = avatarSize();
    if (picture.width() > size.width() || picture.height() > size.height())
        picture = picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    m_avatarLabel->setPixmap(picture);
}

void BaseFriendWidget::onRemoveFriendActionTriggered()
{
    // Without the Team page the removal could not be carried out, so the
    // user is not asked.
    if (m_chatUI && m_user)
        m_chatUI->askToRemoveFriend(m_user);
}

void BaseFriendWidget::onConnected()
{
    if (m_presenceIcon)
        m_presenceIcon->show();
}

void BaseFriendWidget::onDisconnected()
{
    if (m_presenceIcon)
        m_presenceIcon->hide();
}

void BaseFriendWidget::onPresenceChanged()
{
    applyVisibility();
}

void BaseFriendWidget::mousePressEvent(QMouseEvent *)
{
    emit clickedToSelect(this);
}

void BaseFriendWidget::mouseDoubleClickEvent(QMouseEvent *)
{
    emit infoClicked(this);
}

void BaseFriendWidget::contextMenuEvent(QContextMenuEvent *)
{
}
