#ifndef TASKREADERWRITER_H
#define TASKREADERWRITER_H

#include "core/xmlreaderwriter.h"
#include "model/elementtree.h"
#include "model/tasklist.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>

#include <optional>

#include <functional>

class ListInfo;
class ListModel;
class TaskListImage;
class QIODevice;
class Task;
class UserLists;

// Builds and parses every document that carries task lists: the lists file
// and its backups (kind LocalDocument), the single-list document and the small
// documents exchanged with the server (kind ServerDocument). Made on the
// stack for one operation; the error text of the last failure stays readable
// afterwards (errorString()).
class TaskReaderWriter : public XMLReaderWriter
{
public:
    // The deepest task level (a top-level task is at level 1) any task
    // document holds: the one bound that reading, editing and the server's
    // documents share. A list's top-level tasks stand four elements down
    // (html, body, the list's div, its ol), each level adds an li and an ol,
    // and an attachment's fields reach four elements below its task's li, so
    // a deeper task would not fit the element depth every read allows.
    static constexpr int maxTaskDepth = (XMLReaderWriter::maxElementDepth - 7) / 2;

    explicit TaskReaderWriter(int documentKind);
    ~TaskReaderWriter() override;

    // Text forms shared by every task document.
    static QString taskIdToString(quint32 id);
    static QString listIdToString(quint32 id);
    static QString groupIdToString(quint32 id);
    static QString revisionToString(quint32 revision);
    quint32 taskIdFromString(const QString &text);
    quint32 listIdFromString(const QString &text);
    quint32 revisionFromString(const QString &text);
    static QString syncStatusToString(TaskList::SyncStatus status);
    TaskList::SyncStatus syncStatusFromString(const QString &text);

    // The parses behind the text forms, for the other documents that use the
    // same forms: digits only, fitting in 32 bits; a status text, or
    // LocallyUnknown for any other text.
    static bool parseUInt(QStringView text, quint32 *value);
    // Ids as a local document keeps them in one value: decimal, one blank
    // between; a text with anything else, a 0 or one id twice reads as none.
    static QString idListText(const QList<quint32> &ids);
    static std::optional<QList<quint32>> parseIdList(const QString &text);
    static TaskList::SyncStatus parseSyncStatus(const QString &text);

    // The lists document ("lists.xhtml" and backups). The device is opened
    // here when it is not open yet; saveLists leaves it to the caller to
    // close or commit. saveLists streams the same document that writeLists
    // builds as a tree, and loadLists reads it as a stream, one list at a
    // time, with the rules readLists applies to a tree. The list is the
    // record a reader that skips unread records leaves out.
    bool saveLists(UserLists *lists, QIODevice *device);
    UserLists *loadLists(QIODevice *device);
    QDomDocument writeLists(UserLists *lists);
    UserLists *readLists(const QDomDocument &doc);
    void writeLocalFields(QDomElement body, UserLists *lists);

    // The list element (div "pd-list").
    void writeList(TaskList *list, ListModel *model, QDomElement parent);
    TaskList *readList(const QDomElement &listElement);

    // The single-list document. A list in which any task failed to read is
    // refused (null): a truncated list must never replace the user's tasks.
    QDomDocument writeSingleList(TaskList *list);
    TaskList *readSingleList(const QDomDocument &doc);

    // The task element and the sequences holding it.
    void writeTask(Task *task, QDomElement parent);
    void writeTasks(Task *task, QDomElement parent);
    void writeRemovedTasks(const QList<Task *> &tasks, QDomElement parent);
    void writeTaskAssignments(Task *task, QDomElement taskElement);
    void writeTaskAttachments(QDomElement taskElement, Task *task);
    Task *readTask(const QDomElement &taskElement);

    // Server list documents.
    QDomDocument writeListRefs(const QList<quint32> &ids);
    void writeListRef(QDomElement parent, quint32 id);
    bool readListRefs(const QDomDocument &doc, QList<quint32> &ids);
    quint32 readListRef(const QDomElement &refElement);
    quint32 listIdFromElement(const QDomElement &element);
    // On success the caller owns the infos in the map.
    bool readListInfos(const QDomDocument &doc, QMap<quint32, ListInfo *> &infos);
    ListInfo *readListInfo(const QDomElement &fields);
    bool readSingleListInfo(const QDomDocument &doc, ListInfo *&info);
    quint32 readListId(const QDomDocument &doc);
    quint32 readSharedRevision(const QDomDocument &doc);
    QDomDocument writeSharedUsers(const QMap<QString, QString> &users);
    // Entries read before a failure stay in the map: apply it only on true.
    bool readSharedUsers(const QDomDocument &doc, QMap<QString, QString> &users);
    bool readSharedUserFields(const QDomElement &userElement, QMap<QString, QString> &users,
                              const QString &currentUser);
    void writeListSharedUsers(const QMap<QString, QString> &users, QDomElement parent);
    void writeSharedUser(QDomElement parent, const QString &name, const QString &permissions);

    // Number of task elements that failed to read since construction.
    int failedTaskCount() const { return m_failedTasks; }

private:
    using Element = ElementTree::Element;

    // The rules of the list, task and attachment elements, whichever source
    // the elements came from.
    Element childByClass(Element parent, const QString &className, bool mandatory = false);
    TaskList *readList(Element listElement);
    // Reads a list and adds it to the lists with what only the local file
    // keeps for its model; false when the load must fail.
    bool addReadList(UserLists *lists, Element listElement);
    // The same for the list record at `position`; when the reader skips
    // unread records, one the rules refuse (or that set an error) is taken
    // back out and named instead.
    bool addListRecord(UserLists *lists, Element listElement, int position);
    // Names the list at `position` as left out for `reason`, known by what
    // can be read of its fields; the errors set since `before` are taken back.
    void leaveOutList(Element listElement, int position, const QString &reason, const ErrorState &before);
    void readLocalFields(Element fields, UserLists *lists);
    void readListColumns(ListModel *model, Element listElement);
    void readSharedFields(ListModel *model, Element listElement);
    bool readListSharedUsers(ListModel *model, Element listElement);
    // Each user of a shared-users element to `take`; false at the first
    // that does not read.
    bool readSharedUserList(Element shared, const std::function<void(const QString &, const QString &)> &take);
    // The users an edited sharing last agreed with the server.
    void readAgreedSharing(ListModel *model, Element listElement);
    // What an upload of an edited sharing in doubt sent.
    void readSentSharing(ListModel *model, Element listElement);
    // What an import changes of the sharing, and what it changed untold.
    void readImportedSharing(ListModel *model, Element listElement);
    // The users of `className` and their revision ("<className>-fields"),
    // kept for an edited sharing at its revision; null when absent or
    // unreadable (`what` names them in the log).
    std::optional<QMap<QString, QString>> readSharingCopy(ListModel *model, Element listElement,
                                                          const QString &className, const QString &what);
    Task *readTask(Element taskElement);
    bool readTasks(Task *parent, Element tasksElement);
    bool readRemovedTasks(QList<Task *> *tasks, Element removedElement);
    // What an edited list last agreed with the server; a part that does not
    // read costs that copy alone (the list then merges as an older file's).
    void readAgreed(TaskList *list, Element listElement);
    // The agreed tree of the compact form under `root`, its tasks named by
    // id taken from `list`'s own; false when it does not read.
    bool readAgreedTasks(Task *root, const TaskList *list, Element compact);
    bool readTaskAssignments(Task *task, Element assignmentsElement);
    bool readTaskAttachments(Task *task, Element attachmentsElement);
    // User names recur in every task: one copy of each.
    QString sharedName(QStringView name);

    // The stream reads a list's top-level tasks as soon as each is whole and
    // leaves a marked placeholder in the list's tree; its rules take the
    // task read ahead, with its errors, when they reach the placeholder.
    struct ReadAhead
    {
        Task *task = nullptr;
        QString error;
        int errors = 0;
        int failedTasks = 0;
    };
    struct ListGathering;
    // True when the token closed the list element.
    bool gather(ListGathering &gathering, const QXmlStreamReader &reader, int depth);
    void readAhead(Element taskElement, int slot);
    Task *takeTask(Element taskElement);
    void dropReadAhead();

    // The lists document, streamed to the device once.
    bool writeListsDocument(UserLists *lists, QIODevice *device);
    // Empties a device written to, for a second go; false when it cannot be.
    static bool restart(QIODevice *device);

    QDomElement bodyOf(const QDomDocument &doc);
    // 0 and the error text prefix + text when the text is no number (or is 0
    // and zero is NonZero).
    enum ZeroIs { ZeroAllowed, NonZero };
    quint32 numberFromString(QStringView text, const QString &errorPrefix, ZeroIs zero = ZeroAllowed);

    // The writers, over a DOM or a stream (see the sinks in the source).
    template<typename Sink> void emitLists(Sink &sink, UserLists *lists);
    template<typename Sink> void emitLocalFields(Sink &sink, UserLists *lists);
    template<typename Sink> void emitList(Sink &sink, TaskList *list, ListModel *model);
    template<typename Sink> void emitTask(Sink &sink, Task *task);
    // A task's own parts, without its children.
    template<typename Sink> void emitTaskParts(Sink &sink, const Task *task);
    template<typename Sink> void emitTasks(Sink &sink, Task *task);
    template<typename Sink> void emitRemovedTasks(Sink &sink, const QList<Task *> &tasks);
    template<typename Sink> void emitAgreed(Sink &sink, const TaskList *list, const TaskListImage &agreed);
    template<typename Sink> void emitTaskAssignments(Sink &sink, const Task *task);
    template<typename Sink> void emitTaskAttachments(Sink &sink, const Task *task);
    template<typename Sink>
    void emitListSharedUsers(Sink &sink, const QMap<QString, QString> &users,
                             const QString &className = QStringLiteral("pd-shared"));
    template<typename Sink> void emitAgreedSharing(Sink &sink, const ListModel *model);
    template<typename Sink> void emitSentSharing(Sink &sink, const ListModel *model);
    template<typename Sink> void emitImportedSharing(Sink &sink, const ListModel *model);
    template<typename Sink> void emitSharedUser(Sink &sink, const QString &name, const QString &permissions);

    int m_failedTasks = 0;
    // Tasks of a local document read without the lineage it keeps.
    int m_tasksWithoutLineage = 0;
    int m_taskDepth = 0;
    // While the lists file is written: the device, measured at each agreed
    // copy, the bytes each took, and the lists written without theirs.
    QIODevice *m_measured = nullptr;
    QHash<const TaskList *, qint64> m_agreedBytes;
    QSet<const TaskList *> m_agreedLeftOut;
    QHash<QStringView, QString> m_names;
    QList<ReadAhead> m_readAhead;
};

#endif
