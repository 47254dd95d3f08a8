#ifndef CONNECTIONTESTDIALOG_H
#define CONNECTIONTESTDIALOG_H

#include "shell/customdialog.h"

#include <QList>
#include <QString>

class PDTextEdit;
class QTimer;
class Request;

// Checks the server settings with one authenticated request for the user's
// resource and narrates the outcome, a step a second, ending with a success
// line in black or an error line in red.
class ConnectionTestDialog : public CustomDialog
{
    Q_OBJECT

public:
    explicit ConnectionTestDialog(QWidget *parent = nullptr);

    // The pause between narrated steps; one second unless a test shortens it.
    static void setPauseMs(int ms) { s_pauseMs = ms; }

    PDTextEdit *log() const { return m_log; }
    Request *request() const { return m_request; }
    // True once the whole outcome has been written.
    bool isNarrationDone() const { return m_steps.isEmpty() && m_narrating; }

public slots:
    void onRequestFinished();

signals:
    void narrationDone();

private:
    struct Step
    {
        enum Kind { Append, Add, Pause } kind;
        QString text;
    };
    void append(const QString &text) { m_steps << Step{Step::Append, text}; }
    void add(const QString &text) { m_steps << Step{Step::Add, text}; }
    // The log stays shown and the program responsive during the wait.
    void pause(int seconds);
    void narrate();

    PDTextEdit *m_log = nullptr;
    Request *m_request = nullptr;
    QList<Step> m_steps;
    QTimer *m_pauseTimer = nullptr;
    bool m_narrating = false;

    static int s_pauseMs;
};

#endif
