// Fuzzes the notepad documents: the local notepad file, and the note, note
// refs, note infos and new note id documents of the server. A notepad the
// reader accepts is written back and must read again.
#include "fuzzsetup.h"

#include "model/notepadnoteinfo.h"
#include "model/notepadnotes.h"
#include "model/notepadreaderwriter.h"

#include <cstdlib>
#include <memory>

namespace {

// Never destroyed: its destructor would save into the data directory.
NotepadNotes *notepad = nullptr;

// `skipping`: refused notes are left out, as the program reads its file;
// what it wrote back must read whole.
void readNotepad(const QDomDocument &doc, bool skipping)
{
    NotepadReaderWriter reader(XMLReaderWriter::LocalDocument);
    reader.setSkipsUnreadRecords(skipping);
    std::optional<QList<NotepadNote *>> notes = reader.readNotepad(doc);
    if (!notes)
        return;
    const qsizetype count = notes->size();
    notepad->notes() = *notes;
    QByteArray bytes;
    QBuffer out(&bytes);
    NotepadReaderWriter writer(XMLReaderWriter::LocalDocument);
    const bool written = writer.saveNotepad(notepad, &out);
    qDeleteAll(*notes);
    notepad->notes().clear();
    if (!written)
        abort();
    out.close();
    NotepadReaderWriter again(XMLReaderWriter::LocalDocument);
    std::optional<QList<NotepadNote *>> reread = again.loadNotepad(&out);
    if (!reread || reread->size() != count)
        abort();
    qDeleteAll(*reread);
}

void readServerDocuments(const QDomDocument &doc)
{
    NotepadReaderWriter reader(XMLReaderWriter::ServerDocument);
    delete reader.readNoteDocument(doc);
    NotepadNoteIdList ids;
    if (reader.readNoteRefs(doc, ids)) {
        NotepadReaderWriter writer(XMLReaderWriter::ServerDocument);
        writer.writeNoteRefs(ids);
    }
    QMap<quint32, NotepadNoteInfo *> infos;
    if (reader.readNoteInfos(doc, infos))
        qDeleteAll(infos);
    reader.readNoteId(doc);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSetup::initialize(argc, argv);
    notepad = new NotepadNotes;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    NotepadReaderWriter reader(XMLReaderWriter::LocalDocument);
    const QDomDocument doc = FuzzSetup::readDocument(reader, data, size);
    if (doc.isNull())
        return 0;
    readNotepad(doc, false);
    readNotepad(doc, true);
    readServerDocuments(doc);
    return 0;
}
