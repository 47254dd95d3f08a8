#ifndef MODELSCONTAINER_H
#define MODELSCONTAINER_H

#include <QObject>

class Chats;
class Friends;

// The process-wide holder of the friends and chats models. It owns both and
// deletes the friends model before the chats model.
class ModelsContainer : public QObject
{
    Q_OBJECT
public:
    explicit ModelsContainer(QObject *parent = nullptr);
    ~ModelsContainer() override;

    static ModelsContainer *create(QObject *parent = nullptr);
    static ModelsContainer *instance(QObject *parent = nullptr);
    static void destroy();

    // Neither setter deletes a model set before.
    void setFriends(Friends *friends) { m_friends = friends; }
    void setChats(Chats *chats) { m_chats = chats; }
    Friends *friends() const { return m_friends; }
    Chats *chats() const { return m_chats; }
    bool hasFriends() const { return m_friends != nullptr; }
    bool hasChats() const { return m_chats != nullptr; }

    // The models are the contacts folder's: it hands over how to delete them
    // (through their virtual destructors), so this folder needs none of their
    // headers.
    static void setModelDeleters(void (*deleteFriends)(Friends *), void (*deleteChats)(Chats *));

private:
    Friends *m_friends = nullptr;
    Chats *m_chats = nullptr;

    static ModelsContainer *s_instance;
    static void (*s_deleteFriends)(Friends *);
    static void (*s_deleteChats)(Chats *);
};

#endif
