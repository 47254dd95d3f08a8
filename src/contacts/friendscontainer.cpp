#include "contacts/friendscontainer.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QResizeEvent>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "contacts/connectionwidget.h"
#include "contacts/friends.h"
#include "contacts/friendssearchwidget.h"
#include "contacts/friendswidget.h"
#include "contacts/friendswidgetscroll.h"
#include "contacts/presencemanager.h"
#include "contacts/teamcommands.h"
#include "shell/menu.h"

FriendsContainer::FriendsContainer(ChatUI *chatUI, Friends *friends, QWidget *parent)
    : QWidget(parent), m_friends(friends)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_topbar = new QWidget;
    m_topbar->setObjectName(QStringLiteral("topbar"));
    auto *top = new QHBoxLayout(m_topbar);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    auto *title = new QLabel(tr("Team"));
    title->setObjectName(QStringLiteral("pseudotab"));
    title->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    top->addWidget(title);
    top->addStretch();
    m_connectButton = new QToolButton;
    m_connectButton->setObjectName(QStringLiteral("connectbutton"));
    m_connectButton->setText(tr("connection"));
    top->addWidget(m_connectButton);
    m_presenceButton = new QToolButton;
    m_presenceButton->setObjectName(QStringLiteral("presencebutton"));
    top->addWidget(m_presenceButton);
    layout->addWidget(m_topbar);

    m_connectionWidget = new ConnectionWidget;
    m_connectionWidget->setObjectName(QStringLiteral("disconnectedfriendswidget"));
    m_scroll = new FriendsWidgetScroll(chatUI, friends, this);
    m_scroll->setObjectName(QStringLiteral("friendswidgetscroll"));
    layout->addWidget(m_connectionWidget);
    layout->addWidget(m_scroll);

    m_searchOverlay = new FriendsSearchWidget(this);
    m_searchOverlay->setObjectName(QStringLiteral("searchoverlay"));

    m_presenceMenu = new Menu(this);
    m_presenceMenu->setAccessibleName(tr("Presence"));
    m_presenceMenu->addAction(new SetPresenceAction(Presence(Presence::Available, QString()),
                                                    QStringLiteral("presence-available"), this));
    m_presenceMenu->addAction(new SetCustomPresenceAction(Presence(Presence::Available, QString()),
                                                          QStringLiteral("user_online_custom"), this));
    m_presenceMenu->addAction(
        new SetPresenceAction(Presence(Presence::Busy, QString()), QStringLiteral("presence-busy"), this));
    m_presenceMenu->addAction(new SetCustomPresenceAction(Presence(Presence::Busy, QString()),
                                                          QStringLiteral("user_busy_custom"), this));
    m_presenceMenu->addAction(new SetPresenceAction(Presence(Presence::Unavailable, QString()),
                                                    QStringLiteral("presence-unavailable"), this));
    m_presenceButton->setMenu(m_presenceMenu);
    m_presenceButton->setPopupMode(QToolButton::InstantPopup);

    connect(PresenceManager::instance(), &PresenceManager::presenceChanged, this,
            &FriendsContainer::onPresenceChanged);
    onPresenceChanged();
    connect(m_friends, &Friends::changed, this, &FriendsContainer::onFriendsChanged);
    connect(m_connectButton, &QToolButton::clicked, this, &FriendsContainer::onConnectButtonClicked);

    m_scroll->show();
    m_connectionWidget->hide();
    onFriendsChanged();

    // The bar keeps clear of the list's scroll bar whenever that comes or goes.
    m_scroll->verticalScrollBar()->installEventFilter(this);

    friendsWidget()->setFilter(m_searchOverlay->filter());
    connect(m_searchOverlay, &FriendsSearchWidget::filterChanged, friendsWidget(), &FriendsWidget::setFilter);
}

FriendsContainer::~FriendsContainer()
{
    disconnect(PresenceManager::instance(), nullptr, this, nullptr);
    // The scroll bar hides while its scroll area is half destroyed: nothing
    // of the area may be asked then.
    m_scroll->verticalScrollBar()->removeEventFilter(this);
    delete m_searchOverlay;
    m_searchOverlay = nullptr;
    delete m_scroll;
    m_scroll = nullptr;
    delete m_connectionWidget;
    delete m_topbar;
}

FriendsWidget *FriendsContainer::friendsWidget() const
{
    return m_scroll->friendsWidget();
}

void FriendsContainer::onPresenceChanged()
{
    m_presenceButton->setText(PresenceManager::instance()->presence().text());
}

void FriendsContainer::onFriendsChanged()
{
    if (m_friends->isConnected()) {
        // The form may have been open: the list comes back.
        showFriendsList(true);
        m_presenceButton->show();
        m_connectButton->hide();
    } else {
        m_connectButton->show();
        m_presenceButton->hide();
    }
}

void FriendsContainer::onConnectButtonClicked()
{
    showFriendsList(m_scroll->isHidden());
}

void FriendsContainer::showFriendsList(bool list)
{
    // The button names what it switches to.
    m_connectButton->setText(list ? tr("connection") : tr("contacts"));
    m_scroll->setVisible(list);
    m_searchOverlay->setVisible(list);
    m_connectionWidget->setVisible(!list);
}

void FriendsContainer::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeSearchOverlay();
}

bool FriendsContainer::eventFilter(QObject *watched, QEvent *event)
{
    if (m_scroll && watched == m_scroll->verticalScrollBar()
        && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        placeSearchOverlay();
    return QWidget::eventFilter(watched, event);
}

void FriendsContainer::placeSearchOverlay()
{
    if (!m_scroll || !m_searchOverlay)
        return;
    const int h = m_searchOverlay->sizeHint().height();
    const bool scrollBar = m_scroll->verticalScrollBar()->isVisible();
    m_searchOverlay->resize(width() - (scrollBar ? 51 : 34), h);
    m_searchOverlay->move(17, height() - h - 10);
}
