// Fuzzes the readers of the small list documents the server sends: list
// refs, list infos, one list info, new list id, shared fields, shared users.
// Every reader gets every input.
#include "model/listinfo.h"
#include "model/taskreaderwriter.h"

#include <QDomDocument>
#include <QCoreApplication>
#include <QStandardPaths>

#include <cstddef>
#include <cstdint>

// The frame's own path from bytes to a DOM (depth check, then the parser),
// without its device read, which reserves room for the largest document
// allowed and so dominates every run under the address sanitizer.
static QDomDocument parseDocument(const QByteArray &bytes)
{
    QDomDocument doc;
    if (!XMLReaderWriter::checkWellFormedAndDepth(bytes, XMLReaderWriter::maxElementDepth))
        return doc;
    if (!doc.setContent(bytes, false))
        return QDomDocument();
    return doc;
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    QStandardPaths::setTestModeEnabled(true);
    static QCoreApplication app(*argc, *argv);
    QCoreApplication::setApplicationName(QStringLiteral("PlumDeck"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QDomDocument doc = parseDocument(bytes);
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
