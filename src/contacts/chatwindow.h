#ifndef CHATWINDOW_H
#define CHATWINDOW_H

#include <QPointer>
#include <QSize>

#include "contacts/chat.h"
#include "shell/customdialog.h"

class ChatEdit;
class Friends;
class PresenceIcon;
class PresenceLabel;
class QTextBrowser;
class QTimer;
class QToolButton;

// The window of one chat: the other participant's presence, the "Conference"
// menu of contacts to add, the message log and the input in which Return
// sends. It reports typing to the chat and shows in its title who is
// writing. Closing only hides it; the chat goes on collecting messages.
class ChatWindow : public CustomDialog
{
    Q_OBJECT
public:
    static const int typingTimeoutMs = 5000;
    static const int collapsedHeight = 72;

    ChatWindow(Friends *friends, Chat *chat, QWidget *parent = nullptr);

    Chat *chat() const { return m_chat; }
    void showAndActivate();

    // A message as markup: its text shown as typed, web and mail addresses
    // as links, line breaks kept.
    static QString messageToHtml(const QString &text);
    QString titleText() const;
    bool isCollapsed() const { return m_collapsed; }

    QTextBrowser *textBrowser() const { return m_textBrowser; }
    ChatEdit *inputEdit() const { return m_inputEdit; }
    QToolButton *addParticipantButton() const { return m_addParticipantButton; }
    PresenceIcon *presenceIcon() const { return m_presenceIcon; }
    PresenceLabel *presenceLabel() const { return m_presenceLabel; }
    QTimer *typingTimer() const { return m_typingTimer; }

private slots:
    void onInputChanged();
    void onReturnPressed();
    void onChatActivated();
    void onChatConnectedOrDisconnected();
    void onChatErrored();
    void onMessageAdded(UserAndMessageText message);
    void onActivityChanged();
    void onParticipantsChanged();
    void onTitleBarDoubleClicked();
    void onTypingTimeout();

private:
    void refreshLog();
    void rebuildParticipantMenu();

    Friends *m_friends;
    QPointer<Chat> m_chat;
    QTextBrowser *m_textBrowser = nullptr;
    ChatEdit *m_inputEdit = nullptr;
    QToolButton *m_addParticipantButton = nullptr;
    PresenceIcon *m_presenceIcon = nullptr;
    PresenceLabel *m_presenceLabel = nullptr;
    bool m_collapsed = false;
    QSize m_expandedSize;
    int m_expandedMinimumHeight = 0;
    QTimer *m_typingTimer = nullptr;
    bool m_blueSkin = false;
};

#endif
