#include "contacts/friendwidget.h"

#include <QContextMenuEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QToolButton>
#include <QVBoxLayout>

#include "contacts/avatarref.h"
#include "contacts/chatui.h"
#include "contacts/presenceicon.h"
#include "contacts/presencelabel.h"
#include "contacts/teamcommands.h"
#include "contacts/user.h"
#include "contacts/userinfowidget.h"
#include "core/uisettings.h"
#include "shell/menu.h"
#include "shell/toolbutton.h"
#include "sync/requests/eventconnection.h"

FriendWidget::FriendWidget(ChatUI *chatUI, User *user, QWidget *parent)
    : QFrame(parent), m_chatUI(chatUI), m_user(user)
{
    m_avatar = new AvatarRef(user, this);
    m_startChatAction = new StartChatAction(chatUI, user, this);
    setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::Fixed);

    m_outerLayout = new QVBoxLayout(this);
    m_outerLayout->setContentsMargins(16, 6, 16, 6);
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    m_outerLayout->addLayout(row);
    auto *grid = new QGridLayout;
    grid->setVerticalSpacing(0);
    grid->setRowStretch(0, 1);
    grid->setRowStretch(2, 1);
    grid->setRowStretch(4, 1);
    grid->setColumnStretch(2, 1);
    row->addLayout(grid);

    // Names are shown as typed, never as markup.
    m_nameLabel = new QLabel;
    m_nameLabel->setObjectName(QStringLiteral("usernamelabel"));
    m_nameLabel->setTextFormat(Qt::PlainText);
    onFieldsChanged();
    grid->addWidget(m_nameLabel, 1, 0, 1, 3);

    const bool blue = UISettings::instance()->isBlueSkin();
    m_collapseButton = new ToolButton(blue ? QStringLiteral("task_collapse_blue") : QStringLiteral("task_collapse"));
    m_collapseButton->setObjectName(QStringLiteral("collapseInfoButton"));
    m_collapseButton->setAccessibleName(tr("Hide details"));
    m_collapseButton->hide();
    connect(m_collapseButton, &QToolButton::clicked, this, &FriendWidget::onInfoButtonClicked);
    grid->addWidget(m_collapseButton, 1, 3);

    m_chatButton = new QToolButton;
    m_chatButton->setObjectName(QStringLiteral("chatbutton"));
    m_chatButton->setCursor(Qt::PointingHandCursor);
    m_chatButton->setDefaultAction(m_startChatAction);
    grid->addWidget(m_chatButton, 1, 4);

    m_infoButton = new QToolButton;
    m_infoButton->setObjectName(QStringLiteral("infobutton"));
    m_infoButton->setText(tr("info"));
    m_infoButton->setCursor(Qt::PointingHandCursor);
    connect(m_infoButton, &QToolButton::clicked, this, &FriendWidget::onInfoButtonClicked);
    grid->addWidget(m_infoButton, 1, 5);

    auto *presenceIcon = new PresenceIcon(user);
    presenceIcon->setObjectName(QStringLiteral("presenceicon"));
    grid->addWidget(presenceIcon, 2, 0, 2, 1);
    auto *presenceLabel = new PresenceLabel(user);
    presenceLabel->setObjectName(QStringLiteral("presencetextlabel"));
    presenceLabel->setColored(true);
    presenceLabel->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    grid->addWidget(presenceLabel, 3, 1);

    m_avatarLabel = new QLabel;
    m_avatarLabel->setObjectName(QStringLiteral("avatarlabel"));
    m_avatarLabel->setFixedSize(avatarSize, avatarSize);
    m_avatarLabel->setAlignment(Qt::AlignCenter);
    row->addWidget(m_avatarLabel);

    connect(m_user, &User::presenceChanged, this, &FriendWidget::onPresenceChanged);
    onPresenceChanged();
    // The details of a new contact arrive after its row is made.
    connect(m_user, &User::fieldsChanged, this, &FriendWidget::onFieldsChanged);
    connect(m_avatar, &AvatarRef::changed, this, &FriendWidget::onAvatarChanged);
    onAvatarChanged();
    connect(EventConnection::instance(), &EventConnection::connected, this, &FriendWidget::onConnected);
    connect(EventConnection::instance(), &EventConnection::disconnected, this, &FriendWidget::onDisconnected);
    m_chatButton->setVisible(EventConnection::instance()->isConnected());
    restyle();
    updateVisibility();
}

FriendWidget::~FriendWidget()
{
    disconnect(m_user, nullptr, this, nullptr);
    disconnect(EventConnection::instance(), nullptr, this, nullptr);
}

void FriendWidget::onPresenceChanged()
{
    updateVisibility();
}

void FriendWidget::onFieldsChanged()
{
    m_nameLabel->setText(tr("%1 (%2)").arg(m_user->realName(), m_user->nick()));
}

void FriendWidget::onAvatarChanged()
{
    QPixmap pixmap = m_avatar->pixmap();
    if (pixmap.width() > avatarSize || pixmap.height() > avatarSize)
        pixmap = pixmap.scaled(avatarSize, avatarSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    m_avatarLabel->setPixmap(pixmap);
}

void FriendWidget::onConnected()
{
    m_chatButton->show();
}

void FriendWidget::onDisconnected()
{
    m_chatButton->hide();
}

void FriendWidget::onInfoButtonClicked()
{
    emit infoClicked(this);
}

void FriendWidget::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    restyle();
}

void FriendWidget::setInfoShown(bool shown)
{
    if (shown == isInfoShown())
        return;
    if (shown) {
        m_info = new UserInfoWidget(m_user, this);
        m_outerLayout->addWidget(m_info);
        m_collapseButton->show();
    } else {
        delete m_info;
        m_info = nullptr;
        m_collapseButton->hide();
    }
}

void FriendWidget::setShowAvatar(bool show)
{
    m_avatarLabel->setVisible(show);
}

void FriendWidget::setHideWhenOffline(bool hide)
{
    m_hideWhenOffline = hide;
    updateVisibility();
}

void FriendWidget::setFilter(const QString &filter)
{
    m_filter = filter;
    updateVisibility();
}

bool FriendWidget::shouldBeVisible() const
{
    if (!m_filter.isEmpty()) {
        if (m_user->nick().startsWith(m_filter, Qt::CaseInsensitive))
            return true;
        const QStringList words = m_user->realName().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (const QString &word : words) {
            if (word.startsWith(m_filter, Qt::CaseInsensitive))
                return true;
        }
        return false;
    }
    if (m_hideWhenOffline) {
        const Presence::State state = m_user->presence().state();
        return state != Presence::Unavailable && state != Presence::Unknown;
    }
    return true;
}

void FriendWidget::updateVisibility()
{
    setVisible(shouldBeVisible());
}

void FriendWidget::restyle()
{
    if (UISettings::instance()->isBlueSkin()) {
        setStyleSheet(m_selected ? QStringLiteral("FriendWidget { background-color:#ffffff }")
                                 : QStringLiteral("FriendWidget { background-color: #ebf2f5; }"));
        return;
    }
    setStyleSheet(QStringLiteral("FriendWidget { background-color: %1; }")
                      .arg(m_selected ? QStringLiteral("#dee6c1") : QStringLiteral("#c9d6a0")));
}

void FriendWidget::mousePressEvent(QMouseEvent *event)
{
    QFrame::mousePressEvent(event);
    emit clickedToSelect(this);
}

void FriendWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    QFrame::mouseDoubleClickEvent(event);
    emit infoClicked(this);
}

void FriendWidget::contextMenuEvent(QContextMenuEvent *event)
{
    // The menu and the question below run their own event loops, in which
    // the contacts may change and the rows be rebuilt: this row may be gone
    // when they return. The menu is not the row's child, so it outlives it.
    Menu menu;
    auto *chat = new StartChatAction(m_chatUI, m_user, &menu);
    chat->setText(tr("Chat to %1").arg(Menu::entryText(m_user->nick())));
    chat->setIcon(QIcon(QStringLiteral(":/chating_user.png")));
    menu.addAction(chat);
    auto *remove = new QAction(QIcon(QStringLiteral(":/user_delete.png")), tr("Remove contact"), &menu);
    connect(remove, &QAction::triggered, this, &FriendWidget::onRemoveFriendActionTriggered);
    menu.addAction(remove);
    menu.exec(event->globalPos());
}

void FriendWidget::onRemoveFriendActionTriggered()
{
    if (m_chatUI && m_user)
        m_chatUI->askToRemoveFriend(m_user);
}
