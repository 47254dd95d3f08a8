#include "dialogs/listsgroupsmanagerframeelementlist.h"

#include "model/listmodel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>

ListsGroupsManagerFrameElementList::ListsGroupsManagerFrameElementList(const QString &name,
                                                                       ListsGroupsManagerElement *owner)
    : ListsGroupsManagerFrameElement(name, owner)
{
    setIcon(QStringLiteral(":/list_single.png"));
    m_sharingLabel = new QLabel;
    m_sharingLabel->hide();
    frameLayout()->addWidget(m_sharingLabel);
}

QString ListsGroupsManagerFrameElementList::sharingIcon(const ListModel *model)
{
    if (model->isOwned())
        return model->sharedUserCount() > 0 ? QStringLiteral(":/listshare_shared.png") : QString();
    if (model->hasDeletePermission())
        return QStringLiteral(":/listshare_total.png");
    if (model->hasWritePermission())
        return QStringLiteral(":/share_edit.png");
    return QStringLiteral(":/share_lock.png");
}

void ListsGroupsManagerFrameElementList::updateFromList(const ListModel *model)
{
    if (!model)
        return;
    if (name() != model->name())
        setName(model->name());
    const QString icon = sharingIcon(model);
    if (icon.isEmpty()) {
        m_sharingLabel->hide();
    } else {
        m_sharingLabel->setPixmap(QPixmap(icon));
        m_sharingLabel->show();
    }
}
