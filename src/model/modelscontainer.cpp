#include "model/modelscontainer.h"

#include <QtGlobal>

ModelsContainer *ModelsContainer::s_instance = nullptr;
void (*ModelsContainer::s_deleteFriends)(Friends *) = nullptr;
void (*ModelsContainer::s_deleteChats)(Chats *) = nullptr;

ModelsContainer::ModelsContainer(QObject *parent)
    : QObject(parent)
{
}

ModelsContainer::~ModelsContainer()
{
    Q_ASSERT_X(!(m_friends || m_chats) || (s_deleteFriends && s_deleteChats), "ModelsContainer",
               "the contacts models' deleters were never handed over");
    if (m_friends && s_deleteFriends)
        s_deleteFriends(m_friends);
    m_friends = nullptr;
    if (m_chats && s_deleteChats)
        s_deleteChats(m_chats);
    m_chats = nullptr;
    // A container deleted through its parent must not leave the instance
    // pointer dangling for the next create() or destroy().
    if (s_instance == this)
        s_instance = nullptr;
}

ModelsContainer *ModelsContainer::create(QObject *parent)
{
    if (s_instance)
        destroy();
    s_instance = new ModelsContainer(parent);
    return s_instance;
}

ModelsContainer *ModelsContainer::instance(QObject *parent)
{
    if (!s_instance)
        s_instance = new ModelsContainer(parent);
    return s_instance;
}

void ModelsContainer::destroy()
{
    delete s_instance;
    s_instance = nullptr;
}

void ModelsContainer::setModelDeleters(void (*deleteFriends)(Friends *), void (*deleteChats)(Chats *))
{
    s_deleteFriends = deleteFriends;
    s_deleteChats = deleteChats;
}
