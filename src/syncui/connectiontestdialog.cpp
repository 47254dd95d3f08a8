#include "syncui/connectiontestdialog.h"

#include "core/serversettings.h"
#include "shell/pdtextedit.h"
#include "sync/requests/httpresponseheader.h"
#include "sync/requests/request.h"
#include "sync/requests/serverhttpconnection.h"
#include "syncui/sslerrorsui.h"

#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

int ConnectionTestDialog::s_pauseMs = 1000;

ConnectionTestDialog::ConnectionTestDialog(QWidget *parent)
    : CustomDialog(tr("Test connection"), true, false, parent)
{
    resize(300, 200);
    auto *content = new QVBoxLayout;
    m_log = new PDTextEdit;
    m_log->setObjectName(QStringLiteral("messageBox"));
    m_log->setAccessibleName(tr("Test results"));
    m_log->setReadOnly(true);
    content->addWidget(m_log);
    setContentLayout(content);

    m_pauseTimer = new QTimer(this);
    m_pauseTimer->setSingleShot(true);
    connect(m_pauseTimer, &QTimer::timeout, this, &ConnectionTestDialog::narrate);

    ServerSettings *settings = ServerSettings::instance();
    if (!settings->isComplete()) {
        m_log->append(tr("<span style=\"color:#ff0000\">Error: You must set a username, password, and server URL.</span>"));
        // An empty append on an empty log would only fill its first line;
        // the empty line must still stand above the error.
        QTextCursor(m_log->document()).insertBlock();
    } else if (!Request::isAddressableSegment(settings->userName())) {
        // "." or ".." would ask for another resource than the user's, which
        // may well answer.
        m_log->append(tr("<span style=\"color:#ff0000\">Error: \"%1\" is not a valid username.</span>")
                          .arg(settings->userName().toHtmlEscaped()));
        QTextCursor(m_log->document()).insertBlock();
    } else {
        m_request = new Request(QStringLiteral("HEAD"),
                                QStringLiteral("/users/") + Request::pathSegment(settings->userName()), this);
        connect(m_request, &Request::finished, this, &ConnectionTestDialog::onRequestFinished);
        m_request->setSslErrorHandler(new SslErrorsUI(this, this));
        ServerHttpConnection::instance()->addRequest(m_request);
        m_log->append(tr("Looking for sync server..."));
    }
    setCenterOnParent(true);
}

void ConnectionTestDialog::pause(int seconds)
{
    m_steps << Step{Step::Pause, QString::number(seconds)};
}

void ConnectionTestDialog::onRequestFinished()
{
    if (!m_request || sender() != m_request || m_narrating)
        return;
    const QString done = tr("   done");
    if (m_request->hasError() && m_request->authFailed()) {
        add(done);
        append(tr("Connection to sync server..."));
        pause(1);
        add(done);
        append(tr("Authenticating user..."));
        pause(1);
        add(tr("   failed"));
        append(QString());
        append(tr("<span style=\"color:#ff0000\">Error: Authorization failure - check username and password.</span>"));
    } else if (m_request->hasError()) {
        pause(1);
        add(tr(" failed"));
        append(QString());
        append(tr("<span style=\"color:#ff0000\">Error: Failed to connect to server (%1)</span>")
                   .arg(m_request->errorString().toHtmlEscaped()));
    } else {
        add(done);
        append(tr("Connection to sync server..."));
        pause(1);
        add(done);
        append(tr("Authenticating user..."));
        pause(1);
        const int status = m_request->responseHeader().statusCode();
        if (status == 200 || status == 204) {
            add(done);
            append(tr("Authenticated user..."));
            pause(1);
            add(done);
            append(tr("Closing connection..."));
            pause(1);
            add(done);
            append(QString());
            append(tr("<span style=\"color:#000000\">Connection Test Successful.</span>"));
        } else {
            add(tr(" failed"));
            append(QString());
            append(tr("<span style=\"color:#ff0000\">Error: Unexpected response from server (%1).</span>").arg(status));
        }
    }
    m_narrating = true;
    narrate();
}

void ConnectionTestDialog::narrate()
{
    while (!m_steps.isEmpty()) {
        const Step step = m_steps.takeFirst();
        switch (step.kind) {
        case Step::Append:
            m_log->append(step.text);
            break;
        case Step::Add:
            m_log->moveCursor(QTextCursor::End);
            m_log->insertPlainText(step.text);
            break;
        case Step::Pause:
            m_pauseTimer->start(step.text.toInt() * s_pauseMs);
            return;
        }
    }
    emit narrationDone();
}
