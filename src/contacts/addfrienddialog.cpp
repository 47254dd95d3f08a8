#include "contacts/addfrienddialog.h"

#include <QDebug>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "contacts/chatui.h"
#include "contacts/friendsreaderwriter.h"
#include "contacts/presenceicon.h"
#include "contacts/user.h"
#include "sync/requests/serverhttpconnection.h"
#include "sync/requests/xmlrequest.h"

AddFriendDialog::AddFriendDialog(ChatUI *chatUI, QWidget *parent)
    : CustomDialog(tr("Add user as contact"), false, false, parent), m_chatUI(chatUI)
{
    setTitleIcon(QStringLiteral(":/friend_add.png"));
    setCenterOnParent(true);

    auto *layout = new QVBoxLayout;
    auto *header = new QWidget;
    auto *headerGrid = new QGridLayout(header);
    headerGrid->setSpacing(10);
    auto *icon = new QLabel;
    icon->setObjectName(QStringLiteral("iconlabel"));
    icon->setPixmap(QPixmap(QStringLiteral(":/chat/default-avatar-transparent.png")));
    headerGrid->addWidget(icon, 0, 0);
    auto *topText = new QLabel(tr("Type in the user's full name, username or email address to locate them and "
                                  "send an invitation to join your network!"));
    topText->setObjectName(QStringLiteral("toptextlabel"));
    topText->setWordWrap(true);
    headerGrid->addWidget(topText, 0, 1);
    auto *bottomText = new QLabel(
        tr("Once you add a contact you can share information, files, tasks and chat with them securely!"));
    bottomText->setObjectName(QStringLiteral("bottomtextlabel"));
    bottomText->setWordWrap(true);
    headerGrid->addWidget(bottomText, 1, 0, 1, 2);
    layout->addWidget(header);

    auto *searchRow = new QHBoxLayout;
    m_searchEdit = new QLineEdit;
    m_searchEdit->setObjectName(QStringLiteral("searchedit"));
    m_searchEdit->setAccessibleName(tr("Search contacts"));
    searchRow->addWidget(m_searchEdit);
    m_searchButton = new QPushButton(tr("search!"));
    m_searchButton->setObjectName(QStringLiteral("searchbutton"));
    // Return belongs to the search, not to a default button.
    m_searchButton->setAutoDefault(false);
    searchRow->addWidget(m_searchButton);
    layout->addLayout(searchRow);

    m_messageLabel = new QLabel;
    m_messageLabel->setObjectName(QStringLiteral("messagelabel"));
    m_messageLabel->setAlignment(Qt::AlignHCenter);
    // Server texts and nicks are shown as they are, never as markup.
    m_messageLabel->setTextFormat(Qt::PlainText);
    layout->addWidget(m_messageLabel);

    m_resultsScroll = new QScrollArea;
    m_resultsScroll->setObjectName(QStringLiteral("resultsscroll"));
    m_resultsScroll->setWidgetResizable(true);
    m_resultsContainer = new QWidget;
    m_resultsContainer->setObjectName(QStringLiteral("resultscontainer"));
    m_resultsGrid = new QGridLayout(m_resultsContainer);
    m_resultsGrid->setContentsMargins(0, 5, 0, 5);
    m_resultsScroll->setWidget(m_resultsContainer);
    layout->addWidget(m_resultsScroll, 1);

    auto *bottomRow = new QHBoxLayout;
    bottomRow->addStretch();
    m_closeButton = new QPushButton(tr("close"));
    m_closeButton->setObjectName(QStringLiteral("closebutton"));
    m_closeButton->setAutoDefault(false);
    bottomRow->addWidget(m_closeButton);
    layout->addLayout(bottomRow);
    setContentLayout(layout);

    m_messageLabel->hide();
    m_closeButton->hide();
    m_resultsScroll->hide();

    connect(m_searchEdit, &QLineEdit::returnPressed, this, &AddFriendDialog::startSearch);
    connect(m_searchButton, &QPushButton::clicked, this, &AddFriendDialog::startSearch);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::close);
    m_searchEdit->setFocus();
    resize(380, 360);
}

AddFriendDialog::~AddFriendDialog()
{
    // Withdrawn from the queue, so its answer reaches nobody.
    if (m_request) {
        disconnect(m_request, nullptr, this, nullptr);
        ServerHttpConnection::instance()->cancelRequest(m_request);
    }
    delete m_request.data();
}

bool AddFriendDialog::hasRequest() const
{
    return m_request != nullptr;
}

void AddFriendDialog::showMessage(const QString &text, bool showClose)
{
    if (text.isEmpty()) {
        m_messageLabel->hide();
    } else {
        m_messageLabel->setText(text);
        m_messageLabel->show();
    }
    m_closeButton->setVisible(showClose);
}

void AddFriendDialog::clearResults()
{
    m_resultsScroll->hide();
    for (QList<QWidget *> *column : {&m_nickLabels, &m_realNameLabels, &m_linkWidgets, &m_separators}) {
        for (QWidget *widget : std::as_const(*column)) {
            m_resultsGrid->removeWidget(widget);
            widget->hide();
            widget->deleteLater();
        }
        column->clear();
    }
    for (int row = 0; row < m_resultsGrid->rowCount(); ++row)
        m_resultsGrid->setRowStretch(row, 0);
}

void AddFriendDialog::startSearch()
{
    if (m_request)
        return;
    const QString text = m_searchEdit->text().trimmed();
    if (text.isEmpty())
        return;
    // "." and ".." would fold into the path above: no search to send.
    if (!Request::isAddressableSegment(text)) {
        clearResults();
        showMessage(tr("\"%1\" is not a name, username or email address.").arg(text), false);
        return;
    }
    m_request = new XMLRequest(QStringLiteral("GET"), QStringLiteral("/user-search/") + Request::pathSegment(text),
                               false, this);
    connect(m_request, &Request::finished, this, &AddFriendDialog::onSearchRequestFinished);
    ServerHttpConnection::instance()->addRequest(m_request);
    m_resultsScroll->hide();
    clearResults();
    showMessage(tr("Searching..."), false);
}

XMLRequest *AddFriendDialog::takeAnswer(int *status)
{
    auto *request = qobject_cast<XMLRequest *>(sender());
    if (!request)
        return nullptr;
    request->deleteLater();
    if (request == m_request)
        m_request = nullptr;
    if (request->hasError()) {
        showMessage(request->errorString(), false);
        return nullptr;
    }
    *status = request->responseHeader().statusCode();
    return request;
}

void AddFriendDialog::onSearchRequestFinished()
{
    int status = 0;
    XMLRequest *request = takeAnswer(&status);
    if (!request)
        return;
    if (status != 200) {
        showMessage(tr("Unexpected response to search (%1)").arg(status), false);
        return;
    }
    FriendsReaderWriter reader;
    QList<User *> users;
    if (!reader.readUserDataList(request->responseDocument(), users)) {
        showMessage(tr("Bad search result received."), false);
        qWarning() << reader.errorString();
        return;
    }
    m_results = users;
    showResults();
}

void AddFriendDialog::showResults()
{
    clearResults();
    if (m_results.isEmpty()) {
        showMessage(tr("No results found."), false);
        m_resultsScroll->hide();
        return;
    }
    showMessage(QString(), false);
    m_resultsScroll->show();
    m_resultsGrid->setColumnMinimumWidth(0, 5);
    m_resultsGrid->setColumnMinimumWidth(4, 5);
    for (int i = 0; i < m_results.size(); ++i) {
        User *user = m_results.at(i);
        auto *nick = new QLabel(user->nick());
        nick->setObjectName(QStringLiteral("nickLabel"));
        nick->setTextFormat(Qt::PlainText);
        auto *realName = new QLabel(user->realName());
        realName->setObjectName(QStringLiteral("realNameLabel"));
        realName->setTextFormat(Qt::PlainText);
        QWidget *link = createLinkWidget(user);
        link->setObjectName(QStringLiteral("linkLabel"));
        auto *separator = new QFrame;
        separator->setFrameShape(QFrame::HLine);
        separator->setObjectName(QStringLiteral("separator"));
        m_resultsGrid->addWidget(nick, 2 * i, 1);
        m_resultsGrid->addWidget(realName, 2 * i, 2);
        m_resultsGrid->addWidget(link, 2 * i, 3, Qt::AlignCenter);
        m_resultsGrid->addWidget(separator, 2 * i + 1, 0, 1, 5);
        m_nickLabels << nick;
        m_realNameLabels << realName;
        m_linkWidgets << link;
        m_separators << separator;
    }
    // Rows keep their height; the room left over stays below them.
    m_resultsGrid->setRowStretch(2 * m_results.size(), 1);
}

QWidget *AddFriendDialog::createLinkWidget(User *user)
{
    if (m_chatUI && m_chatUI->isFriend(user))
        return new PresenceIcon(user);
    if (m_chatUI && m_chatUI->isOwnUser(user))
        return new QLabel(tr("(yourself)"));
    auto *label = new QLabel(QStringLiteral("<a href=\"invite\" style=\"color:#666666; text-decoration:none;\">")
                             + tr("send invite").toHtmlEscaped() + QStringLiteral("</a>"));
    label->setTextFormat(Qt::RichText);
    connect(label, &QLabel::linkActivated, this, &AddFriendDialog::onInviteLinkClicked);
    return label;
}

void AddFriendDialog::onInviteLinkClicked(const QString &)
{
    const int row = m_linkWidgets.indexOf(qobject_cast<QWidget *>(sender()));
    if (row < 0 || row >= m_results.size()) {
        qWarning("AddFriendDialog: unexpected signal");
        return;
    }
    User *user = m_results.at(row);
    qDebug() << user->nick();
    if (m_request) {
        qWarning() << "AddFriendDialog::onInviteLinkClicked - " << "already have a request";
        return;
    }
    if (!user->isAddressable()) {
        // The other rows stay to be invited.
        showMessage(tr("The user \"%1\" can not be invited.").arg(user->nick()), false);
        return;
    }
    m_request = new XMLRequest(QStringLiteral("POST"), user->resourcePath() + QStringLiteral("/friend-requests"),
                               false, this);
    m_request->setBody(QByteArrayLiteral("dummy"));
    connect(m_request, &Request::finished, this, &AddFriendDialog::onPostRequestFinished);
    ServerHttpConnection::instance()->addRequest(m_request);
    m_invitedUser = user;
    clearResults();
    showMessage(tr("Sending request to %1...").arg(user->nick()), false);
}

void AddFriendDialog::onPostRequestFinished()
{
    int status = 0;
    XMLRequest *request = takeAnswer(&status);
    if (!request)
        return;
    const QString unexpected = tr("Unexpected response to contact request (%1)");
    if (status == 201 || status == 204) {
        showMessage(tr("Your invitation has been sent to\n%1\nPlumdeck username: %2\n\nWhen they have accepted\n"
                       "Your invitation they\nwill be added to your\nnetwork")
                        .arg(m_invitedUser->realName(), m_invitedUser->nick()),
                    true);
    } else if (status == 403) {
        const QString name = FriendsReaderWriter().readErrorName(request->responseDocument());
        if (name == QLatin1String("already-a-friend"))
            showMessage(tr("Error adding new friend: The selected user is already a friend"), false);
        else if (name.isEmpty())
            showMessage(unexpected.arg(status), false);
        else
            // Any other refusal is a failure too, and says what the server named.
            showMessage(unexpected.arg(status) + QStringLiteral(": ") + name, false);
    } else {
        showMessage(unexpected.arg(status), false);
    }
}
