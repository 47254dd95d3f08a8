#include "dialogs/listgroupsmanagerdialog.h"

#include "dialogs/listsgroupsmanagercontainer.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

ListGroupsManagerDialog::ListGroupsManagerDialog(UserLists *lists, ListsGroups *groups, QWidget *parent)
    : CustomDialog(tr("List manager"), false, false, parent)
{
    addResizeGrip();
    resize(150, 400);
    setCenterOnParent(true);
    setTitleIcon(QStringLiteral(":/list_group.png"));

    m_container = new ListsGroupsManagerContainer(lists, groups);
    auto *content = new QVBoxLayout;
    content->setContentsMargins(0, 0, 0, 0);
    content->setSpacing(0);
    content->addWidget(m_container);
    setBareContentLayout(content);

    QHBoxLayout *buttons = buttonsLayout();
    buttons->setContentsMargins(5, 5, 5, 5);
    m_addGroupButton = new QPushButton(QIcon(QStringLiteral(":/list_group_add.png")), tr("Add Group"));
    m_addListButton = new QPushButton(QIcon(QStringLiteral(":/add-list-menu.png")), tr("Add List"));
    for (QPushButton *button : {m_addGroupButton, m_addListButton})
        button->setObjectName(QStringLiteral("managerDialogButton"));
    // The frame's row holds a leading stretch: put ours before it.
    buttons->insertSpacing(0, 10);
    buttons->insertWidget(1, m_addGroupButton);
    buttons->insertWidget(2, m_addListButton);
    buttons->insertSpacing(3, 10);

    connect(m_addGroupButton, &QPushButton::clicked, this, &ListGroupsManagerDialog::onAddGroupButtonPressed);
    connect(m_addListButton, &QPushButton::clicked, this, &ListGroupsManagerDialog::onAddListButtonPressed);
}

void ListGroupsManagerDialog::setUserLists(UserLists *lists)
{
    m_container->setUserLists(lists);
}

void ListGroupsManagerDialog::setListsGroups(ListsGroups *groups)
{
    m_container->setListsGroups(groups);
}

void ListGroupsManagerDialog::reload()
{
    m_container->reload();
}

void ListGroupsManagerDialog::updateListElement(ListModel *model)
{
    m_container->updateListElement(model);
}

void ListGroupsManagerDialog::removeListElement(quint32 localId, quint32 serverId)
{
    m_container->removeListElement(localId, serverId);
}

void ListGroupsManagerDialog::addListIntoDefaultGroupOnlyView(TaskList *list)
{
    m_container->addListIntoDefaultGroupOnlyView(list);
}

void ListGroupsManagerDialog::accept()
{
    emit closeDialog();
}

void ListGroupsManagerDialog::reject()
{
    emit closeDialog();
}

void ListGroupsManagerDialog::onAddListButtonPressed()
{
    m_container->addListAtSelection();
}

void ListGroupsManagerDialog::onAddGroupButtonPressed()
{
    m_container->addGroupAtSelection();
}
