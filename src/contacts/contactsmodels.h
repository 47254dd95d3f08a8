#ifndef CONTACTSMODELS_H
#define CONTACTSMODELS_H

#include <QPointer>

class Chats;
class Friends;
class ModelsContainer;

// Owns the process's friends and chats models, which the models container
// only hands to the pages: made together and given to the container, and
// deleted friends first, each taken out of the container once gone.
class ContactsModels
{
public:
    explicit ContactsModels(ModelsContainer *container);
    ~ContactsModels();
    ContactsModels(const ContactsModels &) = delete;
    ContactsModels &operator=(const ContactsModels &) = delete;

    Friends *friends() const { return m_friends; }
    Chats *chats() const { return m_chats; }

private:
    QPointer<ModelsContainer> m_container;
    Chats *m_chats;
    Friends *m_friends;
};

#endif
