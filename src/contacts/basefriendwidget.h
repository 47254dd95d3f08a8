#ifndef BASEFRIENDWIDGET_H
#define BASEFRIENDWIDGET_H

#include <QFrame>
#include <QPointer>
#include <QSize>
#include <QString>

class AvatarRef;
class ChatPresenceIcon;
class ChatUI;
class QHBoxLayout;
class QLabel;
class QVBoxLayout;
class ShowInfoAction;
class StartChatAction;
#include "contacts/user.h"
class UserInfoWidget;

// One contact's row in a user picker: avatar, "real name (nick)" and,
// optionally, a presence icon that starts a chat. Click selects, double
// click opens the contact's details under the name.
class BaseFriendWidget : public QFrame
{
    Q_OBJECT
public:
    BaseFriendWidget(ChatUI *chatUI, User *user, bool withChatIcons, QWidget *parent = nullptr);

    virtual void createContents();
    virtual QSize avatarSize() const;

    User *user() const { return m_user; }
    QString nick() const;
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    bool isInfoShown() const { return m_infoWidget != nullptr; }
    void setInfoShown(bool shown);
    void setAvatarVisible(bool visible);
    void setHideOffline(bool hide);
    void setFilter(const QString &filter);
    // Whether the filter and offline rules let the row show.
    virtual bool passesFilter() const;
    static bool matchesFilter(User *user, const QString &filter);

    QLabel *nameLabel() const { return m_nameLabel; }
    QLabel *avatarLabel() const { return m_avatarLabel; }
    ChatPresenceIcon *presenceIcon() const { return m_presenceIcon; }
    StartChatAction *startChatAction() const { return m_startChatAction; }
    ShowInfoAction *showInfoAction() const { return m_showInfoAction; }

signals:
    void infoClicked(BaseFriendWidget *row);
    void clickedToSelect(BaseFriendWidget *row);

public slots:
    void onAvatarChanged();
    void onRemoveFriendActionTriggered();
    void onConnected();
    void onDisconnected();
    void onPresenceChanged();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void applyVisibility();

    QHBoxLayout *rowLayout() const { return m_rowLayout; }

private:
    void applyStyle();

    QPointer<ChatUI> m_chatUI;
    QPointer<User> m_user;
    QString m_filter;
    bool m_hideOffline = false;
    AvatarRef *m_avatarRef;
    StartChatAction *m_startChatAction;
    ShowInfoAction *m_showInfoAction;
    QVBoxLayout *m_mainLayout = nullptr;
    QHBoxLayout *m_rowLayout = nullptr;
    QLabel *m_avatarLabel = nullptr;
    QLabel *m_nameLabel = nullptr;
    ChatPresenceIcon *m_presenceIcon = nullptr;
    UserInfoWidget *m_infoWidget = nullptr;
    bool m_selected = false;
    bool m_withChatIcons;
};

#endif
