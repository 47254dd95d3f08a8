#ifndef UPDATER_H
#define UPDATER_H

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QSaveFile;
class QTimer;
class Request;

// Keeps the program up to date from the synchronisation server: once a day
// it asks for the installer of this platform (its entity tag carries the
// build number on offer), and on the user's word downloads and starts it.
class Updater : public QObject
{
    Q_OBJECT
public:
    enum State {
        CheckFailed = 0,
        AuthFailed = 1,
        UpToDate = 2,
        UpdateSeen = 3,
        Downloading = 4,
        Downloaded = 5,
        InstallFailed = 6
    };
    Q_ENUM(State)

    static Updater *create();
    static Updater *instance();
    ~Updater() override;

    State state() const { return m_state; }

    // Answers `member` of `receiver` (a slot taking a bool) once, with true
    // when there is an update to show.
    void checkNow(QObject *receiver, const char *member);
    // Installers run with the user's rights: they come only over https,
    // never over a connection anyone on the network could alter.
    bool canDownload() const;
    void startDownload();
    bool install();
    void cancelDownload();
    void setNextCheckTime(int hours);

    // "linux-<cpu>" on this platform; empty means no updates here.
    static QString platformTag();
    static void setPlatformTag(const QString &tag);
    static QString defaultInstallerName();

    // Starts the downloaded installer; runElevated() unless tests replace it.
    using Launcher = std::function<bool(const QString &path)>;
    static void setLauncher(Launcher launcher);

    // The largest installer the updater accepts.
    static constexpr qint64 MaxInstallerSize = 512 * 1024 * 1024;

signals:
    void updateSeen();
    void updateDownloadProgress(int done, int total);
    void updateDownloadFailed();
    void updateDownloaded();
    void installFailed();
    void checkNowFinished(bool didSomething);

private slots:
    void onTimeout();
    void onIgnorableSslErrorsChanged();
    void onCheckRequestFinished();
    void onGetRequestFinished();
    void delayedChangeToUpdateSeen();
    void onReadProgress(int done, int total);

private:
    Updater();

    void step();
    void check(const QString &installerName);
    bool isCheckDue() const;
    void emitCheckNowFinished(bool value);
    void removeOldInstaller();
    void releaseRequest();
    void endDownload(bool ok);

    QPointer<QObject> m_checkReceiver;
    QByteArray m_checkMember;
    bool m_checkWaiting = false;
    State m_state = UpToDate;
    QTimer *m_timer = nullptr;
    Request *m_request = nullptr;
    QSaveFile *m_file = nullptr;
    QString m_installerName;
    int m_versionSeen = 0;
    // Content length the check announced for the installer; -1 when none.
    qint64 m_announcedLength = -1;
    qint64 m_expectedLength = -1;

    static Updater *s_instance;
};

#endif
