#ifndef BASESYNCUI_H
#define BASESYNCUI_H

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class BaseSynchronizer;

// Turns a sync command into one watched run: checks that the settings allow
// it, shows the progress dialog while it lasts, and opens the settings when
// they are missing or the user asks for them.
class BaseSyncUI : public QObject
{
    Q_OBJECT

public:
    explicit BaseSyncUI(QWidget *dialogParent, QObject *parent = nullptr);

    // One run with its checks; returns when it and its dialog are over.
    virtual void sync();
    // One run; true when the user asked for the settings after a failure.
    bool runSync();
    bool succeeded() const { return m_succeeded; }

protected:
    virtual BaseSynchronizer *createSynchronizer() = 0;
    virtual void showSettings() = 0;
    // The messages of a run that cannot start, then the settings; false
    // when the settings do not allow a run.
    bool checkSettings();

    QPointer<QWidget> m_dialogParent;
    QString m_sessionPassword;
    bool m_succeeded = false;
};

#endif
