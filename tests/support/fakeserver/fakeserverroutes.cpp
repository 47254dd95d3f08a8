// The fake server's endpoints: what each path answers and how it changes the
// server's state. Rules the protocol leaves open are in CONVENTIONS.md.

#include "fakeserver.h"
#include "fakexml.h"

#include <QDomDocument>
#include <QSet>

#include <algorithm>
#include <functional>

using namespace FakeXml;

namespace {

QString num(quint32 n)
{
    return QString::number(n);
}

QString boolText(bool b)
{
    return b ? QStringLiteral("true") : QStringLiteral("false");
}

QString timeText(const QDateTime &t)
{
    return t.toUTC().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss"));
}

QByteArray userRef(const QString &nick)
{
    return element("li", QStringLiteral("pd-user-ref"), textElement("span", QStringLiteral("pd-user-nick"), nick));
}

QByteArray presenceItem(const QString &nick, const FakePresence &p)
{
    QByteArray presence = textElement("span", QStringLiteral("pd-presence-state"), p.state);
    if (!p.message.isEmpty())
        presence += textElement("span", QStringLiteral("pd-presence-message"), p.message);
    return element("li", QStringLiteral("pd-user-presence"),
                   textElement("span", QStringLiteral("pd-user-nick"), nick)
                       + element("div", QStringLiteral("pd-presence"), presence));
}

QByteArray taskItem(const FakeTask &t)
{
    FakeFields f;
    f.append({QStringLiteral("title"), t.title()});
    f.append({QStringLiteral("done"), fakeField(t.fields, QStringLiteral("done"))});
    f.append({QStringLiteral("id"), num(t.id)});
    f.append({QStringLiteral("revision"), num(t.revision)});
    f.append({QStringLiteral("hashcode"), t.hashcode});
    for (const auto &p : t.fields)
        if (p.first != QLatin1String("title") && p.first != QLatin1String("done"))
            f.append(p);
    QByteArray inner = dl(QStringLiteral("pd-task-fields"), f);
    if (!t.assignments.isEmpty()) {
        QByteArray items;
        for (const QString &a : t.assignments)
            items += element("li", QStringLiteral("pd-task-assignment"),
                             textElement("span", QStringLiteral("pd-user-nick"), a));
        inner += element("ul", QStringLiteral("pd-task-assignments"), items);
    }
    if (!t.attachments.isEmpty()) {
        QByteArray items;
        for (const FakeFields &a : t.attachments)
            items += element("li", QStringLiteral("pd-task-attachment"),
                             dl(QStringLiteral("pd-task-attachment-fields"), a));
        inner += element("ul", QStringLiteral("pd-task-attachments"), items);
    }
    if (!t.children.isEmpty()) {
        QByteArray items;
        for (const FakeTask &c : t.children)
            items += taskItem(c);
        inner += element("ol", QStringLiteral("pd-tasks"), items);
    }
    return element("li", QStringLiteral("pd-task"), inner);
}

// A task element of a request body.
FakeTask readTask(const QDomElement &li)
{
    FakeTask t;
    const QDomElement fieldsElement = childrenByClass(li, QStringLiteral("pd-task-fields")).value(0);
    for (const auto &p : fields(fieldsElement)) {
        if (p.first == QLatin1String("id"))
            t.id = toId(p.second);
        else if (p.first == QLatin1String("revision"))
            t.revision = toId(p.second);
        else if (p.first == QLatin1String("hashcode"))
            t.hashcode = p.second;
        else if (!fakeField(t.fields, p.first).isNull() || p.first == QLatin1String("deletion-time"))
            ; // the first dt wins; deletion times are kept with removed tasks only
        else
            t.fields.append(p);
    }
    for (const QDomElement &ul : childrenByClass(li, QStringLiteral("pd-task-assignments")))
        for (const QDomElement &a : childrenByClass(ul, QStringLiteral("pd-task-assignment")))
            for (const QDomElement &nick : descendantsByClass(a, QStringLiteral("pd-user-nick")))
                t.assignments.append(nick.text());
    for (const QDomElement &ul : childrenByClass(li, QStringLiteral("pd-task-attachments")))
        for (const QDomElement &a : childrenByClass(ul, QStringLiteral("pd-task-attachment")))
            t.attachments.append(fields(childrenByClass(a, QStringLiteral("pd-task-attachment-fields")).value(0)));
    for (const QDomElement &ol : childrenByClass(li, QStringLiteral("pd-tasks")))
        for (const QDomElement &c : childrenByClass(ol, QStringLiteral("pd-task")))
            t.children.append(readTask(c));
    return t;
}

QList<FakeTask> readTasks(const QDomElement &list, const QString &cls)
{
    QList<FakeTask> out;
    for (const QDomElement &ol : childrenByClass(list, cls))
        for (const QDomElement &c : childrenByClass(ol, QStringLiteral("pd-task")))
            out.append(readTask(c));
    return out;
}

FakeFields sorted(FakeFields f)
{
    std::sort(f.begin(), f.end());
    return f;
}

bool sameContent(const FakeTask &a, const FakeTask &b)
{
    return sorted(a.fields) == sorted(b.fields) && a.assignments == b.assignments
           && a.attachments == b.attachments;
}

void indexTasks(const QList<FakeTask> &tasks, QHash<quint32, const FakeTask *> &out)
{
    for (const FakeTask &t : tasks) {
        out.insert(t.id, &t);
        indexTasks(t.children, out);
    }
}

FakeTask *findById(QList<FakeTask> &tasks, quint32 id)
{
    for (FakeTask &t : tasks) {
        if (t.id == id)
            return &t;
        if (FakeTask *c = findById(t.children, id))
            return c;
    }
    return nullptr;
}

// Old tasks neither in the body nor removed, each with its old parent id (0 = top).
void keptTasks(const QList<FakeTask> &old, quint32 parent, const QSet<quint32> &present,
               QList<QPair<quint32, FakeTask>> &out)
{
    for (const FakeTask &t : old) {
        if (present.contains(t.id)) {
            keptTasks(t.children, t.id, present, out);
            continue;
        }
        FakeTask copy = t;
        copy.children.clear();
        QList<QPair<quint32, FakeTask>> inner;
        keptTasks(t.children, t.id, present, inner);
        for (const auto &p : inner) {
            if (p.first == t.id)
                copy.children.append(p.second);
            else
                out.append(p);
        }
        out.append({parent, copy});
    }
}

QByteArray groupItem(const FakeGroup &g, bool root, const std::function<bool(quint32)> &visible,
                     const QString &prefix)
{
    FakeFields f;
    f.append({QStringLiteral("name"), g.name});
    if (!root)
        f.append({QStringLiteral("id"), num(g.id)});
    f.append({QStringLiteral("expanded"), boolText(g.expanded)});
    QByteArray inner = dl(QStringLiteral("pd-group-fields"), f);
    QByteArray entries;
    for (quint32 id : g.lists)
        if (visible(id))
            entries += element("li", QStringLiteral("pd-group-list"),
                               "<a class=\"pd-list-id\" href=\"" + escape(prefix).toUtf8() + "/lists/"
                                   + QByteArray::number(id) + "\">" + QByteArray::number(id) + "</a>");
    if (!entries.isEmpty())
        inner += element("ol", QStringLiteral("pd-group-lists"), entries);
    QByteArray children;
    for (const FakeGroup &c : g.children)
        children += groupItem(c, false, visible, prefix);
    if (!children.isEmpty())
        inner += element("ol", QStringLiteral("pd-groups"), children);
    return element("li", QStringLiteral("pd-group"), inner);
}

FakeGroup readGroup(const QDomElement &li)
{
    FakeGroup g;
    const auto f = fields(childrenByClass(li, QStringLiteral("pd-group-fields")).value(0));
    g.name = value(f, QStringLiteral("name"));
    g.id = toId(value(f, QStringLiteral("id")));
    g.expanded = value(f, QStringLiteral("expanded")) != QLatin1String("false");
    for (const QDomElement &ol : childrenByClass(li, QStringLiteral("pd-group-lists")))
        for (const QDomElement &e : childrenByClass(ol, QStringLiteral("pd-group-list")))
            if (quint32 id = toId(oneByClass(e, QStringLiteral("pd-list-id")).text()))
                g.lists.append(id);
    for (const QDomElement &ol : childrenByClass(li, QStringLiteral("pd-groups")))
        for (const QDomElement &c : childrenByClass(ol, QStringLiteral("pd-group")))
            g.children.append(readGroup(c));
    return g;
}

void dropGroups(FakeGroup &g, const QSet<quint32> &deleted, const std::function<bool(quint32)> &visible)
{
    QList<quint32> lists;
    for (quint32 id : g.lists)
        if (visible(id) && !lists.contains(id))
            lists.append(id);
    g.lists = lists;
    for (int i = g.children.size() - 1; i >= 0; --i) {
        if (g.children[i].id && deleted.contains(g.children[i].id))
            g.children.removeAt(i);
        else
            dropGroups(g.children[i], deleted, visible);
    }
}

QDomElement bodyOf(const QDomDocument &doc)
{
    const QDomNodeList bodies = doc.elementsByTagName(QStringLiteral("body"));
    return bodies.size() == 1 ? bodies.at(0).toElement() : QDomElement();
}

} // namespace

static FakeServer::Response makeStatus(int status)
{
    FakeServer::Response r;
    r.status = status;
    return r;
}

// ---------------------------------------------------------------------------

FakeServer::Response FakeServer::route(FakeRequest &r)
{
    const QStringList seg = r.segments;
    if (r.path == QLatin1String("/")) {
        if (r.method == "GET" || r.method == "HEAD")
            return serverInfo(r);
        return makeStatus(405);
    }
    const QString top = seg.value(0);
    if (top == QLatin1String("users") && seg.size() >= 2)
        return routeUsers(r, seg);
    if (top == QLatin1String("lists"))
        return routeLists(r, seg);
    if (top == QLatin1String("notepad-notes"))
        return routeNotes(r, seg);
    if (top == QLatin1String("chats"))
        return routeChats(r, seg);
    if (top == QLatin1String("clients") && seg.size() == 2)
        return routeInstaller(r, seg);
    if (top == QLatin1String("user-search") && seg.size() == 2)
        return userSearch(r, seg);
    return makeStatus(404);
}

static FakeServer::Response doc(int status, const QString &title, const QByteArray &inner)
{
    FakeServer::Response r;
    r.status = status;
    r.body = FakeXml::document(title, inner);
    r.document = true;
    return r;
}

FakeServer::Response FakeServer::serverInfo(const FakeRequest &)
{
    FakeFields f{{QStringLiteral("protocol-version"), QString::number(m_protocol)},
                 {QStringLiteral("min-supported-protocol-version"), QString::number(m_minProtocol)}};
    if (!m_announcedPort)
        f.append({QStringLiteral("event-port"), QString::number(m_eventListenPort)});
    else if (!m_announcedPort->isEmpty())
        f.append({QStringLiteral("event-port"), *m_announcedPort});
    return doc(200, QStringLiteral("server-info"),
               element("div", QStringLiteral("pd-server"), dl(QStringLiteral("pd-server-fields"), f)));
}

// ---------------------------------------------------------------------------
// /users/<nick>/...

FakeServer::Response FakeServer::routeUsers(FakeRequest &r, const QStringList &seg)
{
    const QString nick = seg.value(1);
    const QString what = seg.value(2);
    const QByteArray m = r.method;
    const bool self = nick == r.user;
    if (!m_users.contains(nick))
        return makeStatus(404);
    FakeUser &u = m_users[nick];

    if (seg.size() == 2) {
        if (m != "GET" && m != "HEAD")
            return makeStatus(405);
        FakeFields f{{QStringLiteral("user-nick"), u.name},
                     {QStringLiteral("user-email"), u.email},
                     {QStringLiteral("user-real-name"), u.realName}};
        f += u.extraFields;
        return doc(200, QStringLiteral("pd-user-data"),
                   element("li", QStringLiteral("pd-user-data"), dl(QStringLiteral("pd-user-fields"), f)));
    }
    if (what == QLatin1String("avatar") && seg.size() == 3) {
        if (m != "GET" && m != "HEAD")
            return makeStatus(405);
        if (u.avatar.isEmpty())
            return makeStatus(404);
        Response resp;
        resp.status = 200;
        resp.body = u.avatar;
        resp.addHeader("Content-Type", "image/jpeg");
        return resp;
    }
    if (what == QLatin1String("friend-requests") && seg.size() == 3 && m == "POST") {
        // Accepting nick's request, or inviting nick.
        const QString me = r.user;
        FakeUser &self_ = m_users[me];
        if (me == nick || self_.friends.contains(nick))
            return doc(403, QStringLiteral("pd-error"),
                       element("div", QStringLiteral("pd-error"),
                               textElement("span", QStringLiteral("pd-error-name"),
                                           QStringLiteral("already-a-friend"))));
        if (self_.friendRequests.contains(nick)) {
            addFriend(me, nick);
            pushEvent(me, QStringLiteral("add"), QStringLiteral("/users/%1/friends").arg(me),
                      "<body>" + presenceItem(nick, m_users.value(nick).presence) + "</body>");
            pushEvent(nick, QStringLiteral("add"), QStringLiteral("/users/%1/friends").arg(nick),
                      "<body>" + presenceItem(me, m_users.value(me).presence) + "</body>");
            return makeStatus(204);
        }
        if (!u.friendRequests.contains(me)) {
            u.friendRequests.append(me);
            pushEvent(nick, QStringLiteral("add"), QStringLiteral("/users/%1/friend-requests").arg(nick),
                      "<body>" + userRef(me) + "</body>");
        }
        return makeStatus(201);
    }
    if (!self)
        return makeStatus(403);

    if (what == QLatin1String("lists-info") && seg.size() == 3 && m == "GET")
        return listsInfo(nick);
    if (what == QLatin1String("list-info") && seg.size() == 4 && m == "GET")
        return listInfo(nick, toId(seg[3]));
    if (what == QLatin1String("lists-display-order") && seg.size() == 3) {
        if (m == "PUT")
            return putListOrder(r, nick);
        if (m == "GET")
            return getListOrder(nick);
    }
    if (what == QLatin1String("list-groups-display-order") && seg.size() == 3) {
        if (m == "PUT")
            return putGroups(r, nick);
        if (m == "GET")
            return getGroups(nick);
    }
    if (what == QLatin1String("notepad-notes-info") && seg.size() == 3 && m == "GET")
        return notesInfo(nick);
    if (what == QLatin1String("notepad-notes-display-order") && seg.size() == 3) {
        if (m == "PUT")
            return putNoteOrder(r, nick);
        if (m == "GET")
            return getNoteOrder(nick);
    }
    if (what == QLatin1String("friends")) {
        if (seg.size() == 3 && m == "GET") {
            QByteArray items;
            for (const QString &f : u.friends)
                items += presenceItem(f, m_users.value(f).presence);
            return doc(200, QStringLiteral("pd-user-presence-list"),
                       element("ul", QStringLiteral("pd-user-presence-list"), items));
        }
        if (seg.size() == 4 && m == "DELETE") {
            const QString other = seg[3];
            if (!u.friends.contains(other))
                return makeStatus(404);
            u.friends.removeAll(other);
            m_users[other].friends.removeAll(nick);
            pushEvent(other, QStringLiteral("remove"), QStringLiteral("/users/%1/friends").arg(other),
                      "<body>" + presenceItem(nick, u.presence) + "</body>");
            return makeStatus(204);
        }
    }
    if (what == QLatin1String("friend-requests")) {
        if (seg.size() == 3 && m == "GET") {
            QByteArray items;
            for (const QString &f : u.friendRequests)
                items += userRef(f);
            return doc(200, QStringLiteral("pd-user-ref-list"),
                       element("ul", QStringLiteral("pd-user-ref-list"), items));
        }
        if (seg.size() == 4 && m == "DELETE") {
            if (!u.friendRequests.removeAll(seg[3]))
                return makeStatus(404);
            return makeStatus(204);
        }
    }
    if (what == QLatin1String("chats-current") && seg.size() == 3 && m == "GET") {
        QByteArray items;
        for (const FakeChat &c : m_chats) {
            if (!c.participants.contains(nick))
                continue;
            QByteArray refs;
            for (const QString &p : c.participants)
                refs += userRef(p);
            items += element("li", QStringLiteral("pd-chat-data"),
                             textElement("span", QStringLiteral("pd-chat-id"), num(c.id))
                                 + dl(QStringLiteral("pd-chat-fields"),
                                      {{QStringLiteral("modified-time"), timeText(c.modifiedTime)}})
                                 + element("ul", QStringLiteral("pd-user-ref-list"), refs));
        }
        return doc(200, QStringLiteral("pd-chat-data-list"),
                   element("ul", QStringLiteral("pd-chat-data-list"), items));
    }
    if (what == QLatin1String("presence") && seg.size() == 3 && m == "PUT") {
        QDomDocument d;
        QString error;
        if (!parse(r.body, &d, &error))
            return makeStatus(400);
        const QDomElement p = oneByClass(bodyOf(d), QStringLiteral("pd-presence"));
        const QString state = oneByClass(p, QStringLiteral("pd-presence-state")).text();
        static const QStringList states{QStringLiteral("available"), QStringLiteral("idle"),
                                        QStringLiteral("busy"), QStringLiteral("unavailable")};
        if (!states.contains(state))
            return makeStatus(400);
        u.presence = FakePresence{state, oneByClass(p, QStringLiteral("pd-presence-message")).text()};
        for (const QString &f : u.friends)
            pushEvent(f, QStringLiteral("add"), QStringLiteral("/users/%1/friends").arg(f),
                      "<body>" + presenceItem(nick, u.presence) + "</body>");
        return makeStatus(204);
    }
    return makeStatus(m == "GET" || m == "PUT" || m == "POST" || m == "DELETE" || m == "HEAD" ? 404 : 405);
}

QByteArray FakeServer::listInfoItem(const FakeList &l, const QString &user, const char *tag) const
{
    FakeFields f{{QStringLiteral("id"), num(l.id)},
                 {QStringLiteral("revision"), num(l.revision)},
                 {QStringLiteral("shared_revision"), num(l.sharedRevision)},
                 {QStringLiteral("name"), l.name},
                 {QStringLiteral("owned"), boolText(l.owner == user)},
                 {QStringLiteral("owner"), l.owner},
                 {QStringLiteral("shared"), boolText(!l.sharing.isEmpty())},
                 {QStringLiteral("permissions"), permissions(l, user)}};
    return element(tag, QStringLiteral("pd-list-info"), dl(QStringLiteral("pd-list-fields"), f));
}

FakeServer::Response FakeServer::listsInfo(const QString &user)
{
    QByteArray items;
    for (const FakeList &l : m_lists)
        if (canSee(l, user))
            items += listInfoItem(l, user, "li");
    return doc(200, QStringLiteral("pd-list-infos"), element("ul", QStringLiteral("pd-list-infos"), items));
}

FakeServer::Response FakeServer::listInfo(const QString &user, quint32 id)
{
    const auto it = m_lists.constFind(id);
    if (it == m_lists.constEnd() || !canSee(*it, user))
        return makeStatus(404);
    return doc(200, QStringLiteral("pd-list-info"), listInfoItem(*it, user, "div"));
}

// ---------------------------------------------------------------------------
// /lists

FakeServer::Response FakeServer::routeLists(FakeRequest &r, const QStringList &seg)
{
    const QByteArray m = r.method;
    if (seg.size() == 1)
        return m == "POST" ? postList(r) : makeStatus(405);
    const quint32 id = toId(seg[1]);
    if (seg.size() == 2) {
        if (m == "GET")
            return getList(r.user, id);
        if (m == "PUT")
            return putList(r, id);
        if (m == "DELETE")
            return deleteList(r.user, id);
        return makeStatus(405);
    }
    if (seg.size() == 3 && seg[2] == QLatin1String("sharingV3")) {
        if (m == "GET")
            return getSharing(r.user, id);
        if (m == "PUT")
            return putSharing(r, id);
        return makeStatus(405);
    }
    return makeStatus(404);
}

FakeServer::Response FakeServer::getList(const QString &user, quint32 id)
{
    const auto it = m_lists.constFind(id);
    if (it == m_lists.constEnd() || !canSee(*it, user))
        return makeStatus(m_goneStatus);
    const FakeList &l = *it;
    FakeFields f{{QStringLiteral("id"), num(l.id)},
                 {QStringLiteral("revision"), num(l.revision)},
                 {QStringLiteral("name"), l.name},
                 {QStringLiteral("done"), boolText(l.done)},
                 {QStringLiteral("description"), l.description}};
    if (l.owner == user) {
        f.append({QStringLiteral("owned"), QStringLiteral("true")});
    } else {
        f.append({QStringLiteral("owned"), QStringLiteral("false")});
        f.append({QStringLiteral("owner"), l.owner});
    }
    f.append({QStringLiteral("permissions"), permissions(l, user)});
    QByteArray inner = dl(QStringLiteral("pd-list-fields"), f);
    QByteArray tasks;
    for (const FakeTask &t : l.tasks)
        tasks += taskItem(t);
    inner += element("ol", QStringLiteral("pd-tasks"), tasks);
    return doc(200, QStringLiteral("pd-list"), element("div", QStringLiteral("pd-list"), inner));
}

FakeServer::Response FakeServer::postList(FakeRequest &r)
{
    QDomDocument d;
    QString error;
    if (!parse(r.body, &d, &error))
        return makeStatus(400);
    const QDomElement listElement = oneByClass(bodyOf(d), QStringLiteral("pd-list"));
    if (listElement.isNull())
        return makeStatus(400);
    const auto f = fields(childrenByClass(listElement, QStringLiteral("pd-list-fields")).value(0));
    FakeList l;
    l.id = m_nextList++;
    l.owner = r.user;
    l.name = value(f, QStringLiteral("name"));
    l.done = value(f, QStringLiteral("done")) == QLatin1String("true");
    l.description = value(f, QStringLiteral("description"));
    l.tasks = readTasks(listElement, QStringLiteral("pd-tasks"));
    // Ids the program may have kept from elsewhere are not the server's: all new.
    std::function<void(QList<FakeTask> &)> reset = [&](QList<FakeTask> &ts) {
        for (FakeTask &t : ts) {
            t.id = 0;
            t.revision = 0;
            t.hashcode.clear();
            reset(t.children);
        }
    };
    reset(l.tasks);
    assignTaskIds(l.tasks, 1, false);
    m_lists.insert(l.id, l);
    return doc(201, QStringLiteral("pd-list-id"), textElement("span", QStringLiteral("pd-list-id"), num(l.id)));
}

FakeServer::Response FakeServer::putList(FakeRequest &r, quint32 id)
{
    auto it = m_lists.find(id);
    if (it == m_lists.end() || !canSee(*it, r.user))
        return makeStatus(m_goneStatus);
    if (!permissions(*it, r.user).contains(QLatin1Char('w')))
        return makeStatus(403);
    QDomDocument d;
    QString error;
    if (!parse(r.body, &d, &error))
        return makeStatus(400);
    const QDomElement listElement = oneByClass(bodyOf(d), QStringLiteral("pd-list"));
    if (listElement.isNull())
        return makeStatus(400);
    FakeList &l = *it;
    const quint32 newRevision = l.revision + 1;
    bool changed = false;
    const auto f = fields(childrenByClass(listElement, QStringLiteral("pd-list-fields")).value(0));
    if (hasKey(f, QStringLiteral("name")) && value(f, QStringLiteral("name")) != l.name) {
        l.name = value(f, QStringLiteral("name"));
        changed = true;
    }
    if (hasKey(f, QStringLiteral("done"))) {
        const bool done = value(f, QStringLiteral("done")) == QLatin1String("true");
        changed |= done != l.done;
        l.done = done;
    }
    if (hasKey(f, QStringLiteral("description")) && value(f, QStringLiteral("description")) != l.description) {
        l.description = value(f, QStringLiteral("description"));
        changed = true;
    }

    QHash<quint32, const FakeTask *> old;
    indexTasks(l.tasks, old);
    QList<FakeTask> removed = readTasks(listElement, QStringLiteral("pd-removed-tasks"));
    QSet<quint32> removedIds;
    for (const FakeTask &t : removed)
        if (t.id && old.contains(t.id))
            removedIds.insert(t.id);
    QList<FakeTask> tasks = readTasks(listElement, QStringLiteral("pd-tasks"));

    // Body tasks: known ids keep their revision unless their content changed.
    QSet<quint32> seen;
    std::function<void(QList<FakeTask> &)> merge = [&](QList<FakeTask> &ts) {
        for (int i = 0; i < ts.size(); ++i) {
            FakeTask &t = ts[i];
            if (t.id && removedIds.contains(t.id)) {
                ts.removeAt(i--);
                changed = true;
                continue;
            }
            const FakeTask *before = (t.id && !seen.contains(t.id)) ? old.value(t.id) : nullptr;
            if (before) {
                seen.insert(t.id);
                if (m_keepsNewerTasks && (t.revision != before->revision || t.hashcode != before->hashcode)) {
                    t.fields = before->fields;
                    t.assignments = before->assignments;
                    t.attachments = before->attachments;
                }
                if (sameContent(*before, t)) {
                    t.revision = before->revision;
                    t.hashcode = before->hashcode;
                } else {
                    t.revision = newRevision;
                    t.hashcode.clear();
                    changed = true;
                }
            } else {
                t.id = m_nextTask++;
                t.revision = newRevision;
                t.hashcode.clear();
                changed = true;
            }
            storeTask(t, newRevision);
            merge(t.children);
        }
    };
    merge(tasks);

    // Tasks the body left out (and did not remove) stay where they were.
    QSet<quint32> present = seen;
    present.unite(removedIds);
    QList<QPair<quint32, FakeTask>> kept;
    keptTasks(l.tasks, 0, present, kept);
    for (const auto &p : kept) {
        FakeTask *parent = p.first ? findById(tasks, p.first) : nullptr;
        (parent ? parent->children : tasks).append(p.second);
    }
    // Order changes count as changes too.
    QList<quint32> beforeOrder, afterOrder;
    std::function<void(const QList<FakeTask> &, QList<quint32> &)> order =
        [&](const QList<FakeTask> &ts, QList<quint32> &out) {
            for (const FakeTask &t : ts) {
                out.append(t.id);
                order(t.children, out);
                out.append(0);
            }
        };
    order(l.tasks, beforeOrder);
    order(tasks, afterOrder);
    changed |= beforeOrder != afterOrder;

    for (FakeTask &t : removed)
        if (removedIds.contains(t.id))
            l.removedTasks.append(t);
    l.tasks = tasks;
    if (changed)
        l.revision = newRevision;
    return makeStatus(200);
}

FakeServer::Response FakeServer::deleteList(const QString &user, quint32 id)
{
    const auto it = m_lists.constFind(id);
    if (it == m_lists.constEnd() || !canSee(*it, user))
        return makeStatus(m_goneStatus);
    if (it->owner != user && !permissions(*it, user).contains(QLatin1Char('d')))
        return makeStatus(403);
    m_lists.remove(id);
    return makeStatus(200);
}

FakeServer::Response FakeServer::getSharing(const QString &user, quint32 id)
{
    const auto it = m_lists.constFind(id);
    if (it == m_lists.constEnd() || !canSee(*it, user))
        return makeStatus(m_goneStatus);
    QMap<QString, QString> entries = it->sharing;
    if (m_sharingIncludesOwner)
        entries.insert(it->owner, QStringLiteral("orwd"));
    QByteArray items;
    for (auto s = entries.constBegin(); s != entries.constEnd(); ++s)
        items += element("li", QStringLiteral("pd-shared-user"),
                         dl(QStringLiteral("pd-shared-user-fields"),
                            {{QStringLiteral("name"), s.key()}, {QStringLiteral("permissions"), s.value()}}));
    return doc(200, QStringLiteral("permissions"), element("ul", QStringLiteral("pd-shared"), items));
}

FakeServer::Response FakeServer::putSharing(FakeRequest &r, quint32 id)
{
    auto it = m_lists.find(id);
    if (it == m_lists.end() || !canSee(*it, r.user))
        return makeStatus(m_goneStatus);
    if (it->owner != r.user)
        return makeStatus(403);
    QDomDocument d;
    QString error;
    if (!parse(r.body, &d, &error))
        return makeStatus(400);
    int count = 0;
    const QDomElement shared = oneByClass(bodyOf(d), QStringLiteral("pd-shared"), &count);
    if (count != 1)
        return makeStatus(400);
    QMap<QString, QString> sharing;
    for (const QDomElement &li : childrenByClass(shared, QStringLiteral("pd-shared-user"))) {
        const auto f = fields(childrenByClass(li, QStringLiteral("pd-shared-user-fields")).value(0));
        const QString name = value(f, QStringLiteral("name"));
        const QString letters = value(f, QStringLiteral("permissions"));
        if (name.isEmpty() || name == it->owner || !m_users.contains(name) || letters.isEmpty())
            continue;
        sharing.insert(name, letters);
    }
    it->sharing = sharing;
    ++it->sharedRevision;
    return doc(201, QStringLiteral("shared-fields"),
               dl(QStringLiteral("shared-fields"),
                  {{QStringLiteral("shared_revision"), num(it->sharedRevision)}}));
}

static QList<quint32> readRefs(const QByteArray &body, const QString &listClass, const QString &itemClass,
                               const QString &idClass, bool *ok)
{
    QDomDocument d;
    QString error;
    QList<quint32> out;
    *ok = parse(body, &d, &error);
    if (!*ok)
        return out;
    const QDomElement list = oneByClass(bodyOf(d), listClass);
    for (const QDomElement &li : childrenByClass(list, itemClass)) {
        const quint32 id = toId(oneByClass(li, idClass).text());
        if (!id)
            *ok = false;
        else
            out.append(id);
    }
    return out;
}

static QByteArray refs(const QList<quint32> &ids, const QString &listClass, const QString &itemClass,
                       const QString &idClass, const QString &hrefBase)
{
    QByteArray items;
    for (quint32 id : ids)
        items += element("li", itemClass,
                         "<a class=\"" + idClass.toUtf8() + "\" href=\"" + escape(hrefBase).toUtf8()
                             + QByteArray::number(id) + "\">" + QByteArray::number(id) + "</a>");
    return element("ol", listClass, items);
}

FakeServer::Response FakeServer::putListOrder(FakeRequest &r, const QString &user)
{
    bool ok = false;
    const QList<quint32> ids = readRefs(r.body, QStringLiteral("pd-list-refs"), QStringLiteral("pd-list-ref"),
                                        QStringLiteral("pd-list-id"), &ok);
    if (!ok)
        return makeStatus(400);
    m_users[user].listOrder = ids;
    return makeStatus(m_orderPutStatus);
}

FakeServer::Response FakeServer::getListOrder(const QString &user)
{
    return doc(200, QStringLiteral("pd-list-refs"),
               refs(listOrder(user), QStringLiteral("pd-list-refs"), QStringLiteral("pd-list-ref"),
                    QStringLiteral("pd-list-id"), m_prefix + QStringLiteral("/lists/")));
}

FakeServer::Response FakeServer::putGroups(FakeRequest &r, const QString &user)
{
    if (m_groupsPutStatus == 403)
        return makeStatus(403);
    QDomDocument d;
    QString error;
    if (!parse(r.body, &d, &error))
        return makeStatus(400);
    const QDomElement body = bodyOf(d);
    const QList<QDomElement> tops = childrenByClass(body, QStringLiteral("pd-groups"));
    if (tops.size() != 1)
        return makeStatus(400);
    const QList<QDomElement> roots = childrenByClass(tops.first(), QStringLiteral("pd-group"));
    FakeGroup root = roots.isEmpty() ? FakeGroup() : readGroup(roots.first());
    root.id = 0;
    QSet<quint32> deleted;
    for (const QDomElement &ol : childrenByClass(body, QStringLiteral("pd-groups-deleted")))
        for (const QDomElement &li : childrenByClass(ol, QStringLiteral("pd-group")))
            if (quint32 id = toId(value(fields(childrenByClass(li, QStringLiteral("pd-group-fields")).value(0)),
                                        QStringLiteral("id"))))
                deleted.insert(id);
    auto visible = [this, user](quint32 id) { return m_lists.contains(id) && canSee(m_lists.value(id), user); };
    dropGroups(root, deleted, visible);
    std::function<void(FakeGroup &)> assign = [&](FakeGroup &g) {
        for (FakeGroup &c : g.children) {
            if (c.id == 0)
                c.id = m_nextGroup++;
            else
                m_nextGroup = qMax(m_nextGroup, c.id + 1);
            assign(c);
        }
    };
    assign(root);
    m_users[user].groups = root;
    m_users[user].groupsStored = true;
    return makeStatus(m_groupsPutStatus);
}

FakeServer::Response FakeServer::getGroups(const QString &user)
{
    auto visible = [this, user](quint32 id) { return m_lists.contains(id) && canSee(m_lists.value(id), user); };
    const FakeGroup &root = m_users[user].groups;
    return doc(200, QStringLiteral("list groups display order"),
               element("ol", QStringLiteral("pd-groups"), groupItem(root, true, visible, m_prefix)));
}

// ---------------------------------------------------------------------------
// Notes

FakeServer::Response FakeServer::notesInfo(const QString &user)
{
    QByteArray items;
    for (const FakeNote &n : m_notes)
        if (n.owner == user)
            items += element("li", QStringLiteral("pd-notepad-note-info"),
                             dl(QStringLiteral("pd-notepad-note-fields"),
                                {{QStringLiteral("id"), num(n.id)},
                                 {QStringLiteral("revision"), num(n.revision)},
                                 {QStringLiteral("title"), n.title}}));
    return doc(200, QStringLiteral("pd-notepad-note-info-list"),
               element("ul", QStringLiteral("pd-notepad-note-info-list"), items));
}

FakeServer::Response FakeServer::routeNotes(FakeRequest &r, const QStringList &seg)
{
    const QByteArray m = r.method;
    auto readNote = [&](FakeNote *n) {
        QDomDocument d;
        QString error;
        if (!parse(r.body, &d, &error))
            return false;
        const QDomElement e = oneByClass(bodyOf(d), QStringLiteral("pd-notepad-note"));
        const auto f = fields(childrenByClass(e, QStringLiteral("pd-notepad-note-fields")).value(0));
        if (e.isNull() || !hasKey(f, QStringLiteral("title")))
            return false;
        n->title = value(f, QStringLiteral("title"));
        n->text = value(f, QStringLiteral("text"));
        return true;
    };
    if (seg.size() == 1) {
        if (m != "POST")
            return makeStatus(405);
        FakeNote n;
        if (!readNote(&n))
            return makeStatus(400);
        n.id = m_nextNote++;
        n.owner = r.user;
        n.revision = 1;
        m_notes.insert(n.id, n);
        return doc(201, QStringLiteral("pd-notepad-note-id"),
                   textElement("span", QStringLiteral("pd-notepad-note-id"), num(n.id)));
    }
    if (seg.size() != 2)
        return makeStatus(404);
    const quint32 id = toId(seg[1]);
    auto it = m_notes.find(id);
    if (it == m_notes.end() || it->owner != r.user)
        return makeStatus(m_goneStatus);
    if (m == "GET") {
        return doc(200, QStringLiteral("note"),
                   element("div", QStringLiteral("pd-notepad-note"),
                           dl(QStringLiteral("pd-notepad-note-fields"),
                              {{QStringLiteral("id"), num(it->id)},
                               {QStringLiteral("revision"), num(it->revision)},
                               {QStringLiteral("title"), it->title},
                               {QStringLiteral("text"), it->text}})));
    }
    if (m == "PUT") {
        FakeNote n = *it;
        if (!readNote(&n))
            return makeStatus(400);
        n.revision = it->revision + 1;
        *it = n;
        return makeStatus(200);
    }
    if (m == "DELETE") {
        m_notes.erase(it);
        return makeStatus(200);
    }
    return makeStatus(405);
}

FakeServer::Response FakeServer::putNoteOrder(FakeRequest &r, const QString &user)
{
    bool ok = false;
    const QList<quint32> ids = readRefs(r.body, QStringLiteral("pd-notepad-note-refs"),
                                        QStringLiteral("pd-notepad-note-ref"),
                                        QStringLiteral("pd-notepad-note-id"), &ok);
    if (!ok)
        return makeStatus(400);
    if (ids.size() != notes(user).size())
        return makeStatus(403);
    m_users[user].noteOrder = ids;
    return makeStatus(204);
}

FakeServer::Response FakeServer::getNoteOrder(const QString &user)
{
    QList<quint32> ids;
    for (quint32 id : m_users.value(user).noteOrder)
        if (m_notes.contains(id) && m_notes.value(id).owner == user && !ids.contains(id))
            ids.append(id);
    for (const FakeNote &n : m_notes)
        if (n.owner == user && !ids.contains(n.id))
            ids.append(n.id);
    return doc(200, QStringLiteral("notepads display order"),
               refs(ids, QStringLiteral("pd-notepad-note-refs"), QStringLiteral("pd-notepad-note-ref"),
                    QStringLiteral("pd-notepad-note-id"), m_prefix + QStringLiteral("/notepad-notes/")));
}

// ---------------------------------------------------------------------------
// Chats, search, installer

FakeServer::Response FakeServer::routeChats(FakeRequest &r, const QStringList &seg)
{
    const QByteArray m = r.method;
    QDomDocument d;
    QString error;
    const bool parsed = !r.body.isEmpty() && parse(r.body, &d, &error);
    auto participantsOf = [&]() {
        QStringList out;
        const QDomElement data = oneByClass(bodyOf(d), QStringLiteral("pd-chat-data"));
        for (const QDomElement &nick : descendantsByClass(data, QStringLiteral("pd-user-nick")))
            if (!out.contains(nick.text()))
                out.append(nick.text());
        return out;
    };
    auto chatItem = [&](const FakeChat &c) {
        QByteArray refsXml;
        for (const QString &p : c.participants)
            refsXml += userRef(p);
        return element("li", QStringLiteral("pd-chat-data"),
                       textElement("span", QStringLiteral("pd-chat-id"), num(c.id))
                           + dl(QStringLiteral("pd-chat-fields"),
                                {{QStringLiteral("modified-time"), timeText(c.modifiedTime)}})
                           + element("ul", QStringLiteral("pd-user-ref-list"), refsXml));
    };
    auto announce = [&](const FakeChat &c, const QStringList &to) {
        for (const QString &p : to)
            pushEvent(p, QStringLiteral("add"), QStringLiteral("/users/%1/chats-current").arg(p),
                      "<body>" + chatItem(c) + "</body>");
    };
    if (seg.size() == 1) {
        if (m != "POST")
            return makeStatus(405);
        if (!parsed)
            return makeStatus(400);
        QStringList participants = participantsOf();
        if (!participants.contains(r.user))
            participants.prepend(r.user);
        const quint32 id = addChat(participants);
        announce(m_chats.value(id), participants);
        return doc(201, QStringLiteral("pd-chat-id"), textElement("span", QStringLiteral("pd-chat-id"), num(id)));
    }
    const quint32 id = toId(seg[1]);
    auto it = m_chats.find(id);
    if (it == m_chats.end())
        return makeStatus(404);
    if (!it->participants.contains(r.user))
        return makeStatus(403);
    if (seg.size() == 2 && m == "POST") {
        if (!parsed)
            return makeStatus(400);
        const QString text = oneByClass(bodyOf(d), QStringLiteral("pd-message")).text();
        it->messages.append(FakeChatMessage{r.user, text});
        it->modifiedTime = QDateTime::currentDateTimeUtc();
        const QByteArray inner = "<body>" + userRef(r.user)
                                 + textElement("div", QStringLiteral("pd-message"), text) + "</body>";
        for (const QString &p : it->participants)
            pushEvent(p, QStringLiteral("add"), QStringLiteral("/chats/%1").arg(id), inner);
        return makeStatus(204);
    }
    if (seg.size() == 2 && m == "PUT") {
        if (!parsed)
            return makeStatus(400);
        const QStringList before = it->participants;
        QStringList participants = participantsOf();
        if (!participants.contains(r.user))
            participants.prepend(r.user);
        it->participants = participants;
        it->modifiedTime = QDateTime::currentDateTimeUtc();
        QStringList to = participants;
        for (const QString &p : before)
            if (!to.contains(p))
                to.append(p);
        announce(*it, to);
        return makeStatus(204);
    }
    if (seg.size() == 3 && seg[2] == QLatin1String("activity") && m == "POST") {
        if (!parsed)
            return makeStatus(400);
        const QString word = oneByClass(bodyOf(d), QStringLiteral("pd-chat-activity")).text();
        it->activity.insert(r.user, word);
        const QByteArray inner = "<body>" + userRef(r.user)
                                 + textElement("div", QStringLiteral("pd-chat-activity"), word) + "</body>";
        for (const QString &p : it->participants)
            if (p != r.user)
                pushEvent(p, QStringLiteral("add"), QStringLiteral("/chats/%1/activity").arg(id), inner);
        return makeStatus(204);
    }
    return makeStatus(405);
}

FakeServer::Response FakeServer::userSearch(FakeRequest &r, const QStringList &seg)
{
    if (r.method != "GET")
        return makeStatus(405);
    const QString text = seg[1].trimmed();
    QByteArray items;
    for (const FakeUser &u : m_users) {
        if (u.name == r.user || text.isEmpty())
            continue;
        if (u.name.contains(text, Qt::CaseInsensitive) || u.realName.contains(text, Qt::CaseInsensitive)
            || u.email.contains(text, Qt::CaseInsensitive))
            items += element("li", QStringLiteral("pd-user-data"),
                             dl(QStringLiteral("pd-user-fields"),
                                {{QStringLiteral("user-nick"), u.name},
                                 {QStringLiteral("user-email"), u.email},
                                 {QStringLiteral("user-real-name"), u.realName}}));
    }
    return doc(200, QStringLiteral("pd-user-data-list"), element("ul", QStringLiteral("pd-user-data-list"), items));
}

FakeServer::Response FakeServer::routeInstaller(FakeRequest &r, const QStringList &seg)
{
    if (r.method != "GET")
        return makeStatus(405);
    if (m_installerForbidden)
        return makeStatus(403);
    const auto it = m_installers.constFind(seg[1]);
    if (it == m_installers.constEnd())
        return makeStatus(404);
    const QByteArray version = QByteArray::number(it->version);
    Response resp;
    resp.addHeader("ETag", m_quotedETag ? '"' + version + '"' : version);
    QByteArray ifMatch = r.header("If-Match").trimmed();
    if (ifMatch.startsWith("W/"))
        ifMatch = ifMatch.mid(2);
    if (ifMatch.size() >= 2 && ifMatch.startsWith('"') && ifMatch.endsWith('"'))
        ifMatch = ifMatch.mid(1, ifMatch.size() - 2);
    if (!ifMatch.isEmpty() && ifMatch != version)
        return makeStatus(412);
    resp.status = 200;
    resp.body = it->bytes;
    resp.addHeader("Content-Type", "application/octet-stream");
    return resp;
}
