#include "contacts/contactsmodels.h"

#include "contacts/chats.h"
#include "contacts/friends.h"
#include "model/modelscontainer.h"

ContactsModels::ContactsModels(ModelsContainer *container)
    : m_container(container)
    , m_chats(new Chats)
    , m_friends(new Friends)
{
    if (m_container) {
        m_container->setFriends(m_friends);
        m_container->setChats(m_chats);
    }
}

ContactsModels::~ContactsModels()
{
    delete m_friends;
    if (m_container && m_container->friends() == m_friends)
        m_container->setFriends(nullptr);
    delete m_chats;
    if (m_container && m_container->chats() == m_chats)
        m_container->setChats(nullptr);
}
