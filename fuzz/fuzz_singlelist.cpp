// Fuzzes the reader of the single-list document the server sends.
#include "model/task.h"
#include "model/tasklist.h"
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
    TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
    if (doc.isNull())
        return 0;
    TaskList *list = reader.readSingleList(doc);
    if (list) {
        TaskReaderWriter writer(XMLReaderWriter::ServerDocument);
        writer.writeSingleList(list);
        delete list;
    }
    return 0;
}
