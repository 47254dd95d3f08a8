// Checks of the program's request bodies against the document shapes the
// server expects. Every problem becomes a violation that the test sees at
// teardown (PLUMDECK_VERIFY_NO_VIOLATIONS), so a wrong class, key or time
// format in the program fails a test rather than passing silently.

#include "fakeserver.h"
#include "fakexml.h"

#include <QCoreApplication>
#include <QDomDocument>
#include <QSet>

using namespace FakeXml;

namespace {

const QStringList &forbiddenKeys()
{
    static const QStringList keys{QStringLiteral("sync-status"), QStringLiteral("outlook-id"),
                                  QStringLiteral("local-id"), QStringLiteral("shared-edited"),
                                  QStringLiteral("shared-revision"), QStringLiteral("expanded")};
    return keys;
}

class Checker
{
public:
    QStringList problems;

    void add(const QString &p) { problems.append(p); }

    // Parses and checks the frame; returns the body element (null on failure).
    QDomElement frame(const QByteArray &bytes, const QString &title, QDomDocument &doc)
    {
        QString error;
        if (bytes.isEmpty()) {
            add(QStringLiteral("empty body"));
            return QDomElement();
        }
        if (!parse(bytes, &doc, &error)) {
            add(error);
            return QDomElement();
        }
        const QDomElement root = doc.documentElement();
        if (root.tagName() != QLatin1String("html"))
            add(QStringLiteral("root element <%1>, not <html>").arg(root.tagName()));
        if (root.attribute(QStringLiteral("xmlns")) != QLatin1String("http://www.w3.org/1999/xhtml"))
            add(QStringLiteral("html without the XHTML namespace"));
        if (doc.elementsByTagName(QStringLiteral("head")).size() != 1)
            add(QStringLiteral("not exactly one head"));
        const QString seen = headTitle(doc);
        if (seen != title)
            add(QStringLiteral("head title \"%1\", expected \"%2\"").arg(seen, title));
        bool found = false;
        const QString generator = metaContent(doc, QStringLiteral("generator"), &found);
        // The program writes its application name: "PlumDeck", or the test
        // program's own name when a test running in-process did not set it.
        const QString appName = QCoreApplication::applicationName();
        if (!found || (generator != QLatin1String("PlumDeck") && generator != appName))
            add(QStringLiteral("meta generator \"%1\", expected \"PlumDeck\"").arg(generator));
        metaContent(doc, QStringLiteral("format-version"), &found);
        if (found)
            add(QStringLiteral("meta format-version in a server document"));
        const QDomNodeList bodies = doc.elementsByTagName(QStringLiteral("body"));
        if (bodies.size() != 1) {
            add(QStringLiteral("not exactly one body"));
            return QDomElement();
        }
        return bodies.at(0).toElement();
    }

    QDomElement one(const QDomElement &root, const QString &cls)
    {
        int count = 0;
        const QDomElement e = oneByClass(root, cls, &count);
        if (count != 1)
            add(QStringLiteral("%1 elements of class %2, expected one").arg(count).arg(cls));
        return e;
    }

    FakeFields dlOf(const QDomElement &parent, const QString &cls)
    {
        const QList<QDomElement> dls = childrenByClass(parent, cls);
        if (dls.size() != 1) {
            add(QStringLiteral("%1 child elements of class %2 under %3, expected one")
                    .arg(dls.size()).arg(cls, parent.attribute(QStringLiteral("class"))));
            return {};
        }
        return fields(dls.first());
    }

    void require(const FakeFields &f, const QStringList &keys, const QString &where)
    {
        for (const QString &k : keys)
            if (!hasKey(f, k))
                add(QStringLiteral("%1 lacks the key \"%2\"").arg(where, k));
    }

    void forbid(const FakeFields &f, const QStringList &keys, const QString &where)
    {
        for (const QString &k : keys)
            if (hasKey(f, k))
                add(QStringLiteral("%1 carries the key \"%2\"").arg(where, k));
    }

    void localOnly(const FakeFields &f, const QString &where)
    {
        forbid(f, forbiddenKeys(), where);
        for (const auto &p : f)
            if (p.first.startsWith(QLatin1String("show-")))
                add(QStringLiteral("%1 carries the local key \"%2\"").arg(where, p.first));
    }

    void id(const FakeFields &f, const QString &key, const QString &where, bool required)
    {
        if (!hasKey(f, key)) {
            if (required)
                add(QStringLiteral("%1 lacks the key \"%2\"").arg(where, key));
            return;
        }
        if (toId(value(f, key)) == 0)
            add(QStringLiteral("%1 key \"%2\" is \"%3\", not a non-zero decimal").arg(where, key, value(f, key)));
    }

    void times(const FakeFields &f, const QString &where)
    {
        for (const auto &p : f) {
            if (!p.first.endsWith(QLatin1String("-time")))
                continue;
            if (p.second.isEmpty() || p.second == QLatin1String("none"))
                continue;
            if (!isTime19(p.second))
                add(QStringLiteral("%1 time \"%2\" is \"%3\", not YYYY-MM-DDThh:mm:ss")
                        .arg(where, p.first, p.second));
        }
    }

    void task(const QDomElement &li, bool removed, const QString &where)
    {
        const QString here = QStringLiteral("%1 task").arg(where);
        const FakeFields f = dlOf(li, QStringLiteral("pd-task-fields"));
        const QString name = QStringLiteral("%1 \"%2\"").arg(here, value(f, QStringLiteral("title")));
        require(f, {QStringLiteral("title"), QStringLiteral("done"), QStringLiteral("hashcode")}, name);
        localOnly(f, name);
        const QString done = value(f, QStringLiteral("done"));
        if (hasKey(f, QStringLiteral("done")) && done != QLatin1String("true") && done != QLatin1String("false"))
            add(QStringLiteral("%1 done is \"%2\"").arg(name, done));
        const QString hash = value(f, QStringLiteral("hashcode"));
        if (!hash.isEmpty() && hash.size() != 32)
            add(QStringLiteral("%1 hashcode of %2 characters").arg(name).arg(hash.size()));
        id(f, QStringLiteral("id"), name, removed);
        id(f, QStringLiteral("revision"), name, removed);
        if (hasKey(f, QStringLiteral("id")) != hasKey(f, QStringLiteral("revision")))
            add(QStringLiteral("%1 has id or revision without the other").arg(name));
        if (removed && !hasKey(f, QStringLiteral("deletion-time")))
            add(QStringLiteral("%1 removed without a deletion-time").arg(name));
        if (!removed && hasKey(f, QStringLiteral("deletion-time")))
            add(QStringLiteral("%1 has a deletion-time but is not removed").arg(name));
        times(f, name);
        for (const QDomElement &ul : childrenByClass(li, QStringLiteral("pd-task-assignments")))
            for (const QDomElement &a : childElements(ul)) {
                if (a.attribute(QStringLiteral("class")) != QLatin1String("pd-task-assignment"))
                    add(QStringLiteral("%1 assignment of class \"%2\"").arg(name, a.attribute(QStringLiteral("class"))));
                if (oneByClass(a, QStringLiteral("pd-user-nick")).isNull())
                    add(QStringLiteral("%1 assignment without one pd-user-nick").arg(name));
            }
        for (const QDomElement &ul : childrenByClass(li, QStringLiteral("pd-task-attachments")))
            for (const QDomElement &a : childElements(ul)) {
                const FakeFields af = dlOf(a, QStringLiteral("pd-task-attachment-fields"));
                require(af, {QStringLiteral("name"), QStringLiteral("url"), QStringLiteral("type")},
                        name + QStringLiteral(" attachment"));
            }
        for (const QDomElement &ol : childrenByClass(li, QStringLiteral("pd-tasks")))
            tasks(ol, false, where);
    }

    void tasks(const QDomElement &ol, bool removed, const QString &where)
    {
        for (const QDomElement &c : childElements(ol)) {
            if (c.attribute(QStringLiteral("class")) != QLatin1String("pd-task")) {
                add(QStringLiteral("%1: child of class \"%2\" in %3").arg(where, c.attribute(QStringLiteral("class")),
                                                                          ol.attribute(QStringLiteral("class"))));
                continue;
            }
            task(c, removed, where);
        }
    }

    void list(const QDomElement &body, bool isNew, quint32 pathId)
    {
        const QDomElement l = one(body, QStringLiteral("pd-list"));
        if (l.isNull())
            return;
        if (!descendantsByClass(body, QStringLiteral("pd-shared")).isEmpty())
            add(QStringLiteral("list body carries pd-shared"));
        const FakeFields f = dlOf(l, QStringLiteral("pd-list-fields"));
        const QString where = QStringLiteral("list");
        require(f, {QStringLiteral("name"), QStringLiteral("done"), QStringLiteral("owned"),
                    QStringLiteral("permissions")}, where);
        localOnly(f, where);
        if (isNew) {
            forbid(f, {QStringLiteral("id"), QStringLiteral("revision")}, QStringLiteral("new list"));
        } else {
            id(f, QStringLiteral("id"), where, true);
            id(f, QStringLiteral("revision"), where, true);
            if (toId(value(f, QStringLiteral("id"))) != pathId)
                add(QStringLiteral("list id %1 differs from the path's %2").arg(value(f, QStringLiteral("id"))).arg(pathId));
        }
        const QString owned = value(f, QStringLiteral("owned"));
        if (owned == QLatin1String("false") && !hasKey(f, QStringLiteral("owner")))
            add(QStringLiteral("list not owned but without owner"));
        if (owned != QLatin1String("true") && owned != QLatin1String("false"))
            add(QStringLiteral("list owned is \"%1\"").arg(owned));
        for (const QDomElement &ol : childrenByClass(l, QStringLiteral("pd-tasks")))
            tasks(ol, false, where);
        for (const QDomElement &ul : childrenByClass(l, QStringLiteral("pd-removed-tasks")))
            tasks(ul, true, where);
    }

    void refs(const QDomElement &body, const QString &listClass, const QString &itemClass, const QString &idClass)
    {
        const QDomElement l = one(body, listClass);
        if (l.isNull())
            return;
        QSet<quint32> seen;
        for (const QDomElement &c : childElements(l)) {
            if (c.attribute(QStringLiteral("class")) != itemClass) {
                add(QStringLiteral("child of class \"%1\" in %2").arg(c.attribute(QStringLiteral("class")), listClass));
                continue;
            }
            const QString text = oneByClass(c, idClass).text();
            const quint32 n = toId(text);
            if (!n)
                add(QStringLiteral("%1 \"%2\" is not a non-zero decimal").arg(idClass, text));
            else if (seen.contains(n))
                add(QStringLiteral("%1 %2 appears twice").arg(idClass).arg(n));
            seen.insert(n);
        }
    }

    void group(const QDomElement &li, bool root)
    {
        const FakeFields f = dlOf(li, QStringLiteral("pd-group-fields"));
        if (!root) {
            require(f, {QStringLiteral("name")}, QStringLiteral("group"));
            id(f, QStringLiteral("id"), QStringLiteral("group \"%1\"").arg(value(f, QStringLiteral("name"))), false);
        }
        for (const QDomElement &ol : childrenByClass(li, QStringLiteral("pd-group-lists")))
            for (const QDomElement &e : childElements(ol)) {
                if (e.attribute(QStringLiteral("class")) != QLatin1String("pd-group-list"))
                    add(QStringLiteral("child of class \"%1\" in pd-group-lists").arg(e.attribute(QStringLiteral("class"))));
                else if (!toId(oneByClass(e, QStringLiteral("pd-list-id")).text()))
                    add(QStringLiteral("group entry without a decimal pd-list-id"));
            }
        for (const QDomElement &ol : childrenByClass(li, QStringLiteral("pd-groups")))
            for (const QDomElement &c : childElements(ol)) {
                if (c.attribute(QStringLiteral("class")) != QLatin1String("pd-group"))
                    add(QStringLiteral("child of class \"%1\" in pd-groups").arg(c.attribute(QStringLiteral("class"))));
                else
                    group(c, false);
            }
    }

    void groups(const QDomElement &body)
    {
        if (!descendantsByClass(body, QStringLiteral("pd-groups-local-fields")).isEmpty())
            add(QStringLiteral("groups carry pd-groups-local-fields"));
        if (!descendantsByClass(body, QStringLiteral("pd-list-local-id")).isEmpty())
            add(QStringLiteral("groups carry pd-list-local-id"));
        const QList<QDomElement> tops = childrenByClass(body, QStringLiteral("pd-groups"));
        if (tops.size() != 1) {
            add(QStringLiteral("%1 top-level pd-groups, expected one").arg(tops.size()));
            return;
        }
        const QList<QDomElement> roots = childElements(tops.first());
        if (roots.size() != 1 || roots.first().attribute(QStringLiteral("class")) != QLatin1String("pd-group"))
            add(QStringLiteral("top-level pd-groups does not hold exactly one root pd-group"));
        for (const QDomElement &r : roots)
            group(r, true);
        for (const QDomElement &ol : childrenByClass(body, QStringLiteral("pd-groups-deleted")))
            for (const QDomElement &c : childElements(ol)) {
                const FakeFields f = dlOf(c, QStringLiteral("pd-group-fields"));
                require(f, {QStringLiteral("name")}, QStringLiteral("deleted group"));
                id(f, QStringLiteral("id"), QStringLiteral("deleted group"), true);
            }
    }

    void note(const QDomElement &body, bool isNew, quint32 pathId)
    {
        const QDomElement n = one(body, QStringLiteral("pd-notepad-note"));
        if (n.isNull())
            return;
        const FakeFields f = dlOf(n, QStringLiteral("pd-notepad-note-fields"));
        require(f, {QStringLiteral("title"), QStringLiteral("text")}, QStringLiteral("note"));
        localOnly(f, QStringLiteral("note"));
        if (isNew) {
            forbid(f, {QStringLiteral("id"), QStringLiteral("revision")}, QStringLiteral("new note"));
        } else {
            id(f, QStringLiteral("id"), QStringLiteral("note"), true);
            id(f, QStringLiteral("revision"), QStringLiteral("note"), true);
            if (toId(value(f, QStringLiteral("id"))) != pathId)
                add(QStringLiteral("note id %1 differs from the path's %2").arg(value(f, QStringLiteral("id"))).arg(pathId));
        }
    }

    void word(const QDomElement &body, const QString &cls, const QStringList &words)
    {
        const QDomElement e = one(body, cls);
        if (!e.isNull() && !words.isEmpty() && !words.contains(e.text()))
            add(QStringLiteral("%1 \"%2\" is not one of %3").arg(cls, e.text(), words.join(QLatin1Char('/'))));
    }

    void chat(const QDomElement &body, const QString &sender, bool creating)
    {
        const QDomElement data = one(body, QStringLiteral("pd-chat-data"));
        if (data.isNull())
            return;
        const QDomElement refsList = one(data, QStringLiteral("pd-user-ref-list"));
        QStringList nicks;
        for (const QDomElement &c : childElements(refsList)) {
            if (c.attribute(QStringLiteral("class")) != QLatin1String("pd-user-ref"))
                add(QStringLiteral("child of class \"%1\" in pd-user-ref-list").arg(c.attribute(QStringLiteral("class"))));
            const QDomElement nick = oneByClass(c, QStringLiteral("pd-user-nick"));
            if (nick.isNull() || nick.text().isEmpty())
                add(QStringLiteral("user ref without a pd-user-nick"));
            nicks.append(nick.text());
        }
        if (creating && !sender.isEmpty() && nicks.value(0) != sender)
            add(QStringLiteral("chat participants do not start with the sender %1").arg(sender));
    }
};

// How the program is expected to send each request: Z compressed XMLRequest,
// P plain XMLRequest, R raw Request; '?' either (GET "/").
char requestKind(const QByteArray &method, const QString &path)
{
    const QStringList seg = path.split(QLatin1Char('/')).mid(1);
    const QString top = seg.value(0);
    if (method == "HEAD")
        return 'R';
    if (path == QLatin1String("/"))
        return '?';
    if (top == QLatin1String("lists") || top == QLatin1String("notepad-notes"))
        return 'Z';
    if (top == QLatin1String("clients"))
        return 'R';
    if (top == QLatin1String("chats") || top == QLatin1String("user-search"))
        return 'P';
    if (top == QLatin1String("users")) {
        const QString what = seg.value(2);
        if (seg.size() == 2)
            return 'Z';
        if (what == QLatin1String("avatar"))
            return 'R';
        static const QStringList z{QStringLiteral("lists-info"), QStringLiteral("list-info"),
                                   QStringLiteral("lists-display-order"),
                                   QStringLiteral("list-groups-display-order"),
                                   QStringLiteral("notepad-notes-info"),
                                   QStringLiteral("notepad-notes-display-order")};
        return z.contains(what) ? 'Z' : 'P';
    }
    return '?';
}

} // namespace

QStringList FakeServer::validate(const QByteArray &method, const QString &path, const QByteArray &body) const
{
    Checker c;
    const QStringList seg = path.split(QLatin1Char('/')).mid(1);
    const QString top = seg.value(0);
    const QString what = seg.value(2);
    QDomDocument d;
    if (method == "GET" || method == "HEAD" || method == "DELETE") {
        if (!body.isEmpty())
            c.add(QStringLiteral("%1 with a body of %2 bytes").arg(QString::fromLatin1(method)).arg(body.size()));
        return c.problems;
    }
    if (top == QLatin1String("lists") && seg.size() <= 2 && (method == "POST" || method == "PUT")) {
        const QDomElement b = c.frame(body, QStringLiteral("pd-list"), d);
        if (!b.isNull())
            c.list(b, method == "POST", toId(seg.value(1)));
    } else if (top == QLatin1String("lists") && seg.value(2) == QLatin1String("sharingV3") && method == "PUT") {
        const QDomElement b = c.frame(body, QStringLiteral("permissions"), d);
        if (!b.isNull()) {
            const QDomElement shared = c.one(b, QStringLiteral("pd-shared"));
            QString last;
            for (const QDomElement &li : childElements(shared)) {
                const FakeFields f = c.dlOf(li, QStringLiteral("pd-shared-user-fields"));
                c.require(f, {QStringLiteral("name"), QStringLiteral("permissions")}, QStringLiteral("shared user"));
                const QString name = value(f, QStringLiteral("name"));
                static const QRegularExpression letters(QStringLiteral("^r?w?d?$"));
                const QString p = value(f, QStringLiteral("permissions"));
                if (p.isEmpty() || !letters.match(p).hasMatch())
                    c.add(QStringLiteral("shared user %1 permissions \"%2\"").arg(name, p));
                if (!last.isNull() && name <= last)
                    c.add(QStringLiteral("shared users not in ascending order of name"));
                last = name;
            }
        }
    } else if (top == QLatin1String("users") && what == QLatin1String("lists-display-order")) {
        const QDomElement b = c.frame(body, QStringLiteral("pd-list-refs"), d);
        if (!b.isNull())
            c.refs(b, QStringLiteral("pd-list-refs"), QStringLiteral("pd-list-ref"), QStringLiteral("pd-list-id"));
    } else if (top == QLatin1String("users") && what == QLatin1String("list-groups-display-order")) {
        const QDomElement b = c.frame(body, QStringLiteral("list groups display order"), d);
        if (!b.isNull())
            c.groups(b);
    } else if (top == QLatin1String("notepad-notes") && seg.size() <= 2) {
        const QDomElement b = c.frame(body, QStringLiteral("note"), d);
        if (!b.isNull())
            c.note(b, method == "POST", toId(seg.value(1)));
    } else if (top == QLatin1String("users") && what == QLatin1String("notepad-notes-display-order")) {
        const QDomElement b = c.frame(body, QStringLiteral("notepads display order"), d);
        if (!b.isNull())
            c.refs(b, QStringLiteral("pd-notepad-note-refs"), QStringLiteral("pd-notepad-note-ref"),
                   QStringLiteral("pd-notepad-note-id"));
    } else if (top == QLatin1String("users") && what == QLatin1String("presence")) {
        const QDomElement b = c.frame(body, QStringLiteral("pd-presence"), d);
        if (!b.isNull())
            c.word(b, QStringLiteral("pd-presence-state"),
                   {QStringLiteral("available"), QStringLiteral("idle"), QStringLiteral("busy"),
                    QStringLiteral("unavailable")});
    } else if (top == QLatin1String("users") && what == QLatin1String("friend-requests") && method == "POST") {
        if (body != "dummy")
            c.add(QStringLiteral("friend request body is not \"dummy\""));
    } else if (top == QLatin1String("chats") && seg.size() <= 2 && (seg.size() == 1 || method == "PUT")) {
        const QDomElement b = c.frame(body, QStringLiteral("pd-chat"), d);
        if (!b.isNull())
            c.chat(b, QString(), false);
    } else if (top == QLatin1String("chats") && seg.size() == 2 && method == "POST") {
        const QDomElement b = c.frame(body, QStringLiteral("pd-message"), d);
        if (!b.isNull())
            c.one(b, QStringLiteral("pd-message"));
    } else if (top == QLatin1String("chats") && seg.value(2) == QLatin1String("activity")) {
        const QDomElement b = c.frame(body, QStringLiteral("pd-chat-activity"), d);
        if (!b.isNull())
            c.word(b, QStringLiteral("pd-chat-activity"),
                   {QStringLiteral("none"), QStringLiteral("typing"), QStringLiteral("deleting")});
    } else {
        c.add(QStringLiteral("no request body expected here"));
    }
    return c.problems;
}

void FakeServer::recordViolations(const FakeRequest &r)
{
    const QString head = QStringLiteral("%1 %2: ").arg(QString::fromLatin1(r.method), r.path);
    // A "/" inside a segment (a nick "a/b") must not split it for the checks.
    QStringList parts = r.segments;
    for (QString &part : parts)
        part.replace(QLatin1Char('/'), QLatin1String("%2F"));
    const QString path = r.path == QLatin1String("/") ? r.path : QLatin1Char('/') + parts.join(QLatin1Char('/'));
    QStringList problems = validate(r.method, path, r.body);
    // The creator of a chat comes first.
    if (r.method == "POST" && r.path == QLatin1String("/chats") && !r.user.isEmpty()) {
        QDomDocument d;
        QString error;
        if (parse(r.body, &d, &error)) {
            const QList<QDomElement> nicks = descendantsByClass(d.documentElement(), QStringLiteral("pd-user-nick"));
            if (nicks.isEmpty() || nicks.first().text() != r.user)
                problems.append(QStringLiteral("chat participants do not start with the sender %1").arg(r.user));
        }
    }
    if (m_strictCompression) {
        const char kind = requestKind(r.method, path);
        if (kind == 'Z') {
            if (!r.acceptZlib)
                problems.append(QStringLiteral("compressed request without Accept-Encoding: zlib"));
            if (!r.rawBody.isEmpty() && !r.bodyWasZlib)
                problems.append(QStringLiteral("compressed request with a plain body"));
        } else if (kind == 'P' || kind == 'R') {
            if (r.acceptZlib)
                problems.append(QStringLiteral("plain request with Accept-Encoding: zlib"));
            if (r.bodyWasZlib)
                problems.append(QStringLiteral("plain request with a zlib body"));
        }
    }
    for (const QString &p : problems)
        m_violations.append(head + p);
}
