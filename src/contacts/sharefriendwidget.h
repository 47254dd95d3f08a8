#ifndef SHAREFRIENDWIDGET_H
#define SHAREFRIENDWIDGET_H

#include "contacts/basefriendwidget.h"

class QCheckBox;
class QComboBox;

// A sharing picker row: a permission combo and a share box. Only the user's
// own choices are reported; setting the row from a list reports nothing.
class ShareFriendWidget : public BaseFriendWidget
{
    Q_OBJECT
public:
    ShareFriendWidget(ChatUI *chatUI, User *user, bool withChatIcons, QWidget *parent = nullptr);

    void createContents() override;
    QSize avatarSize() const override;

    void setShared(const QString &letters);
    void clearSharing();
    void setEditable(bool editable);
    void setShowUnshared(bool show);
    QString permissions() const;
    bool isShared() const { return m_shared; }

    QCheckBox *shareBox() const { return m_shareBox; }
    QComboBox *permissionsBox() const { return m_permissionsBox; }
    // An unshared row stays hidden where unshared contacts are not shown,
    // whatever the filter or the contact's presence.
    bool passesFilter() const override;

signals:
    void sharingInfoModified(User *user, bool shared, const QString &letters);

public slots:
    void onShareBoxClicked();
    void onPermissionsChanged(int index);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void updateControls();
    void setIndexQuietly(int index);

    QCheckBox *m_shareBox = nullptr;
    QComboBox *m_permissionsBox = nullptr;
    bool m_shared = false;
    bool m_writePermission = false;
    bool m_deletePermission = false;
    bool m_showUnshared = true;
    bool m_editable = true;
    bool m_settingIndex = false;
};

#endif
