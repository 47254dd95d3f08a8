#ifndef MODELSCONTAINER_H
#define MODELSCONTAINER_H

#include <QObject>

class Chats;
class Friends;

// The process-wide holder of the friends and chats models, which it hands to
// the pages. It owns neither: whoever makes them deletes them (the
// composition root, through the contacts folder's owner).
class ModelsContainer : public QObject
{
    Q_OBJECT
public:
    explicit ModelsContainer(QObject *parent = nullptr);
    ~ModelsContainer() override;

    static ModelsContainer *create(QObject *parent = nullptr);
    static ModelsContainer *instance(QObject *parent = nullptr);
    static void destroy();

    // Neither setter deletes a model set before; the container deletes none.
    void setFriends(Friends *friends) { m_friends = friends; }
    void setChats(Chats *chats) { m_chats = chats; }
    Friends *friends() const { return m_friends; }
    Chats *chats() const { return m_chats; }
    bool hasFriends() const { return m_friends != nullptr; }
    bool hasChats() const { return m_chats != nullptr; }

private:
    Friends *m_friends = nullptr;
    Chats *m_chats = nullptr;

    static ModelsContainer *s_instance;
};

#endif
