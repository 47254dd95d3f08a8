// Fuzzes the XHTML document frame: reading any bytes never crashes; the fast
// depth scan agrees with the exact stream-reader pass wherever it answers;
// every lookup runs over whatever was read; and the texts read, written into
// a fresh document as the program's writers do, read back unchanged (less
// the characters XML does not allow): the writer never writes what its own
// reader refuses.
#include "fuzzsetup.h"

#include <cstdlib>

namespace {

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

struct Collected
{
    QStringList texts;
    QStringList classes;
    QList<QPair<QString, QString>> definitions;
};

void walk(XMLReaderWriter &rw, const QDomElement &element, int budget, Collected &c)
{
    for (QDomElement e = element.firstChildElement(); !e.isNull() && budget > 0;
         e = e.nextSiblingElement(), --budget) {
        const QString text = rw.elementText(e);
        c.texts << text;
        if (text.size() == 19 || text.size() == 20)
            XMLReaderWriter::parseDateTime(text);
        if (e.tagName() == QLatin1String("dl")) {
            const QMap<QString, QString> map = rw.readDefinitionList(e);
            for (auto it = map.cbegin(); it != map.cend(); ++it) {
                rw.definitionValue(e, it.key());
                c.definitions << qMakePair(it.key(), it.value());
            }
        }
        const QString cls = e.attribute(QStringLiteral("class"));
        c.classes << cls;
        if (!cls.isEmpty())
            rw.childElementByClass(element, cls);
        walk(rw, e, budget / 2, c);
    }
}

// What the reader must give back for a text written: line ends are
// normalised and blank-only texts are dropped by the parser.
bool comparable(const QString &text)
{
    return !text.contains(QLatin1Char('\r')) && !text.trimmed().isEmpty();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSetup::initialize(argc, argv);
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
    Collected c;
    walk(reader, root, 2000, c);

    // Whatever the tree holds, writing it as it is must not crash.
    {
        QByteArray written;
        QBuffer out(&written);
        XMLReaderWriter writer(XMLReaderWriter::LocalDocument);
        writer.writeDocument(doc, &out);
    }

    XMLReaderWriter writer(XMLReaderWriter::LocalDocument);
    QDomDocument fresh = writer.createDocument();
    QDomElement body = writer.appendHeadAndBody(fresh, c.texts.value(0));
    for (int i = 0; i < c.texts.size(); ++i)
        writer.appendTextElement(body, QStringLiteral("p"), c.texts.at(i), c.classes.value(i));
    QDomElement dl = writer.appendElementWithClass(body, QStringLiteral("dl"), QStringLiteral("pd-fields"));
    for (const auto &d : std::as_const(c.definitions))
        writer.appendDefinition(dl, d.first, d.second);
    QByteArray written;
    QBuffer out(&written);
    if (!writer.writeDocument(fresh, &out))
        abort();
    out.close();
    XMLReaderWriter again(XMLReaderWriter::LocalDocument);
    const QDomDocument back = again.readDocument(&out);
    if (back.isNull())
        abort();
    const QDomElement backBody = again.mandatoryElementByTagName(back.documentElement(), QStringLiteral("body"));
    int i = 0;
    for (QDomElement p = backBody.firstChildElement(QStringLiteral("p")); !p.isNull();
         p = p.nextSiblingElement(QStringLiteral("p")), ++i) {
        const QString expected = XMLReaderWriter::stripInvalidXmlChars(c.texts.value(i));
        if (comparable(expected) && again.elementText(p) != expected)
            abort();
    }
    if (i != c.texts.size())
        abort();
    return 0;
}
