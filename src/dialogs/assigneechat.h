#ifndef ASSIGNEECHAT_H
#define ASSIGNEECHAT_H

class QString;

// What the task information dialog needs of Team mode to chat with a task's
// assignee. Without one the dialog offers no chat.
class AssigneeChat
{
public:
    virtual ~AssigneeChat() = default;

    // True when the user is among the signed-in user's friends.
    virtual bool canChatWith(const QString &nick) const = 0;
    virtual void startChatWith(const QString &nick) = 0;
};

#endif
