// Fuzzes the XHTML document frame: reading any bytes never crashes; the fast
// depth scan agrees with the exact stream-reader pass wherever it answers;
// every lookup runs over whatever was read; and what was read writes back
// into a document that reads again.
#include "core/xmlreaderwriter.h"

#include <QBuffer>
#include <QCoreApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

void checkDepthScan(const QByteArray &bytes)
{
    const int max = 64;
    const int scanned = XMLReaderWriter::scanElementDepth(bytes, max);
    if (scanned < 0)
        return;
    bool tooDeep = false;
    const bool wellFormed = XMLReaderWriter::checkWellFormedAndDepth(bytes, max, &tooDeep);
    if (scanned > max) {
        // The scan refused: a well-formed document must really be too deep.
        if (wellFormed)
            abort();
        return;
    }
    if (!wellFormed)
        return; // malformed: the DOM builder refuses it anyway
    if (scanned > 0 && (!XMLReaderWriter::checkWellFormedAndDepth(bytes, scanned)
                        || XMLReaderWriter::checkWellFormedAndDepth(bytes, scanned - 1)))
        abort();
}

void walk(XMLReaderWriter &rw, const QDomElement &element, int budget)
{
    for (QDomElement e = element.firstChildElement(); !e.isNull() && budget > 0;
         e = e.nextSiblingElement(), --budget) {
        const QString text = rw.elementText(e);
        if (text.size() == 19 || text.size() == 20)
            XMLReaderWriter::parseDateTime(text);
        if (e.tagName() == QLatin1String("dl")) {
            const QMap<QString, QString> map = rw.readDefinitionList(e);
            for (auto it = map.cbegin(); it != map.cend(); ++it)
                rw.definitionValue(e, it.key());
        }
        const QString cls = e.attribute(QStringLiteral("class"));
        if (!cls.isEmpty())
            rw.childElementByClass(element, cls);
        walk(rw, e, budget / 2);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    QCoreApplication::setApplicationName(QStringLiteral("PlumDeck"));
    qInstallMessageHandler(quiet);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    checkDepthScan(bytes);

    QBuffer buffer(&bytes);
    XMLReaderWriter reader(size % 2 ? XMLReaderWriter::ServerDocument : XMLReaderWriter::LocalDocument);
    const QDomDocument doc = reader.readDocument(&buffer);
    if (doc.isNull()) {
        if (reader.errorString().isEmpty())
            abort();
        return 0;
    }
    const QDomElement root = doc.documentElement();
    const QDomElement head = reader.mandatoryElementByTagName(root, QStringLiteral("head"));
    if (!head.isNull()) {
        reader.checkHead(head);
        reader.metaContent(head, QStringLiteral("generator"));
    }
    reader.mandatoryElementByTagName(root, QStringLiteral("body"));
    walk(reader, root, 2000);

    QByteArray written;
    QBuffer out(&written);
    XMLReaderWriter writer(XMLReaderWriter::LocalDocument);
    if (!writer.writeDocument(doc, &out))
        abort();
    out.close();
    XMLReaderWriter again(XMLReaderWriter::LocalDocument);
    if (again.readDocument(&out).isNull())
        abort();
    return 0;
}
