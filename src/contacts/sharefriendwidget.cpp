#include "contacts/sharefriendwidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QIcon>

ShareFriendWidget::ShareFriendWidget(ChatUI *chatUI, User *user, bool withChatIcons, QWidget *parent)
    : BaseFriendWidget(chatUI, user, withChatIcons, parent)
{
}

QSize ShareFriendWidget::avatarSize() const
{
    return QSize(24, 24);
}

void ShareFriendWidget::createContents()
{
    BaseFriendWidget::createContents();
    m_permissionsBox = new QComboBox(this);
    m_permissionsBox->setObjectName(QStringLiteral("permissionsBox"));
    m_permissionsBox->setAccessibleName(tr("Permissions of %1").arg(nick()));
    m_permissionsBox->addItem(QIcon(QStringLiteral(":/share_lock.png")), tr("read"));
    m_permissionsBox->addItem(QIcon(QStringLiteral(":/share_edit.png")), tr("write"));
    m_permissionsBox->addItem(QIcon(QStringLiteral(":/listshare_total.png")), tr("delete"));
    m_permissionsBox->setEnabled(false);
    rowLayout()->addWidget(m_permissionsBox);
    m_shareBox = new QCheckBox(this);
    m_shareBox->setObjectName(QStringLiteral("sharedBox"));
    m_shareBox->setAccessibleName(tr("Share with %1").arg(nick()));
    rowLayout()->addWidget(m_shareBox);
    connect(m_shareBox, &QCheckBox::clicked, this, &ShareFriendWidget::onShareBoxClicked);
    connect(m_permissionsBox, &QComboBox::currentIndexChanged, this, &ShareFriendWidget::onPermissionsChanged);
}

void ShareFriendWidget::setIndexQuietly(int index)
{
    m_settingIndex = true;
    m_permissionsBox->setCurrentIndex(index);
    m_settingIndex = false;
}

void ShareFriendWidget::setShared(const QString &letters)
{
    m_shared = true;
    m_writePermission = letters.contains(QLatin1Char('w'));
    m_deletePermission = letters.contains(QLatin1Char('d'));
    updateControls();
}

void ShareFriendWidget::clearSharing()
{
    m_shared = false;
    m_writePermission = false;
    m_deletePermission = false;
    updateControls();
}

void ShareFriendWidget::updateControls()
{
    applyVisibility();
    if (m_shared) {
        m_shareBox->setChecked(true);
        if (m_editable)
            m_permissionsBox->setEnabled(true);
    } else {
        m_shareBox->setChecked(false);
        m_permissionsBox->setEnabled(false);
    }
    setIndexQuietly(m_deletePermission ? 2 : m_writePermission ? 1 : 0);
}

void ShareFriendWidget::setShowUnshared(bool show)
{
    m_showUnshared = show;
    applyVisibility();
}

void ShareFriendWidget::setEditable(bool editable)
{
    m_editable = editable;
    m_shareBox->setEnabled(editable);
    m_permissionsBox->setEnabled(editable && m_shared);
}

bool ShareFriendWidget::passesFilter() const
{
    return (m_shared || m_showUnshared) && BaseFriendWidget::passesFilter();
}

QString ShareFriendWidget::permissions() const
{
    QString letters = QStringLiteral("r");
    if (m_writePermission)
        letters += QLatin1Char('w');
    if (m_deletePermission)
        letters += QLatin1Char('d');
    return letters;
}

void ShareFriendWidget::onShareBoxClicked()
{
    if (!m_editable)
        return;
    m_writePermission = false;
    m_deletePermission = false;
    if (m_shared) {
        m_shared = false;
        m_shareBox->setChecked(false);
        setIndexQuietly(0);
        m_permissionsBox->setEnabled(false);
        emit sharingInfoModified(user(), false, QString());
    } else {
        m_shared = true;
        m_shareBox->setChecked(true);
        setIndexQuietly(0);
        m_permissionsBox->setEnabled(true);
        emit sharingInfoModified(user(), true, permissions());
    }
}

void ShareFriendWidget::onPermissionsChanged(int index)
{
    if (m_settingIndex || !m_editable)
        return;
    switch (index) {
    case 0:
        m_writePermission = false;
        m_deletePermission = false;
        break;
    case 1:
        m_writePermission = true;
        m_deletePermission = false;
        break;
    case 2:
        m_writePermission = true;
        m_deletePermission = true;
        break;
    default:
        return;
    }
    emit sharingInfoModified(user(), m_shared, permissions());
}

void ShareFriendWidget::contextMenuEvent(QContextMenuEvent *)
{
}
