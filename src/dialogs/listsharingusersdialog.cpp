#include "dialogs/listsharingusersdialog.h"

#include "contacts/sharefriendscontainer.h"
#include "dialogs/listdialogshost.h"
#include "model/listmodel.h"
#include "model/modelscontainer.h"

#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

ListSharingUsersDialog::ListSharingUsersDialog(ListDialogsHost *host, QWidget *parent)
    : CustomDialog(tr("List shared with"), false, false, parent)
    , m_host(host)
{
    forgetHostWhenGone(m_host, this);
    addResizeGrip();
    resize(400, 300);
    auto *content = new QVBoxLayout;
    setContentLayout(content);
    setCenterOnParent(true);
    setTitleIcon(QStringLiteral(":/listshare_free_OK.png"));

    ModelsContainer *models = host ? host->modelsContainer() : nullptr;
    m_shareContainer = new ShareFriendsContainer(host ? host->chatUI() : nullptr,
                                                 models ? models->friends() : nullptr, true, this);
    m_shareContainer->createContents(true);

    m_sharedByContainer = new QFrame;
    m_sharedByContainer->setObjectName(QStringLiteral("sharedByContainer"));
    m_sharedByContainer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto *noticeLayout = new QVBoxLayout(m_sharedByContainer);
    auto *notice = new QLabel(tr("The list is not yours, it can not be shared with other users."));
    notice->setObjectName(QStringLiteral("standarLabel"));
    noticeLayout->addWidget(notice, 0, Qt::AlignHCenter);
    noticeLayout->addStretch();

    content->addWidget(m_sharedByContainer);
    content->addWidget(m_shareContainer);
    connect(m_shareContainer, &ShareFriendsContainer::sharingInfoModified, this,
            &ListSharingUsersDialog::onSharingInfoModified);
    // Nothing is shown until a list is handed over.
    m_sharedByContainer->hide();
    m_shareContainer->setEnabled(false);
}

void ListSharingUsersDialog::selectedListChanged(ListModel *list)
{
    if (list)
        m_listModel = list;
    updateInfo();
}

void ListSharingUsersDialog::updateInfo()
{
    if (!m_listModel) {
        qWarning("Trying to update list sharing dialog, but the list reference is null");
        return;
    }
    if (!m_listModel->isOwned()) {
        m_shareContainer->hide();
        m_sharedByContainer->show();
        return;
    }
    m_sharedByContainer->hide();
    m_shareContainer->show();
    m_shareContainer->setEnabled(true);
    m_shareContainer->setListModel(m_listModel);
}

void ListSharingUsersDialog::onSharingInfoModified()
{
    if (m_host)
        m_host->updateListInfoDialog();
}

void ListSharingUsersDialog::accept()
{
    emit closeDialog();
}

void ListSharingUsersDialog::reject()
{
    emit closeDialog();
}
