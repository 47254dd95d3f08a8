#include "contacts/chatwindow.h"

#include <QHBoxLayout>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "contacts/chatedit.h"
#include "contacts/friends.h"
#include "contacts/presenceicon.h"
#include "contacts/presencelabel.h"
#include "contacts/presencemanager.h"
#include "contacts/teamcommands.h"
#include "contacts/user.h"
#include "core/uisettings.h"
#include "shell/menu.h"

namespace {

// Only the three characters that would start markup; quotes stay as typed.
QString escaped(const QString &text)
{
    QString out = text;
    out.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    out.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    out.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    return out;
}

QString plainToHtml(const QString &text)
{
    return escaped(text).replace(QLatin1Char('\n'), QLatin1String("<br/>"));
}

// Mail addresses in a stretch of text that holds no web address.
QString withMailLinks(const QString &text)
{
    static const QRegularExpression mail(QStringLiteral("[^\\s@\"]+@[-a-zA-Z0-9]+(\\.[-a-zA-Z0-9]+)+"));
    QString out;
    int from = 0;
    for (auto it = mail.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += plainToHtml(text.mid(from, m.capturedStart() - from));
        const QString address = escaped(m.captured());
        out += QStringLiteral("<a href=\"mailto:%1\">%1</a>").arg(address);
        from = m.capturedEnd();
    }
    return out + plainToHtml(text.mid(from));
}

} // namespace

ChatWindow::ChatWindow(Friends *friends, Chat *chat, QWidget *parent)
    : CustomDialog(QString(), false, false, true, parent), m_friends(friends), m_chat(chat)
{
    m_blueSkin = UISettings::instance()->isBlueSkin();
    addResizeGrip(m_blueSkin ? QStringLiteral(":/chat/chat_winresize_blue.png")
                             : QStringLiteral(":/chat/chat_winresize.png"));
    resize(300, 300);
    addMinimizeButton();
    setTitleIcon(QStringLiteral(":/chating_user.png"));
    setWindowIcon(QIcon(QStringLiteral(":/chat/chat-window-icon.png")));

    auto *layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    auto *top = new QHBoxLayout;
    top->setContentsMargins(5, 5, 5, 5);
    m_presenceIcon = new PresenceIcon;
    m_presenceIcon->setObjectName(QStringLiteral("presenceicon"));
    top->addWidget(m_presenceIcon);
    top->addSpacing(5);
    m_presenceLabel = new PresenceLabel;
    m_presenceLabel->setObjectName(QStringLiteral("presencelabel"));
    top->addWidget(m_presenceLabel);
    top->addStretch();
    m_addParticipantButton = new QToolButton;
    m_addParticipantButton->setObjectName(QStringLiteral("addparticipantbutton"));
    m_addParticipantButton->setText(tr("Conference"));
    m_addParticipantButton->setPopupMode(QToolButton::InstantPopup);
    top->addWidget(m_addParticipantButton);
    layout->addLayout(top);

    m_textBrowser = new QTextBrowser;
    m_textBrowser->setObjectName(QStringLiteral("textbrowser"));
    m_textBrowser->setAccessibleName(tr("Conversation"));
    m_textBrowser->document()->setDefaultStyleSheet(
        QStringLiteral("span.username { font-weight: bold; }span.message { font-weight: normal; }"
                       "span.system-message { font-weight: normal; color: #ff0000; }"));
    m_textBrowser->setOpenExternalLinks(true);
    layout->addWidget(m_textBrowser, 1);

    m_inputEdit = new ChatEdit;
    m_inputEdit->setObjectName(QStringLiteral("inputedit"));
    m_inputEdit->setAccessibleName(tr("Message"));
    m_inputEdit->setAcceptRichText(false);
    // A few lines to write in; the log takes the rest.
    m_inputEdit->setMaximumHeight(64);
    layout->addWidget(m_inputEdit);
    setBareContentLayout(layout);

    connect(this, &CustomDialog::titleBarDoubleClicked, this, &ChatWindow::onTitleBarDoubleClicked);
    connect(m_inputEdit, &QTextEdit::textChanged, this, &ChatWindow::onInputChanged);
    connect(m_inputEdit, &ChatEdit::returnPressed, this, &ChatWindow::onReturnPressed);
    refreshLog();
    connect(chat, &Chat::messageAdded, this, &ChatWindow::onMessageAdded);
    connect(chat, &Chat::participantsChanged, this, &ChatWindow::onParticipantsChanged);
    connect(chat, &Chat::activityChanged, this, &ChatWindow::onActivityChanged);
    connect(chat, &Chat::activated, this, &ChatWindow::onChatActivated);
    connect(chat, &Chat::connected, this, &ChatWindow::onChatConnectedOrDisconnected);
    connect(chat, &Chat::disconnected, this, &ChatWindow::onChatConnectedOrDisconnected);
    connect(chat, &Chat::errored, this, &ChatWindow::onChatErrored);
    onParticipantsChanged();

    m_typingTimer = new QTimer(this);
    m_typingTimer->setInterval(typingTimeoutMs);
    m_typingTimer->setSingleShot(true);
    connect(m_typingTimer, &QTimer::timeout, this, &ChatWindow::onTypingTimeout);

    setStyleSheet(m_blueSkin ? QStringLiteral("#container {border: 1px solid #3e5e7f;background-color:#8ca9c4;}"
                                              "#container:!active {background-color:#d8e9f7;}")
                             : QStringLiteral("#container {border: 1px solid black;background-color:#b1c27c;}"
                                              "#container:!active {background-color:#dee6c1;}"));
}

void ChatWindow::showAndActivate()
{
    showNormal();
    activateWindow();
    m_inputEdit->setFocus();
}

QString ChatWindow::messageToHtml(const QString &text)
{
    // Links are found in the text as typed, before any markup exists, so an
    // address never takes in a line break and nothing matches inside a link.
    static const QRegularExpression web(QStringLiteral("(http://|https://|ftp:/)[^\"\\s]+"));
    QString out;
    int from = 0;
    for (auto it = web.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += withMailLinks(text.mid(from, m.capturedStart() - from));
        const QString address = escaped(m.captured());
        out += QStringLiteral("<a href=\"%1\">%1</a>").arg(address);
        from = m.capturedEnd();
    }
    return out + withMailLinks(text.mid(from));
}

QString ChatWindow::titleText() const
{
    if (!m_chat)
        return QString();
    QStringList parts;
    for (User *user : m_chat->participants()) {
        const Chat::Activity activity = m_chat->activityForUser(user);
        QString part = user->nick();
        if (activity == Chat::ActivityTyping || activity == Chat::ActivityDeleting)
            part += QStringLiteral(" is writing...");
        parts << part;
    }
    return parts.join(QStringLiteral(", "));
}

void ChatWindow::refreshLog()
{
    if (!m_chat)
        return;
    QString html;
    for (const UserAndMessageText &message : m_chat->messages()) {
        const QString nick = message.user ? message.user->nick() : QString();
        html += QStringLiteral("<p><span class='username'>%1: </span><span class='message'>%2</span></p>")
                    .arg(nick.toHtmlEscaped(), messageToHtml(message.text));
    }
    const QString system = QStringLiteral("<div><span class='system-message'>%1</span></div>");
    if (m_chat->hasError())
        html += system.arg(m_chat->errorString().toHtmlEscaped());
    if (m_chat->hasId() && !m_chat->isConnected())
        html += system.arg(tr("[not connected]").toHtmlEscaped());
    m_textBrowser->setHtml(html);
    m_textBrowser->verticalScrollBar()->setValue(m_textBrowser->verticalScrollBar()->maximum());
}

void ChatWindow::onInputChanged()
{
    if (m_inputEdit->toPlainText().isEmpty() || !m_chat)
        return;
    m_chat->setActivity(Chat::ActivityTyping);
    m_typingTimer->start();
}

void ChatWindow::onReturnPressed()
{
    if (!m_chat)
        return;
    m_chat->setActivity(Chat::ActivityNone);
    m_chat->postMessage(m_inputEdit->toPlainText());
    m_inputEdit->clear();
    refreshLog();
}

void ChatWindow::onChatActivated()
{
    showAndActivate();
}

void ChatWindow::onChatConnectedOrDisconnected()
{
    refreshLog();
}

void ChatWindow::onChatErrored()
{
    refreshLog();
}

void ChatWindow::onMessageAdded(UserAndMessageText)
{
    refreshLog();
    if (PresenceManager::instance()->presence().state() == Presence::Available)
        showAndActivate();
}

void ChatWindow::onActivityChanged()
{
    setTitle(titleText());
}

void ChatWindow::onParticipantsChanged()
{
    setTitle(titleText());
    const QList<User *> others = m_chat ? m_chat->participants() : QList<User *>();
    if (others.size() == 1) {
        m_presenceIcon->setUser(others.first());
        m_presenceLabel->setUser(others.first());
        m_presenceIcon->show();
        m_presenceLabel->show();
    } else {
        m_presenceIcon->hide();
        m_presenceLabel->hide();
    }
    rebuildParticipantMenu();
}

void ChatWindow::rebuildParticipantMenu()
{
    if (QMenu *old = m_addParticipantButton->menu()) {
        m_addParticipantButton->setMenu(nullptr);
        old->deleteLater();
    }
    if (!m_chat)
        return;
    const QList<User *> participants = m_chat->participants();
    auto *menu = new Menu(this);
    for (User *contact : m_friends->friends()) {
        if (!participants.contains(contact))
            menu->addAction(new AddParticipantAction(m_chat, contact, menu));
    }
    if (menu->actions().isEmpty()) {
        delete menu;
        return;
    }
    m_addParticipantButton->setMenu(menu);
}

void ChatWindow::onTitleBarDoubleClicked()
{
    if (!m_collapsed) {
        m_expandedSize = size();
        m_expandedMinimumHeight = minimumHeight();
        setFixedHeight(collapsedHeight);
        m_textBrowser->hide();
        m_inputEdit->hide();
        m_collapsed = true;
    } else {
        setMinimumHeight(m_expandedMinimumHeight);
        setMaximumHeight(QWIDGETSIZE_MAX);
        resize(m_expandedSize);
        m_textBrowser->show();
        m_inputEdit->show();
        m_collapsed = false;
    }
}

void ChatWindow::onTypingTimeout()
{
    if (m_chat)
        m_chat->setActivity(Chat::ActivityNone);
}
