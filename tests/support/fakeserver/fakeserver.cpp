#include "fakeserver.h"

#include "fakeeventconnection.h"
#include "fakehttpconnection.h"
#include "fakexml.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTimer>
#include <QUrl>

#ifndef FAKESERVER_DATA_DIR
#define FAKESERVER_DATA_DIR "."
#endif

QString fakeField(const FakeFields &fields, const QString &key)
{
    for (const auto &f : fields)
        if (f.first == key)
            return f.second;
    return QString();
}

void setFakeField(FakeFields &fields, const QString &key, const QString &value)
{
    for (auto &f : fields)
        if (f.first == key) {
            f.second = value;
            return;
        }
    fields.append({key, value});
}

FakeTask FakeTask::nested(int levels)
{
    FakeTask task = make(QStringLiteral("Level %1").arg(levels));
    for (int level = levels - 1; level >= 1; --level)
        task = make(QStringLiteral("Level %1").arg(level), false, {task});
    return task;
}

FakeTask FakeTask::make(const QString &title, bool done, const QList<FakeTask> &children)
{
    FakeTask t;
    const QString time = QStringLiteral("2009-06-01T08:30:00");
    t.fields = {{QStringLiteral("title"), title},
                {QStringLiteral("done"), done ? QStringLiteral("true") : QStringLiteral("false")},
                {QStringLiteral("creation-time"), time},
                {QStringLiteral("modification-time"), time},
                {QStringLiteral("start-time"), QStringLiteral("none")},
                {QStringLiteral("due-time"), QStringLiteral("none")},
                {QStringLiteral("created-by"), QString()},
                {QStringLiteral("done-by"), QString()},
                {QStringLiteral("last-modified-by"), QString()},
                {QStringLiteral("priority"), QStringLiteral("none")}};
    t.children = children;
    return t;
}

QByteArray FakeRequest::header(const QByteArray &name) const
{
    for (const auto &h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    return QByteArray();
}

// ---------------------------------------------------------------------------
// Lifetime

FakeServer::FakeServer(Transport transport, QObject *parent)
    : QObject(parent), m_transport(transport), m_eventTransport(transport)
{
    m_clock.start();
}

FakeServer::~FakeServer()
{
    stop();
}

QString FakeServer::dataDirectory()
{
    return QStringLiteral(FAKESERVER_DATA_DIR);
}

static QSslCertificate loadCertificate(const QString &name)
{
    QFile f(FakeServer::dataDirectory() + QLatin1Char('/') + name);
    if (!f.open(QIODevice::ReadOnly))
        return QSslCertificate();
    return QSslCertificate(f.readAll(), QSsl::Pem);
}

QSslCertificate FakeServer::testCertificate()
{
    return loadCertificate(QStringLiteral("fakeserver-cert.pem"));
}

QSslCertificate FakeServer::otherCertificate()
{
    return loadCertificate(QStringLiteral("fakeserver-other-cert.pem"));
}

void FakeServer::useOtherCertificate(bool other)
{
    m_otherCertificate = other;
    if (auto *s = qobject_cast<QSslServer *>(m_http))
        s->setSslConfiguration(sslConfiguration());
    if (auto *s = qobject_cast<QSslServer *>(m_event))
        s->setSslConfiguration(sslConfiguration());
}

QSslConfiguration FakeServer::sslConfiguration() const
{
    const QString base = m_otherCertificate ? QStringLiteral("fakeserver-other") : QStringLiteral("fakeserver");
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    QFile keyFile(dataDirectory() + QLatin1Char('/') + base + QStringLiteral("-key.pem"));
    if (keyFile.open(QIODevice::ReadOnly))
        config.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Rsa, QSsl::Pem));
    config.setLocalCertificate(loadCertificate(base + QStringLiteral("-cert.pem")));
    config.setPeerVerifyMode(QSslSocket::VerifyNone);
    return config;
}

static QTcpServer *makeListener(FakeServer::Transport t, const QSslConfiguration &config, QObject *parent)
{
    if (t == FakeServer::Plain)
        return new QTcpServer(parent);
    auto *s = new QSslServer(parent);
    s->setSslConfiguration(config);
    s->setHandshakeTimeout(10000);
    return s;
}

bool FakeServer::start(quint16 httpPort, quint16 eventPort)
{
    stop();
    if ((m_transport == Tls || m_eventTransport == Tls) && !QSslSocket::supportsSsl()) {
        m_error = QStringLiteral("TLS is not available");
        return false;
    }
    if ((m_transport == Tls || m_eventTransport == Tls) && testCertificate().isNull()) {
        m_error = QStringLiteral("test certificate not found in %1").arg(dataDirectory());
        return false;
    }
    m_http = makeListener(m_transport, sslConfiguration(), this);
    m_event = makeListener(m_eventTransport, sslConfiguration(), this);
    const bool httpTls = m_transport == Tls;
    connect(m_http, &QTcpServer::pendingConnectionAvailable, this, [this, httpTls] {
        while (QTcpSocket *socket = m_http->nextPendingConnection())
            new FakeHttpConnection(this, socket, ++m_connectionSerial, httpTls);
    });
    connect(m_event, &QTcpServer::pendingConnectionAvailable, this, &FakeServer::acceptEvent);
    if (!m_http->listen(QHostAddress::LocalHost, httpPort)) {
        m_error = QStringLiteral("HTTP port: %1").arg(m_http->errorString());
        stop();
        return false;
    }
    if (!m_event->listen(QHostAddress::LocalHost, eventPort)) {
        m_error = QStringLiteral("event port: %1").arg(m_event->errorString());
        stop();
        return false;
    }
    m_eventListenPort = m_event->serverPort();
    return true;
}

void FakeServer::stop()
{
    closeEventStreams();
    delete m_http;
    delete m_event;
    m_http = nullptr;
    m_event = nullptr;
}

quint16 FakeServer::httpPort() const
{
    return m_http ? m_http->serverPort() : 0;
}

quint16 FakeServer::eventPort() const
{
    return m_eventListenPort;
}

QString FakeServer::url() const
{
    return QStringLiteral("%1://127.0.0.1:%2%3")
        .arg(m_transport == Tls ? QStringLiteral("https") : QStringLiteral("http"))
        .arg(httpPort())
        .arg(m_prefix);
}

// ---------------------------------------------------------------------------
// Seeding and state

void FakeServer::addUser(const QString &name, const QString &password,
                         const QString &realName, const QString &email)
{
    FakeUser &u = m_users[name];
    u.name = name;
    u.password = password;
    u.realName = realName.isEmpty() ? name : realName;
    u.email = email.isEmpty() ? name + QStringLiteral("@example.org") : email;
}

void FakeServer::storeTask(FakeTask &task, quint32 revision) const
{
    if (task.revision == 0)
        task.revision = revision;
    if (task.hashcode.size() != 32) {
        QCryptographicHash hash(QCryptographicHash::Md5);
        for (const auto &f : task.fields)
            hash.addData((f.first + QLatin1Char('=') + f.second + QLatin1Char('\n')).toUtf8());
        for (const auto &a : task.assignments)
            hash.addData((QStringLiteral("assigned=") + a + QLatin1Char('\n')).toUtf8());
        task.hashcode = QString::fromLatin1(hash.result().toHex());
    }
}

quint32 FakeServer::assignTaskIds(QList<FakeTask> &tasks, quint32 revision, bool all)
{
    quint32 count = 0;
    for (FakeTask &t : tasks) {
        if (t.id == 0 || all) {
            t.id = m_nextTask++;
            ++count;
        }
        storeTask(t, revision);
        count += assignTaskIds(t.children, revision, all);
    }
    return count;
}

quint32 FakeServer::addList(const QString &owner, const QString &name, const QList<FakeTask> &tasks)
{
    FakeList l;
    l.id = m_nextList++;
    l.owner = owner;
    l.name = name;
    l.tasks = tasks;
    assignTaskIds(l.tasks, 1, false);
    m_lists.insert(l.id, l);
    return l.id;
}

void FakeServer::putList(const FakeList &list)
{
    FakeList l = list;
    assignTaskIds(l.tasks, l.revision, false);
    m_lists.insert(l.id, l);
    m_nextList = qMax(m_nextList, l.id + 1);
}

void FakeServer::share(quint32 listId, const QString &user, const QString &letters)
{
    if (!m_lists.contains(listId))
        return;
    if (letters.isEmpty())
        m_lists[listId].sharing.remove(user);
    else
        m_lists[listId].sharing.insert(user, letters);
}

void FakeServer::removeList(quint32 id)
{
    m_lists.remove(id);
}

void FakeServer::setListOrder(const QString &user, const QList<quint32> &ids)
{
    m_users[user].listOrder = ids;
}

void FakeServer::setGroups(const QString &user, const FakeGroup &root)
{
    m_users[user].groups = root;
    m_users[user].groupsStored = true;
}

quint32 FakeServer::addNote(const QString &owner, const QString &title, const QString &text)
{
    FakeNote n;
    n.id = m_nextNote++;
    n.owner = owner;
    n.title = title;
    n.text = text;
    m_notes.insert(n.id, n);
    return n.id;
}

void FakeServer::putNote(const FakeNote &note)
{
    if (note.id == 0)
        return;
    m_notes.insert(note.id, note);
    m_nextNote = qMax(m_nextNote, note.id + 1);
}

void FakeServer::removeNote(quint32 id)
{
    m_notes.remove(id);
}

void FakeServer::setNoteOrder(const QString &user, const QList<quint32> &ids)
{
    m_users[user].noteOrder = ids;
}

void FakeServer::setServerInfo(int protocolVersion, int minSupportedVersion)
{
    m_protocol = protocolVersion;
    m_minProtocol = minSupportedVersion;
}

void FakeServer::setInstaller(const QString &name, const QByteArray &bytes, quint32 version)
{
    m_installers.insert(name, Installer{bytes, version});
}

void FakeServer::addFriend(const QString &a, const QString &b)
{
    if (!m_users[a].friends.contains(b))
        m_users[a].friends.append(b);
    if (!m_users[b].friends.contains(a))
        m_users[b].friends.append(a);
    m_users[a].friendRequests.removeAll(b);
    m_users[b].friendRequests.removeAll(a);
}

void FakeServer::addFriendRequest(const QString &from, const QString &to)
{
    if (!m_users[to].friendRequests.contains(from))
        m_users[to].friendRequests.append(from);
}

void FakeServer::setPresence(const QString &user, const QString &state, const QString &message)
{
    m_users[user].presence = FakePresence{state, message};
}

quint32 FakeServer::addChat(const QStringList &participants, const QDateTime &modifiedUtc)
{
    FakeChat c;
    c.id = m_nextChat++;
    c.participants = participants;
    c.modifiedTime = modifiedUtc.isValid() ? modifiedUtc : QDateTime::currentDateTimeUtc();
    m_chats.insert(c.id, c);
    return c.id;
}

void FakeServer::setAvatar(const QString &user, const QByteArray &jpeg)
{
    m_users[user].avatar = jpeg;
}

bool FakeServer::canSee(const FakeList &list, const QString &user) const
{
    return list.owner == user || list.sharing.contains(user);
}

QString FakeServer::permissions(const FakeList &list, const QString &user) const
{
    if (list.owner == user)
        return QStringLiteral("orwd");
    return list.sharing.value(user);
}

QList<FakeList> FakeServer::visibleLists(const QString &user) const
{
    QList<FakeList> out;
    for (const FakeList &l : m_lists)
        if (canSee(l, user))
            out.append(l);
    return out;
}

static const FakeTask *findTask(const QList<FakeTask> &tasks, quint32 id, const QString *title)
{
    for (const FakeTask &t : tasks) {
        if (title ? t.title() == *title : t.id == id)
            return &t;
        if (const FakeTask *c = findTask(t.children, id, title))
            return c;
    }
    return nullptr;
}

FakeTask FakeServer::task(quint32 listId, quint32 taskId) const
{
    const auto it = m_lists.constFind(listId);
    if (it == m_lists.constEnd())
        return FakeTask();
    const FakeTask *t = findTask(it->tasks, taskId, nullptr);
    return t ? *t : FakeTask();
}

FakeTask FakeServer::taskByTitle(quint32 listId, const QString &title) const
{
    const auto it = m_lists.constFind(listId);
    if (it == m_lists.constEnd())
        return FakeTask();
    const FakeTask *t = findTask(it->tasks, 0, &title);
    return t ? *t : FakeTask();
}

QList<quint32> FakeServer::listOrder(const QString &user) const
{
    QList<quint32> out;
    for (quint32 id : m_users.value(user).listOrder)
        if (m_lists.contains(id) && canSee(m_lists.value(id), user) && !out.contains(id))
            out.append(id);
    for (const FakeList &l : m_lists)
        if (canSee(l, user) && !out.contains(l.id))
            out.append(l.id);
    return out;
}

QList<FakeNote> FakeServer::notes(const QString &user) const
{
    QList<FakeNote> out;
    for (const FakeNote &n : m_notes)
        if (n.owner == user)
            out.append(n);
    return out;
}

QList<FakeRequest> FakeServer::requests(const QByteArray &method, const QString &pathRegex) const
{
    const QRegularExpression re(pathRegex);
    QList<FakeRequest> out;
    for (const FakeRequest &r : m_requests)
        if ((method.isEmpty() || r.method == method) && re.match(r.path).hasMatch())
            out.append(r);
    return out;
}

QStringList FakeServer::unexpectedViolations() const
{
    QStringList out;
    for (const QString &v : m_violations) {
        bool expected = false;
        for (const QRegularExpression &re : m_expectedViolations)
            if (re.match(v).hasMatch())
                expected = true;
        if (!expected)
            out.append(v);
    }
    return out;
}

void FakeServer::expectViolation(const QString &pattern)
{
    m_expectedViolations.append(QRegularExpression(pattern));
}

// ---------------------------------------------------------------------------
// Faults

FakeServer::Fault &FakeServer::addFault(Fault::Kind kind, const QByteArray &method, const QString &pathRegex,
                                        bool once)
{
    Fault f;
    f.kind = kind;
    f.method = method;
    f.path = QRegularExpression(pathRegex);
    f.once = once;
    m_faults.append(f);
    return m_faults.last();
}

void FakeServer::respondOnce(const QByteArray &method, const QString &pathRegex, int status,
                             const QByteArray &body, const QByteArray &reason)
{
    Fault &f = addFault(Fault::Respond, method, pathRegex, true);
    f.status = status;
    f.body = body;
    f.reason = reason;
}

void FakeServer::respondAlways(const QByteArray &method, const QString &pathRegex, int status,
                               const QByteArray &body, const QByteArray &reason)
{
    respondOnce(method, pathRegex, status, body, reason);
    m_faults.last().once = false;
}

void FakeServer::respondRaw(const QByteArray &method, const QString &pathRegex, const QByteArray &bytes,
                            bool once)
{
    addFault(Fault::Raw, method, pathRegex, once).body = bytes;
}

void FakeServer::unfinishedBody(const QString &pathRegex, qint64 sent, bool once)
{
    addFault(Fault::Unfinished, {}, pathRegex, once).bytes = sent;
}

void FakeServer::drip(const QString &pathRegex, int chunkBytes, int intervalMs, bool once)
{
    Fault &f = addFault(Fault::Drip, {}, pathRegex, once);
    f.bytes = qMax(1, chunkBytes);
    f.ms = qMax(0, intervalMs);
}

void FakeServer::delay(const QString &pathRegex, int ms, bool once)
{
    addFault(Fault::Delay, {}, pathRegex, once).ms = ms;
}

void FakeServer::hold(const QString &pathRegex, bool once)
{
    addFault(Fault::Hold, {}, pathRegex, once);
}

void FakeServer::hold(const QByteArray &method, const QString &pathRegex, bool once)
{
    addFault(Fault::Hold, method, pathRegex, once);
}

int FakeServer::releaseHeld()
{
    const QList<std::function<void()>> held = std::exchange(m_held, {});
    for (const auto &send : held)
        send();
    return int(held.size());
}

void FakeServer::stall(const QString &pathRegex, bool once)
{
    addFault(Fault::Stall, {}, pathRegex, once);
}

void FakeServer::closeConnectionOn(const QString &pathRegex, bool once)
{
    addFault(Fault::Close, {}, pathRegex, once);
}

void FakeServer::setCompressionFault(const QString &pathRegex, CompressionFault fault, bool once)
{
    addFault(Fault::Compression, {}, pathRegex, once).compression = fault;
}

void FakeServer::oversizedBody(const QString &pathRegex, qint64 bytes, bool once)
{
    addFault(Fault::Oversized, {}, pathRegex, once).bytes = bytes;
}

// Returns a copy-stable pointer valid until the next call (the fault is removed when once).
void FakeServer::dropAnswerAfterApplying(const QByteArray &method, const QString &pathRegex, bool once)
{
    addFault(Fault::AppliedDrop, method, pathRegex, once);
}

void FakeServer::respondAfterApplying(const QByteArray &method, const QString &pathRegex, int status, bool once)
{
    addFault(Fault::AppliedRespond, method, pathRegex, once).status = status;
}

const FakeServer::Fault *FakeServer::takeFault(Fault::Kind kind, const FakeRequest &request)
{
    static Fault taken;
    for (int i = 0; i < m_faults.size(); ++i) {
        const Fault &f = m_faults[i];
        if (f.kind != kind || (!f.method.isEmpty() && f.method != request.method)
            || !f.path.match(request.path).hasMatch())
            continue;
        taken = f;
        ++m_faultsFired;
        if (f.once)
            m_faults.removeAt(i);
        return &taken;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// HTTP

static QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 201: return "Created";
    case 204: return "No Content";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 410: return "Gone";
    case 411: return "Length Required";
    case 412: return "Precondition Failed";
    case 413: return "Payload Too Large";
    case 500: return "Internal Server Error";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    default: return "Unknown";
    }
}

QString FakeServer::authorise(const FakeRequest &request) const
{
    const QByteArray auth = request.header("Authorization");
    if (!auth.startsWith("Basic "))
        return QString();
    const QByteArray decoded = QByteArray::fromBase64(auth.mid(6).trimmed());
    const qsizetype colon = decoded.indexOf(':');
    if (colon <= 0)
        return QString();
    const QString user = QString::fromUtf8(decoded.left(colon));
    const QString password = QString::fromUtf8(decoded.mid(colon + 1));
    const auto it = m_users.constFind(user);
    if (it == m_users.constEnd() || it->password != password)
        return QString();
    return user;
}

FakeServer::Action FakeServer::handle(FakeRequest &r, Response &response, int &delayMs)
{
    r.receivedMs = m_clock.elapsed();
    // Path after the prefix, each segment percent-decoded; a doubled slash
    // after the prefix is folded.
    QByteArray target = r.target;
    const qsizetype query = target.indexOf('?');
    if (query >= 0)
        target.truncate(query);
    const QByteArray prefix = m_prefix.toUtf8();
    bool inPrefix = target.startsWith(prefix)
                    && (target.size() == prefix.size() || target.at(prefix.size()) == '/');
    QByteArray rest = inPrefix ? target.mid(prefix.size()) : target;
    while (rest.startsWith("//"))
        rest.remove(0, 1);
    QStringList segments;
    for (const QByteArray &s : rest.split('/'))
        segments.append(QUrl::fromPercentEncoding(s));
    r.path = segments.join(QLatin1Char('/'));
    r.segments = segments.mid(1);
    if (r.path.isEmpty())
        r.path = QStringLiteral("/");

    const QList<QByteArray> encodings = r.header("Accept-Encoding").split(',');
    for (const QByteArray &e : encodings)
        if (e.trimmed().split(';').value(0).trimmed().toLower() == "zlib")
            r.acceptZlib = true;
    r.hadAuthorization = !r.header("Authorization").isEmpty();
    r.user = authorise(r);

    bool badZlib = false;
    if (FakeXml::looksLikeZlib(r.rawBody)) {
        r.bodyWasZlib = true;
        if (!FakeXml::inflate(r.rawBody, &r.body, m_maxBody))
            badZlib = true;
    } else {
        r.body = r.rawBody;
    }

    if (const Fault *f = takeFault(Fault::Close, r); f)
        return CloseIt;
    if (const Fault *f = takeFault(Fault::Stall, r); f)
        return StallIt;
    if (const Fault *f = takeFault(Fault::Delay, r); f)
        delayMs = f->ms;
    if (const Fault *f = takeFault(Fault::Hold, r); f)
        delayMs = -1;
    int dripBytes = 0;
    int dripMs = 0;
    if (const Fault *f = takeFault(Fault::Drip, r); f) {
        dripBytes = int(f->bytes);
        dripMs = f->ms;
    }

    if (!badZlib && m_validation)
        recordViolations(r);
    if (!inPrefix) {
        response.status = 404;
    } else if (const Fault *f = takeFault(Fault::Raw, r); f) {
        response.raw = f->body;
    } else if (const Fault *f = takeFault(Fault::Unfinished, r); f) {
        response.raw = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: "
                       + QByteArray::number(2 * f->bytes) + "\r\n\r\n" + QByteArray(f->bytes, 'x');
        response.hold = true;
    } else if (const Fault *f = takeFault(Fault::Respond, r); f) {
        response.status = f->status;
        response.reason = f->reason;
        response.body = f->body;
        response.document = !f->body.isEmpty();
    } else if (badZlib) {
        m_violations.append(QStringLiteral("%1 %2: zlib body does not inflate")
                                .arg(QString::fromLatin1(r.method), r.path));
        response.status = 400;
    } else if (r.path != QLatin1String("/") && r.user.isEmpty()) {
        response.status = 401;
        response.addHeader("WWW-Authenticate", "Basic realm=\"plumdeck\"");
    } else if (r.method == "HEAD") {
        // HEAD answers the headers of the GET.
        r.method = "GET";
        response = route(r);
        r.method = "HEAD";
    } else {
        response = route(r);
        if (const Fault *f = takeFault(Fault::AppliedDrop, r); f) {
            // Some bytes of the answer arrive, so the client cannot take the
            // request for unsent and send it again.
            Response cut;
            cut.raw = "HTTP/1.1 " + QByteArray::number(response.status)
                      + " Lost\r\nContent-Type: application/xhtml+xml\r\nContent-Length: 4096\r\n\r\n<html";
            response = cut;
        } else if (const Fault *f = takeFault(Fault::AppliedRespond, r); f) {
            Response failed;
            failed.status = f->status;
            response = failed;
        }
    }
    response.dripBytes = dripBytes;
    response.dripMs = dripMs;
    return Answer;
}

QByteArray FakeServer::encodeResponse(const FakeRequest &request, Response &response, bool keepAlive)
{
    if (!response.raw.isEmpty()) {
        const QList<QByteArray> statusLine = response.raw.left(response.raw.indexOf('\n')).split(' ');
        const_cast<FakeRequest &>(request).status = statusLine.value(1).toInt();
        return response.raw;
    }
    QByteArray body = response.body;
    QList<QPair<QByteArray, QByteArray>> headers = response.headers;
    const bool head = request.method == "HEAD";
    if (const Fault *f = takeFault(Fault::Oversized, request); f) {
        body = QByteArray(f->bytes, 'x');
        response.document = false;
    }
    CompressionFault cfault = NoCompressionFault;
    if (const Fault *f = takeFault(Fault::Compression, request); f)
        cfault = f->compression;
    if (response.document && request.acceptZlib && m_compress && !body.isEmpty()
        && cfault != PlainAlthoughAsked) {
        QByteArray label = "zlib";
        switch (cfault) {
        case LabelledGzip:
            body = FakeXml::compress(body);
            label = "gzip";
            break;
        case TruncatedZlib:
            body = FakeXml::compress(body);
            body.truncate(body.size() / 2);
            break;
        case DecompressionBomb: {
            static const QByteArray bomb = FakeXml::bomb(100 << 20);
            body = bomb;
            break;
        }
        default:
            body = FakeXml::compress(body);
        }
        headers.append(qMakePair(QByteArray("Content-Encoding"), label));
        response.document = true;
        const_cast<FakeRequest &>(request).responseZlib = true;
    }
    if (response.reason.isEmpty())
        response.reason = reasonPhrase(response.status);
    if (!response.body.isEmpty() && response.document)
        headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/xhtml+xml; charset=utf-8")));
    const qint64 length = body.size(); // a HEAD says what the GET would send

    QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + response.reason + "\r\n";
    for (const auto &h : headers)
        out += h.first + ": " + h.second + "\r\n";
    out += "Content-Length: " + QByteArray::number(length) + "\r\n";
    out += keepAlive ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
    out += "\r\n";
    if (!head)
        out += body;
    const_cast<FakeRequest &>(request).status = response.status;
    const_cast<FakeRequest &>(request).reason = response.reason;
    return out;
}

void FakeServer::finishRequest(const FakeRequest &request)
{
    if (m_recording)
        m_requests.append(request);
    emit requestReceived(request);
}

// ---------------------------------------------------------------------------
// Event port

void FakeServer::acceptEvent()
{
    while (QTcpSocket *socket = m_event->nextPendingConnection()) {
        FakeEventConnectAttempt attempt;
        attempt.timeMs = m_clock.elapsed();
        m_eventAttempts.append(attempt);
        auto *c = new FakeEventConnection(this, socket, int(m_eventAttempts.size() - 1));
        m_eventConnections.append(c);
    }
}

void FakeServer::eventAuthorised(FakeEventConnection *, const QString &user)
{
    emit eventStreamOpened(user);
}

void FakeServer::eventClosed(FakeEventConnection *c)
{
    m_eventConnections.removeAll(c);
}

void FakeServer::recordEvent(const FakeEventRecord &record)
{
    FakeEventRecord r = record;
    r.timeMs = m_clock.elapsed();
    if (r.direction == FakeEventRecord::FromClient) {
        const QString idleness = QStringLiteral("/users/%1/idleness").arg(r.user);
        if (r.resource == idleness) {
            if (r.type != QLatin1String("add"))
                m_violations.append(QStringLiteral("EVENT %1: idleness type is \"%2\", not \"add\"").arg(r.resource, r.type));
            if (r.text != QLatin1String("active") && r.text != QLatin1String("idle"))
                m_violations.append(QStringLiteral("EVENT %1: idleness word \"%2\"").arg(r.resource, r.text));
            else
                m_users[r.user].idleness = r.text;
            if (!r.bytes.contains("class=\"pd-idleness\""))
                m_violations.append(QStringLiteral("EVENT %1: no element of class pd-idleness").arg(r.resource));
        } else {
            m_violations.append(QStringLiteral("EVENT: unexpected client event for resource \"%1\"").arg(r.resource));
        }
    }
    m_eventLog.append(r);
    emit eventReceived(r);
}

int FakeServer::eventStreamCount(const QString &user) const
{
    int n = 0;
    for (const auto &c : m_eventConnections)
        if (c && c->streaming() && c->user() == user)
            ++n;
    return n;
}

QList<QByteArray> FakeServer::authLines() const
{
    QList<QByteArray> out;
    for (const auto &a : m_eventAttempts)
        if (!a.authLine.isEmpty())
            out.append(a.authLine);
    return out;
}

int FakeServer::sendEventRaw(const QString &user, const QByteArray &bytes)
{
    return writeEvent(user, bytes, QString(), QString());
}

int FakeServer::pushEvent(const QString &user, const QString &type, const QString &resource,
                          const QByteArray &innerXml)
{
    QByteArray bytes = "<event type=\"" + FakeXml::escape(type).toUtf8() + "\" resource=\""
                       + FakeXml::escape(resource).toUtf8() + "\"";
    bytes += innerXml.isEmpty() ? QByteArray("/>") : ">" + innerXml + "</event>";
    return writeEvent(user, bytes, type, resource);
}

// Writes to every event stream of the user and logs it; the number of streams written.
int FakeServer::writeEvent(const QString &user, const QByteArray &bytes, const QString &type,
                           const QString &resource)
{
    int n = 0;
    for (const auto &c : m_eventConnections)
        if (c && c->user() == user && c->write(bytes))
            ++n;
    FakeEventRecord r;
    r.direction = FakeEventRecord::FromServer;
    r.user = user;
    r.bytes = bytes;
    r.type = type;
    r.resource = resource;
    recordEvent(r);
    return n;
}

void FakeServer::pushToUsers(const QStringList &users, const QString &type, const QString &resource,
                             const QByteArray &inner)
{
    for (const QString &u : users)
        pushEvent(u, type, resource.arg(u), inner);
}

int FakeServer::sendMalformedEvent(const QString &user)
{
    return sendEventRaw(user, "<event type=\"add\" resource=\"/users/" + user.toUtf8()
                                  + "/friends\"><body></li></event>");
}

void FakeServer::setEventKeepAlive(int intervalMs)
{
    delete m_keepAlive;
    m_keepAlive = nullptr;
    if (intervalMs <= 0)
        return;
    m_keepAlive = new QTimer(this);
    connect(m_keepAlive, &QTimer::timeout, this, [this] {
        for (const auto &c : m_eventConnections)
            if (c)
                c->write("<event type=\"keep-alive\" resource=\"/\"/>");
    });
    m_keepAlive->start(intervalMs);
}

void FakeServer::closeEventStreams()
{
    const auto connections = m_eventConnections;
    for (const auto &c : connections)
        if (c)
            c->close();
}

void FakeServer::setRefuseEventConnections(bool refuse)
{
    if (!m_event)
        return;
    if (refuse) {
        m_event->close();
    } else if (!m_event->isListening()) {
        m_event->listen(QHostAddress::LocalHost, m_eventListenPort);
    }
}
