#ifndef ADDFRIENDDIALOG_H
#define ADDFRIENDDIALOG_H

#include <QList>
#include <QPointer>

#include "shell/customdialog.h"

class ChatUI;
class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class User;
class XMLRequest;

// Finds users of the service by name, user name or e-mail address and sends
// one of them a contact request. One request at a time; closing the dialog
// withdraws the one in flight.
class AddFriendDialog : public CustomDialog
{
    Q_OBJECT
public:
    AddFriendDialog(ChatUI *chatUI, QWidget *parent = nullptr);
    ~AddFriendDialog() override;

    void showMessage(const QString &text, bool showClose);
    void clearResults();
    void showResults();
    QWidget *createLinkWidget(User *user);

    QList<User *> results() const { return m_results; }
    bool hasRequest() const;
    QLineEdit *searchEdit() const { return m_searchEdit; }
    QPushButton *searchButton() const { return m_searchButton; }
    QLabel *messageLabel() const { return m_messageLabel; }
    QPushButton *dialogCloseButton() const { return m_closeButton; }
    QScrollArea *resultsScroll() const { return m_resultsScroll; }
    QList<QWidget *> linkWidgets() const { return m_linkWidgets; }

public slots:
    void startSearch();

private slots:
    void onSearchRequestFinished();
    void onInviteLinkClicked(const QString &link);
    void onPostRequestFinished();

private:
    // The finished request, released later and no longer in flight, with its
    // status; null after showing a transport error.
    XMLRequest *takeAnswer(int *status);

    ChatUI *m_chatUI;
    QPointer<XMLRequest> m_request;
    QList<User *> m_results;
    QList<QWidget *> m_nickLabels;
    QList<QWidget *> m_realNameLabels;
    QList<QWidget *> m_linkWidgets;
    QList<QWidget *> m_separators;
    User *m_invitedUser = nullptr;
    QLineEdit *m_searchEdit = nullptr;
    QPushButton *m_searchButton = nullptr;
    QLabel *m_messageLabel = nullptr;
    QScrollArea *m_resultsScroll = nullptr;
    QWidget *m_resultsContainer = nullptr;
    QGridLayout *m_resultsGrid = nullptr;
    QPushButton *m_closeButton = nullptr;
};

#endif
