// Fuzzes the reader of the local lists document ("lists.xhtml" and backups).
#include "model/taskreaderwriter.h"
#include "model/userlists.h"

#include <QBuffer>
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
    // As loadLists: any error text on the way fails the load.
    TaskReaderWriter reader(XMLReaderWriter::LocalDocument);
    UserLists *lists = reader.readLists(doc);
    if (lists && !reader.errorString().isEmpty()) {
        delete lists;
        lists = nullptr;
    }
    if (lists) {
        // Whatever was read must write again.
        QBuffer out;
        TaskReaderWriter writer(XMLReaderWriter::LocalDocument);
        writer.saveLists(lists, &out);
        delete lists;
    }
    return 0;
}
