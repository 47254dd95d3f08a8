#include "sync/requests/xmlstreamreceiver.h"

#include <QDebug>
#include <QIODevice>

#include "core/xmlreaderwriter.h"

namespace {
const QString xhtmlNamespace = QStringLiteral("http://www.w3.org/1999/xhtml");
}

XMLStreamReceiver::XMLStreamReceiver(QIODevice *device, QObject *parent)
    : QObject(parent)
    , m_device(device)
{
}

void XMLStreamReceiver::parseMore()
{
    m_started = true;
    if (!m_device) {
        parse();
        return;
    }
    addData(m_device->readAll());
}

void XMLStreamReceiver::addData(const QByteArray &bytes)
{
    m_started = true;
    if (m_failed || m_ended)
        return;
    m_bytesSinceFragment += bytes.size();
    m_reader.addData(bytes);
    parse();
}

void XMLStreamReceiver::fail(const QString &message)
{
    if (m_failed)
        return;
    m_failed = true;
    m_error = message;
    m_fragment = QDomDocument();
    m_current = QDomNode();
    m_pendingText.clear();
    qDebug() << "XMLStreamReceiver:" << message;
    emit parseError(message);
}

void XMLStreamReceiver::parse()
{
    // A receiver may be dropped from a slot of fragmentReceived.
    QPointer<XMLStreamReceiver> self(this);
    while (self && !m_failed && !m_ended) {
        const QXmlStreamReader::TokenType token = m_reader.readNext();
        switch (token) {
        case QXmlStreamReader::Invalid:
            if (m_reader.error() == QXmlStreamReader::PrematureEndOfDocumentError) {
                // The rest of the token has not arrived yet: wait for it,
                // unless it is already too long.
                if (m_bytesSinceFragment > maxFragmentBytes)
                    fail(QStringLiteral("event larger than %1 bytes").arg(maxFragmentBytes));
                return;
            }
            fail(QStringLiteral("%1 at line %2 column %3")
                     .arg(m_reader.errorString())
                     .arg(m_reader.lineNumber())
                     .arg(m_reader.columnNumber()));
            return;
        case QXmlStreamReader::StartElement:
            startElement();
            break;
        case QXmlStreamReader::EndElement:
            endElement();
            break;
        case QXmlStreamReader::Characters:
            if (!m_current.isNull())
                m_pendingText += m_reader.text();
            break;
        case QXmlStreamReader::EndDocument:
            // The root closed: nothing more is read from this stream.
            m_ended = true;
            return;
        default:
            break;
        }
    }
}

void XMLStreamReceiver::startElement()
{
    if (m_depth >= XMLReaderWriter::maxElementDepth) {
        fail(QStringLiteral("elements nested deeper than %1 levels")
                 .arg(XMLReaderWriter::maxElementDepth));
        return;
    }
    if (m_depth == 0) {
        // The stream's root.
        ++m_depth;
        return;
    }
    if (m_depth == 1) {
        m_fragment = QDomDocument(xhtmlNamespace);
        m_current = m_fragment;
    }
    QDomElement element = m_fragment.createElement(m_reader.name().toString());
    const QXmlStreamAttributes attributes = m_reader.attributes();
    for (const QXmlStreamAttribute &attribute : attributes)
        element.setAttribute(attribute.name().toString(), attribute.value().toString());
    if (!m_pendingText.trimmed().isEmpty())
        qWarning("element has both text and children");
    m_pendingText.clear();
    m_current.appendChild(element);
    m_current = element;
    ++m_depth;
}

void XMLStreamReceiver::endElement()
{
    --m_depth;
    if (m_depth <= 0) {
        // The root closed: nothing follows a complete stream.
        m_depth = 0;
        return;
    }
    const QString text = m_pendingText.trimmed();
    if (!text.isEmpty())
        m_current.appendChild(m_fragment.createTextNode(text));
    m_pendingText.clear();
    m_current = m_current.parentNode();
    if (m_depth == 1) {
        const QDomDocument fragment = m_fragment;
        m_fragment = QDomDocument();
        m_current = QDomNode();
        m_bytesSinceFragment = 0;
        emit fragmentReceived(fragment);
    }
}
