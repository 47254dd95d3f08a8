#include "model/listsgroups.h"
#include "model/listsgroupsreaderwriter.h"
#include "failingdevice.h"
#include "testenvironment.h"

#include <QBuffer>
#include <QDir>
#include <QDomDocument>
#include <QFile>

namespace {

// The element structure of a document, one line an element: depth, tag,
// class, href and text. Blank text and attribute order don't count.
QString outline(const QDomElement &e, int depth = 0)
{
    QString line = QString(depth, QLatin1Char(' ')) + e.tagName();
    if (e.hasAttribute(QStringLiteral("class")))
        line += QLatin1Char('.') + e.attribute(QStringLiteral("class"));
    if (e.hasAttribute(QStringLiteral("href")))
        line += QStringLiteral(" href=") + e.attribute(QStringLiteral("href"));
    if (e.tagName() == QLatin1String("meta"))
        line += QLatin1Char(' ') + e.attribute(QStringLiteral("name")) + QLatin1Char('=')
                + e.attribute(QStringLiteral("content"));
    const QDomNode first = e.firstChild();
    if (first.isText() && !first.nodeValue().trimmed().isEmpty())
        line += QStringLiteral(" \"") + first.nodeValue() + QLatin1Char('"');
    QString out = line + QLatin1Char('\n');
    for (QDomElement c = e.firstChildElement(); !c.isNull(); c = c.nextSiblingElement())
        out += outline(c, depth + 1);
    return out;
}

QString outline(const QDomDocument &doc)
{
    return outline(doc.documentElement());
}

QDomDocument parse(const QByteArray &bytes)
{
    QDomDocument doc;
    doc.setContent(bytes);
    return doc;
}

QString tree(const ListsGroupsElementGroup *g)
{
    QStringList entries;
    for (const ListsGroupsElementList *e : g->lists())
        entries << QStringLiteral("%1/%2").arg(e->serverId()).arg(e->localId());
    QStringList children;
    for (const ListsGroupsElementGroup *c : g->groups())
        children << tree(c);
    QString out = QStringLiteral("%1#%2%3[%4]").arg(g->name()).arg(g->serverId())
                      .arg(g->isExpanded() ? QString() : QStringLiteral("-"), entries.join(QLatin1Char(' ')));
    if (!children.isEmpty())
        out += QLatin1Char('(') + children.join(QLatin1Char(' ')) + QLatin1Char(')');
    return out;
}

QString deleted(const ListsGroups *groups)
{
    QStringList out;
    for (const ListsGroupsElementGroup *g : *groups->deletedGroups())
        out << QStringLiteral("%1#%2").arg(g->name()).arg(g->serverId());
    return out.join(QLatin1Char(' '));
}

// The tree of the stored example: group "Home" (id 12, collapsed) holding
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
 <head>
  <title>list groups display order</title>
  <meta name="generator" content="PlumDeck"/>
  <meta name="format-version" content="2"/>
 </head>
 <body>
  <dl class="pd-groups-local-fields">
   <dt>eddited-since-sync</dt><dd>true</dd>
  </dl>
  <ol class="pd-groups">
   <li class="pd-group">
    <dl class="pd-group-fields">
     <dt>name</dt><dd>New Group</dd>
     <dt>expanded</dt><dd>true</dd>
    </dl>
    <ol class="pd-group-lists">
     <li class="pd-group-list">
      <span class="pd-list-local-id">5</span>
     </li>
    </ol>
    <ol class="pd-groups">
     <li class="pd-group">
      <dl class="pd-group-fields">
       <dt>name</dt><dd>Home</dd>
       <dt>id</dt><dd>12</dd>
       <dt>expanded</dt><dd>false</dd>
      </dl>
      <ol class="pd-group-lists">
       <li class="pd-group-list">
        <a class="pd-list-id" href="/plumdeck/lists/40">40</a>
        <span class="pd-list-local-id">3</span>
       </li>
      </ol>
     </li>
    </ol>
   </li>
  </ol>
  <ol class="pd-groups-deleted">
   <li class="pd-group">
    <dl class="pd-group-fields">
     <dt>name</dt><dd>Work</dd>
     <dt>id</dt><dd>13</dd>
    </dl>
   </li>
  </ol>
 </body>
</html>
)";

const char *const ServerExample = R"(<html xmlns="http://www.w3.org/1999/xhtml">
 <head>
  <title>list groups display order</title>
  <meta name="generator" content="PlumDeck"/>
 </head>
 <body>
  <ol class="pd-groups">
   <li class="pd-group">
    <dl class="pd-group-fields">
     <dt>name</dt><dd>New Group</dd>
     <dt>expanded</dt><dd>true</dd>
    </dl>
    <ol class="pd-group-lists"/>
    <ol class="pd-groups">
     <li class="pd-group">
      <dl class="pd-group-fields">
       <dt>name</dt><dd>Home</dd>
       <dt>id</dt><dd>12</dd>
       <dt>expanded</dt><dd>false</dd>
      </dl>
      <ol class="pd-group-lists">
       <li class="pd-group-list">
        <a class="pd-list-id" href="/plumdeck/lists/40">40</a>
       </li>
      </ol>
     </li>
    </ol>
   </li>
  </ol>
  <ol class="pd-groups-deleted">
   <li class="pd-group">
    <dl class="pd-group-fields">
     <dt>name</dt><dd>Work</dd>
     <dt>id</dt><dd>13</dd>
    </dl>
   </li>
  </ol>
 </body>
</html>
)";

QString field(const QString &key, const QString &value)
{
    return QStringLiteral("<dt>%1</dt><dd>%2</dd>").arg(key, value);
}

QString groupItem(const QString &fields, const QString &inner = QString())
{
    return QStringLiteral("<li class=\"pd-group\"><dl class=\"pd-group-fields\">%1</dl>%2</li>").arg(fields, inner);
}

QString entryItem(const QString &inner)
{
    return QStringLiteral("<li class=\"pd-group-list\">%1</li>").arg(inner);
}

QString serverIdElement(const QString &text, const QString &href = QStringLiteral("/plumdeck/lists/1"))
{
    return QStringLiteral("<a class=\"pd-list-id\" href=\"%1\">%2</a>").arg(href, text);
}

QString localIdElement(const QString &text)
{
    return QStringLiteral("<span class=\"pd-list-local-id\">%1</span>").arg(text);
}

// A document whose root group holds `rootInner` (entries and child groups).
QDomDocument groupsDocument(const QString &rootInner, const QString &bodyExtra = QString(),
                            const QString &localFields = QString())
{
    return parse(QStringLiteral("<html><head><title>list groups display order</title></head><body>%1"
                                "<ol class=\"pd-groups\">%2</ol>%3</body></html>")
                     .arg(localFields, groupItem(field("name", "New Group"), rootInner), bodyExtra)
                     .toUtf8());
}

QString lists(const QString &items)
{
    return QStringLiteral("<ol class=\"pd-group-lists\">%1</ol>").arg(items);
}

QString groups(const QString &items)
{
    return QStringLiteral("<ol class=\"pd-groups\">%1</ol>").arg(items);
}

// Saves through a writer of the given kind and loads the bytes back.
std::unique_ptr<ListsGroups> saveAndReload(ListsGroups *groups, int kind = XMLReaderWriter::LocalDocument)
{
    QBuffer buffer;
    if (!ListsGroupsReaderWriter(kind).saveListsGroups(groups, &buffer))
        return nullptr;
    buffer.close();
    ListsGroupsReaderWriter reader(kind);
    std::unique_ptr<ListsGroups> read(reader.loadListsGroups(&buffer));
    if (!read)
        qWarning() << "reading back failed:" << reader.errorString();
    return read;
}

const QString GroupsDir = QStringLiteral("groups");

QString groupsPath()
{
    return QDir(TestEnvironment::homePath()).filePath(GroupsDir + QStringLiteral("/listsGroups.xhtml"));
}

} // namespace

class TstListsGroupsReaderWriter : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The generator meta carries the application's name.
    }

    void init()
    {
        QDir(QFileInfo(groupsPath()).path()).removeRecursively();
        QVERIFY(QDir().mkpath(QFileInfo(groupsPath()).path()));
    }

    void writesTheStoredForm_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("example");
        QTest::newRow("local") << int(XMLReaderWriter::LocalDocument) << QByteArray(LocalExample);
        QTest::newRow("server") << int(XMLReaderWriter::ServerDocument) << QByteArray(ServerExample);
    }
    void writesTheStoredForm()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, example);
        std::unique_ptr<ListsGroups> groups(exampleTree());
        ListsGroupsReaderWriter writer(kind);
        if (kind == XMLReaderWriter::ServerDocument)
            QTest::ignoreMessage(QtDebugMsg, "Server Id invalid!!!!!");
        QBuffer buffer;
        QVERIFY(writer.saveListsGroups(groups.get(), &buffer));
        QCOMPARE(outline(parse(buffer.data())), outline(parse(example)));
    }

    void readsTheStoredForm_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("example");
        QTest::addColumn<QString>("expected");
        QTest::newRow("local") << int(XMLReaderWriter::LocalDocument) << QByteArray(LocalExample)
                               << "New Group#0[0/5](Home#12-[40/3])";
        QTest::newRow("server") << int(XMLReaderWriter::ServerDocument) << QByteArray(ServerExample)
                                << "New Group#0[](Home#12-[40/0])";
    }
    void readsTheStoredForm()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, example);
        QFETCH(QString, expected);
        QBuffer buffer;
        buffer.setData(example);
        ListsGroupsReaderWriter reader(kind);
        std::unique_ptr<ListsGroups> groups(reader.loadListsGroups(&buffer));
        QVERIFY2(groups, qPrintable(reader.errorString()));
        QCOMPARE(tree(groups->rootGroup()), expected);
        QCOMPARE(deleted(groups.get()), QStringLiteral("Work#13"));
        QVERIFY(groups->isEditedSinceSync());
        QVERIFY(groups->isModified());
        for (const ListsGroupsElementGroup *g : *groups->deletedGroups())
            QCOMPARE(g->parent(), groups.get());
    }

    void roundTrip_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("edited");
        QTest::newRow("local, edited") << int(XMLReaderWriter::LocalDocument) << true;
        QTest::newRow("local, not edited") << int(XMLReaderWriter::LocalDocument) << false;
        QTest::newRow("server") << int(XMLReaderWriter::ServerDocument) << false;
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
        groups.addGroup(b)->setName(QString()); // a null name
        for (ListsGroupsElementGroup *g : {groups.rootGroup(), a, b}) {
            auto *e = new ListsGroupsElementList;
            e->setServerId(g == a ? 0 : 70 + g->groupCount());
            e->setLocalId(g == b ? 0 : 9);
            g->addList(e);
        }
        groups.setEditedSinceSync(edited);
        std::unique_ptr<ListsGroups> read = saveAndReload(&groups, kind);
        QVERIFY(read);
        QString expected = tree(groups.rootGroup());
        if (kind == XMLReaderWriter::ServerDocument)
            expected = QStringLiteral("New Group#0[71/0](Tom & Jerry <3>#4294967295[](New Group#0-[71/0](#0[])))");
        QCOMPARE(tree(read->rootGroup()), expected);
        QCOMPARE(read->isEditedSinceSync(), kind == XMLReaderWriter::ServerDocument ? true : edited);
    }

    void nullNameRoundTrips()
    {
        // Written with an empty "name": the reader refuses a group without it.
        ListsGroups groups;
        groups.addGroupToDefaultGroup()->setName(QString());
        groups.rootGroup()->groups().first()->setServerId(8);
        std::unique_ptr<ListsGroups> read = saveAndReload(&groups);
        QVERIFY(read);
        QCOMPARE(tree(read->rootGroup()), QStringLiteral("New Group#0[](#8[])"));
    }

    void deletedGroupWithoutIdLeftOut()
    {
        ListsGroups groups;
        for (quint32 id : {0u, 21u}) {
            auto *g = new ListsGroupsElementGroup(&groups);
            g->setName(id ? QString() : QStringLiteral("no id"));
            g->setServerId(id);
            groups.deletedGroups()->append(g);
        }
        QTest::ignoreMessage(QtWarningMsg, "TaskReaderWriter::writeDeletedGroup, the group has no server id or name");
        std::unique_ptr<ListsGroups> read = saveAndReload(&groups);
        QVERIFY(read);
        QCOMPARE(deleted(read.get()), QStringLiteral("#21"));
    }

    void entriesLeftOut_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("expected");
        QTest::newRow("local: neither id") << int(XMLReaderWriter::LocalDocument) << "New Group#0[0/4 6/0]";
        QTest::newRow("server: no server id") << int(XMLReaderWriter::ServerDocument) << "New Group#0[6/0]";
    }
    void entriesLeftOut()
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
        ListsGroupsReaderWriter writer(kind);
        if (kind == XMLReaderWriter::ServerDocument) {
            QTest::ignoreMessage(QtDebugMsg, "Server Id invalid!!!!!");
            QTest::ignoreMessage(QtDebugMsg, "Server Id invalid!!!!!");
        }
        const QDomDocument doc = writer.writeListsGroups(&groups);
        ListsGroupsReaderWriter reader(kind);
        std::unique_ptr<ListsGroups> read(reader.readListsGroups(doc));
        QVERIFY(read);
        QCOMPARE(tree(read->rootGroup()), expected);

        // The entries' list is written even when nothing is left in it.
        ListsGroups empty;
        empty.rootGroup()->addList(new ListsGroupsElementList);
        const QString out = outline(ListsGroupsReaderWriter(kind).writeListsGroups(&empty));
        QVERIFY(out.contains(QStringLiteral("ol.pd-group-lists\n")));
        QVERIFY(!out.contains(QStringLiteral("li.pd-group-list")));
    }

    void read_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("rootInner");
        QTest::addColumn<QString>("expected"); // empty: the read fails
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("warning");
        const int local = XMLReaderWriter::LocalDocument;
        const int server = XMLReaderWriter::ServerDocument;
        const QString failed = QStringLiteral("TaskReaderWriter::readListsGroups, error reading the groups");
        QTest::newRow("no name") << local << groups(groupItem(field("id", "3") + field("expanded", "true")))
                                 << "" << "" << failed;
        QTest::newRow("no fields") << local << groups("<li class=\"pd-group\"/>") << "" << "" << failed;
        QTest::newRow("no expanded") << local << groups(groupItem(field("name", "G"))) << "New Group#0[](G#0[])"
                                     << "" << "";
        QTest::newRow("expanded other text") << local << groups(groupItem(field("name", "G") + field("expanded", "yes")))
                                             << "New Group#0[](G#0-[])" << "" << "";
        QTest::newRow("empty name") << local << groups(groupItem("<dt>name</dt><dd/>" + field("id", "4")))
                                    << "New Group#0[](#4[])" << "" << "";
        QTest::newRow("other class among groups")
            << local << groups(groupItem(field("name", "G")) + "<li class=\"pd-group-list\"/>") << "" << "" << failed;
        QTest::newRow("other class among entries") << local << lists("<li class=\"pd-group\"/>") << "" << "" << failed;
        QTest::newRow("server: entry with local id only") << server << lists(entryItem(localIdElement("5"))) << ""
                                                          << "" << failed;
        QTest::newRow("local: entry with local id only") << local << lists(entryItem(localIdElement("5")))
                                                         << "New Group#0[0/5]" << "" << "";
        QTest::newRow("server: local id ignored") << server << lists(entryItem(serverIdElement("7") + localIdElement("5")))
                                                  << "New Group#0[7/0]" << "" << "";
        QTest::newRow("id from text, not href")
            << local << lists(entryItem(serverIdElement("7", "/plumdeck/lists/8"))) << "New Group#0[7/0]" << "" << "";
        // Ids that are not numbers: the tree is read, with an error text.
        QTest::newRow("local: bad group id") << local << groups(groupItem(field("name", "G") + field("id", "x")))
                                             << "New Group#0[](G#0[])" << "bad list id string x" << "";
        QTest::newRow("local: bad list id") << local << lists(entryItem(serverIdElement("abc")))
                                            << "New Group#0[0/0]" << "expected list id 'abc' to be a number" << "";
        QTest::newRow("local: bad local id") << local << lists(entryItem(localIdElement("-5")))
                                             << "New Group#0[0/0]" << "bad list id string -5" << "";
        // In a server document that is a failed read: the group would
        // otherwise be created again on the server.
        QTest::newRow("server: bad group id") << server << groups(groupItem(field("name", "G") + field("id", "x")))
                                              << "" << "bad list id string x" << "";
        QTest::newRow("server: bad list id") << server << lists(entryItem(serverIdElement("1 2"))) << ""
                                             << "expected list id '1 2' to be a number" << "";
        QTest::newRow("server: doubled fields") << server
                                                << groups("<li class=\"pd-group\"><dl class=\"pd-group-fields\">"
                                                          + field("name", "a") + "</dl><dl class=\"pd-group-fields\"/></li>")
                                                << "" << "duplicate element with class pd-group-fields under li" << failed;
    }
    void read()
    {
        QFETCH(int, kind);
        QFETCH(QString, rootInner);
        QFETCH(QString, expected);
        QFETCH(QString, error);
        QFETCH(QString, warning);
        ListsGroupsReaderWriter reader(kind);
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        std::unique_ptr<ListsGroups> groups(reader.readListsGroups(groupsDocument(rootInner)));
        QCOMPARE(groups ? tree(groups->rootGroup()) : QString(), expected);
        QCOMPARE(reader.errorString(), error);
    }

    void readStructure_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<QString>("error");
        auto page = [](const QString &body) { return ("<html><head/><body>" + body + "</body></html>").toUtf8(); };
        const QString root = QStringLiteral("<ol class=\"pd-groups\"><li class=\"pd-group\"/></ol>");
        const QString deletedFailed = QStringLiteral("TaskReaderWriter::readListsGroups, error reading the deleted groups");
        QTest::newRow("no head") << QByteArray("<html><body><ol class=\"pd-groups\"/></body></html>") << false << ""
                                 << "failed to find mandatory element head under html";
        QTest::newRow("two bodies") << QByteArray("<html><head/><body/><body/></html>") << false << ""
                                    << "duplicate elements body under html";
        QTest::newRow("no groups") << page("<p/>") << false << "TaskReaderWriter::readListsGroups, pd-groups tag not found" << "";
        QTest::newRow("no root item") << page("<ol class=\"pd-groups\"/>") << true
                                      << "TaskReaderWriter::readListsGroups, root group not found" << "";
        QTest::newRow("two root items")
            << page("<ol class=\"pd-groups\"><li class=\"pd-group\"/><li class=\"pd-group\"/></ol>") << true
            << "TaskReaderWriter::readListsGroups, root group not found"
            << "duplicate element with class pd-group under ol";
        QTest::newRow("deleted without id")
            << page(root + "<ol class=\"pd-groups-deleted\">" + groupItem(field("name", "W")) + "</ol>")
            << false << deletedFailed << "";
        QTest::newRow("deleted without name")
            << page(root + "<ol class=\"pd-groups-deleted\">" + groupItem(field("id", "3")) + "</ol>")
            << false << deletedFailed << "";
        QTest::newRow("deleted of another class")
            << page(root + "<ol class=\"pd-groups-deleted\"><li class=\"x\"/></ol>") << false << deletedFailed << "";
    }
    void readStructure()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, ok);
        QFETCH(QString, warning);
        QFETCH(QString, error);
        ListsGroupsReaderWriter reader(XMLReaderWriter::LocalDocument);
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        std::unique_ptr<ListsGroups> groups(reader.readListsGroups(parse(bytes)));
        QCOMPARE(bool(groups), ok);
        if (groups)
            QCOMPARE(tree(groups->rootGroup()), QStringLiteral("New Group#0[]"));
        QCOMPARE(reader.errorString(), error);
    }

    void anyFormatVersionAccepted()
    {
        QByteArray bytes(LocalExample);
        bytes.replace("content=\"2\"", "content=\"9\"");
        bytes.replace("PlumDeck", "Other");
        QBuffer buffer;
        buffer.setData(bytes);
        ListsGroupsReaderWriter reader(XMLReaderWriter::LocalDocument);
        std::unique_ptr<ListsGroups> groups(reader.loadListsGroups(&buffer));
        QVERIFY(groups);
    }

    void editedSinceSync_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("fields");
        QTest::addColumn<bool>("edited");
        const QString dl = QStringLiteral("<dl class=\"pd-groups-local-fields\">%1</dl>");
        QTest::newRow("true") << 0 << dl.arg(field("eddited-since-sync", "true")) << true;
        QTest::newRow("false") << 0 << dl.arg(field("eddited-since-sync", "false")) << false;
        QTest::newRow("empty") << 0 << dl.arg("<dt>eddited-since-sync</dt><dd/>") << false;
        QTest::newRow("no key") << 0 << dl.arg(QString()) << false;
        QTest::newRow("no list") << 0 << QString() << true;
        QTest::newRow("server, no list") << 1 << QString() << true;
        QTest::newRow("server, read all the same") << 1 << dl.arg(field("eddited-since-sync", "false")) << false;
    }
    void editedSinceSync()
    {
        QFETCH(int, kind);
        QFETCH(QString, fields);
        QFETCH(bool, edited);
        ListsGroupsReaderWriter reader(kind);
        std::unique_ptr<ListsGroups> groups(reader.readListsGroups(groupsDocument(QString(), QString(), fields)));
        QVERIFY(groups);
        QCOMPARE(groups->isEditedSinceSync(), edited);
        QVERIFY(groups->isModified());
    }

    void tooDeep()
    {
        QString inner;
        for (int i = 0; i <= ListsGroups::maxGroupDepth; ++i)
            inner = groups(groupItem(field("name", "g"), inner));
        ListsGroupsReaderWriter reader(XMLReaderWriter::LocalDocument);
        QTest::ignoreMessage(QtWarningMsg, "TaskReaderWriter::readListsGroups, error reading the groups");
        QVERIFY(!reader.readListsGroups(groupsDocument(inner)));
        QCOMPARE(reader.errorString(), QStringLiteral("list groups nested deeper than 200 levels"));

        // The deepest tree ListsGroups makes is written and read back.
        ListsGroups deep;
        ListsGroupsElementGroup *g = deep.rootGroup();
        for (int i = 0; i < ListsGroups::maxGroupDepth; ++i)
            g = deep.addGroup(g);
        QVERIFY(saveAndReload(&deep));
    }

    void loadFailsOnAnyErrorText()
    {
        QBuffer buffer;
        buffer.setData(QByteArray(LocalExample).replace("<dd>12</dd>", "<dd>1x2</dd>"));
        ListsGroupsReaderWriter reader(XMLReaderWriter::LocalDocument);
        QVERIFY(!reader.loadListsGroups(&buffer));
        QCOMPARE(reader.errorString(), QStringLiteral("bad list id string 1x2"));
    }

    void saveToFailingDevice()
    {
        std::unique_ptr<ListsGroups> groups(exampleTree());
        FailingDevice device(64);
        ListsGroupsReaderWriter writer(XMLReaderWriter::LocalDocument);
        QVERIFY(!writer.saveListsGroups(groups.get(), &device));
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
    }

    void failedSaveKeepsModified()
    {
        QVERIFY(QDir().mkpath(groupsPath())); // a directory in the file's place
        ListsGroups groups;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^error saving lists groups ")));
        QVERIFY(!groups.save(groupsPath()));
        // Kept, so the page's next save tick tries again.
        QVERIFY(groups.isModified());
    }

    void unreadableFileKeptAside_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("error");
        QTest::newRow("truncated") << QByteArray(LocalExample).left(400) << "failed to parse xml";
        QTest::newRow("bad id") << QByteArray(LocalExample).replace("<dd>13</dd>", "<dd>x</dd>")
                                << "bad list id string x";
        QTest::newRow("no name") << QByteArray(LocalExample).replace("<dt>name</dt><dd>Home</dd>", "") << "";
    }
    void unreadableFileKeptAside()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, error);
        QFile file(groupsPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^ListsGroups::load\\(\\), Error loading lists groups: \"")
                                                              + QRegularExpression::escape(error) + "\"$"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^kept the unreadable lists groups file as .*listsGroups.xhtml.unreadable-\\d{14}$")));
        if (error.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, "TaskReaderWriter::readListsGroups, error reading the groups");
        QVERIFY(!ListsGroups::load(groupsPath()));

        // The page now starts an empty tree and saves it: the old file stays.
        ListsGroups fresh;
        QVERIFY(fresh.save(groupsPath()));
        const QStringList aside = QDir(QFileInfo(groupsPath()).path())
                                      .entryList({QStringLiteral("listsGroups.xhtml.unreadable-*")}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        QFile kept(QFileInfo(groupsPath()).path() + QLatin1Char('/') + aside.first());
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), content);
    }

    void missingFile()
    {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^ListsGroups::load\\(\\), Error loading lists groups: ")));
        QVERIFY(!ListsGroups::load(groupsPath()));
        QVERIFY(QDir(QFileInfo(groupsPath()).path()).entryList(QDir::Files).isEmpty());
    }
};

PLUMDECK_TEST_MAIN(TstListsGroupsReaderWriter)
#include "tst_listsgroupsreaderwriter.moc"
