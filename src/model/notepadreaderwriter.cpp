#include "model/notepadreaderwriter.h"

#include "model/notepadnoteinfo.h"
#include "model/notepadnotes.h"
#include "model/taskreaderwriter.h"

#include <QDebug>
#include <QIODevice>

#include <algorithm>

namespace {

const char *const NoteClass = "pd-notepad-note";
const char *const NoteFieldsClass = "pd-notepad-note-fields";
const char *const AgreedFieldsClass = "pd-agreed-note-fields";
const char *const LocalFieldsClass = "notepad-local-fields";
const char *const NoteRefsClass = "pd-notepad-note-refs";
const char *const NoteRefClass = "pd-notepad-note-ref";
const char *const NoteIdClass = "pd-notepad-note-id";
const char *const NoteInfoListClass = "pd-notepad-note-info-list";
const char *const NoteInfoClass = "pd-notepad-note-info";

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

NotepadReaderWriter::NotepadReaderWriter(int kind)
    : XMLReaderWriter(kind)
{
}

NotepadReaderWriter::~NotepadReaderWriter() = default;

QDomElement NotepadReaderWriter::findBody(const QDomDocument &doc)
{
    return mandatoryElementByTagName(doc.documentElement(), QStringLiteral("body"));
}

// ---- the notepad document

bool NotepadReaderWriter::saveNotepad(NotepadNotes *notes, QIODevice *device)
{
    return writeDocument(writeNotepad(notes), device);
}

std::optional<QList<NotepadNote *>> NotepadReaderWriter::loadNotepad(QIODevice *device)
{
    const QDomDocument doc = readDocument(device);
    if (doc.isNull())
        return std::nullopt;
    return readNotepad(doc);
}

QDomDocument NotepadReaderWriter::writeNotepad(NotepadNotes *notes)
{
    QDomDocument doc = createDocument();
    QDomElement body = appendHeadAndBody(doc, QStringLiteral("pd-notepad"));
    if (documentKind() == LocalDocument)
        writeLocalFields(body, notes);
    if (notes) {
        for (NotepadNote *note : notes->notes())
            writeNote(body, note);
    }
    return doc;
}

std::optional<QList<NotepadNote *>> NotepadReaderWriter::readNotepad(const QDomDocument &doc)
{
    const QDomElement body = findBody(doc);
    if (body.isNull())
        return std::nullopt;
    if (documentKind() == LocalDocument)
        readLocalFields(body);

    QList<NotepadNote *> notes;
    int position = 0;
    for (QDomElement e = body.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(QStringLiteral("class")) != QLatin1String(NoteClass))
            continue;
        ++position;
        const ErrorState before = errorState();
        NotepadNote *note = readNote(e);
        if (note) {
            notes.append(note);
        } else if (skipsUnreadRecords()) {
            leaveOut(unreadNote(e, position, errorSince(before)), before);
        } else {
            qDeleteAll(notes);
            return std::nullopt;
        }
    }
    return notes;
}

UnreadRecord NotepadReaderWriter::unreadNote(const QDomElement &element, int position, const QString &reason)
{
    UnreadRecord record;
    record.position = position;
    record.reason = reason.isEmpty() ? QStringLiteral("note refused: no title or text, or an id or revision of 0") : reason;
    const QDomElement dl = childElementByClass(element, QLatin1String(NoteFieldsClass));
    if (!dl.isNull()) {
        record.name = definitionValue(dl, QStringLiteral("title"));
        TaskReaderWriter::parseUInt(definitionValue(dl, QStringLiteral("id")), &record.serverId);
    }
    return record;
}

void NotepadReaderWriter::writeLocalFields(QDomElement &body, NotepadNotes *notes)
{
    QDomElement dl = appendElementWithClass(body, QStringLiteral("dl"), QLatin1String(LocalFieldsClass));
    appendDefinition(dl, QStringLiteral("display-order-changed"),
                     boolText(notes && notes->isDisplayOrderChanged()));
    if (notes && notes->agreedDisplayOrder()) {
        appendDefinition(dl, QStringLiteral("agreed-display-order"),
                         TaskReaderWriter::idListText(*notes->agreedDisplayOrder()));
        if (const std::optional<QSet<quint32>> &moved = notes->movedInOrder()) {
            QList<quint32> ids(moved->cbegin(), moved->cend());
            std::sort(ids.begin(), ids.end());
            appendDefinition(dl, QStringLiteral("display-order-moved"), TaskReaderWriter::idListText(ids));
        }
        if (!notes->arrivedInOrder().isEmpty()) {
            QList<quint32> ids(notes->arrivedInOrder().cbegin(), notes->arrivedInOrder().cend());
            std::sort(ids.begin(), ids.end());
            appendDefinition(dl, QStringLiteral("display-order-arrived"), TaskReaderWriter::idListText(ids));
        }
    }
}

void NotepadReaderWriter::readLocalFields(const QDomElement &body)
{
    const QDomElement dl = mandatoryChildElementByClass(body, QLatin1String(LocalFieldsClass));
    if (dl.isNull()) {
        qWarning() << "notepad-local-fields not found while parsing, legacy version?";
        return;
    }
    const bool changed = definitionValue(dl, QStringLiteral("display-order-changed")) == QLatin1String("true");
    const QString agreedText = definitionValue(dl, QStringLiteral("agreed-display-order"));
    std::optional<NotepadNoteIdList> agreed;
    if (!agreedText.isNull()) {
        agreed = TaskReaderWriter::parseIdList(agreedText);
        if (!agreed)
            qWarning() << "the agreed display order of the notes does not read; it is left out";
    }
    // Beside it, which notes were moved here since; untold, the orders
    // themselves are read for it.
    const QString movedText = definitionValue(dl, QStringLiteral("display-order-moved"));
    std::optional<QSet<quint32>> moved;
    if (agreed && !movedText.isNull())
        if (const std::optional<NotepadNoteIdList> ids = TaskReaderWriter::parseIdList(movedText))
            moved = QSet<quint32>(ids->cbegin(), ids->cend());
    // One that does not read places those notes as if made here.
    QSet<quint32> arrived;
    if (agreed)
        if (const std::optional<NotepadNoteIdList> ids
            = TaskReaderWriter::parseIdList(definitionValue(dl, QStringLiteral("display-order-arrived"))))
            arrived = QSet<quint32>(ids->cbegin(), ids->cend());
    if (NotepadNotes *notes = NotepadNotes::instance()) {
        notes->setDisplayOrderChanged(changed);
        notes->setAgreedDisplayOrder(agreed);
        notes->setMovedInOrder(agreed ? moved : std::optional<QSet<quint32>>(QSet<quint32>()));
        notes->setArrivedInOrder(arrived);
    }
}

// ---- one note

void NotepadReaderWriter::writeNote(QDomElement &parent, NotepadNote *note)
{
    QDomElement div = appendElementWithClass(parent, QStringLiteral("div"), QLatin1String(NoteClass));
    QDomElement dl = appendElementWithClass(div, QStringLiteral("dl"), QLatin1String(NoteFieldsClass));
    const bool local = documentKind() == LocalDocument;
    if (local) {
        appendDefinition(dl, QStringLiteral("sync-status"), syncStatusToString(note->syncStatus()));
        if (!note->pendingUpload().isEmpty())
            appendDefinition(dl, QStringLiteral("pending-upload"), note->pendingUpload());
        if (note->isUntoldKeptCopy())
            appendDefinition(dl, QStringLiteral("kept-copy"), QStringLiteral("untold"));
        if (!note->untoldKept().isEmpty())
            appendDefinition(dl, QStringLiteral("kept-untold"), note->untoldKept());
    }
    // A removed note whose upload is in doubt has no id yet.
    const bool removedInDoubt = local && note->syncStatus() == NotepadNote::Deleted && note->serverId() == 0
                                && !note->pendingUpload().isEmpty();
    if (note->syncStatus() != NotepadNote::New && !removedInDoubt) {
        appendDefinition(dl, QStringLiteral("id"), noteIdToString(note->serverId()));
        appendDefinition(dl, QStringLiteral("revision"), revisionToString(note->revision()));
    }
    appendDefinition(dl, QStringLiteral("title"), note->title());
    appendDefinition(dl, QStringLiteral("text"), note->text());
    // An unedited note is what it agreed: only an edited one keeps a copy,
    // beside its own fields, where a reader that does not know it looks not,
    // and a removed one, whose removal takes only what it agreed.
    const std::optional<NotepadNote::Agreed> &agreed = note->agreed();
    const bool changed = note->syncStatus() == NotepadNote::Edited || note->syncStatus() == NotepadNote::Deleted;
    if (local && changed && agreed && agreed->serverId == note->serverId()) {
        QDomElement base = appendElementWithClass(div, QStringLiteral("dl"), QLatin1String(AgreedFieldsClass));
        appendDefinition(base, QStringLiteral("id"), noteIdToString(agreed->serverId));
        appendDefinition(base, QStringLiteral("revision"), revisionToString(agreed->revision));
        appendDefinition(base, QStringLiteral("title"), agreed->title);
        appendDefinition(base, QStringLiteral("text"), agreed->text);
    }
}

NotepadNote *NotepadReaderWriter::readNote(const QDomElement &element)
{
    const QDomElement dl = childElementByClass(element, QLatin1String(NoteFieldsClass));
    auto value = [&](const char *key) {
        return dl.isNull() ? QString() : definitionValue(dl, QLatin1String(key));
    };

    const QString title = value("title");
    if (title.isNull())
        return nullptr;
    const QString text = value("text");
    if (text.isNull())
        return nullptr;

    std::unique_ptr<NotepadNote> note(new NotepadNote);
    note->setTitle(title);
    note->setText(text);

    if (documentKind() == LocalDocument) {
        const QString status = value("sync-status");
        if (status.isEmpty()) {
            qWarning() << "missing sync-status, legacy file?";
            // A legacy note that never reached the server has no id either:
            // it stays new rather than failing the whole notepad.
            if (value("id").isNull())
                return note.release();
        } else {
            const NotepadNote::SyncStatus s = syncStatusFromString(status);
            if (s == NotepadNote::LocallyUnknown)
                return nullptr;
            note->setSyncStatus(s);
            note->setPendingUpload(value("pending-upload"));
            note->setUntoldKeptCopy(value("kept-copy") == QLatin1String("untold"));
            note->setUntoldKept(value("kept-untold"));
            if (s == NotepadNote::New)
                return note.release();
            if (s == NotepadNote::Deleted && value("id").isNull() && !note->pendingUpload().isEmpty())
                return note.release();
        }
    }

    const quint32 id = noteIdFromString(value("id"));
    if (id == 0)
        return nullptr;
    note->setServerId(id);

    const quint32 revision = revisionFromString(value("revision"));
    if (revision == 0)
        return nullptr;
    note->setRevision(revision);
    if (documentKind() == LocalDocument) {
        if (note->syncStatus() == NotepadNote::Unedited)
            note->agreeAsIs();
        else if (note->syncStatus() == NotepadNote::Edited || note->syncStatus() == NotepadNote::Deleted)
            readAgreed(note.get(), element);
    }
    return note.release();
}

void NotepadReaderWriter::readAgreed(NotepadNote *note, const QDomElement &element)
{
    const ErrorState before = errorState();
    const QDomElement dl = childElementByClass(element, QLatin1String(AgreedFieldsClass));
    if (dl.isNull() && errorState().count == before.count)
        return; // written before it was kept
    const auto value = [&](const char *term) {
        return dl.isNull() ? QString() : definitionValue(dl, QLatin1String(term));
    };
    NotepadNote::Agreed agreed;
    const QString title = value("title");
    const QString text = value("text");
    const bool read = TaskReaderWriter::parseUInt(value("id"), &agreed.serverId) && agreed.serverId == note->serverId()
                      && TaskReaderWriter::parseUInt(value("revision"), &agreed.revision) && agreed.revision != 0
                      && !title.isNull() && !text.isNull();
    if (!read || errorState().count != before.count) {
        qWarning() << "the agreed copy of note" << note->serverId() << "does not read; the note goes up without it";
        restoreErrorState(before);
        return;
    }
    agreed.title = title;
    agreed.text = text;
    note->setAgreed(agreed);
}

QDomDocument NotepadReaderWriter::writeNoteDocument(NotepadNote *note)
{
    QDomDocument doc = createDocument();
    QDomElement body = appendHeadAndBody(doc, QStringLiteral("note"));
    writeNote(body, note);
    return doc;
}

NotepadNote *NotepadReaderWriter::readNoteDocument(const QDomDocument &doc)
{
    const QDomElement body = findBody(doc);
    if (body.isNull())
        return nullptr;
    const QDomElement element = mandatoryChildElementByClass(body, QLatin1String(NoteClass));
    if (element.isNull())
        return nullptr;
    return readNote(element);
}

// ---- display order

QDomDocument NotepadReaderWriter::writeNoteRefs(const NotepadNoteIdList &ids)
{
    QDomDocument doc = createDocument();
    QDomElement body = appendHeadAndBody(doc, QStringLiteral("notepads display order"));
    QDomElement ol = appendElementWithClass(body, QStringLiteral("ol"), QLatin1String(NoteRefsClass));
    for (const quint32 id : ids)
        writeNoteRef(ol, id);
    return doc;
}

void NotepadReaderWriter::writeNoteRef(QDomElement &ol, quint32 id)
{
    QDomElement li = appendElementWithClass(ol, QStringLiteral("li"), QLatin1String(NoteRefClass));
    QDomElement a = appendTextElement(li, QStringLiteral("a"), noteIdToString(id), QLatin1String(NoteIdClass));
    a.setAttribute(QStringLiteral("href"), QStringLiteral("/plumdeck/notepad-notes/%1").arg(id));
}

bool NotepadReaderWriter::readNoteRefs(const QDomDocument &doc, NotepadNoteIdList &ids)
{
    const QDomElement body = findBody(doc);
    if (body.isNull())
        return false;
    const QDomElement ol = childElementByClass(body, QLatin1String(NoteRefsClass));
    if (ol.isNull())
        return true;
    NotepadNoteIdList read;
    for (QDomElement li = ol.firstChildElement(); !li.isNull(); li = li.nextSiblingElement()) {
        if (li.attribute(QStringLiteral("class")) != QLatin1String(NoteRefClass))
            continue;
        const quint32 id = readNoteRef(li);
        if (id == 0)
            return false;
        read.append(id);
    }
    ids = read;
    return true;
}

quint32 NotepadReaderWriter::readNoteRef(const QDomElement &li)
{
    const QDomElement a = mandatoryChildElementByClass(li, QLatin1String(NoteIdClass));
    if (a.isNull())
        return 0;
    return noteIdFromElement(a);
}

quint32 NotepadReaderWriter::noteIdFromElement(const QDomElement &element)
{
    const QString text = elementText(element);
    quint32 id = 0;
    if (!TaskReaderWriter::parseUInt(text, &id)) {
        setError(QStringLiteral("expected note id '%1' to be a number").arg(text));
        return 0;
    }
    return id;
}

// ---- summaries and new ids

bool NotepadReaderWriter::readNoteInfos(const QDomDocument &doc, QMap<quint32, NotepadNoteInfo *> &infos)
{
    const QDomElement body = findBody(doc);
    if (body.isNull())
        return false;
    const QDomElement list = childElementByClass(body, QLatin1String(NoteInfoListClass));
    if (list.isNull())
        return true;

    QMap<quint32, NotepadNoteInfo *> read;
    auto fail = [&read]() {
        qDeleteAll(read);
        return false;
    };
    for (QDomElement e = list.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        const QString cls = e.attribute(QStringLiteral("class"));
        if (cls != QLatin1String(NoteInfoClass)) {
            qDebug() << "Error parsing notepad notes info: unexpected element with class" << cls;
            return fail();
        }
        const QDomElement fields = childElementByClass(e, QLatin1String(NoteFieldsClass));
        if (fields.isNull()) {
            qDebug() << "Error parsing notepad notes info: pd-notepad-note-info found but pd-notepad-note-fields not found";
            return fail();
        }
        NotepadNoteInfo *info = readNoteInfo(fields);
        if (!info)
            return fail();
        // A repeated id replaces the earlier summary.
        delete read.value(info->id());
        read.insert(info->id(), info);
    }
    infos = read;
    return true;
}

NotepadNoteInfo *NotepadReaderWriter::readNoteInfo(const QDomElement &fields)
{
    const QString idText = definitionValue(fields, QStringLiteral("id"));
    const QString revisionText = definitionValue(fields, QStringLiteral("revision"));
    const QString title = definitionValue(fields, QStringLiteral("title"));
    if (idText.isNull() || revisionText.isNull() || title.isNull()) {
        qDebug() << "Error parsing notes info: pd-notepad-note-fields found but one of the info fields is NULL";
        return nullptr;
    }
    quint32 id = 0;
    if (!TaskReaderWriter::parseUInt(idText, &id)) {
        qDebug() << "Error parsing notepad note info: invalid id number";
        return nullptr;
    }
    quint32 revision = 0;
    if (!TaskReaderWriter::parseUInt(revisionText, &revision)) {
        qDebug() << "Error parsing notepad note info: invalid revision number";
        return nullptr;
    }
    if (id == 0)
        return nullptr;
    return new NotepadNoteInfo(id, revision, title);
}

quint32 NotepadReaderWriter::readNoteId(const QDomDocument &doc)
{
    const QDomElement body = findBody(doc);
    if (body.isNull())
        return 0;
    const QDomElement element = mandatoryChildElementByClass(body, QLatin1String(NoteIdClass));
    if (element.isNull())
        return 0;
    return noteIdFromElement(element);
}

// ---- text forms

QString NotepadReaderWriter::noteIdToString(quint32 id)
{
    return QString::number(id);
}

QString NotepadReaderWriter::revisionToString(quint32 revision)
{
    return QString::number(revision);
}

quint32 NotepadReaderWriter::noteIdFromString(const QString &text)
{
    quint32 id = 0;
    if (!TaskReaderWriter::parseUInt(text, &id)) {
        setError(QStringLiteral("bad note id string ") + text);
        return 0;
    }
    return id;
}

quint32 NotepadReaderWriter::revisionFromString(const QString &text)
{
    quint32 revision = 0;
    if (!TaskReaderWriter::parseUInt(text, &revision)) {
        setError(QStringLiteral("bad rev num string ") + text);
        return 0;
    }
    return revision;
}

// Notes take the same status texts as lists.
static_assert(int(NotepadNote::LocallyUnknown) == int(TaskList::LocallyUnknown) && int(NotepadNote::New) == int(TaskList::New)
                  && int(NotepadNote::Unedited) == int(TaskList::Unedited)
                  && int(NotepadNote::Edited) == int(TaskList::Edited) && int(NotepadNote::Deleted) == int(TaskList::Deleted),
              "note and list sync statuses differ");

QString NotepadReaderWriter::syncStatusToString(NotepadNote::SyncStatus status)
{
    return TaskReaderWriter::syncStatusToString(TaskList::SyncStatus(status));
}

NotepadNote::SyncStatus NotepadReaderWriter::syncStatusFromString(const QString &text)
{
    const auto status = NotepadNote::SyncStatus(TaskReaderWriter::parseSyncStatus(text));
    if (status == NotepadNote::LocallyUnknown)
        setError(QStringLiteral("unexpected sync status string ") + text);
    return status;
}
