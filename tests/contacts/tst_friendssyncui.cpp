#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

#include "contacts/chats.h"
#include "contacts/chatui.h"
#include "contacts/friends.h"
#include "contacts/friendscontainer.h"
#include "contacts/presencemanager.h"
#include "contacts/user.h"
#include "dialogdriver.h"
#include "model/modelscontainer.h"
#include "syncui/syncdialog.h"
#include "teamfixture.h"
#include "testenvironment.h"

// F5 in Team mode runs the contact details sync under the progress dialog.
class TstFriendsSyncUI : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void syncFromTheKeyboard_data();
    void syncFromTheKeyboard();

private:
    std::unique_ptr<CheckedFakeServer> m_server;
    ModelsContainer *m_models = nullptr;
    ChatUI *m_chatUI = nullptr;
};

void TstFriendsSyncUI::init()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QSettings().clear();
    QFile::remove(Friends::localFilePath());
    PresenceManager::instance()->setPresence(Presence(Presence::Available, QString()));
    m_server = Team::startServer();
    QVERIFY(m_server);
    m_models = new ModelsContainer;
    m_models->setFriends(new Friends(m_models));
    m_models->setChats(new Chats(m_models));
    m_chatUI = ChatUI::createInstance(m_models, nullptr);
    QWidget *pane = m_chatUI->friendsContainer();
    // The main window takes the mode's commands the same way.
    pane->addActions(m_chatUI->shortcutActions());
    pane->resize(420, 400);
    pane->show();
    pane->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(pane));
}

void TstFriendsSyncUI::cleanup()
{
    ChatUI::destroyInstance();
    m_chatUI = nullptr;
    delete m_models;
    m_models = nullptr;
    Team::stopServer(m_server);
}

void TstFriendsSyncUI::syncFromTheKeyboard_data()
{
    QTest::addColumn<int>("carolStatus"); // 0: carol answers normally
    QTest::addColumn<QString>("error");   // empty: the run succeeds
    QTest::newRow("details fetched") << 0 << QString();
    QTest::newRow("a gone contact is skipped") << 404 << QString();
    QTest::newRow("server error reported") << 500 << "Unexpected response from server (500)";
    QTest::newRow("refused reported") << 403 << "Unexpected response from server (403)";
}

void TstFriendsSyncUI::syncFromTheKeyboard()
{
    QFETCH(int, carolStatus);
    QFETCH(QString, error);
    QSignalSpy bobFetched(User::get("bob"), &User::fieldsChanged);
    QSignalSpy carolFetched(User::get("carol"), &User::fieldsChanged);
    m_server->addFriend(QStringLiteral("alice"), QStringLiteral("bob"));
    m_server->addFriend(QStringLiteral("alice"), QStringLiteral("carol"));
    QTRY_COMPARE_WITH_TIMEOUT(m_models->friends()->friends().size(), 2, 5000);
    // The details the friends list fetched by itself are forgotten first.
    QTRY_VERIFY_WITH_TIMEOUT(!bobFetched.isEmpty() && !carolFetched.isEmpty(), 5000);
    User::get("bob")->setFields({});
    m_server->clearRequests();
    m_server->setUserFields(QStringLiteral("bob"), {{QStringLiteral("user-real-name"), QStringLiteral("Bob Stone")}});
    if (carolStatus)
        m_server->respondOnce("GET", QStringLiteral("^/users/carol$"), carolStatus);

    QString dialogClass;
    QString heading;
    bool settingsOffered = false;
    DialogDriver::whenModal([&](QWidget *dialog) {
        dialogClass = QString::fromLatin1(dialog->metaObject()->className());
        auto *sync = qobject_cast<SyncDialog *>(dialog);
        if (!sync || error.isEmpty())
            return; // a successful run closes its dialog by itself
        QTRY_VERIFY_WITH_TIMEOUT(sync->settingsButton()->isVisible(), 5000);
        settingsOffered = true;
        heading = sync->headingLabel()->text();
        QTest::mouseClick(sync->cancelButton(), Qt::LeftButton);
    });
    QTest::keyClick(m_chatUI->friendsContainer(), Qt::Key_F5);

    QCOMPARE(dialogClass, QStringLiteral("SyncDialog"));
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(settingsOffered, !error.isEmpty());
    QCOMPARE(heading, error);
    QStringList fetched = Team::targets(*m_server, QStringLiteral("^/users/[a-z]+$"));
    QVERIFY(fetched.contains(QStringLiteral("GET /users/carol")));
    if (!error.isEmpty())
        return; // which other answers came before the failure is not fixed
    fetched.sort();
    QCOMPARE(fetched, (QStringList{"GET /users/bob", "GET /users/carol"}));
    QCOMPARE(User::get("bob")->realName(), QStringLiteral("Bob Stone"));
}

PLUMDECK_TEST_MAIN(TstFriendsSyncUI)
#include "tst_friendssyncui.moc"
