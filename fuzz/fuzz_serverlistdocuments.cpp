// Fuzzes the readers of the small list documents the server sends: list
// refs, list infos, one list info, new list id, shared fields, shared users.
// Every reader gets every input.
#include "fuzzsetup.h"

#include "model/listinfo.h"
#include "model/taskreaderwriter.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSetup::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    XMLReaderWriter frame(XMLReaderWriter::ServerDocument);
    const QDomDocument doc = FuzzSetup::readDocument(frame, data, size);
    if (doc.isNull())
        return 0;

    {
        TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
        QList<quint32> ids;
        reader.readListRefs(doc, ids);
    }
    {
        TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
        QMap<quint32, ListInfo *> infos;
        if (reader.readListInfos(doc, infos))
            qDeleteAll(infos);
    }
    {
        TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
        ListInfo *info = nullptr;
        reader.readSingleListInfo(doc, info);
        delete info;
    }
    {
        TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
        reader.readListId(doc);
        reader.readSharedRevision(doc);
    }
    {
        TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
        QMap<QString, QString> users;
        reader.readSharedUsers(doc, users);
    }
    return 0;
}
