#include "model/listsgroups.h"
#include "model/listsgroupsreaderwriter.h"
#include "failingdevice.h"
#include "modeltest.h"
#include "testenvironment.h"

#include <QBuffer>

#include <functional>

using namespace ModelTest;

namespace {

const int Local = XMLReaderWriter::LocalDocument;
const int Server = XMLReaderWriter::ServerDocument;

// "name#id[-][server/local ...](children)", "-" for a collapsed group.
QString tree(const ListsGroupsElementGroup *g)
{
    QStringList entries;
    for (const ListsGroupsElementList *e : g->lists())
        entries << QStringLiteral("%1/%2").arg(e->serverId()).arg(e->localId());
    QStringList children;
    for (const ListsGroupsElementGroup *c : g->groups())
        children << tree(c);
    return QStringLiteral("%1#%2%3[%4]").arg(g->name()).arg(g->serverId()).arg(g->isExpanded() ? "" : "-", entries.join(' '))
        + (children.isEmpty() ? QString() : '(' + children.join(' ') + ')');
}

QString deleted(const ListsGroups *groups)
{
    QStringList out;
    for (const ListsGroupsElementGroup *g : *groups->deletedGroups())
        out << QStringLiteral("%1#%2").arg(g->name()).arg(g->serverId());
    return out.join(' ');
}

// The tree of the stored examples: group "Home" (id 12, collapsed) holding
// list 40 (local id 3), a local-only list 5 in the default group, and the
// deleted group "Work" (id 13).
ListsGroups *exampleTree()
{
    auto *groups = new ListsGroups;
    auto *local = new ListsGroupsElementList;
    local->setLocalId(5);
    groups->rootGroup()->addList(local);
    auto *home = new ListsGroupsElementGroup;
    home->setName(QStringLiteral("Home"));
    home->setServerId(12);
    home->setExpanded(false);
    groups->rootGroup()->addGroup(home);
    auto *list = new ListsGroupsElementList;
    list->setServerId(40);
    list->setLocalId(3);
    home->addList(list);
    auto *work = new ListsGroupsElementGroup(groups);
    work->setName(QStringLiteral("Work"));
    work->setServerId(13);
    groups->deletedGroups()->append(work);
    return groups;
}

const char *const LocalExample = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Strict//EN" "http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd">
<html xmlns="http://www.w3.org/1999/xhtml">
 <head><title>list groups display order</title><meta name="generator" content="PlumDeck"/>
  <meta name="format-version" content="2"/></head>
 <body>
  <dl class="pd-groups-local-fields"><dt>eddited-since-sync</dt><dd>true</dd></dl>
  <ol class="pd-groups"><li class="pd-group">
   <dl class="pd-group-fields"><dt>name</dt><dd>New Group</dd><dt>expanded</dt><dd>true</dd></dl>
   <ol class="pd-group-lists"><li class="pd-group-list"><span class="pd-list-local-id">5</span></li></ol>
   <ol class="pd-groups"><li class="pd-group">
    <dl class="pd-group-fields"><dt>name</dt><dd>Home</dd><dt>id</dt><dd>12</dd><dt>expanded</dt><dd>false</dd></dl>
    <ol class="pd-group-lists"><li class="pd-group-list">
     <a class="pd-list-id" href="/plumdeck/lists/40">40</a><span class="pd-list-local-id">3</span></li></ol>
   </li></ol>
  </li></ol>
  <ol class="pd-groups-deleted"><li class="pd-group">
   <dl class="pd-group-fields"><dt>name</dt><dd>Work</dd><dt>id</dt><dd>13</dd></dl></li></ol>
 </body>
</html>
)";

const char *const ServerExample = R"(<html xmlns="http://www.w3.org/1999/xhtml">
 <head><title>list groups display order</title><meta name="generator" content="PlumDeck"/></head>
 <body>
  <ol class="pd-groups"><li class="pd-group">
   <dl class="pd-group-fields"><dt>name</dt><dd>New Group</dd><dt>expanded</dt><dd>true</dd></dl>
   <ol class="pd-group-lists"/>
   <ol class="pd-groups"><li class="pd-group">
    <dl class="pd-group-fields"><dt>name</dt><dd>Home</dd><dt>id</dt><dd>12</dd><dt>expanded</dt><dd>false</dd></dl>
    <ol class="pd-group-lists"><li class="pd-group-list"><a class="pd-list-id" href="/plumdeck/lists/40">40</a></li></ol>
   </li></ol>
  </li></ol>
  <ol class="pd-groups-deleted"><li class="pd-group">
   <dl class="pd-group-fields"><dt>name</dt><dd>Work</dd><dt>id</dt><dd>13</dd></dl></li></ol>
 </body>
</html>
)";

QString groupItem(const QString &pairs, const QString &inner = QString())
{
    return QStringLiteral("<li class=\"pd-group\"><dl class=\"pd-group-fields\">%1</dl>%2</li>").arg(fields(pairs), inner);
}

QString entryItem(const QString &serverId, const QString &localId = QString(), const QString &href = "/plumdeck/lists/1")
{
    return QStringLiteral("<li class=\"pd-group-list\">%1%2</li>")
        .arg(serverId.isNull() ? QString() : QStringLiteral("<a class=\"pd-list-id\" href=\"%1\">%2</a>").arg(href, serverId),
             localId.isNull() ? QString() : QStringLiteral("<span class=\"pd-list-local-id\">%1</span>").arg(localId));
}

QString lists(const QString &items)
{
    return QStringLiteral("<ol class=\"pd-group-lists\">%1</ol>").arg(items);
}

QString groups(const QString &items)
{
    return QStringLiteral("<ol class=\"pd-groups\">%1</ol>").arg(items);
}

// A document whose root group holds `rootInner` (entries and child groups).
QString groupsXml(const QString &rootInner, const QString &before = QString(), const QString &after = QString())
{
    return "<html><head/><body>" + before + groups(groupItem("name=New Group", rootInner)) + after + "</body></html>";
}

ListsGroups *loadBytes(const QByteArray &bytes, int kind = Local, QString *error = nullptr)
{
    QBuffer buffer;
    buffer.setData(bytes);
    ListsGroupsReaderWriter reader(kind);
    ListsGroups *groups = reader.loadListsGroups(&buffer);
    if (error)
        *error = reader.errorString();
    return groups;
}

// Saves through a writer of the given kind and loads the bytes back.
std::unique_ptr<ListsGroups> saveAndReload(ListsGroups *groups, int kind = Local)
{
    QBuffer buffer;
    if (!ListsGroupsReaderWriter(kind).saveListsGroups(groups, &buffer))
        return nullptr;
    QString error;
    std::unique_ptr<ListsGroups> read(loadBytes(buffer.data(), kind, &error));
    if (!read)
        qWarning() << "reading back failed:" << error;
    return read;
}

QString groupsPath()
{
    return QDir(TestEnvironment::homePath()).filePath(QStringLiteral("groups/listsGroups.xhtml"));
}

} // namespace

class TstListsGroupsReaderWriter : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QDir(QFileInfo(groupsPath()).path()).removeRecursively();
        QVERIFY(QDir().mkpath(QFileInfo(groupsPath()).path()));
    }

    void storedForm_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("example");
        QTest::addColumn<QString>("expected");
        QTest::newRow("local") << Local << QByteArray(LocalExample) << "New Group#0[0/5](Home#12-[40/3])";
        QTest::newRow("server") << Server << QByteArray(ServerExample) << "New Group#0[](Home#12-[40/0])";
    }
    void storedForm()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, example);
        QFETCH(QString, expected);
        std::unique_ptr<ListsGroups> groups(exampleTree());
        if (kind == Server)
            QTest::ignoreMessage(QtDebugMsg, "Server Id invalid!!!!!");
        QBuffer buffer;
        QVERIFY(ListsGroupsReaderWriter(kind).saveListsGroups(groups.get(), &buffer));
        QCOMPARE(outline(parseBytes(buffer.data()).documentElement(), true), outline(parseBytes(example).documentElement(), true));

        QString error;
        std::unique_ptr<ListsGroups> read(loadBytes(example, kind, &error));
        QVERIFY2(read, qPrintable(error));
        QCOMPARE(tree(read->rootGroup()), expected);
        QCOMPARE(deleted(read.get()), QStringLiteral("Work#13"));
        QCOMPARE(read->deletedGroups()->first()->parent(), read.get());
        QVERIFY(read->isEditedSinceSync() && read->isModified());
    }

    void roundTrip_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("edited");
        QTest::newRow("local, edited") << Local << true;
        QTest::newRow("local, not edited") << Local << false;
        QTest::newRow("server") << Server << false;
    }
    void roundTrip()
    {
        QFETCH(int, kind);
        QFETCH(bool, edited);
        ListsGroups groups;
        ListsGroupsElementGroup *a = groups.addGroupToDefaultGroup();
        a->setName(QStringLiteral("Tom & Jerry <3>"));
        a->setServerId(4294967295u);
        ListsGroupsElementGroup *b = groups.addGroup(a);
        b->setExpanded(false);
        // A null name is written empty: the reader refuses a group without one.
        groups.addGroup(b)->setName(QString());
        for (ListsGroupsElementGroup *g : {groups.rootGroup(), a, b}) {
            auto *e = new ListsGroupsElementList;
            e->setServerId(g == a ? 0 : 70 + g->groupCount());
            e->setLocalId(g == b ? 0 : 9);
            g->addList(e);
        }
        groups.setEditedSinceSync(edited);
        std::unique_ptr<ListsGroups> read = saveAndReload(&groups, kind);
        QVERIFY(read);
        QCOMPARE(tree(read->rootGroup()), kind == Server ? QStringLiteral("New Group#0[71/0](Tom & Jerry <3>#4294967295[](New Group#0-[71/0](#0[])))")
                                                         : tree(groups.rootGroup()));
        QCOMPARE(read->isEditedSinceSync(), kind == Server || edited);
    }

    void leftOut_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("expected");
        QTest::newRow("local: neither id") << Local << "New Group#0[0/4 6/0]";
        QTest::newRow("server: no server id") << Server << "New Group#0[6/0]";
    }
    void leftOut()
    {
        QFETCH(int, kind);
        QFETCH(QString, expected);
        ListsGroups groups;
        for (auto ids : {std::pair<quint32, quint32>{0, 0}, {0, 4}, {6, 0}}) {
            auto *e = new ListsGroupsElementList;
            e->setServerId(ids.first);
            e->setLocalId(ids.second);
            groups.rootGroup()->addList(e);
        }
        // A deleted group is written only with its id.
        for (quint32 id : {0u, 21u}) {
            auto *g = new ListsGroupsElementGroup(&groups);
            g->setName(id ? QString() : QStringLiteral("no id"));
            g->setServerId(id);
            groups.deletedGroups()->append(g);
        }
        if (kind == Server) {
            QTest::ignoreMessage(QtDebugMsg, "Server Id invalid!!!!!");
            QTest::ignoreMessage(QtDebugMsg, "Server Id invalid!!!!!");
        }
        QTest::ignoreMessage(QtWarningMsg, "TaskReaderWriter::writeDeletedGroup, the group has no server id or name");
        std::unique_ptr<ListsGroups> read = saveAndReload(&groups, kind);
        QVERIFY(read);
        QCOMPARE(tree(read->rootGroup()), expected);
        QCOMPARE(deleted(read.get()), QStringLiteral("#21"));

        // The entries' list is written even when nothing is left in it.
        ListsGroups empty;
        empty.rootGroup()->addList(new ListsGroupsElementList);
        const QString out = outline(ListsGroupsReaderWriter(kind).writeListsGroups(&empty).documentElement());
        QVERIFY(out.contains(QStringLiteral("ol.pd-group-lists\n")));
        QVERIFY(!out.contains(QStringLiteral("li.pd-group-list")));
    }

    // What the reader makes of damaged and unexpected documents: the tree
    // (empty when refused, "unedited" when so marked), the error text and
    // the warning.
    void read_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("warning");
        const QString failed = QStringLiteral("TaskReaderWriter::readListsGroups, error reading the groups");
        const QString rootNotFound = QStringLiteral("TaskReaderWriter::readListsGroups, root group not found");
        const QString deletedFailed = QStringLiteral("TaskReaderWriter::readListsGroups, error reading the deleted groups");
        const QString deletedList = QStringLiteral("<ol class=\"pd-groups-deleted\">%1</ol>");
        const QString edited = QStringLiteral("<dl class=\"pd-groups-local-fields\">%1</dl>");
        auto page = [](const QString &body) { return "<html><head/><body>" + body + "</body></html>"; };
        QTest::newRow("no name") << Local << groupsXml(groups(groupItem("id=3|expanded=true"))) << "" << "" << failed;
        QTest::newRow("no fields") << Local << groupsXml(groups("<li class=\"pd-group\"/>")) << "" << "" << failed;
        QTest::newRow("no expanded") << Local << groupsXml(groups(groupItem("name=G"))) << "New Group#0[](G#0[])" << "" << "";
        QTest::newRow("expanded other text") << Local << groupsXml(groups(groupItem("name=G|expanded=yes"))) << "New Group#0[](G#0-[])" << "" << "";
        QTest::newRow("empty name") << Local << groupsXml(groups(groupItem("name=|id=4"))) << "New Group#0[](#4[])" << "" << "";
        QTest::newRow("other class among groups") << Local << groupsXml(groups(groupItem("name=G") + "<li class=\"pd-group-list\"/>"))
                                                  << "" << "" << failed;
        QTest::newRow("other class among entries") << Local << groupsXml(lists("<li class=\"pd-group\"/>")) << "" << "" << failed;
        QTest::newRow("server: entry with local id only") << Server << groupsXml(lists(entryItem(QString(), "5"))) << "" << "" << failed;
        QTest::newRow("local: entry with local id only") << Local << groupsXml(lists(entryItem(QString(), "5"))) << "New Group#0[0/5]" << "" << "";
        QTest::newRow("server: local id ignored") << Server << groupsXml(lists(entryItem("7", "5"))) << "New Group#0[7/0]" << "" << "";
        QTest::newRow("id from text, not href") << Local << groupsXml(lists(entryItem("7", QString(), "/plumdeck/lists/8")))
                                                << "New Group#0[7/0]" << "" << "";
        // Ids that are not numbers: the tree is read, with an error text.
        QTest::newRow("local: bad group id") << Local << groupsXml(groups(groupItem("name=G|id=x"))) << "New Group#0[](G#0[])"
                                             << "bad list id string x" << "";
        QTest::newRow("local: bad list id") << Local << groupsXml(lists(entryItem("abc"))) << "New Group#0[0/0]"
                                            << "expected list id 'abc' to be a number" << "";
        QTest::newRow("local: bad local id") << Local << groupsXml(lists(entryItem(QString(), "-5"))) << "New Group#0[0/0]"
                                             << "bad list id string -5" << "";
        // In a server document that is a failed read: the group would
        // otherwise be created again on the server.
        QTest::newRow("server: bad group id") << Server << groupsXml(groups(groupItem("name=G|id=x"))) << "" << "bad list id string x" << "";
        QTest::newRow("server: bad list id") << Server << groupsXml(lists(entryItem("1 2"))) << "" << "expected list id '1 2' to be a number" << "";
        QTest::newRow("server: doubled fields") << Server << groupsXml(groups(groupItem("name=a", "<dl class=\"pd-group-fields\"/>")))
                                                << "" << "duplicate element with class pd-group-fields under li" << failed;
        QTest::newRow("no head") << Local << "<html><body><ol class=\"pd-groups\"/></body></html>" << ""
                                 << "failed to find mandatory element head under html" << "";
        QTest::newRow("two bodies") << Local << "<html><head/><body/><body/></html>" << "" << "duplicate elements body under html" << "";
        QTest::newRow("no groups") << Local << page("<p/>") << "" << "" << "TaskReaderWriter::readListsGroups, pd-groups tag not found";
        QTest::newRow("no root item") << Local << page(groups("")) << "New Group#0[]" << "" << rootNotFound;
        QTest::newRow("two root items") << Local << page(groups("<li class=\"pd-group\"/><li class=\"pd-group\"/>")) << "New Group#0[]"
                                        << "duplicate element with class pd-group under ol" << rootNotFound;
        QTest::newRow("deleted without id") << Local << groupsXml("", "", deletedList.arg(groupItem("name=W"))) << "" << "" << deletedFailed;
        QTest::newRow("deleted without name") << Local << groupsXml("", "", deletedList.arg(groupItem("id=3"))) << "" << "" << deletedFailed;
        QTest::newRow("deleted of another class") << Local << groupsXml("", "", deletedList.arg("<li class=\"x\"/>")) << "" << "" << deletedFailed;
        QTest::newRow("edited true") << Local << groupsXml("", edited.arg(fields("eddited-since-sync=true"))) << "New Group#0[]" << "" << "";
        QTest::newRow("edited false") << Local << groupsXml("", edited.arg(fields("eddited-since-sync=false"))) << "New Group#0[] unedited" << "" << "";
        QTest::newRow("edited empty") << Local << groupsXml("", edited.arg(fields("eddited-since-sync="))) << "New Group#0[] unedited" << "" << "";
        QTest::newRow("edited, no key") << Local << groupsXml("", edited.arg("")) << "New Group#0[] unedited" << "" << "";
        // What a newer version keeps beside the tree is passed by.
        QTest::newRow("agreed copy and upload mark beside the tree")
            << Local
            << groupsXml(lists(entryItem("7")), edited.arg(fields("eddited-since-sync=true|upload-in-doubt=true")),
                         "<ol class=\"pd-groups-agreed\">" + groupItem("name=New Group", groups(groupItem("name=H|id=2"))) + "</ol>")
            << "New Group#0[7/0]" << "" << "";
        QTest::newRow("server: edited read all the same") << Server << groupsXml("", edited.arg(fields("eddited-since-sync=false")))
                                                          << "New Group#0[] unedited" << "" << "";
    }
    void read()
    {
        QFETCH(int, kind);
        QFETCH(QString, xml);
        QFETCH(QString, expected);
        QFETCH(QString, error);
        QFETCH(QString, warning);
        ListsGroupsReaderWriter reader(kind);
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        std::unique_ptr<ListsGroups> groups(reader.readListsGroups(parse(xml)));
        QCOMPARE(groups ? tree(groups->rootGroup()) + (groups->isEditedSinceSync() ? "" : " unedited") : QString(), expected);
        QCOMPARE(reader.errorString(), error);
        QVERIFY(!groups || groups->isModified());
    }

    // What the tree last agreed with the server, kept beside an edited tree:
    // read back as written, rebuilt from an unedited tree, absent from an
    // older file, and a part that does not read costs that copy alone.
    void agreedCopy_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QString>("agreed"); // empty: none
        const QString tree = lists(entryItem("7", "3")) + groups(groupItem("name=Home|id=12", lists(entryItem("8"))));
        const auto file = [&tree](const QString &fieldPairs, const QString &agreedRootInner, int copies = 1) {
            const QString part = "<ol class=\"pd-groups-agreed\">" + groupItem("name=New Group", agreedRootInner) + "</ol>";
            return groupsXml(tree, "<dl class=\"pd-groups-local-fields\">" + fields(fieldPairs) + "</dl>", part.repeated(copies));
        };
        const QString kept = lists(entryItem("7") + entryItem("8")) + groups(groupItem("name=Home|id=12|expanded=false"));
        const QString edited = QStringLiteral("eddited-since-sync=true");
        QString deep;
        for (int i = 0; i <= ListsGroups::maxGroupDepth; ++i)
            deep = groups(groupItem("name=g", deep));
        QTest::newRow("kept beside an edited tree") << file(edited, kept) << "New Group#0[7/0 8/0](Home#12-[])";
        QTest::newRow("an upload in doubt") << file(edited + "|upload-in-doubt=true", kept) << "New Group#0[7/0 8/0](Home#12-[]) in doubt";
        QTest::newRow("unedited: the tree itself") << file("eddited-since-sync=false", kept) << "New Group#0[7/0](Home#12[8/0])";
        QTest::newRow("an older file: none") << file(edited, kept, 0) << "";
        QTest::newRow("damaged: a bad group id") << file(edited, groups(groupItem("name=H|id=x"))) << "";
        QTest::newRow("damaged: a group without a name") << file(edited, groups(groupItem("id=4"))) << "";
        QTest::newRow("damaged: an entry without a server id") << file(edited, lists(entryItem(QString(), "5"))) << "";
        QTest::newRow("damaged: two copies") << file(edited, kept, 2) << "";
        QTest::newRow("damaged: nested too deeply") << file(edited, deep) << "";
    }
    void agreedCopy()
    {
        QFETCH(QString, xml);
        QFETCH(QString, agreed);
        if (QTest::currentDataTag() && QByteArray(QTest::currentDataTag()).startsWith("damaged"))
            QTest::ignoreMessage(QtWarningMsg, "the agreed copy of the list groups does not read; the groups merge without it");
        const auto agreedOf = [](const ListsGroups *groups) {
            return groups->agreed() ? tree(groups->agreed()->rootGroup()) + (groups->isUploadInDoubt() ? " in doubt" : "")
                                    : QString();
        };
        QString error;
        std::unique_ptr<ListsGroups> read(loadBytes(xml.toUtf8(), Local, &error));
        QVERIFY2(read, qPrintable(error));
        QCOMPARE(tree(read->rootGroup()), QStringLiteral("New Group#0[7/3](Home#12[8/0])"));
        QCOMPARE(agreedOf(read.get()), agreed);
        // Written back as read; the server is sent neither.
        QCOMPARE(agreedOf(saveAndReload(read.get()).get()), agreed);
        QBuffer sent;
        QVERIFY(ListsGroupsReaderWriter(Server).saveListsGroups(read.get(), &sent));
        QVERIFY(!sent.data().contains("agreed") && !sent.data().contains("doubt"));
    }

    // What uploads in doubt sent, kept beside the tree with the groups'
    // local ids: read back as written, never sent, and a part that does not
    // read costs the records alone.
    void sentInDoubt_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QString>("sent"); // each record, " | " between
        QTest::addColumn<QString>("localIds"); // of the tree's groups
        const QString tree = lists(entryItem("7", "3")) + groups(groupItem("name=Work|expanded=true|local-id=4"));
        const auto file = [&tree](const QString &records) {
            return groupsXml(tree, "<dl class=\"pd-groups-local-fields\">" + fields("eddited-since-sync=true") + "</dl>",
                             records.isNull() ? QString() : "<ol class=\"pd-groups-sent\">" + records + "</ol>");
        };
        const QString first = groupItem("name=New Group", groups(groupItem("name=Work|expanded=true|local-id=4", lists(entryItem("7")))));
        const QString second = groupItem("name=New Group", lists(entryItem("7")) + groups(groupItem("name=Work|id=9|expanded=true|local-id=4")));
        QTest::newRow("two uploads") << file(first + second) << "New Group#0@0[](Work#0@4[7/0]) | New Group#0@0[7/0](Work#9@4[])" << "4";
        QTest::newRow("an older file: none") << file(QString()) << "" << "4";
        QTest::newRow("damaged: a bad group id") << file(groupItem("name=New Group", groups(groupItem("name=H|id=x"))))
                                                  << "" << "4";
        QTest::newRow("damaged: an entry without a server id")
            << file(groupItem("name=New Group", lists(entryItem(QString(), "5")))) << "" << "4";
        QTest::newRow("damaged: an item of another kind") << file(first + "<li>x</li>") << "" << "4";
        QTest::newRow("a bad local id costs that id alone")
            << groupsXml(lists(entryItem("7", "3")) + groups(groupItem("name=Work|expanded=true|local-id=x"))) << "" << "0";
    }
    void sentInDoubt()
    {
        QFETCH(QString, xml);
        QFETCH(QString, sent);
        QFETCH(QString, localIds);
        if (QTest::currentDataTag() && QByteArray(QTest::currentDataTag()).startsWith("damaged"))
            QTest::ignoreMessage(QtWarningMsg,
                                 "what an upload of the list groups in doubt sent does not read; it is left out");
        const std::function<QString(const ListsGroupsElementGroup *)> withIds = [&](const ListsGroupsElementGroup *g) {
            QStringList entries, children;
            for (const ListsGroupsElementList *e : g->lists())
                entries << QStringLiteral("%1/%2").arg(e->serverId()).arg(e->localId());
            for (const ListsGroupsElementGroup *c : g->groups())
                children << withIds(c);
            return QStringLiteral("%1#%2@%3[%4]").arg(g->name()).arg(g->serverId()).arg(g->localId()).arg(entries.join(' '))
                   + (children.isEmpty() ? QString() : '(' + children.join(' ') + ')');
        };
        const auto sentOf = [&](const ListsGroups *groups) {
            QStringList out;
            for (const auto &record : groups->sentInDoubt())
                out << withIds(record->rootGroup());
            return out.join(QStringLiteral(" | "));
        };
        QString error;
        std::unique_ptr<ListsGroups> read(loadBytes(xml.toUtf8(), Local, &error));
        QVERIFY2(read && error.isEmpty(), qPrintable(error));
        QCOMPARE(sentOf(read.get()), sent);
        QCOMPARE(QString::number(read->rootGroup()->groups().first()->localId()), localIds);
        // Written back as read; the server is sent neither.
        std::unique_ptr<ListsGroups> again = saveAndReload(read.get());
        QVERIFY(again);
        QCOMPARE(sentOf(again.get()), sent);
        QCOMPARE(QString::number(again->rootGroup()->groups().first()->localId()), localIds);
        QBuffer server;
        QVERIFY(ListsGroupsReaderWriter(Server).saveListsGroups(read.get(), &server));
        QVERIFY(!server.data().contains("sent") && !server.data().contains("local-id"));
    }

    void tooDeep()
    {
        QString inner;
        for (int i = 0; i <= ListsGroups::maxGroupDepth; ++i)
            inner = groups(groupItem("name=g", inner));
        ListsGroupsReaderWriter reader(Local);
        QTest::ignoreMessage(QtWarningMsg, "TaskReaderWriter::readListsGroups, error reading the groups");
        QVERIFY(!reader.readListsGroups(parse(groupsXml(inner))));
        QCOMPARE(reader.errorString(), QStringLiteral("list groups nested deeper than 200 levels"));
        // The deepest tree ListsGroups makes is written and read back.
        ListsGroups deep;
        ListsGroupsElementGroup *g = deep.rootGroup();
        for (int i = 0; i < ListsGroups::maxGroupDepth; ++i)
            g = deep.addGroup(g);
        QVERIFY(saveAndReload(&deep));
    }

    void load()
    {
        // Any error text fails the load; the head is not examined.
        QString error;
        QVERIFY(!loadBytes(QByteArray(LocalExample).replace("<dd>12</dd>", "<dd>1x2</dd>"), Local, &error));
        QCOMPARE(error, QStringLiteral("bad list id string 1x2"));
        QVERIFY(std::unique_ptr<ListsGroups>(loadBytes(QByteArray(LocalExample).replace("content=\"2\"", "content=\"9\"")
                                                        .replace("PlumDeck", "Other"))));
        std::unique_ptr<ListsGroups> groups(exampleTree());
        FailingDevice device(64);
        QVERIFY(!ListsGroupsReaderWriter(Local).saveListsGroups(groups.get(), &device));
    }

    // ---- the file, through ListsGroups

    void saveAndLoadFile()
    {
        std::unique_ptr<ListsGroups> groups(exampleTree());
        groups->setEditedSinceSync(false);
        QVERIFY(groups->save(groupsPath()));
        QVERIFY(!groups->isModified());
        std::unique_ptr<ListsGroups> loaded(ListsGroups::load(groupsPath()));
        QVERIFY(loaded);
        QCOMPARE(tree(loaded->rootGroup()), tree(groups->rootGroup()));
        QCOMPARE(deleted(loaded.get()), QStringLiteral("Work#13"));
        QVERIFY(loaded->isModified()); // written once more at the next save
        QVERIFY(!loaded->isEditedSinceSync());

        // A failed save keeps the mark, so the page's next save tick tries again.
        QVERIFY(QFile::remove(groupsPath()));
        QVERIFY(QDir().mkpath(groupsPath())); // a directory in the file's place
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^error saving lists groups ")));
        QVERIFY(!loaded->save(groupsPath()));
        QVERIFY(loaded->isModified());
    }

    void unreadableFileKeptAside_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("error");
        QTest::newRow("truncated") << QByteArray(LocalExample).left(400) << "failed to parse xml";
        QTest::newRow("bad id") << QByteArray(LocalExample).replace("<dd>13</dd>", "<dd>x</dd>") << "bad list id string x";
        QTest::newRow("no name") << QByteArray(LocalExample).replace("<dt>name</dt><dd>Home</dd>", "") << "";
        QTest::newRow("missing") << QByteArray() << "";
    }
    void unreadableFileKeptAside()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, error);
        const bool missing = content.isEmpty();
        if (!missing)
            writeFile(groupsPath(), content);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^ListsGroups::load\\(\\), Error loading lists groups: \"")
                                                              + (missing ? QString() : QRegularExpression::escape(error) + "\"$")));
        if (!missing)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^kept the unreadable lists groups file as .*listsGroups.xhtml.unreadable-\\d{14}$")));
        if (!missing && error.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, "TaskReaderWriter::readListsGroups, error reading the groups");
        QVERIFY(!ListsGroups::load(groupsPath()));
        // The page now starts an empty tree and saves it: the old file stays.
        ListsGroups fresh;
        QVERIFY(fresh.save(groupsPath()));
        QCOMPARE(keptAsideBytes(groupsPath()), missing ? QByteArray("0 files kept aside") : content);
    }
};

PLUMDECK_TEST_MAIN(TstListsGroupsReaderWriter)
#include "tst_listsgroupsreaderwriter.moc"
